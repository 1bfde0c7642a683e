// The controls dialog "CPrf" (the seven action selectors, the tap and hand
// settings, the typed-search timeout, the pad option) and the other
// preferences "Pref" (two-way links, find, return after dialing, the quick
// dial gadget's signal display and menu style, the tips reset). The action
// pop-ups list the actions in their own order; codes are converted both
// ways around the run. Owns no state.
#include <cstring>

#include "prefs_dialogs_internal.h"

namespace {

constexpr int ACTION_SELECTORS = 7;

struct Selector {
  FourCC list, trigger;
  uint16_t Prefs::*field;
};

constexpr Selector kSelectors[ACTION_SELECTORS] = {
    {FCC("LOpn"), FCC("TOpn"), &Prefs::openAction},
    {FCC("LLst"), FCC("TLst"), &Prefs::listAction},
    {FCC("LHld"), FCC("THld"), &Prefs::holdAction},
    {FCC("LVw_"), FCC("TVw_"), &Prefs::viewAction},
    {FCC("LDat"), FCC("TDat"), &Prefs::dataAction},
    {FCC("LBtn"), FCC("TBtn"), &Prefs::buttonAction},
    {FCC("LBtH"), FCC("TBtH"), &Prefs::buttonHoldAction},
};

}  // namespace

uint16_t PrefsControlsDialog() {
  Prefs before;
  memcpy(&before, &g_prefs, sizeof before);
  uint16_t positions[ACTION_SELECTORS];
  for (int i = 0; i < ACTION_SELECTORS; ++i)
    positions[i] = uint16_t(PrefsActionPosition(g_prefs.*kSelectors[i].field));
  uint16_t seek = uint16_t(PrefsSeekPosition(g_prefs.seekTimeoutMs));
  DialogWord bindings[ACTION_SELECTORS * 4 + 4 + 3 * 3 + 1];
  int n = 0;
  for (int i = 0; i < ACTION_SELECTORS; ++i) {
    bindings[n++] = DLG_INDEX16;
    bindings[n++] = kSelectors[i].list;
    bindings[n++] = kSelectors[i].trigger;
    bindings[n++] = PrefsWord(&positions[i]);
  }
  // clang-format off
  const DialogWord rest[] = {
      DLG_INDEX16, FCC("LSek"), FCC("TSek"), PrefsWord(&seek),
      DLG_VALUE8,  FCC("Sngl"), PrefsWord(&g_prefs.singleTapOnly),
      DLG_VALUE8,  FCC("Left"), PrefsWord(&g_prefs.leftHanded),
      DLG_VALUE8,  FCC("PadO"), PrefsWord(&g_prefs.padOption),
  };
  // clang-format on
  for (DialogWord w : rest) bindings[n++] = w;
  bindings[n] = DLG_END;
  if (PrefsResultWritten(PrefsRunForm(FCC("CPrf"), bindings))) {
    // A list left without a choice keeps its setting.
    for (int i = 0; i < ACTION_SELECTORS; ++i) {
      int32_t code = PrefsActionCode(int16_t(positions[i]));
      if (code >= 0) g_prefs.*kSelectors[i].field = uint16_t(code);
    }
    int16_t timeout = PrefsSeekTimeout(int16_t(seek));
    if (timeout > 0) g_prefs.seekTimeoutMs = timeout;
    PrefsClampRanges(&g_prefs);
  }
  return PrefsChangedSince(&before);
}

uint16_t PrefsOtherDialog() {
  Prefs before;
  memcpy(&before, &g_prefs, sizeof before);
  // clang-format off
  const DialogWord bindings[] = {
      DLG_VALUE8,  FCC("TwoW"), PrefsWord(&g_prefs.twoWayLinks),
      DLG_VALUE8,  FCC("GFnd"), PrefsWord(&g_prefs.globalFind),
      DLG_VALUE8,  FCC("ARet"), PrefsWord(&g_prefs.autoReturn),
      DLG_INDEX16, FCC("SigL"), FCC("SigT"), PrefsWord(&g_prefs.signalDisplay),
      DLG_INDEX16, FCC("FanL"), FCC("FanT"), PrefsWord(&g_prefs.fanMode),
      DLG_HANDLER, reinterpret_cast<DialogWord>(&PrefsResetTipsHandler),
      DLG_END};
  // clang-format on
  if (PrefsResultWritten(PrefsRunForm(FCC("Pref"), bindings))) PrefsClampRanges(&g_prefs);
  return PrefsChangedSince(&before);
}
