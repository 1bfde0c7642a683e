// libFuzzer target over contact records: the input is read as a record of
// each layout through every field kind and index with every flag
// combination (with and without a buffer), every info selector, the
// picture lookup and the field locations; then split in two and compared
// both ways. Every read must stay inside the record (ASan watches) and the
// answers must agree with each other. Last, a database of the record, a
// copy of it and the other half goes through repair twice: no record may
// be lost, and the second run must find nothing left to mend.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "dbase.h"
#include "fuzz_support.h"
#include "parse.h"
#include "prefs.h"

namespace {

void check(bool ok) { FuzzCheck(ok); }

void start() {
  static bool started = false;
  if (started) return;
  started = true;
  FuzzStart();
  const char* templates[5] = {"000-0000", "000-000-0000", "0-000-000-0000", "", ""};
  for (int i = 0; i < 5; i++) {
    strncpy(g_prefs.phoneTemplates[i], templates[i], sizeof g_prefs.phoneTemplates[i] - 1);
    uint8_t n = 0;
    for (const char* c = templates[i]; *c; c++) n += (*c >= '0' && *c <= '9');
    g_prefs.templateDigits[i] = n;
  }
}

int sign(int v) { return (v > 0) - (v < 0); }

// One field with one flag set, with and without a buffer.
void readField(const ContactRec* rec, FieldKind kind, int16_t index, uint16_t flags) {
  char* text = ContactGetField(rec, kind, index, nullptr, 0, flags);
  char buffer[24];
  char* inBuffer = ContactGetField(rec, kind, index, buffer, sizeof buffer, flags);
  check((text == nullptr) == (inBuffer == nullptr));
  if (!text) return;
  size_t length = strlen(text);
  // Strings come from the record (the date and placeholder are made).
  if (kind != FieldKind::Birthday && kind != FieldKind::Picture && !(flags & FIELD_FORMAT_PHONE))
    check(length <= rec->size);
  if (!(flags & FIELD_FORMAT_PHONE)) {
    size_t n = length < sizeof buffer - 1 ? length : sizeof buffer - 1;
    check(strlen(buffer) == n && memcmp(buffer, text, n) == 0);
  }
  MEM_Free(text);
}

void readRecord(ContactDb* db, const uint8_t* data, uint32_t size) {
  ContactRec rec = ContactRecFromBytes(db, data, size);
  for (int16_t k = -1; k <= FIELD_KIND_COUNT; k++) {
    for (int16_t i = -1; i <= 10; i++) {
      for (uint16_t flags = 0; flags < 16; flags++) readField(&rec, FieldKind(k), i, flags);
    }
  }
  for (uint16_t flags = 0; flags < 16; flags++) readField(&rec, FieldKind::AllText, 0, flags);
  for (int16_t s = -1; s <= 12; s++) {
    for (int16_t i = -1; i <= 10; i++) {
      int32_t v = ContactGetInfo(&rec, ContactInfo(s), i);
      if (s == int16_t(ContactInfo::PhoneLabel)) check(v >= 0 && v <= 15);
      if (s == int16_t(ContactInfo::AddressLabel)) check(v >= -1 && v <= 3);
      if (s == int16_t(ContactInfo::ChatLabel)) check(v >= -1 && v <= 7);
    }
  }
  void* jpeg = nullptr;
  if (ContactGetPicture(&rec, PICTURE_JPEG, 0, 0, &jpeg) == 0) {
    uint32_t n = MEM_Size(jpeg);
    const uint8_t* j = static_cast<const uint8_t*>(jpeg);
    check(n >= 2 && n <= size && j[0] == 0xFF && j[1] == 0xD8);
    MEM_Free(jpeg);
  }
  int16_t stored = db->storedFieldCount(data, size);
  check(stored >= 0 && stored <= 42);
  for (int16_t f = -1; f <= 64; f++) {
    FieldLocation at = db->fieldPointer(data, size, f);
    check(at.offset <= size && at.length <= size - at.offset);
  }
  FieldLocation first = db->fieldPointer(data, size, FIELD_NUMBER_FIRST_STRING);
  check(first.offset <= size && first.length <= size - first.offset);
}

// A PDB image of a contact database of the given records (all live).
std::vector<uint8_t> database(bool contacts, const std::vector<std::vector<uint8_t>>& records) {
  std::vector<uint8_t> out(78 + 8 * records.size() + 2, 0);
  memcpy(out.data(), contacts ? "ContactsDB-PAdd" : "AddressDB", contacts ? 15 : 9);
  memcpy(out.data() + 60, contacts ? "DATAPAdd" : "DATAaddr", 8);
  out[76] = uint8_t(records.size() >> 8);
  out[77] = uint8_t(records.size());
  for (size_t i = 0; i < records.size(); i++) {
    Put32BE(out.data() + 78 + 8 * i, uint32_t(out.size()));
    Put24BE(out.data() + 78 + 8 * i + 5, uint32_t(i + 1));
    out.insert(out.end(), records[i].begin(), records[i].end());
  }
  return out;
}

RepairCounts repairOnce() {
  FileRef f = nullptr;
  check(FIL_Open(&f, VOL_DOCUMENTS, "!", "repair.pdb", FIL_MODE_READ_WRITE) == 0);
  ContactDb* db = nullptr;
  check(ContactDbAttach(&db, f, false) == 0);
  RepairCounts counts{};
  check(ContactRepairRun(db, 0, nullptr, 0, &counts) == 0);
  check(ContactDbCount(db) == 3);
  ContactDbClose(&db);
  return counts;
}

void repairTwice(bool contacts, const std::vector<uint8_t>& record,
                 const std::vector<uint8_t>& other) {
  std::vector<uint8_t> image = database(contacts, {record, record, other});
  FuzzWriteFile(FuzzDataDir() + "/repair.pdb", image.data(), image.size());
  RepairCounts first = repairOnce();
  check(first.sorted == 3 && first.dupes >= 1);
  RepairCounts second = repairOnce();
  check(second.dupes == 0 && second.nulls == 0 && second.shortened == 0 && second.extended == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  start();
  if (size > 70000) return 0;
  // A copy of exactly the input's length, so a read past it is caught.
  std::vector<uint8_t> bytes(data, data + size);
  const uint8_t* record = bytes.empty() ? nullptr : bytes.data();
  for (bool contacts : {false, true}) {
    ContactDb db{};
    ContactUseLayout(&db, contacts);
    readRecord(&db, record, uint32_t(size));
    // Two records: split where the first byte says.
    uint32_t split = size ? uint32_t(data[0]) * uint32_t(size) / 256 : 0;
    std::vector<uint8_t> a(data, data + split), b(data + split, data + size);
    for (int16_t mode = 0; mode < 3; mode++) {
      db.sortMode = mode;
      int ab = ContactCompare(&db, a.data(), uint32_t(a.size()), b.data(), uint32_t(b.size()));
      int ba = ContactCompare(&db, b.data(), uint32_t(b.size()), a.data(), uint32_t(a.size()));
      check(sign(ab) == -sign(ba));
      check(ContactCompare(&db, a.data(), uint32_t(a.size()), a.data(), uint32_t(a.size())) == 0);
      check(ContactCompareRecords(a.data(), uint32_t(a.size()), b.data(), uint32_t(b.size()),
                                  reinterpret_cast<uintptr_t>(&db)) == ab);
    }
    if (size > 0 && size < 4096) repairTwice(contacts, bytes, b);
  }
  return 0;
}
