// Tests of the database order: repositioning a changed, new or deleted
// record (equal neighbours stay, live records never pass the deleted ones),
// and detecting the order a file is kept in. Sortedness is judged by the
// fixture's own reading of the name keys.
#include <random>

#include "dbase_fixture.h"

namespace {

class ContactOrder : public ContactStoreTest {
 protected:
  // Names of a small alphabet so that equal keys and empty keys turn up.
  static PdbBytes RandomContact(std::mt19937* rng, bool contacts) {
    auto name = [&](int maxLength) {
      std::string s;
      int n = int((*rng)() % uint32_t(maxLength + 1));
      for (int i = 0; i < n; i++) s += "aBbC"[(*rng)() % 4];
      return s;
    };
    return NameRecord(contacts, name(3), name(2), name(2));
  }
  static void SortByOracle(std::vector<PdbBytes>* records, bool contacts, int mode) {
    std::stable_sort(records->begin(), records->end(), [&](const PdbBytes& a, const PdbBytes& b) {
      return OracleCompare(a, b, contacts, mode) < 0;
    });
  }
};

TEST_F(ContactOrder, RecordEqualToItsSuccessorStays) {
  Open({NameRecord(true, "Avery", "Al"), NameRecord(true, "smith", "jo"),
        NameRecord(true, "Smith", "Jo"), NameRecord(true, "Young", "")});
  std::vector<PdbBytes> before = Records();
  detectedOrder = 0;
  EXPECT_EQ(1, ContactReposition(Db(), 1));
  EXPECT_EQ(before, Records());
}

TEST_F(ContactOrder, ChangedRecordMovesDownOrUp) {
  // "Zed" stands first and "Aaron" last: each goes to its place (the halving
  // search trusts the records it passes to be in order, so Aaron goes first).
  Open({NameRecord(true, "Zed", ""), NameRecord(true, "Brown", ""), NameRecord(true, "Cole", ""),
        NameRecord(true, "Dean", ""), NameRecord(true, "Aaron", "")});
  detectedOrder = 0;
  EXPECT_EQ(0, ContactReposition(Db(), 4));
  EXPECT_EQ(4, ContactReposition(Db(), 1));
  std::vector<PdbBytes> expect = {NameRecord(true, "Aaron", ""), NameRecord(true, "Brown", ""),
                                  NameRecord(true, "Cole", ""), NameRecord(true, "Dean", ""),
                                  NameRecord(true, "Zed", "")};
  EXPECT_EQ(expect, Records());
}

TEST_F(ContactOrder, LiveRecordNeverPassesTheDeletedOnes) {
  Open({NameRecord(true, "Zed", ""), NameRecord(true, "Brown", ""), NameRecord(true, "Cole", ""),
        NameRecord(true, "Aaa", ""), NameRecord(true, "Abe", "")},
       true, {0, 0, 0, DISK_DELETED, DISK_DELETED});
  detectedOrder = 0;
  EXPECT_EQ(2, ContactReposition(Db(), 0));
  std::vector<PdbBytes> expect = {NameRecord(true, "Brown", ""), NameRecord(true, "Cole", ""),
                                  NameRecord(true, "Zed", ""), NameRecord(true, "Aaa", ""),
                                  NameRecord(true, "Abe", "")};
  EXPECT_EQ(expect, Records());
  EXPECT_TRUE(LiveSortedDeletedLast(0));
}

TEST_F(ContactOrder, LiveRecordAmongTheDeletedGoesBehindTheLiveOnes) {
  // Record 3 was deleted and is live again (or was added behind them).
  Open({NameRecord(true, "Brown", ""), NameRecord(true, "Dean", ""), NameRecord(true, "Aaa", ""),
        NameRecord(true, "Eve", ""), NameRecord(true, "Abe", "")},
       true, {0, 0, DISK_DELETED, 0, DISK_DELETED});
  detectedOrder = 0;
  EXPECT_EQ(2, ContactReposition(Db(), 3));
  EXPECT_EQ(NameRecord(true, "Eve", ""), Records()[2]);
  EXPECT_TRUE(LiveSortedDeletedLast(0));
  // One that sorts among the live ones goes there.
  Open({NameRecord(true, "Brown", ""), NameRecord(true, "Dean", ""), NameRecord(true, "Aaa", ""),
        NameRecord(true, "Cole", "")},
       true, {0, 0, DISK_DELETED, 0});
  EXPECT_EQ(1, ContactReposition(Db(), 3));
  EXPECT_TRUE(LiveSortedDeletedLast(0));
}

TEST_F(ContactOrder, DeletedRecordGoesToTheLastIndex) {
  Open({NameRecord(true, "A", ""), NameRecord(true, "B", ""), NameRecord(true, "C", ""),
        NameRecord(true, "D", "")},
       true, {0, DISK_DELETED, 0, DISK_DELETED});
  EXPECT_EQ(3, ContactReposition(Db(), 1));
  std::vector<PdbBytes> expect = {NameRecord(true, "A", ""), NameRecord(true, "C", ""),
                                  NameRecord(true, "D", ""), NameRecord(true, "B", "")};
  EXPECT_EQ(expect, Records());
  EXPECT_EQ(-1, detectedOrder);  // a deleted record needs no order
}

TEST_F(ContactOrder, RepositionFollowsTheDetectedOrder) {
  // Kept by company; "Mid" (company "M") was written at the front.
  std::vector<PdbBytes> records = {NameRecord(true, "Zz", "", "M")};
  for (int i = 0; i < 8; i++)
    records.push_back(
        NameRecord(true, std::string(1, char('z' - i)), "", std::string(1, char('a' + i))));
  records.push_back(NameRecord(true, "Aa", "", "x"));
  Open(records);
  uint16_t at = ContactReposition(Db(), 0);
  EXPECT_EQ(2, detectedOrder);
  EXPECT_EQ(2, Db()->sortMode);
  EXPECT_EQ(8, at);
  EXPECT_TRUE(LiveSortedDeletedLast(2));
}

TEST_F(ContactOrder, RandomChangesLandInOrder) {
  for (bool contacts : {true, false}) {
    for (uint32_t seed = 1; seed <= 30; seed++) {
      std::mt19937 rng(seed);
      int mode = int(seed % 3);
      std::vector<PdbBytes> records;
      int n = 1 + int(rng() % 25);
      for (int i = 0; i < n; i++) records.push_back(RandomContact(&rng, contacts));
      SortByOracle(&records, contacts, mode);
      int deleted = int(rng() % 4);
      std::vector<uint8_t> attributes(size_t(n) + size_t(deleted), 0);
      for (int i = 0; i < deleted; i++) {
        records.push_back(RandomContact(&rng, contacts));
        attributes[size_t(n + i)] = DISK_DELETED;
      }
      // One live record changed: it stands at a random place among the
      // live ones.
      PdbBytes changed = RandomContact(&rng, contacts);
      size_t at = rng() % size_t(n);
      records[at] = changed;
      Open(records, contacts, attributes);
      ContactStoreReset();
      detectedOrder = int16_t(mode);
      uint16_t now = ContactReposition(Db(), uint16_t(at));
      std::vector<PdbBytes> after = Records();
      ASSERT_EQ(records.size(), after.size());
      EXPECT_EQ(changed, after[now]) << seed;
      EXPECT_TRUE(LiveSortedDeletedLast(mode)) << "seed " << seed;
      std::vector<PdbBytes> a = records, b = after;
      std::sort(a.begin(), a.end());
      std::sort(b.begin(), b.end());
      EXPECT_EQ(a, b) << seed;
      // The deleted tail keeps its order.
      EXPECT_TRUE(std::equal(records.end() - deleted, records.end(), after.end() - deleted));
    }
  }
}

// Files whose pairs favour one mode for a while, then another.
std::vector<PdbBytes> Pairs(int pairs, bool company) {
  std::vector<PdbBytes> out;
  for (int i = 0; i < pairs + 1; i++) {
    char up = char('a' + i % 26), down = char('z' - i % 26);
    std::string rank = std::string(1, char('a' + i / 26)) + up;
    std::string fall = std::string(1, char('z' - i / 26)) + down;
    // company order: companies rise, names fall; else the other way.
    out.push_back(company ? NameRecord(true, fall, fall, rank)
                          : NameRecord(true, rank, fall, fall));
  }
  return out;
}

TEST_F(ContactOrder, CompanyOrderIsDetectedOnceTheCountsPartBy50) {
  std::vector<PdbBytes> records = Pairs(50, true);
  std::vector<PdbBytes> later = Pairs(120, false);  // would tip it to last name
  records.insert(records.end(), later.begin(), later.end());
  Open(records);
  EXPECT_EQ(2, ContactDetectOrder(Db(), -1));
  EXPECT_EQ(2, detectedOrder);
  EXPECT_EQ(0, Db()->sortMode);  // the handle's mode is left alone
  // Without the early stop the last-name pairs would win.
  ContactStoreReset();
  std::vector<PdbBytes> mixed(records.begin(), records.begin() + 40);
  mixed.insert(mixed.end(), later.begin(), later.end());
  Open(mixed);
  EXPECT_EQ(0, ContactDetectOrder(Db(), -1));
}

TEST_F(ContactOrder, TwoRecordsAreDetectedFromTheirOnePair) {
  // Out of order by last and first name, in order by company.
  Open({NameRecord(true, "Zed", "Zoe", "Alpha"), NameRecord(true, "Adams", "Ann", "Beta")});
  EXPECT_EQ(2, ContactDetectOrder(Db(), -1));
  ContactStoreReset();
  // Out of order by last name and company only.
  Open({NameRecord(true, "Zed", "Ann", "Zulu"), NameRecord(true, "Adams", "Zoe", "Beta")});
  EXPECT_EQ(1, ContactDetectOrder(Db(), -1));
}

TEST_F(ContactOrder, TiesAndEmptyFilesGiveLastName) {
  Open(std::vector<PdbBytes>{});
  EXPECT_EQ(0, ContactDetectOrder(Db(), -1));
  ContactStoreReset();
  // First name and company both in order: no strict winner.
  Open({NameRecord(true, "Zed", "Ann", "Alpha"), NameRecord(true, "Adams", "Zoe", "Beta")});
  EXPECT_EQ(0, ContactDetectOrder(Db(), -1));
}

TEST_F(ContactOrder, DetectionIsKeptAndSkipsTheGivenRecordAndDeletedOnes) {
  // Record 1 alone makes the file look unsorted by company.
  Open({NameRecord(true, "Adams", "", "c"), NameRecord(true, "Clark", "", "a"),
        NameRecord(true, "Baker", "", "b"), NameRecord(true, "Dean", "", "a")},
       true, {0, 0, 0, DISK_DELETED});
  EXPECT_EQ(2, ContactDetectOrder(Db(), 0));   // pairs (1, 2) only
  EXPECT_EQ(2, ContactDetectOrder(Db(), -1));  // kept for the run
  ContactStoreReset();
  EXPECT_EQ(0, ContactDetectOrder(Db(), -1));  // (0, 1) and (1, 2)
}

}  // namespace
