#include "runtime/library_machine.h"

#include <string>

#include "gtest/gtest.h"
#include "platform/platform.h"
#include "tests/test_support.h"

namespace {

using testing_support::ScopedTempDir;
using testing_support::SelfDir;
using testing_support::WriteFile;
using testing_support::kSep;

// The start of a PE image: the DOS header pointing at "PE\0\0" + machine.
std::string PeHeader(unsigned machine, unsigned at = 0x80) {
  std::string image(at + 6, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  image[0x3C] = static_cast<char>(at & 0xFF);
  image[0x3D] = static_cast<char>(at >> 8);
  image.replace(at, 4, std::string("PE\0\0", 4));
  image[at + 4] = static_cast<char>(machine & 0xFF);
  image[at + 5] = static_cast<char>(machine >> 8);
  return image;
}

TEST(LibraryMachine, ReadsPeMachinesAndElfClassesAndNothingElse) {
  ScopedTempDir dir;
  auto machine = [&](const std::string& bytes) {
    std::string path = dir.Join("lib");
    WriteFile(path, bytes);
    return LibraryMachine(path.c_str());
  };
#ifdef _WIN32
  const unsigned pe = 0;
  auto elfAs = [](unsigned, unsigned width) { return width; };
#else
  const unsigned pe = kOtherSystem;  // never this process's machine
  auto elfAs = [](unsigned machine, unsigned) { return machine; };
#endif
  EXPECT_EQ(pe | 0x014C, machine(PeHeader(0x014C)));
  EXPECT_EQ(pe | 0x8664, machine(PeHeader(0x8664)));
  EXPECT_EQ(pe | 0xAA64, machine(PeHeader(0xAA64)));
  EXPECT_EQ(pe | 0x01C4, machine(PeHeader(0x01C4)));  // 32-bit ARM
  EXPECT_EQ(0u, machine(PeHeader(0x8664, 4000)));  // header past what is read
  EXPECT_EQ(0u, machine(PeHeader(0x8664).substr(0, 0x84)));  // cut short
  auto elf = [](char elfClass, char byteOrder, unsigned short type) {
    std::string header = std::string("\x7F" "ELF", 4) + elfClass + byteOrder;
    header.resize(20, '\0');
    header[byteOrder == 2 ? 19 : 18] = static_cast<char>(type & 0xFF);
    header[byteOrder == 2 ? 18 : 19] = static_cast<char>(type >> 8);
    return header;
  };
  EXPECT_EQ(elfAs(0x8664, 64), machine(elf(2, 1, 62)));
  EXPECT_EQ(elfAs(0xAA64, 64), machine(elf(2, 1, 183)));
  EXPECT_EQ(elfAs(0x014C, 32), machine(elf(1, 1, 3)));
  EXPECT_EQ(32u, machine(elf(1, 1, 62)));  // x32: not this x86-64 process
  EXPECT_EQ(32u, machine(elf(1, 1, 40)));  // 32-bit ARM
  EXPECT_EQ(64u, machine(elf(2, 2, 21)));  // big-endian POWER
  EXPECT_EQ(64u, machine(elf(2, 2, 183)));  // big-endian AArch64
  EXPECT_EQ(0u, machine(elf(2, 1, 62).substr(0, 19)));
  EXPECT_EQ(0u, machine(""));
  EXPECT_EQ(0u, LibraryMachine(dir.Join("missing").c_str()));
  // The test runtime was built for this very process.
  std::string own = SelfDir() + "testruntime" + kSep + "jvm" + kSep +
                    kRuntimeLibraryName;
  EXPECT_EQ(kProcessMachine, LibraryMachine(own.c_str()));
  EXPECT_STREQ("ARM64", MachineName(0xAA64));
  EXPECT_STREQ("another processor", MachineName(0x01C4));
#ifndef _WIN32
  EXPECT_STREQ("Windows", MachineName(kOtherSystem | 0x8664));
#endif
}

}  // namespace
