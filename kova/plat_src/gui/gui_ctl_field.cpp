// The text field "FELD" on screen: its frame (editable fields), the text in
// one line (scrolled sideways to keep the caret in view) or wrapped over
// several ("Mlin", scrolled by lines), the selection highlighted and the
// caret while the field has the focus; caret and selection by pen (tap,
// drag, Shift+tap); the caret blink. Editing itself is gui_field_edit.cpp.
// State: the caret phase and the pen's anchor while a drag selects.
#include <algorithm>

#include "gui_ctl.h"

bool gGuiCaretShown = true;

namespace {

int32_t gPenAnchor = 0;  // where the drag that selects began

bool framed(const GuiObject* object) {
  if (object->flags & OBJ_NO_FRAME) return false;
  return !(object->flags & OBJ_NOT_EDITABLE) ||
         (object->flags & (OBJ_BOLD_FRAME | OBJ_ROUND_FRAME));
}

bool multiLine(const GuiObject* object) { return object->flags & OBJ_MULTI_LINE; }

int32_t widthOf(const GuiObject* object, int32_t from, int32_t count) {
  if (count <= 0) return 0;
  return TXT_Width(object->font, object->control.text.data() + from, uint32_t(count));
}

// The line as shown: a one-line field shows its text from the first shown byte.
GuiLine shownLine(const GuiObject* object, const std::vector<GuiLine>& lines, int32_t index) {
  if (multiLine(object)) return lines[size_t(index)];
  int32_t first = std::clamp(object->control.firstLine, 0, int32_t(object->control.text.size()));
  return GuiLine{first, int32_t(object->control.text.size()) - first};
}

// The selection's highlight over one shown line.
void drawSelection(GuiForm* form, GuiObject* object, GfxCanvas* c, const GuiLine& line, int16_t x,
                   int16_t y) {
  const GuiControlState& s = object->control;
  int32_t a = std::max(s.selStart, line.start);
  int32_t b = std::min(s.selEnd, line.start + line.length);
  bool newline = s.selEnd > line.start + line.length && s.selStart <= line.start + line.length &&
                 line.start + line.length < int32_t(s.text.size());
  if (a >= b && !newline) return;
  int32_t from = x + widthOf(object, line.start, a - line.start);
  int32_t to = x + widthOf(object, line.start, b - line.start) + (newline ? 4 : 0);
  int16_t lh = TXT_LineHeight(object->font);
  GFX_FillRect(c, GfxRect{int16_t(from), y, int16_t(to - from), lh}, GuiColour(form, COL_FILL));
}

void drawCaret(GuiForm* form, GuiObject* object, GfxCanvas* c, const std::vector<GuiLine>& lines,
               const GfxRect& tr) {
  const GuiControlState& s = object->control;
  int32_t index = multiLine(object) ? GuiFieldLineOf(lines, s.selEnd) : 0;
  int32_t row = multiLine(object) ? index - s.firstLine : 0;
  GuiLine line = shownLine(object, lines, index);
  int16_t lh = TXT_LineHeight(object->font);
  int32_t x = tr.x + widthOf(object, line.start, s.selEnd - line.start);
  int32_t y = tr.y + row * lh;
  if (row < 0 || x > tr.x + tr.w) return;
  GFX_Line(c, int16_t(x), int16_t(y), int16_t(x), int16_t(y + lh - 1), GuiColour(form, COL_TEXT));
}

void drawField(GuiForm* form, GuiObject* object, GfxCanvas* c) {
  const GfxRect& r = object->rect;
  GFX_FillRect(c, r, GuiColour(form, COL_BACK));
  if (framed(object)) {
    int16_t t = (object->flags & OBJ_BOLD_FRAME) ? 2 : 1;
    GFX_FrameRect(c, r, GuiColour(form, COL_FRAME), t);
  }
  GfxRect tr = GuiFieldTextRect(object);
  GfxRect inner = framed(object) ? GuiInset(r, 1) : r;
  GFX_SetClip(c, &inner);
  std::vector<GuiLine> lines;
  GuiFieldLines(object, &lines);
  const GuiControlState& s = object->control;
  bool focused = form->focus == object;
  int16_t lh = TXT_LineHeight(object->font);
  int32_t first = multiLine(object) ? std::max(0, s.firstLine) : 0;
  int32_t last = multiLine(object) ? int32_t(lines.size()) : 1;
  uint32_t ink = GuiTextColour(form, object);
  for (int32_t i = first; i < last; i++) {
    int16_t y = int16_t(tr.y + (i - first) * lh);
    if (y >= inner.y + inner.h) break;
    GuiLine line = shownLine(object, lines, i);
    if (focused && s.selStart < s.selEnd) drawSelection(form, object, c, line, tr.x, y);
    std::string shown = s.text.substr(size_t(line.start), size_t(line.length));
    if (object->flags & OBJ_MASKED) shown.assign(shown.size(), '*');
    TXT_Draw(c, object->font, shown.data(), uint32_t(shown.size()), tr.x, y, ink);
    if (object->flags & OBJ_UNDERLINED)
      GFX_PatternRect(c, GfxRect{tr.x, int16_t(y + lh - 1), tr.w, 1}, GuiColour(form, COL_FRAME),
                      GFX_TRANSPARENT);
  }
  bool editable = !(object->flags & OBJ_NOT_EDITABLE);
  if (focused && editable && s.selStart == s.selEnd && gGuiCaretShown)
    drawCaret(form, object, c, lines, tr);
}

// The byte of `line` nearest to `dx` pixels from the line's left.
int32_t offsetInLine(const GuiObject* object, const GuiLine& line, int32_t dx) {
  int32_t best = line.start, bestGap = dx < 0 ? -dx : dx;
  int32_t x = 0;
  for (int32_t k = 1; k <= line.length; k++) {
    x += widthOf(object, line.start + k - 1, 1);
    int32_t gap = x > dx ? x - dx : dx - x;
    if (gap < bestGap) best = line.start + k, bestGap = gap;
    if (x > dx) break;  // further right only gets farther
  }
  return best;
}

bool penField(GuiForm* form, GuiObject* object, int16_t phase, int16_t x, int16_t y) {
  if (!object->control.enabled) return false;
  GuiControlState& s = object->control;
  int32_t at = GuiFieldOffsetAt(object, x, y);
  if (phase == 0) {
    GuiFocusOnPen(form, object);
    bool extend = HOST_KeyDown(HOST_KEY_SHIFT) && form->focus == object;
    gPenAnchor = extend ? s.selStart : at;
  }
  if (phase == 2 && !GuiInside(object->rect, x, y) && gPenAnchor == at) return true;
  GuiFieldSelect(object, std::min(gPenAnchor, at), std::max(gPenAnchor, at));
  gGuiCaretShown = true;
  GuiRefresh(form, object);
  return true;
}

void createField(GuiForm* form, GuiObject* object) {
  GuiFieldSetText(form, object, object->strings.empty() ? std::string() : object->strings[0]);
  if (object->flags & OBJ_SELECTED) GuiFieldSelect(object, 0, int32_t(object->control.text.size()));
}

}  // namespace

