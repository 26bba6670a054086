#include "launcher/messages.h"

#include "platform/platform.h"
#include "runtime/launch_error.h"
#include "text/format_text.h"

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

void ShowLaunchMessage(const TextBuffer& text) {
  TextBuffer caption;
  LoadMessageText(&caption, kCaptionMessageId);
  PlatformMessageBox(text.c_str(), caption.c_str());
}
