// The ValueCallback that gathers a key's values for the launch.
#ifndef ZOV_CONFIG_COLLECT_H_
#define ZOV_CONFIG_COLLECT_H_

// context is a StringList: adds the value, expanded, as its last entry (an
// empty value gives an empty entry).
void CollectExpanded(void* context, const char* value);

#endif  // ZOV_CONFIG_COLLECT_H_