GfxRect GuiFieldTextRect(const GuiObject* object) {
  const GfxRect& r = object->rect;
  int16_t lh = TXT_LineHeight(object->font);
  // Whole lines fit; what is left over is shared above and below.
  int16_t padX = framed(object) ? 3 : 1;
  int16_t padY = framed(object) ? int16_t(1 + std::min(2, std::max(0, r.h - 2) % lh / 2)) : 0;
  GfxRect tr{int16_t(r.x + padX), int16_t(r.y + padY), int16_t(r.w - 2 * padX),
             int16_t(r.h - 2 * padY)};
  if (!multiLine(object)) {
    tr.y = int16_t(r.y + std::max(0, (r.h - lh) / 2));
    tr.h = lh;
  }
  if (tr.w < 1) tr.w = 1;
  if (tr.h < lh) tr.h = lh;
  return tr;
}

void GuiFieldLines(const GuiObject* object, std::vector<GuiLine>* lines) {
  if (!multiLine(object)) {
    lines->assign(1, GuiLine{0, int32_t(object->control.text.size())});
    return;
  }
  // One pixel stays free at the right for the caret behind the last letter.
  GuiWrap(object->font, object->control.text, GuiFieldTextRect(object).w - 1, lines);
}

int32_t GuiFieldLineOf(const std::vector<GuiLine>& lines, int32_t offset) {
  int32_t index = 0;
  for (size_t i = 1; i < lines.size(); i++)
    if (lines[i].start <= offset) index = int32_t(i);
  return index;
}

