// The table of object kinds and what every kind shares: creating the
// controls of a freshly opened form from its objects (checked states, list
// items, triggers bound to their lists), finding the object under the pen,
// the pressed-look tracking of button-like kinds, and what the manager does
// with a selection the application left alone (the default action).
// Owns no state beyond the table.
#include "gui_ctl.h"

namespace {

const GuiControlOps OPS_NONE = {0, nullptr, nullptr, nullptr, nullptr, false};

const GuiControlOps* const TABLE[] = {
    &GUI_OPS_BUTN, &GUI_OPS_BTNS, &GUI_OPS_PUSH, &GUI_OPS_REPT, &GUI_OPS_CHEK,
    &GUI_OPS_HOTS, &GUI_OPS_LABL, &GUI_OPS_TITL, &GUI_OPS_MESS, &GUI_OPS_FSTR,
    &GUI_OPS_STRG, &GUI_OPS_FBMP, &GUI_OPS_FELD, &GUI_OPS_LIST, &GUI_OPS_CLST,
    &GUI_OPS_PTRG, &GUI_OPS_VDRG, &GUI_OPS_HDRG, &GUI_OPS_TABL,
};

// The list items of a definition: one per "Text", or one text cut at "\n".
std::vector<std::string> itemsOf(const GuiObject* object) {
  if (object->strings.size() != 1) return object->strings;
  std::vector<std::string> items;
  const std::string& s = object->strings[0];
  if (s.empty()) return items;
  size_t from = 0;
  for (;;) {
    size_t nl = s.find('\n', from);
    items.push_back(s.substr(from, nl == std::string::npos ? std::string::npos : nl - from));
    if (nl == std::string::npos) break;
    from = nl + 1;
  }
  return items;
}

void createOne(GuiForm* form, GuiObject* object) {
  object->control = GuiControlState{};
  GuiControlState& s = object->control;
  s.shown = !(object->flags & OBJ_NOT_USABLE);
  s.value = object->checked ? 1 : 0;
  FourCC kind = object->kind;
  if (kind == FCC("LIST") || kind == FCC("CLST")) GuiListAssign(object, itemsOf(object));
  if (kind == FCC("LIST") || kind == FCC("CLST") || kind == FCC("PTRG")) s.value = -1;
  // A drag bar with a range is a scroll bar; without one it is a splitter.
  if (kind == FCC("VDRG") || kind == FCC("HDRG")) {
    bool ranged = object->maxLength > 0 && object->maxLength != GUI_DEFAULT_MAX;
    s.maximum = ranged ? object->maxLength : -1;
    s.value = 0;
  }
  const GuiControlOps* ops = GuiControlFor(kind);
  if (ops->create) ops->create(form, object);
}

// The selection's target: the object named by the action's operand.
GuiObject* target(GuiForm* form, const GuiObject* object) {
  return GuiObjectByTag(form, object->actionOperand);
}

// "Scup"/"Scdn" scroll a page, "Vlup"/"Vldn" change the value by one.
void stepTarget(GuiForm* form, GuiObject* t, FourCC action) {
  if (!t) return;
  int32_t sign = (action == FCC("Scup") || action == FCC("Vlup")) ? -1 : 1;
  bool page = action == FCC("Scup") || action == FCC("Scdn");
  GuiControlState& s = t->control;
  if (GuiListOf(t) == t) {
    int32_t rows = GuiListRows(t);
    if (page) {
      GuiListSetTopRow(t, s.top + sign * (rows > 1 ? rows - 1 : 1));
    } else {
      int32_t v = s.value < 0 ? 0 : s.value + sign;
      if (v >= 0 && v < int32_t(s.items.size())) GuiListSelect(t, v);
    }
    GuiRefresh(form, t);
    GuiValueChanged(form, t, page ? s.top : s.value, -1);
  } else if (t->kind == FCC("VDRG") || t->kind == FCC("HDRG")) {
    int32_t step = page ? (s.page > 0 ? s.page : 1) : 1;
    GuiScrollSetValue(form, t, s.value + sign * step, true);
  } else if (t->kind == FCC("FELD")) {
    int32_t rows = GuiFieldTextRect(t).h / TXT_LineHeight(t->font);
    if (GuiFieldScroll(form, t, sign * (page ? (rows > 1 ? rows - 1 : 1) : 1)))
      GuiValueChanged(form, t, s.firstLine, -1);
  }
}

// "Lstg"/"Popu": pops the target list up by the object and hands the choice
// on as a selection of that list.
void popTarget(GuiForm* form, GuiObject* object, GuiObject* t) {
  GuiObject* list = t ? GuiListOf(t) : nullptr;
  if (!list || list->control.items.empty()) return;
  int32_t choice = GuiPopupList(form, list, object->rect);
  if (choice < 0) return;
  GuiListSelect(list, choice);
  if (GuiVisible(list)) GuiRefresh(form, list);
  GuiControlSelected(form, list, choice, -1);
}

}  // namespace

const GuiControlOps* GuiControlFor(FourCC kind) {
  for (const GuiControlOps* ops : TABLE)
    if (ops->kind == kind) return ops;
  return &OPS_NONE;
}

