// PdbBuilder and PdbParse: PDB images written and read from the format, for
// tests. All numbers big-endian; entry i lies at 78 + 8i (records) or
// 78 + 10i (resources); a record's size is the next offset minus its own,
// the file size for the last.
#include "pdb_builder.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr uint32_t kHeader = 78;

void put16(PdbBytes& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v >> 8);
  b[at + 1] = uint8_t(v);
}
void put32(PdbBytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; i++) b[at + i] = uint8_t(v >> (24 - 8 * i));
}
uint32_t get16(const PdbBytes& b, size_t at) { return uint32_t(b[at] << 8 | b[at + 1]); }
uint32_t get32(const PdbBytes& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

uint32_t code(const std::string& s) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; i++) v = v << 8 | (i < s.size() ? uint8_t(s[i]) : 0);
  return v;
}

PdbBytes slice(const PdbBytes& b, uint32_t from, uint32_t to) {
  if (from > to || to > b.size()) return {};
  return PdbBytes(b.begin() + from, b.begin() + to);
}

}  // namespace

PdbBytes PdbStr(const std::string& s) { return PdbBytes(s.begin(), s.end()); }

PdbBuilder& PdbBuilder::Name(const std::string& name) {
  name_ = name;
  return *this;
}
PdbBuilder& PdbBuilder::Attributes(uint16_t a) {
  attributes_ = a;
  return *this;
}
PdbBuilder& PdbBuilder::Version(uint16_t v) {
  version_ = v;
  return *this;
}
PdbBuilder& PdbBuilder::Created(uint32_t t) {
  created_ = t;
  return *this;
}
PdbBuilder& PdbBuilder::Modified(uint32_t t) {
  modified_ = t;
  return *this;
}
PdbBuilder& PdbBuilder::BackedUp(uint32_t t) {
  backedUp_ = t;
  return *this;
}
PdbBuilder& PdbBuilder::ModNumber(uint32_t n) {
  modNumber_ = n;
  return *this;
}
PdbBuilder& PdbBuilder::UniqueIdSeed(uint32_t n) {
  seed_ = n;
  return *this;
}
PdbBuilder& PdbBuilder::NextRecordList(uint32_t n) {
  nextList_ = n;
  return *this;
}
PdbBuilder& PdbBuilder::Type(const std::string& s) { return Type(code(s)); }
PdbBuilder& PdbBuilder::Type(uint32_t t) {
  type_ = t;
  return *this;
}
PdbBuilder& PdbBuilder::Creator(const std::string& s) { return Creator(code(s)); }
PdbBuilder& PdbBuilder::Creator(uint32_t c) {
  creator_ = c;
  return *this;
}

PdbBuilder& PdbBuilder::Record(const std::string& data, uint8_t attributes, uint32_t uniqueId) {
  return Record(PdbStr(data), attributes, uniqueId);
}
PdbBuilder& PdbBuilder::Record(const PdbBytes& data, uint8_t attributes, uint32_t uniqueId) {
  Item item;
  item.data = data;
  item.entry.attributes = attributes;
  item.entry.uniqueId = uniqueId & 0xFFFFFF;
  items_.push_back(item);
  return *this;
}

PdbBuilder& PdbBuilder::Resource(const std::string& type, uint16_t id, const std::string& data) {
  return Resource(type, id, PdbStr(data));
}
PdbBuilder& PdbBuilder::Resource(const std::string& type, uint16_t id, const PdbBytes& data) {
  resource_ = true;
  Item item;
  item.data = data;
  item.entry.type = code(type);
  item.entry.id = id;
  items_.push_back(item);
  return *this;
}

PdbBuilder& PdbBuilder::Gap(uint32_t bytes) {
  gap_ = bytes;
  return *this;
}
PdbBuilder& PdbBuilder::AppInfo(const std::string& data) { return AppInfo(PdbStr(data)); }
PdbBuilder& PdbBuilder::AppInfo(const PdbBytes& data) {
  hasAppInfo_ = true;
  appInfo_ = data;
  return *this;
}
PdbBuilder& PdbBuilder::SortInfo(const std::string& data) { return SortInfo(PdbStr(data)); }
PdbBuilder& PdbBuilder::SortInfo(const PdbBytes& data) {
  hasSortInfo_ = true;
  sortInfo_ = data;
  return *this;
}
PdbBuilder& PdbBuilder::StoredCount(uint16_t count) {
  countSet_ = true;
  storedCount_ = count;
  return *this;
}

