// Linux: the compiler's start-up file calls __libc_start_main, which
// glibc 2.34 gave a new version; linked with --wrap, its call comes here
// and goes on to the version every glibc since 2.17 has. That one expects
// the start-up file of its day to pass a function running the program's
// constructors (today's C library finds them itself and is passed none),
// so this passes one; both versions then run each constructor once.
//
// Linked only into the launcher; see zov_launcher_link_options.
#include "platform/glibc_floor.h"

#ifdef ZOV_GLIBC_FLOOR
namespace {
using MainFunction = int (*)(int, char**, char**);
using InitFunction = void (*)(int, char**, char**);
}  // namespace

extern "C" {
// Bounds of the program's constructor table, set by the linker.
extern InitFunction __init_array_start[] __attribute__((visibility("hidden")));
extern InitFunction __init_array_end[] __attribute__((visibility("hidden")));

int OldestLibcStartMain(MainFunction, int, char**, InitFunction, void (*)(),
                        void (*)(), void*);
__asm__(".symver OldestLibcStartMain,__libc_start_main@" ZOV_GLIBC_BASE);
}

static void RunConstructors(int argc, char** argv, char** env) {
  for (InitFunction* f = __init_array_start; f != __init_array_end; ++f) {
    (*f)(argc, argv, env);
  }
}

extern "C" int __wrap___libc_start_main(MainFunction main, int argc,
                                        char** argv, InitFunction,
                                        void (*fini)(), void (*rtldFini)(),
                                        void* stackEnd) {
  return OldestLibcStartMain(main, argc, argv, RunConstructors, fini, rtldFini,
                             stackEnd);
}
#endif
