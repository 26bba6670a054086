// A packed Linux file that carries its own runtime (zovpack --runtime):
// where no Java is installed, after a killed or concurrent first start, a
// damaged cache, an update, and a cache that cannot be written.
#include <sys/stat.h>

#include <chrono>
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

class PackedRuntime : public ::testing::Test {
 protected:
  // One packed file for the suite, of the build's java.base image.
  static void SetUpTestSuite() {
    suiteDir_ = new ScopedTempDir();
    packed_ = new std::string(suiteDir_->Join("app"));
    PackInto(*packed_, {});
  }

  static void PackInto(const std::string& path, std::vector<std::string> lines,
                       const char* mainClass = "e2e.Carried",
                       const std::string& runtime = ZOV_E2E_RUNTIME) {
    e2e::PackRequest request;
    request.mainClass = mainClass;
    request.lines = std::move(lines);
    request.extra = {"--runtime", runtime};
    e2e::Pack(request, path);
  }
  static void TearDownTestSuite() {
    delete packed_;
    delete suiteDir_;
    suiteDir_ = nullptr;
  }

  // The suite's packed file, or one packed with lines (a new version).
  std::string PackApp(const std::string& name,
                      std::vector<std::string> lines = {}) {
    std::string path = dir_.Join(name);
    if (lines.empty()) {
      fs::copy_file(*packed_, path);
    } else {
      PackInto(path, std::move(lines));
    }
    return path;
  }

  // The launcher with the cache and temporary folder of this test, no
  // Java in the environment, the trace on standard error.
  ProcessResult Run(const std::string& app, std::vector<std::string> args = {},
                    std::vector<std::pair<std::string, std::string>> env = {},
                    bool hideJava = false) {
    ProcessOptions options;
    options.setEnv = {{"XDG_CACHE_HOME", dir_.Join("cache")}, {"TMPDIR", dir_.Join("tmp")},
                      {"ZOV_TRACE", "-"}, {"LANG", "C.UTF-8"}};
    options.setEnv.insert(options.setEnv.end(), env.begin(), env.end());
    options.unsetEnv = {"JAVA_HOME", "JRE_HOME", "CLASSPATH", "LC_ALL",
                        "JAVA_TOOL_OPTIONS", "_JAVA_OPTIONS"};
    std::vector<std::string> argv = {app};
    argv.insert(argv.end(), args.begin(), args.end());
    // A user's machine without Java: /usr/lib/jvm empty, and with it every
    // java command that links there.
    if (hideJava) argv = WithoutFolders({"/usr/lib/jvm"}, argv);
    ProcessResult run = RunProcess(argv, options);
    // One step of a test at a time: not beside the base archive's maker.
    e2e::AwaitLeftBehind(app);
    return run;
  }

  std::vector<std::string> Runtimes() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(cache_ + "zov/runtimes", ec)) {
      names.push_back(e.path().filename().string());
    }
    return names;
  }

  static ScopedTempDir* suiteDir_;
  static std::string* packed_;
  ScopedTempDir dir_;
  std::string cache_ = dir_.Join("cache/");
  std::string temp_ = dir_.Join("tmp/");
};

