#include "windows_manifest.h"

#include "gtest/gtest.h"
#include "test_util.h"

namespace zovpack {
namespace {

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

TEST(ManifestTest, AsksForUtf8ExactlyOnceWhateverTheManifestHad) {
  const std::string ours =
      test::ReadFileOrDie(ZOV_SOURCE_DIR "/resources/zov.manifest");
  struct Case {
    std::string in;
    std::string after;  // the element ends up just before this
  };
  const Case cases[] = {
      {ours, "</windowsSettings></application></assembly>"},
      // Another tool's prefixes, and a code page of its own replaced.
      {"<asmv1:assembly xmlns:asmv1=\"urn:schemas-microsoft-com:asm.v1\">"
       "<asmv3:application><asmv3:windowsSettings><activeCodePage>Legacy"
       "</activeCodePage><ws:activeCodePage xmlns:ws=\"x\"/>"
       "</asmv3:windowsSettings></asmv3:application></asmv1:assembly>",
       "</asmv3:windowsSettings>"},
      // No windowsSettings: a new application element carries it.
      {"<assembly><trustInfo/></assembly>",
       "</windowsSettings></application></assembly>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    std::string out, error;
    ASSERT_TRUE(SetUtf8CodePage(c.in, &out, &error)) << error;
    EXPECT_EQ("UTF-8", ActiveCodePage(out));
    EXPECT_EQ(1u, Count(out, "activeCodePage xmlns=")) << out;
    EXPECT_EQ(0u, Count(out, "Legacy"));
    EXPECT_EQ(1u, Count(out, "http://schemas.microsoft.com/SMI/2019/"
                             "WindowsSettings\">UTF-8</activeCodePage>" +
                                 c.after))
        << out;
    // Asking twice changes nothing more.
    std::string again;
    ASSERT_TRUE(SetUtf8CodePage(out, &again, &error));
    EXPECT_EQ(out, again);
  }
  std::string out, error;
  EXPECT_FALSE(SetUtf8CodePage("<assembly>", &out, &error));
  EXPECT_EQ("", ActiveCodePage(ours));

  // A stub without a manifest gets one that asks for nothing else.
  std::vector<Resource> resources(1);
  resources[0].type = ResourceName::Id(16);
  resources[0].name = ResourceName::Id(1);
  ASSERT_TRUE(SetUtf8CodePage(&resources, &error)) << error;
  ASSERT_NE(nullptr, FindManifest(resources));
  EXPECT_EQ("UTF-8", ActiveCodePage(FindManifest(resources)->data));
  EXPECT_EQ(2u, resources.size());
}

}  // namespace
}  // namespace zovpack
