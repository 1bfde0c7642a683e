// ContactBuilder: contact records written from the two record layouts of the
// handheld's address book alone. AddressDB: labels and shown phone in bytes
// 0-3, one flag word at 4, company offset at 8, strings from 9. ContactsDB-
// PAdd: labels in bytes 0-7, flag words at 8 and 12, company offset at 16,
// strings from 17, then the birthday block and the blobs.
#include "contact_builder.h"

#include <algorithm>

namespace {

// Empty records as the handheld writes them (header only; the lone zero
// byte behind it is EmptyByte()).
constexpr uint8_t kAddrHeader[9] = {0x00, 0x03, 0x47, 0x10, 0, 0, 0, 0, 0};
constexpr uint8_t kPaddHeader[17] = {0x03, 0x65, 0x47, 0x10, 0x02, 0x10, 0x00, 0x21, 0,
                                     0,    0,    0,    0,    0,    0,    0,    0};

uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; i++) b[at + i] = uint8_t(v >> (24 - 8 * i));
}

// Sets nibble `n` (0 = the lowest) of the big-endian value of `bytes` bytes
// at `at`.
void setNibble(std::vector<uint8_t>& b, size_t at, size_t bytes, int n, int value) {
  size_t byte = at + bytes - 1 - size_t(n / 2);
  if (n % 2 == 0) {
    b[byte] = uint8_t((b[byte] & 0xF0) | (value & 0x0F));
  } else {
    b[byte] = uint8_t((b[byte] & 0x0F) | ((value & 0x0F) << 4));
  }
}

}  // namespace

ContactBuilder::ContactBuilder(bool contacts) : contacts_(contacts) {
  if (contacts) {
    header_.assign(kPaddHeader, kPaddHeader + sizeof kPaddHeader);
  } else {
    header_.assign(kAddrHeader, kAddrHeader + sizeof kAddrHeader);
  }
}

ContactBuilder& ContactBuilder::Field(int field, const std::string& text) {
  for (auto& f : fields_) {
    if (f.first == field) {
      f.second = text;
      return *this;
    }
  }
  fields_.emplace_back(field, text);
  return *this;
}

ContactBuilder& ContactBuilder::ShownPhone(int phone) {
  // The high nibble of byte 1 (AddressDB) or byte 0 (ContactsDB-PAdd).
  setNibble(header_, contacts_ ? 0 : 1, 1, 1, phone);
  return *this;
}

ContactBuilder& ContactBuilder::PhoneLabel(int phone, int label) {
  // Bytes 0-3 read as one value: phone i in bits 4i … 4i + 3.
  setNibble(header_, 0, 4, phone, label);
  return *this;
}

ContactBuilder& ContactBuilder::AddressLabel(int address, int label) {
  // Bytes 4-5 read as one value: address i in bits 4i … 4i + 3.
  if (contacts_) setNibble(header_, 4, 2, address, label);
  return *this;
}

ContactBuilder& ContactBuilder::ChatLabel(int chat, int label) {
  if (contacts_) setNibble(header_, 7, 1, chat, label + 1);
  return *this;
}

ContactBuilder& ContactBuilder::Birthday(uint16_t packedDate, uint8_t alarmHigh, int alarmLow) {
  birthday_.clear();
  birthday_ += char(packedDate >> 8);
  birthday_ += char(packedDate & 0xFF);
  birthday_ += '\0';
  birthday_ += char(alarmHigh);
  if (alarmLow >= 0) birthday_ += char(alarmLow);
  return *this;
}

ContactBuilder& ContactBuilder::Blob(const std::string& type, const std::string& data) {
  std::string t = type.substr(0, 4);
  t.resize(4, ' ');
  blobs_ += t;
  blobs_ += char((data.size() >> 8) & 0xFF);
  blobs_ += char(data.size() & 0xFF);
  blobs_ += data;
  return *this;
}

ContactBuilder& ContactBuilder::Picture(const std::string& jpeg) {
  return Blob("Bd00", std::string("\x00\x01", 2) + jpeg);
}

ContactBuilder& ContactBuilder::Tail(const std::string& bytes) {
  tail_ += bytes;
  return *this;
}

ContactBuilder& ContactBuilder::CompanyOffset(uint8_t value) {
  companyOffset_ = value;
  return *this;
}

ContactBuilder& ContactBuilder::HeaderByte(int offset, uint8_t value) {
  if (offset >= 0 && size_t(offset) < header_.size()) header_[size_t(offset)] = value;
  return *this;
}

ContactBuilder& ContactBuilder::EmptyByte() {
  emptyByte_ = true;
  return *this;
}

std::string ContactBuilder::Bytes() const {
  std::vector<std::pair<int, std::string>> fields = fields_;
  std::sort(fields.begin(), fields.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<uint8_t> head = header_;
  size_t flagsAt = contacts_ ? 8 : 4;
  size_t companyAt = contacts_ ? 16 : 8;
  uint32_t word1 = get32(head, flagsAt);
  uint32_t word2 = contacts_ ? get32(head, 12) : 0;
  std::string strings;
  int company = -1;
  for (const auto& [field, text] : fields) {
    if (field == 2) company = int(head.size() + strings.size());
    if (field < 32) {
      word1 |= uint32_t(1) << field;
    } else {
      word2 |= uint32_t(1) << (field - 32);
    }
    strings += text;
    strings += '\0';
  }
  if (emptyByte_) strings += '\0';
  if (!birthday_.empty()) {
    word2 |= 3u << 11;                             // fields 43 and 44
    if (birthday_.size() == 5) word2 |= 1u << 13;  // field 45: the alarm's low byte
  }
  put32(head, flagsAt, word1);
  if (contacts_) put32(head, 12, word2);
  if (companyOffset_ >= 0) {
    head[companyAt] = uint8_t(companyOffset_);
  } else {
    head[companyAt] = company < 0 ? 0 : uint8_t(size_t(company) - companyAt);
  }
  std::string out(head.begin(), head.end());
  out += strings;
  out += birthday_;
  out += blobs_;
  out += tail_;
  return out;
}

PdbBytes ContactBuilder::Record() const { return PdbStr(Bytes()); }

uint16_t PackedDate(int year, int month, int day) {
  return uint16_t(((year - 1904) << 9) | (month << 5) | day);
}

PdbBuilder ContactPdb(bool contacts) {
  PdbBuilder b;
  if (contacts) {
    b.Name("ContactsDB-PAdd").Creator("PAdd");
  } else {
    b.Name("AddressDB").Creator("addr");
  }
  b.Type("DATA");
  return b;
}
