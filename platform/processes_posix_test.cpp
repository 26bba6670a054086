#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "gtest/gtest.h"
#include "platform/platform.h"
#include "tests/test_support.h"

extern char** environ;

namespace {

using testing_support::ReadFile;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

// A detached start outlives its starter: holding a pipe the starter
// inherited would keep that pipe's reader waiting (a test harness hung on
// one). Three generations of this test binary: the test, a copy that
// holds a pipe and starts itself detached, and that detached copy, which
// reports whether the pipe reached it.
TEST(PlatformStartSelf, ADetachedStartHoldsNoDescriptorOfItsStarter) {
  const char* report = getenv("ZOV_TEST_REPORT");
  if (const char* held = getenv("ZOV_TEST_HELD")) {
    std::string seen = fcntl(atoi(held), F_GETFD) == -1 ? "closed" : "open";
    WriteFile(std::string(report) + ".tmp", seen);
    rename((std::string(report) + ".tmp").c_str(), report);
    return;
  }
  if (report != nullptr) {
    int pipeEnds[2];
    ASSERT_EQ(0, pipe(pipeEnds));
    setenv("ZOV_TEST_HELD", std::to_string(pipeEnds[1]).c_str(), 1);
    EXPECT_EQ(0, PlatformStartSelf(false));
    return;
  }

  ScopedTempDir dir;
  std::string reportPath = dir.Join("report");
  const ::testing::TestInfo* self =
      ::testing::UnitTest::GetInstance()->current_test_info();
  std::string filter = std::string("--gtest_filter=") +
                       self->test_suite_name() + "." + self->name();
  std::string exe = testing_support::SelfPath();
  char* argv[] = {&exe[0], &filter[0], nullptr};
  setenv("ZOV_TEST_REPORT", reportPath.c_str(), 1);
  pid_t child;
  int failed = posix_spawn(&child, exe.c_str(), nullptr, nullptr, argv, environ);
  unsetenv("ZOV_TEST_REPORT");
  ASSERT_EQ(0, failed);
  int status = -1;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  for (int i = 0; i < 600 && access(reportPath.c_str(), F_OK) != 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ("closed", ReadFile(reportPath));
}

}  // namespace
