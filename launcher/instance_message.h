// What a later start hands the running instance of its single_instance
// name: its current directory and its arguments. Anything on the channel
// may come from a broken or hostile peer, so the reader takes only this
// frame, bounded in size, and everything else is refused whole.
//
// Frame: "zovi", the body's length (4 bytes, little-endian), the body: the
// directory, then each argument, every one ended by a NUL, in the narrow
// text of the launcher. The instance answers with one byte, 0 once the
// handler returned, anything else when it failed.
#ifndef ZOV_LAUNCHER_INSTANCE_MESSAGE_H_
#define ZOV_LAUNCHER_INSTANCE_MESSAGE_H_

#include <stdint.h>

#include "text/text.h"

inline constexpr int32_t kInstanceHeaderSize = 8;
// Far above what a command line can hold on either system.
inline constexpr int32_t kMaxInstanceBody = 1 << 20;

// Appends the frame of directory and arguments to *out. False (nothing
// written) when it would be longer than the bound.
bool ComposeInstanceMessage(const char* directory, const StringList& arguments,
                            ByteBuffer* out);

// The body's length from a header; -1 when it is not ours or too long.
int32_t InstanceBodyLength(const unsigned char* header);

// The number of texts in a body, the directory the first; 0 when it is
// empty or its last text has no NUL.
int32_t CountInstanceTexts(const char* body, int32_t length);

#endif  // ZOV_LAUNCHER_INSTANCE_MESSAGE_H_
