// Tests of the repair engine: measuring records and blob chains, the scan's
// mends with their log lines, duplicates (same bytes, category and private
// bit), the sort with every deleted record behind the live ones, aborts,
// progress, and shuffled or damaged files under full disks and failing
// writes. Records are built with ContactBuilder, results read with PdbParse
// and judged by the fixture's own reading of the name keys.
#include <map>
#include <random>
#include <set>

#include "dbase_fixture.h"
#include "dbase_internal.h"
#include "host_file.h"

namespace {

struct Step {
  FourCC stage;
  uint32_t done, total;
};
std::vector<Step> g_steps;
size_t g_abortAt = SIZE_MAX;  // the call (0 = first) that answers "abort"

bool Progress(FourCC stage, uint32_t done, uint32_t total, uintptr_t arg) {
  EXPECT_EQ(42u, arg);
  g_steps.push_back({stage, done, total});
  return g_steps.size() - 1 != g_abortAt;
}

class ContactRepair : public ContactStoreTest {
 protected:
  void SetUp() override {
    ContactStoreTest::SetUp();
    g_steps.clear();
    g_abortAt = SIZE_MAX;
  }
  // Runs the repair with the log captured.
  Err Run(int16_t order, RepairCounts* counts, std::string* log = nullptr) {
    ::testing::internal::CaptureStderr();
    Err err = ContactRepairRun(Db(), order, Progress, 42, counts);
    std::string text = ::testing::internal::GetCapturedStderr();
    if (log) *log = text;
    return err;
  }
};

PdbBytes Cut(PdbBytes r, size_t n) {
  r.resize(r.size() - n);
  return r;
}

const uint16_t kBirthday = PackedDate(1970, 5, 17);

TEST_F(ContactRepair, MeasuredEndCoversHeaderStringsAndBirthday) {
  Open(std::vector<PdbBytes>{});
  ContactDb* db = Db();
  auto end = [&](const PdbBytes& r) {
    return ContactMeasuredEnd(db, r.data(), uint32_t(r.size()));
  };
  PdbBytes plain = ContactBuilder(true).Field(0, "Ab").Field(42, "note").Record();
  EXPECT_EQ(plain.size(), end(plain));
  EXPECT_EQ(plain.size(), end(Cut(plain, 1)));      // the note's zero byte is missing
  EXPECT_EQ(plain.size() - 2, end(Cut(plain, 3)));  // "no" ends with the record
  PdbBytes birthday = ContactBuilder(true).Field(0, "Ab").Birthday(kBirthday, 0).Record();
  EXPECT_EQ(17u + 3 + 4, end(birthday));
  PdbBytes alarm = ContactBuilder(true).Field(31 + 1, "St").Birthday(kBirthday, 1, 2).Record();
  EXPECT_EQ(17u + 3 + 5, end(alarm));
  EXPECT_EQ(17u + 3 + 5, end(Cut(alarm, 2)));  // a cut block still counts whole
  PdbBytes withBlob = ContactBuilder(true).Field(1, "x").Blob("Bd01", "12").Record();
  EXPECT_EQ(17u + 2, end(withBlob));
  EXPECT_EQ(17u, end(PdbBytes(5, 0)));  // shorter than its header
  // The empty record's zero byte belongs to a record without fields, as
  // the handheld writes it; behind any field it would be stray.
  EXPECT_EQ(18u, end(ContactBuilder(true).EmptyByte().Record()));
  // Fields 28-30 are strings too; bit 31 is no field.
  PdbBytes odd = ContactBuilder(true).Field(29, "zz").HeaderByte(8, 0x80 | 0x20).Record();
  EXPECT_EQ(17u + 3, end(odd));
  Open(std::vector<PdbBytes>{}, false);
  db = Db();
  PdbBytes classic = ContactBuilder(false).Field(0, "A").Field(18, "n").EmptyByte().Record();
  EXPECT_EQ(classic.size() - 1, end(classic));
  EXPECT_EQ(classic.size() - 1, end(Cut(classic, 2)));
  EXPECT_EQ(9u, end(PdbBytes{}));
}

TEST_F(ContactRepair, BlobChains) {
  PdbBytes r =
      ContactBuilder(true).Field(0, "A").Blob("Bd01", "abc").Picture("\xFF\xD8zz").Record();
  const uint32_t from = 17 + 2, size = uint32_t(r.size());
  EXPECT_TRUE(ContactBlobChainValid(r.data(), from, size));
  EXPECT_TRUE(ContactBlobChainValid(r.data(), size, size));  // no blobs at all
  EXPECT_FALSE(ContactBlobChainValid(r.data(), from, size - 1));
  EXPECT_FALSE(ContactBlobChainValid(r.data(), from + 1, size));
  EXPECT_FALSE(ContactBlobChainValid(r.data(), size + 1, size));
  PdbBytes empty = ContactBuilder(true).Blob("Xy00", "").Record();  // a 6-byte blob
  EXPECT_TRUE(ContactBlobChainValid(empty.data(), 17, uint32_t(empty.size())));
  for (uint32_t stray = 1; stray <= 5; stray++)
    EXPECT_FALSE(ContactBlobChainValid(empty.data(), uint32_t(empty.size()) - stray,
                                       uint32_t(empty.size())));
}

TEST_F(ContactRepair, ScanMendsSingleRecordsAndLogsThem) {
  PdbBytes note = ContactBuilder(true).Field(0, "Cole").Field(42, "a note").Record();
  PdbBytes born = ContactBuilder(true).Field(0, "Dean").Birthday(kBirthday, 0).Record();
  PdbBytes blob =
      ContactBuilder(true).Field(0, "Eve").Birthday(kBirthday, 0).Blob("Bd01", "12").Record();
  PdbBytes pic = ContactBuilder(true).Field(0, "Gus").Picture("\xFF\xD8jpeg").Record();
  PdbBytes junk = born;
  junk[17] = 'F';  // "Fean"
  // Seven bytes whose blob header claims 255 bytes of data: no chain.
  PdbBytes badChain = junk;
  for (uint8_t c : PdbBytes{'A', 'B', 'C', 'D', 0x00, 0xFF, 0x01}) badChain.push_back(c);
  std::vector<PdbBytes> records = {
      NameRecord(true, "Adams", ""),
      PdbBytes{},    // 1 null
      Cut(note, 1),  // 2 the note runs past the end
      ContactBuilder(true).Field(0, "Dean").Birthday(kBirthday, 0).Tail("xyz").Record(),
      blob,      // 4 a whole blob behind the block: kept
      badChain,  // 5
      ContactBuilder(true).Field(0, "Gus").Picture("\xFF\xD8jpeg").Tail("!!").Record(),
      PdbBytes{0x03, 0x65, 0x47, 0x10, 0x02},  // 7 shorter than its header
  };
  Open(records);
  RepairCounts counts{};
  std::string log;
  ASSERT_EQ(0, Run(0, &counts, &log));
  EXPECT_EQ(
      "Fix truncated record 7 (lengthening 5 to 17\n"
      "Fix bad blob record 6 (shortening " +
          std::to_string(pic.size() + 2) + " to " + std::to_string(pic.size()) +
          "\n"
          "Fix bad blob record 5 (shortening " +
          std::to_string(junk.size() + 7) + " to " + std::to_string(junk.size()) +
          "\n"
          "Fix bad blob record 3 (shortening " +
          std::to_string(born.size() + 3) + " to " + std::to_string(born.size()) +
          "\n"
          "Fix truncated record 2 (lengthening " +
          std::to_string(note.size() - 1) + " to " + std::to_string(note.size()) +
          "\n"
          "Removed null record 1\n",
      log);
  EXPECT_EQ(8, counts.sorted);
  EXPECT_EQ(1, counts.nulls);
  EXPECT_EQ(3, counts.shortened);
  EXPECT_EQ(2, counts.extended);
  EXPECT_EQ(0, counts.dupes);
  // The header-only record (no names) sorts first; the null one is last.
  PdbBytes header = {0x03, 0x65, 0x47, 0x10, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::vector<PdbBytes> expect = {
      header, NameRecord(true, "Adams", ""), note, born, blob, junk, pic, PdbBytes{}};
  EXPECT_EQ(expect, Records());
  EXPECT_EQ(DISK_DELETED, Attributes()[7]);
  EXPECT_TRUE(LiveSortedDeletedLast(0));
}

TEST_F(ContactRepair, ClassicRecordsAreLengthenedButKeepTheirTails) {
  PdbBytes named = ContactBuilder(false).Field(0, "Baker").Field(18, "memo").Record();
  PdbBytes made = ContactBuilder(false).Field(0, "Adams").EmptyByte().Record();
  PdbBytes tail = ContactBuilder(false).Field(0, "Clark").Tail("xyz").Record();
  Open({made, Cut(named, 1), tail}, false);
  RepairCounts counts{};
  std::string log;
  ASSERT_EQ(0, Run(0, &counts, &log));
  EXPECT_EQ("Fix truncated record 1 (lengthening " + std::to_string(named.size() - 1) + " to " +
                std::to_string(named.size()) + "\n",
            log);
  EXPECT_EQ((std::vector<PdbBytes>{made, named, tail}), Records());
  EXPECT_EQ(1, counts.extended);
  EXPECT_EQ(0, counts.shortened);
}

TEST_F(ContactRepair, DuplicatesNeedSameBytesCategoryAndPrivateBit) {
  PdbBytes a = NameRecord(true, "A", ""), c = NameRecord(true, "C", "");
  PdbBytes d = NameRecord(true, "D", ""), e = NameRecord(true, "E", "");
  Open({a, a, NameRecord(true, "B", ""), c, c, c, d, d, e, e}, true,
       {0x01, 0x01, 0, 0, 0, 0, 0x01, 0x02, DISK_SECRET, 0});
  RepairCounts counts{};
  std::string log;
  ASSERT_EQ(0, Run(0, &counts, &log));
  EXPECT_EQ("Removed dupe record 5\nRemoved dupe record 4\nRemoved dupe record 1\n", log);
  EXPECT_EQ(3, counts.dupes);
  EXPECT_EQ(10, counts.sorted);
  EXPECT_EQ((std::vector<PdbBytes>{a, NameRecord(true, "B", ""), c, d, d, e, e, a, c, c}),
            Records());
  EXPECT_EQ((std::vector<uint8_t>{0x01, 0, 0, 0x01, 0x02, DISK_SECRET, 0, DISK_DELETED | 0x01,
                                  DISK_DELETED, DISK_DELETED}),
            Attributes());
}

TEST_F(ContactRepair, SortsByTheChosenOrderWithDeletedRecordsBehindInTheirOrder) {
  std::vector<PdbBytes> records = {
      NameRecord(true, "Zed", "Amy", "Beta"), NameRecord(true, "Old1", "", "Zz"),
      NameRecord(true, "Adams", "Zoe", "Alpha"), NameRecord(true, "Old2", "", "Aa"),
      NameRecord(true, "Moss", "Kim", "")};
  Open(records, true, {0, DISK_DELETED, 0, DISK_DELETED, 0});
  RepairCounts counts{};
  ASSERT_EQ(0, Run(2, &counts));
  EXPECT_EQ(2, Db()->sortMode);
  EXPECT_EQ(2, detectedOrder);
  // A contact without a company sorts by its last name in company order.
  EXPECT_EQ((std::vector<PdbBytes>{records[2], records[0], records[4], records[1], records[3]}),
            Records());
  EXPECT_TRUE(LiveSortedDeletedLast(2));
}

TEST_F(ContactRepair, ProgressRunsOverThreeStagesOfTheRecordCount) {
  Open({NameRecord(true, "B", ""), NameRecord(true, "A", ""), NameRecord(true, "C", "")});
  RepairCounts counts{};
  ASSERT_EQ(0, Run(0, &counts));
  std::vector<std::pair<FourCC, uint32_t>> seen;
  for (const Step& s : g_steps) {
    EXPECT_EQ(9u, s.total);
    seen.push_back({s.stage, s.done});
  }
  std::vector<std::pair<FourCC, uint32_t>> expect = {{FCC("$Scn"), 0}, {FCC("$Scn"), 1},
                                                     {FCC("$Scn"), 2}, {FCC("$Srt"), 3},
                                                     {FCC("$Dup"), 6}, {FCC("$Dup"), 7}};
  EXPECT_EQ(expect, seen);
}

TEST_F(ContactRepair, AbortBeforeAnythingLeavesTheFileAsItWas) {
  Open({NameRecord(true, "B", ""), PdbBytes{}, NameRecord(true, "A", "")});
  PdbBytes before = ReadDataFile(CONTACTS_FILE);
  g_abortAt = 0;
  RepairCounts counts{};
  ASSERT_EQ(0, Run(0, &counts));
  EXPECT_EQ(before, ReadDataFile(CONTACTS_FILE));
  EXPECT_EQ(3, counts.sorted);
  EXPECT_EQ(0, counts.nulls);
  EXPECT_EQ(1u, g_steps.size());
}

TEST_F(ContactRepair, AbortSkipsSortAndDupesButDeletedRecordsStillGoBehind) {
  PdbBytes b = NameRecord(true, "B", "");
  Open({NameRecord(true, "C", ""), b, b, NameRecord(true, "A", ""), PdbBytes{}});
  g_abortAt = 1;  // after the last record was scanned
  RepairCounts counts{};
  ASSERT_EQ(0, Run(0, &counts));
  EXPECT_EQ(1, counts.nulls);
  EXPECT_EQ(0, counts.dupes);
  EXPECT_EQ(2u, g_steps.size());
  EXPECT_EQ((std::vector<PdbBytes>{NameRecord(true, "A", ""), b, b, NameRecord(true, "C", ""),
                                   PdbBytes{}}),
            Records());
  EXPECT_TRUE(LiveSortedDeletedLast(0));
}

TEST_F(ContactRepair, ReadOnlyDatabaseIsRefused) {
  WriteDataFile(CONTACTS_FILE, ContactPdb(true).Record(PdbBytes{}).Bytes());
  PdbBytes before = ReadDataFile(CONTACTS_FILE);
  ASSERT_EQ(0, ContactDbOpen(&db_, false, true));
  RepairCounts counts{};
  counts.nulls = 9;
  EXPECT_EQ(ERR_FILE_PARAM, ContactRepairRun(Db(), 0, nullptr, 0, &counts));
  EXPECT_EQ(0, counts.nulls);
  EXPECT_EQ(before, ReadDataFile(CONTACTS_FILE));
  EXPECT_EQ(ERR_FILE_PARAM, ContactRepairRun(nullptr, 0, nullptr, 0, nullptr));
}

// A shuffled file: random names, exact copies, empty records and records
// deleted earlier, in random order with random categories.
struct Shuffled {
  std::vector<PdbBytes> records;
  std::vector<uint8_t> attributes;
};

Shuffled MakeShuffled(uint32_t seed, bool contacts, int count) {
  std::mt19937 rng(seed);
  auto name = [&]() {
    std::string s;
    for (int i = int(rng() % 4); i > 0; i--) s += "aAbBc"[rng() % 5];
    return s;
  };
  Shuffled out;
  for (int i = 0; i < count; i++) {
    uint32_t kind = rng() % 10;
    uint8_t attributes = uint8_t(rng() % 3);
    if (rng() % 5 == 0) attributes |= DISK_SECRET;
    if (kind == 0 && !out.records.empty()) {  // an exact copy of an earlier one
      size_t k = rng() % out.records.size();
      out.records.push_back(out.records[k]);
      out.attributes.push_back(out.attributes[k]);
      continue;
    }
    if (kind == 1) {
      out.records.push_back(PdbBytes{});
    } else {
      ContactBuilder b(contacts);
      b.Field(0, name()).Field(1, name()).Field(2, name());
      if (rng() % 3 == 0) b.Field(contacts ? 42 : 18, "note " + std::to_string(rng() % 100));
      out.records.push_back(b.Record());
    }
    if (kind == 2) attributes |= DISK_DELETED;
    out.attributes.push_back(attributes);
  }
  return out;
}

TEST_F(ContactRepair, ShuffledFilesComeOutSortedWithNothingLost) {
  for (bool contacts : {true, false}) {
    for (uint32_t seed = 1; seed <= 12; seed++) {
      Shuffled in = MakeShuffled(seed, contacts, 10 + int(seed * 7 % 60));
      Open(in.records, contacts, in.attributes);
      int mode = int(seed % 3);
      RepairCounts counts{};
      ASSERT_EQ(0, Run(int16_t(mode), &counts));
      PdbImage im = Image();
      ASSERT_EQ(in.records.size(), im.records.size());
      EXPECT_TRUE(LiveSortedDeletedLast(mode)) << seed;
      // Nothing lost: the same (bytes, attributes) multiset, with the
      // deleted bit set only on empty records and on duplicates.
      std::multiset<std::pair<PdbBytes, uint8_t>> before, after, liveAfter;
      size_t nulls = 0, dupes = 0;
      for (size_t i = 0; i < in.records.size(); i++) {
        before.insert({in.records[i], uint8_t(in.attributes[i] & ~DISK_DELETED)});
        if (!(in.attributes[i] & DISK_DELETED) && in.records[i].empty()) nulls++;
      }
      for (size_t i = 0; i < im.records.size(); i++) {
        uint8_t a = im.entries[i].attributes;
        after.insert({im.records[i], uint8_t(a & ~DISK_DELETED)});
        if (!(a & DISK_DELETED)) liveAfter.insert({im.records[i], a});
      }
      EXPECT_EQ(before, after) << seed;
      // Each record deleted here has a live twin; no two live neighbours
      // are twins.
      std::multiset<std::pair<PdbBytes, uint8_t>> deletedBefore;
      for (size_t i = 0; i < in.records.size(); i++)
        if (in.attributes[i] & DISK_DELETED)
          deletedBefore.insert({in.records[i], in.attributes[i]});
      for (size_t i = 0; i < im.records.size(); i++) {
        uint8_t a = im.entries[i].attributes;
        if (!(a & DISK_DELETED) || im.records[i].empty()) continue;
        auto old = deletedBefore.find({im.records[i], a});
        if (old != deletedBefore.end()) {
          deletedBefore.erase(old);
          continue;
        }
        dupes++;
        EXPECT_LE(1u, liveAfter.count({im.records[i], uint8_t(a & ~DISK_DELETED)})) << seed;
      }
      for (size_t i = 1; i < im.records.size(); i++) {
        bool bothLive = !((im.entries[i - 1].attributes | im.entries[i].attributes) & DISK_DELETED);
        EXPECT_FALSE(bothLive && im.records[i - 1] == im.records[i] &&
                     im.entries[i - 1].attributes == im.entries[i].attributes)
            << seed << " at " << i;
      }
      EXPECT_EQ(nulls, counts.nulls) << seed;
      EXPECT_EQ(dupes, counts.dupes) << seed;
      EXPECT_EQ(in.records.size(), counts.sorted);
      EXPECT_EQ(0, counts.shortened + counts.extended);
      // A second repair finds nothing more to do.
      ContactStoreReset();
      PdbBytes once = ReadDataFile(FileOf(contacts));
      ASSERT_EQ(0, Run(int16_t(mode), &counts));
      EXPECT_EQ(once, ReadDataFile(FileOf(contacts))) << seed;
    }
  }
}

TEST_F(ContactRepair, FullDiskStopsTheRepairWithTheFileAsItWas) {
  PdbBytes note = ContactBuilder(true).Field(0, "Cole").Field(42, "a note").Record();
  Open({NameRecord(true, "B", ""), PdbBytes{}, Cut(note, 1)});
  PdbBytes before = ReadDataFile(CONTACTS_FILE);
  ArmFaults(HostFaults{0, 0, 0, 0, 0, false, 0});
  RepairCounts counts{};
  EXPECT_EQ(ERR_DISK_FULL, Run(0, &counts));
  Disarm();
  EXPECT_EQ(before, ReadDataFile(CONTACTS_FILE));
  EXPECT_EQ(0, counts.extended);
}

TEST_F(ContactRepair, DiskFillingUpAnywhereNeverLosesARecord) {
  Shuffled in = MakeShuffled(99, true, 30);
  // The scan runs from the last record down: the truncated note is
  // lengthened before the stray bytes free any room.
  in.records.push_back(ContactBuilder(true).Field(0, "Dean").Tail("xyz").Record());
  in.attributes.push_back(0);
  PdbBytes note = ContactBuilder(true).Field(0, "Cole").Field(42, "a note").Record();
  in.records.push_back(Cut(note, 1));
  in.attributes.push_back(0);
  auto names = [](const std::vector<PdbBytes>& records) {
    std::multiset<std::string> s;
    for (const PdbBytes& r : records) s.insert(OracleField(r, true, 0));
    return s;
  };
  // Lengthening borrows room behind the file; so does every move of the
  // sort in the file (a memory limit of 0 sends the sort there), while the
  // sort in memory needs none.
  for (uint32_t limit : {DB_SORT_MEMORY_LIMIT, 0u}) {
    g_dbSortMemoryLimit = limit;
    bool completed = false, sawFull = false;
    for (int64_t room = 0; room <= 4000 && !completed; room += 37) {
      Open(in.records, true, in.attributes);
      ContactStoreReset();
      ArmFaults(HostFaults{0, 0, 0, 0, 0, false, room});
      RepairCounts counts{};
      Err err = Run(1, &counts);
      Disarm();
      PdbImage im = Image();
      ASSERT_TRUE(im.ok) << room << ": " << im.error;
      EXPECT_EQ(names(in.records), names(im.records)) << room;
      EXPECT_TRUE(err == 0 || err == ERR_DISK_FULL) << room;
      sawFull = sawFull || err == ERR_DISK_FULL;
      completed = err == 0;
      if (completed) {
        EXPECT_TRUE(LiveSortedDeletedLast(1));
      }
    }
    EXPECT_TRUE(sawFull) << limit;
    EXPECT_TRUE(completed) << limit;
  }
  g_dbSortMemoryLimit = DB_SORT_MEMORY_LIMIT;
}

}  // namespace
