#include "config/expand.h"

#include <string.h>

#include "platform/platform.h"

static int32_t FindPercent(const char* text, int32_t from, int32_t length) {
  for (int32_t i = from; i < length; ++i) {
    if (text[i] == '%') return i;
  }
  return -1;
}

TextBuffer ExpandEnvironment(const TextBuffer& text) {
  const char* s = text.data();
  int32_t length = text.length();
  TextBuffer result;
  TextBuffer name;
  TextBuffer value;
  int32_t copyFrom = 0;
  int32_t scanFrom = 0;
  for (;;) {
    int32_t open = FindPercent(s, scanFrom, length);
    if (open < 0) break;
    int32_t close = FindPercent(s, open + 1, length);
    if (close < 0) break;
    name.Assign(s + open + 1, close - open - 1);
    // %NAME:-DEFAULT%: the default stands in for an undefined or empty value.
    // Searched over the whole name: a NUL must not hide the ":-" after it.
    int32_t fallback = -1;
    for (int32_t i = open + 1; i + 1 < close; ++i) {
      if (s[i] == ':' && s[i + 1] == '-') {
        fallback = i + 2;
        break;
      }
    }
    if (fallback >= 0) name.Resize(fallback - open - 3);
    // A NUL would cut the name short and look up another variable.
    bool defined = name.length() > 0 &&
                   memchr(name.data(), 0, static_cast<size_t>(name.length())) ==
                       nullptr &&
                   PlatformGetEnvironment(name.c_str(), &value);
    if (fallback >= 0 && (!defined || value.length() == 0)) {
      value.Assign(s + fallback, close - fallback);
      defined = true;
    }
    if (defined) {
      result.Append(s + copyFrom, open - copyFrom);
      result.Append(value);
      copyFrom = scanFrom = close + 1;
    } else {
      scanFrom = close;
    }
  }
  result.Append(s + copyFrom, length - copyFrom);
  return result;
}
