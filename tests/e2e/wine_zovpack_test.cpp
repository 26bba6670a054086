// zovpack.exe under Wine, from the folder it ships in (zovpack.exe with
// every stub beside it): it packs each target with no --stub, and the win64
// file it writes runs main through the launcher.

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"
#include "zov_version.h"

namespace e2e {
namespace {

class WineZovpack : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { e2e::StartWineSession(); }
};

TEST_F(WineZovpack, PacksEveryTargetFromItsFolderAndTheWin64FileRuns) {
  ScopedTempDir dir;
  // A copy of the shipped folder, so nothing but its own layout helps.
  std::string folder = dir.Join("zov/");
  ASSERT_EQ(0, RunProcess({"/bin/cp", "-r", ZOV_WINDOWS_FOLDER, folder}).status);
  std::string zovpack = folder + "zovpack.exe";
  ProcessOptions options;
  options.unsetEnv = {"ZOV_STUB_DIR"};
  options.workingDirectory = dir.path();
  options.timeoutSeconds = 120;

  ProcessResult version = RunProcess({e2e::kWine, zovpack, "--version"}, options);
  EXPECT_EQ("zovpack " ZOV_VERSION_TEXT, version.out.substr(0, version.out.find_first_of("\r\n")));

  for (std::string target : {"win64", "win32", "linux"}) {
    SCOPED_TRACE(target);
    std::string out = dir.Join("app-" + target + ".exe");
    ProcessResult packed = RunProcess(
        {e2e::kWine, zovpack, WindowsPath(ZOV_E2E_JAR), "-o", WindowsPath(out),
         "--target", target, "--main-class", "e2e.Main", "--line",
         "jvmdll " + WindowsPath(e2e::WindowsTestRuntime("jvm/jvm.dll"))},
        options);
    ASSERT_EQ(0, packed.status) << packed.out << packed.err;
    EXPECT_GE(1, RunProcess({"/usr/bin/unzip", "-tqq", out}).status);  // 1: the stub
    std::string stub = ReadFile(folder + (target == "win64"   ? "zov64.exe"
                                          : target == "win32" ? "zov32.exe"
                                                              : "zov"));
    ASSERT_FALSE(stub.empty());
    std::string shown = RunProcess({ZOVPACK, "--show", out}).out;
    EXPECT_TRUE(e2e::ShowsStub(shown, stub.size())) << shown;
  }

  e2e::WineRun run = e2e::RunWine(dir.Join("app-win64.exe"), {"packed on Windows"},
                                  dir.Join("runtime.log"), options);
  EXPECT_EQ(0, run.process.status);
  EXPECT_TRUE(run.boxes.empty());
  EXPECT_EQ((std::vector<std::string>{"[0]=packed on Windows"}),
            e2e::LinesStartingWith(run.log, "main.arg"));
  EXPECT_NE(std::string::npos, run.log.find("CallStaticVoidMethodV")) << run.log;
}

}  // namespace
}  // namespace e2e
