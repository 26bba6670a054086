// Class-data sharing on Windows, under Wine with the recording test
// runtime: which options the runtime's release file selects, and the cache
// folder below LOCALAPPDATA (Wine sets it to the prefix's user profile,
// whatever the Unix environment says).

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

class WineClassDataSharing : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { e2e::StartWineSession(); }

  // The options the runtime got, backslashes as written.
  std::vector<std::string> RunWithRelease(const std::string& version) {
    WriteFile(home_ + "release",
              "IMPLEMENTOR=\"Test\"\r\nJAVA_VERSION=\"" + version + "\"\r\n");
    std::filesystem::remove(dir_.Join("runtime.log"));
    e2e::ProcessOptions options;
    options.timeoutSeconds = 120;
    e2e::WineRun run = e2e::RunWine(exe_, {}, dir_.Join("runtime.log"), options);
    EXPECT_FALSE(run.process.timedOut);
    EXPECT_EQ(0, run.process.status);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(std::string::npos, run.log.find("UNEXPECTED")) << run.log;
    EXPECT_NE(std::string::npos, run.log.find("CallStaticVoidMethodV"));
    std::vector<std::string> options_got;
    for (std::string line : e2e::LinesStartingWith(run.log, "option[")) {
      line = line.substr(line.find("]=") + 2);
      for (size_t at = 0; (at = line.find("\\\\", at)) != std::string::npos; ++at) {
        line.erase(at, 1);
      }
      options_got.push_back(line);
    }
    return options_got;
  }

  void SetUp() override {
    // A home laid out like a Windows runtime: bin\server\jvm.dll.
    home_ = dir_.Join("jdk/");
    testing_support::MakeDirectory(home_ + "bin/server");
    WriteFile(home_ + "bin/server/jvm.dll",
              ReadFile(e2e::WindowsTestRuntime("jvm/jvm.dll")));
    e2e::PackRequest request;
    request.target = e2e::WindowsTarget();
    request.mainClass = "e2e.Main";
    request.lines = {"jvmdll " + WindowsPath(home_ + "bin/server/jvm.dll"),
                     "cds auto"};
    exe_ = dir_.Join("app.exe");
    e2e::Pack(request, exe_);
  }

  ScopedTempDir dir_;
  std::string home_;
  std::string exe_;
};

TEST_F(WineClassDataSharing, TheReleaseFileChoosesTheArchiveOptions) {
  std::vector<std::string> v17 = RunWithRelease("17.0.2");
  ASSERT_EQ(9u, v17.size()) << testing::PrintToString(v17);
  EXPECT_EQ("-Xlog:cds*=off", v17[4]);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(v17[5], m, std::regex(
      R"(-XX:ArchiveClassesAtExit=C:\\users\\([^\\]+)\\AppData\\Local\\zov\\cds\\)"
      R"(([0-9a-f]{8}-[0-9a-f]{8})-[0-9a-f]{8}\.tmp)"))) << v17[5];
  // A refusal's reason off the application's output, and the hook that
  // would start it again without these options.
  EXPECT_EQ("-XX:+DisplayVMOutputToStderr", v17[6]);
  EXPECT_EQ("exit extraInfo", v17[7]);
  EXPECT_EQ("abort extraInfo", v17[8]);
  std::string pending = v17[5].substr(v17[5].find('=') + 1);
  std::string folder = pending.substr(0, pending.rfind('\\') + 1);
  EXPECT_TRUE(e2e::ExistsUnderWine(folder)) << folder;
  // The test runtime writes no archive: the empty one is removed again.
  EXPECT_FALSE(e2e::ExistsUnderWine(pending)) << pending;

  std::vector<std::string> v21 = RunWithRelease("21.0.1");
  ASSERT_EQ(9u, v21.size()) << testing::PrintToString(v21);
  EXPECT_EQ("-Xlog:cds*=off", v21[4]);
  // The same application and runtime file: the same name, less the PID.
  EXPECT_EQ("-XX:SharedArchiveFile=" + pending.substr(0, pending.size() - 13) + ".jsa",
            v21[5]);
  EXPECT_EQ("-XX:+AutoCreateSharedArchive", v21[6]);
  EXPECT_EQ("abort extraInfo", v21[8]);

  for (const char* old : {"1.8.0_392", "11.0.2", ""}) {
    EXPECT_EQ(4u, RunWithRelease(old).size()) << old;
  }
}

}  // namespace
}  // namespace e2e
