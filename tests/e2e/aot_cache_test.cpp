// The ahead-of-time cache of Java 25 and later, with Temurin 25: the first
// start writes the dynamic archive, the second records, a process of its
// own creates the cache, later starts map it; a cache the runtime refuses
// is recorded anew; the application's output and status never change.
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const char kTemurin[] = "/usr/lib/jvm/temurin-25-jdk-amd64";

class AheadOfTimeCache : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef ZOV_SANITIZED
    // The runtime's own archive writer reads past its buffers, which
    // AddressSanitizer stops: nothing of ours to see there.
    GTEST_SKIP() << "Java 25's archive writer under AddressSanitizer";
#endif
    if (!fs::exists(std::string(kTemurin) + "/lib/server/libjvm.so")) {
      GTEST_SKIP() << "SKIPPED LOUDLY: no Java 25 at " << kTemurin;
    }
  }

  std::string PackApp(const std::string& mainClass,
                      const std::vector<std::string>& lines) {
    PackRequest request;
    request.mainClass = mainClass;
    request.lines = lines;
    request.lines.push_back("cds auto");
    std::string path = dir_.Join("app");
    Pack(request, path);
    return path;
  }

  ProcessResult Run(const std::string& app, const std::vector<std::string>& args) {
    ProcessOptions options;
    options.setEnv = {{"JAVA_HOME", kTemurin},
                      {"XDG_CACHE_HOME", dir_.Join("cache")},
                      {"XDG_RUNTIME_DIR", dir_.path()},
                      {"ZOV_TRACE", dir_.Join("trace.txt")}};
    options.timeoutSeconds = 120;
    ProcessResult run = RunLinux(app, args, options);
    EXPECT_FALSE(run.timedOut);
    return run;
  }

  std::vector<std::string> CacheFiles(const std::string& suffix) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir_.Join("cache/zov/cds"), ec)) {
      std::string name = e.path().string();
      if (name.size() >= suffix.size() &&
          name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        names.push_back(name);
      }
    }
    return names;
  }

  // The detached creation is done once the cache is there and its
  // configuration gone.
  std::string WaitForCache() {
    for (int i = 0; i < 1200; ++i) {
      if (CacheFiles(".aot").size() == 1 && CacheFiles(".aotconf").empty() &&
          CacheFiles(".tmp").empty()) {
        return CacheFiles(".aot")[0];
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ADD_FAILURE() << "no cache was created";
    return "";
  }

  static std::string Output(const ProcessResult& run) {
    std::string kept;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("OPTION ", 0) != 0) kept += line + "\n";
    }
    return kept;
  }

  static bool HasOption(const ProcessResult& run, const std::string& prefix) {
    for (const std::string& o : LinesStartingWith(run.out, "OPTION ")) {
      if (o.rfind(prefix, 0) == 0) return true;
    }
    return false;
  }

  ScopedTempDir dir_;
};

