// Class-data sharing with the machine's real JVM: the archive a first start
// writes into the user's cache, what later starts make of it, and that the
// application's output and exit status never change on its account.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

class ClassDataSharing : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = dir_.Join("app");
    cache_ = dir_.Join("cache");
    PackRequest request;
    request.mainClass = "e2e.Main";
    request.lines = {"cds auto"};
    Pack(request, app_);
  }

  ProcessResult Run(const std::string& app, const std::string& cache,
                    const std::vector<std::string>& args = {"a b"}) {
    ProcessOptions options;
    options.setEnv = {{"XDG_CACHE_HOME", cache}};
    options.timeoutSeconds = 120;
    ProcessResult run = RunLinux(app, args, options);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0, run.signal) << run.err;
    return run;
  }

  // What the application printed, less the VM options it reports.
  static std::string Output(const ProcessResult& run) {
    std::string kept;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("OPTION ", 0) != 0) kept += line + "\n";
    }
    return kept;
  }

  static std::vector<std::string> CacheFiles(const std::string& cache) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(cache + "/zov/cds", ec)) {
      names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // The output without class sharing: a side file turns it off.
  std::string Plain() {
    WriteFile(app_ + ".cfg", "cds off\n");
    ProcessResult run = Run(app_, cache_);
    fs::remove(app_ + ".cfg");
    EXPECT_TRUE(LinesStartingWith(run.out, "OPTION -XX:").empty()) << run.out;
    return Output(run);
  }

  ScopedTempDir dir_;
  std::string app_;
  std::string cache_;
};

// Java 19 and later keep their archive themselves: the launcher names it on
// every start. Up to 18 it is written at exit, then mapped.
bool RuntimeKeepsArchive() { return std::stoi(e2e::JdkVersion()) >= 19; }

// Java 24 and later: the second start records the ahead-of-time cache
// instead of mapping the archive (AheadOfTimeCache.* follows that path).
bool SecondStartRecords() { return std::stoi(e2e::JdkVersion()) >= 24; }

// The option of a start that writes an archive.
std::string Writes() {
  return RuntimeKeepsArchive() ? "-XX:SharedArchiveFile=" : "-XX:ArchiveClassesAtExit=";
}