ScopedTempDir* PackedRuntime::suiteDir_ = nullptr;
std::string* PackedRuntime::packed_ = nullptr;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(PackedRuntime, RunsAloneWhereNoJavaIsInstalledThenFromTheCache) {
  testing_support::MakeDirectory(temp_);
  std::string packed = PackApp("app");
  ScopedTempDir empty;
  std::string app = empty.Join("app");
  fs::copy_file(packed, app);
  fs::permissions(app, fs::perms::owner_all);

  ProcessResult first = Run(app, {"one", "two words"}, {}, true);
  if (CouldNotHide(first)) {
    GTEST_SKIP() << "no mount namespace here: " << first.err;
  }
  ASSERT_EQ(0, first.status) << first.err;
  ProcessResult java = RunProcess({ZOV_JDK_HOME "/bin/java", "-cp", app,
                                   "e2e.Carried", "one", "two words"});
  EXPECT_EQ(java.out, first.out);
  EXPECT_TRUE(Has(first.err, "runtime r: unpacked into ")) << first.err;
  std::vector<std::string> home = LinesStartingWith(first.err, "HOME ");
  ASSERT_EQ(1u, home.size()) << first.err;
  EXPECT_EQ(0u, home[0].find(cache_ + "zov/runtimes/")) << home[0];
  // One copy under its key, nothing of the unpacking left beside it.
  std::vector<std::string> names = Runtimes();
  ASSERT_EQ(1u, names.size());
  EXPECT_EQ(cache_ + "zov/runtimes/" + names[0], home[0]);
  EXPECT_EQ(32u, names[0].size());
  // The runtime's programs keep their executable bit.
  EXPECT_TRUE((fs::status(home[0] + "/bin/java").permissions() &
               fs::perms::owner_exec) != fs::perms::none);

  ProcessResult later = Run(app, {"one", "two words"}, {}, true);
  ASSERT_EQ(0, later.status) << later.err;
  EXPECT_EQ(java.out, later.out);
  EXPECT_TRUE(Has(later.err, "runtime r: reused ")) << later.err;
  EXPECT_FALSE(Has(later.err, "unpacked")) << later.err;

  // zovpack --show names the same key and the runtime's version.
  ProcessResult shown = RunProcess({ZOVPACK, "--show", app});
  EXPECT_TRUE(Has(shown.out, "cache key: " + names[0])) << shown.out;
  EXPECT_TRUE(Has(shown.out, "runtime:     Java ")) << shown.out;
  EXPECT_TRUE(Has(shown.out, "modules:   java.base")) << shown.out;
}

TEST_F(PackedRuntime, JlinkMakesTheRuntimeTheApplicationNeeds) {
  e2e::PackRequest request;
  request.mainClass = "e2e.Carried";
  request.extra = {"--jlink", "--jdk", ZOV_JDK_HOME, "--no-service-modules",
                   "--add-modules", "jdk.zipfs"};
  std::string app = dir_.Join("app");
  e2e::Pack(request, app);
  ProcessResult shown = RunProcess({ZOVPACK, "--show", app});
  // e2e.Main in the same jar needs java.management, which jdeps finds.
  EXPECT_TRUE(Has(shown.out, "modules:   java.base java.management jdk.zipfs"))
      << shown.out;
  EXPECT_FALSE(fs::exists(app + ".jlink"));

  ProcessResult run = Run(app, {"a"}, {}, true);
  if (CouldNotHide(run)) {
    GTEST_SKIP() << "no mount namespace here: " << run.err;
  }
  EXPECT_EQ(0, run.status) << run.err;
  ProcessResult java = RunProcess({ZOV_JDK_HOME "/bin/java", "-cp", app, "e2e.Carried", "a"});
  EXPECT_EQ(java.out, run.out);
  EXPECT_EQ(1u, LinesStartingWith(run.err, "HOME " + cache_ + "zov/runtimes/").size())
      << run.err;

  ProcessResult refused = RunProcess({ZOVPACK, ZOV_E2E_JAR, "-o", dir_.Join("no"),
                                      "--target", "linux", "--stub", ZOV_LINUX_STUB,
                                      "--main-class", "e2e.Carried", "--jlink",
                                      "--jdk", dir_.path()});
  EXPECT_NE(0, refused.status);
  EXPECT_TRUE(Has(refused.err, "is not a JDK with jlink")) << refused.err;
}

