// The date picker "DPck" (GUI_PickDate) and the time picker "TPck"
// (GUI_PickTime). The date picker shows one month at a time as a grid of
// weeks (Sunday first) under the weekday initials; the previous/next
// buttons step months and years within 1904 … 2031, a tap on a day (or the
// arrow keys) chooses it, "Today" goes to the clock's date. The time picker steps hours and
// minutes (each wraps around without carrying). State: the running picker's
// record, on the caller's stack for the length of the call.
#include <algorithm>

#include "gui_ctl.h"
#include "kova_fmt.h"
#include "kova_picker.h"

namespace {

constexpr uint32_t SECONDS_PER_DAY = 86400;
constexpr int32_t FIRST_YEAR = 1904, LAST_YEAR = 2031;
constexpr FourCC TAG_MONTH = FCC("Mnth");
constexpr FourCC TAG_DAYS = FCC("Days");
constexpr FourCC TAG_CLOCK = FCC("Clok");

const char* const MONTH_NAMES[12] = {"January",   "February", "March",    "April",
                                     "May",       "June",     "July",     "August",
                                     "September", "October",  "November", "December"};
const char WEEKDAY_INITIALS[8] = "SMTWTFS";

struct DatePick {
  int32_t year, month;                // the month shown
  int32_t selYear, selMonth, selDay;  // the date chosen
  uint32_t timeOfDay;                 // kept from the value given
};

// 0 = Sunday; 1904-01-01 was a Friday.
int32_t weekday(int32_t days) { return ((days + 5) % 7 + 7) % 7; }

void showMonth(DatePick* p, int32_t year, int32_t month) {
  int32_t index = std::clamp(year * 12 + month - 1, FIRST_YEAR * 12, LAST_YEAR * 12 + 11);
  p->year = index / 12;
  p->month = index % 12 + 1;
}

void drawMonth(GuiForm* form, GuiObject* object, const DatePick* p) {
  GfxCanvas c = GuiCanvas(form, object->rect);
  GFX_FillRect(&c, object->rect, GuiColour(form, COL_BACK));
  char text[32];
  (void)STR_Format(text, sizeof text, "%s %ld", MONTH_NAMES[p->month - 1], p->year);
  (void)GuiTextIn(&c, FONT_BOLD, text, object->rect, 1, GuiColour(form, COL_TEXT));
}

GfxRect dayCell(const GfxRect& r, int32_t row, int32_t col) {
  int32_t cw = r.w / 7, ch = r.h / 7;
  int32_t x0 = r.x + (r.w - cw * 7) / 2;
  return GfxRect{int16_t(x0 + col * cw), int16_t(r.y + row * ch), int16_t(cw), int16_t(ch)};
}

void drawDays(GuiForm* form, GuiObject* object, const DatePick* p) {
  GfxCanvas c = GuiCanvas(form, object->rect);
  const GfxRect& r = object->rect;
  GFX_FillRect(&c, r, GuiColour(form, COL_BACK));
  uint32_t ink = GuiColour(form, COL_TEXT);
  for (int32_t col = 0; col < 7; col++)
    (void)GuiTextIn(&c, FONT_BOLD, std::string(1, WEEKDAY_INITIALS[col]), dayCell(r, 0, col), 1,
                    ink);
  GfxRect head = dayCell(r, 0, 0);
  GFX_Line(&c, head.x, int16_t(head.y + head.h - 1), int16_t(head.x + head.w * 7 - 1),
           int16_t(head.y + head.h - 1), GuiColour(form, COL_FRAME));
  int32_t first = weekday(GuiDaysFromCivil(p->year, p->month, 1));
  int32_t count = GuiDaysInMonth(p->year, p->month);
  for (int32_t day = 1; day <= count; day++) {
    int32_t slot = first + day - 1;
    GfxRect cell = dayCell(r, 1 + slot / 7, slot % 7);
    bool chosen = p->year == p->selYear && p->month == p->selMonth && day == p->selDay;
    if (chosen)
      GuiRoundFrame(&c, GuiInset(cell, 1), GuiColour(form, COL_FOCUS), GuiColour(form, COL_FOCUS),
                    1);
    uint32_t rgb = chosen ? GuiColour(form, COL_BACK) : ink;
    (void)GuiTextIn(&c, object->font, std::to_string(day), cell, 1, rgb);
  }
}

void redrawDate(GuiForm* form) {
  (void)GUI_Redraw(form, TAG_MONTH);
  (void)GUI_Redraw(form, TAG_DAYS);
}

void choose(DatePick* p, int32_t year, int32_t month, int32_t day) {
  p->selYear = year;
  p->selMonth = month;
  p->selDay = day;
}

void tapDays(GuiForm* form, GuiObject* object, DatePick* p, int32_t x, int32_t y) {
  const GfxRect& r = object->rect;
  for (int32_t slot = 0; slot < 42; slot++) {
    GfxRect cell = dayCell(r, 1 + slot / 7, slot % 7);
    if (!GuiInside(cell, r.x + x, r.y + y)) continue;
    int32_t day = slot - weekday(GuiDaysFromCivil(p->year, p->month, 1)) + 1;
    if (day < 1 || day > GuiDaysInMonth(p->year, p->month)) return;
    choose(p, p->year, p->month, day);
    redrawDate(form);
    return;
  }
}

void goToday(GuiForm* form, DatePick* p) {
  int32_t y = 0, m = 0, d = 0;
  GuiCivilFromDays(int32_t(GuiPickerNow() / SECONDS_PER_DAY), &y, &m, &d);
  showMonth(p, y, m);
  if (p->year == y && p->month == m) choose(p, y, m, d);
  redrawDate(form);
}

// Arrow keys move the chosen day (a week up and down); the month follows.
bool arrowKey(GuiForm* form, DatePick* p, uint32_t code) {
  int32_t step = code == FCC("ALFT")   ? -1
                 : code == FCC("ARGT") ? 1
                 : code == FCC("SCUP") ? -7
                 : code == FCC("SCDN") ? 7
                                       : 0;
  if (step == 0) return false;
  int32_t days = GuiDaysFromCivil(p->selYear, p->selMonth, p->selDay) + step;
  int32_t last = GuiDaysFromCivil(LAST_YEAR, 12, 31);
  if (days < 0 || days > last) return true;
  int32_t y = 0, m = 0, d = 0;
  GuiCivilFromDays(days, &y, &m, &d);
  choose(p, y, m, d);
  showMonth(p, y, m);
  redrawDate(form);
  return true;
}

int16_t dateHandler(FourCC, GuiForm* form, uintptr_t user, uintptr_t, int16_t kind, uintptr_t a1,
                    uintptr_t a2, uintptr_t, uintptr_t a4, uintptr_t a5) {
  auto* p = reinterpret_cast<DatePick*>(user);
  auto* object = reinterpret_cast<GuiObject*>(a2);
  if (kind == FORM_EVT_OBJECT_DRAW) {
    if (FourCC(a1) == TAG_MONTH)
      drawMonth(form, object, p);
    else if (FourCC(a1) == TAG_DAYS)
      drawDays(form, object, p);
    else
      return 0;
    return 1;
  }
  if (kind == FORM_EVT_KEY) return arrowKey(form, p, uint32_t(a1)) ? 1 : 0;
  if (kind != FORM_EVT_CONTROL) return 0;
  switch (FourCC(a1)) {
    case FCC("PYer"):
      showMonth(p, p->year - 1, p->month);
      break;
    case FCC("NYer"):
      showMonth(p, p->year + 1, p->month);
      break;
    case FCC("PMon"):
      showMonth(p, p->year, p->month - 1);
      break;
    case FCC("NMon"):
      showMonth(p, p->year, p->month + 1);
      break;
    case FCC("Tday"):
      goToday(form, p);
      return 1;
    case TAG_DAYS:
      tapDays(form, object, p, int32_t(a4), int32_t(a5));
      return 1;
    default:
      return 0;
  }
  redrawDate(form);
  return 1;
}

struct TimePick {
  int32_t hours, minutes;
  uint32_t seconds;  // within the minute, kept
};

void drawClock(GuiForm* form, GuiObject* object, const TimePick* p) {
  GfxCanvas c = GuiCanvas(form, object->rect);
  GFX_FillRect(&c, object->rect, GuiColour(form, COL_BACK));
  GFX_FrameRect(&c, object->rect, GuiColour(form, COL_FRAME), 1);
  char text[16];
  (void)STR_Format(text, sizeof text, "%02ld:%02ld", p->hours, p->minutes);
  (void)GuiTextIn(&c, FONT_LARGE_BOLD, text, object->rect, 1, GuiColour(form, COL_TEXT));
}

int16_t timeHandler(FourCC, GuiForm* form, uintptr_t user, uintptr_t, int16_t kind, uintptr_t a1,
                    uintptr_t a2, uintptr_t, uintptr_t, uintptr_t) {
  auto* p = reinterpret_cast<TimePick*>(user);
  if (kind == FORM_EVT_OBJECT_DRAW && FourCC(a1) == TAG_CLOCK) {
    drawClock(form, reinterpret_cast<GuiObject*>(a2), p);
    return 1;
  }
  if (kind != FORM_EVT_CONTROL) return 0;
  switch (FourCC(a1)) {
    case FCC("HrUp"):
      p->hours = (p->hours + 1) % 24;
      break;
    case FCC("HrDn"):
      p->hours = (p->hours + 23) % 24;
      break;
    case FCC("MnUp"):
      p->minutes = (p->minutes + 1) % 60;
      break;
    case FCC("MnDn"):
      p->minutes = (p->minutes + 59) % 60;
      break;
    default:
      return 0;
  }
  (void)GUI_Redraw(form, TAG_CLOCK);
  return 1;
}

}  // namespace

