// Later starts of a single instance hand their arguments to the running one
// through its named pipe, for a Windows launcher under Wine against the test
// runtime, whose handler runs on a thread the launcher attached.
#include <algorithm>
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

class WineInstanceHandler : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { e2e::StartWineSession(); }

  WineRun Run(const std::vector<std::string>& args, const std::string& log,
              const std::string& folder) {
    ProcessOptions options;
    options.timeoutSeconds = 120;
    options.workingDirectory = folder;
    return e2e::RunWine(app_, args, dir_.Join(log), options);
  }

  // What the handler got, one line per call: the directory, then each
  // argument in brackets.
  std::vector<std::string> Opened() {
    std::vector<std::string> calls;
    for (const std::string& line : LinesStartingWith(ReadFile(dir_.Join("first.log")), "")) {
      if (line.rfind("CallStaticVoidMethodV e2e/Main.open directory=", 0) == 0) {
        calls.push_back(line.substr(line.find('=') + 1));
        calls.back() = calls.back().substr(0, calls.back().rfind(" args="));
      } else if (line.rfind("open.arg[", 0) == 0 && !calls.empty()) {
        calls.back() += " [" + line.substr(line.find('=') + 1) + "]";
      }
    }
    return calls;
  }

  ScopedTempDir dir_;
  std::string app_;
};

TEST_F(WineInstanceHandler, DeliversLaterStartsThroughThePipe) {
  std::string stop = dir_.Join("stop");
  PackRequest request;
  request.target = e2e::WindowsTarget();
  request.mainClass = "e2e.Main";
  request.lines = {"jvmdll " + WindowsPath(kRuntime),
                   "option -Dtestruntime.scenario=main-until=" + WindowsPath(stop),
                   "single_instance zov-e2e-handler", "instance_handler e2e.Main.open",
                   "argument --fixed"};
  app_ = dir_.Join("app.exe");
  Pack(request, app_);

  WineRun first;
  std::thread firstRun([&] { first = Run({}, "first.log", "/"); });
  for (int i = 0; i < 1200 && ReadFile(dir_.Join("first.log")).find(
                                  "CallStaticVoidMethodV e2e/Main.main") == std::string::npos;
       ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  std::string other = dir_.Join("other dir");
  MakeDirectory(other);
  WineRun second = Run({"\xC3\xA4", "", "two words"}, "second.log", other);
  EXPECT_EQ(0, second.process.status) << second.process.err.substr(0, 2000);
  EXPECT_TRUE(second.boxes.empty());
  EXPECT_EQ("", second.log);  // no runtime of its own
  std::string folder = WindowsPath(other);
  std::string escaped;
  for (char c : folder) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  EXPECT_EQ(std::vector<std::string>({escaped + " [--fixed] [\xC3\xA4] [] [two words]"}),
            Opened());

  // Several at once, each whole; then one whose handler throws fails with
  // message 13, and the instance serves the next one all the same.
  std::vector<std::thread> starts;
  std::vector<WineRun> results(3);
  for (int i = 0; i < 3; ++i) {
    starts.emplace_back([&, i] {
      results[i] = Run({"start" + std::to_string(i)}, "many.log", "/");
    });
  }
  for (std::thread& start : starts) start.join();
  for (const WineRun& run : results) EXPECT_EQ(0, run.process.status);
  WineRun threw = Run({"throw"}, "threw.log", "/");
  EXPECT_EQ(13, threw.process.status);
  EXPECT_EQ(std::vector<std::string>{"Already running.|Error|00000030"}, threw.boxes);
  WineRun later = Run({"later"}, "later.log", "/");
  EXPECT_EQ(0, later.process.status);

  std::vector<std::string> opened = Opened();
  ASSERT_EQ(6u, opened.size());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(1, std::count(opened.begin(), opened.end(),
                            "Z:\\\\ [--fixed] [start" + std::to_string(i) + "]"));
  }
  EXPECT_EQ("Z:\\\\ [--fixed] [throw]", opened[4]);
  EXPECT_EQ("Z:\\\\ [--fixed] [later]", opened[5]);

  WriteFile(stop, "");
  firstRun.join();
  EXPECT_EQ(0, first.process.status);
  EXPECT_EQ(1u, LinesStartingWith(first.log, "AttachCurrentThreadAsDaemon").size());
}

}  // namespace
}  // namespace e2e
