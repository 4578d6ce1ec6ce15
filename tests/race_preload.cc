// Preloaded into kavo by tests/linux.t: just before every renameat2 call
// it creates the target ($KAVO_RACE_CONTENT in it), so the target appears
// after any check the command made and before the move itself.

#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static void plant_target(int dirfd, const char* path) {
  const char* content = getenv("KAVO_RACE_CONTENT");
  int fd =
      content ? openat(dirfd, path, O_WRONLY | O_CREAT | O_EXCL, 0644) : -1;
  if (fd < 0) return;
  if (write(fd, content, strlen(content)) < 0) perror("race preload");
  close(fd);
}

extern "C" int renameat2(int olddirfd, const char* oldpath, int newdirfd,
                         const char* newpath, unsigned int flags) {
  static auto real =
      reinterpret_cast<int (*)(int, const char*, int, const char*, unsigned)>(
          dlsym(RTLD_NEXT, "renameat2"));
  plant_target(newdirfd, newpath);
  return real(olddirfd, oldpath, newdirfd, newpath, flags);
}
