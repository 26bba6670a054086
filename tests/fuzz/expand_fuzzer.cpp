// %NAME% and %NAME:-DEFAULT% expansion of any text, checked against the one-pass rule written
// out plainly, with variables that are set, empty, hold "%" or "=".
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <strings.h>

#include <string>

#include "config/expand.h"
#include "tests/fuzz/fuzz_check.h"
#include "text/text.h"

extern char** environ;

namespace {

// A name with "=" or NUL names no variable; case does not matter.
bool Variable(const std::string& name, std::string* value) {
  if (name.empty() || name.find_first_of(std::string("=\0", 2)) !=
                          std::string::npos) {
    return false;
  }
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (strncasecmp(*entry, name.c_str(), name.size()) == 0 &&
        (*entry)[name.size()] == '=') {
      *value = *entry + name.size() + 1;
      return true;
    }
  }
  return false;
}

std::string Expected(const std::string& s) {
  std::string out;
  size_t copyFrom = 0, scanFrom = 0;
  for (;;) {
    size_t open = s.find('%', scanFrom);
    if (open == std::string::npos) break;
    size_t close = s.find('%', open + 1);
    if (close == std::string::npos) break;
    std::string value;
    std::string name = s.substr(open + 1, close - open - 1);
    size_t dash = name.find(":-");
    bool defined = Variable(name.substr(0, dash), &value);
    if (dash != std::string::npos && (!defined || value.empty())) {
      value = name.substr(dash + 2);
      defined = true;
    }
    if (defined) {
      out += s.substr(copyFrom, open - copyFrom) + value;
      copyFrom = scanFrom = close + 1;
    } else {
      scanFrom = close;
    }
  }
  return out + s.substr(copyFrom);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("ZA", "a", 1);
  setenv("ZEMPTY", "", 1);
  setenv("ZPCT", "%ZA%", 1);
  setenv("ZEQ", "k=v", 1);
  setenv("Zlong", std::string(300, 'L').c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  TextBuffer expanded =
      ExpandEnvironment(TextBuffer(text.data(), static_cast<int32_t>(size)));
  FUZZ_CHECK(std::string(expanded.data(), expanded.length()) == Expected(text));
  FUZZ_CHECK(expanded.data()[expanded.length()] == 0);
  return 0;
}
