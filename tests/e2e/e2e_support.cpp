#include "tests/e2e/e2e_support.h"

#include <signal.h>
#include <stdint.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <sstream>

#include "gtest/gtest.h"
#include "tests/test_support.h"

namespace e2e {

void Pack(const PackRequest& request, const std::string& path) {
  std::vector<std::string> argv = {ZOVPACK, request.jar, "-o", path,
                                   "--target", request.target};
  if (!request.stub.empty()) {
    argv.insert(argv.end(), {"--stub", request.stub});
  } else if (request.target == "linux") {
    argv.insert(argv.end(), {"--stub", ZOV_LINUX_STUB});
  } else {
    argv.insert(argv.end(),
                {"--stub", WindowsStub(request.console ? "zovc" : "zov")});
  }
  if (request.console) argv.push_back("--console");
  if (request.utf8) argv.push_back("--utf8");
  if (!request.mainClass.empty()) {
    argv.insert(argv.end(), {"--main-class", request.mainClass});
  }
  for (const std::string& line : request.lines) {
    argv.insert(argv.end(), {"--line", line});
  }
  if (!request.splash.empty()) argv.insert(argv.end(), {"--splash", request.splash});
  if (!request.icon.empty()) argv.insert(argv.end(), {"--icon", request.icon});
  argv.insert(argv.end(), request.extra.begin(), request.extra.end());
  // Compressing a runtime takes a minute on a machine busy with builds;
  // the test's own timeout still catches a zovpack that hangs.
  ProcessOptions options;
  options.timeoutSeconds = 240;
  // Linked runtimes stay in the build tree, not in the home of whoever
  // runs the tests.
  options.setEnv = {{"XDG_CACHE_HOME", ZOV_BINARY_DIR "/tests/e2e/pack-cache"}};
  ProcessResult packed = RunProcess(argv, options);
  ASSERT_EQ(0, packed.status) << packed.err;
}

void ReplaceComment(const std::string& path, const std::string& comment) {
  std::string file = testing_support::ReadFile(path);
  // The end record is the last signature whose length field reaches the end.
  size_t at = std::string::npos;
  for (size_t p = file.size() >= 22 ? file.size() - 21 : 0; p-- > 0;) {
    if (file.compare(p, 4, "PK\x05\x06", 4) != 0) continue;
    size_t length = static_cast<uint8_t>(file[p + 20]) |
                    static_cast<uint8_t>(file[p + 21]) << 8;
    if (p + 22 + length == file.size()) {
      at = p;
      break;
    }
  }
  ASSERT_NE(std::string::npos, at) << path << " has no end record";
  ASSERT_LE(comment.size(), 0xFFFFu);
  file.resize(at + 20);
  file += static_cast<char>(comment.size() & 0xFF);
  file += static_cast<char>(comment.size() >> 8);
  file += comment;
  testing_support::WriteFile(path, file);
}

std::string JdkHome() {
  const char* jdk = std::getenv("ZOV_E2E_JDK");
  return jdk != nullptr && *jdk != 0 ? jdk : ZOV_JDK_HOME;
}

std::string JdkVersion() {
  std::smatch version;
  std::string release = testing_support::ReadFile(JdkHome() + "/release");
  if (!std::regex_search(release, version,
                         std::regex("JAVA_VERSION=\"(\\d+)(\\.(\\d+))?"))) {
    return "?";
  }
  return version[1].str() + "." + (version[3].matched ? version[3].str() : "0");
}

namespace {
class JdkPresent : public testing::Environment {
  void SetUp() override {
    if (access((JdkHome() + "/bin/java").c_str(), X_OK) == 0) return;
    // Loud on purpose: a pass that tests nothing must not look green. The
    // gtest summary counts tests skipped here as passed; this line, in its
    // format, makes CTest say Skipped.
    std::printf("[  SKIPPED ] no JDK at %s: its tests did not run\n",
                JdkHome().c_str());
    GTEST_SKIP() << "no JDK at " << JdkHome();
  }
};
testing::Environment* const kJdkPresent =
    testing::AddGlobalTestEnvironment(new JdkPresent);
}  // namespace

std::vector<std::string> WithoutFolders(const std::vector<std::string>& folders,
                                        const std::vector<std::string>& argv) {
  std::string script;
  for (const std::string& folder : folders) {
    script += "mount -t tmpfs none " + folder + " && ";
  }
  std::vector<std::string> wrapped = {"/usr/bin/unshare", "-m", "/bin/sh", "-c",
                                      script + "exec \"$0\" \"$@\""};
  wrapped.insert(wrapped.end(), argv.begin(), argv.end());
  return wrapped;
}

bool CouldNotHide(const ProcessResult& run) {
  return run.err.find("unshare") != std::string::npos ||
         run.err.find("mount:") != std::string::npos;
}

ProcessResult RunLinux(const std::string& path,
                       const std::vector<std::string>& args,
                       ProcessOptions options) {
  std::vector<std::string> argv = {path};
  argv.insert(argv.end(), args.begin(), args.end());
  bool keepsHome = false;
  for (const std::string& name : options.unsetEnv) keepsHome |= name == "JAVA_HOME";
  if (!keepsHome) {
    options.setEnv.insert(options.setEnv.begin(), {"JAVA_HOME", JdkHome()});
  }
  options.unsetEnv.insert(options.unsetEnv.end(),
                          {"JRE_HOME", "CLASSPATH", "CLASS_PATH",
                           "JAVA_TOOL_OPTIONS", "_JAVA_OPTIONS", "JDK_JAVA_OPTIONS"});
  options.setEnv.push_back({"LANG", "C.UTF-8"});
  options.unsetEnv.push_back("LC_ALL");
  options.unsetEnv.push_back("LC_MESSAGES");
  return RunProcess(argv, options);
}

void ExpectLines(const std::string& text, const std::vector<std::string>& wanted) {
  std::vector<std::string> lines = LinesStartingWith(text, "");
  for (const std::string& line : wanted) {
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), line))
        << line << "\n" << text;
  }
}

