// The bad-input table for a Windows launcher under Wine (x64, or 32-bit in
// the i386 guest), against the recording test runtime, with each message
// box's text read from Wine's relay trace; the registry and the DLL search
// besides.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

const std::string kRuntime = e2e::WindowsTestRuntime("jvm/jvm.dll");
const char kNotFound[] = "Java Runtime Environment not found.";

class WineBadInput : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { e2e::StartWineSession(); }

  // Packed without a splash; jvmdll names the test runtime unless told not.
  std::string PackApp(std::vector<std::string> lines, bool withRuntime = true,
                      const std::string& name = "app.exe") {
    PackRequest request;
    request.target = e2e::WindowsTarget();
    request.mainClass = "e2e.Main";
    if (withRuntime) lines.insert(lines.begin(), "jvmdll " + WindowsPath(kRuntime));
    request.lines = std::move(lines);
    std::string path = dir_.Join(name);
    Pack(request, path);
    return path;
  }

  WineRun Run(const std::string& exe, const std::vector<std::string>& args = {},
              ProcessOptions options = ProcessOptions()) {
    options.timeoutSeconds = 120;
    std::string log = dir_.Join("runtime.log");
    std::remove(log.c_str());
    return e2e::RunWine(exe, args, log, options);
  }

  // A runtime home holding the test runtime, for JAVA_HOME.
  std::string Home() {
    std::string home = dir_.Join("jre/");
    MakeDirectory(home + "bin/server");
    WriteFile(home + "bin/server/jvm.dll", ReadFile(kRuntime));
    return WindowsPath(home);
  }

  // No crash or hang, and exactly the box given with its number as the exit
  // status, or none, status 0 and a main that was called.
  static void ExpectOutcome(const WineRun& run, const std::string& box) {
    const std::string& err = run.process.err;
    EXPECT_FALSE(run.process.timedOut)
        << err.substr(err.size() > 4000 ? err.size() - 4000 : 0);
    EXPECT_EQ(box.empty() ? 0 : box == kNotFound ? 1 : 7, run.process.status);
    EXPECT_EQ(std::string::npos, run.log.find("UNEXPECTED")) << run.log;
    if (box.empty()) {
      EXPECT_TRUE(run.boxes.empty());
      EXPECT_NE(std::string::npos, run.log.find("CallStaticVoidMethodV"));
    } else {
      EXPECT_EQ(std::vector<std::string>{box + "|Error|00000030"}, run.boxes);
    }
  }

  // The options the runtime was given that start with prefix.
  static std::vector<std::string> Options(const WineRun& run,
                                          const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : LinesStartingWith(run.log, "option[")) {
      size_t at = line.find("]=");
      if (line.compare(at + 2, prefix.size(), prefix) == 0) {
        found.push_back(line.substr(at + 2));
      }
    }
    return found;
  }

  ScopedTempDir dir_;
};

TEST_F(WineBadInput, FindsNoConfigurationWhereTheCommentIsMissingOrOutOfReach) {
  std::string bare = dir_.Join("bare.exe");
  WriteFile(bare, ReadFile(e2e::WindowsStub()));
  ExpectOutcome(Run(bare), kNotFound);

  std::string app = PackApp({});
  std::string lines = "mainclass e2e.Main\r\njvmdll " + WindowsPath(kRuntime) + "\r\n";
  ReplaceComment(app, lines + std::string(2048 - lines.size(), '#'));
  ExpectOutcome(Run(app), "");
  ReplaceComment(app, lines + std::string(2049 - lines.size(), '#'));
  ExpectOutcome(Run(app), kNotFound);

  ReplaceComment(app, lines + std::string("\0minjre 99.0\r\n", 14));
  ExpectOutcome(Run(app), "");
}

