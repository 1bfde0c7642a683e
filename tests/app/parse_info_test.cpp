// Record info and pictures: label nibbles and counts of both layouts (the
// empty records' labels as the handheld writes them), label and birthday
// changes compared byte for byte with ContactBuilder, the blob walk that
// finds the picture, decoding it, and replacing it with a new 72 x 72 JPEG
// without touching other blobs, also when the disk is full.
#include "parse_fixture.h"

namespace {

class ParseInfo : public ContactTest {
 protected:
  Err SetInfo(ContactInfo selector, int16_t index, int32_t value, uint16_t record = 0) {
    return ContactSetInfo(Fetch(record), selector, index, value);
  }
  int32_t Info(const ContactRec* rec, ContactInfo selector, int16_t index = 0) {
    return ContactGetInfo(rec, selector, index);
  }
};

TEST_F(ParseInfo, EmptyRecordsCarryTheHandheldsLabels) {
  ContactRec padd = Mem(true, ContactBuilder(true).EmptyByte().Bytes());
  const int paddLabels[7] = {0, 1, 7, 4, 5, 6, 3};
  for (int i = 0; i < 7; i++)
    EXPECT_EQ(paddLabels[i], Info(&padd, ContactInfo::PhoneLabel, int16_t(i))) << i;
  for (int i = 0; i < 3; i++) EXPECT_EQ(i, Info(&padd, ContactInfo::AddressLabel, int16_t(i)));
  EXPECT_EQ(0, Info(&padd, ContactInfo::ChatLabel, 0));
  EXPECT_EQ(1, Info(&padd, ContactInfo::ChatLabel, 1));
  EXPECT_EQ(0, Info(&padd, ContactInfo::ShownPhone));
  ContactRec addr = Mem(false, ContactBuilder(false).EmptyByte().Bytes());
  const int addrLabels[5] = {0, 1, 7, 4, 3};
  for (int i = 0; i < 5; i++)
    EXPECT_EQ(addrLabels[i], Info(&addr, ContactInfo::PhoneLabel, int16_t(i))) << i;
  EXPECT_EQ(0, Info(&addr, ContactInfo::ShownPhone));
}

TEST_F(ParseInfo, CountsAndWhatEachLayoutLacks) {
  ContactRec addr = Mem(false, ContactBuilder(false).Bytes());
  const int32_t addrWant[12] = {0, 0, 5, 1, 4, 4, -1, -1, 0, 0, -1, 0};
  for (int s = 0; s < 12; s++) EXPECT_EQ(addrWant[s], Info(&addr, ContactInfo(s))) << s;
  EXPECT_EQ(-1, Info(&addr, ContactInfo(12)));
  ContactRec padd = Mem(true, ContactBuilder(true).ShownPhone(6).Bytes());
  const int32_t paddWant[12] = {6, 0, 7, 3, 9, 9, 0, 0, 2, 1, -1, 1};
  for (int s = 0; s < 12; s++) EXPECT_EQ(paddWant[s], Info(&padd, ContactInfo(s))) << s;
  EXPECT_EQ(0, Info(&padd, ContactInfo(12)));
  // Indexes past the slots.
  EXPECT_EQ(0, Info(&padd, ContactInfo::PhoneLabel, 7));
  EXPECT_EQ(0, Info(&addr, ContactInfo::PhoneLabel, 5));
  EXPECT_EQ(-1, Info(&padd, ContactInfo::AddressLabel, 3));
  EXPECT_EQ(0, Info(&padd, ContactInfo::ChatLabel, 2));
}

TEST_F(ParseInfo, LabelNibblesAreReadAsStored) {
  ContactRec rec = Mem(true, ContactBuilder(true)
                                 .PhoneLabel(0, 15)
                                 .PhoneLabel(5, 9)
                                 .AddressLabel(2, 7)  // two bits are read
                                 .ChatLabel(1, 5)
                                 .HeaderByte(7, 0x60)  // chat 1: no label stored
                                 .Bytes());
  EXPECT_EQ(15, Info(&rec, ContactInfo::PhoneLabel, 0));
  EXPECT_EQ(9, Info(&rec, ContactInfo::PhoneLabel, 5));
  EXPECT_EQ(3, Info(&rec, ContactInfo::AddressLabel, 2));
  EXPECT_EQ(5, Info(&rec, ContactInfo::ChatLabel, 1));
  EXPECT_EQ(7, Info(&rec, ContactInfo::ChatLabel, 0));  // 0 - 1, three bits
}

TEST_F(ParseInfo, HeaderNibbleChangesMatchTheBuilder) {
  OpenFile(true, {ContactBuilder(true).Field(0, "A").Bytes()});
  ASSERT_EQ(0, SetInfo(ContactInfo::PhoneLabel, 6, 9));
  EXPECT_EQ(0x09, uint8_t(Stored(0)[0]));  // only the low nibble of byte 0
  ASSERT_EQ(0, SetInfo(ContactInfo::ShownPhone, 0, 6));
  EXPECT_EQ(6, Info(&rec_, ContactInfo::ShownPhone));
  ASSERT_EQ(0, SetInfo(ContactInfo::PhoneLabel, 1, 12));
  ASSERT_EQ(0, SetInfo(ContactInfo::AddressLabel, 1, 3));
  ASSERT_EQ(0, SetInfo(ContactInfo::ChatLabel, 0, 4));
  EXPECT_BYTES(ContactBuilder(true)
                   .Field(0, "A")
                   .PhoneLabel(6, 9)
                   .ShownPhone(6)
                   .PhoneLabel(1, 12)
                   .AddressLabel(1, 3)
                   .ChatLabel(0, 4)
                   .Bytes(),
               Stored(0));
  OpenFile(false, {ContactBuilder(false).Field(0, "A").Bytes()});
  ASSERT_EQ(0, SetInfo(ContactInfo::PhoneLabel, 4, 2));
  ASSERT_EQ(0, SetInfo(ContactInfo::PhoneLabel, 0, 6));
  ASSERT_EQ(0, SetInfo(ContactInfo::ShownPhone, 0, 3));
  EXPECT_BYTES(
      ContactBuilder(false).Field(0, "A").PhoneLabel(4, 2).PhoneLabel(0, 6).ShownPhone(3).Bytes(),
      Stored(0));
}

TEST_F(ParseInfo, RefusedInfoChangesChangeNothing) {
  OpenFile(false, {ContactBuilder(false).Field(0, "A").Bytes()});
  const std::vector<uint8_t> file = ReadDataFile(kFile);
  EXPECT_EQ(-1, SetInfo(ContactInfo::PhoneLabel, 5, 1));
  EXPECT_EQ(-1, SetInfo(ContactInfo::AddressLabel, 0, 1));
  EXPECT_EQ(-1, SetInfo(ContactInfo::ChatLabel, 0, 1));
  EXPECT_EQ(-1, SetInfo(ContactInfo::BirthdayInfo, 0, 0x12340007));
  EXPECT_EQ(-1, SetInfo(ContactInfo::PhoneCount, 0, 3));
  EXPECT_EQ(-1, SetInfo(ContactInfo::PhoneLabel, 0, 16));
  EXPECT_EQ(-1, SetInfo(ContactInfo::ShownPhone, 0, -2));
  ContactRec mem = Mem(true, ContactBuilder(true).Bytes());
  EXPECT_EQ(ERR_FILE_PARAM, ContactSetInfo(&mem, ContactInfo::ShownPhone, 0, 1));
  EXPECT_EQ(-1, ContactSetInfo(&mem, ContactInfo::ChatLabel, 2, 1));
  Release();
  EXPECT_TRUE(file == ReadDataFile(kFile));
}

TEST_F(ParseInfo, BirthdayWithAndWithoutAlarm) {
  const uint16_t date = PackedDate(1975, 6, 30);
  auto base = [] { return ContactBuilder(true).Field(0, "A").Field(42, "n").Blob("Zz99", "q"); };
  OpenFile(true, {base().Bytes()});
  EXPECT_EQ(BIRTHDAY_NONE, Info(Fetch(0), ContactInfo::BirthdayInfo));
  ASSERT_EQ(0, SetInfo(ContactInfo::BirthdayInfo, 0, int32_t(uint32_t(date) << 16 | 7)));
  EXPECT_BYTES(base().Birthday(date, 0).Bytes(), Stored(0));
  EXPECT_EQ(int32_t(uint32_t(date) << 16 | BIRTHDAY_NO_ALARM),
            Info(&rec_, ContactInfo::BirthdayInfo));
  ASSERT_EQ(0, SetInfo(ContactInfo::BirthdayInfo, 0, int32_t(uint32_t(date) << 16 | 0x0123)));
  EXPECT_BYTES(base().Birthday(date, 0x01, 0x23).Bytes(), Stored(0));
  EXPECT_EQ(int32_t(uint32_t(date) << 16 | 0x0123), Info(&rec_, ContactInfo::BirthdayInfo));
  const size_t withAlarm = Stored(0).size();
  ASSERT_EQ(0, SetInfo(ContactInfo::BirthdayInfo, 0, BIRTHDAY_NONE));
  EXPECT_BYTES(base().Bytes(), Stored(0));
  EXPECT_EQ(withAlarm - 5, Stored(0).size());
  ASSERT_EQ(0, SetInfo(ContactInfo::BirthdayInfo, 0, int32_t(uint32_t(date) << 16 | 7)));
  ASSERT_EQ(0, SetInfo(ContactInfo::BirthdayInfo, 0, BIRTHDAY_NONE));
  EXPECT_EQ(withAlarm - 5, Stored(0).size());
  EXPECT_EQ(0, uint8_t(Stored(0)[14]) & 0x38);  // fields 43, 44, 45 clear
}

TEST_F(ParseInfo, BirthdayOnAnEmptyRecordReplacesItsZeroByte) {
  const uint16_t date = PackedDate(2004, 2, 29);
  OpenFile(true, {ContactBuilder(true).EmptyByte().Bytes()});
  ASSERT_EQ(0, SetInfo(ContactInfo::BirthdayInfo, 0, int32_t(uint32_t(date) << 16 | 7)));
  EXPECT_BYTES(ContactBuilder(true).Birthday(date, 0).Bytes(), Stored(0));
  EXPECT_EQ("02/29/2004", Get(&rec_, FieldKind::Birthday, 0));
  ASSERT_EQ(0, ContactSetField(&rec_, FieldKind::LastName, 0, "Leap"));
  EXPECT_BYTES(ContactBuilder(true).Field(0, "Leap").Birthday(date, 0).Bytes(), Stored(0));
}

TEST_F(ParseInfo, BirthdayBlockMustLieWhollyInside) {
  std::string bytes =
      ContactBuilder(true).Field(0, "A").Birthday(PackedDate(1990, 1, 1), 2, 3).Bytes();
  ContactRec whole = Mem(true, bytes);
  EXPECT_NE(BIRTHDAY_NONE, Info(&whole, ContactInfo::BirthdayInfo));
  for (size_t cut = 1; cut <= 5; cut++) {
    ContactRec rec = Mem(true, bytes.substr(0, bytes.size() - cut));
    EXPECT_EQ(BIRTHDAY_NONE, Info(&rec, ContactInfo::BirthdayInfo)) << cut;
    EXPECT_EQ("", Get(&rec, FieldKind::Birthday, 0));
  }
}

TEST_F(ParseInfo, BirthdayOnAFullDiskLeavesTheFile) {
  OpenFile(true,
           {ContactBuilder(true).Field(0, "A").Bytes(), ContactBuilder(true).Field(0, "B").Bytes()},
           &HOST_FAULT_FILE_OPS);
  const std::vector<uint8_t> file = ReadDataFile(kFile);
  for (int64_t d = 0; d < 5; d++) {
    Fetch(0);
    HostFaults faults = {0, 0, 0, 0, 0, false, d};
    HOST_SetFaults(&faults);
    EXPECT_EQ(ERR_DISK_FULL, ContactSetInfo(&rec_, ContactInfo::BirthdayInfo, 0, 0x10000123));
    HOST_SetFaults(nullptr);
    EXPECT_TRUE(file == ReadDataFile(kFile)) << d;
  }
}

// ---------------------------------------------------------------------------
// Pictures.

class ParsePicture : public ContactTest {
 protected:
  // A real JPEG of a w x h surface of one colour.
  static std::string Jpeg(int16_t w, int16_t h, uint32_t rgb) {
    ImgSurface* s = nullptr;
    EXPECT_EQ(0, IMG_SurfaceNew(&s, w, h, IMG_DEPTH_24));
    for (int16_t y = 0; y < h; y++)
      for (int16_t x = 0; x < w; x++) IMG_SetPixel(s, x, y, rgb);
    uint8_t* data = nullptr;
    uint32_t size = 0;
    EXPECT_EQ(0, JPG_Encode(s, 80, &data, &size, nullptr, 0));
    std::string out(reinterpret_cast<char*>(data), size);
    MEM_Free(data);
    IMG_SurfaceFree(&s);
    return out;
  }
  // The JPEG bytes through the accessor, or "<none>" with the error.
  std::string JpegOf(const ContactRec* rec) {
    void* block = nullptr;
    Err err = ContactGetPicture(rec, PICTURE_JPEG, 0, 0, &block);
    if (err != 0) return "<none " + std::to_string(err) + ">";
    std::string out(static_cast<char*>(block), MEM_Size(block));
    MEM_Free(block);
    return out;
  }
  // The blob at `at` of stored record bytes: its JPEG (size from the blob).
  static std::string BlobJpeg(const std::string& record, size_t at) {
    size_t size = size_t(uint8_t(record[at + 4])) << 8 | uint8_t(record[at + 5]);
    return record.substr(at + 8, size - 2);
  }
  static bool Near(uint32_t rgb, uint32_t want) {
    for (int shift : {0, 8, 16}) {
      int a = int(rgb >> shift & 0xFF), b = int(want >> shift & 0xFF);
      if (a - b > 12 || b - a > 12) return false;
    }
    return true;
  }
};

TEST_F(ParsePicture, BlobWalkFindsThePicture) {
  const std::string j = "\xFF\xD8 jpeg bytes";
  auto rec = [&](ContactBuilder b) { return Mem(true, b.Bytes()); };
  ContactRec a = rec(ContactBuilder(true).Field(0, "A").Picture(j));
  EXPECT_EQ(j, JpegOf(&a));
  a = rec(ContactBuilder(true).Birthday(1, 1, 1).Blob("Bd01", "x").Blob("Bd0z", "").Picture(j));
  EXPECT_EQ(j, JpegOf(&a));
  a = rec(ContactBuilder(true).EmptyByte().Picture(j));  // behind the empty record's zero byte
  EXPECT_EQ(j, JpegOf(&a));
  EXPECT_EQ(0, ContactGetPicture(&a, PICTURE_JPEG, 0, 0, nullptr));
  // Another type ends the walk; "Bd00" needs the JPEG start; "Bd10" is no
  // picture blob to skip.
  a = rec(ContactBuilder(true).Blob("Zz99", "x").Picture(j));
  EXPECT_EQ("<none -1>", JpegOf(&a));
  a = rec(ContactBuilder(true).Blob("Bd00", std::string("\x00\x01\xFF\xD9", 4)));
  EXPECT_EQ("<none -1>", JpegOf(&a));
  a = rec(ContactBuilder(true).Blob("Bd10", "x").Picture(j));
  EXPECT_EQ("<none -1>", JpegOf(&a));
  // Header and data must fit: every cut of the blob loses it.
  std::string bytes = ContactBuilder(true).Field(0, "A").Picture(j).Bytes();
  for (size_t cut = 1; cut <= j.size() + 8; cut++) {
    ContactRec c = Mem(true, bytes.substr(0, bytes.size() - cut));
    EXPECT_EQ("<none -1>", JpegOf(&c)) << cut;
  }
  ContactRec addr =
      Mem(false, ContactBuilder(false).Field(0, "A").Bytes() + "Bd00\x00\x04\x00\x01\xFF\xD8");
  EXPECT_EQ("<none -1>", JpegOf(&addr));
}

TEST_F(ParsePicture, DecodeFitsTheBoxAndRemovesTheWorkFile) {
  ContactRec rec = Mem(true, ContactBuilder(true).Picture(Jpeg(40, 20, 0xD02010)).Bytes());
  void* out = nullptr;
  ASSERT_EQ(0, ContactGetPicture(&rec, PICTURE_DECODE, 36, 50, &out));
  ImgSurface* s = static_cast<ImgSurface*>(out);
  EXPECT_EQ(36, s->width);
  EXPECT_EQ(18, s->height);
  EXPECT_EQ(IMG_DEPTH_16, s->depth);
  EXPECT_TRUE(Near(IMG_GetPixel(s, 10, 10), 0xD02010)) << std::hex << IMG_GetPixel(s, 10, 10);
  IMG_SurfaceFree(&s);
  EXPECT_FALSE(HostFileExists(DataDir() + "/" + PICTURE_WORK_FILE));
  // Without a record the work file is decoded as it stands.
  std::string tall = Jpeg(10, 30, 0x00FF00);
  WriteDataFile(PICTURE_WORK_FILE, std::vector<uint8_t>(tall.begin(), tall.end()));
  ASSERT_EQ(0, ContactGetPicture(nullptr, PICTURE_DECODE, 60, 60, &out));
  s = static_cast<ImgSurface*>(out);
  EXPECT_EQ(20, s->width);
  EXPECT_EQ(60, s->height);
  IMG_SurfaceFree(&s);
  EXPECT_EQ(ERR_IMG_PARAM, ContactGetPicture(&rec, PICTURE_DECODE, 0, 10, &out));
}

TEST_F(ParsePicture, DamagedPictureReadsAsNoPicture) {
  std::string j = Jpeg(16, 16, 0x123456);
  j.resize(j.size() / 2);
  ContactRec rec = Mem(true, ContactBuilder(true).Picture(j).Bytes());
  void* out = nullptr;
  EXPECT_EQ(ERR_IMG_BAD_DATA, ContactGetPicture(&rec, PICTURE_DECODE, 72, 72, &out));
  rec = Mem(true, ContactBuilder(true).Picture("\xFF\xD8garbage").Bytes());
  EXPECT_EQ(ERR_IMG_BAD_DATA, ContactGetPicture(&rec, PICTURE_DECODE, 72, 72, &out));
  EXPECT_FALSE(HostFileExists(DataDir() + "/" + PICTURE_WORK_FILE));
}

TEST_F(ParsePicture, SetPictureKeepsOtherBlobs) {
  auto base = [] {
    return ContactBuilder(true).Field(0, "A").Birthday(PackedDate(1961, 8, 4), 0).Blob("Bd01", "q");
  };
  const std::string before = base().Blob("Zz99", "z").Bytes();
  const size_t at = base().Bytes().size();  // the new blob's place
  OpenFile(true, {before});
  ImgSurface* s = nullptr;
  ASSERT_EQ(0, IMG_SurfaceNew(&s, 100, 50, IMG_DEPTH_16));
  for (int16_t y = 0; y < 50; y++)
    for (int16_t x = 0; x < 100; x++) IMG_SetPixel(s, x, y, 0x2040E0);
  ASSERT_EQ(0, ContactSetPicture(Fetch(0), s));
  std::string stored = Stored(0);
  ASSERT_GT(stored.size(), at + 8);
  const std::string jpeg = BlobJpeg(stored, at);
  EXPECT_BYTES(base().Picture(jpeg).Blob("Zz99", "z").Bytes(), stored);
  int16_t w = 0, h = 0;
  ASSERT_EQ(0, JPG_ReadSize(reinterpret_cast<const uint8_t*>(jpeg.data()), uint32_t(jpeg.size()),
                            &w, &h));
  EXPECT_EQ(72, w);
  EXPECT_EQ(72, h);
  EXPECT_EQ(jpeg, JpegOf(&rec_));
  // Replaced in place, then removed.
  IMG_SurfaceFree(&s);
  ASSERT_EQ(0, IMG_SurfaceNew(&s, 72, 72, IMG_DEPTH_24));
  ASSERT_EQ(0, ContactSetPicture(&rec_, s));
  stored = Stored(0);
  EXPECT_BYTES(base().Picture(BlobJpeg(stored, at)).Blob("Zz99", "z").Bytes(), stored);
  ASSERT_EQ(0, ContactSetPicture(&rec_, nullptr));
  EXPECT_BYTES(before, Stored(0));
  IMG_SurfaceFree(&s);
}

TEST_F(ParsePicture, PictureOnAnEmptyRecordTakesTheZeroBytesPlace) {
  OpenFile(true, {ContactBuilder(true).EmptyByte().Bytes()});
  ImgSurface* s = nullptr;
  ASSERT_EQ(0, IMG_SurfaceNew(&s, 8, 8, IMG_DEPTH_24));
  ASSERT_EQ(0, ContactSetPicture(Fetch(0), s));
  IMG_SurfaceFree(&s);
  const std::string jpeg = BlobJpeg(Stored(0), PADD_HEADER_BYTES);
  EXPECT_BYTES(ContactBuilder(true).Picture(jpeg).Bytes(), Stored(0));
  ASSERT_EQ(0, ContactSetField(&rec_, FieldKind::LastName, 0, "A"));
  EXPECT_BYTES(ContactBuilder(true).Field(0, "A").Picture(jpeg).Bytes(), Stored(0));
}

TEST_F(ParsePicture, FailuresLeaveTheOldPicture) {
  const std::string old = Jpeg(8, 8, 0xFF0000);
  OpenFile(true,
           {ContactBuilder(true).Field(0, "A").Picture(old).Bytes(),
            ContactBuilder(true).Field(0, "B").Bytes()},
           &HOST_FAULT_FILE_OPS);
  const std::vector<uint8_t> file = ReadDataFile(kFile);
  ImgSurface* big = nullptr;
  ASSERT_EQ(0, IMG_SurfaceNew(&big, 300, 300, IMG_DEPTH_24));
  for (int16_t y = 0; y < 300; y++)
    for (int16_t x = 0; x < 300; x++)
      IMG_SetPixel(big, x, y, uint32_t(x * 977 + y * 131) & 0xFFFFFF);
  // The noisy picture is larger than the old one: a full disk refuses it.
  for (int64_t d : {0, 1, 100}) {
    Fetch(0);
    HostFaults faults = {0, 0, 0, 0, 0, false, d};
    HOST_SetFaults(&faults);
    EXPECT_EQ(ERR_DISK_FULL, ContactSetPicture(&rec_, big)) << d;
    HOST_SetFaults(nullptr);
    EXPECT_TRUE(file == ReadDataFile(kFile)) << d;
    EXPECT_EQ(old, JpegOf(&rec_));
  }
  // A picture that cannot be encoded changes nothing.
  ImgSurface broken = {10, 10, IMG_DEPTH_24, 30, nullptr};
  EXPECT_EQ(ERR_IMG_PARAM, ContactSetPicture(Fetch(0), &broken));
  for (uint32_t n = 1; n < 40; n++) {
    Fetch(0);
    MEM_FailNthAlloc(n);
    Err err = ContactSetPicture(&rec_, big);
    MEM_FailNthAlloc(0);
    if (err == 0) break;
    EXPECT_TRUE(file == ReadDataFile(kFile)) << n;
  }
  IMG_SurfaceFree(&big);
  EXPECT_NE(old, JpegOf(Fetch(0)));
  EXPECT_EQ(-1, ContactSetPicture(nullptr, nullptr));
}

TEST_F(ParsePicture, AddressRecordsHaveNoPicture) {
  OpenFile(false, {ContactBuilder(false).Field(0, "A").Bytes()});
  ImgSurface* s = nullptr;
  ASSERT_EQ(0, IMG_SurfaceNew(&s, 8, 8, IMG_DEPTH_24));
  EXPECT_EQ(-1, ContactSetPicture(Fetch(0), s));
  IMG_SurfaceFree(&s);
  EXPECT_EQ("<none -1>", JpegOf(&rec_));
  EXPECT_BYTES(ContactBuilder(false).Field(0, "A").Bytes(), Stored(0));
}

}  // namespace
