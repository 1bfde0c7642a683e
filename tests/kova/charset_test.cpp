// Tests of the handheld's character set: the byte to Unicode table against
// Windows-1252 and the suits, round trips, and the UTF-8 conversions' edge
// cases (malformed and truncated input, characters without a handheld form,
// tiny buffers).
#include <gtest/gtest.h>

#include <string>

#include "kova.h"

namespace {

// UTF-8 of a code point up to U+FFFF, written from the encoding rules.
std::string Utf8(uint32_t cp) {
  std::string s;
  if (cp < 0x80) {
    s += char(cp);
  } else if (cp < 0x800) {
    s += char(0xC0 + (cp >> 6));
    s += char(0x80 + (cp & 0x3F));
  } else {
    s += char(0xE0 + (cp >> 12));
    s += char(0x80 + ((cp >> 6) & 0x3F));
    s += char(0x80 + (cp & 0x3F));
  }
  return s;
}

std::string ToUtf8(const std::string& text, uint32_t size = 256) {
  std::string out(size + 8, '#');
  uint32_t n = TXT_ToUtf8(text.data(), uint32_t(text.size()), out.data(), size);
  EXPECT_EQ(out[n], '\0');
  return out.substr(0, n);
}

std::string FromUtf8(const std::string& utf8, uint32_t size = 256) {
  std::string out(size + 8, '#');
  uint32_t n = TXT_FromUtf8(utf8.data(), uint32_t(utf8.size()), out.data(), size);
  EXPECT_EQ(out[n], '\0');
  return out.substr(0, n);
}

// Bytes 0x80-0x9F as the handheld shows them: Windows-1252, the four suits
// at 0x8D-0x90 and the C1 controls U+0081 and U+009D where Windows-1252 has
// nothing.
const char* const UPPER_CONTROLS_UTF8 =
    "€\u0081‚ƒ„…†‡ˆ‰Š‹Œ♦♣♥"
    "♠‘’“”•–—˜™š›œ\u009džŸ";

}  // namespace

TEST(TxtCharset, UpperControlsAreWindows1252WithSuits) {
  std::string bytes;
  for (int c = 0x80; c < 0xA0; c++) bytes += char(c);
  EXPECT_EQ(ToUtf8(bytes), UPPER_CONTROLS_UTF8);
  EXPECT_EQ(TXT_CharToUnicode(0x8D), 0x2666u);  // ♦
  EXPECT_EQ(TXT_CharToUnicode(0x8E), 0x2663u);  // ♣
  EXPECT_EQ(TXT_CharToUnicode(0x8F), 0x2665u);  // ♥
  EXPECT_EQ(TXT_CharToUnicode(0x90), 0x2660u);  // ♠
  EXPECT_EQ(TXT_CharToUnicode(0x80), 0x20ACu);  // €
}

TEST(TxtCharset, AsciiAndLatin1AreThemselves) {
  for (int c = 0; c < 0x80; c++) EXPECT_EQ(TXT_CharToUnicode(uint8_t(c)), uint32_t(c));
  for (int c = 0xA0; c <= 0xFF; c++) {
    EXPECT_EQ(TXT_CharToUnicode(uint8_t(c)), uint32_t(c));
    EXPECT_EQ(ToUtf8(std::string(1, char(c))), Utf8(uint32_t(c)));
  }
}

TEST(TxtCharset, EveryByteRoundTrips) {
  std::string all;
  for (int c = 1; c < 256; c++) {
    EXPECT_EQ(TXT_UnicodeToChar(TXT_CharToUnicode(uint8_t(c))), c) << c;
    all += char(c);
  }
  std::string utf8 = ToUtf8(all, 1024);
  EXPECT_EQ(FromUtf8(utf8, 1024), all);
}

TEST(TxtCharset, CodePointsWithoutAHandheldForm) {
  EXPECT_EQ(TXT_UnicodeToChar(0x0080), 0);   // C1 control that 0x80 (€) does not carry
  EXPECT_EQ(TXT_UnicodeToChar(0x017D), 0);   // Ž: its Windows-1252 byte is ♣ here
  EXPECT_EQ(TXT_UnicodeToChar(0x0100), 0);   // Ā
  EXPECT_EQ(TXT_UnicodeToChar(0x1F600), 0);  // beyond the basic plane
  EXPECT_EQ(FromUtf8("Ž中"), "??");
}

