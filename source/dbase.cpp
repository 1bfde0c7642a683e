// The contact database, opening side: the empty-record templates, where the
// contact files live, the alert hook, the run state (detected order, the
// one-time offers and the file-date check) and opening, wrapping and closing
// a database, with the "Create" path that writes an empty database from the
// program's own template.
// Owns detectedOrder, g_contactFileChanged, the run flags, the data folder
// setting and the alert hook.
#include "dbase.h"

#include <cstring>

#include "prefs.h"

const uint8_t ADDR_RECORD_TEMPLATE[10] = {0x00, 0x03, 0x47, 0x10, 0, 0, 0, 0, 0, 0};
const uint8_t PADD_RECORD_TEMPLATE[18] = {0x03, 0x65, 0x47, 0x10, 0x02, 0x10, 0x00, 0x21, 0,
                                          0,    0,    0,    0,    0,    0,    0,    0,    0};

int16_t detectedOrder = -1;
bool g_contactFileChanged = false;

namespace {

struct StoreState {
  bool askedToCreate;    // "dORd" was offered in this run
  bool toldCannotOpen;   // "dOpn" was shown in this run
  bool fileDateChecked;  // the file date was compared in this run
  int16_t volume;
  char dir[FIL_DIR_BYTES + 1];
  ContactAlertFn alert;
};

StoreState g_store = {false, false, false, VOL_DOCUMENTS, "!", nullptr};

// Until the form manager draws alerts: the first button, and a line on the
// verbose debug channel so that a developer sees what would have been asked.
int16_t defaultAlert(FourCC name, const char* const* args, int16_t argCount) {
  DBG_Print(FCC("repo"), "Alert %t%s%s answered with its first button\n", name,
            argCount > 0 && args && args[0] ? ": " : "",
            argCount > 0 && args && args[0] ? args[0] : "");
  return 0;
}

enum class FileState { Missing, File, Other };

// What stands at `name` in the data folder. A directory (or anything else
// that is not a plain file) exists but is no database to open.
FileState fileState(const char* name) {
  uint32_t attributes = 0;
  if (FIL_GetInfo(g_store.volume, g_store.dir, name, &attributes, nullptr, nullptr, nullptr) != 0)
    return FileState::Missing;
  return (attributes & FIL_ATTR_DIRECTORY) ? FileState::Other : FileState::File;
}

// 1. The ContactsDB-PAdd file wins whenever anything of that name exists,
// so that a file held by another program is never passed over for the old
// one.
const char* currentFileName(bool* contacts, FileState* state) {
  FileState s = fileState(CONTACTS_FILE);
  *contacts = s != FileState::Missing;
  if (!*contacts) s = fileState(ADDRESS_FILE);
  if (state) *state = s;
  return *contacts ? CONTACTS_FILE : ADDRESS_FILE;
}

// 2. Once per run: a changed file date asks the sort table for a full
// rebuild.
void checkFileDate(const char* name) {
  if (g_store.fileDateChecked || !g_prefs.trackFileDate) return;
  PalmTime modified = 0;
  if (FIL_GetInfo(g_store.volume, g_store.dir, name, nullptr, nullptr, &modified, nullptr) != 0)
    return;
  g_store.fileDateChecked = true;
  if (modified != g_prefs.fileDate) {
    g_prefs.fileDate = modified;
    g_contactFileChanged = true;
  }
}

// 3. Read-write when asked, read-only otherwise or when writing is refused
// (the file is read-only, or another program is writing it).
Err openFile(const char* name, FileState state, bool writable, FileRef* out, bool* readOnly) {
  *out = nullptr;
  if (state != FileState::File) return ERR_OPEN_FAILED;
  *readOnly = false;
  if (writable && FIL_Open(out, g_store.volume, g_store.dir, name, FIL_MODE_READ_WRITE) == 0)
    return 0;
  *readOnly = true;
  return FIL_Open(out, g_store.volume, g_store.dir, name, FIL_MODE_READ);
}

Err newHandle(ContactDb** out, FileRef file, bool contacts, bool readOnly) {
  Err err = 0;
  ContactDb* db = static_cast<ContactDb*>(MEM_Alloc(sizeof(ContactDb), true, &err));
  if (!db) return err ? err : ERR_MEM_FULL;
  db->file = file;
  db->readOnly = readOnly ? 1 : 0;
  db->sortMode = detectedOrder >= 0 ? detectedOrder : 0;
  ContactUseLayout(db, contacts);
  *out = db;
  return 0;
}

// Writes `size` bytes as the file `temp`; on failure nothing is left.
Err writeTemporary(const char* temp, const uint8_t* data, uint32_t size) {
  Err err = FIL_WriteWhole(g_store.volume, g_store.dir, temp, data, size);
  if (err != 0) (void)FIL_Delete(g_store.volume, g_store.dir, temp);
  return err;
}

// 4. "Create": the whole empty database of the program's template, named
// after the database name in its header. It is written under a temporary
// name and takes its own name only while no file of that name exists, so an
// existing database is never replaced. Returns 0 also when such a file
// turned up meanwhile (the caller then opens that one).
Err createDatabase() {
  uint32_t id = fileState(CONTACTS_FILE) != FileState::Missing ? 2 : 1;
  ResHandle res = nullptr;
  Err err = RES_Get(&res, RES_TYPE_TEMPLATE, id);
  if (err != 0) return err;
  const uint8_t* data = RES_Data(res);
  const uint32_t size = RES_Size(res);
  char name[FIL_NAME_BYTES + 8] = {};
  char temp[FIL_NAME_BYTES + 16] = {};
  if (size < PDB_HEADER_SIZE) {
    err = ERR_NOT_DATABASE;
  } else {
    size_t n = strnlen(reinterpret_cast<const char*>(data), 31);
    memcpy(name, data, n);
    memcpy(name + n, ".PDB", 5);
    memcpy(temp, name, n);
    memcpy(temp + n, "-new.PDB", 9);
    if (n == 0 || !FIL_NameValid(g_store.volume, name, false)) err = ERR_BAD_NAME;
  }
  if (err == 0 && fileState(name) == FileState::Missing) {
    err = writeTemporary(temp, data, size);
    if (err == 0 && fileState(name) == FileState::Missing)
      err = FIL_Rename(g_store.volume, g_store.dir, temp, g_store.dir, name);
    if (err == 0 && fileState(temp) != FileState::Missing)
      (void)FIL_Delete(g_store.volume, g_store.dir, temp);
  }
  RES_Release(&res);
  if (err != 0) DBG_Print(FCC("REPO"), "ContactDbOpen: cannot create %s (%hd)\n", name, int(err));
  return err;
}

}  // namespace

