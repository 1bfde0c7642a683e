// Tests of the full text (name block, the label-and-value sections, the
// compact preview and the label inventory) and of every column id on one
// rich contact of each layout. Expected texts are written by hand from the
// layout rules of the columns.
#include <vector>

#include "columns_fixture.h"

namespace {

using ColumnFullText = ColumnsTest;

// A ContactsDB-PAdd contact with something in every section.
ContactBuilder RichContact() {
  ContactBuilder b(true);
  b.Field(padd::LAST, "Smith").Field(padd::FIRST, "John").Field(padd::COMPANY, "Acme");
  b.Field(padd::TITLE, "CEO");
  b.Field(padd::PHONE + 0, "5551234").Field(padd::PHONE + 1, "555 9876");
  b.Field(padd::PHONE + 3, "john@example.com").Field(padd::PHONE + 6, "999").ShownPhone(1);
  b.Field(padd::WEB, "www.acme.com").Field(padd::CHAT, "jsmith").ChatLabel(0, 1);
  b.Field(padd::ADDR1, "1 Main St").Field(padd::ADDR1 + 1, "Springfield");
  b.Field(padd::ADDR1 + 2, "IL").Field(padd::ADDR1 + 3, "62701").Field(padd::ADDR1 + 4, "USA");
  b.Field(padd::ADDR2 + 1, "Shelbyville");
  b.Birthday(PackedDate(1970, 5, 17), 0);
  b.Field(padd::CUSTOM + 0, "blue").Field(padd::CUSTOM + 1, "Phone1: 555 0000");
  b.Field(padd::CUSTOM + 2, "Addr 2: 9 Oak");
  b.Field(padd::NOTE,
          "ALRM: x\nNote Date: 2003/7/4\nLinked To: Jane Doe\nIn Group: Golf\n"
          "In Group: Chess\nFirst body line\nIn Group: Fake");
  return b;
}

// An AddressDB contact: no web, chat or birthday; one unlabelled address.
ContactBuilder RichAddress() {
  ContactBuilder b(false);
  b.Field(addr::LAST, "Doe").Field(addr::FIRST, "Jane").Field(addr::COMPANY, "Widgets");
  b.Field(addr::TITLE, "CTO");
  b.Field(addr::PHONE + 0, "5551234").Field(addr::PHONE + 3, "jane@x.org");
  b.Field(addr::PHONE + 4, "12345678901").ShownPhone(4);
  b.Field(addr::ADDRESS, "2 High St").Field(addr::ADDRESS + 1, "Portland");
  b.Field(addr::ADDRESS + 2, "OR").Field(addr::ADDRESS + 3, "97201");
  b.Field(addr::CUSTOM + 0, "red").Field(addr::CUSTOM + 3, "Web: jane.example");
  b.Field(addr::NOTE, "In Group: Book club\nhello");
  return b;
}

std::string RichSections(const std::string& birthday) {
  return "Work:\t555-1234\n"
         "Home:*\t555-9876\n"
         "Email:\tjohn@example.com\n"
         "Other:\t999\n"
         "\n"
         "Web:\twww.acme.com\n"
         "AIM:\tjsmith\n"
         "\n"
         "Work\t1 Main St\n\tSpringfield, IL  62701\n\tUSA\n"
         "Home\tShelbyville\n"
         "\n"
         "Birthday:\t" +
         birthday +
         "\n"
         "\n"
         "Custom 1:\tblue\n"
         "Phone1\t555 0000\n"
         "Addr 2\t9 Oak\n"
         "\n"
         "Group:\tGolf\n"
         "\tChess\n";
}

TEST_F(ColumnFullText, AllSectionsOfAContactsRecord) {
  std::string sections = RichSections(Date(1970, 5, 17));
  EXPECT_EQ(Text(true, RichContact(), 23), "John Smith\nCEO\nAcme\n\n" + sections);
  EXPECT_EQ(Text(true, RichContact(), 26), "John Smith\nCEO\nAcme\n\n" + sections);
  EXPECT_EQ(Text(true, RichContact(), 22), sections);
}

TEST_F(ColumnFullText, NameBlockColumns) {
  EXPECT_EQ(Text(true, RichContact(), 14), "John Smith\nCEO\nAcme");
  EXPECT_EQ(Text(true, RichContact(), 14, 1), "");
  EXPECT_EQ(Text(true, RichContact(), 20), "Smith\nCEO\nAcme\n");
  EXPECT_EQ(Text(true, RichContact(), 21), "John Smith\nCEO\n");
  ContactBuilder company(true);
  company.Field(padd::COMPANY, "Acme");
  EXPECT_EQ(Text(true, company, 23), "Acme\n");
  EXPECT_EQ(Text(true, company, 21), "");
  EXPECT_EQ(Text(true, ContactBuilder(true), 23), "");
}

TEST_F(ColumnFullText, CompactSectionsAndLinks) {
  g_prefs.compactFullText = 1;
  g_prefs.showLinks = 1;
  std::string want =
      "John Smith\nCEO\nAcme\n"
      "Work:\t555-1234\nHome:*\t555-9876\nEmail:\tjohn@example.com\nOther:\t999\n"
      "Web:\twww.acme.com\nAIM:\tjsmith\n"
      "Work\t1 Main St\n\tSpringfield, IL  62701\n\tUSA\nHome\tShelbyville\n"
      "Birthday:\t" +
      Date(1970, 5, 17) +
      "\n"
      "Custom 1:\tblue\nPhone1\t555 0000\nAddr 2\t9 Oak\n"
      "Link:\tJane Doe\nGroup:\tGolf\n\tChess\n";
  EXPECT_EQ(Text(true, RichContact(), 23), want);
}

TEST_F(ColumnFullText, GroupLinesAfterGroupLinesAndAfterOtherLines) {
  g_prefs.showLinks = 1;
  ContactBuilder b(true);
  b.Field(padd::NOTE,
          "In Group: A\nIn Group: B\nLinked To: X\nIn Group: C\nICON: 3\nIn Group: D\n"
          "In Group: E");
  EXPECT_EQ(Text(true, b, 22), "Group:\tA\n\tB\nLink:\tX\nGroup:\tC\nGroup:\tD\n\tE\n");
  g_prefs.showLinks = 0;
  EXPECT_EQ(Text(true, b, 22), "Group:\tA\n\tB\nGroup:\tC\nGroup:\tD\n\tE\n");
}

TEST_F(ColumnFullText, CompactPreviewColumn37) {
  std::string want =
      "John Smith\nCEO\nAcme\n\n"
      "555-1234\xA0(W)\n555-9876\xA0(H)\njohn@example.com\xA0(E)\n999\xA0(O)\n\n"
      "www.acme.com\njsmith\n\n"
      "1 Main St\n\tSpringfield, IL  62701\n\tUSA\nShelbyville\n\n" +
      Date(1970, 5, 17) +
      "\n\n"
      "blue\n555 0000\n9 Oak\n\n"
      "Golf\nChess\n";
  EXPECT_EQ(Text(true, RichContact(), 37), want);
}

TEST_F(ColumnFullText, LabelInventoryColumn24) {
  EXPECT_EQ(Text(true, RichContact(), 24),
            "Work:\nHome:*\nEmail:\nOther:\nWeb:\nAIM:\nWork\nHome\nBirthday:\nCustom 1:\n"
            "Phone1\nAddr 2\nGroup:\n");
  EXPECT_EQ(Text(false, RichAddress(), 24), "Work:\nEmail:\nOther:*\nCustom 1:\nWeb\nGroup:\n");
}

TEST_F(ColumnFullText, AddressDbRecord) {
  EXPECT_EQ(Text(false, RichAddress(), 23),
            "Jane Doe\nCTO\nWidgets\n\n"
            "Work:\t555-1234\nEmail:\tjane@x.org\nOther:*\t1-234-567-8901\n\n"
            "\t2 High St\n\tPortland, OR  97201\n\n"
            "Custom 1:\tred\nWeb\tjane.example\n\n"
            "Group:\tBook club\n");
}

TEST_F(ColumnFullText, CustomAddressTakesCustomFieldsOneToFour) {
  g_prefs.customAddress = 1;
  ContactBuilder b(false);
  b.Field(addr::ADDRESS, "2 High St");
  b.Field(addr::CUSTOM + 0, "5 Elm").Field(addr::CUSTOM + 1, "Salem");
  b.Field(addr::CUSTOM + 3, "USA");
  // The record's address has no label; labels are shown from the first
  // address that has one.
  EXPECT_EQ(Text(false, b, 22), "\t2 High St\nAddress\t5 Elm\n\tSalem\n\tUSA\n");
  // A prefixed field among them: no address, every custom field is listed.
  b.Field(addr::CUSTOM + 2, "Mail: PO Box 1");
  EXPECT_EQ(Text(false, b, 22),
            "\t2 High St\n\nCustom 1:\t5 Elm\nCustom 2:\tSalem\nMail\tPO Box 1\nCustom 4:\tUSA\n");
}

TEST_F(ColumnFullText, UnlabelledAddressAfterALabelledOne) {
  ContactBuilder b(true);
  b.Field(padd::ADDR1, "1 Main St").AddressLabel(0, 3);  // label 3 has no text
  b.Field(padd::ADDR2, "2 Side St");                     // label 1, "Home"
  b.Field(padd::ADDR3, "3 Back St").AddressLabel(2, 3);
  EXPECT_EQ(Text(true, b, 22), "\t1 Main St\nHome\t2 Side St\nAddress\t3 Back St\n");
}

int32_t OneUnitPerByte(uint16_t, const char*, uint32_t length) { return int32_t(length); }

TEST_F(ColumnFullText, ValuesWrapWithAHangingIndent) {
  ParseSetTextWidth(OneUnitPerByte);
  ContactBuilder b(true);
  b.Field(padd::CUSTOM, "alpha beta gamma").Field(padd::PHONE, "555-1234");
  EXPECT_EQ(Text(true, b, 22, 0, 0, 10), "Work:*\t555-1234\n\nCustom 1:\talpha beta \n\tgamma\n");
  EXPECT_EQ(Text(true, b, 37, 0, 0, 10), "555-1234\xA0(\n\tW)\n\nalpha beta \n\tgamma\n");
}

TEST_F(ColumnFullText, MissingLabelResourcesLeaveTheLabelsEmpty) {
  RES_Close();
  ParseColumnsReset();
  ContactBuilder b(true);
  b.Field(padd::PHONE, "555-1234").Field(padd::CUSTOM, "Phone1: 1");
  // Without "$Pre" the prefix is plain text under the user's label.
  EXPECT_EQ(Text(true, b, 22), ":*\t555-1234\n\nCustom 1:\tPhone1: 1\n");
  EXPECT_EQ(Column(true, b, 9).label, "");
}

// ---------------------------------------------------------------------------
// Every column of one rich contact of each layout.

using ColumnEveryId = ColumnsTest;

TEST_F(ColumnEveryId, ContactsLayout) {
  std::string birthday = Date(1970, 5, 17), noted = Date(2003, 7, 4);
  std::string sections = RichSections(birthday);
  std::string full = "John Smith\nCEO\nAcme\n\n" + sections;
  std::string body = "First body line\nIn Group: Fake";
  const std::vector<std::string> want = {
      "Smith, John",                             // 0
      "John Smith",                              // 1
      "Acme - Smith, John",                      // 2
      "JSmith",                                  // 3
      "Smith, John",                             // 4
      "John Smith",                              // 5
      "Smith, John - Acme",                      // 6
      "John Smith - Acme",                       // 7
      "Acme - Smith, John",                      // 8
      "555-9876",                                // 9
      "555-9876",                                // 10
      "john@example.com",                        // 11
      "555-9876",                                // 12
      "john@example.com",                        // 13
      "John Smith\nCEO\nAcme",                   // 14
      "1 Main St\nSpringfield, IL  62701  USA",  // 15
      "1 Main St\nSpringfield, IL  62701",       // 16
      "1 Main St\nSpringfield, IL  62701\nUSA",  // 17
      "John Smith",                              // 18
      "Acme",                                    // 19
      "Smith\nCEO\nAcme\n",                      // 20
      "John Smith\nCEO\n",                       // 21
      sections,                                  // 22
      full,                                      // 23
      "Work:\nHome:*\nEmail:\nOther:\nWeb:\nAIM:\nWork\nHome\nBirthday:\nCustom 1:\n"
      "Phone1\nAddr 2\nGroup:\n",           // 24
      "John Smith, CEO - Acme",             // 25
      full,                                 // 26
      noted + "\n" + body,                  // 27
      "555-9876 Home",                      // 28
      "john@example.com",                   // 29
      "john@example.com",                   // 30
      "1 Main St\nSpringfield, IL  62701",  // 31
      birthday,                             // 32
      noted,                                // 33
      body,                                 // 34
      "2003/7/4",                           // 35
      "Acme - Smith, John",                 // 36
  };
  ASSERT_EQ(want.size(), 37u);
  for (int16_t column = 0; column < 37; ++column)
    EXPECT_EQ(Text(true, RichContact(), column), want[size_t(column)]) << "column " << column;
  EXPECT_FALSE(Text(true, RichContact(), 37).empty());  // checked in CompactPreviewColumn37
}

TEST_F(ColumnEveryId, AddressLayout) {
  std::string full =
      "Jane Doe\nCTO\nWidgets\n\n"
      "Work:\t555-1234\nEmail:\tjane@x.org\nOther:*\t1-234-567-8901\n\n"
      "\t2 High St\n\tPortland, OR  97201\n\n"
      "Custom 1:\tred\nWeb\tjane.example\n\n"
      "Group:\tBook club\n";
  std::string sections = full.substr(strlen("Jane Doe\nCTO\nWidgets\n\n"));
  const std::vector<std::string> want = {
      "Doe, Jane",                                         // 0
      "Jane Doe",                                          // 1
      "Widgets - Doe, Jane",                               // 2
      "JDoe",                                              // 3
      "Doe, Jane",                                         // 4
      "Jane Doe",                                          // 5
      "Doe, Jane - Widgets",                               // 6
      "Jane Doe - Widgets",                                // 7
      "Widgets - Doe, Jane",                               // 8
      "1-234-567-8901",                                    // 9
      "1-234-567-8901",                                    // 10
      "jane@x.org",                                        // 11
      "1-234-567-8901",                                    // 12
      "jane@x.org",                                        // 13
      "Jane Doe\nCTO\nWidgets",                            // 14
      "2 High St\nPortland, OR  97201",                    // 15
      "2 High St\nPortland, OR  97201",                    // 16
      "2 High St\nPortland, OR  97201",                    // 17
      "Jane Doe",                                          // 18
      "Widgets",                                           // 19
      "Doe\nCTO\nWidgets\n",                               // 20
      "Jane Doe\nCTO\n",                                   // 21
      sections,                                            // 22
      full,                                                // 23
      "Work:\nEmail:\nOther:*\nCustom 1:\nWeb\nGroup:\n",  // 24
      "Jane Doe, CTO - Widgets",                           // 25
      full,                                                // 26
      "hello",                                             // 27
      "1-234-567-8901 Other",                              // 28
      "jane@x.org",                                        // 29
      "jane@x.org",                                        // 30
      "2 High St\nPortland, OR  97201",                    // 31
      "",                                                  // 32
      "",                                                  // 33
      "hello",                                             // 34
      "",                                                  // 35
      "Widgets - Doe, Jane",                               // 36
      "Jane Doe\nCTO\nWidgets\n\n"
      "555-1234\xA0(W)\njane@x.org\xA0(E)\n1-234-567-8901\xA0(O)\n\n"
      "2 High St\n\tPortland, OR  97201\n\nred\njane.example\n\nBook club\n",  // 37
  };
  ASSERT_EQ(want.size(), size_t(COLUMN_COUNT));
  for (int16_t column = 0; column < COLUMN_COUNT; ++column)
    EXPECT_EQ(Text(false, RichAddress(), column), want[size_t(column)]) << "column " << column;
}

}  // namespace
