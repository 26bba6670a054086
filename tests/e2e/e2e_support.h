// Packs the test application the way a user does (zovpack) and runs the
// packed file: natively, or under Wine with its message boxes answered.
#ifndef ZOV_TESTS_E2E_E2E_SUPPORT_H_
#define ZOV_TESTS_E2E_E2E_SUPPORT_H_

#include <string>
#include <vector>

#include "tests/e2e/process.h"

namespace e2e {

struct PackRequest {
  std::string target = "linux";  // linux, win64
  std::string mainClass;         // empty: --line lines only
  std::vector<std::string> lines;
  std::string jar = ZOV_E2E_JAR;
  std::string splash;
  std::string icon;
};

// Packs into path; fails the calling test when zovpack fails.
void Pack(const PackRequest& request, const std::string& path);

// The Linux launcher at path with args; JAVA_HOME names the real JDK
// unless options.setEnv/unsetEnv say otherwise.
ProcessResult RunLinux(const std::string& path,
                       const std::vector<std::string>& args,
                       ProcessOptions options = ProcessOptions());

// Lines of text that start with prefix, prefix removed.
std::vector<std::string> LinesStartingWith(const std::string& text,
                                           const std::string& prefix);

}  // namespace e2e

#endif  // ZOV_TESTS_E2E_E2E_SUPPORT_H_
