// Tests of the prefixes at the start of a line (tag keywords, note metadata
// names, the custom-field prefixes of "$Pre") and of the note columns built
// on the tag lines at the start of a note.
#include <vector>

#include "columns_fixture.h"

namespace {

using NotePrefixes = ColumnsTest;

std::string Behind(const char* text, int16_t* index, uint16_t flags) {
  const char* at = NotePrefixMatch(text, index, flags);
  return at ? std::string(at) : std::string("(none)");
}

TEST_F(NotePrefixes, EveryTagKeywordMatchesWithItsOwnPunctuation) {
  const char* const keywords[] = {
      "#AN",  "ADV:",  "ALRM:",   "ANNIV:", "BDAY:", "CLR:", "CONLIST:", "FNTFX:",  "ICON:",
      "LOC:", "PHTO:", "RNG_TN:", "ROLL:",  "RPT:",  "SND:", "SND_EX:",  "TR_IMP:", "U_I:"};
  for (const char* keyword : keywords) {
    std::string line = std::string(keyword) + " value";
    int16_t index = -5;
    EXPECT_EQ(Behind(line.c_str(), &index, PREFIX_NOTE_TAGS), " value") << keyword;
    EXPECT_EQ(index, PREFIX_TAG_KEYWORD);
    // Keywords are not field prefixes.
    EXPECT_EQ(Behind(line.c_str(), &index, 0), "(none)") << keyword;
    EXPECT_EQ(index, -1);
  }
  int16_t index = 0;
  EXPECT_EQ(Behind("#AN12", &index, PREFIX_NOTE_TAGS), "12");
  EXPECT_EQ(Behind("alrm: 1", &index, PREFIX_NOTE_TAGS), "(none)");
  EXPECT_EQ(index, -1);
  EXPECT_EQ(Behind("ALRM", &index, PREFIX_NOTE_TAGS), "(none)");
  EXPECT_EQ(Behind(" ALRM: 1", &index, PREFIX_NOTE_TAGS), "(none)");
}

TEST_F(NotePrefixes, MetadataNamesNeedAColonAndABlank) {
  int16_t index = -5;
  EXPECT_EQ(Behind("Note Date: 2003/7/4", &index, PREFIX_NOTE_TAGS), "2003/7/4");
  EXPECT_EQ(index, PREFIX_NOTE_DATE);
  EXPECT_EQ(Behind("Linked To: Jane", &index, PREFIX_NOTE_TAGS), "Jane");
  EXPECT_EQ(index, PREFIX_LINKED_TO);
  EXPECT_EQ(Behind("In Group: Golf\nmore", &index, PREFIX_NOTE_TAGS), "Golf\nmore");
  EXPECT_EQ(index, PREFIX_IN_GROUP);
  for (const char* text : {"Note Date:2003", "Note Date", "Note Dates: 1", "In Group :x", ""}) {
    EXPECT_EQ(Behind(text, &index, PREFIX_NOTE_TAGS), "(none)") << text;
    EXPECT_EQ(index, -1);
  }
  // An empty metadata slot never matches.
  g_prefs.notePrefixes[1][0] = 0;
  EXPECT_EQ(Behind(": x", &index, PREFIX_NOTE_TAGS), "(none)");
  // Null text and null index.
  EXPECT_EQ(NotePrefixMatch(nullptr, &index, PREFIX_NOTE_TAGS), nullptr);
  EXPECT_EQ(index, -1);
  EXPECT_NE(NotePrefixMatch("In Group: x", nullptr, PREFIX_NOTE_TAGS), nullptr);
}

TEST_F(NotePrefixes, FieldPrefixesGiveTheirIndexInTheList) {
  // The list as the resources hold it; "" marks the separators.
  const std::vector<std::string> list = {
      "",       "B-day", "Anniv", "Start",  "Stop",   "Web",    "Handle", "Group",  "Team", "Class",
      "Status", "Assoc", "Super", "Report", "Direct", "",       "Addr 2", "Addr 3", "Home", "Work",
      "Perm",   "Local", "Mail",  "Info",   "",       "Phone1", "Phone2", "Phone3", "VMail"};
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i].empty()) continue;
    std::string text = list[i] + ": v";
    int16_t index = -5;
    EXPECT_EQ(Behind(text.c_str(), &index, 0), "v") << list[i];
    EXPECT_EQ(index, int16_t(i)) << list[i];
    EXPECT_EQ(Behind(text.c_str(), &index, PREFIX_NOTE_TAGS), "(none)") << list[i];
  }
  int16_t index = 0;
  EXPECT_EQ(Behind("\x97\x97\x97\x97\x97: x", &index, 0), "(none)");
  EXPECT_EQ(Behind("Web:x", &index, 0), "(none)");
  EXPECT_EQ(Behind("Website: x", &index, 0), "(none)");
  EXPECT_EQ(Behind("Info: ", &index, 0), "");
  EXPECT_EQ(index, 23);
  EXPECT_EQ(index, PREFIX_ADDRESS_LAST);
  EXPECT_EQ(Behind("Phone1: 5", &index, 0), "5");
  EXPECT_EQ(index, PREFIX_PHONE_FIRST);
}

