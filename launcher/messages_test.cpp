#include "launcher/messages.h"

#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "runtime/launch_error.h"
#include "platform/platform.h"
#include "tests/test_support.h"
#include "zov_version.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using testing_support::ScopedEnv;

struct Language {
  int id;
  const char* locale;  // how Linux names it
  const char16_t* texts[14];
};

// The table as the launcher must show it, typed independently of the one
// source in resources/ so that a slip there (or in its translation to the
// string tables) shows up here.
const Language kLanguages[] = {
    {1033, "en_US.UTF-8",
     {u"", u"Java Runtime Environment not found.",
      u"Java Runtime Environment not valid.",
      u"Java Virtual Machine initialize failed.",
      u"Java Virtual Machine starts failed.",
      u"Can not get the virtual machine version.",
      u"Java virtual machine version %d.%d is too low, require %d.%d or "
      u"higher.",
      u"The main startup class could not be found.",
      u"The main startup class is not valid, main method missing.",
      u"The Java runtime inside this program could not be unpacked.",
      u"Error",
      u"Java virtual machine version %d.%d is too high, require %d.%d or "
      u"lower.", u"Working folder not found:", u"Already running."}},
    {1028, "zh_TW.UTF-8",
     {u"", u"Java 運行環境未找到。", u"Java 運行環境無效。",
      u"Java 虛擬機初始化失敗。", u"Java 虛擬機創建失敗。",
      u"未能獲取 Java 虛擬機版本。",
      u"Java 虛擬機版本 %d.%d 太低，需要 %d.%d 或更高版本。",
      u"主啟動類未找到。", u"主啟動類無效，缺少 main 方法。",
      u"無法解開此程式內附的 Java 運行環境。", u"錯誤",
      u"Java 虛擬機版本 %d.%d 太高，需要 %d.%d 或更低版本。", u"工作資料夾不存在：",
      u"程式已在執行。"}},
    {2052, "zh_CN.UTF-8",
     {u"", u"Java 运行环境未找到。", u"Java 运行环境无效。",
      u"Java 虚拟机初始化失败。", u"Java 虚拟机创建失败。",
      u"未能获取 Java 虚拟机版本。",
      u"Java 虚拟机版本 %d.%d 太低，需要 %d.%d 或更高版本。",
      u"主启动类未找到。", u"主启动类无效，缺少 main 方法。",
      u"无法解开此程序内附的 Java 运行环境。", u"错误",
      u"Java 虚拟机版本 %d.%d 太高，需要 %d.%d 或更低版本。", u"工作文件夹不存在：",
      u"程序已在运行。"}},
};

// Block 1 in the standard layout: 16 counted entries, 12 to 15 empty.
std::vector<uint16_t> ExpectedBlock(const Language& language) {
  std::vector<uint16_t> units;
  for (int entry = 0; entry < 16; ++entry) {
    std::u16string text = entry < 14 ? language.texts[entry] : u"";
    units.push_back(static_cast<uint16_t>(text.size()));
    units.insert(units.end(), text.begin(), text.end());
  }
  return units;
}

std::string Load(unsigned id, bool* found = nullptr) {
  TextBuffer out("left over");
  bool result = LoadMessageText(&out, id);
  if (found) *found = result;
  return std::string(out.data(), static_cast<size_t>(out.length()));
}

TEST(MessageTable, BlockOneHoldsEveryTextInEachLanguage) {
  for (const Language& language : kLanguages) {
    SCOPED_TRACE(language.id);
    const uint16_t* data = nullptr;
    int size = 0;
#ifdef _WIN32
    // The resource compiler must keep the Chinese texts intact.
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceExA(self, MAKEINTRESOURCEA(6),
                                  MAKEINTRESOURCEA(1),
                                  static_cast<WORD>(language.id));
    ASSERT_NE(nullptr, found);
    data = static_cast<const uint16_t*>(LockResource(LoadResource(self, found)));
    size = static_cast<int>(SizeofResource(self, found));
#else
    // The compiled-in table, chosen by the locale as the launcher does.
    ScopedEnv all("LC_ALL", language.locale);
    ASSERT_TRUE(PlatformStringBlock(1, &data, &size));
#endif
    std::vector<uint16_t> expected = ExpectedBlock(language);
    ASSERT_EQ(expected.size() * 2, static_cast<size_t>(size));
    EXPECT_EQ(expected, std::vector<uint16_t>(data, data + size / 2));
  }
  const uint16_t* data;
  int size;
  EXPECT_FALSE(PlatformStringBlock(2, &data, &size));
}

bool UserLanguageIsEnglish() {
#ifdef _WIN32
  return GetUserDefaultUILanguage() == 1033;
#else
  return true;
#endif
}

TEST(LoadMessageText, FindsEntriesByIdInBlockOne) {
  ScopedEnv all("LC_ALL", "C");
  if (!UserLanguageIsEnglish()) GTEST_SKIP() << "needs an English user";
  bool found = false;
  EXPECT_EQ("Error", Load(kCaptionMessageId, &found));
  EXPECT_TRUE(found);
  EXPECT_EQ("", Load(0, &found));
  EXPECT_TRUE(found);
  // Block 2 does not exist: empty, and the old content is gone too.
  EXPECT_EQ("", Load(16, &found));
  EXPECT_FALSE(found);
}

