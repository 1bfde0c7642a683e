// Tests of the collation tables (derived from the string comparison, loaded
// from "Brantel Sort Order.PDB" only when the file is whole and consistent,
// rewritten otherwise), the string comparison and the exchange sort. The
// expected tables are written out from the collation rules: case folds onto
// the letters, which come after "[" … "`", upper case before lower case.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "kova_fixture.h"
#include "sort.h"

namespace {

// The character order: 0 … 0x40, "[" … "`", "A" "a" … "Z" "z", 0x7B … 0xFF.
std::vector<uint8_t> ExpectedOrder() {
  std::vector<uint8_t> order;
  for (int c = 0; c <= 0x40; c++) order.push_back(uint8_t(c));
  for (int c = '['; c <= '`'; c++) order.push_back(uint8_t(c));
  for (int c = 'A'; c <= 'Z'; c++) {
    order.push_back(uint8_t(c));
    order.push_back(uint8_t(c + 32));
  }
  for (int c = 0x7B; c <= 0xFF; c++) order.push_back(uint8_t(c));
  return order;
}

std::vector<uint8_t> ExpectedClasses() {
  std::vector<uint8_t> cls(256);
  for (int c = 0; c < 256; c++) cls[size_t(c)] = uint8_t(c >= 'a' && c <= 'z' ? c - 32 : c);
  return cls;
}

// The 768-byte file: interleaved order (character, then position of the
// character with that code), then the classes.
std::vector<uint8_t> OrderFile(const std::vector<uint8_t>& order, const std::vector<uint8_t>& cls) {
  std::vector<uint8_t> f(768);
  for (int p = 0; p < 256; p++) {
    f[size_t(2 * p)] = order[size_t(p)];
    f[size_t(2 * order[size_t(p)] + 1)] = uint8_t(p);
  }
  std::copy(cls.begin(), cls.end(), f.begin() + 512);
  return f;
}

std::vector<uint8_t> LoadedTables() {
  // Sized first: GCC 12 -O2 misreads an insert at the end as out of bounds.
  std::vector<uint8_t> t(768);
  std::copy(collationTable, collationTable + 512, t.begin());
  std::copy(charClass, charClass + 256, t.begin() + 512);
  return t;
}

class SortCollation : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    SortResetCollation();
  }
  void TearDown() override {
    SortResetCollation();
    KovaTest::TearDown();
  }
  std::vector<uint8_t> Derived() const { return OrderFile(ExpectedOrder(), ExpectedClasses()); }
  // Writes `file`, loads, and checks that the derived tables were used and
  // the file replaced by them.
  void ExpectRederived(const std::vector<uint8_t>& file) {
    WriteDataFile(SORT_ORDER_FILE, file);
    SortResetCollation();
    SortLoadCollation();
    EXPECT_EQ(LoadedTables(), Derived());
    EXPECT_EQ(ReadDataFile(SORT_ORDER_FILE), Derived());
  }
};

TEST_F(SortCollation, DerivesClassesOrderAndDefaultKeyAndSavesThem) {
  const uint8_t* cls = SortLoadCollation();
  EXPECT_EQ(cls, charClass);
  EXPECT_EQ(LoadedTables(), Derived());
  EXPECT_EQ(ReadDataFile(SORT_ORDER_FILE), Derived());
  const uint8_t key[4] = {0xFF, 0xFF, 0xFF, 0};
  EXPECT_EQ(0, memcmp(defaultKey, key, 4));
}

TEST_F(SortCollation, ClassEdgeCases) {
  SortLoadCollation();
  EXPECT_EQ(charClass[uint8_t('q')], 'Q');
  EXPECT_EQ(charClass[uint8_t('Q')], 'Q');
  EXPECT_EQ(charClass[uint8_t('5')], '5');
  EXPECT_EQ(charClass[uint8_t('[')], '[');
  EXPECT_EQ(charClass[0xE9], 0xE9);
  EXPECT_EQ(charClass[0], 0);
  // Upper case directly before lower case; "`" before "A", "z" before "{".
  EXPECT_EQ(collationTable[2 * 'a' + 1], collationTable[2 * 'A' + 1] + 1);
  EXPECT_LT(collationTable[2 * '`' + 1], collationTable[2 * 'A' + 1]);
  EXPECT_EQ(collationTable[2 * '{' + 1], collationTable[2 * 'z' + 1] + 1);
}

