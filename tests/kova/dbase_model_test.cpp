// Model-based randomized test of the record database operations: seeded
// sequences of insert, resize, delete, move, record writes, record info and
// sort run against an in-memory picture of the file (records with their
// attribute byte and unique ID, and the info blocks behind the list). After
// every step the layer's answers, through the working handle and a second
// read-only one, and the file's bytes, parsed independently, must match.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dbase_image.h"
#include "host_file.h"
#include "kova_fixture.h"

namespace {

constexpr char kName[] = "model.pdb";
constexpr int kSteps = 200;

// Records compare as unsigned bytes; a prefix sorts first.
int16_t CompareBytes(const uint8_t* a, uint32_t aSize, const uint8_t* b, uint32_t bSize,
                     uintptr_t user) {
  ++*reinterpret_cast<uint32_t*>(user);
  uint32_t n = std::min(aSize, bSize);
  for (uint32_t i = 0; i < n; i++)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return aSize == bSize ? 0 : aSize < bSize ? -1 : 1;
}

bool LessBytes(const TestRecord& a, const TestRecord& b) {
  return std::lexicographical_compare(a.data.begin(), a.data.end(), b.data.begin(), b.data.end());
}

std::string Str(const char* what, long a, long b = -1, long c = -1, long d = -1) {
  std::string s = what;
  for (long v : {a, b, c, d})
    if (v >= 0) s += " " + std::to_string(v);
  return s;
}

// Syncs only counted: every structural change must flush, and thousands of
// real syncs would make the run slow.
uint32_t g_syncs = 0;
Err CountSync(HostHandle) {
  g_syncs++;
  return 0;
}

// A short picture of the records for failure messages: size/unique ID/
// attribute byte and the first bytes of each.
std::string Summary(const TestImage& m) {
  std::string s;
  for (const TestRecord& r : m.records) {
    s += " " + std::to_string(r.data.size()) + "/" + std::to_string(r.uid) + "/" +
         std::to_string(r.attr) + ":";
    for (size_t k = 0; k < r.data.size() && k < 3; k++) {
      s += "0123456789abcdef"[r.data[k] >> 4];
      s += "0123456789abcdef"[r.data[k] & 15];
    }
  }
  return s;
}

class DbModel : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    ops_ = HOST_POSIX_FILE_OPS;
    ops_.sync = CountSync;
    HOST_SetFileOps(&ops_);
  }
  void TearDown() override {
    FIL_Close(&db_);
    FIL_Close(&peer_);
    KovaTest::TearDown();
  }

  uint32_t Below(uint32_t n) { return n ? uint32_t(rng_() % n) : 0; }
  size_t Count() const { return model_.records.size(); }

  uint32_t RandomSize() {
    if (tiny_ && Below(10) < 7) return 1;  // many one-letter records, many of them equal
    uint32_t r = Below(100);
    if (r < 30) return Below(4);
    if (r < 80) return Below(65);
    if (r < 95) return 65 + Below(600);
    return 1000 + Below(2200);  // crosses the 1024 and 1265-byte chunks
  }
  std::vector<uint8_t> RandomBytes(size_t n) {
    std::vector<uint8_t> v(n);
    bool narrow = tiny_ || Below(2) != 0;  // few letters, so that equal records occur
    for (uint8_t& c : v) c = narrow ? uint8_t('a' + Below(tiny_ ? 3 : 2)) : uint8_t(rng_());
    return v;
  }

  void Open() { ASSERT_EQ(0, FIL_Open(&db_, VOL_DOCUMENTS, "", kName, FIL_MODE_READ_WRITE)); }
  void OpenPeer() { ASSERT_EQ(0, FIL_Open(&peer_, VOL_DOCUMENTS, "", kName, FIL_MODE_READ)); }

  // A new database made by DB_SetInfo on an empty file; its fresh header is
  // checked byte for byte, then an application-info (and maybe a sort-info)
  // block is placed behind the two-byte gap.
  void StartFresh() {
    std::remove((DataDir() + "/" + kName).c_str());
    Open();
    ASSERT_EQ(0, DB_SetInfo(db_, nullptr, "Model base", nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr));
    FIL_Close(&db_);
    std::vector<uint8_t> want(80, 0);
    memcpy(want.data(), "Model base", 10);
    Put16BE(&want[32], 0x0008);
    for (int at : {36, 40, 44}) Put32BE(&want[at], PDB_FRESH_DATE);
    Put32BE(&want[48], 1);
    Put32BE(&want[60], FCC("Data"));
    Put32BE(&want[64], FCC("BrnL"));
    std::vector<uint8_t> bytes = ReadDataFile(kName);
    ASSERT_EQ(want, bytes);
    std::vector<uint8_t> app = RandomBytes(1 + Below(700));
    bytes.insert(bytes.end(), app.begin(), app.end());
    Put32BE(&bytes[52], 80);
    if (Below(2)) {
      Put32BE(&bytes[56], uint32_t(bytes.size()));
      std::vector<uint8_t> sort = RandomBytes(1 + Below(60));
      bytes.insert(bytes.end(), sort.begin(), sort.end());
    }
    WriteDataFile(kName, bytes);
    ASSERT_EQ("", ParseImage(bytes, &model_));
  }

  // A database from the independent builder: records with unique IDs, all
  // attribute bits (busy included) and categories, and varied info blocks.
  void StartBuilt(uint32_t seed) {
    std::string name = "Built " + std::to_string(seed);
    memcpy(model_.header.data(), name.c_str(), name.size());
    Put16BE(&model_.header[32], 0x0008);
    Put32BE(&model_.header[36], 0xB000000F + seed);
    Put32BE(&model_.header[60], FCC("DATA"));
    Put32BE(&model_.header[64], FCC("tstd"));
    if (Below(3)) model_.tail.assign(2, 0);
    if (Below(4)) {
      model_.appRel = int64_t(model_.tail.size());
      std::vector<uint8_t> app = RandomBytes(1 + Below(700));
      model_.tail.insert(model_.tail.end(), app.begin(), app.end());
    }
    if (Below(3) == 0) {
      model_.sortRel = int64_t(model_.tail.size());
      std::vector<uint8_t> sort = RandomBytes(1 + Below(60));
      model_.tail.insert(model_.tail.end(), sort.begin(), sort.end());
    }
    if (model_.tail.size() < 2) model_.tail.resize(2, 0);  // never shorter than 80 bytes
    uint32_t n = Below(26);
    for (uint32_t i = 0; i < n; i++)
      model_.records.push_back(
          {RandomBytes(RandomSize()), uint8_t(rng_()), (0x10000 + 7919 * (i + 1)) & 0xFFFFFF});
    WriteDataFile(kName, BuildImage(model_));
  }

  // One of the handheld's own files.
  void StartFixture(uint32_t seed) {
    const char* files[] = {"palmpdb_AddressDB-LifeDrive.pdb", "palmpdb_MemoDB.pdb",
                           "jpilot_empty_AddressDB.pdb"};
    std::vector<uint8_t> bytes = Fixture(files[seed % 3]);
    ASSERT_FALSE(bytes.empty());
    WriteDataFile(kName, bytes);
    ASSERT_EQ("", ParseImage(bytes, &model_));
  }

  std::string Check() {
    bool descending = Below(2) != 0;
    std::string err = CompareThroughApi(db_, model_, descending);
    if (!err.empty()) return "working handle: " + err;
    if (peer_) err = CompareThroughApi(peer_, model_, !descending);
    if (!err.empty()) return "second handle: " + err;
    if (err.empty()) err = CompareImage(ReadDataFile(kName), model_);
    return err;
  }

  // Writes record `i` whole, one of three ways, and records what it holds.
  std::string FillNewRecord(uint16_t i) {
    TestRecord& r = model_.records[i];
    if (r.data.empty()) return "";
    std::vector<uint8_t> bytes = RandomBytes(r.data.size());
    uint32_t size = uint32_t(bytes.size());
    Err err = 0;
    switch (Below(3)) {
      case 0:
        err = DB_WriteRecordAt(db_, i, 0, bytes.data(), size);
        break;
      case 1:
        bytes.assign(size, uint8_t(rng_()));
        err = DB_FillRecordAt(db_, i, 0, bytes[0], 0);
        break;
      default: {
        RecordRef rec = nullptr;
        if (!DB_GetRecord(&rec, db_, i, 0, 0) || DB_RecordLength(rec) != size)
          return Str("fetch of the new record failed", i);
        err = DB_WriteRecord(rec, 0, bytes.data(), 0);
        bool same = memcmp(DB_RecordData(rec), bytes.data(), size) == 0;
        (void)DB_ReleaseRecord(&rec);
        if (!same) return "the fetched copy does not hold what was written";
      }
    }
    if (err != 0) return Str("writing a new record failed", i, -err);
    r.data = bytes;
    r.known = SIZE_MAX;
    return "";
  }

  std::string DoInsert(ProgressRef progress) {
    uint16_t at = uint16_t(Below(uint32_t(Count()) + 1));
    uint32_t count = 1 + Below(5), size = RandomSize();
    step_ = Str("insert (index, size, count)", at, size, count);
    uint32_t syncs = g_syncs;
    if (Err err = DB_InsertRecords(db_, at, size, count, progress)) return Str("failed", -err);
    if (g_syncs == syncs) return "the file was not flushed";
    model_.records.insert(model_.records.begin() + at, count,
                          TestRecord{std::vector<uint8_t>(size), 0, 0, 0});
    // New records: the asked size, attribute 0 and unique ID 0, before any write.
    std::string err = CompareImage(ReadDataFile(kName), model_);
    for (uint32_t k = 0; err.empty() && k < count; k++) err = FillNewRecord(uint16_t(at + k));
    return err;
  }

  std::string DoResize(ProgressRef progress) {
    uint16_t i = uint16_t(Below(uint32_t(Count())));
    TestRecord& r = model_.records[i];
    uint32_t old = uint32_t(r.data.size()), size;
    switch (Below(4)) {
      case 0:
        size = 0;
        break;
      case 1:
        size = old + 1 + Below(100);
        break;
      case 2:
        size = Below(old + 1);
        break;
      default:
        size = RandomSize();
    }
    step_ = Str("resize (index, from, to)", i, old, size);
    uint32_t syncs = g_syncs;
    if (Err err = DB_ResizeRecord(db_, i, size, progress)) return Str("failed", -err);
    if (size != old && g_syncs == syncs) return "the file was not flushed";
    r.data.resize(size);
    r.known = old;
    std::string err = CompareImage(ReadDataFile(kName), model_);
    if (!err.empty() || size <= old) return err;
    std::vector<uint8_t> grown = RandomBytes(size - old);
    if (Err e = DB_WriteRecordAt(db_, i, old, grown.data(), size - old))
      return Str("writing the grown part failed", -e);
    std::copy(grown.begin(), grown.end(), r.data.begin() + old);
    r.known = SIZE_MAX;
    return "";
  }

  std::string DoDelete(ProgressRef progress) {
    uint32_t n = uint32_t(Count()), i = Below(n), count = 1 + Below(std::min(3u, n - i));
    step_ = Str("delete (index, count)", i, count);
    uint32_t syncs = g_syncs;
    if (Err err = DB_DeleteRecords(db_, uint16_t(i), count, progress)) return Str("failed", -err);
    if (g_syncs == syncs) return "the file was not flushed";
    model_.records.erase(model_.records.begin() + i, model_.records.begin() + i + count);
    return "";
  }

  std::string DoMove(ProgressRef progress) {
    uint32_t n = uint32_t(Count()), from = Below(n);
    uint32_t count = 1 + Below(Below(2) ? std::min(3u, n - from) : n - from);
    uint32_t to = Below(n - count + 1);
    step_ = Str("move (from, to, count)", from, to, count);
    uint32_t syncs = g_syncs;
    if (Err err = DB_MoveRecords(db_, uint16_t(from), uint16_t(to), int32_t(count), progress))
      return Str("failed", -err);
    if (from != to && g_syncs == syncs) return "the file was not flushed";
    std::vector<TestRecord> run(model_.records.begin() + from,
                                model_.records.begin() + from + count);
    model_.records.erase(model_.records.begin() + from, model_.records.begin() + from + count);
    model_.records.insert(model_.records.begin() + to, run.begin(), run.end());
    return "";
  }

  // A write into part of a record: directly, by fill, or through a fetched
  // copy of a range around it (whose contents are checked too).
  std::string DoWrite() {
    uint16_t i = uint16_t(Below(uint32_t(Count())));
    TestRecord& r = model_.records[i];
    uint32_t size = uint32_t(r.data.size());
    if (size == 0) return DoSetInfo(i);
    uint32_t off = Below(size), count = 1 + Below(size - off);
    std::vector<uint8_t> bytes = RandomBytes(count);
    uint32_t way = Below(3);
    step_ = Str("write (index, offset, count, way)", i, off, count, way);
    Err err = 0;
    if (way == 0) err = DB_WriteRecordAt(db_, i, off, bytes.data(), count);
    if (way == 1) {
      bytes.assign(count, uint8_t(rng_()));
      err = DB_FillRecordAt(db_, i, off, bytes[0], count);
    }
    if (way == 2) {
      uint32_t start = Below(off + 1), end = off + count + Below(size - off - count + 1);
      RecordRef rec = nullptr;
      if (!DB_GetRecord(&rec, db_, i, start, end - start)) return "fetch failed";
      bool fetched = DB_RecordLength(rec) == end - start && DB_RecordIndex(rec) == i &&
                     std::equal(r.data.begin() + start, r.data.begin() + end, DB_RecordData(rec));
      err = DB_WriteRecord(rec, off - start, bytes.data(), count);
      bool copied = std::equal(bytes.begin(), bytes.end(), DB_RecordData(rec) + off - start);
      (void)DB_ReleaseRecord(&rec);
      if (!fetched) return "the fetched copy differs from the record";
      if (!copied) return "the fetched copy does not hold what was written";
    }
    if (err != 0) return Str("failed", -err);
    std::copy(bytes.begin(), bytes.end(), r.data.begin() + off);
    return "";
  }

  std::string DoSetInfo(uint16_t i) {
    uint8_t attrs = uint8_t(Below(8)), category = uint8_t(Below(16));
    bool setAttrs = Below(4) != 0, setCategory = Below(4) != 0;
    step_ = Str("set record info (index, attrs, category)", i, setAttrs ? attrs : -1,
                setCategory ? category : -1);
    if (DB_SetRecordInfo(db_, i, setAttrs ? &attrs : nullptr, setCategory ? &category : nullptr))
      return "failed";
    uint8_t& disk = model_.records[i].attr;
    if (setAttrs)  // busy and category bits stay as stored
      disk = uint8_t((disk & 0x2F) | ((attrs & 1) ? 0x80 : 0) | ((attrs & 2) ? 0x10 : 0) |
                     ((attrs & 4) ? 0x40 : 0));
    if (setCategory) disk = uint8_t((disk & 0xF0) | category);
    return "";
  }

  std::string DoSort() {
    step_ = Str("sort of", long(Count()));
    uint32_t calls = 0;
    if (Err err = DB_Sort(db_, CompareBytes, reinterpret_cast<uintptr_t>(&calls)))
      return Str("failed", -err);
    if (Count() > 1 && calls == 0) return "the comparison was never called";
    std::stable_sort(model_.records.begin(), model_.records.end(), LessBytes);
    return "";
  }

  std::string Step() {
    ProgressRef p = Below(3) ? nullptr : &progress_;  // counts only, no callback
    uint32_t r = Count() == 0 ? 0 : Below(100);
    if (r < 22 && Count() > 80) r = 30;  // keep the database small
    if (r < 22) return DoInsert(p);
    if (r < 36) return DoResize(p);
    if (r < 52) return DoDelete(p);
    if (r < 66) return DoMove(p);
    if (r < 80) return DoWrite();
    if (r < 93) return DoSetInfo(uint16_t(Below(uint32_t(Count()))));
    return DoSort();
  }

  // Runs one seeded sequence; stops at its first difference.
  void RunSeed(uint32_t seed, int start) {
    FIL_Close(&db_);  // a previous seed may have stopped early
    FIL_Close(&peer_);
    rng_.seed(seed);
    tiny_ = seed % 3 == 2;
    model_ = TestImage();
    if (start == 0) {
      ASSERT_NO_FATAL_FAILURE(StartFresh());
    } else if (start == 1) {
      StartBuilt(seed);
    } else {
      ASSERT_NO_FATAL_FAILURE(StartFixture(seed));
    }
    ASSERT_NO_FATAL_FAILURE(Open());
    if (seed % 2) {
      ASSERT_NO_FATAL_FAILURE(OpenPeer());
    }
    std::string err = Check();
    ASSERT_EQ("", err) << "seed " << seed << " at the start";
    for (int step = 0; step < kSteps; step++) {
      step_.clear();
      std::string before = Summary(model_);
      err = Step();
      if (err.empty()) err = Check();
      if (!err.empty()) {
        TestImage got;
        (void)ParseImage(ReadDataFile(kName), &got);
        ADD_FAILURE() << "seed " << seed << " step " << step << " (" << step_ << "): " << err
                      << "\n before:" << before << "\n want:  " << Summary(model_)
                      << "\n file:  " << Summary(got);
        return;
      }
      if (Below(6) == 0) {  // a fresh handle must see the same file
        FIL_Close(&db_);
        ASSERT_NO_FATAL_FAILURE(Open());
        if (Below(2)) {
          ASSERT_EQ(0, DB_Validate(db_));
        }
      }
      if (peer_ && Below(10) == 0) {
        FIL_Close(&peer_);
        ASSERT_NO_FATAL_FAILURE(OpenPeer());
      }
    }
    FIL_Close(&db_);
    FIL_Close(&peer_);
  }

  HostFileOps ops_;
  ProgressBlock progress_ = {nullptr, 0, 0, 0, 0};
  bool tiny_ = false;  // this seed makes mostly one-byte records
  std::mt19937 rng_;
  TestImage model_;
  FileRef db_ = nullptr;
  FileRef peer_ = nullptr;  // a second, read-only handle on the same file (odd seeds)
  std::string step_;        // what the current step did, for failure messages
};

