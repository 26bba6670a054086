// A Windows file that carries a JNI library needing a second DLL of its
// own folder (--native), under Wine with the test runtime, which loads it
// as Java does: by its full path, with the default search for the rest.
#include <string>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class WineCarriedFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { e2e::StartWineSession(); }
  ScopedTempDir dir_;
};

TEST_F(WineCarriedFiles, AJniLibraryFindsTheDllItNeedsInItsFolder) {
  std::string home = dir_.Join("jdk/");
  testing_support::MakeDirectory(home + "bin/server");
  WriteFile(home + "bin/server/jvm.dll", ReadFile(e2e::WindowsTestRuntime("jvm/jvm.dll")));
  WriteFile(home + "release", "JAVA_VERSION=\"17\"\r\n");
  std::string native = dir_.Join("native/");
  testing_support::MakeDirectory(native);
  WriteFile(native + "zovjni.dll", ReadFile(e2e::WindowsTestRuntime("jni/zovjni.dll")));
  WriteFile(native + "zovdep.dll", ReadFile(e2e::WindowsTestRuntime("dep/zovdep.dll")));
  // A key of this run's own, so that a copy an earlier run left in the
  // prefix is not reused.
  WriteFile(native + "run.txt", dir_.path());
  e2e::PackRequest request;
  request.target = e2e::WindowsTarget();
  request.mainClass = "e2e.Main";
  request.lines = {"jre_order r", "property testruntime.scenario=load-library=zovjni"};
  request.extra = {"--runtime", home, "--native", native};
  testing_support::MakeDirectory(dir_.Join("alone"));
  std::string exe = dir_.Join("alone/app.exe");
  e2e::Pack(request, exe);

  e2e::ProcessOptions options;
  options.timeoutSeconds = 120;
  options.setEnv = {{"ZOV_TRACE", WindowsPath(dir_.Join("trace.txt"))}};
  e2e::WineRun run = e2e::RunWine(exe, {}, dir_.Join("runtime.log"), options);
  std::string trace = ReadFile(dir_.Join("trace.txt"));
  EXPECT_EQ(0, run.process.status) << trace;
  EXPECT_TRUE(run.boxes.empty());
  EXPECT_TRUE(Has(trace, "packed_native: unpacked into ")) << trace;
  EXPECT_TRUE(Has(run.log, "option[") && Has(run.log, "-Djava.library.path=")) << run.log;
  // The log doubles each backslash.
  EXPECT_TRUE(Has(run.log, "\\\\Local\\\\zov\\\\natives\\\\")) << run.log;
  EXPECT_TRUE(Has(run.log, "loadLibrary zovjni -> jni+bin")) << run.log;
}

}  // namespace
}  // namespace e2e
