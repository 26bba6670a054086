#include "text/format_text.h"

#include <stdarg.h>
#include <stdio.h>

bool FormatText(TextBuffer* out, const char* format, ...) {
  if (out->capacity() < 1024) out->Resize(1023);  // a need of 1024 bytes
  int32_t room = out->capacity();
  va_list values;
  va_start(values, format);
#ifdef _WIN32
  // msvcrt's own formatter: mingw-w64's vsnprintf would link ~50 KB more.
  // It writes no NUL when the text fills the count, and returns -1 when it
  // does not fit, so one byte stays back for the terminator.
  int written = _vsnprintf(out->data(), static_cast<size_t>(room - 1), format,
                           values);
#else
  int written = vsnprintf(out->data(), static_cast<size_t>(room), format,
                          values);
#endif
  va_end(values);
  bool whole = written >= 0 && written <= room - 1;
  out->Resize(whole ? written : room - 1);
  return whole;
}
