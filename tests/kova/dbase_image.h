// An independent picture of a record database file for the database tests:
// a byte builder and a strict parser written from the PDB layout (78-byte
// header, 8-byte entries at 78 + 8i, the bytes between the list and the first
// record's data moving with the list). The tests compare what the database
// layer leaves in the file against this picture, never against its own reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kova.h"

struct TestRecord {
  std::vector<uint8_t> data;
  uint8_t attr = 0;         // attribute byte as on disk
  uint32_t uid = 0;         // 3-byte unique ID
  size_t known = SIZE_MAX;  // bytes of `data` whose value is known (the rest is undefined)
};

struct TestImage {
  std::vector<uint8_t> header = std::vector<uint8_t>(78, 0);  // count and info offsets rebuilt
  std::vector<uint8_t> tail;  // gap, application info and sort info: between list and data
  int64_t appRel = -1;        // application info offset from the list's end, -1 none
  int64_t sortRel = -1;       // sort info offset from the list's end, -1 none
  std::vector<TestRecord> records;

  uint32_t ListEnd() const { return uint32_t(78 + 8 * records.size()); }
  uint32_t Offset(size_t i) const {
    uint32_t at = ListEnd() + uint32_t(tail.size());
    for (size_t k = 0; k < i; k++) at += uint32_t(records[k].data.size());
    return at;
  }
  uint32_t InfoOffset(int64_t rel) const { return rel < 0 ? 0 : ListEnd() + uint32_t(rel); }
};

// The on-disk record attribute byte in the internal form callers see.
inline uint8_t TestAttrsFromDisk(uint8_t disk) {
  return uint8_t(((disk & 0x80) ? 0x01 : 0) | ((disk & 0x10) ? 0x02 : 0) |
                 ((disk & 0x40) ? 0x04 : 0));
}

inline std::vector<uint8_t> BuildImage(const TestImage& m) {
  std::vector<uint8_t> out = m.header;
  out.resize(m.ListEnd());
  Put32BE(&out[52], m.InfoOffset(m.appRel));
  Put32BE(&out[56], m.InfoOffset(m.sortRel));
  Put16BE(&out[76], uint16_t(m.records.size()));
  for (size_t i = 0; i < m.records.size(); i++) {
    uint8_t* e = &out[78 + 8 * i];
    Put32BE(e, m.Offset(i));
    e[4] = m.records[i].attr;
    Put24BE(e + 5, m.records[i].uid);
  }
  out.insert(out.end(), m.tail.begin(), m.tail.end());
  for (const TestRecord& r : m.records) out.insert(out.end(), r.data.begin(), r.data.end());
  return out;
}

// Parses `b` strictly into `out` (offsets into `offsets` when not null).
// Returns "" or what is wrong with the structure.
inline std::string ParseImage(const std::vector<uint8_t>& b, TestImage* out,
                              std::vector<uint32_t>* offsets = nullptr) {
  if (b.size() < 78) return "file shorter than a header: " + std::to_string(b.size());
  uint32_t n = Get16BE(&b[76]), size = uint32_t(b.size()), listEnd = 78 + 8 * n;
  if (listEnd > size) return "record list of " + std::to_string(n) + " passes the file end";
  std::vector<uint32_t> offs(n);
  for (uint32_t i = 0; i < n; i++) {
    offs[i] = Get32BE(&b[78 + 8 * i]);
    if (offs[i] > size || (i == 0 && offs[i] < listEnd) || (i > 0 && offs[i] < offs[i - 1]))
      return "entry " + std::to_string(i) + " has a bad data offset " + std::to_string(offs[i]);
  }
  uint32_t first = n ? offs[0] : size;
  TestImage m;
  m.header.assign(b.begin(), b.begin() + 78);
  m.tail.assign(b.begin() + listEnd, b.begin() + first);
  for (int k = 0; k < 2; k++) {
    uint32_t at = Get32BE(&b[52 + 4 * k]);
    if (at != 0 && (at < listEnd || at > first))
      return std::string(k ? "sort" : "application") + " info offset " + std::to_string(at) +
             " lies outside the bytes between list and data";
    (k ? m.sortRel : m.appRel) = at ? int64_t(at - listEnd) : -1;
  }
  for (uint32_t i = 0; i < n; i++) {
    TestRecord r;
    uint32_t end = i + 1 < n ? offs[i + 1] : size;
    r.data.assign(b.begin() + offs[i], b.begin() + end);
    r.attr = b[78 + 8 * i + 4];
    r.uid = Get24BE(&b[78 + 8 * i + 5]);
    m.records.push_back(std::move(r));
  }
  if (out) *out = std::move(m);
  if (offsets) *offsets = std::move(offs);
  return "";
}