PdbBytes PdbBuilder::Bytes() const {
  const uint32_t e = resource_ ? 10 : 8;
  const uint32_t listEnd = kHeader + e * uint32_t(items_.size());
  uint32_t pos = listEnd + gap_;
  const uint32_t appAt = hasAppInfo_ ? pos : 0;
  pos += uint32_t(appInfo_.size());
  const uint32_t sortAt = hasSortInfo_ ? pos : 0;
  pos += uint32_t(sortInfo_.size());
  PdbBytes out(pos, 0);
  // Header.
  std::copy_n(name_.begin(), std::min<size_t>(name_.size(), 32), out.begin());
  put16(out, 32, attributes_ | (resource_ ? 0x0001 : 0));
  put16(out, 34, version_);
  put32(out, 36, created_);
  put32(out, 40, modified_);
  put32(out, 44, backedUp_);
  put32(out, 48, modNumber_);
  put32(out, 52, appAt);
  put32(out, 56, sortAt);
  put32(out, 60, type_);
  put32(out, 64, creator_);
  put32(out, 68, seed_);
  put32(out, 72, nextList_);
  put16(out, 76, countSet_ ? storedCount_ : uint32_t(items_.size()));
  // Info blocks.
  std::copy(appInfo_.begin(), appInfo_.end(), out.begin() + (listEnd + gap_));
  std::copy(sortInfo_.begin(), sortInfo_.end(), out.begin() + (listEnd + gap_ + appInfo_.size()));
  // Entries and data.
  for (size_t i = 0; i < items_.size(); i++) {
    const Item& item = items_[i];
    size_t at = kHeader + e * i;
    if (resource_) {
      put32(out, at, item.entry.type);
      put16(out, at + 4, item.entry.id);
      put32(out, at + 6, uint32_t(out.size()));
    } else {
      put32(out, at, uint32_t(out.size()));
      out[at + 4] = item.entry.attributes;
      out[at + 5] = uint8_t(item.entry.uniqueId >> 16);
      out[at + 6] = uint8_t(item.entry.uniqueId >> 8);
      out[at + 7] = uint8_t(item.entry.uniqueId);
    }
    out.insert(out.end(), item.data.begin(), item.data.end());
  }
  return out;
}

PdbImage PdbParse(const PdbBytes& b) {
  PdbImage img;
  if (b.size() < kHeader) {
    img.error = "shorter than the header";
    return img;
  }
  size_t nameLen = 0;
  while (nameLen < 32 && b[nameLen]) nameLen++;
  img.name.assign(b.begin(), b.begin() + nameLen);
  img.nameField.assign(b.begin(), b.begin() + 32);
  img.attributes = uint16_t(get16(b, 32));
  img.version = uint16_t(get16(b, 34));
  img.created = get32(b, 36);
  img.modified = get32(b, 40);
  img.backedUp = get32(b, 44);
  img.modNumber = get32(b, 48);
  img.appInfoOffset = get32(b, 52);
  img.sortInfoOffset = get32(b, 56);
  img.type = get32(b, 60);
  img.creator = get32(b, 64);
  img.uniqueIdSeed = get32(b, 68);
  img.nextRecordList = get32(b, 72);
  img.count = uint16_t(get16(b, 76));
  img.resource = (img.attributes & 0x0001) != 0;
  const uint32_t e = img.resource ? 10 : 8;
  if (kHeader + uint64_t(e) * img.count > b.size()) {
    img.error = "record list past the end";
    return img;
  }
  for (uint32_t i = 0; i < img.count; i++) {
    size_t at = kHeader + e * i;
    PdbEntry entry;
    if (img.resource) {
      entry.type = get32(b, at);
      entry.id = uint16_t(get16(b, at + 4));
      entry.offset = get32(b, at + 6);
    } else {
      entry.offset = get32(b, at);
      entry.attributes = b[at + 4];
      entry.uniqueId = uint32_t(b[at + 5]) << 16 | uint32_t(b[at + 6]) << 8 | b[at + 7];
    }
    img.entries.push_back(entry);
  }
  const uint32_t size = uint32_t(b.size());
  for (uint32_t i = 0; i < img.count; i++) {
    uint32_t from = img.entries[i].offset;
    uint32_t to = i + 1 < img.count ? img.entries[i + 1].offset : size;
    if (from > to || to > size) {
      img.error = "record " + std::to_string(i) + " has a bad offset";
      return img;
    }
    img.records.push_back(slice(b, from, to));
  }
  const uint32_t firstData = img.count ? img.entries[0].offset : size;
  if (img.appInfoOffset) {
    uint32_t end = img.sortInfoOffset > img.appInfoOffset ? img.sortInfoOffset : firstData;
    img.appInfo = slice(b, img.appInfoOffset, end);
  }
  if (img.sortInfoOffset) img.sortInfo = slice(b, img.sortInfoOffset, firstData);
  img.ok = true;
  return img;
}

std::vector<uint32_t> PdbRecordSizes(const PdbImage& image) {
  std::vector<uint32_t> sizes;
  for (const PdbBytes& r : image.records) sizes.push_back(uint32_t(r.size()));
  return sizes;
}

std::string PdbDescribe(const PdbBytes& bytes) {
  PdbImage img = PdbParse(bytes);
  std::string out = "size " + std::to_string(bytes.size()) + " count " + std::to_string(img.count) +
                    " app " + std::to_string(img.appInfoOffset) + " sort " +
                    std::to_string(img.sortInfoOffset) + (img.ok ? "" : " (" + img.error + ")") +
                    "\n";
  for (size_t i = 0; i < img.records.size(); i++) {
    const PdbEntry& e = img.entries[i];
    char line[128];
    snprintf(line, sizeof line, "  %zu: @%u attr %02x uid %u type %08x id %u \"", i, e.offset,
             e.attributes, e.uniqueId, e.type, e.id);
    out += line;
    for (uint8_t c : img.records[i]) out += c >= 32 && c < 127 ? char(c) : '.';
    out += "\"\n";
  }
  return out;
}
