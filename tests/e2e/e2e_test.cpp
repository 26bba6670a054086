// A packed Linux file starts the machine's real JVM in its own process.
#include <unistd.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

const char kNotFound[] = "Error: The main startup class could not be found.\n";

class LinuxLaunch : public ::testing::Test {
 protected:
  std::string PackApp(const PackRequest& request, const std::string& name = "app") {
    std::string path = dir_.Join(name);
    Pack(request, path);
    return path;
  }
  static PackRequest MainApp(std::vector<std::string> lines = {}) {
    PackRequest request;
    request.mainClass = "e2e.Main";
    request.lines = std::move(lines);
    return request;
  }
  // No crash or hang, whatever happened; the status says what did.
  static void ExpectCleanExit(const ProcessResult& run, int status = 0) {
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0, run.signal);
    EXPECT_EQ(status, run.status) << run.err;
  }
  ScopedTempDir dir_;
};

TEST_F(LinuxLaunch, HandsArgumentsAndStandardPropertiesToMain) {
  std::string app = PackApp(MainApp());
  ProcessResult none = RunLinux(app, {});
  ExpectCleanExit(none);
  EXPECT_EQ(std::vector<std::string>{"0"}, LinesStartingWith(none.out, "ARGC "));

  ProcessResult run = RunLinux(app, {"first", "two words", "", "caf\xC3\xA9 \xE4\xB8\xAD"});
  ExpectCleanExit(run);
  EXPECT_EQ((std::vector<std::string>{"0 first", "1 two words", "2 ",
                                      "3 caf\\u{e9} \\u{4e2d}"}),
            LinesStartingWith(run.out, "ARG "));
  EXPECT_EQ(std::vector<std::string>{app},
            LinesStartingWith(run.out, "PROP zov.app.path="));
  std::vector<std::string> home = LinesStartingWith(run.out, "PROP application.home=");
  ASSERT_EQ(1u, home.size());
  EXPECT_EQ(dir_.path(), home[0]);  // with its trailing separator
  std::vector<std::string> cp = LinesStartingWith(run.out, "PROP java.class.path=");
  ASSERT_EQ(1u, cp.size());
  EXPECT_EQ(app, cp[0]);  // the executable itself carries the classes
  EXPECT_EQ(std::vector<std::string>{"DONE"}, LinesStartingWith(run.out, "MAIN "));
}

TEST_F(LinuxLaunch, PassesOptionsThenPropertiesThenStandardOnes) {
  std::string app = PackApp(MainApp({"property e2e.property=%E2E_VALUE%",
                                     "option -Xmx200m", "option -Dfrom.option=1"}));
  ProcessResult run = RunLinux(app, {}, {{{"E2E_VALUE", "expanded"}}});
  ExpectCleanExit(run);
  std::vector<std::string> options = LinesStartingWith(run.out, "OPTION ");
  // The runtime reports the options it got, less the class path (seen in
  // java.class.path) and plus some of its own; ours come in order.
  std::vector<std::string> expected = {
      "-Xmx200m", "-Dfrom.option=1", "-De2e.property=expanded",
      "-Dzov.app.path=" + app, "-Dapplication.home=" + dir_.path()};
  std::vector<std::string> ours;
  for (const std::string& o : options) {
    for (const std::string& e : expected) {
      if (o == e) ours.push_back(o);
    }
  }
  EXPECT_EQ(expected, ours) << run.out;
  EXPECT_EQ(std::vector<std::string>{"expanded"},
            LinesStartingWith(run.out, "PROP e2e.property="));
}

