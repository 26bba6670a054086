#include "runtime/runtime_version.h"

#include <stdio.h>

#include "config/config_store.h"
#include "launcher/messages.h"
#include "launcher/run_application.h"
#include "runtime/launch_error.h"

RuntimeChoice::RuntimeChoice(const ConfigStore& store)
    : minimum(store.Lookup(TextBuffer("minjre"), false)),
      maximum(store.Lookup(TextBuffer("maxjre"), false)) {
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
