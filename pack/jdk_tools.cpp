#include "jdk_tools.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "file_io.h"
#include "runtime_payload.h"

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

}  // namespace

std::string Quote(const std::string& s) {
#ifdef _WIN32
  return "\"" + s + "\"";
#else
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
#endif
}

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

std::string Tool(const std::string& home, const char* name) {
  return Quote((fs::path(home) / "bin" / (std::string(name) + kExe)).string());
}

std::string FindJdk(const std::string& given, std::string* error) {
  std::string home = given;
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

int FeatureVersion(const std::string& home) {
  std::string release, ignored;
  if (!ReadWholeFile(JoinPath(home, "release"), &release, &ignored)) return 0;
  return std::atoi(ReleaseValue(release, "JAVA_VERSION").c_str());
}

std::string MakeFreshFolder(const std::string& parent, const std::string& prefix,
                            std::string* error) {
  // create_directory fails on a name that exists, so a folder of a user's
  // or of another pack is never taken over.
  unsigned long long tail = static_cast<unsigned long long>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  std::error_code ec;
  for (int attempt = 0; attempt < 100; ++attempt) {
    tail = tail * 6364136223846793005ull + 1442695040888963407ull;
    char name[32];
    std::snprintf(name, sizeof name, "%08llx", (tail >> 32) & 0xffffffffull);
    fs::path folder = fs::path(parent) / (prefix + name);
    if (fs::create_directory(folder, ec)) return folder.string();
    if (ec) break;
  }
  *error = "cannot make a folder in " + parent + (ec ? ": " + ec.message() : "");
  return "";
}

std::vector<std::string> OutputLines(const std::string& said) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < said.size()) {
    size_t end = said.find('\n', start);
    if (end == std::string::npos) end = said.size();
    std::string line = said.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string FailureLine(const std::string& said) {
  std::vector<std::string> lines = OutputLines(said);
  for (const std::string& line : lines) {
    if (line.compare(0, 6, "Error:") == 0) return line;
  }
  return lines.empty() ? "no output" : lines[0];
}

}  // namespace zovpack
