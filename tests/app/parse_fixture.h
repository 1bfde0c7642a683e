// Test fixture for the contact record accessor: records written by
// ContactBuilder, read from memory or from a contact database file opened
// through the file layer (fetched with DB_GetRecord, as the screens do), and
// the file's bytes read back with PdbParse for byte-exact comparison with
// the builder. Saves and restores the preference block around each test.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "contact_builder.h"
#include "host_file.h"
#include "kova_fixture.h"
#include "parse.h"
#include "prefs.h"

class ContactTest : public KovaTest {
 protected:
  static constexpr const char* kFile = "Contacts.PDB";

  void SetUp() override {
    KovaTest::SetUp();
    saved_ = g_prefs;
    SetTemplates({"000-0000", "000-000-0000", "0-000-000-0000", "", ""});
    g_prefs.jpegQuality = 50;
  }
  void TearDown() override {
    Release();
    FIL_Close(&file_);
    g_prefs = saved_;
    KovaTest::TearDown();
  }

  // Phone templates and their digit counts (counted here, independently).
  static void SetTemplates(const std::vector<std::string>& templates) {
    for (size_t i = 0; i < 5; i++) {
      std::string t = i < templates.size() ? templates[i] : "";
      snprintf(g_prefs.phoneTemplates[i], sizeof g_prefs.phoneTemplates[i], "%s", t.c_str());
      uint8_t digits = 0;
      for (char c : t) digits += (c >= '0' && c <= '9');
      g_prefs.templateDigits[i] = digits;
    }
  }

  // A record held in memory (read only).
  ContactRec Mem(bool contacts, const std::string& bytes) {
    ContactUseLayout(&memDb_, contacts);
    memBytes_ = bytes;
    return ContactRecFromBytes(&memDb_, reinterpret_cast<const uint8_t*>(memBytes_.data()),
                               uint32_t(memBytes_.size()));
  }

  // Writes a contact database of `records` and opens it for writing; `ops`
  // (may be null) is the host table the handle keeps.
  void OpenFile(bool contacts, const std::vector<std::string>& records,
                const HostFileOps* ops = nullptr) {
    Release();
    FIL_Close(&file_);
    PdbBuilder b = ContactPdb(contacts);
    for (const std::string& r : records) b.Record(r);
    std::remove((DataDir() + "/" + kFile).c_str());
    WriteDataFile(kFile, b.Bytes());
    HOST_SetFileOps(ops);
    ASSERT_EQ(0, FIL_Open(&file_, VOL_DOCUMENTS, "", kFile, FIL_MODE_READ_WRITE));
    db_ = ContactDb{};
    db_.file = file_;
    ContactUseLayout(&db_, contacts);
  }
  // Fetches record `index` of the open file as the record under test.
  ContactRec* Fetch(uint16_t index) {
    Release();
    rec_ = ContactRec{};
    rec_.file = file_;
    rec_.db = &db_;
    rec_.index = index;
    rec_.bytes = static_cast<uint8_t*>(DB_GetRecord(&rec_.record, file_, index, 0, 0));
    rec_.size = rec_.bytes ? DB_RecordLength(rec_.record) : 0;
    return &rec_;
  }
  void Release() {
    if (rec_.record) (void)DB_ReleaseRecord(&rec_.record);
    rec_ = ContactRec{};
  }
  // What the held record says now.
  std::string Held() const {
    return rec_.bytes ? std::string(reinterpret_cast<const char*>(rec_.bytes), rec_.size) : "";
  }

  // The file's records, read past the code under test.
  std::vector<std::string> StoredAll() const {
    PdbImage image = PdbParse(ReadDataFile(kFile));
    std::vector<std::string> out;
    for (const PdbBytes& r : image.records) out.emplace_back(r.begin(), r.end());
    return out;
  }
  std::string Stored(uint16_t index) const {
    std::vector<std::string> all = StoredAll();
    return index < all.size() ? all[index] : "<missing>";
  }

  // A field's text through the accessor; "<null>" for no text.
  static std::string Get(const ContactRec* rec, FieldKind kind, int16_t index, uint16_t flags = 0) {
    char* text = ContactGetField(rec, kind, index, nullptr, 0, flags);
    if (!text) return "<null>";
    std::string s(text);
    MEM_Free(text);
    return s;
  }

  // The field number of each (kind, index) with a string, from the two
  // layout tables.
  using Slot = std::pair<int, int>;
  static std::map<Slot, int> FieldTable(bool contacts) {
    std::map<Slot, int> t;
    t[{0, 0}] = 0;
    t[{1, 0}] = 1;
    t[{2, 0}] = 2;
    if (!contacts) {
      for (int i = 0; i < 5; i++) t[{3, i}] = 3 + i;
      for (int k = 4; k <= 8; k++) t[{k, 0}] = 8 + (k - 4);
      t[{9, 0}] = 13;
      for (int i = 0; i < 4; i++) t[{12, i}] = 14 + i;
      t[{13, 0}] = 18;
      return t;
    }
    t[{9, 0}] = 3;
    for (int i = 0; i < 7; i++) t[{3, i}] = 4 + i;
    t[{10, 0}] = 11;
    t[{10, 1}] = 12;
    t[{11, 0}] = 13;
    for (int i = 0; i < 9; i++) t[{12, i}] = 14 + i;
    const int street[3] = {23, 32, 37};
    for (int i = 0; i < 3; i++)
      for (int k = 4; k <= 8; k++) t[{k, i}] = street[i] + (k - 4);
    t[{13, 0}] = 42;
    return t;
  }

  static std::string Hex(const std::string& bytes) {
    std::string out;
    char b[4];
    for (unsigned char c : bytes) {
      snprintf(b, sizeof b, "%02x ", c);
      out += b;
    }
    return out;
  }

  static ::testing::AssertionResult SameBytes(const std::string& expected,
                                              const std::string& actual) {
    if (expected == actual) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "\nexpected: " << Hex(expected) << "\nactual:   " << Hex(actual) << "\n";
  }

  ContactDb db_{};
  ContactRec rec_{};
  FileRef file_ = nullptr;

 private:
  ContactDb memDb_{};
  std::string memBytes_;
  Prefs saved_{};
};

// Byte-exact comparison with a hex listing on a mismatch; takes "<<".
#define EXPECT_BYTES(expected, actual) EXPECT_TRUE(ContactTest::SameBytes((expected), (actual)))
