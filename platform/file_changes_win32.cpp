// Windows: the file operations behind the launcher's caches (class
// data, unpacked runtimes).
#include <windows.h>

#include "platform/platform.h"
#include "text/text.h"

bool PlatformFileStamp(const char* name, int64_t* size, int64_t* time) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(name, GetFileExInfoStandard, &data)) return false;
  *size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  // FILETIME counts 100 ns from 1601. Through a double, as a 64-bit
  // division costs the 32-bit stub a kilobyte of libgcc; it stays exact
  // to a few microseconds.
  int64_t ticks =
      (static_cast<int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
      data.ftLastWriteTime.dwLowDateTime;
  *time = static_cast<int64_t>(static_cast<double>(ticks) / 10000.0) -
          11644473600000;
  return true;
}

bool PlatformMakeDirectory(const char* name) {
  if (CreateDirectoryA(name, nullptr)) return true;
  // The call behind PlatformFileStamp: one import less than its short form.
  WIN32_FILE_ATTRIBUTE_DATA data;
  return GetFileAttributesExA(name, GetFileExInfoStandard, &data) &&
         (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PlatformCreateNewFile(const char* name) {
  HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool PlatformRenameFile(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool PlatformDeleteFile(const char* name) {
  // The runtime writes its archives read-only, which DeleteFile refuses.
  SetFileAttributesA(name, FILE_ATTRIBUTE_NORMAL);
  return DeleteFileA(name) != 0;
}

bool PlatformRemoveDirectory(const char* name) {
  return RemoveDirectoryA(name) != 0;
}

bool PlatformCacheHome(TextBuffer* dir) {
  return PlatformGetEnvironment("LOCALAPPDATA", dir);
}

void PlatformTemporaryFolder(TextBuffer* dir) {
  if (!PlatformGetEnvironment("TEMP", dir)) dir->Clear();
  dir->Append("\\");
}
