// Verification of a stored sort table against its contact database, for
// `brantel-tool sort check` and the fuzz target of the table file. It reads
// the table's records itself (little-endian entries, list header) and
// recomputes every contact's facts, so it shares nothing with the build but
// the comparison, the keys and the collation. Owns no state.
#include <bit>
#include <cstdarg>
#include <cstdio>

#include "prefs.h"
#include "sort.h"
#include "sort_command.h"

namespace {

struct Checker {
  std::vector<std::string>* problems;
  uint32_t limit;
  uint32_t count = 0;

  void Fail(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
    count++;
    if (!problems || problems->size() >= limit) return;
    char line[256];
    va_list args;
    va_start(args, fmt);
    vsnprintf(line, sizeof line, fmt, args);
    va_end(args);
    problems->push_back(line);
  }
};

// Record `index` of the table as 16-bit little-endian entries (an odd last
// byte is dropped); empty when it cannot be read.
std::vector<uint16_t> readEntries(FileRef table, uint16_t index) {
  std::vector<uint16_t> out;
  if (DB_RecordSize(table, index) == 0) return out;
  RecordRef rec = nullptr;
  const uint8_t* p = static_cast<const uint8_t*>(DB_GetRecord(&rec, table, index, 0, 0));
  if (!p) return out;
  uint32_t len = DB_RecordLength(rec);
  for (uint32_t i = 0; i + 1 < len; i += 2) out.push_back(uint16_t(p[i] | (p[i + 1] << 8)));
  (void)DB_ReleaseRecord(&rec);
  return out;
}

// What the scan stores for contact i.
struct Facts {
  bool readable;
  uint16_t attributes, categoryBit;
  uint8_t keys[3][2];
};

Facts contactFacts(ContactDb* db, uint16_t i) {
  Facts f{};
  uint8_t attributes = 1, category = 0;
  if (DB_RecordInfo(db->file, i, &attributes, &category) != 0) attributes = 1, category = 0;
  ContactRec rec{};
  f.readable = ContactFetch(&rec, db, i) == 0;
  if (f.readable) {
    f.attributes = attributes;
    f.categoryBit = category >= 1 && category <= 15 ? uint16_t(1u << (category - 1)) : 0;
    SortKeys(&rec, f.keys);
    ContactRelease(&rec);
  } else {
    f.attributes = 1;
    f.categoryBit = 0;
  }
  return f;
}

void checkOrder(Checker* c, ContactDb* db, const std::vector<uint16_t>& order, int16_t k,
                uint32_t n, bool enabled, bool content) {
  std::vector<bool> seen(n, false);
  bool permutation = true;
  for (uint32_t i = 0; i < n; i++) {
    uint16_t v = order[i];
    if (v >= n || seen[v]) {
      c->Fail("order %d: position %u holds %u (%s)", k + 1, i, v,
              v >= n ? "out of range" : "a duplicate");
      permutation = false;
      continue;
    }
    seen[v] = true;
    if (!enabled && v != i)
      c->Fail("order %d is switched off but position %u holds %u", k + 1, i, v);
  }
  if (!permutation || !enabled || !content) return;
  SortContext ctx;
  SortContextInit(&ctx, db, k);
  for (uint32_t i = 1; i < n; i++)
    if (SortCompareRecords(&order[i - 1], &order[i], reinterpret_cast<uintptr_t>(&ctx)) > 0)
      c->Fail("order %d: contacts %u and %u at positions %u and %u are out of order", k + 1,
              order[i - 1], order[i], i - 1, i);
  SortContextRelease(&ctx);
}

bool listKeeps(const Facts& f, int16_t category) {
  if (f.attributes & REC_ATTR_DELETED) return false;
  if ((f.attributes & REC_ATTR_SECRET) && g_prefs.securityLevel == 2) return false;
  if (category == 0) return f.categoryBit == 0;
  if (category > 0) return (f.categoryBit >> (category - 1)) & 1;
  int shown = f.categoryBit ? std::countr_zero(f.categoryBit) + 1 : 0;
  return !((g_prefs.hiddenCategories >> shown) & 1);
}

// The list: a subsequence of its order passing its filters.
void checkList(Checker* c, const std::vector<uint16_t>& list, const std::vector<uint16_t>& order,
               const std::vector<Facts>& facts, uint32_t n, bool content) {
  int16_t k = int16_t(list[0]), category = int16_t(list[1]), count = int16_t(list[2]);
  if (k < -1 || k > 2) c->Fail("display list: sort order %d", k);
  // An invalid list's category means nothing.
  if (k >= 0 && (category < -1 || category > 15)) c->Fail("display list: category %d", category);
  if (count < -1 || count > int32_t(n)) c->Fail("display list: count %d of %u contacts", count, n);
  if (k < 0 || k > 2 || count < 0 || count > int32_t(n)) return;
  uint32_t pos = 0;
  for (int32_t j = 0; j < count; j++) {
    uint16_t r = list[size_t(4 + j)];
    if (r >= n) {
      c->Fail("display list: entry %d holds %u", j, r);
      return;
    }
    if (!content) continue;
    while (pos < n && order[pos] != r) pos++;
    if (pos++ >= n) c->Fail("display list: entry %d (contact %u) is out of sort order", j, r);
    if (!listKeeps(facts[r], category))
      c->Fail("display list: contact %u does not pass the list's filters", r);
  }
}

}  // namespace

