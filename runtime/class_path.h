// The class path handed to the virtual machine.
#ifndef ZOV_RUNTIME_CLASS_PATH_H_
#define ZOV_RUNTIME_CLASS_PATH_H_

#include "config/config_store.h"
#include "text/text.h"

// The executable's own path (it carries the application's archive), then
// every entry of the key classpath (side file first; see CollectClassPath),
// then CLASSPATH and then CLASS_PATH, each whole after its own separator
// whenever it is defined, even empty. Entries are separated by the
// platform's class-path separator (";", on Linux ":"). When the
// executable's path is unknown the next entry comes first: an empty first
// entry would put the current directory on the class path.
TextBuffer ComposeClassPath(const ConfigStore& store);

#endif  // ZOV_RUNTIME_CLASS_PATH_H_
