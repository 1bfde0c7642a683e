// Bound dialogs, the set phase: every binding's variable put into its
// object before the dialog runs. Control values are 16 bits, so a variable
// is shown from its low 16 bits; check lists are filled from the last item
// to the first and drawn once. Kinds 60-63 carry no object and are left to
// the walk. Owns no state.
#include <algorithm>
#include <cstring>

#include "gui_dialog.h"
#include "kova_debug.h"

namespace {

// A 32-bit argument word narrowed to the binding's width.
uint32_t argOf(const DlgBinding& b, int index) {
  uint32_t v = uint32_t(b.args[index]);
  return b.width == 8 ? (v & 0xFF) : b.width == 16 ? (v & 0xFFFF) : v;
}

int32_t asControl(uint32_t v) { return int16_t(uint16_t(v)); }

void setIndex(GuiForm* form, const DlgBinding& b, uint32_t index) {
  GuiObject* trigger = DlgFind(form, b.args[1]);
  GuiObject* list = GuiListOf(DlgFind(form, b.args[0]));
  if (!list && trigger) list = GuiListOf(trigger);
  if (!list) return;
  GuiListSelect(list, asControl(index));
  if (GuiVisible(list)) GuiRefresh(form, list);
  if (!trigger || trigger == list) return;
  // The trigger shows the chosen item (and forgets it when none is chosen).
  int32_t chosen = list->control.value;
  trigger->control.value = chosen;
  trigger->control.textSet = chosen >= 0;
  trigger->control.text = chosen >= 0 ? list->control.items[size_t(chosen)] : std::string();
  GuiRefresh(form, trigger);
}

// Check-list items 0 … n-1 set by `on(i)`, from the last to the first.
template <typename On>
void setChecks(GuiForm* form, GuiObject* object, size_t limit, On on) {
  GuiObject* list = GuiListOf(object);
  if (!list) return;
  std::vector<uint8_t>& checked = list->control.itemChecked;
  size_t n = std::min(checked.size(), limit);
  for (size_t i = n; i-- > 0;) checked[i] = on(i) ? 1 : 0;
  if (GuiVisible(list)) GuiRefresh(form, list);
}

void setUsable(GuiForm* form, GuiObject* o, bool usable) {
  if (usable) {
    o->flags &= ~OBJ_NOT_USABLE;
    o->control.shown = true;
    GuiRefresh(form, o);
    return;
  }
  if (form->focus == o) GuiSetFocus(form, nullptr);
  bool was = GuiVisible(o);
  o->flags |= OBJ_NOT_USABLE;
  o->control.pressed = false;
  if (was) GuiRedrawArea(form, o->rect, o);
}

std::string numberText(uint32_t v, int width) {
  return width == 32 ? std::to_string(int32_t(v)) : std::to_string(v);
}

// Kinds without a variable: the argument itself is shown.
void setShown(GuiForm* form, GuiObject* o, const DlgBinding& b) {
  if (b.kind == DLG_SHOW) DlgSetValue(form, o, asControl(uint32_t(b.args[1])));
  if (b.kind == DLG_SHOW_NUMBER) DlgSetText(form, o, numberText(uint32_t(b.args[1]), 32));
  if (b.kind == DLG_USABLE) setUsable(form, o, b.args[1] != 0);
}

// Copies the variable at `var` into `o` as the kind says.
void setVariable(GuiForm* form, GuiObject* o, const DlgBinding& b, void* var) {
  uint32_t k = b.kind;
  uint32_t v = b.width ? DlgLoad(var, b.width) : 0;
  if (k <= DLG_VALUE8) {
    DlgSetValue(form, o, asControl(v));
  } else if (k >= DLG_EQUAL32 && k <= DLG_EQUAL8) {
    DlgSetValue(form, o, v == argOf(b, 2));
  } else if (k >= DLG_BITS32 && k <= DLG_BITS8) {
    DlgSetValue(form, o, (v & argOf(b, 2)) != 0);
  } else if (k >= DLG_NOBITS32 && k <= DLG_NOBITS8) {
    DlgSetValue(form, o, (v & argOf(b, 2)) == 0);
  } else if (k >= DLG_FIELD32 && k <= DLG_FIELD8) {
    uint32_t shift = argOf(b, 2), width = argOf(b, 3);
    uint32_t mask = width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1;
    DlgSetValue(form, o, asControl((shift >= 32 ? 0 : v >> shift) & mask));
  } else if (k == DLG_TEXT) {
    // Read no further than the buffer the list says the caller has.
    size_t size = size_t(b.args[2]);
    const char* text = static_cast<const char*>(var);
    DlgSetText(form, o, std::string(text, size ? strnlen(text, size) : 0));
  } else if (k == DLG_SHOW_TEXT) {
    DlgSetText(form, o, static_cast<const char*>(var));
  } else if (k >= DLG_NUMBER32 && k <= DLG_NUMBER8) {
    DlgSetText(form, o, numberText(v, b.width));
  } else if (k == DLG_DECIMAL) {
    char text[DECIMAL_MAX_CHARS + 1];
    (void)GUI_DecimalFormat(static_cast<const DecimalValue*>(var), text, sizeof text);
    DlgSetText(form, o, text);
  } else if (k >= DLG_CHECKSET32 && k <= DLG_CHECKSET8) {
    setChecks(form, o, size_t(b.width), [v](size_t i) { return (v >> i) & 1; });
  } else if (k >= DLG_CHECKARRAY32 && k <= DLG_CHECKARRAY8) {
    const uint8_t* base = static_cast<const uint8_t*>(var);
    size_t step = size_t(b.width / 8);
    setChecks(form, o, size_t(b.args[2]),
              [&](size_t i) { return DlgLoad(base + i * step, b.width) != 0; });
  } else if (k >= DLG_COLOUR && k <= DLG_TIME) {
    (void)GUI_ObjectCommand(form, o, int16_t(16 + 2 * (k - DLG_COLOUR)), &v);
  }
}

}  // namespace

void DlgSetOne(GuiForm* form, const DlgBinding& b) {
  if (b.kind >= DLG_HANDLER && b.kind <= DLG_FLAGS) return;
  if (b.kind == DLG_SHOW || b.kind == DLG_SHOW_NUMBER || b.kind == DLG_USABLE) {
    GuiObject* o = DlgFind(form, b.args[0]);
    if (o) setShown(form, o, b);
    return;
  }
  // Kinds 5-7 name two objects; the index address comes third.
  bool indexKind = b.kind >= DLG_INDEX32 && b.kind <= DLG_INDEX8;
  void* var = reinterpret_cast<void*>(b.args[indexKind ? 2 : 1]);
  if (!var) return;
  if (indexKind) {
    setIndex(form, b, DlgLoad(var, b.width));
    return;
  }
  GuiObject* o = DlgFind(form, b.args[0]);
  if (o) setVariable(form, o, b, var);
}
