// Windows: the very calls the launcher is specified with, ANSI forms.
#include "platform/platform.h"

#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include "platform/trace.h"
#include "text/text.h"

int PlatformAnsiToWide(const char* text, int count, uint16_t* out,
                       int outSize) {
  return MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, count,
                             reinterpret_cast<wchar_t*>(out), outSize);
}

int PlatformWideToAnsi(const uint16_t* text, int count, char* out,
                       int outSize) {
  return WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(text),
                             count, out, outSize, nullptr, nullptr);
}

void PlatformOutOfMemory() {
#ifdef ZOV_CONSOLE
  // No buffer to convert into: the heap is what failed. ASCII reads the
  // same in every code page.
  static const char kText[] = "Error: Out of memory.\r\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), kText, sizeof kText - 1, &written,
            nullptr);
#else
  MessageBoxA(nullptr, "Out of memory.", "Error", MB_OK | MB_ICONWARNING);
#endif
  ExitProcess(0);
}

// Both calls report truncation only through their result; a truncated path
// would name another file, so it counts as a failure.
int PlatformModuleFileName(char* buffer, int size) {
  DWORD n = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
  if (n == 0 || n >= static_cast<DWORD>(size)) {
    buffer[0] = 0;
    return 0;
  }
  buffer[n] = 0;
  return static_cast<int>(n);
}

int PlatformCurrentDirectory(char* buffer, int size) {
  // The full path of "." is the current directory, and saves an import.
  DWORD n = GetFullPathNameA(".", static_cast<DWORD>(size), buffer, nullptr);
  if (n == 0 || n >= static_cast<DWORD>(size)) {
    buffer[0] = 0;
    return 0;
  }
  return static_cast<int>(n);
}

bool PlatformGetEnvironment(const char* name, TextBuffer* value) {
  if (*name == 0) return false;
  // The wide call and our own conversion: Wine's narrow one counts UTF-16
  // units, so it cuts a value short in a multi-byte code page such as UTF-8.
  WideTextBuffer wideName;
  wideName.AssignFromAnsi(name, -1);
  const wchar_t* key = reinterpret_cast<const wchar_t*>(wideName.CStr());
  // Names are case-insensitive here already; an empty value is defined.
  SetLastError(0);
  DWORD needed = GetEnvironmentVariableW(key, nullptr, 0);
  if (needed == 0) {
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
    value->Clear();
    return true;
  }
  WideTextBuffer wide;
  for (;;) {
    wide.Resize(static_cast<int32_t>(needed));
    DWORD n = GetEnvironmentVariableW(
        key, reinterpret_cast<wchar_t*>(wide.data()), needed + 1);
    if (n <= needed) {
      wide.Resize(static_cast<int32_t>(n));
      break;
    }
    needed = n;  // grew between the two calls
  }
  value->AssignFromWide(wide.data(), wide.length());
  return true;
}

bool PlatformSetEnvironment(const char* name, const char* value) {
  return SetEnvironmentVariableA(name, value) != 0;
}

