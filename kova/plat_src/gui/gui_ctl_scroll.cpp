// Drag bars "VDRG" (vertical) and "HDRG" (horizontal). With a range they are
// scroll bars: arrows at both ends, a track and a knob sized from the page
// and the maximum (or "DNob"); the arrows step by one, the track by a page,
// the knob drags; the value runs 0 … maximum and every change sends
// FORM_EVT_VALUE. Without a range (no "DMax") they are splitters: a bar the
// pen drags along its axis, whose value is its position in the form.
// State: what the pen is doing on a bar while it is down.
#include <algorithm>

#include "gui_ctl.h"

namespace {

enum PenMode { PEN_NONE, PEN_STEP, PEN_KNOB };
PenMode gPenMode = PEN_NONE;
int32_t gGrab = 0;  // pen's distance from the knob's (or the splitter's) start

bool vertical(const GuiObject* bar) { return bar->kind == FCC("VDRG"); }

// Position and length along the bar's axis.
int32_t along(const GfxRect& r, bool v) { return v ? r.y : r.x; }
int32_t lengthOf(const GfxRect& r, bool v) { return v ? r.h : r.w; }

GuiScrollGeom geometryOf(const GuiObject* bar) {
  GuiScrollGeom g{};
  const GuiControlState& s = bar->control;
  GuiScrollLayout(bar->rect, vertical(bar), true, s.value, s.maximum, s.page, bar->knob, &g);
  return g;
}

void drawSplitter(GuiForm* form, GuiObject* bar, GfxCanvas* c) {
  const GfxRect& r = bar->rect;
  GuiRoundFrame(c, r, GuiColour(form, COL_FRAME),
                GuiMix(GuiColour(form, COL_BACK), GuiColour(form, COL_FILL), 2, 3), 1);
  // A grip of three short ridges across the bar's middle.
  bool v = vertical(bar);
  int16_t cx = int16_t(r.x + r.w / 2), cy = int16_t(r.y + r.h / 2);
  uint32_t ink = GuiColour(form, COL_FRAME);
  for (int16_t k = -2; k <= 2; k += 2) {
    if (v)
      GFX_Line(c, int16_t(cx - 8), int16_t(cy + k), int16_t(cx + 8), int16_t(cy + k), ink);
    else
      GFX_Line(c, int16_t(cx + k), int16_t(cy - 8), int16_t(cx + k), int16_t(cy + 8), ink);
  }
}

void drawBar(GuiForm* form, GuiObject* bar, GfxCanvas* c) {
  GFX_FillRect(c, bar->rect, GuiColour(form, COL_BACK));
  if (GuiIsSplitter(bar))
    drawSplitter(form, bar, c);
  else
    GuiScrollPaint(c, form, geometryOf(bar));
}

bool penSplitter(GuiForm* form, GuiObject* bar, int16_t phase, int16_t x, int16_t y) {
  bool v = vertical(bar);
  int32_t pos = v ? y : x;
  if (phase == 0) gGrab = pos - along(bar->rect, v);
  if (phase == 1) GuiScrollSetValue(form, bar, pos - gGrab, true);
  return true;
}

bool penBar(GuiForm* form, GuiObject* bar, int16_t phase, int16_t x, int16_t y) {
  if (!bar->control.enabled) return false;
  if (GuiIsSplitter(bar)) return penSplitter(form, bar, phase, x, y);
  GuiControlState& s = bar->control;
  GuiScrollGeom g = geometryOf(bar);
  bool v = vertical(bar);
  int32_t pos = v ? y : x;
  if (phase == 0) {
    int32_t page = s.page > 0 ? s.page : 1;
    gPenMode = PEN_STEP;
    if (GuiInside(g.back, x, y)) {
      GuiScrollSetValue(form, bar, s.value - 1, true);
    } else if (GuiInside(g.forward, x, y)) {
      GuiScrollSetValue(form, bar, s.value + 1, true);
    } else if (GuiInside(g.knob, x, y)) {
      gPenMode = PEN_KNOB;
      gGrab = pos - along(g.knob, v);
    } else if (GuiInside(g.track, x, y)) {
      GuiScrollSetValue(form, bar, s.value + (pos < along(g.knob, v) ? -page : page), true);
    }
  } else if (phase == 1 && gPenMode == PEN_KNOB) {
    GuiScrollSetValue(form, bar, GuiScrollValueAt(g, s.maximum, pos - gGrab - along(g.track, v)),
                      true);
  }
  if (phase == 2) gPenMode = PEN_NONE;
  return true;
}

}  // namespace