TEST_F(PackedRuntime, JlinkReadsARealApplicationAndKeepsTheLinkForTheNextPack) {
  std::string app = dir_.Join("real");
  // A folder of the user's, named as the one zovpack once linked in.
  testing_support::MakeDirectory(app + ".jlink");
  WriteFile(app + ".jlink/mine", "kept");
  ProcessOptions options;
  options.setEnv = {{"XDG_CACHE_HOME", dir_.Join("packcache")}};
  std::vector<std::string> pack = {ZOVPACK, ZOV_REAL_JAR, "-o", app, "--target", "linux",
                                   "--stub", ZOV_LINUX_STUB, "--jlink", "--jdk", ZOV_JDK_HOME};
  ProcessResult packed = RunProcess(pack, options);
  ASSERT_EQ(0, packed.status) << packed.err;
  EXPECT_TRUE(Has(packed.err, "warning: jdeps: Warning: split package: javax.xml.namespace"))
      << packed.err;
  EXPECT_TRUE(Has(packed.err, "jdk.deploy/com.sun.deploy: not in the runtime")) << packed.err;
  EXPECT_TRUE(Has(packed.err, "java.base/sun.none: not in the runtime")) << packed.err;
  EXPECT_EQ("kept", ReadFile(app + ".jlink/mine"));
  ProcessResult shown = RunProcess({ZOVPACK, "--show", app});
  // java.net.http only from the jar's Java 11 classes; EC only as a service.
  EXPECT_TRUE(Has(shown.out, "java.net.http")) << shown.out;
  EXPECT_TRUE(Has(shown.out, "jdk.crypto.ec")) << shown.out;
  EXPECT_TRUE(Has(shown.out, "option --add-exports=java.base/sun.nio.ch=ALL-UNNAMED")) << shown.out;
  EXPECT_FALSE(Has(shown.out, "jdk.deploy/com.sun.deploy=")) << shown.out;

  ProcessResult run = Run(app, {}, {}, true);
  if (CouldNotHide(run)) {
    GTEST_SKIP() << "no mount namespace here: " << run.err;
  }
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ("SPLIT\nFEATURE 11 HTTP_2\nEC EC\n", run.out) << run.err;
  EXPECT_FALSE(Has(run.err, "WARNING")) << run.err;

  ProcessResult again = RunProcess(pack, options);
  ASSERT_EQ(0, again.status) << again.err;
  EXPECT_TRUE(Has(again.err, "--jlink: the cached runtime")) << again.err;
  // A cached runtime still warns about the C library it needs.
  EXPECT_EQ(Has(packed.err, "the runtime needs glibc"), Has(again.err, "the runtime needs glibc"))
      << again.err;
  EXPECT_EQ(shown.out, RunProcess({ZOVPACK, "--show", app}).out);
}

// The files of the class-data cache ending in suffix.
std::vector<std::string> CacheFiles(const std::string& cache, const std::string& suffix) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(cache + "zov/cds", ec)) {
    std::string name = e.path().string();
    if (name.size() > suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
      names.push_back(name);
    }
  }
  return names;
}

