// What a start script did, for a Windows launcher under Wine against the
// test runtime: fixed arguments, the working folder, and a second start that
// brings the running instance's window forward instead of starting.
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

const std::string kRuntime = e2e::WindowsTestRuntime("jvm/jvm.dll");

// Both the runtime's log and the relay trace double every backslash.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return out;
}

class WineRelaunch : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { e2e::StartWineSession(); }

  std::string PackApp(const std::vector<std::string>& lines) {
    PackRequest request;
    request.target = e2e::WindowsTarget();
    request.mainClass = "e2e.Main";
    request.lines = {"jvmdll " + WindowsPath(kRuntime)};
    request.lines.insert(request.lines.end(), lines.begin(), lines.end());
    std::string path = dir_.Join("app.exe");
    Pack(request, path);
    return path;
  }

  WineRun Run(const std::string& exe, const std::vector<std::string>& args,
              const std::string& log) {
    ProcessOptions options;
    options.timeoutSeconds = 120;
    return e2e::RunWine(exe, args, dir_.Join(log), options);
  }

  ScopedTempDir dir_;
};

TEST_F(WineRelaunch, PassesFixedArgumentsFirstAndStartsInTheWorkdir) {
  MakeDirectory(dir_.Join("data"));
  std::string app = PackApp({"option -Dtestruntime.scenario=log-cwd",
                             "argument --fixed", "argument %ZOV_T_UNSET:-x y%",
                             "workdir %ZOV_APP_DIR%\\data"});
  WineRun run = Run(app, {"user arg"}, "runtime.log");
  EXPECT_EQ(0, run.process.status) << run.log;
  EXPECT_TRUE(run.boxes.empty());
  std::string data = Escaped(WindowsPath(dir_.Join("data")));
  ExpectLines(run.log, {"cwd " + data, "main.arg[0]=--fixed", "main.arg[1]=x y",
                        "main.arg[2]=user arg"});

  std::string missing = PackApp({"workdir data\\missing"});
  run = Run(missing, {}, "missing.log");
  EXPECT_EQ(12, run.process.status);
  EXPECT_EQ(std::vector<std::string>{"Working folder not found: " + data +
                                     "\\\\missing|Error|00000030"},
            run.boxes);
  EXPECT_EQ("", run.log);  // no runtime was started
}

TEST_F(WineRelaunch, ASecondStartBringsTheFirstOneForward) {
  std::string app = PackApp({"option -Dtestruntime.scenario=main-window=10000",
                             "single_instance zov-e2e-window"});
  WineRun first;
  std::thread firstRun([&] { first = Run(app, {}, "first.log"); });
  for (int i = 0; i < 600 && ReadFile(dir_.Join("first.log")).find("window shown") ==
                                 std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  WineRun second = Run(app, {}, "second.log");
  EXPECT_EQ(0, second.process.status);
  EXPECT_TRUE(second.boxes.empty());
  EXPECT_EQ("", second.log);  // no runtime of its own
  firstRun.join();
  EXPECT_EQ(0, first.process.status);
  ExpectLines(first.log, {"window shown", "window restored"});
}

}  // namespace
}  // namespace e2e