void ContactStoreReset() {
  detectedOrder = -1;
  g_contactFileChanged = false;
  g_store.askedToCreate = false;
  g_store.toldCannotOpen = false;
  g_store.fileDateChecked = false;
}

void ContactSetDataFolder(int16_t volume, const char* dir) {
  g_store.volume = volume;
  const char* d = dir ? dir : "!";
  size_t n = strnlen(d, FIL_DIR_BYTES);
  memcpy(g_store.dir, d, n);
  g_store.dir[n] = 0;
}

void ContactDataFolder(int16_t* volume, const char** dir) {
  if (volume) *volume = g_store.volume;
  if (dir) *dir = g_store.dir;
}

void ContactSetAlertHandler(ContactAlertFn fn) { g_store.alert = fn; }

int16_t ContactAlert(FourCC name, const char* const* args, int16_t argCount) {
  return (g_store.alert ? g_store.alert : defaultAlert)(name, args, argCount);
}

Err ContactDbOpen(ContactDb** out, bool writable, bool quiet) {
  if (!out) return ERR_FILE_PARAM;
  *out = nullptr;
  for (;;) {
    // 1. Which file, and so which layout.
    bool contacts = false;
    FileState state = FileState::Missing;
    const char* name = currentFileName(&contacts, &state);
    // 2.
    if (!quiet && state == FileState::File) checkFileDate(name);
    // 3.
    FileRef file = nullptr;
    bool readOnly = false;
    Err err = openFile(name, state, writable, &file, &readOnly);
    if (err == 0) {
      err = newHandle(out, file, contacts, readOnly);
      if (err != 0) FIL_Close(&file);
      return err;
    }
    // 4. A file that is there but cannot be opened is reported, never
    // replaced.
    if (state != FileState::Missing) {
      if (!quiet && !g_store.toldCannotOpen) {
        g_store.toldCannotOpen = true;
        const char* args[1] = {name};
        (void)ContactAlert(FCC("dOpn"), args, 1);
      }
      return err;
    }
    if (quiet || g_store.askedToCreate) return err;
    g_store.askedToCreate = true;
    if (ContactAlert(FCC("dORd"), nullptr, 0) != 1) return err;
    err = createDatabase();
    if (err != 0) return err;
  }
}

Err ContactDbAttach(ContactDb** out, FileRef file, bool readOnly) {
  if (!out) return ERR_FILE_PARAM;
  *out = nullptr;
  if (!file) return ERR_FILE_PARAM;
  char name[32] = {};
  FourCC creator = 0;
  if (DB_GetInfo(file, nullptr, name, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                 &creator) != 0)
    return ERR_NOT_DATABASE;
  bool contacts;
  if (strcmp(name, "ContactsDB-PAdd") == 0 || creator == FCC("PAdd")) {
    contacts = true;
  } else if (strcmp(name, "AddressDB") == 0 || creator == FCC("addr")) {
    contacts = false;
  } else {
    return ERR_NOT_DATABASE;
  }
  return newHandle(out, file, contacts, readOnly);
}

void ContactDbClose(ContactDb** db) {
  if (!db || !*db) return;
  FIL_Close(&(*db)->file);
  MEM_Free(*db);
  *db = nullptr;
}

uint16_t ContactDbCount(const ContactDb* db) { return db ? DB_NumRecords(db->file) : 0; }

bool ContactFileDate(PalmTime* out) {
  bool contacts = false;
  FileState state = FileState::Missing;
  const char* name = currentFileName(&contacts, &state);
  if (state != FileState::File) return false;
  PalmTime modified = 0;
  if (FIL_GetInfo(g_store.volume, g_store.dir, name, nullptr, nullptr, &modified, nullptr) != 0)
    return false;
  if (out) *out = modified;
  return true;
}
