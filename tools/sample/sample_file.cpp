// The sample database as a whole: the generator's random numbers, the
// deterministic preferences, the records built one by one on a scratch
// database on the RAM disk, their native order, and the PDB file image made
// from the empty database template with the sample's category names.
// Owns no state; the RAM disk image is removed after building.
#include <algorithm>
#include <cstring>

#include "dbase.h"
#include "prefs.h"
#include "sample_internal.h"

namespace {

constexpr const char* SCRATCH_NAME = "Brantel Sample Scratch.PDB";
constexpr PalmTime SAMPLE_DATE = PalmTimeFromUnix(1735689600);  // 2025-01-01 00:00

// The PDB header and the category block of the application info.
constexpr uint32_t HDR_CREATED = 36, HDR_MODIFIED = 40, HDR_BACKED_UP = 44, HDR_MOD_NUMBER = 48;
constexpr uint32_t HDR_APP_INFO = 52, HDR_SORT_INFO = 56, HDR_SEED = 68, HDR_NEXT_LIST = 72;
constexpr uint32_t HDR_COUNT = 76;
constexpr uint32_t CAT_NAMES = 2, CAT_NAME_BYTES = 16, CAT_IDS = 2 + 16 * 16,
                   CAT_LAST_ID = CAT_IDS + 16;
constexpr uint32_t CAT_BLOCK_BYTES = CAT_LAST_ID + 2;

constexpr uint8_t DISK_DELETED = 0x80, DISK_DIRTY = 0x40, DISK_SECRET = 0x10;

// Category of a new contact: a third unfiled, most of the rest in the first
// few categories, some in every other one.
uint8_t pickCategory(SampleRng* rng) {
  uint32_t r = SampleBelow(rng, 100);
  if (r < 35) return 0;
  if (r < 85) return uint8_t(1 + SampleBelow(rng, 5));
  return uint8_t(6 + SampleBelow(rng, 10));
}

// The empty template "ADDR" 2 (ContactsDB-PAdd) or 1 (AddressDB).
Err loadTemplate(bool contacts, std::vector<uint8_t>* out) {
  ResHandle h = nullptr;
  Err err = RES_Get(&h, RES_TYPE_TEMPLATE, contacts ? 2 : 1);
  if (err != 0) return err;
  out->assign(RES_Data(h), RES_Data(h) + RES_Size(h));
  RES_Release(&h);
  if (out->size() < PDB_FRESH_HEADER_SIZE || Get16BE(out->data() + HDR_COUNT) != 0) return ERR_FILE;
  return 0;
}

// Builds one record on the scratch database: new empty contact at index 0,
// filled, copied out, removed again.
Err makeOne(ContactDb* db, SampleRng* rng, SampleRecord* out) {
  Err err = ContactNew(db, 0);
  if (err != 0) return err;
  ContactRec rec;
  err = ContactFetch(&rec, db, 0);
  if (err == 0) {
    err = SampleFillContact(&rec, rng, db->isContacts != 0);
    if (err == 0 && rec.bytes) out->bytes.assign(rec.bytes, rec.bytes + rec.size);
    ContactRelease(&rec);
  }
  Err removed = DB_DeleteRecords(db->file, 0, 1, nullptr);
  return err != 0 ? err : removed;
}

Err openScratch(bool contacts, ContactDb** db) {
  std::vector<uint8_t> empty;
  Err err = loadTemplate(contacts, &empty);
  if (err != 0) return err;
  FileRef f = nullptr;
  err = FIL_Open(&f, VOL_RAMDISK, "", SCRATCH_NAME, FIL_MODE_READ_WRITE);
  if (err != 0) return err;
  if (FIL_Truncate(f, 0) != 0 ||
      FIL_Write(f, empty.data(), uint32_t(empty.size())) != empty.size()) {
    FIL_Close(&f);
    return ERR_WRITE;
  }
  err = ContactDbAttach(db, f, false);
  if (err != 0) FIL_Close(&f);
  return err;
}

// Gives categories 4 … 15 of the template's category block their names
// (where the template leaves them empty), their ids and the renamed bits.
void nameCategories(uint8_t* appInfo, uint32_t size) {
  if (size < CAT_BLOCK_BYTES) return;
  uint16_t renamed = Get16BE(appInfo);
  for (uint32_t c = 4; c < 16; c++) {
    uint8_t* name = appInfo + CAT_NAMES + c * CAT_NAME_BYTES;
    if (name[0] != 0) continue;
    const char* text = SAMPLE_CATEGORY_NAMES[c - 4];
    memset(name, 0, CAT_NAME_BYTES);
    memcpy(name, text, std::min<size_t>(strlen(text), CAT_NAME_BYTES - 1));
    appInfo[CAT_IDS + c] = uint8_t(c);
    renamed = uint16_t(renamed | (1u << c));
  }
  Put16BE(appInfo, renamed);
  appInfo[CAT_LAST_ID] = 15;
}

}  // namespace

