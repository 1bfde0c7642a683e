// Tests of record-level access to the contact database: fetch and release,
// attributes and category masks, new contacts from the templates with the
// default phone labels, duplicates (category and private bit), deletion and
// the fingerprint, each checked in the file's bytes; full disks leave the
// file as it was, and a step failing after the insert takes the record out.
#include "dbase_fixture.h"
#include "host_file.h"

namespace {

class ContactRecords : public ContactStoreTest {
 protected:
  void FullDisk(int64_t freeBytes) { ArmFaults(HostFaults{0, 0, 0, 0, 0, false, freeBytes}); }
  void FailWrite(uint32_t nth) { ArmFaults(HostFaults{nth, 0, 0, 0, 0, false, -1}); }
  void NoFaults() { Disarm(); }
  // The writes an insert of one record makes on this file (a failed write
  // inside a structural change may leave the file damaged; only the steps
  // after it are failed in turn below).
  uint32_t WritesOfInsert(uint16_t at, uint32_t size) {
    ArmFaults(HostFaults{0, 0, 0, 0, 0, false, -1});
    EXPECT_EQ(0, DB_InsertRecords(Db()->file, at, size, 1, nullptr));
    uint32_t writes = HOST_FaultCounts().writes;
    EXPECT_EQ(0, DB_DeleteRecords(Db()->file, at, 1, nullptr));
    Disarm();
    return writes;
  }
  // Three named contacts with categories and a private one.
  void OpenThree(bool contacts = true) {
    Open({NameRecord(contacts, "Adams", "Ann"), NameRecord(contacts, "Baker", "Bob", "Co"),
          NameRecord(contacts, "Clark", "")},
         contacts, {0x02, uint8_t(DISK_SECRET | 0x05), 0x00});
  }
};

TEST_F(ContactRecords, FetchFillsTheRecordAndRefusesIndexesPastTheEnd) {
  OpenThree();
  ContactRec rec;
  ASSERT_EQ(0, ContactFetch(&rec, Db(), 1));
  EXPECT_EQ(Records()[1], PdbBytes(rec.bytes, rec.bytes + rec.size));
  EXPECT_EQ(1, rec.index);
  EXPECT_EQ(Db(), rec.db);
  EXPECT_EQ(Db()->file, rec.file);
  ContactRelease(&rec);
  EXPECT_EQ(nullptr, rec.record);
  EXPECT_EQ(nullptr, rec.bytes);
  ContactRelease(&rec);  // a cleared record is ignored
  rec.index = 9;
  EXPECT_EQ(-1, ContactFetch(&rec, Db(), 3));
  EXPECT_EQ(nullptr, rec.bytes);
  EXPECT_EQ(0, rec.index);
}

TEST_F(ContactRecords, CategoryMasks) {
  EXPECT_EQ(0, ContactCategoryMask(0));
  EXPECT_EQ(0x0001, ContactCategoryMask(1));
  EXPECT_EQ(0x4000, ContactCategoryMask(15));
  EXPECT_EQ(0, ContactCategoryFromMask(0));
  EXPECT_EQ(1, ContactCategoryFromMask(0x0001));
  EXPECT_EQ(3, ContactCategoryFromMask(0x0005));  // the highest bit wins
  EXPECT_EQ(15, ContactCategoryFromMask(0xC000));
  EXPECT_EQ(0, ContactCategoryFromMask(0x8000));  // bit 15 is no category
  for (uint8_t c = 0; c <= 15; c++) EXPECT_EQ(c, ContactCategoryFromMask(ContactCategoryMask(c)));
}

TEST_F(ContactRecords, AttributesReadAndWriteTheRecordEntry) {
  OpenThree();
  uint16_t mask = 0;
  uint8_t attributes = 0;
  ASSERT_EQ(0, ContactGetAttributes(Db(), 1, &mask, &attributes));
  EXPECT_EQ(0x0010, mask);
  EXPECT_EQ(REC_ATTR_SECRET, attributes);
  ASSERT_EQ(0, ContactGetAttributes(Db(), 0, nullptr, nullptr));
  ASSERT_EQ(0, ContactSetAttributes(Db(), 2, 0x0300, REC_ATTR_SECRET));
  EXPECT_EQ(DISK_SECRET | 0x0A, Attributes()[2]);
  EXPECT_EQ(ERR_FILE_PARAM, ContactGetAttributes(Db(), 3, &mask, &attributes));
  EXPECT_EQ(ERR_FILE_PARAM, ContactSetAttributes(Db(), 3, 0, 0));
}

TEST_F(ContactRecords, NewContactsTakeTheTemplateCategoryAndDefaultLabels) {
  OpenThree(true);
  for (int16_t& label : g_prefs.defaultPhoneLabels) label = -1;
  g_prefs.defaultPhoneLabels[0] = 7;
  g_prefs.defaultPhoneLabels[6] = 2;
  g_prefs.defaultPhoneLabels[8] = 3;  // past the layout's seven phones
  ASSERT_EQ(0, ContactNew(Db(), 0x0024));
  PdbImage im = Image();
  ASSERT_EQ(4, im.count);
  EXPECT_EQ(ContactBuilder(true).PhoneLabel(0, 7).PhoneLabel(6, 2).EmptyByte().Record(),
            im.records[0]);
  EXPECT_EQ(0x06, im.entries[0].attributes);
  EXPECT_EQ(4, g_prefs.recordCountSeen);
  EXPECT_EQ(NameRecord(true, "Adams", "Ann"), im.records[1]);
}

TEST_F(ContactRecords, NewContactsOfTheClassicLayout) {
  OpenThree(false);
  ASSERT_EQ(0, ContactNew(Db(), 0));
  PdbBytes expect = {0x00, 0x03, 0x47, 0x10, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(expect, Records()[0]);
  EXPECT_EQ(ContactBuilder(false).EmptyByte().Record(), expect);
  g_prefs.defaultPhoneLabels[4] = 6;
  ASSERT_EQ(0, ContactNew(Db(), 0));
  EXPECT_EQ(ContactBuilder(false).PhoneLabel(4, 6).EmptyByte().Record(), Records()[0]);
  EXPECT_EQ(5, g_prefs.recordCountSeen);
}

TEST_F(ContactRecords, NewContactOnAFullDiskLeavesTheFileAsItWas) {
  OpenThree();
  PdbBytes before = ReadDataFile(CONTACTS_FILE);
  g_prefs.recordCountSeen = 9;
  for (int64_t room : {0, 4, 8, 20}) {
    FullDisk(room);
    EXPECT_EQ(ERR_DISK_FULL, ContactNew(Db(), 1)) << room;
    NoFaults();
    EXPECT_EQ(before, ReadDataFile(CONTACTS_FILE)) << room;
  }
  EXPECT_EQ(9, g_prefs.recordCountSeen);
}

TEST_F(ContactRecords, NewContactWhoseTemplateOrLabelsFailIsTakenOutAgain) {
  OpenThree();
  std::vector<PdbBytes> before = Records();
  g_prefs.defaultPhoneLabels[0] = 5;
  // Every write after the insert in turn: a failure reports an error and
  // takes the new record out again; success adds it whole.
  bool added = false;
  int failed = 0;
  for (uint32_t nth = WritesOfInsert(0, PADD_TEMPLATE_BYTES) + 1; nth <= 40 && !added; nth++) {
    FailWrite(nth);
    Err err = ContactNew(Db(), 0);
    NoFaults();
    PdbImage im = Image();
    ASSERT_TRUE(im.ok) << nth;
    if (err != 0) {
      EXPECT_EQ(before, im.records) << nth;
      failed++;
      continue;
    }
    ASSERT_EQ(before.size() + 1, im.records.size());
    EXPECT_EQ(ContactBuilder(true).PhoneLabel(0, 5).EmptyByte().Record(), im.records[0]);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), im.records.begin() + 1));
    added = true;
  }
  EXPECT_TRUE(added);
  EXPECT_LE(2, failed);  // the category or template write, and more
}

