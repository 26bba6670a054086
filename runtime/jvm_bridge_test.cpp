// The bridge against the test runtime (tests/testruntime), which records
// every call it receives and aborts on any call a runtime would not expect.
// jvm_bridge_posix_test.cpp runs the same flows against the real runtime.
#include "runtime/jvm_bridge.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "platform/platform.h"
#include "tests/test_support.h"

namespace {

using testing_support::kSep;
using testing_support::ReadFile;
using testing_support::ScopedEnv;
using testing_support::ScopedTempDir;
using testing_support::SelfDir;
using testing_support::WriteFile;
using Lines = std::vector<std::string>;

std::string TestLibrary(const char* kind) {
  return SelfDir() + "testruntime" + kSep + kind + kSep + kRuntimeLibraryName;
}

// A fresh call log for the test runtime, read back as lines.
class RuntimeLog {
 public:
  RuntimeLog()
      : path_(dir_.Join("calls.log")), env_("ZOV_TESTRUNTIME_LOG", path_) {}
  Lines Read() const {
    Lines lines;
    std::string all = ReadFile(path_);
    for (size_t start = 0, end; (end = all.find('\n', start)) != std::string::npos;
         start = end + 1) {
      lines.push_back(all.substr(start, end - start));
    }
    return lines;
  }
  // The lines from the first one equal to `first` on.
  Lines From(const std::string& first) const {
    Lines lines = Read();
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i] == first) return Lines(lines.begin() + i, lines.end());
    }
    return {};
  }

 private:
  ScopedTempDir dir_;
  std::string path_;
  ScopedEnv env_;
};

bool Contains(const Lines& lines, const std::string& line) {
  for (const std::string& l : lines) {
    if (l == line) return true;
  }
  return false;
}

// Whether `expected` occur in `lines` in this order, others between them.
::testing::AssertionResult InOrder(const Lines& lines, const Lines& expected) {
  size_t at = 0;
  for (const std::string& want : expected) {
    while (at < lines.size() && lines[at] != want) ++at;
    if (at == lines.size()) {
      std::string all;
      for (const std::string& l : lines) all += "\n  " + l;
      return ::testing::AssertionFailure()
             << "missing, or out of order: " << want << "\nlog:" << all;
    }
    ++at;
  }
  return ::testing::AssertionSuccess();
}

#ifdef _WIN32
// Narrow arguments are in the ANSI code page; e-acute is in the Western one
// Wine uses.
const char kNonAscii[] = "caf\xE9";
const char kNonAsciiUtf8[] = "caf\xC3\xA9";
#else
const char kNonAscii[] = "caf\xC3\xA9 \xE4\xB8\xAD";
const char kNonAsciiUtf8[] = "caf\xC3\xA9 \xE4\xB8\xAD";
#endif

TEST(JvmBridge, LibrariesThatAreNoRuntimeKeepTheOptions) {
  JvmBridge fresh;
  TextBuffer version("kept");
  EXPECT_EQ(0, fresh.GetJavaVersion(&version));
  EXPECT_STREQ("kept", version.c_str());
  EXPECT_EQ(nullptr, fresh.FindMainClass("a.B"));
  EXPECT_EQ(7, fresh.RunMain("a.B", 0, nullptr));

  ScopedTempDir dir;
  std::string notALibrary = dir.Join(kRuntimeLibraryName);
  WriteFile(notALibrary, "MZ but nothing more");
  std::string directory = dir.path().substr(0, dir.path().size() - 1);

  JvmBridge bridge;
  bridge.AddOption("-Da=1");
  bridge.AddOption("");
  for (const std::string& path :
       {std::string(), dir.Join("missing") + kSep + kRuntimeLibraryName,
        directory, dir.path(), notALibrary}) {
    EXPECT_EQ(1, bridge.CreateVm(path.c_str())) << "[" << path << "]";
    EXPECT_FALSE(bridge.HasLibrary());
  }
  EXPECT_EQ(1, bridge.CreateVm(nullptr));
  ASSERT_EQ(2, bridge.options().Count());

  EXPECT_EQ(2, bridge.CreateVm(TestLibrary("noexport").c_str()));
  EXPECT_TRUE(bridge.HasLibrary());
  EXPECT_FALSE(bridge.HasVm());
  ASSERT_EQ(2, bridge.options().Count());
  EXPECT_STREQ("-Da=1", bridge.options().Entry(0));
  EXPECT_STREQ("", bridge.options().Entry(1));
  EXPECT_EQ(0, bridge.GetJavaVersion(&version));
  bridge.Shutdown();
  EXPECT_FALSE(bridge.HasLibrary());
}

