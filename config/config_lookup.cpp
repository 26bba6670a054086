#include "config/config_lookup.h"

#include "config/config_store.h"

#include <string.h>

bool ConfigLineReader::NextLine(TextBuffer* line) {
  if (position_ == nullptr || *position_ == 0) return false;
  const char* end = position_;
  while (*end != 0 && *end != '\r' && *end != '\n') ++end;
  line->Assign(position_, static_cast<int32_t>(end - position_));
  if ((end[0] == '\r' && end[1] == '\n') ||
      (end[0] == '\n' && end[1] == '\r')) {
    end += 2;
  } else if (*end != 0) {
    ++end;
  }
  position_ = end;
  return true;
}

static char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

TextBuffer ConfigStore::ForEachValue(const char* key,
                                     ValueCallback callback, void* context,
                                     bool embeddedOnly) const {
  ConfigLineReader reader(data() + (embeddedOnly ? embeddedStart : 0));
  TextBuffer line;
  const char* wanted = key;
  int32_t k = static_cast<int32_t>(strlen(key));
  while (reader.NextLine(&line)) {
    const char* text = line.c_str();
    int32_t n = line.length();
    int32_t i = 0;
    while (i < n && text[i] == ' ') ++i;
    if (n - i < k) continue;
    int32_t j = 0;
    while (j < k && Lower(text[i + j]) == Lower(wanted[j])) ++j;
    if (j < k) continue;
    i += k;
    while (i < n && text[i] == ' ') ++i;
    if (callback == nullptr) return TextBuffer(text + i, n - i);
    callback(context, text + i);
  }
  return TextBuffer();
}

TextBuffer ConfigStore::Lookup(const char* key,
                               bool embeddedOnly) const {
  return ForEachValue(key, nullptr, nullptr, embeddedOnly);
}
