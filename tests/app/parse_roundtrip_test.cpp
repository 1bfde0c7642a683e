// Round trip of random edits: a few thousand field, label, birthday and
// picture changes through the accessor on a record of a contact database
// file, in both layouts. After every edit the record is fetched again from
// the file and compared with a model: byte for byte with the record
// ContactBuilder makes from the model, and through the accessor's reads.
// The neighbouring records never change.
#include <random>

#include "dbase.h"
#include "parse_fixture.h"

namespace {

struct Model {
  bool contacts = false;
  std::map<int, std::string> fields;  // field number -> text
  int phoneLabels[7], shownPhone = 0, addressLabels[3] = {0, 1, 2}, chatLabels[2] = {0, 1};
  bool emptyByte = true;  // the empty record's zero byte is still there
  int32_t birthday = BIRTHDAY_NONE;
  std::string picture;  // JPEG bytes, empty for none

  explicit Model(bool c) : contacts(c) {
    const int padd[7] = {0, 1, 7, 4, 5, 6, 3}, addr[5] = {0, 1, 7, 4, 3};
    for (int i = 0; i < 7; i++) phoneLabels[i] = c ? padd[i] : (i < 5 ? addr[i] : 0);
  }
  int phones() const { return contacts ? 7 : 5; }

  std::string Bytes() const {
    ContactBuilder b(contacts);
    for (auto& [field, text] : fields) b.Field(field, text);
    for (int i = 0; i < phones(); i++) b.PhoneLabel(i, phoneLabels[i]);
    b.ShownPhone(shownPhone);
    if (contacts) {
      for (int i = 0; i < 3; i++) b.AddressLabel(i, addressLabels[i]);
      for (int i = 0; i < 2; i++) b.ChatLabel(i, chatLabels[i]);
      if (birthday != BIRTHDAY_NONE) {
        uint32_t v = uint32_t(birthday);
        uint8_t high = uint8_t(v >> 8);
        b.Birthday(uint16_t(v >> 16), high, high ? int(v & 0xFF) : -1);
      }
      if (!picture.empty()) b.Picture(picture);
    }
    if (emptyByte) b.EmptyByte();
    return b.Bytes();
  }
  // What an addition to a record without any flag does to the zero byte
  // (a ContactsDB-PAdd record loses it; an AddressDB record keeps it).
  void Adding() {
    if (contacts && fields.empty() && birthday == BIRTHDAY_NONE) emptyByte = false;
  }
};

class ParseRoundTrip : public ContactTest {
 protected:
  std::string RandomText() {
    static const char kChars[] = "abcXYZ 019-\n\x01\x80\x99\xe9\xff";
    std::string t;
    int n = int(rng_() % 12) + 1;
    for (int i = 0; i < n; i++) t += kChars[rng_() % (sizeof kChars - 1)];
    return t;
  }

  void Check(const Model& m, int step) {
    ContactRec* rec = Fetch(1);
    ASSERT_NE(nullptr, rec->bytes);
    ASSERT_TRUE(SameBytes(m.Bytes(), Held())) << "step " << step;
    for (auto& [slot, field] : FieldTable(m.contacts)) {
      auto it = m.fields.find(field);
      std::string want = it == m.fields.end() ? "<null>" : it->second;
      ASSERT_EQ(want, Get(rec, FieldKind(slot.first), int16_t(slot.second), FIELD_NULL_IF_ABSENT))
          << "step " << step << " field " << field;
    }
    for (int i = 0; i < m.phones(); i++)
      ASSERT_EQ(m.phoneLabels[i], ContactGetInfo(rec, ContactInfo::PhoneLabel, int16_t(i)));
    ASSERT_EQ(m.shownPhone, ContactGetInfo(rec, ContactInfo::ShownPhone, 0));
    ExpectNothingToRepair(rec, step);
    if (!m.contacts) return;
    for (int i = 0; i < 3; i++)
      ASSERT_EQ(m.addressLabels[i], ContactGetInfo(rec, ContactInfo::AddressLabel, int16_t(i)));
    for (int i = 0; i < 2; i++)
      ASSERT_EQ(m.chatLabels[i], ContactGetInfo(rec, ContactInfo::ChatLabel, int16_t(i)));
    int32_t info = m.birthday;
    if (info != BIRTHDAY_NONE && !(uint32_t(info) >> 8 & 0xFF))
      info = int32_t((uint32_t(info) & 0xFFFF0000u) | BIRTHDAY_NO_ALARM);
    ASSERT_EQ(info, ContactGetInfo(rec, ContactInfo::BirthdayInfo, 0));
  }

  // Repair's scan finds nothing to mend in what the accessor wrote: no
  // string or birthday block runs past the end, and behind them lie only
  // whole blobs (ContactsDB-PAdd) or the empty record's zero byte
  // (AddressDB keeps it behind its strings).
  void ExpectNothingToRepair(const ContactRec* rec, int step) {
    const uint32_t end = ContactMeasuredEnd(&db_, rec->bytes, rec->size);
    ASSERT_LE(end, rec->size) << "step " << step;
    if (m_contacts()) {
      ASSERT_TRUE(ContactBlobChainValid(rec->bytes, end, rec->size)) << "step " << step;
    } else {
      for (uint32_t i = end; i < rec->size; i++) ASSERT_EQ(0, rec->bytes[i]) << "step " << step;
    }
  }
  bool m_contacts() const { return db_.isContacts != 0; }

