#include "config/collect.h"

#include "config/expand.h"
#include "platform/platform.h"
#include "runtime/class_path.h"
#include "text/text.h"

void CollectExpanded(void* context, const char* value) {
  StringList* list = static_cast<StringList*>(context);
  TextBuffer expanded = ExpandEnvironment(TextBuffer(value));
  list->Add(expanded.c_str());
}

void CollectClassPath(void* context, const char* value) {
  TextBuffer* entries = static_cast<TextBuffer*>(context);
  const char* piece = value;
  for (;;) {
    const char* end = piece;
    while (*end != 0 && *end != ';' && *end != kClassPathSeparator) ++end;
    if (end > piece) {
      TextBuffer expanded = ExpandEnvironment(
          TextBuffer(piece, static_cast<int32_t>(end - piece)));
      AppendClassPathEntry(entries, expanded);
    }
    if (*end == 0) break;
    piece = end + 1;
  }
}
