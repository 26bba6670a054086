#include "show.h"

#include <gtest/gtest.h>

#include "packer.h"
#include "test_util.h"

namespace zovpack {
namespace {

TEST(ShowTest, DescribesPackedFile) {
  if (!test::HaveTool("zip")) GTEST_SKIP() << "zip is needed";
  test::ScratchDir dir;
  test::WriteFileOrDie(dir.Join("a.txt"), "a");
  test::WriteFileOrDie(dir.Join("b.txt"), "b");
  ASSERT_EQ(0, test::Run("cd '" + dir.path() + "' && zip -q app.zip a.txt b.txt"));
  PackInputs in;
  in.stub = test::ReadFileOrDie("/proc/self/exe");
  in.archive = test::ReadFileOrDie(dir.Join("app.zip"));
  in.main_class = "x.Main";
  in.lines = {"options -Xmx1g", "# note"};
  std::string out, report, error;
  std::vector<std::string> warnings;
  ASSERT_TRUE(BuildPackedFile(in, &out, &warnings, &error)) << error;
  ASSERT_TRUE(DescribePackedFile(out, &report, &error)) << error;
  for (const std::string& expected : std::vector<std::string>{
           "target:      ELF", "stub size:   " + std::to_string(in.stub.size()) + " bytes",
        "configuration: 3 lines", "options -Xmx1g    -> option = \"s -Xmx1g\"",
        "# note    (not read)", "main class:  x.Main", "entries:     2"}) {
    EXPECT_NE(std::string::npos, report.find(expected)) << expected << "\n" << report;
  }

  std::string stub = test::TestStub("stub32.exe");
  if (!stub.empty()) {
    in.stub = test::ReadFileOrDie(stub);
    in.splash_bmp = test::MakeBmp(20, 10, 8);
    ASSERT_TRUE(BuildPackedFile(in, &out, &warnings, &error)) << error;
    ASSERT_TRUE(DescribePackedFile(out, &report, &error)) << error;
    EXPECT_NE(std::string::npos, report.find("PE32 (win32)")) << report;
    EXPECT_NE(std::string::npos, report.find("bitmap 100, 20 x 10, 8-bit")) << report;
    EXPECT_NE(std::string::npos, report.find("icon:        1 image")) << report;
  }
  EXPECT_FALSE(DescribePackedFile(in.stub, &report, &error));
}

}  // namespace
}  // namespace zovpack
