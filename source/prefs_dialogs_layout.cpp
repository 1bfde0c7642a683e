// The list layout chooser "View" (each layout's button closes it with the
// layout's tag, which becomes the layout shown) and the about box "Abou"
// (the program's name, its version from the store's "tver", the build date
// and the copyright line). Owns no state.
#include <cstring>

#include "main_handler.h"
#include "prefs_dialogs_internal.h"

namespace {

// The body of a text resource (type, id) into `out`, "" when missing.
void resourceText(FourCC type, uint32_t id, char* out, uint32_t size) {
  out[0] = 0;
  ResHandle h = nullptr;
  if (RES_Get(&h, type, id) != 0) return;
  uint32_t n = RES_Size(h);
  const uint8_t* body = RES_Data(h);
  uint32_t i = 0;
  for (; body && i < n && i + 1 < size && body[i] != 0; ++i) out[i] = char(body[i]);
  out[i] = 0;
  RES_Release(&h);
}

}  // namespace

uint16_t PrefsLayoutDialog() {
  uint32_t result = PrefsRunForm(FCC("View"), nullptr);
  // Only a layout's own button names a layout; Cancel, a quit or a form
  // that cannot open change nothing.
  if (MainLayoutIndex(result) < 0 || result == g_prefs.startForm) return 0;
  g_prefs.startForm = result;
  return PREFS_DLG_RELAYOUT;
}

uint16_t PrefsAboutDialog() {
  char name[40], version[40], built[40];
  if (RES_GetString(FCC("NAME"), name, sizeof name) != 0 || name[0] == 0) strcpy(name, "Brantel");
  resourceText(RES_TYPE_VERSION, 1, version, sizeof version);
  resourceText(RES_TYPE_DATE, 1, built, sizeof built);
  // clang-format off
  const DialogWord bindings[] = {
      DLG_SHOW_TEXT, FCC("Name"), PrefsWord(name),
      DLG_SHOW_TEXT, FCC("Vers"), PrefsWord(version),
      DLG_SHOW_TEXT, FCC("Date"), PrefsWord(built),
      DLG_END};
  // clang-format on
  (void)PrefsRunForm(FCC("Abou"), bindings);
  return 0;
}
