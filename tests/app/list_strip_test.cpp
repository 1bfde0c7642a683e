// Tests of the data strip under the contact list: the phone tidying, the
// kind and item stepping of the buttons, taps and "Prev"/"Next", the kind
// taken at the first drawing and saved at every drawing, the strip's
// background and marker bar, and its texts (item counter, "No ..." texts,
// "Private Contact", the typed search) compared with strips that show the
// same words as a contact's own data. Also the category pop-up positions.
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "contact_builder.h"
#include "kova_res.h"
#include "list.h"
#include "main_screen_fixture.h"
#include "pdb_builder.h"

namespace {

std::string Tidy(const std::string& in, bool* phone = nullptr) {
  char out[64];
  bool tidied = DataStripTidyPhone(in.c_str(), out, sizeof out);
  if (phone) *phone = tidied;
  return out;
}

TEST(ListStripTidy, PhoneTextIsTidied) {
  bool phone = false;
  EXPECT_EQ(Tidy("(555) 123-4567", &phone), "555-123-4567");
  EXPECT_TRUE(phone);
  EXPECT_EQ(Tidy("555 (123) 4567"), "555-123-4567") << "\" (\" and \") \" lose their blank";
  EXPECT_EQ(Tidy("555\t123\n4567"), "555 123 4567") << "tab and line feed become blanks";
  EXPECT_EQ(Tidy("555-1234 e 12"), "555-1234 / 12") << "an extension mark";
  EXPECT_EQ(Tidy("1.5,5"), "1.5,5");
  EXPECT_EQ(Tidy("(("), "-") << "only the very first bracket goes";
}

TEST(ListStripTidy, OtherTextStaysAsItIs) {
  bool phone = true;
  EXPECT_EQ(Tidy("(555) 123-4567 x12", &phone), "(555) 123-4567 x12");
  EXPECT_FALSE(phone);
  EXPECT_EQ(Tidy("me@example.com", &phone), "me@example.com");
  EXPECT_FALSE(phone);
  EXPECT_EQ(Tidy("", &phone), "");
  EXPECT_FALSE(phone);
  char small[6];
  EXPECT_TRUE(DataStripTidyPhone("(555) 123-4567", small, sizeof small));
  EXPECT_STREQ(small, "555-1") << "cut to the buffer, terminated";
  EXPECT_FALSE(DataStripTidyPhone(nullptr, small, sizeof small));
  EXPECT_STREQ(small, "");
}

struct Person {
  std::string last;
  std::vector<std::pair<std::string, int>> phones = {};  // text, label (4 = e-mail)
  std::string street = "";
  uint8_t attributes = 0;  // 0x10 private
};

class ListStripTest : public QuietScreenTest {
 protected:
  void SetUp() override {
    QuietScreenTest::SetUp();
    g_prefs.listColours[6] = 0x123456;  // strip background
    g_prefs.listColours[2] = 0x00AA00;  // ink of the text and the marker bar
  }
  // People in last-name order, the nameless ones last.
  void Write(const std::vector<Person>& people) {
    WriteRecords(people.size(),
                 [&](size_t i, ContactBuilder& c) {
                   if (!people[i].last.empty()) c.Field(0, people[i].last);
                   for (size_t p = 0; p < people[i].phones.size(); ++p)
                     c.Field(int(4 + p), people[i].phones[p].first)
                         .PhoneLabel(int(p), people[i].phones[p].second);
                   if (!people[i].street.empty()) c.Field(23, people[i].street);
                   return people[i].attributes;
                 },
                 {"Unfiled", "Business"});
  }
  static GfxRect Area() {
    GfxRect a{};
    EXPECT_EQ(0, GUI_GetBounds(Active(), FCC("Data"), &a));
    return a;
  }
  // The strip's pixels for contact `record` showing item `index` of `kind`.
  static std::vector<uint32_t> Strip(int32_t record, int16_t kind, int16_t index) {
    g_list.dataKind = kind;
    g_list.dataIndex = index;
    DataStripDraw(Active(), nullptr, record);
    GUI_FormShow(Active());
    GfxRect f = GUI_FormBounds(Active()), a = Area();
    std::vector<uint32_t> px;
    for (int32_t y = 0; y < a.h; ++y)
      for (int32_t x = 0; x < a.w; ++x) px.push_back(ScreenPixel(f.x + a.x + x, f.y + a.y + y));
    return px;
  }
  static size_t Inked(const std::vector<uint32_t>& px) {
    size_t n = 0;
    for (uint32_t p : px) n += p != g_prefs.listColours[6];
    return n;
  }
  // (kind, index) after each step.
  using Steps = std::vector<std::pair<int16_t, int16_t>>;
  static std::pair<int16_t, int16_t> Now() { return {g_list.dataKind, g_list.dataIndex}; }
};

// Three phones, two e-mails, a name and one address.
const Person kBusy = {
    "Busy", {{"111", 0}, {"222", 1}, {"333", 2}, {"a@x.com", 4}, {"b@x.com", 4}}, "1 Main St"};

TEST_F(ListStripTest, ButtonsStepOverTheItemsOfTheirKind) {
  Write({kBusy});
  g_prefs.dataKindStart = 0;
  Steps seen;
  std::vector<int32_t> buttons;
  Then([&] { seen.push_back(Now()); });
  const FourCC presses[] = {FCC("DNum"), FCC("DNum"), FCC("DNum"), FCC("DEml"), FCC("DEml"),
                            FCC("DEml"), FCC("DAdd"), FCC("DAdd"), FCC("DAdd"), FCC("DNum")};
  for (FourCC p : presses)
    Then([&, p] {
      DataStripCommand(Active(), p);
      seen.push_back(Now());
      if (p == FCC("DEml") && buttons.empty())
        for (FourCC b : {FCC("DNum"), FCC("DEml"), FCC("DAdd")}) buttons.push_back(Value(b));
    });
  Tap(FCC("DAdd"));  // the real button through the screen's handler
  Then([&] { seen.push_back(Now()); });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(seen, (Steps{{0, 0},
                         {0, 1},
                         {0, 2},
                         {0, 0},
                         {1, 0},
                         {1, 1},
                         {1, 0},
                         {2, 0},
                         {3, 0},
                         {2, 0},
                         {0, 0},
                         {2, 0}}));
  EXPECT_EQ(buttons, (std::vector<int32_t>{0, 1, 0}));
}

TEST_F(ListStripTest, TapsAndPrevNextStepOverTheKinds) {
  Write({kBusy});
  g_prefs.dataKindStart = 0;
  Steps forward, back, keys;
  int32_t addButton = -1;
  Then([&] {
    int32_t w = Area().w;
    for (int i = 0; i < 7; ++i) {
      DataStripTap(Active(), w - 2);
      forward.push_back(Now());
      if (Now().first == 3) addButton = Value(FCC("DAdd"));
    }
    for (int i = 0; i < 7; ++i) {
      DataStripTap(Active(), 1);
      back.push_back(Now());
    }
  });
  Command(FCC("Prev"));
  Then([&] { keys.push_back(Now()); });
  Command(FCC("Next"));
  Then([&] { keys.push_back(Now()); });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(forward, (Steps{{0, 1}, {0, 2}, {1, 0}, {1, 1}, {2, 0}, {3, 0}, {0, 0}}));
  EXPECT_EQ(back, (Steps{{3, 0}, {2, 0}, {1, 1}, {1, 0}, {0, 2}, {0, 1}, {0, 0}}));
  EXPECT_EQ(keys, (Steps{{3, 0}, {0, 0}}));
  EXPECT_EQ(addButton, 1) << "the address button stands for kind 3 too";
}

TEST_F(ListStripTest, FirstKindComesFromThePreferencesAndIsSaved) {
  Write({kBusy});
  g_prefs.dataKindStart = 1;
  g_prefs.dataKindLast = 3;
  int16_t first = -1;
  uint16_t saved = 99;
  Then([&] { first = g_list.dataKind; });
  Then([&] {
    DataStripCommand(Active(), FCC("DAdd"));
    saved = g_prefs.dataKindLast;
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(first, 1) << "dataKindStart 0-3 names the kind";
  EXPECT_EQ(saved, 2u) << "the drawing writes the kind shown";

  ListReset();
  g_prefs.dataKindStart = 4;  // 4 or more: the kind shown last
  g_prefs.dataKindLast = 3;
  Then([&] { first = g_list.dataKind; });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(first, 3);
}

TEST_F(ListStripTest, BackgroundAndTheKindsMarkerBar) {
  Write({kBusy});
  std::vector<std::vector<uint32_t>> strips;
  GfxRect a{};
  Then([&] {
    a = Area();
    for (int16_t kind = 0; kind < 4; ++kind) strips.push_back(Strip(0, kind, 0));
  });
  Then([&] { SaveScreen("list_strip_address"); });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  ASSERT_EQ(strips.size(), 4u);
  ASSERT_GT(a.h, 5);
  ASSERT_EQ(strips[0].size(), size_t(a.w * a.h));
  auto at = [&](int kind, int x, int y) { return strips[size_t(kind)][size_t(y * a.w + x)]; };
  int third = a.h / 3;
  for (int kind = 0; kind < 4; ++kind) {
    int slot = kind == 3 ? 2 : kind;
    EXPECT_EQ(at(kind, 1, a.h - 1), 0x123456u) << "background, kind " << kind;
    EXPECT_EQ(at(kind, 2, 0), 0x123456u) << "background, kind " << kind;
    for (int s = 0; s < 3; ++s) {
      uint32_t expected = s == slot ? 0x00AA00u : 0x123456u;
      EXPECT_EQ(at(kind, a.w - 1, s * third + third / 2), expected)
          << "right edge, third " << s << ", kind " << kind;
    }
    size_t text = 0;  // ink in the left half: the item's text
    for (int y = 0; y < a.h; ++y)
      for (int x = 0; x < a.w / 2; ++x) text += at(kind, x, y) != 0x123456u;
    EXPECT_GT(text, 10u) << "text drawn, kind " << kind;
  }
}

TEST_F(ListStripTest, TextsMatchTheSameWordsShownAsData) {
  Write({{"A0", {{"(555) 123-4567", 0}}},
         {"A1", {{"555-123-4567", 0}}},
         {"A2", {}, ""},
         {"A3", {{"No phone numbers", 0}}},
         {"A4", {{"999", 0}}, "", 0x10},
         {"A5", {{"Private Contact", 0}}, "No name/company"},
         {"A6", {{"Seeking to... ab", 0}, {"Seeking to... a [b]", 0}}},
         {"", {{"1", 0}}}});
  g_prefs.securityLevel = 1;
  std::vector<std::vector<uint32_t>> s;
  Then([&] {
    s.push_back(Strip(0, 0, 0));  // 0 tidied
    s.push_back(Strip(1, 0, 0));  // 1 as tidied
    s.push_back(Strip(2, 0, 0));  // 2 no phones
    s.push_back(Strip(3, 0, 0));  // 3 "No phone numbers" as data
    s.push_back(Strip(4, 0, 0));  // 4 masked
    s.push_back(Strip(5, 0, 0));  // 5 "Private Contact" as data
    s.push_back(Strip(7, 2, 0));  // 6 nameless: "No name/company"
    s.push_back(Strip(5, 3, 0));  // 7 "No name/company" as street
    g_list.seekLength = 2;
    memcpy(g_list.seekText, "ab", 3);
    g_list.seekFound = true;
    s.push_back(Strip(2, 0, 0));  // 8 typed search found
    g_list.seekFound = false;
    s.push_back(Strip(2, 0, 0));  // 9 typed search, "b" found nothing
    g_list.seekLength = 0;
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  ASSERT_EQ(s.size(), 10u);
  for (size_t i = 0; i < s.size(); ++i) EXPECT_GT(Inked(s[i]), 20u) << "strip " << i;
  EXPECT_NE(s[0], s[2]) << "different texts give different strips";
  EXPECT_EQ(s[0], s[1]) << "\"(555) 123-4567\" shows as \"555-123-4567\"";
  EXPECT_EQ(s[2], s[3]) << "\"No phone numbers\"";
  EXPECT_EQ(s[4], s[5]) << "\"Private Contact\" for a masked private contact";
  EXPECT_EQ(s[6], s[7]) << "\"No name/company\"";
  // The typed words against the same words as a contact's two phones
  // (whose strips carry a counter: compare the left half).
  std::vector<std::vector<uint32_t>> data;
  Then([&] {
    data.push_back(Strip(6, 0, 0));
    data.push_back(Strip(6, 0, 1));
  });
  GfxRect a{};
  Then([&] { a = Area(); });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  ASSERT_EQ(data.size(), 2u);
  auto left = [&](const std::vector<uint32_t>& px) {
    std::vector<uint32_t> out;
    for (int y = 0; y < a.h; ++y)
      for (int x = 0; x < a.w / 2; ++x) out.push_back(px[size_t(y * a.w + x)]);
    return out;
  };
  EXPECT_EQ(left(s[8]), left(data[0])) << "\"Seeking to... ab\"";
  EXPECT_EQ(left(s[9]), left(data[1])) << "the failed character set apart";
}

TEST_F(ListStripTest, CounterShowsItemAndCount) {
  Write({{"A0", {{"111", 0}}}, {"A1", {{"111", 0}, {"111", 1}, {"111", 2}}}});
  std::vector<std::vector<uint32_t>> s;
  GfxRect a{};
  Then([&] {
    a = Area();
    s.push_back(Strip(0, 0, 0));  // one phone: no counter
    s.push_back(Strip(1, 0, 0));  // "1/3"
    SaveScreen("list_strip_counter");
    s.push_back(Strip(1, 0, 1));  // "2/3"
    s.push_back(Strip(1, 0, 5));  // past the items: the first again
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  ASSERT_EQ(s.size(), 4u);
  auto half = [&](const std::vector<uint32_t>& px, bool right) {
    std::vector<uint32_t> out;
    for (int y = 0; y < a.h; ++y)
      for (int x = right ? a.w / 2 : 0; x < (right ? a.w : a.w / 2); ++x)
        out.push_back(px[size_t(y * a.w + x)]);
    return out;
  };
  EXPECT_EQ(half(s[0], false), half(s[1], false)) << "the same number";
  EXPECT_GT(Inked(half(s[1], true)), Inked(half(s[0], true))) << "the counter at the right";
  EXPECT_EQ(half(s[1], false), half(s[2], false));
  EXPECT_NE(half(s[1], true), half(s[2], true)) << "1/3 then 2/3";
  EXPECT_EQ(s[3], s[1]);
}

TEST_F(ListStripTest, NameStringsAreSeparate) {
  char text[64];
  ASSERT_EQ(0, RES_GetString(FCC("$NoC"), text, sizeof text));
  EXPECT_STREQ(text, "No name/company");
  ASSERT_EQ(0, RES_GetString(FCC("$NoN"), text, sizeof text));
  EXPECT_STREQ(text, "(No Name)\n(No Company)") << "the full view's two stand-ins";
}

TEST_F(ListStripTest, CategoryFromListPositions) {
  g_main.categoryCount = 3;
  g_main.categoryEntries = 4;
  g_main.categoryOf[0] = -1;
  g_main.categoryOf[1] = 0;
  g_main.categoryOf[2] = 5;
  g_main.categoryOf[3] = -1;
  EXPECT_EQ(CategoryFromList(nullptr, 0, false), -1) << "All";
  EXPECT_EQ(CategoryFromList(nullptr, 1, false), 0);
  EXPECT_EQ(CategoryFromList(nullptr, 2, true), 5);
  EXPECT_EQ(CategoryFromList(nullptr, 0, true), -1);
  EXPECT_EQ(CategoryFromList(nullptr, 3, false), -1) << "the editing entry";
  EXPECT_EQ(CategoryFromList(nullptr, 9, false), -1);
  EXPECT_EQ(CategoryFromList(nullptr, -1, false), -1) << "no form to read";
  // The pop-up of a running screen: "All", "Unfiled", "Business", the editing entry.
  Write({kBusy});
  std::vector<int16_t> got;
  Then([&] {
    for (int32_t at : {0, 1, 2, 3}) {
      ASSERT_EQ(0, GUI_SetValue(Active(), FCC("LCat"), at));
      got.push_back(CategoryFromList(Active(), -1, false));
    }
  });
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(got, (std::vector<int16_t>{-1, 0, 1, -1}));
}

}  // namespace