TEST(JvmBridge, CreatesReadsTheVersionAndShutsDownOnce) {
  RuntimeLog log;
  JvmBridge bridge;
  bridge.AddOption("-Djava.class.path=app.jar");
  bridge.AddOption("");
  bridge.AddOption("-Dname=caf\xC3\xA9");  // options go over byte for byte
  bridge.AddOption("-Dtestruntime.scenario=version=1.5.0_22-b03");
  ASSERT_EQ(0, bridge.CreateVm(TestLibrary("jvm").c_str()));
  EXPECT_TRUE(bridge.HasVm());
  EXPECT_EQ(0, bridge.options().Count());
  EXPECT_EQ(nullptr, bridge.options().data());
  EXPECT_EQ(nullptr, bridge.options().pool().data());

  TextBuffer version;
  EXPECT_EQ(1, bridge.GetJavaVersion(&version));
  EXPECT_STREQ("1.5.0_22-b03", version.c_str());
  bridge.Shutdown();
  bridge.Shutdown();
  EXPECT_FALSE(bridge.HasVm());
  EXPECT_FALSE(bridge.HasLibrary());
  EXPECT_EQ(0, bridge.GetJavaVersion(&version));

  Lines expected = {
      "JNI_CreateJavaVM version=0x00010002 nOptions=4 ignoreUnrecognized=1",
      "option[0]=-Djava.class.path=app.jar",
      "option[1]=",
      "option[2]=-Dname=caf\xC3\xA9",
      "option[3]=-Dtestruntime.scenario=version=1.5.0_22-b03",
      "FindClass java/lang/System",
      "GetStaticMethodID java/lang/System.getProperty "
      "(Ljava/lang/String;)Ljava/lang/String;",
      "NewStringUTF java.version",
      "CallStaticObjectMethodV java/lang/System.getProperty java.version",
      "GetStringChars 1.5.0_22-b03",
      "GetStringLength 1.5.0_22-b03",
      "ReleaseStringChars 1.5.0_22-b03",
      "ExceptionOccurred -> null",
      "DeleteLocalRef string 1.5.0_22-b03",
      "DeleteLocalRef string java.version",
      "DeleteLocalRef class java/lang/System",
      "DetachCurrentThread",
      "DestroyJavaVM",
  };
  EXPECT_EQ(expected, log.Read());
}

TEST(JvmBridge, NoOptionsAndTheDestructorShutsDown) {
  RuntimeLog log;
  {
    JvmBridge bridge;
    ASSERT_EQ(0, bridge.CreateVm(TestLibrary("jvm").c_str()));
  }
  Lines expected = {
      "JNI_CreateJavaVM version=0x00010002 nOptions=0 ignoreUnrecognized=1",
      "DetachCurrentThread", "DestroyJavaVM"};
  EXPECT_EQ(expected, log.Read());
}

TEST(JvmBridge, FailedCreationLeavesNothingToCall) {
  RuntimeLog log;
  JvmBridge bridge;
  bridge.AddOption("-Dtestruntime.scenario=create-fails");
  // The runtime writes junk into both pointers before it fails.
  EXPECT_EQ(4, bridge.CreateVm(TestLibrary("jvm").c_str()));
  EXPECT_EQ(0, bridge.options().Count());
  EXPECT_FALSE(bridge.HasVm());
  EXPECT_TRUE(bridge.HasLibrary());
  TextBuffer version;
  EXPECT_EQ(0, bridge.GetJavaVersion(&version));
  EXPECT_EQ(7, bridge.RunMain("a.B", 0, nullptr));
  bridge.Shutdown();
  EXPECT_FALSE(bridge.HasLibrary());
  EXPECT_EQ(2u, log.Read().size()) << "nothing after JNI_CreateJavaVM";
}

