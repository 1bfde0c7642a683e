// brantel-tool sort (build, list, check) run as the built program on a
// folder holding a small contact database: the table's records checked
// byte for byte against orders and keys worked out by hand from the names,
// the display list and its JSON, check finding each kind of damage, a
// damaged table rebuilt, and refused command lines.
#include <filesystem>
#include <string>
#include <vector>

#include "contact_builder.h"
#include "tool_fixture.h"

namespace {

constexpr const char* kTable = "Brantel Sort Table.PDB";

// Contact (last, first, company) with the on-disk attribute byte.
struct Person {
  const char* last;
  const char* first;
  const char* company;
  uint8_t attributes;
};

// Four contacts: 0 Cole Ann (category 2), 1 adams Bob (category 1),
// 2 Baker (no first name, category 2), 3 the company Acme alone (unfiled).
const std::vector<Person> kPeople = {{"Cole", "Ann", "", 0x02},
                                     {"adams", "Bob", "", 0x01},
                                     {"Baker", "", "", 0x02},
                                     {"", "", "Acme", 0x00}};

PdbBytes ContactFile(const std::vector<Person>& people) {
  PdbBuilder b = ContactPdb(true);
  uint32_t id = 0x100;
  for (const Person& p : people) {
    ContactBuilder c(true);
    if (p.last[0]) c.Field(0, p.last);
    if (p.first[0]) c.Field(1, p.first);
    if (p.company[0]) c.Field(2, p.company);
    b.Record(c.Record(), p.attributes, id++);
  }
  return b.Bytes();
}

// Little-endian 16-bit entries, padded to the record size for n contacts.
PdbBytes Entries(const std::vector<uint16_t>& v, size_t n) {
  PdbBytes out(((n + 99) / 100) * 200 + 8, 0);
  for (size_t i = 0; i < v.size(); i++) {
    out[2 * i] = uint8_t(v[i]);
    out[2 * i + 1] = uint8_t(v[i] >> 8);
  }
  return out;
}
uint16_t Key(char a, char b) { return uint16_t(uint8_t(a) | uint8_t(b) << 8); }

class ToolSort : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    folder_ = TempDir() + "/book";
    std::filesystem::create_directories(folder_);
    WriteHostFile(folder_ + "/ContactsDB-PAdd.PDB", ContactFile(kPeople));
  }
  ToolRun Sort(std::vector<std::string> args) {
    args.insert(args.begin(), "sort");
    return Run(args);
  }
  PdbImage Table() const { return PdbParse(ReadHostFile(folder_ + "/" + kTable)); }
  void WriteTable(const PdbBytes& bytes) { WriteHostFile(folder_ + "/" + kTable, bytes); }
  // The table as it is, with record `r` replaced.
  PdbBytes TableWith(uint16_t r, const PdbBytes& data) const {
    PdbImage im = Table();
    PdbBuilder b;
    for (size_t i = 0; i < im.records.size(); i++) b.Record(i == r ? data : im.records[i]);
    return b.Bytes();
  }
  // Runs check and expects it to fail naming `what`.
  void ExpectCheckFinds(const std::string& what) {
    ToolRun r = Sort({"check", folder_});
    EXPECT_EQ(1, r.exitCode) << r.out << r.err;
    EXPECT_NE(std::string::npos, r.out.find(what)) << r.out;
  }
  std::string folder_;
};

