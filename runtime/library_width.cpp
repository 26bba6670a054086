#include "runtime/library_width.h"

#include "platform/platform.h"

namespace {

unsigned Read16(const unsigned char* p) { return p[0] | (p[1] << 8); }

unsigned Read32(const unsigned char* p) {
  return Read16(p) | (static_cast<unsigned>(Read16(p + 2)) << 16);
}

}  // namespace

int LibraryWidth(const char* path) {
  PlatformFile* file = PlatformOpenFile(path);
  if (file == nullptr) return 0;
  // The PE header follows the DOS stub, which linkers keep well inside this.
  unsigned char header[1024];
  // An int count: the header is small, and i686 is spared 64-bit sums.
  int size = 0;
  int64_t got;
  while (size < static_cast<int>(sizeof header) &&
         (got = PlatformReadFile(file, header + size,
                                 static_cast<int>(sizeof header) - size)) > 0) {
    size += static_cast<int>(got);
  }
  PlatformCloseFile(file);
  if (size >= 5 && Read32(header) == 0x464C457F) {  // "\x7F" "ELF"
    return header[4] == 1 ? 32 : header[4] == 2 ? 64 : 0;
  }
  if (size < 0x40 || Read16(header) != 0x5A4D) return 0;  // "MZ"
  unsigned pe = Read32(header + 0x3C);
  if (pe > static_cast<unsigned>(size) - 6 || Read32(header + pe) != 0x4550) {
    return 0;
  }
  switch (Read16(header + pe + 4)) {
    case 0x014C: return 32;  // i386
    case 0x8664: return 64;  // x64
    default: return 0;
  }
}
