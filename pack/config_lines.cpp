#include "config_lines.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "byte_order.h"
#include "pe_image.h"
#include "runtime/payload_format.h"

namespace zovpack {

namespace {

const char* const kKeys[] = {"option",   "property", "classpath",
                             "jre_order", "jvmdll", "minjre",
                             "mainclass", "cds",    "maxjre",
                             "argument", "workdir", "restart_status",
                             "single_instance", kPackedRuntimeKey,
                             kPackedLibKey, kPackedNativeKey, kPackedFilesKey,
                             "instance_handler"};

// Keys the launcher reads only the first value of.
bool FirstValueOnly(const char* key) {
  return std::strcmp(key, "option") != 0 &&
         std::strcmp(key, "property") != 0 &&
         std::strcmp(key, "classpath") != 0 &&
         std::strcmp(key, "argument") != 0;
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         (c >= '0' && c <= '9') || c == '_';
}

std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\t') {
      out += "\\t";
    } else if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f') {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
      out += hex;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// Whether the runtime would ignore this option value without a word: one
// that starts with "--" and is none of the runtime's own, nor one of the
// java command's two-word options, which the launcher joins for it.
bool RuntimeIgnores(const std::string& option) {
  if (option.compare(0, 2, "--") != 0) {
    // Options of the java command alone, which the runtime ignores too.
    std::string name = option.substr(0, option.find_first_of(": \t"));
    size_t value = option.find_first_not_of(" \t", name.size());
    for (const char* launcher_only :
         {"-cp", "-classpath", "-jar", "-m", "-splash", "-server", "-client",
          "-version", "-showversion"}) {
      if (name == launcher_only) return true;
    }
    return name == "-p" && value == std::string::npos;
  }
  size_t end = option.find_first_of("= \t");
  std::string name = option.substr(0, end);
  char after = end == std::string::npos ? '\0' : option[end];
  for (const char* two_words :
       {"--add-opens", "--add-exports", "--add-reads", "--add-modules",
        "--module-path", "--upgrade-module-path", "--limit-modules",
        "--patch-module", "--enable-native-access"}) {
    if (name == two_words) return after == '\0';
  }
  for (const char* with_value :
       {"--illegal-native-access", "--illegal-access", "--finalization",
        "--sun-misc-unsafe-memory-access"}) {
    if (name == with_value) return after != '=';
  }
  return !(name == "--enable-preview" && after == '\0');
}

// MAJOR.MINOR as the launcher reads it: "21" is 21.0 (every 21.x for
// maxjre); false when there is no number at all.
bool ReadVersion(const std::string& v, int version[2]) {
  version[0] = 0;
  version[1] = -1;
  return std::sscanf(v.c_str(), "%d.%d", &version[0], &version[1]) >= 1;
}

}  // namespace

LauncherLine ReadLauncherLine(const std::string& line) {
  LauncherLine result;
  size_t start = line.find_first_not_of(' ');
  if (start == std::string::npos) return result;
  for (const char* key : kKeys) {
    size_t len = std::strlen(key);
    if (line.size() - start < len) continue;
    size_t i = 0;
    while (i < len && Lower(line[start + i]) == key[i]) ++i;
    if (i < len) continue;
    result.key = key;
    result.key_end = start + len;
    size_t value = line.find_first_not_of(' ', result.key_end);
    if (value != std::string::npos) result.value = line.substr(value);
    return result;
  }
  return result;
}

std::vector<std::string> SplitLauncherLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t end = text.find('\0');
  if (end == std::string::npos) end = text.size();
  size_t pos = 0;
  while (pos < end) {
    size_t stop = text.find_first_of("\r\n", pos);
    if (stop == std::string::npos || stop > end) stop = end;
    lines.push_back(text.substr(pos, stop - pos));
    pos = stop;
    if (pos < end) {
      char first = text[pos++];
      if (pos < end && (text[pos] == '\r' || text[pos] == '\n') &&
          text[pos] != first) {
        ++pos;
      }
    }
  }
  return lines;
}

std::string JoinConfigLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

