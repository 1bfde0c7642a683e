// Lists and triggers. "LIST"/"CLST": rows in the object's font from the
// first visible item, the selected row highlighted, a thin scroll bar of its
// own when the items exceed the rows, selection by pen (the control event
// carries the item) and by the arrows, check boxes per item for "Bsel".
// "PTRG": its label (the chosen item of its list) with a small down arrow;
// a tap pops the list up (GuiPopupList) and the choice becomes the label.
// State: what the pen is doing in a list while it is down.
#include <algorithm>

#include "gui_ctl.h"

namespace {

constexpr int16_t BAR_WIDTH = 8;  // the list's own scroll bar

enum PenMode { PEN_NONE, PEN_ROWS, PEN_KNOB, PEN_BAR };
PenMode gPenMode = PEN_NONE;
int32_t gGrab = 0;     // pen's distance from the knob's start while dragging it
int32_t gBoxRow = -1;  // check-list row whose box the pen went down on

struct ListGeom {
  GfxRect inner, rows, bar;  // bar empty when all items fit
  int16_t rowHeight, rowCount, box;
};

bool isList(const GuiObject* o) { return o->kind == FCC("LIST") || o->kind == FCC("CLST"); }

ListGeom geometry(const GuiObject* list) {
  ListGeom g{};
  g.inner = (list->flags & OBJ_NO_FRAME) ? list->rect : GuiInset(list->rect, 1);
  g.rowHeight = int16_t(TXT_LineHeight(list->font) + 2);
  g.rowCount = int16_t(std::max(1, g.inner.h / g.rowHeight));
  g.rows = g.inner;
  if (int32_t(list->control.items.size()) > g.rowCount) {
    g.rows.w = int16_t(g.inner.w - BAR_WIDTH);
    g.bar = GfxRect{int16_t(g.inner.x + g.rows.w), g.inner.y, BAR_WIDTH, g.inner.h};
  }
  int16_t box = int16_t(std::min(std::max(8, TXT_LineHeight(list->font) - 4), g.rowHeight - 2));
  g.box = (list->flags & OBJ_CHECK_LIST) ? box : 0;
  return g;
}

GuiScrollGeom barGeometry(const GuiObject* list, const ListGeom& g) {
  GuiScrollGeom s{};
  int32_t maximum = int32_t(list->control.items.size()) - g.rowCount;
  GuiScrollLayout(g.bar, true, false, list->control.top, maximum, g.rowCount, 0, &s);
  return s;
}

void drawRow(GuiForm* form, GuiObject* list, GfxCanvas* c, const ListGeom& g, int32_t item) {
  const GuiControlState& s = list->control;
  GfxRect row{g.rows.x, int16_t(g.rows.y + (item - s.top) * g.rowHeight), g.rows.w, g.rowHeight};
  if (item == s.value) GFX_FillRect(c, row, GuiColour(form, COL_FILL));
  int16_t x = int16_t(row.x + 4);
  if (g.box > 0) {
    GfxRect box{x, int16_t(row.y + (row.h - g.box) / 2), g.box, g.box};
    GuiRoundFrame(c, box, GuiColour(form, COL_FRAME), GuiColour(form, COL_BACK), 1);
    if (item < int32_t(s.itemChecked.size()) && s.itemChecked[size_t(item)])
      GuiTick(c, box, GuiColour(form, COL_FORE));
    x = int16_t(x + g.box + 5);
  }
  GfxRect text{x, row.y, int16_t(row.x + row.w - x - 2), row.h};
  GuiTextIn(c, list->font, s.items[size_t(item)], text, 0, GuiTextColour(form, list));
}

void drawList(GuiForm* form, GuiObject* list, GfxCanvas* c) {
  GFX_FillRect(c, list->rect, GuiColour(form, COL_BACK));
  if (!(list->flags & OBJ_NO_FRAME)) GFX_FrameRect(c, list->rect, GuiColour(form, COL_FRAME), 1);
  ListGeom g = geometry(list);
  GFX_SetClip(c, &g.inner);
  const GuiControlState& s = list->control;
  int32_t end = std::min<int32_t>(int32_t(s.items.size()), s.top + g.rowCount);
  for (int32_t item = std::max(0, int32_t(s.top)); item < end; item++)
    drawRow(form, list, c, g, item);
  if (g.bar.w > 0) GuiScrollPaint(c, form, barGeometry(list, g));
}

void selected(GuiForm* form, GuiObject* list) {
  const GuiControlState& s = list->control;
  int32_t checked = -1;
  if ((list->flags & OBJ_CHECK_LIST) && s.value < int32_t(s.itemChecked.size()))
    checked = s.itemChecked[size_t(s.value)];
  GuiControlSelected(form, list, s.value, checked);
}

void penBar(GuiForm* form, GuiObject* list, const ListGeom& g, int16_t phase, int16_t y) {
  GuiScrollGeom sg = barGeometry(list, g);
  int32_t rows = g.rowCount > 1 ? g.rowCount - 1 : 1;
  if (phase == 0 && GuiInside(sg.knob, sg.knob.x, y)) {
    gPenMode = PEN_KNOB;
    gGrab = y - sg.knob.y;
  } else if (phase == 0) {
    gPenMode = PEN_BAR;
    GuiListSetTopRow(list, list->control.top + (y < sg.knob.y ? -rows : rows));
  } else if (gPenMode == PEN_KNOB) {
    int32_t maximum = int32_t(list->control.items.size()) - g.rowCount;
    GuiListSetTopRow(list, GuiScrollValueAt(sg, maximum, y - gGrab - sg.track.y));
  }
  GuiRefresh(form, list);
}

bool penList(GuiForm* form, GuiObject* list, int16_t phase, int16_t x, int16_t y) {
  if (!list->control.enabled) return false;
  ListGeom g = geometry(list);
  GuiControlState& s = list->control;
  if (phase == 0) {
    GuiFocusOnPen(form, list);
    gPenMode = PEN_NONE;
    if (g.bar.w > 0 && GuiInside(g.bar, x, y)) {
      penBar(form, list, g, phase, y);
      return true;
    }
    gPenMode = PEN_ROWS;
  }
  if (gPenMode == PEN_KNOB || gPenMode == PEN_BAR) {
    if (phase == 1) penBar(form, list, g, phase, y);
    if (phase == 2) gPenMode = PEN_NONE;
    return true;
  }
  int32_t item = y < g.rows.y ? -1 : s.top + (y - g.rows.y) / g.rowHeight;
  bool onRow = GuiInside(g.rows, x, y) && item >= 0 && item < int32_t(s.items.size());
  bool onBox = onRow && g.box > 0 && x < g.rows.x + 4 + g.box + 2;
  if (phase == 0) gBoxRow = onBox ? item : -1;
  if (onRow && phase != 2 && item != s.value) {
    s.value = item;
    GuiRefresh(form, list);
  }
  if (phase == 2) {
    gPenMode = PEN_NONE;
    if (!onRow || item != s.value) return true;
    if (onBox && gBoxRow == item && item < int32_t(s.itemChecked.size())) {
      s.itemChecked[size_t(item)] = !s.itemChecked[size_t(item)];
      GuiRefresh(form, list);
    }
    selected(form, list);
  }
  return true;
}

bool keyList(GuiForm* form, GuiObject* list, int32_t code) {
  if (!list->control.enabled) return false;
  GuiControlState& s = list->control;
  int32_t count = int32_t(s.items.size()), rows = GuiListRows(list);
  int32_t step = 0;
  if (code == FCC("SCUP")) step = -1;
  if (code == FCC("SCDN")) step = 1;
  if (code == FCC("LsUp")) step = -std::max(1, rows - 1);
  if (code == FCC("LsDn")) step = std::max(1, rows - 1);
  if (step != 0) {
    if (count == 0) return true;
    GuiListSelect(list, std::clamp(s.value < 0 ? 0 : s.value + step, 0, count - 1));
  } else if (code == ' ' && (list->flags & OBJ_CHECK_LIST) && s.value >= 0 &&
             s.value < int32_t(s.itemChecked.size())) {
    s.itemChecked[size_t(s.value)] = !s.itemChecked[size_t(s.value)];
  } else if (code == FCC("SLCT") || code == 13) {
    if (s.value >= 0) selected(form, list);
    return true;
  } else {
    return false;
  }
  GuiRefresh(form, list);
  return true;
}

// "PTRG": the label and a small arrow pointing down behind it.
void drawTrigger(GuiForm* form, GuiObject* trigger, GfxCanvas* c) {
  const GfxRect& r = trigger->rect;
  uint32_t back = trigger->control.pressed ? GuiColour(form, COL_FILL) : GuiColour(form, COL_BACK);
  GFX_FillRect(c, r, back);
  int16_t arrow = int16_t(std::max(5, TXT_LineHeight(trigger->font) / 2) | 1);
  const std::string& label = GuiLabel(trigger);
  int32_t width = TXT_Width(trigger->font, label.data(), uint32_t(label.size()));
  int32_t room = std::max(0, r.w - arrow - 4);
  int32_t shown = std::min(width, room);
  int32_t x = (trigger->flags & OBJ_RIGHT) ? r.x + r.w - arrow - 3 - shown : r.x + 1;
  GfxRect text{int16_t(x), r.y, int16_t(shown), r.h};
  GuiTextIn(c, trigger->font, label, text, 0, GuiTextColour(form, trigger));
  GfxRect box{int16_t(text.x + text.w + 2), r.y, arrow, r.h};
  GuiArrow(c, box, 0, GuiTextColour(form, trigger));
}

void popTrigger(GuiForm* form, GuiObject* trigger) {
  GuiObject* list = trigger->control.popupList;
  if (!list || list->control.items.empty()) {
    GuiControlSelected(form, trigger, -1, -1);
    return;
  }
  int32_t choice = GuiPopupList(form, list, trigger->rect);
  if (choice < 0 || choice >= int32_t(list->control.items.size())) return;
  GuiListSelect(list, choice);
  trigger->control.value = choice;
  trigger->control.text = list->control.items[size_t(choice)];
  trigger->control.textSet = true;
  GuiRefresh(form, trigger);
  GuiControlSelected(form, trigger, choice, -1);
}

bool penTrigger(GuiForm* form, GuiObject* trigger, int16_t phase, int16_t x, int16_t y) {
  if (!trigger->control.enabled) return false;
  if (GuiTrackPress(form, trigger, phase, x, y)) popTrigger(form, trigger);
  return true;
}

bool keyTrigger(GuiForm* form, GuiObject* trigger, int32_t code) {
  if (!trigger->control.enabled || (code != FCC("SLCT") && code != ' ')) return false;
  popTrigger(form, trigger);
  return true;
}

}  // namespace

