// Packs the test application the way a user does (zovpack) and runs the
// packed file: natively, or under Wine with its message boxes answered.
#ifndef ZOV_TESTS_E2E_E2E_SUPPORT_H_
#define ZOV_TESTS_E2E_E2E_SUPPORT_H_

#include <string>
#include <vector>

#include "tests/e2e/process.h"
#include "tests/test_support.h"

namespace e2e {

struct PackRequest {
  std::string target = "linux";  // linux, win64, win32
  std::string mainClass;         // empty: --line lines only
  std::vector<std::string> lines;
  std::string jar = ZOV_E2E_JAR;
  std::string splash;
  std::string icon;
  bool console = false;  // the console launcher
  bool utf8 = false;
  std::string stub;  // empty: the target's own launcher
  std::vector<std::string> extra;  // more zovpack arguments
};

// Packs into path; fails the calling test when zovpack fails.
void Pack(const PackRequest& request, const std::string& path);

// Gives the ZIP end record that ends the file at path the comment `comment`,
// length field included: what no packer would write (too long, NUL bytes).
void ReplaceComment(const std::string& path, const std::string& comment);

// The JDK whose runtime the Linux runs use: ZOV_E2E_JDK when set (the same
// tests again against another Java), else the one the build found. A pass
// whose JDK is missing skips every test, saying so.
std::string JdkHome();
// Its version as the launcher's messages give it ("17.0", "25.0").
std::string JdkVersion();

// argv as run on a machine without Java: each of folders (/usr/lib/jvm,
// /usr/share/java) hidden under an empty one in a mount namespace of its
// own.
std::vector<std::string> WithoutFolders(const std::vector<std::string>& folders,
                                        const std::vector<std::string>& argv);

// Whether a run of WithoutFolders' argv could not hide them (no mount
// namespace here): the test cannot say anything.
bool CouldNotHide(const ProcessResult& run);

// The Linux launcher at path with args; JAVA_HOME names JdkHome() unless
// options.setEnv/unsetEnv say otherwise.
ProcessResult RunLinux(const std::string& path,
                       const std::vector<std::string>& args,
                       ProcessOptions options = ProcessOptions());

// Whether `zovpack --show` output names this stub: its size, plus the 0-7
// bytes that end a Windows file on a multiple of 8.
bool ShowsStub(const std::string& shown, size_t stubSize);

// Fails the calling test unless each of wanted is a whole line of text.
void ExpectLines(const std::string& text, const std::vector<std::string>& wanted);

// Lines of text that start with prefix, prefix removed.
std::vector<std::string> LinesStartingWith(const std::string& text,
                                           const std::string& prefix);

// --- A Windows launcher under Wine, against the test runtime: x64 here,
// or with ZOV_E2E_WINDOWS=win32 the 32-bit one in the i386 guest
// (tests/guest32), since this machine cannot run 32-bit code.

extern const char* const kWine;
// "win64" or "win32": the packer's target and the build these tests use.
std::string WindowsTarget();
// A launcher stub of that build: "zov" (GUI) or "zovc" (console).
std::string WindowsStub(const std::string& kind = "zov");
// A file of that build's test runtimes (tests/testruntime).
std::string WindowsTestRuntime(const std::string& relative);
// The test runtime of the other width, which that launcher must pass over.
std::string OtherWidthTestRuntime();
// argv as a command run where Wine runs, on its X display.
std::vector<std::string> OnWineDisplay(std::vector<std::string> argv);

// Wine shows the Unix root as drive Z:.
std::string WindowsPath(const std::string& unixPath);

// Whether a Windows path exists where Wine runs: the guest's prefix is not
// visible from here.
bool ExistsUnderWine(const std::string& windowsPath);

// For a test suite's SetUpTestSuite: traces just the calls RunWine
// observes, and answers every message box from inside the Wine session
// (closebox.exe), started before any run can show one and kept until this
// process ends.
void StartWineSession();

struct WineRun {
  ProcessResult process;
  std::vector<int> timers;         // SetTimer delays, in call order
  std::vector<std::string> boxes;  // "text|caption|style" per MessageBoxA
  std::string log;                 // the test runtime's record, if any
};

// Runs exe with args under Wine, the test runtime recording into log, and
// reads the relay trace. JAVA_HOME, JRE_HOME and the class path variables
// are unset unless options.setEnv sets them.
WineRun RunWine(const std::string& exe, const std::vector<std::string>& args,
                const std::string& log,
                ProcessOptions options = ProcessOptions());

// The tests live in this namespace and use the shared helpers by these
// names.
using testing_support::MakeDirectory;
using testing_support::ReadFile;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

}  // namespace e2e

#endif  // ZOV_TESTS_E2E_E2E_SUPPORT_H_
