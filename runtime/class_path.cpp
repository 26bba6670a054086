#include "runtime/class_path.h"

#include <string.h>

#include "config/expand.h"
#include "config/resolve_path.h"
#include "platform/platform.h"
#include "platform/trace.h"

static bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }

static bool IsJarName(const char* name) {
  size_t n = strlen(name);
  if (n < 5) return false;
  const char* ext = name + n - 4;
  return ext[0] == '.' && (ext[1] | 0x20) == 'j' && (ext[2] | 0x20) == 'a' &&
         (ext[3] | 0x20) == 'r';
}

// The directory a wildcard entry names, with its trailing separator. A
// relative one lies beside the executable only: from the start-up folder,
// whoever controls that would put classes into the application.
static TextBuffer WildcardDirectory(const TextBuffer& entry) {
  int32_t prefix = entry.length() - 1;  // without the "*"
  if (prefix == 0) {
    const TextBuffer& dir = ExeDir.length() > 0 ? ExeDir : WorkDir;
    return TextBuffer(dir.data(), dir.length());
  }
  if (prefix == 1) return TextBuffer(entry.data(), 1);  // a root
  TextBuffer dir(entry.data(), prefix - 1);
  const char* p = entry.c_str();
#ifdef _WIN32
  bool drive = p[1] == ':';
#else
  bool drive = false;
#endif
  if (!IsPathSeparator(p[0]) && !drive) dir = Concat(ExeDir, dir.c_str());
  dir.Append(&kPathSeparator, 1);
  return dir;
}

void AppendClassPathNames(TextBuffer* entries, const TextBuffer& dir,
                          const StringList& names) {
  for (int32_t i = 0; i < names.Count(); ++i) {
    entries->Append(&kClassPathSeparator, 1);
    entries->Append(dir);
    entries->Append(names.Entry(i));
  }
}

static void AppendJars(TextBuffer* entries, const TextBuffer& entry) {
  TextBuffer dir = WildcardDirectory(entry);
  StringList jars;
  PlatformDirectory* listing = PlatformOpenDirectory(dir.c_str());
  if (listing != nullptr) {
    const char* name;
    bool isDirectory;
    while (PlatformNextEntry(listing, &name, &isDirectory)) {
      if (!isDirectory && IsJarName(name)) jars.Add(name);
    }
    PlatformCloseDirectory(listing);
  }
  // Sorted so that every machine gets the same order, whatever the file
  // system's; a few dozen names, so insertion sort.
  int32_t* order = jars.data();
  for (int32_t i = 1; i < jars.Count(); ++i) {
    int32_t moving = order[i];
    const char* name = jars.Entry(i);
    int32_t j = i;
    for (; j > 0 && strcmp(jars.Entry(j - 1), name) > 0; --j) {
      order[j] = order[j - 1];
    }
    order[j] = moving;
  }
  AppendClassPathNames(entries, dir, jars);
  Trace("classpath %s: %d jars", dir.c_str(), static_cast<int>(jars.Count()));
}

void AppendClassPathEntry(TextBuffer* entries, const TextBuffer& entry) {
  int32_t n = entry.length();
  const char* p = entry.c_str();
  if (n > 0 && p[n - 1] == '*' && (n == 1 || IsPathSeparator(p[n - 2]))) {
    AppendJars(entries, entry);
    return;
  }
  entries->Append(&kClassPathSeparator, 1);
  entries->Append(ResolvePath(entry));
}

void CollectClassPath(void* context, const char* value) {
  TextBuffer* entries = static_cast<TextBuffer*>(context);
  const char* piece = value;
  for (;;) {
    const char* end = piece;
    while (*end != 0 && *end != ';' && *end != kClassPathSeparator) ++end;
    if (end > piece) {
      TextBuffer expanded = ExpandEnvironment(
          TextBuffer(piece, static_cast<int32_t>(end - piece)));
      AppendClassPathEntry(entries, expanded);
    }
    if (*end == 0) break;
    piece = end + 1;
  }
}

TextBuffer ComposeClassPath(const ConfigStore& store, const TextBuffer& carried) {
  const TextBuffer& executable = store.exePath;
  TextBuffer entries(carried.data(), carried.length());
  store.ForEachValue("classpath", CollectClassPath, &entries,
                     false);
  TextBuffer result = Concat(executable.c_str(), entries);
  TextBuffer value;
  // Names end in a NUL each, the list in two, as the other name lists.
  for (const char* variable = "CLASSPATH\0CLASS_PATH\0"; *variable != 0;
       variable += strlen(variable) + 1) {
    if (PlatformGetEnvironment(variable, &value)) {
      result.Append(&kClassPathSeparator, 1);
      result.Append(value);
    }
  }
  if (executable.length() == 0 && result.length() > 0) {
    return TextBuffer(result.data() + 1, result.length() - 1);
  }
  return result;
}
