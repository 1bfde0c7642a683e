// Tests of the name and item columns: names with the company fallback and
// the column flags, the phone walk from the shown phone, internet items,
// addresses (zip first, the address of custom fields) and the custom fields
// that count as items through their "$Pre" prefix. Records come from
// ContactBuilder; the expected texts are written from the column rules.
#include "columns_fixture.h"

namespace {

using ColumnNames = ColumnsTest;

ContactBuilder Person(bool contacts) {
  ContactBuilder b(contacts);
  return b.Field(0, "Smith").Field(1, "John").Field(2, "Acme").Field(contacts ? 3 : 13, "CEO");
}

TEST_F(ColumnNames, EveryNameColumnOfBothLayouts) {
  for (bool contacts : {true, false}) {
    ContactBuilder b = Person(contacts);
    EXPECT_EQ(Text(contacts, b, 0), "Smith, John");
    EXPECT_EQ(Text(contacts, b, 1), "John Smith");
    EXPECT_EQ(Text(contacts, b, 2), "Acme - Smith, John");
    EXPECT_EQ(Text(contacts, b, 3), "JSmith");
    EXPECT_EQ(Text(contacts, b, 4), "Smith, John");
    EXPECT_EQ(Text(contacts, b, 5), "John Smith");
    EXPECT_EQ(Text(contacts, b, 6), "Smith, John - Acme");
    EXPECT_EQ(Text(contacts, b, 7), "John Smith - Acme");
    EXPECT_EQ(Text(contacts, b, 8), "Acme - Smith, John");
    EXPECT_EQ(Text(contacts, b, 18), "John Smith");
    EXPECT_EQ(Text(contacts, b, 19), "Acme");
    EXPECT_EQ(Text(contacts, b, 25), "John Smith, CEO - Acme");
    EXPECT_EQ(Text(contacts, b, 36), "Acme - Smith, John");
    ColumnOut out = Column(contacts, b, 0);
    EXPECT_EQ(out.slot, -1);
    EXPECT_FALSE(out.hasLabel);
  }
}

TEST_F(ColumnNames, FirstLinesForColumnsFourToEight) {
  ContactBuilder b(true);
  b.Field(0, "Smith\nJr").Field(1, "John\nJ").Field(2, "Acme\nInc");
  EXPECT_EQ(Text(true, b, 0), "Smith\nJr, John\nJ");
  EXPECT_EQ(Text(true, b, 4), "Smith, John");
  EXPECT_EQ(Text(true, b, 5), "John Smith");
  EXPECT_EQ(Text(true, b, 6), "Smith, John - Acme");
  EXPECT_EQ(Text(true, b, 7), "John Smith - Acme");
  EXPECT_EQ(Text(true, b, 8), "Acme - Smith, John");
}

TEST_F(ColumnNames, TrailingLineBreaksAreStripped) {
  ContactBuilder b(false);
  b.Field(0, "Smith\n\n").Field(2, "Acme\n");
  EXPECT_EQ(Text(false, b, 0), "Smith");
  EXPECT_EQ(Text(false, b, 19), "Acme");
  EXPECT_EQ(Text(false, b, 18), "Smith");
}

TEST_F(ColumnNames, CompanyFallbackAndItsFlags) {
  ContactBuilder b(true);
  b.Field(2, "Acme");
  for (int16_t column : {0, 1, 4, 5, 6, 7}) {
    EXPECT_EQ(Text(true, b, column), "- Acme") << column;
    EXPECT_EQ(Text(true, b, column, 0, COL_SORT_KEY), "zzzzzzAcme") << column;
    EXPECT_EQ(Text(true, b, column, 0, COL_NO_FALLBACK), "") << column;
  }
  // Columns without a fallback, and the company columns.
  EXPECT_EQ(Text(true, b, 18), "");
  EXPECT_EQ(Text(true, b, 2), "Acme");
  EXPECT_EQ(Text(true, b, 2, 0, COL_SORT_KEY), "Acme");
  EXPECT_EQ(Text(true, b, 25), "Acme");
  EXPECT_EQ(Text(true, b, 3), "");
}

TEST_F(ColumnNames, NoCompanyMarksTheNamesInCompanyColumns) {
  ContactBuilder b(false);
  b.Field(0, "Smith").Field(1, "John");
  for (int16_t column : {2, 8, 36}) {
    EXPECT_EQ(Text(false, b, column), "- Smith, John") << column;
    EXPECT_EQ(Text(false, b, column, 0, COL_NO_DASH), "Smith, John") << column;
    EXPECT_EQ(Text(false, b, column, 0, COL_SORT_KEY), "zzzzzzSmith, John") << column;
  }
  EXPECT_EQ(Text(false, b, 6), "Smith, John");
  EXPECT_EQ(Text(false, b, 19), "");
}

TEST_F(ColumnNames, LoneNamesAndEmptyRecords) {
  ContactBuilder first(true);
  first.Field(1, "John").Field(2, "Acme");
  EXPECT_EQ(Text(true, first, 0), "John");
  EXPECT_EQ(Text(true, first, 2), "Acme - John");
  EXPECT_EQ(Text(true, first, 3), "");
  EXPECT_EQ(Text(true, first, 25), "John - Acme");
  ContactBuilder last(true);
  last.Field(0, "Smith").Field(3, "CEO");
  EXPECT_EQ(Text(true, last, 1), "Smith");
  EXPECT_EQ(Text(true, last, 3), "");
  EXPECT_EQ(Text(true, last, 25), "Smith, CEO");
  ContactBuilder none(true);
  for (int16_t column : {0, 1, 2, 3, 4, 5, 6, 7, 8, 18, 19, 25, 36})
    EXPECT_EQ(Text(true, none, column), "") << column;
}

int32_t OneUnitPerByte(uint16_t, const char*, uint32_t length) { return int32_t(length); }

TEST_F(ColumnNames, Column36CutsALongCompanyBeforeANameWithDots) {
  ContactBuilder b(true);
  b.Field(0, "Smith").Field(1, "John").Field(2, "International");
  // 6 pixels a character by default: 30 pixels hold 5.
  EXPECT_EQ(Text(true, b, 36, 0, 0, 30), "Inter...");
  EXPECT_EQ(Text(true, b, 36, 0, 0, 0), "International - Smith, John");
  ParseSetTextWidth(OneUnitPerByte);
  EXPECT_EQ(Text(true, b, 36, 0, 0, 7), "Interna...");
  // Ends within three characters of the end: kept whole.
  EXPECT_EQ(Text(true, b, 36, 0, 0, 10), "International - Smith, John");
  EXPECT_EQ(Text(true, b, 36, 0, 0, 9), "Internati...");
  // No name follows: never cut.
  ContactBuilder company(true);
  company.Field(2, "International");
  EXPECT_EQ(Text(true, company, 36, 0, 0, 5), "International");
}

TEST_F(ColumnNames, HandheldBytesAreKeptAsFound) {
  // A Japanese name with its reading behind 0x01, and accented letters.
  std::string last = "\x93\x63\x92\x86\x01\xC0\xB0";
  ContactBuilder b(true);
  b.Field(0, last).Field(1, "\xC9ric\x8D").Field(2, "\xFF\x80");
  EXPECT_EQ(Text(true, b, 0), last + ", \xC9ric\x8D");
  EXPECT_EQ(Text(true, b, 3), "\xC9" + last);
  EXPECT_EQ(Text(true, b, 2), "\xFF\x80 - " + last + ", \xC9ric\x8D");
  ContactBuilder alone(true);
  alone.Field(2, "\x01");
  EXPECT_EQ(Text(true, alone, 0), "- \x01");
}

TEST_F(ColumnNames, IdsOutsideTheRangeGiveEmptyTexts) {
  ContactBuilder b = Person(true);
  for (int16_t column : {-1, 38, 100, 32767}) {
    ColumnOut out = Column(true, b, column);
    EXPECT_EQ(out.text, "") << column;
    EXPECT_FALSE(out.isNull);
    EXPECT_EQ(out.slot, -1);
    EXPECT_FALSE(out.hasLabel);
  }
  char* text = ContactColumnText(nullptr, 0, 0, nullptr, nullptr, 0, 0, 0);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "");
  MEM_Free(text);
}