TEST_F(NotePrefixes, AMissingListIsReadOnceTheStoreIsThere) {
  RES_Close();
  ParseColumnsReset();
  int16_t index = 0;
  EXPECT_EQ(Behind("Phone1: 5", &index, 0), "(none)");
  EXPECT_EQ(index, -1);
  ASSERT_EQ(0, RES_Open(BRANTEL_RES_STORE));
  EXPECT_EQ(Behind("Phone1: 5", &index, 0), "5");
  EXPECT_EQ(index, PREFIX_PHONE_FIRST);
}

// ---------------------------------------------------------------------------
// The note columns.

using NoteColumns = ColumnsTest;

ContactBuilder Noted(bool contacts, const std::string& note) {
  ContactBuilder b(contacts);
  b.Field(contacts ? padd::NOTE : addr::NOTE, note);
  return b;
}

TEST_F(NoteColumns, TagLinesThenTheBody) {
  ContactBuilder b = Noted(true, "ALRM: 1\nNote Date: 2003/7/4\nBody line\nNote Date: 2004/1/1");
  std::string date = Date(2003, 7, 4);
  ASSERT_FALSE(date.empty());
  EXPECT_EQ(Text(true, b, 33), date);
  EXPECT_EQ(Text(true, b, 35), "2003/7/4");
  EXPECT_EQ(Text(true, b, 34), "Body line\nNote Date: 2004/1/1");
  EXPECT_EQ(Text(true, b, 27), date + "\nBody line\nNote Date: 2004/1/1");
}

TEST_F(NoteColumns, ATagAfterTheFirstBodyLineIsBody) {
  for (bool contacts : {true, false}) {
    ContactBuilder b = Noted(contacts, "Body\nALRM: x\nNote Date: 2003/7/4");
    EXPECT_EQ(Text(contacts, b, 34), "Body\nALRM: x\nNote Date: 2003/7/4");
    EXPECT_EQ(Text(contacts, b, 33), "");
    EXPECT_EQ(Text(contacts, b, 35), "");
    EXPECT_EQ(Text(contacts, b, 27), "Body\nALRM: x\nNote Date: 2003/7/4");
  }
}

TEST_F(NoteColumns, OnlyTagLines) {
  ContactBuilder b = Noted(false, "In Group: A\nNote Date: 2001/2/3\n");
  EXPECT_EQ(Text(false, b, 34), "");
  EXPECT_EQ(Text(false, b, 33), Date(2001, 2, 3));
  EXPECT_EQ(Text(false, b, 27), Date(2001, 2, 3) + "\n");
}

TEST_F(NoteColumns, DatesThatAreNotDates) {
  EXPECT_EQ(Text(true, Noted(true, "Note Date: soon\nx"), 33), "");
  EXPECT_EQ(Text(true, Noted(true, "Note Date: soon\nx"), 35), "soon");
  EXPECT_EQ(Text(true, Noted(true, "Note Date: soon\nx"), 27), "x");
  EXPECT_EQ(Text(true, Noted(true, "Note Date: 2003/13/1"), 33), "");
  EXPECT_EQ(Text(true, Noted(true, "Note Date: 2003/7"), 33), "");
  EXPECT_EQ(Text(true, Noted(true, "Note Date: 2003-7-4"), 33), "");
  // "%hd" skips blanks before each number.
  EXPECT_EQ(Text(true, Noted(true, "Note Date:  2003/ 7/ 4"), 33), Date(2003, 7, 4));
  EXPECT_EQ(Text(true, Noted(true, "Note Date: 2003/7/4 and more"), 33), Date(2003, 7, 4));
}

TEST_F(NoteColumns, NoNoteAndHandheldBytes) {
  for (int16_t column : {27, 33, 34, 35}) EXPECT_EQ(Text(true, ContactBuilder(true), column), "");
  std::string body = "caf\xE9 \x8D\x01\xFF";
  EXPECT_EQ(Text(true, Noted(true, "ICON: 1\n" + body), 34), body);
}

TEST_F(NoteColumns, BirthdayColumn32) {
  ContactBuilder b(true);
  b.Birthday(PackedDate(1970, 5, 17), 1, 30);
  EXPECT_EQ(Text(true, b, 32), Date(1970, 5, 17));
  EXPECT_EQ(Text(true, ContactBuilder(true), 32), "");
  EXPECT_EQ(Text(false, ContactBuilder(false), 32), "");
}

}  // namespace
