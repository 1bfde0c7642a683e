// Reading contact records through the accessor: field numbers of both
// layouts, every kind and index of a full record, the flags, the buffer,
// phone templates, the joined text, birthday text and picture placeholder,
// and reads of damaged records that stop at the record's end. Records come
// from ContactBuilder; expected field numbers from the layout tables.
#include "parse_fixture.h"

namespace {

// A record holding every string field n as "F<n>" (fields 28-30 too).
ContactBuilder FullRecord(bool contacts) {
  ContactBuilder b(contacts);
  int last = contacts ? 42 : 18;
  for (int n = 0; n <= last; n++) {
    if (n != 31) b.Field(n, "F" + std::to_string(n));
  }
  return b;
}

class ParseField : public ContactTest {};

TEST_F(ParseField, FieldNumbersFollowTheLayoutTables) {
  for (bool contacts : {false, true}) {
    ContactDb db{};
    ContactUseLayout(&db, contacts);
    EXPECT_EQ(contacts ? 1 : 0, db.isContacts);
    std::map<ContactTest::Slot, int> table = ContactTest::FieldTable(contacts);
    for (int k = 0; k < FIELD_KIND_COUNT; k++) {
      for (int i = -1; i <= 10; i++) {
        auto it = table.find({k, i});
        int want = it == table.end() ? -1 : it->second;
        if (contacts && k == 14 && i == 0) want = 43;  // the birthday's presence bit
        EXPECT_EQ(want, db.fieldNumber(FieldKind(k), int16_t(i)))
            << "layout " << contacts << " kind " << k << " index " << i;
      }
    }
    EXPECT_EQ(-1, db.fieldNumber(FieldKind::AllText, 0));
  }
}

TEST_F(ParseField, EveryKindAndIndexReadsItsOwnString) {
  for (bool contacts : {false, true}) {
    ContactRec rec = Mem(contacts, FullRecord(contacts).Bytes());
    std::map<ContactTest::Slot, int> table = ContactTest::FieldTable(contacts);
    for (int k = 0; k <= 13; k++) {
      for (int i = -1; i <= 10; i++) {
        auto it = table.find({k, i});
        std::string want = it == table.end() ? "<null>" : "F" + std::to_string(it->second);
        EXPECT_EQ(want, Get(&rec, FieldKind(k), int16_t(i), FIELD_NULL_IF_ABSENT))
            << "layout " << contacts << " kind " << k << " index " << i;
      }
    }
    EXPECT_EQ(contacts ? 42 : 19, rec.db->storedFieldCount(rec.bytes, rec.size));
  }
}

TEST_F(ParseField, AbsentFieldsGiveAnEmptyTextOrNull) {
  ContactRec rec = Mem(true, ContactBuilder(true).Field(1, "Ann").Bytes());
  EXPECT_EQ("", Get(&rec, FieldKind::LastName, 0));
  EXPECT_EQ("<null>", Get(&rec, FieldKind::LastName, 0, FIELD_NULL_IF_ABSENT));
  EXPECT_EQ("", Get(&rec, FieldKind::Phone, 7));
  EXPECT_EQ("<null>", Get(&rec, FieldKind::Phone, 7, FIELD_NULL_IF_ABSENT));
  EXPECT_EQ("<null>", Get(&rec, FieldKind(42), 0, FIELD_NULL_IF_ABSENT));
  EXPECT_EQ("Ann", Get(&rec, FieldKind::FirstName, 0, FIELD_NULL_IF_ABSENT));
  // A stored empty string is present.
  ContactRec empty = Mem(false, ContactBuilder(false).Field(13, "").Bytes());
  EXPECT_EQ("", Get(&empty, FieldKind::Title, 0, FIELD_NULL_IF_ABSENT));
  // AddressDB lacks chat, web, birthday and picture.
  for (FieldKind k : {FieldKind::Chat, FieldKind::Web, FieldKind::Birthday, FieldKind::Picture})
    EXPECT_EQ("<null>", Get(&empty, k, 0, FIELD_NULL_IF_ABSENT));
}

TEST_F(ParseField, FlagsApplyInOrder) {
  ContactRec rec = Mem(false, ContactBuilder(false).Field(18, "one\ntwo\rthree").Bytes());
  EXPECT_EQ("one\ntwo\rthree", Get(&rec, FieldKind::Note, 0));
  EXPECT_EQ("one two three", Get(&rec, FieldKind::Note, 0, FIELD_SPACES));
  EXPECT_EQ("one", Get(&rec, FieldKind::Note, 0, FIELD_FIRST_LINE));
  // Blanks first: nothing is left for the first-line cut.
  EXPECT_EQ("one two three", Get(&rec, FieldKind::Note, 0, FIELD_SPACES | FIELD_FIRST_LINE));
  ContactRec cr = Mem(false, ContactBuilder(false).Field(18, "\rrest").Bytes());
  EXPECT_EQ("", Get(&cr, FieldKind::Note, 0, FIELD_FIRST_LINE));
}

TEST_F(ParseField, BufferIsFilledAndCutToItsSize) {
  ContactRec rec = Mem(false, ContactBuilder(false).Field(3, "5551234").Field(0, "Long").Bytes());
  char buf[8];
  EXPECT_EQ(buf, ContactGetField(&rec, FieldKind::LastName, 0, buf, sizeof buf, 0));
  EXPECT_STREQ("Long", buf);
  EXPECT_EQ(buf, ContactGetField(&rec, FieldKind::LastName, 0, buf, 3, 0));
  EXPECT_STREQ("Lo", buf);
  EXPECT_EQ(buf, ContactGetField(&rec, FieldKind::LastName, 0, buf, 1, 0));
  EXPECT_STREQ("", buf);
  // Phone templates need a new block: ignored with a buffer.
  EXPECT_EQ(buf, ContactGetField(&rec, FieldKind::Phone, 0, buf, sizeof buf, FIELD_FORMAT_PHONE));
  EXPECT_STREQ("5551234", buf);
  EXPECT_EQ(nullptr,
            ContactGetField(&rec, FieldKind::City, 0, buf, sizeof buf, FIELD_NULL_IF_ABSENT));
  EXPECT_EQ(buf, ContactGetField(&rec, FieldKind::City, 0, buf, sizeof buf, 0));
  EXPECT_STREQ("", buf);
}

TEST_F(ParseField, PhoneTemplatesFormatPlainNumbers) {
  auto phone = [&](const std::string& text) {
    ContactRec rec = Mem(true, ContactBuilder(true).Field(4, text).Bytes());
    return Get(&rec, FieldKind::Phone, 0, FIELD_FORMAT_PHONE);
  };
  EXPECT_EQ("555-1234", phone("5551234"));
  EXPECT_EQ("555-1234", phone("555 1234"));
  EXPECT_EQ("555-1234", phone(" 5 5 5 1 2 3 4"));
  EXPECT_EQ("555-1234", phone("555-1234"));    // not a plain number
  EXPECT_EQ("123456789", phone("123456789"));  // no template of 9 digits
  EXPECT_EQ("800-555-1234", phone("8005551234"));
  EXPECT_EQ("1-800-555-1234", phone("18005551234"));
  EXPECT_EQ("   ", phone("   "));
  EXPECT_EQ("(555) 1234", [&] {
    SetTemplates({"", "(000) 0000"});
    return phone("5551234");
  }());
  EXPECT_EQ(nullptr, ContactFormatPhone("12a"));
  EXPECT_EQ(nullptr, ContactFormatPhone(nullptr));
}

TEST_F(ParseField, AllTextJoinsTheStoredStringsOnly) {
  std::string bytes = ContactBuilder(true)
                          .Field(0, "Last")
                          .Field(29, "hidden")
                          .Field(42, "Note")
                          .Field(4, "")
                          .Birthday(PackedDate(1970, 5, 17), 1, 2)
                          .Picture("\xFF\xD8jpeg")
                          .Blob("Zz99", "other")
                          .Bytes();
  ContactRec rec = Mem(true, bytes);
  EXPECT_EQ("Last\n\nhidden\nNote", Get(&rec, FieldKind::AllText, 0));
  EXPECT_EQ(4, rec.db->storedFieldCount(rec.bytes, rec.size));
  ContactRec empty = Mem(true, ContactBuilder(true).EmptyByte().Bytes());
  EXPECT_EQ("", Get(&empty, FieldKind::AllText, 0));
  EXPECT_EQ("<null>", Get(&empty, FieldKind::AllText, 0, FIELD_NULL_IF_ABSENT));
  EXPECT_EQ(0, empty.db->storedFieldCount(empty.bytes, empty.size));
  // The AddressDB empty record's zero byte behind the strings is no field.
  ContactRec addr =
      Mem(false, ContactBuilder(false).Field(1, "A").Field(18, "B").EmptyByte().Bytes());
  EXPECT_EQ("A\nB", Get(&addr, FieldKind::AllText, 0));
  EXPECT_EQ(2, addr.db->storedFieldCount(addr.bytes, addr.size));
}

TEST_F(ParseField, HighBytesAndTheReadingSeparatorAreKept) {
  const std::string name = "\x93\x63\x92\x86\x01\x82\xbd\x82\xc8";
  const std::string note = "caf\xe9 \x99 \x8d\x8e\x8f\x90 \xff";
  ContactRec rec = Mem(false, ContactBuilder(false).Field(0, name).Field(18, note).Bytes());
  EXPECT_EQ(name, Get(&rec, FieldKind::LastName, 0));
  EXPECT_EQ(note, Get(&rec, FieldKind::Note, 0, FIELD_SPACES | FIELD_FIRST_LINE));
  EXPECT_EQ(name + "\n" + note, Get(&rec, FieldKind::AllText, 0));
}

TEST_F(ParseField, BirthdayAndPictureTexts) {
  ContactRec rec =
      Mem(true, ContactBuilder(true).Field(0, "X").Birthday(PackedDate(1970, 5, 17), 0).Bytes());
  EXPECT_EQ("05/17/1970", Get(&rec, FieldKind::Birthday, 0));
  EXPECT_EQ("<null>", Get(&rec, FieldKind::Birthday, 1, FIELD_NULL_IF_ABSENT));
  EXPECT_EQ("\n", Get(&rec, FieldKind::Picture, 0));
  ContactRec none = Mem(true, ContactBuilder(true).Field(0, "X").Bytes());
  EXPECT_EQ("", Get(&none, FieldKind::Birthday, 0));
  EXPECT_EQ("<null>", Get(&none, FieldKind::Birthday, 0, FIELD_NULL_IF_ABSENT));
  // Month 13 is no date.
  ContactRec bad =
      Mem(true, ContactBuilder(true).Birthday(uint16_t((70 << 9) | (13 << 5) | 1), 0).Bytes());
  EXPECT_EQ("", Get(&bad, FieldKind::Birthday, 0));
}

TEST_F(ParseField, RecordShorterThanItsHeaderHasNoFields) {
  std::string full = FullRecord(true).Birthday(PackedDate(2001, 2, 3), 1, 5).Bytes();
  for (uint32_t n : {0u, 1u, 8u, 16u}) {
    ContactRec rec = Mem(true, full.substr(0, n));
    for (int k = 0; k < FIELD_KIND_COUNT; k++) {
      if (k == 15) continue;  // the placeholder is the layout's, not the record's
      EXPECT_EQ("<null>", Get(&rec, FieldKind(k), 0, FIELD_NULL_IF_ABSENT)) << n << " " << k;
    }
    EXPECT_EQ(0, rec.db->storedFieldCount(rec.bytes, rec.size));
    EXPECT_EQ(BIRTHDAY_NONE, ContactGetInfo(&rec, ContactInfo::BirthdayInfo, 0));
    FieldLocation at = rec.db->fieldPointer(rec.bytes, rec.size, 0);
    EXPECT_FALSE(at.present);
    EXPECT_LE(at.offset, n);
  }
}

TEST_F(ParseField, CutRecordsReadUpToTheirEnd) {
  // Every prefix of a full record: each field reads as a prefix of its text.
  for (bool contacts : {false, true}) {
    std::string full = FullRecord(contacts).Bytes();
    ContactRec whole = Mem(contacts, full);
    std::map<ContactTest::Slot, std::string> texts;
    for (auto& [slot, field] : ContactTest::FieldTable(contacts))
      texts[slot] = Get(&whole, FieldKind(slot.first), int16_t(slot.second));
    for (size_t n = 0; n <= full.size(); n++) {
      ContactRec rec = Mem(contacts, full.substr(0, n));
      for (auto& [slot, text] : texts) {
        std::string got = Get(&rec, FieldKind(slot.first), int16_t(slot.second));
        EXPECT_EQ(0u, text.rfind(got, 0)) << "prefix " << n << ": " << got << " of " << text;
      }
      std::string all = Get(&rec, FieldKind::AllText, 0);
      EXPECT_LE(all.size(), n);
    }
  }
  // A note without its zero byte: read to the end, and said so.
  std::string bytes = ContactBuilder(false).Field(0, "Ann").Field(18, "unended").Bytes();
  ContactRec rec = Mem(false, bytes.substr(0, bytes.size() - 1));
  EXPECT_EQ("unended", Get(&rec, FieldKind::Note, 0));
  FieldLocation at = rec.db->fieldPointer(rec.bytes, rec.size, 18);
  EXPECT_TRUE(at.present);
  EXPECT_FALSE(at.terminated);
  EXPECT_EQ(13u, at.offset);
  EXPECT_EQ(7u, at.length);
}

class ParseCompare : public ContactTest {
 protected:
  int Compare(int16_t mode, const std::string& a, const std::string& b, bool contacts = true) {
    ContactDb db{};
    ContactUseLayout(&db, contacts);
    db.sortMode = mode;
    int c = ContactCompare(&db, reinterpret_cast<const uint8_t*>(a.data()), uint32_t(a.size()),
                           reinterpret_cast<const uint8_t*>(b.data()), uint32_t(b.size()));
    return (c > 0) - (c < 0);
  }
  static std::string Rec(const char* last, const char* first, const char* company,
                         bool contacts = true) {
    ContactBuilder b(contacts);
    if (last) b.Field(0, last);
    if (first) b.Field(1, first);
    if (company) b.Field(2, company);
    return b.Bytes();
  }
};

TEST_F(ParseCompare, NamesDifferingOnlyInCaseCompareByTheNextKey) {
  for (bool contacts : {false, true}) {
    EXPECT_EQ(-1, Compare(0, Rec("smith", "Ann", nullptr, contacts),
                          Rec("SMITH", "bob", nullptr, contacts), contacts));
    EXPECT_EQ(1, Compare(0, Rec("Smith", "Carl", nullptr, contacts),
                         Rec("sMiTh", "bob", nullptr, contacts), contacts));
    EXPECT_EQ(0,
              Compare(0, Rec("ABC", "d", "E", contacts), Rec("abc", "D", "e", contacts), contacts));
  }
}

TEST_F(ParseCompare, SortModesChooseTheKeys) {
  std::string a = Rec("Zulu", "Alpha", "Mike"), b = Rec("Alpha", "Zulu", "Kilo");
  EXPECT_EQ(1, Compare(0, a, b));
  EXPECT_EQ(-1, Compare(1, a, b));
  EXPECT_EQ(1, Compare(2, a, b));
  EXPECT_EQ(1, Compare(7, a, b));  // an unknown mode sorts by last name
  // Company mode: same company, then last name, then first name.
  EXPECT_EQ(-1, Compare(2, Rec("Able", "Zed", "Co"), Rec("Baker", "Al", "co")));
  EXPECT_EQ(-1, Compare(2, Rec("Able", "Al", "Co"), Rec("able", "Bo", "co")));
}

TEST_F(ParseCompare, EmptyKeysArePassedOverPerRecord) {
  // No last name: the first name stands against the other's last name.
  EXPECT_EQ(1, Compare(0, Rec(nullptr, "Carl", nullptr), Rec("Baker", "Zed", nullptr)));
  EXPECT_EQ(-1, Compare(0, Rec(nullptr, "Adam", nullptr), Rec("Baker", "Aaron", nullptr)));
  // A stored empty string counts as empty too; then the company.
  EXPECT_EQ(-1, Compare(0, Rec("", "", "Acme"), Rec("Baker", nullptr, nullptr)));
  // The second round compares each record's next remaining key.
  EXPECT_EQ(-1, Compare(0, Rec(nullptr, "Smith", "Able"), Rec("Smith", "Baker", nullptr)));
  // Nothing at all sorts before any name; two empty records are equal.
  EXPECT_EQ(-1, Compare(0, Rec(nullptr, nullptr, nullptr), Rec("A", nullptr, nullptr)));
  EXPECT_EQ(0,
            Compare(0, ContactBuilder(true).EmptyByte().Bytes(), Rec(nullptr, nullptr, nullptr)));
}

TEST_F(ParseCompare, OnlyLettersAToZFold) {
  EXPECT_EQ(-1, Compare(0, Rec("[", nullptr, nullptr), Rec("B", nullptr, nullptr)));
  EXPECT_EQ(1, Compare(0, Rec("\xe9", nullptr, nullptr), Rec("z", nullptr, nullptr)));
  EXPECT_EQ(-1, Compare(0, Rec("\xc9", nullptr, nullptr), Rec("\xe9", nullptr, nullptr)));
  EXPECT_EQ(-1, Compare(0, Rec("Ab", nullptr, nullptr), Rec("abc", nullptr, nullptr)));
  EXPECT_EQ(1, Compare(0, Rec("a\x01b", nullptr, nullptr), Rec("a", nullptr, nullptr)));
}

TEST_F(ParseCompare, ReadsStopAtEachRecordsEnd) {
  std::string a = Rec("Smithers", "Ann", nullptr), b = Rec("Smith", "Bob", nullptr);
  // Cut inside the last name: "Smith" of "Smithers" reads as "Smith".
  EXPECT_EQ(-1, Compare(0, a.substr(0, 17 + 5), b));
  EXPECT_EQ(1, Compare(0, a.substr(0, 17 + 6), b));
  EXPECT_EQ(-1, Compare(0, a.substr(0, 10), b));  // no header: no keys
  EXPECT_EQ(0, Compare(0, std::string(), a.substr(0, 16)));
}

}  // namespace
