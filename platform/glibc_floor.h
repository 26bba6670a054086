// The Linux launcher runs on every glibc since 2.17. A program asks for
// each C library call by name and version, and the linker picks the newest
// version of the glibc it links against: for the few calls whose version
// moved after 2.17, this header binds the oldest one, which later glibc
// versions still export. Include it only where those calls are made (a
// binding emits a reference of its own). tests/glibc_floor_check.py fails
// the build's test when a call is missed.
#ifndef ZOV_PLATFORM_GLIBC_FLOOR_H_
#define ZOV_PLATFORM_GLIBC_FLOOR_H_

#include <sys/stat.h>

// Sanitizers intercept calls by their current names and find the real
// ones by them: their builds keep the plain calls.
#if defined(__SANITIZE_ADDRESS__)
#define ZOV_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZOV_SANITIZED 1
#endif
#endif

#if defined(__GLIBC__) && (defined(__x86_64__) || defined(__aarch64__)) && \
    !defined(ZOV_SANITIZED)
#define ZOV_GLIBC_FLOOR 1
#if defined(__x86_64__)
#define ZOV_GLIBC_BASE "GLIBC_2.2.5"
#define ZOV_STAT_VERSION 1  // _STAT_VER_LINUX, the layout of struct stat
#else
#define ZOV_GLIBC_BASE "GLIBC_2.17"
#define ZOV_STAT_VERSION 0
#endif
// Binds `name` as this file calls it to the version every glibc has.
#define ZOV_OLDEST_GLIBC(name) __asm__(".symver " #name "," #name "@" ZOV_GLIBC_BASE)

// stat, lstat and fstat became functions in 2.33; before, the headers made them
// calls of these, which glibc keeps for the programs built that way.
extern "C" int __xstat(int, const char*, struct stat*);
extern "C" int __lxstat(int, const char*, struct stat*);
extern "C" int __fxstat(int, int, struct stat*);
ZOV_OLDEST_GLIBC(__xstat);
ZOV_OLDEST_GLIBC(__lxstat);
ZOV_OLDEST_GLIBC(__fxstat);
inline int StatPath(const char* name, struct stat* info) {
  return __xstat(ZOV_STAT_VERSION, name, info);
}
inline int StatLink(const char* name, struct stat* info) {
  return __lxstat(ZOV_STAT_VERSION, name, info);
}
inline int StatDescriptor(int fd, struct stat* info) {
  return __fxstat(ZOV_STAT_VERSION, fd, info);
}
#else
#define ZOV_OLDEST_GLIBC(name) static_assert(true, "")
inline int StatPath(const char* name, struct stat* info) {
  return stat(name, info);
}
inline int StatLink(const char* name, struct stat* info) {
  return lstat(name, info);
}
inline int StatDescriptor(int fd, struct stat* info) {
  return fstat(fd, info);
}
#endif

#endif  // ZOV_PLATFORM_GLIBC_FLOOR_H_
