// %NAME% references in configuration values.
#ifndef ZOV_CONFIG_EXPAND_H_
#define ZOV_CONFIG_EXPAND_H_

#include "text/text.h"

// A new text with every %NAME% whose variable is defined (names compared
// without regard to case; an empty value counts as defined) replaced by its
// value, in one pass from the left. An undefined reference stays as
// written, and its closing "%" may open the next one. Values are not
// scanned again; "%" has no escape. %NAME:-DEFAULT% gives the variable's
// value, or DEFAULT (as written) when it is undefined or empty.
TextBuffer ExpandEnvironment(const TextBuffer& text);

#endif  // ZOV_CONFIG_EXPAND_H_
