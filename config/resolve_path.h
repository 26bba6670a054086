// Relative paths of the configuration, made usable.
#ifndef ZOV_CONFIG_RESOLVE_PATH_H_
#define ZOV_CONFIG_RESOLVE_PATH_H_

#include "text/text.h"

// An absolute path (first character "\" or "/", or on Windows ":" second:
// drive, rooted, network and drive-relative paths) comes back unchanged. Any other
// becomes ExeDir + path if that exists, else WorkDir + path if that exists,
// else ExeDir + path. Nothing is normalised.
TextBuffer ResolvePath(const TextBuffer& path);

#endif  // ZOV_CONFIG_RESOLVE_PATH_H_
