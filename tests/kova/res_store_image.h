// Test helpers for the resource store, written from the store's layout and
// independent of the reader and the compiler: a builder that appends bodies,
// a 16-byte directory and the "TRES" trailer to any executable image, and a
// parser that lists a store's directory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kova_types.h"

using Bytes = std::vector<uint8_t>;

inline Bytes TextBytes(const std::string& s, bool zero = true) {
  Bytes b(s.begin(), s.end());
  if (zero) b.push_back(0);
  return b;
}

inline void Append32(Bytes* out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(uint8_t(v >> shift));
}

inline uint32_t Read32(const Bytes& b, size_t at) {
  return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) |
         b[at + 3];
}

struct StoreEntry {
  FourCC type;
  uint32_t id;
  uint32_t offset;
  uint32_t size;
};

// Builds image + bodies + directory + trailer. Bodies lie in entry order.
class StoreBuilder {
 public:
  explicit StoreBuilder(Bytes image = TextBytes("\x7f"
                                                "ELF fake executable image",
                                                false))
      : image_(std::move(image)) {}

  StoreBuilder& Add(FourCC type, uint32_t id, const Bytes& body) {
    items_.push_back({type, id, body});
    return *this;
  }
  StoreBuilder& String(uint32_t id, const std::string& text) {
    return Add(FCC("tSTR"), id, TextBytes(text));
  }
  // A name table: "TTBL", the byte count of the rows, rows of type, name, id.
  static Bytes NameTable(const std::vector<StoreEntry>& rows) {
    Bytes b = TextBytes("TTBL", false);
    Append32(&b, uint32_t(rows.size() * 12));
    for (const StoreEntry& r : rows) {
      Append32(&b, r.type);
      Append32(&b, r.offset);  // the name
      Append32(&b, r.id);
    }
    return b;
  }

  Bytes Build() const {
    Bytes out = image_, dir;
    for (const Item& it : items_) {
      Append32(&dir, it.type);
      Append32(&dir, it.id);
      Append32(&dir, uint32_t(out.size()));
      Append32(&dir, uint32_t(it.body.size()));
      out.insert(out.end(), it.body.begin(), it.body.end());
    }
    uint32_t dirOffset = uint32_t(out.size());
    out.insert(out.end(), dir.begin(), dir.end());
    out.insert(out.end(), {'T', 'R', 'E', 'S'});
    Append32(&out, dirOffset);
    Append32(&out, uint32_t(dir.size()));
    return out;
  }

 private:
  struct Item {
    FourCC type;
    uint32_t id;
    Bytes body;
  };
  Bytes image_;
  std::vector<Item> items_;
};

// Name table row: type, name, id (the name rides in StoreEntry::offset).
inline StoreEntry NameRow(FourCC type, FourCC name, uint32_t id) { return {type, id, name, 0}; }

// The directory of a store, or an empty list when `bytes` has no trailer.
inline std::vector<StoreEntry> ParseStore(const Bytes& bytes, uint32_t* dirOffsetOut = nullptr) {
  std::vector<StoreEntry> entries;
  size_t n = bytes.size();
  if (n < 12 || std::string(bytes.end() - 12, bytes.end() - 8) != "TRES") return entries;
  uint32_t dirOffset = Read32(bytes, n - 8), dirSize = Read32(bytes, n - 4);
  if (dirOffsetOut) *dirOffsetOut = dirOffset;
  for (uint32_t at = dirOffset; at + 16 <= dirOffset + dirSize && at + 16 <= n; at += 16)
    entries.push_back(
        {Read32(bytes, at), Read32(bytes, at + 4), Read32(bytes, at + 8), Read32(bytes, at + 12)});
  return entries;
}

inline Bytes BodyOf(const Bytes& store, const StoreEntry& e) {
  return Bytes(store.begin() + e.offset, store.begin() + e.offset + e.size);
}
