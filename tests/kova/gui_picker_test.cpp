// Tests of the colour, date and time pickers and of the selectors that open
// them, on the headless host: the palette chosen by a scripted tap and by
// the arrow keys, OK and Cancel, a bound dialog of kind 74 over a colour
// selector, the date picker stepping months and taking a tapped day, its
// "Today", the time picker's wrapping steps, the date and time selectors'
// texts through the object commands, and screenshots of each picker.
#include <gtest/gtest.h>

#include <ctime>

#include "../../kova/plat_src/gui/gui_ctl.h"
#include "form_builder.h"
#include "gui_harness.h"
#include "kova_dialog.h"
#include "kova_picker.h"

namespace {

// Handheld time of a date and time, worked out by the C library.
uint32_t PalmAt(int year, int month, int day, int h = 0, int m = 0, int s = 0) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = h;
  tm.tm_min = m;
  tm.tm_sec = s;
  return PalmTimeFromUnix(int64_t(timegm(&tm)));
}
int WeekdayOf(int year, int month, int day) {
  std::time_t t = std::time_t(PalmTimeToUnix(PalmAt(year, month, day)));
  std::tm tm{};
  gmtime_r(&t, &tm);
  return tm.tm_wday;  // 0 = Sunday
}

uint32_t gNow = 0;
PalmTime FixedNow() { return gNow; }

class GuiPicker : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    gNow = PalmAt(2026, 12, 8, 10, 30, 0);
    GuiSetPickerClock(FixedNow);
  }
  void TearDown() override {
    GuiSetPickerClock(nullptr);
    GuiTest::TearDown();
  }
  // A tap in the middle of palette cell (row, column) of 18 x 13 cells.
  void TapPalette(int row, int column) {
    Then([row, column] {
      GfxRect r{};
      ASSERT_EQ(0, GUI_GetBounds(GUI_ActiveForm(), FCC("Pal_"), &r));
      int cw = r.w / 18, ch = r.h / 13;
      int x0 = (r.w - cw * 18) / 2, y0 = (r.h - ch * 13) / 2;
      TapNow(FCC("Pal_"), x0 + column * cw + cw / 2, y0 + row * ch + ch / 2);
    });
  }
  // A tap on day `day` of the month the date picker shows (Sunday first,
  // weekday initials in the first of seven rows).
  void TapDay(int year, int month, int day) {
    Then([year, month, day] {
      GfxRect r{};
      ASSERT_EQ(0, GUI_GetBounds(GUI_ActiveForm(), FCC("Days"), &r));
      int slot = WeekdayOf(year, month, 1) + day - 1;
      int cw = r.w / 7, ch = r.h / 7, x0 = (r.w - cw * 7) / 2;
      TapNow(FCC("Days"), x0 + slot % 7 * cw + cw / 2, (1 + slot / 7) * ch + ch / 2);
    });
  }
  static void TapNow(FourCC tag, int32_t dx, int32_t dy) {
    GfxRect r{}, f = GUI_FormBounds(GUI_ActiveForm());
    ASSERT_EQ(0, GUI_GetBounds(GUI_ActiveForm(), tag, &r));
    for (HostEventKind kind : {HOST_EVT_MOUSE_DOWN, HOST_EVT_MOUSE_UP}) {
      HostEvent e{};
      e.kind = kind;
      e.key = 1;
      e.x = f.x + r.x + dx;
      e.y = f.y + r.y + dy;
      HOST_HeadlessPushEvent(&e, 0);
    }
  }
  // The screen pixel `dx`, `dy` into an object of the active form.
  static uint32_t PixelIn(FourCC tag, int32_t dx, int32_t dy) {
    GfxRect r{}, f = GUI_FormBounds(GUI_ActiveForm());
    EXPECT_EQ(0, GUI_GetBounds(GUI_ActiveForm(), tag, &r));
    return ScreenPixel(f.x + r.x + dx, f.y + r.y + dy);
  }
};

TEST_F(GuiPicker, ColourChosenOnThePaletteIsKeptOnOk) {
  uint32_t colour = 0x000000;
  // Row 2, column 7: block 1 (red 0x33), green row 2 (0x66), blue column 1 (0x33).
  TapPalette(2, 7);
  Then([] {
    EXPECT_EQ("#336633", Text(FCC("Hex_")));
    GfxRect s{};
    ASSERT_EQ(0, GUI_GetBounds(GUI_ActiveForm(), FCC("Swat"), &s));
    EXPECT_EQ(0x336633u, PixelIn(FCC("Swat"), s.w / 2, s.h / 2));
  });
  Then([this] { SaveScreen("gui_picker_colour"); });
  Tap(FCC("OKAY"));
  EXPECT_TRUE(GUI_PickColour("Background", &colour));
  EXPECT_EQ(0x336633u, colour);
  // The grey row: column 17 is white.
  TapPalette(12, 17);
  Tap(FCC("OKAY"));
  EXPECT_TRUE(GUI_PickColour(nullptr, &colour));
  EXPECT_EQ(0xFFFFFFu, colour);
}

