// What a user, a broken download or a hostile file can put in front of the
// Linux launcher, end to end against the machine's real JVM: every case
// ends with its one message and its status (or runs), no crash, no hang.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

const char kNotFound[] = "Java Runtime Environment not found.";
const char kNoMainClass[] = "The main startup class could not be found.";

class LinuxBadInput : public ::testing::Test {
 protected:
  std::string PackProbe(std::vector<std::string> lines = {},
                        const std::string& name = "app") {
    PackRequest request;
    request.mainClass = "e2e.Probe";
    request.lines = std::move(lines);
    std::string path = dir_.Join(name);
    Pack(request, path);
    return path;
  }

  static ProcessResult Run(const std::string& app,
                           const std::vector<std::string>& args = {},
                           ProcessOptions options = ProcessOptions()) {
    options.timeoutSeconds = 60;
    return RunLinux(app, args, options);
  }

  // No crash or hang, and exactly the message given with its number as the
  // exit status, or none, status 0 and a main that ran to its end.
  static void ExpectOutcome(const ProcessResult& run, const std::string& error) {
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0, run.signal);
    EXPECT_EQ(error.empty() ? 0 : error == kNotFound ? 1 : 7, run.status)
        << run.err;
    std::vector<std::string> errors = LinesStartingWith(run.err, "Error: ");
    if (error.empty()) {
      EXPECT_TRUE(errors.empty()) << run.err;
      EXPECT_NE(std::string::npos, run.out.find("MAIN DONE\n")) << run.err;
    } else {
      EXPECT_EQ(std::vector<std::string>{error}, errors) << run.err;
      EXPECT_EQ(std::string::npos, run.out.find("MAIN DONE"));
    }
  }

  ScopedTempDir dir_;
};

TEST_F(LinuxBadInput, FindsNoConfigurationWhereTheCommentIsMissingOrOutOfReach) {
  // The launcher alone: no archive, no end record.
  std::string bare = dir_.Join("bare");
  WriteFile(bare, ReadFile(ZOV_LINUX_STUB));
  chmod(bare.c_str(), 0755);
  ExpectOutcome(Run(bare), kNoMainClass);

  std::string app = PackProbe();
  ReplaceComment(app, "");
  ExpectOutcome(Run(app), kNoMainClass);

  // Only the last 2070 bytes are searched: 22 for the record, 2048 for the
  // comment.
  std::string lines = "mainclass e2e.Probe\r\nproperty bad.seen=1\r\n";
  ReplaceComment(app, lines + std::string(2048 - lines.size(), '#'));
  ProcessResult found = Run(app);
  ExpectOutcome(found, "");
  EXPECT_EQ(std::vector<std::string>{"bad.seen=1"},
            LinesStartingWith(found.out, "PROP "));
  ReplaceComment(app, lines + std::string(2049 - lines.size(), '#'));
  ExpectOutcome(Run(app), kNoMainClass);

  // A NUL ends the text: the minimum after it is never seen.
  ReplaceComment(app, lines + std::string("\0minjre 99.0\r\n", 14));
  ExpectOutcome(Run(app), "");
}

TEST_F(LinuxBadInput, ReadsSideFilesThatAreOddOrHuge) {
  std::string app = PackProbe({"minjre 99.0"});
  // A NUL hides the rest of the side file and the whole embedded part,
  // except from the embedded-only lookup of the main class.
  WriteFile(app + ".cfg",
            std::string("property bad.side=1\r\n\0property bad.hidden=1\r\n", 46));
  ProcessResult nul = Run(app);
  ExpectOutcome(nul, "");
  EXPECT_EQ(std::vector<std::string>{"bad.side=1"}, LinesStartingWith(nul.out, "PROP "));

  // A directory where the side file would be is passed over.
  app = PackProbe({}, "dir");
  MakeDirectory(app + ".cfg");
  WriteFile(app + ".config", "property bad.from=config\r\n");
  ProcessResult directory = Run(app);
  ExpectOutcome(directory, "");
  EXPECT_EQ(std::vector<std::string>{"bad.from=config"},
            LinesStartingWith(directory.out, "PROP "));

  app = PackProbe({}, "big");
  std::string filler;
  for (int i = 0; filler.size() < (40u << 20); ++i) {
    filler += "# line " + std::to_string(i) + " of a side file of 40 MB\r\n";
  }
  WriteFile(app + ".cfg", filler + "property bad.big=1\r\n");
  ProcessResult big = Run(app);
  ExpectOutcome(big, "");
  EXPECT_EQ(std::vector<std::string>{"bad.big=1"}, LinesStartingWith(big.out, "PROP "));

  app = PackProbe({}, "long");
  WriteFile(app + ".cfg", "property bad.long=" + std::string(100000, 'x') + "\r\n" +
                              std::string(100000, 'z') + "\r\noption -Dbad.option=" +
                              std::string(100000, 'y') + "\r\n");
  ProcessResult longLines = Run(app);
  ExpectOutcome(longLines, "");
  EXPECT_EQ((std::vector<std::string>{"bad.long=length 100000 all x",
                                      "bad.option=length 100000 all y"}),
            LinesStartingWith(longLines.out, "PROP "));

  app = PackProbe({}, "many");
  std::string options;
  for (int i = 0; i < 5000; ++i) {
    options += "option -Dbad.n" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  }
  WriteFile(app + ".cfg", options);
  ProcessResult many = Run(app);
  ExpectOutcome(many, "");
  EXPECT_EQ(std::vector<std::string>{"5000"}, LinesStartingWith(many.out, "NUMBERED "));
}

