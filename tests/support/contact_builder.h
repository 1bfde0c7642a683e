// ContactBuilder writes contact records byte by byte from the two record
// layouts of the handheld's address book (header nibbles, presence flags,
// company offset, strings in field-number order, birthday block, blobs).
// It is a test oracle: it never calls the contact code under test.
//
//   ContactBuilder(true).Field(0, "Smith").Field(4, "555").PhoneLabel(0, 7).Bytes()
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pdb_builder.h"

class ContactBuilder {
 public:
  // `contacts` true: the ContactsDB-PAdd layout (17-byte header, two flag
  // words); false: AddressDB (9-byte header, one flag word). The header
  // starts as the layout's empty-record template (labels as the handheld
  // writes them), with no fields.
  explicit ContactBuilder(bool contacts);

  // Stores field number `field` (a presence bit) with `text`; the zero byte
  // is added. Fields may be given in any order; they are written in field
  // order. An empty text still sets the bit and stores a lone zero byte.
  ContactBuilder& Field(int field, const std::string& text);
  // Header nibbles, written where the layout keeps them.
  ContactBuilder& ShownPhone(int phone);
  ContactBuilder& PhoneLabel(int phone, int label);
  ContactBuilder& AddressLabel(int address, int label);  // ContactsDB-PAdd only
  ContactBuilder& ChatLabel(int chat, int label);        // stored as label + 1
  // ContactsDB-PAdd birthday block: packed date, alarm high byte, and the
  // alarm low byte when `alarmLow` >= 0 (sets field 45). Sets fields 43, 44.
  ContactBuilder& Birthday(uint16_t packedDate, uint8_t alarmHigh, int alarmLow = -1);
  // A blob after the birthday block: 4-character type, 16-bit size, data.
  ContactBuilder& Blob(const std::string& type, const std::string& data);
  // The picture blob: "Bd00", size = jpeg + 2, 0x00 0x01, the JPEG bytes.
  ContactBuilder& Picture(const std::string& jpeg);
  // Bytes appended after everything else (stray or damaged tails).
  ContactBuilder& Tail(const std::string& bytes);
  // Overrides the company offset byte (damaged records).
  ContactBuilder& CompanyOffset(uint8_t value);
  // Sets raw header byte `offset` (bytes the program leaves as found).
  ContactBuilder& HeaderByte(int offset, uint8_t value);
  // The lone zero byte an empty record holds behind its header; an AddressDB
  // record keeps it behind its strings.
  ContactBuilder& EmptyByte();

  std::string Bytes() const;
  PdbBytes Record() const;  // the same as a byte vector

 private:
  bool contacts_;
  std::vector<uint8_t> header_;
  std::vector<std::pair<int, std::string>> fields_;
  std::string birthday_, blobs_, tail_;
  int companyOffset_ = -1;
  bool emptyByte_ = false;
};

// The packed date of the handheld: (year - 1904) << 9 | month << 5 | day.
uint16_t PackedDate(int year, int month, int day);

// A PDB image of a contact database: name "ContactsDB-PAdd", creator
// "PAdd" (or "AddressDB", "addr"), type "DATA", with the records given.
PdbBuilder ContactPdb(bool contacts);
