// Packed Linux files that carry their application's jars kept whole
// (--lib), its JNI library (--native) and a folder of its own (--files)
// beside a runtime, each copied alone into an empty folder and run where
// neither Java nor the system's Java libraries are installed.
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const std::string kCarry = ZOV_CARRY_DIR;
const std::string kLog4j = ZOV_LOG4J_DIR;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class CarriedFiles : public ::testing::Test {
 protected:
  // The carry application packed with args (zovpack's own options), copied
  // alone into a folder of its own.
  std::string PackAlone(const std::string& name, std::vector<std::string> args,
                        const std::string& runtime = ZOV_E2E_RUNTIME) {
    e2e::PackRequest request;
    request.jar = kCarry + "/carry.jar";
    request.mainClass = "carry.Main";
    request.lines = {"property carry.home=%ZOV_FILES%"};
    request.extra = {"--runtime", runtime};
    request.extra.insert(request.extra.end(), args.begin(), args.end());
    std::string packed = dir_.Join(name + ".packed");
    e2e::Pack(request, packed);
    fs::create_directories(dir_.Join(name));
    std::string app = dir_.Join(name + "/" + name);
    fs::copy_file(packed, app);
    fs::permissions(app, fs::perms::owner_all);
    return app;
  }

  std::vector<std::string> Everything() {
    return {"--lib", kLog4j + "/log4j-api.jar", "--lib", kLog4j + "/log4j-core.jar",
            "--lib", kCarry + "/lib/a.jar", "--native", kCarry + "/native",
            "--files", ZOV_CARRY_SOURCES "/files"};
  }

  // The launcher with this test's cache and temporary folder, on a machine
  // without /usr/lib/jvm and /usr/share/java.
  ProcessResult Run(const std::string& app, std::vector<std::string> args,
                    std::vector<std::pair<std::string, std::string>> env = {}) {
    ProcessOptions options;
    options.timeoutSeconds = 120;
    options.setEnv = {{"XDG_CACHE_HOME", dir_.Join("cache")}, {"TMPDIR", temp_},
                      {"ZOV_TRACE", "-"}, {"LANG", "C.UTF-8"}};
    options.setEnv.insert(options.setEnv.end(), env.begin(), env.end());
    options.unsetEnv = {"JAVA_HOME", "JRE_HOME", "CLASSPATH", "LC_ALL",
                        "JAVA_TOOL_OPTIONS", "_JAVA_OPTIONS"};
    args.insert(args.begin(), app);
    ProcessResult run =
        RunProcess(WithoutFolders({"/usr/lib/jvm", "/usr/share/java"}, args), options);
    // One step of a test at a time: not beside the base archive's maker.
    e2e::AwaitLeftBehind(app);
    hidden_ = !CouldNotHide(run);
    return run;
  }

  // What java -cp prints for the same classes, libraries and files.
  ProcessResult Java(const std::string& classPath, std::vector<std::string> args) {
    std::vector<std::string> argv = {ZOV_JDK_HOME "/bin/java",
                                     "-Djava.library.path=" + kCarry + "/native",
                                     "-Dcarry.home=" ZOV_CARRY_SOURCES "/files",
                                     "-cp", kCarry + "/carry.jar:" + classPath,
                                     "carry.Main"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv);
  }

  std::vector<std::string> Copies(const std::string& kind) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir_.Join("cache/zov/" + kind), ec)) {
      names.push_back(e.path().filename().string());
    }
    return names;
  }

  ScopedTempDir dir_;
  std::string temp_ = dir_.Join("tmp/");
  bool hidden_ = false;
};

#define SKIP_UNLESS_HIDDEN(run) \
  if (!hidden_) GTEST_SKIP() << "SKIPPED: no mount namespace here: " << (run).err