TEST_F(SortCollation, UsesAConsistentFileAsItIs) {
  // Reverse code order and identity classes: valid, and unlike the derived.
  std::vector<uint8_t> order(256), cls(256);
  for (int i = 0; i < 256; i++) {
    order[size_t(i)] = uint8_t(255 - i);
    cls[size_t(i)] = uint8_t(i);
  }
  std::vector<uint8_t> file = OrderFile(order, cls);
  WriteDataFile(SORT_ORDER_FILE, file);
  SortLoadCollation();
  EXPECT_EQ(LoadedTables(), file);
  EXPECT_EQ(ReadDataFile(SORT_ORDER_FILE), file);
  const uint8_t key[4] = {0, 0, 0, 0};  // the last character of this order is 0
  EXPECT_EQ(0, memcmp(defaultKey, key, 4));
}

TEST_F(SortCollation, LoadsOncePerRun) {
  SortLoadCollation();
  std::vector<uint8_t> other = Derived();
  std::swap(other[0], other[2]);  // swap the first two characters and their positions
  std::swap(other[1], other[3]);
  WriteDataFile(SORT_ORDER_FILE, other);
  SortLoadCollation();
  EXPECT_EQ(LoadedTables(), Derived());
  SortResetCollation();
  SortLoadCollation();
  EXPECT_EQ(LoadedTables(), other);
}

TEST_F(SortCollation, RederivesAFileOfTheWrongSize) {
  std::vector<uint8_t> file = Derived();
  file[0] = 'x';  // would show if the short file were read
  ExpectRederived(std::vector<uint8_t>(file.begin(), file.end() - 1));
  file.push_back(0);
  ExpectRederived(file);
  ExpectRederived({});
}

TEST_F(SortCollation, RederivesAnInconsistentFile) {
  std::vector<uint8_t> dup = Derived();
  dup[2] = dup[0];  // character 0 twice in the order
  ExpectRederived(dup);
  std::vector<uint8_t> inverse = Derived();
  inverse[2 * 'A' + 1] ^= 1;  // position of "A" disagrees with the order
  ExpectRederived(inverse);
  std::vector<uint8_t> cls = Derived();
  cls[512 + 'A'] = 'a';  // a class representative above its character
  ExpectRederived(cls);
}

TEST_F(SortCollation, WorksWithoutWritingTheFile) {
  ASSERT_EQ(0, mkdir((DataDir() + "/" + SORT_ORDER_FILE).c_str(), 0755));
  SortLoadCollation();
  EXPECT_EQ(LoadedTables(), Derived());
  EXPECT_EQ(defaultKey[0], 0xFF);
}

TEST(SortStringCompare, FoldsCaseAndComparesBytesUnsigned) {
  EXPECT_EQ(0, SortStringCompare("Smith", "sMITH"));
  EXPECT_LT(SortStringCompare("Adams", "adamson"), 0);  // shorter prefix first
  EXPECT_GT(SortStringCompare("b", "A"), 0);
  EXPECT_LT(SortStringCompare("", "a"), 0);
  EXPECT_EQ(0, SortStringCompare("", ""));
  EXPECT_GT(SortStringCompare("\xE9", "z"), 0);
  EXPECT_LT(SortStringCompare("_", "a"), 0);  // "_" is 0x5F, "a" 0x61
  EXPECT_LT(SortStringCompare("_", "A"), 0);  // letters compare as lower case
  EXPECT_GT(SortStringCompare("Z", "["), 0);
}

int16_t CompareInts(const void* a, const void* b, uintptr_t calls) {
  ++*reinterpret_cast<int*>(calls);
  int x, y;
  memcpy(&x, a, sizeof x);
  memcpy(&y, b, sizeof y);
  return int16_t(x < y ? -1 : x > y ? 1 : 0);
}

TEST(ExchangeSort, SortsLikeStdSort) {
  std::mt19937 rng(7);
  for (int n : {2, 3, 10, 57}) {
    std::vector<int> v(size_t(n), 0);
    for (int& x : v) x = int(rng() % 20) - 10;
    std::vector<int> expect = v;
    std::sort(expect.begin(), expect.end());
    int calls = 0;
    ExchangeSort(v.data(), uint32_t(n), sizeof(int), CompareInts, uintptr_t(&calls));
    EXPECT_EQ(v, expect) << n;
  }
}

TEST(ExchangeSort, LeavesFewerThanTwoElementsAlone) {
  int v[1] = {5};
  int calls = 0;
  ExchangeSort(v, 1, sizeof(int), CompareInts, uintptr_t(&calls));
  ExchangeSort(v, 0, sizeof(int), CompareInts, uintptr_t(&calls));
  EXPECT_EQ(calls, 0);
}

