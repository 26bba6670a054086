// Linux: the file operations behind the launcher's caches (class
// data, unpacked runtimes).
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "platform/glibc_floor.h"
#include "platform/platform.h"

bool PlatformFileStamp(const char* name, int64_t* size, int64_t* time) {
  struct stat info;
  if (StatPath(name, &info) != 0) return false;
  *size = info.st_size;
  *time = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 +
          info.st_mtim.tv_nsec;
  return true;
}

bool PlatformMakeDirectory(const char* name) {
  if (mkdir(name, 0700) == 0) return true;
  struct stat info;
  return StatPath(name, &info) == 0 && S_ISDIR(info.st_mode);
}

bool PlatformCreateNewFile(const char* name) {
  int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  close(fd);
  return true;
}

bool PlatformRenameFile(const char* from, const char* to) {
  return rename(from, to) == 0;
}

bool PlatformDeleteFile(const char* name) { return unlink(name) == 0; }

unsigned long PlatformProcessId() {
  return static_cast<unsigned long>(getpid());
}

bool PlatformRemoveDirectory(const char* name) { return rmdir(name) == 0; }

unsigned long PlatformLastError() { return static_cast<unsigned long>(errno); }

uint32_t PlatformTickCount() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}
