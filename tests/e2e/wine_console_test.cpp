// The console launcher and the UTF-8 code page under Wine: what a
// command-line tool's caller sees (standard streams, exit status, no box),
// and the bytes the runtime receives with and without --utf8.

#include <cstdio>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

class WineConsole : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { e2e::StartWineSession(); }

  std::string Pack(PackRequest request, const std::string& name) {
    request.target = e2e::WindowsTarget();
    request.mainClass = "e2e.Main";
    std::string path = dir_.Join(name);
    e2e::Pack(request, path);
    return path;
  }

  WineRun Run(const std::string& exe, const std::vector<std::string>& args = {},
              const std::vector<std::pair<std::string, std::string>>& env = {}) {
    e2e::ProcessOptions options;
    options.setEnv = env;
    options.timeoutSeconds = 120;
    std::remove(dir_.Join("runtime.log").c_str());  // the runtime appends
    return e2e::RunWine(exe, args, dir_.Join("runtime.log"), options);
  }

  static std::string Runtime() {
    return "jvmdll " + WindowsPath(e2e::WindowsTestRuntime("jvm/jvm.dll"));
  }

  ScopedTempDir dir_;
};

TEST_F(WineConsole, ReportsOnStandardErrorAndPassesStandardOutputThrough) {
  PackRequest failing;
  failing.lines = {"jvmdll " + WindowsPath(dir_.Join("nowhere/jvm.dll"))};
  PackRequest console = failing;
  console.console = true;
  WineRun gui = Run(Pack(failing, "gui.exe"));
  WineRun run = Run(Pack(console, "console.exe"));
  ASSERT_FALSE(run.process.timedOut);
  EXPECT_TRUE(run.boxes.empty());
  EXPECT_TRUE(run.timers.empty());  // no splash either
  EXPECT_NE(std::string::npos,
            run.process.err.find("Error: Java Runtime Environment not found.\r\n"))
      << run.process.err;
  EXPECT_EQ("", run.process.out);
  // The same failure ends both launchers with the same status.
  EXPECT_EQ(1u, gui.boxes.size());
  EXPECT_EQ(gui.process.status, run.process.status);

  PackRequest printing;
  printing.console = true;
  printing.lines = {Runtime(), "option -Dtestruntime.scenario=main-prints"};
  std::string exe = Pack(printing, "prints.exe");
  run = Run(exe, {"one"});
  EXPECT_EQ(0, run.process.status) << run.process.err;
  EXPECT_EQ("hello from main\n", run.process.out);
  EXPECT_EQ(std::vector<std::string>{"[0]=one"},
            LinesStartingWith(run.log, "main.arg"));
  e2e::ProcessResult shown = e2e::RunProcess({ZOVPACK, "--show", exe});
  EXPECT_NE(std::string::npos, shown.out.find("program:     console")) << shown.out;
}

TEST_F(WineConsole, Utf8CodePageReachesTheRuntimeOnlyWhenAskedFor) {
  // Wine reads the Unix environment and command line as UTF-8 and, for an
  // English locale, runs programs in code page 1252 unless they ask for
  // UTF-8.
  const std::vector<std::pair<std::string, std::string>> env = {
      {"LANG", "C.UTF-8"}, {"ZOV_E2E_TEXT", "\xC3\xA9\xE2\x82\xAC"}};  // é€
  struct Case {
    bool utf8;
    std::string property;  // the bytes the runtime gets
    std::string argument;  // as the runtime's string, in UTF-8
  };
  const Case cases[] = {
      {false, "-Dtext=\xE9\x80", "O"},  // the code page's best fit
      {true, "-Dtext=\xC3\xA9\xE2\x82\xAC", "\xCE\xA9"},  // Ω
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8 ? "utf8" : "ansi");
    PackRequest request;
    request.utf8 = c.utf8;
    request.lines = {Runtime(), "property text=%ZOV_E2E_TEXT%"};
    WineRun run = Run(Pack(request, "app.exe"), {"\xCE\xA9"}, env);
    EXPECT_EQ(0, run.process.status) << run.process.err;
    std::vector<std::string> options = LinesStartingWith(run.log, "option");
    ASSERT_FALSE(options.empty()) << run.log;
    EXPECT_EQ("[0]=" + c.property, options[0]);
    EXPECT_EQ(std::vector<std::string>{"[0]=" + c.argument},
              LinesStartingWith(run.log, "main.arg"));
  }
}

}  // namespace
}  // namespace e2e
