// The display settings: the hub "pPrf" with its buttons to the other
// dialogs, "VPrf" (what the list and the full view show, the start
// category) and "SPrf" (sort orders and name matching). The hub rebuilds
// the sort table when one of the six bytes that decide the sort keys or the
// list names changed. Owns no state.
#include <cstring>

#include "category.h"
#include "main_handler.h"
#include "prefs_dialogs_internal.h"
#include "sort.h"

namespace {

// ---------------------------------------------------------------------------
// "VPrf": the start category pop-up lists "All", the categories the
// address book names, and "keep the last one".

constexpr int START_ENTRIES = CATEGORY_COUNT + 2;

struct StartChoice {
  int16_t count;
  uint8_t valueOf[START_ENTRIES];  // entry → `startCategory`
  char names[START_ENTRIES][CATEGORY_NAME_BYTES + 24];
};

void stringOr(FourCC name, const char* fallback, char* out, uint32_t size) {
  if (RES_GetString(name, out, size) != 0 || out[0] == 0) {
    strncpy(out, fallback, size - 1);
    out[size - 1] = 0;
  }
}

void loadStartChoice(StartChoice* c) {
  memset(c, 0, sizeof *c);
  stringOr(FCC("$CAl"), "All", c->names[0], sizeof c->names[0]);
  c->valueOf[c->count++] = PREFS_START_ALL;
  CategoryBlock block;
  bool named = CategoryLoad(&block);
  for (int slot = 0; slot < CATEGORY_COUNT; ++slot) {
    if (named ? !CategoryUsed(&block, slot) : slot != 0) continue;
    if (named)
      CategoryGetName(&block, slot, c->names[c->count], sizeof c->names[c->count]);
    else
      strcpy(c->names[c->count], CATEGORY_UNFILED);
    c->valueOf[c->count++] = uint8_t(slot);
  }
  stringOr(FCC("$SKp"), "Last one used", c->names[c->count], sizeof c->names[0]);
  c->valueOf[c->count++] = PREFS_START_KEEP;
}

// The entry showing `value`; a category no longer named shows as "All".
uint16_t startPosition(const StartChoice* c, uint8_t value) {
  for (int16_t i = 0; i < c->count; ++i)
    if (c->valueOf[i] == value) return uint16_t(i);
  return 0;
}

void fillStartList(GuiForm* form, uintptr_t arg) {
  const StartChoice* c = reinterpret_cast<const StartChoice*>(arg);
  const char* items[START_ENTRIES];
  for (int16_t i = 0; i < c->count; ++i) items[i] = c->names[i];
  (void)GUI_ListSetItems(form, FCC("LCat"), items, c->count);
}

// The data strip's start: kinds 0 … 3, then 4 for "as last shown" (any
// value from 4 on means that).
constexpr uint16_t DATA_KIND_LAST_SHOWN = 4;

// ---------------------------------------------------------------------------
// "pPrf".

// The bytes that decide the sort keys and the names in the list.
struct DisplayBytes {
  uint8_t v[6];
};

DisplayBytes displayBytes() {
  return DisplayBytes{{g_prefs.sortByLast, g_prefs.sortByFirst, g_prefs.sortByCompany,
                       g_prefs.companyWhenNoName, g_prefs.nameWhenNoCompany,
                       g_prefs.showCompanyInList}};
}

// The hub's buttons open their dialogs over it and keep it open; what the
// dialogs report collects in the user value's flags.
int16_t hubHandler(FourCC, GuiForm*, uintptr_t user, uintptr_t, int16_t kind, uintptr_t a1,
                   uintptr_t, uintptr_t, uintptr_t, uintptr_t) {
  if (kind != FORM_EVT_CONTROL) return 0;
  uint16_t* flags = reinterpret_cast<uint16_t*>(user);
  switch (FourCC(a1)) {
    case FCC("VPrf"):
      *flags |= PrefsViewDialog();
      return 1;
    case FCC("SPrf"):
      *flags |= PrefsSortDialog();
      return 1;
    case FCC("FPrf"):
      *flags |= PrefsFormatDialog();
      return 1;
    case FCC("CNam"):
      *flags |= PrefsLabelsDialog();
      return 1;
    case FCC("Colr"):
      *flags |= PrefsColourDialog();
      return 1;
    case FCC("Pref"):
      *flags |= PrefsOtherDialog();
      return 1;
    default:
      return 0;  // "OKAY" closes the hub
  }
}

}  // namespace

