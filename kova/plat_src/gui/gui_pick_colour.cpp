// The colour picker "kCol" (GUI_PickColour) and the run of a platform picker
// form as one call. The palette is 18 x 13 cells: six 6 x 6 blocks of the
// 216 web-safe colours (red by block, green by row, blue by column) and a
// row of 18 greys from black to white. A tap (or the arrow keys) chooses a
// cell; the swatch and the hex text follow. State: the running picker's
// record, on the caller's stack for the length of the call.
#include <algorithm>

#include "gui_ctl.h"
#include "kova_fmt.h"
#include "kova_picker.h"
#include "kova_res.h"

namespace {

constexpr int32_t PAL_COLUMNS = 18;
constexpr int32_t PAL_ROWS = 13;
constexpr int32_t PAL_COUNT = PAL_COLUMNS * PAL_ROWS;
constexpr FourCC TAG_PALETTE = FCC("Pal_");
constexpr FourCC TAG_SWATCH = FCC("Swat");
constexpr FourCC TAG_HEX = FCC("Hex_");

struct ColourPick {
  uint32_t colour;   // the colour OK keeps
  int32_t selected;  // the palette cell shown as chosen (-1 none)
};

uint32_t paletteColour(int32_t index) {
  int32_t row = index / PAL_COLUMNS, col = index % PAL_COLUMNS;
  if (row >= 12) {
    uint32_t grey = uint32_t(col * 255 / (PAL_COLUMNS - 1));
    return grey << 16 | grey << 8 | grey;
  }
  uint32_t red = uint32_t((row / 6) * 3 + col / 6) * 51;
  uint32_t green = uint32_t(row % 6) * 51, blue = uint32_t(col % 6) * 51;
  return red << 16 | green << 8 | blue;
}

int32_t nearest(uint32_t rgb) {
  int32_t best = 0;
  int64_t bestDistance = INT64_MAX;
  for (int32_t i = 0; i < PAL_COUNT; i++) {
    uint32_t p = paletteColour(i);
    int64_t dr = int64_t(p >> 16 & 255) - int64_t(rgb >> 16 & 255);
    int64_t dg = int64_t(p >> 8 & 255) - int64_t(rgb >> 8 & 255);
    int64_t db = int64_t(p & 255) - int64_t(rgb & 255);
    int64_t d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) best = i, bestDistance = d;
  }
  return best;
}

// The cells' area inside the gadget (whole cells, centred).
GfxRect gridOf(const GfxRect& r, int16_t* cw, int16_t* ch) {
  *cw = int16_t(std::max(1, r.w / PAL_COLUMNS));
  *ch = int16_t(std::max(1, r.h / PAL_ROWS));
  int16_t w = int16_t(*cw * PAL_COLUMNS), h = int16_t(*ch * PAL_ROWS);
  return GfxRect{int16_t(r.x + (r.w - w) / 2), int16_t(r.y + (r.h - h) / 2), w, h};
}

void drawPalette(GuiForm* form, GuiObject* object, const ColourPick* pick) {
  GfxCanvas c = GuiCanvas(form, object->rect);
  GFX_FillRect(&c, object->rect, GuiColour(form, COL_BACK));
  int16_t cw = 0, ch = 0;
  GfxRect grid = gridOf(object->rect, &cw, &ch);
  for (int32_t i = 0; i < PAL_COUNT; i++) {
    GfxRect cell{int16_t(grid.x + i % PAL_COLUMNS * cw), int16_t(grid.y + i / PAL_COLUMNS * ch), cw,
                 ch};
    GFX_FillRect(&c, cell, paletteColour(i));
    if (i != pick->selected) continue;
    uint32_t p = paletteColour(i);
    uint32_t light = (p >> 16 & 255) * 3 + (p >> 8 & 255) * 6 + (p & 255);
    GFX_FrameRect(&c, cell, light > 1280 ? 0x000000u : 0xFFFFFFu, 2);
  }
  GFX_FrameRect(
      &c,
      GfxRect{int16_t(grid.x - 1), int16_t(grid.y - 1), int16_t(grid.w + 2), int16_t(grid.h + 2)},
      GuiColour(form, COL_FRAME), 1);
}

void drawSwatch(GuiForm* form, GuiObject* object, const ColourPick* pick) {
  GfxCanvas c = GuiCanvas(form, object->rect);
  GFX_FillRect(&c, object->rect, pick->colour);
  GFX_FrameRect(&c, object->rect, GuiColour(form, COL_FRAME), 1);
}

