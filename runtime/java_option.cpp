#include "runtime/java_option.h"

namespace {

// The java command's options that take their value as a second word; "-p"
// is its short name for "--module-path".
const char* const kTwoWordOptions[] = {
    "--add-opens",     "--add-exports",         "--add-reads",
    "--add-modules",   "--module-path",         "--upgrade-module-path",
    "--limit-modules", "--patch-module",        "--enable-native-access",
    "-p",
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

TextBuffer RuntimeOption(const char* option) {
  for (const char* name : kTwoWordOptions) {
    int32_t n = 0;
    while (name[n] != '\0' && option[n] == name[n]) ++n;
    if (name[n] != '\0' || !IsBlank(option[n])) continue;
    const char* value = option + n;
    while (IsBlank(*value)) ++value;
    if (*value == '\0') break;
    TextBuffer joined(n == 2 ? "--module-path" : name);
    joined.Append("=");
    joined.Append(value);
    return joined;
  }
  return TextBuffer(option);
}
