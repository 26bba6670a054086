#include "main_class.h"

#include <cstring>

#include "config_lines.h"

namespace zovpack {

bool CheckMainClass(const ZipArchive& zip, const std::string& name,
                    const std::vector<std::string>& lines,
                    std::vector<std::string>* warnings, std::string* error) {
  std::string file = name;
  for (char& c : file) {
    if (c == '.') c = '/';
  }
  file += ".class";
  const std::string versioned = "META-INF/versions/";
  for (const ZipEntry& e : zip.entries) {
    if (e.name == file) return true;
    size_t slash = e.name.find('/', versioned.size());
    if (e.name.compare(0, versioned.size(), versioned) == 0 &&
        slash != std::string::npos && e.name.compare(slash + 1, std::string::npos, file) == 0) {
      return true;
    }
  }
  for (const std::string& line : lines) {
    const char* key = ReadLauncherLine(line).key;
    if (key != nullptr && std::strcmp(key, "classpath") == 0) {
      warnings->push_back("the main class " + name + " is not in the archive (" +
                          file + "); it must come from the classpath line");
      return true;
    }
  }
  *error = "the main class " + name + " is not in the archive (no " + file +
           "); check its name, add the jar that holds it with --merge, or "
           "name it in a classpath line";
  return false;
}

}  // namespace zovpack