bool ShowsStub(const std::string& shown, size_t stubSize) {
  std::vector<std::string> sizes = LinesStartingWith(shown, "stub size:   ");
  if (sizes.size() != 1) return false;
  size_t size = std::strtoul(sizes[0].c_str(), nullptr, 10);
  return size >= stubSize && size < stubSize + 8;
}

std::vector<std::string> LinesStartingWith(const std::string& text,
                                           const std::string& prefix) {
  std::vector<std::string> found;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, prefix.size(), prefix) == 0) {
      found.push_back(line.substr(prefix.size()));
    }
  }
  return found;
}

static bool InGuest32() {
  const char* windows = std::getenv("ZOV_E2E_WINDOWS");
  return windows != nullptr && std::string(windows) == "win32";
}

const char* const kWine =
    InGuest32() ? ZOV_SOURCE_DIR "/tests/guest32/wine" : "/usr/lib/wine/wine64";

std::string WindowsTarget() { return InGuest32() ? "win32" : "win64"; }

static std::string WindowsDir() { return InGuest32() ? ZOV_WIN32_DIR : ZOV_WIN64_DIR; }

std::string WindowsStub(const std::string& kind) {
  return WindowsDir() + "/" + kind + (InGuest32() ? "32.exe" : "64.exe");
}

std::string WindowsTestRuntime(const std::string& relative) {
  return WindowsDir() + "/testruntime/" + relative;
}

std::string OtherWidthTestRuntime() {
  return InGuest32() ? ZOV_WIN64_DIR "/testruntime/jvm/jvm.dll" : ZOV_WIN32_TESTRUNTIME;
}

std::vector<std::string> OnWineDisplay(std::vector<std::string> argv) {
  if (InGuest32()) argv.insert(argv.begin(), ZOV_SOURCE_DIR "/tests/guest32/guest");
  return argv;
}

std::string WindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

bool ExistsUnderWine(const std::string& windowsPath) {
  return RunProcess({kWine, "cmd", "/c",
                     "if exist " + windowsPath + " (exit 0) else (exit 1)"})
             .status == 0;
}

static pid_t closer = 0;

static void StopCloser() {
  if (closer > 0) kill(-closer, SIGKILL);
  closer = 0;
}

void StartWineSession() {
  ASSERT_NE(nullptr, std::getenv("WINEPREFIX")) << "run through scripts/test.sh";
  ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run through scripts/test.sh";
  if (closer > 0) return;  // each start of Wine costs seconds in the guest
  // Trace just the two calls RunWine observes. The setting stays: other
  // suites may be running in the same prefix, and it matters only to
  // processes started with WINEDEBUG=+relay.
  RunProcess({kWine, "reg", "add", "HKCU\\Software\\Wine\\Debug", "/v",
              "RelayInclude", "/d", "user32.SetTimer;user32.MessageBoxA", "/f"});
  // A box shown before the closer runs would wait for a user.
  static testing_support::ScopedTempDir ready;
  std::string flag = ready.Join("closebox.ready");
  closer = fork();
  if (closer == 0) {
    setpgid(0, 0);
    std::string closebox = WindowsDir() + "/tests/e2e/closebox.exe";
    execl(kWine, kWine, closebox.c_str(), "3600", WindowsPath(flag).c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  atexit(StopCloser);
  for (int i = 0; i < 1200 && access(flag.c_str(), F_OK) != 0; ++i) {
    usleep(100000);
  }
  ASSERT_EQ(0, access(flag.c_str(), F_OK)) << "closebox.exe did not start";
}

WineRun RunWine(const std::string& exe, const std::vector<std::string>& args,
                const std::string& log, ProcessOptions options) {
  std::vector<std::string> argv = {kWine, exe};
  argv.insert(argv.end(), args.begin(), args.end());
  options.setEnv.insert(options.setEnv.begin(),
                        {{"WINEDEBUG", "+relay"},
                         {"ZOV_TESTRUNTIME_LOG", WindowsPath(log)}});
  // Set variables win over these: RunProcess unsets first.
  options.unsetEnv.insert(options.unsetEnv.end(),
                          {"JAVA_HOME", "JRE_HOME", "CLASSPATH", "CLASS_PATH"});
  // Under emulation everything takes several times as long.
  if (InGuest32()) options.timeoutSeconds *= 4;
  WineRun run;
  run.process = RunProcess(argv, options);
  std::regex timer(R"(Call user32\.SetTimer\([0-9a-f]+,[0-9a-f]+,([0-9a-f]+),)");
  std::regex box(
      R"re(Call user32\.MessageBoxA\([0-9a-f]+,[0-9a-f]+ "(.*)",[0-9a-f]+ "(.*)",([0-9a-f]+)\))re");
  for (const std::string& line : LinesStartingWith(run.process.err, "")) {
    if (line.find("Call user32.") == std::string::npos) continue;
    std::smatch m;
    if (std::regex_search(line, m, timer)) {
      run.timers.push_back(std::stoi(m[1].str(), nullptr, 16));
    } else if (std::regex_search(line, m, box)) {
      run.boxes.push_back(m[1].str() + "|" + m[2].str() + "|" + m[3].str());
    }
  }
  run.log = testing_support::ReadFile(log);
  return run;
}

}  // namespace e2e
