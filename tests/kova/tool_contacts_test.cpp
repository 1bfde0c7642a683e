// brantel-tool's `contacts` verbs, run as the built program on files made by
// PdbBuilder and ContactBuilder: the dump (text escapes, JSON keys and
// character set, checked by a JSON parser of our own and by Python's),
// set and info checked against the builder's bytes and the new database
// place, new / duplicate / delete effects on the record list, the detected
// order, the repair counts on a damaged file, and refused commands that
// leave the file as it was.
#include <cstdlib>
#include <string>
#include <vector>

#include "contact_builder.h"
#include "tool_fixture.h"

namespace {

constexpr uint8_t DIRTY = 0x40, SECRET = 0x10, DELETED = 0x80;

// Field numbers of the ContactsDB-PAdd layout.
constexpr int P_LAST = 0, P_FIRST = 1, P_COMPANY = 2, P_PHONE1 = 4, P_PHONE4 = 7, P_NOTE = 42;

std::string Str(const PdbBytes& b) { return std::string(b.begin(), b.end()); }

// A contact of the new layout with a last and a first name.
std::string Person(const std::string& last, const std::string& first = "") {
  ContactBuilder b(true);
  b.Field(P_LAST, last);
  if (!first.empty()) b.Field(P_FIRST, first);
  return b.Bytes();
}

// The last name of a ContactsDB-PAdd record read from the layout alone (the
// first string, present when bit 0 of flag word 1 is set).
std::string LastNameOf(const PdbBytes& r) {
  if (r.size() < 17 || !(r[11] & 1)) return "";
  std::string s;
  for (size_t i = 17; i < r.size() && r[i]; i++) s += char(r[i]);
  return s;
}

class ToolContactsTest : public ToolTest {
 protected:
  std::string Contacts(const std::vector<std::string>& records, uint8_t attributes = DIRTY) {
    PdbBuilder b = ContactPdb(true);
    uint32_t id = 1;
    for (const std::string& r : records) b.Record(r, attributes, id++);
    return Put("ContactsDB-PAdd.pdb", b.Bytes());
  }
  JsonValue DumpJson(const std::string& path) {
    ToolRun r = Run({"contacts", "dump", path, "--json"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    JsonValue v;
    EXPECT_TRUE(JsonParse(r.out, &v)) << r.out;
    return v;
  }
  PdbImage Image(const std::string& path) { return PdbParse(ReadHostFile(path)); }
  // Runs a changing verb that must succeed; returns what it printed.
  std::string Change(const std::vector<std::string>& args) {
    ToolRun r = Run(args);
    EXPECT_EQ(0, r.exitCode) << r.err;
    return r.out;
  }
};

// --- dump -----------------------------------------------------------------

TEST_F(ToolContactsTest, DumpJsonGivesFieldsInfoPictureAndColumns) {
  uint16_t born = PackedDate(1980, 5, 17);
  std::string anna = ContactBuilder(true)
                         .Field(P_LAST, "M\xFCller")
                         .Field(P_FIRST, "Anna")
                         .Field(P_COMPANY, "Acme")
                         .Field(P_PHONE1, "555-1234")
                         .Field(P_PHONE4, "anna@example.com")
                         .Field(P_NOTE, "Note Date: 2020/5/17\nLikes \x93jazz\x94")
                         .Birthday(born, 0)
                         .Bytes();
  std::string path = Contacts({anna});
  JsonValue v = DumpJson(path);
  EXPECT_EQ(v["layout"].text, "ContactsDB-PAdd");
  EXPECT_EQ(v["count"].number, 1);
  ASSERT_EQ(v["records"].items.size(), 1u);
  const JsonValue& r = v["records"].items[0];
  EXPECT_EQ(r["index"].number, 0);
  EXPECT_EQ(r["uniqueId"].number, 1);
  EXPECT_EQ(r["size"].number, anna.size());
  EXPECT_EQ(r["attributes"].number, 4);  // dirty
  const JsonValue& f = r["fields"];
  EXPECT_EQ(f["LastName"].items[0].text, "M\xC3\xBCller");  // ü as UTF-8
  EXPECT_EQ(f["Company"].items[0].text, "Acme");
  ASSERT_EQ(f["Phone"].items.size(), 7u);
  EXPECT_EQ(f["Phone"].items[0].text, "555-1234");
  EXPECT_TRUE(f["Phone"].items[1].isNull());
  EXPECT_EQ(f["Phone"].items[3].text, "anna@example.com");
  EXPECT_EQ(f["Note"].items[0].text, "Note Date: 2020/5/17\nLikes \xE2\x80\x9Cjazz\xE2\x80\x9D");
  EXPECT_EQ(f["Address"].items.size(), 3u);
  EXPECT_EQ(f["Chat"].items.size(), 2u);
  EXPECT_TRUE(f["Title"].items[0].isNull());
  EXPECT_EQ(f["Custom"].items.size(), 9u);
  const JsonValue& info = r["info"];
  std::vector<double> labels;
  for (const JsonValue& l : info["PhoneLabel"].items) labels.push_back(l.number);
  EXPECT_EQ(labels, (std::vector<double>{0, 1, 7, 4, 5, 6, 3}));
  EXPECT_EQ(info["PhoneCount"].number, 7);
  EXPECT_EQ(info["AddressCount"].number, 3);
  EXPECT_EQ(info["HasBirthday"].number, 1);
  EXPECT_EQ(info["BirthdayInfo"].number, double(int32_t(uint32_t(born) << 16 | 7)));
  EXPECT_TRUE(r["picture"].isNull());
  ASSERT_EQ(r["columns"].items.size(), 38u);
  EXPECT_EQ(r["columns"].items[0].text, "M\xC3\xBCller, Anna");
  EXPECT_EQ(r["columns"].items[19].text, "Acme");
  // The same output is valid JSON for an independent parser.
  ToolRun dump = Run({"contacts", "dump", path, "--json"});
  std::string json = TempDir() + "/dump.json";
  WriteHostFile(json, PdbStr(dump.out));
  EXPECT_EQ(0, system(("/usr/bin/python3 -m json.tool '" + json + "' > /dev/null").c_str()));
}

TEST_F(ToolContactsTest, DumpTextEscapesAndLeavesOutAbsentFields) {
  std::string note = "first line\nsecond\x01reading\\";
  std::string path = Contacts({ContactBuilder(true)
                                   .Field(P_LAST,
                                          "Nu\xF1"
                                          "ez")
                                   .Field(P_PHONE1, "555")
                                   .Field(P_NOTE, note)
                                   .Bytes()});
  ToolRun r = Run({"contacts", "dump", path});
  ASSERT_EQ(0, r.exitCode) << r.err;
  EXPECT_NE(r.out.find("ContactsDB-PAdd, 1 records"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  LastName 0: Nu\\xf1ez\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  Note 0: first line\\nsecond\\x01reading\\x5c\n"), std::string::npos);
  EXPECT_NE(r.out.find("  Phone 0: 555\n"), std::string::npos);
  EXPECT_EQ(r.out.find("  Phone 1:"), std::string::npos);
  EXPECT_EQ(r.out.find("  FirstName"), std::string::npos);
  EXPECT_NE(r.out.find("  info PhoneLabel: 0 1 7 4 5 6 3\n"), std::string::npos);
  EXPECT_NE(r.out.find("  column 0: "), std::string::npos);
}

TEST_F(ToolContactsTest, DumpOfAnAddressDbShowsItsOwnSlots) {
  PdbBytes file = ContactPdb(false)
                      .Record(ContactBuilder(false).Field(0, "Smith").Field(3, "555-0001").Bytes(),
                              DIRTY | SECRET | 5, 9)
                      .Bytes();
  JsonValue v = DumpJson(Put("AddressDB.pdb", file));
  EXPECT_EQ(v["layout"].text, "AddressDB");
  const JsonValue& r = v["records"].items[0];
  EXPECT_EQ(r["attributes"].number, 6);  // private, dirty
  EXPECT_EQ(r["category"].number, 5);
  EXPECT_EQ(r["uniqueId"].number, 9);
  EXPECT_EQ(r["fields"]["Phone"].items.size(), 5u);
  EXPECT_EQ(r["fields"]["Phone"].items[0].text, "555-0001");
  EXPECT_EQ(r["fields"]["Custom"].items.size(), 4u);
  EXPECT_TRUE(r["fields"]["Chat"].items.empty());
  EXPECT_TRUE(r["fields"]["Picture"].items.empty());
  EXPECT_EQ(r["info"]["PhoneCount"].number, 5);
  EXPECT_EQ(r["info"]["ChatCount"].number, 0);
}

// --- set and info ---------------------------------------------------------------

TEST_F(ToolContactsTest, SetWritesTheFieldAndMovesTheRecordIntoPlace) {
  std::string path = Contacts({Person("Adams"), Person("Brown"), Person("Clark")});
  EXPECT_EQ(Change({"contacts", "set", path, "1", "FirstName", "0", "Zo\xC3\xAB"}), "1\n");
  PdbImage image = Image(path);
  EXPECT_EQ(Str(image.records[1]), Person("Brown", "Zo\xEB"));  // typed UTF-8, stored ë
  // A new last name moves the record behind the others; its ID travels.
  EXPECT_EQ(Change({"contacts", "set", path, "0", "0", "0", "Zimmer"}), "2\n");
  image = Image(path);
  ASSERT_EQ(image.records.size(), 3u);
  EXPECT_EQ(LastNameOf(image.records[0]), "Brown");
  EXPECT_EQ(LastNameOf(image.records[2]), "Zimmer");
  EXPECT_EQ(image.entries[2].uniqueId, 1u);
  // An empty text removes the field.
  EXPECT_EQ(Change({"contacts", "set", path, "0", "FirstName", "0", ""}), "0\n");
  EXPECT_EQ(Str(Image(path).records[0]), Person("Brown"));
}

TEST_F(ToolContactsTest, InfoWritesLabelsAndTheBirthdayBlock) {
  std::string path = Contacts({Person("Smith")});
  EXPECT_EQ(Change({"contacts", "info", path, "0", "PhoneLabel", "6", "2"}), "0\n");
  ContactBuilder expect(true);
  expect.Field(P_LAST, "Smith").PhoneLabel(6, 2);
  EXPECT_EQ(Str(Image(path).records[0]), expect.Bytes());
  uint16_t born = PackedDate(1975, 12, 24);
  std::string withAlarm = std::to_string(int32_t(uint32_t(born) << 16 | 0x0103));
  Change({"contacts", "info", path, "0", "10", "0", withAlarm});
  EXPECT_EQ(Str(Image(path).records[0]), ContactBuilder(expect).Birthday(born, 1, 3).Bytes());
  Change({"contacts", "info", path, "0", "BirthdayInfo", "0", "-1"});
  EXPECT_EQ(Str(Image(path).records[0]), expect.Bytes());
}

TEST_F(ToolContactsTest, RefusedChangesLeaveTheFileAsItWas) {
  PdbBytes file = ContactPdb(false).Record(ContactBuilder(false).Field(0, "Smith").Bytes()).Bytes();
  std::string path = Put("AddressDB.pdb", file);
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    const char* message;
  } cases[] = {
      {{"contacts", "set", path, "0", "Chat", "0", "x"}, 1, "has no field Chat 0"},
      {{"contacts", "set", path, "0", "Phone", "5", "x"}, 1, "has no field Phone 5"},
      {{"contacts", "info", path, "0", "AddressLabel", "0", "1"}, 1, "cannot be set"},
      {{"contacts", "set", path, "1", "0", "0", "x"}, 1, "INDEX '1' is not a record"},
      {{"contacts", "set", path, "0", "Shoe", "0", "x"}, 1, "KIND must be"},
      {{"contacts", "info", path, "0", "1", "0", "0x1FFFFFFFF"}, 1, "VALUE"},
      {{"contacts", "repair", path, "--order", "3"}, 2, "--order takes"},
      {{"contacts", "set", path, "0", "0"}, 2, "too few arguments"},
      {{"contacts", "frob", path}, 2, "unknown verb"},
  };
  for (const Case& c : cases) {
    ToolRun r = Run(c.args);
    EXPECT_EQ(c.exitCode, r.exitCode) << c.args[1] << " " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_TRUE(ReadHostFile(path) == file) << c.args[1];
  }
  ToolRun r = Run({"contacts", "dump", Put("other.pdb", ToolThreeRecords().Bytes())});
  EXPECT_EQ(1, r.exitCode);
  EXPECT_NE(r.err.find("not a contact database"), std::string::npos) << r.err;
  EXPECT_EQ(1, Run({"contacts", "dump", TempDir() + "/missing.pdb"}).exitCode);
}

// --- records ---------------------------------------------------------------------

TEST_F(ToolContactsTest, NewDuplicateAndDeleteChangeTheRecordList) {
  PdbBuilder b = ContactPdb(true);
  b.Record(Person("Adams"), DIRTY | 1, 1)
      .Record(Person("Brown"), DIRTY | 2, 2)
      .Record(Person("Clark"), DIRTY | SECRET | 3, 3);
  std::string path = Put("c.pdb", b.Bytes());
  EXPECT_EQ(Change({"contacts", "new", path}), "0\n");
  PdbImage image = Image(path);
  ASSERT_EQ(image.records.size(), 4u);
  const uint8_t empty[18] = {0x03, 0x65, 0x47, 0x10, 0x02, 0x10, 0x00, 0x21, 0};
  EXPECT_EQ(image.records[0], PdbBytes(empty, empty + 18));
  // The copy of Clark (index 3 now) follows it with its category and private bit.
  EXPECT_EQ(Change({"contacts", "duplicate", path, "3"}), "4\n");
  image = Image(path);
  ASSERT_EQ(image.records.size(), 5u);
  EXPECT_EQ(image.records[4], image.records[3]);
  EXPECT_EQ(image.entries[4].attributes & (SECRET | 0x0F), SECRET | 3);
  // A deleted record goes behind every other one and keeps its bytes.
  EXPECT_EQ(Change({"contacts", "delete", path, "1"}), "4\n");
  image = Image(path);
  ASSERT_EQ(image.records.size(), 5u);
  EXPECT_EQ(Str(image.records[4]), Person("Adams"));
  EXPECT_TRUE(image.entries[4].attributes & DELETED);
  EXPECT_EQ(LastNameOf(image.records[1]), "Brown");
}

TEST_F(ToolContactsTest, OrderNamesTheOrderTheRecordsFollow) {
  auto person = [](const char* last, const char* first, const char* company) {
    return ContactBuilder(true)
        .Field(P_LAST, last)
        .Field(P_FIRST, first)
        .Field(P_COMPANY, company)
        .Bytes();
  };
  std::string byCompany = Contacts({person("Cole", "Carl", "Alpha"), person("Bell", "Anna", "Beta"),
                                    person("Abel", "Bert", "Gamma")});
  ToolRun r = Run({"contacts", "order", byCompany});
  EXPECT_EQ(0, r.exitCode) << r.err;
  EXPECT_EQ(r.out, "2 (company)\n");
  std::string byFirst = Put("first.pdb", ContactPdb(true)
                                             .Record(person("Zed", "Amy", "Zulu"))
                                             .Record(person("Abel", "Bob", "Alpha"))
                                             .Bytes());
  EXPECT_EQ(Run({"contacts", "order", byFirst}).out, "1 (first name)\n");
}

TEST_F(ToolContactsTest, RepairMendsSortsAndCountsWhatItDid) {
  std::string truncated = Person("Truncated");
  truncated.pop_back();  // the last string runs to the record's end
  std::string stray = ContactBuilder(true).Field(P_LAST, "Stray").Tail("xyz").Bytes();
  PdbBuilder b = ContactPdb(true);
  b.Record(Person("Young"), DIRTY, 1)
      .Record(truncated, DIRTY, 2)
      .Record(Person("Adams"), DIRTY | 2, 3)
      .Record("", DIRTY, 4)
      .Record(stray, DIRTY, 5)
      .Record(Person("Adams"), DIRTY | 2, 6);
  std::string path = Put("c.pdb", b.Bytes());
  ToolRun r = Run({"contacts", "repair", path, "--order", "0"});
  ASSERT_EQ(0, r.exitCode) << r.err;
  EXPECT_EQ(r.out,
            "order: 0 (last name)\nsorted: 6\ndupes: 1\nnulls: 1\nshortened: 1\nextended: 1\n");
  PdbImage image = Image(path);
  ASSERT_EQ(image.records.size(), 6u);
  std::vector<std::string> live;
  size_t deleted = 0;
  for (size_t i = 0; i < image.records.size(); i++) {
    bool gone = image.entries[i].attributes & DELETED;
    if (gone) {
      deleted++;
      continue;
    }
    EXPECT_EQ(deleted, 0u) << "live record behind a deleted one at " << i;
    live.push_back(LastNameOf(image.records[i]));
  }
  EXPECT_EQ(live, (std::vector<std::string>{"Adams", "Stray", "Truncated", "Young"}));
  EXPECT_EQ(deleted, 2u);
  for (size_t i = 0; i < live.size(); i++) {
    if (live[i] == "Truncated" || live[i] == "Stray") {
      EXPECT_EQ(Str(image.records[i]), Person(live[i]));
    }
  }
}

}  // namespace