TEST(TxtCharset, FromUtf8MapsSuitsAndPunctuation) {
  EXPECT_EQ(FromUtf8("♠♥♦♣"), "\x90\x8F\x8D\x8E");
  EXPECT_EQ(FromUtf8("“€” – Zoë"), "\x93\x80\x94 \x96 Zo\xEB");
}

TEST(TxtCharset, FourByteSequencesBecomeOneQuestionMark) {
  EXPECT_EQ(FromUtf8("a\xF0\x9F\x98\x80z"), "a?z");  // U+1F600
  EXPECT_EQ(FromUtf8("\xF4\x8F\xBF\xBF"), "?");      // U+10FFFF
}

TEST(TxtCharset, MalformedBytesAreTakenAsTheyAre) {
  EXPECT_EQ(FromUtf8("\x80"), "\x80");                  // stray continuation byte
  EXPECT_EQ(FromUtf8("caf\xE9"), "caf\xE9");            // Latin-1, not UTF-8
  EXPECT_EQ(FromUtf8("\xC0\xAF"), "\xC0\xAF");          // overlong "/"
  EXPECT_EQ(FromUtf8("\xED\xA0\x80"), "\xED\xA0\x80");  // a surrogate
  EXPECT_EQ(FromUtf8("\xF8\x88\x80\x80\x80"), "\xF8\x88\x80\x80\x80");
  EXPECT_EQ(FromUtf8("\xC3x"), "\xC3x");  // lead byte without its continuation
}

TEST(TxtCharset, TruncatedSequencesAtTheEnd) {
  EXPECT_EQ(FromUtf8("ab\xC3"), "ab\xC3");
  EXPECT_EQ(FromUtf8("\xE2\x82"), "\xE2\x82");  // € without its last byte
  std::string euro = "\xE2\x82\xAC";
  char out[8];
  // The length given cuts the sequence even though the buffer goes on.
  EXPECT_EQ(TXT_FromUtf8(euro.data(), 2, out, sizeof out), 2u);
  EXPECT_EQ(std::string(out), "\xE2\x82");
  EXPECT_EQ(TXT_FromUtf8(euro.data(), 3, out, sizeof out), 1u);
  EXPECT_EQ(std::string(out), "\x80");
}

TEST(TxtCharset, ConversionsStopAtAZeroByte) {
  std::string text("ab\0cd", 5);
  EXPECT_EQ(ToUtf8(text), "ab");
  EXPECT_EQ(FromUtf8(text), "ab");
  char out[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(TXT_ToUtf8(nullptr, 5, out, sizeof out), 0u);
  EXPECT_EQ(out[0], '\0');
}

TEST(TxtCharset, BufferSizesZeroAndOne) {
  char out[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(TXT_ToUtf8("abc", 3, out, 0), 0u);
  EXPECT_EQ(TXT_FromUtf8("abc", 3, out, 0), 0u);
  EXPECT_EQ(out[0], '#');  // size 0: nothing written, not even the zero
  EXPECT_EQ(TXT_ToUtf8("abc", 3, out, 1), 0u);
  EXPECT_EQ(out[0], '\0');
  EXPECT_EQ(out[1], '#');
  out[0] = '#';
  EXPECT_EQ(TXT_FromUtf8("abc", 3, out, 1), 0u);
  EXPECT_EQ(out[0], '\0');
  EXPECT_EQ(TXT_ToUtf8("abc", 3, nullptr, 8), 0u);
}

TEST(TxtCharset, OutputIsCutBeforeACharacterThatDoesNotFit) {
  EXPECT_EQ(ToUtf8("a\xE9", 3), "a");               // é needs 2 bytes + the zero
  EXPECT_EQ(ToUtf8("a\xE9", 4), "a" + Utf8(0xE9));  // now it fits
  EXPECT_EQ(ToUtf8("\x80", 3), "");                 // € needs 3 bytes
  EXPECT_EQ(FromUtf8("abcdef", 4), "abc");          // size - 1 bytes and the zero
  EXPECT_EQ(FromUtf8("\xF0\x9F\x98\x80\xF0\x9F\x98\x80", 2), "?");
}
