#include "platform/platform.h"
#include "text/text.h"

bool PlatformUserCacheFolder(const char* name, TextBuffer* dir) {
  if (!PlatformCacheHome(dir)) return false;
  for (int part = 0; part < 3; ++part) {  // the base, zov, name
    if (part > 0) {
      dir->Append(&kPathSeparator, 1);
      dir->Append(part == 1 ? "zov" : name);
    }
    if (dir->length() == 0 || !PlatformMakeDirectory(dir->c_str())) return false;
  }
  dir->Append(&kPathSeparator, 1);
  return true;
}
