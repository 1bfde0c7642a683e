// Keys of the list screens: the hardware buttons (a short or a long press
// chooses one of two actions, queued as `pendingAction` and run through
// "Stuf"), the telephone keys as pad keys, and the developer keys that
// move single records in and out of "Brantel Record" (debug builds only).
// Owns no state beyond g_main.pendingAction.
#include "main_handler.h"
#include "sort.h"

namespace {

constexpr const char* RECORD_FILE = "Brantel Record.PDB";
constexpr const char* RECORD_DB_NAME = "Brantel Record";
constexpr uint16_t IMPORT_ALL_MAX = 10000;

// "X": the selected contact's bytes become the one record of "Brantel
// Record" (written afresh).
void exportRecord() {
  int32_t record = MainCurrentRecord();
  ContactDb* db = nullptr;
  if (record < 0 || ContactDbOpen(&db, false, true) != 0) return;
  ContactRec rec{};
  int16_t volume = 0;
  const char* dir = nullptr;
  ContactDataFolder(&volume, &dir);
  FileRef out = nullptr;
  Err err = ContactFetch(&rec, db, uint16_t(record));
  if (err == 0) {
    (void)FIL_Delete(volume, dir, RECORD_FILE);
    err = FIL_Open(&out, volume, dir, RECORD_FILE, FIL_MODE_READ_WRITE);
  }
  if (err == 0) {
    const FourCC type = FCC("DATA"), creator = PREFS_CREATOR;
    err = DB_SetInfo(out, nullptr, RECORD_DB_NAME, nullptr, nullptr, nullptr, nullptr, nullptr,
                     &type, &creator);
  }
  if (err == 0) err = DB_InsertRecords(out, 0, rec.size, 1, nullptr);
  if (err == 0 && rec.size > 0) err = DB_WriteRecordAt(out, 0, 0, rec.bytes, rec.size);
  FIL_Close(&out);
  ContactRelease(&rec);
  ContactDbClose(&db);
  if (err == 0) DBG_Print(FCC("scrn"), "Record %hd exported ", int(record));
}

// "I" and "A": records of "Brantel Record" go into the contact database
// (each put into its place), then the sort table is rebuilt.
void importRecords(uint16_t most) {
  int16_t volume = 0;
  const char* dir = nullptr;
  ContactDataFolder(&volume, &dir);
  FileRef in = nullptr;
  ContactDb* db = nullptr;
  if (FIL_Open(&in, volume, dir, RECORD_FILE, FIL_MODE_READ) != 0) return;
  if (ContactDbOpen(&db, true, true) != 0) {
    FIL_Close(&in);
    return;
  }
  uint16_t count = DB_NumRecords(in);
  if (count > most) count = most;
  for (uint16_t i = 0; i < count; ++i) {
    uint32_t size = DB_RecordSize(in, i);
    uint8_t* bytes = size ? static_cast<uint8_t*>(MEM_Alloc(size, false)) : nullptr;
    Err err = bytes ? DB_ReadRecordBytes(in, i, 0, size, bytes) : ERR_MEM_FULL;
    if (err == 0) err = DB_InsertRecords(db->file, 0, size, 1, nullptr);
    if (err == 0) err = DB_WriteRecordAt(db->file, 0, 0, bytes, size);
    MEM_Free(bytes);
    if (err != 0) break;
    (void)ContactReposition(db, 0);
    if (most == 1)
      DBG_Print(FCC("scrn"), "Record Imported ");
    else
      DBG_Print(FCC("scrn"), "Record %hd Imported ", int(i));
  }
  ContactDbClose(&db);
  FIL_Close(&in);
  (void)SortOpen(SORT_REBUILD);
}

// "D": both contact databases of the data folder are removed.
void deleteDatabases() {
  int16_t volume = 0;
  const char* dir = nullptr;
  ContactDataFolder(&volume, &dir);
  SortClose();
  (void)FIL_Delete(volume, dir, CONTACTS_FILE);
  (void)FIL_Delete(volume, dir, ADDRESS_FILE);
}

}  // namespace

bool MainHardwareButton(GuiForm* form, FourCC button) {
  if (g_prefs.buttonAction == ACTION_NONE && g_prefs.buttonHoldAction == ACTION_NONE) return false;
  // Held past the hold time: the hold action; released before: the press
  // action. The key state is polled; each pump step takes the host's
  // events in (they wait in the form manager's queue), which keeps the key
  // state current, and lets the clock run.
  uint32_t start = HOST_Ticks();
  bool held = false;
  while (GUI_KeyHeld(button)) {
    if (HOST_Ticks() - start >= MAIN_BUTTON_HOLD_TICKS) {
      held = true;
      break;
    }
    if (!HOST_PumpStep()) break;  // quitting
  }
  if (held) MainDrawHoldHighlight(form);
  FourCC command = MainActionCommand(held ? g_prefs.buttonHoldAction : g_prefs.buttonAction);
  g_main.pendingAction = command;
  if (command != 0) (void)GUI_PostCommand(FCC("Stuf"));
  return true;
}

FourCC MainPhoneKeyCommand(const GuiForm* form, FourCC key) {
  if (key == FCC("PHNH")) return GUI_HasObject(form, FCC("PadB")) ? FCC("PadB") : 0;
  bool digit = (key & 0xFFFFFF00u) == (FCC("PHN0") & 0xFFFFFF00u) && (key & 0xFF) >= '0' &&
               (key & 0xFF) <= '9';
  if (!digit || !GUI_HasObject(form, FCC("Pad0"))) return 0;
  return (FCC("Pad0") & 0xFFFFFF00u) | (key & 0xFF);
}

bool MainDeveloperKey(GuiForm* form, uint32_t key) {
  if (DBG_Level() < DBG_LEVEL_VERBOSE) return false;
  switch (key) {
    case 'X':
      exportRecord();
      return true;
    case 'I':
      importRecords(1);
      break;
    case 'A':
      importRecords(IMPORT_ALL_MAX);
      break;
    case 'D':
      deleteDatabases();
      break;
    case 'S':
      (void)SortOpen(SORT_DISCARD);
      break;
    default:
      return false;
  }
  g_main.selectedRow = 0;
  MainListDraw(form, LIST_DRAW_REBUILD);
  return true;
}
