// Running forms: GUI_FormLoad chains dialogs (a "Goto" or GUI_FormGoto
// names the next form, run with the same parameters), GUI_FormDoDialog runs
// one form's modal loop: redraw requests (FORM_EVT_UPDATE, draw,
// FORM_EVT_DRAWN), the host's messages or a 100 ms sleep, the caret blink,
// the timer at the run period, one queued input per turn (FORM_EVT_IDLE
// when none waited), quitting, and the close query. Owns the loop hook.
//
// Invariants: (1) a dialog ends only with a non-zero result the close query
// did not refuse, or when the loop hook ends it; (2) one queued input is
// dispatched per turn, and the host is pumped only when none waits, so
// queued input is never delayed by a sleep.

#include "gui_loop.h"
#include "kova_debug.h"
#include "kova_res.h"
#include "kova_sound.h"

namespace {

// A repeating button held still gets no pen moves: every turn of the loop
// gives it one at its centre, so it repeats on its own clock while the pen
// stays down inside it.
void holdRepeat(GuiForm* form) {
  GuiObject* held = form->penObject;
  if (!held || held->kind != FCC("REPT") || !held->control.pressed) return;
  const GuiControlOps* ops = GuiControlFor(held->kind);
  if (!ops->pen) return;
  (void)ops->pen(form, held, 1, int16_t(held->rect.x + held->rect.w / 2),
                 int16_t(held->rect.y + held->rect.h / 2));
}

struct RunState {
  bool (*hook)(GuiForm*, uintptr_t);
  uintptr_t hookData;
  bool quit;  // the host's quit message was dispatched
};

RunState g_run;

// Applies run parameters; an unknown tag ends the list.
void applyParams(GuiForm* form, const TagItem* params) {
  form->period = 100;
  for (const TagItem* p = params; p && p->tag != 0; p++) {
    switch (p->tag) {
      case GUI_RUN_FLAGS:
        form->runFlags |= uint32_t(p->value);
        break;
      case GUI_RUN_HANDLER:
        form->handler = reinterpret_cast<FormEventHandler>(p->value);
        break;
      case GUI_RUN_USER:
        form->userValue = p->value;
        break;
      case GUI_RUN_PERIOD:
        form->period = uint32_t(p->value);
        break;
      default:
        DBG_Print(FCC("SCRN"), "GUI_FormLoad: Bad parameters (non-longword aligned tag?)");
        return;
    }
  }
}

// The alert kinds' sounds (error 2, confirmation 4, information and
// warning 1), the system beeps of the store; nothing happens without an
// audio device.
void playAlertSound(const GuiForm* form) {
  uint16_t sound = (form->flags & FORM_ERROR)                   ? SND_BEEP_ERROR
                   : (form->flags & FORM_CONFIRM)               ? SND_BEEP_CONFIRM
                   : (form->flags & (FORM_INFO | FORM_WARNING)) ? SND_BEEP_INFO
                                                                : 0;
  if (sound != 0) (void)SND_Beep(sound);
}

// Fields flagged "Slct" start with all their text selected.
void selectFields(GuiForm* form) {
  for (auto& o : form->objects)
    if (o->kind == FCC("FELD") && (o->flags & OBJ_SELECTED)) {
      o->control.selStart = 0;
      o->control.selEnd = int32_t(o->control.text.size());
    }
}

void redrawIfRequested(GuiForm* form) {
  if (!(form->flags & FORM_REDRAW)) return;
  form->flags &= ~FORM_REDRAW;
  uintptr_t result = uintptr_t(&form->result);
  (void)GuiSendEvent(form, FORM_EVT_UPDATE, result);
  GuiDrawForm(form);
  GuiPresentScreen();
  (void)GuiSendEvent(form, FORM_EVT_DRAWN, result);
}

bool due(uint32_t now, uint32_t at) { return int32_t(now - at) >= 0; }

// The turns of one dialog (step 3 of running a form).
void runLoop(GuiForm* form) {
  GuiState* g = GuiGlobal();
  uint32_t period = form->period ? form->period : 100;
  uint32_t nextTick = HOST_Ticks() + period;
  uint32_t second = HOST_Ticks() / 1000;
  bool caretOn = true;
  for (;;) {
    if (!GuiCallLoopHook(form)) {
      form->result = GUI_RESULT_STOP;
      return;
    }
    GuiRelayoutIfNeeded();
    redrawIfRequested(form);
    (void)GuiPumpStep();
    uint32_t now = HOST_Ticks();
    if (now / 1000 != second) {
      second = now / 1000;
      caretOn = !caretOn;
      if (form->focus && form->focus->kind == FCC("FELD")) {
        GuiCaretBlink(form, caretOn);
        GuiPresentScreen();
      }
    }
    if (due(now, nextTick)) {
      nextTick += period;
      if (due(now, nextTick)) nextTick = now + period;  // fell behind: no burst
      (void)GuiSendEvent(form, FORM_EVT_TICK, uintptr_t(&form->result));
    }
    holdRepeat(form);
    GuiInput in;
    if (GuiInputTake(&in))
      GuiDispatchInput(form, in);
    else
      (void)GuiSendEvent(form, FORM_EVT_IDLE, uintptr_t(&form->result));
    if ((GuiQuitRequested() || g->gotoPending) && form->result == 0) form->result = GUI_RESULT_STOP;
    if (form->result == 0) continue;
    if (GuiSendEvent(form, FORM_EVT_CLOSE_QUERY, uintptr_t(&form->result)) == 0) return;
    form->result = 0;
  }
}

}  // namespace