TEST_F(LinuxBadInput, ReportsARuntimeLibraryThatIsNoLibrary) {
  MakeDirectory(dir_.Join("adirectory"));
  WriteFile(dir_.Join("text.so"), "not a library\n");
  // A Windows DLL, and of the other width: certainly not loadable here.
  ASSERT_EQ(0, access(ZOV_WIN32_TESTRUNTIME, R_OK)) << "not built";
  const std::pair<std::string, std::string> cases[] = {
      // A folder is searched as a home and holds none: JAVA_HOME does.
      {dir_.Join("adirectory"), ""},
      // A file of no known kind stops the search there, and fails to load.
      {dir_.Join("text.so"), kNotFound},
      // One of the other width is passed over before loading.
      {ZOV_WIN32_TESTRUNTIME, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    std::string app = PackProbe({"jvmdll " + c.first});
    ExpectOutcome(Run(app), c.second);
  }
}

TEST_F(LinuxBadInput, SearchesNoTreeForAPathFullOfWildcards) {
  // As on Windows, wildcards count in the last part of a name only: these
  // name nothing, at once, rather than every file of the machine.
  std::string app = PackProbe({"jvmdll /*/*/*/*/*/*/*/*/*/*",
                               "classpath /*/*/*/*/*/*/*/*/*/*;*/*/*/*/*/*.jar"});
  ProcessResult run = Run(app);
  ExpectOutcome(run, "");
  // The first entry's last part is "*": the jars of a folder literally
  // named "/*/*/*/*/*/*/*/*/*", which there is not, so it adds nothing.
  EXPECT_EQ(std::vector<std::string>{"2 last " + dir_.Join("*/*/*/*/*/*.jar")},
            LinesStartingWith(run.out, "CLASSPATH "));
}

TEST_F(LinuxBadInput, KeepsEnvironmentReferencesThatDoNotClose) {
  std::string app = PackProbe(
      {"property bad.open=%E2E_VALUE", "property bad.pct=100%",
       "property bad.mix=%E2E_VALUE%%", "property bad.lone=%",
       "property bad.undefined=%E2E_UNDEFINED%E2E_VALUE%",
       // Names no file; the search goes on to JAVA_HOME.
       "jvmdll %JAVA_HOME"});
  ProcessOptions options;
  options.setEnv = {{"E2E_VALUE", "expanded"}};
  options.unsetEnv = {"E2E_UNDEFINED"};
  ProcessResult run = Run(app, {}, options);
  ExpectOutcome(run, "");
  EXPECT_EQ((std::vector<std::string>{"bad.lone=%", "bad.mix=expanded%",
                                      "bad.open=%E2E_VALUE", "bad.pct=100%",
                                      "bad.undefined=%E2E_UNDEFINEDexpanded"}),
            LinesStartingWith(run.out, "PROP "));
}

TEST_F(LinuxBadInput, PassesAClassPathOf10000Entries) {
  std::string app = PackProbe();
  std::string entries;
  for (int i = 0; i < 10000; ++i) {
    entries += (i ? ";" : "") + std::string("lib/e") + std::to_string(i) + ".jar";
  }
  WriteFile(app + ".cfg", "classpath " + entries + "\r\n");
  ProcessResult run = Run(app);
  ExpectOutcome(run, "");
  EXPECT_EQ(std::vector<std::string>{"10001 last " + dir_.Join("lib/e9999.jar")},
            LinesStartingWith(run.out, "CLASSPATH "));
}

TEST_F(LinuxBadInput, HandsOverNonAsciiAndVeryLongArguments) {
  std::string app = PackProbe();
  // Not UTF-8 at all: each byte reaches main as U+FFFD, as with java.
  ProcessResult run = Run(app, {"caf\xC3\xA9", "\xE4\xB8\xAD\xE6\x96\x87",
                                "\xF0\x9F\x98\x80", std::string(100000, 'a'),
                                "\xFF\xFE"});
  ExpectOutcome(run, "");
  EXPECT_EQ((std::vector<std::string>{"0 caf\\u{e9}", "1 \\u{4e2d}\\u{6587}",
                                      "2 \\u{1f600}", "3 length 100000 all a",
                                      "4 \\u{fffd}\\u{fffd}"}),
            LinesStartingWith(run.out, "ARG "));
}

// A runtime library in the current directory is used only when the
// configuration names a path that resolves there.
TEST_F(LinuxBadInput, LoadsARuntimeFromTheCurrentDirectoryOnlyWhenNamed) {
  MakeDirectory(dir_.Join("work"));
  WriteFile(dir_.Join("work/libjvm.so"), ReadFile(ZOV_LINUX_TESTRUNTIME));
  std::string log = dir_.Join("runtime.log");
  ProcessOptions inWork;
  inWork.workingDirectory = dir_.Join("work");
  inWork.setEnv = {{"ZOV_TESTRUNTIME_LOG", log}};

  // Not below ExeDir, so the relative name resolves to WorkDir.
  ProcessResult named = Run(PackProbe({"jre_order c", "jvmdll libjvm.so"}, "named"),
                            {}, inWork);
  EXPECT_FALSE(named.timedOut);
  EXPECT_EQ(0, named.status) << named.err;
  EXPECT_NE(std::string::npos, ReadFile(log).find("CallStaticVoidMethodV"))
      << named.err;

  std::remove(log.c_str());
  ProcessOptions noHome = inWork;
  noHome.unsetEnv = {"JAVA_HOME"};
  ExpectOutcome(Run(PackProbe({"jre_order ce"}, "unnamed"), {}, noHome), kNotFound);
  ExpectOutcome(Run(dir_.Join("unnamed"), {}, inWork), "");  // the real one
  EXPECT_EQ("", ReadFile(log));
}

}  // namespace
}  // namespace e2e
