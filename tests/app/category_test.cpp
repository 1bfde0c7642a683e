// The category block of the contact database: read from and written into
// a file built here (the block's bytes laid out by hand: renamed mask,
// sixteen 16-byte names, sixteen ids, the last id, a pad byte), checked
// byte for byte after rename, add and delete; contacts of a deleted
// category moved to Unfiled; short and missing blocks refused untouched.
#include "category.h"

#include <gtest/gtest.h>

#include <cstring>

#include "contact_builder.h"
#include "kova_fixture.h"
#include "pdb_builder.h"

namespace {

// The category part as the handheld writes it, plus its pad byte.
struct Cats {
  uint16_t renamed = 0;
  std::vector<std::string> names;
  std::vector<uint8_t> ids;
  uint8_t lastId = 0;
  PdbBytes Bytes() const {
    PdbBytes b(2 + 256 + 16 + 2, 0);
    b[0] = uint8_t(renamed >> 8);
    b[1] = uint8_t(renamed);
    for (size_t i = 0; i < names.size(); ++i)
      memcpy(b.data() + 2 + 16 * i, names[i].data(), std::min<size_t>(names[i].size(), 16));
    for (size_t i = 0; i < ids.size(); ++i) b[2 + 256 + i] = ids[i];
    b[2 + 256 + 16] = lastId;
    return b;
  }
};

Cats Standard() {
  Cats c;
  c.names = {"Unfiled", "Business", "Personal", "QuickList"};
  c.ids = {0, 1, 2, 3};
  c.lastId = 15;
  return c;
}

class CategoryTest : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    ContactStoreReset();
  }
  // A contacts file with `cats` (and `tail` bytes of the application-info
  // block behind it) and one contact per category number given.
  void Write(const Cats& cats, const std::vector<uint8_t>& categories, PdbBytes tail = {}) {
    PdbBuilder b = ContactPdb(true);
    PdbBytes info = cats.Bytes();
    info.insert(info.end(), tail.begin(), tail.end());
    b.AppInfo(info);
    for (size_t i = 0; i < categories.size(); ++i) {
      ContactBuilder c(true);
      c.Field(0, "Name" + std::to_string(i));
      b.Record(c.Record(), uint8_t(categories[i] | (i == 0 ? 0x10 : 0)), uint32_t(0x500 + i));
    }
    WriteDataFile(CONTACTS_FILE, b.Bytes());
  }
  PdbImage Image() const { return PdbParse(ReadDataFile(CONTACTS_FILE)); }
  CategoryBlock Read() {
    CategoryBlock block{};
    EXPECT_TRUE(CategoryLoad(&block));
    return block;
  }
  Err Store(const CategoryBlock& block) {
    ContactDb* db = nullptr;
    Err err = ContactDbOpen(&db, true, true);
    if (err != 0) return err;
    err = CategoryWrite(db->file, &block);
    ContactDbClose(&db);
    return err;
  }
};

TEST_F(CategoryTest, ReadsNamesIdsAndUnfiledForAnEmptySlotZero) {
  Cats c = Standard();
  c.renamed = 0x8001;
  c.names[0] = "";
  c.names.resize(16);
  c.names[15] = "Fifteen chars!!";  // exactly 15
  c.ids.resize(16);
  c.ids[15] = 77;
  Write(c, {});
  CategoryBlock b = Read();
  EXPECT_EQ(b.renamed, 0x8001);
  EXPECT_EQ(b.lastId, 15);
  EXPECT_EQ(b.ids[15], 77);
  char name[CATEGORY_NAME_BYTES];
  CategoryGetName(&b, 0, name, sizeof name);
  EXPECT_STREQ(name, "Unfiled");
  CategoryGetName(&b, 2, name, sizeof name);
  EXPECT_STREQ(name, "Personal");
  CategoryGetName(&b, 15, name, sizeof name);
  EXPECT_STREQ(name, "Fifteen chars!!");
  CategoryGetName(&b, 7, name, sizeof name);
  EXPECT_STREQ(name, "");
  EXPECT_TRUE(CategoryUsed(&b, 0));
  EXPECT_FALSE(CategoryUsed(&b, 7));
  EXPECT_EQ(CategoryFind(&b, "business"), 1);
  EXPECT_EQ(CategoryFind(&b, "Nobody"), -1);
}

TEST_F(CategoryTest, ANameFillingItsSlotIsCutNotOverrun) {
  Cats c = Standard();
  c.names[1] = "SixteenCharsLong";  // no zero byte inside the slot
  Write(c, {});
  CategoryBlock b = Read();
  EXPECT_STREQ(b.names[1], "SixteenCharsLon");
  EXPECT_STREQ(b.names[2], "Personal");
}

TEST_F(CategoryTest, RenameAddDeleteWrittenByteForByte) {
  PdbBytes tail = {0xDE, 0xAD, 0xBE, 0xEF};  // the rest of the block stays
  Write(Standard(), {1, 2, 0}, tail);
  PdbBytes before = ReadDataFile(CONTACTS_FILE);
  CategoryBlock b = Read();
  ASSERT_EQ(0, CategoryRename(&b, 1, "Work"));
  EXPECT_EQ(CategoryAdd(&b, "Family"), 4);
  ASSERT_EQ(0, CategoryDelete(&b, 3));
  ASSERT_EQ(0, Store(b));

  Cats want = Standard();
  want.names = {"Unfiled", "Work", "Personal", "", "Family"};
  want.ids = {0, 1, 2, 0, 16};
  want.lastId = 16;
  want.renamed = 0x0002 | 0x0010 | 0x0008;
  PdbBytes wantInfo = want.Bytes();
  wantInfo.insert(wantInfo.end(), tail.begin(), tail.end());
  PdbImage im = Image();
  ASSERT_TRUE(im.ok) << im.error;
  // The pad byte after the last id is the builder's zero and stays.
  EXPECT_EQ(im.appInfo, wantInfo);
  EXPECT_EQ(im.attributes & 0x0004, 0x0004);  // application info changed
  // Nothing else in the file moved: the header's attribute word aside,
  // only the block's bytes differ.
  PdbBytes after = ReadDataFile(CONTACTS_FILE);
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) {
    bool inBlock = i >= im.appInfoOffset && i < im.appInfoOffset + CATEGORY_BLOCK_BYTES;
    bool inAttributes = i == 32 || i == 33;
    if (!inBlock && !inAttributes) {
      EXPECT_EQ(after[i], before[i]) << "byte " << i;
    }
  }
}

