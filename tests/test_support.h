// Helpers the unit tests share: real temporary directories and files, and
// the real process environment. Tests never fake the platform.
#ifndef ZOV_TESTS_TEST_SUPPORT_H_
#define ZOV_TESTS_TEST_SUPPORT_H_

#include <string>

namespace testing_support {

// The platform's separator as a string.
extern const char kSep[];

// A fresh directory below the system's temporary directory, removed with
// everything in it when the object goes away. path() ends in the separator.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;
  const std::string& path() const { return path_; }
  // path() + relative, with '/' in relative turned into the separator.
  std::string Join(const std::string& relative) const;

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
void MakeDirectory(const std::string& path);

// Sets (or, with unset, removes) a variable for this process in the form
// the launcher reads it; the old state comes back when the object goes away.
class ScopedEnv {
 public:
  ScopedEnv(const std::string& name, const std::string& value);
  explicit ScopedEnv(const std::string& name);  // unset
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  bool hadValue_;
  std::string oldValue_;
};

// The running test binary's own path and directory (with separator).
std::string SelfPath();
std::string SelfDir();

}  // namespace testing_support

#endif  // ZOV_TESTS_TEST_SUPPORT_H_
