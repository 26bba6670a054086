#include "config/collect.h"

#include "config/expand.h"
#include "text/text.h"

void CollectExpanded(void* context, const char* value) {
  StringList* list = static_cast<StringList*>(context);
  TextBuffer expanded = ExpandEnvironment(TextBuffer(value));
  list->Add(expanded.c_str());
}
