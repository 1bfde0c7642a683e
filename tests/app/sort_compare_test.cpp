// Tests of the contact comparison of the three sort orders (fields in
// sequence, empty ones passed over, the default key for nameless contacts,
// the two cached contacts), the position comparison through an order array
// and the two-byte sort keys. The oracle below is written from the ordering
// rules, not from the code: a contact becomes three strings compared in turn.
#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "dbase_fixture.h"
#include "sort.h"

namespace {

struct Names {
  std::string last, first, company;
};

std::string Fold(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

// The strings a contact compares by: its non-empty fields among the first
// two of the order's sequence, then the third (even when empty), repeated
// to three. A nameless contact's field at the fallback position stands as
// three 0xFF bytes.
std::vector<std::string> OracleTuple(const Names& n, int order, bool companyWhenNoName,
                                     bool nameWhenNoCompany) {
  std::vector<std::string> f;
  if (order == 0) f = {n.last, n.first, n.company};
  if (order == 1) f = {n.first, n.last, n.company};
  if (order == 2) f = {n.company, n.last, n.first};
  int fallback = order == 2 ? (nameWhenNoCompany ? 3 : 0) : (companyWhenNoName ? 3 : 1);
  if (fallback == 0 && f[0].empty()) f[0] = "\xFF\xFF\xFF";
  if (fallback == 1 && f[0].empty() && f[1].empty()) f[1] = "\xFF\xFF\xFF";
  std::vector<std::string> t;
  for (int i = 0; i < 2; i++)
    if (!f[size_t(i)].empty()) t.push_back(Fold(f[size_t(i)]));
  t.push_back(Fold(f[2]));
  while (t.size() < 3) t.push_back(t.back());
  return t;
}

int OracleCompare(const Names& a, const Names& b, int order, bool cwn, bool nwc) {
  std::vector<std::string> ta = OracleTuple(a, order, cwn, nwc),
                           tb = OracleTuple(b, order, cwn, nwc);
  return ta < tb ? -1 : ta > tb ? 1 : 0;  // std::string compares bytes unsigned
}

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

class SortCompare : public ContactStoreTest {
 protected:
  void SetUp() override {
    ContactStoreTest::SetUp();
    SortResetCollation();
    g_prefs.companyWhenNoName = 0;
    g_prefs.nameWhenNoCompany = 0;
  }
  void TearDown() override {
    SortContextRelease(&ctx_);
    SortResetCollation();
    ContactStoreTest::TearDown();
  }
  void OpenNames(const std::vector<Names>& names, bool contacts = true) {
    names_ = names;
    std::vector<PdbBytes> records;
    for (const Names& n : names)
      records.push_back(NameRecord(contacts, n.last, n.first, n.company));
    Open(records, contacts);
  }
  void Use(int16_t order) {
    SortContextRelease(&ctx_);
    SortContextInit(&ctx_, Db(), order);
  }
  int Cmp(uint16_t a, uint16_t b) {
    return Sign(SortCompareRecords(&a, &b, reinterpret_cast<uintptr_t>(&ctx_)));
  }
  SortContext ctx_ = {};
  std::vector<Names> names_;
};

TEST_F(SortCompare, CaseOnlyDifferenceFallsThroughToTheFirstName) {
  OpenNames({{"Smith", "John", ""}, {"smith", "Anna", ""}, {"SMITH", "john", ""}});
  Use(0);
  EXPECT_EQ(Cmp(0, 1), 1);
  EXPECT_EQ(Cmp(1, 0), -1);
  EXPECT_EQ(Cmp(0, 2), 0);
}

TEST_F(SortCompare, MissingFirstNameSortsFirstAmongEqualLastNames) {
  OpenNames({{"Adams", "John", ""}, {"Adams", "", ""}});
  Use(0);
  EXPECT_EQ(Cmp(1, 0), -1);
}

TEST_F(SortCompare, CompanyOnlyContactSortsLastUnlessItStandsInForTheName) {
  OpenNames({{"", "", "Acme"}, {"Acker", "", ""}, {"Adams", "", ""}, {"Zorn", "Zoe", ""}});
  Use(0);
  EXPECT_EQ(Cmp(0, 3), 1);
  EXPECT_EQ(Cmp(0, 1), 1);
  g_prefs.companyWhenNoName = 1;
  Use(0);
  EXPECT_EQ(Cmp(0, 1), 1);
  EXPECT_EQ(Cmp(0, 2), -1);
}

TEST_F(SortCompare, ByCompanyContactsWithoutOneComeLastByLastThenFirstName) {
  OpenNames({{"Brown", "Ann", ""}, {"Brown", "", ""}, {"Able", "Zed", ""}, {"", "", "Zeta"}});
  Use(2);
  EXPECT_EQ(Cmp(3, 0), -1);
  EXPECT_EQ(Cmp(3, 2), -1);
  EXPECT_EQ(Cmp(2, 1), -1);  // Able before Brown
  EXPECT_EQ(Cmp(1, 0), -1);  // Brown with no first name before Brown Ann
  g_prefs.nameWhenNoCompany = 1;
  Use(2);
  EXPECT_EQ(Cmp(2, 3), -1);  // "Able" stands in for the company, before "Zeta"
}

TEST_F(SortCompare, ThreeFFBytesEqualTheDefaultKey) {
  OpenNames({{"\xFF\xFF\xFF", "", "Acme"}, {"", "", "Acme"}, {"", "", "Bolt"}});
  Use(0);
  EXPECT_EQ(Cmp(0, 1), 0);
  EXPECT_EQ(Cmp(0, 2), -1);  // equal first round, then the companies
}

TEST_F(SortCompare, UnreadableContactComparesEqual) {
  OpenNames({{"Adams", "", ""}});
  Use(0);
  EXPECT_EQ(Cmp(0, 7), 0);
  EXPECT_EQ(Cmp(7, 0), 0);
  EXPECT_EQ(Cmp(0, 0), 0);
}

TEST_F(SortCompare, LongFieldsCompareByTheirFirst31Bytes) {
  std::string base(31, 'm');
  OpenNames({{base + "a", "B", ""}, {base + "z", "A", ""}});
  Use(0);
  EXPECT_EQ(Cmp(0, 1), 1);  // last names equal in their first 31 bytes
}

TEST_F(SortCompare, KeepsTheTwoContactsItComparedLast) {
  OpenNames({{"A", "", ""}, {"B", "", ""}, {"C", "", ""}});
  Use(0);
  EXPECT_EQ(Cmp(0, 1), -1);
  EXPECT_EQ(ctx_.cachedIndex[0], 0);
  EXPECT_EQ(ctx_.cachedIndex[1], 1);
  EXPECT_EQ(Cmp(2, 0), 1);  // contact 0 stays in the first slot
  EXPECT_EQ(ctx_.cachedIndex[0], 0);
  EXPECT_EQ(ctx_.cachedIndex[1], 2);
  SortContextRelease(&ctx_);
  EXPECT_EQ(ctx_.cachedIndex[0], -1);
  EXPECT_EQ(ctx_.cachedIndex[1], -1);
}

TEST_F(SortCompare, AgreesWithTheOracleForEveryPairAndSetting) {
  const char* pool[] = {"", "", "ab", "AB", "abc", "b", "[x", "\xE9t", "\xFF\xFF\xFF", "Zz"};
  std::mt19937 rng(5);
  std::vector<Names> names;
  for (int i = 0; i < 24; i++)
    names.push_back({pool[rng() % 10], pool[rng() % 10], pool[rng() % 10]});
  for (bool contacts : {true, false}) {
    OpenNames(names, contacts);
    for (int setting = 0; setting < 4; setting++) {
      g_prefs.companyWhenNoName = uint8_t(setting & 1);
      g_prefs.nameWhenNoCompany = uint8_t(setting >> 1);
      for (int16_t order = 0; order < 3; order++) {
        Use(order);
        // Random pair sequence so that both slots and swaps are exercised.
        for (int k = 0; k < 600; k++) {
          uint16_t a = uint16_t(rng() % names.size()), b = uint16_t(rng() % names.size());
          ASSERT_EQ(Cmp(a, b), OracleCompare(names[a], names[b], order, setting & 1, setting >> 1))
              << "order " << order << " setting " << setting << " pair " << a << "," << b;
        }
      }
    }
    SortContextRelease(&ctx_);
  }
}

TEST_F(SortCompare, PositionsCompareTheContactsTheOrderArrayNames) {
  OpenNames({{"Cole", "", ""}, {"Avery", "", ""}, {"Baker", "", ""}});
  Use(0);
  // Little-endian entries at an odd address, as in a fetched table record.
  std::vector<uint8_t> bytes = {0xEE, 2, 0, 0, 0, 1, 0};
  ctx_.orderArray = reinterpret_cast<const uint16_t*>(bytes.data() + 1);
  uint16_t p0 = 0, p1 = 1, p2 = 2;
  uintptr_t c = reinterpret_cast<uintptr_t>(&ctx_);
  EXPECT_LT(SortComparePositions(&p0, &p1, c), 0);  // Baker before Cole
  EXPECT_GT(SortComparePositions(&p1, &p2, c), 0);  // Cole after Avery
}

// Expected key of a field's start in class form (0 for a missing character).
std::vector<uint8_t> Key(const std::string& s) {
  auto cls = [](char c) { return uint8_t(c >= 'a' && c <= 'z' ? c - 32 : uint8_t(c)); };
  if (s.empty()) return {0, 0};
  return {cls(s[0]), s.size() > 1 ? cls(s[1]) : uint8_t(0)};
}

TEST_F(SortCompare, KeysFollowTheFieldTheFirstRoundUses) {
  OpenNames({{"smith", "jo", "acme"}, {"", "x", ""}, {"", "", "ibm"}, {"", "", ""}});
  const std::vector<uint8_t> ff = {0xFF, 0xFF};
  struct Want {
    int setting;
    int contact;
    std::vector<uint8_t> keys[3];
  } wants[] = {
      {0, 0, {Key("SM"), Key("JO"), Key("AC")}},
      {0, 1, {Key("X"), Key("X"), ff}},
      {0, 2, {ff, ff, Key("IB")}},
      {1, 2, {Key("IB"), Key("IB"), Key("IB")}},
      {2, 1, {Key("X"), Key("X"), Key("X")}},
      {2, 3, {ff, ff, {0, 0}}},
      {1, 3, {{0, 0}, {0, 0}, ff}},
  };
  for (const Want& w : wants) {
    g_prefs.companyWhenNoName = uint8_t(w.setting & 1);
    g_prefs.nameWhenNoCompany = uint8_t(w.setting >> 1);
    ContactRec rec = {};
    ASSERT_EQ(0, ContactFetch(&rec, Db(), uint16_t(w.contact)));
    uint8_t keys[3][2];
    SortKeys(&rec, keys);
    ContactRelease(&rec);
    for (int k = 0; k < 3; k++)
      EXPECT_EQ(std::vector<uint8_t>(keys[k], keys[k] + 2), w.keys[k])
          << "contact " << w.contact << " setting " << w.setting << " order " << k;
  }
}

TEST_F(SortCompare, KeysNeverContradictTheComparison) {
  const char* pool[] = {"", "a", "ab", "AB", "b[", "[", "\xE9", "\xFF\xFF\xFF", "zz", "_q"};
  std::mt19937 rng(9);
  std::vector<Names> names;
  for (int i = 0; i < 30; i++)
    names.push_back({pool[rng() % 10], pool[rng() % 10], pool[rng() % 10]});
  OpenNames(names);
  for (int setting = 0; setting < 4; setting++) {
    g_prefs.companyWhenNoName = uint8_t(setting & 1);
    g_prefs.nameWhenNoCompany = uint8_t(setting >> 1);
    std::vector<std::array<uint8_t, 6>> keys(names.size());
    for (uint16_t i = 0; i < names.size(); i++) {
      ContactRec rec = {};
      ASSERT_EQ(0, ContactFetch(&rec, Db(), i));
      SortKeys(&rec, reinterpret_cast<uint8_t(*)[2]>(keys[i].data()));
      ContactRelease(&rec);
    }
    for (int16_t order = 0; order < 3; order++) {
      Use(order);
      auto pos = [&](uint16_t i, int b) {
        return collationTable[2 * keys[i][size_t(2 * order + b)] + 1];
      };
      for (uint16_t a = 0; a < names.size(); a++)
        for (uint16_t b = 0; b < names.size(); b++) {
          std::pair<int, int> ka = {pos(a, 0), pos(a, 1)}, kb = {pos(b, 0), pos(b, 1)};
          if (ka < kb) {
            EXPECT_EQ(Cmp(a, b), -1) << a << " " << b << " order " << order;
          }
        }
    }
  }
}

}  // namespace