int32_t GuiFieldOffsetAt(const GuiObject* object, int16_t x, int16_t y) {
  std::vector<GuiLine> lines;
  GuiFieldLines(object, &lines);
  GfxRect tr = GuiFieldTextRect(object);
  int32_t index = 0;
  if (multiLine(object)) {
    int32_t dy = y - tr.y;
    int32_t row = dy < 0 ? -1 : dy / TXT_LineHeight(object->font);
    index = std::clamp(object->control.firstLine + row, 0, int32_t(lines.size()) - 1);
  }
  return offsetInLine(object, shownLine(object, lines, index), x - tr.x);
}

int32_t GuiFieldOffsetOnLine(const GuiObject* object, int32_t lineIndex, int32_t dx) {
  std::vector<GuiLine> lines;
  GuiFieldLines(object, &lines);
  lineIndex = std::clamp(lineIndex, 0, int32_t(lines.size()) - 1);
  return offsetInLine(object, lines[size_t(lineIndex)], dx);
}

void GuiFieldReveal(GuiObject* object) {
  GuiControlState& s = object->control;
  GfxRect tr = GuiFieldTextRect(object);
  if (!multiLine(object)) {
    int32_t caret = s.selEnd, size = int32_t(s.text.size()), room = tr.w - 1;
    s.firstLine = std::clamp(s.firstLine, 0, caret);
    int32_t w = widthOf(object, s.firstLine, caret - s.firstLine);
    while (s.firstLine < caret && w > room) w -= widthOf(object, s.firstLine++, 1);
    // Take back what fits again (after deleting at the end).
    w = widthOf(object, s.firstLine, size - s.firstLine);
    while (s.firstLine > 0 && w + widthOf(object, s.firstLine - 1, 1) <= room)
      w += widthOf(object, --s.firstLine, 1);
    return;
  }
  std::vector<GuiLine> lines;
  GuiFieldLines(object, &lines);
  int32_t rows = std::max(1, tr.h / TXT_LineHeight(object->font));
  int32_t line = GuiFieldLineOf(lines, s.selEnd);
  if (line < s.firstLine) s.firstLine = line;
  if (line >= s.firstLine + rows) s.firstLine = line - rows + 1;
  s.firstLine = std::clamp(s.firstLine, 0, std::max(0, int32_t(lines.size()) - rows));
}

bool GuiFieldScroll(GuiForm* form, GuiObject* object, int32_t lines) {
  if (!multiLine(object)) return false;
  std::vector<GuiLine> all;
  GuiFieldLines(object, &all);
  int32_t rows = std::max(1, GuiFieldTextRect(object).h / TXT_LineHeight(object->font));
  int32_t first =
      std::clamp(object->control.firstLine + lines, 0, std::max(0, int32_t(all.size()) - rows));
  if (first == object->control.firstLine) return false;
  object->control.firstLine = first;
  GuiRefresh(form, object);
  return true;
}

void GuiCaretBlink(GuiForm* form, bool on) {
  if (!form || !form->focus || form->focus->kind != FCC("FELD")) return;
  GuiObject* field = form->focus;
  bool wasShown = gGuiCaretShown;
  gGuiCaretShown = on;
  bool caretDrawn =
      field->control.selStart == field->control.selEnd && !(field->flags & OBJ_NOT_EDITABLE);
  if (caretDrawn && wasShown != on) GuiRefresh(form, field);
}

const GuiControlOps GUI_OPS_FELD = {FCC("FELD"), createField, drawField,
                                    penField,    GuiFieldKey, true};
