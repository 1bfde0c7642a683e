// Basic types shared by every layer: four-character codes, error codes, the
// handheld's time base, tag lists and the two file handles. Owns no state.
#pragma once

#include <cstddef>
#include <cstdint>

// A four-character code, first character in the most significant byte. In
// files it is stored as its four characters in order (big-endian).
using FourCC = uint32_t;

consteval FourCC FCC(const char (&s)[5]) {
  return (FourCC(uint8_t(s[0])) << 24) | (FourCC(uint8_t(s[1])) << 16) |
         (FourCC(uint8_t(s[2])) << 8) | FourCC(uint8_t(s[3]));
}
static_assert(FCC("Data") == 0x44617461);

// Signed 16-bit result: 0 success, failures negative (see kova_errors.h).
using Err = int16_t;

// Seconds since 1904-01-01 00:00, the handheld's clock; wraps at 2^32.
using PalmTime = uint32_t;

// Seconds between 1904-01-01 and 1970-01-01 (the Unix epoch).
inline constexpr int64_t PALM_EPOCH_TO_UNIX = 2082844800;

// Converts a host time (seconds since 1970) to handheld time, modulo 2^32.
constexpr PalmTime PalmTimeFromUnix(int64_t unixSeconds) {
  return PalmTime(uint64_t(unixSeconds + PALM_EPOCH_TO_UNIX));
}
// Converts handheld time back to seconds since 1970 (times before 1970 are
// negative).
constexpr int64_t PalmTimeToUnix(PalmTime t) { return int64_t(t) - PALM_EPOCH_TO_UNIX; }

// Converts a Windows-style file time (100 ns units since 1601) the way the
// handheld desktop tools did: divide by 10,000,000, subtract 9,561,628,800.
constexpr PalmTime PalmTimeFromFileTime(uint64_t fileTime) {
  return PalmTime(fileTime / 10000000ull - 9561628800ull);
}
constexpr uint64_t PalmTimeToFileTime(PalmTime t) {
  return (uint64_t(t) + 9561628800ull) * 10000000ull;
}

// One (tag, value) pair of a tag list; a list ends with tag 0. Value slots
// are pointer-sized because some values are addresses on this host.
struct TagItem {
  uint32_t tag;
  uintptr_t value;
};

// Looks `tag` up in a list ended by tag 0. Returns the value of the LAST
// matching pair, or `fallback` when none matches or the list is null.
// `found` (may be null) tells whether a pair matched.
uintptr_t TAG_Lookup(const TagItem* list, uint32_t tag, uintptr_t fallback, bool* found);

// An open file or database (kova_file.h); at most ten are open at once.
struct FileObj;
using FileRef = FileObj*;

// One fetched record copy (kova_db.h).
struct RecordObj;
using RecordRef = RecordObj*;

// Optional progress block handed to file moves. The database operations add
// the number of bytes they are about to move to `base` and `done` first.
struct ProgressBlock {
  // Called with (base + count, done so far, arg) before and after each chunk.
  void (*callback)(uint32_t total, uint32_t done, uintptr_t arg);
  uintptr_t arg;
  uint32_t base;
  uint32_t done;
  uint32_t total;
};
using ProgressRef = ProgressBlock*;

// Big-endian field helpers: file bytes are decoded through these, never by
// overlaying structs.
inline uint16_t Get16BE(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
inline uint32_t Get24BE(const uint8_t* p) {
  return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}
inline uint32_t Get32BE(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
inline void Put16BE(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}
inline void Put24BE(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 16);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v);
}
inline void Put32BE(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}