// Compares file bytes with the expected picture: header fields (other than
// the count and info offsets, which must match the picture), the bytes
// between list and data, every entry and every record's known bytes. Returns
// "" or the first difference.
inline std::string CompareImage(const std::vector<uint8_t>& bytes, const TestImage& want) {
  TestImage got;
  std::vector<uint32_t> offs;
  std::string err = ParseImage(bytes, &got, &offs);
  if (!err.empty()) return err;
  for (size_t i = 0; i < 76; i++)
    if ((i < 52 || i >= 60) && got.header[i] != want.header[i])
      return "header byte " + std::to_string(i) + " changed";
  if (got.records.size() != want.records.size())
    return "count " + std::to_string(got.records.size()) + ", want " +
           std::to_string(want.records.size());
  if (got.appRel != want.appRel || got.sortRel != want.sortRel)
    return "info offsets " + std::to_string(Get32BE(&bytes[52])) + "/" +
           std::to_string(Get32BE(&bytes[56])) + ", want " +
           std::to_string(want.InfoOffset(want.appRel)) + "/" +
           std::to_string(want.InfoOffset(want.sortRel));
  if (got.tail != want.tail) return "bytes between the list and the data changed";
  for (size_t i = 0; i < want.records.size(); i++) {
    const TestRecord &g = got.records[i], &w = want.records[i];
    std::string at = "record " + std::to_string(i) + ": ";
    if (offs[i] != want.Offset(i))
      return at + "offset " + std::to_string(offs[i]) + ", want " + std::to_string(want.Offset(i));
    if (g.data.size() != w.data.size())
      return at + "size " + std::to_string(g.data.size()) + ", want " +
             std::to_string(w.data.size());
    if (g.attr != w.attr || g.uid != w.uid)
      return at + "attr/uid " + std::to_string(g.attr) + "/" + std::to_string(g.uid) + ", want " +
             std::to_string(w.attr) + "/" + std::to_string(w.uid);
    for (size_t k = 0; k < w.data.size() && k < w.known; k++)
      if (g.data[k] != w.data[k]) return at + "data differs at byte " + std::to_string(k);
  }
  return "";
}

// Asks the database layer, through handle `f`, for everything the picture
// says: count, info offsets, each record's size, offset, attributes,
// category, unique ID and known bytes (`descending` walks the records from
// the end, which stresses the entry window differently). Returns "" or the
// first difference.
inline std::string CompareThroughApi(FileRef f, const TestImage& m, bool descending = false) {
  auto str = [](const char* what, long a, long b, long c = -1) {
    std::string s = std::string(what) + " " + std::to_string(a) + " " + std::to_string(b);
    return c >= 0 ? s + " " + std::to_string(c) : s;
  };
  size_t n = m.records.size();
  if (DB_NumRecords(f) != n) return str("count, want", DB_NumRecords(f), long(n));
  uint32_t app = 1, sort = 1;
  if (DB_InfoOffsets(f, &app, &sort) != 0 || app != m.InfoOffset(m.appRel) ||
      sort != m.InfoOffset(m.sortRel))
    return str("info offsets", app, sort);
  if (DB_RecordSize(f, uint16_t(n)) != 0) return "size past the count is not 0";
  std::vector<uint8_t> buf;
  for (size_t k = 0; k < n; k++) {
    uint16_t i = uint16_t(descending ? n - 1 - k : k);
    const TestRecord& r = m.records[i];
    uint32_t size = uint32_t(r.data.size());
    if (DB_RecordSize(f, i) != size)
      return str("record size (index, got, want)", i, DB_RecordSize(f, i), size);
    if (DB_RecordOffset(f, i) != m.Offset(i))
      return str("record offset (index, got, want)", i, DB_RecordOffset(f, i), m.Offset(i));
    uint8_t attrs = 0xFF, category = 0xFF;
    uint32_t uid = 0xFFFFFFFF;
    if (DB_RecordInfo(f, i, &attrs, &category) != 0 || attrs != TestAttrsFromDisk(r.attr) ||
        category != (r.attr & 0x0F))
      return str("record info (index, attrs, category)", i, attrs, category);
    if (DB_RecordUniqueId(f, i, &uid) != 0 || uid != r.uid)
      return str("unique id (index, got, want)", i, long(uid), r.uid);
    buf.assign(size, 0);
    Err err = DB_ReadRecordBytes(f, i, 0, 0, buf.data());
    if (size == 0 && err != ERR_FILE_PARAM) return str("empty record read gave", i, err);
    if (size == 0) continue;
    if (err != 0) return str("read of record failed", i, -err);
    for (size_t b = 0; b < size && b < r.known; b++)
      if (buf[b] != r.data[b]) return str("record data (index, byte)", i, long(b));
  }
  return "";
}
