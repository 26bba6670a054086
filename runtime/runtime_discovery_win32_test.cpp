#include <windows.h>

#include <memory>
#include <string>

#include "config/config_store.h"
#include "config/file_exists.h"
#include "gtest/gtest.h"
#include "runtime/runtime_discovery.h"
#include "tests/test_support.h"

namespace {

using testing_support::MakeDirectory;
using testing_support::ScopedEnv;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

// A key of Wine's real registry under HKEY_LOCAL_MACHINE, removed with
// everything below it when the object goes away.
class ScopedRegistryTree {
 public:
  explicit ScopedRegistryTree(const std::string& root) : root_(root) {
    HKEY key;
    existed_ = RegOpenKeyExA(HKEY_LOCAL_MACHINE, root.c_str(), 0, KEY_READ,
                             &key) == ERROR_SUCCESS;
    if (existed_) RegCloseKey(key);
  }
  ~ScopedRegistryTree() {
    if (!existed_) RegDeleteTreeA(HKEY_LOCAL_MACHINE, root_.c_str());
  }
  bool existed() const { return existed_; }

  // Stores the bytes as they are: a string needs its NUL in them.
  void Set(const std::string& subKey, const char* name, DWORD type,
           const std::string& bytes) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, (root_ + subKey).c_str(), 0,
                              nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    RegSetValueExA(key, name, 0, type,
                   reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
  }
  void SetString(const std::string& subKey, const char* name,
                 const std::string& text) {
    Set(subKey, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
  }

 private:
  std::string root_;
  bool existed_;
};

TEST(QueryRegistryRuntime, FollowsCurrentVersionToAnExistingRuntimeLib) {
  ScopedTempDir dir;
  std::string library = dir.Join("jvm.dll");
  WriteFile(library, "");
  ScopedRegistryTree tree("SOFTWARE\\ZovTest");
  ASSERT_FALSE(tree.existed());
  const std::string vendor = "\\Java Runtime Environment";
  auto query = [&] {
    return std::string(
        QueryRegistryRuntime('s', ("SOFTWARE\\ZovTest" + vendor).c_str())
            .c_str());
  };
  EXPECT_EQ("", query());
  tree.SetString(vendor + "\\1.8", "RuntimeLib", library);
  EXPECT_EQ("", query());  // no CurrentVersion
  tree.SetString(vendor, "CurrentVersion", "1.8");
  EXPECT_EQ(library, query());
  tree.SetString(vendor + "\\1.8", "RuntimeLib", dir.Join("gone.dll"));
  EXPECT_EQ("", query());

  // The type is not examined, and nothing is expanded.
  tree.Set(vendor + "\\1.8", "RuntimeLib", REG_BINARY, library);
  EXPECT_EQ(library, query());
  ScopedEnv dirVariable("ZOV_T_DIR", dir.path());
  tree.Set(vendor + "\\1.8", "RuntimeLib", REG_EXPAND_SZ,
           std::string("%ZOV_T_DIR%jvm.dll", 19));
  EXPECT_EQ("", query());

  // 260 bytes without a NUL are too long, though the first 259 name a file.
  std::string base = dir.path();
  if ((259 - base.size() - 7) % 2 != 0) {
    base += "ab\\";
    MakeDirectory(base);
  }
  std::string padded = base;
  while (padded.size() < 259 - 7) padded += ".\\";
  padded += "jvm.dll";
  WriteFile(base + "jvm.dll", "");
  ASSERT_EQ(259u, padded.size());
  ASSERT_TRUE(FileExists(padded.c_str()));
  tree.Set(vendor + "\\1.8", "RuntimeLib", REG_BINARY, padded + "x");
  EXPECT_EQ("", query());
}

TEST(FindRuntimeLibrary, AsksJavaSoftBeforeIbm) {
  ScopedRegistryTree javaSoft("SOFTWARE\\JavaSoft");
  ScopedRegistryTree ibm("SOFTWARE\\IBM");
  if (javaSoft.existed() || ibm.existed()) GTEST_SKIP() << "a runtime is set";
  ScopedTempDir dir;
  for (const char* name : {"sun", "ibm", "home"}) {
    MakeDirectory(dir.Join(name));
    WriteFile(dir.Join(std::string(name) + "/jvm.dll"), "");
  }
  javaSoft.SetString("\\Java Runtime Environment", "CurrentVersion", "1.8");
  javaSoft.SetString("\\Java Runtime Environment\\1.8", "RuntimeLib",
                     dir.Join("sun/jvm.dll"));
  ibm.SetString("\\Java2 Runtime Environment", "CurrentVersion", "1.6");
  ibm.SetString("\\Java2 Runtime Environment\\1.6", "RuntimeLib",
                dir.Join("ibm/jvm.dll"));
  ScopedEnv jreHome("JRE_HOME");
  auto find = [&](const std::string& config) {
    std::string exe = dir.Join("app.exe");
    WriteFile(exe, std::string("PK\x05\x06", 4) + std::string(18, '\0') +
                       config);
    ConfigStore store(exe.c_str(), "");
    return std::string(FindRuntimeLibrary(store).c_str());
  };
  {
    ScopedEnv javaHome("JAVA_HOME", dir.Join("home"));
    EXPECT_EQ(dir.Join("sun/jvm.dll"), find(""));
    EXPECT_EQ(dir.Join("ibm/jvm.dll"), find("jre_order IS"));
    EXPECT_EQ(dir.Join("home/jvm.dll"), find("jre_order es"));
  }
  ScopedEnv javaHome("JAVA_HOME");
  EXPECT_EQ(dir.Join("sun/jvm.dll"), find("jre_order es"));
}

TEST(FindRuntimeLibrary, FollowsTheKeysOfJava9AndLaterDownToTheirHome) {
  ScopedRegistryTree javaSoft("SOFTWARE\\JavaSoft");
  if (javaSoft.existed()) GTEST_SKIP() << "a runtime is set";
  ScopedTempDir dir;
  MakeDirectory(dir.Join("jdk/bin/server"));
  WriteFile(dir.Join("jdk/bin/server/jvm.dll"), "");
  MakeDirectory(dir.Join("jre"));
  WriteFile(dir.Join("jre/jvm.dll"), "");
  javaSoft.SetString("\\JDK", "CurrentVersion", "17");
  javaSoft.SetString("\\JDK\\17", "JavaHome", dir.Join("jdk"));
  javaSoft.SetString("\\JRE", "CurrentVersion", "11");
  javaSoft.SetString("\\JRE\\11", "RuntimeLib", dir.Join("jre/jvm.dll"));
  std::unique_ptr<RuntimeChoice> choice;
  auto find = [&](const std::string& config) {
    std::string exe = dir.Join("app.exe");
    WriteFile(exe, std::string("PK\x05\x06", 4) + std::string(18, '\0') +
                       config);
    ConfigStore store(exe.c_str(), "");
    choice.reset(new RuntimeChoice(store));
    return std::string(FindRuntimeLibrary(store, choice.get()).c_str());
  };
  EXPECT_EQ(dir.Join("jdk/bin/server/jvm.dll"), find("jre_order j"));
  EXPECT_EQ("", find("jre_order s"));  // the old key is another
  // The version a key is named by, or its home's release file, chooses.
  EXPECT_EQ(dir.Join("jre/jvm.dll"), find("jre_order j\nmaxjre 11"));
  EXPECT_EQ(17, choice->high[0]);
  EXPECT_EQ("", find("jre_order j\nminjre 18"));
  EXPECT_EQ(17, choice->low[0]);
  WriteFile(dir.Join("jdk/release"), "JAVA_VERSION=\"21.0.2\"\n");
  EXPECT_EQ(dir.Join("jdk/bin/server/jvm.dll"), find("jre_order j\nminjre 18"));
  // A RuntimeLib naming a folder is searched as a home too.
  javaSoft.SetString("\\JDK\\17", "RuntimeLib", dir.Join("jdk"));
  EXPECT_EQ(dir.Join("jdk/bin/server/jvm.dll"), find("jre_order j"));
  javaSoft.SetString("\\JDK", "CurrentVersion", "99");
  EXPECT_EQ(dir.Join("jre/jvm.dll"), find("jre_order j"));
}

}  // namespace
