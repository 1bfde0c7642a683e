// The resource store the build makes from resources/: its layout, every entry
// read back through the reader (standalone and appended to the program), the
// texts the program relies on, well-formed alerts, the empty database
// templates compared with real handheld databases, and the touch tones
// decoded with a Goertzel filter.
#include <png.h>

#include <cmath>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "kova_fixture.h"
#include "kova_res.h"
#include "res_store_image.h"

namespace {

class ResStore : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    store_ = ReadHostFile(BRANTEL_RES_STORE);
    ASSERT_FALSE(store_.empty());
    ASSERT_EQ(0, RES_Open(BRANTEL_RES_STORE));
  }
  void TearDown() override {
    RES_Close();
    KovaTest::TearDown();
  }
  Bytes Get(FourCC type, uint32_t idOrName) {
    ResHandle h = nullptr;
    if (RES_Get(&h, type, idOrName) != 0) return {};
    Bytes b(RES_Data(h), RES_Data(h) + RES_Size(h));
    RES_Release(&h);
    return b;
  }
  std::string Text(uint32_t name) {
    char buffer[1024];
    return RES_GetString(name, buffer, sizeof buffer) == 0 ? buffer : "<missing>";
  }
  Bytes store_;
};

// A walk over a tagged chunk's tokens, written from the format: keywords,
// "#_" numbers and operators are 4 bytes; "Text" is followed by a string
// padded to 4 bytes; "Dflt"/"Escp" by a raw 4-byte value; four upper-case
// letters by a length and a nested chunk.
struct Chunk {
  std::string tag;
  std::vector<std::string> texts;
  std::vector<Chunk> children;
  std::vector<std::string> words;
};

bool IsChunkTag(const Bytes& b, size_t at) {
  for (size_t i = 0; i < 4; i++)
    if (b[at + i] < 'A' || b[at + i] > 'Z') return false;
  return true;
}

bool ReadChunk(const Bytes& b, size_t at, size_t end, Chunk* out) {
  if (at + 8 > end) return false;
  out->tag = std::string(b.begin() + at, b.begin() + at + 4);
  size_t stop = at + 8 + Read32(b, at + 4);
  if (stop > end) return false;
  for (size_t p = at + 8; p < stop;) {
    if (p + 4 > stop) return false;
    std::string word(b.begin() + p, b.begin() + p + 4);
    if (word == "Text") {
      size_t s = p + 4, z = s;
      while (z < stop && b[z] != 0) z++;
      if (z >= stop) return false;
      out->texts.push_back(std::string(b.begin() + s, b.begin() + z));
      p = s + ((z - s + 1 + 3) / 4) * 4;
    } else if (word == "Dflt" || word == "Escp") {
      out->words.push_back(word);
      p += 8;
    } else if (IsChunkTag(b, p)) {
      Chunk child;
      if (!ReadChunk(b, p, stop, &child)) return false;
      p += 8 + Read32(b, p + 4);
      out->children.push_back(child);
    } else {
      out->words.push_back(word);
      p += 4;
    }
  }
  return true;
}

const Chunk* Child(const Chunk& c, const std::string& tag) {
  for (const Chunk& k : c.children)
    if (k.tag == tag) return &k;
  return nullptr;
}

// --- layout and read-back ------------------------------------------------------

TEST_F(ResStore, LayoutIsBodiesThenDirectoryThenTrailer) {
  uint32_t dirOffset = 0;
  std::vector<StoreEntry> entries = ParseStore(store_, &dirOffset);
  ASSERT_GT(entries.size(), 100u);
  uint32_t next = 0;
  for (const StoreEntry& e : entries) {
    EXPECT_EQ(e.offset, next) << "bodies lie in directory order without gaps";
    next = e.offset + e.size;
  }
  EXPECT_EQ(next, dirOffset);
  EXPECT_EQ(dirOffset + entries.size() * 16, store_.size() - 12);
  EXPECT_EQ(entries.back().type, FCC("TTBL"));
  EXPECT_EQ(entries.back().id, 1u);
}

