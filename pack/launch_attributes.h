// The main manifest attributes that `java -jar` acts on, as the
// configuration lines that make the launcher do the same.
#ifndef ZOV_PACK_LAUNCH_ATTRIBUTES_H_
#define ZOV_PACK_LAUNCH_ATTRIBUTES_H_

#include <set>
#include <string>
#include <vector>

#include "jar_manifest.h"

namespace zovpack {

struct LaunchAttribute {
  std::string attribute;           // as written: "Add-Opens: a/b c/d"
  std::vector<std::string> lines;  // what it becomes; empty: nothing
  std::string problem;             // why it is not carried over, or empty
};

// Add-Opens and Add-Exports (space-separated module/package items) become
// "option --add-opens=module/package=ALL-UNNAMED" (--add-exports=...) lines,
// Enable-Native-Access: ALL-UNNAMED becomes
// "option --enable-native-access=ALL-UNNAMED". An item without a '/', any
// other Enable-Native-Access value and Launcher-Agent-Class (which the
// launcher does not start) come back with a problem instead of lines.
// Attributes in manifest order; none when the section has none of these.
std::vector<LaunchAttribute> TranslateLaunchAttributes(
    const ManifestSection& main);

// Takes out of a's lines the Add-Opens and Add-Exports items whose module
// or package is not in contents (module and module/package names), which
// the runtime would warn about at every start; returns those items.
std::vector<std::string> DropAbsent(const std::set<std::string>& contents,
                                    LaunchAttribute* a);

}  // namespace zovpack

#endif  // ZOV_PACK_LAUNCH_ATTRIBUTES_H_
