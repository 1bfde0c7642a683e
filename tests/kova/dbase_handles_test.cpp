// Two handles on one database file: screens hold the contact database open
// while nested operations open it again, so a change through one handle must
// be seen at once through the other (count, sizes, offsets, attributes and
// data), however much the other has cached.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dbase_image.h"
#include "kova_fixture.h"

namespace {

constexpr char kName[] = "shared.pdb";

int16_t CompareBytes(const uint8_t* a, uint32_t aSize, const uint8_t* b, uint32_t bSize,
                     uintptr_t) {
  uint32_t n = std::min(aSize, bSize);
  int c = n ? memcmp(a, b, n) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  return aSize == bSize ? 0 : aSize < bSize ? -1 : 1;
}

class DbHandles : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    memcpy(m_.header.data(), "Shared", 6);
    Put32BE(&m_.header[60], FCC("DATA"));
    Put32BE(&m_.header[64], FCC("addr"));
    m_.tail.assign(2, 0);
    m_.appRel = 2;
    for (int k = 0; k < 90; k++) m_.tail.push_back(uint8_t(k + 1));
    for (uint32_t i = 0; i < 12; i++) {
      TestRecord r;
      r.data.assign((i * 53) % 70, uint8_t('A' + 11 - i));  // descending first bytes
      r.attr = uint8_t(0x40 | (i % 16));
      r.uid = 0x5000 + i;
      m_.records.push_back(r);
    }
    WriteDataFile(kName, BuildImage(m_));
  }
  void TearDown() override {
    FIL_Close(&a_);
    FIL_Close(&b_);
    KovaTest::TearDown();
  }

  void Open(int16_t modeB) {
    ASSERT_EQ(0, FIL_Open(&a_, VOL_DOCUMENTS, "", kName, FIL_MODE_READ_WRITE));
    ASSERT_EQ(0, FIL_Open(&b_, VOL_DOCUMENTS, "", kName, modeB));
  }

  // Both handles, walked both ways, and the file itself agree with the picture.
  void ExpectBothSee(const char* after) {
    for (FileRef f : {b_, a_})
      for (bool descending : {false, true})
        EXPECT_EQ("", CompareThroughApi(f, m_, descending))
            << after << (f == a_ ? ", changing handle" : ", other handle");
    EXPECT_EQ(int32_t(BuildImage(m_).size()), FIL_Size(b_)) << after;
    EXPECT_EQ("", CompareImage(ReadDataFile(kName), m_)) << after;
  }

  // Writes a new or grown part of record `i` through `f` and notes it.
  void Write(FileRef f, uint16_t i, uint32_t offset, uint8_t value) {
    TestRecord& r = m_.records[i];
    std::vector<uint8_t> bytes(r.data.size() - offset, value);
    if (bytes.empty()) return;
    ASSERT_EQ(0, DB_WriteRecordAt(f, i, offset, bytes.data(), uint32_t(bytes.size())));
    std::copy(bytes.begin(), bytes.end(), r.data.begin() + offset);
    r.known = SIZE_MAX;
  }

  TestImage m_;
  FileRef a_ = nullptr, b_ = nullptr;
};

TEST_F(DbHandles, ChangesThroughOneHandleAreSeenByAReadOnlyOne) {
  Open(FIL_MODE_READ);
  ExpectBothSee("opening");  // fills the other handle's caches
  ASSERT_EQ(0, DB_InsertRecords(a_, 3, 20, 2, nullptr));
  m_.records.insert(m_.records.begin() + 3, 2, TestRecord{std::vector<uint8_t>(20), 0, 0, 0});
  Write(a_, 3, 0, 'x');
  Write(a_, 4, 0, 'y');
  ExpectBothSee("insert");
  ASSERT_EQ(0, DB_DeleteRecords(a_, 6, 2, nullptr));
  m_.records.erase(m_.records.begin() + 6, m_.records.begin() + 8);
  ExpectBothSee("delete");
  uint32_t last = uint32_t(m_.records.size() - 1), old = uint32_t(m_.records[last].data.size());
  ASSERT_EQ(0, DB_ResizeRecord(a_, uint16_t(last), old + 100, nullptr));
  m_.records[last].data.resize(old + 100);
  Write(a_, uint16_t(last), old, 'z');
  ExpectBothSee("growing the last record");
  ASSERT_EQ(0, DB_ResizeRecord(a_, 1, 0, nullptr));
  m_.records[1].data.clear();
  ExpectBothSee("resizing a record to 0");
  ASSERT_EQ(0, DB_MoveRecords(a_, 0, 5, 3, nullptr));
  std::vector<TestRecord> run(m_.records.begin(), m_.records.begin() + 3);
  m_.records.erase(m_.records.begin(), m_.records.begin() + 3);
  m_.records.insert(m_.records.begin() + 5, run.begin(), run.end());
  ExpectBothSee("move");
  uint8_t attrs = REC_ATTR_DELETED | REC_ATTR_SECRET, category = 7;
  ASSERT_EQ(0, DB_SetRecordInfo(a_, 2, &attrs, &category));
  m_.records[2].attr = uint8_t((m_.records[2].attr & 0x20) | 0x80 | 0x10 | 7);
  ExpectBothSee("setting record info");
  Write(a_, 4, 0, 'q');
  ExpectBothSee("a record write");
  ASSERT_EQ(0, DB_Sort(a_, CompareBytes, 0));
  std::stable_sort(m_.records.begin(), m_.records.end(), [](const auto& x, const auto& y) {
    return std::lexicographical_compare(x.data.begin(), x.data.end(), y.data.begin(), y.data.end());
  });
  ExpectBothSee("sort");
}