TEST_F(ToolSort, BuildWritesOrdersKeysAttributesAndCategoriesByteForByte) {
  ToolRun r = Sort({"build", folder_});
  ASSERT_EQ(0, r.exitCode) << r.err;
  EXPECT_EQ(0u, r.out.find("result: 0 (built)\nrecover: ")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("\nsort3: ")) << r.out;
  PdbImage im = Table();
  ASSERT_TRUE(im.ok) << im.error;
  ASSERT_EQ(11u, im.records.size());
  for (const PdbBytes& rec : im.records) EXPECT_EQ(208u, rec.size());
  // Last name: adams, Baker, Cole, then the nameless Acme.
  EXPECT_EQ(im.records[0], Entries({1, 2, 0, 3}, 4));
  // First name: Ann, Baker (no first name: its last name), Bob, Acme.
  EXPECT_EQ(im.records[2], Entries({0, 2, 1, 3}, 4));
  // Company: Acme, then the others by last name.
  EXPECT_EQ(im.records[4], Entries({3, 1, 2, 0}, 4));
  const uint16_t none = Key('\xFF', '\xFF');
  EXPECT_EQ(im.records[1], Entries({Key('C', 'O'), Key('A', 'D'), Key('B', 'A'), none}, 4));
  EXPECT_EQ(im.records[3], Entries({Key('A', 'N'), Key('B', 'O'), Key('B', 'A'), none}, 4));
  EXPECT_EQ(im.records[5], Entries({none, none, none, Key('A', 'C')}, 4));
  EXPECT_EQ(im.records[6], Entries({0, 0, 0, 0}, 4));
  EXPECT_EQ(im.records[7], Entries({0x0002, 0x0001, 0x0002, 0}, 4));
  // The display list is marked invalid with the record total.
  EXPECT_EQ(im.records[10][0], 0xFF);
  EXPECT_EQ(im.records[10][1], 0xFF);
  EXPECT_EQ(im.records[10][4], 0xFF);
  EXPECT_EQ(im.records[10][6], 4);
  EXPECT_EQ(im.records[10][7], 0);
}

TEST_F(ToolSort, ASecondBuildFindsTheTableValidAndCheckPasses) {
  ASSERT_EQ(0, Sort({"build", folder_}).exitCode);
  ToolRun r = Sort({"build", folder_});
  EXPECT_EQ(0u, r.out.find("result: -1 (valid, left alone)")) << r.out;
  r = Sort({"check", folder_});
  EXPECT_EQ(0, r.exitCode) << r.out;
  EXPECT_EQ("ok: the table matches 4 contacts\n", r.out);
  r = Sort({"build", folder_, "--mode", "1"});
  EXPECT_EQ(0u, r.out.find("result: 0 (built)")) << r.out;
}

TEST_F(ToolSort, ListPrintsTheDisplayListAndItsNames) {
  ToolRun r = Sort({"list", folder_, "--order", "0", "--category", "-1"});
  ASSERT_EQ(0, r.exitCode) << r.err;
  EXPECT_EQ("1\n2\n0\n3\n", r.out);
  r = Sort({"list", folder_, "--order", "2", "--category", "2"});
  EXPECT_EQ("2\n0\n", r.out);  // category 2, by company: both without one, by last name
  r = Sort({"list", folder_, "--order", "1", "--category", "0"});
  EXPECT_EQ("3\n", r.out);
  r = Sort({"list", folder_, "--order", "0", "--category", "1", "--json"});
  JsonValue v;
  ASSERT_TRUE(JsonParse(r.out, &v)) << r.out;
  EXPECT_EQ(v["count"].number, 1);
  EXPECT_EQ(v["category"].number, 1);
  ASSERT_EQ(v["rows"].items.size(), 1u);
  EXPECT_EQ(v["rows"].items[0]["index"].number, 1);
  EXPECT_NE(std::string::npos, v["rows"].items[0]["name"].text.find("adams")) << r.out;
  // The list is stored in record 10: order 0, category 1, count 1, total 4.
  PdbBytes list = Table().records[10];
  EXPECT_EQ(PdbBytes(list.begin(), list.begin() + 10), (PdbBytes{0, 0, 1, 0, 1, 0, 4, 0, 1, 0}));
  EXPECT_EQ(0, Sort({"check", folder_}).exitCode);
}

TEST_F(ToolSort, CheckFindsEveryKindOfDamage) {
  ASSERT_EQ(0, Sort({"build", folder_}).exitCode);
  PdbBytes good = ReadHostFile(folder_ + "/" + kTable);
  WriteTable(TableWith(0, Entries({2, 1, 0, 3}, 4)));
  ExpectCheckFinds("order 1: contacts 2 and 1 at positions 0 and 1 are out of order");
  WriteTable(TableWith(2, Entries({0, 2, 2, 3}, 4)));
  ExpectCheckFinds("order 2: position 2 holds 2 (a duplicate)");
  WriteTable(TableWith(4, Entries({3, 1, 9, 0}, 4)));
  ExpectCheckFinds("order 3: position 2 holds 9 (out of range)");
  WriteTable(TableWith(1, Entries({Key('C', 'O'), Key('A', 'E'), Key('B', 'A'), 0xFFFF}, 4)));
  ExpectCheckFinds("contact 1: key of order 1");
  WriteTable(TableWith(6, Entries({0, 1, 0, 0}, 4)));
  ExpectCheckFinds("contact 1: attributes 1, the contact has 0");
  WriteTable(TableWith(7, Entries({2, 1, 2, 4}, 4)));
  ExpectCheckFinds("contact 3: category bits 0x0004");
  WriteTable(TableWith(9, PdbBytes(206, 0)));
  ExpectCheckFinds("record 9 has 206 bytes, not 208");
  WriteTable(PdbBuilder().Record("x").Bytes());
  ExpectCheckFinds("the table has 1 records, not 11");
  WriteTable(good);
  EXPECT_EQ(0, Sort({"check", folder_}).exitCode);
}

