// The screen: the manager's state record, the screen's size, and the window
// contents composed from every open form (full-screen forms where they were
// laid out, modal forms and alerts centred with a shadow, the menu bar strip
// over the topmost full-screen form that has one, then an open menu or
// pop-up list) and presented through the host. A window resize lays every
// open form out again. Owns the state record, the screen surface (through
// it) and the overlay.
#include "gui_loop.h"
#include "kova_debug.h"

namespace {

constexpr uint32_t SCREEN_BACK = 0xD4D7DC;  // where no form covers the window
constexpr uint32_t SHADOW = 0x6E7178;
constexpr int16_t SHADOW_OFFSET = 3;

struct ScreenState {
  GuiState* state;  // new/delete: it holds vectors
  GuiOverlayFn overlay;
  uintptr_t overlayData;
  bool relayout;
};

ScreenState g_screen;

bool isModal(const GuiForm* form) { return form->flags & (FORM_MODAL | FORM_ALERT); }

// Keeps the screen surface at the window's size.
bool ensureScreen(GuiState* g, int16_t width, int16_t height) {
  if (g->screen && g->screen->width == width && g->screen->height == height) return true;
  IMG_SurfaceFree(&g->screen);
  return IMG_SurfaceNew(&g->screen, width, height, IMG_DEPTH_24) == 0;
}

void drawForm(GfxCanvas* c, const GuiForm* form) {
  if (!form->surface) return;
  GfxRect r = GuiFormScreenRect(form);
  if (isModal(form)) {
    GFX_FillRect(c, GfxRect{int16_t(r.x + SHADOW_OFFSET), int16_t(r.y + SHADOW_OFFSET), r.w, r.h},
                 SHADOW);
  }
  GFX_Blit(c, form->surface, nullptr, r.x, r.y);
}

// Lays one form out for the screen it is on now.
void relayout(GuiForm* form) {
  int16_t w = 0, h = 0, scale = 256;
  GuiScreenSize(&w, &h, &scale);
  form->screenWidth = w;
  form->screenHeight = h;
  form->scale = scale;
  GuiAutoLayout(form);
  if (form->rect.w <= 0 || form->rect.h <= 0) return;
  if (!form->surface || form->surface->width != form->rect.w ||
      form->surface->height != form->rect.h) {
    ImgSurface* fresh = nullptr;
    if (IMG_SurfaceNew(&fresh, form->rect.w, form->rect.h, IMG_DEPTH_24) != 0) {
      DBG_Print(FCC("SCRN"), "GUI: no surface for form %lx after a resize\n", form->id);
      return;  // the old surface stays: drawing is clipped to it
    }
    IMG_SurfaceFree(&form->surface);
    form->surface = fresh;
  }
  GuiDrawForm(form);
  form->flags |= FORM_REDRAW;
}

}  // namespace

GuiState* GuiGlobal() {
  if (!g_screen.state) g_screen.state = new GuiState();
  return g_screen.state;
}

void GuiGlobalFree() {
  if (!g_screen.state) return;
  IMG_SurfaceFree(&g_screen.state->screen);
  delete g_screen.state;
  g_screen = ScreenState{};
}

void GuiScreenSize(int16_t* width, int16_t* height, int16_t* scale) {
  if (width) *width = int16_t(HOST_SystemValue(HOST_SV_SCREEN_WIDTH));
  if (height) *height = int16_t(HOST_SystemValue(HOST_SV_SCREEN_HEIGHT));
  if (scale) *scale = int16_t(HOST_SystemValue(HOST_SV_DISPLAY_SCALE));
}

GfxRect GuiFormScreenRect(const GuiForm* form) {
  GfxRect r = form->rect;
  if (!isModal(form)) return r;
  int16_t w = 0, h = 0;
  GuiScreenSize(&w, &h, nullptr);
  r.x = int16_t(w > r.w ? (w - r.w) / 2 : 0);
  r.y = int16_t(h > r.h ? (h - r.h) / 2 : 0);
  return r;
}

void GuiPresentScreen() {
  GuiState* g = GuiGlobal();
  int16_t w = 0, h = 0;
  GuiScreenSize(&w, &h, nullptr);
  if (w <= 0 || h <= 0 || !ensureScreen(g, w, h)) return;
  GfxCanvas c = GFX_CanvasFor(g->screen);
  GFX_FillRect(&c, GfxRect{0, 0, w, h}, SCREEN_BACK);
  // The strip belongs to the topmost full-screen form; modal forms lie over it.
  const GuiForm* barOwner = nullptr;
  for (const GuiForm* f : g->forms)
    if (!isModal(f)) barOwner = f;
  for (const GuiForm* f : g->forms) {
    drawForm(&c, f);
    if (f == barOwner && GuiMenuBarHeight(f) > 0) GuiMenuDrawBar(f, &c);
  }
  if (g_screen.overlay) g_screen.overlay(&c, g_screen.overlayData);
  if (HOST_Started())
    (void)HOST_Present(g->screen->pixels, g->screen->width, g->screen->height,
                       int32_t(g->screen->rowBytes));
}

void GUI_FormShow(GuiForm*) { GuiPresentScreen(); }

GfxCanvas GUI_FormCanvas(GuiForm* form) {
  if (!form || !form->surface) return GfxCanvas{nullptr, GfxRect{0, 0, 0, 0}, 0, 0};
  return GFX_CanvasFor(form->surface);
}

void GuiSetOverlay(GuiOverlayFn draw, uintptr_t data) {
  g_screen.overlay = draw;
  g_screen.overlayData = data;
}

void GuiRequestRelayout() { g_screen.relayout = true; }

void GuiRelayoutIfNeeded() {
  if (!g_screen.relayout) return;
  g_screen.relayout = false;
  GuiState* g = GuiGlobal();
  for (GuiForm* f : g->forms) relayout(f);
  GuiPresentScreen();
}
