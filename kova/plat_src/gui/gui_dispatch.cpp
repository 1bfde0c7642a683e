// Dispatching queued input to the running form: FORM_EVT_INPUT for every
// user input, the pen in the form's own coordinates (the handler first,
// then the control under the pen, which keeps it until the release), the
// menu bar strip and the right button, the wheel, and the context-bound
// keys (Return, control letters, Alt + letter, the number pad). Owns the
// "pen went down in the menu bar" state.
#include "gui_loop.h"

namespace {

bool g_penInBar = false;  // the left button went down on the menu bar strip

bool isUserInput(const GuiInput& in) { return in.kind != GUI_IN_PEN_MOVE || (in.code & 1) != 0; }

bool editableField(const GuiObject* object) {
  return object && object->kind == FCC("FELD") && !(object->flags & OBJ_NOT_EDITABLE) &&
         object->control.enabled;
}

void pen(GuiForm* form, const GuiInput& in) {
  GfxRect r = GuiFormScreenRect(form);
  auto x = int16_t(in.x - r.x), y = int16_t(in.y - r.y);
  int16_t bar = GuiMenuBarHeight(form);
  if (in.kind == GUI_IN_PEN_DOWN) {
    g_penInBar = bar > 0 && in.y < bar;
    if (g_penInBar) return;  // the menu opens on the release
    if (GuiSendEvent(form, FORM_EVT_PEN_DOWN, uintptr_t(x), uintptr_t(y))) return;
    GuiObject* object = GuiObjectAt(form, x, y);
    const GuiControlOps* ops = object ? GuiControlFor(object->kind) : nullptr;
    if (ops && ops->pen && ops->pen(form, object, 0, x, y)) form->penObject = object;
    return;
  }
  if (in.kind == GUI_IN_PEN_MOVE) {
    if (!(in.code & 1) || g_penInBar) return;
    (void)GuiSendEvent(form, FORM_EVT_PEN_MOVE, uintptr_t(x), uintptr_t(y));
    if (form->penObject)
      (void)GuiControlFor(form->penObject->kind)->pen(form, form->penObject, 1, x, y);
    return;
  }
  // The release: a control holding the pen always gets it.
  bool inBar = bar > 0 && in.y < bar;
  GuiObject* holder = form->penObject;
  form->penObject = nullptr;
  if (holder) {
    (void)GuiSendEvent(form, FORM_EVT_PEN_UP, uintptr_t(x), uintptr_t(y));
    (void)GuiControlFor(holder->kind)->pen(form, holder, 2, x, y);
  } else if (inBar) {
    (void)GuiMenuOpen(form, -1, in.x);
  } else if (!g_penInBar) {
    (void)GuiSendEvent(form, FORM_EVT_PEN_UP, uintptr_t(x), uintptr_t(y));
  }
  g_penInBar = false;
}

// The wheel scrolls the list or field under the pointer; elsewhere it acts
// as the arrow keys (the main list moves its selection).
void wheel(GuiForm* form, const GuiInput& in) {
  if (in.code == 0) return;
  GfxRect r = GuiFormScreenRect(form);
  GuiObject* object = GuiObjectAt(form, int16_t(in.x - r.x), int16_t(in.y - r.y));
  if (object && GuiControlWheel(form, object, in.code)) return;
  int32_t notches = in.code > 0 ? in.code : -in.code;
  if (notches > 5) notches = 5;
  for (int32_t i = 0; i < notches; i++)
    GuiDispatchKey(form, in.code > 0 ? int32_t(FCC("SCUP")) : int32_t(FCC("SCDN")));
}

// Return: a line break in a multi-line field, else the default button
// (the handler sees the key first), else the 5-way select.
void returnKey(GuiForm* form) {
  GuiObject* focus = form->focus;
  if ((editableField(focus) && (focus->flags & OBJ_MULTI_LINE)) ||
      GuiButtonFor(form, form->defaultButton))
    GuiDispatchKey(form, '\n');
  else
    GuiDispatchKey(form, FCC("SLCT"));
}

// Ctrl + letter: the menu item with that shortcut; without one, the usual
// editing letters still reach the focused field.
void controlLetter(GuiForm* form, int32_t code) {
  FourCC item = GuiMenuShortcut(form, char(code + 64));
  if (item) {
    GuiMenuCommand(form, item);
    return;
  }
  FourCC command = 0;
  switch (code + 64) {
    case 'X':
      command = FCC("CUTT");
      break;
    case 'C':
      command = FCC("COPY");
      break;
    case 'V':
      command = FCC("PSTE");
      break;
    case 'A':
      command = FCC("SLCT");
      break;
    case 'Z':
      command = FCC("UNDO");
      break;
    default:
      break;
  }
  if (command && form->focus && form->focus->kind == FCC("FELD"))
    GuiMenuCommand(form, command);
  else
    GuiDispatchKey(form, code);
}

// A number pad digit types into a focused editable field, and is a phone
// key everywhere else.
void phoneKey(GuiForm* form, int32_t digit) {
  if (editableField(form->focus))
    GuiDispatchKey(form, '0' + digit);
  else
    GuiDispatchKey(form, int32_t(FCC("PHN0") + uint32_t(digit)));
}

// Alt + letter presses the button whose label marks that letter.
void mnemonic(GuiForm* form, int32_t letter) {
  for (auto& object : form->objects) {
    GuiObject* o = object.get();
    if (o->mnemonic == char(letter) && o->control.shown && o->control.enabled &&
        !(o->flags & (OBJ_HIDDEN | OBJ_NOT_USABLE))) {
      GuiPressObject(form, o);
      return;
    }
  }
}

}  // namespace

void GuiDispatchInput(GuiForm* form, const GuiInput& in) {
  if (!form) return;
  if (isUserInput(in)) (void)GuiSendEvent(form, FORM_EVT_INPUT, uintptr_t(&form->result));
  if (GuiMenuIsOpen()) {
    GuiMenuInput(form, in);
    return;
  }
  switch (in.kind) {
    case GUI_IN_PEN_DOWN:
    case GUI_IN_PEN_UP:
    case GUI_IN_PEN_MOVE:
      pen(form, in);
      break;
    case GUI_IN_MENU_OPEN:
      (void)GuiMenuOpen(form, 0, -1);
      break;
    case GUI_IN_WHEEL:
      wheel(form, in);
      break;
    case GUI_IN_KEY:
      GuiDispatchKey(form, in.code);
      break;
    case GUI_IN_RETURN:
      returnKey(form);
      break;
    case GUI_IN_CONTROL:
      controlLetter(form, in.code);
      break;
    case GUI_IN_MNEMONIC:
      mnemonic(form, in.code);
      break;
    case GUI_IN_PHONE:
      phoneKey(form, in.code);
      break;
    case GUI_IN_MENU:
      GuiMenuCommand(form, FourCC(in.code));
      break;
  }
}
