// Changing contact fields in a database file: each edit compared byte for
// byte with ContactBuilder's record, the empty record's zero byte in both
// layouts, the company offset, bytes the program leaves alone, refused
// edits, cut records, and failures (full disk, failed writes, short memory)
// that must leave the file as it was.
#include "parse_fixture.h"

namespace {

class ParseSet : public ContactTest {
 protected:
  Err Set(FieldKind kind, int16_t index, const char* text, uint16_t record = 0) {
    return ContactSetField(Fetch(record), kind, index, text);
  }
};

TEST_F(ParseSet, FirstStringOfAnEmptyContactsRecordReplacesItsZeroByte) {
  OpenFile(true, {ContactBuilder(true).EmptyByte().Bytes()});
  // Removing a field that is not there changes nothing.
  ASSERT_EQ(0, Set(FieldKind::Note, 0, ""));
  EXPECT_BYTES(ContactBuilder(true).EmptyByte().Bytes(), Stored(0));
  ASSERT_EQ(0, Set(FieldKind::LastName, 0, "Smith"));
  EXPECT_BYTES(ContactBuilder(true).Field(0, "Smith").Bytes(), Stored(0));
  EXPECT_BYTES(Stored(0), Held());
  // Removed again, the record keeps no zero byte; the next string goes in
  // without eating a byte.
  ASSERT_EQ(0, ContactSetField(&rec_, FieldKind::LastName, 0, ""));
  EXPECT_BYTES(ContactBuilder(true).Bytes(), Stored(0));
  ASSERT_EQ(0, ContactSetField(&rec_, FieldKind::FirstName, 0, "Ann"));
  EXPECT_BYTES(ContactBuilder(true).Field(1, "Ann").Bytes(), Stored(0));
}

TEST_F(ParseSet, AddressRecordKeepsItsZeroByteBehindTheStrings) {
  OpenFile(false, {ContactBuilder(false).EmptyByte().Bytes()});
  ASSERT_EQ(0, Set(FieldKind::LastName, 0, "Smith"));
  EXPECT_BYTES(ContactBuilder(false).Field(0, "Smith").EmptyByte().Bytes(), Stored(0));
  ASSERT_EQ(0, Set(FieldKind::Note, 0, "n"));
  EXPECT_BYTES(ContactBuilder(false).Field(0, "Smith").Field(18, "n").EmptyByte().Bytes(),
               Stored(0));
  ASSERT_EQ(0, Set(FieldKind::LastName, 0, nullptr));
  ASSERT_EQ(0, Set(FieldKind::Note, 0, ""));
  EXPECT_BYTES(ContactBuilder(false).EmptyByte().Bytes(), Stored(0));
}

TEST_F(ParseSet, ZeroFlagsWithoutTheZeroByteInsertTheString) {
  // Repair may have cut the zero byte; a blob may stand where it was.
  OpenFile(true, {ContactBuilder(true).Bytes(), ContactBuilder(true).Blob("Bd01", "ab").Bytes()});
  ASSERT_EQ(0, Set(FieldKind::LastName, 0, "A", 0));
  EXPECT_BYTES(ContactBuilder(true).Field(0, "A").Bytes(), Stored(0));
  ASSERT_EQ(0, Set(FieldKind::Company, 0, "Co", 1));
  EXPECT_BYTES(ContactBuilder(true).Field(2, "Co").Blob("Bd01", "ab").Bytes(), Stored(1));
}

TEST_F(ParseSet, CompanyOffsetFollowsTheStrings) {
  OpenFile(true, {ContactBuilder(true).Field(0, "Smith").Field(1, "Ann").Field(2, "Acme").Bytes()});
  // 17 + "Smith\0" + "Ann\0" = 27: ten bytes behind the offset byte at 16.
  EXPECT_EQ(27 - 16, uint8_t(Stored(0)[16]));
  ASSERT_EQ(0, Set(FieldKind::LastName, 0, "Smithson"));
  EXPECT_EQ(27 + 3 - 16, uint8_t(Stored(0)[16]));
  EXPECT_BYTES(ContactBuilder(true).Field(0, "Smithson").Field(1, "Ann").Field(2, "Acme").Bytes(),
               Stored(0));
  ASSERT_EQ(0, Set(FieldKind::Company, 0, ""));
  EXPECT_EQ(0, Stored(0)[16]);
  EXPECT_BYTES(ContactBuilder(true).Field(0, "Smithson").Field(1, "Ann").Bytes(), Stored(0));
  // AddressDB: byte 8, strings from 9.
  OpenFile(false, {ContactBuilder(false).Field(1, "Bo").Bytes()});
  ASSERT_EQ(0, Set(FieldKind::Company, 0, "Acme"));
  EXPECT_EQ(9 + 3 - 8, Stored(0)[8]);
  // A company further away than a byte can say is stored as none.
  ASSERT_EQ(0, Set(FieldKind::LastName, 0, std::string(300, 'x').c_str()));
  EXPECT_EQ(0, Stored(0)[8]);
  EXPECT_EQ("Acme", Get(Fetch(0), FieldKind::Company, 0));
}

TEST_F(ParseSet, EveryFieldSetAndRemovedMatchesTheBuilder) {
  for (bool contacts : {false, true}) {
    auto base = [&] {
      ContactBuilder b(contacts);
      b.Field(0, "Last").Field(2, "Co").Field(contacts ? 42 : 18, "Note\nline");
      if (contacts) b.Birthday(PackedDate(1999, 12, 31), 0).Blob("Bd01", "x").Picture("\xFF\xD8z");
      return b;
    };
    for (auto& [slot, field] : FieldTable(contacts)) {
      OpenFile(contacts, {ContactBuilder(contacts).Field(0, "Before").Bytes(), base().Bytes(),
                          ContactBuilder(contacts).Field(0, "After").Bytes()});
      const std::vector<std::string> before = StoredAll();
      std::string text = "new \xe9 text " + std::to_string(field);
      ASSERT_EQ(0, Set(FieldKind(slot.first), int16_t(slot.second), text.c_str(), 1));
      EXPECT_BYTES(base().Field(field, text).Bytes(), Stored(1)) << contacts << " " << field;
      EXPECT_BYTES(Stored(1), Held());
      EXPECT_EQ(text, Get(&rec_, FieldKind(slot.first), int16_t(slot.second)));
      ASSERT_EQ(0, Set(FieldKind(slot.first), int16_t(slot.second), "", 1));
      ContactBuilder without(contacts);
      if (field != 0) without.Field(0, "Last");
      if (field != 2) without.Field(2, "Co");
      if (field != (contacts ? 42 : 18)) without.Field(contacts ? 42 : 18, "Note\nline");
      if (contacts)
        without.Birthday(PackedDate(1999, 12, 31), 0).Blob("Bd01", "x").Picture("\xFF\xD8z");
      EXPECT_BYTES(without.Bytes(), Stored(1)) << contacts << " " << field;
      EXPECT_EQ(before[0], Stored(0));
      EXPECT_EQ(before[2], Stored(2));
    }
  }
}

TEST_F(ParseSet, UnknownFieldsBlobsAndHeaderBytesStayAsFound) {
  auto record = [](const char* first) {
    ContactBuilder b(true);
    b.HeaderByte(4, 0xA2).HeaderByte(6, 0xAB).HeaderByte(8, 0x80).HeaderByte(12, 0xC0);
    b.Field(28, "x28").Field(30, "y30").Field(0, "L").Field(33, "city2");
    if (first) b.Field(1, first);
    return b.Birthday(PackedDate(2000, 1, 2), 3, 4).Blob("Bd05", "a").Blob("Zz99", "zz");
  };
  OpenFile(true, {record(nullptr).Bytes()});
  ASSERT_EQ(0, Set(FieldKind::FirstName, 0, "Ann"));
  EXPECT_BYTES(record("Ann").Bytes(), Stored(0));
  ASSERT_EQ(0, Set(FieldKind::FirstName, 0, ""));
  EXPECT_BYTES(record(nullptr).Bytes(), Stored(0));
}

TEST_F(ParseSet, RefusedEditsChangeNothing) {
  OpenFile(true, {ContactBuilder(true).Field(0, "A").Bytes(), std::string("\x03\x65\x47", 3)});
  const std::vector<uint8_t> file = ReadDataFile(kFile);
  EXPECT_EQ(-1, Set(FieldKind::Birthday, 0, "x"));
  EXPECT_EQ(-1, Set(FieldKind::Picture, 0, "x"));
  EXPECT_EQ(-1, Set(FieldKind::AllText, 0, "x"));
  EXPECT_EQ(-1, Set(FieldKind::Phone, 7, "x"));
  EXPECT_EQ(-1, Set(FieldKind::Phone, -1, "x"));
  EXPECT_EQ(ERR_FILE_PARAM, Set(FieldKind::LastName, 0, "x", 1));  // shorter than its header
  std::string huge(70000, 'h');
  EXPECT_EQ(ERR_FILE_PARAM, Set(FieldKind::Note, 0, huge.c_str()));
  ContactRec mem = Mem(true, ContactBuilder(true).Bytes());
  EXPECT_EQ(ERR_FILE_PARAM, ContactSetField(&mem, FieldKind::LastName, 0, "x"));
  EXPECT_EQ(-1, ContactSetField(&mem, FieldKind::Web, 1, "x"));
  Release();
  EXPECT_TRUE(file == ReadDataFile(kFile));
  // AddressDB lacks chat and web.
  OpenFile(false, {ContactBuilder(false).Bytes()});
  EXPECT_EQ(-1, Set(FieldKind::Chat, 0, "x"));
  EXPECT_EQ(-1, Set(FieldKind::Web, 0, "x"));
}

TEST_F(ParseSet, CutRecordIsEndedBeforeTheEdit) {
  std::string addr = ContactBuilder(false).Field(0, "Ann").Field(18, "unended").Bytes();
  std::string padd = ContactBuilder(true).Field(0, "A").Birthday(PackedDate(1980, 3, 4), 0).Bytes();
  OpenFile(false, {addr.substr(0, addr.size() - 1)});
  ASSERT_EQ(0, Set(FieldKind::FirstName, 0, "Bo"));
  EXPECT_BYTES(ContactBuilder(false).Field(0, "Ann").Field(1, "Bo").Field(18, "unended").Bytes(),
               Stored(0));
  // The birthday block's missing bytes come back as zeros.
  OpenFile(true, {padd.substr(0, padd.size() - 2)});
  ASSERT_EQ(0, Set(FieldKind::Company, 0, "Co"));
  EXPECT_BYTES(
      ContactBuilder(true).Field(0, "A").Field(2, "Co").Birthday(PackedDate(1980, 3, 4), 0).Bytes(),
      Stored(0));
}

// Failures: the fault table wraps the disk.
class ParseSetFault : public ParseSet {
 protected:
  static constexpr HostFaults kNone = {0, 0, 0, 0, 0, false, -1};

