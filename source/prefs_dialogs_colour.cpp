// The colour dialog "Colr" (the twelve list colours through colour
// selectors, and the 16-bit display switch) and the hardware-button
// dialog "Btns" (a one-time hint, then the platform's button-mapping
// editor over the program's "KMAP" list). Own no state.
#include <cstring>

#include "main_handler.h"
#include "prefs_dialogs.h"

namespace {

// The selectors in the order of `listColours`.
constexpr FourCC COLOUR_TAGS[12] = {FCC("lABk"), FCC("lBak"), FCC("lTxt"), FCC("lNot"),
                                    FCC("lHBk"), FCC("lHTx"), FCC("dBak"), FCC("dTxt"),
                                    FCC("dHTx"), FCC("dLab"), FCC("nBak"), FCC("sBak")};

}  // namespace

uint16_t PrefsColourDialog() {
  static_assert(sizeof COLOUR_TAGS / sizeof COLOUR_TAGS[0] ==
                sizeof g_prefs.listColours / sizeof g_prefs.listColours[0]);
  GuiForm* form = nullptr;
  if (GUI_FormOpen(&form, FCC("Colr"), 0, RES_TYPE_FORM, nullptr) != 0) return 0;
  uint32_t colours[12];
  memcpy(colours, g_prefs.listColours, sizeof colours);
  uint8_t deep = g_prefs.use16BitColour;
  DialogWord bindings[12 * 3 + 4];
  int n = 0;
  for (int i = 0; i < 12; ++i) {
    bindings[n++] = DLG_COLOUR;
    bindings[n++] = COLOUR_TAGS[i];
    bindings[n++] = DialogWord(&colours[i]);
  }
  // "16Bt" is the handheld's colour depth; the desktop always draws 24-bit
  // colour and only keeps the choice in the block.
  bindings[n++] = DLG_VALUE8;
  bindings[n++] = FCC("16Bt");
  bindings[n++] = DialogWord(&deep);
  bindings[n++] = DLG_END;
  uint32_t result = GUI_DialogPopup(form, bindings);
  GUI_FormClose(form);
  if (result != FCC("OKAY")) return 0;
  bool changed = memcmp(colours, g_prefs.listColours, sizeof colours) != 0 ||
                 (deep != 0) != (g_prefs.use16BitColour != 0);
  if (!changed) return 0;
  for (int i = 0; i < 12; ++i) g_prefs.listColours[i] = colours[i] & 0xFFFFFF;
  g_prefs.use16BitColour = deep != 0 ? 1 : 0;
  return PREFS_DLG_REDRAW;
}

uint16_t PrefsButtonsDialog() {
  (void)MainShowHint(FCC("tBut"));
  // The mappings take effect in the key translation at once; the list
  // itself does not change.
  (void)GUI_KeyMapEdit(FCC("KMAP"));
  return 0;
}