uint32_t GUI_FormDoDialog(GuiForm* form, const TagItem* params) {
  if (!form) return GUI_RESULT_ERROR;
  // 1. clear the result; the pointer is the desktop's arrow already.
  form->result = 0;
  applyParams(form, params);
  playAlertSound(form);
  if (form->timerInterval != 0) form->period = 100;
  selectFields(form);
  bool wasRunning = form->running;
  form->running = true;
  form->flags |= FORM_REDRAW;
  (void)GuiSendEvent(form, FORM_EVT_OPEN, uintptr_t(&form->result));
  runLoop(form);
  form->running = wasRunning;
  form->penObject = nullptr;
  return form->result;
}

uint32_t GUI_FormLoad(uint32_t formId, const TagItem* params) {
  GuiState* g = GuiGlobal();
  uint32_t result = GUI_RESULT_STOP;
  uint32_t id = formId;
  for (;;) {
    GuiForm* form = nullptr;
    Err err = GUI_FormOpen(&form, id, 0, RES_TYPE_FORM, nullptr);
    if (err != 0) {
      DBG_Print(FCC("SCRN"), "GUI_FormLoad: form %lx cannot be opened (%hd)\n", id, int(err));
      break;
    }
    g->gotoPending = false;
    result = GUI_FormDoDialog(form, params);
    GUI_FormClose(form);
    if (!g->gotoPending || GuiQuitRequested()) break;
    g->gotoPending = false;
    id = g->gotoForm;
  }
  g->gotoPending = false;
  return result;
}

void GUI_FormGoto(uint32_t formId) {
  GuiState* g = GuiGlobal();
  g->gotoForm = formId;
  g->gotoPending = true;
}

void GUI_FormSetResult(GuiForm* form, uint32_t result) {
  if (form) form->result = result;
}

void GUI_FormRequestRedraw(GuiForm* form) {
  if (form) form->flags |= FORM_REDRAW;
}

void GUI_FormDraw(GuiForm* form) {
  if (!form) return;
  GuiDrawForm(form);
  GuiPresentScreen();
}

int16_t GuiSendEvent(GuiForm* form, int16_t kind, uintptr_t operand, uintptr_t a1, uintptr_t a2,
                     uintptr_t a3, uintptr_t a4, uintptr_t a5) {
  if (!form || !form->handler) return 0;
  return form->handler(GUI_FormTag(form), form, form->userValue, operand, kind, a1, a2, a3, a4, a5);
}

void GuiControlSelected(GuiForm* form, GuiObject* object, int32_t value1, int32_t value2) {
  if (!form || !object) return;
  if (GuiSendEvent(form, FORM_EVT_CONTROL, uintptr_t(&form->result), object->tag, uintptr_t(object),
                   object->kind, uintptr_t(intptr_t(value1)), uintptr_t(intptr_t(value2))))
    return;
  GuiControlDefaultAction(form, object);
}

void GuiValueChanged(GuiForm* form, GuiObject* object, int32_t value1, int32_t value2) {
  if (!form || !object) return;
  (void)GuiSendEvent(form, FORM_EVT_VALUE, object->tag, uintptr_t(object), object->kind,
                     uintptr_t(intptr_t(value1)), uintptr_t(intptr_t(value2)));
}

void GuiSetLoopHook(bool (*hook)(GuiForm* form, uintptr_t data), uintptr_t data) {
  g_run.hook = hook;
  g_run.hookData = data;
}

bool GuiCallLoopHook(GuiForm* form) { return !g_run.hook || g_run.hook(form, g_run.hookData); }

bool GuiPumpStep() {
  if (GuiInputPending()) return !g_run.quit;
  if (!HOST_PumpStep()) g_run.quit = true;
  return !g_run.quit;
}

bool GuiQuitRequested() { return g_run.quit || HOST_QuitPosted(); }

void GuiRunReset() { g_run.quit = false; }
