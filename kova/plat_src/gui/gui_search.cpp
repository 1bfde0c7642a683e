// The automatic layout: a search over the layout density (0 to 200) for the
// most generous spacing at which no two objects collide, then, for alerts
// and modal forms whose height is "Auto", a search for the smallest height
// that still holds every object, the width following the height in the
// screen's proportions on wide screens (never narrower than the form's own
// width). Each step re-lays the form out from its kept tokens. No state.
#include <algorithm>

#include "gui_forms.h"

namespace {

constexpr int16_t DENSITY_MAX = 200;
constexpr int MAX_STEPS = 32;  // both searches settle well before this

int layoutAt(GuiForm* form, int16_t density, bool keepSize) {
  form->density = density;
  if (keepSize) {
    GuiLayoutKeepSize(form);
  } else {
    GuiLayoutForm(form);
  }
  return GuiCountCollisions(form, false);
}

// 1-3: step 50 halving to 25, down after a collision, up otherwise, until
// the highest collision-free and the lowest colliding density are at most
// 25 apart; a form that collides even at 0 keeps 0.
void searchDensity(GuiForm* form, bool keepSize) {
  int16_t d = std::clamp<int16_t>(form->density, 0, DENSITY_MAX);
  int16_t bestFree = -1, lowestHit = DENSITY_MAX + 1, laidOut = -1;
  int16_t step = 50;
  for (int i = 0; i < MAX_STEPS; i++) {
    bool hit = layoutAt(form, d, keepSize) > 0;
    laidOut = d;
    if (hit) {
      lowestHit = std::min(lowestHit, d);
    } else {
      bestFree = std::max(bestFree, d);
    }
    if ((hit && d == 0) || (!hit && d == DENSITY_MAX)) break;
    if (bestFree >= 0 && lowestHit - bestFree <= 25) break;
    d = hit ? int16_t(std::max(0, d - step)) : int16_t(std::min<int>(DENSITY_MAX, d + step));
    step = int16_t(std::max(25, step / 2));
  }
  int16_t settle = bestFree >= 0 ? bestFree : 0;
  if (settle != laidOut) (void)layoutAt(form, settle, keepSize);
}

// The form's size for a trial height: on screens wider than 240 units the
// width follows the height in the screen's proportions when that gives at
// least 5/8 of the unit width, but never below the form's own width, so a
// taller form is never narrower and the search stays one-directional.
void sizeForHeight(GuiForm* form, int32_t h, int32_t baseWidth) {
  int32_t sw = form->screenWidth > 0 ? form->screenWidth : form->rect.w;
  int32_t sh = form->screenHeight > 0 ? form->screenHeight : form->rect.h;
  int32_t unitW = GuiScaled(form, 240);
  int32_t w = baseWidth;
  bool autoWidth = form->placeFlags[2] & PLACE_AUTO;
  if (autoWidth && sw > unitW && sh > 0) {
    int32_t follow = int32_t(int64_t(h) * sw / sh);
    if (follow >= unitW * 5 / 8) w = std::max(w, follow);
  }
  form->rect.w = int16_t(std::clamp<int32_t>(w, 1, std::max(sw, 1)));
  form->rect.h = int16_t(std::clamp<int32_t>(h, 1, std::max(sh, 1)));
}

// 4: between 48 units and the screen height less 20 units, from the middle
// with a step of a quarter of the range halving to 6, lower after a
// collision-free layout, higher after a collision, until the free and the
// colliding bound are within 7 pixels.
void searchHeight(GuiForm* form, int32_t baseWidth) {
  int32_t sh = form->screenHeight > 0 ? form->screenHeight : form->rect.h;
  int32_t lo = GuiScaled(form, 48), hi = std::max(lo, sh - GuiScaled(form, 20));
  int32_t freeBound = hi, hitBound = lo;
  bool anyFree = false;
  int32_t h = (lo + hi) / 2, step = std::max<int32_t>((hi - lo) / 4, 6);
  for (int i = 0; i < MAX_STEPS && freeBound - hitBound > 7; i++) {
    sizeForHeight(form, h, baseWidth);
    if (layoutAt(form, form->density, true) == 0) {
      anyFree = true;
      freeBound = std::min(freeBound, h);
      h -= step;
    } else {
      hitBound = std::max(hitBound, h);
      h += step;
    }
    step = std::max<int32_t>(step / 2, 6);
    h = std::clamp(h, hitBound + 1, std::max(hitBound + 1, freeBound - 1));
  }
  sizeForHeight(form, anyFree ? freeBound : hi, baseWidth);
  (void)layoutAt(form, form->density, true);
}

}  // namespace

void GuiAutoLayout(GuiForm* form) {
  // Start from the form's own rectangle: an auto-height form at its tallest.
  form->rect.w = form->rect.h = 0;
  GuiLayoutForm(form);
  if (!form->autoHeight) {
    searchDensity(form, false);
    return;
  }
  // The density is searched at the form's own width and the full height, so
  // the height search below never needs the width to grow for a fit.
  int32_t baseWidth = form->rect.w;
  int32_t sh = form->screenHeight > 0 ? form->screenHeight : form->rect.h;
  form->rect.h = int16_t(std::max<int32_t>(1, sh - GuiScaled(form, 20)));
  searchDensity(form, true);
  searchHeight(form, baseWidth);
}
