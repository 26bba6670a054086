#include "jlink.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace zovpack {

namespace {

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
const char kExe[] = ".exe";
const char kPathListSeparator = ';';
#else
const char kExe[] = "";
const char kPathListSeparator = ':';
#endif

// One argument for the shell popen runs.
std::string Quote(const std::string& s) {
#ifdef _WIN32
  return "\"" + s + "\"";
#else
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
#endif
}

// Runs command; its standard output and error in *output; true on status 0.
bool RunTool(const std::string& command, std::string* output) {
  output->clear();
#ifdef _WIN32
  // cmd /c drops the first and the last quote of its line: these ones.
  FILE* pipe = popen(("\"" + command + " 2>&1\"").c_str(), "r");
#else
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
#endif
  if (pipe == nullptr) return false;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output->append(buffer, n);
  return pclose(pipe) == 0;
}

std::string Tool(const std::string& jdk, const char* name) {
  return Quote((fs::path(jdk) / "bin" / (std::string(name) + kExe)).string());
}

}  // namespace

std::string FindJdk(const JlinkRequest& request, std::string* error) {
  std::string home = request.jdk;
  const char* java_home = std::getenv("JAVA_HOME");
  if (home.empty() && java_home != nullptr) home = java_home;
  if (home.empty()) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    size_t start = 0;
    while (home.empty() && start <= dirs.size()) {
      size_t end = dirs.find(kPathListSeparator, start);
      if (end == std::string::npos) end = dirs.size();
      fs::path javac = fs::path(dirs.substr(start, end - start)) / (std::string("javac") + kExe);
      std::error_code ec;
      if (end > start && fs::is_regular_file(javac, ec)) {
        home = fs::canonical(javac, ec).parent_path().parent_path().string();
      }
      start = end + 1;
    }
  }
  std::error_code ec;
  if (home.empty() || !fs::is_regular_file(fs::path(home) / "bin" / (std::string("jlink") + kExe), ec)) {
    *error = home.empty() ? "--jlink: no JDK found; give --jdk DIR or set JAVA_HOME"
                          : "--jlink: " + home + " is not a JDK with jlink; give --jdk DIR";
    return "";
  }
  return home;
}

std::string ModuleName(const JlinkRequest& request, const std::string& jar_path) {
  std::string error;
  std::string jdk = FindJdk(request, &error);
  std::string said;
  if (jdk.empty() ||
      !RunTool(Tool(jdk, "jar") + " --describe-module --file " + Quote(jar_path), &said)) {
    return "";
  }
  // "name@version jar:file:...", or "No module descriptor found..."
  size_t end = said.find_first_of("@ \r\n");
  std::string name = said.substr(0, end);
  return said.compare(0, 2, "No") == 0 ? "" : name;
}

bool LinkRuntime(const JlinkRequest& request, const std::string& jar_path,
                 const std::string& module_name, const std::string& output,
                 std::string* modules, std::string* error) {
  std::string jdk = FindJdk(request, error);
  if (jdk.empty()) return false;
  std::string found;
  if (!RunTool(Tool(jdk, "jdeps") + " --print-module-deps --ignore-missing-deps " +
                   Quote(jar_path),
               &found)) {
    *error = "--jlink: jdeps failed: " + found;
    return false;
  }
  while (!found.empty() && (found.back() == '\n' || found.back() == '\r')) found.pop_back();
  if (found.find_first_of("\n ") != std::string::npos || found.empty()) {
    *error = "--jlink: jdeps said: " + found;
    return false;
  }
  *modules = found;
  if (!request.add_modules.empty()) *modules += "," + request.add_modules;
  std::string command = Tool(jdk, "jlink") + " --add-modules " + Quote(*modules) +
                        " --strip-debug --no-man-pages --no-header-files";
  std::string jmods = request.jmods.empty() ? (fs::path(jdk) / "jmods").string()
                                            : request.jmods;
  if (!module_name.empty()) {
    *modules += "," + module_name;
    command = Tool(jdk, "jlink") + " --add-modules " + Quote(*modules) +
              " --strip-debug --no-man-pages --no-header-files";
    command += " --module-path " +
               Quote(jar_path + std::string(1, kPathListSeparator) + jmods);
  } else if (!request.jmods.empty()) {
    command += " --module-path " + Quote(jmods);
  }
  command += " --output " + Quote(output);
  std::string said;
  if (!RunTool(command, &said)) {
    *error = "--jlink: jlink failed: " + said;
    return false;
  }
  return true;
}

}  // namespace zovpack
