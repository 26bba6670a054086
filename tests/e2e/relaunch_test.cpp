// What a start script did, with the machine's real JVM: fixed arguments, the
// working folder, a restart on the application's chosen status, and one
// running instance that a killed one never blocks.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

class Relaunch : public ::testing::Test {
 protected:
  std::string PackApp(const std::string& mainClass,
                      const std::vector<std::string>& lines) {
    PackRequest request;
    request.mainClass = mainClass;
    request.lines = lines;
    std::string path = dir_.Join("app");
    Pack(request, path);
    return path;
  }

  ProcessResult Run(const std::string& app, const std::vector<std::string>& args) {
    ProcessOptions options;
    options.setEnv = {{"XDG_RUNTIME_DIR", dir_.path()},
                      {"ZOV_TRACE", dir_.Join("trace.txt")}};
    options.workingDirectory = "/";
    options.timeoutSeconds = 120;
    return RunLinux(app, args, options);
  }

  ScopedTempDir dir_;
};

TEST_F(Relaunch, RestartsOnItsStatusWithTheArgumentsInTheWorkdir) {
  std::string app = PackApp("e2e.Restarts",
                            {"argument --fixed", "argument %ZOV_T_UNSET:-x y%",
                             "workdir %ZOV_APP_DIR%", "restart_status 9"});
  std::string marker = dir_.Join("marker");
  ProcessResult run = Run(app, {"user arg", marker});
  EXPECT_EQ(0, run.status) << run.err;
  std::string folder = dir_.path().substr(0, dir_.path().size() - 1);
  std::string start = "START --fixed x y user arg " + marker + " in " + folder;
  EXPECT_EQ(std::vector<std::string>({start, start}), LinesStartingWith(run.out, ""));
  std::string trace = ReadFile(dir_.Join("trace.txt"));
  EXPECT_EQ(1u, LinesStartingWith(trace, "restart 1 after status 9").size()) << trace;

  // A status that always asks for a restart ends after the last one allowed.
  run = Run(app, {"always", marker});
  EXPECT_EQ(9, run.status);
  EXPECT_EQ(6u, LinesStartingWith(run.out, "START ").size()) << run.out;

  // A missing folder is a launch failure, not a start elsewhere.
  std::string missing = PackApp("e2e.Restarts", {"workdir no-such-folder"});
  run = Run(missing, {marker});
  EXPECT_EQ(12, run.status);
  EXPECT_EQ("", run.out);
  ExpectLines(run.err, {"Error: Working folder not found: " +
                        dir_.Join("no-such-folder")});
}

TEST_F(Relaunch, RunsOneInstanceAndAKilledOneBlocksNothing) {
  std::string app = PackApp("e2e.Waits", {"single_instance zov-e2e-waits"});
  std::string pidFile = dir_.Join("pid");
  ProcessResult first;
  std::thread firstRun([&] { first = Run(app, {pidFile, "60000"}); });
  for (int i = 0; i < 600 && ReadFile(pidFile).empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  std::string pid = ReadFile(pidFile);
  ASSERT_FALSE(pid.empty());

  ProcessResult second = Run(app, {dir_.Join("pid2"), "0"});
  EXPECT_EQ(13, second.status);
  EXPECT_EQ("", second.out);
  ExpectLines(second.err, {"Error: Already running."});

  kill(std::stoi(pid), SIGKILL);
  firstRun.join();
  EXPECT_EQ(SIGKILL, first.signal);

  ProcessResult third = Run(app, {dir_.Join("pid3"), "0"});
  EXPECT_EQ(0, third.status) << third.err;
  EXPECT_EQ("WAITED\n", third.out);
}

}  // namespace
}  // namespace e2e
