// vCard export: cards checked byte for byte against texts written by hand
// from the card's rules, the quoted-printable soft break, the picture lines,
// a card never delivered with a piece missing, and the series with its
// placeholder cards, its file name and its file.
#include <gtest/gtest.h>

#include <string>

#include "parse_fixture.h"
#include "vcard.h"

namespace {

class VCard : public ContactTest {
 protected:
  std::string Card(const ContactRec& rec) {
    char* text = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(0, VCardBuild(&rec, &text, &length));
    if (!text) return "";
    std::string s(text, length);
    EXPECT_EQ(strlen(text), length);
    MEM_Free(text);
    return s;
  }
  std::string Card(const ContactBuilder& b, bool contacts = true) {
    ContactRec rec = Mem(contacts, b.Bytes());
    return Card(rec);
  }
  static std::string Wrap(const std::string& body) {
    return "BEGIN:VCARD\r\nVERSION:2.1\r\nX-PALM:4.0\r\n" + body + "END:VCARD\r\n";
  }
  std::string Value(const std::string& value) {
    VCardText t;
    EXPECT_EQ(0, VCardTextInit(&t));
    EXPECT_TRUE(VCardAppend(&t, value.data(), uint32_t(value.size()), VCardMode::Property));
    std::string s(t.text, t.length);
    VCardTextFree(&t);
    return s;
  }
};

TEST_F(VCard, FullContactInCardOrder) {
  ContactBuilder b(true);
  b.Field(0, "Smith").Field(1, "J\xF6hn").Field(2, "Acme; Inc").Field(3, "Engineer");
  b.Field(4, "555-1234").PhoneLabel(0, 0).Field(5, "j@x.org").PhoneLabel(1, 4);
  b.Field(6, "555-9999").PhoneLabel(2, 7).ShownPhone(2);
  b.Field(11, "aimname").ChatLabel(0, 0).Field(12, "icqnum").ChatLabel(1, 3);
  b.Field(13, "http://x.org").Field(14, "c1").Field(18, "c5");
  b.Field(23, "1 Main St").Field(24, "Springfield").Field(25, "IL").Field(26, "62701");
  b.Field(27, "USA").AddressLabel(0, 1);
  b.Field(42, "Line one\nLine two");
  b.Birthday(uint16_t((71 << 9) | (3 << 5) | 9), 7).Picture(std::string("\xFF\xD8\xFF\xD9", 4));
  EXPECT_BYTES(Wrap("N;CHARSET=ISO-8859-1:Smith;J\xF6hn\r\n"
                    "ADR;HOME:;;1 Main St;Springfield;IL;62701;USA\r\n"
                    "ORG:Acme; Inc\r\n"
                    "TITLE:Engineer\r\n"
                    "NOTE;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:=\r\n"
                    "Line one=0D=0A=\r\nLine two\r\n"
                    "TEL;WORK;VOICE:555-1234\r\n"
                    "EMAIL:j@x.org\r\n"
                    "TEL;PREF;CELL:555-9999\r\n"
                    "X-PALM-CUSTOM;1:c1\r\n"
                    "X-PALM-CUSTOM5:c5\r\n"
                    "X-AIM:aimname\r\n"
                    "X-ICQ:icqnum\r\n"
                    "URL;WORK:http://x.org\r\n"
                    "BDAY:19750309\r\n"
                    "PHOTO;ENCODING=BASE64;TYPE=JPEG:\r\n\t/9j/2Q==\r\n\r\n"),
               Card(b));
}

TEST_F(VCard, NamesAndAddressesFollowTheirRules) {
  // A last name alone keeps the separator; an empty record still has "N".
  EXPECT_BYTES(Wrap("N:Smith;\r\n"), Card(ContactBuilder(true).Field(0, "Smith")));
  EXPECT_BYTES(Wrap("N:;\r\n"), Card(ContactBuilder(true).EmptyByte()));
  // Components escape ";"; a city without a street is no address.
  // A line break inside a name or address part makes the whole value
  // quoted-printable, so that importers do not take it for the line's end.
  EXPECT_BYTES(Wrap("N;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:=\r\na\\=3Bb=3Bc=0D=0A=\r\nd\r\n"
                    "ADR;WORK:;;x;;;;\r\n"),
               Card(ContactBuilder(true).Field(0, "a;b").Field(1, "c\nd").Field(23, "x")
                        .AddressLabel(0, 0)));
  EXPECT_BYTES(Wrap("N:;\r\n"), Card(ContactBuilder(true).Field(24, "Springfield")));
  // Labels 2 and above 2: "ADR" and "ADR;WORK"; a byte above 0x7F in any part
  // gives the charset.
  EXPECT_BYTES(Wrap("N:;\r\nADR:;;s;;;;\r\nADR;WORK;CHARSET=ISO-8859-1:;;t;;;;K\xF6ln\r\n"),
               Card(ContactBuilder(true).Field(23, "s").AddressLabel(0, 2).Field(32, "t")
                        .Field(36, "K\xF6ln").AddressLabel(1, 3)));
  // The classic layout: one address, always written by its label.
  EXPECT_BYTES(Wrap("N:Doe;\r\nADR;WORK:;;Elm;;;;\r\n"),
               Card(ContactBuilder(false).Field(0, "Doe").Field(8, "Elm"), false));
}

TEST_F(VCard, PhonesCustomFieldsAndEmail) {
  // An e-mail entry stays "EMAIL" even as the shown phone; labels without a
  // type write the bare "TEL"; the fourth custom field keeps its ";".
  ContactBuilder b(true);
  b.Field(4, "a@b.c").PhoneLabel(0, 4).ShownPhone(0).Field(5, "1").PhoneLabel(1, 3);
  b.Field(6, "2").PhoneLabel(2, 5).Field(7, "3").PhoneLabel(3, 6).Field(8, "4").PhoneLabel(4, 2);
  b.Field(17, "four").Field(22, "nine").Field(12, "x").ChatLabel(1, 5);
  EXPECT_BYTES(Wrap("N:;\r\nEMAIL:a@b.c\r\nTEL:1\r\nTEL;X-PALM-MAIN;VOICE:2\r\nTEL;PAGER:3\r\n"
                    "TEL;FAX:4\r\nX-PALM-CUSTOM;4:four\r\nX-PALM-CUSTOM9:nine\r\nX-PALMSG-IM:x\r\n"),
               Card(b));
}

TEST_F(VCard, PropertyValuesPickTheirEncoding) {
  EXPECT_BYTES(":a;b,c\r\n", Value("a;b,c"));  // plain: ";" stays
  std::string letters(80, 'k');
  EXPECT_BYTES(";ENCODING=QUOTED-PRINTABLE:=\r\n" + letters + "\r\n", Value(letters));
  EXPECT_BYTES(":" + letters.substr(1) + "\r\n", Value(letters.substr(1)));  // 79 is plain
  // Special bytes escaped; a trailing line feed has no soft break after it;
  // a blank at the end or at a line's start is escaped.
  EXPECT_BYTES(";CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:=\r\n=20a=3Db=2C=3B\t=7F=0D=0A\r\n",
               Value(" a=b,;\t\x7F\n"));
  EXPECT_BYTES(";CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:=\r\nx=09\r\n", Value("x\t"));
}

TEST_F(VCard, QuotedPrintableBreaksLongLinesAtTheLastBlank) {
  std::string value = std::string(60, 'x') + " " + std::string(20, 'y') + "\xE9";
  EXPECT_BYTES(";CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:=\r\n" + std::string(60, 'x') +
                   "=\r\n=20" + std::string(20, 'y') + "=E9\r\n",
               Value(value));
  // Without a blank the line is never broken; after a soft break the next
  // break waits for the new line to pass 70 characters again.
  std::string longWord(150, 'z');
  longWord += "\x80";
  EXPECT_BYTES(";CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:=\r\n" + std::string(150, 'z') +
                   "=80\r\n",
               Value(longWord));
  std::string twice = std::string(71, 'a') + " b " + std::string(80, 'c') + "\x01";
  EXPECT_BYTES(";CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:=\r\n" + std::string(71, 'a') +
                   "=\r\n=20b=\r\n=20" + std::string(80, 'c') + "=01\r\n",
               Value(twice));
}

TEST_F(VCard, PictureLinesHoldFiftySevenBytes) {
  std::string jpeg(57, '\0');
  for (int i = 0; i < 57; i++) jpeg[i] = char(i * 7);
  jpeg[0] = '\xFF', jpeg[1] = '\xD8';  // pictures start as JPEG streams do
  std::string card = Card(ContactBuilder(true).Picture(jpeg));
  size_t at = card.find("PHOTO;ENCODING=BASE64;TYPE=JPEG:\r\n\t");
  ASSERT_NE(std::string::npos, at);
  std::string rest = card.substr(at + 35);
  EXPECT_EQ(76u, rest.find("\r\n"));
  EXPECT_EQ("\r\n\r\nEND:VCARD\r\n", rest.substr(76));
  // 58 bytes: a second line of one group with its padding.
  card = Card(ContactBuilder(true).Picture(jpeg + "\x01"));
  EXPECT_NE(std::string::npos, card.find("\r\n\tAQ==\r\n\r\nEND:VCARD"));
}

TEST_F(VCard, ShortMemoryDropsTheWholeCard) {
  ContactBuilder b(true);
  b.Field(0, "Smith").Field(42, std::string(3000, 'n') + "\n" + std::string(3000, 'm'));
  b.Picture(std::string(4000, '\x55'));
  std::string full = Card(b);
  ContactRec rec = Mem(true, b.Bytes());
  int failures = 0;
  for (uint32_t n = 1; n <= 12; n++) {
    MEM_FailNthAlloc(n);
    char* text = nullptr;
    Err err = VCardBuild(&rec, &text, nullptr);
    MEM_FailNthAlloc(0);
    if (err == 0) {
      EXPECT_EQ(full, std::string(text)) << n;
    } else {
      EXPECT_EQ(nullptr, text) << n;
      failures++;
    }
    MEM_Free(text);
  }
  EXPECT_GT(failures, 1);
}

// ---------------------------------------------------------------------------
// Series, file names and files.

class VCardSeriesTest : public VCard {
 protected:
  void SetUp() override {
    VCard::SetUp();
    OpenFile(true, {ContactBuilder(true).Field(0, "Ann").Bytes(),
                    ContactBuilder(true).Field(0, "Bob").Field(1, "Rob").Bytes(),
                    ContactBuilder(true).Field(0, "Cy").Bytes()});
  }
  void SetAttributes(uint16_t index, uint8_t attributes) {
    ASSERT_EQ(0, DB_SetRecordInfo(file_, index, &attributes, nullptr));
  }
  std::vector<std::string> Cards(const int32_t* indexes, uint32_t first, uint32_t count,
                                 Err* error = nullptr) {
    VCardSeries s;
    VCardSeriesStart(&s, &db_, indexes, first, count);
    std::vector<std::string> out;
    const char* card = nullptr;
    while (uint32_t n = VCardNextCard(&s, &card)) out.emplace_back(card, n);
    if (error) *error = s.error;
    VCardSeriesEnd(&s);
    return out;
  }
  std::string ReadDoc(const std::string& name) {
    std::string path = DataDir() + "/" + name;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return "<missing>";
    std::string s;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    fclose(f);
    return s;
  }
};

TEST_F(VCardSeriesTest, DeletedAndMaskedContactsBecomePlaceholders) {
  SetAttributes(0, REC_ATTR_DELETED);
  SetAttributes(1, REC_ATTR_SECRET);
  g_prefs.securityLevel = 1;
  std::vector<std::string> cards = Cards(nullptr, 0, 3);
  ASSERT_EQ(3u, cards.size());
  EXPECT_EQ(Wrap("N:;;\r\n"), cards[0]);
  EXPECT_EQ(cards[0], cards[1]);
  EXPECT_EQ(Wrap("N:Cy;\r\n"), cards[2]);
  g_prefs.securityLevel = 0;  // shown private contacts are sent whole
  EXPECT_EQ(Wrap("N:Bob;Rob\r\n"), Cards(nullptr, 1, 1)[0]);
}

TEST_F(VCardSeriesTest, SeriesEndsAtABadIndex) {
  const int32_t list[] = {2, -1, 0};
  Err error = 0;
  std::vector<std::string> cards = Cards(list, 0, 3, &error);
  ASSERT_EQ(1u, cards.size());
  EXPECT_EQ(Wrap("N:Cy;\r\n"), cards[0]);
  EXPECT_NE(0, error);
  const int32_t past[] = {7};
  EXPECT_TRUE(Cards(past, 0, 1).empty());
}

TEST_F(VCardSeriesTest, FileNamesCannotLeaveTheFolder) {
  char name[FIL_LIST_NAME_MAX + 1];
  ContactRec rec = Mem(true, ContactBuilder(true).Field(0, "../x").Field(1, "a/b:c?").Bytes());
  VCardFileName(&rec, nullptr, name, sizeof name);
  EXPECT_EQ(nullptr, strchr(name, '/'));
  EXPECT_EQ(nullptr, strchr(name, ':'));
  EXPECT_EQ(nullptr, strchr(name, '?'));
  EXPECT_STREQ(".VCF", name + strlen(name) - 4);
  VCardFileName(nullptr, nullptr, name, sizeof name);
  EXPECT_STREQ("_.VCF", name);
  VCardFileName(nullptr, "Business", name, sizeof name);
  EXPECT_STREQ("Business.VCF", name);
  VCardFileName(nullptr, std::string(200, 'q').c_str(), name, sizeof name);
  EXPECT_EQ(size_t(FIL_LIST_NAME_MAX), strlen(name));
  EXPECT_STREQ(".VCF", name + strlen(name) - 4);
}

struct Delivery {
  FourCC type = 0;
  std::string name;
  std::string text;
};

Err collect(void* user, FourCC type, const char* fileName, VCardSeries* series) {
  Delivery* d = static_cast<Delivery*>(user);
  d->type = type;
  d->name = fileName;
  const char* card = nullptr;
  while (uint32_t n = VCardNextCard(series, &card)) d->text.append(card, n);
  return 0;
}

TEST_F(VCardSeriesTest, SendingOneOrManyNamesTheFileAndType) {
  Delivery one, many;
  ASSERT_EQ(0, VCardSendContacts(&db_, nullptr, 1, 1, nullptr, true, collect, &one));
  EXPECT_EQ(VCARD_SEND, one.type);
  EXPECT_EQ(Wrap("N:Bob;Rob\r\n"), one.text);
  EXPECT_NE(std::string::npos, one.name.find(".VCF"));
  const int32_t list[] = {2, 0};
  ASSERT_EQ(0, VCardSendContacts(&db_, list, 0, 2, "All", false, collect, &many));
  EXPECT_EQ(VCARD_BEAM, many.type);
  EXPECT_EQ("All.VCF", many.name);
  EXPECT_EQ(Wrap("N:Cy;\r\n") + Wrap("N:Ann;\r\n"), many.text);
  EXPECT_NE(0, VCardSendContacts(&db_, list, 0, 0, "All", false, collect, &many));
}

TEST_F(VCardSeriesTest, SavedFileIsWholeOrUntouched) {
  VCardSeries s;
  VCardSeriesStart(&s, &db_, nullptr, 0, 3);
  ASSERT_EQ(0, VCardSaveSeries(&s, VOL_DOCUMENTS, "!", "Cards.VCF"));
  VCardSeriesEnd(&s);
  std::string saved = ReadDoc("Cards.VCF");
  EXPECT_EQ(Wrap("N:Ann;\r\n") + Wrap("N:Bob;Rob\r\n") + Wrap("N:Cy;\r\n"), saved);
  // A series that breaks off leaves the older file as it was and no
  // temporary file behind.
  const int32_t broken[] = {0, -4};
  VCardSeriesStart(&s, &db_, broken, 0, 2);
  EXPECT_NE(0, VCardSaveSeries(&s, VOL_DOCUMENTS, "!", "Cards.VCF"));
  VCardSeriesEnd(&s);
  EXPECT_EQ(saved, ReadDoc("Cards.VCF"));
  EXPECT_EQ("<missing>", ReadDoc("Cards.VCF.tmp"));
}

TEST_F(VCardSeriesTest, DebugCopyIsAPlainFileOnlyInDebugMode) {
  Cards(nullptr, 0, 1);
  EXPECT_EQ("<missing>", ReadDoc(VCARD_DEBUG_FILE));
  uint32_t level = DBG_Level();
  DBG_SetLevel(0x10000);
  Cards(nullptr, 0, 2);
  DBG_SetLevel(level);
  EXPECT_EQ(Wrap("N:Bob;Rob\r\n"), ReadDoc(VCARD_DEBUG_FILE));
}

}  // namespace
