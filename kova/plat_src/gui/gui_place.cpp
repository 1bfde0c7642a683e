// The placement routine: turns an object's evaluated rectangle (x, y, width,
// height, each a value with placement flags) into pixels in form
// coordinates. Owns no state; GuiPlacement carries one layout pass.
//
// Terms. The client area A is the form inside its frame margins, below the
// menu strip and the title bar; it is also the parent ("Parl", "Part",
// "Parw", "Parh") of every object's expression, and explicit numbers are
// form coordinates ("Parl Part Parw Parh" fills A exactly). The spacing
// around an object is its frame margin plus the gap g = 4 units x screen
// scale x density / 100 (density 0 none, 100 standard, 200 double); between
// two objects it is g plus the larger of their margins. The layout search
// raises the density as far as the form stays free of collisions, so the
// spacing is as generous as the window allows.
//
// Sizes (the width first; the height may depend on it, as wrapped text does):
//  - an explicit value is the size;
//  - "Auto" is the content size (GuiContentSize: the longest text in the
//    object's font and the font's line height, with fixed parts such as a
//    check box, plus padding that scales with the density like the gap);
//    "AMin" the smallest (no padding, density 0), "AStd" the standard
//    (density 100); a value added to the keyword ("Auto 8 +") is added;
//  - "AMax" fills the free space from the object's position to the far edge
//    of A, less the spacing.
// Positions:
//  - an explicit value is the left (top) edge; after "Rgt@" / "Bot@" it is
//    where the right (bottom) edge goes, after "Cen@" / "Mid@" the centre;
//  - "Rght" / "Botm" put the object against the right / bottom edge of A,
//    "Cntr" / "Midl" centre it in A; an added value shifts it;
//  - "Auto" x and y flow: the first object goes to the top left of A, each
//    next one after the previous object in its row (same top, spacing to
//    its right); one that would cross the right edge of A wraps to a new
//    row at the left edge, below every object reaching into the old row;
//  - "Auto" x with a known y: after the previous object when it shares the
//    rows y … y + height, else at the left edge of A;
//  - "Auto" y with a known x: below the lowest placed object sharing the
//    columns x … x + width, else level with the previous object (the top of
//    A for the first one).
// The previous object is the last one placed that is neither "Nprv" nor
// hidden; objects flagged "Ovlp" or hidden never push others aside.
#include <algorithm>

#include "gui_forms.h"

namespace {

constexpr int32_t LIMIT = 16000;  // keeps every edge inside 16 bits

int32_t clampSide(int64_t v) { return int32_t(std::clamp<int64_t>(v, 0, LIMIT)); }
int32_t clampPos(int64_t v) { return int32_t(std::clamp<int64_t>(v, -LIMIT, LIMIT)); }

int32_t right(const GfxRect& r) { return int32_t(r.x) + r.w; }
int32_t bottom(const GfxRect& r) { return int32_t(r.y) + r.h; }

// Objects that take room from others.
bool solid(const GuiObject* o) { return !(o->flags & (OBJ_HIDDEN | OBJ_OVERLAP)); }

int16_t autoDensity(uint8_t flags, int16_t density) {
  if (flags & PLACE_SMALLEST) return 0;
  if (flags & PLACE_STANDARD) return 100;
  return density;
}

bool aligned(uint8_t flags) {
  return (flags & PLACE_AUTO) &&
         (flags & (PLACE_AT_RIGHT | PLACE_AT_BOTTOM | PLACE_AT_CENTRE | PLACE_AT_MIDDLE));
}
bool flowing(uint8_t flags) { return (flags & PLACE_AUTO) && !aligned(flags); }

struct Sizing {
  GuiPlacement* p;
  const GuiObject* o;
  int32_t rowW, rowH;
};

void content(const Sizing& s, uint8_t flags, int32_t width, int32_t* w, int32_t* h) {
  if (s.rowW > 0) {
    *w = s.rowW;
    *h = s.rowH;
    return;
  }
  GuiContentSizeAt(s.p->form, s.o, autoDensity(flags, s.p->form->density), width, w, h);
}

int32_t sizeOf(const GuiValue& v, int32_t natural) {
  return clampSide((v.flags & PLACE_AUTO) ? int64_t(natural) + v.value : int64_t(v.value));
}

// A known position on one axis: explicit (edge, far edge or centre) or
// aligned to the client area.
int32_t knownPos(const GuiValue& v, uint8_t farFlag, uint8_t midFlag, int32_t size, int32_t areaLo,
                 int32_t areaLen, int32_t spacing) {
  int64_t pos = v.value;
  if (v.flags & PLACE_AUTO) {
    if (v.flags & farFlag) return clampPos(int64_t(areaLo) + areaLen - spacing - size + v.value);
    return clampPos(int64_t(areaLo) + (int64_t(areaLen) - size) / 2 + v.value);
  }
  if (v.flags & farFlag) pos -= size;
  if (v.flags & midFlag) pos -= size / 2;
  return clampPos(pos);
}

// Below every solid placed object that reaches into the rows of `band`.
int32_t belowRow(const GuiPlacement* p, const GuiObject* o, const GfxRect& band) {
  int32_t y = bottom(band) + std::max(p->previous->marginY, o->marginY) + p->gap;
  for (size_t i = 0; i < p->placed; i++) {
    const GuiObject* q = p->form->objects[i].get();
    if (!solid(q) || q->rect.y >= std::max(bottom(band), band.y + 1) || bottom(q->rect) <= band.y)
      continue;
    y = std::max(y, bottom(q->rect) + std::max(q->marginY, o->marginY) + p->gap);
  }
  return y;
}

// Below the lowest solid placed object sharing the columns x … x + w; -1
// when there is none.
int32_t belowColumn(const GuiPlacement* p, const GuiObject* o, int32_t x, int32_t w) {
  int32_t y = -1;
  for (size_t i = 0; i < p->placed; i++) {
    const GuiObject* q = p->form->objects[i].get();
    if (!solid(q) || q->rect.x >= x + std::max(w, 1) || right(q->rect) <= x) continue;
    y = std::max(y, bottom(q->rect) + std::max(q->marginY, o->marginY) + p->gap);
  }
  return y;
}

void flow(const GuiPlacement* p, const GuiObject* o, bool flowX, bool flowY, int32_t w, int32_t h,
          int32_t* x, int32_t* y) {
  const GfxRect& a = p->area;
  const GuiObject* prev = p->previous;
  int32_t rowStart = a.x + o->marginX + p->gap;
  int32_t afterPrev = prev ? right(prev->rect) + std::max(prev->marginX, o->marginX) + p->gap : 0;
  if (flowX && flowY) {
    if (!prev) {
      *x = rowStart;
      *y = a.y + o->marginY + p->gap;
    } else if (afterPrev + w + o->marginX + p->gap > right(a) && afterPrev > rowStart) {
      *x = rowStart;
      *y = belowRow(p, o, prev->rect);
    } else {
      *x = afterPrev;
      *y = prev->rect.y;
    }
  } else if (flowX) {
    bool sharesRows = prev && prev->rect.y < *y + std::max(h, 1) &&
                      std::max(bottom(prev->rect), prev->rect.y + 1) > *y;
    *x = sharesRows ? afterPrev : rowStart;
  } else if (flowY) {
    int32_t below = belowColumn(p, o, *x, w);
    *y = below >= 0 ? below : prev ? prev->rect.y : a.y + o->marginY + p->gap;
  }
}

}  // namespace