TEST_F(CarriedFiles, JarsKeptWholeLibrariesAndFilesRunAsWithJavaCp) {
  if (kLog4j.empty()) GTEST_SKIP() << "SKIPPED: liblog4j2-java is not installed";
  fs::create_directories(temp_);
  std::string app = PackAlone("app", Everything(), kCarry + "/runtime");
  const std::string classPath = kLog4j + "/log4j-api.jar:" + kLog4j +
                                "/log4j-core.jar:" + kCarry + "/lib/a.jar";

  // log4j2 finds both plugin indexes: log4j-core's and the application's.
  ProcessResult logs = Run(app, {"Logs", "one"});
  SKIP_UNLESS_HIDDEN(logs);
  ASSERT_EQ(0, logs.status) << logs.err;
  EXPECT_EQ("INFO Logs STARTED WITH 1 ARGUMENTS\nWARN Logs QUIET WORDS\n", logs.out);
  EXPECT_EQ(Java(classPath, {"Logs", "one"}).out, logs.out);
  EXPECT_FALSE(Has(logs.err, "StatusLogger")) << logs.err;
  for (const char* kind : {"packed_lib", "packed_native", "packed_files"}) {
    EXPECT_TRUE(Has(logs.err, std::string(kind) + ": unpacked into ")) << logs.err;
  }

  // b.jar is reached only through a.jar's Class-Path.
  ProcessResult chain = Run(app, {"Chain"});
  EXPECT_EQ("CHAIN a then b\n", chain.out) << chain.err;
  EXPECT_TRUE(Has(chain.err, "packed_lib: reused ")) << chain.err;
  EXPECT_FALSE(Has(chain.err, "unpacked")) << chain.err;

  ProcessResult native = Run(app, {"Native"});
  EXPECT_EQ("NATIVE from zovcarry\n", native.out) << native.err;
#ifndef ZOV_SANITIZED  // java cannot load a library built with the sanitizer
  EXPECT_EQ(Java(classPath, {"Native"}).out, native.out);
#endif

  ProcessResult home = Run(app, {"Home"});
  EXPECT_EQ(0, home.status) << home.err;
  e2e::ExpectLines(home.out, {"FILE greeting.txt: hello from the files",
                              "FILE modes/one.txt: mode one"});
  std::vector<std::string> folder = LinesStartingWith(home.out, "HOME ");
  ASSERT_EQ(1u, folder.size()) << home.out;
  EXPECT_EQ(0u, folder[0].find(dir_.Join("cache/zov/files/"))) << folder[0];

  // --show names each payload, its key and its files.
  ProcessResult shown = RunProcess({ZOVPACK, "--show", app});
  EXPECT_TRUE(Has(shown.out, "log4j-core.jar  ")) << shown.out;
  EXPECT_TRUE(Has(shown.out, "    sub/b.jar  ")) << shown.out;
  EXPECT_TRUE(Has(shown.out, "libzovcarry.so")) << shown.out;
  EXPECT_TRUE(Has(shown.out, "modes/one.txt")) << shown.out;
  ASSERT_EQ(1u, Copies("libs").size());
  EXPECT_TRUE(Has(shown.out, "cache key: " + Copies("libs")[0])) << shown.out;
}

TEST_F(CarriedFiles, MergedLog4jKeepsEveryPluginIndex) {
  if (kLog4j.empty()) GTEST_SKIP() << "SKIPPED: liblog4j2-java is not installed";
  e2e::PackRequest request;
  request.jar = kCarry + "/carry.jar";
  request.mainClass = "carry.Main";
  request.extra = {"--runtime", kCarry + "/runtime", "--merge", kLog4j + "/log4j-api.jar",
                   "--merge", kLog4j + "/log4j-core.jar"};
  fs::create_directories(dir_.Join("alone"));
  std::string app = dir_.Join("alone/app");
  e2e::Pack(request, app);
  ProcessResult logs = Run(app, {"Logs"});
  SKIP_UNLESS_HIDDEN(logs);
  EXPECT_EQ(0, logs.status) << logs.err;
  EXPECT_EQ("INFO Logs STARTED WITH 0 ARGUMENTS\nWARN Logs QUIET WORDS\n", logs.out);
  EXPECT_FALSE(Has(logs.err, "StatusLogger")) << logs.err;
}

