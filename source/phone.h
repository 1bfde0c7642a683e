// The application shell: launch, the start and stop sequences around the
// platform modules and the preferences, and the pad search's letter table.
// Owns the start state (which modules are up, whether the preferences were
// loaded) and the letter table. `pendingRecord` lives in the preference
// block's run-time part (g_prefs.pendingRecord).
#pragma once

#include "prefs.h"

// The text shown when the program's resources cannot be read.
inline constexpr const char* APP_NO_RESOURCES_TEXT =
    "Cannot read resource data.  Make sure the program is in main memory, not an external "
    "storage card.";
inline constexpr const char* APP_NO_RESOURCES_TITLE = "Error";

// One platform module of the start: `start` returns 0 or an error and, when
// it fails, leaves nothing of itself running.
struct AppModule {
  const char* name;
  Err (*start)();
  void (*stop)();
};

// Runs the program for launch code "NORM": starts, runs the main loop,
// stops. `params` (may be null) is a tag list looked at only for "DREC", the
// record to show. Returns 0 (also when the start failed, which has already
// stopped what it started). Other launch codes do nothing.
int AppLaunch(FourCC launchCode, uint16_t launchFlags, const TagItem* params);

// Brings the platform up module by module, loads the preferences and builds
// the start tables. Returns 0, or -1 after running AppStop when a module
// failed (a second instance, a missing resource store, any module).
[[nodiscard]] Err AppStart();
// Saves what a run leaves behind (window shape, sort table stamp, database
// fingerprint, file date, preferences) when the start got as far as loading
// the preferences, then stops the modules that started, in reverse order.
// Safe to call twice.
void AppStop();

// The "DREC" value of a launch tag list (the last one wins), or -1 when it
// is absent or not a record index.
int16_t AppLaunchRecord(const TagItem* params);

// The lower-case letter "a" … "z" that character `c` stands for on the
// telephone keypad, or 0 (built at start).
uint8_t PadLetter(uint8_t c);

// Test hooks: the module list the next AppStart runs (null restores the
// platform's own), and how many modules are up now.
void AppSetModules(const AppModule* modules, int count);
int AppModulesUp();
