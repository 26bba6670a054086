// The launcher's Windows entry point, in place of MinGW's start-up files:
// they bring about 9 KB (pseudo-relocations, TLS callbacks, an exception
// filter, their own .CRT and .tls sections) that the launcher never uses.
// What they do that matters is kept: msvcrt splits the command line, main
// runs the static constructors (GCC calls __main from it), and exit runs
// the destructors registered through atexit.
//
// Linked only into the launcher, with -nostartfiles; see
// cmake/launcher_flags.cmake. The test binaries keep the MinGW start-up.
// __main is ours too: MinGW's brings a writable section and unwind tables,
// 1 KB of file, for the same few lines.
#include <stdlib.h>

#include "platform/platform.h"

extern "C" {
struct StartupInfo {
  int newMode;
};
int __cdecl __getmainargs(int* argc, char*** argv, char*** env,
                          int expandWildcards, StartupInfo* info);
void __cdecl __set_app_type(int type);

// The linker brackets the constructor and destructor tables: -1 (or a
// count), the entries, then 0.
typedef void (*TableEntry)(void);
extern TableEntry __CTOR_LIST__[];
extern TableEntry __DTOR_LIST__[];
}

int main(int argc, char** argv);

// Called from outside the program's own code (the loader, the call to
// __main that GCC inserts into main): the whole-program build keeps them.
#ifdef __clang__
#define ZOV_EXTERNAL  // clang builds no whole program
#else
#define ZOV_EXTERNAL __attribute__((externally_visible))
#endif

// msvcrt exports atexit only as data, for the start-up files to supply it;
// an executable's atexit is _onexit.
extern "C" ZOV_EXTERNAL int __cdecl atexit(void(__cdecl* function)(void)) {
  return _onexit(reinterpret_cast<_onexit_t>(function)) == nullptr ? -1 : 0;
}

static void RunDestructors() {
  for (TableEntry* entry = __DTOR_LIST__ + 1; *entry; ++entry) (*entry)();
}

// GCC calls this first thing in main: the static constructors, last first.
extern "C" ZOV_EXTERNAL void __main() {
  static bool done = false;
  if (done) return;
  done = true;
  size_t count = 0;
  while (__CTOR_LIST__[count + 1]) ++count;
  for (size_t i = count; i >= 1; --i) __CTOR_LIST__[i]();
  atexit(RunDestructors);
}

// msvcrt reports its own run-time errors by the application type: in a
// box for a GUI program, on standard error for a console one.
#ifdef ZOV_CONSOLE
extern "C" [[noreturn]] ZOV_EXTERNAL void mainCRTStartup() {
  const int kConsoleApplication = 1;
  __set_app_type(kConsoleApplication);
#else
extern "C" [[noreturn]] ZOV_EXTERNAL void WinMainCRTStartup() {
  const int kGuiApplication = 2;
  __set_app_type(kGuiApplication);
#endif
  int argc = 0;
  char** argv = nullptr;
  char** env = nullptr;
  StartupInfo info = {0};
  // No wildcard expansion: arguments reach main as typed.
  if (__getmainargs(&argc, &argv, &env, 0, &info) < 0) PlatformOutOfMemory();
#ifdef __clang__
  __main();  // which clang, unlike GCC, does not call from main
#endif
  exit(main(argc, argv));
}
