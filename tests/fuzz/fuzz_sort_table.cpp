// libFuzzer target over the sort table file: the input is written as
// "Brantel Sort Table.PDB" beside a small valid contact database, then the
// table is checked (SortOpen mode 0), a display list taken and one contact
// re-placed. Nothing may crash, and the table must then pass the check of
// `brantel-tool sort check`: in full when SortOpen rebuilt it, in its
// structure (sizes, permutations, header and list in range) when it was
// accepted as it stood. Owns the temporary folder (removed at exit).
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "dbase.h"
#include "fuzz_support.h"
#include "prefs.h"
#include "sort.h"
#include "sort_command.h"

namespace {

std::vector<uint8_t> g_contacts;  // the contact database's bytes
constexpr uint16_t kContacts = 12;

void check(bool ok) { FuzzCheck(ok); }

void closeTable() { SortReset(); }

void writeFile(const std::string& name, const uint8_t* data, size_t size) {
  FuzzWriteFile(FuzzDataDir() + "/" + name, data, size);
}

std::vector<uint8_t> readData(const std::string& name) {
  return FuzzReadFile(FuzzDataDir() + "/" + name);
}

// A ContactsDB-PAdd file of empty template records with assorted
// categories, one private and the last one deleted.
std::vector<uint8_t> templateDatabase() {
  uint32_t dataStart = 78 + 8 * kContacts + 2;
  std::vector<uint8_t> f(dataStart + kContacts * PADD_TEMPLATE_BYTES, 0);
  memcpy(f.data(), "ContactsDB-PAdd", 15);
  memcpy(f.data() + 60, "DATA", 4);
  memcpy(f.data() + 64, "PAdd", 4);
  Put16BE(f.data() + 76, kContacts);
  for (uint16_t i = 0; i < kContacts; i++) {
    uint8_t* e = f.data() + 78 + 8 * i;
    Put32BE(e, dataStart + i * PADD_TEMPLATE_BYTES);
    e[4] = uint8_t(i % 4) | (i == 3 ? 0x10 : 0) | (i + 1 == kContacts ? 0x80 : 0);
    Put24BE(e + 5, 0x100u + i);
    memcpy(f.data() + dataStart + i * PADD_TEMPLATE_BYTES, PADD_RECORD_TEMPLATE,
           PADD_TEMPLATE_BYTES);
  }
  return f;
}

// Fills in names through the accessor (ties, case and empty fields) and
// keeps the file's bytes.
void makeContacts() {
  std::vector<uint8_t> image = templateDatabase();
  writeFile(CONTACTS_FILE, image.data(), image.size());
  const char* names[][3] = {{"Smith", "Ann", ""},
                            {"smith", "", "Acme"},
                            {"", "", "Bolt"},
                            {"", "Zed", ""},
                            {"", "", ""},
                            {"Adams", "Bo", "Acme"},
                            {"\xFF\xFF\xFF", "", "Acme"}};
  ContactDb* db = nullptr;
  if (ContactDbOpen(&db, true, true) != 0) abort();
  for (uint16_t i = 0; i < kContacts; i++) {
    ContactRec rec{};
    if (ContactFetch(&rec, db, i) != 0) abort();
    for (int f = 0; f < 3; f++)
      if (ContactSetField(&rec, FieldKind(f), 0, names[i % 7][f]) != 0) abort();
    ContactRelease(&rec);
  }
  ContactDbClose(&db);
  g_contacts = readData(CONTACTS_FILE);
}

// With BRANTEL_SORT_SEEDS set to a folder: writes the seeds of
// tests/fuzz/seeds/sort_table there (a table built for the contacts, the
// same with a display list) and exits.
void writeSeeds(const char* folder) {
  if (SortOpen(SORT_REBUILD) != SORT_BUILT) abort();
  std::vector<uint8_t> built = readData(SORT_TABLE_FILE);
  int16_t handle = 0;
  const uint16_t* entries = nullptr;
  (void)SortGetList(&handle, &entries, 1, 1, 0);
  SortClose();
  std::vector<uint8_t> listed = readData(SORT_TABLE_FILE);
  for (auto& [name, bytes] : {std::pair{"built", built}, std::pair{"listed", listed}}) {
    FILE* out = fopen((std::string(folder) + "/" + name).c_str(), "wb");
    if (!out || fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) abort();
    fclose(out);
  }
  _exit(0);  // no fuzzing in this mode
}

void start() {
  static bool started = false;
  if (started) return;
  started = true;
  FuzzStart();
  atexit(closeTable);  // runs before the folder is removed
  PrefsSetDefaults(&g_prefs);
  ContactStoreReset();
  makeContacts();
  if (const char* seeds = getenv("BRANTEL_SORT_SEEDS")) writeSeeds(seeds);
}

// The table against the contacts: in full, or its structure only.
void checkTable(bool content) {
  ContactDb* db = nullptr;
  check(ContactDbOpen(&db, false, true) == 0);
  FileRef table = nullptr;
  check(FIL_Open(&table, VOL_DOCUMENTS, "", SORT_TABLE_FILE, FIL_MODE_READ) == 0);
  std::vector<std::string> problems;
  uint32_t count = SortCheckTable(db, table, content, &problems, 5);
  for (const std::string& p : problems) fprintf(stderr, "sort table: %s\n", p.c_str());
  FIL_Close(&table);
  ContactDbClose(&db);
  check(count == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  start();
  SortReset();
  ContactStoreReset();
  g_prefs.recordCountSeen = 0;
  g_prefs.sortTableStamp = 0;
  g_prefs.databaseFingerprint = 0;
  writeFile(CONTACTS_FILE, g_contacts.data(), g_contacts.size());
  writeFile(SORT_TABLE_FILE, data, size);
  Err r = SortOpen(SORT_CHECK);
  check(r == SORT_BUILT || r == SORT_VALID);
  if (r == SORT_BUILT) checkTable(true);
  uint8_t pick = size ? data[size - 1] : 0;
  int16_t order = int16_t(pick % 3), category = int16_t(pick / 3 % 17) - 1;
  int16_t handle = 0;
  const uint16_t* entries = nullptr;
  uint16_t count = SortGetList(&handle, &entries, order, category, 0);
  check(count <= kContacts);
  for (uint16_t j = 0; j < count; j++) check(entries[j] < kContacts);
  SortReleaseList(handle);
  int32_t q = SortRecordChanged(SORT_CHANGE_PLACE, uint16_t(pick % kContacts), order);
  check(q >= -1 && q < kContacts);
  SortClose();
  checkTable(r == SORT_BUILT);
  return 0;
}
