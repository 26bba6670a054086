// The launcher's one way of reporting: a localized text from the message
// table (string-table block 1 in English, Traditional and Simplified
// Chinese), shown in a warning box.
#ifndef ZOV_LAUNCHER_MESSAGES_H_
#define ZOV_LAUNCHER_MESSAGES_H_

#include "text/text.h"

// Empties *out and fills it with entry (id & 15) of block (id >> 4) + 1 in
// the user's language, converted to the ANSI code page. False when that
// block does not exist; an entry past the block's data reads as empty.
bool LoadMessageText(TextBuffer* out, unsigned id);

// Entry `index` (0 to 15) of a string-table block: 16 entries, each a
// count of UTF-16 units followed by the units. Units past the block's end
// read as 0, so an entry beyond the data is empty.
void ReadStringEntry(const WideTextView& block, unsigned index,
                     TextBuffer* out);

// The message for a LaunchError code other than 0. Only VersionTooLow and
// VersionTooHigh use the numbers: the runtime's version, then the bound.
TextBuffer ComposeLaunchMessage(int code, int runtimeMajor, int runtimeMinor,
                                int requiredMajor, int requiredMinor);

// The warning box with the table's caption; returns once the user closed it.
void ShowLaunchMessage(const TextBuffer& text);

#endif  // ZOV_LAUNCHER_MESSAGES_H_
