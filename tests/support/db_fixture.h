// Test fixture for record database tests: writes a PDB image (from
// PdbBuilder) into the data folder, opens it, and reads records and the
// file back for comparison with the builder's images.
#pragma once

#include <string>
#include <vector>

#include "kova_fixture.h"
#include "pdb_builder.h"

class DbTest : public KovaTest {
 protected:
  static constexpr const char* kName = "Test.PDB";

  // Writes `bytes` as `name` and opens it; the handle becomes Db().
  FileRef OpenDb(const PdbBytes& bytes, const std::string& name = kName,
                 int16_t mode = FIL_MODE_READ_WRITE) {
    WriteDataFile(name, bytes);
    db_ = OpenAgain(name, mode);
    return db_;
  }
  // Another handle on a file of the data folder.
  FileRef OpenAgain(const std::string& name = kName, int16_t mode = FIL_MODE_READ_WRITE) {
    FileRef f = nullptr;
    EXPECT_EQ(0, FIL_Open(&f, VOL_DOCUMENTS, "", name.c_str(), mode)) << name;
    return f;
  }
  FileRef Db() const { return db_; }

  PdbBytes FileBytes(const std::string& name = kName) const { return ReadDataFile(name); }
  PdbImage Image(const std::string& name = kName) const { return PdbParse(FileBytes(name)); }
  // Compares the file with an expected image, listing both on a mismatch.
  void ExpectFile(const PdbBytes& expect, const std::string& name = kName) const {
    PdbBytes now = FileBytes(name);
    EXPECT_TRUE(expect == now) << "expected:\n"
                               << PdbDescribe(expect) << "file:\n"
                               << PdbDescribe(now);
  }

  std::vector<uint32_t> RecordSizes(FileRef f = nullptr) const {
    f = f ? f : db_;
    std::vector<uint32_t> sizes;
    for (uint16_t i = 0; i < DB_NumRecords(f); i++) sizes.push_back(DB_RecordSize(f, i));
    return sizes;
  }
  // Record i as read through DB_GetRecord ("<null>" when it cannot be).
  std::string ReadRecord(uint16_t i, FileRef f = nullptr) const {
    RecordRef rec = nullptr;
    const uint8_t* data = static_cast<const uint8_t*>(DB_GetRecord(&rec, f ? f : db_, i, 0, 0));
    if (!data) return "<null>";
    std::string s(data, data + DB_RecordLength(rec));
    EXPECT_EQ(0, DB_ReleaseRecord(&rec));
    return s;
  }
  std::vector<std::string> Records(FileRef f = nullptr) const {
    std::vector<std::string> all;
    for (uint16_t i = 0; i < DB_NumRecords(f ? f : db_); i++) all.push_back(ReadRecord(i, f));
    return all;
  }

 private:
  FileRef db_ = nullptr;
};
