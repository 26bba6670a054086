// The class path handed to the virtual machine.
#ifndef ZOV_RUNTIME_CLASS_PATH_H_
#define ZOV_RUNTIME_CLASS_PATH_H_

#include "config/config_store.h"
#include "text/text.h"

// The executable's own path (it carries the application's archive), then
// carried (the jars the file carries, each after a separator; may be
// empty), then every entry of the key classpath (side file first; see CollectClassPath),
// then CLASSPATH and then CLASS_PATH, each whole after its own separator
// whenever it is defined, even empty. Entries are separated by the
// platform's class-path separator (";", on Linux ":"). When the
// executable's path is unknown the next entry comes first: an empty first
// entry would put the current directory on the class path.
// The option that hands the runtime its class path.
inline constexpr const char* kClassPathOption = "-Djava.class.path=";

TextBuffer ComposeClassPath(const ConfigStore& store,
                            const TextBuffer& carried = TextBuffer());

// Appends one configured entry, already expanded, each part after the
// class-path separator. An entry whose last part is "*" ("*", "lib/*",
// "lib\*") stands for the files of that directory whose names end in
// ".jar" in any case, not those of its subdirectories, in bytewise name
// order; it adds nothing when there are none. The directory is resolved
// as ResolvePath resolves an entry ("*" alone: ExeDir, else WorkDir). Any
// other entry is appended resolved.
// Appends, for each name, the separator, dir and the name.
void AppendClassPathNames(TextBuffer* entries, const TextBuffer& dir,
                          const StringList& names);

void AppendClassPathEntry(TextBuffer* entries, const TextBuffer& entry);

// A ValueCallback whose context is a TextBuffer: cuts the value at every
// ";", and on Linux also at every ":" (before expansion, so a separator
// from a variable does not cut), skips empty pieces, and hands each other
// piece, expanded, to AppendClassPathEntry.
void CollectClassPath(void* context, const char* value);

#endif  // ZOV_RUNTIME_CLASS_PATH_H_