// ---------------------------------------------------------------------------
// Phones.

using ColumnPhones = ColumnsTest;

// Phone slots (labels of the empty template: 0 1 7 4 5 6 3): 0 Work
// "5551234", 1 Home "555 9876", 3 Email, 4 Main "0123456789", 6 Other "999".
ContactBuilder PhoneBook(int shown) {
  ContactBuilder b(true);
  b.Field(padd::PHONE + 0, "5551234")
      .Field(padd::PHONE + 1, "555 9876")
      .Field(padd::PHONE + 3, "john@example.com")
      .Field(padd::PHONE + 4, "0123456789")
      .Field(padd::PHONE + 6, "999")
      .ShownPhone(shown);
  return b;
}

TEST_F(ColumnPhones, Column9StartsAtTheShownPhoneAndWraps) {
  ColumnOut out = Column(true, PhoneBook(4), 9);
  EXPECT_EQ(out.text, "012-345-6789");
  EXPECT_EQ(out.slot, 4);
  EXPECT_EQ(out.label, "Main Phone");
  EXPECT_EQ(Column(true, PhoneBook(4), 9, 0, COL_SHORT_LABELS).label, "Main");
  // Slot 5 is empty: the walk goes on to 6.
  out = Column(true, PhoneBook(5), 9);
  EXPECT_EQ(out.text, "999");
  EXPECT_EQ(out.slot, 6);
  EXPECT_EQ(out.label, "Other");
  // The shown phone at slot 3 with slots 3 … 6 empty: round to slot 1.
  ContactBuilder b(true);
  b.Field(padd::PHONE + 1, "555-1111").Field(padd::PHONE + 2, "555-2222").ShownPhone(3);
  out = Column(true, b, 9);
  EXPECT_EQ(out.text, "555-1111");
  EXPECT_EQ(out.slot, 1);
  EXPECT_EQ(out.label, "Home Phone");
}