uint16_t PrefsGeneralDialog() {
  DisplayBytes before = displayBytes();
  uint16_t flags = 0;
  const DialogWord bindings[] = {DLG_HANDLER, reinterpret_cast<DialogWord>(&hubHandler), DLG_USER,
                                 PrefsWord(&flags), DLG_END};
  (void)PrefsRunForm(FCC("pPrf"), bindings);
  DisplayBytes after = displayBytes();
  if (memcmp(&before, &after, sizeof before) != 0) {
    // The keys and the cached list names depend on these: build anew.
    (void)MainRebuildSortTable(SORT_REBUILD);
    flags |= PREFS_DLG_REBUILD | PREFS_DLG_REDRAW;
  }
  return flags;
}

uint16_t PrefsViewDialog() {
  StartChoice choice;
  loadStartChoice(&choice);
  uint16_t start = startPosition(&choice, g_prefs.startCategory);
  uint16_t dataKind =
      g_prefs.dataKindStart < DATA_KIND_LAST_SHOWN ? g_prefs.dataKindStart : DATA_KIND_LAST_SHOWN;
  Prefs before;
  memcpy(&before, &g_prefs, sizeof before);
  // clang-format off
  const DialogWord bindings[] = {
      DLG_INDEX16, FCC("LCat"), FCC("TCat"), PrefsWord(&start),
      DLG_INDEX8,  FCC("LVie"), FCC("TVie"), PrefsWord(&g_prefs.listColumn),
      DLG_INDEX16, FCC("LSho"), FCC("TSho"), PrefsWord(&dataKind),
      DLG_VALUE8,  FCC("SCmp"), PrefsWord(&g_prefs.showCompanyInList),
      DLG_VALUE8,  FCC("Nums"), PrefsWord(&g_prefs.showCounts),
      DLG_VALUE8,  FCC("SNot"), PrefsWord(&g_prefs.showNoteInFullView),
      DLG_VALUE8,  FCC("SLnk"), PrefsWord(&g_prefs.showLinks),
      DLG_VALUE8,  FCC("Comp"), PrefsWord(&g_prefs.compactFullText),
      DLG_VALUE8,  FCC("Post"), PrefsWord(&g_prefs.zipFirst),
      DLG_HANDLER, reinterpret_cast<DialogWord>(&PrefsResetTipsHandler),
      DLG_END};
  // clang-format on
  uint32_t result = PrefsRunForm(FCC("VPrf"), bindings, fillStartList, PrefsWord(&choice));
  if (PrefsResultWritten(result)) {
    if (start < uint16_t(choice.count)) g_prefs.startCategory = choice.valueOf[start];
    if (dataKind <= DATA_KIND_LAST_SHOWN) g_prefs.dataKindStart = dataKind;
    PrefsClampRanges(&g_prefs);
  }
  return PrefsChangedSince(&before);
}

uint16_t PrefsSortDialog() {
  (void)MainShowHint(FCC("tDbp"));
  Prefs before;
  memcpy(&before, &g_prefs, sizeof before);
  // clang-format off
  const DialogWord bindings[] = {
      DLG_VALUE8, FCC("SrtL"), PrefsWord(&g_prefs.sortByLast),
      DLG_VALUE8, FCC("SrtF"), PrefsWord(&g_prefs.sortByFirst),
      DLG_VALUE8, FCC("SrtC"), PrefsWord(&g_prefs.sortByCompany),
      DLG_VALUE8, FCC("Name"), PrefsWord(&g_prefs.companyWhenNoName),
      DLG_VALUE8, FCC("Comp"), PrefsWord(&g_prefs.nameWhenNoCompany),
      DLG_VALUE8, FCC("SrtN"), PrefsWord(&g_prefs.numberMode),
      DLG_VALUE8, FCC("Mult"), PrefsWord(&g_prefs.multiByteChars),
      DLG_VALUE8, FCC("Sync"), PrefsWord(&g_prefs.trackFileDate),
      DLG_END};
  // clang-format on
  if (PrefsResultWritten(PrefsRunForm(FCC("SPrf"), bindings))) PrefsClampRanges(&g_prefs);
  return PrefsChangedSince(&before);
}
