// Drawing a form into its own surface: the background, the frame of modal
// forms and alerts, the title (a bar for dialogs, a plain bold line for
// full-screen forms) and every object by kind, with the application's say
// over objects flagged "UDrw" (events 17 before, 16 after). Also the helpers
// the kinds share: colours, labels, rounded frames, the focus ring, arrows.
// Owns no state; what is drawn stays in the form's surface until shown.
#include <algorithm>

#include "gui_ctl.h"

namespace {

// The platform's colour scheme: focus, title, title text, frame, background,
// foreground, fill, text.
constexpr uint32_t SCHEME[8] = {0x2F6FD0, 0x5B6F8F, 0xFFFFFF, 0x8D97A8,
                                0xFFFFFF, 0x1E2430, 0xD3E0F3, 0x000000};

const std::string EMPTY_TEXT;

// Title of a dialog: a grey-blue bar with bold white text, centred.
void drawDialogTitle(GuiForm* form, GfxCanvas* c, int16_t height) {
  GfxRect bar{0, 0, form->surface->width, height};
  GFX_FillRect(c, bar, GuiColour(form, COL_TITLE));
  // Inset at the sides only: the bar is barely taller than the bold font.
  GfxRect text{4, 0, int16_t(bar.w - 8), height};
  GuiTextIn(c, FONT_BOLD, form->title, text, 1, GUI_SchemeColour(2));
}

// Title of a full-screen form: bold text on the background over a thin
// rule, below the menu bar strip when the form has one.
void drawPlainTitle(GuiForm* form, GfxCanvas* c, int16_t height) {
  int16_t top = GuiMenuBarHeight(form);
  GfxRect line{4, top, int16_t(form->surface->width - 8), height};
  GuiTextIn(c, FONT_BOLD, form->title, line, 0, GuiColour(form, COL_TEXT));
  GFX_FillRect(c, GfxRect{0, int16_t(top + height - 1), form->surface->width, 1},
               GuiColour(form, COL_FRAME));
}

}  // namespace

uint32_t GUI_SchemeColour(int16_t index) {
  if (index < 0 || index > 7) return 0;
  return SCHEME[index];
}

uint32_t GuiColour(const GuiForm* form, int slot) {
  if (slot < 0 || slot >= 7) return 0;
  return form->colours[slot] & 0xFFFFFF;
}

uint32_t GuiMix(uint32_t a, uint32_t b, int num, int den) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    int ca = int((a >> shift) & 0xFF), cb = int((b >> shift) & 0xFF);
    out |= uint32_t(ca + (cb - ca) * num / den) << shift;
  }
  return out;
}

uint32_t GuiTextColour(const GuiForm* form, const GuiObject* object) {
  uint32_t text = GuiColour(form, COL_TEXT);
  if (object->control.enabled) return text;
  return GuiMix(text, GuiColour(form, COL_BACK), 11, 20);
}

const std::string& GuiLabel(const GuiObject* object) {
  if (object->control.textSet) return object->control.text;
  return object->strings.empty() ? EMPTY_TEXT : object->strings[0];
}

GfxCanvas GuiCanvas(GuiForm* form, const GfxRect& clip) {
  GfxCanvas c = GFX_CanvasFor(form->surface);
  GFX_SetClip(&c, &clip);
  return c;
}

GfxRect GuiInset(const GfxRect& r, int16_t d) {
  return GfxRect{int16_t(r.x + d), int16_t(r.y + d), int16_t(r.w - 2 * d), int16_t(r.h - 2 * d)};
}

bool GuiInside(const GfxRect& r, int32_t x, int32_t y) {
  return x >= r.x && y >= r.y && x < r.x + r.w && y < r.y + r.h;
}

