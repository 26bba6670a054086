#include "glibc_version.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "byte_order.h"

namespace zovpack {
namespace {

constexpr uint32_t kVersionNeeds = 0x6ffffffe;  // SHT_GNU_verneed

bool Fits(const std::string& s, uint64_t pos, uint64_t size) {
  return pos <= s.size() && size <= s.size() - pos;
}

std::vector<unsigned> Numbers(const std::string& version) {
  std::vector<unsigned> numbers;
  const char* p = version.c_str();
  while (*p != '\0') {
    char* end;
    numbers.push_back(static_cast<unsigned>(std::strtoul(p, &end, 10)));
    if (end == p || (*end != '.' && *end != '\0')) break;
    p = *end == '.' ? end + 1 : end;
  }
  return numbers;
}

std::string CString(const std::string& s, uint64_t pos) {
  if (pos >= s.size()) return "";
  size_t end = s.find('\0', pos);
  return end == std::string::npos ? "" : s.substr(pos, end - pos);
}

}  // namespace

bool GlibcOlder(const std::string& a, const std::string& b) {
  return Numbers(a) < Numbers(b);
}

std::string NeededGlibc(const std::string& elf) {
  if (elf.size() < 0x40 || elf.compare(0, 4, "\x7f" "ELF") != 0 || elf[5] != 1) {
    return "";
  }
  const bool wide = elf[4] == 2;
  const uint64_t table = wide ? Load64(elf, 0x28) : Load32(elf, 0x20);
  const uint16_t entry = Load16(elf, wide ? 0x3A : 0x2E);
  const uint16_t count = Load16(elf, wide ? 0x3C : 0x30);
  if (entry < (wide ? 64 : 40) || !Fits(elf, table, uint64_t{entry} * count)) {
    return "";
  }
  auto section = [&](uint32_t i, uint32_t* type, uint64_t* offset,
                     uint64_t* size, uint32_t* link) {
    uint64_t at = table + uint64_t{entry} * i;
    *type = Load32(elf, at + 4);
    *offset = wide ? Load64(elf, at + 24) : Load32(elf, at + 16);
    *size = wide ? Load64(elf, at + 32) : Load32(elf, at + 20);
    *link = Load32(elf, at + (wide ? 40 : 24));
  };
  std::string newest;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t type, link, ignored;
    uint64_t offset, size, strings, strings_size;
    section(i, &type, &offset, &size, &link);
    if (type != kVersionNeeds || link >= count || !Fits(elf, offset, size)) continue;
    section(link, &ignored, &strings, &strings_size, &ignored);
    if (!Fits(elf, strings, strings_size)) continue;
    const std::string names = elf.substr(strings, strings_size);
    // Each need names a library and its versions; each next is relative
    // and positive, so the walk ends inside the section.
    uint64_t need = offset;
    while (Fits(elf, need, 16) && need + 16 <= offset + size) {
      uint64_t aux = need + Load32(elf, need + 8);
      for (uint16_t n = Load16(elf, need + 2); n > 0 && Fits(elf, aux, 16) &&
                                               aux + 16 <= offset + size; --n) {
        std::string name = CString(names, Load32(elf, aux + 8));
        if (name.compare(0, 6, "GLIBC_") == 0 && name.size() > 6 &&
            name[6] >= '0' && name[6] <= '9' && GlibcOlder(newest, name.substr(6))) {
          newest = name.substr(6);
        }
        uint32_t next = Load32(elf, aux + 12);
        if (next == 0) break;
        aux += next;
      }
      uint32_t next = Load32(elf, need + 12);
      if (next == 0) break;
      need += next;
    }
  }
  return newest;
}

std::string OldestDistributionsWith(const std::string& version) {
  struct Release {
    const char* name;
    const char* glibc;
  };
  // Oldest first within each distribution.
  static const std::vector<std::vector<Release>> kDistributions = {
      {{"RHEL 7", "2.17"}, {"RHEL 8", "2.28"}, {"RHEL 9", "2.34"}, {"RHEL 10", "2.39"}},
      {{"Debian 9", "2.24"}, {"Debian 10", "2.28"}, {"Debian 11", "2.31"},
       {"Debian 12", "2.36"}, {"Debian 13", "2.41"}},
      {{"Ubuntu 16.04", "2.23"}, {"Ubuntu 18.04", "2.27"}, {"Ubuntu 20.04", "2.31"},
       {"Ubuntu 22.04", "2.35"}, {"Ubuntu 24.04", "2.39"}},
      {{"SUSE 15", "2.26"}, {"SUSE 15 SP4", "2.31"}, {"SUSE 15 SP6", "2.38"}},
      {{"Amazon Linux 2", "2.26"}, {"Amazon Linux 2023", "2.34"}},
  };
  std::string out;
  for (const std::vector<Release>& releases : kDistributions) {
    for (const Release& r : releases) {
      if (!GlibcOlder(r.glibc, version)) {
        out += (out.empty() ? "" : ", ") + std::string(r.name);
        break;
      }
    }
  }
  return out.empty() ? "no distribution known here" : out;
}

}  // namespace zovpack
