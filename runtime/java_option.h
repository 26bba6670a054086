// Options written as the java command takes them.
#ifndef ZOV_RUNTIME_JAVA_OPTION_H_
#define ZOV_RUNTIME_JAVA_OPTION_H_

#include "text/text.h"

// The option as the runtime takes it. The java command accepts the module
// options as two words ("--add-opens VALUE", "-p DIR"), the runtime only as
// one ("--add-opens=VALUE", "--module-path=DIR") and ignores the two-word
// form without a word: those are joined with "=" (the spaces or tabs
// between the two words dropped). Anything else, a two-word option without
// a value included, comes back unchanged.
TextBuffer RuntimeOption(const char* option);

#endif  // ZOV_RUNTIME_JAVA_OPTION_H_