TEST_F(AheadOfTimeCache, ArchiveFirstThenRecordThenTheCacheAndARefusedOneAnew) {
  std::string app = PackApp("e2e.Main", {});
  ProcessResult first = Run(app, {"a b"});
  EXPECT_EQ(0, first.status) << first.err;
  EXPECT_EQ("", first.err);
  EXPECT_TRUE(HasOption(first, "-XX:SharedArchiveFile=")) << first.out;
  std::string plain = Output(first);

  ProcessResult recording = Run(app, {"a b"});
  EXPECT_EQ(0, recording.status) << recording.err;
  EXPECT_EQ(plain, Output(recording));  // "AOTConfiguration recorded" kept out
  EXPECT_EQ("", recording.err);
  EXPECT_TRUE(HasOption(recording, "-XX:AOTMode=record")) << recording.out;
  std::string cache = WaitForCache();

  ProcessResult mapped = Run(app, {"a b"});
  EXPECT_EQ(0, mapped.status);
  EXPECT_EQ(plain, Output(mapped));
  EXPECT_EQ("", mapped.err);
  EXPECT_TRUE(HasOption(mapped, "-XX:AOTCache=" + cache)) << mapped.out;
  // The runtime itself must take it: AOTMode=on fails on any mismatch.
  ProcessResult strict = e2e::RunProcess(
      {std::string(kTemurin) + "/bin/java", "-XX:AOTMode=on", "-XX:AOTCache=" + cache,
       "-Xlog:aot*=off", "-cp", app, "e2e.Main"});
  EXPECT_EQ(0, strict.status) << strict.out << strict.err;

  // Cut short: refused quietly, removed, and recorded again next time.
  ASSERT_EQ(0, truncate(cache.c_str(), 65536));
  ProcessResult cut = Run(app, {"a b"});
  EXPECT_EQ(0, cut.status);
  EXPECT_EQ(plain, Output(cut));
  EXPECT_EQ("", cut.err);
  EXPECT_TRUE(CacheFiles(".aot").empty());
  EXPECT_TRUE(CacheFiles(".log").empty());
  ProcessResult again = Run(app, {"a b"});
  EXPECT_TRUE(HasOption(again, "-XX:AOTMode=record")) << again.out;
  EXPECT_EQ(cache, WaitForCache());
  std::string trace = ReadFile(dir_.Join("trace.txt"));
  EXPECT_EQ(1u, LinesStartingWith(trace, "cds: cache " + cache + " rejected").size());
  EXPECT_EQ(2u, LinesStartingWith(trace, "cds: created " + cache + ": 1").size());
}

TEST_F(AheadOfTimeCache, ACacheOfAnotherProcessorIsNeitherUsedNorRemoved) {
  std::string app = PackApp("e2e.Main", {});
  ProcessResult first = Run(app, {});
  ASSERT_EQ(0, first.status) << first.err;
  Run(app, {});
  std::string cache = WaitForCache();
  // APP-KEY-CPU.aot: the same cache as another machine sharing this home
  // would have named it.
  size_t cpu = cache.size() - 12;
  std::string other = cache.substr(0, cpu) + (cache[cpu] == '0' ? "1" : "0") +
                      cache.substr(cpu + 1);
  fs::rename(cache, other);

  ProcessResult here = Run(app, {});
  EXPECT_EQ(0, here.status) << here.err;
  EXPECT_EQ(Output(first), Output(here));
  EXPECT_FALSE(HasOption(here, "-XX:AOTCache=")) << here.out;
  EXPECT_TRUE(HasOption(here, "-XX:AOTMode=record")) << here.out;
  for (int i = 0; i < 1200 && !fs::exists(cache); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_TRUE(fs::exists(cache));
  EXPECT_TRUE(fs::exists(other));
  ProcessResult mapped = Run(app, {});
  EXPECT_TRUE(HasOption(mapped, "-XX:AOTCache=" + cache)) << mapped.out;
}

TEST_F(AheadOfTimeCache, ARecordingEndedBySystemExitAndRestartedIsRecordedOnce) {
  std::string app = PackApp("e2e.Restarts", {"restart_status 9"});
  std::string marker = dir_.Join("marker");
  ProcessResult first = Run(app, {"once", marker});  // 9, then 0
  EXPECT_EQ(0, first.status) << first.err;
  fs::remove(marker);
  ProcessResult recording = Run(app, {"x", marker});
  EXPECT_EQ(0, recording.status) << recording.err;
  EXPECT_EQ(2u, LinesStartingWith(recording.out, "START ").size()) << recording.out;
  EXPECT_EQ("", recording.err);
  WaitForCache();
  // The restarted start found the recording under way and did not repeat it.
  std::string trace = ReadFile(dir_.Join("trace.txt"));
  EXPECT_EQ(1u, LinesStartingWith(trace, "vm option -XX:AOTMode=record").size()) << trace;
  ProcessResult mapped = Run(app, {"x", marker});
  EXPECT_EQ(0, mapped.status);
  EXPECT_EQ(1u, LinesStartingWith(mapped.out, "START ").size());
}

}  // namespace
}  // namespace e2e
