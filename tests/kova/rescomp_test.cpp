// The resource compiler, run as the built program on sources written by each
// test: tagged alerts checked byte for byte against the format, string
// blocks and escapes, menu bars, the two name tables, appending to an
// executable, loose files, and errors reported with file and line while
// nothing is written.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "kova_fixture.h"
#include "kova_res.h"
#include "res_store_image.h"

namespace {

class Rescomp : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    src_ = TempDir() + "/resources";
    out_ = TempDir() + "/out.res";
    std::filesystem::create_directories(src_);
  }
  void TearDown() override {
    RES_Close();
    KovaTest::TearDown();
  }
  void Source(const std::string& name, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(src_ + "/" + name).parent_path());
    WriteHostFile(src_ + "/" + name, Bytes(text.begin(), text.end()));
  }
  // Runs rescomp with `args`; returns its exit code, output in *log.
  static int Run(const std::string& args, std::string* log) {
    std::string cmd = std::string(BRANTEL_RESCOMP_PATH) + " " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    char buffer[512];
    log->clear();
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) log->append(buffer, n);
    int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int Build(std::string* log, const std::string& extra = "") {
    return Run("build --out " + out_ + " " + extra + " " + src_, log);
  }
  Bytes BuildOk() {
    std::string log;
    EXPECT_EQ(0, Build(&log)) << log;
    return ReadHostFile(out_);
  }
  static Bytes Find(const Bytes& store, FourCC type, uint32_t id) {
    Bytes found;
    for (const StoreEntry& e : ParseStore(store))
      if (e.type == type && e.id == id) found = BodyOf(store, e);
    return found;
  }
  std::string src_, out_;
};

// Format helpers: a keyword, a "#_" number, a chunk around contents.
void Word(Bytes* b, const char* w) { b->insert(b->end(), w, w + 4); }
void Num(Bytes* b, uint16_t v) { b->insert(b->end(), {'#', '_', uint8_t(v >> 8), uint8_t(v)}); }
void Text(Bytes* b, const std::string& s) {
  Word(b, "Text");
  b->insert(b->end(), s.begin(), s.end());
  do b->push_back(0);
  while (b->size() % 4 != 0);
}
Bytes ChunkOf(const char* tag, const Bytes& contents) {
  Bytes b;
  Word(&b, tag);
  Append32(&b, uint32_t(contents.size()));
  b.insert(b.end(), contents.begin(), contents.end());
  return b;
}

TEST_F(Rescomp, AlertIsWrittenTokenByToken) {
  Source("a.rc",
         "// an alert\n"
         "ALRT 5 Abcd {\n"
         "  Iden 5 Errr Dflt 0 Escp OKAY\n"
         "  Rect Auto 'AU P' Parw -4 - Parh 0x10 # : \n"
         "  TITL { Text \"Hi\" }\n"
         "  BTNS { Text \"&OK\" Text \"four\" }\n"
         "}\n");
  Bytes store = BuildOk();
  Bytes title, buttons, contents;
  Text(&title, "Hi");
  Text(&buttons, "&OK");
  Text(&buttons, "four");
  Word(&contents, "Iden");
  Num(&contents, 5);
  Word(&contents, "Errr");
  Word(&contents, "Dflt");
  Append32(&contents, 0);
  Word(&contents, "Escp");
  Word(&contents, "OKAY");
  Word(&contents, "Rect");
  Word(&contents, "Auto");
  Word(&contents, "AU P");
  Word(&contents, "Parw");
  Num(&contents, 0xFFFC);
  Word(&contents, "-___");
  Word(&contents, "Parh");
  Num(&contents, 16);
  Word(&contents, "#___");
  Word(&contents, ":___");
  Bytes t = ChunkOf("TITL", title), bt = ChunkOf("BTNS", buttons);
  contents.insert(contents.end(), t.begin(), t.end());
  contents.insert(contents.end(), bt.begin(), bt.end());
  EXPECT_EQ(Find(store, FCC("ALRT"), 5), ChunkOf("ALRT", contents));
}

TEST_F(Rescomp, StringsTakeBlocksAndEscapes) {
  Source("s.str",
         "// strings\n"
         "1 One! \"tab\\there \\\"q\\\" \\x97\"\n"
         "2 List <<\n"
         "first\n"
         "  second \\x41\n"
         "\n"
         ">>\n"
         "3 \"no name\"\n");
  Bytes store = BuildOk();
  EXPECT_EQ(Find(store, FCC("tSTR"), 1), TextBytes("tab\there \"q\" \x97"));
  EXPECT_EQ(Find(store, FCC("tSTR"), 2), TextBytes("first\n  second A\n"));
  EXPECT_EQ(Find(store, FCC("tSTR"), 3), TextBytes("no name"));
  Bytes table = Find(store, FCC("TTBL"), 1);
  EXPECT_EQ(table, StoreBuilder::NameTable({NameRow(FCC("tSTR"), FCC("One!"), 1),
                                            NameRow(FCC("tSTR"), FCC("List"), 2)}));
}

