// Alerts of the main screen and the one-time hints: each hint ("t…" alert)
// has a bit in `tipsShown`; a hint whose bit is set is not shown again, and
// showing it sets the bit (the "View" preferences' reset clears them all).
// Owns the alert hook (tests answer alerts through it).
#include "main_handler.h"

namespace {

struct HintBit {
  FourCC hint;
  uint32_t bit;
};

constexpr HintBit kHints[] = {
    {FCC("tCpy"), 0x0001}, {FCC("tDup"), 0x0002}, {FCC("tFnd"), 0x0004}, {FCC("tSnd"), 0x0008},
    {FCC("tPad"), 0x0010}, {FCC("tGrp"), 0x0020}, {FCC("tScn"), 0x0040}, {FCC("tPls"), 0x0080},
    {FCC("tDbp"), 0x0200}, {FCC("tHld"), 0x0800}, {FCC("tBut"), 0x1000},
};

MainAlertFn g_alertHook;

// The form manager's alert: texts go into the message's markers, never
// read as formats.
int32_t formAlert(FourCC name, const char* const* args) {
  uint32_t result = args ? GUI_AlertCustom(name, args) : GUI_Alert(name);
  return result < 256 ? int32_t(result) : -1;
}

}  // namespace

void MainSetAlertHook(MainAlertFn fn) { g_alertHook = fn; }

int32_t MainAlert(FourCC name, const char* const* args) {
  return g_alertHook ? g_alertHook(name, args) : formAlert(name, args);
}

int16_t MainContactAlert(FourCC name, const char* const* args, int16_t argCount) {
  // At most eight texts, ended by a null entry.
  const char* list[9] = {};
  for (int16_t i = 0; args && i < argCount && i < 8; ++i) list[i] = args[i];
  return int16_t(MainAlert(name, argCount > 0 ? list : nullptr));
}

uint32_t MainHintBit(FourCC hint) {
  for (const HintBit& h : kHints)
    if (h.hint == hint) return h.bit;
  return 0;
}

int32_t MainShowHint(FourCC hint) {
  uint32_t bit = MainHintBit(hint);
  if (bit == 0 || (g_prefs.tipsShown & bit) != 0) return -1;
  int32_t button = MainAlert(hint, nullptr);
  g_prefs.tipsShown |= bit;
  return button;
}
