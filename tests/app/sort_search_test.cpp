// Tests of FindSortPosition against a brute-force oracle: for every p, lo
// and hi of small arrays whose range is sorted except for the element at p,
// moving that element to the returned place must leave the range sorted,
// and no comparison may name a position outside [lo, hi].
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "sort.h"

namespace {

// The array the comparison reads, and what it was asked.
struct Probe {
  std::vector<int> values;
  int32_t lo = 0, hi = 0, p = 0;
  int calls = 0;
  std::string fault;  // first bad comparison, if any
};

int16_t CompareValues(const void* a, const void* b, uintptr_t user) {
  Probe* pr = reinterpret_cast<Probe*>(user);
  int32_t x = *static_cast<const uint16_t*>(a), y = *static_cast<const uint16_t*>(b);
  pr->calls++;
  if (pr->fault.empty() && (x != pr->p || y < pr->lo || y > pr->hi || y == pr->p))
    pr->fault = "compared " + std::to_string(x) + " with " + std::to_string(y);
  if (x < 0 || y < 0 || x >= int32_t(pr->values.size()) || y >= int32_t(pr->values.size()))
    return 0;
  int vx = pr->values[size_t(x)], vy = pr->values[size_t(y)];
  return int16_t(vx < vy ? -1 : vx > vy ? 1 : 0);
}

// Moving the element at p to q leaves [lo, hi] sorted.
bool SortedAfterMove(std::vector<int> v, int32_t p, int32_t q, int32_t lo, int32_t hi) {
  int x = v[size_t(p)];
  v.erase(v.begin() + p);
  v.insert(v.begin() + q, x);
  return std::is_sorted(v.begin() + lo, v.begin() + hi + 1);
}

// Checks one case; returns a description of the failure or "".
std::string CheckCase(const std::vector<int>& values, int32_t p, int32_t lo, int32_t hi) {
  Probe pr;
  pr.values = values;
  pr.lo = lo;
  pr.hi = hi;
  pr.p = p;
  int32_t q = FindSortPosition(p, lo, hi, CompareValues, uintptr_t(&pr), 0);
  std::string where = " p=" + std::to_string(p) + " lo=" + std::to_string(lo) +
                      " hi=" + std::to_string(hi) + " q=" + std::to_string(q);
  if (!pr.fault.empty()) return pr.fault + where;
  if (q < lo || q > hi) return "result outside the range" + where;
  if (!SortedAfterMove(values, p, q, lo, hi)) return "range not sorted after the move" + where;
  return "";
}

// An array of `n` values, sorted inside [lo, hi] except at p, with values
// outside the range that would break any comparison made with them.
std::vector<int> Displaced(std::mt19937* rng, int32_t n, int32_t p, int32_t lo, int32_t hi,
                           int spread) {
  std::vector<int> others;
  for (int32_t i = lo; i < hi; i++) others.push_back(int((*rng)() % unsigned(spread)));
  std::sort(others.begin(), others.end());
  std::vector<int> v(size_t(n), 1000);
  for (int32_t i = 0; i < lo; i++) v[size_t(i)] = 1000 + i;
  for (int32_t i = lo, k = 0; i <= hi; i++)
    v[size_t(i)] = i == p ? int((*rng)() % unsigned(spread + 2)) - 1 : others[size_t(k++)];
  return v;
}

TEST(FindSortPosition, EveryPlaceOfSmallArraysAgainstTheOracle) {
  std::mt19937 rng(11);
  int cases = 0;
  for (int32_t n = 1; n <= 9; n++)
    for (int32_t lo = 0; lo < n; lo++)
      for (int32_t hi = lo; hi < n; hi++)
        for (int32_t p = lo; p <= hi; p++)
          for (int spread : {2, 4, 50})
            for (int round = 0; round < 12; round++) {
              std::vector<int> v = Displaced(&rng, n, p, lo, hi, spread);
              std::string bad = CheckCase(v, p, lo, hi);
              ASSERT_EQ(bad, "") << "n=" << n << " spread=" << spread;
              cases++;
            }
  EXPECT_GT(cases, 10000);
}

TEST(FindSortPosition, ExhaustiveOverThreeValues) {
  // Every sorted sequence of the others over {0, 1, 2} and every value of p.
  for (int32_t len = 1; len <= 6; len++)
    for (int32_t p = 0; p < len; p++)
      for (int pv = 0; pv < 3; pv++)
        for (int code = 0; code < 729; code++) {
          std::vector<int> others;
          for (int32_t i = 0, c = code; i + 1 < len; i++, c /= 3) others.push_back(c % 3);
          if (!std::is_sorted(others.begin(), others.end())) continue;
          std::vector<int> v = others;
          v.insert(v.begin() + p, pv);
          ASSERT_EQ(CheckCase(v, p, 0, len - 1), "");
        }
}

TEST(FindSortPosition, OneElementRangeNeverCompares) {
  // The only candidate is p itself: no neighbour inside the range exists.
  for (int32_t p : {0, 3}) {
    Probe pr;
    pr.values = {5, 1, 9, 0};
    pr.lo = pr.hi = pr.p = p;
    EXPECT_EQ(p, FindSortPosition(p, p, p, CompareValues, uintptr_t(&pr), 0));
    EXPECT_EQ(pr.calls, 0);
  }
}

TEST(FindSortPosition, EmptyRangeGivesLo) {
  Probe pr;
  pr.values = {1, 2, 3};
  EXPECT_EQ(2, FindSortPosition(0, 2, 1, CompareValues, uintptr_t(&pr), 0));
  EXPECT_EQ(pr.calls, 0);
}

TEST(FindSortPosition, MovesToTheEnds) {
  Probe pr;
  pr.values = {9, 1, 2, 3, 4};
  pr.hi = 4;
  EXPECT_EQ(4, FindSortPosition(0, 0, 4, CompareValues, uintptr_t(&pr), 0));
  pr.values = {1, 2, 3, 4, 0};
  pr.p = 4;
  EXPECT_EQ(0, FindSortPosition(4, 0, 4, CompareValues, uintptr_t(&pr), 0));
  EXPECT_EQ(pr.fault, "");
}

TEST(FindSortPosition, ExactFlagRefusesAnUnequalResult) {
  Probe pr;
  pr.values = {1, 3, 5, 7, 4};
  pr.hi = 4;
  pr.p = 4;
  EXPECT_EQ(-1, FindSortPosition(4, 0, 4, CompareValues, uintptr_t(&pr), 0x02));
  pr.values = {1, 3, 5, 7, 5};
  int32_t q = FindSortPosition(4, 0, 4, CompareValues, uintptr_t(&pr), 0x02);
  ASSERT_GE(q, 0);
  EXPECT_TRUE(SortedAfterMove(pr.values, 4, q, 0, 4));
}

}  // namespace
