// The Windows launchers must be GUI (or, zovc*.exe, console) executables for
// the right processor that import nothing but system DLLs and msvcrt.dll,
// carry their manifest and only the sections a linker makes of the
// launcher's own code: zov32.exe and the ARM64 ones never run here by
// default, so their headers are the check we have.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace {

struct PeFacts {
  uint16_t machine = 0;
  uint16_t subsystem = 0;
  uint16_t subsystemMajor = 0;
  std::vector<std::string> imports;
  std::vector<std::string> sections;
  bool writableCode = false;
  bool asInvoker = false;  // the manifest is there
};

uint32_t Read32(const std::string& b, size_t at) {
  uint32_t v = 0;
  if (at + 4 <= b.size()) std::memcpy(&v, b.data() + at, 4);
  return v;
}

uint16_t Read16(const std::string& b, size_t at) {
  uint16_t v = 0;
  if (at + 2 <= b.size()) std::memcpy(&v, b.data() + at, 2);
  return v;
}

PeFacts Inspect(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  std::string b = all.str();
  PeFacts facts;
  facts.asInvoker =
      b.find("<requestedExecutionLevel level=\"asInvoker\"/>") != std::string::npos;
  if (b.size() < 0x40 || b.compare(0, 2, "MZ") != 0) return facts;
  size_t pe = Read32(b, 0x3C);
  if (b.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return facts;
  facts.machine = Read16(b, pe + 4);
  uint16_t sections = Read16(b, pe + 6);
  uint16_t optSize = Read16(b, pe + 20);
  size_t opt = pe + 24;
  bool plus = Read16(b, opt) == 0x20B;
  facts.subsystem = Read16(b, opt + 68);
  facts.subsystemMajor = Read16(b, opt + 48);
  size_t dirs = opt + (plus ? 112 : 96);
  uint32_t importRva = Read32(b, dirs + 8);
  size_t table = opt + optSize;
  for (uint16_t i = 0; i < sections; ++i) {
    size_t s = table + i * 40u;
    facts.sections.push_back(b.substr(s, 8).c_str());
    const uint32_t kExecute = 0x20000000, kWrite = 0x80000000;
    uint32_t flags = Read32(b, s + 36);
    if ((flags & kExecute) && (flags & kWrite)) facts.writableCode = true;
  }
  auto toOffset = [&](uint32_t rva) -> size_t {
    for (uint16_t i = 0; i < sections; ++i) {
      size_t s = table + i * 40u;
      uint32_t va = Read32(b, s + 12), size = Read32(b, s + 8);
      uint32_t raw = Read32(b, s + 20);
      if (rva >= va && rva < va + std::max(size, Read32(b, s + 16))) {
        return rva - va + raw;
      }
    }
    return 0;
  };
  for (size_t d = toOffset(importRva); d && Read32(b, d + 12); d += 20) {
    size_t name = toOffset(Read32(b, d + 12));
    facts.imports.push_back(b.c_str() + name);
  }
  return facts;
}

void ExpectLauncher(const std::string& path, uint16_t machine,
                    uint16_t subsystem = 2) {  // Windows GUI: no console opens
  SCOPED_TRACE(path);
  PeFacts facts = Inspect(path);
  EXPECT_EQ(machine, facts.machine);
  EXPECT_EQ(subsystem, facts.subsystem);
  EXPECT_EQ(6, facts.subsystemMajor);  // Vista, whose calls it makes
  EXPECT_TRUE(facts.asInvoker);
  EXPECT_FALSE(facts.writableCode);
  // Not MinGW's start-up sections (.CRT, .tls), nor debug information.
  static const std::set<std::string> kSections = {
      ".text", ".rdata", ".data", ".bss", ".idata", ".pdata", ".xdata",
      ".rsrc", ".reloc"};
  for (const std::string& name : facts.sections) {
    EXPECT_TRUE(kSections.count(name)) << "section " << name;
  }
  static const std::set<std::string> kAllowed = {
      "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll",
      "msvcrt.dll"};
  ASSERT_FALSE(facts.imports.empty());
  for (std::string dll : facts.imports) {
    std::transform(dll.begin(), dll.end(), dll.begin(), ::tolower);
    EXPECT_TRUE(kAllowed.count(dll)) << "imports " << dll;
  }
}

TEST(WindowsLaunchers, AreGuiExecutablesImportingOnlySystemDlls) {
  ExpectLauncher(ZOV_WIN32_EXE, 0x14C);
  ExpectLauncher(ZOV_WIN64_EXE, 0x8664);
  const uint16_t kConsole = 3;
  ExpectLauncher(ZOV_WIN32_CONSOLE_EXE, 0x14C, kConsole);
  ExpectLauncher(ZOV_WIN64_CONSOLE_EXE, 0x8664, kConsole);
#ifdef ZOV_WINARM64_EXE
  ExpectLauncher(ZOV_WINARM64_EXE, 0xAA64);
  ExpectLauncher(ZOV_WINARM64_CONSOLE_EXE, 0xAA64, kConsole);
#else
  std::printf("ARM64 launchers not checked: no ZOV_WINARM64_DIR\n");
#endif
}

}  // namespace