TEST_F(Rescomp, PlatformNamesGetTheirOwnShadowedTable) {
  Source("kova/forms.rc", "FORM 10000 Keyb { Iden 10000 }\n");
  Source("app.rc", "FORM 190 Main { Iden 190 }\ntver 1 Vers = text \"2.5\"\n");
  Bytes store = BuildOk();
  std::vector<StoreEntry> entries = ParseStore(store);
  ASSERT_GE(entries.size(), 5u);
  Bytes platformRows = StoreBuilder::NameTable({NameRow(FCC("FORM"), FCC("Keyb"), 10000)});
  // Rows of the full table are ordered by type, then id.
  Bytes allRows = StoreBuilder::NameTable({NameRow(FCC("FORM"), FCC("Main"), 190),
                                           NameRow(FCC("FORM"), FCC("Keyb"), 10000),
                                           NameRow(FCC("tver"), FCC("Vers"), 1)});
  EXPECT_EQ(entries.front().type, FCC("TTBL"));
  EXPECT_EQ(BodyOf(store, entries.front()), platformRows);
  EXPECT_EQ(entries[1].id, 10000u);  // the platform's own resources come first
  EXPECT_EQ(entries.back().type, FCC("TTBL"));
  EXPECT_EQ(BodyOf(store, entries.back()), allRows);
  ASSERT_EQ(0, RES_Open(out_.c_str()));
  EXPECT_EQ(RES_NameToId(RES_TYPE_FORM, FCC("Main")), 190u);
  EXPECT_EQ(RES_NameToId(RES_TYPE_VERSION, FCC("Vers")), 1u);
}

TEST_F(Rescomp, MenuBarLayout) {
  Source("m.rc",
         "MBAR 100 Main {\n"
         "  menu \"Rec\" { item NewI \"New\" key \"n\" separator item EXIT \"Quit\" }\n"
         "  menu \"Opt\" { item Pref \"Prefs\" }\n"
         "}\n"
         "MBAR 101 Full { menu \"Rec\" { item EXIT \"Quit\" } }\n");
  Bytes store = BuildOk();
  Bytes m = Find(store, FCC("MBAR"), 100);
  ASSERT_GE(m.size(), 4u + 16 + 64);
  EXPECT_EQ(Get16BE(&m[0]), 2);  // menus
  EXPECT_EQ(Get16BE(&m[2]), 4);  // items
  EXPECT_EQ(Get16BE(&m[4]), 0);  // menu 0: first item, count
  EXPECT_EQ(Get16BE(&m[6]), 3);
  EXPECT_EQ(Get16BE(&m[12]), 3);  // menu 1
  EXPECT_EQ(Get16BE(&m[14]), 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(&m[Read32(m, 8)]), "Rec");
  EXPECT_STREQ(reinterpret_cast<const char*>(&m[Read32(m, 16)]), "Opt");
  const uint8_t* item0 = &m[20];
  EXPECT_EQ(Read32(m, 20), FCC("NewI"));
  EXPECT_STREQ(reinterpret_cast<const char*>(&m[Read32(m, 28)]), "New");
  EXPECT_EQ(item0[12], 'N');
  EXPECT_EQ(m[20 + 16 + 13], 1) << "separator flag";
  EXPECT_EQ(Read32(m, 20 + 16 + 8), 0u) << "a separator has no label";
  uint32_t exitId = Read32(m, 20 + 32 + 4);
  Bytes other = Find(store, FCC("MBAR"), 101);
  EXPECT_EQ(Read32(other, 12 + 4), exitId) << "one id per item name";
  ASSERT_EQ(0, RES_Open(out_.c_str()));
  EXPECT_EQ(RES_IdToName(FCC("MITM"), exitId), FCC("EXIT"));
  EXPECT_EQ(RES_NameToId(FCC("MITM"), FCC("Pref")), Read32(m, 20 + 48 + 4));
}

