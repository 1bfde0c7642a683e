// Natural content sizes of the object kinds for the placement routine: the
// longest text in the object's font and the font's line height, the fixed
// parts of a kind (frame, check box, trigger arrow, scroll bar thickness,
// a bitmap's own size) and padding that scales with the layout density
// (0 none, 100 standard, 200 double). Alert messages wrap to the width they
// are given. Owns no state.
#include <algorithm>

#include "gui_forms.h"
#include "kova_gfx.h"
#include "kova_text.h"

namespace {

constexpr int32_t LIST_ROWS = 4;
constexpr int32_t FIELD_CHARS = 12;  // an empty field shows about this many digits

// Padding of `units` at the density.
int32_t pad(const GuiForm* form, int32_t units, int16_t density) {
  return int32_t(int64_t(GuiScaled(form, units)) * std::max<int16_t>(density, 0) / 100);
}

// The widest line and the number of lines of the object's texts ("\n"
// separates lines; a list takes each line as an item).
void textExtent(const GuiObject* o, uint16_t font, int32_t* width, int32_t* lines) {
  *width = 0;
  *lines = 0;
  for (const std::string& s : o->strings) {
    size_t start = 0;
    for (;;) {
      size_t stop = s.find('\n', start);
      size_t len = (stop == std::string::npos ? s.size() : stop) - start;
      *width = std::max(*width, TXT_Width(font, s.data() + start, uint32_t(len)));
      ++*lines;
      if (stop == std::string::npos) break;
      start = stop + 1;
    }
  }
}

// Lines and widest line of the texts wrapped at word breaks to `width`.
void wrapped(const GuiObject* o, int32_t width, int32_t* widest, int32_t* lines) {
  *widest = 0;
  *lines = 0;
  width = std::max(width, 1);
  for (const std::string& s : o->strings) {
    const char* text = s.c_str();
    uint32_t left = uint32_t(s.size());
    do {
      uint32_t n = TXT_Fit(o->font, text, left, width, true);
      uint32_t shown = n;
      if (n == 0 && left > 0 && text[0] != '\n') n = shown = 1;  // a glyph wider than the line
      while (shown > 0 && text[shown - 1] == ' ') shown--;
      *widest = std::max(*widest, TXT_Width(o->font, text, shown));
      ++*lines;
      text += n;
      left -= n;
      if (left > 0 && text[0] == '\n') {
        text++;
        left--;
        if (left == 0) ++*lines;  // a closing line break leaves an empty line
      }
    } while (left > 0);
  }
}

void bitmapSize(const GuiForm* form, const GuiObject* o, int32_t* w, int32_t* h) {
  int16_t bw = 0, bh = 0;
  if (o->bitmap == 0 || GFX_BitmapSize(o->bitmap, &bw, &bh) != 0) {
    bw = bh = int16_t(GuiScaled(form, 16));
  }
  *w = bw;
  *h = bh;
}

}  // namespace

void GuiContentSizeAt(const GuiForm* form, const GuiObject* o, int16_t density, int32_t width,
                      int32_t* w, int32_t* h) {
  int32_t lh = TXT_LineHeight(o->font);
  int32_t tw, lines;
  textExtent(o, o->font, &tw, &lines);
  switch (o->kind) {
    case FCC("BUTN"):
    case FCC("BTNS"):
    case FCC("PUSH"):
    case FCC("REPT"):
      if (o->strings.empty() && o->bitmap) bitmapSize(form, o, &tw, &lh);
      *w = tw + 2 + 2 * pad(form, 6, density);
      *h = lh + 2 + 2 * pad(form, 2, density);
      return;
    case FCC("CHEK"): {
      int32_t box = std::max(lh - 4, 8);
      *w = box + 4 + tw + 2 * pad(form, 1, density);
      *h = std::max(lh, box) + 2 * pad(form, 1, density);
      return;
    }
    case FCC("FELD"): {
      int32_t frame = (o->flags & OBJ_NOT_EDITABLE) ? 0 : 2;
      int32_t chars = std::clamp<int32_t>(o->maxLength, 1, FIELD_CHARS) + 1;
      int32_t rows = (o->flags & OBJ_MULTI_LINE) ? std::max(lines, 3) : 1;
      *w = std::max(tw, TXT_Width(o->font, "0", 1) * chars) + frame + 2 * pad(form, 2, density);
      *h = rows * lh + frame + 2 * pad(form, 1, density);
      return;
    }
    case FCC("LIST"):
    case FCC("CLST"):
    case FCC("TABL"):
      *w = std::max(tw, GuiScaled(form, 60)) + 2 + 2 * pad(form, 3, density);
      *h = LIST_ROWS * lh + 2 + 2 * pad(form, 1, density);
      return;
    case FCC("PTRG"):
      *w = tw + lh / 2 + 4 + 2 * pad(form, 2, density);
      *h = lh + 2 * pad(form, 1, density);
      return;
    case FCC("TITL"):
      *w = TXT_Width(FONT_BOLD, o->strings.empty() ? "" : o->strings[0].c_str(), 0x7FFFFFFF) +
           2 * pad(form, 4, density);
      *h = TXT_LineHeight(FONT_BOLD) + 2;
      return;
    case FCC("MESS"): {
      int32_t padding = pad(form, 2, density);
      wrapped(o, width - 2 * padding, &tw, &lines);
      *w = tw + 2 * padding;
      *h = std::max(lines, 1) * lh + 2 * padding;
      return;
    }
    case FCC("FBMP"):
      bitmapSize(form, o, w, h);
      return;
    case FCC("VDRG"):
      *w = GuiScaled(form, 11);
      *h = LIST_ROWS * lh;
      return;
    case FCC("HDRG"):
      *w = LIST_ROWS * lh;
      *h = GuiScaled(form, 11);
      return;
    case FCC("HOTS"):
      *w = std::max(tw, GuiScaled(form, 16));
      *h = lh;
      return;
    case FCC("PLST"):
    case FCC("GRAF"):
      *w = *h = 0;
      return;
    default:  // "LABL", "FSTR", "STRG" and kinds of others' making
      *w = tw + 2 * pad(form, 1, density);
      *h = std::max(lines, 1) * lh + 2 * pad(form, 1, density);
      return;
  }
}

void GuiContentSize(const GuiForm* form, const GuiObject* object, int16_t density, int16_t* w,
                    int16_t* h) {
  GfxRect area = GuiClientArea(form);
  int32_t spacing = object->marginX + GuiGap(form, density);
  int32_t cw, ch;
  GuiContentSizeAt(form, object, density, area.w - 2 * spacing, &cw, &ch);
  if (w) *w = int16_t(std::clamp<int32_t>(cw, 0, 32767));
  if (h) *h = int16_t(std::clamp<int32_t>(ch, 0, 32767));
}