TEST_F(ColumnPhones, Column9OfAnAddressDbRecordAndOfNoPhones) {
  ContactBuilder b(false);
  b.Field(addr::PHONE + 4, "12345678901").Field(addr::PHONE + 0, "555 1234 ext\n2").ShownPhone(4);
  ColumnOut out = Column(false, b, 9);
  EXPECT_EQ(out.text, "1-234-567-8901");
  EXPECT_EQ(out.slot, 4);
  EXPECT_EQ(out.label, "Other");
  b.Field(addr::PHONE + 4, "");
  EXPECT_EQ(Text(false, b, 9), "555 1234 ext");
  out = Column(false, ContactBuilder(false), 9);
  EXPECT_EQ(out.text, "");
  EXPECT_EQ(out.slot, -1);
  EXPECT_FALSE(out.hasLabel);
}

TEST_F(ColumnPhones, Column28AddsTheShortLabel) {
  EXPECT_EQ(Text(true, PhoneBook(4), 28), "012-345-6789 Main");
  EXPECT_EQ(Text(true, PhoneBook(0), 28), "555-1234 Work");
  EXPECT_EQ(Text(true, ContactBuilder(true), 28), "");
}

TEST_F(ColumnPhones, NonEmailPhonesFromTheShownOneThenPrefixedCustomFields) {
  ContactBuilder b = PhoneBook(4);
  b.Field(padd::CUSTOM + 0, "Web: www.example.com")
      .Field(padd::CUSTOM + 1, "Phone1: 555 0000\nsecond line")
      .Field(padd::CUSTOM + 2, "Phone2: ")
      .Field(padd::CUSTOM + 3, "Phone3:555")
      .Field(padd::CUSTOM + 6, "VMail: 123");
  struct Want {
    const char* text;
    int16_t slot;
    const char* label;
  };
  const Want want[] = {{"012-345-6789", 4, "Main Phone"}, {"999", 6, "Other"},
                       {"555-1234", 0, "Work Phone"},     {"555-9876", 1, "Home Phone"},
                       {"555 0000", -1, "Phone1"},        {"123", -1, "VMail"}};
  for (int16_t n = 0; n < 6; ++n) {
    ColumnOut out = Column(true, b, 10, n);
    EXPECT_EQ(out.text, want[n].text) << n;
    EXPECT_EQ(out.slot, want[n].slot) << n;
    EXPECT_EQ(out.label, want[n].label) << n;
  }
  ColumnOut past = Column(true, b, 10, 6);
  EXPECT_EQ(past.text, "");
  EXPECT_FALSE(past.hasLabel);
  EXPECT_EQ(past.slot, -1);
  // Column 12 keeps every line; flag 4 gives the short labels.
  EXPECT_EQ(Text(true, b, 12, 4), "555 0000\nsecond line");
  EXPECT_EQ(Column(true, b, 12, 0, COL_SHORT_LABELS).label, "Main");
  EXPECT_EQ(Column(true, b, 12, 4, COL_SHORT_LABELS).label, "Phone1");
}

