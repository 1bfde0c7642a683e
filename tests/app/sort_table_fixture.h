// Test fixture for the sort table: contact files written from ContactBuilder
// images, the table file read back and rewritten with PdbParse/PdbBuilder,
// little-endian entries decoded by hand, and an oracle of the contact order
// and the two-byte keys written from the ordering rules (a contact becomes
// the three strings its comparison rounds look at), not from the code.
#pragma once

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "dbase_fixture.h"
#include "sort.h"
#include "sort_internal.h"

struct Person {
  Person(std::string l = "", std::string f = "", std::string c = "", uint8_t cat = 0,
         bool del = false, bool sec = false)
      : last(std::move(l)),
        first(std::move(f)),
        company(std::move(c)),
        category(cat),
        deleted(del),
        secret(sec) {}
  std::string last, first, company;
  uint8_t category;
  bool deleted;
  bool secret;
};

inline std::string SortFold(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

// The strings compared in the three rounds: the order's fields with empty
// ones passed over (the third is reached even when empty and then stays);
// in the first round an empty field at the fallback position reads as three
// 0xFF bytes, so nameless contacts sort last.
inline std::vector<std::string> SortRounds(const Person& p, int order) {
  std::vector<std::string> f;
  if (order == 0) f = {p.last, p.first, p.company};
  if (order == 1) f = {p.first, p.last, p.company};
  if (order == 2) f = {p.company, p.last, p.first};
  int fallback =
      order == 2 ? (g_prefs.nameWhenNoCompany ? 3 : 0) : (g_prefs.companyWhenNoName ? 3 : 1);
  size_t at = 0;
  while (at < 2 && f[at].empty() && int(at) != fallback) at++;
  if (int(at) == fallback && f[at].empty()) f[at] = "\xFF\xFF\xFF";
  std::vector<std::string> rounds{f[at]};
  while (rounds.size() < 3) {
    if (at < 2) at++;
    while (at < 2 && f[at].empty()) at++;
    rounds.push_back(f[at]);
  }
  for (std::string& s : rounds) s = SortFold(s);
  return rounds;
}

inline int SortOracleCompare(const Person& a, const Person& b, int order) {
  std::vector<std::string> ra = SortRounds(a, order), rb = SortRounds(b, order);
  return ra < rb ? -1 : ra > rb ? 1 : 0;  // std::string compares bytes unsigned
}

// The key: the first two characters of the first round's string, "a"-"z"
// as "A"-"Z" (the sole classes of the handheld's comparison), 0 for none.
inline std::vector<uint8_t> SortOracleKey(const Person& p, int order) {
  std::string s = SortRounds(p, order)[0];
  auto cls = [](char c) {
    uint8_t u = uint8_t(c);
    return u >= 'a' && u <= 'z' ? uint8_t(u - 'a' + 'A') : u;
  };
  uint8_t k0 = s.size() > 0 ? cls(s[0]) : 0;
  uint8_t k1 = s.size() > 1 ? cls(s[1]) : 0;
  return {k0, k1};
}

// Contact indices in the oracle's order (ties keep their index order).
inline std::vector<uint16_t> SortOracleOrder(const std::vector<Person>& people, int order) {
  std::vector<uint16_t> idx(people.size());
  std::iota(idx.begin(), idx.end(), uint16_t(0));
  std::stable_sort(idx.begin(), idx.end(), [&](uint16_t a, uint16_t b) {
    return SortOracleCompare(people[a], people[b], order) < 0;
  });
  return idx;
}

inline std::vector<uint8_t> LE16Bytes(const std::vector<uint16_t>& v) {
  std::vector<uint8_t> b;
  for (uint16_t x : v) {
    b.push_back(uint8_t(x & 0xFF));
    b.push_back(uint8_t(x >> 8));
  }
  return b;
}

// People drawn from small pools: ties, names differing only in case, shared
// two-letter keys in large buckets, nameless contacts and odd characters.
inline std::vector<Person> RandomPeople(size_t n, uint32_t seed) {
  static const char* const kLast[] = {"Smith",      "smith", "Smyth",  "Sm",  "S",  "Adams",
                                      "adams",      "Ada",   "Brown",  "",    "",   "Zoe",
                                      "\xE9tienne", "Mc",    "O'Neil", "[x]", "_u", "123"};
  static const char* const kFirst[] = {"Ann", "ann", "Anna", "", "", "Bob", "Carl", "Zed", "al"};
  static const char* const kCompany[] = {"", "", "", "Acme", "acme", "Bolt", "Zeta Corp"};
  std::mt19937 rng(seed);
  std::vector<Person> people;
  for (size_t i = 0; i < n; i++) {
    Person p;
    p.last = kLast[rng() % std::size(kLast)];
    p.first = kFirst[rng() % std::size(kFirst)];
    p.company = kCompany[rng() % std::size(kCompany)];
    p.category = uint8_t(rng() % 16);
    people.push_back(p);
  }
  return people;
}

class SortTableTest : public ContactStoreTest {
 protected:
  void SetUp() override {
    ContactStoreTest::SetUp();
    SortResetCollation();
    SortReset();
  }
  void TearDown() override {
    SortClose();
    SortReset();
    SortResetCollation();
    ContactStoreTest::TearDown();
  }

  static PdbBytes PersonRecord(const Person& p, bool contacts = true) {
    ContactBuilder b(contacts);
    if (!p.last.empty()) b.Field(0, p.last);
    if (!p.first.empty()) b.Field(1, p.first);
    if (!p.company.empty()) b.Field(2, p.company);
    if (p.last.empty() && p.first.empty() && p.company.empty()) b.Field(4, "555");
    return b.Record();
  }
  static uint8_t DiskAttributes(const Person& p) {
    return uint8_t((p.category & 0x0F) | (p.deleted ? DISK_DELETED : 0) |
                   (p.secret ? DISK_SECRET : 0));
  }
  // Writes the contact file and leaves it closed.
  void WriteContacts(const std::vector<Person>& people, bool contacts = true) {
    PdbBuilder b = ContactPdb(contacts);
    for (size_t i = 0; i < people.size(); i++)
      b.Record(PersonRecord(people[i], contacts), DiskAttributes(people[i]), uint32_t(0x2000 + i));
    Open(b.Bytes(), contacts);
    Close();
  }

  bool TableExists() const { return HostFileExists(DataDir() + "/" + SORT_TABLE_FILE); }
  PdbImage Table() const { return PdbParse(ReadDataFile(SORT_TABLE_FILE)); }
  std::vector<uint32_t> TableSizes() const { return PdbRecordSizes(Table()); }
  // The first `count` little-endian entries of table record `record`.
  std::vector<uint16_t> Entries(int record, size_t count) const {
    PdbImage t = Table();
    std::vector<uint16_t> e;
    if (size_t(record) >= t.records.size()) return e;
    const PdbBytes& r = t.records[size_t(record)];
    for (size_t i = 0; i < count && 2 * i + 1 < r.size(); i++)
      e.push_back(uint16_t(r[2 * i] | (r[2 * i + 1] << 8)));
    return e;
  }
  // The display-list header: order, category, count, total.
  std::vector<int16_t> Header() const {
    std::vector<uint16_t> e = Entries(SORT_RECORD_LIST, 4);
    return std::vector<int16_t>(e.begin(), e.end());
  }
  std::vector<uint16_t> ListEntries() const {
    std::vector<int16_t> h = Header();
    std::vector<uint16_t> all = Entries(SORT_RECORD_LIST, 4 + size_t(std::max<int16_t>(h[2], 0)));
    return std::vector<uint16_t>(all.begin() + 4, all.end());
  }
  // Rewrites the table file after `edit` changed its records (the cached
  // handle is closed first).
  void EditTable(const std::function<void(std::vector<PdbBytes>&)>& edit) {
    SortClose();
    std::vector<PdbBytes> records = Table().records;
    edit(records);
    PdbBuilder b;
    b.Name("Brantel Sort Table");
    for (const PdbBytes& r : records) b.Record(r);
    WriteDataFile(SORT_TABLE_FILE, b.Bytes());
  }
  // Stores entries of an order (little-endian) at the start of `record`.
  void PutEntries(int record, const std::vector<uint16_t>& entries) {
    EditTable([&](std::vector<PdbBytes>& r) {
      PdbBytes le = LE16Bytes(entries);
      std::copy(le.begin(), le.end(), r[size_t(record)].begin());
    });
  }

  // Opens the contacts through the store for SortCompareRecords checks.
  ContactDb* Reopen() {
    ContactDbClose(&db_);
    EXPECT_EQ(0, ContactDbOpen(&db_, true, true));
    return db_;
  }
  // True when the n entries of `order` form a permutation sorted by
  // SortCompareRecords for sort order k.
  ::testing::AssertionResult SortedPermutation(const std::vector<uint16_t>& order, int16_t k,
                                               size_t n) {
    if (order.size() != n || !SortIsPermutation(order.data(), uint32_t(n)))
      return ::testing::AssertionFailure() << "order " << k << " is not a permutation";
    SortContext ctx;
    SortContextInit(&ctx, db_, k);
    for (size_t p = 1; p < n; p++) {
      if (SortCompareRecords(&order[p - 1], &order[p], reinterpret_cast<uintptr_t>(&ctx)) > 0) {
        SortContextRelease(&ctx);
        return ::testing::AssertionFailure()
               << "order " << k << ": positions " << p - 1 << " and " << p << " out of order";
      }
    }
    SortContextRelease(&ctx);
    return ::testing::AssertionSuccess();
  }
  // True when two orders hold contacts that compare equal at every position.
  ::testing::AssertionResult SameUpToTies(const std::vector<uint16_t>& a,
                                          const std::vector<uint16_t>& b, int16_t k) {
    if (a.size() != b.size()) return ::testing::AssertionFailure() << "sizes differ";
    SortContext ctx;
    SortContextInit(&ctx, db_, k);
    for (size_t p = 0; p < a.size(); p++) {
      if (SortCompareRecords(&a[p], &b[p], reinterpret_cast<uintptr_t>(&ctx)) != 0) {
        SortContextRelease(&ctx);
        return ::testing::AssertionFailure()
               << "order " << k << " position " << p << ": " << a[p] << " vs " << b[p];
      }
    }
    SortContextRelease(&ctx);
    return ::testing::AssertionSuccess();
  }
  // Keys, attributes and category bits of contact i (records 1, 3, 5, 6, 7).
  std::vector<uint16_t> Facts(uint16_t i, size_t n) const {
    std::vector<uint16_t> f;
    for (int record : {1, 3, 5, 6, 7}) f.push_back(Entries(record, n)[i]);
    return f;
  }
  // The incremental table against a full rebuild: per-contact records equal
  // (attribute bits other than deleted and private aside), orders equal up
  // to ties; the rebuilt table stays.
  void ExpectMatchesRebuild(size_t n) {
    std::vector<std::vector<uint16_t>> before;
    for (int record = 0; record < 8; record++) before.push_back(Entries(record, n));
    ASSERT_EQ(SORT_BUILT, SortOpen(SORT_REBUILD));
    for (int record : {1, 3, 5, 7}) EXPECT_EQ(Entries(record, n), before[size_t(record)]) << record;
    std::vector<uint16_t> attributes = Entries(6, n);
    for (size_t i = 0; i < n; i++) EXPECT_EQ(attributes[i] & 3, before[6][i] & 3) << i;
    const bool enabled[3] = {g_prefs.sortByLast != 0, g_prefs.sortByFirst != 0,
                             g_prefs.sortByCompany != 0};
    std::vector<uint16_t> identity(n);
    std::iota(identity.begin(), identity.end(), uint16_t(0));
    for (int16_t k = 0; k < 3; k++) {
      if (!enabled[k]) {
        EXPECT_EQ(before[size_t(2 * k)], identity) << k;
        continue;
      }
      EXPECT_TRUE(SortedPermutation(before[size_t(2 * k)], k, n));
      EXPECT_TRUE(SameUpToTies(before[size_t(2 * k)], Entries(2 * k, n), k));
    }
  }
  // The display list SortGetList hands out, copied.
  static std::vector<uint16_t> GetList(int16_t order, int16_t category, uint16_t flags) {
    int16_t handle = 0;
    const uint16_t* entries = nullptr;
    uint16_t count = SortGetList(&handle, &entries, order, category, flags);
    if (count == 0 || !entries) return {};
    return std::vector<uint16_t>(entries, entries + count);
  }
};