TEST(JvmBridge, VersionFailuresAreClearedWithoutDescription) {
  struct Case {
    const char* scenario;
    int result;
    Lines expected;
  } cases[] = {
      {"no-system",
       0,
       {"FindClass java/lang/System -> null",
        "ExceptionOccurred -> java/lang/NoClassDefFoundError",
        "ExceptionClear", "DetachCurrentThread"}},
      {"no-getproperty",
       0,
       {"GetStaticMethodID java/lang/System.getProperty "
        "(Ljava/lang/String;)Ljava/lang/String; -> null",
        "ExceptionOccurred -> java/lang/NoSuchMethodError", "ExceptionClear",
        "DetachCurrentThread"}},
      {"null-version",
       1,
       {"CallStaticObjectMethodV java/lang/System.getProperty java.version",
        "ExceptionOccurred -> null", "DeleteLocalRef string java.version",
        "DeleteLocalRef class java/lang/System", "DetachCurrentThread"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    RuntimeLog log;
    JvmBridge bridge;
    bridge.AddOption((std::string("-Dtestruntime.scenario=") + c.scenario).c_str());
    ASSERT_EQ(0, bridge.CreateVm(TestLibrary("jvm").c_str()));
    TextBuffer version("previous");
    EXPECT_EQ(c.result, bridge.GetJavaVersion(&version));
    EXPECT_STREQ("previous", version.c_str());
    bridge.Shutdown();
    Lines lines = log.Read();
    EXPECT_TRUE(InOrder(lines, c.expected));
    EXPECT_FALSE(Contains(lines, "ExceptionDescribe java/lang/NoClassDefFoundError"));
    EXPECT_FALSE(Contains(lines, "ExceptionDescribe java/lang/NoSuchMethodError"));
    EXPECT_FALSE(Contains(lines, "GetStringChars 17.0.2"));
  }
}

TEST(JvmBridge, RunMainHandsOverEveryArgumentAsUnicode) {
  RuntimeLog log;
  JvmBridge bridge;
  bridge.AddOption("-Dtestruntime.mainclass=app/Main");
  ASSERT_EQ(0, bridge.CreateVm(TestLibrary("jvm").c_str()));
  const char* arguments[] = {"plain", "two words", nullptr, "", kNonAscii};
  EXPECT_EQ(0, bridge.RunMain("app.Main", 5, arguments));
  std::string nonAscii = kNonAsciiUtf8;
  Lines expected = {
      "FindClass app/Main",
      "GetStaticMethodID app/Main.main ([Ljava/lang/String;)V",
      "FindClass java/lang/String",
      "NewObjectArray 5 java/lang/String",
      "DeleteLocalRef class java/lang/String",
      "NewString plain",
      "SetObjectArrayElement 0 string plain",
      "DeleteLocalRef string plain",
      "NewString two words",
      "SetObjectArrayElement 1 string two words",
      "DeleteLocalRef string two words",
      "NewString ",
      "SetObjectArrayElement 2 string ",
      "DeleteLocalRef string ",
      "NewString ",
      "SetObjectArrayElement 3 string ",
      "DeleteLocalRef string ",
      "NewString " + nonAscii,
      "SetObjectArrayElement 4 string " + nonAscii,
      "DeleteLocalRef string " + nonAscii,
      "CallStaticVoidMethodV app/Main.main args=5",
      "main.arg[0]=plain",
      "main.arg[1]=two words",
      "main.arg[2]=",
      "main.arg[3]=",
      "main.arg[4]=" + nonAscii,
      "ExceptionOccurred -> null",
      "DeleteLocalRef array[5]",
      "DeleteLocalRef class app/Main",
  };
  EXPECT_EQ(expected, log.From("FindClass app/Main"));

  // Slashes find the class the dots found; no arguments, an empty array.
  EXPECT_EQ(0, bridge.RunMain("app/Main", 0, nullptr));
  EXPECT_TRUE(InOrder(log.Read(),
                      {"CallStaticVoidMethodV app/Main.main args=5",
                       "FindClass app/Main", "NewObjectArray 0 java/lang/String",
                       "CallStaticVoidMethodV app/Main.main args=0"}));
}

TEST(JvmBridge, RunMainOutcomes) {
  const Lines describedClassError = {
      "ExceptionOccurred -> java/lang/NoClassDefFoundError",
      "ExceptionDescribe java/lang/NoClassDefFoundError", "ExceptionClear",
      "ExceptionOccurred -> null", "DetachCurrentThread"};
  struct Case {
    const char* scenario;
    const char* className;
    int result;
    Lines expected;
    const char* never;  // a call that must not happen
  } cases[] = {
      {"", "missing.Thing", 7, {"FindClass missing/Thing -> null"},
       "GetStaticMethodID"},
      {"", "", 7, {"FindClass  -> null"}, "GetStaticMethodID"},
      {"", nullptr, 7, {"FindClass  -> null"}, "GetStaticMethodID"},
      {"no-main-method",
       "app.Main",
       8,
       {"GetStaticMethodID app/Main.main ([Ljava/lang/String;)V -> null",
        "ExceptionOccurred -> java/lang/NoSuchMethodError",
        "ExceptionDescribe java/lang/NoSuchMethodError", "ExceptionClear",
        "DetachCurrentThread"},
       "NewObjectArray"},
      {"main-throws",
       "app.Main",
       0,
       {"CallStaticVoidMethodV app/Main.main args=1",
        "ExceptionOccurred -> java/lang/IllegalStateException",
        "ExceptionDescribe java/lang/IllegalStateException", "ExceptionClear",
        "DeleteLocalRef array[1]", "DeleteLocalRef class app/Main",
        "DetachCurrentThread"},
       nullptr},
      {"no-string-class",
       "app.Main",
       3,
       {"FindClass java/lang/String -> null",
        "ExceptionDescribe java/lang/NoClassDefFoundError", "ExceptionClear",
        "DeleteLocalRef class app/Main", "DetachCurrentThread"},
       "CallStaticVoidMethodV"},
      {"newstring-fails",
       "app.Main",
       3,
       {"NewString x -> null", "ExceptionDescribe java/lang/OutOfMemoryError",
        "ExceptionClear", "DeleteLocalRef array[1]",
        "DeleteLocalRef class app/Main", "DetachCurrentThread"},
       "CallStaticVoidMethodV"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.scenario) + " " +
                 (c.className ? c.className : "(null)"));
    RuntimeLog log;
    JvmBridge bridge;
    bridge.AddOption((std::string("-Dtestruntime.scenario=") + c.scenario).c_str());
    ASSERT_EQ(0, bridge.CreateVm(TestLibrary("jvm").c_str()));
    const char* arguments[] = {"x"};
    EXPECT_EQ(c.result, bridge.RunMain(c.className, 1, arguments));
    // The runtime aborts the process if an exception is still pending here.
    bridge.Shutdown();
    Lines lines = log.Read();
    Lines expected = c.expected;
    if (c.result == 7) {
      expected.insert(expected.end(), describedClassError.begin(),
                      describedClassError.end());
    }
    EXPECT_TRUE(InOrder(lines, expected));
    for (const std::string& line : lines) {
      if (c.never != nullptr) {
        EXPECT_NE(0u, line.rfind(c.never, 0)) << line;
      }
    }
  }
}

}  // namespace

