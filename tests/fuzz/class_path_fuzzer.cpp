// classpath values of any bytes: cut at ";" and ":", expanded and resolved
// against real directories, and ResolvePath on its own. Values with a
// wildcard entry are run but not modelled (the unit tests hold those).
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "config/config_store.h"
#include "config/expand.h"
#include "config/file_exists.h"
#include "config/resolve_path.h"
#include "platform/platform.h"
#include "runtime/class_path.h"
#include "tests/fuzz/fuzz_check.h"
#include "text/text.h"

namespace {

void Touch(const std::string& path) {
  FILE* f = fopen(path.c_str(), "w");
  if (f != nullptr) fclose(f);
}

// No drive letters on Linux.
bool Absolute(const std::string& p) {
  return !p.empty() && (p[0] == '\\' || p[0] == '/');
}

bool Wildcard(const std::string& p) {
  size_t n = p.size();
  return n > 0 && p[n - 1] == '*' &&
         (n == 1 || p[n - 2] == '/' || p[n - 2] == '\\');
}

// ExeDir + p if it exists, else WorkDir + p if it exists, else ExeDir + p.
std::string Resolved(const std::string& p) {
  if (Absolute(p)) return p;
  std::string underExe = std::string(ExeDir.c_str()) + p;
  if (FileExists(underExe.c_str())) return underExe;
  std::string underWork = std::string(WorkDir.c_str()) + p;
  if (FileExists(underWork.c_str())) return underWork;
  return underExe;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/tmp/zov-fuzz-cp.XXXXXX";
  std::string root = mkdtemp(pattern);
  mkdir((root + "/exe").c_str(), 0755);
  mkdir((root + "/exe/lib").c_str(), 0755);
  mkdir((root + "/work").c_str(), 0755);
  Touch(root + "/exe/a.jar");
  Touch(root + "/exe/lib/b.jar");
  Touch(root + "/work/b.jar");
  Touch(root + "/work/c.jar");
  // Fills ExeDir and WorkDir; no configuration exists there.
  static ConfigStore store((root + "/exe/app").c_str(),
                           (root + "/work").c_str());
  setenv("ZCP", "a.jar;c.jar", 1);
  setenv("ZA", "a", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::string value = input.substr(0, input.find('\0'));

  std::string expected;
  bool wildcard = false;
  for (size_t from = 0; from <= value.size();) {
    size_t end = value.find_first_of(";:", from);
    if (end == std::string::npos) end = value.size();
    if (end > from) {
      TextBuffer piece(value.data() + from, static_cast<int32_t>(end - from));
      TextBuffer expanded = ExpandEnvironment(piece);
      wildcard = wildcard || Wildcard(expanded.c_str());
      expected += kClassPathSeparator;
      expected += Resolved(expanded.c_str());
    }
    from = end + 1;
  }
  TextBuffer entries;
  CollectClassPath(&entries, value.c_str());
  FUZZ_CHECK(wildcard ||
             std::string(entries.data(), entries.length()) == expected);

  // The path itself always ends the result, whatever went in front of it.
  TextBuffer resolved =
      ResolvePath(TextBuffer(value.data(), static_cast<int32_t>(value.size())));
  std::string got(resolved.data(), resolved.length());
  FUZZ_CHECK(got == Resolved(value));
  return 0;
}