TEST_F(LinuxLaunch, GatesOnTheMinimumVersion) {
  for (const char* minimum : {"1.5", "17.0", "17"}) {
    ProcessResult run = RunLinux(
        PackApp(MainApp({std::string("minjre ") + minimum}), "ok"), {});
    ExpectCleanExit(run);
    EXPECT_NE(std::string::npos, run.out.find("MAIN DONE")) << minimum;
  }
  ProcessResult tooLow =
      RunLinux(PackApp(MainApp({"minjre 99.0", "jre_order e"}), "low"), {});
  ExpectCleanExit(tooLow, 6);
  EXPECT_EQ(std::string::npos, tooLow.out.find("MAIN DONE"));
  EXPECT_EQ("Error: Java virtual machine version " + e2e::JdkVersion() +
                " is too low, require 99.0 or higher.\n",
            tooLow.err);

  // The side file's minimum wins over the embedded one.
  std::string app = PackApp(MainApp({"minjre 99.0"}), "side");
  WriteFile(app + ".cfg", "minjre 1.8\r\n");
  ProcessResult sideWins = RunLinux(app, {});
  ExpectCleanExit(sideWins);
  EXPECT_NE(std::string::npos, sideWins.out.find("MAIN DONE")) << sideWins.err;
}

TEST_F(LinuxLaunch, MainClassComesOnlyFromTheEmbeddedConfiguration) {
  PackRequest request;
  // zovpack lets a main class the jar lacks pass only for a classpath line.
  request.lines = {"option -Xmx64m", "classpath none.jar"};
  request.mainClass = "e2e.Missing";  // not in the jar
  std::string app = PackApp(request);
  WriteFile(app + ".cfg", "mainclass e2e.Main\r\n");
  ProcessResult run = RunLinux(app, {});
  ExpectCleanExit(run, 7);
  EXPECT_EQ(std::string::npos, run.out.find("MAIN DONE"));
  EXPECT_NE(std::string::npos, run.err.find(kNotFound)) << run.err;
}

TEST_F(LinuxLaunch, ReportsClassesThatCannotRun) {
  PackRequest noMain;
  noMain.mainClass = "e2e.NoMain";
  ProcessResult missingMethod = RunLinux(PackApp(noMain, "nomain"), {});
  ExpectCleanExit(missingMethod, 8);
  EXPECT_NE(std::string::npos,
            missingMethod.err.find("Error: The main startup class is not valid, "
                                   "main method missing.\n"))
      << missingMethod.err;

  PackRequest wrong;
  wrong.mainClass = "e2e/WrongMain";  // slashes work as well as dots
  ProcessResult wrongSignature = RunLinux(PackApp(wrong, "wrong"), {});
  ExpectCleanExit(wrongSignature, 8);
  EXPECT_NE(std::string::npos, wrongSignature.err.find("main method missing"));

  PackRequest throws;
  throws.mainClass = "e2e.Throws";
  ProcessResult thrown = RunLinux(PackApp(throws, "throws"), {});
  ExpectCleanExit(thrown, 1);  // as java exits
  EXPECT_NE(std::string::npos, thrown.err.find("thrown out of main"));
  EXPECT_EQ(std::string::npos, thrown.err.find("Error: "));  // no message
}

TEST_F(LinuxLaunch, ReportsARuntimeThatIsMissingOrRefusesToStart) {
  // The machine's own runtimes would be found on PATH and in /usr/lib/jvm.
  std::string app = PackApp(MainApp({"jre_order e"}), "nojre");
  e2e::ProcessOptions noJava;
  noJava.unsetEnv = {"JAVA_HOME"};
  ProcessResult missing = RunLinux(app, {}, noJava);
  ExpectCleanExit(missing, 1);
  EXPECT_EQ("Error: Java Runtime Environment not found.\n", missing.err);

  // An option the runtime rejects makes JNI_CreateJavaVM fail. (Some
  // failures, such as a heap too small to start, end the process from
  // inside the runtime instead, before the launcher can say anything.)
  ProcessResult refused = RunLinux(
      PackApp(MainApp({"option -XX:MaxHeapSize=abc"}), "refused"), {});
  ExpectCleanExit(refused, 4);
  EXPECT_NE(std::string::npos,
            refused.err.find("Error: Java Virtual Machine starts failed.\n"))
      << refused.err;
}

TEST_F(LinuxLaunch, ExitsWithWhatSystemExitSaysAndTwoForALibraryThatIsNoRuntime) {
  PackRequest exits;
  exits.mainClass = "e2e.Exits";
  ProcessResult run = RunLinux(PackApp(exits), {"42"});
  ExpectCleanExit(run, 42);

  ProcessResult notJava = RunLinux(
      PackApp(MainApp({"jre_order c", "jvmdll " ZOV_LINUX_TESTRUNTIME_NOEXPORT}),
              "noexport"),
      {});
  ExpectCleanExit(notJava, 2);
  EXPECT_EQ("Error: Java Runtime Environment not valid.\n", notJava.err);
}

