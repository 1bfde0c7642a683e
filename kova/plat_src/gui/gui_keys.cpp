// Keys and command codes through the chain: the focused control first, then
// FORM_EVT_KEY to the handler, then the manager's own handling: focus
// navigation ("MVUP" "MVDN" "MVLF" "MVRT" "TNXT" "TPRV"; the arrows move the
// focus when nobody took them), Escape and Return on the escape and default
// buttons, the 5-way select on a focused button, a typed letter on the
// button that marks it, and the menu's own commands. Owns no state.
#include <climits>

#include "gui_loop.h"

namespace {

bool isButton(const GuiObject* o) { return o->kind == FCC("BUTN") || o->kind == FCC("BTNS"); }

bool canFocus(const GuiObject* o) {
  return GuiControlFor(o->kind)->focusable && o->control.shown && o->control.enabled &&
         !(o->flags & (OBJ_HIDDEN | OBJ_NOT_USABLE));
}

GuiObject* focusableByTag(GuiForm* form, FourCC tag) {
  for (auto& o : form->objects)
    if (o->tag == tag && canFocus(o.get())) return o.get();
  return nullptr;
}

// The next (step 1) or previous (step -1) object that can take the focus,
// in definition order, wrapping; from the start when nothing has it.
GuiObject* inOrder(GuiForm* form, const GuiObject* from, int step) {
  auto n = int(form->objects.size());
  int at = -1;
  for (int i = 0; i < n; i++)
    if (form->objects[size_t(i)].get() == from) at = i;
  if (at < 0) at = step > 0 ? -1 : n;
  for (int k = 1; k <= n; k++) {
    int i = ((at + step * k) % n + n) % n;
    GuiObject* o = form->objects[size_t(i)].get();
    if (o != from && canFocus(o)) return o;
  }
  return nullptr;
}

// The nearest object that can take the focus in a direction (dx, dy one of
// -1, 0, 1): its centre must lie that way; distance along the direction
// counts once, across it twice.
GuiObject* nearest(GuiForm* form, const GuiObject* from, int dx, int dy) {
  int32_t cx = from->rect.x + from->rect.w / 2, cy = from->rect.y + from->rect.h / 2;
  GuiObject* best = nullptr;
  int64_t bestScore = INT64_MAX;
  for (auto& object : form->objects) {
    GuiObject* o = object.get();
    if (o == from || !canFocus(o)) continue;
    int32_t ox = o->rect.x + o->rect.w / 2 - cx, oy = o->rect.y + o->rect.h / 2 - cy;
    int32_t along = dx ? ox * dx : oy * dy, across = dx ? oy : ox;
    if (along <= 0) continue;
    int64_t score = int64_t(along) + 2 * int64_t(across < 0 ? -across : across);
    if (score < bestScore) bestScore = score, best = o;
  }
  return best;
}

// Manager handling of a key nobody took.
void managerKey(GuiForm* form, int32_t code) {
  switch (code) {
    case FCC("MVUP"):
    case FCC("MVDN"):
    case FCC("MVLF"):
    case FCC("MVRT"):
    case FCC("TNXT"):
    case FCC("TPRV"):
      (void)GuiNavigate(form, FourCC(code));
      return;
    case 9:
      (void)GuiNavigate(form, FCC("TNXT"));
      return;
    case FCC("SCUP"):
      (void)GuiNavigate(form, FCC("MVUP"));
      return;
    case FCC("SCDN"):
      (void)GuiNavigate(form, FCC("MVDN"));
      return;
    case FCC("ALFT"):
      (void)GuiNavigate(form, FCC("MVLF"));
      return;
    case FCC("ARGT"):
      (void)GuiNavigate(form, FCC("MVRT"));
      return;
    case 27:
      GuiPressObject(form, GuiButtonFor(form, form->escapeButton));
      return;
    case '\n':
      GuiPressObject(form, GuiButtonFor(form, form->defaultButton));
      return;
    case FCC("CUTT"):
    case FCC("COPY"):
    case FCC("PSTE"):
    case FCC("UNDO"):
    case FCC("HELP"):
    case FCC("KEYB"):
    case FCC("EXIT"):
      (void)GuiManagerCommand(form, FourCC(code));
      return;
    default:
      break;
  }
  // A typed letter or digit presses the button that marks it (alerts).
  if (code >= '0' && code <= 'z') {
    char c = char(code >= 'A' && code <= 'Z' ? code + 32 : code);
    for (auto& o : form->objects)
      if (o->mnemonic == c && isButton(o.get()) && canFocus(o.get())) {
        GuiPressObject(form, o.get());
        return;
      }
  }
}

}  // namespace

