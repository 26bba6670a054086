// Applications with dependency jars, on the machine's real JVM: merged into
// the one packed file, or beside it in a folder named by "lib/*".
#include <sys/stat.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

// Builds the test jars; the runs use e2e::JdkHome().
const std::string kJdk = ZOV_JDK_HOME;
const std::string kSources = std::string(ZOV_SOURCE_DIR) + "/tests/e2e/deps";

ProcessResult Must(const std::vector<std::string>& argv) {
  e2e::ProcessOptions options;
  options.timeoutSeconds = 120;
  ProcessResult run = RunProcess(argv, options);
  EXPECT_EQ(0, run.status) << argv[0] << " " << argv[1] << ":\n" << run.err;
  return run;
}

ProcessResult Shell(const std::string& command) {
  return Must({"/bin/sh", "-c", command});
}

ProcessResult ZovPack(std::vector<std::string> args) {
  args.insert(args.begin(), {ZOVPACK, "--target", "linux", "--stub",
                             ZOV_LINUX_STUB});
  return Must(args);
}

// `java -cp classPath mainClass args`, as a user would run it.
ProcessResult Java(const std::string& classPath, const std::string& mainClass,
                   const std::vector<std::string>& args) {
  std::vector<std::string> argv = {e2e::JdkHome() + "/bin/java", "-cp", classPath,
                                   mainClass};
  argv.insert(argv.end(), args.begin(), args.end());
  return Must(argv);
}

TEST(Dependencies, ASignedJarMergedIntoOneFileRunsAlone) {
  ScopedTempDir dir;
  const std::string d = dir.path();
  // A signed dependency providing a service, and an application adding its
  // own provider of it.
  Shell("cd '" + d + "' && '" + kJdk + "/bin/javac' --release 8 -nowarn -d depc '" +
        kSources + "'/dep/dep/*.java && mkdir -p depc/META-INF/services && "
        "echo dep.DepGreeter > depc/META-INF/services/dep.Greeter && '" + kJdk +
        "/bin/jar' cf dep.jar -C depc . && '" + kJdk + "/bin/keytool' "
        "-genkeypair -keystore ks -storepass secret -keypass secret -alias k "
        "-dname CN=zov -keyalg RSA -keysize 2048 && '" + kJdk + "/bin/jarsigner'"
        " -keystore ks -storepass secret dep.jar k && '" + kJdk + "/bin/javac' "
        "--release 8 -nowarn -cp dep.jar -d appc '" + kSources +
        "'/app/merged/*.java && mkdir -p appc/META-INF/services && "
        "echo merged.AppGreeter > appc/META-INF/services/dep.Greeter && '" +
        kJdk + "/bin/jar' cfe app.jar merged.Main -C appc .");

  // Merged naively, the signature files meet another manifest.
  Shell("cd '" + d + "' && mkdir naive && cd naive && unzip -q ../dep.jar "
        "'META-INF/*.SF' 'META-INF/*.RSA' 'dep/*' && cp ../app.jar ../naive.jar"
        " && zip -qr ../naive.jar META-INF dep");
  ProcessResult naive =
      RunProcess({e2e::JdkHome() + "/bin/java", "-cp", d + "naive.jar", "merged.Main"});
  EXPECT_NE(0, naive.status);
  EXPECT_NE(std::string::npos, naive.err.find("SecurityException")) << naive.err;

  ProcessResult packed =
      ZovPack({d + "app.jar", "-o", d + "packed", "--merge", d + "dep.jar"});
  EXPECT_NE(std::string::npos, packed.err.find("signatures")) << packed.err;
  ASSERT_EQ(0, mkdir((d + "alone").c_str(), 0755));
  Shell("cp '" + d + "packed' '" + d + "alone/app'");
  ProcessResult run = RunLinux(d + "alone/app", {});
  EXPECT_EQ(0, run.status);
  std::vector<std::string> greetings = LinesStartingWith(run.out, "GREET ");
  EXPECT_EQ((std::vector<std::string>{"app greeter", "dep greeter"}), greetings)
      << run.err;
  EXPECT_EQ(greetings,
            LinesStartingWith(Java(d + "app.jar:" + d + "dep.jar", "merged.Main",
                                   {}).out,
                              "GREET "));
  EXPECT_EQ(std::vector<std::string>{d + "alone"},
            LinesStartingWith(run.out, "ZOV_APP_DIR "));

  // Without the dependency the main class is still there; a main class
  // that is nowhere is refused.
  ProcessResult missing = RunProcess({ZOVPACK, d + "app.jar", "-o", d + "x",
                                      "--target", "linux", "--stub",
                                      ZOV_LINUX_STUB, "--main-class", "merged.None"});
  EXPECT_EQ(1, missing.status);
  EXPECT_NE(std::string::npos, missing.err.find("merged/None.class")) << missing.err;
}

// Debian's groovy: a real application with dozens of jars.
TEST(Dependencies, GroovyRunsMergedAndFromALibFolder) {
  const std::string groovy = "/usr/share/java/groovy.jar";
  const std::string lib = "/usr/share/groovy/lib";
  struct stat info;
  if (stat(groovy.c_str(), &info) != 0 || stat(lib.c_str(), &info) != 0) {
    GTEST_SKIP() << "Debian's groovy package is not installed";
  }
  const std::vector<std::string> script = {
      "-e", "println 'sum ' + (1..40).sum() + ' ' + groovy.json.JsonOutput.toJson([a: 1])"};
  ProcessResult expected = Java(groovy + ":" + lib + "/*", "groovy.ui.GroovyMain", script);
  ASSERT_NE(std::string::npos, expected.out.find("sum 820 {\"a\":1}")) << expected.err;

  ScopedTempDir dir;
  const std::string d = dir.path();
  ZovPack({groovy, "-o", d + "merged", "--main-class", "groovy.ui.GroovyMain",
           "--merge", lib});
  ASSERT_EQ(0, mkdir((d + "alone").c_str(), 0755));
  Shell("cp '" + d + "merged' '" + d + "alone/groovy'");
  ProcessResult merged = RunLinux(d + "alone/groovy", script);
  EXPECT_EQ(expected.out, merged.out) << merged.err;

  ASSERT_EQ(0, mkdir((d + "beside").c_str(), 0755));
  Shell("ln -s '" + lib + "' '" + d + "beside/lib'");
  ZovPack({groovy, "-o", d + "beside/groovy", "--main-class",
           "groovy.ui.GroovyMain", "--line", "classpath lib/*"});
  ProcessResult beside = RunLinux(d + "beside/groovy", script);
  EXPECT_EQ(expected.out, beside.out) << beside.err;
}

}  // namespace
}  // namespace e2e