TEST_F(ToolSort, CheckFindsAListOutOfStepWithItsOrder) {
  ASSERT_EQ(0, Sort({"list", folder_, "--order", "0", "--category", "2"}).exitCode);
  PdbBytes list = Table().records[10];
  std::swap(list[8], list[10]);  // entries 0 and 2 of the list swapped: out of sort order
  WriteTable(TableWith(10, list));
  ExpectCheckFinds("display list: entry 1 (contact 2) is out of sort order");
}

TEST_F(ToolSort, BuildRepairsADamagedTable) {
  ASSERT_EQ(0, Sort({"build", folder_}).exitCode);
  // Right sizes, but an order with duplicates and a value out of range.
  WriteTable(TableWith(0, Entries({3, 3, 3, 7}, 4)));
  ToolRun r = Sort({"build", folder_});
  EXPECT_EQ(0u, r.out.find("result: 0 (built)")) << r.out;
  EXPECT_EQ(0, Sort({"check", folder_}).exitCode);
  WriteTable(TableWith(10, Entries({0, 0, 50, 0}, 4)));  // list count past the total
  ASSERT_EQ(0, Sort({"build", folder_}).exitCode);
  EXPECT_EQ(0, Sort({"check", folder_}).exitCode);
  WriteTable(PdbBytes(100, 0xAB));
  r = Sort({"build", folder_});
  EXPECT_EQ(0, r.exitCode) << r.err;
  EXPECT_EQ(0, Sort({"check", folder_}).exitCode);
  r = Sort({"build", folder_, "--mode", "3"});
  EXPECT_EQ(0u, r.out.find("result: 0 (built)")) << r.out;
  EXPECT_EQ(0, Sort({"check", folder_}).exitCode);
}

TEST_F(ToolSort, CheckWithoutATableFails) {
  ToolRun r = Sort({"check", folder_});
  EXPECT_EQ(1, r.exitCode);
  EXPECT_NE(std::string::npos, r.err.find("cannot read Brantel Sort Table.PDB")) << r.err;
  EXPECT_FALSE(HostFileExists(folder_ + "/" + kTable));
}

TEST_F(ToolSort, RefusesBadCommandLinesAndFolders) {
  EXPECT_EQ(2, Sort({}).exitCode);
  EXPECT_EQ(2, Sort({"frob", folder_}).exitCode);
  EXPECT_EQ(2, Sort({"build"}).exitCode);
  EXPECT_EQ(2, Sort({"build", folder_, "--mode", "4"}).exitCode);
  EXPECT_EQ(2, Sort({"list", folder_, "--order", "3"}).exitCode);
  EXPECT_EQ(2, Sort({"list", folder_, "--category", "16"}).exitCode);
  EXPECT_EQ(2, Sort({"check", folder_, "--json"}).exitCode);
  EXPECT_EQ(2, Sort({"check", folder_, folder_}).exitCode);
  EXPECT_FALSE(HostFileExists(folder_ + "/" + kTable));
  ToolRun r = Sort({"build", TempDir() + "/missing"});
  EXPECT_EQ(1, r.exitCode);
  EXPECT_NE(std::string::npos, r.err.find("no such folder")) << r.err;
  std::filesystem::create_directories(TempDir() + "/empty");
  r = Sort({"build", TempDir() + "/empty"});
  EXPECT_EQ(1, r.exitCode);
  EXPECT_NE(std::string::npos, r.err.find("no contact database")) << r.err;
  EXPECT_FALSE(HostFileExists(TempDir() + "/empty/" + kTable));
}

}  // namespace
