// What the buffer family needs from the operating system. Declared here so
// that text/ depends on nothing above it; the platform layer implements
// these (platform_win32.cpp, platform_posix.cpp).
#ifndef ZOV_TEXT_SYSTEM_TEXT_H_
#define ZOV_TEXT_SYSTEM_TEXT_H_

#include <stdint.h>

// --- Text conversion between the ANSI code page (UTF-8 on Linux) and UTF-16.
// Same contract as MultiByteToWideChar / WideCharToMultiByte: a count of -1
// converts up to and including the NUL; an output size of 0 only measures.
// A byte that is not part of valid text becomes U+FFFD, as java does.
// Returns the number of units written (or needed), 0 on failure.
int PlatformAnsiToWide(const char* text, int count, uint16_t* out, int outSize);
int PlatformWideToAnsi(const uint16_t* text, int count, char* out, int outSize);

// Ends the process at once, exit status 0, after saying why where it can.
// Called when the heap cannot grow a buffer.
[[noreturn]] void PlatformOutOfMemory();

#endif  // ZOV_TEXT_SYSTEM_TEXT_H_