  // One random edit of record 1, applied to the model too.
  void Edit(Model* m, ImgSurface* surface) {
    ContactRec* rec = Fetch(1);
    uint32_t pick = rng_() % 100;
    if (pick < 60) {
      auto table = FieldTable(m->contacts);
      auto it = table.begin();
      std::advance(it, rng_() % table.size());
      std::string text = rng_() % 4 == 0 ? "" : RandomText();
      ASSERT_EQ(0, ContactSetField(rec, FieldKind(it->first.first), int16_t(it->first.second),
                                   text.c_str()));
      if (text.empty()) {
        m->fields.erase(it->second);
      } else {
        m->Adding();
        m->fields[it->second] = text;
      }
    } else if (pick < 75) {
      int i = int(rng_() % uint32_t(m->phones())), v = int(rng_() % 16);
      ASSERT_EQ(0, ContactSetInfo(rec, ContactInfo::PhoneLabel, int16_t(i), v));
      m->phoneLabels[i] = v;
    } else if (pick < 80) {
      int v = int(rng_() % uint32_t(m->phones()));
      ASSERT_EQ(0, ContactSetInfo(rec, ContactInfo::ShownPhone, 0, v));
      m->shownPhone = v;
    } else if (!m->contacts) {
      return;
    } else if (pick < 85) {
      int i = int(rng_() % 3), v = int(rng_() % 4);
      ASSERT_EQ(0, ContactSetInfo(rec, ContactInfo::AddressLabel, int16_t(i), v));
      m->addressLabels[i] = v;
    } else if (pick < 88) {
      int i = int(rng_() % 2), v = int(rng_() % 8);
      ASSERT_EQ(0, ContactSetInfo(rec, ContactInfo::ChatLabel, int16_t(i), v));
      m->chatLabels[i] = v;
    } else if (pick < 96) {
      int32_t v = BIRTHDAY_NONE;
      if (rng_() % 3) {
        uint16_t date =
            PackedDate(1904 + int(rng_() % 127), 1 + int(rng_() % 12), 1 + int(rng_() % 28));
        uint32_t alarm = rng_() % 2 ? (1 + rng_() % 255) << 8 | (rng_() % 256) : 7;
        v = int32_t(uint32_t(date) << 16 | alarm);
      }
      ASSERT_EQ(0, ContactSetInfo(rec, ContactInfo::BirthdayInfo, 0, v));
      if (v != BIRTHDAY_NONE) m->Adding();
      m->birthday = v;
    } else {
      bool on = rng_() % 2;
      if (on && m->picture.empty()) m->Adding();
      ASSERT_EQ(0, ContactSetPicture(rec, on ? surface : nullptr));
      if (on && picture_.empty()) {
        // The stored JPEG of this surface, taken once: encoding is repeatable.
        void* block = nullptr;
        ASSERT_EQ(0, ContactGetPicture(Fetch(1), PICTURE_JPEG, 0, 0, &block));
        picture_.assign(static_cast<char*>(block), MEM_Size(block));
        MEM_Free(block);
      }
      m->picture = on ? picture_ : "";
    }
  }

  void Run(bool contacts, int steps) {
    // Thousands of resizes: the disk syncs they ask for are not under test.
    ops_ = HOST_POSIX_FILE_OPS;
    ops_.sync = [](HostHandle) { return Err(0); };
    OpenFile(contacts,
             {ContactBuilder(contacts).Field(0, "Before").Bytes(),
              ContactBuilder(contacts).EmptyByte().Bytes(),
              ContactBuilder(contacts).Field(0, "After").Field(2, "Co").Bytes()},
             &ops_);
    const std::vector<std::string> before = StoredAll();
    ImgSurface* surface = nullptr;
    ASSERT_EQ(0, IMG_SurfaceNew(&surface, 16, 12, IMG_DEPTH_24));
    for (int16_t y = 0; y < 12; y++)
      for (int16_t x = 0; x < 16; x++)
        IMG_SetPixel(surface, x, y, uint32_t(x * 16) << 16 | uint32_t(y * 20));
    Model m(contacts);
    Check(m, 0);
    for (int step = 1; step <= steps && !HasFatalFailure(); step++) {
      Edit(&m, surface);
      if (!HasFatalFailure()) Check(m, step);
    }
    IMG_SurfaceFree(&surface);
    Release();
    std::vector<std::string> after = StoredAll();
    ASSERT_EQ(3u, after.size());
    EXPECT_EQ(before[0], after[0]);
    EXPECT_EQ(before[2], after[2]);
  }

  HostFileOps ops_{};
  std::mt19937 rng_{20240611};
  std::string picture_;
};

TEST_F(ParseRoundTrip, AddressRecordFollowsTheModel) { Run(false, 3000); }

TEST_F(ParseRoundTrip, ContactsRecordFollowsTheModel) { Run(true, 3000); }

}  // namespace