bool CheckConfigLines(const std::vector<std::string>& lines,
                      bool windows_target, std::vector<std::string>* warnings,
                      std::string* error) {
  std::vector<const char*> seen;
  std::string minimum, maximum;
  int minVersion[2] = {0, -1}, maxVersion[2] = {0, -1};
  for (const std::string& line : lines) {
    if (line.find_first_of(std::string("\0\r\n", 3)) != std::string::npos) {
      *error = "configuration line " + Quote(line) +
               " holds a NUL or a line break";
      return false;
    }
  }
  for (const std::string& line : lines) {
    const std::string shown = "configuration line " + Quote(line);
    LauncherLine read = ReadLauncherLine(line);
    if (read.key == nullptr) {
      warnings->push_back(shown + " starts with no key the launcher reads");
      continue;
    }
    if (read.key_end < line.size() && line[read.key_end] != ' ' &&
        (IsWordChar(line[read.key_end]) || line[read.key_end] == '=' ||
         line[read.key_end] == ':' || line[read.key_end] == '\t')) {
      warnings->push_back(shown + " is read as key `" + read.key +
                          "` with value " + Quote(read.value));
    }
    bool repeated = false;
    for (const char* key : seen) repeated = repeated || key == read.key;
    if (repeated && FirstValueOnly(read.key)) {
      warnings->push_back(shown + " is ignored: the launcher reads only the "
                          "first `" + std::string(read.key) + "` line");
      continue;
    }
    seen.push_back(read.key);
    if (!read.value.empty() &&
        (read.value.back() == ' ' || read.value.back() == '\t')) {
      warnings->push_back(shown + ": the white space at its end is part of "
                          "the value");
    }
    bool isMin = std::strcmp(read.key, "minjre") == 0;
    if ((isMin || std::strcmp(read.key, "maxjre") == 0) && !read.value.empty()) {
      if (!ReadVersion(read.value, isMin ? minVersion : maxVersion)) {
        warnings->push_back(shown + ": " + read.key + " is read as MAJOR.MINOR, "
                            "which " + Quote(read.value) + " is not");
      } else {
        (isMin ? minimum : maximum) = read.value;
      }
    }
    if (std::strcmp(read.key, "option") == 0 && RuntimeIgnores(read.value)) {
      std::string name = read.value.substr(0, read.value.find(' '));
      std::string hint = name == "--class-path" || name == "-cp" ||
                                 name == "-classpath"
                             ? "; name the class path in a classpath line"
                             : "";
      warnings->push_back(shown + ": the runtime does not know this option "
                          "and would ignore it without a word" + hint);
    }
    if (std::strcmp(read.key, "restart_status") == 0) {
      char* end = nullptr;
      long status = std::strtol(read.value.c_str(), &end, 10);
      if (read.value.empty() || *end != 0) {
        warnings->push_back(shown + ": restart_status needs an exit status, "
                            "a number");
      } else if (status == 0) {
        warnings->push_back(shown + ": restart_status 0 starts the "
                            "application again whenever it ends normally");
      } else if (status < 0 || status > 255) {
        warnings->push_back(shown + ": on Linux an exit status is 0 to 255");
      }
    }
    if (std::strcmp(read.key, "single_instance") == 0 &&
        (read.value.empty() ||
         read.value.find_first_of("/\\") != std::string::npos)) {
      warnings->push_back(shown + ": single_instance needs a name without "
                          "/ or \\; with none every start runs");
    }
    if (std::strcmp(read.key, "instance_handler") == 0) {
      size_t dot = read.value.rfind('.');
      if (dot == std::string::npos || dot == 0 || dot + 1 == read.value.size()) {
        warnings->push_back(shown + ": instance_handler needs CLASS.METHOD, "
                            "e.g. org.example.App.open");
      }
    }
    if (std::strcmp(read.key, "workdir") == 0 && read.value.empty()) {
      warnings->push_back(shown + ": an empty workdir keeps the current "
                          "directory");
    }
    if (windows_target) {
      for (char c : line) {
        if (static_cast<unsigned char>(c) >= 0x80) {
          warnings->push_back(shown + " holds non-ASCII bytes; the launcher "
                              "reads them in the ANSI code page");
          break;
        }
      }
    }
  }
  int minMinor = minVersion[1] < 0 ? 0 : minVersion[1];
  if (!minimum.empty() && !maximum.empty() &&
      (maxVersion[0] < minVersion[0] ||
       (maxVersion[0] == minVersion[0] && maxVersion[1] >= 0 &&
        maxVersion[1] < minMinor))) {
    warnings->push_back("maxjre " + Quote(maximum) + " is below minjre " +
                        Quote(minimum) + ": no runtime can start");
  }
  return true;
}

size_t FindLauncherComment(const std::string& file, std::string* comment) {
  comment->clear();
  const size_t end = file.size() - TrailingSignatureSize(file);
  if (end < kEndRecordSize) return std::string::npos;
  size_t lowest = end > kEndSearchWindow ? end - kEndSearchWindow : 0;
  for (size_t pos = end - kEndRecordSize + 1; pos-- > lowest;) {
    if (Load32(file, pos) == kEndRecordSignature) {
      comment->assign(file, pos + kEndRecordSize, end - pos - kEndRecordSize);
      return pos;
    }
  }
  return std::string::npos;
}

}  // namespace zovpack
