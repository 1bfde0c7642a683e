// Launch, start and stop of the program. The start brings the platform up
// in a fixed order and records how far it got, so that the stop saves state
// only after a complete preference load and stops only what started.
// Owns g_app (modules up, preferences loaded, the pad letter table).
#include "phone.h"

#include <cstring>

#include "dbase.h"
#include "main_handler.h"
#include "prefs_dialogs.h"
#include "sort.h"

namespace {

// Files and resources: the file layer opens the resource store; without it
// the program cannot show anything, so the start ends here.
Err startFiles() {
  Err err = FIL_LayerStart();
  if (err != 0) return err;
  if (!RES_StoreLoaded()) {
    (void)HOST_MessageBox(APP_NO_RESOURCES_TITLE, APP_NO_RESOURCES_TEXT, HOST_MB_OK);
    FIL_LayerStop();
    return ERR_READ;
  }
  return 0;
}

// The main window with its graphics and the window placement
// ("Window_Preferences_BrnL"); HOST_Start refuses a second instance.
Err startHost() { return HOST_Start(); }

// The platform in start order. Input joins here when it exists.
constexpr AppModule kModules[] = {
    {"memory", MEM_Start, MEM_Stop},  // first up, last down
    {"files and resources", startFiles, FIL_LayerStop},
    {"debug output", DBG_Start, DBG_Stop},
    {"main window", startHost, HOST_Stop},
    {"controls", GUI_Start, GUI_Stop},  // the form manager
};

struct AppState {
  const AppModule* modules;  // null: kModules
  int moduleCount;
  int modulesUp;     // kModules[0 … modulesUp - 1] are running
  bool prefsLoaded;  // the stop may write the preferences
  uint8_t padLetters[256];
};

AppState g_app;

const AppModule* modules(int* count) {
  if (g_app.modules) {
    *count = g_app.moduleCount;
    return g_app.modules;
  }
  *count = int(sizeof kModules / sizeof kModules[0]);
  return kModules;
}

// Contact store and sort table globals (reset at every start): the
// detected order, the one-time offers, the file-date check and the sort
// table's cached handle and list.
void resetContactStore() { ContactStoreReset(); }
void resetSortTable() { SortReset(); }

// The sort table's stamp: the number of deleted records at the end of the
// contact database (0 for a missing database).
uint16_t sortTableStamp() { return SortStamp(); }

// The unique ID of the contact database's middle record (record count / 2),
// read from the database opened quietly for reading; without a database the
// stored fingerprint stays.
bool databaseFingerprint(uint32_t* out) { return ContactCurrentFingerprint(out); }

// Closes the sort table, and gives the contact file's modification date
// when the file date is tracked.
void closeSortTable() { SortClose(); }
bool contactFileDate(PalmTime* out) { return g_prefs.trackFileDate && ContactFileDate(out); }

// 4. The pad search's letters: a character's letter is the lower-case
// letter of its collation class ("A" and "a" both give "a"), or 0.
void buildPadLetters() {
  const uint8_t* classes = SortLoadCollation();
  for (int c = 0; c < 256; ++c) {
    uint8_t letter = 0;
    for (int l = 'a'; l <= 'z' && !letter; ++l)
      if (classes[l] == classes[c]) letter = uint8_t(l);
    g_app.padLetters[c] = letter;
  }
}

}  // namespace

int16_t AppLaunchRecord(const TagItem* params) {
  bool found = false;
  intptr_t value = intptr_t(TAG_Lookup(params, FCC("DREC"), 0, &found));
  if (!found || value < 0 || value > INT16_MAX) return -1;
  return int16_t(value);
}

uint8_t PadLetter(uint8_t c) { return g_app.padLetters[c]; }

void AppSetModules(const AppModule* list, int count) {
  g_app.modules = list;
  g_app.moduleCount = list ? count : 0;
}

int AppModulesUp() { return g_app.modulesUp; }

Err AppStart() {
  // 1. the platform, module by module.
  int count = 0;
  const AppModule* list = modules(&count);
  for (int i = 0; i < count; ++i) {
    Err err = list[i].start();
    if (err != 0) {
      DBG_Print(FCC("REPO"), "AppStart: %s did not start (%hd)\n", list[i].name, int(err));
      AppStop();
      return -1;
    }
    g_app.modulesUp = i + 1;
  }
  // 2. the contact store and the sort table start from nothing.
  resetContactStore();
  resetSortTable();
  // 3. the preferences.
  PrefsStart(&g_prefs);
  g_app.prefsLoaded = true;
  // Private contacts start masked when the user set a password.
  g_prefs.securityLevel = PrefsSecurityAtStart();
  // 4. letters for the pad search.
  buildPadLetters();
  // 5. a stamp left by the last stop that still matches: the deleted records
  // it counted are still there, so the sort table needs no rebuild for them.
  if (g_prefs.sortTableStamp != 0 && g_prefs.sortTableStamp == sortTableStamp() + 1)
    g_prefs.sortTableStamp = 0;
  return 0;
}

void AppStop() {
  if (g_app.prefsLoaded) {
    // 1. the window's shape.
    if (HOST_Started() && HOST_MainWindow()) {
      int32_t width = 0, height = 0;
      HOST_Ops()->getClientSize(HOST_MainWindow(), &width, &height);
      g_prefs.windowTall = height != width;
    }
    // 2. stamp and fingerprint for the next start's sort table check.
    g_prefs.sortTableStamp = uint16_t(sortTableStamp() + 1);
    uint32_t fingerprint = 0;
    if (databaseFingerprint(&fingerprint)) g_prefs.databaseFingerprint = fingerprint;
    // 3. the sort table and the contact file's date.
    closeSortTable();
    PalmTime date = 0;
    if (contactFileDate(&date)) g_prefs.fileDate = date;
    // 4. the preferences.
    Err err = PrefsStop(&g_prefs);
    if (err != 0) DBG_Print(FCC("REPO"), "AppStop: preferences not saved (%hd)\n", int(err));
    g_app.prefsLoaded = false;
  }
  // 5. the display depth is the desktop's own and was never changed; the
  // modules that started stop in reverse order.
  int count = 0;
  const AppModule* list = modules(&count);
  while (g_app.modulesUp > 0) {
    --g_app.modulesUp;
    if (g_app.modulesUp < count) list[g_app.modulesUp].stop();
  }
}

int AppLaunch(FourCC launchCode, uint16_t launchFlags, const TagItem* params) {
  (void)launchFlags;
  if (launchCode != FCC("NORM")) return 0;
  // 1. a failed start has already stopped what it started.
  if (AppStart() != 0) return 0;
  // 2. the record to show; it must be in the list, so all categories.
  g_prefs.pendingRecord = AppLaunchRecord(params);
  if (g_prefs.pendingRecord >= 0) g_prefs.currentCategory = -1;
  // 3. the form loop on the start layout until the user quits; the contact
  // store's questions become alerts.
  MainReset();
  ContactSetAlertHandler(MainContactAlert);
  const TagItem run[] = {{GUI_RUN_HANDLER, reinterpret_cast<uintptr_t>(MainHandleEvent)},
                         {GUI_RUN_PERIOD, 50},
                         {0, 0}};
  (void)GUI_FormLoad(g_prefs.startForm, run);
  ContactSetAlertHandler(nullptr);
  // 4.
  AppStop();
  return 0;
}
