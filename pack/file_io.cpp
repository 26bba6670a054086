#include "file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace zovpack {

namespace {

std::string Describe(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

bool WriteAll(FILE* f, const std::string& contents) {
  return std::fwrite(contents.data(), 1, contents.size(), f) ==
             contents.size() &&
         std::fflush(f) == 0;
}

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string* contents,
                   std::string* error) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    *error = Describe("cannot open", path);
    return false;
  }
  contents->clear();
  char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    contents->append(chunk, n);
  }
  bool ok = !std::ferror(f);
  if (!ok) *error = Describe("cannot read", path);
  std::fclose(f);
  return ok;
}

#ifdef _WIN32

bool WriteFileAtomically(const std::string& path, const std::string& contents,
                         std::string* error) {
  std::string temp;
  int fd = -1;
  for (unsigned attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".tmp%lu.%u",
                  static_cast<unsigned long>(GetCurrentProcessId()), attempt);
    temp = path + suffix;
    fd = _open(temp.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
               _S_IREAD | _S_IWRITE);
  }
  if (fd < 0) {
    *error = Describe("cannot create a temporary file for", path);
    return false;
  }
  FILE* f = _fdopen(fd, "wb");
  bool ok = f != nullptr && WriteAll(f, contents);
  if (f != nullptr) ok = (std::fclose(f) == 0) && ok;
  if (!ok) {
    *error = Describe("cannot write", temp);
  } else if (!MoveFileExA(temp.c_str(), path.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    *error = "cannot replace " + path + " (error " +
             std::to_string(GetLastError()) + ")";
    ok = false;
  }
  if (!ok) std::remove(temp.c_str());
  return ok;
}

std::string ExecutableDirectory() {
  char buffer[MAX_PATH * 4];
  DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return std::string();
  std::string path(buffer, n);
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

#else

bool WriteFileAtomically(const std::string& path, const std::string& contents,
                         std::string* error) {
  std::string temp = path + ".tmpXXXXXX";
  int fd = mkstemp(&temp[0]);
  if (fd < 0) {
    *error = Describe("cannot create a temporary file for", path);
    return false;
  }
  mode_t mask = umask(0);
  umask(mask);
  bool ok = fchmod(fd, 0777 & ~mask) == 0;
  FILE* f = ok ? fdopen(fd, "wb") : nullptr;
  if (f == nullptr) {
    close(fd);
    ok = false;
  } else {
    ok = WriteAll(f, contents) && fsync(fileno(f)) == 0;
    ok = (std::fclose(f) == 0) && ok;
  }
  if (!ok) {
    *error = Describe("cannot write", temp);
  } else if (std::rename(temp.c_str(), path.c_str()) != 0) {
    *error = Describe("cannot replace", path);
    ok = false;
  }
  if (!ok) unlink(temp.c_str());
  return ok;
}

std::string ExecutableDirectory() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (n <= 0 || static_cast<size_t>(n) >= sizeof buffer) return std::string();
  std::string path(buffer, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

#endif

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ParentDirectory(const std::string& dir) {
  size_t end = dir.size();
  while (end > 0 && IsSeparator(dir[end - 1])) --end;
  while (end > 0 && !IsSeparator(dir[end - 1])) --end;
  return dir.substr(0, end);
}

std::string BaseName(const std::string& path) {
  size_t end = path.size();
  while (end > 0 && !IsSeparator(path[end - 1])) --end;
  return path.substr(end);
}

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty() || IsSeparator(dir.back())) return dir + name;
#ifdef _WIN32
  return dir + "\\" + name;
#else
  return dir + "/" + name;
#endif
}

}  // namespace zovpack