TEST_F(CategoryTest, EditsRefuseBadNamesFullBlocksAndUnfiled) {
  Write(Standard(), {});
  CategoryBlock b = Read();
  EXPECT_EQ(CATEGORY_ERR_FIXED, CategoryRename(&b, 0, "Inbox"));
  EXPECT_EQ(CATEGORY_ERR_FIXED, CategoryDelete(&b, 0));
  EXPECT_EQ(CATEGORY_ERR_FIXED, CategoryRename(&b, 9, "Unused"));
  EXPECT_EQ(CATEGORY_ERR_FIXED, CategoryDelete(&b, 9));
  EXPECT_EQ(CATEGORY_ERR_INDEX, CategoryDelete(&b, 16));
  EXPECT_EQ(CATEGORY_ERR_NAME, CategoryRename(&b, 1, "PERSONAL"));
  EXPECT_EQ(CATEGORY_ERR_NAME, CategoryRename(&b, 1, ""));
  EXPECT_EQ(CATEGORY_ERR_NAME, CategoryAdd(&b, "unfiled"));
  EXPECT_EQ(0, CategoryRename(&b, 1, "business"));  // its own name in other case
  // A long name is cut to 15 characters.
  EXPECT_EQ(CategoryAdd(&b, "A very long category name"), 4);
  EXPECT_STREQ(b.names[4], "A very long cat");
  for (int i = 5; i < CATEGORY_COUNT; ++i)
    EXPECT_EQ(CategoryAdd(&b, ("C" + std::to_string(i)).c_str()), i);
  EXPECT_EQ(CATEGORY_ERR_FULL, CategoryAdd(&b, "One more"));
  // Every used slot has its own id.
  for (int i = 1; i < CATEGORY_COUNT; ++i)
    for (int j = i + 1; j < CATEGORY_COUNT; ++j) EXPECT_NE(b.ids[i], b.ids[j]);
}

TEST_F(CategoryTest, NewIdsSkipUsedOnesAndWrapWithinTheHandheldRange) {
  Cats c = Standard();
  c.lastId = 126;
  c.ids = {0, 127, 1, 3};
  Write(c, {});
  CategoryBlock b = Read();
  EXPECT_EQ(CategoryAdd(&b, "X"), 4);
  EXPECT_EQ(b.ids[4], 2);  // 127 and 1 are taken
  EXPECT_EQ(b.lastId, 2);
}

TEST_F(CategoryTest, DeletedCategoryContactsMoveToUnfiled) {
  Write(Standard(), {2, 1, 2, 0, 3});
  ContactDb* db = nullptr;
  ASSERT_EQ(0, ContactDbOpen(&db, true, true));
  EXPECT_EQ(CategoryMoveContacts(db, 2), 2);
  ContactDbClose(&db);
  PdbImage im = Image();
  ASSERT_EQ(im.entries.size(), 5u);
  // Category nibble 0 now; the private bit (0x10) of the first stays; the
  // moved ones are marked changed (0x40).
  EXPECT_EQ(im.entries[0].attributes, 0x10 | 0x40);
  EXPECT_EQ(im.entries[1].attributes, 0x01);
  EXPECT_EQ(im.entries[2].attributes, 0x40);
  EXPECT_EQ(im.entries[3].attributes, 0x00);
  EXPECT_EQ(im.entries[4].attributes, 0x03);
}

TEST_F(CategoryTest, ShortOrMissingBlockIsRefusedAndNothingWritten) {
  PdbBuilder b = ContactPdb(true);
  b.AppInfo(PdbBytes(CATEGORY_BLOCK_BYTES - 1, 0x41));
  ContactBuilder c(true);
  c.Field(0, "Solo");
  b.Record(c.Record(), 0, 0x600);
  WriteDataFile(CONTACTS_FILE, b.Bytes());
  PdbBytes before = ReadDataFile(CONTACTS_FILE);
  CategoryBlock block{};
  EXPECT_FALSE(CategoryLoad(&block));
  EXPECT_FALSE(CategoryUsed(&block, 1));
  CategoryBlock edited{};
  strcpy(edited.names[1], "Work");
  EXPECT_EQ(ERR_NOT_DATABASE, Store(edited));
  EXPECT_EQ(ReadDataFile(CONTACTS_FILE), before);

  WriteDataFile(CONTACTS_FILE, ContactPdb(true).Record(c.Record(), 0, 0x600).Bytes());
  before = ReadDataFile(CONTACTS_FILE);
  EXPECT_FALSE(CategoryLoad(&block));
  EXPECT_EQ(ERR_NOT_DATABASE, Store(edited));
  EXPECT_EQ(ReadDataFile(CONTACTS_FILE), before);
  char name[CATEGORY_NAME_BYTES];
  CategoryNameOf(0, name, sizeof name);
  EXPECT_STREQ(name, "Unfiled");
}

}  // namespace
