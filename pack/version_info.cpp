#include "version_info.h"

#include "byte_order.h"
#include "jar_manifest.h"

namespace zovpack {

namespace {

const uint32_t kFixedSignature = 0xFEEF04BD;
const size_t kFixedSize = 52;
// Language neutral, Unicode: the string table's key and the translation.
const char kStringTableKey[] = "000004b0";
const uint16_t kUnicodeCodePage = 1200;

bool Utf8ToUtf16(const std::string& in, std::u16string* out) {
  out->clear();
  for (size_t i = 0; i < in.size();) {
    unsigned char c = static_cast<unsigned char>(in[i]);
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2
              : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0) return false;
    uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      if (i + k >= in.size()) return false;
      unsigned char d = static_cast<unsigned char>(in[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    static const uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
      return false;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(cp));
    }
    i += extra + 1;
  }
  return true;
}

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const std::u16string& in) {
  std::string out;
  for (size_t i = 0; i < in.size(); ++i) {
    uint32_t cp = in[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < in.size() &&
        in[i + 1] >= 0xDC00 && in[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[++i] - 0xDC00);
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

void Align4(std::string* s) {
  while (s->size() % 4 != 0) s->push_back('\0');
}

void AppendText(std::string* s, const std::u16string& text) {
  for (char16_t c : text) Append16(s, c);
  Append16(s, 0);
}

std::u16string Ascii(const char* text) {
  std::u16string out;
  for (; *text != '\0'; ++text) out.push_back(static_cast<char16_t>(*text));
  return out;
}

// One node of the record: length, value length (in words for text), type
// (1 text, 0 binary), key, value, then the children, each 4-byte aligned.
std::string Node(const std::u16string& key, uint16_t type,
                 const std::string& value, uint16_t value_length,
                 const std::string& children) {
  std::string node(6, '\0');
  AppendText(&node, key);
  Align4(&node);
  node += value;
  if (!children.empty()) Align4(&node);
  node += children;
  Store16(&node, 0, static_cast<uint16_t>(node.size()));
  Store16(&node, 2, value_length);
  Store16(&node, 4, type);
  return node;
}

std::string Child(const std::string& node) {
  std::string out = node;
  Align4(&out);
  return out;
}

// The first attribute, else the second.
std::string Attribute(const JarManifest& manifest, const char* first,
                      const char* second) {
  std::string value = ManifestAttribute(manifest, first);
  return value.empty() ? ManifestAttribute(manifest, second) : value;
}

}  // namespace

std::string VersionText(const uint16_t v[4]) {
  return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." +
         std::to_string(v[2]) + "." + std::to_string(v[3]);
}

bool VersionNumbers(const std::string& text, uint16_t numbers[4],
                    std::string* error) {
  for (int i = 0; i < 4; ++i) numbers[i] = 0;
  int found = 0;
  for (size_t i = 0; i < text.size() && found < 4;) {
    if (text[i] < '0' || text[i] > '9') {
      ++i;
      continue;
    }
    uint32_t n = 0;
    size_t start = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      if (n <= 65535) n = n * 10 + static_cast<uint32_t>(text[i] - '0');
    }
    if (n > 65535) {
      *error = "version " + text + ": " + text.substr(start, i - start) +
               " is above 65535, the largest number a Windows version holds";
      return false;
    }
    numbers[found++] = static_cast<uint16_t>(n);
  }
  return true;
}

bool ComposeVersionRecord(const IdentityOptions& options,
                          const JarManifest& manifest,
                          const std::string& output_name,
                          VersionRecord* record, std::string* error) {
  std::string base = output_name;
  size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot != 0) base.erase(dot);
  std::string name = options.name;
  if (name.empty()) {
    name = Attribute(manifest, "Implementation-Title", "Specification-Title");
  }
  if (name.empty()) name = base;
  std::string version = options.version;
  if (version.empty()) {
    version = Attribute(manifest, "Implementation-Version", "Specification-Version");
  }
  if (version.empty()) version = "0.0.0.0";
  std::string vendor = options.vendor;
  if (vendor.empty()) {
    vendor = Attribute(manifest, "Implementation-Vendor", "Specification-Vendor");
  }
  *record = VersionRecord();
  if (!VersionNumbers(version, record->file_version, error)) return false;
  for (int i = 0; i < 4; ++i) record->product_version[i] = record->file_version[i];
  auto add = [&](const char* key, const std::string& value) {
    if (!value.empty()) record->strings.emplace_back(key, value);
  };
  add("CompanyName", vendor);
  add("FileDescription", options.description.empty() ? name : options.description);
  add("FileVersion", version);
  add("InternalName", base);
  add("LegalCopyright", options.copyright);
  add("OriginalFilename", output_name);
  add("ProductName", name);
  add("ProductVersion", version);
  return true;
}

