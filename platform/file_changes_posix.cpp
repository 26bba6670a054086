// Linux: the file operations behind the launcher's caches (class
// data, unpacked runtimes).
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "text/text.h"

bool PlatformFileStamp(const char* name, int64_t* size, int64_t* time) {
  struct stat info;
  if (stat(name, &info) != 0) return false;
  *size = info.st_size;
  *time = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000 +
          info.st_mtim.tv_nsec / 1000000;
  return true;
}

bool PlatformMakeDirectory(const char* name) {
  if (mkdir(name, 0700) == 0) return true;
  struct stat info;
  return stat(name, &info) == 0 && S_ISDIR(info.st_mode);
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

bool PlatformRemoveDirectory(const char* name) { return rmdir(name) == 0; }

bool PlatformCacheHome(TextBuffer* dir) {
  // A relative XDG_CACHE_HOME is to be ignored.
  if (PlatformGetEnvironment("XDG_CACHE_HOME", dir) && dir->c_str()[0] == '/') {
    return true;
  }
  if (!PlatformGetEnvironment("HOME", dir)) return false;
  dir->Append("/.cache");
  return true;
}

void PlatformTemporaryFolder(TextBuffer* dir) {
  if (!PlatformGetEnvironment("TMPDIR", dir) || dir->length() == 0) {
    dir->Assign("/tmp");
  }
  dir->Append("/");
}
