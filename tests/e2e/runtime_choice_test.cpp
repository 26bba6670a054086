// minjre and maxjre choose among the real runtimes of the machine: the
// build's JDK (17) and Java 25 beside it.
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

const std::string kOld = ZOV_JDK_HOME;
const std::string kNew = ZOV_JDK25_HOME;

std::string Library(const std::string& home) { return home + "/lib/server/libjvm.so"; }

// JAVA_VERSION of a home's release file ("17.0.15").
std::string ReleaseVersion(const std::string& home) {
  std::string release = ReadFile(home + "/release");
  size_t at = release.find("JAVA_VERSION=\"");
  if (at == std::string::npos) return "";
  at += 14;
  return release.substr(at, release.find('"', at) - at);
}

class RuntimeChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access((kNew + "/bin/java").c_str(), X_OK) != 0) {
      std::printf("SKIPPED: no Java 25 at %s\n", kNew.c_str());
      GTEST_SKIP() << "no Java 25 at " << kNew;
    }
    ASSERT_EQ("17.", ReleaseVersion(kOld).substr(0, 3));
    ASSERT_EQ("25.", ReleaseVersion(kNew).substr(0, 3));
  }
  // Runs the application packed with lines, JAVA_HOME at home, traced.
  ProcessResult Run(const std::vector<std::string>& lines, const std::string& home,
                    const std::string& path = "/usr/bin:/bin:/usr/bin") {
    e2e::PackRequest request;
    request.mainClass = "e2e.Main";
    request.lines = lines;
    std::string app = dir_.Join("app");
    e2e::Pack(request, app);
    std::remove(trace().c_str());  // a trace is appended to
    ProcessOptions options;
    options.setEnv = {{"JAVA_HOME", home}, {"PATH", path}, {"ZOV_TRACE", trace()}};
    return RunLinux(app, {}, options);
  }
  std::string trace() { return dir_.Join("trace.txt"); }
  // The version the started runtime reports.
  static std::string Started(const ProcessResult& run) {
    std::vector<std::string> v = LinesStartingWith(run.out, "PROP java.vm.version=");
    return v.size() == 1 ? v[0].substr(0, 3) : "none: " + run.err;
  }
  ScopedTempDir dir_;
};

TEST_F(RuntimeChoice, PassesOverRuntimesOutOfBoundsAndSaysWhy) {
  const std::string oldVersion = ReleaseVersion(kOld), newVersion = ReleaseVersion(kNew);

  ProcessResult up = Run({"minjre 21"}, kOld);
  EXPECT_EQ(0, up.status) << up.err;
  EXPECT_EQ("25.", Started(up));
  ExpectLines(ReadFile(trace()),
              {"runtime e: " + Library(kOld) + ": too old: " + oldVersion + " < 21"});

  ProcessResult down = Run({"maxjre 17"}, kNew);
  EXPECT_EQ(0, down.status) << down.err;
  EXPECT_EQ("17.", Started(down));
  ExpectLines(ReadFile(trace()),
              {"runtime e: " + Library(kNew) + ": too new: " + newVersion + " > 17",
               "runtime p: " + kOld + "/bin/../lib/server/libjvm.so: found " +
                   oldVersion});

  // Nothing fits: the best version found is named, each PATH folder tried
  // once (/bin is a link to /usr/bin), no registry lines.
  ProcessResult none = Run({"minjre 99"}, kOld);
  EXPECT_EQ(6, none.status);
  EXPECT_EQ("Error: Java virtual machine version 25.0 is too low, require 99.0 "
            "or higher.\n", none.err);
  std::string text = ReadFile(trace());
  ExpectLines(text, {
      "runtime e: " + Library(kOld) + ": too old: " + oldVersion + " < 99",
      "runtime f: " + Library(kNew) + ": too old: " + newVersion + " < 99",
      "runtime: none found",
  });
  std::vector<std::string> javas;
  for (const std::string& line : LinesStartingWith(text, "runtime p: ")) {
    if (line.size() > 6 && line.compare(line.size() - 6, 6, ": java") == 0) {
      javas.push_back(line);
    }
  }
  EXPECT_EQ(1u, javas.size()) << text;
  for (const char* registry : {"runtime s: ", "runtime i: ", "runtime j: "}) {
    EXPECT_TRUE(LinesStartingWith(text, registry).empty()) << text;
  }

  ProcessResult high = Run({"maxjre 11", "minjre 1.8"}, kOld);
  EXPECT_EQ(11, high.status);
  EXPECT_EQ("Error: Java virtual machine version 17.0 is too high, require "
            "11.0 or lower.\n", high.err);
}

// A runtime whose home has no release file is loaded, then judged.
TEST_F(RuntimeChoice, JudgesAnUnknownVersionOnceLoaded) {
  std::string bare = dir_.Join("bare");
  testing_support::MakeDirectory(bare + "/lib/server");
  ASSERT_EQ(0, symlink(Library(kOld).c_str(), Library(bare).c_str()));
  for (const char* bound : {"maxjre 16.9", "minjre 17.1"}) {
    ProcessResult run = Run({bound, "jre_order e"}, bare);
    EXPECT_EQ(bound[1] == 'a' ? 11 : 6, run.status) << bound << run.err;
    EXPECT_EQ(std::string::npos, run.out.find("MAIN DONE"));
    ExpectLines(ReadFile(trace()), {"runtime e: " + Library(bare) + ": found"});
  }
  ProcessResult fits = Run({"maxjre 17.0", "jre_order e"}, bare);
  EXPECT_EQ(0, fits.status) << fits.err;
}

}  // namespace
}  // namespace e2e