GuiObject* GuiListOf(GuiObject* object) {
  if (!object) return nullptr;
  if (isList(object)) return object;
  if (object->kind == FCC("PTRG")) return object->control.popupList;
  return nullptr;
}

int16_t GuiListRows(const GuiObject* list) { return geometry(list).rowCount; }

void GuiListSetTopRow(GuiObject* list, int32_t top) {
  int32_t most = std::max(0, int32_t(list->control.items.size()) - GuiListRows(list));
  list->control.top = int16_t(std::clamp(top, 0, most));
}

void GuiListSelect(GuiObject* list, int32_t value) {
  GuiControlState& s = list->control;
  if (value < 0 || value >= int32_t(s.items.size())) value = -1;
  s.value = value;
  int32_t rows = GuiListRows(list);
  if (value >= 0 && value < s.top)
    GuiListSetTopRow(list, value);
  else if (value >= s.top + rows)
    GuiListSetTopRow(list, value - rows + 1);
  else
    GuiListSetTopRow(list, s.top);
}

void GuiListAssign(GuiObject* list, const std::vector<std::string>& items) {
  GuiControlState& s = list->control;
  s.items = items;
  s.itemChecked.assign(items.size(), 0);
  GuiListSelect(list, s.value);
}

bool GuiControlWheel(GuiForm* form, GuiObject* object, int32_t notches) {
  if (!form || !object || !GuiVisible(object)) return false;
  if (isList(object)) {
    GuiListSetTopRow(object, object->control.top - 3 * notches);
    GuiRefresh(form, object);
    return true;
  }
  if (object->kind == FCC("FELD") && (object->flags & OBJ_MULTI_LINE)) {
    (void)GuiFieldScroll(form, object, -3 * notches);
    return true;
  }
  if ((object->kind == FCC("VDRG") || object->kind == FCC("HDRG")) && !GuiIsSplitter(object)) {
    GuiScrollSetValue(form, object, object->control.value - notches, true);
    return true;
  }
  if (object->kind == FCC("TABL")) return GuiTableWheel(form, object, notches);
  return false;
}

const GuiControlOps GUI_OPS_LIST = {FCC("LIST"), nullptr, drawList, penList, keyList, true};
const GuiControlOps GUI_OPS_CLST = {FCC("CLST"), nullptr, drawList, penList, keyList, true};
const GuiControlOps GUI_OPS_PTRG = {FCC("PTRG"), nullptr,    drawTrigger,
                                    penTrigger,  keyTrigger, true};
