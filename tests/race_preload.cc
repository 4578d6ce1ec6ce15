// Preloaded into kavo by tests/linux.t: just before every rename system
// call it creates the target, so the target appears after any check the
// command made and before the move itself.

#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {

void plant_target(int dirfd, const char* path) {
  const char* content = getenv("KAVO_RACE_CONTENT");
  if (content == nullptr) return;
  int fd = openat(dirfd, path, O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd < 0) return;
  ssize_t ignored = write(fd, content, strlen(content));
  (void)ignored;
  close(fd);
}

}  // namespace

extern "C" int renameat2(int olddirfd, const char* oldpath, int newdirfd,
                         const char* newpath, unsigned int flags) {
  using RealRename = int (*)(int, const char*, int, const char*, unsigned);
  static RealRename real =
      reinterpret_cast<RealRename>(dlsym(RTLD_NEXT, "renameat2"));
  plant_target(newdirfd, newpath);
  return real(olddirfd, oldpath, newdirfd, newpath, flags);
}

extern "C" int rename(const char* oldpath, const char* newpath) {
  using RealRename = int (*)(const char*, const char*);
  static RealRename real =
      reinterpret_cast<RealRename>(dlsym(RTLD_NEXT, "rename"));
  plant_target(AT_FDCWD, newpath);
  return real(oldpath, newpath);
}
