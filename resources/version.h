// The launcher's version: the version record of the Windows launchers and
// the first line of a trace.
#ifndef ZOV_RESOURCES_VERSION_H_
#define ZOV_RESOURCES_VERSION_H_

#define ZOV_VERSION_NUMBERS 1, 0, 0, 0
#define ZOV_VERSION_TEXT "1.0.0.0"

#endif  // ZOV_RESOURCES_VERSION_H_