void GuiRoundFrame(GfxCanvas* c, const GfxRect& r, uint32_t frame, uint32_t face,
                   int16_t thickness) {
  if (r.w < 3 || r.h < 3) return;
  if (face != GFX_TRANSPARENT) GFX_FillRect(c, GuiInset(r, 1), face);
  for (int16_t t = 0; t < thickness; t++) {
    int16_t l = int16_t(r.x + t), tp = int16_t(r.y + t);
    int16_t rt = int16_t(r.x + r.w - 1 - t), b = int16_t(r.y + r.h - 1 - t);
    int16_t cut = t == 0 ? 1 : 0;  // the outer ring leaves its corner pixels
    GFX_Line(c, int16_t(l + cut), tp, int16_t(rt - cut), tp, frame);
    GFX_Line(c, int16_t(l + cut), b, int16_t(rt - cut), b, frame);
    GFX_Line(c, l, int16_t(tp + cut), l, int16_t(b - cut), frame);
    GFX_Line(c, rt, int16_t(tp + cut), rt, int16_t(b - cut), frame);
  }
}

void GuiFocusRing(GfxCanvas* c, const GfxRect& r, uint32_t rgb) {
  GuiRoundFrame(c, r, rgb, GFX_TRANSPARENT, 2);
}

int16_t GuiTextIn(GfxCanvas* c, uint16_t font, const std::string& text, const GfxRect& r, int align,
                  uint32_t rgb) {
  int32_t w = TXT_Width(font, text.data(), uint32_t(text.size()));
  int32_t x = r.x;
  if (align == 1) x = r.x + (r.w - w) / 2;
  if (align == 2) x = r.x + r.w - w;
  if (align != 0 && x < r.x) x = r.x;
  int32_t y = r.y + (r.h - TXT_LineHeight(font)) / 2;
  GfxRect old = GFX_SetClip(c, &r);
  GfxRect inner = GFX_Intersect(old, c->clip);
  GFX_SetClip(c, &inner);
  TXT_Draw(c, font, text.data(), uint32_t(text.size()), int16_t(x), int16_t(y), rgb);
  c->clip = old;
  return int16_t(x);
}

void GuiArrow(GfxCanvas* c, const GfxRect& r, int direction, uint32_t rgb) {
  int16_t size = int16_t(std::max(2, (std::min(int(r.w), int(r.h)) + 1) / 2));
  int16_t cx = int16_t(r.x + r.w / 2), cy = int16_t(r.y + r.h / 2);
  for (int16_t i = 0; i < size; i++) {
    int16_t tip = int16_t(size - 1 - i);  // half-length of this row, 0 at the tip
    int16_t off = int16_t(i - size / 2);
    if (direction == 0)
      GFX_Line(c, int16_t(cx - tip), int16_t(cy + off), int16_t(cx + tip), int16_t(cy + off), rgb);
    if (direction == 1)
      GFX_Line(c, int16_t(cx - tip), int16_t(cy - off), int16_t(cx + tip), int16_t(cy - off), rgb);
    if (direction == 2)
      GFX_Line(c, int16_t(cx - off), int16_t(cy - tip), int16_t(cx - off), int16_t(cy + tip), rgb);
    if (direction == 3)
      GFX_Line(c, int16_t(cx + off), int16_t(cy - tip), int16_t(cx + off), int16_t(cy + tip), rgb);
  }
}

void GuiTick(GfxCanvas* c, const GfxRect& box, uint32_t rgb) {
  int16_t side = box.w;
  int16_t x0 = int16_t(box.x + 2), y0 = int16_t(box.y + side / 2);
  int16_t x1 = int16_t(box.x + side * 2 / 5), y1 = int16_t(box.y + side - 4);
  int16_t x2 = int16_t(box.x + side - 3), y2 = int16_t(box.y + 2);
  for (int16_t t = 0; t < 2; t++) {
    GFX_Line(c, x0, int16_t(y0 + t), x1, int16_t(y1 + t), rgb);
    GFX_Line(c, x1, int16_t(y1 + t), x2, int16_t(y2 + t), rgb);
  }
}

bool GuiVisible(const GuiObject* object) {
  return object->control.shown && !(object->flags & (OBJ_HIDDEN | OBJ_NOT_USABLE));
}

