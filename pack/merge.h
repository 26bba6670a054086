// zovpack --merge: the application's archive and its dependency jars made
// into one archive, so that the packed file needs nothing beside it.
#ifndef ZOV_PACK_MERGE_H_
#define ZOV_PACK_MERGE_H_

#include <string>
#include <vector>

#include "jar_manifest.h"

namespace zovpack {

struct JarFile {
  std::string name;  // for messages
  std::string data;
};

// Writes to `*out` one ZIP archive (offsets counted from its first byte)
// with the entries of `app`, then those of each dependency in order:
// - a name already taken keeps its first entry (the application's, else
//   the earliest jar's); one warning counts the files dropped;
// - META-INF/services/* files are joined in that order, a line already
//   seen left out, and stored uncompressed;
// - a dependency's manifest, INDEX.LIST, module-info.class (also a
//   versioned one: the file is no module) and signature files (META-INF/
//   *.SF, *.RSA, *.DSA, *.EC, SIG-*) are left out, with a warning naming
//   the signed jars: their signatures would no longer match;
// - a dependency's META-INF/versions/N/NAME is left out when an earlier
//   jar holds NAME, which it would otherwise shadow;
// - the application's manifest stays, with Multi-Release: true when a
//   dependency is Multi-Release, and for each package (a/b/) a dependency
//   contributes classes to, a section with that dependency's
//   Implementation-* and Specification-* attributes (its own section for
//   the package first, then its main ones), unless the application's
//   manifest or an earlier dependency has one; without drop_class_path
//   its Class-Path stays. It is rewritten (stored) only when one of these
//   changes it, with a warning when the application is signed;
// - every other entry is copied as stored, without recompressing;
// - zip64 records are written where counts, sizes or offsets need them.
// Fails, naming the jar, when an input is not a readable ZIP archive.
bool MergeJars(const JarFile& app, const std::vector<JarFile>& deps,
               std::string* out, std::vector<std::string>* warnings,
               std::string* error, bool drop_class_path = false);

// The items of a main section's Class-Path, in order.
std::vector<std::string> ClassPathItems(const ManifestSection& main);

// The file a Class-Path item of the jar at `jar` names: a relative URL
// against the jar's folder, a file: URL or absolute path as it is, %XX
// decoded. Empty for a URL of another scheme.
std::string ClassPathItemPath(const std::string& item, const std::string& jar);

// The jars a --merge PATH stands for: PATH itself when it is a file, else
// the files of that directory whose names end in ".jar" (any case), not its
// subdirectories', in bytewise name order. Fails when PATH is missing or
// a directory without jars.
bool ListMergeJars(const std::string& path, std::vector<std::string>* jars,
                   std::string* error);

// Lists the jars of every --merge path in order, reads them and merges them
// into `*archive` (the application's, read from `archive_name`) as
// MergeJars does. With merge_class_path, the jars the application's
// Class-Path names come first, each followed by those its own Class-Path
// names (a jar once), and the packed manifest has no Class-Path; an item
// that is no jar here is warned about and left out. On failure
// `*archive` is unchanged.
bool MergePaths(const std::string& archive_name,
                const std::vector<std::string>& paths, std::string* archive,
                std::vector<std::string>* warnings, std::string* error,
                bool merge_class_path = false);

}  // namespace zovpack

#endif  // ZOV_PACK_MERGE_H_
