// The font dialog "Font": the list "LLoc" of the eleven screens that have a
// font of their own, the push buttons "F000" "F001" "F002" "F007" "F129"
// (each label drawn in its font) and "Choo", which takes a TrueType or
// OpenType file through the file picker as a custom font (font 1000).
// The choices are kept per slot while the dialog runs and stored on any
// close but "CANC". Owns no state beyond the dialog's run.
#include <strings.h>

#include <cstring>

#include "main_handler.h"
#include "prefs_dialogs.h"

namespace {

constexpr FourCC TAG_SLOTS = FCC("LLoc");
constexpr FourCC TAG_CHOOSE = FCC("Choo");

struct FontButton {
  FourCC tag;
  uint16_t font;
};
constexpr FontButton BUTTONS[] = {{FCC("F000"), PREFS_FONT_STANDARD},
                                  {FCC("F001"), PREFS_FONT_BOLD},
                                  {FCC("F002"), PREFS_FONT_LARGE},
                                  {FCC("F007"), PREFS_FONT_LARGE_BOLD},
                                  {FCC("F129"), PREFS_FONT_TINY}};

struct FontRun {
  uint16_t fonts[PREFS_FONT_SLOTS];
  uint32_t customs[PREFS_FONT_SLOTS];
  int slot;
};

// Checks the button of the slot's font (none for a custom font).
void showSlot(GuiForm* form, const FontRun* run) {
  for (const FontButton& b : BUTTONS) {
    (void)GUI_SetValue(form, b.tag, run->fonts[run->slot] == b.font ? 1 : 0);
    (void)GUI_Redraw(form, b.tag);
  }
}

bool fontFile(void*, const char* name, bool isFolder) {
  if (isFolder) return true;
  size_t n = strlen(name);
  if (n < 4) return false;
  const char* ext = name + n - 4;
  return strcasecmp(ext, ".ttf") == 0 || strcasecmp(ext, ".otf") == 0;
}

// The custom font of "Choo": picked, copied into the data folder and
// stored for the slot; where that fails, "Buck" and the standard font.
void chooseCustom(GuiForm* form, FontRun* run) {
  FilePickRequest request{};
  request.title = "Custom Font";
  request.prompt = "Choose a TrueType font:";
  request.volume = VOL_DOCUMENTS;
  request.filter = fontFile;
  FilePickResult picked{};
  Err err = GUI_PickFile(&request, &picked);
  if (err == ERR_FORM_CANCELLED) return;
  uint32_t id = 0;
  uint16_t code = 0;
  if (err == 0) err = TXT_CustomFontAdd(picked.volume, picked.dir, picked.name, &id);
  if (err == 0) err = TXT_CustomFontCode(id, &code);
  if (err == 0) {
    run->fonts[run->slot] = PREFS_FONT_CUSTOM;
    run->customs[run->slot] = id;
  } else {
    (void)MainAlert(FCC("Buck"), nullptr);
    run->fonts[run->slot] = PREFS_FONT_STANDARD;
  }
  showSlot(form, run);
}

int16_t fontHandler(FourCC, GuiForm* form, uintptr_t user, uintptr_t, int16_t kind, uintptr_t a1,
                    uintptr_t, uintptr_t, uintptr_t, uintptr_t) {
  FontRun* run = reinterpret_cast<FontRun*>(user);
  if (kind == FORM_EVT_OPEN) {
    (void)GUI_SetValue(form, TAG_SLOTS, run->slot);
    showSlot(form, run);
    return 0;
  }
  if (kind != FORM_EVT_CONTROL) return 0;
  FourCC tag = FourCC(a1);
  if (tag == TAG_SLOTS) {
    int32_t slot = -1;
    (void)GUI_GetValue(form, TAG_SLOTS, &slot);
    if (slot >= 0 && slot < PREFS_FONT_SLOTS) run->slot = slot;
    showSlot(form, run);
    return 1;
  }
  for (const FontButton& b : BUTTONS) {
    if (tag != b.tag) continue;
    run->fonts[run->slot] = b.font;
    return 1;
  }
  if (tag == TAG_CHOOSE) {
    chooseCustom(form, run);
    return 1;
  }
  return 0;
}

}  // namespace

uint16_t PrefsFontDialog(int slot) {
  FontRun run{};
  memcpy(run.fonts, g_prefs.fontBySlot, sizeof run.fonts);
  memcpy(run.customs, g_prefs.customFontBySlot, sizeof run.customs);
  run.slot = slot >= 0 && slot < PREFS_FONT_SLOTS ? slot : 0;
  GuiForm* form = nullptr;
  if (GUI_FormOpen(&form, FCC("Font"), 0, RES_TYPE_FORM, nullptr) != 0) return 0;
  const TagItem params[] = {
      {GUI_RUN_HANDLER, uintptr_t(fontHandler)}, {GUI_RUN_USER, uintptr_t(&run)}, {0, 0}};
  uint32_t result = GUI_FormDoDialog(form, params);
  GUI_FormClose(form);
  if (result == FCC("CANC")) return 0;
  if (memcmp(run.fonts, g_prefs.fontBySlot, sizeof run.fonts) == 0 &&
      memcmp(run.customs, g_prefs.customFontBySlot, sizeof run.customs) == 0)
    return 0;
  memcpy(g_prefs.fontBySlot, run.fonts, sizeof run.fonts);
  memcpy(g_prefs.customFontBySlot, run.customs, sizeof run.customs);
  return PREFS_DLG_REDRAW;
}