bool GUI_PickDate(const char* title, uint32_t* date) {
  if (!date) return false;
  DatePick p{};
  int32_t y = 0, m = 0, d = 0;
  GuiCivilFromDays(int32_t(*date / SECONDS_PER_DAY), &y, &m, &d);
  p.timeOfDay = *date % SECONDS_PER_DAY;
  showMonth(&p, y, m);
  if (p.year == y && p.month == m)
    choose(&p, y, m, d);
  else
    choose(&p, p.year, p.month, 1);  // beyond the range: its nearest month's first
  if (!GuiRunPicker(GUI_FORM_DATE, title, dateHandler, &p, nullptr)) return false;
  uint32_t days = uint32_t(GuiDaysFromCivil(p.selYear, p.selMonth, p.selDay));
  *date = days * SECONDS_PER_DAY + p.timeOfDay;
  return true;
}

bool GUI_PickTime(const char* title, uint32_t* seconds) {
  if (!seconds) return false;
  uint32_t v = *seconds < SECONDS_PER_DAY ? *seconds : 0;
  TimePick p{int32_t(v / 3600), int32_t(v / 60 % 60), v % 60};
  if (!GuiRunPicker(GUI_FORM_TIME, title, timeHandler, &p, nullptr)) return false;
  *seconds = uint32_t(p.hours * 3600 + p.minutes * 60) + p.seconds;
  return true;
}