TEST_F(ResStore, EveryEntryReadsBackFromTheStoreAndFromTheProgram) {
  std::vector<StoreEntry> entries = ParseStore(store_);
  std::map<std::pair<FourCC, uint32_t>, Bytes> last;  // the entry nearer the end wins
  for (const StoreEntry& e : entries) last[{e.type, e.id}] = BodyOf(store_, e);
  for (const auto& [key, body] : last) EXPECT_EQ(Get(key.first, key.second), body) << key.second;
  // The program carries the same store after its own image.
  ASSERT_EQ(0, RES_Open(BRANTEL_EXE_WITH_STORE));
  Bytes exe = ReadHostFile(BRANTEL_EXE_WITH_STORE);
  std::vector<StoreEntry> appended = ParseStore(exe);
  ASSERT_EQ(appended.size(), entries.size());
  EXPECT_GT(appended.front().offset, 1000u);
  for (size_t i = 0; i < entries.size(); i++)
    EXPECT_EQ(BodyOf(exe, appended[i]), BodyOf(store_, entries[i])) << i;
  for (const auto& [key, body] : last) EXPECT_EQ(Get(key.first, key.second), body);
  EXPECT_LE(RES_CachedTotal(), RES_CACHE_LIMIT + 16384u);
}

TEST_F(ResStore, NameTableMapsEveryNameOfTheAllowedTypes) {
  Bytes table = Get(RES_TYPE_NAME_TABLE, 1);
  ASSERT_GE(table.size(), 8u);
  ASSERT_EQ(std::string(table.begin(), table.begin() + 4), "TTBL");
  ASSERT_EQ(Read32(table, 4), table.size() - 8);
  std::set<FourCC> allowed = {FCC("tSTR"), FCC("MITM"), FCC("FORM"), FCC("ALRT"),
                              FCC("BMAP"), FCC("MBAR"), FCC("tver")};
  for (size_t at = 8; at + 12 <= table.size(); at += 12) {
    FourCC type = Read32(table, at), name = Read32(table, at + 4);
    EXPECT_TRUE(allowed.count(type)) << at;
    EXPECT_NE(name >> 16, 0u);
    EXPECT_EQ(RES_NameToId(type, name), Read32(table, at + 8));
    EXPECT_EQ(RES_IdToName(type, Read32(table, at + 8)), name);
  }
}

// --- texts ---------------------------------------------------------------------

TEST_F(ResStore, ProgramTextsAreThere) {
  EXPECT_EQ(Text(FCC("NAME")), "Brantel");
  EXPECT_EQ(Text(FCC("SWID")), "360");
  EXPECT_EQ(Text(FCC("SHEI")), "600");
  EXPECT_EQ(Text(FCC("$NPr")), "Note Date\nLinked To\nIn Group\n");
  EXPECT_EQ(Text(FCC("$PF1")), "000-000-0000");
  EXPECT_EQ(Text(FCC("$PF4")), "");
  EXPECT_EQ(Text(FCC("$Ftp")), "WHFOEMPC");
  EXPECT_EQ(Text(FCC("$Fnd")), "Search Results");
  EXPECT_EQ(Text(FCC("$Sf3")), "Sorting by company...");
  std::regex date(R"(\d\d/\d\d/\d\d-\d\d:\d\d)");
  Bytes d = Get(RES_TYPE_DATE, 1);
  ASSERT_FALSE(d.empty());
  EXPECT_TRUE(std::regex_match(std::string(d.begin(), d.end() - 1), date));
  EXPECT_EQ(d.back(), 0);
  EXPECT_EQ(Get(RES_TYPE_VERSION, FCC("Vers")), TextBytes("1.0"));
}

