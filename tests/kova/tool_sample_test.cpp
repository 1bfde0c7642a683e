// brantel-tool's `sample` generator, run as the built program: the same
// seed gives the same bytes and another seed other bytes; the file is a
// sound contact database in the handheld's native order, checked by a
// record reader and a comparison written here from the layouts alone; the
// contents are varied (accents, categories, private and deleted records,
// tagged notes, birthdays, pictures); repair finds nothing to mend; the
// dump of a sample is valid JSON; an existing file is never overwritten
// without --force.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tool_fixture.h"

namespace {

constexpr uint8_t DIRTY = 0x40, SECRET = 0x10, DELETED = 0x80;

uint32_t Get32(const PdbBytes& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// A contact record read from its layout: the strings by field number, the
// birthday block's presence, and the blobs behind it. `ok` is false when a
// string or block runs past the record's end.
struct Contact {
  bool ok = true;
  std::map<int, std::string> fields;
  bool birthday = false;
  std::vector<std::pair<std::string, std::string>> blobs;  // type, data
  size_t end = 0;  // where the strings (and birthday block) end
};

Contact Read(const PdbBytes& r, bool contacts) {
  Contact c;
  size_t header = contacts ? 17 : 9;
  if (r.size() < header) return c.ok = false, c;
  uint64_t flags = contacts ? Get32(r, 8) | uint64_t(Get32(r, 12)) << 32 : Get32(r, 4);
  int last = contacts ? 42 : 18;
  size_t at = header;
  for (int field = 0; field <= last; field++) {
    if (!(flags >> field & 1) || field == 31) continue;
    size_t end = at;
    while (end < r.size() && r[end]) end++;
    if (end >= r.size()) return c.ok = false, c;
    c.fields[field] = std::string(r.begin() + long(at), r.begin() + long(end));
    at = end + 1;
  }
  if (contacts && (flags >> 43 & 3)) {
    c.birthday = true;
    at += (flags >> 45 & 1) ? 5 : 4;
    if (at > r.size()) return c.ok = false, c;
  }
  c.end = at;
  while (contacts && at + 6 <= r.size()) {
    size_t size = size_t(r[at + 4]) << 8 | r[at + 5];
    if (at + 6 + size > r.size()) return c.ok = false, c;
    c.blobs.emplace_back(std::string(r.begin() + long(at), r.begin() + long(at) + 4),
                         std::string(r.begin() + long(at) + 6, r.begin() + long(at + 6 + size)));
    at += 6 + size;
  }
  return c;
}

// The database order by last name: last name, first name, company, an
// empty key giving way to the record's next one; "A"-"Z" fold to "a"-"z",
// other bytes compare unsigned, a prefix first.
int CompareText(const std::string& a, const std::string& b) {
  for (size_t i = 0; i < a.size() && i < b.size(); i++) {
    int x = uint8_t(a[i]), y = uint8_t(b[i]);
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return x - y;
  }
  return int(a.size()) - int(b.size());
}

std::vector<std::string> Keys(const Contact& c) {
  std::vector<std::string> keys;
  for (int field : {0, 1, 2}) {
    auto it = c.fields.find(field);
    if (it != c.fields.end() && !it->second.empty()) keys.push_back(it->second);
  }
  keys.resize(3);
  return keys;
}

int CompareContacts(const Contact& a, const Contact& b) {
  std::vector<std::string> ka = Keys(a), kb = Keys(b);
  for (int i = 0; i < 3; i++)
    if (int c = CompareText(ka[size_t(i)], kb[size_t(i)])) return c;
  return 0;
}

class ToolSampleTest : public ToolTest {
 protected:
  std::string Sample(const std::string& name, const std::string& layout, int count, int seed) {
    std::string path = TempDir() + "/" + name;
    ToolRun r = Run({"sample", "--layout", layout, "--count", std::to_string(count), "--seed",
                     std::to_string(seed), path});
    EXPECT_EQ(0, r.exitCode) << r.err;
    return path;
  }
};

TEST_F(ToolSampleTest, TheSameSeedGivesTheSameBytes) {
  PdbBytes a = ReadHostFile(Sample("a.pdb", "contacts", 150, 7));
  PdbBytes b = ReadHostFile(Sample("b.pdb", "contacts", 150, 7));
  PdbBytes c = ReadHostFile(Sample("c.pdb", "contacts", 150, 8));
  EXPECT_GT(a.size(), 150u * 40);
  EXPECT_TRUE(a == b);
  EXPECT_FALSE(a == c);
  EXPECT_TRUE(ReadHostFile(Sample("d.pdb", "address", 80, 3)) ==
              ReadHostFile(Sample("e.pdb", "address", 80, 3)));
}

TEST_F(ToolSampleTest, ContactsSampleIsSoundVariedAndInNativeOrder) {
  const uint32_t n = 600;
  PdbImage image = PdbParse(ReadHostFile(Sample("s.pdb", "contacts", n, 1)));
  ASSERT_TRUE(image.ok) << image.error;
  EXPECT_EQ(image.name, "ContactsDB-PAdd");
  EXPECT_EQ(image.creator, Get32(PdbStr("PAdd"), 0));
  EXPECT_EQ(image.type, Get32(PdbStr("DATA"), 0));
  ASSERT_EQ(image.records.size(), n);
  std::set<uint32_t> ids, categories;
  size_t secret = 0, deleted = 0, accents = 0, pictures = 0, birthdays = 0, notes = 0;
  size_t companyOnly = 0, prefixed = 0;
  Contact previous;
  for (size_t i = 0; i < n; i++) {
    uint8_t attributes = image.entries[i].attributes;
    Contact c = Read(image.records[i], true);
    ASSERT_TRUE(c.ok) << "record " << i;
    EXPECT_TRUE(attributes & DIRTY);
    ids.insert(image.entries[i].uniqueId);
    categories.insert(attributes & 0x0F);
    secret += (attributes & SECRET) != 0;
    if (attributes & DELETED) {
      deleted++;
    } else {
      EXPECT_EQ(deleted, 0u) << "live record " << i << " behind a deleted one";
      if (i > 0) {
        EXPECT_LE(CompareContacts(previous, c), 0) << "records " << i - 1 << ", " << i;
      }
      previous = c;
    }
    for (int f : {0, 1})
      if (c.fields.count(f))
        accents += std::any_of(c.fields[f].begin(), c.fields[f].end(),
                               [](char ch) { return uint8_t(ch) >= 0x80; });
    companyOnly += !c.fields.count(0) && !c.fields.count(1) && c.fields.count(2);
    birthdays += c.birthday;
    notes += c.fields.count(42) && c.fields[42].find("Note Date: ") == 0;
    for (int f = 14; f <= 22; f++)
      prefixed += c.fields.count(f) &&
                  (c.fields[f].rfind("Phone1: ", 0) == 0 || c.fields[f].rfind("Web: ", 0) == 0);
    for (const auto& [type, data] : c.blobs)
      if (type == "Bd00") {
        pictures++;
        ASSERT_GE(data.size(), 4u);
        EXPECT_EQ(data.substr(0, 4), std::string("\x00\x01\xFF\xD8", 4));
      }
  }
  EXPECT_EQ(ids.size(), n);
  EXPECT_EQ(*ids.begin(), 1u);
  EXPECT_EQ(*ids.rbegin(), n);
  EXPECT_GE(categories.size(), 12u);
  for (size_t count : {secret, deleted, accents, pictures, birthdays, notes, companyOnly, prefixed})
    EXPECT_GT(count, 0u);
  EXPECT_LT(deleted, n / 20);
  // Category names: the template's and the sample's, 16 bytes each from byte 2.
  ASSERT_GE(image.appInfo.size(), 276u);
  auto category = [&](int c) {
    return std::string(reinterpret_cast<const char*>(&image.appInfo[2 + 16 * c]));
  };
  EXPECT_EQ(category(0), "Unfiled");
  EXPECT_EQ(category(1), "Business");
  EXPECT_EQ(category(4), "Family");
  EXPECT_EQ(category(5), "Clubs");
  EXPECT_EQ(image.appInfo[2 + 256 + 5], 5);  // its id
}

TEST_F(ToolSampleTest, AddressSampleKeepsToTheClassicLayout) {
  const uint32_t n = 300;
  PdbImage image = PdbParse(ReadHostFile(Sample("AddressDB.pdb", "address", n, 2)));
  ASSERT_TRUE(image.ok) << image.error;
  EXPECT_EQ(image.name, "AddressDB");
  ASSERT_EQ(image.records.size(), n);
  Contact previous;
  for (size_t i = 0; i < n; i++) {
    const PdbBytes& r = image.records[i];
    ASSERT_GE(r.size(), 10u);
    EXPECT_EQ(Get32(r, 4) >> 19, 0u) << "a field the classic layout lacks, record " << i;
    Contact c = Read(r, false);
    ASSERT_TRUE(c.ok) << "record " << i;
    EXPECT_LE(r.size() - c.end, 1u) << "bytes behind the strings, record " << i;
    if (!(image.entries[i].attributes & DELETED)) {
      if (i > 0) {
        EXPECT_LE(CompareContacts(previous, c), 0) << "records " << i - 1 << ", " << i;
      }
      previous = c;
    }
  }
}

TEST_F(ToolSampleTest, RepairFindsNothingToMendInASample) {
  std::string path = Sample("r.pdb", "contacts", 400, 5);
  PdbBytes before = ReadHostFile(path);
  ToolRun r = Run({"contacts", "repair", path, "--order", "0"});
  ASSERT_EQ(0, r.exitCode) << r.err;
  EXPECT_EQ(r.out,
            "order: 0 (last name)\nsorted: 400\ndupes: 0\nnulls: 0\nshortened: 0\nextended: 0\n");
  PdbImage a = PdbParse(before), b = PdbParse(ReadHostFile(path));
  EXPECT_TRUE(a.records == b.records);
  EXPECT_EQ(Run({"contacts", "order", path}).out, "0 (last name)\n");
}

TEST_F(ToolSampleTest, DumpOfASampleIsValidJson) {
  std::string path = Sample("j.pdb", "contacts", 120, 9);
  ToolRun r = Run({"contacts", "dump", path, "--json"});
  ASSERT_EQ(0, r.exitCode) << r.err;
  std::string json = TempDir() + "/dump.json";
  WriteHostFile(json, PdbStr(r.out));
  EXPECT_EQ(0, system(("/usr/bin/python3 -m json.tool '" + json + "' > /dev/null").c_str()));
  JsonValue v;
  ASSERT_TRUE(JsonParse(r.out, &v));
  EXPECT_EQ(v["records"].items.size(), 120u);
  size_t pictures = 0;
  for (const JsonValue& record : v["records"].items) {
    EXPECT_EQ(record["columns"].items.size(), 38u);
    if (record["picture"].isNull()) continue;
    pictures++;
    EXPECT_EQ(record["picture"]["width"].number, 72);
    EXPECT_EQ(record["picture"]["height"].number, 72);
  }
  EXPECT_GT(pictures, 0u);
}

TEST_F(ToolSampleTest, AnExistingFileIsReplacedOnlyWithForce) {
  std::string path = TempDir() + "/mine.pdb";
  WriteHostFile(path, PdbStr("my own data"));
  ToolRun r = Run({"sample", "--count", "5", path});
  EXPECT_EQ(1, r.exitCode);
  EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
  EXPECT_EQ(ReadHostFile(path), PdbStr("my own data"));
  r = Run({"sample", "--count", "5", "--force", path});
  EXPECT_EQ(0, r.exitCode) << r.err;
  EXPECT_EQ(PdbParse(ReadHostFile(path)).records.size(), 5u);
  EXPECT_EQ(2, Run({"sample", "--layout", "palm", path}).exitCode);
  EXPECT_EQ(2, Run({"sample", "--count", "70000", path}).exitCode);
  EXPECT_EQ(2, Run({"sample", "--count", "5"}).exitCode);
}

}  // namespace
