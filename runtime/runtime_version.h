// Which runtime versions an application accepts (the keys minjre and
// maxjre, MAJOR.MINOR on their first line), judged while the search runs
// and again once the runtime is loaded.
#ifndef ZOV_RUNTIME_RUNTIME_VERSION_H_
#define ZOV_RUNTIME_RUNTIME_VERSION_H_

#include "text/text.h"

class ConfigStore;

// One launch's bounds, and what its search passed over for them. Versions
// are read as ParseVersion reads them.
struct RuntimeChoice {
  TextBuffer minimum;  // as written; empty: no minimum
  TextBuffer maximum;  // as written; empty: no maximum
  int minMajor = 0, minMinor = 0;
  int maxMajor = 0, maxMinor = -1;  // a minor of -1 takes every minor
  int low[2] = {-1, -1};   // the highest version passed over as too old
  int high[2] = {-1, -1};  // the lowest version passed over as too new
};

void ReadVersionBounds(const ConfigStore& store, RuntimeChoice* choice);

// -1 below the minimum, 1 above the maximum, 0 within the bounds.
int CompareToBounds(const RuntimeChoice& choice, int major, int minor);

// A runtime whose version is known before loading (empty: not known):
// true when the search may take it. *verdict gets the version appended
// ("found 25.0.3"), or becomes why the runtime is passed over ("too old:
// 17.0.15 < 21"), which choice remembers for the message.
bool JudgeVersion(RuntimeChoice* choice, const char* version,
                  TextBuffer* verdict);

// The failure for a runtime of major.minor outside the bounds (side as
// CompareToBounds gives it), with the bound the message names.
int VersionFailure(const RuntimeChoice& choice, int side, int* boundMajor,
                   int* boundMinor);

// After a search that found nothing: the failure for the best version it
// passed over, too old before too new, with that version and the bound;
// Success when it passed over none.
int MissedVersions(const RuntimeChoice& choice, int* major, int* minor,
                   int* boundMajor, int* boundMinor);

#endif  // ZOV_RUNTIME_RUNTIME_VERSION_H_
