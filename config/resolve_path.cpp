#include "config/resolve_path.h"

#include "config/config_store.h"
#include "config/file_exists.h"

TextBuffer ResolvePath(const TextBuffer& path) {
  const char* p = path.c_str();
#ifdef _WIN32
  bool drive = p[0] != 0 && p[1] == ':';
#else
  bool drive = false;  // no drive letters: "c:x" is a relative name here
#endif
  if (p[0] == '\\' || p[0] == '/' || drive) {
    return TextBuffer(path.data(), path.length());
  }
  TextBuffer underExe = Concat(ExeDir, p);
  if (FileExists(underExe.c_str())) return underExe;
  TextBuffer underWork = Concat(WorkDir, p);
  if (FileExists(underWork.c_str())) return underWork;
  return underExe;
}
