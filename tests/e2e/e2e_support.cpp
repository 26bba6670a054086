#include "tests/e2e/e2e_support.h"

#include <sstream>

#include "gtest/gtest.h"

namespace e2e {

void Pack(const PackRequest& request, const std::string& path) {
  std::vector<std::string> argv = {ZOVPACK, request.jar, "-o", path,
                                   "--target", request.target};
  if (request.target == "linux") {
    argv.insert(argv.end(), {"--stub", ZOV_LINUX_STUB});
  } else if (request.target == "win64") {
    argv.insert(argv.end(), {"--stub", std::string(ZOV_WIN64_DIR) + "/zov64.exe"});
  }
  if (!request.mainClass.empty()) {
    argv.insert(argv.end(), {"--main-class", request.mainClass});
  }
  for (const std::string& line : request.lines) {
    argv.insert(argv.end(), {"--line", line});
  }
  if (!request.splash.empty()) argv.insert(argv.end(), {"--splash", request.splash});
  if (!request.icon.empty()) argv.insert(argv.end(), {"--icon", request.icon});
  ProcessResult packed = RunProcess(argv);
  ASSERT_EQ(0, packed.status) << packed.err;
}

ProcessResult RunLinux(const std::string& path,
                       const std::vector<std::string>& args,
                       ProcessOptions options) {
  std::vector<std::string> argv = {path};
  argv.insert(argv.end(), args.begin(), args.end());
  bool keepsHome = false;
  for (const std::string& name : options.unsetEnv) keepsHome |= name == "JAVA_HOME";
  if (!keepsHome) {
    options.setEnv.insert(options.setEnv.begin(), {"JAVA_HOME", ZOV_JDK_HOME});
  }
  options.unsetEnv.insert(options.unsetEnv.end(),
                          {"JRE_HOME", "CLASSPATH", "CLASS_PATH",
                           "JAVA_TOOL_OPTIONS", "_JAVA_OPTIONS", "JDK_JAVA_OPTIONS"});
  options.setEnv.push_back({"LANG", "C.UTF-8"});
  options.unsetEnv.push_back("LC_ALL");
  options.unsetEnv.push_back("LC_MESSAGES");
  return RunProcess(argv, options);
}

std::vector<std::string> LinesStartingWith(const std::string& text,
                                           const std::string& prefix) {
  std::vector<std::string> found;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, prefix.size(), prefix) == 0) {
      found.push_back(line.substr(prefix.size()));
    }
  }
  return found;
}

}  // namespace e2e
