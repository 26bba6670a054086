// A runtime's own DLLs sit in its bin directory, the parent of the one that
// holds jvm.dll; the standard search misses it and may find another Java's
// copies on PATH or in the current directory first. The fixture jvm.dll
// imports zovdep.dll and logs which copy it got.
#include <windows.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "runtime/jvm_bridge.h"
#include "tests/test_support.h"

namespace {

using testing_support::MakeDirectory;
using testing_support::ReadFile;
using testing_support::ScopedEnv;
using testing_support::ScopedTempDir;
using testing_support::SelfDir;
using testing_support::WriteFile;

void Copy(const std::string& from, const std::string& to) {
  std::string bytes = ReadFile(from);
  ASSERT_FALSE(bytes.empty()) << from;
  WriteFile(to, bytes);
}

class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::string& path) {
    char old[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, old);
    old_ = old;
    SetCurrentDirectoryA(path.c_str());
  }
  ~ScopedCurrentDirectory() { SetCurrentDirectoryA(old_.c_str()); }

 private:
  std::string old_;
};

std::string Built(const char* relative) {
  return SelfDir() + "testruntime\\" + relative;
}

TEST(JvmBridgeWin32, RuntimeDependenciesComeFromItsBinDirectory) {
  ScopedTempDir dir;
  MakeDirectory(dir.Join("jre/bin/server"));
  MakeDirectory(dir.Join("cwd"));
  MakeDirectory(dir.Join("path"));
  Copy(Built("depjvm\\jvm.dll"), dir.Join("jre/bin/server/jvm.dll"));
  Copy(Built("decoy\\zovdep.dll"), dir.Join("cwd/zovdep.dll"));
  Copy(Built("decoy\\zovdep.dll"), dir.Join("path/zovdep.dll"));
  std::string log = dir.Join("calls.log");
  ScopedEnv logEnv("ZOV_TESTRUNTIME_LOG", log);
  ScopedCurrentDirectory cwd(dir.Join("cwd"));

  // Only the current directory has a copy: it must not be used.
  {
    JvmBridge bridge;
    EXPECT_EQ(1, bridge.CreateVm(dir.Join("jre/bin/server/jvm.dll").c_str()));
  }
  EXPECT_EQ(nullptr, GetModuleHandleA("zovdep.dll"));

  // The bin directory's copy wins over the current directory's and PATH's,
  // also when the runtime is named by a relative path.
  Copy(Built("dep\\zovdep.dll"), dir.Join("jre/bin/zovdep.dll"));
  char buffer[32768];
  DWORD n = GetEnvironmentVariableA("PATH", buffer, sizeof buffer);
  ScopedEnv pathEnv("PATH", dir.Join("path") + ";" + std::string(buffer, n));
  for (const std::string& runtime :
       {dir.Join("jre/bin/server/jvm.dll"),
        std::string("..\\jre\\bin\\server\\jvm.dll")}) {
    SCOPED_TRACE(runtime);
    DeleteFileA(log.c_str());
    {
      JvmBridge bridge;
      ASSERT_EQ(0, bridge.CreateVm(runtime.c_str()));
    }
    std::string calls = ReadFile(log);
    EXPECT_NE(std::string::npos, calls.find("dependency bin\n")) << calls;
    EXPECT_EQ(nullptr, GetModuleHandleA("zovdep.dll")) << "still loaded";
  }
}

}  // namespace