uint64_t SampleNext(SampleRng* rng) {
  uint64_t z = (rng->state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

uint32_t SampleBelow(SampleRng* rng, uint32_t n) {
  // The high bits by multiplication: no modulo bias worth mentioning.
  return n == 0 ? 0 : uint32_t(((SampleNext(rng) >> 32) * uint64_t(n)) >> 32);
}

bool SampleChance(SampleRng* rng, uint32_t percent) { return SampleBelow(rng, 100) < percent; }

void SamplePrefsDefaults() {
  PrefsSetDefaults(&g_prefs);
  PrefsLoadResourceDefaults(&g_prefs, false);
  PrefsCheck(&g_prefs);
  PrefsLoadAfterRead(&g_prefs);
}

Err SampleMakeRecords(const SampleOptions& options, std::vector<SampleRecord>* out) {
  out->clear();
  if (options.count > SAMPLE_MAX_COUNT) return ERR_FILE_PARAM;
  ContactDb* db = nullptr;
  Err err = openScratch(options.contacts, &db);
  if (err != 0) return err;
  SampleRng rng{options.seed};
  out->reserve(options.count);
  for (uint32_t i = 0; i < options.count && err == 0; i++) {
    SampleRecord r;
    r.uniqueId = i + 1;
    r.attributes = uint8_t(DISK_DIRTY | pickCategory(&rng));
    if (SampleChance(&rng, 3)) r.attributes |= DISK_SECRET;
    if (SampleBelow(&rng, 1000) < 15) r.attributes |= DISK_DELETED;
    err = makeOne(db, &rng, &r);
    out->push_back(std::move(r));
  }
  ContactDbClose(&db);
  (void)FIL_Delete(VOL_RAMDISK, "", SCRATCH_NAME);
  if (err != 0) out->clear();
  return err;
}

void SampleSortRecords(bool contacts, std::vector<SampleRecord>* records) {
  ContactDb db{};
  ContactUseLayout(&db, contacts);
  db.sortMode = 0;
  std::stable_sort(
      records->begin(), records->end(), [&db](const SampleRecord& a, const SampleRecord& b) {
        bool aDeleted = a.attributes & DISK_DELETED, bDeleted = b.attributes & DISK_DELETED;
        if (aDeleted != bDeleted) return bDeleted;
        return ContactCompare(&db, a.bytes.data(), uint32_t(a.bytes.size()), b.bytes.data(),
                              uint32_t(b.bytes.size())) < 0;
      });
}

Err SampleImage(bool contacts, const std::vector<SampleRecord>& records,
                std::vector<uint8_t>* out) {
  std::vector<uint8_t> empty;
  Err err = loadTemplate(contacts, &empty);
  if (err != 0) return err;
  uint64_t n = records.size(), total = empty.size() + PDB_RECORD_ENTRY_SIZE * n;
  for (const SampleRecord& r : records) total += r.bytes.size();
  if (n > PDB_MAX_RECORDS || total > 0x7FFFFFFF) return ERR_FILE_PARAM;
  uint32_t appInfo = Get32BE(empty.data() + HDR_APP_INFO);
  if (appInfo < PDB_FRESH_HEADER_SIZE || appInfo > empty.size()) appInfo = uint32_t(empty.size());
  out->assign(empty.begin(), empty.begin() + PDB_HEADER_SIZE);
  uint8_t* h = out->data();
  Put32BE(h + HDR_CREATED, SAMPLE_DATE);
  Put32BE(h + HDR_MODIFIED, SAMPLE_DATE);
  Put32BE(h + HDR_BACKED_UP, 0);
  Put32BE(h + HDR_MOD_NUMBER, 0);
  uint32_t listEnd = PDB_HEADER_SIZE + PDB_RECORD_ENTRY_SIZE * uint32_t(n);
  bool hasAppInfo = appInfo < empty.size();
  Put32BE(h + HDR_APP_INFO, hasAppInfo ? listEnd + 2 : 0);
  Put32BE(h + HDR_SORT_INFO, 0);
  Put32BE(h + HDR_SEED, uint32_t(n));  // the last unique ID given
  Put32BE(h + HDR_NEXT_LIST, 0);
  Put16BE(h + HDR_COUNT, uint16_t(n));
  out->resize(total);
  uint32_t at = listEnd + 2 + uint32_t(empty.size() - appInfo);
  memset(out->data() + listEnd, 0, 2);  // the gap
  memcpy(out->data() + listEnd + 2, empty.data() + appInfo, empty.size() - appInfo);
  nameCategories(out->data() + listEnd + 2, uint32_t(empty.size() - appInfo));
  for (size_t i = 0; i < records.size(); i++) {
    uint8_t* entry = out->data() + PDB_HEADER_SIZE + PDB_RECORD_ENTRY_SIZE * i;
    Put32BE(entry, at);
    entry[4] = records[i].attributes;
    Put24BE(entry + 5, records[i].uniqueId);
    if (!records[i].bytes.empty())
      memcpy(out->data() + at, records[i].bytes.data(), records[i].bytes.size());
    at += uint32_t(records[i].bytes.size());
  }
  out->resize(at);
  return 0;
}

Err SampleBuild(const SampleOptions& options, std::vector<uint8_t>* out) {
  std::vector<SampleRecord> records;
  Err err = SampleMakeRecords(options, &records);
  if (err != 0) return err;
  SampleSortRecords(options.contacts, &records);
  return SampleImage(options.contacts, records, out);
}
