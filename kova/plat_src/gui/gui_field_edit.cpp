// Editing a text field: typed characters (the handheld's 8-bit text),
// backspace and delete, caret moves with the arrows, Home and End (with
// Shift they extend the selection), replacing the selection, the maximum
// length, digits only for "Numb", cut / copy / paste through the host's
// clipboard (UTF-8 there, 8-bit here), select all and undo of the last
// change (a second undo redoes it). State: the selection's anchor for Shift.
#include <algorithm>
#include <cstring>

#include "gui_ctl.h"

namespace {

// Shift+arrows move one end of the selection (`moving`) and keep the other.
const GuiObject* gKeyField = nullptr;
int32_t gKeyAnchor = 0, gKeyMoving = 0;

bool editable(const GuiObject* object) { return !(object->flags & OBJ_NOT_EDITABLE); }
bool multiLine(const GuiObject* object) { return object->flags & OBJ_MULTI_LINE; }
int32_t textSize(const GuiObject* object) { return int32_t(object->control.text.size()); }

// What may go in: digits only when numeric, no line breaks in one line.
std::string filtered(const GuiObject* object, const std::string& in) {
  std::string out;
  for (char ch : in) {
    if (ch == '\0' || ch == '\r') continue;
    if (object->flags & OBJ_NUMERIC) {
      if (ch >= '0' && ch <= '9') out += ch;
      continue;
    }
    if (ch == '\n' && !multiLine(object)) ch = ' ';
    out += ch;
  }
  return out;
}

bool copySelection(GuiObject* object) {
  const GuiControlState& s = object->control;
  if (s.selStart >= s.selEnd || (object->flags & OBJ_MASKED)) return false;
  uint32_t length = uint32_t(s.selEnd - s.selStart);
  std::vector<char> utf8(size_t(length) * 3 + 1);
  (void)TXT_ToUtf8(s.text.data() + s.selStart, length, utf8.data(), uint32_t(utf8.size()));
  return HOST_ClipboardSet(utf8.data()) == 0;
}

bool paste(GuiForm* form, GuiObject* object) {
  std::vector<char> utf8(size_t(GUI_DEFAULT_MAX) * 3 + 1);
  if (HOST_ClipboardGet(utf8.data(), uint32_t(utf8.size())) != 0) return false;
  uint32_t length = uint32_t(strlen(utf8.data()));
  std::vector<char> text(size_t(length) + 1);
  uint32_t n = TXT_FromUtf8(utf8.data(), length, text.data(), uint32_t(text.size()));
  return GuiFieldReplace(form, object, std::string(text.data(), std::min(n, length)));
}

// Undo swaps the text with the one before the last change and selects what
// that brings back.
bool undo(GuiObject* object) {
  GuiControlState& s = object->control;
  if (s.undoText == s.text) return false;
  std::swap(s.undoText, s.text);
  const std::string &now = s.text, &before = s.undoText;
  size_t prefix = 0;
  while (prefix < now.size() && prefix < before.size() && now[prefix] == before[prefix]) prefix++;
  size_t suffix = 0;
  while (suffix < now.size() - prefix && suffix < before.size() - prefix &&
         now[now.size() - 1 - suffix] == before[before.size() - 1 - suffix])
    suffix++;
  GuiFieldSelect(object, int32_t(prefix), int32_t(now.size() - suffix));
  return true;
}

// Deletes the selection, or one byte before (backspace) or after the caret.
void erase(GuiForm* form, GuiObject* object, bool forward) {
  GuiControlState& s = object->control;
  if (s.selStart == s.selEnd) {
    if (forward && s.selEnd < textSize(object)) s.selEnd++;
    if (!forward && s.selStart > 0) s.selStart--;
  }
  if (s.selStart < s.selEnd) (void)GuiFieldReplace(form, object, std::string());
}

// The caret (or the moving end with Shift) after a move key; -1 when the
// key is not a move this field makes.
int32_t moveTarget(GuiObject* object, int32_t code, int32_t from, bool extending) {
  const GuiControlState& s = object->control;
  bool selected = s.selStart < s.selEnd;
  if (code == FCC("ALFT")) return (selected && !extending) ? s.selStart : std::max(0, from - 1);
  if (code == FCC("ARGT"))
    return (selected && !extending) ? s.selEnd : std::min(textSize(object), from + 1);
  std::vector<GuiLine> lines;
  GuiFieldLines(object, &lines);
  int32_t line = GuiFieldLineOf(lines, from);
  const GuiLine& here = lines[size_t(line)];
  if (code == GUI_KEY_HOME) return multiLine(object) ? here.start : 0;
  if (code == GUI_KEY_END) return multiLine(object) ? here.start + here.length : textSize(object);
  if (!multiLine(object) || (code != FCC("SCUP") && code != FCC("SCDN"))) return -1;
  int32_t to = line + (code == FCC("SCUP") ? -1 : 1);
  if (to < 0) return 0;
  if (to >= int32_t(lines.size())) return textSize(object);
  int32_t dx = TXT_Width(object->font, s.text.data() + here.start, uint32_t(from - here.start));
  return GuiFieldOffsetOnLine(object, to, dx);
}

bool moveKey(GuiObject* object, int32_t code) {
  GuiControlState& s = object->control;
  bool extending = HOST_KeyDown(HOST_KEY_SHIFT);
  bool known = gKeyField == object && std::min(gKeyAnchor, gKeyMoving) == s.selStart &&
               std::max(gKeyAnchor, gKeyMoving) == s.selEnd;
  if (!known) gKeyField = object, gKeyAnchor = s.selStart, gKeyMoving = s.selEnd;
  int32_t to = moveTarget(object, code, gKeyMoving, extending);
  if (to < 0) return false;
  if (!extending) gKeyAnchor = to;
  gKeyMoving = to;
  GuiFieldSelect(object, std::min(gKeyAnchor, to), std::max(gKeyAnchor, to));
  return true;
}

}  // namespace