TEST_F(GuiPicker, CancelLeavesTheColourAndOkWithoutATapKeepsIt) {
  uint32_t colour = 0x123456;
  TapPalette(0, 0);
  Tap(FCC("CANC"));
  EXPECT_FALSE(GUI_PickColour(nullptr, &colour));
  EXPECT_EQ(0x123456u, colour);
  Then([] { EXPECT_EQ("#123456", Text(FCC("Hex_"))); });
  Tap(FCC("OKAY"));
  EXPECT_TRUE(GUI_PickColour(nullptr, &colour));
  EXPECT_EQ(0x123456u, colour);
  EXPECT_FALSE(GUI_PickColour(nullptr, nullptr));
}

TEST_F(GuiPicker, ArrowKeysMoveFromTheNearestPaletteEntry) {
  // Pure red sits in block 5 (rows 6-11, columns 12-17) at green 0, blue 0;
  // one to the right is blue 0x33.
  uint32_t colour = 0xFE0102;
  Key(HOST_KEY_RIGHT);
  Then([] { EXPECT_EQ("#FF0033", Text(FCC("Hex_"))); });
  Key(HOST_KEY_DOWN);
  Tap(FCC("OKAY"));
  EXPECT_TRUE(GUI_PickColour(nullptr, &colour));
  EXPECT_EQ(0xFF3333u, colour);
}

std::vector<uint8_t> SelectorForm() {
  FormBuilder b;
  b.Word("Iden").Num(3400).Word("Tagg").Word("Sel_").Word("FBeg");
  b.Object("BUTN", "Tagg lBak CPck lBak Rect 10 10 60 24");
  b.Object("BUTN", "Tagg Date DPck Date Rect 10 40 140 24", {"- None -"});
  b.Object("BUTN", "Tagg Time TPck Time Rect 10 70 80 24", {"- None -"});
  b.Object("BUTN", "Tagg Day1 DOff Day1 Rect 10 100 140 24", {"From"});
  b.Object("BUTN", "Tagg OKAY Rect 10 200 80 24", {"OK"});
  b.Object("BUTN", "Tagg CANC Rect 100 200 80 24", {"Cancel"});
  return b.Word("FEnd").Bytes();
}

class GuiSelector : public GuiPicker {
 protected:
  void SetUp() override {
    GuiPicker::SetUp();
    AddResource(FCC("FORM"), 3400, SelectorForm());
    ASSERT_EQ(0, GUI_FormOpen(&form_, 3400, 0, FCC("FORM"), nullptr));
  }
  void TearDown() override {
    GUI_FormClose(form_);
    GuiPicker::TearDown();
  }
  std::string Face(FourCC tag) { return GuiSelectorText(GUI_FindObject(form_, tag)); }
  GuiForm* form_ = nullptr;
};

TEST_F(GuiSelector, BoundColourSelectorOpensThePickerAndWritesBackOnOk) {
  uint32_t colour = 0x00FF00;
  Then([] {
    // The set phase put the value in; the face shows it as a swatch.
    uint32_t v = 0;
    EXPECT_EQ(0, GUI_ObjectCommand(GUI_ActiveForm(), GUI_FindObject(GUI_ActiveForm(), FCC("lBak")),
                                   GUI_CMD_GET_COLOUR, &v));
    EXPECT_EQ(0x00FF00u, v);
    EXPECT_EQ(0x00FF00u, PixelIn(FCC("lBak"), 30, 12));
  });
  Tap(FCC("lBak"));
  Then([] { EXPECT_EQ(FCC("kCol"), GUI_FormTag(GUI_ActiveForm())); });
  TapPalette(0, 17);  // block 2: red 0x66, green 0, blue 0xFF
  Tap(FCC("OKAY"));
  Then([] {
    EXPECT_EQ(FCC("Sel_"), GUI_FormTag(GUI_ActiveForm()));
    EXPECT_EQ(0x6600FFu, PixelIn(FCC("lBak"), 30, 12));
  });
  Tap(FCC("OKAY"));
  const DialogWord list[] = {DLG_COLOUR, FCC("lBak"), reinterpret_cast<DialogWord>(&colour),
                             DLG_END};
  EXPECT_EQ(FCC("OKAY"), GUI_DialogPopup(form_, list));
  EXPECT_EQ(0x6600FFu, colour);

  // Picked, then the dialog cancelled: the variable stays.
  Tap(FCC("lBak"));
  TapPalette(0, 0);
  Tap(FCC("OKAY"));
  Tap(FCC("CANC"));
  EXPECT_EQ(FCC("CANC"), GUI_DialogPopup(form_, list));
  EXPECT_EQ(0x6600FFu, colour);
}

