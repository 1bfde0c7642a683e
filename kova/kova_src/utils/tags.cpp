// Tag lists: (tag, value) pairs ended by tag 0, the option lists of launch
// parameters, run parameters and dialogs. Owns no state.
#include "kova_types.h"

uintptr_t TAG_Lookup(const TagItem* list, uint32_t tag, uintptr_t fallback, bool* found) {
  bool hit = false;
  uintptr_t value = fallback;
  // Later pairs override earlier ones, so a caller can append to a list.
  for (const TagItem* it = list; it && it->tag != 0; it++) {
    if (it->tag == tag) {
      value = it->value;
      hit = true;
    }
  }
  if (found) *found = hit;
  return value;
}
