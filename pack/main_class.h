// Whether the archive holds the class the launcher will start.
#ifndef ZOV_PACK_MAIN_CLASS_H_
#define ZOV_PACK_MAIN_CLASS_H_

#include <string>
#include <vector>

#include "zip_archive.h"

namespace zovpack {

// The main class `name` ("a.b.C" or "a/b/C") is in `zip` when it holds
// a/b/C.class, also under META-INF/versions/N/. When it does not, fails
// naming it, unless one of `lines` has the key classpath: then the class
// may come from there, and a warning says so.
bool CheckMainClass(const ZipArchive& zip, const std::string& name,
                    const std::vector<std::string>& lines,
                    std::vector<std::string>* warnings, std::string* error);

}  // namespace zovpack

#endif  // ZOV_PACK_MAIN_CLASS_H_