TEST_F(GuiSelector, DateAndTimeSelectorsShowTheirValues) {
  GuiObject* date = GUI_FindObject(form_, FCC("Date"));
  GuiObject* time = GUI_FindObject(form_, FCC("Time"));
  EXPECT_EQ("- None -", Face(FCC("Date")));
  EXPECT_EQ("- None -", Face(FCC("Time")));
  uint32_t v = PalmAt(2027, 5, 17, 8, 0, 0);
  ASSERT_EQ(0, GUI_ObjectCommand(form_, date, GUI_CMD_SET_DATE, &v));
  EXPECT_EQ("05/17/2027", Face(FCC("Date")));
  uint32_t back = 0;
  ASSERT_EQ(0, GUI_ObjectCommand(form_, date, GUI_CMD_GET_DATE, &back));
  EXPECT_EQ(v, back);  // all 32 bits, past 2^31
  v = 13 * 3600 + 5 * 60;
  ASSERT_EQ(0, GUI_ObjectCommand(form_, time, GUI_CMD_SET_TIME, &v));
  EXPECT_EQ("13:05", Face(FCC("Time")));
  EXPECT_EQ(-1, GUI_ObjectCommand(form_, time, 22, &v));
  EXPECT_EQ(-1, GUI_ObjectCommand(form_, nullptr, GUI_CMD_GET_TIME, &v));
  EXPECT_EQ(0, GUI_ObjectCommand(form_, time, GUI_CMD_GET_TIME, nullptr));
  // The colour command keeps 24 bits.
  v = 0xAB123456;
  ASSERT_EQ(0,
            GUI_ObjectCommand(form_, GUI_FindObject(form_, FCC("lBak")), GUI_CMD_SET_COLOUR, &v));
  ASSERT_EQ(
      0, GUI_ObjectCommand(form_, GUI_FindObject(form_, FCC("lBak")), GUI_CMD_GET_COLOUR, &back));
  EXPECT_EQ(0x123456u, back);
}

TEST_F(GuiSelector, BoundDateSelectorStartsAtTodayAndTakesThePickedDay) {
  uint32_t date = 0;  // none: the picker opens on today's month
  Tap(FCC("Date"));
  Then([] { EXPECT_EQ(FCC("DPck"), GUI_FormTag(GUI_ActiveForm())); });
  TapDay(2026, 12, 24);
  Tap(FCC("OKAY"));
  Then([this] { EXPECT_EQ("12/24/2026", Face(FCC("Date"))); });
  Tap(FCC("OKAY"));
  const DialogWord list[] = {DLG_DATE, FCC("Date"), reinterpret_cast<DialogWord>(&date), DLG_END};
  EXPECT_EQ(FCC("OKAY"), GUI_DialogPopup(form_, list));
  EXPECT_EQ(PalmAt(2026, 12, 24), date);
}