TEST_F(PackedRuntime, JlinkCdsWritesAndMapsItsArchivesOnJava17And25) {
  for (std::string jdk : {ZOV_JDK_HOME, ZOV_JDK25_HOME}) {
    SCOPED_TRACE(jdk);
    if (!fs::exists(jdk + "/bin/jlink")) {
      std::fprintf(stderr, "SKIPPED LOUDLY: no JDK at %s\n", jdk.c_str());
      continue;
    }
    bool java25 = jdk == ZOV_JDK25_HOME;
#ifdef ZOV_SANITIZED
    // Java 25's archive writer reads past its own buffers, which
    // AddressSanitizer stops: nothing of ours to see there.
    if (java25) continue;
#endif
    e2e::PackRequest request;
    request.mainClass = "e2e.Carried";
    request.extra = {"--jlink", "--cds", "--jdk", jdk};
    std::string app = dir_.Join(java25 ? "app25" : "app17");
    e2e::Pack(request, app);
    fs::remove_all(cache_ + "zov/cds");

    ProcessResult first = Run(app, {"a"}, {}, true);
    if (CouldNotHide(first)) {
      GTEST_SKIP() << "no mount namespace here: " << first.err;
    }
    ASSERT_EQ(0, first.status) << first.err;
    EXPECT_EQ("ARG a\nSUM 5050\nMAIN DONE\n", first.out) << first.err;
    std::vector<std::string> home = LinesStartingWith(first.err, "HOME ");
    ASSERT_EQ(1u, home.size()) << first.err;
    // The runtime maps its own classes from the archive zovpack made.
    EXPECT_TRUE(fs::exists(home[0] + "/lib/server/classes.jsa"));
    ProcessResult second = Run(app, {"a"}, {}, true);
    ASSERT_EQ(0, second.status) << second.err;
    EXPECT_EQ(first.out, second.out);
    std::vector<std::string> archives = CacheFiles(cache_, ".jsa");
    ASSERT_EQ(1u, archives.size()) << first.err;
    EXPECT_TRUE(CacheFiles(cache_, ".tmp").empty());
    std::string java = home[0] + "/bin/java";
    if (!java25) {
      EXPECT_TRUE(Has(second.err, "cds: -XX:SharedArchiveFile=" + archives[0])) << second.err;
      // -Xshare:on fails unless the runtime maps both archives.
      ProcessResult strict = RunProcess({java, "-Xshare:on", "-XX:SharedArchiveFile=" +
                                         archives[0], "-cp", app, "e2e.Carried", "a"});
      EXPECT_EQ(0, strict.status) << strict.out << strict.err;
      continue;
    }
    // Java 25: the second start recorded, a process of its own creates
    // the cache, the third maps it.
    EXPECT_TRUE(Has(second.err, "-XX:AOTMode=record")) << second.err;
    for (int i = 0; i < 1200 && (CacheFiles(cache_, ".aot").empty() ||
                                 !CacheFiles(cache_, ".aotconf").empty()); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::vector<std::string> caches = CacheFiles(cache_, ".aot");
    ASSERT_EQ(1u, caches.size());
    ProcessResult third = Run(app, {"a"}, {}, true);
    EXPECT_EQ(0, third.status) << third.err;
    EXPECT_EQ(first.out, third.out);
    EXPECT_TRUE(Has(third.err, "cds: -XX:AOTCache=" + caches[0])) << third.err;
    ProcessResult strict = RunProcess({java, "-XX:AOTMode=on", "-XX:AOTCache=" + caches[0],
                                       "-Xlog:aot*=off", "-cp", app, "e2e.Carried", "a"});
    EXPECT_EQ(0, strict.status) << strict.out << strict.err;
  }
}

TEST_F(PackedRuntime, ARuntimeThatRefusesTheCacheOptionsStillRunsTheApplication) {
  // The build's image, installed, has no base archive: Java 17 refuses to
  // start with -XX:ArchiveClassesAtExit ("Error occurred during
  // initialization of VM").
  e2e::PackRequest request;
  request.mainClass = "e2e.Carried";
  request.lines = {"cds auto"};
  std::string app = dir_.Join("cds");
  e2e::Pack(request, app);
  std::vector<std::pair<std::string, std::string>> installed = {
      {"JAVA_HOME", ZOV_E2E_RUNTIME}};
  ProcessResult java = RunProcess({ZOV_JDK_HOME "/bin/java", "-cp", app, "e2e.Carried", "a"});
  ProcessResult refused = Run(app, {"a"}, installed);
  EXPECT_EQ(0, refused.status) << refused.err;
  EXPECT_EQ(java.out, refused.out);
  EXPECT_TRUE(Has(refused.err, "cds: the runtime refused to start with its options"))
      << refused.err;
  EXPECT_TRUE(Has(refused.err, "cds: off, the runtime refused to start")) << refused.err;
  // Nothing of the archive that was never written.
  EXPECT_TRUE(CacheFiles(cache_, ".tmp").empty());
  EXPECT_EQ(1u, CacheFiles(cache_, ".off").size());

  ProcessResult later = Run(app, {"a"}, installed);
  EXPECT_EQ(0, later.status) << later.err;
  EXPECT_EQ(java.out, later.out);
  EXPECT_TRUE(Has(later.err, "cds: off, the runtime refused its options before")) << later.err;
  EXPECT_FALSE(Has(later.err, "Error occurred")) << later.err;
}

TEST_F(PackedRuntime, ACarriedRuntimeWithoutItsBaseArchiveGetsOneAfterItsFirstStart) {
  // The build's image, carried, has no base archive (as one linked where
  // zovpack could not run it): the first start adds no archive option,
  // and a process of its own makes the base once that start has ended.
  std::string app = PackApp("cds", {"cds auto"});
  ProcessResult first = Run(app, {"a"});
  ASSERT_EQ(0, first.status) << first.err;
  EXPECT_TRUE(Has(first.err, "cds: no base archive")) << first.err;
  EXPECT_FALSE(Has(first.err, "-XX:ArchiveClassesAtExit")) << first.err;
  std::vector<std::string> home = LinesStartingWith(first.err, "HOME ");
  ASSERT_EQ(1u, home.size()) << first.err;
  std::string base = home[0] + "/lib/server/classes.jsa";
  for (int i = 0; i < 1200 && (!fs::exists(base) || fs::exists(base + ".tmp")); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_TRUE(fs::exists(base));
  EXPECT_FALSE(fs::exists(base + ".tmp"));
  // -Xshare:on fails unless the runtime maps it.
  ProcessResult strict =
      RunProcess({home[0] + "/bin/java", "-Xshare:on", "-cp", app, "e2e.Carried", "a"});
  EXPECT_EQ(0, strict.status) << strict.out << strict.err;

  // Now the application's own archive on top of it, then mapped.
  ProcessResult second = Run(app, {"a"});
  EXPECT_EQ(0, second.status) << second.err;
  EXPECT_EQ(first.out, second.out);
  EXPECT_TRUE(Has(second.err, "cds: archive written: 1")) << second.err;
  ProcessResult third = Run(app, {"a"});
  EXPECT_EQ(first.out, third.out);
  EXPECT_TRUE(Has(third.err, "cds: -XX:SharedArchiveFile=")) << third.err;
  EXPECT_TRUE(CacheFiles(cache_, ".off").empty());
}

TEST_F(PackedRuntime, JlinkRunsAModularApplicationAsItsNamedModule) {
  e2e::PackRequest request;
  request.jar = ZOV_MODULAR_JAR;
  request.extra = {"--jlink", "--jdk", ZOV_JDK_HOME};
  std::string app = dir_.Join("modular");
  e2e::Pack(request, app);
  ProcessResult run = Run(app, {}, {}, true);
  if (CouldNotHide(run)) {
    GTEST_SKIP() << "no mount namespace here: " << run.err;
  }
  EXPECT_EQ(0, run.status) << run.err;
  // As java -m runs it, not from the class path's unnamed module.
  EXPECT_EQ("MODULE e2e.modular\nMAIN DONE\n", run.out) << run.err;
}

TEST_F(PackedRuntime, ConcurrentFirstStartsAllRunAndLeaveOneCopy) {
  std::string app = PackApp("app");
  // What starts killed while unpacking left: one two days ago, one (maybe
  // still unpacking) just now.
  std::string runtimes = cache_ + "zov/runtimes/";
  std::string old = "0123456789abcdef0123456789abcdef.4242";
  std::string recent = "0123456789abcdef0123456789abcdef.4243";
  for (const std::string& name : {old, recent}) {
    fs::create_directories(runtimes + name + "/lib");
    WriteFile(runtimes + name + "/lib/modules", "part");
  }
  fs::last_write_time(runtimes + old,
                      fs::file_time_type::clock::now() - std::chrono::hours(48));
  std::vector<ProcessResult> runs(4);
  std::vector<std::thread> threads;
  for (ProcessResult& run : runs) {
    threads.emplace_back([&] { run = Run(app, {"x"}); });
  }
  for (std::thread& t : threads) t.join();
  for (const ProcessResult& run : runs) {
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(std::vector<std::string>{"DONE"}, LinesStartingWith(run.out, "MAIN "));
  }
  std::vector<std::string> names = Runtimes();
  ASSERT_EQ(2u, names.size()) << testing::PrintToString(names);
  EXPECT_TRUE(names[0] == recent || names[1] == recent);
  EXPECT_TRUE(names[0].size() == 32 || names[1].size() == 32);
}

TEST_F(PackedRuntime, DamagedCopyIsUnpackedAgainAndAnUpdateReusesIt) {
  std::string app = PackApp("app");
  ASSERT_EQ(0, Run(app).status);
  std::vector<std::string> names = Runtimes();
  ASSERT_EQ(1u, names.size());
  std::string home = cache_ + "zov/runtimes/" + names[0] + "/";

  // What antivirus tools do: one file deleted, one cut short.
  fs::remove(home + "lib/libjava.so");
  fs::resize_file(home + "lib/modules", 1000);
  ProcessResult repaired = Run(app);
  EXPECT_EQ(0, repaired.status) << repaired.err;
  EXPECT_TRUE(Has(repaired.err, "missing or cut")) << repaired.err;
  EXPECT_TRUE(Has(repaired.err, "runtime r: unpacked into ")) << repaired.err;
  EXPECT_EQ(std::vector<std::string>{names[0]}, Runtimes());
  EXPECT_GT(fs::file_size(home + "lib/modules"), 1000u);

  // A new version of the application with the same runtime unpacks nothing.
  std::string update = PackApp("app2", {"property app.version=2"});
  ProcessResult updated = Run(update);
  EXPECT_EQ(0, updated.status) << updated.err;
  EXPECT_TRUE(Has(updated.err, "runtime r: reused " + home)) << updated.err;
  EXPECT_FALSE(Has(updated.err, "unpacked")) << updated.err;
}

void Age(const std::string& path, int hours) {
  fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(hours));
}

TEST_F(PackedRuntime, CopiesUnusedForLongAndLeftoversGoButNoneInUse) {
  std::string app = PackApp("app");
  // A second runtime, so a second key: the one a start keeps running from.
  std::string runtime = dir_.Join("runtime2");
  fs::copy(ZOV_E2E_RUNTIME, runtime, fs::copy_options::recursive);
  WriteFile(runtime + "/release", ReadFile(runtime + "/release") + "RUN=2\n");
  std::string held = dir_.Join("held");
  PackInto(held, {}, "e2e.Carried", runtime);
  std::string other = dir_.Join("other");
  fs::copy_file(held, other);
  // The held start waits inside its runtime until pause is removed.
  std::string pause = dir_.Join("paused");
  WriteFile(dir_.Join("held.cfg"),
            "option -XX:+UnlockDiagnosticVMOptions\noption -XX:+PauseAtStartup\n"
            "option -XX:PauseAtStartupFile=" + pause + "\n");
  ProcessResult holder;
  std::thread holding([&] { holder = Run(held); });
  for (int i = 0; i < 600 && !fs::exists(pause); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_TRUE(fs::exists(pause));
  ASSERT_EQ(1u, Runtimes().size());
  std::string runtimes = cache_ + "zov/runtimes/";
  std::string inUse = runtimes + Runtimes()[0] + "/";

  // Last used 40 days ago, as after a long run.
  Age(inUse + "zov.lock", 40 * 24);
  // Copies last used 40 and 20 days ago (the mark counts, not the folder's
  // time), what killed starts left, a temporary copy of a start.
  std::string unused = runtimes + std::string(32, 'f') + "/";
  std::string recent = runtimes + std::string(32, 'e') + "/";
  std::string left = runtimes + std::string(32, 'd') + ".77/";
  std::string leftTemp = temp_ + "zov-runtime-77/";
  std::string recentTemp = temp_ + "zov-runtime-78/";
  for (const std::string& folder : {unused, recent, left, leftTemp, recentTemp}) {
    fs::create_directories(folder + "lib");
    WriteFile(folder + "lib/modules", "part");
    WriteFile(folder + "zov.lock", "u");
  }
  Age(unused + "zov.lock", 40 * 24);
  Age(recent + "zov.lock", 20 * 24);
  Age(recent, 40 * 24);
  Age(left + "zov.lock", 48);
  Age(leftTemp + "zov.lock", 48);

  // The sweep runs when a start unpacks.
  ProcessResult first = Run(app);
  EXPECT_EQ(0, first.status) << first.err;
  EXPECT_TRUE(Has(first.err, "runtime r: unpacked into ")) << first.err;
  EXPECT_FALSE(fs::exists(unused));
  EXPECT_FALSE(fs::exists(left));
  EXPECT_FALSE(fs::exists(leftTemp));
  EXPECT_TRUE(fs::exists(recent + "lib/modules"));
  EXPECT_TRUE(fs::exists(recentTemp + "lib/modules"));
  EXPECT_TRUE(fs::exists(inUse + "bin/java")) << first.err;

  // Damaged while in use: it stays, this start runs from a folder of its own.
  fs::remove(inUse + "release");
  ProcessResult damaged = Run(other);
  EXPECT_EQ(0, damaged.status) << damaged.err;
  std::vector<std::string> home = LinesStartingWith(damaged.err, "HOME ");
  ASSERT_EQ(1u, home.size()) << damaged.err;
  EXPECT_EQ(0u, home[0].find(inUse.substr(0, inUse.size() - 1) + ".")) << home[0];
  EXPECT_TRUE(fs::exists(inUse + "bin/java"));

  fs::remove(pause);
  holding.join();
  EXPECT_EQ(0, holder.status) << holder.err;
  EXPECT_EQ(std::vector<std::string>{"DONE"}, LinesStartingWith(holder.out, "MAIN "));

  // No longer in use, the old copy goes at the next unpacking (the first
  // key's copy is removed so that one happens).
  for (const std::string& name : Runtimes()) {
    std::string path = runtimes + name + "/";
    if (name.size() == 32 && path != inUse && path != recent) fs::remove_all(path);
  }
  Age(inUse + "zov.lock", 40 * 24);  // the damaged start's look marked it
  ProcessResult later = Run(app);
  EXPECT_EQ(0, later.status) << later.err;
  EXPECT_FALSE(fs::exists(inUse)) << later.err;
}

TEST_F(PackedRuntime, UnwritableCacheUsesTemporaryFolderThenFailsClearly) {
  std::string app = PackApp("app");
  // The machine's own Java is not to be found instead.
  WriteFile(dir_.Join("app.cfg"), "jre_order r\n");
  // A file where the cache folder would be: no folder can be made there.
  WriteFile(dir_.Join("cache"), "");
  testing_support::MakeDirectory(temp_);
  ProcessResult run = Run(app);
  EXPECT_EQ(0, run.status) << run.err;
  std::vector<std::string> home = LinesStartingWith(run.err, "HOME ");
  ASSERT_EQ(1u, home.size()) << run.err;
  EXPECT_EQ(0u, home[0].find(temp_ + "zov-runtime-")) << home[0];
  EXPECT_TRUE(fs::is_empty(temp_)) << "the temporary copy is removed at exit";
  // Also when System.exit asked for a restart.
  std::string restarts = dir_.Join("restarts");
  PackInto(restarts, {"restart_status 9", "jre_order r"}, "e2e.Restarts");
  ProcessResult relaunched = Run(restarts, {dir_.Join("marker")});
  EXPECT_EQ(0, relaunched.status) << relaunched.err;
  EXPECT_EQ(2u, LinesStartingWith(relaunched.out, "START ").size()) << relaunched.out;
  EXPECT_TRUE(fs::is_empty(temp_)) << "removed after the restart too";

  // Nowhere to unpack: message 9, its status, nothing left behind.
  ProcessResult nowhere = Run(app, {}, {{"TMPDIR", dir_.Join("cache")}});
  EXPECT_EQ(9, nowhere.status) << nowhere.err;
  EXPECT_TRUE(Has(nowhere.err,
                  "The Java runtime inside this program could not be unpacked."))
      << nowhere.err;
  EXPECT_TRUE(Has(nowhere.err, "system error")) << nowhere.err;

  // A damaged payload fails the same way, in the cache too.
  fs::remove(dir_.Join("cache"));
  std::string file = ReadFile(app);
  size_t middle = file.size() / 2;  // inside the runtime's data
  for (size_t i = 0; i < 64; ++i) file[middle + i] = static_cast<char>(~file[middle + i]);
  WriteFile(app, file);
  ProcessResult damaged = Run(app);
  EXPECT_EQ(9, damaged.status) << damaged.err;
  EXPECT_TRUE(Runtimes().empty());
  EXPECT_TRUE(fs::is_empty(temp_));
}

}  // namespace
}  // namespace e2e
