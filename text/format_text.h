// printf-style formatting into the buffer family, through the C runtime's
// own formatter.
#ifndef ZOV_TEXT_FORMAT_TEXT_H_
#define ZOV_TEXT_FORMAT_TEXT_H_

#include "text/text.h"

// printf-style formatting into *out, which first secures a capacity of 1024
// bytes. A longer result is cut to capacity - 1 bytes, never written past;
// false says it was cut, so that a name built here is never used shortened.
bool FormatText(TextBuffer* out, const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 2, 3)))
#endif
    ;

#endif  // ZOV_TEXT_FORMAT_TEXT_H_
