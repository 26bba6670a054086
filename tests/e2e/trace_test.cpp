// ZOV_TRACE on Linux, against the machine's real JVM: what support reads
// when a packed application does or does not start.
#include <algorithm>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

class LinuxTrace : public ::testing::Test {
 protected:
  std::string PackApp(std::vector<std::string> lines) {
    PackRequest request;
    request.mainClass = "e2e.Main";
    request.lines = std::move(lines);
    std::string path = dir_.Join("app");
    Pack(request, path);
    return path;
  }
  ScopedTempDir dir_;
};

TEST_F(LinuxTrace, NamesEveryPathAFailedSearchTried) {
  // A home with the layout of a JDK but no library in it.
  std::string home = dir_.Join("home/");
  MakeDirectory(home + "lib/server");
  MakeDirectory(home + "other");
  std::string missing = dir_.Join("nowhere/libjvm.so");
  std::string app = PackApp({"jvmdll " + missing, "jre_order c e"});
  testing_support::WriteFile(app + ".config", "option -Xss1m \n");
  std::string path = dir_.Join("trace.txt");
  ProcessOptions options;
  options.setEnv = {{"JAVA_HOME", home}, {"ZOV_TRACE", path}};
  ProcessResult run = RunLinux(app, {}, options);
  EXPECT_EQ(1, run.status);
  // The message is the same as without a trace.
  EXPECT_EQ("Error: Java Runtime Environment not found.\n", run.err);

  std::string text = ReadFile(path);
  std::vector<std::string> trace = LinesStartingWith(text, "");
  ASSERT_FALSE(trace.empty());
  EXPECT_EQ("zov 1.0.0 linux", trace.front());
  EXPECT_EQ("exit status 1", trace.back());
  ExpectLines(text, {
      "executable " + app,
      "side file " + app + ".cfg: missing",
      "side file " + app + ".config: 15 bytes",
      "side file line \"option -Xss1m \"",
      "embedded line \"mainclass e2e.Main\"",
      "embedded line \"jvmdll " + missing + "\"",
      "runtime c: " + missing + ": missing",
      "runtime e: JRE_HOME: not set",
      "runtime e: " + home + "libjvm.so: missing",
      "runtime e: " + home + "other/libjvm.so: missing",
      "runtime e: " + home + "lib/libjvm.so: missing",
      "runtime e: " + home + "lib/server/libjvm.so: missing",
      "runtime: none found",
      "launch failed: code 1: Java Runtime Environment not found.",
  });
  // Every candidate of source e lies in the home; the order skipped s.
  for (const std::string& line : LinesStartingWith(text, "runtime e: ")) {
    if (line != "JRE_HOME: not set") EXPECT_EQ(0u, line.find(home)) << line;
  }
  EXPECT_TRUE(LinesStartingWith(text, "runtime s: ").empty()) << text;
}

TEST_F(LinuxTrace, NamesTheRuntimeAndTheOptionsOfAStart) {
  std::string app = PackApp({"option -Xmx64m", "property e2e.traced=yes"});
  ProcessOptions options;
  options.setEnv = {{"ZOV_TRACE", "-"}};
  ProcessResult run = RunLinux(app, {}, options);
  EXPECT_EQ(0, run.status);
  EXPECT_NE(std::string::npos, run.out.find("MAIN DONE")) << run.err;
  std::vector<std::string> found = LinesStartingWith(run.err, "runtime e: ");
  ASSERT_FALSE(found.empty()) << run.err;
  std::string library = found.back();
  ASSERT_EQ(0u, library.find(e2e::JdkHome())) << library;
  library = library.substr(0, library.rfind(": found"));
  ExpectLines(run.err, {
      "library " + library + ": loaded",
      "vm option -Xmx64m",
      "vm option -De2e.traced=yes",
      "vm option -Djava.class.path=" + app,
      "vm option -Dzov.app.path=" + app,
      "JNI_CreateJavaVM: 0",
      "main class e2e.Main",
      "main returned",
      "exit status 0",
  });

  // A trace that cannot be opened changes nothing: same output, no message.
  ProcessResult plain = RunLinux(app, {});
  for (const std::string& name : {dir_.path(), dir_.Join("missing/trace")}) {
    options.setEnv = {{"ZOV_TRACE", name}};
    ProcessResult blocked = RunLinux(app, {}, options);
    EXPECT_EQ(0, blocked.status);
    EXPECT_EQ(plain.err, blocked.err) << name;
    EXPECT_EQ(LinesStartingWith(plain.out, "MAIN "),
              LinesStartingWith(blocked.out, "MAIN "));
  }
}

}  // namespace
}  // namespace e2e