TEST(ReadStringEntry, StopsAtTheEndOfAShortBlock) {
  const uint16_t units[] = {0, 2, 'h', 'i', 0, 5, 'a', 'b'};
  WideTextView block(units, 8);
  TextBuffer out("x");
  ReadStringEntry(block, 1, &out);
  EXPECT_STREQ("hi", out.c_str());
  ReadStringEntry(block, 3, &out);  // claims 5 units, has 2
  EXPECT_EQ(2, out.length());
  EXPECT_STREQ("ab", out.c_str());
  for (unsigned past : {4u, 15u}) {
    out.Assign("x");
    ReadStringEntry(block, past, &out);
    EXPECT_EQ(0, out.length());
  }
  ReadStringEntry(WideTextView(nullptr, 0), 0, &out);
  EXPECT_EQ(0, out.length());
}

TEST(ComposeLaunchMessage, FormatsOnlyTheVersionMessages) {
  ScopedEnv all("LC_ALL", "C");
  if (!UserLanguageIsEnglish()) GTEST_SKIP() << "needs an English user";
  TextBuffer low = ComposeLaunchMessage(VersionTooLow, 1, 4, 1, 5);
  EXPECT_STREQ(
      "Java virtual machine version 1.4 is too low, require 1.5 or higher.",
      low.c_str());
  TextBuffer high = ComposeLaunchMessage(VersionTooHigh, 25, 0, 21, 0);
  EXPECT_STREQ(
      "Java virtual machine version 25.0 is too high, require 21.0 or lower.",
      high.c_str());
  TextBuffer other = ComposeLaunchMessage(RuntimeNotFound, 1, 4, 1, 5);
  EXPECT_STREQ("Java Runtime Environment not found.", other.c_str());
#ifndef _WIN32
  ScopedEnv chinese("LC_ALL", "zh_CN.UTF-8");
  TextBuffer zh = ComposeLaunchMessage(VersionTooLow, 1, 4, 1, 5);
  EXPECT_STREQ("Java 虚拟机版本 1.4 太低，需要 1.5 或更高版本。", zh.c_str());
  zh = ComposeLaunchMessage(VersionTooHigh, 25, 0, 17, 0);
  EXPECT_STREQ("Java 虚拟机版本 25.0 太高，需要 17.0 或更低版本。", zh.c_str());
#endif
}

#ifndef _WIN32
TEST(ShowLaunchMessage, WritesOneLineToStandardErrorOnLinux) {
  ScopedEnv all("LC_ALL", "zh_TW.UTF-8");
  testing::internal::CaptureStderr();
  ShowLaunchMessage(ComposeLaunchMessage(MainMethodMissing, 0, 0, 0, 0));
  EXPECT_EQ("錯誤: 主啟動類無效，缺少 main 方法。\n",
            testing::internal::GetCapturedStderr());
}
#endif

#ifdef _WIN32
// The launcher links the same .rc: its icon (16 and 32 pixels) and its
// version record load.
TEST(LauncherResources, CarryAnIconAndAVersionRecord) {
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC group = FindResourceA(self, MAKEINTRESOURCEA(1),
                              MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
  ASSERT_NE(nullptr, group);
  const unsigned char* directory = static_cast<const unsigned char*>(
      LockResource(LoadResource(self, group)));
  std::vector<int> widths;
  for (int i = 0; i < directory[4]; ++i) widths.push_back(directory[6 + 14 * i]);
  EXPECT_EQ((std::vector<int>{16, 32}), widths);
  for (int size : {16, 32}) {
    HANDLE icon =
        LoadImageA(self, MAKEINTRESOURCEA(1), IMAGE_ICON, size, size, 0);
    EXPECT_NE(nullptr, icon) << size;
    if (icon) DestroyIcon(static_cast<HICON>(icon));
  }
  HRSRC version = FindResourceA(self, MAKEINTRESOURCEA(1),
                                MAKEINTRESOURCEA(16));  // RT_VERSION
  ASSERT_NE(nullptr, version);
  const char* record =
      static_cast<const char*>(LockResource(LoadResource(self, version)));
  // VS_VERSIONINFO: length, value length, type, the key, then (aligned)
  // VS_FIXEDFILEINFO with its signature.
  std::u16string key(reinterpret_cast<const char16_t*>(record + 6), 15);
  EXPECT_EQ(u"VS_VERSION_INFO", key);
  uint32_t signature;
  memcpy(&signature, record + 40, 4);
  EXPECT_EQ(0xFEEF04BDu, signature);
  // The file version is the project's, as zovpack --version reports it.
  uint32_t high, low;
  memcpy(&high, record + 48, 4);
  memcpy(&low, record + 52, 4);
  EXPECT_EQ(uint32_t(ZOV_VERSION_MAJOR << 16 | ZOV_VERSION_MINOR), high);
  EXPECT_EQ(uint32_t(ZOV_VERSION_PATCH << 16), low);
}
#endif

}  // namespace
