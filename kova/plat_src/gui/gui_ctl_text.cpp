// Kinds that only show something: "LABL", "TITL", "FSTR" and "STRG" (one or
// more lines of text in the object's font, "Undr" underlined, "Invt"
// inverted), "MESS" (the message of an alert, word-wrapped to the object's
// width) and "FBMP" (a bitmap of the resource store, centred). Also the word
// wrapping the message and the fields share. Owns no state.
#include "gui_ctl.h"

namespace {

// Text kinds: align 0 left, 1 centre, 2 right.
int alignOf(const GuiObject* object) {
  if (object->flags & OBJ_RIGHT) return 2;
  if (object->kind == FCC("TITL") && !(object->flags & OBJ_LEFT)) return 1;
  return 0;
}

// Draws wrapped lines from the top (or centred when they fit in one line).
void drawLines(GuiForm* form, GuiObject* object, GfxCanvas* c, int32_t wrapWidth) {
  const GfxRect& r = object->rect;
  bool inverted = object->flags & OBJ_INVERTED;
  uint32_t back = inverted ? GuiTextColour(form, object) : GuiColour(form, COL_BACK);
  uint32_t ink = inverted ? GuiColour(form, COL_BACK) : GuiTextColour(form, object);
  GFX_FillRect(c, r, back);
  const std::string& text = GuiLabel(object);
  std::vector<GuiLine> lines;
  GuiWrap(object->font, text, wrapWidth, &lines);
  int16_t lh = TXT_LineHeight(object->font);
  int16_t y = lines.size() == 1 ? int16_t(r.y + (r.h - lh) / 2) : r.y;
  if (y < r.y) y = r.y;
  for (const GuiLine& line : lines) {
    GfxRect row{r.x, y, r.w, lh};
    std::string part = text.substr(size_t(line.start), size_t(line.length));
    int16_t x = GuiTextIn(c, object->font, part, row, alignOf(object), ink);
    if (object->flags & OBJ_UNDERLINED) {
      int32_t w = TXT_Width(object->font, part.data(), uint32_t(part.size()));
      int16_t under = int16_t(y + TXT_Ascent(object->font) + 1);
      if (w > 0) GFX_Line(c, x, under, int16_t(x + w - 1), under, ink);
    }
    y = int16_t(y + lh);
    if (y >= r.y + r.h) break;
  }
}

void drawLabel(GuiForm* form, GuiObject* object, GfxCanvas* c) { drawLines(form, object, c, 0); }

// A title is bold unless the definition chose another font.
void drawTitle(GuiForm* form, GuiObject* object, GfxCanvas* c) {
  uint16_t font = object->font;
  if (font == FONT_STANDARD) object->font = FONT_BOLD;
  drawLines(form, object, c, 0);
  object->font = font;
}

void drawMessage(GuiForm* form, GuiObject* object, GfxCanvas* c) {
  drawLines(form, object, c, object->rect.w);
}

void drawBitmap(GuiForm* form, GuiObject* object, GfxCanvas* c) {
  const GfxRect& r = object->rect;
  GFX_FillRect(c, r, GuiColour(form, COL_BACK));
  int16_t w = 0, h = 0;
  if (object->bitmap == 0 || GFX_BitmapSize(object->bitmap, &w, &h) != 0) return;
  (void)GFX_DrawBitmap(c, object->bitmap, int16_t(r.x + (r.w - w) / 2),
                       int16_t(r.y + (r.h - h) / 2));
}

}  // namespace

void GuiWrap(uint16_t font, const std::string& text, int32_t width, std::vector<GuiLine>* lines) {
  lines->clear();
  const char* s = text.data();
  int32_t size = int32_t(text.size());
  int32_t pos = 0;
  for (;;) {
    int32_t end = pos;
    while (end < size && s[end] != '\n') end++;
    // One paragraph: cut at blanks while it is wider than the width.
    int32_t from = pos;
    while (width > 0 && from < end) {
      int32_t n = int32_t(TXT_Fit(font, s + from, uint32_t(end - from), width, true));
      if (n <= 0) n = 1;
      if (from + n >= end) break;
      lines->push_back(GuiLine{from, n});
      from += n;
    }
    lines->push_back(GuiLine{from, end - from});
    if (end >= size) break;
    pos = end + 1;
  }
}

const GuiControlOps GUI_OPS_LABL = {FCC("LABL"), nullptr, drawLabel, nullptr, nullptr, false};
const GuiControlOps GUI_OPS_TITL = {FCC("TITL"), nullptr, drawTitle, nullptr, nullptr, false};
const GuiControlOps GUI_OPS_FSTR = {FCC("FSTR"), nullptr, drawLabel, nullptr, nullptr, false};
const GuiControlOps GUI_OPS_STRG = {FCC("STRG"), nullptr, drawLabel, nullptr, nullptr, false};
const GuiControlOps GUI_OPS_MESS = {FCC("MESS"), nullptr, drawMessage, nullptr, nullptr, false};
const GuiControlOps GUI_OPS_FBMP = {FCC("FBMP"), nullptr, drawBitmap, nullptr, nullptr, false};
