#include "glibc_version.h"

#include <string>

#include "byte_order.h"
#include "gtest/gtest.h"

namespace zovpack {
namespace {

// A 64-bit ELF file with section headers [null, version needs, strings]:
// libc.so.6 asks for `versions`, libm.so.6 for GLIBC_2.29 unless cut.
std::string Elf(const std::vector<std::string>& versions, bool with_libm = true) {
  std::string strings = std::string("\0libc.so.6\0libm.so.6\0GLIBC_2.29\0", 32);
  std::vector<uint32_t> names;
  for (const std::string& v : versions) {
    names.push_back(static_cast<uint32_t>(strings.size()));
    strings += v + '\0';
  }
  std::string needs;
  auto need = [&](uint32_t file, const std::vector<uint32_t>& of, bool last) {
    Append16(&needs, 1);
    Append16(&needs, static_cast<uint16_t>(of.size()));
    Append32(&needs, file);
    Append32(&needs, 16);
    Append32(&needs, last ? 0 : 16 + 16 * static_cast<uint32_t>(of.size()));
    for (size_t i = 0; i < of.size(); ++i) {
      Append32(&needs, 0);
      Append32(&needs, 0);
      Append32(&needs, of[i]);
      Append32(&needs, i + 1 < of.size() ? 16 : 0);
    }
  };
  need(1, names, !with_libm);
  if (with_libm) need(11, {21}, true);
  std::string elf = "\x7f" "ELF" + std::string("\x02\x01\x01", 3);
  elf.resize(0x40, '\0');
  const size_t needs_at = elf.size();
  elf += needs;
  const size_t strings_at = elf.size();
  elf += strings;
  const size_t table = elf.size();
  elf += std::string(64, '\0');  // the null section
  for (int i = 0; i < 2; ++i) {
    std::string header(64, '\0');
    Store32(&header, 4, i == 0 ? 0x6ffffffe : 3);
    Store64(&header, 24, i == 0 ? needs_at : strings_at);
    Store64(&header, 32, i == 0 ? needs.size() : strings.size());
    Store32(&header, 40, i == 0 ? 2 : 0);
    elf += header;
  }
  Store64(&elf, 0x28, table);
  Store16(&elf, 0x3A, 64);
  Store16(&elf, 0x3C, 3);
  return elf;
}

TEST(GlibcVersionTest, NewestNeededVersionOfAnyGlibcLibrary) {
  EXPECT_EQ("2.34", NeededGlibc(Elf({"GLIBC_2.2.5", "GLIBC_2.34", "GLIBC_2.17"})));
  EXPECT_EQ("2.29", NeededGlibc(Elf({"GLIBC_2.2.5", "GLIBC_PRIVATE"})));
  EXPECT_EQ("2.17", NeededGlibc(Elf({"GLIBC_2.17", "GLIBCXX_3.4.30"}, false)));
  EXPECT_EQ("", NeededGlibc(Elf({}, false)));
  // Damaged: a table past the end, strings past the end, no ELF at all.
  std::string elf = Elf({"GLIBC_2.34"});
  std::string cut = elf;
  Store64(&cut, 0x28, elf.size());
  EXPECT_EQ("", NeededGlibc(cut));
  EXPECT_EQ("", NeededGlibc(elf.substr(0, elf.size() - 1)));
  std::string far = elf;
  Store64(&far, elf.size() - 64 + 24, 1u << 30);
  EXPECT_EQ("", NeededGlibc(far));
  EXPECT_EQ("", NeededGlibc(std::string(200, 'M')));
}

TEST(GlibcVersionTest, OrdersByNumberAndNamesTheOldestReleases) {
  EXPECT_TRUE(GlibcOlder("2.2.5", "2.17"));
  EXPECT_TRUE(GlibcOlder("2.17", "2.34"));
  EXPECT_FALSE(GlibcOlder("2.34", "2.34"));
  EXPECT_TRUE(GlibcOlder("", "2.2.5"));
  EXPECT_EQ("RHEL 7, Debian 9, Ubuntu 16.04, SUSE 15, Amazon Linux 2",
            OldestDistributionsWith("2.17"));
  EXPECT_EQ("RHEL 9, Debian 12, Ubuntu 22.04, SUSE 15 SP6, Amazon Linux 2023",
            OldestDistributionsWith("2.34"));
  EXPECT_EQ("RHEL 8, Debian 10, Ubuntu 18.04, SUSE 15 SP4, Amazon Linux 2023",
            OldestDistributionsWith("2.27"));
}

}  // namespace
}  // namespace zovpack