int32_t GuiScaled(const GuiForm* form, int32_t units) {
  int32_t scale = form->scale > 0 ? form->scale : 256;
  return int32_t(int64_t(units) * scale / 256);
}

int32_t GuiGap(const GuiForm* form, int16_t density) {
  return int32_t(int64_t(GuiScaled(form, 4)) * std::max<int16_t>(density, 0) / 100);
}

int32_t GuiRowGap(const GuiForm* form) {
  if (!(form->flags & (FORM_MODAL | FORM_ALERT))) return 0;
  int32_t d = std::max<int16_t>(form->density, 0);
  int32_t units = d < 100 ? d * 4 / 100 : (d * 2 - 200) / 100 + 4;
  return GuiScaled(form, units);
}

GfxRect GuiPlace(GuiPlacement* p, const GuiObject* o, const GuiValue v[4], int32_t rowW,
                 int32_t rowH) {
  const GfxRect& a = p->area;
  Sizing s{p, o, rowW, rowH};
  int32_t spaceX = o->marginX + p->gap, spaceY = o->marginY + p->gap;
  int32_t cw, ch;
  // 1. The width, then the height for it ("AMax" provisionally its content).
  content(s, v[2].flags, a.w - 2 * spaceX, &cw, &ch);
  int32_t w = sizeOf(v[2], cw);
  content(s, v[3].flags, std::max(w, 1), &cw, &ch);
  int32_t h = sizeOf(v[3], ch);
  // 2. Known positions, then the flowing ones.
  int32_t x = knownPos(v[0], PLACE_AT_RIGHT, PLACE_AT_CENTRE, w, a.x, a.w, spaceX);
  int32_t y = knownPos(v[1], PLACE_AT_BOTTOM, PLACE_AT_MIDDLE, h, a.y, a.h, spaceY);
  bool flowX = flowing(v[0].flags), flowY = flowing(v[1].flags);
  if (flowX || flowY) {
    flow(p, o, flowX, flowY, w, h, &x, &y);
    if (flowX) x = clampPos(int64_t(x) + v[0].value);
    if (flowY) y = clampPos(int64_t(y) + v[1].value);
  }
  // 3. "AMax" fills to the far edge of the client area.
  if ((v[2].flags & PLACE_AUTO) && (v[2].flags & PLACE_LARGEST)) {
    bool fromEdge = aligned(v[0].flags);
    w = clampSide(fromEdge ? int64_t(a.w) - 2 * spaceX : int64_t(right(a)) - spaceX - x);
    if (fromEdge) x = knownPos(v[0], PLACE_AT_RIGHT, PLACE_AT_CENTRE, w, a.x, a.w, spaceX);
    if (v[3].flags & PLACE_AUTO && !(v[3].flags & PLACE_LARGEST)) {
      content(s, v[3].flags, std::max(w, 1), &cw, &ch);
      h = sizeOf(v[3], ch);
    }
  }
  if ((v[3].flags & PLACE_AUTO) && (v[3].flags & PLACE_LARGEST)) {
    bool fromEdge = aligned(v[1].flags);
    h = clampSide(fromEdge ? int64_t(a.h) - 2 * spaceY : int64_t(bottom(a)) - spaceY - y);
    if (fromEdge) y = knownPos(v[1], PLACE_AT_BOTTOM, PLACE_AT_MIDDLE, h, a.y, a.h, spaceY);
  }
  return GfxRect{int16_t(x), int16_t(y), int16_t(w), int16_t(h)};
}
