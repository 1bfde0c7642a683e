// The collision test of a laid-out form: an object collides with the border
// when it (grown by its frame margins) leaves the client area (inside the
// form's frame, below the menu strip and the title bar), and two objects
// collide when they come closer than the larger of their margins. Objects
// that may overlap ("Ovlp"), hidden ones, and unusable ones that are never
// "previous" take no part; the buttons of one "BTNS" row are spaced by the
// row's own rule and are not tested against each other. Owns no state.
#include <algorithm>

#include "gui_forms.h"
#include "kova_debug.h"

namespace {

constexpr FourCC CHANNEL = FCC("scrn");  // debug-mode lines over the screen

bool tested(const GuiObject* o) {
  if (o->flags & (OBJ_OVERLAP | OBJ_HIDDEN)) return false;
  return (o->flags & (OBJ_NOT_PREVIOUS | OBJ_NOT_USABLE)) != (OBJ_NOT_PREVIOUS | OBJ_NOT_USABLE);
}

const GuiObject* rowOf(const GuiObject* o) { return o->rowOwner ? o->rowOwner : o; }

bool hitsBorder(const GuiObject* o, const GfxRect& a) {
  const GfxRect& r = o->rect;
  return r.x < a.x + o->marginX || r.y < a.y + o->marginY ||
         int32_t(r.x) + r.w + o->marginX > int32_t(a.x) + a.w ||
         int32_t(r.y) + r.h + o->marginY > int32_t(a.y) + a.h;
}

bool hitEachOther(const GuiObject* a, const GuiObject* b) {
  int32_t mx = std::max(a->marginX, b->marginX), my = std::max(a->marginY, b->marginY);
  const GfxRect &p = a->rect, &q = b->rect;
  return p.x < q.x + q.w + mx && p.y < q.y + q.h + my && q.x < p.x + p.w + mx &&
         q.y < p.y + p.h + my;
}

void logBorder(const GuiObject* o) {
  const GfxRect& r = o->rect;
  (void)DBG_Print(CHANNEL, "FORMS collision: %t %t (%hd %hd %hd %hd) (%hd %hd) with Border\n",
                  o->kind, o->tag, r.x, r.y, r.w, r.h, o->marginX, o->marginY);
}

void logPair(const GuiObject* a, const GuiObject* b) {
  const GfxRect &p = a->rect, &q = b->rect;
  (void)DBG_Print(CHANNEL, "FORMS collision: %t %t (%hd %hd %hd %hd) (%hd %hd)...\n", a->kind,
                  a->tag, p.x, p.y, p.w, p.h, a->marginX, a->marginY);
  (void)DBG_Print(CHANNEL, "           with: %t %t (%hd %hd %hd %hd) (%hd %hd)\n", b->kind, b->tag,
                  q.x, q.y, q.w, q.h, b->marginX, b->marginY);
}

}  // namespace

int GuiCountCollisions(const GuiForm* form, bool log) {
  GfxRect area = GuiClientArea(form);
  int count = 0;
  size_t n = form->objects.size();
  for (size_t i = 0; i < n; i++) {
    const GuiObject* a = form->objects[i].get();
    if (!tested(a)) continue;
    if (hitsBorder(a, area)) {
      count++;
      if (log) logBorder(a);
    }
    for (size_t j = i + 1; j < n; j++) {
      const GuiObject* b = form->objects[j].get();
      if (!tested(b) || rowOf(a) == rowOf(b) || !hitEachOther(a, b)) continue;
      count++;
      if (log) logPair(a, b);
    }
  }
  return count;
}