// The handler's thread lives as long as the application: every reference
// it makes must be released again, whatever the outcome of a call.
TEST(JvmBridge, CallsTheHandlerAndReleasesAllItMade) {
  RuntimeLog log;
  JvmBridge bridge;
  EXPECT_EQ(nullptr, bridge.AttachDaemon());  // no machine yet
  ASSERT_EQ(0, bridge.CreateVm(TestLibrary("jvm").c_str()));
  JNIEnv* env = bridge.AttachDaemon();
  ASSERT_NE(nullptr, env);
  std::string texts = std::string("/home/u\0\0", 9) + kNonAscii + '\0';
  EXPECT_EQ(0, CallStaticHandler(env, "app/Main", "open", texts.data(), 3));
  texts += std::string("throw\0", 6);
  EXPECT_EQ(-1, CallStaticHandler(env, "app/Main", "open", texts.data(), 4));
  EXPECT_EQ(-1, CallStaticHandler(env, "missing/App", "open", texts.data(), 4));
  bridge.Shutdown();  // the runtime aborts on a pending exception here

  Lines lines = log.Read();
  std::string nonAscii = kNonAsciiUtf8;
  EXPECT_TRUE(InOrder(lines, {"AttachCurrentThreadAsDaemon", "FindClass app/Main",
                              "GetStaticMethodID app/Main.open (Ljava/lang/String;[Ljava/lang/String;)V",
                              "CallStaticVoidMethodV app/Main.open directory=/home/u args=2",
                              "open.arg[0]=", "open.arg[1]=" + nonAscii,
                              "CallStaticVoidMethodV app/Main.open directory=/home/u args=3",
                              "ExceptionDescribe java/lang/IllegalArgumentException",
                              "FindClass missing/App -> null",
                              "ExceptionDescribe java/lang/NoClassDefFoundError"}));
  int made = 0, released = 0;
  for (const std::string& line : lines) {
    made += line.rfind("FindClass", 0) == 0 && line.find("-> null") == std::string::npos;
    made += line.rfind("NewString", 0) == 0 || line.rfind("NewObjectArray", 0) == 0 ||
            line.rfind("ExceptionOccurred -> java", 0) == 0;
    released += line.rfind("DeleteLocalRef", 0) == 0;
  }
  EXPECT_EQ(made, released);
}
