#include "runtime/runtime_discovery.h"

#include <string>

#include "config/config_store.h"
#include "gtest/gtest.h"
#include "platform/platform.h"
#include "runtime/library_machine.h"
#include "tests/test_support.h"

namespace {

using testing_support::kSep;
using testing_support::MakeDirectory;
using testing_support::ScopedEnv;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

const std::string kLib = kRuntimeLibraryName;
// Two of the layouts a runtime home may have.
#ifdef _WIN32
const std::string kBin = "bin";
const std::string kJreBin = "jre/bin";
#else
const std::string kBin = "lib";
const std::string kJreBin = "jre/lib/amd64";
#endif

std::string Search() { return SearchRuntimeHomes().c_str(); }

// The first subdirectory of directory in the file system's own order.
std::string FirstSubdirectory(const std::string& directory) {
  PlatformDirectory* dir = PlatformOpenDirectory(directory.c_str());
  const char* name;
  bool isDirectory;
  std::string first;
  while (first.empty() && PlatformNextEntry(dir, &name, &isDirectory)) {
    if (isDirectory && std::string(name) != "." && std::string(name) != "..") {
      first = name;
    }
  }
  PlatformCloseDirectory(dir);
  return first;
}

TEST(SearchRuntimeHomes, TriesEachPrefixDirectlyThenOneLevelDown) {
  ScopedTempDir dir;
  std::string home = dir.Join("home");
  MakeDirectory(home);
  ScopedEnv jreHome("JRE_HOME", home);  // gets its separator
  ScopedEnv javaHome("JAVA_HOME");
  WriteFile(dir.Join(kLib), "");  // home/../lib: ".." is not searched
  EXPECT_EQ("", Search());

  MakeDirectory(dir.Join("home/" + kJreBin + "/one"));
  MakeDirectory(dir.Join("home/" + kJreBin + "/two"));
  WriteFile(dir.Join("home/" + kJreBin + "/one/" + kLib), "");
  WriteFile(dir.Join("home/" + kJreBin + "/two/" + kLib), "");
  std::string jreBin = dir.Join("home/" + kJreBin + "/");
  EXPECT_EQ(jreBin + FirstSubdirectory(jreBin) + kSep + kLib, Search());

  MakeDirectory(dir.Join("home/" + kBin));
  WriteFile(dir.Join("home/" + kBin + "/" + kLib), "");
  EXPECT_EQ(dir.Join("home/" + kBin + "/" + kLib), Search());
  WriteFile(dir.Join("home/" + kLib), "");
  EXPECT_EQ(dir.Join("home/" + kLib), Search());
}

TEST(SearchRuntimeHomes, SearchesAllOfJreHomeBeforeJavaHome) {
  ScopedTempDir jre;
  ScopedTempDir java;
  MakeDirectory(jre.Join(kJreBin + "/server"));
  WriteFile(jre.Join(kJreBin + "/server/" + kLib), "");
  WriteFile(java.Join(kLib), "");
  {
    ScopedEnv jreHome("JRE_HOME", jre.path());
    ScopedEnv javaHome("JAVA_HOME", java.path());
    EXPECT_EQ(jre.Join(kJreBin + "/server/" + kLib), Search());
  }
  // An empty JRE_HOME is skipped; a home ending in "/" is kept as it is.
  std::string slashed = java.path().substr(0, java.path().size() - 1) + "/";
  ScopedEnv jreHome("JRE_HOME", "");
  ScopedEnv javaHome("JAVA_HOME", slashed);
  EXPECT_EQ(slashed + kLib, Search());
}

TEST(FindRuntimeLibrary, RunsTheSourcesInTheConfiguredOrder) {
  ScopedTempDir app;
  ScopedTempDir home;
  std::string relative = "custom" + std::string(kSep) + kLib;
  std::string custom = app.path() + relative;
  MakeDirectory(app.Join("custom"));
  WriteFile(custom, "");
  WriteFile(home.Join(kLib), "");
  ScopedEnv jreHome("JRE_HOME");
  ScopedEnv javaHome("JAVA_HOME", home.path());
  ScopedEnv appDir("ZOV_T_APP", app.path());
  auto find = [&](const std::string& config) {
    std::string exe = app.Join("app.exe");
    WriteFile(exe, std::string("PK\x05\x06", 4) + std::string(18, '\0') +
                       config);
    ConfigStore store(exe.c_str(), "");
    return std::string(FindRuntimeLibrary(store).c_str());
  };
  std::string jvmdll = "\r\njvmdll " + relative;
  EXPECT_EQ(custom, find(jvmdll));  // "csie"
  EXPECT_EQ(custom, find("jre_order xyz" + jvmdll));
  EXPECT_EQ(home.Join(kLib), find("jre_order E" + jvmdll));
  EXPECT_EQ(home.Join(kLib), find("jre_order x e" + jvmdll));
  EXPECT_EQ(home.Join(kLib), find("jre_order ce\r\njvmdll missing"));
  EXPECT_EQ("", find("jre_order cc\r\njvmdll missing"));
  EXPECT_EQ(custom, find("jre_order c\r\njvmdll %ZOV_T_APP%" + relative));
  EXPECT_EQ("", find("jre_order c"));
}

// A library header for another processor: found, then passed over. On
// Windows, sameWidth gives one of this width (ARM64 beside x64).
std::string OtherMachineLibrary(bool sameWidth) {
#ifdef _WIN32
  std::string image(0x86, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  image[0x3C] = static_cast<char>(0x80);
  image.replace(0x80, 4, std::string("PE\0\0", 4));
  unsigned machine = sizeof(void*) == 8 ? 0x014C : 0x8664;
  if (sameWidth) machine = kProcessMachine == 0xAA64 ? 0x8664 : 0xAA64;
  image[0x84] = static_cast<char>(machine & 0xFF);
  image[0x85] = static_cast<char>(machine >> 8);
  return image;
#else
  // ELF class and e_machine: 32-bit ARM, or AArch64 / x86-64 beside the other.
  std::string header("\x7F" "ELF\x01\x01", 6);
  header.resize(20, '\0');
  header[18] = 40;
  if (sameWidth) {
    header[4] = 2;
    header[18] = static_cast<char>(kProcessMachine == 0xAA64 ? 62 : 183);
  }
  return header;
#endif
}

TEST(FindRuntimeLibrary, ShippedRuntimeFirstFoldersAsHomesOtherMachinesSkipped) {
  ScopedTempDir app;
  ScopedTempDir home;
  WriteFile(home.Join(kLib), "");
  std::string shipped = app.Join("runtime/" + kBin + "/server/" + kLib);
  MakeDirectory(app.Join("runtime/" + kBin + "/server"));
  WriteFile(shipped, "");
  // Beside the right one, in places searched earlier: of no use here.
  WriteFile(app.Join("runtime/" + kLib), OtherMachineLibrary(false));
  WriteFile(app.Join("runtime/" + kBin + "/" + kLib), OtherMachineLibrary(true));
  ScopedEnv jreHome("JRE_HOME");
  ScopedEnv javaHome("JAVA_HOME", home.path());
  auto find = [&](const std::string& config) {
    std::string exe = app.Join("app.exe");
    WriteFile(exe, std::string("PK\x05\x06", 4) + std::string(18, '\0') +
                       config);
    ConfigStore store(exe.c_str(), "");
    return std::string(FindRuntimeLibrary(store).c_str());
  };
  EXPECT_EQ(shipped, find(""));
  EXPECT_EQ(shipped, find("jre_order qz"));
  EXPECT_EQ(home.Join(kLib), find("jre_order csie"));  // as it always was
  EXPECT_EQ(shipped, find("jre_order c\r\njvmdll runtime"));
  EXPECT_EQ("", find("jre_order c\r\njvmdll runtime" + std::string(kSep) + kLib));
  EXPECT_EQ(home.Join(kLib), find("jre_order ce\r\njvmdll runtime" + std::string(kSep) + kLib));
}

TEST(SearchInstallFolder, TriesTheHighestVersionFirst) {
  ScopedTempDir base;
  for (const char* name : {"jdk-9", "jdk1.8.0_361", "jdk-17.0.9+9", "jdk-17.0.10",
                           "jdk-21-ea", "notes"}) {
    MakeDirectory(base.Join(std::string(name) + "/" + kBin));
  }
  auto library = [&](const char* name) {
    return base.Join(std::string(name) + "/" + kBin + "/" + kLib);
  };
  auto search = [&] {
    return std::string(SearchInstallFolder('f', TextBuffer(base.path().c_str())).c_str());
  };
  EXPECT_EQ("", search());
  for (const char* name : {"jdk-9", "jdk1.8.0_361", "jdk-17.0.9+9"}) {
    WriteFile(library(name), "");
  }
  EXPECT_EQ(library("jdk-17.0.9+9"), search());
  WriteFile(library("jdk-17.0.10"), "");
  EXPECT_EQ(library("jdk-17.0.10"), search());
  // A newer runtime for the other processor, as ARM64 Windows may hold.
  WriteFile(library("jdk-21-ea"), OtherMachineLibrary(true));
  EXPECT_EQ(library("jdk-17.0.10"), search());
  EXPECT_EQ("", std::string(SearchInstallFolder('f', TextBuffer(base.Join("none").c_str())).c_str()));
}

}  // namespace
