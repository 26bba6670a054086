#include "tests/test_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace testing_support {

#ifdef _WIN32
const char kSep[] = "\\";
#else
const char kSep[] = "/";
#endif

static std::string Native(std::string s) {
#ifdef _WIN32
  for (char& c : s) {
    if (c == '/') c = '\\';
  }
#endif
  return s;
}

ScopedTempDir::ScopedTempDir() {
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (;;) {
    fs::path candidate = fs::temp_directory_path() /
                         ("zovtest-" + std::to_string(random() % 1000000000));
    std::error_code error;
    if (fs::create_directory(candidate, error)) {
      path_ = Native(candidate.string()) + kSep;
      return;
    }
  }
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code error;
  fs::remove_all(fs::path(path_), error);
}

std::string ScopedTempDir::Join(const std::string& relative) const {
  return path_ + Native(relative);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::abort();
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

void MakeDirectory(const std::string& path) {
  fs::create_directories(fs::path(path));
}

static bool GetVariable(const std::string& name, std::string* value) {
#ifdef _WIN32
  char buffer[32768];
  SetLastError(0);
  DWORD n = GetEnvironmentVariableA(name.c_str(), buffer, sizeof buffer);
  if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
  value->assign(buffer, n);
  return true;
#else
  const char* v = getenv(name.c_str());
  if (v == nullptr) return false;
  *value = v;
  return true;
#endif
}

static void SetVariable(const std::string& name, const std::string* value) {
#ifdef _WIN32
  SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
#else
  if (value) {
    setenv(name.c_str(), value->c_str(), 1);
  } else {
    unsetenv(name.c_str());
  }
#endif
}

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value)
    : name_(name) {
  hadValue_ = GetVariable(name, &oldValue_);
  SetVariable(name, &value);
}

ScopedEnv::ScopedEnv(const std::string& name) : name_(name) {
  hadValue_ = GetVariable(name, &oldValue_);
  SetVariable(name, nullptr);
}

ScopedEnv::~ScopedEnv() { SetVariable(name_, hadValue_ ? &oldValue_ : nullptr); }

std::string SelfPath() {
  char buffer[4096];
#ifdef _WIN32
  DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
#else
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (n < 0) n = 0;
#endif
  return std::string(buffer, static_cast<size_t>(n));
}

std::string SelfDir() {
  std::string self = SelfPath();
  return self.substr(0, self.find_last_of(kSep[0]) + 1);
}

}  // namespace testing_support
