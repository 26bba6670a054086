// The --show operation: what a packed file holds, as the launcher sees it.
#ifndef ZOV_PACK_SHOW_H_
#define ZOV_PACK_SHOW_H_

#include <string>

namespace zovpack {

// Describes the packed file `file`: its target, the stub size, the
// configuration lines as the launcher reads them, the main class, the
// number of archive entries, and for Windows stubs the size of a signature
// that ends the file, whether it carries a splash bitmap and an icon, its
// version record, its code page and whether it is a console program. Fails
// for a file that holds no ZIP archive.
bool DescribePackedFile(const std::string& file, std::string* report,
                        std::string* error);

}  // namespace zovpack

#endif  // ZOV_PACK_SHOW_H_