TEST_F(ContactRecords, DuplicateCopiesBytesCategoryAndPrivateBit) {
  Open({NameRecord(true, "Adams", "Ann"), NameRecord(true, "Baker", "Bob")}, true,
       {uint8_t(DISK_SECRET | DISK_DIRTY | 0x05), 0x01});
  ASSERT_EQ(0, ContactDuplicate(Db(), 0));
  PdbImage im = Image();
  ASSERT_EQ(3, im.count);
  EXPECT_EQ(im.records[0], im.records[1]);
  EXPECT_EQ(DISK_SECRET | 0x05, im.entries[1].attributes);
  EXPECT_EQ(DISK_SECRET | DISK_DIRTY | 0x05, im.entries[0].attributes);
  EXPECT_EQ(NameRecord(true, "Baker", "Bob"), im.records[2]);
  EXPECT_EQ(3, g_prefs.recordCountSeen);
  // The last record, and a record without bytes.
  ASSERT_EQ(0, ContactDuplicate(Db(), 2));
  EXPECT_EQ(Records()[2], Records()[3]);
  EXPECT_EQ(-1, ContactDuplicate(Db(), 4));
}

TEST_F(ContactRecords, DuplicateOfAnEmptyRecord) {
  Open({PdbBytes{}, NameRecord(false, "Z", "")}, false, {0x03});
  ASSERT_EQ(0, ContactDuplicate(Db(), 0));
  EXPECT_EQ((std::vector<uint32_t>{0, 0, 11}), PdbRecordSizes(Image()));
  EXPECT_EQ(0x03, Attributes()[1]);
}