// Three-byte elements: key byte, then a tag the comparison ignores.
int16_t CompareFirstByte(const void* a, const void* b, uintptr_t) {
  return int16_t(int(*static_cast<const uint8_t*>(a)) - int(*static_cast<const uint8_t*>(b)));
}

TEST(ExchangeSort, SwapsWholeElementsAndNeverEqualOnes) {
  std::vector<uint8_t> v = {3, 'a', 'A', 1, 'b', 'B', 3, 'c', 'C', 1, 'd', 'D', 2, 'e', 'E'};
  ExchangeSort(v.data(), 5, 3, CompareFirstByte, 0);
  // Whole elements moved; among equal keys the arrangement is what the
  // passes give (the 3s meet only through other elements).
  std::vector<uint8_t> keys;
  for (size_t i = 0; i < v.size(); i += 3) {
    keys.push_back(v[i]);
    EXPECT_EQ(v[i + 2], v[i + 1] - 32);
  }
  EXPECT_EQ(keys, (std::vector<uint8_t>{1, 1, 2, 3, 3}));
  std::vector<uint8_t> same = {4, 'x', 'X', 4, 'y', 'Y', 4, 'z', 'Z'};
  ExchangeSort(same.data(), 3, 3, CompareFirstByte, 0);
  EXPECT_EQ(same, (std::vector<uint8_t>{4, 'x', 'X', 4, 'y', 'Y', 4, 'z', 'Z'}));
}

int16_t AlwaysAfter(const void*, const void*, uintptr_t calls) {
  ++*reinterpret_cast<int*>(calls);
  return 1;
}

TEST(ExchangeSort, EndsEvenWhenTheComparisonContradictsItself) {
  int v[4] = {1, 2, 3, 4};
  int calls = 0;
  ExchangeSort(v, 4, sizeof(int), AlwaysAfter, uintptr_t(&calls));
  EXPECT_LE(calls, 5 * 6);  // at most count + 1 passes of 6 comparisons
  EXPECT_GT(calls, 0);
}

// Pairs (key, tag): compared by key only.
int16_t CompareKeys(const void* a, const void* b, uintptr_t) {
  int x, y;
  memcpy(&x, a, sizeof x);
  memcpy(&y, b, sizeof y);
  return int16_t(x < y ? -1 : x > y ? 1 : 0);
}

class SortMergeSortTest : public KovaTest {};

TEST_F(SortMergeSortTest, IsStableAndAgreesWithTheExchangeSortWithoutTies) {
  std::mt19937 rng(3);
  for (uint32_t n : {0u, 1u, 2u, 3u, 7u, 64u, 65u, 1000u}) {
    std::vector<std::pair<int, int>> v(n);
    for (uint32_t i = 0; i < n; i++) v[i] = {int(rng() % 10), int(i)};
    std::vector<std::pair<int, int>> expect = v;
    std::stable_sort(expect.begin(), expect.end(),
                     [](auto& a, auto& b) { return a.first < b.first; });
    SortMergeSort(v.data(), n, sizeof v[0], CompareKeys, 0);
    EXPECT_EQ(v, expect) << n;
    std::vector<int> distinct(n), slow;
    for (uint32_t i = 0; i < n; i++) distinct[i] = int((i * 7919u) % 1009u);
    slow = distinct;
    SortMergeSort(distinct.data(), n, sizeof(int), CompareKeys, 0);
    if (n <= 200) {
      ExchangeSort(slow.data(), n, sizeof(int), CompareKeys, 0);
      EXPECT_EQ(distinct, slow) << n;
    }
    EXPECT_TRUE(std::is_sorted(distinct.begin(), distinct.end()));
  }
}

TEST_F(SortMergeSortTest, FallsBackToTheExchangeSortWithoutMemory) {
  std::vector<int> v = {5, 3, 9, 1, 7, 3};
  uint32_t live = MEM_LiveBlocks();
  MEM_FailNthAlloc(1);
  SortMergeSort(v.data(), uint32_t(v.size()), sizeof(int), CompareKeys, 0);
  MEM_FailNthAlloc(0);
  EXPECT_EQ(v, (std::vector<int>{1, 3, 3, 5, 7, 9}));
  EXPECT_EQ(live, MEM_LiveBlocks());
}

}  // namespace
