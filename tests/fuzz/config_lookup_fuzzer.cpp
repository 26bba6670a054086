// Configuration text of any bytes through the line reader and both lookups,
// checked against a plain reading of the line syntax.
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "config/collect.h"
#include "config/config_store.h"
#include "tests/fuzz/fuzz_check.h"
#include "text/text.h"

namespace {

const char* const kKeys[] = {"option",    "property", "classpath", "jre_order",
                             "jvmdll",    "minjre",   "mainclass", "o",
                             ""};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// Every value of key in text from start, the way a person reads the syntax.
std::vector<std::string> Expected(const std::string& text, size_t start,
                                  const std::string& key) {
  std::string rest = text.substr(start);
  rest = rest.substr(0, rest.find('\0'));
  std::vector<std::string> values;
  size_t i = 0;
  while (i < rest.size()) {
    size_t end = rest.find_first_of("\r\n", i);
    if (end == std::string::npos) end = rest.size();
    std::string line = rest.substr(i, end - i);
    if (end + 1 < rest.size() && rest[end] != rest[end + 1] &&
        (rest[end + 1] == '\r' || rest[end + 1] == '\n')) {
      i = end + 2;
    } else {
      i = end + 1;
    }
    size_t p = line.find_first_not_of(' ');
    if (p == std::string::npos) p = line.size();
    if (line.size() - p < key.size()) continue;
    bool same = true;
    for (size_t j = 0; j < key.size(); ++j) {
      same = same && Lower(line[p + j]) == Lower(key[j]);
    }
    if (!same) continue;
    p += key.size();
    while (p < line.size() && line[p] == ' ') ++p;
    values.push_back(line.substr(p));
  }
  return values;
}

void Gather(void* context, const char* value) {
  static_cast<std::vector<std::string>*>(context)->push_back(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // No side file and no embedded comment: the text is set below.
  static ConfigStore* store = new ConfigStore("", "");
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  store->Assign(text.data(), static_cast<int32_t>(text.size()));
  store->embeddedStart = static_cast<int32_t>(text.size() * data[0] / 255);

  for (bool embeddedOnly : {false, true}) {
    size_t start = embeddedOnly ? store->embeddedStart : 0;
    for (const char* key : kKeys) {
      std::vector<std::string> expected = Expected(text, start, key);
      TextBuffer first = store->Lookup(TextBuffer(key), embeddedOnly);
      std::string got(first.data(), first.length());
      FUZZ_CHECK(got == (expected.empty() ? "" : expected[0]));

      std::vector<std::string> all;
      TextBuffer none =
          store->ForEachValue(TextBuffer(key), Gather, &all, embeddedOnly);
      FUZZ_CHECK(none.length() == 0 && all == expected);

      StringList collected;
      store->ForEachValue(TextBuffer(key), CollectExpanded, &collected,
                          embeddedOnly);
      FUZZ_CHECK(collected.Count() == static_cast<int32_t>(expected.size()));
    }
  }
  return 0;
}
