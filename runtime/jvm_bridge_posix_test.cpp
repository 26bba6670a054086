// The bridge against the machine's real Java runtime. HotSpot creates one
// virtual machine per process, so each case starts tests/java's
// jvm_bridge_probe with one scenario and reads back what it and the Java
// test classes printed.
#include <stdlib.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/test_support.h"

namespace {

using testing_support::ReadFile;
using testing_support::ScopedTempDir;
using testing_support::SelfDir;
using Lines = std::vector<std::string>;

struct ProbeRun {
  int status;
  Lines out;
  std::string err;
};

ProbeRun RunProbe(const std::string& scenario) {
  ScopedTempDir dir;
  std::string command = "'" + SelfDir() + "jvm_bridge_probe' " + scenario +
                        " >'" + dir.Join("out") + "' 2>'" + dir.Join("err") +
                        "'";
  ProbeRun run;
  run.status = system(command.c_str());
  std::string out = ReadFile(dir.Join("out"));
  for (size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos;
       start = end + 1) {
    run.out.push_back(out.substr(start, end - start));
  }
  run.err = ReadFile(dir.Join("err"));
  return run;
}

std::string Joined(const Lines& lines) {
  std::string all;
  for (const std::string& line : lines) all += "\n  " + line;
  return all;
}

// The text after "GetJavaVersion=1 version=" in line `index`, or "".
std::string VersionAt(const Lines& lines, size_t index) {
  static const std::string kPrefix = "GetJavaVersion=1 version=";
  if (index >= lines.size() || lines[index].rfind(kPrefix, 0) != 0) return "";
  return lines[index].substr(kPrefix.size());
}

TEST(JvmBridgeRealJvm, RunsMainThroughEveryOutcome) {
  ProbeRun run = RunProbe("run");
  ASSERT_EQ(0, run.status) << run.err;
  std::string version = VersionAt(run.out, 1);
  ASSERT_FALSE(version.empty()) << Joined(run.out);
  EXPECT_TRUE(version[0] >= '1' && version[0] <= '9') << version;

  Lines expected = {
      "CreateVm=0 options=0 vm=1 library=1",
      "GetJavaVersion=1 version=" + version,
      "FindMainClass dots=1 slashes=1",
      // The option and the arguments arrive as the characters they encode.
      "args=6",
      "arg[0]=plain",
      "arg[1]=two words",
      "arg[2]=caf[U+00E9]",
      "arg[3]=[U+4E2D]",
      "arg[4]=",  // null
      "arg[5]=",
      "prop zovtest.greeting=caf[U+00E9] [U+4E2D]",
      "prop java.version=" + version,
      "RunMain PrintArgs=0",
      "args=0",
      "prop zovtest.greeting=caf[U+00E9] [U+4E2D]",
      "prop java.version=" + version,
      "RunMain PrintArgs-none=0",
      "RunMain NoMain=8",
      "RunMain WrongMain=8",
      "RunMain empty=7",
      "RunMain missing=7",
      "RunMain Throws=0 threw=1",
      "main returned",
      "RunMain Lingers=0",
      "Shutdown",
      "worker done",  // DestroyJavaVM waited for the non-daemon thread
      "Shutdown returned vm=0 library=0",
      "Shutdown again returned",
      "GetJavaVersion=0 version=",
  };
  EXPECT_EQ(expected, run.out) << Joined(run.out);

  // Failed lookups and the escaped exception are described, not swallowed.
  EXPECT_NE(std::string::npos,
            run.err.find("NoSuchMethodError: static Lzovtest/NoMain;.main"));
  EXPECT_NE(std::string::npos,
            run.err.find("NoSuchMethodError: static Lzovtest/WrongMain;.main"));
  EXPECT_NE(std::string::npos,
            run.err.find("NoClassDefFoundError: zovtest/Missing"));
  EXPECT_NE(std::string::npos,
            run.err.find("IllegalStateException: zovtest boom"));
}

TEST(JvmBridgeRealJvm, RefusedOptionGivesFourAndEmptiesTheOptions) {
  ProbeRun run = RunProbe("reject");
  ASSERT_EQ(0, run.status) << run.err;
  // HotSpot states its reason on standard output first.
  Lines expected = {"CreateVm=4 options=0 vm=0 library=1",
                    "GetJavaVersion=0 version=", "Shutdown returned library=0"};
  ASSERT_GE(run.out.size(), expected.size()) << run.err;
  EXPECT_EQ(expected, Lines(run.out.end() - 3, run.out.end()))
      << Joined(run.out);
}

TEST(JvmBridgeRealJvm, StartsWithoutAnyOption) {
  ProbeRun run = RunProbe("bare");
  ASSERT_EQ(0, run.status) << run.err;
  ASSERT_EQ(3u, run.out.size()) << Joined(run.out) << run.err;
  EXPECT_EQ("CreateVm=0 options=0 vm=1 library=1", run.out[0]);
  EXPECT_FALSE(VersionAt(run.out, 1).empty()) << run.out[1];
  EXPECT_EQ("Shutdown returned", run.out[2]);
}

}  // namespace
