#include "config/config_store.h"

#include <string>

#include "gtest/gtest.h"
#include "platform/platform.h"
#include "tests/test_support.h"

namespace {

using testing_support::kSep;
using testing_support::MakeDirectory;
using testing_support::ScopedEnv;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

#ifdef _WIN32
const char kExe[] = "tool.exe";
#else
const char kExe[] = "tool";
#endif

std::string Text(const TextBuffer& text) {
  return std::string(text.data(), static_cast<size_t>(text.length()));
}

// A launcher image followed by an archive end whose comment is `comment`.
void WriteExecutable(const std::string& path, const std::string& comment) {
  WriteFile(path, std::string(100, 'M') + std::string("PK\x05\x06", 4) +
                      std::string(18, '\0') + comment);
}

TEST(ConfigStore, ReadsOneSideFileThenTheEmbeddedComment) {
  ScopedTempDir dir;
  std::string exe = dir.Join(kExe);
  WriteExecutable(exe, "mainclass Main");
  // The text, then "|" and embeddedStart.
  auto read = [&] {
    ConfigStore store(exe.c_str(), dir.path().c_str());
    EXPECT_EQ(exe, Text(store.exePath));
    return Text(store) + "|" + std::to_string(store.embeddedStart);
  };
  EXPECT_EQ("mainclass Main|0", read());
  WriteFile(dir.Join("tool.config"), "option -Xmx1m");
  EXPECT_EQ("option -Xmx1m\r\nmainclass Main|15", read());
  WriteFile(dir.Join("tool.cfg"), "minjre 1.4");  // .cfg wins
  EXPECT_EQ("minjre 1.4\r\nmainclass Main|12", read());
  WriteFile(dir.Join("tool.cfg"), "a\r\n");  // still gets its own CR LF
  EXPECT_EQ("a\r\n\r\nmainclass Main|5", read());
  WriteFile(dir.Join("tool.cfg"), "");  // stops the search, adds nothing
  EXPECT_EQ("mainclass Main|0", read());
}

TEST(ConfigStore, PassesOverASideFileThatDoesNotOpen) {
  ScopedTempDir dir;
  std::string exe = dir.Join(kExe);
  WriteExecutable(exe, "");
  MakeDirectory(dir.Join("tool.cfg"));  // exists, but is no file
  WriteFile(dir.Join("tool.config"), "jre_order e");
  ConfigStore store(exe.c_str(), dir.path().c_str());
  EXPECT_EQ("jre_order e\r\n", Text(store));
}

TEST(ConfigStore, FillsTheDirectoriesEndingInTheSeparator) {
  ScopedTempDir dir;
  std::string exe = dir.Join(kExe);
  std::string work = dir.path().substr(0, dir.path().size() - 1);
  {
    ConfigStore store(exe.c_str(), work.c_str());
    EXPECT_EQ(dir.path(), Text(ExeDir));
    EXPECT_EQ(dir.path(), Text(WorkDir));  // the separator added
    EXPECT_EQ(dir.path(), Text(store.ExecutableDir()));
    EXPECT_EQ(exe, Text(store.ExecutablePath()));
  }
  {
    ConfigStore store(exe.c_str(), dir.path().c_str());
    EXPECT_EQ(dir.path(), Text(WorkDir));  // not doubled
  }
  {
    // Failed queries leave empty directories, never a bare root.
    ConfigStore store("", "");
    EXPECT_EQ("", Text(ExeDir));
    EXPECT_EQ("", Text(WorkDir));
    EXPECT_EQ("", Text(store));
    ConfigStore bare(kExe, "");
    EXPECT_EQ("", Text(ExeDir));
  }
  {
    // ZOV_APP_DIR: the same directory without its separator, but a root
    // keeps it.
    ScopedEnv appDir("ZOV_APP_DIR");
    ConfigStore store(exe.c_str(), work.c_str());
    TextBuffer value;
    ASSERT_TRUE(PlatformGetEnvironment("ZOV_APP_DIR", &value));
    EXPECT_EQ(work, Text(value));
#ifdef _WIN32
    ConfigStore root("C:\\tool.exe", "");
    const char kRoot[] = "C:\\";
#else
    ConfigStore root("/tool", "");
    const char kRoot[] = "/";
#endif
    ASSERT_TRUE(PlatformGetEnvironment("ZOV_APP_DIR", &value));
    EXPECT_EQ(kRoot, Text(value));
  }
  {
    ConfigStore store;  // the real process
    EXPECT_EQ(testing_support::SelfPath(), Text(store.exePath));
    EXPECT_EQ(testing_support::SelfDir(), Text(ExeDir));
    char cwd[kMaxPath];
    ASSERT_GT(PlatformCurrentDirectory(cwd, kMaxPath), 0);
    EXPECT_EQ(0u, Text(WorkDir).find(cwd));
    EXPECT_EQ(kSep[0], Text(WorkDir).back());
  }
}

#ifndef _WIN32
TEST(ConfigStore, NamesTheSideFileAfterAnExecutableWithoutExtension) {
  ScopedTempDir dir;
  WriteFile(dir.Join("plain.cfg"), "x 1");
  WriteFile(dir.Join("my.cfg"), "x 2");
  WriteFile(dir.Join(".hidden.cfg"), "x 3");
  EXPECT_EQ("x 1\r\n", Text(ConfigStore(dir.Join("plain").c_str(), "/")));
  EXPECT_EQ("x 2\r\n", Text(ConfigStore(dir.Join("my.app").c_str(), "/")));
  EXPECT_EQ("x 3\r\n", Text(ConfigStore(dir.Join(".hidden").c_str(), "/")));

  // ".config" would not fit the 260-byte name buffer: not tried.
  std::string stem = dir.path();
  stem += std::string(253 - stem.size(), 'n');
  WriteFile(stem + ".config", "x 4");
  EXPECT_EQ("", Text(ConfigStore(stem.c_str(), "/")));
  WriteFile(stem + ".cfg", "x 5");
  EXPECT_EQ("x 5\r\n", Text(ConfigStore(stem.c_str(), "/")));
}
#endif

}  // namespace
