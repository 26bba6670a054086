// What the test runtime needs of a C++ runtime and of MinGW's start-up
// files, for Windows on ARM64, where neither exists here: the test runtime
// is built with libstdc++'s headers alone (tests/arm64/CMakeLists.txt), so
// the few out-of-line pieces its templates call are defined here. A test
// double that cannot go on aborts, as an uncaught exception would.
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include <new>
#include <string>

// The one std::string the test runtime uses, instantiated here in place
// of libstdc++'s library copy.
template class std::__cxx11::basic_string<char>;

void* operator new(size_t size) {
  void* p = malloc(size ? size : 1);
  if (p == nullptr) abort();
  return p;
}
void operator delete(void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }

namespace std {
void __throw_logic_error(const char*) { abort(); }
void __throw_length_error(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
}  // namespace std

extern "C" {
// mingw-w64's headers reach the standard streams and vsnprintf through
// these names, which its static library would supply on top of msvcrt.
FILE* __cdecl __acrt_iob_func(unsigned index) { return &__iob_func()[index]; }
int __cdecl __ms_vsnprintf(char* buffer, size_t size, const char* format,
                           va_list args) {
  int n = _vsnprintf(buffer, size, format, args);
  if (size != 0 && (n < 0 || static_cast<size_t>(n) >= size)) {
    buffer[size - 1] = 0;
  }
  return n;
}

// The linker brackets the constructor table: -1, the entries, then 0.
typedef void (*TableEntry)(void);
extern TableEntry __CTOR_LIST__[];

BOOL WINAPI DllMainCRTStartup(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    size_t count = 0;
    while (__CTOR_LIST__[count + 1]) ++count;
    for (size_t i = count; i >= 1; --i) __CTOR_LIST__[i]();
  }
  return TRUE;
}
}