bool PlatformFileExists(const char* name) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(name, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

struct PlatformFile {
  HANDLE handle;
};

static HANDLE OpenShared(const char* name) {
  return CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

static PlatformFile* WrapHandle(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  PlatformFile* file =
      static_cast<PlatformFile*>(HeapResize(nullptr, sizeof(PlatformFile)));
  file->handle = handle;
  return file;
}

PlatformFile* PlatformOpenFile(const char* name) {
  return WrapHandle(OpenShared(name));
}

static int64_t FileSize(HANDLE file) {
  DWORD high = 0;
  DWORD low = GetFileSize(file, &high);
  // All ones is also a valid low half: only the error code tells.
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return -1;
  return (static_cast<int64_t>(high) << 32) | low;
}

int64_t PlatformFileSize(PlatformFile* file) { return FileSize(file->handle); }

int64_t PlatformReadFile(PlatformFile* file, void* buffer, int64_t count) {
  DWORD read = 0;
  if (!ReadFile(file->handle, buffer, static_cast<DWORD>(count), &read,
                nullptr)) {
    return 0;
  }
  return read;
}

void PlatformCloseFile(PlatformFile* file) {
  CloseHandle(file->handle);
  free(file);
}

PlatformFile* PlatformOpenAppend(const char* name) {
  return WrapHandle(CreateFileA(name, FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool PlatformWriteFile(PlatformFile* file, const void* data, int32_t count) {
  DWORD written;
  return WriteFile(file->handle, data, static_cast<DWORD>(count), &written,
                   nullptr) &&
         written == static_cast<DWORD>(count);
}

bool PlatformMapFileTail(const char* name, int64_t tailBytes,
                         PlatformMappedFile* mapped) {
  mapped->data = nullptr;
  mapped->size = 0;
  mapped->view = nullptr;
  HANDLE file = OpenShared(name);
  if (file == INVALID_HANDLE_VALUE) return false;
  int64_t size = FileSize(file);
  // A file mapping of an empty file cannot be created.
  if (size <= 0) {
    CloseHandle(file);
    return false;
  }
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0,
                                      nullptr);
  if (mapping == nullptr) {
    CloseHandle(file);
    return false;
  }
  int64_t tail = size < tailBytes ? size : tailBytes;
  // Views start at the allocation granularity, 64 KiB on every Windows.
  int64_t start = (size - tail) & ~static_cast<int64_t>(0xFFFF);
  void* view = MapViewOfFile(mapping, FILE_MAP_READ,
                             static_cast<DWORD>(start >> 32),
                             static_cast<DWORD>(start),
                             static_cast<SIZE_T>(size - start));
  if (view == nullptr) {
    CloseHandle(mapping);
    CloseHandle(file);
    return false;
  }
  mapped->view = view;
  mapped->viewSize = size - start;
  mapped->data = static_cast<const unsigned char*>(view) + (size - tail - start);
  mapped->size = tail;
  mapped->handles[0] = mapping;
  mapped->handles[1] = file;
  return true;
}

void PlatformUnmapFile(PlatformMappedFile* mapped) {
  if (mapped->view != nullptr) {
    UnmapViewOfFile(mapped->view);
    CloseHandle(mapped->handles[0]);
    CloseHandle(mapped->handles[1]);
  }
  mapped->data = nullptr;
  mapped->size = 0;
  mapped->view = nullptr;
}

bool PlatformRealPath(const char* name, TextBuffer* resolved) {
  HANDLE file = CreateFileA(name, 0,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char buffer[kMaxPath];
  DWORD n = GetFinalPathNameByHandleA(file, buffer, kMaxPath, 0);
  CloseHandle(file);
  if (n == 0 || n >= static_cast<DWORD>(kMaxPath)) return false;
  // The result carries the \\?\ prefix, \\?\UNC\ for a share.
  char* path = buffer;
  if (strncmp(path, "\\\\?\\", 4) == 0) {
    path += 4;
    // \\?\UNC\server\share is \\server\share.
    if (strncmp(path, "UNC\\", 4) == 0) {
      path += 2;
      *path = '\\';
    }
  }
  resolved->Assign(path);
  return true;
}

struct PlatformDirectory {
  HANDLE search;
  bool pending;  // FindFirstFileA already delivered the first entry
  WIN32_FIND_DATAA found;
};

PlatformDirectory* PlatformOpenDirectory(const char* directory) {
  TextBuffer pattern(directory);
  pattern.Append("*.*");
  PlatformDirectory* dir = static_cast<PlatformDirectory*>(
      HeapResize(nullptr, sizeof(PlatformDirectory)));
  dir->search = FindFirstFileA(pattern.c_str(), &dir->found);
  if (dir->search == INVALID_HANDLE_VALUE) {
    free(dir);
    return nullptr;
  }
  dir->pending = true;
  return dir;
}

bool PlatformNextEntry(PlatformDirectory* dir, const char** name,
                       bool* isDirectory) {
  if (dir == nullptr ||
      (!dir->pending && !FindNextFileA(dir->search, &dir->found))) {
    return false;
  }
  dir->pending = false;
  *name = dir->found.cFileName;
  *isDirectory = (dir->found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return true;
}

void PlatformCloseDirectory(PlatformDirectory* dir) {
  if (dir == nullptr) return;
  FindClose(dir->search);
  free(dir);
}

bool PlatformQueryRegistryValue(const char* subKey, const char* valueName,
                                unsigned char* buffer, unsigned long* size) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD bytes = static_cast<DWORD>(*size);
  LONG rc = RegQueryValueExA(key, valueName, nullptr, nullptr, buffer, &bytes);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return false;
  *size = bytes;
  return true;
}

void* PlatformLoadLibrary(const char* path) {
  if (path == nullptr || *path == 0) return nullptr;
  // The runtime's own DLLs (msvcr*.dll, vcruntime*.dll) sit beside jvm.dll
  // or in its parent, the runtime's bin, which the default search misses.
  // An absolute name lets the altered search start in jvm.dll's directory;
  // SetDllDirectoryA adds the parent and drops the current directory.
  char full[kMaxPath];
  char* fileName = nullptr;
  DWORD n = GetFullPathNameA(path, kMaxPath, full, &fileName);
  if (n == 0 || n >= static_cast<DWORD>(kMaxPath) || fileName == nullptr) {
    return nullptr;
  }
  // The parent ends after the separator before the library's folder name.
  size_t folder = static_cast<size_t>(fileName - full);
  size_t end = folder > 0 ? folder - 1 : 0;
  while (end > 0 && full[end - 1] != '\\') --end;
  if (end == 0) end = folder;  // a root is its own parent; "C:" is a current dir
  char parent[kMaxPath];
  memcpy(parent, full, end);
  parent[end] = 0;
  SetDllDirectoryA(parent);
  HMODULE library = LoadLibraryExA(full, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  // 193: a library of the other width; 126: a DLL it needs is missing.
  if (library == nullptr) {
    Trace("LoadLibrary %s: error %lu", full, GetLastError());
  }
  // The application's own later loads get the usual search order back.
  SetDllDirectoryA(nullptr);
  return library;
}

void* PlatformFindSymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(
      GetProcAddress(static_cast<HMODULE>(library), name));
}

void PlatformFreeLibrary(void* library) {
  FreeLibrary(static_cast<HMODULE>(library));
}

bool PlatformStringBlock(unsigned block, const uint16_t** data,
                         int* sizeInBytes) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(block),
                              MAKEINTRESOURCEA(6));  // RT_STRING
  if (found == nullptr) return false;
  DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const void* locked = loaded ? LockResource(loaded) : nullptr;
  *data = static_cast<const uint16_t*>(locked);
  *sizeInBytes = locked ? static_cast<int>(size) : 0;
  return true;
}

#ifdef ZOV_CONSOLE
// The console launcher reports as the Linux one does: a box would stop an
// unattended run. A console shows UTF-16 whatever its code page; redirected
// output gets the ANSI bytes, as the runtime writes them there.
void PlatformMessageBox(const char* text, const char* caption) {
  TextBuffer line(caption);
  line.Append(": ");
  line.Append(text);
  line.Append("\r\n");
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(error, &mode)) {
    WideTextBuffer wide;
    wide.AssignFromAnsi(line.data(), line.length());
    WriteConsoleW(error, wide.data(), static_cast<DWORD>(wide.length()),
                  &written, nullptr);
  } else {
    WriteFile(error, line.data(), static_cast<DWORD>(line.length()), &written,
              nullptr);
  }
}
#else
void PlatformMessageBox(const char* text, const char* caption) {
  MessageBoxA(nullptr, text, caption, 0x30);  // MB_OK | MB_ICONWARNING
}
#endif

bool PlatformSeekFile(PlatformFile* file, int64_t offset) {
  LONG high = static_cast<LONG>(offset >> 32);
  return SetFilePointer(file->handle, static_cast<LONG>(offset), &high,
                        FILE_BEGIN) != INVALID_SET_FILE_POINTER ||
         GetLastError() == NO_ERROR;
}

PlatformFile* PlatformCreateFile(const char* name, bool) {
  return WrapHandle(CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

// --- The runtime cache's in-use test.
// Null when none: a zero-initialised variable costs no section of its own.
static HANDLE HeldFolders[kHoldSlots];

bool PlatformHoldFolder(int slot, const char* folder) {
  HANDLE& held = HeldFolders[slot];
  if (held != nullptr) CloseHandle(held);
  held = nullptr;
  if (folder == nullptr) return false;
  TextBuffer name(folder);
  name.Append("zov.lock");
  // Without FILE_SHARE_DELETE: nothing renames or deletes the folder
  // while this handle is open.
  HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  held = file;
  DWORD written;
  return WriteFile(file, "u", 1, &written, nullptr);
}

bool PlatformMoveUnused(const char* folder, const char* aside) {
  return MoveFileExA(folder, aside, 0) != 0;
}

void PlatformLibraryFolder(const char* folder) {
  // Java loads a JNI library by its full path, and Windows then searches
  // what it needs in the program's folder, not the library's.
  SetDllDirectoryA(folder);
}

unsigned long PlatformLastError() { return GetLastError(); }

uint32_t PlatformTickCount() { return GetTickCount(); }
