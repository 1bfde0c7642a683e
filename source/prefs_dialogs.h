// The preference dialogs opened from the main screen's commands: each loads
// its form, binds its controls to fields of `g_prefs` through
// GUI_DialogPopup, runs it and applies what changed (a rebuilt sort table, a
// redrawn list, a switched layout). Owns no state.
#pragma once

#include "kova.h"

// What the main screen must do after a dialog closed.
inline constexpr uint16_t PREFS_DLG_REDRAW = 0x1;   // redraw the list
inline constexpr uint16_t PREFS_DLG_REBUILD = 0x2;  // the sort table was rebuilt: reload the list
inline constexpr uint16_t PREFS_DLG_RELAYOUT = 0x4;  // `startForm` changed: go to that layout

// Each returns PREFS_DLG_* bits (0 when cancelled or nothing changed).
uint16_t PrefsGeneralDialog();   // "pPrf", the hub of the display settings
uint16_t PrefsViewDialog();      // "VPrf"
uint16_t PrefsSortDialog();      // "SPrf"
uint16_t PrefsFormatDialog();    // "FPrf" (phone templates)
uint16_t PrefsLabelsDialog();    // "CNam" (custom field labels)
uint16_t PrefsColourDialog();    // "Colr"
uint16_t PrefsOtherDialog();     // "Pref"
uint16_t PrefsControlsDialog();  // "CPrf"
uint16_t PrefsQuickDialog();     // "QPrf"
uint16_t PrefsLayoutDialog();    // "View": the list layout chooser
uint16_t PrefsFontDialog(int slot);  // "Font" for font slot `slot`
uint16_t PrefsSecurityDialog();  // "Secu"
uint16_t PrefsCategoryDialog();  // "Cate"
uint16_t PrefsAboutDialog();     // "Abou"
uint16_t PrefsButtonsDialog();   // "Btns": hint "tBut", then the button-mapping editor

// The security level a run starts with: 1 (private contacts masked) when a
// password is set (or its file is damaged), else 0 (shown).
uint16_t PrefsSecurityAtStart();
