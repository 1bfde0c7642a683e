// PdbBuilder writes PDB file images byte by byte from the file format alone
// (78-byte header, record or resource list, gap, info blocks, data), and
// PdbParse reads an image back into plain fields. Both are test oracles:
// neither uses the database code under test.
//
//   PdbBuilder().Name("X").Record("aa").Record("bbb", 0x40, 7).AppInfo("cats").Bytes()
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using PdbBytes = std::vector<uint8_t>;

// The bytes of a string (no terminator).
PdbBytes PdbStr(const std::string& s);

// One record-list entry. Record databases use attributes and uniqueId,
// resource databases type and id.
struct PdbEntry {
  uint32_t offset = 0;
  uint8_t attributes = 0;
  uint32_t uniqueId = 0;  // 24 bits
  uint32_t type = 0;
  uint16_t id = 0;
};

class PdbBuilder {
 public:
  // Header fields. Defaults: name "Test", attributes 0, version 0, all dates
  // and numbers 0, type "DATA", creator "test". The name's bytes fill the
  // 32-byte field from its start (zero-padded): a string with embedded zero
  // bytes gives the field exactly, one of 32 characters or more has no zero.
  PdbBuilder& Name(const std::string& name);
  PdbBuilder& Attributes(uint16_t diskAttributes);
  PdbBuilder& Version(uint16_t version);
  PdbBuilder& Created(uint32_t t);
  PdbBuilder& Modified(uint32_t t);
  PdbBuilder& BackedUp(uint32_t t);
  PdbBuilder& ModNumber(uint32_t n);
  PdbBuilder& UniqueIdSeed(uint32_t n);
  PdbBuilder& NextRecordList(uint32_t n);
  PdbBuilder& Type(const std::string& fourChars);
  PdbBuilder& Type(uint32_t type);
  PdbBuilder& Creator(const std::string& fourChars);
  PdbBuilder& Creator(uint32_t creator);

  // Records of a record database: data, on-disk attribute byte (flags and
  // category) and 24-bit unique ID.
  PdbBuilder& Record(const std::string& data, uint8_t attributes = 0, uint32_t uniqueId = 0);
  PdbBuilder& Record(const PdbBytes& data, uint8_t attributes = 0, uint32_t uniqueId = 0);
  // A resource: makes the image a resource database (attribute bit 0x0001,
  // 10-byte entries).
  PdbBuilder& Resource(const std::string& type, uint16_t id, const std::string& data);
  PdbBuilder& Resource(const std::string& type, uint16_t id, const PdbBytes& data);

  // Blocks between the list and the data, in this order: the gap (default
  // 2 zero bytes), application info, sort info. An info block's header
  // offset is 0 when it is not given.
  PdbBuilder& Gap(uint32_t bytes);
  PdbBuilder& AppInfo(const std::string& data);
  PdbBuilder& AppInfo(const PdbBytes& data);
  PdbBuilder& SortInfo(const std::string& data);
  PdbBuilder& SortInfo(const PdbBytes& data);

  // Stores this record count instead of the true one (damaged files).
  PdbBuilder& StoredCount(uint16_t count);

  PdbBytes Bytes() const;

 private:
  struct Item {
    PdbBytes data;
    PdbEntry entry;
  };
  std::string name_ = "Test";
  uint16_t attributes_ = 0, version_ = 0;
  uint32_t created_ = 0, modified_ = 0, backedUp_ = 0, modNumber_ = 0;
  uint32_t seed_ = 0, nextList_ = 0;
  uint32_t type_ = 0x44415441, creator_ = 0x74657374;  // "DATA", "test"
  bool resource_ = false;
  std::vector<Item> items_;
  uint32_t gap_ = 2;
  bool hasAppInfo_ = false, hasSortInfo_ = false;
  PdbBytes appInfo_, sortInfo_;
  bool countSet_ = false;
  uint16_t storedCount_ = 0;
};

// A PDB image read back field by field. `ok` is false (with `error`) when
// the list or offsets do not fit the image; fields read so far are kept.
struct PdbImage {
  bool ok = false;
  std::string error;
  std::string name;       // up to the first zero byte of the 32-byte field
  std::string nameField;  // all 32 bytes
  uint16_t attributes = 0, version = 0;
  uint32_t created = 0, modified = 0, backedUp = 0, modNumber = 0;
  uint32_t appInfoOffset = 0, sortInfoOffset = 0;
  uint32_t type = 0, creator = 0, uniqueIdSeed = 0, nextRecordList = 0;
  uint16_t count = 0;
  bool resource = false;  // attribute bit 0x0001
  std::vector<PdbEntry> entries;
  std::vector<PdbBytes> records;  // each entry's data (next offset minus own)
  PdbBytes appInfo, sortInfo;     // blocks up to the next block or first record
};

PdbImage PdbParse(const PdbBytes& bytes);

// Record sizes of a parsed image.
std::vector<uint32_t> PdbRecordSizes(const PdbImage& image);

// A readable listing of an image (header offsets, each entry and record),
// for failure messages.
std::string PdbDescribe(const PdbBytes& bytes);
