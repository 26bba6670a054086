#include "windows_manifest.h"

namespace zovpack {

namespace {

const char kCodePageElement[] =
    "<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/"
    "WindowsSettings\">UTF-8</activeCodePage>";

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.' ||
         c == ':';
}

// A tag whose local name is `name`, with or without a namespace prefix
// (manifests written by other tools use "asmv3:" and the like).
struct Tag {
  size_t begin = std::string::npos;  // its '<'
  size_t end = std::string::npos;    // just past its '>'
  std::string qname;                 // prefix included
  bool closing = false;
  bool empty = false;  // <x/>
};

Tag FindTag(const std::string& text, const std::string& name, size_t from,
            bool closing) {
  for (size_t at = text.find(name, from); at != std::string::npos;
       at = text.find(name, at + 1)) {
    size_t after = at + name.size();
    if (after < text.size() && IsNameChar(text[after])) continue;
    size_t start = at;
    if (start > 0 && text[start - 1] == ':') {
      while (start > 0 && IsNameChar(text[start - 1])) --start;
    }
    bool is_closing = start >= 2 && text.compare(start - 2, 2, "</") == 0;
    bool is_opening = start >= 1 && text[start - 1] == '<' && !is_closing;
    if (closing ? !is_closing : !is_opening) continue;
    size_t gt = text.find('>', after);
    if (gt == std::string::npos) return Tag();
    Tag tag;
    tag.begin = start - (closing ? 2 : 1);
    tag.end = gt + 1;
    tag.qname = text.substr(start, after - start);
    tag.closing = closing;
    tag.empty = text[gt - 1] == '/';
    return tag;
  }
  return Tag();
}

// Where the element that opens with `open` ends.
size_t ElementEnd(const std::string& text, const Tag& open) {
  if (open.empty) return open.end;
  size_t close = text.find("</" + open.qname, open.end);
  if (close == std::string::npos) return std::string::npos;
  size_t gt = text.find('>', close);
  return gt == std::string::npos ? gt : gt + 1;
}

}  // namespace

bool SetUtf8CodePage(const std::string& manifest, std::string* out,
                     std::string* error) {
  std::string text = manifest;
  for (Tag old = FindTag(text, "activeCodePage", 0, false);
       old.begin != std::string::npos;
       old = FindTag(text, "activeCodePage", old.begin, false)) {
    size_t end = ElementEnd(text, old);
    if (end == std::string::npos) {
      *error = "the stub's manifest has an unclosed activeCodePage";
      return false;
    }
    text.erase(old.begin, end - old.begin);
  }
  Tag settings = FindTag(text, "windowsSettings", 0, true);
  if (settings.begin != std::string::npos) {
    text.insert(settings.begin, kCodePageElement);
  } else {
    Tag assembly = FindTag(text, "assembly", 0, true);
    if (assembly.begin == std::string::npos) {
      *error = "the stub's manifest has no closing assembly tag";
      return false;
    }
    text.insert(assembly.begin,
                std::string("<application xmlns=\"urn:schemas-microsoft-com:"
                            "asm.v3\"><windowsSettings>") +
                    kCodePageElement + "</windowsSettings></application>");
  }
  out->swap(text);
  return true;
}

bool SetUtf8CodePage(std::vector<Resource>* resources, std::string* error) {
  bool found = false;
  for (Resource& r : *resources) {
    if (r.type == ResourceName::Id(kRtManifest) &&
        r.name == ResourceName::Id(1)) {
      if (!SetUtf8CodePage(r.data, &r.data, error)) return false;
      found = true;
    }
  }
  if (found) return true;
  Resource manifest;
  manifest.type = ResourceName::Id(kRtManifest);
  manifest.name = ResourceName::Id(1);
  if (!SetUtf8CodePage(
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<assembly xmlns=\"urn:"
          "schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\"></assembly>",
          &manifest.data, error)) {
    return false;
  }
  resources->push_back(manifest);
  return true;
}

const Resource* FindManifest(const std::vector<Resource>& resources) {
  for (const Resource& r : resources) {
    if (r.type == ResourceName::Id(kRtManifest) &&
        r.name == ResourceName::Id(1)) {
      return &r;
    }
  }
  return nullptr;
}

std::string ActiveCodePage(const std::string& manifest) {
  Tag tag = FindTag(manifest, "activeCodePage", 0, false);
  if (tag.begin == std::string::npos || tag.empty) return "";
  size_t close = manifest.find('<', tag.end);
  if (close == std::string::npos) return "";
  return manifest.substr(tag.end, close - tag.end);
}

}  // namespace zovpack
