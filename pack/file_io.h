// Whole-file reads and atomic whole-file writes. Files here are read into
// memory: a stub and an application archive both fit comfortably.
#ifndef ZOV_PACK_FILE_IO_H_
#define ZOV_PACK_FILE_IO_H_

#include <string>

namespace zovpack {

// Reads all of `path` into `*contents`. On failure returns false and sets
// `*error` to a message naming the file.
bool ReadWholeFile(const std::string& path, std::string* contents,
                   std::string* error);

// Writes `contents` to a temporary file beside `path` and renames it over
// `path`, so that readers see either the old file or the complete new one.
// The new file is executable (within the umask). On failure the temporary
// file is removed, `path` is left as it was, and `*error` is set.
bool WriteFileAtomically(const std::string& path, const std::string& contents,
                         std::string* error);

// Directory of the running executable, with a trailing separator, or empty
// when it cannot be determined.
std::string ExecutableDirectory();

// True when `path` names an existing regular file.
bool FileExists(const std::string& path);

// The directory above `dir` (with a trailing separator), or empty when `dir`
// is a root or has no separator.
std::string ParentDirectory(const std::string& dir);

// The last component of `path` ("out/app.exe" gives "app.exe").
std::string BaseName(const std::string& path);

// Joins a directory (with or without a trailing separator) and a name.
std::string JoinPath(const std::string& dir, const std::string& name);

}  // namespace zovpack

#endif  // ZOV_PACK_FILE_IO_H_