TEST_F(ResStore, PrefixListKeepsItsPositions) {
  std::string list = Text(FCC("$Pre")), sep(5, '\x97');
  std::vector<std::string> items;
  for (size_t start = 0;;) {
    size_t nl = list.find('\n', start);
    items.push_back(list.substr(start, nl - start));
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  ASSERT_EQ(items.size(), 29u);
  EXPECT_EQ(items[0], sep);
  EXPECT_EQ(items[1], "B-day");
  EXPECT_EQ(items[5], "Web");
  EXPECT_EQ(items[15], sep);
  EXPECT_EQ(items[16], "Addr 2");
  EXPECT_EQ(items[23], "Info");
  EXPECT_EQ(items[24], sep);
  EXPECT_EQ(items[25], "Phone1");
  EXPECT_EQ(items[28], "VMail");
}

TEST_F(ResStore, EveryAlertIsAWellFormedTaggedChunk) {
  int alerts = 0;
  for (const StoreEntry& e : ParseStore(store_)) {
    if (e.type != RES_TYPE_ALERT) continue;
    alerts++;
    Bytes body = BodyOf(store_, e);
    Chunk alert;
    ASSERT_TRUE(ReadChunk(body, 0, body.size(), &alert)) << e.id;
    EXPECT_EQ(alert.tag, "ALRT");
    EXPECT_EQ(8 + Read32(body, 4), body.size());
    ASSERT_GE(alert.words.size(), 4u);
    EXPECT_EQ(alert.words[0], "Iden");
    const Chunk* title = Child(alert, "TITL");
    const Chunk* message = Child(alert, "MESS");
    const Chunk* buttons = Child(alert, "BTNS");
    ASSERT_TRUE(title && message && buttons) << e.id;
    EXPECT_EQ(title->texts.size(), 1u);
    EXPECT_EQ(message->texts.size(), 1u);
    EXPECT_GE(buttons->texts.size(), 1u);
  }
  EXPECT_GE(alerts, 40);
}

TEST_F(ResStore, QuotedAlertsCarryTheirTexts) {
  Bytes body = Get(RES_TYPE_ALERT, FCC("Fnd!"));
  Chunk alert;
  ASSERT_TRUE(ReadChunk(body, 0, body.size(), &alert));
  EXPECT_EQ(Child(alert, "TITL")->texts[0], "Find Contacts");
  EXPECT_EQ(Child(alert, "MESS")->texts[0], "No matches found.");
  EXPECT_EQ(Child(alert, "BTNS")->texts, std::vector<std::string>{"&OK"});
  body = Get(RES_TYPE_ALERT, FCC("dORd"));
  Chunk missing;
  ASSERT_TRUE(ReadChunk(body, 0, body.size(), &missing));
  EXPECT_EQ(Child(missing, "TITL")->texts[0], "Database Missing");
  EXPECT_EQ(Child(missing, "BTNS")->texts, (std::vector<std::string>{"&OK", "&Create"}));
  // "Dele": identity 1000, kind Conf, then the default and escape buttons.
  body = Get(RES_TYPE_ALERT, FCC("Dele"));
  ASSERT_GE(body.size(), 32u);
  EXPECT_EQ(std::string(body.begin() + 8, body.begin() + 20), std::string("Iden#_\x03\xe8"
                                                                          "Conf",
                                                                          12));
  EXPECT_EQ(std::string(body.begin() + 20, body.begin() + 24), "Dflt");
  EXPECT_EQ(Read32(body, 24), 1u);
}

// --- bitmaps ---------------------------------------------------------------------

TEST_F(ResStore, IconIsTheStoredPngAtDepth32) {
  Bytes body = Get(RES_TYPE_BITMAP, FCC("Icon"));
  ASSERT_GT(body.size(), 64u);
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  std::string path = std::string(BRANTEL_RESOURCES_DIR) + "/bitmaps/icon.png";
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
  image.format = PNG_FORMAT_RGBA;
  Bytes rgba(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr));
  // "BMAP" len, Iden, Bwid, Bhei (8 bytes each), "BENT" len, Ewid, Ehei, Edep,
  // "Edat" count, pixels.
  EXPECT_EQ(std::string(body.begin() + 16, body.begin() + 24), std::string("Bwid#_\0\x30", 8));
  size_t bent = 8 + 24;
  ASSERT_EQ(std::string(body.begin() + bent, body.begin() + bent + 4), "BENT");
  size_t dat = bent + 8 + 24;
  EXPECT_EQ(std::string(body.begin() + dat - 8, body.begin() + dat),
            std::string("Edep#_\0\x20", 8));
  ASSERT_EQ(std::string(body.begin() + dat, body.begin() + dat + 4), "Edat");
  ASSERT_EQ(Read32(body, dat + 4), image.width * image.height * 4);
  EXPECT_EQ(Bytes(body.begin() + dat + 8, body.begin() + dat + 8 + rgba.size()), rgba);
  EXPECT_EQ(rgba[3], 0) << "the corner is transparent";
}

// --- empty databases ----------------------------------------------------------------

struct RealDb {
  const char* fixture;
  uint32_t id;
  size_t appInfoSize;
  uint16_t version;
  const char* creator;
};