TEST_F(CarriedFiles, AnUpdateThatKeepsItsLibrariesUnpacksNothing) {
  std::vector<std::string> carried = {"--lib", kCarry + "/lib/a.jar", "--files",
                                      ZOV_CARRY_SOURCES "/files"};
  std::string app = PackAlone("app", carried);
  ProcessResult first = Run(app, {"Chain"});
  SKIP_UNLESS_HIDDEN(first);
  EXPECT_EQ("CHAIN a then b\n", first.out) << first.err;
  EXPECT_TRUE(Has(first.err, "packed_lib: unpacked into ")) << first.err;

  carried.insert(carried.end(), {"--line", "property app.version=2"});
  std::string update = PackAlone("update", carried);
  ProcessResult updated = Run(update, {"Chain"});
  EXPECT_EQ("CHAIN a then b\n", updated.out) << updated.err;
  EXPECT_TRUE(Has(updated.err, "packed_lib: reused ")) << updated.err;
  EXPECT_TRUE(Has(updated.err, "packed_files: reused ")) << updated.err;
  EXPECT_FALSE(Has(updated.err, "unpacked")) << updated.err;
}

TEST_F(CarriedFiles, ConcurrentFirstStartsThenADamagedCopyUnpackedAgain) {
  std::string app = PackAlone("app", {"--lib", kCarry + "/lib/a.jar"});
  std::vector<ProcessResult> runs(4);
  std::vector<std::thread> threads;
  for (ProcessResult& run : runs) {
    threads.emplace_back([&] { run = Run(app, {"Chain"}); });
  }
  for (std::thread& t : threads) t.join();
  SKIP_UNLESS_HIDDEN(runs[0]);
  for (const ProcessResult& run : runs) {
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("CHAIN a then b\n", run.out) << run.err;
  }
  std::vector<std::string> copies = Copies("libs");
  ASSERT_EQ(1u, copies.size()) << testing::PrintToString(copies);
  std::string copy = dir_.Join("cache/zov/libs/" + copies[0] + "/");

  fs::resize_file(copy + "sub/b.jar", 100);
  ProcessResult repaired = Run(app, {"Chain"});
  EXPECT_EQ("CHAIN a then b\n", repaired.out) << repaired.err;
  EXPECT_TRUE(Has(repaired.err, "missing or cut")) << repaired.err;
  EXPECT_TRUE(Has(repaired.err, "packed_lib: unpacked into ")) << repaired.err;
  EXPECT_EQ(copies, Copies("libs"));
}

TEST_F(CarriedFiles, UnwritableCacheUsesTemporaryFolderThenFailsClearly) {
  std::string app = PackAlone("app", {"--files", ZOV_CARRY_SOURCES "/files"});
  WriteFile(dir_.Join("cache"), "");  // no folder can be made there
  fs::create_directories(temp_);
  ProcessResult run = Run(app, {"Home"});
  SKIP_UNLESS_HIDDEN(run);
  EXPECT_EQ(0, run.status) << run.err;
  std::vector<std::string> home = LinesStartingWith(run.out, "HOME ");
  ASSERT_EQ(1u, home.size()) << run.out << run.err;
  EXPECT_EQ(0u, home[0].find(temp_ + "zov-files-")) << home[0];
  EXPECT_TRUE(fs::is_empty(temp_)) << "the temporary copies are removed at exit";

  ProcessResult nowhere = Run(app, {"Home"}, {{"TMPDIR", dir_.Join("cache")}});
  EXPECT_EQ(14, nowhere.status) << nowhere.err;
  EXPECT_TRUE(Has(nowhere.err, "The application's files inside this program could "
                               "not be unpacked."))
      << nowhere.err;
}

}  // namespace
}  // namespace e2e
