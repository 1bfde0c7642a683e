// brantel-tool's `pdb info` and `pdb check`, run as the built program: the
// JSON and text listings checked against the byte builder's layout and
// against the real handheld files (parsed independently), the check on sound
// files, damaged files (with the reason named) and files that are no
// database. The editing verbs are in tool_edit_test.cpp.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tool_fixture.h"

namespace {

// The JSON record list checked against an independently parsed image.
void ExpectListMatches(const JsonValue& info, const PdbImage& image) {
  const JsonValue& records = info["records"];
  ASSERT_EQ(records.items.size(), image.entries.size());
  for (size_t i = 0; i < image.entries.size(); i++) {
    const JsonValue& r = records.items[i];
    EXPECT_EQ(r["index"].number, double(i));
    EXPECT_EQ(r["offset"].number, image.entries[i].offset) << i;
    EXPECT_EQ(r["size"].number, image.records[i].size()) << i;
    if (image.resource) {
      EXPECT_EQ(r["id"].number, image.entries[i].id) << i;
    } else {
      uint8_t disk = image.entries[i].attributes;
      double internal = ((disk & 0x80) ? 1 : 0) + ((disk & 0x10) ? 2 : 0) + ((disk & 0x40) ? 4 : 0);
      EXPECT_EQ(r["attributes"].number, internal) << i;
      EXPECT_EQ(r["category"].number, disk & 0x0F) << i;
      EXPECT_EQ(r["uniqueId"].number, image.entries[i].uniqueId) << i;
    }
  }
}

// --- info ---------------------------------------------------------------

TEST_F(ToolTest, InfoJsonMatchesTheBuilderLayout) {
  PdbBytes bytes = ToolThreeRecords()
                       .Attributes(0x0008 | 0x0100)  // backup, hidden
                       .Version(3)
                       .Created(0xC0000001)
                       .Modified(0xC0000002)
                       .BackedUp(7)
                       .Type("DATA")
                       .Creator("addr")
                       .Bytes();
  PdbImage image = PdbParse(bytes);
  ASSERT_TRUE(image.ok);
  JsonValue info = Info(Put("c.pdb", bytes));
  EXPECT_EQ(info["name"].text, "Contacts");
  EXPECT_EQ(info["type"].text, "DATA");
  EXPECT_EQ(info["creator"].text, "addr");
  EXPECT_EQ(info["attributes"].number, 0x0002 | 0x0040);
  EXPECT_EQ(info["version"].number, 3);
  EXPECT_EQ(info["created"].number, 0xC0000001u);
  EXPECT_EQ(info["modified"].number, 0xC0000002u);
  EXPECT_EQ(info["backedUp"].number, 7);
  EXPECT_EQ(info["appInfoOffset"].number, image.appInfoOffset);
  EXPECT_EQ(info["sortInfoOffset"].number, image.sortInfoOffset);
  EXPECT_NE(image.sortInfoOffset, 0u);
  EXPECT_EQ(info["kind"].text, "Palm");
  EXPECT_EQ(info["format"].number, 1);
  ExpectListMatches(info, image);
  // 0xB3: deleted, busy (never reported), secret, category 3.
  EXPECT_EQ(info["records"].items[2]["attributes"].number, 3);
  EXPECT_EQ(info["records"].items[2]["category"].number, 3);
}

TEST_F(ToolTest, InfoListsResourcesWithTypeAndId) {
  PdbBytes bytes = PdbBuilder()
                       .Resource("tSTR", 1000, "hello")
                       .Resource("Tbmp", 7, "")
                       .Resource("code", 1, "x")
                       .Bytes();
  JsonValue info = Info(Put("r.prc", bytes));
  EXPECT_EQ(info["format"].number, 2);
  ExpectListMatches(info, PdbParse(bytes));
  EXPECT_EQ(info["records"].items[1]["type"].text, "Tbmp");
  EXPECT_EQ(info["records"].items[0]["type"].text, "tSTR");
  EXPECT_EQ(info["records"].items[0].fields.count("uniqueId"), 0u);
}

TEST_F(ToolTest, InfoOfEveryRealFileMatchesItsBytes) {
  for (const std::string& name : ToolRealFiles()) {
    SCOPED_TRACE(name);
    PdbBytes bytes = Fixture(name);
    PdbImage image = PdbParse(bytes);
    ASSERT_TRUE(image.ok);
    JsonValue info = Info(Put(name, bytes));
    EXPECT_EQ(info["name"].text, image.name);
    EXPECT_EQ(info["appInfoOffset"].number, image.appInfoOffset);
    ExpectListMatches(info, image);
    ToolRun text = Run({"pdb", "info", TempDir() + "/" + name});
    EXPECT_EQ(0, text.exitCode);
    EXPECT_NE(text.out.find("records         " + std::to_string(image.count) + "\n"),
              std::string::npos)
        << text.out;
  }
}

TEST_F(ToolTest, InfoEscapesNameBytesAndReportsOtherKinds) {
  JsonValue info = Info(Put("n.pdb", PdbBuilder().Name("Caf\xE9 \"q\"\x01").Record("a").Bytes()));
  EXPECT_EQ(info["name"].text, "Caf\xE9 \"q\"\x01");  // one code point per byte
  PdbBytes riff = PdbStr("RIFF....WAVEfmt ");
  riff.resize(120, 0);
  JsonValue sound = Info(Put("s.wav", riff));
  EXPECT_EQ(sound["kind"].text, "Riff");
  EXPECT_EQ(sound["type"].text, "WAVE");
  EXPECT_EQ(sound["records"].items.size(), 0u);
  JsonValue empty = Info(Put("e.bin", {}));
  EXPECT_TRUE(empty["kind"].isNull());
}

// --- check --------------------------------------------------------------

TEST_F(ToolTest, CheckPassesSoundFiles) {
  for (const std::string& name : ToolRealFiles()) {
    ToolRun r = Run({"pdb", "check", Put(name, Fixture(name))});
    EXPECT_EQ(0, r.exitCode) << name << r.err;
    EXPECT_NE(r.out.find(": ok"), std::string::npos) << r.out;
  }
}

TEST_F(ToolTest, CheckRefusesDamagedFilesAndSaysWhy) {
  PdbBytes good = ToolThreeRecords().Bytes();
  PdbImage image = PdbParse(good);
  struct Case {
    const char* name;
    size_t at;  // a 32-bit field to overwrite
    uint32_t value;
    const char* says;
  } cases[] = {
      {"past-end.pdb", 78 + 8 * 1, uint32_t(good.size() + 1), "past the end"},
      {"falling.pdb", 78 + 8 * 2, image.entries[1].offset - 1, "below record 1"},
      {"in-list.pdb", 78, 80, "inside the record list"},
      {"app-info.pdb", 52, uint32_t(good.size()), "application-info"},
  };
  for (const Case& c : cases) {
    PdbBytes bad = good;
    for (int i = 0; i < 4; i++) bad[c.at + i] = uint8_t(c.value >> (24 - 8 * i));
    std::string path = Put(c.name, bad);
    ToolRun r = Run({"pdb", "check", path});
    EXPECT_EQ(1, r.exitCode) << c.name;
    EXPECT_EQ(0u, r.err.find("brantel-tool: " + path + ": damaged database: ")) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(1, Run({"pdb", "info", path, "--json"}).exitCode);
    EXPECT_EQ(bad, ReadHostFile(path));
  }
  PdbBytes longList = ToolThreeRecords().StoredCount(500).Bytes();
  ToolRun r = Run({"pdb", "check", Put("count.pdb", longList)});
  EXPECT_EQ(1, r.exitCode);
  EXPECT_NE(r.err.find("runs past the end"), std::string::npos) << r.err;
}

TEST_F(ToolTest, CheckRefusesFilesThatAreNoDatabase) {
  EXPECT_EQ(1, Run({"pdb", "check", Put("e.pdb", {})}).exitCode);
  EXPECT_EQ(1, Run({"pdb", "check", Put("s.bin", PdbStr("short"))}).exitCode);
  ToolRun missing = Run({"pdb", "check", TempDir() + "/missing.pdb"});
  EXPECT_EQ(1, missing.exitCode);
  EXPECT_NE(missing.err.find("no such file"), std::string::npos);
  EXPECT_EQ(1, Run({"pdb", "check", TempDir()}).exitCode);
  EXPECT_EQ(1, Run({"pdb", "check", "/dev/null"}).exitCode);
}

}  // namespace
