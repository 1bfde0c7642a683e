// Bound dialogs, object access: values and texts read and set on an object
// itself rather than by tag (a binding may name an object by its numeric id,
// or one the layout hid that shares its tag with a shown one), with the same
// meaning as the tag calls; and the object commands of kinds 74-76 (the
// colour, date and time selectors of gui_ctl_colour.cpp).
// Owns no state.
#include <algorithm>

#include "gui_ctl.h"
#include "gui_dialog.h"

namespace {

bool isBar(const GuiObject* o) { return o->kind == FCC("VDRG") || o->kind == FCC("HDRG"); }

}  // namespace

int32_t DlgGetValue(const GuiObject* o) {
  if (o->kind == FCC("PTRG") && o->control.popupList) return o->control.popupList->control.value;
  if (isBar(o) && GuiIsSplitter(o)) return o->kind == FCC("VDRG") ? o->rect.y : o->rect.x;
  if (o->kind == FCC("FELD")) return GuiFieldNumber(o->control.text);
  return o->control.value;
}

void DlgSetValue(GuiForm* form, GuiObject* o, int32_t value) {
  FourCC kind = o->kind;
  if (kind == FCC("PUSH")) {
    GuiPushSetChecked(form, o, value != 0);
    return;
  }
  if (isBar(o)) {
    if (!(GuiIsSplitter(o) && value == 0)) GuiScrollSetValue(form, o, value, false);
    return;
  }
  if (kind == FCC("CHEK")) {
    o->control.value = value != 0;
  } else if (kind == FCC("LIST") || kind == FCC("CLST")) {
    GuiListSelect(o, value);
  } else if (kind == FCC("PTRG")) {
    GuiObject* list = o->control.popupList;
    if (list) GuiListSelect(list, value);
    int32_t chosen = list ? list->control.value : -1;
    o->control.value = chosen;
    o->control.textSet = chosen >= 0;
    o->control.text = chosen >= 0 ? list->control.items[size_t(chosen)] : std::string();
  } else if (kind == FCC("FELD")) {
    GuiFieldSetText(form, o, std::to_string(value));
  } else {
    o->control.value = value;
  }
  GuiRefresh(form, o);
}

std::string DlgGetText(const GuiObject* o) {
  const GuiControlState& s = o->control;
  if (o->kind == FCC("FELD")) return s.text;
  if ((o->kind == FCC("LIST") || o->kind == FCC("CLST")) && s.value >= 0 &&
      s.value < int32_t(s.items.size()))
    return s.items[size_t(s.value)];
  return GuiLabel(o);
}

void DlgSetText(GuiForm* form, GuiObject* o, const std::string& text) {
  if (o->kind == FCC("FELD")) {
    GuiFieldSetText(form, o, text);
  } else {
    o->control.text = text;
    o->control.textSet = true;
  }
  GuiRefresh(form, o);
}

Err GUI_ObjectCommand(GuiForm* form, GuiObject* object, int16_t command, uint32_t* value) {
  if (!form || !object || command < GUI_CMD_SET_COLOUR || command > GUI_CMD_GET_TIME) return -1;
  // Even commands set, odd ones read; the three pairs share the one value.
  // A selector keeps all 32 bits (dates past 1972 do not fit a signed value
  // read as a number); other kinds take the value as GUI_SetValue does.
  if (command % 2 == 0) {
    if (!value) return 0;
    uint32_t v = command == GUI_CMD_SET_COLOUR ? (*value & 0xFFFFFFu) : *value;
    if (GuiIsSelector(object)) {
      object->control.value = int32_t(v);
      GuiRefresh(form, object);
    } else {
      DlgSetValue(form, object, int32_t(v));
    }
  } else if (value) {
    *value = uint32_t(GuiIsSelector(object) ? object->control.value : DlgGetValue(object));
  }
  return 0;
}
