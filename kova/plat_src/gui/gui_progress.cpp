// The progress dialog: platform form "kPrg" opened over the running form and
// driven by the caller instead of a modal loop. Updates redraw the bar
// "Bar_" and the text "Info" only when what they show changed, at most
// every 50 ms, and take the host's waiting input through the manager's
// queue, so a tap on "ABRT" or Escape (the form's escape button) is seen.
// Invariant: with no dialog open every call does nothing.
#include <string>

#include "gui_ctl.h"
#include "gui_loop.h"
#include "kova_progress.h"
#include "kova_res.h"

namespace {

constexpr uint32_t PRG_INTERVAL_MS = 50;
constexpr FourCC TAG_BAR = FCC("Bar_");
constexpr FourCC TAG_TEXT = FCC("Info");

struct ProgressState {
  GuiForm* form = nullptr;
  int32_t maximum = 0;
  int32_t value = 0;
  int32_t drawnFill = -1;  // filled width last drawn
  std::string text;
  std::string drawnText;
  bool aborted = false;
  uint32_t lastTurn = 0;  // ticks of the last redraw and pump
};

ProgressState g_prg;

// The filled width of a bar `width` pixels wide, inside its one-pixel frame.
int32_t fillWidth(int32_t width) {
  int32_t inner = width - 2;
  if (g_prg.maximum <= 0 || inner <= 0) return 0;
  return int32_t(int64_t(inner) * g_prg.value / g_prg.maximum);
}

void drawBar(GuiForm* form, GuiObject* bar) {
  GfxCanvas c = GuiCanvas(form, bar->rect);
  const GfxRect& r = bar->rect;
  GFX_FillRect(&c, r, GuiColour(form, COL_BACK));
  GFX_FrameRect(&c, r, GuiColour(form, COL_FRAME), 1);
  int32_t fill = fillWidth(r.w);
  if (fill > 0)
    GFX_FillRect(&c, GfxRect{int16_t(r.x + 1), int16_t(r.y + 1), int16_t(fill), int16_t(r.h - 2)},
                 GuiColour(form, COL_FOCUS));
  g_prg.drawnFill = fill;
}

int16_t progressHandler(FourCC, GuiForm* form, uintptr_t, uintptr_t, int16_t kind, uintptr_t a1,
                        uintptr_t a2, uintptr_t, uintptr_t, uintptr_t) {
  if (kind == FORM_EVT_CONTROL && FourCC(a1) == PRG_ABORT) {
    g_prg.aborted = true;
    return 1;
  }
  if (kind == FORM_EVT_OBJECT_DRAW && FourCC(a1) == TAG_BAR) {
    drawBar(form, reinterpret_cast<GuiObject*>(a2));
    return 1;
  }
  return 0;
}

// Takes the host's waiting messages without the pump's idle wait and hands
// every queued input to the dialog. A quit request counts as an abort.
void takeInput() {
  GuiForm* form = g_prg.form;
  (void)GuiCallLoopHook(form);
  HostEvent wake{};
  wake.kind = HOST_EVT_USER;
  (void)HOST_PostEvent(&wake);  // something waits, so the pump does not sleep
  (void)GuiPumpStep();
  GuiRelayoutIfNeeded();
  GuiInput in;
  while (g_prg.form && GuiInputTake(&in)) GuiDispatchInput(form, in);
  if (GuiQuitRequested()) g_prg.aborted = true;
  if (form->flags & FORM_REDRAW) {
    form->flags &= ~FORM_REDRAW;
    GUI_FormDraw(form);
  }
}

bool due() { return int32_t(HOST_Ticks() - g_prg.lastTurn) >= int32_t(PRG_INTERVAL_MS); }

}  // namespace

Err PRG_Open(const char* title, const char* text, int32_t maximum) {
  PRG_Close();
  GuiForm* form = nullptr;
  Err err = GUI_FormOpen(&form, FCC("kPrg"), 0, RES_TYPE_FORM, nullptr);
  if (err != 0) return err;
  g_prg = ProgressState{};
  g_prg.form = form;
  g_prg.maximum = maximum > 0 ? maximum : 0;
  g_prg.text = text ? text : "";
  form->handler = progressHandler;
  form->running = true;
  if (title) form->title = title;
  (void)GUI_SetText(form, TAG_TEXT, g_prg.text.c_str());
  if (g_prg.maximum == 0) (void)GUI_Show(form, TAG_BAR, false);
  GUI_FormDraw(form);
  g_prg.drawnText = g_prg.text;
  g_prg.lastTurn = HOST_Ticks();
  return 0;
}

void PRG_Update(int32_t value, const char* text) {
  GuiForm* form = g_prg.form;
  if (!form) return;
  g_prg.value = value < 0 ? 0 : (value > g_prg.maximum ? g_prg.maximum : value);
  if (text) g_prg.text = text;
  if (!due()) return;
  g_prg.lastTurn = HOST_Ticks();
  if (g_prg.text != g_prg.drawnText) {
    (void)GUI_SetText(form, TAG_TEXT, g_prg.text.c_str());
    (void)GUI_Redraw(form, TAG_TEXT);
    g_prg.drawnText = g_prg.text;
  }
  GfxRect bar{};
  if (g_prg.maximum > 0 && GUI_GetBounds(form, TAG_BAR, &bar) == 0 &&
      fillWidth(bar.w) != g_prg.drawnFill)
    (void)GUI_Redraw(form, TAG_BAR);
  takeInput();
}

bool PRG_Aborted() {
  if (!g_prg.form) return false;
  if (!g_prg.aborted && due()) {
    g_prg.lastTurn = HOST_Ticks();
    takeInput();
  }
  return g_prg.aborted;
}

void PRG_Close() {
  GuiForm* form = g_prg.form;
  g_prg = ProgressState{};
  if (form) GUI_FormClose(form);
}

bool PRG_IsOpen() { return g_prg.form != nullptr; }
