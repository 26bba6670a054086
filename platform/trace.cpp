#include "platform/trace.h"

#include <stdarg.h>
#include <stdio.h>

#include "platform/platform.h"
#include "text/text.h"

#ifdef _WIN32
// msvcrt's formatter (mingw-w64's costs ~50 KB): -1 when the text does not
// fit the count, and no NUL when it fills it exactly.
#define ZOV_VSNPRINTF _vsnprintf
#define ZOV_LINE_END "\r\n"
#else
#define ZOV_VSNPRINTF vsnprintf
#define ZOV_LINE_END "\n"
#endif

static PlatformFile* traceFile = nullptr;

void TraceStart() {
  TextBuffer name;
  if (traceFile != nullptr || !PlatformGetEnvironment("ZOV_TRACE", &name) ||
      name.length() == 0) {
    return;
  }
#ifdef _WIN32
  // A GUI program has no standard error to write to.
  if (name.length() == 1 && name.data()[0] == '-') return;
#endif
  traceFile = PlatformOpenAppend(name.c_str());
}

bool Tracing() { return traceFile != nullptr; }

void Trace(const char* format, ...) {
  if (traceFile == nullptr) return;
  TextBuffer line;
  int written;
  for (int32_t room = 256;; room *= 2) {
    if (room > (1 << 24)) return;  // no sane line is this long
    line.Resize(room);
    va_list values;
    va_start(values, format);
    written = ZOV_VSNPRINTF(line.data(), static_cast<size_t>(room), format,
                            values);
    va_end(values);
    if (written >= 0 && written < room) break;
  }
  line.Resize(written);
  line.Append(ZOV_LINE_END);
  PlatformWriteFile(traceFile, line.data(), line.length());
}

void TraceEnd() {
  if (traceFile == nullptr) return;
  PlatformCloseFile(traceFile);
  traceFile = nullptr;
}
