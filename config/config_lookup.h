// The line syntax of the configuration text. A line ends at CR LF, LF CR,
// a lone CR or a lone LF; the first NUL ends the whole text. Key lookups
// (ConfigStore::Lookup and ConfigStore::ForEachValue) are built on this.
#ifndef ZOV_CONFIG_CONFIG_LOOKUP_H_
#define ZOV_CONFIG_CONFIG_LOOKUP_H_

#include "text/text.h"

// Receives one value of a key: the context given to ForEachValue, and the
// value as a NUL-terminated string that lives only during the call.
typedef void (*ValueCallback)(void* context, const char* value);

// A cursor over NUL-terminated text, alive during one lookup.
class ConfigLineReader {
 public:
  // position may be null: the text is then exhausted from the start.
  explicit ConfigLineReader(const char* position) : position_(position) {}

  // Fills line with the characters up to the next line end (possibly none)
  // and moves past that line end. False, with line untouched, once the
  // text is exhausted.
  bool NextLine(TextBuffer* line);

  // Where the next line starts.
  const char* position() const { return position_; }

 private:
  const char* position_;
};

#endif  // ZOV_CONFIG_CONFIG_LOOKUP_H_
