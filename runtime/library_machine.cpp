#include "runtime/library_machine.h"

#include "config/embedded_config.h"
#include "platform/platform.h"

namespace {

unsigned Read16(const unsigned char* p) { return p[0] | (p[1] << 8); }

unsigned Read32(const unsigned char* p) {
  return Read16(p) | (static_cast<unsigned>(Read16(p + 2)) << 16);
}

// e_machine in the terms of a PE header, which name the same processors
// in the trace; any other kind (big-endian too) by the width of its class.
unsigned ElfMachine(const unsigned char* header) {
  unsigned width = header[4] == 1 ? 32 : header[4] == 2 ? 64 : 0;
#ifndef _WIN32
  unsigned machine = header[5] == 1 ? Read16(header + 18) : 0;
  if (width == 64 && machine == 62) return 0x8664;   // EM_X86_64
  if (width == 64 && machine == 183) return 0xAA64;  // EM_AARCH64
  if (width == 32 && machine == 3) return 0x014C;    // EM_386
#endif
  return width;
}

}  // namespace

unsigned LibraryMachine(const char* path) {
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
  if (size >= 20 && Read32(header) == 0x464C457F) {  // "\x7F" "ELF"
    return ElfMachine(header);
  }
  unsigned pe = PeSignatureOffset(header, size, 6);  // then the machine
  if (pe == 0) return 0;
#ifdef _WIN32
  return Read16(header + pe + 4);
#else
  return Read16(header + pe + 4) | kOtherSystem;
#endif
}

const char* MachineName(unsigned machine) {
  switch (machine) {
    case 0x014C: return "x86";
    case 0x8664: return "x64";
    case 0xAA64: return "ARM64";
    case 32: return "32-bit";
    case 64: return "64-bit";
    default: return machine & kOtherSystem ? "Windows" : "another processor";
  }
}
