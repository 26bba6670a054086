// The systems zovpack packs for: their stubs, where those are found, and
// the machine their runtimes must be built for.
#ifndef ZOV_PACK_TARGETS_H_
#define ZOV_PACK_TARGETS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "pe_image.h"

namespace zovpack {

enum class Target { kWin64, kWin32, kWinArm64, kLinux };

// Parses "win64", "win32", "winarm64" or "linux".
bool ParseTarget(const std::string& text, Target* target);
// zov64.exe, zov32.exe, zova64.exe or zov; zovc64.exe, zovc32.exe and
// zovca64.exe for the console launcher (Linux has one launcher, a console
// program).
const char* StubFileName(Target target, bool console = false);
ExecutableKind TargetExecutableKind(Target target);
// The machine field of the target's stubs and of the runtimes they can
// load: the PE header's Machine (0x8664, 0x014C, 0xAA64), for Linux the ELF
// header's e_machine (62, x86-64).
uint16_t TargetMachine(Target target);

// Where stubs are looked for, in order: $ZOV_STUB_DIR alone when set; else
// share/zov beside the directory of the running zovpack (an installed
// tree: bin/zovpack, share/zov/), then zovpack's own directory (a Windows
// folder, or the build tree's).
std::vector<std::string> StubDirectories();
// The target's stub (its console launcher when asked) in the first of StubDirectories() that holds it; when
// none does, its path in the first of them.
std::string DefaultStubPath(Target target, bool console = false);

}  // namespace zovpack

#endif  // ZOV_PACK_TARGETS_H_
