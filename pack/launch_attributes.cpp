#include "launch_attributes.h"

namespace zovpack {

namespace {

bool Is(const std::string& name, const char* wanted) {
  return SameAttributeName(name, wanted);
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  size_t pos = 0;
  while ((pos = text.find_first_not_of(" \t", pos)) != std::string::npos) {
    size_t end = text.find_first_of(" \t", pos);
    if (end == std::string::npos) end = text.size();
    words.push_back(text.substr(pos, end - pos));
    pos = end;
  }
  return words;
}

}  // namespace

std::vector<LaunchAttribute> TranslateLaunchAttributes(
    const ManifestSection& main) {
  std::vector<LaunchAttribute> result;
  for (const auto& attribute : main.attributes) {
    LaunchAttribute translated;
    translated.attribute = attribute.first + ": " + attribute.second;
    if (Is(attribute.first, "Add-Opens") || Is(attribute.first, "Add-Exports")) {
      const char* option =
          Is(attribute.first, "Add-Opens") ? "--add-opens=" : "--add-exports=";
      for (const std::string& item : Words(attribute.second)) {
        size_t slash = item.find('/');
        if (slash == std::string::npos || slash == 0 || slash + 1 == item.size()) {
          translated.problem = "\"" + item + "\" is not module/package";
          translated.lines.clear();
          break;
        }
        translated.lines.push_back("option " + std::string(option) + item +
                                   "=ALL-UNNAMED");
      }
    } else if (Is(attribute.first, "Enable-Native-Access")) {
      std::vector<std::string> words = Words(attribute.second);
      if (words.size() == 1 && words[0] == "ALL-UNNAMED") {
        translated.lines.push_back(
            "option --enable-native-access=ALL-UNNAMED");
      } else {
        translated.problem = "java accepts only ALL-UNNAMED here";
      }
    } else if (Is(attribute.first, "Launcher-Agent-Class")) {
      translated.problem = "the launcher does not start agents";
    } else {
      continue;
    }
    result.push_back(translated);
  }
  return result;
}

std::vector<std::string> DropAbsent(const std::set<std::string>& contents,
                                    LaunchAttribute* a) {
  std::vector<std::string> dropped, kept;
  for (const std::string& line : a->lines) {
    // option --add-opens=module/package=ALL-UNNAMED
    size_t start = line.find('=') + 1;
    size_t end = line.rfind('=');
    bool item = line.compare(0, 16, "option --add-ope") == 0 ||
                line.compare(0, 16, "option --add-exp") == 0;
    std::string target = item && end > start ? line.substr(start, end - start) : "";
    std::string module = target.substr(0, target.find('/'));
    if (!target.empty() && (!contents.count(module) || !contents.count(target))) {
      dropped.push_back(target);
    } else {
      kept.push_back(line);
    }
  }
  a->lines.swap(kept);
  return dropped;
}

}  // namespace zovpack