TEST_F(ColumnPhones, MultiLinePhonesInColumns10And12) {
  ContactBuilder b(false);
  b.Field(addr::PHONE, "555\n1234");
  EXPECT_EQ(Text(false, b, 10), "555");
  EXPECT_EQ(Text(false, b, 12), "555\n1234");
  EXPECT_EQ(Text(false, b, 9), "555");
}

// ---------------------------------------------------------------------------
// Internet items.

using ColumnInternet = ColumnsTest;

ContactBuilder Online() {
  ContactBuilder b(true);
  b.Field(padd::PHONE + 3, "john@example.com")
      .Field(padd::PHONE + 5, "jane@example.com")
      .PhoneLabel(5, 4)
      .Field(padd::PHONE + 0, "5551234")
      .Field(padd::WEB, "www.acme.com\nold.acme.com")
      .Field(padd::CHAT + 0, "jsmith")
      .ChatLabel(0, 1)
      .Field(padd::CHAT + 1, "12345")
      .ChatLabel(1, 4)
      .Field(padd::CUSTOM + 4, "Web: www.blog.com")
      .Field(padd::CUSTOM + 5, "Phone1: 555");
  return b;
}

TEST_F(ColumnInternet, EmailsThenWebThenChatThenWebPrefixedFields) {
  struct Want {
    const char* text;
    int16_t slot;
    const char* label;
    const char* shortLabel;
  };
  const Want want[] = {
      {"john@example.com", 3, "Email Address", "Email"},
      {"jane@example.com", 5, "Email Address", "Email"},
      {"www.acme.com\nold.acme.com", 0, "Web Site", "Web"},
      {"jsmith", 0, "AOL Instant Messenger", "AIM"},
      {"12345", 1, "ICQ Number", "ICQ"},
      {"www.blog.com", -1, "Web", "Web"},
  };
  for (int16_t column : {13, 30}) {
    for (int16_t n = 0; n < 6; ++n) {
      ColumnOut out = Column(true, Online(), column, n);
      EXPECT_EQ(out.text, want[n].text) << column << " " << n;
      EXPECT_EQ(out.slot, want[n].slot) << n;
      EXPECT_EQ(out.label, want[n].label) << n;
      EXPECT_EQ(Column(true, Online(), column, n, COL_SHORT_LABELS).label, want[n].shortLabel);
    }
    EXPECT_EQ(Text(true, Online(), column, 6), "");
  }
  EXPECT_EQ(Text(true, Online(), 11, 2), "www.acme.com");
}

TEST_F(ColumnInternet, Column29HasEmailsOnly) {
  EXPECT_EQ(Text(true, Online(), 29, 0), "john@example.com");
  EXPECT_EQ(Text(true, Online(), 29, 1), "jane@example.com");
  ColumnOut out = Column(true, Online(), 29, 2);
  EXPECT_EQ(out.text, "");
  EXPECT_FALSE(out.hasLabel);
}

TEST_F(ColumnInternet, EmailsFollowTheShownPhoneAndChatWithoutLabel) {
  ContactBuilder b = Online();
  b.ShownPhone(4);  // slot 5 comes before slot 3
  EXPECT_EQ(Text(true, b, 13, 0), "jane@example.com");
  EXPECT_EQ(Text(true, b, 13, 1), "john@example.com");
  ContactBuilder chat(true);
  chat.Field(padd::CHAT + 1, "nobody").ChatLabel(1, -1);  // chat nibble 0: no label
  ColumnOut out = Column(true, chat, 13);
  EXPECT_EQ(out.text, "nobody");
  EXPECT_EQ(out.slot, 1);
  EXPECT_TRUE(out.hasLabel);
  EXPECT_EQ(out.label, "");
}

TEST_F(ColumnInternet, AddressDbHasNoWebOrChat) {
  ContactBuilder b(false);
  b.Field(addr::PHONE + 3, "a@b.c").Field(addr::CUSTOM + 3, "Web: w.x");
  EXPECT_EQ(Text(false, b, 13, 0), "a@b.c");
  EXPECT_EQ(Text(false, b, 13, 1), "w.x");
  EXPECT_EQ(Text(false, b, 13, 2), "");
  EXPECT_EQ(Text(false, b, 10, 0), "");
}