  void Open(bool contacts) {
    OpenFile(contacts,
             {ContactBuilder(contacts).Field(0, "First").Bytes(),
              ContactBuilder(contacts).Field(0, "Mid").Field(2, "Company").Field(3, "555").Bytes(),
              ContactBuilder(contacts).Field(0, "Zed").Bytes()},
             &HOST_FAULT_FILE_OPS);
    original_ = ReadDataFile(kFile);
  }
  Err Armed(const HostFaults& faults, const char* text, HostFaultCounts* counts = nullptr) {
    Fetch(1);
    HOST_SetFaults(&faults);
    Err err = ContactSetField(&rec_, FieldKind::Company, 0, text);
    if (counts) *counts = HOST_FaultCounts();
    HOST_SetFaults(nullptr);
    return err;
  }
  // After a failure: the file as it was, and the held record still usable.
  void ExpectUnchanged(const std::string& what) {
    EXPECT_TRUE(ReadDataFile(kFile) == original_) << what;
    EXPECT_EQ("Company", Get(&rec_, FieldKind::Company, 0)) << what;
  }
  std::vector<uint8_t> original_;
};

TEST_F(ParseSetFault, FullDiskLeavesTheFileAsItWas) {
  for (bool contacts : {false, true}) {
    Open(contacts);
    const std::string longer = "A much longer company name";
    const int64_t growth = int64_t(longer.size()) - 7;
    for (int64_t d = 0; d < growth; d++) {
      HostFaults faults = kNone;
      faults.diskFreeBytes = d;
      EXPECT_EQ(ERR_DISK_FULL, Armed(faults, longer.c_str())) << d;
      ExpectUnchanged("free " + std::to_string(d));
    }
    HostFaults faults = kNone;
    faults.diskFreeBytes = growth;
    ASSERT_EQ(0, Armed(faults, longer.c_str()));
    EXPECT_EQ(longer, Get(Fetch(1), FieldKind::Company, 0));
  }
}

TEST_F(ParseSetFault, FailedWriteAfterTheResizeIsUndone) {
  for (const char* text : {"A much longer company name", "Co"}) {
    Open(true);
    HostFaultCounts counts{};
    ASSERT_EQ(0, Armed(kNone, text, &counts));
    ASSERT_GT(counts.writes, 1u);
    // Every write fails in turn: an error is reported; when the record's
    // own write fails, the resize is undone.
    for (uint32_t n = 1; n <= counts.writes; n++) {
      Open(true);
      HostFaults faults = kNone;
      faults.failWriteAt = n;
      Err err = Armed(faults, text);
      EXPECT_LT(err, 0) << text << " write " << n;
      ASSERT_NE(nullptr, rec_.bytes);
      EXPECT_EQ(rec_.size, DB_RecordSize(file_, 1));
      if (n == counts.writes) ExpectUnchanged(std::string(text) + " last write");
    }
  }
}

TEST_F(ParseSetFault, ShortMemoryChangesNothing) {
  for (uint32_t n = 1; n < 50; n++) {
    Open(true);
    Fetch(1);
    MEM_FailNthAlloc(n);
    Err err = ContactSetField(&rec_, FieldKind::Company, 0, "A much longer company name");
    MEM_FailNthAlloc(0);
    if (err == 0) {
      EXPECT_EQ("A much longer company name", Get(Fetch(1), FieldKind::Company, 0));
      return;
    }
    EXPECT_EQ(ERR_MEM_FULL, err) << n;
    EXPECT_TRUE(ReadDataFile(kFile) == original_) << n;
  }
  FAIL() << "the edit never succeeded";
}

}  // namespace