bool BuildVersionResource(const VersionRecord& record, std::string* data,
                          std::string* error) {
  std::string strings;
  for (const auto& kv : record.strings) {
    std::u16string key, value;
    if (!Utf8ToUtf16(kv.first, &key) || !Utf8ToUtf16(kv.second, &value)) {
      *error = "the " + kv.first + " of the version record is not UTF-8";
      return false;
    }
    std::string text;
    AppendText(&text, value);
    strings += Child(Node(key, 1, text, static_cast<uint16_t>(value.size() + 1), ""));
  }
  std::string table = Node(Ascii(kStringTableKey), 1, "", 0, strings);
  std::string string_info = Node(Ascii("StringFileInfo"), 1, "", 0, Child(table));
  std::string translation;
  Append16(&translation, 0);
  Append16(&translation, kUnicodeCodePage);
  std::string var = Node(Ascii("Translation"), 0, translation, 4, "");
  std::string var_info = Node(Ascii("VarFileInfo"), 1, "", 0, Child(var));

  std::string fixed;
  Append32(&fixed, kFixedSignature);
  Append32(&fixed, 0x00010000);
  for (const uint16_t* v : {record.file_version, record.product_version}) {
    Append32(&fixed, static_cast<uint32_t>(v[0]) << 16 | v[1]);
    Append32(&fixed, static_cast<uint32_t>(v[2]) << 16 | v[3]);
  }
  Append32(&fixed, 0x3F);     // flags mask
  Append32(&fixed, 0);        // flags
  Append32(&fixed, 0x40004);  // VOS_NT_WINDOWS32
  Append32(&fixed, 1);        // VFT_APP
  Append32(&fixed, 0);        // subtype
  Append32(&fixed, 0);        // date, high
  Append32(&fixed, 0);        // date, low
  std::string root = Node(Ascii("VS_VERSION_INFO"), 0, fixed, kFixedSize,
                          Child(string_info) + var_info);
  if (root.size() > 0xFFFF) {
    *error = "the version record's text is too long";
    return false;
  }
  *data = root;
  return true;
}

namespace {

struct Parsed {
  size_t end;           // past the node (its length)
  size_t value;         // where the value starts
  size_t value_length;  // in bytes
  size_t children;      // where the children start
  uint16_t type;
  std::u16string key;
};

bool ParseNode(const std::string& d, size_t pos, size_t limit, Parsed* p) {
  if (!InRange(limit, pos, 6)) return false;
  size_t length = Load16(d, pos);
  if (length < 6 || !InRange(limit, pos, length)) return false;
  p->end = pos + length;
  size_t value_length = Load16(d, pos + 2);
  p->type = Load16(d, pos + 4);
  p->key.clear();
  size_t i = pos + 6;
  for (;; i += 2) {
    if (i + 2 > p->end) return false;
    char16_t c = Load16(d, i);
    if (c == 0) break;
    p->key.push_back(c);
  }
  i += 2;
  i = (i + 3) & ~size_t{3};
  p->value = i;
  p->value_length = p->type == 1 ? value_length * 2 : value_length;
  if (p->value > p->end) p->value = p->end;
  if (p->value_length > p->end - p->value) p->value_length = p->end - p->value;
  p->children = (p->value + p->value_length + 3) & ~size_t{3};
  return true;
}

}  // namespace

bool ReadVersionResource(const std::string& data, VersionRecord* record) {
  *record = VersionRecord();
  Parsed root;
  if (!ParseNode(data, 0, data.size(), &root) ||
      root.key != Ascii("VS_VERSION_INFO") || root.value_length < kFixedSize ||
      Load32(data, root.value) != kFixedSignature) {
    return false;
  }
  uint16_t* versions[2] = {record->file_version, record->product_version};
  for (int k = 0; k < 2; ++k) {
    uint32_t ms = Load32(data, root.value + 8 + 8 * k);
    uint32_t ls = Load32(data, root.value + 12 + 8 * k);
    versions[k][0] = static_cast<uint16_t>(ms >> 16);
    versions[k][1] = static_cast<uint16_t>(ms);
    versions[k][2] = static_cast<uint16_t>(ls >> 16);
    versions[k][3] = static_cast<uint16_t>(ls);
  }
  // StringFileInfo > string tables > strings; other blocks are skipped.
  for (size_t pos = root.children; pos < root.end;) {
    Parsed info;
    if (!ParseNode(data, pos, root.end, &info)) return false;
    if (info.key == Ascii("StringFileInfo")) {
      for (size_t t = info.children; t < info.end;) {
        Parsed table;
        if (!ParseNode(data, t, info.end, &table)) return false;
        for (size_t s = table.children; s < table.end;) {
          Parsed str;
          if (!ParseNode(data, s, table.end, &str)) return false;
          std::u16string value;
          for (size_t v = 0; v + 1 < str.value_length; v += 2) {
            char16_t c = Load16(data, str.value + v);
            if (c == 0) break;
            value.push_back(c);
          }
          record->strings.emplace_back(Utf16ToUtf8(str.key), Utf16ToUtf8(value));
          s = (str.end + 3) & ~size_t{3};
        }
        t = (table.end + 3) & ~size_t{3};
      }
    }
    pos = (info.end + 3) & ~size_t{3};
  }
  return true;
}

}  // namespace zovpack
