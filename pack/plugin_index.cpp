#include "plugin_index.h"

#include <cstdint>

namespace zovpack {

const char kPluginIndexName[] =
    "META-INF/org/apache/logging/log4j/core/config/plugins/Log4j2Plugins.dat";

namespace {

struct Reader {
  const std::string& data;
  size_t pos = 0;
  bool ok = true;

  uint32_t Take(int bytes) {
    if (data.size() - pos < static_cast<size_t>(bytes)) ok = false;
    uint32_t value = 0;
    for (int i = 0; ok && i < bytes; ++i) {
      value = value << 8 | static_cast<unsigned char>(data[pos++]);
    }
    return value;
  }
  std::string Utf() {
    size_t n = Take(2);
    if (!ok || data.size() - pos < n) {
      ok = false;
      return std::string();
    }
    pos += n;
    return data.substr(pos - n, n);
  }
  bool Bool() { return Take(1) != 0; }
};

void PutInt(std::string* out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out->push_back(static_cast<char>(value >> shift));
  }
}

void PutUtf(std::string* out, const std::string& text) {
  out->push_back(static_cast<char>(text.size() >> 8));
  out->push_back(static_cast<char>(text.size()));
  *out += text;
}

bool SameCategory(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
    if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
    if (x != y) return false;
  }
  return true;
}

}  // namespace

bool ReadPluginIndex(const std::string& data, PluginIndex* index,
                     std::string* error) {
  index->clear();
  Reader in{data};
  // Counts are checked against what is left, never reserved: a hostile
  // count would otherwise allocate gigabytes.
  uint32_t categories = in.Take(4);
  for (uint32_t c = 0; in.ok && c < categories; ++c) {
    PluginCategory category;
    category.name = in.Utf();
    uint32_t entries = in.Take(4);
    for (uint32_t e = 0; in.ok && e < entries; ++e) {
      PluginEntry entry;
      entry.key = in.Utf();
      entry.class_name = in.Utf();
      entry.name = in.Utf();
      entry.printable = in.Bool();
      entry.defer = in.Bool();
      if (in.ok) category.entries.push_back(std::move(entry));
    }
    if (in.ok) index->push_back(std::move(category));
  }
  if (!in.ok || in.pos != data.size()) {
    *error = in.ok ? "bytes after the plugin index" : "the plugin index is cut short";
    index->clear();
    return false;
  }
  return true;
}

std::string WritePluginIndex(const PluginIndex& index) {
  std::string out;
  PutInt(&out, static_cast<uint32_t>(index.size()));
  for (const PluginCategory& category : index) {
    PutUtf(&out, category.name);
    PutInt(&out, static_cast<uint32_t>(category.entries.size()));
    for (const PluginEntry& e : category.entries) {
      PutUtf(&out, e.key);
      PutUtf(&out, e.class_name);
      PutUtf(&out, e.name);
      out.push_back(e.printable ? 1 : 0);
      out.push_back(e.defer ? 1 : 0);
    }
  }
  return out;
}

void JoinPluginIndex(PluginIndex* into, const PluginIndex& more) {
  for (const PluginCategory& category : more) {
    PluginCategory* target = nullptr;
    for (PluginCategory& c : *into) {
      if (SameCategory(c.name, category.name)) target = &c;
    }
    if (target == nullptr) {
      into->push_back(PluginCategory{category.name, {}});
      target = &into->back();
    }
    for (const PluginEntry& e : category.entries) {
      bool known = false;
      for (const PluginEntry& have : target->entries) known = known || have.key == e.key;
      if (!known) target->entries.push_back(e);
    }
  }
}

}  // namespace zovpack