TEST_F(ContactRecords, DuplicateOnAFullDiskLeavesTheFileAsItWas) {
  OpenThree();
  PdbBytes before = ReadDataFile(CONTACTS_FILE);
  for (int64_t room : {0, 8, 16, 30}) {
    FullDisk(room);
    EXPECT_EQ(ERR_DISK_FULL, ContactDuplicate(Db(), 1)) << room;
    NoFaults();
    EXPECT_EQ(before, ReadDataFile(CONTACTS_FILE)) << room;
  }
}

TEST_F(ContactRecords, DuplicateWhoseCopyFailsIsTakenOutAgain) {
  OpenThree();
  std::vector<PdbBytes> before = Records();
  bool added = false;
  int failed = 0;
  uint32_t first = WritesOfInsert(2, uint32_t(before[1].size())) + 1;
  for (uint32_t nth = first; nth <= 40 && !added; nth++) {
    FailWrite(nth);
    Err err = ContactDuplicate(Db(), 1);
    NoFaults();
    PdbImage im = Image();
    ASSERT_TRUE(im.ok) << nth;
    if (err != 0) {
      EXPECT_EQ(before, im.records) << nth;
      failed++;
      continue;
    }
    std::vector<PdbBytes> expect = before;
    expect.insert(expect.begin() + 2, before[1]);
    EXPECT_EQ(expect, im.records);
    added = true;
  }
  EXPECT_TRUE(added);
  EXPECT_LE(2, failed);  // the category or template write, and more
}

TEST_F(ContactRecords, DeleteMovesTheRecordBehindEveryOther) {
  Open({NameRecord(true, "A", ""), NameRecord(true, "B", ""), NameRecord(true, "C", ""),
        NameRecord(true, "Gone", "")},
       true, {0x01, 0x02, 0x03, DISK_DELETED});
  EXPECT_EQ(3, ContactDelete(Db(), 1));
  PdbImage im = Image();
  EXPECT_EQ(NameRecord(true, "A", ""), im.records[0]);
  EXPECT_EQ(NameRecord(true, "C", ""), im.records[1]);
  EXPECT_EQ(NameRecord(true, "Gone", ""), im.records[2]);
  EXPECT_EQ(NameRecord(true, "B", ""), im.records[3]);
  EXPECT_EQ(DISK_DELETED | 0x02, im.entries[3].attributes);
  // The last record stays where it is.
  EXPECT_EQ(3, ContactDelete(Db(), 3));
  EXPECT_EQ(-1, ContactDelete(Db(), 4));
}

TEST_F(ContactRecords, DeleteThatCannotMoveLeavesTheRecordLive) {
  OpenThree();
  std::vector<PdbBytes> before = Records();
  std::vector<uint8_t> attributes = Attributes();
  FullDisk(0);  // the move parks the record past the end of the file
  EXPECT_EQ(-1, ContactDelete(Db(), 0));
  NoFaults();
  EXPECT_EQ(before, Records());
  EXPECT_EQ(attributes, Attributes());
}

TEST_F(ContactRecords, FingerprintIsTheMiddleRecordsUniqueId) {
  Open(std::vector<PdbBytes>{});
  EXPECT_EQ(0u, ContactFingerprint(Db()));
  Open({NameRecord(true, "A", ""), NameRecord(true, "B", ""), NameRecord(true, "C", ""),
        NameRecord(true, "D", "")});
  EXPECT_EQ(0x1002u, ContactFingerprint(Db()));
  EXPECT_EQ(0u, ContactFingerprint(nullptr));
}

}  // namespace
