// brantel-tool's editing verbs (insert, resize, delete, move, write, attr,
// sort), run as the built program: each change checked in the file's bytes
// parsed independently; real files survive an insert and a delete byte for
// byte; refused arguments, damaged and foreign files leave the file as it
// was; the tool starts without a usable home and never crashes on
// scrambled files.
#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tool_fixture.h"

namespace {

std::vector<uint32_t> Sizes(const PdbImage& image) { return PdbRecordSizes(image); }

std::string Data(const PdbImage& image, size_t i) {
  return std::string(image.records[i].begin(), image.records[i].end());
}

TEST_F(ToolTest, InsertAddsZeroedRecordsAndKeepsTheInfoBlocks) {
  std::string path = Put("c.pdb", ToolThreeRecords().Bytes());
  PdbImage image = Edit({"pdb", "insert", path, "1", "4", "2"}, path);
  EXPECT_EQ(Sizes(image), (std::vector<uint32_t>{5, 4, 4, 2, 6}));
  EXPECT_EQ(Data(image, 1), std::string(4, '\0'));
  EXPECT_EQ(Data(image, 2), std::string(4, '\0'));
  EXPECT_EQ(Data(image, 0), "alpha");
  EXPECT_EQ(Data(image, 3), "be");
  EXPECT_EQ(image.entries[1].attributes, 0);
  EXPECT_EQ(image.entries[1].uniqueId, 0u);
  EXPECT_EQ(image.entries[3].attributes, 0x05);
  EXPECT_EQ(image.entries[3].uniqueId, 0x102u);
  EXPECT_EQ(image.appInfo, PdbStr("categories"));
  EXPECT_EQ(image.sortInfo, PdbStr("order"));
  image = Edit({"pdb", "insert", path, "5", "3"}, path);  // at the count: appends
  EXPECT_EQ(Sizes(image), (std::vector<uint32_t>{5, 4, 4, 2, 6, 3}));
  EXPECT_EQ(Data(image, 5), std::string(3, '\0'));
}

TEST_F(ToolTest, ResizeGrowsWithZerosAndShrinks) {
  std::string path = Put("c.pdb", ToolThreeRecords().Bytes());
  PdbImage image = Edit({"pdb", "resize", path, "1", "5"}, path);
  EXPECT_EQ(Data(image, 1), std::string("be\0\0\0", 5));
  image = Edit({"pdb", "resize", path, "0", "2"}, path);
  EXPECT_EQ(Data(image, 0), "al");
  EXPECT_EQ(Data(image, 2), "gamma!");
  image = Edit({"pdb", "resize", path, "2", "0"}, path);
  EXPECT_EQ(Sizes(image), (std::vector<uint32_t>{2, 5, 0}));
}

TEST_F(ToolTest, DeleteAndMoveCarryEntriesWithTheirData) {
  std::string path = Put("c.pdb", ToolThreeRecords().Bytes());
  PdbImage image = Edit({"pdb", "move", path, "0", "1", "2"}, path);
  EXPECT_EQ(Data(image, 0), "gamma!");
  EXPECT_EQ(Data(image, 1), "alpha");
  EXPECT_EQ(Data(image, 2), "be");
  EXPECT_EQ(image.entries[0].attributes, 0xB3);
  EXPECT_EQ(image.entries[0].uniqueId, 0xABCDEFu);
  EXPECT_EQ(image.entries[2].uniqueId, 0x102u);
  image = Edit({"pdb", "delete", path, "0", "2"}, path);
  ASSERT_EQ(image.count, 1);
  EXPECT_EQ(Data(image, 0), "be");
  EXPECT_EQ(image.entries[0].attributes, 0x05);
  EXPECT_EQ(image.sortInfo, PdbStr("order"));
}

TEST_F(ToolTest, WriteAndAttrChangeOnlyWhatTheyName) {
  std::string path =
      Put("c.pdb", PdbBuilder().Record("alpha", 0x40, 1).Record("busy", 0x27, 2).Bytes());
  PdbImage image = Edit({"pdb", "write", path, "0", "1", "FF00"}, path);
  EXPECT_EQ(Data(image, 0), std::string("a\xFF\0ha", 5));
  EXPECT_EQ(Data(image, 1), "busy");
  image = Edit({"pdb", "attr", path, "0", "7", "9"}, path);
  EXPECT_EQ(image.entries[0].attributes, 0x80 | 0x40 | 0x10 | 9);
  EXPECT_EQ(image.entries[0].uniqueId, 1u);
  image = Edit({"pdb", "attr", path, "1", "0x1", "0"}, path);  // busy 0x20 stays
  EXPECT_EQ(image.entries[1].attributes, 0x80 | 0x20);
  EXPECT_EQ(Data(image, 1), "busy");
}

TEST_F(ToolTest, SortOrdersUnsignedBytesPrefixFirstAndKeepsEqualOrder) {
  struct Rec {
    std::string data;
    uint32_t uid;
  };
  std::mt19937 rng(7);
  std::vector<Rec> recs = {{"b", 1}, {"\x80", 2}, {"ab", 3}, {"a", 4}, {"b", 5}, {"", 6}};
  for (uint32_t i = 0; i < 60; i++) {  // more than one batch of twenty
    std::string d(rng() % 4, '\0');
    for (char& c : d) c = char("\x00\x01\x7F\x80\xFF"[rng() % 5]);
    recs.push_back({d, 100 + i});
  }
  PdbBuilder builder;
  for (const Rec& r : recs) builder.Record(r.data, uint8_t(r.uid & 0x0F), r.uid);
  std::string path = Put("s.pdb", builder.AppInfo("app").Bytes());
  PdbImage image = Edit({"pdb", "sort", path}, path);
  std::stable_sort(recs.begin(), recs.end(), [](const Rec& a, const Rec& b) {
    return std::lexicographical_compare(a.data.begin(), a.data.end(), b.data.begin(), b.data.end(),
                                        [](char x, char y) { return uint8_t(x) < uint8_t(y); });
  });
  ASSERT_EQ(image.entries.size(), recs.size());
  for (size_t i = 0; i < recs.size(); i++) {
    EXPECT_EQ(Data(image, i), recs[i].data) << i;
    EXPECT_EQ(image.entries[i].uniqueId, recs[i].uid) << i;
    EXPECT_EQ(image.entries[i].attributes, recs[i].uid & 0x0F) << i;
  }
  EXPECT_EQ(image.appInfo, PdbStr("app"));
}

TEST_F(ToolTest, RealFilesSurviveInsertThenDelete) {
  for (const std::string& name : ToolRealFiles()) {
    SCOPED_TRACE(name);
    PdbBytes original = Fixture(name);
    std::string path = Put(name, original);
    std::string at = std::to_string(PdbParse(original).count / 2);
    PdbImage grown = Edit({"pdb", "insert", path, at, "13", "2"}, path);
    EXPECT_EQ(grown.count, PdbParse(original).count + 2);
    EXPECT_EQ(0, Run({"pdb", "check", path}).exitCode);
    Edit({"pdb", "delete", path, at, "2"}, path);
    EXPECT_EQ(ReadHostFile(path), original);
  }
}

TEST_F(ToolTest, RefusedArgumentsLeaveTheFileUntouched) {
  PdbBytes original = ToolThreeRecords().Bytes();
  std::string p = Put("c.pdb", original);
  struct Case {
    std::vector<std::string> args;
    int code;
  } cases[] = {
      {{}, 2},
      {{"pdb"}, 2},
      {{"frob", p}, 2},
      {{"pdb", "frob", p}, 2},
      {{"pdb", "insert", p, "1"}, 2},
      {{"pdb", "insert", p, "1", "2", "3", "4"}, 2},
      {{"pdb", "insert", p, "-1", "2"}, 2},
      {{"pdb", "insert", p, "1", "4294967296"}, 2},  // would wrap to 0
      {{"pdb", "insert", p, "65536", "1"}, 2},
      {{"pdb", "insert", p, "1", "1", "0"}, 2},
      {{"pdb", "insert", p, "1x", "1"}, 2},
      {{"pdb", "delete", p, " 1"}, 2},
      {{"pdb", "write", p, "0", "0", "abc"}, 2},
      {{"pdb", "write", p, "0", "0", "zz"}, 2},
      {{"pdb", "write", p, "0", "0", ""}, 2},
      {{"pdb", "attr", p, "0", "8", "0"}, 2},
      {{"pdb", "attr", p, "0", "1", "16"}, 2},
      {{"pdb", "sort", p, "extra"}, 2},
      {{"pdb", "check", p, "--json"}, 2},
      {{"pdb", "insert", p, "4", "1"}, 1},  // past the count (3 appends)
      {{"pdb", "insert", p, "0", "1", "65533"}, 1},
      {{"pdb", "insert", p, "0", "0x7FFFFFF0"}, 1},
      {{"pdb", "resize", p, "3", "1"}, 1},
      {{"pdb", "resize", p, "0", "0xFFFFFFFF"}, 1},
      {{"pdb", "delete", p, "3"}, 1},
      {{"pdb", "delete", p, "2", "2"}, 1},
      {{"pdb", "move", p, "0", "2", "2"}, 1},
      {{"pdb", "move", p, "2", "0", "2"}, 1},
      {{"pdb", "write", p, "1", "1", "0102"}, 1},  // "be" has two bytes
      {{"pdb", "write", p, "9", "0", "01"}, 1},
      {{"pdb", "attr", p, "3", "0", "0"}, 1},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    SCOPED_TRACE(line);
    ToolRun r = Run(c.args);
    EXPECT_EQ(c.code, r.exitCode) << r.err;
    EXPECT_EQ("", r.out);
    std::string prefix = c.code == 1 ? "brantel-tool: " + p + ": " : "";
    EXPECT_EQ(0u, r.err.find(prefix)) << r.err;
    EXPECT_GT(r.err.size(), prefix.size());
    EXPECT_EQ(ReadHostFile(p), original);
  }
}

TEST_F(ToolTest, EditsRefuseDamagedForeignAndMissingFiles) {
  PdbBytes damaged = ToolThreeRecords().StoredCount(40).Bytes();
  std::string bad = Put("bad.pdb", damaged), empty = Put("empty.pdb", {});
  EXPECT_EQ(1, Run({"pdb", "insert", bad, "0", "1"}).exitCode);
  EXPECT_EQ(1, Run({"pdb", "sort", bad}).exitCode);
  EXPECT_EQ(ReadHostFile(bad), damaged);
  // The database layer would give an empty file a fresh header: not here.
  EXPECT_EQ(1, Run({"pdb", "insert", empty, "0", "1"}).exitCode);
  EXPECT_TRUE(ReadHostFile(empty).empty());
  std::string missing = TempDir() + "/missing.pdb";
  EXPECT_EQ(1, Run({"pdb", "insert", missing, "0", "1"}).exitCode);
  EXPECT_FALSE(HostFileExists(missing));
  EXPECT_EQ(1, Run({"pdb", "attr", Put("r.prc", PdbBuilder().Resource("tSTR", 1, "x").Bytes()), "0",
                    "1", "0"})
                   .exitCode);
}

TEST_F(ToolTest, HelpAndStartWithoutAUsableHome) {
  ToolRun help = Run({"--help"});
  EXPECT_EQ(0, help.exitCode);
  EXPECT_NE(help.out.find("pdb insert FILE INDEX SIZE [COUNT]"), std::string::npos);
  std::string path = Put("c.pdb", ToolThreeRecords().Bytes());
  // No HOME: the documents folder comes from the user-dirs file.
  std::string config = TempDir() + "/config", docs = TempDir() + "/docs";
  std::filesystem::create_directories(config);
  WriteHostFile(config + "/user-dirs.dirs", PdbStr("XDG_DOCUMENTS_DIR=\"" + docs + "\"\n"));
  ToolRun noHome = Run({"pdb", "check", path}, {"XDG_CONFIG_HOME=" + config});
  EXPECT_EQ(0, noHome.exitCode) << noHome.err;
  EXPECT_TRUE(HostFileExists(docs + "/brantel"));
  // A home where nothing can be created: a temporary folder stands in and
  // is gone afterwards.
  std::string tmp = TempDir() + "/tmp";
  std::filesystem::create_directories(tmp);
  ToolRun badHome = Run({"pdb", "insert", path, "0", "1"},
                        {"HOME=/proc/no-such-home", "XDG_CONFIG_HOME=/proc/none", "TMPDIR=" + tmp});
  EXPECT_EQ(0, badHome.exitCode) << badHome.err;
  EXPECT_EQ(PdbParse(ReadHostFile(path)).count, 4);
  EXPECT_TRUE(std::filesystem::is_empty(tmp));
}

TEST_F(ToolTest, ScrambledFilesNeverCrashTheTool) {
  std::mt19937 rng(11);
  const PdbBytes base = ToolThreeRecords().Bytes();
  for (int round = 0; round < 40; round++) {
    PdbBytes bytes = base;
    for (int k = 0; k < 3; k++) bytes[rng() % 130] = uint8_t(rng());
    if (round % 5 == 4) bytes.resize(rng() % bytes.size());
    std::string path = Put(round % 2 ? "x.pdb" : "x.bin", bytes);
    SCOPED_TRACE(round);
    ToolRun info = Run({"pdb", "info", path, "--json"});
    ASSERT_TRUE(info.exitCode == 0 || info.exitCode == 1) << info.exitCode;
    JsonValue parsed;
    if (info.exitCode == 0) {
      EXPECT_TRUE(JsonParse(info.out, &parsed)) << info.out;
    }
    int check = Run({"pdb", "check", path}).exitCode;
    ASSERT_TRUE(check == 0 || check == 1);
    ToolRun insert = Run({"pdb", "insert", path, "0", "2"});
    ASSERT_TRUE(insert.exitCode == 0 || insert.exitCode == 1) << insert.err;
    if (insert.exitCode == 1) {
      EXPECT_EQ(ReadHostFile(path), bytes);
    } else {
      EXPECT_EQ(0, check) << "an edit went through on a refused file";
    }
  }
}

}  // namespace
