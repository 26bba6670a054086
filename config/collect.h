// The ValueCallbacks that gather a key's values for the launch.
#ifndef ZOV_CONFIG_COLLECT_H_
#define ZOV_CONFIG_COLLECT_H_

// context is a StringList: adds the value, expanded, as its last entry (an
// empty value gives an empty entry).
void CollectExpanded(void* context, const char* value);

// context is a TextBuffer: cuts the value at every ";", and on Linux also
// at every ":" (before expansion, so a separator from a variable does not
// cut), skips empty pieces, and hands each other piece, expanded, to
// AppendClassPathEntry.
void CollectClassPath(void* context, const char* value);

#endif  // ZOV_CONFIG_COLLECT_H_
