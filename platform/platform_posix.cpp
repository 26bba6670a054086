// Linux: the locale's encoding is taken to be UTF-8, there is no registry
// and no splash bitmap, and messages go to standard error.
#include "platform/platform.h"

#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "platform/glibc_floor.h"
#include "platform/trace.h"
#include "text/text.h"

extern char** environ;

// --- UTF-8 <-> UTF-16. Each byte of an invalid sequence becomes U+FFFD,
// as with MultiByteToWideChar without MB_ERR_INVALID_CHARS.

static int DecodeUtf8(const unsigned char* s, int n, int* used, uint32_t* cp) {
  unsigned c = s[0];
  int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3
          : (c >> 3) == 30 ? 4 : 0;
  if (len == 0 || len > n) return 0;
  uint32_t v = len == 1 ? c : c & (0x7F >> len);
  for (int i = 1; i < len; ++i) {
    if ((s[i] & 0xC0) != 0x80) return 0;
    v = (v << 6) | (s[i] & 0x3F);
  }
  static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (v < kMin[len] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  *used = len;
  *cp = v;
  return 1;
}

int PlatformAnsiToWide(const char* text, int count, uint16_t* out,
                       int outSize) {
  if (text == nullptr) return 0;
  if (count == -1) count = static_cast<int>(strlen(text)) + 1;
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  int written = 0;
  for (int i = 0; i < count;) {
    int used;
    uint32_t cp;
    if (!DecodeUtf8(s + i, count - i, &used, &cp)) {
      used = 1;
      cp = 0xFFFD;
    }
    i += used;
    int units = cp >= 0x10000 ? 2 : 1;
    if (outSize != 0) {
      if (written + units > outSize) return 0;
      if (units == 2) {
        cp -= 0x10000;
        out[written] = static_cast<uint16_t>(0xD800 | (cp >> 10));
        out[written + 1] = static_cast<uint16_t>(0xDC00 | (cp & 0x3FF));
      } else {
        out[written] = static_cast<uint16_t>(cp);
      }
    }
    written += units;
  }
  return written;
}

int PlatformWideToAnsi(const uint16_t* text, int count, char* out,
                       int outSize) {
  if (text == nullptr) return 0;
  if (count == -1) {
    count = 0;
    while (text[count]) ++count;
    ++count;
  }
  int written = 0;
  for (int i = 0; i < count; ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < count &&
        text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = '?';  // a lone surrogate has no narrow form: the default character
    }
    unsigned char bytes[4];
    int n;
    if (cp < 0x80) {
      bytes[0] = static_cast<unsigned char>(cp);
      n = 1;
    } else if (cp < 0x800) {
      bytes[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
      bytes[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
      n = 2;
    } else if (cp < 0x10000) {
      bytes[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
      bytes[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
      bytes[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
      n = 3;
    } else {
      bytes[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
      bytes[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
      bytes[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
      bytes[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
      n = 4;
    }
    if (outSize != 0) {
      if (written + n > outSize) return 0;
      memcpy(out + written, bytes, static_cast<size_t>(n));
    }
    written += n;
  }
  return written;
}

void PlatformOutOfMemory() {
  static const char kText[] = "zov: out of memory\n";
  ssize_t ignored = write(2, kText, sizeof kText - 1);
  (void)ignored;
  _exit(0);
}

// --- The process

static int FillPath(char* buffer, int size, const char* value, ssize_t n) {
  if (value == nullptr || n <= 0 || n >= size) {
    if (size > 0) buffer[0] = 0;
    return 0;
  }
  if (value != buffer) memmove(buffer, value, static_cast<size_t>(n));
  buffer[n] = 0;
  return static_cast<int>(n);
}

int PlatformModuleFileName(char* buffer, int size) {
  ssize_t n = readlink("/proc/self/exe", buffer, static_cast<size_t>(size));
  return FillPath(buffer, size, buffer, n);
}

int PlatformCurrentDirectory(char* buffer, int size) {
  if (getcwd(buffer, static_cast<size_t>(size)) == nullptr) {
    return FillPath(buffer, size, nullptr, 0);
  }
  return static_cast<int>(strlen(buffer));
}

bool PlatformGetEnvironment(const char* name, TextBuffer* value) {
  size_t n = strlen(name);
  // "=" ends a name in the environment block, so a name holding one names
  // no variable; it would otherwise match the front of another's value.
  if (n == 0 || strchr(name, '=') != nullptr) return false;
  // Linux names differ by case alone (java_home beside JAVA_HOME): the exact
  // name wins, any case only when there is none.
  const char* found = nullptr;
  for (char** entry = environ; entry && *entry; ++entry) {
    // Most entries differ from the name in their first letter whatever
    // the case: those need no call.
    if (((**entry ^ *name) & ~0x20) != 0) continue;
    if (strncasecmp(*entry, name, n) != 0 || (*entry)[n] != '=') continue;
    if (strncmp(*entry, name, n) == 0) {
      found = *entry;
      break;
    }
    if (found == nullptr) found = *entry;
  }
  if (found == nullptr) return false;
  value->Assign(found + n + 1);
  return true;
}

bool PlatformSetEnvironment(const char* name, const char* value) {
  return (value ? setenv(name, value, 1) : unsetenv(name)) == 0;
}

// --- Files

bool PlatformRealPath(const char* name, TextBuffer* resolved) {
  char* real = realpath(name, nullptr);
  if (real == nullptr) return false;
  resolved->Assign(real);
  free(real);
  return true;
}

// The wildcards of a Windows search: "*" any run of characters, "?" any
// one; nothing else is special (no brackets, no escapes).
static bool MatchesWildcards(const char* pattern, const char* name) {
  const char* star = nullptr;
  const char* retry = nullptr;
  while (*name != 0) {
    if (*pattern == '*') {
      star = pattern++;
      retry = name;
    } else if (*pattern == '?' || *pattern == *name) {
      ++pattern;
      ++name;
    } else if (star != nullptr) {
      pattern = star + 1;
      name = ++retry;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == 0;
}

bool PlatformFileExists(const char* name) {
  if (name == nullptr || *name == 0) return false;
  const char* slash = strrchr(name, '/');
  const char* last = slash ? slash + 1 : name;
  if (strpbrk(last, "*?") == nullptr) {
    struct stat info;
    return StatPath(name, &info) == 0;
  }
  // Like FindFirstFileA: wildcards in the last part only, and the first
  // match ends the search. Wildcards in every part would walk whole trees.
  TextBuffer directory(name, slash ? static_cast<int32_t>(last - name) : 0);
  if (strpbrk(directory.c_str(), "*?") != nullptr) return false;
  DIR* dir = opendir(directory.length() > 0 ? directory.c_str() : ".");
  if (dir == nullptr) return false;
  bool found = false;
  while (!found) {
    struct dirent* entry = readdir(dir);
    if (entry == nullptr) break;
    found = MatchesWildcards(last, entry->d_name);
  }
  closedir(dir);
  return found;
}

struct PlatformFile {
  int fd;
};

PlatformFile* PlatformOpenFile(const char* name) {
  int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info;
  // A directory opens on Linux but not as a file on Windows.
  if (StatDescriptor(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    close(fd);
    return nullptr;
  }
  PlatformFile* file =
      static_cast<PlatformFile*>(HeapResize(nullptr, sizeof(PlatformFile)));
  file->fd = fd;
  return file;
}

int64_t PlatformFileSize(PlatformFile* file) {
  struct stat info;
  if (StatDescriptor(file->fd, &info) != 0) return -1;
  return info.st_size;
}

int64_t PlatformReadFile(PlatformFile* file, void* buffer, int64_t count) {
  ssize_t n = read(file->fd, buffer, static_cast<size_t>(count));
  return n < 0 ? 0 : n;
}

void PlatformCloseFile(PlatformFile* file) {
  close(file->fd);
  free(file);
}

PlatformFile* PlatformOpenAppend(const char* name) {
  int fd;
  if (strcmp(name, "-") == 0) {
    fd = fcntl(2, F_DUPFD_CLOEXEC, 0);
  } else {
    // Non-blocking: a FIFO without a reader fails at once instead of
    // holding up the launch.
    fd = open(name, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK,
              0666);
  }
  if (fd < 0) return nullptr;
  PlatformFile* file =
      static_cast<PlatformFile*>(HeapResize(nullptr, sizeof(PlatformFile)));
  file->fd = fd;
  return file;
}

bool PlatformWriteFile(PlatformFile* file, const void* data, int32_t count) {
  const char* bytes = static_cast<const char*>(data);
  while (count > 0) {
    ssize_t n = write(file->fd, bytes, static_cast<size_t>(count));
    if (n <= 0) return false;
    bytes += n;
    count -= static_cast<int32_t>(n);
  }
  return true;
}

bool PlatformMapFileTail(const char* name, int64_t tailBytes,
                         PlatformMappedFile* mapped) {
  mapped->data = nullptr;
  mapped->size = 0;
  mapped->view = nullptr;
  PlatformFile* file = PlatformOpenFile(name);
  if (file == nullptr) return false;
  int64_t size = PlatformFileSize(file);
  int64_t tail = size < tailBytes ? size : tailBytes;
  int64_t page = sysconf(_SC_PAGESIZE);
  int64_t start = (size - tail) & ~(page - 1);  // views start on a page
  void* view = size > 0 ? mmap(nullptr, static_cast<size_t>(size - start),
                               PROT_READ, MAP_PRIVATE, file->fd, start)
                        : MAP_FAILED;
  PlatformCloseFile(file);
  if (view == MAP_FAILED) return false;
  mapped->view = view;
  mapped->viewSize = size - start;
  mapped->data = static_cast<const unsigned char*>(view) + (size - tail - start);
  mapped->size = tail;
  return true;
}

void PlatformUnmapFile(PlatformMappedFile* mapped) {
  if (mapped->view != nullptr) {
    munmap(mapped->view, static_cast<size_t>(mapped->viewSize));
  }
  mapped->data = nullptr;
  mapped->size = 0;
  mapped->view = nullptr;
}

struct PlatformDirectory {
  DIR* dir;
  TextBuffer* path;  // directory + entry name, for each entry's type test
  int32_t directoryLength;
};

PlatformDirectory* PlatformOpenDirectory(const char* directory) {
  DIR* dir = opendir(*directory ? directory : ".");
  if (dir == nullptr) return nullptr;
  PlatformDirectory* result = static_cast<PlatformDirectory*>(
      HeapResize(nullptr, sizeof(PlatformDirectory)));
  result->dir = dir;
  result->path = new TextBuffer(directory);
  result->directoryLength = result->path->length();
  return result;
}

bool PlatformNextEntry(PlatformDirectory* dir, const char** name,
                       bool* isDirectory) {
  if (dir == nullptr) return false;
  struct dirent* entry = readdir(dir->dir);
  if (entry == nullptr) return false;
  dir->path->Resize(dir->directoryLength);
  dir->path->Append(entry->d_name);
  struct stat info;
  // Follow links, as a Windows search reports a junction's target kind.
  *isDirectory = StatPath(dir->path->c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  *name = entry->d_name;
  return true;
}

void PlatformCloseDirectory(PlatformDirectory* dir) {
  if (dir == nullptr) return;
  closedir(dir->dir);
  delete dir->path;
  free(dir);
}

bool PlatformQueryRegistryValue(const char*, const char*, unsigned char*,
                                unsigned long*) {
  return false;
}

// --- Dynamic libraries

// In the C library since 2.34; before, in libdl, which the launcher links.
ZOV_OLDEST_GLIBC(dlopen);
ZOV_OLDEST_GLIBC(dlsym);
ZOV_OLDEST_GLIBC(dlerror);
ZOV_OLDEST_GLIBC(dlclose);

void* PlatformLoadLibrary(const char* path) {
  // dlopen("") would hand back the launcher itself, and a bare name would
  // search LD_LIBRARY_PATH: only a path names a runtime.
  if (path == nullptr || *path == 0) return nullptr;
  void* library;
  if (strchr(path, '/') == nullptr) {
    TextBuffer local("./");
    local.Append(path);
    library = dlopen(local.c_str(), RTLD_NOW | RTLD_GLOBAL);
  } else {
    library = dlopen(path, RTLD_NOW | RTLD_GLOBAL);
  }
  if (library == nullptr) Trace("dlopen: %s", dlerror());
  return library;
}

void* PlatformFindSymbol(void* library, const char* name) {
  return dlsym(library, name);
}

void PlatformFreeLibrary(void* library) { dlclose(library); }

// --- Messages

struct MessageBlock {
  int language;
  const uint16_t* units;
  int sizeInBytes;
};
#include "messages_table.inc"  // generated: kMessageBlocks[]

static int LocaleLanguage() {
  const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  for (const char* name : names) {
    const char* value = getenv(name);
    if (value == nullptr || *value == 0) continue;
    if (strncmp(value, "zh_TW", 5) == 0 || strncmp(value, "zh_HK", 5) == 0) {
      return 1028;
    }
    if (strncmp(value, "zh", 2) == 0) return 2052;
    return 1033;
  }
  return 1033;
}

bool PlatformStringBlock(unsigned block, const uint16_t** data,
                         int* sizeInBytes) {
  if (block != 1) return false;
  int language = LocaleLanguage();
  for (const MessageBlock& entry : kMessageBlocks) {
    if (entry.language == language) {
      *data = entry.units;
      *sizeInBytes = entry.sizeInBytes;
      return true;
    }
  }
  return false;
}

void PlatformMessageBox(const char* text, const char* caption) {
  fprintf(stderr, "%s: %s\n", caption, text);
  fflush(stderr);
}

bool PlatformSeekFile(PlatformFile* file, int64_t offset) {
  return lseek(file->fd, static_cast<off_t>(offset), SEEK_SET) == offset;
}

PlatformFile* PlatformCreateFile(const char* name, bool executable) {
  int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                executable ? 0755 : 0644);
  if (fd < 0) return nullptr;
  PlatformFile* file =
      static_cast<PlatformFile*>(HeapResize(nullptr, sizeof(PlatformFile)));
  file->fd = fd;
  return file;
}

// --- The runtime cache's in-use test.
// Descriptor + 1: zero for none, so the array needs no initialiser.
static int HeldFolders[kHoldSlots];

static int OpenLock(const char* folder, int flags) {
  TextBuffer name(folder);
  name.Append("zov.lock");
  return open(name.c_str(), flags | O_CLOEXEC, 0644);
}

bool PlatformHoldFolder(int slot, const char* folder) {
  int& held = HeldFolders[slot];
  if (held > 0) close(held - 1);
  held = (folder != nullptr ? OpenLock(folder, O_WRONLY | O_CREAT) : -1) + 1;
  // Blocks only while a remover holds it, which then moves the folder away.
  return held > 0 && pwrite(held - 1, "u", 1, 0) == 1 &&
         flock(held - 1, LOCK_SH) == 0;
}

bool PlatformMoveUnused(const char* folder, const char* aside) {
  int fd = OpenLock(folder, O_RDONLY);
  bool moved = (fd < 0 || flock(fd, LOCK_EX | LOCK_NB) == 0) &&
               rename(folder, aside) == 0;
  if (fd >= 0) close(fd);
  return moved;
}

void PlatformLibraryFolder(const char*) {}

unsigned long PlatformLastError() { return static_cast<unsigned long>(errno); }

uint32_t PlatformTickCount() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}
