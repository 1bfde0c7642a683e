// Real AddressDB files from handhelds read through the accessor: every
// field, label and the shown phone checked against a decode written here
// from the record layout (PdbParse, the flag word, strings split at zero
// bytes), names and notes with their cp1252 bytes, the Japanese record's
// 0x01 reading, the database order, and an edit of a real record.
#include <cstring>

#include "parse_fixture.h"

namespace {

// A record decoded without the code under test.
struct Decoded {
  std::map<int, std::string> fields;  // field number -> string
  int labels[5];
  int shownPhone;
};

Decoded Decode(const std::string& r) {
  Decoded d{};
  uint32_t head = uint32_t(uint8_t(r[0])) << 24 | uint32_t(uint8_t(r[1])) << 16 |
                  uint32_t(uint8_t(r[2])) << 8 | uint8_t(r[3]);
  for (int i = 0; i < 5; i++) d.labels[i] = int(head >> (4 * i) & 0xF);
  d.shownPhone = int(head >> 20 & 0xF);
  uint32_t flags = uint32_t(uint8_t(r[4])) << 24 | uint32_t(uint8_t(r[5])) << 16 |
                   uint32_t(uint8_t(r[6])) << 8 | uint8_t(r[7]);
  size_t p = 9;
  for (int f = 0; f < 19; f++) {
    if (!(flags >> f & 1)) continue;
    size_t end = r.find('\0', p);
    d.fields[f] = r.substr(p, end - p);
    p = end + 1;
  }
  return d;
}

class ParseRealFile : public ContactTest {
 protected:
  // Opens a fixture as the contact file; returns its records as stored.
  std::vector<std::string> Load(const std::string& fixture) {
    PdbImage image = PdbParse(Fixture(fixture));
    EXPECT_TRUE(image.ok) << fixture;
    std::vector<std::string> records;
    for (const PdbBytes& r : image.records) records.emplace_back(r.begin(), r.end());
    OpenFile(false, records);
    return records;
  }
};

const char* const kFiles[] = {"palmpdb_AddressDB-LifeDrive.pdb", "palmpdb_AddressDB-PalmV-FR.pdb",
                              "palmpdb_AddressDB-PalmV-JP.pdb", "palmpdb_AddressDB-Visor.pdb"};

TEST_F(ParseRealFile, EveryFieldAndLabelMatchesTheLayout) {
  for (const char* name : kFiles) {
    std::vector<std::string> records = Load(name);
    ASSERT_FALSE(records.empty()) << name;
    for (uint16_t i = 0; i < records.size(); i++) {
      Decoded d = Decode(records[i]);
      ContactRec* rec = Fetch(i);
      for (auto& [slot, field] : FieldTable(false)) {
        auto it = d.fields.find(field);
        std::string want = it == d.fields.end() ? "<null>" : it->second;
        EXPECT_EQ(want, Get(rec, FieldKind(slot.first), int16_t(slot.second), FIELD_NULL_IF_ABSENT))
            << name << " record " << i << " field " << field;
      }
      for (int p = 0; p < 5; p++)
        EXPECT_EQ(d.labels[p], ContactGetInfo(rec, ContactInfo::PhoneLabel, int16_t(p)));
      EXPECT_EQ(d.shownPhone, ContactGetInfo(rec, ContactInfo::ShownPhone, 0));
      EXPECT_EQ(int16_t(d.fields.size()), db_.storedFieldCount(rec->bytes, rec->size));
      std::string all;
      for (auto& [field, text] : d.fields)
        all += (field == d.fields.begin()->first ? "" : "\n") + text;
      EXPECT_EQ(all, Get(rec, FieldKind::AllText, 0)) << name << " " << i;
    }
  }
}

TEST_F(ParseRealFile, NamesPhonesAndNotesAsTheDevicesWroteThem) {
  Load("palmpdb_AddressDB-LifeDrive.pdb");
  ContactRec* rec = Fetch(0);
  EXPECT_EQ("Accessories", Get(rec, FieldKind::LastName, 0));
  EXPECT_EQ("palmOne, Inc.", Get(rec, FieldKind::Company, 0));
  EXPECT_EQ("www.palmOne.com", Get(rec, FieldKind::Phone, 0));
  EXPECT_EQ(5, ContactGetInfo(rec, ContactInfo::PhoneLabel, 0));  // "Main"
  std::string note = Get(rec, FieldKind::Note, 0);
  EXPECT_NE(std::string::npos, note.find("genuine palmOne\x99 accessories"));
  EXPECT_NE(std::string::npos, note.find("HotSync\xae kit"));
  EXPECT_NE(std::string::npos, note.find("\n-\tChoose"));
  EXPECT_EQ(
      "Protect your investment and get more done with genuine palmOne\x99 accessories. "
      "Ask at major retailers or visit us at www.palmOne.com",
      Get(rec, FieldKind::Note, 0, FIELD_FIRST_LINE));
  EXPECT_EQ("Technical Support", Get(Fetch(1), FieldKind::LastName, 0));

  Load("palmpdb_AddressDB-PalmV-FR.pdb");
  rec = Fetch(1);
  EXPECT_EQ("Support technique", Get(rec, FieldKind::LastName, 0));
  EXPECT_EQ("support@palm.com", Get(rec, FieldKind::Phone, 4));
  EXPECT_EQ(4, ContactGetInfo(rec, ContactInfo::PhoneLabel, 4));  // "Email"
  EXPECT_NE(std::string::npos,
            Get(Fetch(0), FieldKind::Note, 0).find("logiciels compl\xe9mentaires"));

  Load("palmpdb_AddressDB-Visor.pdb");
  rec = Fetch(0);
  EXPECT_EQ("Tech Support", Get(rec, FieldKind::LastName, 0));
  EXPECT_EQ("Handspring, Inc.", Get(rec, FieldKind::Company, 0));
  EXPECT_EQ("support@handspring.com", Get(rec, FieldKind::Phone, 4));
}

TEST_F(ParseRealFile, JapaneseNamesKeepTheirReading) {
  Load("palmpdb_AddressDB-PalmV-JP.pdb");
  ContactRec* rec = Fetch(0);
  // Shift-JIS kanji, 0x01, the kana reading.
  EXPECT_EQ("\x93\x63\x92\x86\x01\x82\xbd\x82\xc8\x82\xa9", Get(rec, FieldKind::LastName, 0));
  EXPECT_EQ("\x91\xbe\x98\x59\x01\x82\xbd\x82\xeb\x82\xa4", Get(rec, FieldKind::FirstName, 0));
  EXPECT_EQ("106-6126", Get(rec, FieldKind::Zip, 0));
  EXPECT_EQ("<null>", Get(rec, FieldKind::Company, 0, FIELD_NULL_IF_ABSENT));
}

TEST_F(ParseRealFile, DatabaseOrderOfRealRecords) {
  std::vector<std::string> a = Load("palmpdb_AddressDB-LifeDrive.pdb");
  auto cmp = [&](const std::string& x, const std::string& y) {
    return ContactCompare(&db_, reinterpret_cast<const uint8_t*>(x.data()), uint32_t(x.size()),
                          reinterpret_cast<const uint8_t*>(y.data()), uint32_t(y.size()));
  };
  db_.sortMode = 0;
  EXPECT_LT(cmp(a[0], a[1]), 0);  // "Accessories" before "Technical Support"
  EXPECT_GT(cmp(a[1], a[0]), 0);
  db_.sortMode = 2;  // same company: the last names decide
  EXPECT_LT(cmp(a[0], a[1]), 0);
  std::vector<std::string> jp = Load("palmpdb_AddressDB-PalmV-JP.pdb");
  EXPECT_GT(cmp(jp[0], a[0]), 0);  // 0x93 sorts after ASCII letters
}

TEST_F(ParseRealFile, EditingARealRecordKeepsTheRest) {
  std::vector<std::string> records = Load("palmpdb_AddressDB-LifeDrive.pdb");
  ASSERT_EQ(0, ContactSetField(Fetch(0), FieldKind::Title, 0, "Dept."));
  std::string now = Stored(0);
  Decoded before = Decode(records[0]), after = Decode(now);
  before.fields[13] = "Dept.";
  EXPECT_EQ(before.fields, after.fields);
  EXPECT_EQ(records[0].substr(0, 4), now.substr(0, 4));
  // The company offset: one more than the strings before it (last name).
  EXPECT_EQ(1 + std::strlen("Accessories") + 1, size_t(uint8_t(now[8])));
  EXPECT_EQ(records[0].size() + 6, now.size());
  EXPECT_EQ(records[1], Stored(1));
}

}  // namespace
