// A --config file: the configuration lines zovpack is to pack.
#ifndef ZOV_PACK_CONFIG_FILE_H_
#define ZOV_PACK_CONFIG_FILE_H_

#include <string>
#include <vector>

namespace zovpack {

// Lines of a --config file: CR LF, LF or CR separated; blank lines and
// lines whose first non-space character is '#' are zovpack's own comments
// and are left out, as is a UTF-8 byte order mark.
std::vector<std::string> ParseConfigFile(const std::string& text);

}  // namespace zovpack

#endif  // ZOV_PACK_CONFIG_FILE_H_
