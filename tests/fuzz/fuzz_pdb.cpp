// libFuzzer target over opening and walking a PDB file: the input is written
// as a file in a temporary data folder, opened, identified, validated and,
// when sound, walked record by record (entries, fetched copies, byte reads),
// with the layer's answers checked against each other. A copy then gets one
// insert and one delete, which must give back the file byte for byte.
// Owns the temporary folder (removed at exit).
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "kova.h"

namespace {

void check(bool ok) { FuzzCheck(ok); }

void writeFile(const std::string& name, const uint8_t* data, size_t size) {
  FuzzWriteFile(FuzzDataDir() + "/" + name, data, size);
}

std::vector<uint8_t> readFile(const std::string& name) {
  return FuzzReadFile(FuzzDataDir() + "/" + name);
}

// One record: its entry, its fetched copy and a direct read must agree.
void walkRecord(FileRef f, uint16_t i, uint32_t fileSize) {
  uint8_t attributes, category;
  uint32_t uniqueId;
  FourCC type;
  uint16_t id;
  (void)DB_RecordInfo(f, i, &attributes, &category);
  (void)DB_RecordUniqueId(f, i, &uniqueId);
  (void)DB_ResourceInfo(f, i, &type, &id);
  check(attributes <= 7 && category <= 15);
  uint32_t offset = DB_RecordOffset(f, i), size = DB_RecordSize(f, i);
  check(offset <= fileSize && size <= fileSize - offset);
  check(offset + size == DB_RecordOffset(f, uint16_t(i + 1)));  // i + 1 <= count
  RecordRef rec = nullptr;
  uint8_t* copy = static_cast<uint8_t*>(DB_GetRecord(&rec, f, i, 0, 0));
  if (size == 0 || !copy) {
    (void)DB_ReleaseRecord(&rec);
    return;
  }
  check(DB_RecordLength(rec) == size && DB_RecordIndex(rec) == i);
  std::vector<uint8_t> direct(size);
  check(DB_ReadRecordBytes(f, i, 0, size, direct.data()) == 0);
  check(memcmp(direct.data(), copy, size) == 0);
  (void)DB_ReleaseRecord(&rec);
  check(rec == nullptr);
}

// Returns true when the file is a sound database.
bool walk(FileRef f) {
  FourCC kind, type, creator;
  char name[32];
  uint32_t attributes, appInfo, sortInfo;
  uint16_t version;
  PalmTime modified, created, backedUp;
  (void)DB_GetInfo(f, &kind, name, &attributes, &version, &modified, &created, &backedUp, &type,
                   &creator);
  check(kind == DB_FileKind(f));
  check(memchr(name, 0, sizeof name) != nullptr);
  (void)DB_InfoOffsets(f, &appInfo, &sortInfo);
  (void)DB_Format(f);
  Err valid = DB_Validate(f);
  uint16_t count = DB_NumRecords(f);
  int32_t size = FIL_Size(f);
  if (valid != 0 || kind != FCC("Palm") || size < 0) {
    // A refused file answers record operations with nothing.
    RecordRef rec = nullptr;
    check(valid == 0 || (count == 0 && !DB_GetRecord(&rec, f, 0, 0, 0)));
    return false;
  }
  for (uint32_t i = 0; i < count; i++) walkRecord(f, uint16_t(i), uint32_t(size));
  RecordRef rec = nullptr;
  check(DB_RecordSize(f, count) == 0 && !DB_GetRecord(&rec, f, count, 0, 0));
  return true;
}

// One insert and one delete on a copy leave it as it was.
void editCopy(const std::string& name, const uint8_t* data, size_t size) {
  writeFile(name, data, size);
  FileRef f = nullptr;
  if (FIL_Open(&f, VOL_DOCUMENTS, "!", name.c_str(), FIL_MODE_READ_WRITE) != 0) abort();
  uint16_t count = DB_NumRecords(f);
  bool restored = false;
  if (DB_Validate(f) == 0 && count < PDB_MAX_RECORDS) {
    uint16_t at = uint16_t(count / 2);
    if (DB_InsertRecords(f, at, 5, 1, nullptr) == 0) {
      check(DB_NumRecords(f) == count + 1 && DB_RecordSize(f, at) == 5);
      check(DB_FillRecordAt(f, at, 0, 0xA5, 5) == 0);
      check(DB_DeleteRecords(f, at, 1, nullptr) == 0);
      restored = true;
    }
  }
  FIL_Close(&f);
  if (restored) {
    std::vector<uint8_t> after = readFile(name);
    check(after.size() == size && (size == 0 || memcmp(after.data(), data, size) == 0));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzStart();
  // Names ending in ".pdb" make any file of 80 bytes or more a database, so
  // the last byte picks whether the header alone decides.
  std::string name = size && (data[size - 1] & 1) ? "fuzz.pdb" : "fuzz.dat";
  writeFile(name, data, size);
  FileRef f = nullptr;
  if (FIL_Open(&f, VOL_DOCUMENTS, "!", name.c_str(), FIL_MODE_READ) != 0) abort();
  bool sound = walk(f);
  FIL_Close(&f);
  if (sound) editCopy("copy-" + name, data, size);
  return 0;
}
