// Dates and times for the date and time selectors and their pickers: civil
// dates over the handheld clock (days since 1904-01-01, proleptic
// Gregorian), the selectors' texts (the date as the locale writes it, the
// time as "HH:MM") and the clock "Today" reads, replaceable by tests.
// State: the replaced clock.
#include <ctime>

#include "gui_ctl.h"
#include "kova_fmt.h"

namespace {

PalmTime (*gClock)() = nullptr;

constexpr uint32_t SECONDS_PER_DAY = 86400;

// Days from 0000-03-01 of a civil date (the era arithmetic of the
// proleptic Gregorian calendar, years counted from March).
int64_t daysFromMarchEpoch(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2 ? 1 : 0;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe;
}

const int64_t EPOCH_1904 = daysFromMarchEpoch(1904, 1, 1);

}  // namespace

int32_t GuiDaysFromCivil(int32_t year, int32_t month, int32_t day) {
  return int32_t(daysFromMarchEpoch(year, month, day) - EPOCH_1904);
}

void GuiCivilFromDays(int32_t days, int32_t* year, int32_t* month, int32_t* day) {
  int64_t z = int64_t(days) + EPOCH_1904;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t d = doy - (153 * mp + 2) / 5 + 1;
  int64_t m = mp < 10 ? mp + 3 : mp - 9;
  int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  if (year) *year = int32_t(y);
  if (month) *month = int32_t(m);
  if (day) *day = int32_t(d);
}

int32_t GuiDaysInMonth(int32_t year, int32_t month) {
  static const int8_t DAYS[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return DAYS[month - 1] + (month == 2 && leap ? 1 : 0);
}

void GuiSetPickerClock(PalmTime (*now)()) { gClock = now; }

int32_t GuiDateOffsetDays(int32_t offset) {
  // Whole days, rounded towards the past, so -1 second is yesterday.
  int64_t o = offset;
  return int32_t(o >= 0 ? o / SECONDS_PER_DAY : -((-o + SECONDS_PER_DAY - 1) / SECONDS_PER_DAY));
}

PalmTime GuiPickerNow() {
  if (gClock) return gClock();
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  int32_t days = GuiDaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  return PalmTime(uint32_t(days) * SECONDS_PER_DAY +
                  uint32_t(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec));
}

namespace {

// Day `days` (since 1904) as the locale writes dates, else as yyyy-mm-dd.
std::string dateText(int32_t days) {
  int32_t y = 0, m = 0, d = 0;
  GuiCivilFromDays(days, &y, &m, &d);
  char text[64] = {0};
  if (STR_FormatDate(text, sizeof text, int16_t(y), int16_t(m), int16_t(d)) == 0)
    (void)STR_Format(text, sizeof text, "%04ld-%02ld-%02ld", y, m, d);
  return text;
}

}  // namespace

std::string GuiSelectorText(const GuiObject* object) {
  uint32_t v = uint32_t(object->control.value);
  char text[64] = {0};
  if (object->actionKind == FCC("DPck")) {
    if (v == 0) return GuiLabel(object);
    return dateText(int32_t(v / SECONDS_PER_DAY));
  }
  if (object->actionKind == FCC("DOff")) {
    int64_t today = int64_t(GuiPickerNow() / SECONDS_PER_DAY);
    return dateText(int32_t(today + GuiDateOffsetDays(int32_t(v))));
  }
  if (object->actionKind == FCC("TPck")) {
    if (v >= SECONDS_PER_DAY) return GuiLabel(object);
    (void)STR_Format(text, sizeof text, "%02ld:%02ld", int32_t(v / 3600), int32_t(v / 60 % 60));
    return text;
  }
  (void)STR_Format(text, sizeof text, "#%06lx", v & 0xFFFFFFu);
  return text;
}
