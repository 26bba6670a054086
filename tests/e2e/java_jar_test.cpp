// Jars run packed as `java -jar` runs them: the java command's options,
// the manifest's launch attributes, JavaFX applications, merged
// dependencies; on the machine's real JVMs, compared with java itself.
#include <stdlib.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

const std::string kJdk = ZOV_JDK_HOME;
const std::string kJdk25 = "/usr/lib/jvm/temurin-25-jdk-amd64";
const std::string kFx = "/usr/share/openjfx/lib";
const std::string kSources = std::string(ZOV_SOURCE_DIR) + "/tests/e2e/javajar";

bool Exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

ProcessResult Shell(const std::string& command) {
  ProcessOptions options;
  options.timeoutSeconds = 120;
  ProcessResult run = RunProcess({"/bin/sh", "-c", command}, options);
  EXPECT_EQ(0, run.status) << command << ":\n" << run.err;
  return run;
}

class JavaJar : public ::testing::Test {
 protected:
  // The probe's classes, compiled once for every test.
  static void SetUpTestSuite() {
    classes_ = new ScopedTempDir();
    Shell("'" + kJdk + "/bin/javac' --release 11 -nowarn -d '" +
          classes_->path() + "' '" + kSources + "'/app/jj/Probe.java");
  }
  static void TearDownTestSuite() {
    delete classes_;
    classes_ = nullptr;
  }

  // A jar of the probe with these manifest lines (Main-Class is added).
  std::string ProbeJar(const std::string& name, const std::string& manifest) {
    std::string jar = dir_.Join(name + ".jar");
    WriteFile(dir_.Join(name + ".mf"), "Main-Class: jj.Probe\n" + manifest);
    Shell("'" + kJdk + "/bin/jar' cfm '" + jar + "' '" + dir_.Join(name + ".mf") +
          "' -C '" + classes_->path() + "' jj");
    return jar;
  }

  // zovpack for Linux; its standard error is returned.
  std::string Pack(std::vector<std::string> args) {
    args.insert(args.begin(), {ZOVPACK, "--target", "linux", "--stub", ZOV_LINUX_STUB});
    ProcessResult run = RunProcess(args);
    EXPECT_EQ(0, run.status) << run.err;
    return run.err;
  }

  static ProcessOptions WithJavaHome(const std::string& home) {
    ProcessOptions options;
    options.setEnv = {{"JAVA_HOME", home}};
    return options;
  }

  static ScopedTempDir* classes_;
  ScopedTempDir dir_;
};
ScopedTempDir* JavaJar::classes_ = nullptr;

TEST_F(JavaJar, TakesTheJavaCommandsTwoWordOptions) {
  if (!Exists(kFx + "/javafx.base.jar")) GTEST_SKIP() << "openjfx is not installed";
  std::string jar = ProbeJar("probe", "");
  std::string app = dir_.Join("app");
  Pack({jar, "-o", app, "--line", "option --add-opens java.base/java.lang=ALL-UNNAMED",
        "--line", "option --add-exports\tjava.base/jdk.internal.misc=ALL-UNNAMED",
        "--line", "option -p " + kFx, "--line", "option --add-modules javafx.base"});
  ProcessResult run = RunLinux(app, {"opens", "exports", "module"});
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ("OPENS ok\nEXPORTS true\nMODULE javafx.base\n", run.out) << run.err;

  // Without them, as java without them.
  std::string plain = dir_.Join("plain");
  Pack({jar, "-o", plain});
  ProcessResult java = RunProcess({kJdk + "/bin/java", "-jar", jar, "opens", "exports", "module"});
  EXPECT_EQ("OPENS java.lang.reflect.InaccessibleObjectException\n"
            "EXPORTS java.lang.IllegalAccessException\n"
            "MODULE java.lang.ClassNotFoundException\n", java.out);
  EXPECT_EQ(java.out, RunLinux(plain, {"opens", "exports", "module"}).out);

  // An option the runtime would drop without a word is named when packing.
  std::string warned = Pack({jar, "-o", dir_.Join("warned"), "--line",
                             "option --add-open=java.base/java.lang=ALL-UNNAMED"});
  EXPECT_NE(std::string::npos, warned.find("would ignore it")) << warned;
}