void showChoice(GuiForm* form, const ColourPick* pick, bool redraw) {
  char hex[16];
  (void)STR_Format(hex, sizeof hex, "#%06lx", pick->colour);
  for (char* p = hex; *p; p++)
    if (*p >= 'a' && *p <= 'f') *p = char(*p - 'a' + 'A');
  (void)GUI_SetText(form, TAG_HEX, hex);
  if (!redraw) return;
  (void)GUI_Redraw(form, TAG_PALETTE);
  (void)GUI_Redraw(form, TAG_SWATCH);
  (void)GUI_Redraw(form, TAG_HEX);
}

void choose(GuiForm* form, ColourPick* pick, int32_t index) {
  pick->selected = std::clamp<int32_t>(index, 0, PAL_COUNT - 1);
  pick->colour = paletteColour(pick->selected);
  showChoice(form, pick, true);
}

// Arrow keys move the chosen cell around the palette.
bool arrowKey(GuiForm* form, ColourPick* pick, uint32_t code) {
  int32_t at = pick->selected < 0 ? 0 : pick->selected;
  int32_t row = at / PAL_COLUMNS, col = at % PAL_COLUMNS;
  if (code == FCC("ALFT"))
    col = (col + PAL_COLUMNS - 1) % PAL_COLUMNS;
  else if (code == FCC("ARGT"))
    col = (col + 1) % PAL_COLUMNS;
  else if (code == FCC("SCUP"))
    row = (row + PAL_ROWS - 1) % PAL_ROWS;
  else if (code == FCC("SCDN"))
    row = (row + 1) % PAL_ROWS;
  else
    return false;
  choose(form, pick, row * PAL_COLUMNS + col);
  return true;
}

int16_t colourHandler(FourCC, GuiForm* form, uintptr_t user, uintptr_t, int16_t kind, uintptr_t a1,
                      uintptr_t a2, uintptr_t, uintptr_t a4, uintptr_t a5) {
  auto* pick = reinterpret_cast<ColourPick*>(user);
  if (kind == FORM_EVT_OBJECT_DRAW) {
    auto* object = reinterpret_cast<GuiObject*>(a2);
    if (FourCC(a1) == TAG_PALETTE)
      drawPalette(form, object, pick);
    else if (FourCC(a1) == TAG_SWATCH)
      drawSwatch(form, object, pick);
    else
      return 0;
    return 1;
  }
  if (kind == FORM_EVT_CONTROL && FourCC(a1) == TAG_PALETTE) {
    auto* object = reinterpret_cast<GuiObject*>(a2);
    int16_t cw = 0, ch = 0;
    GfxRect grid = gridOf(object->rect, &cw, &ch);
    int32_t x = object->rect.x + int32_t(a4) - grid.x, y = object->rect.y + int32_t(a5) - grid.y;
    if (x >= 0 && y >= 0 && x < grid.w && y < grid.h)
      choose(form, pick, y / ch * PAL_COLUMNS + x / cw);
    return 1;
  }
  if (kind == FORM_EVT_KEY) return arrowKey(form, pick, uint32_t(a1)) ? 1 : 0;
  return 0;
}

}  // namespace

bool GuiRunPicker(uint32_t formId, const char* title, FormEventHandler handler, void* state,
                  void (*prepare)(GuiForm* form, void* state)) {
  GuiForm* form = nullptr;
  if (GUI_FormOpen(&form, formId, 0, RES_TYPE_FORM, nullptr) != 0 || !form) return false;
  if (title) form->title = title;
  if (prepare) prepare(form, state);
  const TagItem params[] = {{GUI_RUN_HANDLER, reinterpret_cast<uintptr_t>(handler)},
                            {GUI_RUN_USER, reinterpret_cast<uintptr_t>(state)},
                            {0, 0}};
  uint32_t result = GUI_FormDoDialog(form, params);
  GUI_FormClose(form);
  return result == FCC("OKAY");
}

bool GUI_PickColour(const char* title, uint32_t* colour) {
  if (!colour) return false;
  ColourPick pick{*colour & 0xFFFFFFu, nearest(*colour & 0xFFFFFFu)};
  auto prepare = [](GuiForm* form, void* state) {
    showChoice(form, static_cast<ColourPick*>(state), false);
  };
  if (!GuiRunPicker(GUI_FORM_COLOUR, title, colourHandler, &pick, prepare)) return false;
  *colour = pick.colour;
  return true;
}
