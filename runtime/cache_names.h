// The names of the class-data cache's files, in the user's cache folder
// zov/cds. Each begins APP-KEY: 8 hex digits of the executable's path,
// and 8 of what an archive is checked against at a start (see cds.cpp).
//   APP-KEY.jsa          an archive the runtime keeps itself (Java 19 on)
//   APP-KEY-SIZE.jsa     an archive of Java 13 to 18; SIZE, its size, tells
//                        a whole archive from a cut one
//   APP-KEY.aot          an ahead-of-time cache (Java 25 on)
//   APP-KEY-PID.tmp      the archive process PID writes at exit
//   APP-KEY-PID.aotconf  the configuration a recording start writes
//   APP-KEY-PID.log      what the runtime refused of a mapped cache
#ifndef ZOV_RUNTIME_CACHE_NAMES_H_
#define ZOV_RUNTIME_CACHE_NAMES_H_

#include <stdint.h>

#include "text/text.h"

// Appends value as 8 lower-case hex digits.
void AppendHex(TextBuffer* out, uint32_t value);

// Appends "-PID" and suffix (".tmp", ".aotconf", ".log"): a name of this
// process's own.
void AppendProcessName(TextBuffer* path, const char* suffix);

// Removes from a name of some process's own its "-PID" and suffix, which
// leaves its APP-KEY.
void RemoveProcessName(TextBuffer* path, const char* suffix);

// Appends "-SIZE.jsa" for an archive of that size.
void AppendSizedArchive(TextBuffer* path, uint32_t size);

#endif  // ZOV_RUNTIME_CACHE_NAMES_H_