// The generated database against the real empty one: same size, header
// fields, category names and everything after the category block byte for
// byte. The real files were saved by a desktop tool that blanks the first
// byte of unused category names, so names 1-3 are compared from their second
// byte there; our template keeps the handheld's four factory names.
TEST_F(ResStore, EmptyDatabasesMatchTheRealOnes) {
  const RealDb dbs[] = {{"jpilot_empty_AddressDB.pdb", 1, 638, 0, "addr"},
                        {"jpilot_empty_ContactsDB-PAdd.pdb", 2, 1092, 1, "PAdd"}};
  const char* names[] = {"Unfiled", "Business", "Personal", "QuickList"};
  for (const RealDb& db : dbs) {
    Bytes real = Fixture(db.fixture), ours = Get(FCC("ADDR"), db.id);
    ASSERT_EQ(ours.size(), real.size()) << db.fixture;
    EXPECT_EQ(Bytes(ours.begin(), ours.begin() + 32), Bytes(real.begin(), real.begin() + 32));
    EXPECT_EQ(Get16BE(&ours[34]), db.version);
    EXPECT_EQ(Read32(ours, 52), 80u);  // application info right after the gap
    EXPECT_EQ(Read32(ours, 56), 0u);   // no sort info
    EXPECT_EQ(Bytes(ours.begin() + 60, ours.begin() + 68),
              Bytes(real.begin() + 60, real.begin() + 68));
    EXPECT_EQ(std::string(ours.begin() + 64, ours.begin() + 68), db.creator);
    EXPECT_EQ(Get16BE(&ours[76]), 0) << "no records";
    EXPECT_EQ(ours.size() - 80, db.appInfoSize);
    size_t cat = 80 + 2;
    for (int i = 0; i < 16; i++) {
      std::string mine(reinterpret_cast<const char*>(&ours[cat + 16 * i]));
      EXPECT_EQ(mine, i < 4 ? names[i] : "") << i;
      EXPECT_EQ(ours[cat + 16 * i + 15], 0);
      if (i >= 1 && i < 4) {
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&real[cat + 16 * i + 1])),
                  std::string(names[i] + 1));
      }
    }
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&real[cat])), "Unfiled");
    // After the 276-byte category block: masks, labels, country, flags.
    size_t after = 80 + 276;
    EXPECT_EQ(Bytes(ours.begin() + long(after), ours.end()),
              Bytes(real.begin() + long(after), real.end()))
        << db.fixture;
  }
}

TEST_F(ResStore, EmptyDatabasesOpenAsSoundDatabases) {
  for (uint32_t id : {1u, 2u}) {
    std::string name = id == 1 ? "AddressDB.PDB" : "ContactsDB-PAdd.PDB";
    WriteDataFile(name, Get(FCC("ADDR"), id));
    FileRef f = nullptr;
    ASSERT_EQ(0, FIL_Open(&f, VOL_DOCUMENTS, "", name.c_str(), FIL_MODE_READ));
    EXPECT_EQ(DB_FileKind(f), FCC("Palm"));
    EXPECT_EQ(0, DB_Validate(f));
    EXPECT_EQ(DB_NumRecords(f), 0);
    char dbName[32];
    FourCC type = 0;
    ASSERT_EQ(0, DB_GetInfo(f, nullptr, dbName, nullptr, nullptr, nullptr, nullptr, nullptr, &type,
                            nullptr));
    EXPECT_EQ(std::string(dbName), id == 1 ? "AddressDB" : "ContactsDB-PAdd");
    EXPECT_EQ(type, FCC("DATA"));
    FIL_Close(&f);
  }
}

// --- touch tones ------------------------------------------------------------------

double Goertzel(const std::vector<double>& x, double freq) {
  double k = 2 * cos(2 * M_PI * freq / 8000), s1 = 0, s2 = 0;
  for (double v : x) {
    double s = v + k * s1 - s2;
    s2 = s1;
    s1 = s;
  }
  return s1 * s1 + s2 * s2 - k * s1 * s2;
}

TEST_F(ResStore, TonesAreTheStandardTouchTonePairs) {
  const double rows[] = {697, 770, 852, 941}, cols[] = {1209, 1336, 1477};
  // Tone ids 0-9 are the digits, 10 "*", 11 "#"; keypad position of each.
  const int keypad[12] = {10, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11};
  for (uint32_t id = 0; id < 12; id++) {
    Bytes body = Get(RES_TYPE_TONE, id);
    ASSERT_EQ(body.size(), 3200u) << "200 ms of 16-bit samples at 8,000 Hz";
    std::vector<double> x;
    int peak = 0;
    for (size_t i = 0; i < body.size(); i += 2) {
      int16_t v = int16_t(Get16BE(&body[i]));
      peak = std::max(peak, std::abs(int(v)));
      x.push_back(v);
    }
    EXPECT_GT(peak, 10000);
    EXPECT_LT(std::abs(int(int16_t(Get16BE(&body[0])))), 200) << "soft start";
    double row = rows[keypad[id] / 3], col = cols[keypad[id] % 3];
    double weakestWanted = std::min(Goertzel(x, row), Goertzel(x, col));
    for (double f : {697.0, 770.0, 852.0, 941.0, 1209.0, 1336.0, 1477.0, 1633.0}) {
      if (f == row || f == col) continue;
      EXPECT_GT(weakestWanted, 50 * Goertzel(x, f)) << "tone " << id << " at " << f;
    }
  }
}

}  // namespace