TEST_F(DbHandles, TwoWritingHandlesTakeTurns) {
  Open(FIL_MODE_READ_WRITE);
  ExpectBothSee("opening");
  for (int round = 0; round < 6; round++) {
    FileRef doer = round % 2 ? b_ : a_;
    uint16_t at = uint16_t((round * 5) % (m_.records.size() + 1));
    ASSERT_EQ(0, DB_InsertRecords(doer, at, 7 + round, 1, nullptr));
    m_.records.insert(m_.records.begin() + at,
                      TestRecord{std::vector<uint8_t>(7 + round), 0, 0, 0});
    Write(doer, at, 0, uint8_t('0' + round));
    ExpectBothSee("insert");
    uint16_t victim = uint16_t((round * 7 + 3) % m_.records.size());
    uint32_t size = uint32_t(m_.records[victim].data.size());
    uint32_t newSize = (size + 30 + 13 * uint32_t(round)) % 90;
    ASSERT_EQ(0, DB_ResizeRecord(doer, victim, newSize, nullptr));
    m_.records[victim].data.resize(newSize);
    Write(doer, victim, std::min<uint32_t>(size, uint32_t(m_.records[victim].data.size())), 'r');
    ExpectBothSee("resize");
    ASSERT_EQ(0, DB_DeleteRecords(doer, uint16_t(round), 1, nullptr));
    m_.records.erase(m_.records.begin() + round);
    ExpectBothSee("delete");
  }
}

TEST_F(DbHandles, RawWritesAndTruncationThroughOneHandleReachTheOther) {
  Open(FIL_MODE_READ);
  ExpectBothSee("opening");
  // Cutting the count in the header: the last two entries become bytes
  // between the list and the data, and record 9 runs to the end of the file.
  uint8_t count[2];
  Put16BE(count, 10);
  FIL_Seek(a_, 76, FIL_SEEK_SET);
  ASSERT_EQ(2u, FIL_Write(a_, count, 2));
  ASSERT_EQ("", ParseImage(ReadDataFile(kName), &m_));
  ExpectBothSee("a raw write of the count");
  // Cutting the file: the last record loses its end.
  uint32_t end = uint32_t(BuildImage(m_).size()) - 5;
  ASSERT_EQ(0, FIL_Truncate(a_, end));
  m_.records.back().data.resize(m_.records.back().data.size() - 5);
  ExpectBothSee("a truncation");
  // A third handle opened now and the old one closed change nothing.
  FileRef c = nullptr;
  ASSERT_EQ(0, FIL_Open(&c, VOL_DOCUMENTS, "", kName, FIL_MODE_READ_WRITE));
  EXPECT_EQ("", CompareThroughApi(c, m_));
  FIL_Close(&a_);
  ASSERT_EQ(0, DB_InsertRecords(c, 0, 4, 1, nullptr));
  m_.records.insert(m_.records.begin(), TestRecord{std::vector<uint8_t>(4), 0, 0, 0});
  ASSERT_EQ(0, DB_FillRecordAt(c, 0, 0, 0x11, 4));
  m_.records[0].data.assign(4, 0x11);
  m_.records[0].known = SIZE_MAX;
  EXPECT_EQ("", CompareThroughApi(b_, m_));
  FIL_Close(&c);
}

}  // namespace
