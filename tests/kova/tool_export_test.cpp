// brantel-tool vcard and memo: cards of a database's contacts on standard
// output and in a file, placeholders for deleted contacts, memos appended on
// a copy of a real memo database, and the command-line errors.
#include <gtest/gtest.h>

#include "contact_builder.h"
#include "tool_fixture.h"

namespace {

class ToolExport : public ToolTest {
 protected:
  std::string Contacts() {
    PdbBuilder b = ContactPdb(true);
    b.Record(ContactBuilder(true).Field(0, "Ames").Field(42, "a;b").Bytes());
    b.Record(ContactBuilder(true).Field(0, "Gone").Bytes(), 0x80);  // deleted
    return Put("contacts.pdb", b.Bytes());
  }
  static std::string Card(const std::string& body) {
    return "BEGIN:VCARD\r\nVERSION:2.1\r\nX-PALM:4.0\r\n" + body + "END:VCARD\r\n";
  }
  static std::string ReadText(const std::string& path) {
    std::vector<uint8_t> b = ReadHostFile(path);
    return std::string(b.begin(), b.end());
  }
};

TEST_F(ToolExport, WritesOneCardOrEveryCard) {
  std::string path = Contacts();
  ToolRun one = Run({"vcard", path, "0"});
  ASSERT_EQ(0, one.exitCode) << one.err;
  EXPECT_EQ(Card("N:Ames;\r\nNOTE:a;b\r\n"), one.out);
  std::string out = TempDir() + "/all.vcf";
  ToolRun all = Run({"vcard", path, "all", out});
  ASSERT_EQ(0, all.exitCode) << all.err;
  EXPECT_EQ(Card("N:Ames;\r\nNOTE:a;b\r\n") + Card("N:;;\r\n"), ReadText(out));
  EXPECT_FALSE(HostFileExists(out + ".tmp"));
  EXPECT_EQ(1, Run({"vcard", path, "2"}).exitCode);
  EXPECT_EQ(2, Run({"vcard", path, "x"}).exitCode);
  EXPECT_EQ(2, Run({"vcard", path}).exitCode);
}

TEST_F(ToolExport, AddsMemosToAMemoDatabase) {
  std::vector<uint8_t> fixture = Fixture("jpilot_empty_MemoDB.pdb");
  std::string path = Put("memo.pdb", PdbBytes(fixture.begin(), fixture.end()));
  ASSERT_EQ(0, Run({"memo", path, "List", "one"}).exitCode);
  ASSERT_EQ(0, Run({"memo", path, "List", "+two"}).exitCode);
  ASSERT_EQ(0, Run({"memo", path, "List", "three", "--new"}).exitCode);
  PdbImage image = PdbParse(ReadHostFile(path));
  ASSERT_TRUE(image.ok) << image.error;
  ASSERT_EQ(2u, image.records.size());
  EXPECT_EQ(PdbStr(std::string("List\none+two") + '\0'), image.records[0]);
  EXPECT_EQ(PdbStr(std::string("List\nthree") + '\0'), image.records[1]);
  EXPECT_EQ(PdbParse(PdbBytes(fixture.begin(), fixture.end())).appInfo, image.appInfo);
  EXPECT_EQ(2, Run({"memo", path, "List"}).exitCode);
  EXPECT_EQ(2, Run({"memo", path, "List", "x", "--old"}).exitCode);
  EXPECT_EQ(1, Run({"memo", TempDir() + "/missing.pdb", "T", "x"}).exitCode);
}

}  // namespace
