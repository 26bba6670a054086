// The Linux launcher under valgrind's memcheck, with the test runtime as its
// Java runtime: no invalid access, no use of undefined memory and no
// definite leak, on success, on each kind of failure and on odd input.
#include <unistd.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

const char kValgrind[] = "/usr/bin/valgrind";
const int kErrorStatus = 99;

TEST(LinuxMemcheck, FindsNoErrorsAndNoDefiniteLeaks) {
#ifdef ZOV_SANITIZED
  GTEST_SKIP() << "memcheck and the sanitizers do not mix";
#endif
  if (access(kValgrind, X_OK) != 0) GTEST_SKIP() << "no valgrind";
  ScopedTempDir dir;
  const std::string runtime = std::string("jvmdll ") + ZOV_LINUX_TESTRUNTIME;
  struct Case {
    std::string name;
    std::vector<std::string> lines;
    std::string sideFile;
    std::vector<std::string> args;
    int status;  // the launch's own, valgrind's kErrorStatus never
  };
  const Case cases[] = {
      {"runs", {runtime, "option -Xmx64m", "property a=%HOME%", "classpath lib/a.jar;;b.jar"},
       "", {"one", "caf\xC3\xA9", "", "\xFF"}, 0},
      {"no-main-class", {runtime, "option -Dtestruntime.scenario=no-main-class"}, "", {}, 7},
      {"too-low", {runtime, "minjre 99.0"}, "", {}, 6},
      {"no-runtime", {"jre_order c", "jvmdll /nowhere/libjvm.so"}, "", {}, 1},
      {"odd-side-file", {runtime},
       // Its NUL hides the embedded lines, jvmdll too: it names the runtime
       // itself, or the machine's own would be found and run under valgrind.
       std::string("jvmdll ") + ZOV_LINUX_TESTRUNTIME + "\r\noption -Dx=%UNCLOSED\r\n" + std::string(100000, 'z') +
           "\r\nclasspath %\r\n" + std::string("\0minjre 99.0\r\n", 14),
       {std::string(100000, 'a')}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PackRequest request;
    request.mainClass = "e2e.Main";
    request.lines = c.lines;
    std::string app = dir.Join(c.name);
    Pack(request, app);
    if (!c.sideFile.empty()) WriteFile(app + ".cfg", c.sideFile);
    std::vector<std::string> argv = {
        kValgrind, "-q", "--error-exitcode=" + std::to_string(kErrorStatus),
        "--leak-check=full", "--errors-for-leak-kinds=definite",
        "--show-leak-kinds=definite", app};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    ProcessOptions options;
    options.setEnv = {{"ZOV_TESTRUNTIME_LOG", dir.Join("runtime.log")}};
    options.timeoutSeconds = 120;
    ProcessResult run = e2e::RunProcess(argv, options);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(c.status, run.status) << run.err;
    EXPECT_EQ(std::string::npos, run.err.find("==")) << run.err;
  }
}

}  // namespace
}  // namespace e2e