TEST_F(WineBadInput, ReadsSideFilesThatAreOddOrHuge) {
  // The NUL hides the embedded jvmdll and minimum: JAVA_HOME finds the
  // runtime, and the version is never asked for.
  ProcessOptions home;
  home.setEnv = {{"JAVA_HOME", Home()}};
  std::string app = PackApp({"minjre 99.0"});
  WriteFile(dir_.Join("app.cfg"),
            std::string("option -Dbad.side=1\r\n\0option -Dbad.hidden=1\r\n", 46));
  WineRun nul = Run(app, {}, home);
  ExpectOutcome(nul, "");
  EXPECT_EQ(std::vector<std::string>{"-Dbad.side=1"}, Options(nul, "-Dbad."));
  EXPECT_EQ(std::string::npos, nul.log.find("getProperty"));

  app = PackApp({}, true, "odd.exe");
  MakeDirectory(dir_.Join("odd.cfg"));
  WriteFile(dir_.Join("odd.config"), "option -Dbad.from=config\r\n");
  WineRun directory = Run(app);
  ExpectOutcome(directory, "");
  EXPECT_EQ(std::vector<std::string>{"-Dbad.from=config"}, Options(directory, "-Dbad."));

  std::string filler;
  for (int i = 0; filler.size() < (40u << 20); ++i) {
    filler += "# line " + std::to_string(i) + " of a side file of 40 MB\r\n";
  }
  WriteFile(dir_.Join("odd.config"), filler + "option -Dbad.big=1\r\n");
  WineRun big = Run(app);
  ExpectOutcome(big, "");
  EXPECT_EQ(std::vector<std::string>{"-Dbad.big=1"}, Options(big, "-Dbad."));

  std::string longValue(100000, 'x');
  WriteFile(dir_.Join("odd.config"), std::string(100000, 'z') + "\r\noption -Dbad.long=" +
                                         longValue + "\r\n");
  WineRun longLine = Run(app);
  ExpectOutcome(longLine, "");
  EXPECT_EQ(std::vector<std::string>{"-Dbad.long=" + longValue},
            Options(longLine, "-Dbad."));

  std::string options;
  for (int i = 0; i < 5000; ++i) {
    options += "option -Dbad.n" + std::to_string(i) + "\r\n";
  }
  WriteFile(dir_.Join("odd.config"), options);
  WineRun many = Run(app);
  ExpectOutcome(many, "");
  std::vector<std::string> got = Options(many, "-Dbad.n");
  ASSERT_EQ(5000u, got.size());
  EXPECT_EQ("-Dbad.n4999", got.back());
}