// ---------------------------------------------------------------------------
// Addresses.

using ColumnAddresses = ColumnsTest;

ContactBuilder Home(int base, const char* street, const char* city, const char* state,
                    const char* zip, const char* country) {
  ContactBuilder b(true);
  b.Field(base, street).Field(base + 1, city).Field(base + 2, state).Field(base + 3, zip);
  b.Field(base + 4, country);
  return b;
}

TEST_F(ColumnAddresses, TheFourAddressColumns) {
  ContactBuilder b = Home(padd::ADDR1, "1 Main St", "Springfield", "IL", "62701", "USA");
  EXPECT_EQ(Text(true, b, 15), "1 Main St\nSpringfield, IL  62701  USA");
  EXPECT_EQ(Text(true, b, 16), "1 Main St\nSpringfield, IL  62701");
  EXPECT_EQ(Text(true, b, 17), "1 Main St\nSpringfield, IL  62701\nUSA");
  EXPECT_EQ(Text(true, b, 31), "1 Main St\nSpringfield, IL  62701");
  ColumnOut out = Column(true, b, 17);
  EXPECT_EQ(out.slot, 0);
  EXPECT_EQ(out.label, "Work");
  g_prefs.zipFirst = 1;
  EXPECT_EQ(Text(true, b, 17), "1 Main St\n62701  Springfield, IL\nUSA");
}

TEST_F(ColumnAddresses, PartsThatAreMissing) {
  EXPECT_EQ(Text(true, Home(padd::ADDR1, "", "Springfield", "", "62701", ""), 17),
            "Springfield, 62701");
  EXPECT_EQ(Text(true, Home(padd::ADDR1, "x", "", "IL", "1", ""), 17), "x\nIL, 1");
  EXPECT_EQ(Text(true, Home(padd::ADDR1, "1 Main St", "", "", "", "USA"), 15), "1 Main St  USA");
  EXPECT_EQ(Text(true, Home(padd::ADDR1, "", "Springfield", "", "", "USA"), 17),
            "Springfield\nUSA");
  EXPECT_EQ(Text(true, Home(padd::ADDR1, "Flat 2\nHigh St", "", "", "9", ""), 16),
            "Flat 2\nHigh St\n9");
  g_prefs.zipFirst = 1;
  EXPECT_EQ(Text(true, Home(padd::ADDR1, "", "Springfield", "", "62701", ""), 16),
            "62701  Springfield");
  EXPECT_EQ(Text(true, Home(padd::ADDR1, "x", "", "", "62701", ""), 16), "x\n62701");
}

TEST_F(ColumnAddresses, AnAddressWithOnlyAZipIsNotCounted) {
  ContactBuilder b = Home(padd::ADDR1, "", "", "", "62701", "USA");
  b.Field(padd::ADDR2 + 1, "Shelbyville").Field(padd::ADDR3, "3 Oak").AddressLabel(2, 1);
  ColumnOut out = Column(true, b, 16, 0);
  EXPECT_EQ(out.text, "Shelbyville");
  EXPECT_EQ(out.slot, 1);
  EXPECT_EQ(out.label, "Home");
  out = Column(true, b, 16, 1);
  EXPECT_EQ(out.text, "3 Oak");
  EXPECT_EQ(out.slot, 2);
  EXPECT_EQ(out.label, "Home");
  out = Column(true, b, 16, 2);
  EXPECT_EQ(out.text, "");
  EXPECT_FALSE(out.hasLabel);
  // Address label 3 has no text.
  b.AddressLabel(1, 3);
  EXPECT_EQ(Column(true, b, 16, 0).label, "");
}

TEST_F(ColumnAddresses, AddressDbRecordHasOneUnlabelledAddress) {
  ContactBuilder b(false);
  b.Field(addr::ADDRESS, "1 Main St").Field(addr::ADDRESS + 1, "Springfield");
  b.Field(addr::ADDRESS + 2, "IL").Field(addr::ADDRESS + 4, "USA");
  ColumnOut out = Column(false, b, 15);
  EXPECT_EQ(out.text, "1 Main St\nSpringfield, IL  USA");
  EXPECT_EQ(out.slot, 0);
  EXPECT_TRUE(out.hasLabel);
  EXPECT_EQ(out.label, "");
  EXPECT_EQ(Text(false, b, 15, 1), "");
}

