#include "version_info.h"

#include <gtest/gtest.h>

namespace zovpack {
namespace {

std::string Numbers(const std::string& text) {
  uint16_t v[4];
  std::string error;
  if (!VersionNumbers(text, v, &error)) return "error: " + error;
  return VersionText(v);
}

TEST(VersionInfoTest, TakesTheFirstFourNumbersOfAnyVersionAndRefusesWhatWindowsCannotHold) {
  EXPECT_EQ("2.5.1.0", Numbers("2.5.1-beta"));
  EXPECT_EQ("302.8.0.0", Numbers("302.08"));
  EXPECT_EQ("1.2.0.0", Numbers("1.2"));
  EXPECT_EQ("1.2.3.4", Numbers("1.2.3.4.99999"));  // past the fourth: text only
  EXPECT_EQ("3.0.7.0", Numbers("v3.0-rc.7"));
  EXPECT_EQ("0.0.0.0", Numbers("SNAPSHOT"));
  EXPECT_EQ("65535.0.0.0", Numbers("65535"));
  EXPECT_EQ("error: version 2026.100000: 100000 is above 65535, the largest "
            "number a Windows version holds",
            Numbers("2026.100000"));
  EXPECT_NE(std::string::npos, Numbers("1.99999999999999999999").find("99999999999999999999"));
}

std::string Strings(const VersionRecord& r) {
  std::string out;
  for (const auto& kv : r.strings) out += kv.first + "=" + kv.second + ";";
  return out;
}

TEST(VersionInfoTest, TheRecordReadsBackWithItsNonAsciiTextAndRefusesBrokenUtf8) {
  VersionRecord r;
  std::string error;
  IdentityOptions given{"Zoë 計算器 \xf0\x9f\x9a\x80", "", "1.2.3.4", "Ωmega", ""};
  ASSERT_TRUE(ComposeVersionRecord(given, JarManifest(), "calc.exe", &r, &error));
  std::string data;
  ASSERT_TRUE(BuildVersionResource(r, &data, &error)) << error;
  EXPECT_EQ(data.size(), static_cast<unsigned char>(data[0]) +
                             256u * static_cast<unsigned char>(data[1]));
  // The language-neutral Unicode table, as Windows looks it up.
  std::u16string key = u"000004b0";
  EXPECT_NE(std::string::npos,
            data.find(std::string(reinterpret_cast<const char*>(key.data()), 16)));
  VersionRecord back;
  ASSERT_TRUE(ReadVersionResource(data, &back));
  EXPECT_EQ(Strings(r), Strings(back));
  EXPECT_EQ("1.2.3.4", VersionText(back.file_version));
  EXPECT_EQ("1.2.3.4", VersionText(back.product_version));
  for (size_t cut : {size_t{0}, size_t{7}, size_t{60}}) {
    EXPECT_FALSE(ReadVersionResource(data.substr(0, cut), &back)) << cut;
  }

  for (const char* bad : {"\xff", "a\xc3", "\xed\xa0\x80", "\xc0\xaf"}) {
    given.name = bad;
    ASSERT_TRUE(ComposeVersionRecord(given, JarManifest(), "calc.exe", &r, &error));
    EXPECT_FALSE(BuildVersionResource(r, &data, &error)) << bad;
    EXPECT_EQ("the FileDescription of the version record is not UTF-8", error);
  }
}

}  // namespace
}  // namespace zovpack