void GuiDispatchKey(GuiForm* form, int32_t code) {
  if (!form) return;
  GuiObject* focus = form->focus;
  if (focus && canFocus(focus)) {
    const GuiControlOps* ops = GuiControlFor(focus->kind);
    if (ops->key && ops->key(form, focus, code)) return;
  }
  if (GuiSendEvent(form, FORM_EVT_KEY, uintptr_t(&form->result), uintptr_t(code))) return;
  managerKey(form, code);
}

bool GuiNavigate(GuiForm* form, FourCC code) {
  if (!form) return false;
  GuiObject* from = form->focus;
  bool forward = code == FCC("TNXT") || code == FCC("MVDN") || code == FCC("MVRT");
  if (!from) {
    GuiObject* to = inOrder(form, nullptr, forward ? 1 : -1);
    if (to) GuiSetFocus(form, to);
    return to != nullptr;
  }
  FourCC named = 0;
  int dx = 0, dy = 0;
  switch (code) {
    case FCC("MVUP"):
      named = from->navUp, dy = -1;
      break;
    case FCC("MVDN"):
      named = from->navDown, dy = 1;
      break;
    case FCC("MVLF"):
      named = from->navLeft, dx = -1;
      break;
    case FCC("MVRT"):
      named = from->navRight, dx = 1;
      break;
    case FCC("TNXT"):
      named = from->navRight ? from->navRight : from->navDown;
      break;
    case FCC("TPRV"):
      named = from->navLeft ? from->navLeft : from->navUp;
      break;
    default:
      return false;
  }
  GuiObject* to = nullptr;
  if (named && named != FCC("AUTO")) {
    to = focusableByTag(form, named);
  } else if (dx || dy) {
    to = nearest(form, from, dx, dy);
  } else if (named == FCC("AUTO")) {
    to = nearest(form, from, forward ? 1 : -1, 0);
    if (!to) to = nearest(form, from, 0, forward ? 1 : -1);
  } else {
    to = inOrder(form, from, forward ? 1 : -1);
  }
  if (!to || to == from) return false;
  GuiSetFocus(form, to);
  return form->focus == to;
}

GuiObject* GuiButtonFor(GuiForm* form, uint32_t ref) {
  if (!form || ref == 0) return nullptr;
  uint32_t n = 0;
  for (auto& o : form->objects) {
    if (!isButton(o.get())) continue;
    n++;
    if (ref > 10 ? o->tag == ref : n == ref) return o.get();
  }
  return nullptr;
}

void GuiPressObject(GuiForm* form, GuiObject* object) {
  if (!form || !object || !object->control.shown || !object->control.enabled ||
      (object->flags & (OBJ_HIDDEN | OBJ_NOT_USABLE)))
    return;
  const GuiControlOps* ops = GuiControlFor(object->kind);
  if (!ops->pen) {
    GuiControlSelected(form, object, -1, -1);
    return;
  }
  auto x = int16_t(object->rect.x + object->rect.w / 2),
       y = int16_t(object->rect.y + object->rect.h / 2);
  if (ops->pen(form, object, 0, x, y)) (void)ops->pen(form, object, 2, x, y);
}
