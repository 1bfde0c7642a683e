// The binary search that finds where one element of an otherwise sorted
// range must move to, used to re-place a changed contact in each sort order
// without sorting again. Positions are compared through the caller's
// function; the search never hands it a position outside the range.
// State: none.
#include "sort.h"

namespace {

// The element compared with p when the probe lands on p itself: its right
// neighbour when that is inside the range, else its left one; -1 when p is
// the only candidate.
int32_t probeFor(int32_t m, int32_t p, int32_t lo, int32_t hi) {
  if (m != p) return m;
  if (p + 1 <= hi) return p + 1;
  if (p - 1 >= lo) return p - 1;
  return -1;
}

int16_t comparePositions(int32_t p, int32_t q, SortElementCompareFn compare, uintptr_t user) {
  uint16_t a = uint16_t(p), b = uint16_t(q);
  return compare(&a, &b, user);
}

}  // namespace

int32_t FindSortPosition(int32_t p, int32_t lo, int32_t hi, SortElementCompareFn compare,
                         uintptr_t user, uint16_t flags) {
  // 1.
  if (hi < lo) return lo;
  int32_t m = (lo + hi) / 2;
  // 2. Narrow [lo, hi] down to one position.
  while (hi > lo) {
    int32_t q = probeFor(m, p, lo, hi);
    if (q < 0) return p;
    int16_t c = comparePositions(p, q, compare, user);
    if (c == 0) break;
    if (c > 0)
      lo = (m == lo) ? lo + 1 : m;
    else
      hi = (m == hi) ? hi - 1 : m;
    m = (lo + hi) / 2;
  }
  // 3. One more comparison decides between m and the place behind it. The
  // search has closed in on p itself: whichever neighbour would be compared,
  // p stays where it is (and a neighbour may lie outside the range).
  if (m == p) return p;
  int16_t c = comparePositions(p, m, compare, user);
  if ((flags & 0x02) && c != 0) return -1;
  if (c > 0) m++;
  // 4. Below p the others shift up when p is taken out.
  return (m <= p || p < 0) ? m : m - 1;
}
