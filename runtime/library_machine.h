// Which processor a runtime library was built for, read from its file
// header, so that a library this process cannot load is passed over
// before LoadLibrary fails on it. A width is not enough: Windows on ARM64
// runs x64 programs, which cannot load an ARM64 jvm.dll, nor the reverse.
#ifndef ZOV_RUNTIME_LIBRARY_MACHINE_H_
#define ZOV_RUNTIME_LIBRARY_MACHINE_H_

// The machine field of a PE image (0x014C x86, 0x8664 x64, 0xAA64 ARM64,
// or whatever other value it holds); for an ELF file the same values for
// those three processors, else 32 or 64 by its class; 0 when the file
// cannot be read or is neither. A library of the other system's format,
// which no process here loads, has kOtherSystem added (on Windows an ELF
// file is told only by its class).
unsigned LibraryMachine(const char* path);
inline constexpr unsigned kOtherSystem = 0x10000;

// This process's own, in the same terms (x32 code is neither x64 nor x86).
#if defined(__aarch64__)
inline constexpr unsigned kProcessMachine = 0xAA64;
#elif defined(__x86_64__) && (defined(_WIN32) || defined(__LP64__))
inline constexpr unsigned kProcessMachine = 0x8664;
#elif defined(__i386__)
inline constexpr unsigned kProcessMachine = 0x014C;
#else
inline constexpr unsigned kProcessMachine = sizeof(void*) * 8;
#endif

// "x86", "x64", "ARM64", "32-bit", "64-bit", or "another processor".
const char* MachineName(unsigned machine);

#endif  // ZOV_RUNTIME_LIBRARY_MACHINE_H_
