#include "config/resolve_path.h"

#include "config/config_store.h"
#include "config/file_exists.h"

TextBuffer ResolvePath(const TextBuffer& path) {
  const char* p = path.c_str();
  if (p[0] == '\\' || p[0] == '/' || (p[0] != 0 && p[1] == ':')) {
    return TextBuffer(path.data(), path.length());
  }
  TextBuffer underExe = Concat(ExeDir, p);
  if (FileExists(underExe.c_str())) return underExe;
  TextBuffer underWork = Concat(WorkDir, p);
  if (FileExists(underWork.c_str())) return underWork;
  return underExe;
}
