// The launcher links no C++ standard library; virtual destructors and the
// few heap objects still need these. They sit on the C runtime heap like
// every buffer, and running out of memory ends the process at once.
#include <stddef.h>
#include <stdlib.h>

#include "text/text.h"

void* operator new(size_t size) { return HeapResize(nullptr, size ? size : 1); }
void* operator new[](size_t size) { return HeapResize(nullptr, size ? size : 1); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }

// Never called: the launcher declares no pure virtual function.
extern "C" void __cxa_pure_virtual() { abort(); }
