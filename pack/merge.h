// zovpack --merge: the application's archive and its dependency jars made
// into one archive, so that the packed file needs nothing beside it.
#ifndef ZOV_PACK_MERGE_H_
#define ZOV_PACK_MERGE_H_

#include <string>
#include <vector>

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
// - a dependency's manifest, INDEX.LIST and signature files (META-INF/
//   *.SF, *.RSA, *.DSA, *.EC, SIG-*) are left out, with a warning naming
//   the signed jars: their signatures would no longer match;
// - every other entry is copied as stored, without recompressing;
// - zip64 records are written where counts, sizes or offsets need them.
// Fails, naming the jar, when an input is not a readable ZIP archive.
bool MergeJars(const JarFile& app, const std::vector<JarFile>& deps,
               std::string* out, std::vector<std::string>* warnings,
               std::string* error);

// The jars a --merge PATH stands for: PATH itself when it is a file, else
// the files of that directory whose names end in ".jar" (any case), not its
// subdirectories', in bytewise name order. Fails when PATH is missing or
// a directory without jars.
bool ListMergeJars(const std::string& path, std::vector<std::string>* jars,
                   std::string* error);

// Lists the jars of every --merge path in order, reads them and merges them
// into `*archive` (the application's, named `archive_name`) as MergeJars
// does. On failure `*archive` is unchanged.
bool MergePaths(const std::string& archive_name,
                const std::vector<std::string>& paths, std::string* archive,
                std::vector<std::string>* warnings, std::string* error);

}  // namespace zovpack

#endif  // ZOV_PACK_MERGE_H_
