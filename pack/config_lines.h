// Configuration lines as the launcher reads them from the archive comment:
// checks and warnings for lines about to be packed, and the launcher's own
// reading of a packed file.
#ifndef ZOV_PACK_CONFIG_LINES_H_
#define ZOV_PACK_CONFIG_LINES_H_

#include <cstddef>
#include <string>
#include <vector>

#include "config/end_record_format.h"

namespace zovpack {

// How the launcher reads one line: after leading spaces (tabs are not
// skipped), a key matches when it is a case-insensitive prefix of the rest;
// the value is what follows the key, leading spaces removed.
struct LauncherLine {
  const char* key = nullptr;  // null: no key the launcher reads
  size_t key_end = 0;         // index in the line just past the key
  std::string value;
};
LauncherLine ReadLauncherLine(const std::string& line);

// Splits text into lines the way the launcher does: at CR LF, LF CR, a lone
// CR or a lone LF; a NUL byte ends the text.
std::vector<std::string> SplitLauncherLines(const std::string& text);

// The comment text for `lines`, CR LF between lines.
std::string JoinConfigLines(const std::vector<std::string>& lines);

// Checks lines about to be packed. Fails for a line the comment cannot
// carry (a NUL, CR or LF inside it). Appends a warning for each line that
// will not do what it seems to: no key the launcher reads, a key run into
// the next word ("options -Xmx1g" is `option` with value "s -Xmx1g"), a
// repeated key of which only the first is read, white space at the end of a
// value, an unreadable minjre or maxjre, a maxjre below the minjre, an
// option the runtime would ignore (one starting with "--" that it does not
// know, or one of the java command's own such as -cp; the java command's
// two-word module options are fine: the launcher joins them), and bytes
// outside ASCII for Windows targets, where the launcher reads the ANSI
// code page.
bool CheckConfigLines(const std::vector<std::string>& lines,
                      bool windows_target, std::vector<std::string>* warnings,
                      std::string* error);

// Finds the embedded comment the way the launcher does: the last end-record
// signature within the final kEndSearchWindow bytes of `file`, not counting
// a certificate table that ends it (TrailingSignatureSize); the comment is
// everything from kEndRecordSize bytes past it to that end. Returns the signature's
// position, or std::string::npos when there is none.
size_t FindLauncherComment(const std::string& file, std::string* comment);

}  // namespace zovpack

#endif  // ZOV_PACK_CONFIG_LINES_H_
