// Dates in the user's way of writing them: the date format of the current
// LC_TIME locale (nl_langinfo(D_FMT)) with every two-digit year widened to
// four digits, so that a birthday in 1931 never reads as 2031. Owns no
// state; the locale is whatever the program set with setlocale.
#include <langinfo.h>

#include <cstring>
#include <ctime>

#include "kova_fmt.h"

namespace {

constexpr int FORMAT_BYTES = 128;

bool leapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  static const int DAYS[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && leapYear(year) ? 29 : DAYS[month - 1];
}

bool calendarDate(int year, int month, int day) {
  return year >= 1904 && year <= 2031 && month >= 1 && month <= 12 && day >= 1 &&
         day <= daysInMonth(year, month);
}

// Days since 1970-01-01 of a Gregorian date (negative before).
long daysSinceEpoch(int year, int month, int day) {
  long y = year - (month <= 2 ? 1 : 0);
  long era = (y >= 0 ? y : y - 399) / 400;
  long yoe = y - era * 400;
  long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Copies `fmt` with each "%y" (flags, width and an E/O modifier allowed in
// between) turned into "%Y" and each "%D" into "%m/%d/%Y". Returns false
// when the result does not fit.
bool widenYears(const char* fmt, char* out, size_t size) {
  size_t n = 0;
  for (const char* p = fmt; *p; p++) {
    if (n + 1 >= size) return false;
    out[n++] = *p;
    if (*p != '%') continue;
    while (p[1] && strchr("_-0^#123456789EO", p[1])) {
      if (n + 1 >= size) return false;
      out[n++] = *++p;
    }
    if (!p[1]) break;
    p++;
    // "%D" is "%m/%d/%y" in one.
    const char* with = *p == 'y' ? "Y" : *p == 'D' ? "m/%d/%Y" : nullptr;
    size_t len = with ? strlen(with) : 1;
    if (n + len >= size) return false;
    if (with)
      memcpy(out + n, with, len);
    else
      out[n] = *p;
    n += len;
  }
  out[n] = 0;
  return true;
}

}  // namespace

int STR_FormatDateWith(char* out, int size, const char* localeFormat, int16_t year, int16_t month,
                       int16_t day) {
  if (out && size > 0) out[0] = 0;
  if (!localeFormat || !calendarDate(year, month, day)) return 0;
  char fmt[FORMAT_BYTES], text[FORMAT_BYTES];
  if (!widenYears(localeFormat, fmt, sizeof fmt)) return 0;
  struct tm t;
  memset(&t, 0, sizeof t);
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = 12;
  long days = daysSinceEpoch(year, month, day);
  t.tm_wday = int(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  t.tm_yday = int(days - daysSinceEpoch(year, 1, 1));
  size_t length = strftime(text, sizeof text, fmt, &t);
  if (length == 0) return 0;
  if (out && size > 0) {
    size_t keep = length < size_t(size) ? length : size_t(size) - 1;
    memcpy(out, text, keep);
    out[keep] = 0;
  }
  return int(length);
}

int STR_FormatDate(char* out, int size, int16_t year, int16_t month, int16_t day) {
  return STR_FormatDateWith(out, size, nl_langinfo(D_FMT), year, month, day);
}
