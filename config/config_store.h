// The configuration text of one run: the side file next to the executable,
// then the comment embedded at the end of the executable's own file.
#ifndef ZOV_CONFIG_CONFIG_STORE_H_
#define ZOV_CONFIG_CONFIG_STORE_H_

#include <stdint.h>

#include "config/config_lookup.h"
#include "text/text.h"

// The executable's directory and the start-up current directory, each
// ending in the platform's separator unless empty. Written only while a
// ConfigStore is built; empty before. ExeDir is empty when the executable's
// path is unknown or has no separator; WorkDir is empty when the current
// directory cannot be read (or does not fit 260 bytes), so that a relative
// path joined to it stays relative to the real current directory.
extern TextBuffer ExeDir;
extern TextBuffer WorkDir;

// Its own characters are the text: the side file's bytes, CR LF when the
// side file gave any, then the embedded comment's bytes, all raw.
// Building one also defines ZOV_APP_DIR in the process's environment: the
// executable's directory without its trailing separator (kept for a root),
// so that values, and the processes the application starts, can name it.
class ConfigStore : public TextBuffer {
 public:
  // Reads the running executable's side file and embedded comment.
  ConfigStore();
  // For tests: as if the executable were modulePath and the current
  // directory currentDirectory; "" stands for a failed query.
  ConfigStore(const char* modulePath, const char* currentDirectory);
  // Out of line, so that the class's tables come from the launcher's own
  // code, built without run-time type information.
  ~ConfigStore() override;

  // A copy of exePath, and of ExeDir.
  TextBuffer ExecutablePath() const;
  TextBuffer ExecutableDir() const;

  // The value of the first line carrying key (letters compared without
  // regard to case), searched from embeddedStart when embeddedOnly, else
  // from the start; empty when no line carries it. The same as
  // ForEachValue without a callback.
  TextBuffer Lookup(const char* key, bool embeddedOnly) const;
  TextBuffer Lookup(const TextBuffer& key, bool embeddedOnly) const {
    return Lookup(key.c_str(), embeddedOnly);
  }

  // Without a callback: the first value, as Lookup. With one: calls it for
  // every line carrying key, in text order, and returns the empty text.
  TextBuffer ForEachValue(const char* key, ValueCallback callback,
                          void* context, bool embeddedOnly) const;
  TextBuffer ForEachValue(const TextBuffer& key, ValueCallback callback,
                          void* context, bool embeddedOnly) const {
    return ForEachValue(key.c_str(), callback, context, embeddedOnly);
  }

  // Length of the text in front of the embedded part: 0 without a side
  // text, else the side file's size plus 2.
  int32_t embeddedStart = 0;
  // The executable's full path; empty when the system would not tell it
  // whole.
  TextBuffer exePath;

 private:
  void Build(const char* modulePath, const char* currentDirectory);
  void DefineAppDir();
  void ReadSideFile();
  void TraceLines() const;
};

#endif  // ZOV_CONFIG_CONFIG_STORE_H_