TEST_F(ColumnAddresses, CustomFieldsFormOneMoreAddress) {
  ContactBuilder b = Home(padd::ADDR1, "1 Main St", "", "", "", "");
  b.Field(padd::CUSTOM + 0, "5 Elm").Field(padd::CUSTOM + 1, "Shelbyville");
  b.Field(padd::CUSTOM + 2, "12345").Field(padd::CUSTOM + 3, "Canada");
  EXPECT_EQ(Text(true, b, 17, 1), "");  // off by default
  g_prefs.customAddress = 1;
  ColumnOut out = Column(true, b, 17, 1);
  EXPECT_EQ(out.text, "5 Elm\nShelbyville, 12345\nCanada");
  EXPECT_EQ(out.slot, -1);
  EXPECT_EQ(out.label, "Address");
  g_prefs.zipFirst = 1;
  EXPECT_EQ(Text(true, b, 16, 1), "5 Elm\n12345  Shelbyville");
  // A prefix in any of custom fields 1 … 4 means they are not an address.
  b.Field(padd::CUSTOM + 3, "Phone1: 555");
  EXPECT_EQ(Text(true, b, 16, 1), "");
  // Neither street nor city: not counted.
  ContactBuilder zip(false);
  zip.Field(addr::CUSTOM + 2, "12345").Field(addr::CUSTOM + 3, "Canada");
  EXPECT_EQ(Text(false, zip, 17, 0), "");
}

TEST_F(ColumnAddresses, PrefixedCustomFieldsComeAfterTheAddresses) {
  ContactBuilder b = Home(padd::ADDR1, "1 Main St", "", "", "", "");
  b.Field(padd::CUSTOM + 4, "Addr 2: 9 Oak\nTown")
      .Field(padd::CUSTOM + 5, "Phone1: 555")
      .Field(padd::CUSTOM + 6, "Home: 7 Pine")
      .Field(padd::CUSTOM + 7, "Info: ");
  EXPECT_EQ(Text(true, b, 17, 0), "1 Main St");
  ColumnOut out = Column(true, b, 15, 1);
  EXPECT_EQ(out.text, "9 Oak\nTown");
  EXPECT_EQ(out.slot, -1);
  EXPECT_EQ(out.label, "Addr 2");
  out = Column(true, b, 17, 2);
  EXPECT_EQ(out.text, "7 Pine");
  EXPECT_EQ(out.label, "Home");
  EXPECT_EQ(Text(true, b, 17, 3), "");
}

// ---------------------------------------------------------------------------
// Short memory.

using ColumnMemory = ColumnsTest;

TEST_F(ColumnMemory, FailedAllocationsEndTheTextWithoutLeaks) {
  ContactBuilder b = Person(true);
  b.Field(padd::PHONE, "555-1234").Field(padd::ADDR1, "1 Main St").Field(padd::ADDR1 + 1, "Town");
  b.Field(padd::CUSTOM, "Phone1: 555-0000").Field(padd::NOTE, "In Group: A\nIn Group: B\nbody");
  for (int16_t column : {0, 2, 10, 17, 23, 27, 37}) {
    // Warm the label caches and the "$Pre" list (the resource store keeps
    // what it loads in blocks of its own).
    std::string full = Text(true, b, column, 0, 0, 60);
    (void)NotePrefixMatch("x", nullptr, 0);
    ASSERT_FALSE(full.empty()) << column;
    uint32_t live = MEM_LiveBlocks();
    int cut = 0;
    for (uint32_t nth = 1; nth < 40; ++nth) {
      MEM_FailNthAlloc(nth);
      ColumnOut out = Column(true, b, column, 0, 0, 60);
      MEM_FailNthAlloc(0);
      cut += out.text.size() < full.size();
      EXPECT_EQ(full.compare(0, out.text.size(), out.text), 0) << column << " " << nth;
      EXPECT_EQ(MEM_LiveBlocks(), live) << column << " " << nth;
    }
    EXPECT_GT(cut, 0) << column;  // the failures did reach the column
  }
}

}  // namespace
