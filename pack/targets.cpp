#include "targets.h"

#include <cstdlib>

#include "file_io.h"

namespace zovpack {

bool ParseTarget(const std::string& text, Target* target) {
  if (text == "win64") {
    *target = Target::kWin64;
  } else if (text == "win32") {
    *target = Target::kWin32;
  } else if (text == "winarm64") {
    *target = Target::kWinArm64;
  } else if (text == "linux") {
    *target = Target::kLinux;
  } else {
    return false;
  }
  return true;
}

const char* StubFileName(Target target, bool console) {
  switch (target) {
    case Target::kWin32: return console ? "zovc32.exe" : "zov32.exe";
    case Target::kWinArm64: return console ? "zovca64.exe" : "zova64.exe";
    case Target::kLinux: return "zov";
    default: return console ? "zovc64.exe" : "zov64.exe";
  }
}

ExecutableKind TargetExecutableKind(Target target) {
  switch (target) {
    case Target::kWin32: return ExecutableKind::kPe32;
    case Target::kWinArm64: return ExecutableKind::kPeArm64;
    case Target::kLinux: return ExecutableKind::kElf;
    default: return ExecutableKind::kPe32Plus;
  }
}

uint16_t TargetMachine(Target target) {
  switch (target) {
    case Target::kWin32: return 0x014C;
    case Target::kWinArm64: return 0xAA64;
    case Target::kLinux: return 62;  // EM_X86_64
    default: return 0x8664;
  }
}

std::vector<std::string> StubDirectories() {
  const char* dir = std::getenv("ZOV_STUB_DIR");
  if (dir != nullptr && *dir != '\0') return {dir};
  std::vector<std::string> dirs;
  std::string own = ExecutableDirectory();
  if (own.empty()) return dirs;
  std::string parent = ParentDirectory(own);
  if (!parent.empty()) dirs.push_back(JoinPath(JoinPath(parent, "share"), "zov"));
  dirs.push_back(own);
  return dirs;
}

std::string DefaultStubPath(Target target, bool console) {
  const char* name = StubFileName(target, console);
  std::vector<std::string> dirs = StubDirectories();
  for (const std::string& dir : dirs) {
    std::string path = JoinPath(dir, name);
    if (FileExists(path)) return path;
  }
  return dirs.empty() ? std::string(name) : JoinPath(dirs[0], name);
}

}  // namespace zovpack
