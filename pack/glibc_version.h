// Which glibc an ELF file needs, read from the symbol versions it asks
// for (GLIBC_2.34 of libc.so.6...), and who has that glibc: a runtime
// built on a newer system than the launcher's oldest does not start there.
#ifndef ZOV_PACK_GLIBC_VERSION_H_
#define ZOV_PACK_GLIBC_VERSION_H_

#include <string>

namespace zovpack {

// The newest GLIBC_x.y version the file's version needs name ("2.34"),
// empty for a file that is no little-endian ELF, names none, or is damaged.
std::string NeededGlibc(const std::string& elf);

// True when version a is older than b, by number (2.2.5 < 2.17 < 2.34);
// an empty version is the oldest.
bool GlibcOlder(const std::string& a, const std::string& b);

// The oldest release of each common distribution whose glibc is at least
// version: "RHEL 9, Debian 12, Ubuntu 22.04, SUSE 15 SP6, Amazon Linux 2023".
std::string OldestDistributionsWith(const std::string& version);

}  // namespace zovpack

#endif  // ZOV_PACK_GLIBC_VERSION_H_
