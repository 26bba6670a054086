#include "config_file.h"

#include "text_lines.h"

namespace zovpack {

std::vector<std::string> ParseConfigFile(const std::string& text) {
  std::string body = text;
  if (body.compare(0, 3, "\xef\xbb\xbf") == 0) body.erase(0, 3);
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < body.size()) {
    std::string line = NextLine(body, &pos);
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    lines.push_back(line);
  }
  return lines;
}

}  // namespace zovpack
