// Tests of the platform's formatter: each conversion, width and flags checked
// against hand-written texts and against the C library's printf, plus the
// behaviour on a cut buffer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "kova_fmt.h"

namespace {

std::string fmt(const char* f, ...) {
  char buf[256];
  va_list args;
  va_start(args, f);
  int n = STR_VFormat(buf, sizeof buf, f, args);
  va_end(args);
  EXPECT_EQ(size_t(n), strlen(buf)) << f;
  return buf;
}

// printf's own rendering of the same value with the standard conversion.
std::string libc(const char* f, ...) {
  char buf[256];
  va_list args;
  va_start(args, f);
  vsnprintf(buf, sizeof buf, f, args);
  va_end(args);
  return buf;
}

TEST(StrFormat, Conversions) {
  EXPECT_EQ(fmt("Removed dupe record %hd\n", 12), "Removed dupe record 12\n");
  EXPECT_EQ(fmt("%hd", 40000), "-25536");  // printed as a signed 16-bit value
  EXPECT_EQ(fmt("%hd", -32768), "-32768");
  EXPECT_EQ(fmt("%ld", int32_t(-2147483647 - 1)), "-2147483648");
  EXPECT_EQ(fmt("%ld", int32_t(2147483647)), "2147483647");
  EXPECT_EQ(fmt("%lx", uint32_t(0xDEADBEEF)), "deadbeef");
  EXPECT_EQ(fmt("%lx", uint32_t(0)), "0");
  EXPECT_EQ(fmt("[%s]", "abc"), "[abc]");
  EXPECT_EQ(fmt("[%s]", static_cast<const char*>(nullptr)), "[(null)]");
  EXPECT_EQ(fmt("%c%c", 'h', 'i'), "hi");
  EXPECT_EQ(fmt("Saved_Preferences_%t", uint32_t(0x61646472)), "Saved_Preferences_addr");
  EXPECT_EQ(fmt("100%%"), "100%");
  EXPECT_EQ(fmt("%hd: Sort QuickSort %hd...", 3, 250), "3: Sort QuickSort 250...");
}

TEST(StrFormat, WidthAndFlags) {
  EXPECT_EQ(fmt("%08lx", uint32_t(0xBEEF)), "0000beef");
  EXPECT_EQ(fmt("%04ld", int32_t(-7)), "-007");
  EXPECT_EQ(fmt("%02ld", int32_t(5)), "05");
  EXPECT_EQ(fmt("%02ld", int32_t(123)), "123");  // width is a minimum
  EXPECT_EQ(fmt("%5hd|", -42), "  -42|");
  EXPECT_EQ(fmt("%-10s|", "ab"), "ab        |");
  EXPECT_EQ(fmt("%-05ld|", int32_t(-3)), "-3   |");  // "-" wins over "0"
  EXPECT_EQ(fmt("%3c|", 'x'), "  x|");
  EXPECT_EQ(fmt("%6t|", uint32_t(0x44617461)), "  Data|");
}

TEST(StrFormat, AgreesWithPrintf) {
  const int32_t values[] = {0,      1,     -1,     9,       -10,        32767,
                            -32768, 65535, 123456, -123456, 2147483647, -2147483647 - 1};
  const char* widths[] = {"", "1", "4", "08", "-6", "012", "-012"};
  for (int32_t v : values) {
    for (const char* w : widths) {
      std::string ours = std::string("%") + w, theirs = ours;
      EXPECT_EQ(fmt((ours + "ld").c_str(), v), libc((theirs + "d").c_str(), int(v))) << w << v;
      EXPECT_EQ(fmt((ours + "hd").c_str(), int(v)), libc((theirs + "d").c_str(), int(int16_t(v))))
          << w << v;
      EXPECT_EQ(fmt((ours + "lx").c_str(), uint32_t(v)),
                libc((theirs + "x").c_str(), unsigned(uint32_t(v))))
          << w << v;
    }
  }
}

TEST(StrFormat, UnknownConversionsStayAsWritten) {
  EXPECT_EQ(fmt("%d %q %5u", 7), "%d %q %5u");
  // An unknown one consumes no argument: the %hd still gets the first.
  EXPECT_EQ(fmt("%x=%hd", 9), "%x=9");
  EXPECT_EQ(fmt("end %"), "end %");
}

TEST(StrFormat, CutOutputStaysInBounds) {
  char buf[8];
  memset(buf, '#', sizeof buf);
  // Size 5: four characters and the zero; the rest of buf is untouched.
  EXPECT_EQ(STR_Format(buf, 5, "%s-%ld", "abcdef", int32_t(42)), 9);
  EXPECT_STREQ(buf, "abcd");
  EXPECT_EQ(buf[5], '#');

  memset(buf, '#', sizeof buf);
  EXPECT_EQ(STR_Format(buf, 1, "xyz"), 3);
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(buf[1], '#');

  buf[0] = '#';
  EXPECT_EQ(STR_Format(buf, 0, "%08lx", uint32_t(1)), 8);
  EXPECT_EQ(buf[0], '#');  // size 0 writes nothing
  EXPECT_EQ(STR_Format(nullptr, 0, "%-10s", "a"), 10);

  EXPECT_EQ(STR_Format(buf, 8, "%04ld", int32_t(-1234567)), 8);
  EXPECT_STREQ(buf, "-123456");
}

}  // namespace