TEST_F(JavaJar, HonoursTheManifestsLaunchAttributesAsJavaJarDoes) {
  std::string jar = ProbeJar("opens", "Add-Opens: java.base/java.lang\n"
                             "Add-Exports: java.base/jdk.internal.misc java.base/sun.nio.ch\n");
  std::string app = dir_.Join("app");
  std::string notes = Pack({jar, "-o", app});
  EXPECT_NE(std::string::npos,
            notes.find("option --add-exports=java.base/sun.nio.ch=ALL-UNNAMED")) << notes;
  ProcessResult java = RunProcess({kJdk + "/bin/java", "-jar", jar, "opens", "exports"});
  EXPECT_EQ("OPENS ok\nEXPORTS true\n", java.out) << java.err;
  ProcessResult run = RunLinux(app, {"opens", "exports"});
  EXPECT_EQ(java.out, run.out);
  EXPECT_EQ(java.err, run.err);
  ProcessResult shown = RunProcess({ZOVPACK, "--show", app});
  EXPECT_NE(std::string::npos,
            shown.out.find("manifest:    Add-Opens: java.base/java.lang -> translated"))
      << shown.out;

  // Turned off, the attributes do nothing, and --show says so.
  std::string off = dir_.Join("off");
  Pack({jar, "-o", off, "--no-manifest-options"});
  EXPECT_EQ("OPENS java.lang.reflect.InaccessibleObjectException\n",
            RunLinux(off, {"opens"}).out);
  EXPECT_NE(std::string::npos,
            RunProcess({ZOVPACK, "--show", off}).out.find("not translated"));

  // Java 25 warns about native access the manifest does not enable, and
  // refuses it under --illegal-native-access=deny.
  if (!Exists(kJdk25 + "/bin/java")) return;
  std::string native = ProbeJar("native", "Enable-Native-Access: ALL-UNNAMED\n");
  std::string nativeApp = dir_.Join("native");
  Pack({native, "-o", nativeApp, "--line", "option --illegal-native-access=deny"});
  java = RunProcess({kJdk25 + "/bin/java", "--illegal-native-access=deny", "-jar", native,
                     "native"});
  EXPECT_EQ("NATIVE ok\n", java.out) << java.err;
  run = RunLinux(nativeApp, {"native"}, WithJavaHome(kJdk25));
  EXPECT_EQ(java.out, run.out);
  EXPECT_EQ(java.err, run.err);
}

// Debian's openjfx on the test run's X display.
TEST_F(JavaJar, StartsAJavaFxApplicationWithoutMainAsJavaDoes) {
#ifdef ZOV_SANITIZED
  GTEST_SKIP() << "GLib and D-Bus, which JavaFX loads, leak at exit";
#endif
  if (!Exists(kFx + "/javafx.graphics.jar")) GTEST_SKIP() << "openjfx is not installed";
  const char* display = getenv("DISPLAY");
  if (display == nullptr || *display == '\0') GTEST_SKIP() << "no X display";
  const std::string d = dir_.path();
  Shell("cd '" + d + "' && '" + kJdk + "/bin/javac' --release 11 -nowarn -p " + kFx +
        " --add-modules javafx.graphics -d fx '" + kSources + "/fx/jj/FxApp.java' && '" +
        kJdk + "/bin/jar' cfe fx.jar jj.FxApp -C fx .");
  ProcessOptions options;
  options.timeoutSeconds = 120;
  ProcessResult java = RunProcess({kJdk + "/bin/java", "-p", kFx, "--add-modules",
                                   "javafx.graphics", "-jar", d + "fx.jar", "one", "two"},
                                  options);
  ASSERT_EQ("FX START [one, two]\n", java.out) << java.err;
  Pack({d + "fx.jar", "-o", d + "fxapp", "--line", "option -p " + kFx, "--line",
        "option --add-modules javafx.graphics"});
  ProcessResult run = RunLinux(d + "fxapp", {"one", "two"}, options);
  EXPECT_EQ(0, run.status) << run.err;
  EXPECT_EQ(java.out, run.out) << run.err;

  // Without JavaFX the class cannot be loaded, and the runtime says why.
  Pack({d + "fx.jar", "-o", d + "nofx"});
  ProcessResult refused = RunLinux(d + "nofx", {});
  EXPECT_EQ(7, refused.status) << refused.err;
  EXPECT_NE(std::string::npos, refused.err.find("javafx/application/Application"));
}