void GuiFieldSelect(GuiObject* object, int32_t start, int32_t end) {
  GuiControlState& s = object->control;
  int32_t size = textSize(object);
  start = std::clamp(start, 0, size);
  end = std::clamp(end, 0, size);
  if (start > end) std::swap(start, end);
  s.selStart = start;
  s.selEnd = end;
  GuiFieldReveal(object);
}

void GuiFieldSetText(GuiForm* form, GuiObject* object, const std::string& text) {
  (void)form;
  GuiControlState& s = object->control;
  size_t room = size_t(std::max<int32_t>(0, object->maxLength));
  s.text = text.substr(0, std::min(text.size(), room));
  s.undoText = s.text;
  s.firstLine = 0;
  GuiFieldSelect(object, textSize(object), textSize(object));
}

bool GuiFieldReplace(GuiForm* form, GuiObject* object, const std::string& insert) {
  (void)form;
  if (!editable(object)) return false;
  GuiControlState& s = object->control;
  std::string add = filtered(object, insert);
  int32_t kept = textSize(object) - (s.selEnd - s.selStart);
  int32_t room = std::max<int32_t>(0, object->maxLength - kept);
  if (int32_t(add.size()) > room) add.resize(size_t(room));
  if (add.empty() && s.selStart == s.selEnd) return false;
  s.undoText = s.text;
  s.text.replace(size_t(s.selStart), size_t(s.selEnd - s.selStart), add);
  int32_t caret = s.selStart + int32_t(add.size());
  GuiFieldSelect(object, caret, caret);
  return true;
}

bool GuiFieldCommandOn(GuiForm* form, GuiObject* object, FourCC command) {
  if (!form || !object || object->kind != FCC("FELD")) return false;
  if (command == FCC("COPY")) {
    (void)copySelection(object);
    return true;
  }
  if (command == FCC("CUTT")) {
    if (editable(object) && copySelection(object)) (void)GuiFieldReplace(form, object, "");
  } else if (command == FCC("PSTE")) {
    (void)paste(form, object);
  } else if (command == FCC("SLCT")) {
    GuiFieldSelect(object, 0, textSize(object));
  } else if (command == FCC("UNDO")) {
    if (editable(object)) (void)undo(object);
  } else {
    return false;
  }
  gGuiCaretShown = true;
  GuiRefresh(form, object);
  return true;
}

bool GuiFieldCommand(GuiForm* form, FourCC command) {
  // A table's cell being edited takes the clipboard commands as a field would.
  if (form && form->focus && form->focus->kind == FCC("TABL"))
    return GuiTableCommand(form, command);
  if (!form || !form->focus || form->focus->kind != FCC("FELD")) return false;
  return GuiFieldCommandOn(form, form->focus, command);
}

bool GuiFieldKey(GuiForm* form, GuiObject* object, int32_t code) {
  if (!object->control.enabled) return false;
  if (code >= 0 && code < 256) {
    if (code == 13 || code == 10) {
      if (!multiLine(object) || !editable(object)) return false;
      (void)GuiFieldReplace(form, object, "\n");
    } else if (code == 8 || code == 127) {
      if (!editable(object)) return false;
      erase(form, object, code == 127);
    } else if (code < 32 || !editable(object)) {
      return false;
    } else {
      (void)GuiFieldReplace(form, object, std::string(1, char(code)));
    }
  } else if (code == GUI_KEY_DELETE) {
    if (!editable(object)) return false;
    erase(form, object, true);
  } else if (!moveKey(object, code)) {
    return false;
  }
  gGuiCaretShown = true;
  GuiRefresh(form, object);
  return true;
}
