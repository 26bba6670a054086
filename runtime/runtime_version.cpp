#include "runtime/runtime_version.h"

#include <stdio.h>
#include <string.h>

#include "config/config_store.h"
#include "platform/platform.h"
#include "runtime/launch_error.h"
#include "text/format_text.h"

void ParseVersion(const char* text, int* major, int* minor) {
  *major = 0;
  *minor = 0;
  sscanf(text, "%d.%d", major, minor);
}

bool RuntimeTooOld(int major, int minor, int requiredMajor,
                   int requiredMinor) {
  return major < requiredMajor ||
         (major == requiredMajor && minor < requiredMinor);
}

RuntimeChoice::RuntimeChoice(const ConfigStore& store)
    : minimum(store.Lookup("minjre", false)),
      maximum(store.Lookup("maxjre", false)) {
  ParseVersion(minimum.c_str(), &minMajor, &minMinor);
  // As ParseVersion reads it, but "maxjre 21" keeps kAnyMinor: 21.5 fits.
  sscanf(maximum.c_str(), "%d.%d", &maxMajor, &maxMinor);
}

bool JudgeVersion(RuntimeChoice* choice, const char* version,
                  TextBuffer* verdict) {
  if (*version == 0) return true;
  int seen[2];
  ParseVersion(version, &seen[0], &seen[1]);
  bool low = choice->minimum.length() > 0 &&
             RuntimeTooOld(seen[0], seen[1], choice->minMajor, choice->minMinor);
  if (!low && (choice->maximum.length() == 0 ||
               !RuntimeTooOld(choice->maxMajor, choice->maxMinor, seen[0],
                              seen[1]))) {
    FormatText(verdict, "found %s", version);
    return true;
  }
  // Kept: the highest version below the minimum, the lowest above the
  // maximum.
  int* kept = low ? choice->low : choice->high;
  int* lower = low ? kept : seen;
  int* upper = low ? seen : kept;
  if (kept[0] < 0 || RuntimeTooOld(lower[0], lower[1], upper[0], upper[1])) {
    kept[0] = seen[0];
    kept[1] = seen[1];
  }
  FormatText(verdict, "too %s: %s %c %s", low ? "old" : "new", version,
             low ? '<' : '>', (low ? choice->minimum : choice->maximum).c_str());
  return false;
}

// Out of line: the launch asks twice, and one copy is the smaller stub.
__attribute__((noinline)) int MissedVersions(const RuntimeChoice& choice,
                                             int* major, int* minor,
                                             int* boundMajor,
                                             int* boundMinor) {
  bool low = choice.low[0] >= 0;
  const int* best = low ? choice.low : choice.high;
  if (best[0] < 0) return Success;
  *major = best[0];
  *minor = best[1];
  *boundMajor = low ? choice.minMajor : choice.maxMajor;
  *boundMinor = low ? choice.minMinor
                    : choice.maxMinor == kAnyMinor ? 0 : choice.maxMinor;
  return low ? VersionTooLow : VersionTooHigh;
}

int ReleaseJavaVersion(const char* version) {
  int feature = 0;
  // Up to Java 8 it read 1.8.0: 1, too old here anyway.
  for (const char* p = version; *p >= '0' && *p <= '9' && feature < 10000; ++p) {
    feature = feature * 10 + (*p - '0');
  }
  return feature;
}

TextBuffer ReadReleaseVersion(const char* libraryPath) {
  TextBuffer path(libraryPath);
  for (int level = 0; level < 4; ++level) {
    int32_t end = path.length();
    while (end > 0 && path.data()[end - 1] != '/' &&
           path.data()[end - 1] != kPathSeparator) {
      --end;
    }
    if (end == 0) break;
    path.Resize(end);
    path.Append("release");
    PlatformFile* file = PlatformOpenFile(path.c_str());
    path.Resize(end - 1);
    if (file == nullptr) continue;
    char text[512];  // JAVA_VERSION comes in the first lines
    int64_t got = PlatformReadFile(file, text, sizeof text - 1);
    PlatformCloseFile(file);
    text[got > 0 ? got : 0] = 0;
    const char* value = strstr(text, "JAVA_VERSION=\"");
    const char* close = value ? strchr(value += 14, '"') : nullptr;
    if (close == nullptr) break;
    path.Assign(value, static_cast<int32_t>(close - value));
    return path;
  }
  path.Clear();
  return path;
}