void GuiScrollLayout(const GfxRect& bar, bool vert, bool arrows, int32_t value, int32_t maximum,
                     int32_t page, int32_t knobSize, GuiScrollGeom* out) {
  GuiScrollGeom& g = *out;
  g = GuiScrollGeom{};
  g.vertical = vert;
  g.bar = bar;
  int32_t thick = vert ? bar.w : bar.h, length = lengthOf(bar, vert);
  g.track = bar;
  if (arrows && length >= 3 * thick) {
    g.back = vert ? GfxRect{bar.x, bar.y, bar.w, int16_t(thick)}
                  : GfxRect{bar.x, bar.y, int16_t(thick), bar.h};
    g.forward = vert ? GfxRect{bar.x, int16_t(bar.y + length - thick), bar.w, int16_t(thick)}
                     : GfxRect{int16_t(bar.x + length - thick), bar.y, int16_t(thick), bar.h};
    if (vert)
      g.track = GfxRect{bar.x, int16_t(bar.y + thick), bar.w, int16_t(length - 2 * thick)};
    else
      g.track = GfxRect{int16_t(bar.x + thick), bar.y, int16_t(length - 2 * thick), bar.h};
  }
  int32_t track = lengthOf(g.track, vert);
  int32_t knob = track;
  if (maximum > 0) {
    int32_t shown = std::max(page, 1);
    knob = knobSize > 0 ? knobSize : int32_t(int64_t(track) * shown / (int64_t(maximum) + shown));
    knob = std::clamp(knob, std::min(track, std::max(thick, 8)), track);
  }
  int32_t span = track - knob;
  int32_t at = maximum > 0 ? int32_t(int64_t(span) * std::clamp(value, 0, maximum) / maximum) : 0;
  int32_t start = along(g.track, vert) + at;
  g.knob = vert ? GfxRect{bar.x, int16_t(start), bar.w, int16_t(knob)}
                : GfxRect{int16_t(start), bar.y, int16_t(knob), bar.h};
}

void GuiScrollPaint(GfxCanvas* c, const GuiForm* form, const GuiScrollGeom& g) {
  uint32_t back = GuiColour(form, COL_BACK), fill = GuiColour(form, COL_FILL);
  uint32_t frame = GuiColour(form, COL_FRAME);
  GFX_FillRect(c, g.track, GuiMix(back, fill, 1, 2));
  if (g.back.w > 0) {
    GuiRoundFrame(c, g.back, frame, back, 1);
    int16_t inset = int16_t(std::max(2, lengthOf(g.back, g.vertical) / 4));
    GuiArrow(c, GuiInset(g.back, inset), g.vertical ? 1 : 2, GuiColour(form, COL_FORE));
    GuiRoundFrame(c, g.forward, frame, back, 1);
    GuiArrow(c, GuiInset(g.forward, inset), g.vertical ? 0 : 3, GuiColour(form, COL_FORE));
  }
  if (lengthOf(g.knob, g.vertical) < lengthOf(g.track, g.vertical) || g.back.w > 0)
    GuiRoundFrame(c, g.knob, frame, fill, 1);
}

int32_t GuiScrollValueAt(const GuiScrollGeom& g, int32_t maximum, int32_t pos) {
  int32_t span = lengthOf(g.track, g.vertical) - lengthOf(g.knob, g.vertical);
  if (span <= 0 || maximum <= 0) return 0;
  int64_t v = (int64_t(std::clamp(pos, 0, span)) * maximum + span / 2) / span;
  return int32_t(v);
}

bool GuiIsSplitter(const GuiObject* object) { return object->control.maximum < 0; }

void GuiScrollSetValue(GuiForm* form, GuiObject* object, int32_t value, bool notify) {
  GuiControlState& s = object->control;
  if (GuiIsSplitter(object)) {
    bool v = vertical(object);
    int32_t room = v ? form->rect.h - object->rect.h : form->rect.w - object->rect.w;
    int32_t pos = std::clamp(value, 0, std::max(0, room));
    if (pos == along(object->rect, v)) return;
    GfxRect old = object->rect;
    (v ? object->rect.y : object->rect.x) = int16_t(pos);
    s.value = pos;
    GuiRedrawArea(form, old, object);
    GuiRefresh(form, object);
    if (notify) GuiValueChanged(form, object, pos, -1);
    return;
  }
  int32_t v = std::clamp(value, 0, std::max(0, s.maximum));
  if (v == s.value) return;
  s.value = v;
  GuiRefresh(form, object);
  if (notify) GuiValueChanged(form, object, v, s.maximum);
}

const GuiControlOps GUI_OPS_VDRG = {FCC("VDRG"), nullptr, drawBar, penBar, nullptr, false};
const GuiControlOps GUI_OPS_HDRG = {FCC("HDRG"), nullptr, drawBar, penBar, nullptr, false};
