#include "platform/platform.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#elif defined(__aarch64__) && defined(__linux__)
#include <sys/auxv.h>
#endif

// FNV-1a over the words' bytes, lowest first.
[[maybe_unused]] static uint32_t Mix(const uint32_t* words, int count) {
  uint32_t hash = 2166136261u;
  for (int i = 0; i < count * 4; ++i) {
    hash = (hash ^ ((words[i / 4] >> (i % 4 * 8)) & 0xff)) * 16777619u;
  }
  return hash;
}

uint32_t PlatformProcessorIdentity() {
#if defined(__x86_64__) || defined(__i386__)
  // Gathered first and hashed once: one loop instead of a call per word.
  uint32_t words[11];
  int n = 0;
  unsigned int a, b, c, d, top;
  if (!__get_cpuid(0, &top, &b, &c, &d)) return 0;
  words[n++] = b;  // the vendor
  words[n++] = d;
  words[n++] = c;
  __cpuid(1, a, b, c, d);
  // Signature and features; b holds the core's own APIC number, not hashed.
  words[n++] = a;
  words[n++] = c;
  words[n++] = d;
  if (top >= 7) {
    __cpuid_count(7, 0, a, b, c, d);
    words[n++] = b;
    words[n++] = c;
    words[n++] = d;
  }
  __cpuid(0x80000000, top, b, c, d);
  if (top >= 0x80000001) {
    __cpuid(0x80000001, a, b, c, d);
    words[n++] = c;
    words[n++] = d;
  }
  return Mix(words, n);
#elif defined(__aarch64__) && defined(__linux__)
  const uint32_t words[2] = {static_cast<uint32_t>(getauxval(AT_HWCAP)),
                             static_cast<uint32_t>(getauxval(AT_HWCAP2))};
  return Mix(words, 2);
#else
  // Windows on ARM64 names no features without more imports.
  return 0;
#endif
}
