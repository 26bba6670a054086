#include "config/file_exists.h"

#include "platform/platform.h"

bool FileExists(const char* name) { return PlatformFileExists(name); }
