// Controls by tag: the application reads and sets values, texts, field
// selections, list items, scroll bars, visibility, enabling and focus of a
// form's objects. Every setter redraws the object into the form's surface
// and shows the form while its dialog runs. A tag the form does not hold
// (or a null form) gives -1 and changes nothing. Owns no state.
#include <algorithm>
#include <cstring>

#include "gui_ctl.h"

namespace {

constexpr Err NO_OBJECT = -1;

bool isBar(const GuiObject* o) { return o->kind == FCC("VDRG") || o->kind == FCC("HDRG"); }

// Copies at most size - 1 bytes, always terminated; a null buffer is skipped.
void copyOut(const std::string& text, char* buffer, uint32_t size) {
  if (!buffer || size == 0) return;
  size_t n = std::min<size_t>(text.size(), size - 1);
  memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

void setTriggerValue(GuiObject* trigger, int32_t value) {
  GuiObject* list = trigger->control.popupList;
  if (list) GuiListSelect(list, value);
  int32_t chosen = list ? list->control.value : -1;
  trigger->control.value = chosen;
  trigger->control.textSet = chosen >= 0;
  trigger->control.text = chosen >= 0 ? list->control.items[size_t(chosen)] : std::string();
}

}  // namespace

Err GUI_GetBounds(const GuiForm* form, FourCC tag, GfxRect* out) {
  GuiObject* o = GuiObjectByTag(form, tag);
  if (!o) return NO_OBJECT;
  if (out) *out = o->rect;
  return 0;
}

Err GUI_SetBounds(GuiForm* form, FourCC tag, const GfxRect* bounds) {
  GuiObject* o = GuiObjectByTag(form, tag);
  if (!o || !bounds) return NO_OBJECT;
  GfxRect old = o->rect;
  o->rect = *bounds;
  if (o->kind == FCC("FELD")) GuiFieldReveal(o);
  if (o->kind == FCC("LIST") || o->kind == FCC("CLST")) GuiListSetTopRow(o, o->control.top);
  if (GuiVisible(o)) {
    GuiRedrawArea(form, old, o);
    GuiRefresh(form, o);
  }
  return 0;
}

Err GUI_GetValue(const GuiForm* form, FourCC tag, int32_t* out) {
  GuiObject* o = GuiObjectByTag(form, tag);
  if (!o) return NO_OBJECT;
  int32_t value = o->control.value;
  if (o->kind == FCC("PTRG") && o->control.popupList) value = o->control.popupList->control.value;
  if (isBar(o) && GuiIsSplitter(o)) value = o->kind == FCC("VDRG") ? o->rect.y : o->rect.x;
  if (o->kind == FCC("FELD")) value = GuiFieldNumber(o->control.text);
  if (out) *out = value;
  return 0;
}

Err GUI_SetValue(GuiForm* form, FourCC tag, int32_t value) {
  GuiObject* o = GuiObjectByTag(form, tag);
  if (!o) return NO_OBJECT;
  FourCC kind = o->kind;
  if (kind == FCC("PUSH")) {
    GuiPushSetChecked(form, o, value != 0);
    return 0;
  }
  if (isBar(o)) {
    // A splitter at 0 is a position never saved: it stays where the layout put it.
    if (!(GuiIsSplitter(o) && value == 0)) GuiScrollSetValue(form, o, value, false);
    return 0;
  }
  if (kind == FCC("CHEK")) {
    o->control.value = value != 0;
  } else if (kind == FCC("LIST") || kind == FCC("CLST")) {
    GuiListSelect(o, value);
  } else if (kind == FCC("PTRG")) {
    setTriggerValue(o, value);
  } else if (kind == FCC("FELD")) {
    GuiFieldSetText(form, o, std::to_string(value));
  } else {
    o->control.value = value;
  }
  GuiRefresh(form, o);
  return 0;
}

Err GUI_GetText(const GuiForm* form, FourCC tag, char* buffer, uint32_t size) {
  GuiObject* o = GuiObjectByTag(form, tag);
  if (!o) {
    copyOut(std::string(), buffer, size);
    return NO_OBJECT;
  }
  const GuiControlState& s = o->control;
  if (o->kind == FCC("FELD"))
    copyOut(s.text, buffer, size);
  else if ((o->kind == FCC("LIST") || o->kind == FCC("CLST")) && s.value >= 0)
    copyOut(s.items[size_t(s.value)], buffer, size);
  else
    copyOut(GuiLabel(o), buffer, size);
  return 0;
}

Err GUI_SetText(GuiForm* form, FourCC tag, const char* text) {
  GuiObject* o = GuiObjectByTag(form, tag);
  if (!o) return NO_OBJECT;
  std::string value = text ? text : "";
  if (o->kind == FCC("FELD")) {
    GuiFieldSetText(form, o, value);
  } else {
    o->control.text = value;
    o->control.textSet = true;
  }
  GuiRefresh(form, o);
  return 0;
}

Err GUI_SetFont(GuiForm* form, FourCC tag, uint16_t font) {
  GuiObject* o = GuiObjectByTag(form, tag);
  if (!o) return NO_OBJECT;
  if (o->font == font) return 0;
  o->font = font;
  GuiRefresh(form, o);
  return 0;
}

Err GUI_GetSelection(const GuiForm* form, FourCC tag, int32_t* start, int32_t* end) {
  GuiObject* o = GuiObjectByTag(form, tag);
  if (!o || o->kind != FCC("FELD")) return NO_OBJECT;
  if (start) *start = o->control.selStart;
  if (end) *end = o->control.selEnd;
  return 0;
}

Err GUI_SetSelection(GuiForm* form, FourCC tag, int32_t start, int32_t end) {
  GuiObject* o = GuiObjectByTag(form, tag);
  if (!o || o->kind != FCC("FELD")) return NO_OBJECT;
  GuiFieldSelect(o, start, end);
  GuiRefresh(form, o);
  return 0;
}

Err GUI_ListSetItems(GuiForm* form, FourCC tag, const char* const* items, int16_t count) {
  GuiObject* list = GuiListOf(GuiObjectByTag(form, tag));
  if (!list || count < 0 || (count > 0 && !items)) return NO_OBJECT;
  std::vector<std::string> copied;
  for (int16_t i = 0; i < count; i++) copied.emplace_back(items[i] ? items[i] : "");
  list->control.value = -1;
  list->control.top = 0;
  GuiListAssign(list, copied);
  if (GuiVisible(list)) GuiRefresh(form, list);
  return 0;
}

int16_t GUI_ListCount(const GuiForm* form, FourCC tag) {
  GuiObject* list = GuiListOf(GuiObjectByTag(form, tag));
  return list ? int16_t(list->control.items.size()) : int16_t(-1);
}

Err GUI_ListGetItem(const GuiForm* form, FourCC tag, int16_t index, char* buffer, uint32_t size) {
  GuiObject* list = GuiListOf(GuiObjectByTag(form, tag));
  if (!list || index < 0 || index >= int32_t(list->control.items.size())) {
    copyOut(std::string(), buffer, size);
    return NO_OBJECT;
  }
  copyOut(list->control.items[size_t(index)], buffer, size);
  return 0;
}

Err GUI_ListSetTop(GuiForm* form, FourCC tag, int16_t top) {
  GuiObject* list = GuiListOf(GuiObjectByTag(form, tag));
  if (!list) return NO_OBJECT;
  GuiListSetTopRow(list, top);
  if (GuiVisible(list)) GuiRefresh(form, list);
  return 0;
}

int16_t GUI_ListTop(const GuiForm* form, FourCC tag) {
  GuiObject* list = GuiListOf(GuiObjectByTag(form, tag));
  return list ? list->control.top : int16_t(-1);
}

Err GUI_ListGetChecked(const GuiForm* form, FourCC tag, int16_t index, bool* out) {
  GuiObject* list = GuiListOf(GuiObjectByTag(form, tag));
  if (!list || index < 0 || index >= int32_t(list->control.itemChecked.size())) return NO_OBJECT;
  if (out) *out = list->control.itemChecked[size_t(index)] != 0;
  return 0;
}

Err GUI_ListSetChecked(GuiForm* form, FourCC tag, int16_t index, bool checked) {
  GuiObject* list = GuiListOf(GuiObjectByTag(form, tag));
  if (!list || index < 0 || index >= int32_t(list->control.itemChecked.size())) return NO_OBJECT;
  list->control.itemChecked[size_t(index)] = checked ? 1 : 0;
  if (GuiVisible(list)) GuiRefresh(form, list);
  return 0;
}

Err GUI_ScrollSet(GuiForm* form, FourCC tag, int32_t value, int32_t maximum, int32_t page) {
  GuiObject* o = GuiObjectByTag(form, tag);
  if (!o || !isBar(o)) return NO_OBJECT;
  GuiControlState& s = o->control;
  s.maximum = std::max(0, maximum);
  s.page = std::max(0, page);
  s.value = std::clamp(value, 0, s.maximum);
  GuiRefresh(form, o);
  return 0;
}

Err GUI_ScrollGet(const GuiForm* form, FourCC tag, int32_t* value, int32_t* maximum,
                  int32_t* page) {
  GuiObject* o = GuiObjectByTag(form, tag);
  if (!o || !isBar(o)) return NO_OBJECT;
  bool splitter = GuiIsSplitter(o);
  if (value) (void)GUI_GetValue(form, tag, value);
  if (maximum) *maximum = splitter ? 0 : o->control.maximum;
  if (page) *page = o->control.page;
  return 0;
}

Err GUI_Show(GuiForm* form, FourCC tag, bool shown) {
  GuiObject* o = GuiObjectByTag(form, tag);
  if (!o) return NO_OBJECT;
  if (shown) {
    o->flags &= ~OBJ_NOT_USABLE;
    o->control.shown = true;
    GuiRefresh(form, o);
    return 0;
  }
  if (form->focus == o) GuiSetFocus(form, nullptr);
  bool was = GuiVisible(o);
  o->control.shown = false;
  o->control.pressed = false;
  if (was) GuiRedrawArea(form, o->rect, o);
  return 0;
}

bool GUI_IsShown(const GuiForm* form, FourCC tag) {
  GuiObject* o = GuiObjectByTag(form, tag);
  return o && GuiVisible(o);
}

Err GUI_Enable(GuiForm* form, FourCC tag, bool enabled) {
  GuiObject* o = GuiObjectByTag(form, tag);
  if (!o) return NO_OBJECT;
  if (!enabled && form->focus == o) GuiSetFocus(form, nullptr);
  o->control.enabled = enabled;
  o->control.pressed = false;
  GuiRefresh(form, o);
  return 0;
}

bool GUI_IsEnabled(const GuiForm* form, FourCC tag) {
  GuiObject* o = GuiObjectByTag(form, tag);
  return o && o->control.enabled;
}

Err GUI_Redraw(GuiForm* form, FourCC tag) {
  GuiObject* o = GuiObjectByTag(form, tag);
  if (!o) return NO_OBJECT;
  GuiRefresh(form, o);
  return 0;
}

Err GUI_Focus(GuiForm* form, FourCC tag) {
  GuiObject* o = GuiObjectByTag(form, tag);
  if (!o) return NO_OBJECT;
  GuiSetFocus(form, o);
  return form->focus == o ? Err(0) : NO_OBJECT;
}

FourCC GUI_FocusedTag(const GuiForm* form) { return form && form->focus ? form->focus->tag : 0; }

int32_t GuiFieldNumber(const std::string& text) {
  int64_t n = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') break;
    n = std::min<int64_t>(n * 10 + (ch - '0'), INT32_MAX);
  }
  return int32_t(n);
}