TEST_F(Rescomp, ErrorsNameFileAndLineAndWriteNothing) {
  struct Case {
    const char* file;
    const char* text;
    const char* expected;
  } cases[] = {
      {"a.rc", "ALRT 1 Abcd {\n  Iden 1\n", "a.rc:1: error: '{' is never closed"},
      {"a.rc", "ALRT 1 Abcd {\n  Iden 70000 }\n", "a.rc:2: error: number 70000 does not fit"},
      {"a.rc", "\nALRT 1 Abcd { Iden abcdef }\n", "a.rc:2: error: 'abcdef' is not a four"},
      {"a.rc", "ALRT 1 Abcd {\n\n Text Iden }\n", "a.rc:3: error: the keyword Text needs"},
      {"a.rc", "ALRT 1 Abcd { Titl { } }\n", "a.rc:1: error: chunk tag 'Titl'"},
      {"a.rc", "ALRT 1 Abcd { }\nTTBL 1 = text \"x\"\n", "a.rc:2: error: the name table"},
      {"a.rc", "BMAP 1 Pict = png \"missing.png\" 32\n", "a.rc:1: error: "},
      {"a.rc", "TONE 1 = dtmf \"x\"\n", "a.rc:1: error: dtmf takes"},
      {"a.rc", "\n\nDATE 1 = sundial\n", "a.rc:3: error: unknown generator"},
      {"a.rc", "MBAR 1 Main { menu \"R\" { item Ab \"x\" } }\n", "a.rc:1: error: an item needs"},
      {"s.str", "1 Abcd \"a\\q\"\n", "s.str:1: error: unknown escape"},
      {"s.str", "\n1 Abcd \"caf\xc3\xa9\"\n", "s.str:2: error: a byte outside printable ASCII"},
      {"s.str", "1 Abcd <<\nline\n", "s.str:1: error: '<<' without a closing '>>'"},
      {"s.str", "70000 Abcd \"x\"\n", "s.str:1: error: a string starts with its id"},
      {"s.str", "1 Abcd \"x\"\n2 Abcd \"y\"\n", "s.str:2: error: tSTR name 'Abcd' is used twice"},
      {"s.str", "1 Abcd \"x\"\n1 Efgh \"y\"\n", "s.str:2: error: tSTR 1 is defined twice"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(src_);
    Source("ok.str", "9 Good \"fine\"\n");
    Source(c.file, c.text);
    WriteHostFile(out_, TextBytes("old store", false));
    std::string log;
    EXPECT_EQ(1, Build(&log)) << c.text;
    EXPECT_NE(log.find(src_ + "/" + c.expected), std::string::npos) << log;
    EXPECT_EQ(ReadHostFile(out_), TextBytes("old store", false)) << c.text;
  }
  for (const auto& entry : std::filesystem::directory_iterator(TempDir()))
    EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
}

TEST_F(Rescomp, DuplicatesAcrossFilesNameBothPlaces) {
  Source("a.str", "\n1 Same \"x\"\n");
  Source("b.str", "2 Same \"y\"\n");
  std::string log;
  EXPECT_EQ(1, Build(&log));
  EXPECT_NE(log.find(src_ + "/b.str:1: error: tSTR name 'Same' is used twice (first at " + src_ +
                     "/a.str:2)"),
            std::string::npos)
      << log;
  EXPECT_FALSE(HostFileExists(out_));
}

TEST_F(Rescomp, AppendRelocatesAndReplacesAnEarlierStore) {
  Source("s.str", "1 Abcd \"hello\"\n2 Efgh \"world\"\n");
  Bytes store = BuildOk();
  std::string exe = TempDir() + "/program";
  Bytes image = TextBytes(
      "\x7f"
      "ELF a program image of some length",
      false);
  WriteHostFile(exe, image);
  chmod(exe.c_str(), 0755);
  std::string log;
  ASSERT_EQ(0, Run("append " + exe + " " + out_, &log)) << log;
  Bytes once = ReadHostFile(exe);
  ASSERT_EQ(0, Run("append " + exe + " " + out_, &log)) << log;
  Bytes twice = ReadHostFile(exe);
  EXPECT_EQ(twice, once) << "the earlier store is replaced, not stacked";
  EXPECT_EQ(Bytes(once.begin(), once.begin() + long(image.size())), image);
  EXPECT_EQ(once.size(), image.size() + store.size());
  std::vector<StoreEntry> entries = ParseStore(once);
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries.front().offset, image.size());
  struct stat st;
  ASSERT_EQ(0, stat(exe.c_str(), &st));
  EXPECT_EQ(st.st_mode & 0777, 0755u);
  ASSERT_EQ(0, RES_Open(exe.c_str()));
  char text[16];
  EXPECT_EQ(0, RES_GetString(FCC("Efgh"), text, sizeof text));
  EXPECT_STREQ(text, "world");
  EXPECT_EQ(1, Run("append " + exe + " " + exe, &log)) << "an executable is no store file";
}

TEST_F(Rescomp, LooseFilesAreFoundWhenTheStoreLacksThem) {
  Source("s.str", "1000 Abcd \"loose text\"\n");
  std::string log;
  ASSERT_EQ(0, Build(&log, "--loose " + DataDir())) << log;
  EXPECT_EQ(ReadHostFile(DataDir() + "/bin/bin.eng/tSTR000003e8.bin"), TextBytes("loose text"));
  EXPECT_FALSE(RES_StoreLoaded());  // the fixture's program has no store
  char text[32];
  EXPECT_EQ(0, RES_GetString(1000, text, sizeof text));
  EXPECT_STREQ(text, "loose text");
}

}  // namespace
