#include "runtime/java_option.h"

#include <string.h>

namespace {

// The java command's options that take their value as a second word; "-p"
// is its short name for "--module-path", which comes first so that the
// list names it for both. Each ends in a NUL, the list in two: a pointer
// table would cost a pointer and a relocation per name.
const char* const kTwoWordOptions =
    "--module-path\0--add-opens\0--add-exports\0--add-reads\0--add-modules\0"
    "--upgrade-module-path\0--limit-modules\0--patch-module\0"
    "--enable-native-access\0-p\0";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

TextBuffer RuntimeOption(const char* option) {
  for (const char* name = kTwoWordOptions; *name != '\0';
       name += strlen(name) + 1) {
    int32_t n = 0;
    while (name[n] != '\0' && option[n] == name[n]) ++n;
    if (name[n] != '\0' || !IsBlank(option[n])) continue;
    const char* value = option + n;
    while (IsBlank(*value)) ++value;
    if (*value == '\0') break;
    TextBuffer joined(n == 2 ? kTwoWordOptions : name);
    joined.Append("=");
    joined.Append(value);
    return joined;
  }
  return TextBuffer(option);
}
