// log4j2's plugin index, META-INF/org/apache/logging/log4j/core/config/
// plugins/Log4j2Plugins.dat, which each jar with log4j2 plugins carries:
// what log4j2's PluginCache writes with a DataOutputStream, big-endian:
//   int32 count of categories, then for each
//     UTF category, int32 count of entries, then for each
//       UTF key, UTF class name, UTF name, bool printable, bool defer
// where UTF is a 16-bit length and that many bytes of modified UTF-8, and
// bool one byte. log4j2 reads every copy on the class path; merged jars
// keep one, so zovpack joins them into one.
#ifndef ZOV_PACK_PLUGIN_INDEX_H_
#define ZOV_PACK_PLUGIN_INDEX_H_

#include <string>
#include <vector>

namespace zovpack {

extern const char kPluginIndexName[];

struct PluginEntry {
  std::string key, class_name, name;
  bool printable = false, defer = false;
};

struct PluginCategory {
  std::string name;
  std::vector<PluginEntry> entries;
};

using PluginIndex = std::vector<PluginCategory>;

// False, saying why, when data is cut short or has bytes after the index.
bool ReadPluginIndex(const std::string& data, PluginIndex* index,
                     std::string* error);
std::string WritePluginIndex(const PluginIndex& index);

// Adds more to into as log4j2 reads a later copy: categories match without
// regard to ASCII case, and a key already in its category keeps its first
// entry.
void JoinPluginIndex(PluginIndex* into, const PluginIndex& more);

}  // namespace zovpack

#endif  // ZOV_PACK_PLUGIN_INDEX_H_
