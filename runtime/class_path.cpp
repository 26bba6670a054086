#include "runtime/class_path.h"

#include "config/collect.h"
#include "platform/platform.h"

TextBuffer ComposeClassPath(const ConfigStore& store) {
  TextBuffer executable = store.ExecutablePath();
  TextBuffer entries;
  store.ForEachValue(TextBuffer("classpath"), CollectClassPath, &entries,
                     false);
  TextBuffer classPath;
  TextBuffer classPath2;
  bool hasClassPath = PlatformGetEnvironment("CLASSPATH", &classPath);
  bool hasClassPath2 = PlatformGetEnvironment("CLASS_PATH", &classPath2);

  TextBuffer result = Concat(executable.c_str(), entries);
  if (hasClassPath) {
    result.Append(&kClassPathSeparator, 1);
    result.Append(classPath);
  }
  if (hasClassPath2) {
    result.Append(&kClassPathSeparator, 1);
    result.Append(classPath2);
  }
  if (executable.length() == 0 && result.length() > 0) {
    return TextBuffer(result.data() + 1, result.length() - 1);
  }
  return result;
}
