// zovpack as users get it: installed with `cmake --install`, extracted from
// the Debian package, or moved on its own. Without --stub or ZOV_STUB_DIR it
// must find the stubs it was shipped with and pack every target.

#include <sys/stat.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"
#include "zov_version.h"

namespace e2e {
namespace {

const bool kWindowsStubs = std::string(ZOV_WIN64_DIR) != "";

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// zovpack run from an unrelated directory, with no stub directory named.
ProcessResult Zovpack(const std::string& zovpack,
                      const std::vector<std::string>& args,
                      const std::string& workDir) {
  std::vector<std::string> argv = {zovpack};
  argv.insert(argv.end(), args.begin(), args.end());
  ProcessOptions options;
  options.unsetEnv = {"ZOV_STUB_DIR"};
  options.workingDirectory = workDir;
  return RunProcess(argv, options);
}

// Packs the test application for each target with `zovpack`; each packed
// file must start with the stub of `stubDir`, be a sound ZIP, and the Linux
// one must run.
void PackEveryTarget(const std::string& zovpack, const std::string& stubDir,
                     const std::string& outDir) {
  SCOPED_TRACE(zovpack);
  ProcessResult version = Zovpack(zovpack, {"--version"}, outDir);
  EXPECT_EQ("zovpack " ZOV_VERSION_TEXT "\n", version.out);

  struct Target { const char* name; const char* stub; const char* kind; };
  std::vector<Target> targets = {{"linux", "zov", "ELF (linux)"}};
  if (kWindowsStubs) {
    targets.push_back({"win64", "zov64.exe", "PE32+ (win64)"});
    targets.push_back({"win32", "zov32.exe", "PE32 (win32)"});
  }
  for (const Target& t : targets) {
    SCOPED_TRACE(t.name);
    std::string out = outDir + "app-" + t.name;
    ProcessResult packed = Zovpack(
        zovpack, {ZOV_E2E_JAR, "-o", out, "--target", t.name, "--main-class", "e2e.Main"},
        outDir);
    ASSERT_EQ(0, packed.status) << packed.err;
    std::string stub = ReadFile(stubDir + t.stub);
    ASSERT_FALSE(stub.empty());
    std::string shown = Zovpack(zovpack, {"--show", out}, outDir).out;
    EXPECT_NE(std::string::npos, shown.find(std::string("target:      ") + t.kind)) << shown;
    EXPECT_TRUE(e2e::ShowsStub(shown, stub.size())) << shown;
    EXPECT_GE(1, RunProcess({"/usr/bin/unzip", "-tqq", out}).status);  // 1: the stub
  }
  ProcessResult ran = e2e::RunLinux(outDir + "app-linux", {"installed"});
  EXPECT_EQ(0, ran.status) << ran.err;
  EXPECT_EQ((std::vector<std::string>{"0 installed"}),
            e2e::LinesStartingWith(ran.out, "ARG "));
}

TEST(Install, BuildTreeInstalledTreeAndDebianPackagePackWithTheirOwnStubs) {
  ScopedTempDir dir;
  PackEveryTarget(ZOVPACK, ZOV_BINARY_DIR "/share/zov/", dir.path());

  std::string prefix = dir.Join("prefix/");
  ProcessResult installed = RunProcess(
      {ZOV_CMAKE, "--install", ZOV_BINARY_DIR, "--prefix", prefix});
  ASSERT_EQ(0, installed.status) << installed.out << installed.err;
  EXPECT_TRUE(Exists(prefix + "share/doc/zov/README.md"));
  EXPECT_TRUE(Exists(prefix + "share/doc/zov/packing.md"));
  EXPECT_EQ(kWindowsStubs, Exists(prefix + "share/zov/zov64.exe"));
  EXPECT_EQ(kWindowsStubs, Exists(prefix + "share/zov/zov32.exe"));
  PackEveryTarget(prefix + "bin/zovpack", prefix + "share/zov/", dir.path());

  // The package holds the same tree under /usr, and says what it is.
  ProcessResult built = RunProcess(
      {ZOV_CPACK, "-G", "DEB", "--config", ZOV_BINARY_DIR "/CPackConfig.cmake",
       "-B", dir.Join("cpack"), "-D", "CPACK_OUTPUT_FILE_PREFIX=" + dir.Join("debs")},
      [] { ProcessOptions o; o.timeoutSeconds = 240; return o; }());
  ASSERT_EQ(0, built.status) << built.out << built.err;
  std::string deb = dir.Join("debs/zov_" ZOV_VERSION_TEXT "_amd64.deb");
  ASSERT_TRUE(Exists(deb)) << built.out;
  EXPECT_EQ(ZOV_VERSION_TEXT "\n",
            RunProcess({"/usr/bin/dpkg-deb", "-f", deb, "Version"}).out);
  EXPECT_NE(std::string::npos,
            RunProcess({"/usr/bin/dpkg-deb", "-f", deb, "Depends"}).out.find("libc6"));
  std::string root = dir.Join("deb/");
  ASSERT_EQ(0, RunProcess({"/usr/bin/dpkg-deb", "-x", deb, root}).status);
  PackEveryTarget(root + "usr/bin/zovpack", root + "usr/share/zov/", dir.path());
}

TEST(Install, ALoneZovpackLooksBesideItselfAndSaysWhereItLooked) {
  ScopedTempDir dir;
  std::string lone = dir.Join("tools/");
  testing_support::MakeDirectory(lone);
  testing_support::WriteFile(lone + "zovpack", ReadFile(ZOVPACK));
  chmod((lone + "zovpack").c_str(), 0755);
  std::vector<std::string> pack = {ZOV_E2E_JAR, "-o", dir.Join("app"), "--target",
                                   "linux", "--main-class", "e2e.Main"};

  ProcessResult missing = Zovpack(lone + "zovpack", pack, dir.path());
  EXPECT_EQ(1, missing.status);
  EXPECT_NE(std::string::npos, missing.err.find("missing stub")) << missing.err;
  EXPECT_NE(std::string::npos,
            missing.err.find("looked in " + dir.Join("share/zov") + ", " + lone))
      << missing.err;

  testing_support::WriteFile(lone + "zov", ReadFile(ZOV_LINUX_STUB));
  ProcessResult beside = Zovpack(lone + "zovpack", pack, dir.path());
  EXPECT_EQ(0, beside.status) << beside.err;

  // A named stub directory is the only place looked in.
  ProcessOptions named;
  named.setEnv = {{"ZOV_STUB_DIR", dir.Join("empty")}};
  std::vector<std::string> argv = {lone + "zovpack"};
  argv.insert(argv.end(), pack.begin(), pack.end());
  ProcessResult unlisted = RunProcess(argv, named);
  EXPECT_EQ(1, unlisted.status);
  EXPECT_NE(std::string::npos,
            unlisted.err.find("(looked in " + dir.Join("empty") + ";"))
      << unlisted.err;
}

}  // namespace
}  // namespace e2e