// Sorting must keep equal records in file order even when the smallest
// records lie scattered beyond one batch of twenty: placing them must not
// carry the records they displace past their equals.
TEST_F(DbModel, SortKeepsEqualRecordsInFileOrderBeyondABatch) {
  const char pattern[] = "bbacacacacacacacacacacacacacacacacacacacaca";
  for (size_t i = 0; i + 1 < sizeof pattern; i++)
    model_.records.push_back({{uint8_t(pattern[i])}, uint8_t(i % 16), uint32_t(i + 1)});
  Put32BE(&model_.header[60], FCC("DATA"));
  Put32BE(&model_.header[64], FCC("tstd"));
  model_.tail.assign(2, 0);
  WriteDataFile(kName, BuildImage(model_));
  Open();
  uint32_t calls = 0;
  ASSERT_EQ(0, DB_Sort(db_, CompareBytes, reinterpret_cast<uintptr_t>(&calls)));
  std::stable_sort(model_.records.begin(), model_.records.end(), LessBytes);
  TestImage got;
  ASSERT_EQ("", ParseImage(ReadDataFile(kName), &got));
  EXPECT_EQ(Summary(model_), Summary(got));
  EXPECT_EQ("", CompareThroughApi(db_, model_));
}

TEST_F(DbModel, NewDatabaseWithInfoBlocksFollowsTheModel) {
  for (uint32_t seed = 100; seed < 107; seed++) EXPECT_NO_FATAL_FAILURE(RunSeed(seed, 0));
}

TEST_F(DbModel, BuiltDatabaseWithIdsAndAttributesFollowsTheModel) {
  for (uint32_t seed = 200; seed < 207; seed++) EXPECT_NO_FATAL_FAILURE(RunSeed(seed, 1));
}

TEST_F(DbModel, HandheldFilesFollowTheModel) {
  for (uint32_t seed = 300; seed < 306; seed++) EXPECT_NO_FATAL_FAILURE(RunSeed(seed, 2));
}

}  // namespace
