// ZOV_TRACE in the Windows x64 launcher under Wine, against the test
// runtime: a GUI program with no console still tells support what it did.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

const std::string kRuntime = e2e::WindowsTestRuntime("jvm/jvm.dll");

class WineTrace : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { e2e::StartWineSession(); }

  std::string PackApp(std::vector<std::string> lines) {
    PackRequest request;
    request.target = e2e::WindowsTarget();
    request.mainClass = "e2e.Main";
    request.lines = std::move(lines);
    std::string path = dir_.Join("app.exe");
    e2e::Pack(request, path);
    return path;
  }

  WineRun Run(const std::string& exe,
              std::vector<std::pair<std::string, std::string>> env) {
    ProcessOptions options;
    options.setEnv = std::move(env);
    options.timeoutSeconds = 120;
    return e2e::RunWine(exe, {}, dir_.Join("runtime.log"), options);
  }

  ScopedTempDir dir_;
};

TEST_F(WineTrace, NamesEveryPathAFailedSearchTried) {
  std::string home = WindowsPath(dir_.Join("home/"));
  MakeDirectory(dir_.Join("home/bin/server"));
  std::string missing = WindowsPath(dir_.Join("nowhere/jvm.dll"));
  // Not the registry: other tests may be filling Wine's at the same time.
  std::string exe = PackApp({"jvmdll " + missing, "jre_order ce"});
  std::string path = dir_.Join("trace.txt");
  WineRun run =
      Run(exe, {{"JAVA_HOME", home}, {"ZOV_TRACE", WindowsPath(path)}});
  EXPECT_EQ(1, run.process.status);
  EXPECT_EQ(std::vector<std::string>{
                "Java Runtime Environment not found.|Error|00000030"},
            run.boxes);

  std::string text = ReadFile(path);
  EXPECT_NE(std::string::npos, text.find("\r\nexit status 1\r\n")) << text;
  std::vector<std::string> trace = LinesStartingWith(text, "");
  ASSERT_FALSE(trace.empty());
  EXPECT_EQ("zov 1.0.0 " + e2e::WindowsTarget(), trace.front());
  ExpectLines(text, {
      "executable " + WindowsPath(exe),
      "embedded line \"jvmdll " + missing + "\"",
      "runtime order ce",
      "runtime c: " + missing + ": missing",
      "runtime e: JRE_HOME: not set",
      "runtime e: " + home + "jvm.dll: missing",
      "runtime e: " + home + "bin\\jvm.dll: missing",
      "runtime e: " + home + "bin\\server\\jvm.dll: missing",
      "runtime: none found",
      "launch failed: code 1: Java Runtime Environment not found.",
  });
  EXPECT_TRUE(LinesStartingWith(text, "runtime s: ").empty()) << text;
}

TEST_F(WineTrace, NamesTheRuntimeAndTheOptionsOfAStart) {
  std::string library = WindowsPath(kRuntime);
  std::string exe =
      PackApp({"jvmdll " + library, "option -Xmx64m", "minjre 1.5"});
  std::string path = dir_.Join("trace.txt");
  WriteFile(path, "an earlier run\r\n");
  WineRun run = Run(exe, {{"ZOV_TRACE", WindowsPath(path)}});
  EXPECT_EQ(0, run.process.status);
  EXPECT_TRUE(run.boxes.empty());
  std::string text = ReadFile(path);
  EXPECT_EQ(0u, text.find("an earlier run\r\nzov 1.0.0 " + e2e::WindowsTarget() + "\r\n"))
      << text;
  ExpectLines(text, {
      "runtime c: " + library + ": found",
      "library " + library + ": loaded",
      "vm option -Xmx64m",
      "vm option -Dzov.app.path=" + WindowsPath(exe),
      "JNI_CreateJavaVM: 0",
      "main class e2e.Main",
      "main returned",
      "exit status 0",
  });
  // Its version is known once it is loaded.
  EXPECT_NE(std::string::npos,
            text.find("runtime l: " + library + ": found 17.0.2\r\n")) << text;

  // A trace that cannot be opened changes nothing.
  WineRun blocked = Run(exe, {{"ZOV_TRACE", WindowsPath(dir_.path())}});
  EXPECT_EQ(0, blocked.process.status);
  EXPECT_TRUE(blocked.boxes.empty());
  EXPECT_NE(std::string::npos, blocked.log.find("CallStaticVoidMethodV"))
      << blocked.log;
}

// The test runtime with the machine field of an ARM64 build: what an x64
// program sees on Windows on ARM, where both kinds sit in the same places.
TEST_F(WineTrace, PassesOverARuntimeOfAnotherProcessorAndGoesOn) {
  std::string arm64 = ReadFile(kRuntime);
  ASSERT_GT(arm64.size(), 0x40u);
  uint32_t pe = 0;
  std::memcpy(&pe, arm64.data() + 0x3C, 4);
  ASSERT_EQ(0, arm64.compare(pe, 4, std::string("PE\0\0", 4)));
  arm64[pe + 4] = static_cast<char>(0x64);
  arm64[pe + 5] = static_cast<char>(0xAA);
  MakeDirectory(dir_.Join("arm64/bin/server"));
  std::string library = dir_.Join("arm64/bin/server/jvm.dll");
  WriteFile(library, arm64);
  MakeDirectory(dir_.Join("home/bin/server"));
  WriteFile(dir_.Join("home/bin/server/jvm.dll"), ReadFile(kRuntime));
  std::string home = WindowsPath(dir_.Join("home/"));

  std::string path = dir_.Join("trace.txt");
  WineRun run = Run(PackApp({"jvmdll " + WindowsPath(dir_.Join("arm64")),
                             "jre_order ce"}),
                    {{"JAVA_HOME", home}, {"ZOV_TRACE", WindowsPath(path)}});
  EXPECT_EQ(0, run.process.status);
  EXPECT_TRUE(run.boxes.empty());
  std::string own = e2e::WindowsTarget() == "win32" ? "x86" : "x64";
  ExpectLines(ReadFile(path), {
      "runtime c: " + WindowsPath(library) + ": built for ARM64, not " + own,
      "runtime e: " + home + "bin\\server\\jvm.dll: found",
      "main returned",
  });
}

}  // namespace
}  // namespace e2e
