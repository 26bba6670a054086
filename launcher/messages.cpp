#include "launcher/messages.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "platform/platform.h"
#include "runtime/launch_error.h"

void ReadStringEntry(const WideTextView& block, unsigned index,
                     TextBuffer* out) {
  // Each entry is a count followed by that many units. A block cut short
  // reads as zeros past its end, so the text stops where the data does
  // rather than reading beyond the resource.
  int32_t pos = 0;
  for (unsigned i = 0; i < index; ++i) pos += block.UnitAt(pos, 0) + 1;
  int32_t count = block.UnitAt(pos, 0);
  int32_t available = block.length() - (pos + 1);
  if (count > available) count = available > 0 ? available : 0;
  if (count > 0) {
    out->AssignFromWide(block.data() + pos + 1, count);
  } else {
    out->Clear();
  }
}

bool LoadMessageText(TextBuffer* out, unsigned id) {
  out->Clear();
  const uint16_t* data = nullptr;
  int sizeInBytes = 0;
  if (!PlatformStringBlock((id >> 4) + 1, &data, &sizeInBytes)) return false;
  ReadStringEntry(WideTextView(data, sizeInBytes / 2), id & 15, out);
  return true;
}

TextBuffer ComposeLaunchMessage(int code, int runtimeMajor, int runtimeMinor,
                                int requiredMajor, int requiredMinor) {
  TextBuffer text;
  if (code == VersionTooLow || code == VersionTooHigh) {
    TextBuffer format;
    LoadMessageText(&format, static_cast<unsigned>(code));
    FormatText(&text, format.c_str(), runtimeMajor, runtimeMinor,
               requiredMajor, requiredMinor);
  } else {
    LoadMessageText(&text, static_cast<unsigned>(code));
  }
  return text;
}

void FormatText(TextBuffer* out, const char* format, ...) {
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
  if (written < 0 || written > room - 1) written = room - 1;
  out->Resize(written);
}

void ShowLaunchMessage(const TextBuffer& text) {
  TextBuffer caption;
  LoadMessageText(&caption, kCaptionMessageId);
  PlatformMessageBox(text.c_str(), caption.c_str());
}

int CompareText(const TextBuffer& text, const char* other) {
  int32_t n = other ? static_cast<int32_t>(strlen(other)) : 0;
  int32_t m = text.length();
  const char* bytes = text.c_str();
  int32_t i = 0;
  while (i < m && i < n && bytes[i] == other[i]) ++i;
  signed char a = static_cast<signed char>(i < m ? bytes[i] : 0);
  signed char b = static_cast<signed char>(i < n ? other[i] : 0);
  return a - b;
}