TEST_F(WineBadInput, ReportsARuntimeLibraryThatIsNoLibrary) {
  MakeDirectory(dir_.Join("adirectory"));
  WriteFile(dir_.Join("text.dll"), "not a library\r\n");
  ProcessOptions home;
  home.setEnv = {{"JAVA_HOME", Home()}};
  const std::string otherWidth = e2e::OtherWidthTestRuntime();
  ASSERT_EQ(0, access(otherWidth.c_str(), R_OK)) << "not built";
  const std::pair<std::string, std::string> cases[] = {
      // A folder is searched as a home and holds none: JAVA_HOME does.
      {dir_.Join("adirectory"), ""},
      // A file of no known kind stops the search there, and fails to load.
      {dir_.Join("text.dll"), kNotFound},
      // One of the other width is passed over before loading.
      {otherWidth, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    WineRun run = Run(PackApp({"jvmdll " + WindowsPath(c.first)}, false), {}, home);
    ExpectOutcome(run, c.second);
    if (!c.second.empty()) EXPECT_EQ("", run.log);
  }
}

TEST_F(WineBadInput, KeepsEnvironmentReferencesThatDoNotClose) {
  ProcessOptions options;
  options.setEnv = {{"E2E_VALUE", "expanded"}};
  options.unsetEnv = {"E2E_UNDEFINED"};
  WineRun run = Run(PackApp({"option -Dbad.open=%E2E_VALUE", "option -Dbad.pct=100%",
                             "option -Dbad.mix=%E2E_VALUE%%", "option -Dbad.lone=%",
                             "option -Dbad.undefined=%E2E_UNDEFINED%E2E_VALUE%"}),
                    {}, options);
  ExpectOutcome(run, "");
  EXPECT_EQ((std::vector<std::string>{"-Dbad.open=%E2E_VALUE", "-Dbad.pct=100%",
                                      "-Dbad.mix=expanded%", "-Dbad.lone=%",
                                      "-Dbad.undefined=%E2E_UNDEFINEDexpanded"}),
            Options(run, "-Dbad."));
}

TEST_F(WineBadInput, PassesAClassPathOf10000Entries) {
  std::string app = PackApp({});
  std::string entries;
  for (int i = 0; i < 10000; ++i) {
    entries += (i ? ";" : "") + std::string("lib\\e") + std::to_string(i) + ".jar";
  }
  WriteFile(dir_.Join("app.cfg"), "classpath " + entries + "\r\n");
  WineRun run = Run(app);
  ExpectOutcome(run, "");
  std::vector<std::string> classPath = Options(run, "-Djava.class.path=");
  ASSERT_EQ(1u, classPath.size());
  const std::string& value = classPath[0];
  EXPECT_EQ(10000, std::count(value.begin(), value.end(), ';'));
  // The log doubles every backslash.
  std::string last = WindowsPath(dir_.Join("lib/e9999.jar"));
  std::string logged;
  for (char c : last) logged += c == '\\' ? std::string("\\\\") : std::string(1, c);
  EXPECT_EQ(logged, value.substr(value.rfind(';') + 1));
}

TEST_F(WineBadInput, HandsOverNonAsciiAndVeryLongArguments) {
  // The command line of Windows holds 32767 characters at most.
  WineRun run = Run(PackApp({}), {"caf\xC3\xA9", std::string(30000, 'a'), ""});
  ExpectOutcome(run, "");
  EXPECT_EQ((std::vector<std::string>{"[0]=caf\xC3\xA9", "[1]=" + std::string(30000, 'a'),
                                      "[2]="}),
            LinesStartingWith(run.log, "main.arg"));
}

// The registry's runtime entries read through a 260-byte buffer: a value
// that fills it with its NUL is taken; one that needs more is not.
TEST_F(WineBadInput, TakesRegistryValuesThatFitTheBufferWithTheirNul) {
  const std::string kJavaSoft = "HKLM\\SOFTWARE\\JavaSoft";
  const std::string kKey = kJavaSoft + "\\Java Runtime Environment";
  if (RunProcess({e2e::kWine, "reg", "query", kJavaSoft}).status == 0) {
    GTEST_SKIP() << "the prefix has a JavaSoft key already";
  }
  auto reg = [](std::vector<std::string> args) {
    args.insert(args.begin(), {e2e::kWine, "reg"});
    ASSERT_EQ(0, RunProcess(args).status);
  };
  // A runtime whose path takes 259 characters, drive Z: included.
  std::string directory = dir_.Join("r");
  size_t pad = 259 - 2 - directory.size() - 1 - std::string("/jvm.dll").size();
  directory += "/" + std::string(pad, 'd');
  MakeDirectory(directory);
  WriteFile(directory + "/jvm.dll", ReadFile(kRuntime));
  std::string library = WindowsPath(directory + "/jvm.dll");
  ASSERT_EQ(259u, library.size());
  std::string app = PackApp({"jre_order s"}, false);

  reg({"add", kKey, "/v", "CurrentVersion", "/d", "1.8", "/f"});
  reg({"add", kKey + "\\1.8", "/v", "RuntimeLib", "/d", library, "/f"});
  WineRun fits = Run(app);
  // Without a NUL among the 260 bytes there is no room for one.
  std::string hex;
  for (unsigned char c : library + "x") {
    static const char kDigits[] = "0123456789abcdef";
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  reg({"add", kKey + "\\1.8", "/v", "RuntimeLib", "/t", "REG_BINARY", "/d", hex, "/f"});
  WineRun unterminated = Run(app);
  reg({"add", kKey + "\\1.8", "/v", "RuntimeLib", "/d", library, "/f"});
  reg({"add", kKey, "/v", "CurrentVersion", "/d", std::string(260, '1'), "/f"});
  WineRun tooLong = Run(app);
  RunProcess({e2e::kWine, "reg", "delete", kJavaSoft, "/f"});

  ExpectOutcome(fits, "");
  ExpectOutcome(unterminated, kNotFound);
  ExpectOutcome(tooLong, kNotFound);
}

// No DLL comes from the current directory unless the configuration names a
// path that resolves there.
TEST_F(WineBadInput, LoadsFromTheCurrentDirectoryOnlyWhatTheConfigurationNames) {
  MakeDirectory(dir_.Join("work"));
  WriteFile(dir_.Join("work/jvm.dll"), ReadFile(kRuntime));
  ProcessOptions inWork;
  inWork.workingDirectory = dir_.Join("work");
  // Not beside the executable, so the relative name resolves to WorkDir.
  ExpectOutcome(Run(PackApp({"jre_order c", "jvmdll jvm.dll"}, false, "named.exe"),
                    {}, inWork),
                "");
  WineRun unnamed = Run(PackApp({}, false, "unnamed.exe"), {}, inWork);
  ExpectOutcome(unnamed, kNotFound);
  EXPECT_EQ("", unnamed.log);

  // The runtime's own DLLs come from its bin directory, never from here.
  std::string home = dir_.Join("dep/");
  MakeDirectory(home + "bin/server");
  WriteFile(home + "bin/server/jvm.dll", ReadFile(e2e::WindowsTestRuntime("depjvm/jvm.dll")));
  WriteFile(home + "bin/zovdep.dll", ReadFile(e2e::WindowsTestRuntime("dep/zovdep.dll")));
  WriteFile(dir_.Join("work/zovdep.dll"), ReadFile(e2e::WindowsTestRuntime("decoy/zovdep.dll")));
  ProcessOptions withHome = inWork;
  withHome.setEnv = {{"JAVA_HOME", WindowsPath(home)}};
  WineRun dependency = Run(dir_.Join("unnamed.exe"), {}, withHome);
  ExpectOutcome(dependency, "");
  EXPECT_NE(std::string::npos, dependency.log.find("dependency bin\n")) << dependency.log;
}

}  // namespace
}  // namespace e2e