TEST_F(JavaJar, MergedDependenciesKeepWhatTheirJarsSaid) {
  // app.jar's Class-Path names lib/dep.jar, a Multi-Release jar whose own
  // Class-Path names deep.jar beside it.
  const std::string d = dir_.path();
  const std::string jdk = "'" + kJdk + "/bin/";
  Shell("cd '" + d + "' && mkdir lib && " + jdk + "javac' --release 8 -nowarn -d base '" +
        kSources + "/dep/dep/Lib.java' && " + jdk + "javac' --release 11 -nowarn -d v11 '" +
        kSources + "/dep11/dep/Lib.java' && " + jdk + "javac' --release 8 -nowarn -d deep '" +
        kSources + "/deep/deep/Deep.java' && printf 'Implementation-Title: dep\n"
        "Implementation-Version: 2.5\nSpecification-Version: 2\nClass-Path: deep.jar\n' > "
        "dep.mf && printf 'Implementation-Version: 0.9\n' > deep.mf && " + jdk +
        "jar' cfm lib/dep.jar dep.mf -C base . --release 11 -C v11 . && " + jdk +
        "jar' cfm lib/deep.jar deep.mf -C deep .");
  std::string jar = ProbeJar("app", "Class-Path: lib/dep.jar\n");
  const std::vector<std::string> args = {"dep.Lib", "deep.Deep"};
  std::vector<std::string> argv = {kJdk + "/bin/java", "-jar", jar};
  argv.insert(argv.end(), args.begin(), args.end());
  ProcessResult java = RunProcess(argv);
  ASSERT_EQ("CLASS dep.Lib release 11 dep 2.5 2\nCLASS deep.Deep deep null 0.9 null\n",
            java.out) << java.err;

  std::string warned = Pack({jar, "-o", d + "app", "--merge-class-path"});
  EXPECT_EQ("", warned);
  Shell("mkdir '" + d + "alone' && mv '" + d + "app' '" + d + "alone/'");
  ProcessResult run = RunLinux(d + "alone/app", args);
  EXPECT_EQ(java.out, run.out) << run.err;
  EXPECT_EQ("", run.err);
  ProcessResult listed = RunProcess({"unzip", "-p", d + "alone/app", "META-INF/MANIFEST.MF"});
  EXPECT_EQ(std::string::npos, listed.out.find("Class-Path")) << listed.out;

  // Merged by name, as before, the same; a Class-Path left in place that
  // names an absolute path is named.
  std::string absolute = ProbeJar("absolute", "Class-Path: /usr/share/java/none.jar lib/x.jar\n");
  warned = Pack({absolute, "-o", d + "named", "--merge", d + "lib"});
  EXPECT_NE(std::string::npos, warned.find("names /usr/share/java/none.jar")) << warned;
  EXPECT_EQ(std::string::npos, warned.find("lib/x.jar")) << warned;
  EXPECT_EQ(java.out, RunLinux(d + "named", args).out);
}

}  // namespace
}  // namespace e2e