TEST_F(GuiSelector, DateOffsetSelectorCountsSecondsFromTheStartOfToday) {
  // Today is 2026-12-08 (10:30 on the test clock): offset 0 shows it.
  EXPECT_EQ("12/08/2026", Face(FCC("Day1")));
  GuiObject* day = GUI_FindObject(form_, FCC("Day1"));
  uint32_t v = uint32_t(-86400);
  ASSERT_EQ(0, GUI_ObjectCommand(form_, day, GUI_CMD_SET_DATE, &v));
  EXPECT_EQ("12/07/2026", Face(FCC("Day1")));
  v = uint32_t(-1);  // any part of yesterday is yesterday
  ASSERT_EQ(0, GUI_ObjectCommand(form_, day, GUI_CMD_SET_DATE, &v));
  EXPECT_EQ("12/07/2026", Face(FCC("Day1")));
  // Ten days back the picker opens on November; the 30th is picked.
  int32_t offset = -10 * 86400;
  Tap(FCC("Day1"));
  Then([] { EXPECT_EQ(FCC("DPck"), GUI_FormTag(GUI_ActiveForm())); });
  TapDay(2026, 11, 30);
  Tap(FCC("OKAY"));
  Tap(FCC("OKAY"));
  const DialogWord list[] = {DLG_DATE, FCC("Day1"), reinterpret_cast<DialogWord>(&offset), DLG_END};
  EXPECT_EQ(FCC("OKAY"), GUI_DialogPopup(form_, list));
  EXPECT_EQ(-8 * 86400, offset);
  // Forward from today: the 24th is sixteen days ahead.
  offset = 0;
  Tap(FCC("Day1"));
  TapDay(2026, 12, 24);
  Tap(FCC("OKAY"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(FCC("OKAY"), GUI_DialogPopup(form_, list));
  EXPECT_EQ(16 * 86400, offset);
}

TEST_F(GuiPicker, DatePickerStepsMonthsAndKeepsTheTimeOfDay) {
  uint32_t date = PalmAt(2026, 12, 8, 10, 30, 15);
  Then([] { EXPECT_EQ(FCC("DPck"), GUI_FormTag(GUI_ActiveForm())); });
  Tap(FCC("NMon"));  // January 2027
  TapDay(2027, 1, 15);
  Then([this] { SaveScreen("gui_picker_date"); });
  Tap(FCC("OKAY"));
  EXPECT_TRUE(GUI_PickDate("Birthday", &date));
  EXPECT_EQ(PalmAt(2027, 1, 15, 10, 30, 15), date);

  // Back a year and a month, the 29th of February 2024 (a leap year).
  Tap(FCC("PYer"));  // January 2026
  Tap(FCC("PYer"));  // January 2025
  Tap(FCC("PYer"));  // January 2024
  Tap(FCC("NMon"));  // February 2024
  TapDay(2024, 2, 29);
  Tap(FCC("OKAY"));
  EXPECT_TRUE(GUI_PickDate(nullptr, &date));
  EXPECT_EQ(PalmAt(2024, 2, 29, 10, 30, 15), date);

  // "Today" goes to the clock's date; Cancel leaves the value.
  Tap(FCC("Tday"));
  Tap(FCC("OKAY"));
  EXPECT_TRUE(GUI_PickDate(nullptr, &date));
  EXPECT_EQ(PalmAt(2026, 12, 8, 10, 30, 15), date);
  TapDay(2026, 12, 1);
  Tap(FCC("CANC"));
  EXPECT_FALSE(GUI_PickDate(nullptr, &date));
  EXPECT_EQ(PalmAt(2026, 12, 8, 10, 30, 15), date);
}

TEST_F(GuiPicker, DatePickerArrowKeysMoveTheDayAcrossMonths) {
  uint32_t date = PalmAt(2026, 12, 30, 6, 0, 0);
  Key(HOST_KEY_DOWN);  // a week on: 6 January 2027
  Key(HOST_KEY_LEFT);  // 5 January
  Then([] { EXPECT_EQ(FCC("DPck"), GUI_FormTag(GUI_ActiveForm())); });
  Tap(FCC("OKAY"));
  EXPECT_TRUE(GUI_PickDate(nullptr, &date));
  EXPECT_EQ(PalmAt(2027, 1, 5, 6, 0, 0), date);
  Key(HOST_KEY_UP);     // 29 December 2026
  Key(HOST_KEY_RIGHT);  // 30 December
  Key(HOST_KEY_RIGHT);  // 31 December
  Tap(FCC("OKAY"));
  EXPECT_TRUE(GUI_PickDate(nullptr, &date));
  EXPECT_EQ(PalmAt(2026, 12, 31, 6, 0, 0), date);
}

TEST_F(GuiPicker, DatePickerStaysWithinItsYears) {
  uint32_t date = PalmAt(1904, 1, 10);
  Tap(FCC("PMon"));  // before January 1904: stays
  Tap(FCC("PYer"));
  TapDay(1904, 1, 2);
  Tap(FCC("OKAY"));
  EXPECT_TRUE(GUI_PickDate(nullptr, &date));
  EXPECT_EQ(PalmAt(1904, 1, 2), date);
}

TEST_F(GuiPicker, TimePickerStepsHoursAndMinutesWithWrapping) {
  uint32_t seconds = 9 * 3600 + 59 * 60 + 30;
  Tap(FCC("HrUp"));
  Tap(FCC("MnUp"));  // 59 wraps to 00 without carrying into the hours
  Then([this] { SaveScreen("gui_picker_time"); });
  Tap(FCC("OKAY"));
  EXPECT_TRUE(GUI_PickTime(nullptr, &seconds));
  EXPECT_EQ(uint32_t(10 * 3600 + 0 * 60 + 30), seconds);
  Tap(FCC("HrDn"));
  Tap(FCC("HrDn"));
  Tap(FCC("MnDn"));
  Tap(FCC("OKAY"));
  EXPECT_TRUE(GUI_PickTime(nullptr, &seconds));
  EXPECT_EQ(uint32_t(8 * 3600 + 59 * 60 + 30), seconds);
  uint32_t midnight = 0;
  Tap(FCC("HrDn"));
  Tap(FCC("CANC"));
  EXPECT_FALSE(GUI_PickTime(nullptr, &midnight));
  EXPECT_EQ(0u, midnight);
  Tap(FCC("HrDn"));  // 00 goes back to 23
  Tap(FCC("OKAY"));
  EXPECT_TRUE(GUI_PickTime(nullptr, &midnight));
  EXPECT_EQ(uint32_t(23 * 3600), midnight);
}

}  // namespace
