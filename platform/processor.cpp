#include "platform/platform.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#elif defined(__aarch64__) && defined(__linux__)
#include <sys/auxv.h>
#endif

[[maybe_unused]] static uint32_t Mix(uint32_t hash, uint32_t value) {
  for (int i = 0; i < 4; ++i, value >>= 8) hash = (hash ^ (value & 0xff)) * 16777619u;
  return hash;
}

uint32_t PlatformProcessorIdentity() {
  uint32_t hash = 2166136261u;
#if defined(__x86_64__) || defined(__i386__)
  unsigned int a, b, c, d, top;
  if (!__get_cpuid(0, &top, &b, &c, &d)) return 0;
  hash = Mix(Mix(Mix(hash, b), d), c);  // the vendor
  __cpuid(1, a, b, c, d);
  // Signature and features; b holds the core's own APIC number, not hashed.
  hash = Mix(Mix(Mix(hash, a), c), d);
  if (top >= 7) {
    __cpuid_count(7, 0, a, b, c, d);
    hash = Mix(Mix(Mix(hash, b), c), d);
  }
  __cpuid(0x80000000, top, b, c, d);
  if (top >= 0x80000001) {
    __cpuid(0x80000001, a, b, c, d);
    hash = Mix(Mix(hash, c), d);
  }
#elif defined(__aarch64__) && defined(__linux__)
  hash = Mix(Mix(hash, static_cast<uint32_t>(getauxval(AT_HWCAP))),
             static_cast<uint32_t>(getauxval(AT_HWCAP2)));
#else
  // Windows on ARM64 names no features without more imports.
  return 0;
#endif
  return hash;
}