bool GuiIsDefaultButton(const GuiForm* form, const GuiObject* object) {
  uint32_t want = form->defaultButton;
  if (want == 0 || !(GuiIsKind(object, FCC("BUTN")) || GuiIsKind(object, FCC("BTNS"))))
    return false;
  if (want > 10) return object->tag == want;
  uint32_t n = 0;
  for (const auto& o : form->objects) {
    if (!GuiIsKind(o.get(), FCC("BUTN")) && !GuiIsKind(o.get(), FCC("BTNS"))) continue;
    if (++n == want) return o.get() == object;
  }
  return false;
}

void GuiDrawObject(GuiForm* form, GuiObject* object) {
  if (!form || !object || !form->surface || !GuiVisible(object)) return;
  if (object->rect.w <= 0 || object->rect.h <= 0) return;
  GfxCanvas c = GuiCanvas(form, object->rect);
  uintptr_t result = uintptr_t(&form->result);
  bool userDrawn = object->flags & OBJ_USER_DRAWN;
  if (userDrawn && GuiSendEvent(form, FORM_EVT_OBJECT_DRAW, result, object->tag, uintptr_t(object),
                                object->flags) != 0) {
    // The application drew it.
  } else {
    const GuiControlOps* ops = GuiControlFor(object->kind);
    if (ops->draw) ops->draw(form, object, &c);
    if (ops->focusable && form->focus == object) {
      c = GuiCanvas(form, object->rect);
      GuiFocusRing(&c, object->rect, GuiColour(form, COL_FOCUS));
    }
  }
  if (userDrawn)
    (void)GuiSendEvent(form, FORM_EVT_OBJECT_DRAWN, result, object->tag, uintptr_t(object),
                       object->flags);
}

void GuiDrawForm(GuiForm* form) {
  if (!form || !form->surface) return;
  GfxCanvas c = GFX_CanvasFor(form->surface);
  GfxRect all{0, 0, form->surface->width, form->surface->height};
  GFX_FillRect(&c, all, GuiColour(form, COL_BACK));
  bool dialog = form->flags & (FORM_MODAL | FORM_ALERT);
  if (!form->title.empty() || (form->flags & FORM_HAS_TITLE)) {
    int16_t height =
        form->titleHeight > 0 ? form->titleHeight : int16_t(TXT_LineHeight(FONT_BOLD) + 4);
    if (dialog)
      drawDialogTitle(form, &c, height);
    else
      drawPlainTitle(form, &c, height);
  }
  if (dialog) GFX_FrameRect(&c, all, GuiColour(form, COL_TITLE), 1);
  for (auto& o : form->objects) GuiDrawObject(form, o.get());
}

void GuiRefresh(GuiForm* form, GuiObject* object) {
  GuiDrawObject(form, object);
  if (form->running) GUI_FormShow(form);
}

void GuiRedrawArea(GuiForm* form, const GfxRect& r, const GuiObject* skip) {
  if (!form->surface) return;
  // Near the title or the dialog frame the whole form is drawn again.
  bool dialog = form->flags & (FORM_MODAL | FORM_ALERT);
  int16_t top =
      std::max<int16_t>(int16_t(GuiMenuBarHeight(form) + form->titleHeight), dialog ? 1 : 0);
  if (r.y < top || (dialog && (r.x < 1 || r.x + r.w >= form->surface->width ||
                               r.y + r.h >= form->surface->height))) {
    GuiDrawForm(form);
    if (form->running) GUI_FormShow(form);
    return;
  }
  GfxCanvas c = GuiCanvas(form, r);
  GFX_FillRect(&c, r, GuiColour(form, COL_BACK));
  for (auto& o : form->objects) {
    if (o.get() == skip || !GuiVisible(o.get())) continue;
    GfxRect meet = GFX_Intersect(o->rect, r);
    if (meet.w > 0 && meet.h > 0) GuiDrawObject(form, o.get());
  }
  if (form->running) GUI_FormShow(form);
}
