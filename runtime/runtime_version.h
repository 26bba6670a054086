// Which runtime versions an application accepts (the keys minjre and
// maxjre, MAJOR.MINOR on their first line), judged while the search runs
// and again once the runtime is loaded.
#ifndef ZOV_RUNTIME_RUNTIME_VERSION_H_
#define ZOV_RUNTIME_RUNTIME_VERSION_H_

#include "text/text.h"

class ConfigStore;

// Reads "%d.%d" as the C runtime does; a number the parse does not reach
// counts as 0, for the minimum and the runtime's version alike.
void ParseVersion(const char* text, int* major, int* minor);

// True when major.minor is below requiredMajor.requiredMinor.
bool RuntimeTooOld(int major, int minor, int requiredMajor,
                   int requiredMinor);

// A maxjre without a minor takes every minor of its major.
inline constexpr int kAnyMinor = 0x7fffffff;

// One launch's bounds, and what was passed over for them. Versions are
// read as ParseVersion reads them.
struct RuntimeChoice {
  // Reads minjre and maxjre.
  explicit RuntimeChoice(const ConfigStore& store);

  TextBuffer minimum;  // as written; empty: no minimum
  TextBuffer maximum;  // as written; empty: no maximum
  int minMajor = 0, minMinor = 0;
  int maxMajor = 0, maxMinor = kAnyMinor;
  int low[2] = {-1, -1};   // the highest version passed over as too old
  int high[2] = {-1, -1};  // the lowest version passed over as too new
};

// A runtime of the given version ("17.0.15"; empty: not known): true when
// it is within the bounds, *verdict then "found" and the version. Else
// *verdict says why it is passed over ("too old: 17.0.15 < 21"), and
// choice remembers the version when it is the closest yet.
bool JudgeVersion(RuntimeChoice* choice, const char* version,
                  TextBuffer* verdict);

// The failure for the closest version passed over, too old before too
// new, with that version and the bound it missed for the message; Success
// when none was passed over.
int MissedVersions(const RuntimeChoice& choice, int* major, int* minor,
                   int* boundMajor, int* boundMinor);

// JAVA_VERSION in the release file of the home that holds the runtime
// library at libraryPath, found from the library upwards (bin\server\jvm.dll
// and lib/server/libjvm.so sit two levels below it): "17.0.15", or the
// empty text when there is none.
TextBuffer ReadReleaseVersion(const char* libraryPath);

// The feature version of a JAVA_VERSION: "17.0.2" gives 17; 0 when there
// is none.
int ReleaseJavaVersion(const char* version);

#endif  // ZOV_RUNTIME_RUNTIME_VERSION_H_