TEST_F(LinuxLaunch, NamesTheApplicationToToolsAndMendsBrokenArguments) {
  ProcessResult run =
      RunLinux(PackApp(MainApp()), {"one", "caf\xE9", "\xC3("});
  ExpectCleanExit(run);
  // Each byte that is not UTF-8 becomes U+FFFD, as with java.
  EXPECT_EQ((std::vector<std::string>{"0 one", "1 caf\\u{fffd}",
                                      "2 \\u{fffd}("}),
            LinesStartingWith(run.out, "ARG "));
  EXPECT_EQ(std::vector<std::string>{"e2e.Main one caf\\u{fffd} \\u{fffd}("},
            LinesStartingWith(run.out, "PROP sun.java.command="));
}

// The runtime found with JAVA_HOME unset, one source at a time.
TEST_F(LinuxLaunch, FindsTheRuntimeOnPathBesideTheAppAndThroughAFolder) {
  std::string bin = dir_.Join("bin");
  testing_support::MakeDirectory(bin);
  // A link, as /usr/bin/java is: its target's folder leads to the runtime.
  const std::string jdk = e2e::JdkHome();
  ASSERT_EQ(0, symlink((jdk + "/bin/java").c_str(), (bin + "/java").c_str()));
  ASSERT_EQ(0, symlink(jdk.c_str(), dir_.Join("runtime").c_str()));
  // A home whose library is no runtime: found first, it would end in 2.
  std::string broken = dir_.Join("broken");
  testing_support::MakeDirectory(broken + "/lib/server");
  ASSERT_EQ(0, symlink(ZOV_LINUX_TESTRUNTIME_NOEXPORT,
                       (broken + "/lib/server/libjvm.so").c_str()));
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::string path;
  };
  const Case cases[] = {
      {"path", {"jre_order p"}, bin},
      {"bundled", {"jre_order a"}, "/nowhere"},
      {"folder", {"jre_order c", "jvmdll " + jdk}, "/nowhere"},
      // Unconfigured, the runtime the application ships wins over JAVA_HOME.
      {"default", {}, bin},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    e2e::ProcessOptions options;
    options.unsetEnv = {"JAVA_HOME"};
    options.setEnv = {{"PATH", c.path}, {"JAVA_HOME", broken}};
    ProcessResult run = RunLinux(PackApp(MainApp(c.lines), c.name), {}, options);
    ExpectCleanExit(run);
    EXPECT_NE(std::string::npos, run.out.find("MAIN DONE")) << run.err;
  }
}

TEST_F(LinuxLaunch, WaitsForTheApplicationsOtherThreads) {
  PackRequest lingers;
  lingers.mainClass = "e2e.Lingers";
  ProcessResult run = RunLinux(PackApp(lingers), {});
  ExpectCleanExit(run);
  EXPECT_EQ("MAIN RETURNS\nWORKER DONE\n", run.out);
}

// Java 24 and later warn about restricted methods; what java prints, the
// launcher prints too, and nothing of its own.
TEST_F(LinuxLaunch, PrintsTheWarningsJavaPrintsAndNoOthers) {
  for (const char* mainClass : {"e2e.Main", "e2e.Restricted"}) {
    PackRequest request;
    request.mainClass = mainClass;
    std::string app = PackApp(request);
    ProcessResult launched = RunLinux(app, {});
    ExpectCleanExit(launched);
    ProcessResult java = e2e::RunProcess(
        {e2e::JdkHome() + "/bin/java", "-cp", app, mainClass});
    EXPECT_EQ(0, java.status);
    EXPECT_EQ(java.err, launched.err) << mainClass;
    bool warns = mainClass[4] == 'R' && std::stoi(e2e::JdkVersion()) >= 24;
    EXPECT_EQ(warns, launched.err.find("WARNING: A restricted method") !=
                         std::string::npos) << launched.err;
  }
}

}  // namespace
}  // namespace e2e