void GuiCreateControls(GuiForm* form) {
  if (!form) return;
  for (auto& o : form->objects)
    if (o->kind != FCC("GRAF")) createOne(form, o.get());
  for (const auto& [triggerId, listId] : form->popupBindings) {
    GuiObject* trigger = GuiObjectById(form, uint32_t(triggerId));
    GuiObject* list = GuiObjectById(form, uint32_t(listId));
    if (trigger && list && trigger->kind == FCC("PTRG") && GuiListOf(list) == list)
      trigger->control.popupList = list;
  }
}

GuiObject* GuiObjectAt(GuiForm* form, int16_t x, int16_t y) {
  if (!form) return nullptr;
  for (auto it = form->objects.rbegin(); it != form->objects.rend(); ++it) {
    GuiObject* o = it->get();
    if (o->kind != FCC("GRAF") && GuiVisible(o) && GuiInside(o->rect, x, y)) return o;
  }
  return nullptr;
}

GuiObject* GuiObjectByTag(const GuiForm* form, FourCC tag) {
  if (!form || tag == 0) return nullptr;
  for (const auto& o : form->objects)
    if (o->tag == tag) return o.get();
  return nullptr;
}

GuiObject* GuiObjectById(const GuiForm* form, uint32_t id) {
  for (const auto& o : form->objects)
    if (o->id == id) return o.get();
  return nullptr;
}

int32_t GuiRowIndex(const GuiObject* object) {
  if (!object->rowOwner) return 0;
  return int32_t(object->index) - int32_t(object->rowOwner->index) - 1000;
}

bool GuiIsKind(const GuiObject* object, FourCC kind) { return object->kind == kind; }

void GuiControlDefaultAction(GuiForm* form, GuiObject* object) {
  if (!form || !object) return;
  FourCC action = object->actionKind;
  uint32_t operand = object->actionOperand;
  if (action == 0) {
    if (object->kind == FCC("BTNS")) GUI_FormSetResult(form, uint32_t(GuiRowIndex(object) + 1));
    if (object->kind == FCC("BUTN"))
      GUI_FormSetResult(form, object->tag != 0 ? object->tag : object->id);
    return;
  }
  if (action == FCC("Goto")) {
    GUI_FormGoto(operand);
  } else if (action == FCC("Rtrn")) {
    GUI_FormSetResult(form, operand);
  } else if (action == FCC("KDwn")) {
    (void)GUI_PostCommand(operand);
  } else if (action == FCC("Lstg") || action == FCC("Popu")) {
    popTarget(form, object, target(form, object));
  } else if (action == FCC("Scup") || action == FCC("Scdn") || action == FCC("Vlup") ||
             action == FCC("Vldn")) {
    stepTarget(form, target(form, object), action);
  } else if (action == FCC("CtTx") || action == FCC("CpTx") || action == FCC("PsTx") ||
             action == FCC("UnTx") || action == FCC("SlTx")) {
    static const FourCC kFieldCommand[][2] = {{FCC("CtTx"), FCC("CUTT")},
                                              {FCC("CpTx"), FCC("COPY")},
                                              {FCC("PsTx"), FCC("PSTE")},
                                              {FCC("UnTx"), FCC("UNDO")},
                                              {FCC("SlTx"), FCC("SLCT")}};
    GuiObject* field = target(form, object);
    for (const auto& pair : kFieldCommand)
      if (field && pair[0] == action) (void)GuiFieldCommandOn(form, field, pair[1]);
  } else if (action == FCC("Keyb")) {
    // The desktop has a keyboard: the target field takes the focus.
    GuiObject* field = target(form, object);
    if (field) GuiSetFocus(form, field);
  } else if (GuiIsSelector(object)) {
    GuiRunSelector(form, object);
  }
  // "HpTx" is left to the application.
}

bool GuiTrackPress(GuiForm* form, GuiObject* object, int16_t phase, int16_t x, int16_t y) {
  bool inside = GuiInside(object->rect, x, y);
  bool pressed = phase != 2 && inside;
  if (pressed != object->control.pressed) {
    object->control.pressed = pressed;
    GuiRefresh(form, object);
  }
  return phase == 2 && inside;
}

void GuiFocusOnPen(GuiForm* form, GuiObject* object) {
  if (form->focus != object && GuiControlFor(object->kind)->focusable) GuiSetFocus(form, object);
}

void GuiSetFocus(GuiForm* form, GuiObject* object) {
  if (!form || form->focus == object) return;
  if (object &&
      (!GuiControlFor(object->kind)->focusable || !GuiVisible(object) || !object->control.enabled))
    return;
  GuiObject* previous = form->focus;
  form->focus = object;
  gGuiCaretShown = true;
  if (previous) GuiDrawObject(form, previous);
  if (object) GuiDrawObject(form, object);
  if (form->running) GUI_FormShow(form);
  (void)GuiSendEvent(form, FORM_EVT_FOCUS, uintptr_t(object), uintptr_t(previous));
}
