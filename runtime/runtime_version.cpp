#include "runtime/runtime_version.h"

#include <string.h>

#include "config/config_store.h"
#include "launcher/run_application.h"
#include "runtime/launch_error.h"

void ReadVersionBounds(const ConfigStore& store, RuntimeChoice* choice) {
  choice->minimum = store.Lookup(TextBuffer("minjre"), false);
  choice->maximum = store.Lookup(TextBuffer("maxjre"), false);
  ParseVersion(choice->minimum.c_str(), &choice->minMajor, &choice->minMinor);
  ParseVersion(choice->maximum.c_str(), &choice->maxMajor, &choice->maxMinor);
  // "maxjre 21" takes every 21.x, not 21.0 alone.
  if (strchr(choice->maximum.c_str(), '.') == nullptr) choice->maxMinor = -1;
}

int CompareToBounds(const RuntimeChoice& choice, int major, int minor) {
  if (choice.minimum.length() > 0 &&
      RuntimeTooOld(major, minor, choice.minMajor, choice.minMinor)) {
    return -1;
  }
  if (choice.maximum.length() > 0 &&
      (major > choice.maxMajor ||
       (major == choice.maxMajor && choice.maxMinor >= 0 &&
        minor > choice.maxMinor))) {
    return 1;
  }
  return 0;
}

static bool Above(const int a[2], const int b[2]) {
  return a[0] > b[0] || (a[0] == b[0] && a[1] > b[1]);
}

bool JudgeVersion(RuntimeChoice* choice, const char* version,
                  TextBuffer* verdict) {
  if (*version == 0) return true;
  int seen[2];
  ParseVersion(version, &seen[0], &seen[1]);
  int side = CompareToBounds(*choice, seen[0], seen[1]);
  if (side == 0) {
    verdict->Append(" ");
    verdict->Append(version);
    return true;
  }
  verdict->Assign(side < 0 ? "too old: " : "too new: ");
  verdict->Append(version);
  verdict->Append(side < 0 ? " < " : " > ");
  verdict->Append(side < 0 ? choice->minimum : choice->maximum);
  int* kept = side < 0 ? choice->low : choice->high;
  if (kept[0] < 0 || (side < 0 ? Above(seen, kept) : Above(kept, seen))) {
    kept[0] = seen[0];
    kept[1] = seen[1];
  }
  return false;
}

int VersionFailure(const RuntimeChoice& choice, int side, int* boundMajor,
                   int* boundMinor) {
  if (side < 0) {
    *boundMajor = choice.minMajor;
    *boundMinor = choice.minMinor;
    return VersionTooLow;
  }
  *boundMajor = choice.maxMajor;
  *boundMinor = choice.maxMinor < 0 ? 0 : choice.maxMinor;
  return VersionTooHigh;
}

int MissedVersions(const RuntimeChoice& choice, int* major, int* minor,
                   int* boundMajor, int* boundMinor) {
  const int* best = choice.low[0] >= 0 ? choice.low : choice.high;
  if (best[0] < 0) return Success;
  *major = best[0];
  *minor = best[1];
  return VersionFailure(choice, best == choice.low ? -1 : 1, boundMajor,
                        boundMinor);
}