uint32_t SortCheckTable(ContactDb* db, FileRef table, bool content,
                        std::vector<std::string>* problems, uint32_t limit) {
  Checker c{problems, limit};
  (void)SortLoadCollation();
  uint32_t n = ContactDbCount(db);
  uint32_t bytes = SortRecordBytes(n);
  if (DB_NumRecords(table) < SORT_TABLE_RECORDS) {
    c.Fail("the table has %u records, not %u", DB_NumRecords(table), SORT_TABLE_RECORDS);
    return c.count;
  }
  std::vector<uint16_t> rec[SORT_TABLE_RECORDS];
  for (uint16_t r = 0; r < SORT_TABLE_RECORDS; r++) {
    uint32_t size = DB_RecordSize(table, r);
    if (size != bytes) c.Fail("record %u has %u bytes, not %u", r, size, bytes);
    rec[r] = readEntries(table, r);
    rec[r].resize(bytes / 2, 0xFFFF);  // a short record's missing entries fail below
  }
  uint16_t total = rec[SORT_RECORD_LIST][3];
  if (total != n) c.Fail("display list: record total %u, the database holds %u", total, n);
  std::vector<Facts> facts;
  for (uint32_t i = 0; i < n && content; i++) facts.push_back(contactFacts(db, uint16_t(i)));
  const bool enabled[3] = {g_prefs.sortByLast != 0, g_prefs.sortByFirst != 0,
                           g_prefs.sortByCompany != 0};
  for (int16_t k = 0; k < 3; k++) checkOrder(&c, db, rec[2 * k], k, n, enabled[k], content);
  for (uint32_t i = 0; i < n && content; i++) {
    const Facts& f = facts[i];
    if (rec[SORT_RECORD_ATTRIBUTES][i] != f.attributes)
      c.Fail("contact %u: attributes %u, the contact has %u", i, rec[SORT_RECORD_ATTRIBUTES][i],
             f.attributes);
    if (rec[SORT_RECORD_CATEGORIES][i] != f.categoryBit)
      c.Fail("contact %u: category bits 0x%04x, the contact has 0x%04x", i,
             rec[SORT_RECORD_CATEGORIES][i], f.categoryBit);
    for (int k = 0; k < 3 && f.readable; k++) {
      uint16_t want = uint16_t(f.keys[k][0] | (f.keys[k][1] << 8));
      if (enabled[k] && rec[2 * k + 1][i] != want)
        c.Fail("contact %u: key of order %d is 0x%04x, the contact gives 0x%04x", i, k + 1,
               rec[2 * k + 1][i], want);
    }
  }
  int16_t listOrder = int16_t(rec[SORT_RECORD_LIST][0]);
  const std::vector<uint16_t>& order = rec[2 * (listOrder >= 0 && listOrder <= 2 ? listOrder : 0)];
  if (total == n) checkList(&c, rec[SORT_RECORD_LIST], order, facts, n, content);
  return c.count;
}
