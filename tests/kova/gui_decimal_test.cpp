// Fixed-point decimals as text: the formatting cases (zero, trailing zeros,
// the decimal point inside and before the digits, the sign, a text too long
// for its buffer, a bad marker) and the parsing cases (comma or point, a
// second point, the mantissa's room, the exponent's limit).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "kova.h"

namespace {

struct Formatted {
  Err err;
  std::string text;
};

Formatted Format(uint32_t mantissa, int16_t exponent, bool negative, uint32_t size = 21,
                 uint8_t marker = DECIMAL_MARKER) {
  DecimalValue v{mantissa, exponent, uint8_t(negative), marker};
  char buffer[64];
  memset(buffer, '#', sizeof buffer);
  Err err = GUI_DecimalFormat(&v, buffer, size);
  return {err, std::string(buffer)};
}

void ExpectParsed(const char* text, uint32_t mantissa, int16_t exponent, bool negative) {
  DecimalValue v = GUI_DecimalParse(text);
  EXPECT_EQ(mantissa, v.mantissa) << text;
  EXPECT_EQ(exponent, v.exponent) << text;
  EXPECT_EQ(negative ? 1 : 0, v.negative) << text;
  EXPECT_EQ(DECIMAL_MARKER, v.marker) << text;
}

TEST(GuiDecimalFormat, PlacesThePointAndTheZeros) {
  EXPECT_EQ("0", Format(0, -5, true).text);
  EXPECT_EQ("125", Format(125, 0, false).text);
  EXPECT_EQ("12500", Format(125, 2, false).text);
  EXPECT_EQ("12.5", Format(125, -1, false).text);
  EXPECT_EQ("0.125", Format(125, -3, false).text);
  EXPECT_EQ("-0.05", Format(5, -2, true).text);
  EXPECT_EQ("0.00007", Format(7, -5, false).text);
  EXPECT_EQ("4294967295", Format(0xFFFFFFFF, 0, false).text);
  EXPECT_EQ(0, Format(5, -2, true).err);
  // Marker 0 is accepted like 10.
  EXPECT_EQ("3", Format(3, 0, false, 21, 0).text);
}

TEST(GuiDecimalFormat, TooLongGivesOverflowAndBadMarkerFails) {
  // "-12.5" needs five characters: a buffer of 6 holds it, one of 5 does not.
  EXPECT_EQ("-12.5", Format(125, -1, true, 6).text);
  Formatted over = Format(125, -1, true, 5);
  EXPECT_EQ(ERR_DIALOG_BINDING, over.err);
  EXPECT_EQ("OVR", over.text);
  EXPECT_EQ("OV", Format(1, 30, false, 3).text);  // even "OVR" is cut to the buffer
  // A huge exponent is refused without building the text.
  EXPECT_EQ(ERR_DIALOG_BINDING, Format(1, 32000, false, 21).err);
  Formatted bad = Format(5, 0, false, 21, 7);
  EXPECT_EQ(ERR_DIALOG_MARKER, bad.err);
  EXPECT_EQ("", bad.text);
  EXPECT_EQ(0, GUI_DecimalFormat(nullptr, nullptr, 0));
}

TEST(GuiDecimalParse, PointsSignsAndEnds) {
  ExpectParsed("12,5", 125, -1, false);
  ExpectParsed("-0.05", 5, -2, true);
  ExpectParsed("1.2.3", 12, -1, false);
  ExpectParsed("", 0, 0, false);
  ExpectParsed(nullptr, 0, 0, false);
  ExpectParsed("42kg", 42, 0, false);
  ExpectParsed("3-4", 3, 0, false);  // "-" only counts first
  ExpectParsed(".5", 5, -1, false);
}

TEST(GuiDecimalParse, MantissaRoomMovesTheExponentWithinItsLimit) {
  // 214748364 is the first mantissa not below 0x0CCCCCCC: later digits only scale.
  ExpectParsed("2147483647", 214748364, 1, false);
  ExpectParsed("21474836.479", 214748364, -1, false);  // the 7 and 9 after the point drop
  ExpectParsed("123456789", 123456789, 0, false);
  std::string huge = "9" + std::string(40000, '0');
  DecimalValue v = GUI_DecimalParse(huge.c_str());
  EXPECT_EQ(32000, v.exponent);
  std::string tiny = "0." + std::string(40000, '0') + "1";
  EXPECT_EQ(-32000, GUI_DecimalParse(tiny.c_str()).exponent);
}

}  // namespace
