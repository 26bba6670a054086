// A Windows file that carries its runtime (the test runtime as
// bin\server\jvm.dll of a home), under Wine: unpacked into
// LOCALAPPDATA\zov\runtimes\KEY on the first start, loaded from there on
// the next; of the target's width (e2e::WindowsTarget()).
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

class WinePackedRuntime : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { e2e::StartWineSession(); }

  e2e::WineRun Run(const std::string& exe, const std::string& trace) {
    e2e::ProcessOptions options;
    options.timeoutSeconds = 120;
    options.setEnv = {{"ZOV_TRACE", WindowsPath(trace)}};
    return e2e::RunWine(exe, {}, dir_.Join("runtime.log"), options);
  }

  ScopedTempDir dir_;
};

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(WinePackedRuntime, UnpacksOnceIntoTheUsersCacheThenLoadsFromThere) {
  std::string home = dir_.Join("jdk/");
  testing_support::MakeDirectory(home + "bin/server");
  WriteFile(home + "bin/server/jvm.dll",
            ReadFile(e2e::WindowsTestRuntime("jvm/jvm.dll")));
  // A key of this run's own, so that a copy an earlier run left in the
  // prefix is not reused.
  WriteFile(home + "release", "JAVA_VERSION=\"17\"\r\nRUN=\"" + dir_.path() + "\"\r\n");
  e2e::PackRequest request;
  request.target = e2e::WindowsTarget();
  request.mainClass = "e2e.Main";
  request.lines = {"jre_order r"};
  request.extra = {"--runtime", home};
  std::string exe = dir_.Join("app.exe");
  e2e::Pack(request, exe);

  e2e::WineRun first = Run(exe, dir_.Join("first.txt"));
  std::string trace = ReadFile(dir_.Join("first.txt"));
  EXPECT_EQ(0, first.process.status) << trace;
  EXPECT_TRUE(first.boxes.empty());
  EXPECT_TRUE(Has(first.log, "CallStaticVoidMethodV")) << first.log;
  EXPECT_TRUE(Has(trace, "runtime r: unpacked into ")) << trace;
  std::vector<std::string> found = e2e::LinesStartingWith(trace, "runtime r: ");
  std::string library;
  for (const std::string& line : found) {
    // "found", and the version when the home's release file names one.
    size_t at = line.find(": found");
    if (at != std::string::npos) library = line.substr(0, at);
  }
  EXPECT_TRUE(Has(library, "\\AppData\\Local\\zov\\runtimes\\")) << trace;
  EXPECT_TRUE(Has(library, "\\bin\\server\\jvm.dll")) << trace;

  e2e::WineRun later = Run(exe, dir_.Join("later.txt"));
  trace = ReadFile(dir_.Join("later.txt"));
  EXPECT_EQ(0, later.process.status) << trace;
  EXPECT_TRUE(Has(trace, "runtime r: reused ")) << trace;
  EXPECT_FALSE(Has(trace, "unpacked")) << trace;
  EXPECT_TRUE(Has(trace, library + ": found")) << trace;

  // A start that unpacks (a new key) removes a copy unused for 40 days and
  // what a killed start left, through Windows stamps and renames. Wine
  // renames a folder with an open file inside, which Windows refuses, so
  // the in-use rule is tested on Linux. The 32-bit guest's prefix is not
  // at hand here.
  const char* prefix = std::getenv("WINEPREFIX");
  size_t drive = library.find(":\\");
  if (e2e::WindowsTarget() != "win64" || prefix == nullptr || drive == std::string::npos) {
    return;
  }
  namespace fs = std::filesystem;
  std::string runtimes = library.substr(drive + 2, library.find("\\runtimes\\") + 10 - drive - 2);
  for (char& c : runtimes) {
    if (c == '\\') c = '/';
  }
  runtimes = std::string(prefix) + "/drive_c/" + runtimes;
  std::string copy = library.substr(library.find("\\runtimes\\") + 10, 32);
  EXPECT_TRUE(fs::exists(runtimes + copy + "/zov.lock")) << runtimes;
  // The test runtime came without a base archive: one was made for it
  // after the first start, by a process of its own.
  std::string base = runtimes + copy + "/bin/server/classes.jsa";
  for (int i = 0; i < 600 && (!fs::exists(base) || fs::exists(base + ".tmp")); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ("testruntime archive\n", ReadFile(base)) << later.log;
  EXPECT_FALSE(fs::exists(base + ".tmp"));
  std::string unused = runtimes + std::string(32, 'f') + "/";
  std::string recent = runtimes + std::string(32, 'e') + "/";
  std::string left = runtimes + std::string(32, 'd') + ".77/";
  for (const std::string& folder : {unused, recent, left}) {
    fs::create_directories(folder + "bin");
    WriteFile(folder + "zov.lock", "u");
  }
  auto now = fs::file_time_type::clock::now();
  fs::last_write_time(unused + "zov.lock", now - std::chrono::hours(40 * 24));
  fs::last_write_time(recent + "zov.lock", now - std::chrono::hours(20 * 24));
  fs::last_write_time(left + "zov.lock", now - std::chrono::hours(48));
  WriteFile(home + "release", "JAVA_VERSION=\"17\"\r\nRUN=\"2" + dir_.path() + "\"\r\n");
  std::string other = dir_.Join("other.exe");
  e2e::Pack(request, other);
  e2e::WineRun swept = Run(other, dir_.Join("swept.txt"));
  trace = ReadFile(dir_.Join("swept.txt"));
  EXPECT_EQ(0, swept.process.status) << trace;
  EXPECT_TRUE(Has(trace, "runtime r: unpacked into ")) << trace;
  EXPECT_FALSE(fs::exists(unused)) << trace;
  EXPECT_FALSE(fs::exists(left)) << trace;
  EXPECT_TRUE(fs::exists(recent + "bin"));
  EXPECT_TRUE(fs::exists(runtimes + copy + "/bin/server/jvm.dll"));
  fs::remove_all(recent);
}

}  // namespace
}  // namespace e2e
