// The contact comparison of the three sort orders and the two-byte sort
// keys. A comparison context keeps the two most recently compared contacts
// fetched with the sort fields already extracted, because the sorts compare
// one contact with many others in a row.
// State: none of its own; everything lives in the caller's SortContext.
#include <cstring>

#include "prefs.h"
#include "sort.h"

namespace {

// The field sequence of each sort order.
constexpr FieldKind kSortFields[3][3] = {
    {FieldKind::LastName, FieldKind::FirstName, FieldKind::Company},
    {FieldKind::FirstName, FieldKind::LastName, FieldKind::Company},
    {FieldKind::Company, FieldKind::LastName, FieldKind::FirstName},
};

int16_t clampOrder(int16_t order) { return order < 0 || order > 2 ? 0 : order; }

// Makes `index` the contact of cache slot `side`; false when it cannot be
// fetched (the slot is then empty).
bool cacheContact(SortContext* ctx, int side, uint16_t index) {
  if (ctx->cachedIndex[side] == index) return true;
  ContactRelease(&ctx->cached[side]);
  ctx->cachedIndex[side] = -1;
  ctx->extracted[side] = 0;
  if (ContactFetch(&ctx->cached[side], ctx->db, index) != 0) return false;
  ctx->cachedIndex[side] = index;
  return true;
}

// Field `pos` of the sort sequence for cache slot `side`, extracted on first
// use. Fields are extracted in sequence, so a field reached in the first
// round is extracted there; an empty one at the fallback position then
// stands as defaultKey so that contacts without a name sort last.
const char* sideField(SortContext* ctx, int side, int pos, int round) {
  char* buf = ctx->fields[side][pos];
  while (ctx->extracted[side] <= pos) {
    int k = ctx->extracted[side];
    char* dst = ctx->fields[side][k];
    dst[0] = 0;
    if (!ContactGetField(&ctx->cached[side], kSortFields[clampOrder(ctx->order)][k], 0, dst,
                         SORT_FIELD_BYTES, 0))
      dst[0] = 0;
    dst[SORT_FIELD_BYTES - 1] = 0;
    if (dst[0] == 0 && k == ctx->fallback && round == 0) memcpy(dst, defaultKey, sizeof defaultKey);
    ctx->extracted[side]++;
  }
  return buf;
}

// Moves a side's cursor one field on, and on past empty fields, stopping at
// the first non-empty field or at the third.
const char* advance(SortContext* ctx, int side, int* cursor, int round) {
  if (*cursor < 2) {
    ++*cursor;
    while (sideField(ctx, side, *cursor, round)[0] == 0 && *cursor < 2) ++*cursor;
  }
  return sideField(ctx, side, *cursor, round);
}

uint16_t readIndex(const void* p) {
  uint16_t v;
  memcpy(&v, p, sizeof v);
  return v;
}

// The first two characters of field `kind` in class form (0 for missing).
void classPair(const ContactRec* rec, FieldKind kind, uint8_t out[2]) {
  char text[3] = {0, 0, 0};
  if (!ContactGetField(rec, kind, 0, text, sizeof text, 0)) text[0] = 0;
  out[0] = charClass[uint8_t(text[0])];
  out[1] = text[0] ? charClass[uint8_t(text[1])] : 0;
}

}  // namespace

void SortContextInit(SortContext* ctx, ContactDb* db, int16_t order) {
  memset(ctx, 0, sizeof *ctx);
  (void)SortLoadCollation();  // defaultKey
  ctx->db = db;
  ctx->cachedIndex[0] = ctx->cachedIndex[1] = -1;
  ctx->order = clampOrder(order);
  if (ctx->order == 2)
    ctx->fallback = g_prefs.nameWhenNoCompany ? SORT_FALLBACK_NONE : 0;
  else
    ctx->fallback = g_prefs.companyWhenNoName ? SORT_FALLBACK_NONE : 1;
  ctx->compare = SortStringCompare;
}

void SortContextRelease(SortContext* ctx) {
  for (int side = 0; side < 2; side++) {
    ContactRelease(&ctx->cached[side]);
    ctx->cachedIndex[side] = -1;
    ctx->extracted[side] = 0;
  }
}

int16_t SortCompareRecords(const void* a, const void* b, uintptr_t context) {
  SortContext* ctx = reinterpret_cast<SortContext*>(context);
  uint16_t ia = readIndex(a), ib = readIndex(b);
  if (ia == ib) return 0;
  // 1. Keep whichever contact is cached in its slot.
  bool swapped = ctx->cachedIndex[0] == ib || ctx->cachedIndex[1] == ia;
  if (swapped) {
    uint16_t t = ia;
    ia = ib;
    ib = t;
  }
  if (!cacheContact(ctx, 0, ia) || !cacheContact(ctx, 1, ib)) return 0;
  // 2./3. Up to three rounds over the non-empty sort fields.
  int16_t (*cmp)(const char*, const char*) = ctx->compare ? ctx->compare : SortStringCompare;
  int cursor[2] = {-1, -1};
  int16_t result = 0;
  for (int round = 0; round < 3 && result == 0; round++) {
    const char* fa = advance(ctx, 0, &cursor[0], round);
    const char* fb = advance(ctx, 1, &cursor[1], round);
    result = cmp(fa, fb);
  }
  // 4.
  return swapped ? int16_t(-result) : result;
}

int16_t SortComparePositions(const void* a, const void* b, uintptr_t context) {
  const SortContext* ctx = reinterpret_cast<const SortContext*>(context);
  // The order array is a table record or a copy of one: little-endian
  // entries, possibly at an odd address.
  const uint8_t* order = reinterpret_cast<const uint8_t*>(ctx->orderArray);
  uint32_t pa = readIndex(a), pb = readIndex(b);
  uint16_t ca = uint16_t(order[2 * pa] | (order[2 * pa + 1] << 8));
  uint16_t cb = uint16_t(order[2 * pb] | (order[2 * pb + 1] << 8));
  return SortCompareRecords(&ca, &cb, context);
}

void SortKeys(const ContactRec* rec, uint8_t keys[3][2]) {
  (void)SortLoadCollation();
  uint8_t last[2], first[2], company[2];
  classPair(rec, FieldKind::LastName, last);
  classPair(rec, FieldKind::FirstName, first);
  classPair(rec, FieldKind::Company, company);
  const uint8_t* pick[3];
  // Each key is the start of the field the comparison's first round uses.
  pick[0] = last[0] ? last : first[0] ? first : g_prefs.companyWhenNoName ? company : defaultKey;
  pick[1] = first[0] ? first : last[0] ? last : g_prefs.companyWhenNoName ? company : defaultKey;
  if (company[0])
    pick[2] = company;
  else if (g_prefs.nameWhenNoCompany)
    pick[2] = last[0] ? last : first;
  else
    pick[2] = defaultKey;
  for (int k = 0; k < 3; k++) {
    keys[k][0] = pick[k][0];
    keys[k][1] = pick[k][1];
  }
}
