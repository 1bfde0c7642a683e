// Test fixture for the contact database: contact files written into the
// data folder from PdbBuilder/ContactBuilder images, opened through the
// store, and read back with PdbParse. Also an independent reading of the
// database order (name keys read from the layouts' bytes) for checking
// sorted files, and a recorder for the alert hook.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "contact_builder.h"
#include "dbase.h"
#include "host_file.h"
#include "kova_fixture.h"
#include "pdb_builder.h"
#include "prefs.h"

// On-disk record attribute bits (the low nibble is the category).
inline constexpr uint8_t DISK_DELETED = 0x80;
inline constexpr uint8_t DISK_DIRTY = 0x40;
inline constexpr uint8_t DISK_SECRET = 0x10;

// Alerts the store asked, and the answer the test gives.
struct StoreAlertLog {
  std::vector<FourCC> names;
  std::vector<std::string> firstArgs;
  int16_t answer = 0;
  void (*during)() = nullptr;  // runs while the alert is up
};
inline StoreAlertLog g_alerts;

inline int16_t RecordAlert(FourCC name, const char* const* args, int16_t argCount) {
  g_alerts.names.push_back(name);
  g_alerts.firstArgs.push_back(argCount > 0 && args && args[0] ? args[0] : "");
  if (g_alerts.during) g_alerts.during();
  return g_alerts.answer;
}

// The string of field `field` of a record read straight from the layout:
// presence bits, then zero-terminated strings in field order. Empty when
// absent or past the record's end.
inline std::string OracleField(const PdbBytes& r, bool contacts, int field) {
  auto word = [&](size_t at) {
    uint32_t v = 0;
    for (size_t k = 0; k < 4; k++) v = v << 8 | (at + k < r.size() ? r[at + k] : 0);
    return v;
  };
  uint64_t flags = contacts ? (uint64_t(word(12)) << 32) | (word(8) & 0x7FFFFFFF) : word(4);
  if (!(flags >> field & 1)) return "";
  size_t pos = contacts ? 17 : 9;
  for (int f = 0; f < field; f++) {
    if (!(flags >> f & 1)) continue;
    while (pos < r.size() && r[pos] != 0) pos++;
    pos++;
  }
  std::string s;
  while (pos < r.size() && r[pos] != 0) s += char(r[pos++]);
  return s;
}

// The database order written out from its rule: the mode's three keys,
// empty keys passed over per record, "A"-"Z" folded, bytes unsigned.
inline int OracleCompare(const PdbBytes& a, const PdbBytes& b, bool contacts, int mode) {
  static const int kKeys[3][3] = {{0, 1, 2}, {1, 0, 2}, {2, 0, 1}};
  auto keys = [&](const PdbBytes& r) {
    std::vector<std::string> k;
    for (int field : kKeys[mode]) {
      std::string s = OracleField(r, contacts, field);
      for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
      if (!s.empty()) k.push_back(s);
    }
    k.resize(3);
    return k;
  };
  std::vector<std::string> ka = keys(a), kb = keys(b);
  for (int i = 0; i < 3; i++) {
    int c = ka[i].compare(kb[i]);  // std::string compares bytes as unsigned char
    if (c != 0) return c < 0 ? -1 : 1;
  }
  return 0;
}

// A contact record with the three name keys (empty ones left out).
inline PdbBytes NameRecord(bool contacts, const std::string& last, const std::string& first,
                           const std::string& company = "") {
  ContactBuilder b(contacts);
  if (!last.empty()) b.Field(0, last);
  if (!first.empty()) b.Field(1, first);
  if (!company.empty()) b.Field(2, company);
  return b.Record();
}

class ContactStoreTest : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    PrefsSetDefaults(&g_prefs);
    ContactStoreReset();
    ContactSetDataFolder(VOL_DOCUMENTS, "!");
    ContactSetAlertHandler(RecordAlert);
    g_alerts = StoreAlertLog();
  }
  void TearDown() override {
    ContactDbClose(&db_);
    ContactSetAlertHandler(nullptr);
    ContactStoreReset();
    KovaTest::TearDown();
  }

  static const char* FileOf(bool contacts) { return contacts ? CONTACTS_FILE : ADDRESS_FILE; }

  // Writes the database image as the layout's file and opens it writable
  // and quiet; the handle becomes Db().
  ContactDb* Open(const PdbBytes& image, bool contacts = true) {
    ContactDbClose(&db_);
    std::remove((DataDir() + "/" + FileOf(!contacts)).c_str());  // it would win
    WriteDataFile(FileOf(contacts), image);
    contacts_ = contacts;
    ContactDbClose(&db_);
    EXPECT_EQ(0, ContactDbOpen(&db_, true, true));
    return db_;
  }
  ContactDb* Open(const std::vector<PdbBytes>& records, bool contacts = true,
                  const std::vector<uint8_t>& attributes = {}) {
    PdbBuilder b = ContactPdb(contacts);
    for (size_t i = 0; i < records.size(); i++)
      b.Record(records[i], i < attributes.size() ? attributes[i] : 0, uint32_t(0x1000 + i));
    return Open(b.Bytes(), contacts);
  }
  ContactDb* Db() const { return db_; }
  void Close() { ContactDbClose(&db_); }

  // Reopens the database on the fault-injecting file table (a handle keeps
  // the table it was opened with) and arms `faults`; Disarm() lets every
  // call through again.
  void ArmFaults(const HostFaults& faults) {
    faults_ = faults;
    ContactDbClose(&db_);
    HOST_SetFileOps(&HOST_FAULT_FILE_OPS);
    EXPECT_EQ(0, ContactDbOpen(&db_, true, true));
    HOST_SetFaults(&faults_);
  }
  void Disarm() { HOST_SetFaults(nullptr); }

  PdbImage Image() const { return PdbParse(ReadDataFile(FileOf(contacts_))); }
  std::vector<PdbBytes> Records() const { return Image().records; }
  std::vector<uint8_t> Attributes() const {
    std::vector<uint8_t> a;
    for (const PdbEntry& e : Image().entries) a.push_back(e.attributes);
    return a;
  }

  // True when the live records stand in `mode` order and every deleted one
  // is behind them.
  ::testing::AssertionResult LiveSortedDeletedLast(int mode) const {
    PdbImage im = Image();
    if (!im.ok) return ::testing::AssertionFailure() << im.error;
    size_t live = 0;
    while (live < im.count && !(im.entries[live].attributes & DISK_DELETED)) live++;
    for (size_t i = live; i < im.count; i++)
      if (!(im.entries[i].attributes & DISK_DELETED))
        return ::testing::AssertionFailure() << "live record " << i << " behind deleted ones";
    for (size_t i = 1; i < live; i++)
      if (OracleCompare(im.records[i - 1], im.records[i], contacts_, mode) > 0)
        return ::testing::AssertionFailure()
               << "records " << i - 1 << " and " << i << " out of order";
    return ::testing::AssertionSuccess();
  }

  bool contacts_ = true;
  ContactDb* db_ = nullptr;
  HostFaults faults_{};
};
