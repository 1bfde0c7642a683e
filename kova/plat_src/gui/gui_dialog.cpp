// Bound dialogs, the walk: the table of binding kinds (arguments and width),
// the check of a whole list before anything is shown, the run parameters
// gathered from kinds 60-63, the object lookup by name or id, the bound
// variables' widths, and GUI_DialogPopup tying the set phase, the dialog
// run and the write-back phase together. Owns no state.
#include "gui_dialog.h"

#include <cstring>

#include "kova_debug.h"

namespace {

// The run parameters a list carries (kinds 60-63).
struct DlgRun {
  uint32_t flags = 0;
  FormEventHandler handler = nullptr;
  uintptr_t user = 0;
  int32_t period = -1;
};

// Checks every kind and records the run parameters; false at an unknown kind.
bool scanList(const DialogWord* list, DlgRun* run) {
  for (const DialogWord* w = list; *w != DLG_END;) {
    int n = *w > 0xFFFFFFFFu ? -1 : DlgArgCount(uint32_t(*w));
    if (n < 0) return false;
    DialogWord arg = w[1];
    switch (*w) {
      case DLG_HANDLER:
        run->handler = reinterpret_cast<FormEventHandler>(arg);
        break;
      case DLG_USER:
        run->user = arg;
        break;
      case DLG_PERIOD:
        run->period = int32_t(uint32_t(arg));
        break;
      case DLG_FLAGS:
        run->flags = uint32_t(arg);
        break;
      default:
        break;
    }
    w += 1 + n;
  }
  return true;
}

// Calls `phase` for every binding of a checked list, in list order.
void walkList(GuiForm* form, const DialogWord* list,
              void (*phase)(GuiForm* form, const DlgBinding& b)) {
  for (const DialogWord* w = list; *w != DLG_END;) {
    uint32_t kind = uint32_t(*w);
    int n = DlgArgCount(kind);
    phase(form, DlgBinding{kind, w + 1, DlgWidthOf(kind)});
    w += 1 + n;
  }
}

}  // namespace

int DlgArgCount(uint32_t kind) {
  // Runs of kinds sharing an argument count: first, last, words.
  static const uint8_t RUNS[][3] = {
      {1, 3, 2},   {4, 4, 2},   {5, 7, 3},   {11, 13, 3}, {21, 23, 3}, {31, 33, 3}, {41, 43, 4},
      {51, 51, 3}, {52, 57, 2}, {60, 63, 1}, {68, 70, 2}, {71, 73, 3}, {74, 76, 2}, {200, 200, 2}};
  for (const auto& run : RUNS)
    if (kind >= run[0] && kind <= run[1]) return run[2];
  return -1;
}

int DlgWidthOf(uint32_t kind) {
  static const uint32_t FAMILIES[] = {1, 5, 11, 21, 31, 41, 53, 68, 71};
  static const int WIDTHS[] = {32, 16, 8};
  for (uint32_t base : FAMILIES)
    if (kind >= base && kind < base + 3) return WIDTHS[kind - base];
  return (kind >= 74 && kind <= 76) ? 32 : 0;
}

GuiObject* DlgFind(const GuiForm* form, DialogWord name) {
  if (!form || name == 0 || name > 0xFFFFFFFFu) return nullptr;
  GuiObject* hidden = nullptr;
  for (const auto& o : form->objects) {
    bool match = o->tag == FourCC(name) || (name <= 0xFFFF && o->id == uint32_t(name));
    if (!match) continue;
    if (!(o->flags & OBJ_HIDDEN)) return o.get();
    if (!hidden) hidden = o.get();
  }
  return hidden;
}

uint32_t DlgLoad(const void* address, int width) {
  if (width == 8) return *static_cast<const uint8_t*>(address);
  if (width == 16) {
    uint16_t v;
    memcpy(&v, address, sizeof v);
    return v;
  }
  uint32_t v;
  memcpy(&v, address, sizeof v);
  return v;
}

void DlgStore(void* address, int width, uint32_t value) {
  if (width == 8) {
    *static_cast<uint8_t*>(address) = uint8_t(value);
  } else if (width == 16) {
    uint16_t v = uint16_t(value);
    memcpy(address, &v, sizeof v);
  } else {
    memcpy(address, &value, sizeof value);
  }
}

uint32_t GUI_DialogPopup(GuiForm* form, const DialogWord* bindings) {
  static const DialogWord EMPTY[] = {DLG_END};
  if (!form) return GUI_RESULT_ERROR;
  if (!bindings) bindings = EMPTY;
  // A list is checked whole first, so a bad one touches no object.
  DlgRun run;
  if (!scanList(bindings, &run)) {
    (void)DBG_Print(FCC("REPO"), "GUI_DialogPopup: Bad parameters (non-longword aligned tag?)");
    return GUI_RESULT_BAD_BINDING;
  }
  // 1. Set phase.
  walkList(form, bindings, DlgSetOne);
  // 2. The run; the period goes in only when the list asked for one.
  TagItem params[5] = {{GUI_RUN_FLAGS, run.flags},
                       {GUI_RUN_HANDLER, reinterpret_cast<uintptr_t>(run.handler)},
                       {GUI_RUN_USER, run.user},
                       {run.period >= 0 ? GUI_RUN_PERIOD : 0, uintptr_t(run.period)},
                       {0, 0}};
  uint32_t result = GUI_FormDoDialog(form, params);
  // 3. Write-back phase, unless cancelled.
  if (result != FCC("CANC")) walkList(form, bindings, DlgWriteOne);
  return result;
}
