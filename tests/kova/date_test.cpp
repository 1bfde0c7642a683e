// Dates in the locale's way: the plain C locale, two-digit years widened in
// any date format, dates that are not calendar dates, short buffers, and a
// real locale (compiled with localedef into a temporary folder when the
// host has the locale sources) whose own format has a two-digit year.
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "kova_fixture.h"

namespace {

std::string Date(int y, int m, int d, const char* fmt = nullptr, int size = 64) {
  char out[64];
  memset(out, '#', sizeof out);
  int n = fmt ? STR_FormatDateWith(out, size, fmt, int16_t(y), int16_t(m), int16_t(d))
              : STR_FormatDate(out, size, int16_t(y), int16_t(m), int16_t(d));
  std::string text = size > 0 ? std::string(out) : std::string();
  EXPECT_EQ(size > 0 && n < size ? int(text.size()) : n, n) << text;
  return text;
}

class StrFormatDate : public ::testing::Test {
 protected:
  void SetUp() override { setlocale(LC_TIME, "C"); }
  void TearDown() override { setlocale(LC_TIME, "C"); }
};

TEST_F(StrFormatDate, CLocaleWritesMonthDayAndFourDigitYear) {
  EXPECT_EQ("05/17/1970", Date(1970, 5, 17));
  EXPECT_EQ("01/01/1904", Date(1904, 1, 1));
  EXPECT_EQ("12/31/2031", Date(2031, 12, 31));
  EXPECT_EQ("02/29/2000", Date(2000, 2, 29));
  EXPECT_EQ("03/04/1931", Date(1931, 3, 4));  // never "31", which reads as 2031
}

TEST_F(StrFormatDate, NonCalendarDatesWriteNothing) {
  const int bad[][3] = {{1970, 13, 1}, {1970, 0, 5},  {1970, 2, 30}, {1999, 2, 29},
                        {1970, 4, 31}, {1970, 6, 0},  {1970, 1, 32}, {1903, 12, 31},
                        {2032, 1, 1},  {1970, -1, 1}, {1904, 2, 30}};
  for (const auto& d : bad) {
    char out[16] = "untouched";
    EXPECT_EQ(0, STR_FormatDate(out, sizeof out, int16_t(d[0]), int16_t(d[1]), int16_t(d[2])))
        << d[0] << "-" << d[1] << "-" << d[2];
    EXPECT_STREQ("", out);
  }
  EXPECT_EQ("02/29/1904", Date(1904, 2, 29));  // leap years at both ends of the range
  EXPECT_EQ("02/29/2028", Date(2028, 2, 29));
}

TEST_F(StrFormatDate, ShortBuffersAreCutAndTheFullLengthReturned) {
  char out[8];
  EXPECT_EQ(10, STR_FormatDate(out, 5, 1970, 5, 17));
  EXPECT_STREQ("05/1", out);
  out[0] = 'x';
  EXPECT_EQ(10, STR_FormatDate(out, 0, 1970, 5, 17));
  EXPECT_EQ('x', out[0]);
  EXPECT_EQ(10, STR_FormatDate(nullptr, 0, 1970, 5, 17));
}

TEST_F(StrFormatDate, EveryTwoDigitYearOfAFormatIsWidened) {
  EXPECT_EQ("17.05.1970", Date(1970, 5, 17, "%d.%m.%y"));
  EXPECT_EQ("1970-05-17", Date(1970, 5, 17, "%y-%m-%d"));
  EXPECT_EQ("17/5/1970", Date(1970, 5, 17, "%-d/%-m/%-y"));   // flags between % and y
  EXPECT_EQ("%y 1970 1970", Date(1970, 5, 17, "%%y %y %Y"));  // a literal "%y" stays
  EXPECT_EQ("05/17/2001", Date(2001, 5, 17, "%D"));           // %D holds a two-digit year
  EXPECT_EQ("", Date(1970, 5, 17, ""));
  char out[8] = "x";
  EXPECT_EQ(0, STR_FormatDateWith(out, sizeof out, nullptr, 1970, 5, 17));
  EXPECT_STREQ("", out);
}

TEST_F(StrFormatDate, WeekdaysAndDayOfYearAreFilledIn) {
  // Known weekdays: 1970-05-17 a Sunday, 2000-02-29 a Tuesday, 1904-01-01 a
  // Friday, 2031-12-31 a Wednesday.
  EXPECT_EQ("Sun", Date(1970, 5, 17, "%a"));
  EXPECT_EQ("Tuesday", Date(2000, 2, 29, "%A"));
  EXPECT_EQ("Fri", Date(1904, 1, 1, "%a"));
  EXPECT_EQ("Wed 365", Date(2031, 12, 31, "%a %j"));
  EXPECT_EQ("060", Date(2000, 2, 29, "%j"));
}

TEST_F(StrFormatDate, ARealLocaleWithTwoDigitYearsGetsFourDigits) {
  // en_GB writes dates as "%d/%m/%y". Only its time category is compiled.
  char folder[] = "/tmp/brantel-locale-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(folder));
  std::string source = std::string(folder) + "/time.src";
  std::string target = std::string(folder) + "/en_GB.ISO-8859-1";
  FILE* f = fopen(source.c_str(), "w");
  ASSERT_NE(nullptr, f);
  fputs("LC_TIME\ncopy \"en_GB\"\nEND LC_TIME\n", f);
  fclose(f);
  // localedef warns (and exits 1) about the categories left out.
  std::string cmd = "localedef -c -i " + source + " -f ISO-8859-1 " + target + " >/dev/null 2>&1";
  (void)!system(cmd.c_str());
  bool built = std::filesystem::exists(target + "/LC_TIME");
  if (built) {
    setenv("LOCPATH", folder, 1);
    built = setlocale(LC_TIME, "en_GB.ISO-8859-1") != nullptr;
  }
  std::string text = built ? Date(1970, 5, 17) : "";
  setlocale(LC_TIME, "C");
  unsetenv("LOCPATH");
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  if (!built) GTEST_SKIP() << "the en_GB locale cannot be built on this host";
  EXPECT_EQ("17/05/1970", text);
}

}  // namespace
