/* The floor of the benchmark: the least work the job needs. Takes a
 * snapshot of each directory with readdir, then calls renameat2 with
 * RENAME_NOREPLACE for every entry whose name ends in ".txt" and holds the
 * old text, relative to the directory's descriptor; with -r it also
 * descends into subdirectories. Usage: floor [-r] OLD NEW DIR */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int recurse;
static const char *old_text, *new_text;

static void rename_in(int dirfd);

static void process(int dirfd, const char *name, int is_dir) {
  if (is_dir) {
    if (!recurse) return;
    int sub = openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (sub >= 0) rename_in(sub);
    return;
  }
  size_t len = strlen(name);
  const char *hit = strstr(name, old_text);
  if (!hit || len < 4 || strcmp(name + len - 4, ".txt") != 0) return;
  char target[512];
  snprintf(target, sizeof target, "%.*s%s%s", (int)(hit - name), name,
           new_text, hit + strlen(old_text));
  if (renameat2(dirfd, name, dirfd, target, RENAME_NOREPLACE) != 0) {
    perror(name);
  }
}

static void rename_in(int fd) {
  DIR *dir = fdopendir(fd);
  if (!dir) return;
  size_t count = 0, capacity = 1024;
  char **names = malloc(capacity * sizeof *names);
  unsigned char *dirs = malloc(capacity);
  struct dirent *e;
  while ((e = readdir(dir)) != NULL) {
    if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
    if (count == capacity) {
      capacity *= 2;
      names = realloc(names, capacity * sizeof *names);
      dirs = realloc(dirs, capacity);
    }
    names[count] = strdup(e->d_name);
    dirs[count++] = e->d_type == DT_DIR;
  }
  for (size_t i = 0; i < count; ++i) {
    process(dirfd(dir), names[i], dirs[i]);
    free(names[i]);
  }
  free(names);
  free(dirs);
  closedir(dir);
}

int main(int argc, char **argv) {
  int i = 1;
  if (argc > 1 && strcmp(argv[1], "-r") == 0) recurse = i++;
  if (argc - i != 3) {
    fprintf(stderr, "usage: floor [-r] OLD NEW DIR\n");
    return 2;
  }
  old_text = argv[i];
  new_text = argv[i + 1];
  int fd = open(argv[i + 2], O_RDONLY | O_DIRECTORY);
  if (fd < 0) {
    perror(argv[i + 2]);
    return 1;
  }
  rename_in(fd);
  return 0;
}
