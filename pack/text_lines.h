// Lines of the texts zovpack reads (configuration files, JAR manifests),
// which may end in CR LF, LF or CR.
#ifndef ZOV_PACK_TEXT_LINES_H_
#define ZOV_PACK_TEXT_LINES_H_

#include <string>

namespace zovpack {

// The line that starts at *pos in text, without its end; *pos moves past
// that end (CR LF, LF, CR, or the end of the text).
inline std::string NextLine(const std::string& text, size_t* pos) {
  size_t end = text.find_first_of("\r\n", *pos);
  if (end == std::string::npos) end = text.size();
  std::string line = text.substr(*pos, end - *pos);
  *pos = end;
  if (*pos < text.size() && text[*pos] == '\r') ++*pos;
  if (*pos < text.size() && text[*pos] == '\n') ++*pos;
  return line;
}

}  // namespace zovpack

#endif  // ZOV_PACK_TEXT_LINES_H_
