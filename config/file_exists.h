// The existence test the configuration and the runtime search share.
#ifndef ZOV_CONFIG_FILE_EXISTS_H_
#define ZOV_CONFIG_FILE_EXISTS_H_

// True when a first-match directory search for name finds an entry: a
// directory counts as existing, and a name with wildcards exists when any
// entry matches it. Nothing stays open afterwards.
bool FileExists(const char* name);

#endif  // ZOV_CONFIG_FILE_EXISTS_H_