bool HasOption(const ProcessResult& run, const std::string& prefix) {
  for (const std::string& o : LinesStartingWith(run.out, "OPTION ")) {
    if (o.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

TEST_F(ClassDataSharing, FirstStartWritesTheArchiveLaterStartsMapIt) {
  if (SecondStartRecords()) GTEST_SKIP() << "the second start records the cache";
  std::string plain = Plain();
  ProcessResult first = Run(app_, cache_);
  EXPECT_EQ(0, first.status) << first.err;
  EXPECT_EQ(plain, Output(first));
  EXPECT_EQ("", first.err);
  EXPECT_TRUE(HasOption(first, Writes() + cache_ + "/zov/cds/")) << first.out;
  std::vector<std::string> files = CacheFiles(cache_);
  ASSERT_EQ(1u, files.size());
  EXPECT_EQ(".jsa", files[0].substr(files[0].size() - 4));
  std::string archive = cache_ + "/zov/cds/" + files[0];

  ProcessResult second = Run(app_, cache_);
  EXPECT_EQ(0, second.status);
  EXPECT_EQ(plain, Output(second));
  EXPECT_EQ("", second.err);
  EXPECT_TRUE(HasOption(second, "-XX:SharedArchiveFile=" + archive)) << second.out;
  EXPECT_EQ(files, CacheFiles(cache_));

  // The runtime itself must accept it: -Xshare:on fails on any mismatch.
  ProcessResult strict = e2e::RunProcess(
      {e2e::JdkHome() + "/bin/java", "-Xshare:on",
       "-XX:SharedArchiveFile=" + archive, "-cp", app_, "e2e.Main"});
  EXPECT_EQ(0, strict.status) << strict.out << strict.err;

  // A new build of the application is a new key; the old archive goes.
  PackRequest request;
  request.mainClass = "e2e.Main";
  request.lines = {"cds auto", "property e2e.property=new"};
  Pack(request, app_);
  ProcessResult rebuilt = Run(app_, cache_);
  EXPECT_EQ(0, rebuilt.status);
  EXPECT_TRUE(HasOption(rebuilt, Writes())) << rebuilt.out;
  std::vector<std::string> after = CacheFiles(cache_);
  ASSERT_EQ(1u, after.size());
  EXPECT_NE(files[0], after[0]);
}

TEST_F(ClassDataSharing, ACutOrForeignArchiveIsReplacedNeverMapped) {
  if (SecondStartRecords()) GTEST_SKIP() << "the second start records the cache";
  std::string plain = Plain();
  Run(app_, cache_);
  std::vector<std::string> files = CacheFiles(cache_);
  ASSERT_EQ(1u, files.size());
  std::string archive = cache_ + "/zov/cds/" + files[0];
  // Cut in half, as a full disk or an interrupted copy leaves it: mapped,
  // the runtime would crash.
  chmod(archive.c_str(), 0644);
  ASSERT_EQ(0, truncate(archive.c_str(), fs::file_size(archive) / 2));
  ProcessResult cut = Run(app_, cache_);
  EXPECT_EQ(0, cut.status) << cut.err;
  EXPECT_EQ(plain, Output(cut));
  EXPECT_EQ("", cut.err);
  // A runtime that keeps its archive checks it and writes it anew.
  EXPECT_EQ(RuntimeKeepsArchive(), HasOption(cut, "-XX:SharedArchiveFile="));
  files = CacheFiles(cache_);  // written anew
  ASSERT_EQ(1u, files.size());
  archive = cache_ + "/zov/cds/" + files[0];

  // Garbage under the very name: the runtime refuses it, quietly.
  fs::remove(archive);
  WriteFile(archive, std::string(size_t{4096}, 'x'));
  fs::rename(archive, archive.substr(0, archive.size() - 12) + "00001000.jsa");
  ProcessResult garbage = Run(app_, cache_);
  EXPECT_EQ(0, garbage.status) << garbage.err;
  EXPECT_EQ(plain, Output(garbage));
  EXPECT_EQ("", garbage.err);
  EXPECT_TRUE(HasOption(garbage, "-XX:SharedArchiveFile="));
}

TEST_F(ClassDataSharing, NoWritableCacheMeansNoOption) {
  std::string plain = Plain();
  // A file where the folder should be.
  std::string blocked = dir_.Join("blocked");
  WriteFile(blocked, "");
  ProcessResult run = Run(app_, blocked);
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ(plain, Output(run));
  EXPECT_FALSE(HasOption(run, "-XX:"));
  EXPECT_FALSE(HasOption(run, "-Xlog"));

  // A read-only folder (root writes anyway, so only for others).
  if (geteuid() != 0) {
    testing_support::MakeDirectory(cache_ + "/zov/cds");
    chmod((cache_ + "/zov/cds").c_str(), 0555);
    ProcessResult readOnly = Run(app_, cache_);
    chmod((cache_ + "/zov/cds").c_str(), 0755);
    EXPECT_EQ(0, readOnly.status);
    EXPECT_EQ(plain, Output(readOnly));
    EXPECT_FALSE(HasOption(readOnly, "-XX:"));
  }
}

TEST_F(ClassDataSharing, SimultaneousFirstStartsLeaveOneWholeArchive) {
  std::string plain = Plain();
  ProcessResult a, b;
  std::thread other([&] { b = Run(app_, cache_); });
  a = Run(app_, cache_);
  other.join();
  EXPECT_EQ(0, a.status);
  EXPECT_EQ(0, b.status);
  EXPECT_EQ(plain, Output(a));
  EXPECT_EQ(plain, Output(b));
  for (const std::string& name : CacheFiles(cache_)) {
    EXPECT_EQ(".jsa", name.substr(name.size() - 4));  // no .tmp left
  }
  if (SecondStartRecords()) return;
  ProcessResult next = Run(app_, cache_);
  EXPECT_EQ(plain, Output(next));
  EXPECT_TRUE(HasOption(next, "-XX:SharedArchiveFile=")) << next.out;
  EXPECT_EQ(1u, CacheFiles(cache_).size());
}

TEST_F(ClassDataSharing, SystemExitStillFinishesTheArchive) {
  std::string app = dir_.Join("exits");
  PackRequest request;
  request.mainClass = "e2e.Exits";
  request.lines = {"cds auto"};
  Pack(request, app);
  ProcessResult first = Run(app, cache_, {"3"});
  EXPECT_EQ(3, first.status);
  EXPECT_EQ("EXITING 3\n", first.out);
  std::vector<std::string> files = CacheFiles(cache_);
  ASSERT_EQ(1u, files.size());
  EXPECT_EQ(".jsa", files[0].substr(files[0].size() - 4));
  ProcessResult second = Run(app, cache_, {"4"});
  EXPECT_EQ(4, second.status);
  EXPECT_EQ("EXITING 4\n", second.out);
  if (!SecondStartRecords()) EXPECT_EQ(files, CacheFiles(cache_));
}

}  // namespace
}  // namespace e2e
