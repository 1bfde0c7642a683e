// Tests of WrapWithIndent: rows cut to the width (at a blank when a word
// would be split), "\n\t" inserted at a cut and "\t" behind a line break,
// width 0 as 10,000, widths narrower than one character, short memory.
#include <string>

#include "columns_fixture.h"

namespace {

int32_t OneUnitPerByte(uint16_t, const char*, uint32_t length) { return int32_t(length); }
int32_t TenUnitsPerByte(uint16_t, const char*, uint32_t length) { return 10 * int32_t(length); }

uint16_t g_fontSeen = 0;
int32_t RecordFont(uint16_t font, const char*, uint32_t length) {
  g_fontSeen = font;
  return int32_t(length);
}

class WrapIndent : public ColumnsTest {
 protected:
  // Wraps a copy of `in` in a MEM block and returns the result.
  static std::string Run(const std::string& in, uint32_t start, int32_t width, uint16_t font = 0,
                         Err* err = nullptr) {
    char* text = static_cast<char*>(MEM_Alloc(uint32_t(in.size() + 1), false));
    memcpy(text, in.c_str(), in.size() + 1);
    Err e = WrapWithIndent(&text, start, width, font);
    if (err) *err = e;
    std::string out = text;
    MEM_Free(text);
    return out;
  }
};

TEST_F(WrapIndent, CutsAtABlankAndIndentsTheRest) {
  ParseSetTextWidth(OneUnitPerByte);
  EXPECT_EQ(Run("hello world", 0, 5), "hello \n\tworld");
  EXPECT_EQ(Run("hello world", 0, 8), "hello \n\tworld");
  EXPECT_EQ(Run("hello world", 0, 11), "hello world");
  EXPECT_EQ(Run("one two three four", 0, 9), "one two \n\tthree \n\tfour");
  // A word longer than the width is cut where the width ends.
  EXPECT_EQ(Run("abcdefghij", 0, 3), "abc\n\tdef\n\tghi\n\tj");
  // Blanks at a cut stay on the row they end.
  EXPECT_EQ(Run("abc   def", 0, 3), "abc   \n\tdef");
}

TEST_F(WrapIndent, LineBreaksGetATab) {
  ParseSetTextWidth(OneUnitPerByte);
  EXPECT_EQ(Run("line1\nline2\n\nline4", 0, 0), "line1\n\tline2\n\t\n\tline4");
  EXPECT_EQ(Run("abc\n", 0, 0), "abc\n");
  EXPECT_EQ(Run("abc   \nxyz", 0, 3), "abc   \n\txyz");
  EXPECT_EQ(Run("ab cd\nef", 0, 2), "ab \n\tcd\n\tef");
}

TEST_F(WrapIndent, OnlyTheTextFromStartIsWrapped) {
  ParseSetTextWidth(OneUnitPerByte);
  EXPECT_EQ(Run("Label:\tvalue value", 7, 5), "Label:\tvalue \n\tvalue");
  EXPECT_EQ(Run("a\nb\tlong text", 4, 4), "a\nb\tlong \n\ttext");
  EXPECT_EQ(Run("abc", 3, 1), "abc");
  EXPECT_EQ(Run("abc", 10, 1), "abc");
}

TEST_F(WrapIndent, WidthZeroMeansTenThousand) {
  ParseSetTextWidth(OneUnitPerByte);
  std::string x(20000, 'x');
  EXPECT_EQ(Run(x, 0, 0), std::string(10000, 'x') + "\n\t" + std::string(10000, 'x'));
  std::string fits(10000, 'y');
  EXPECT_EQ(Run(fits, 0, 0), fits);
}

TEST_F(WrapIndent, NarrowerThanOneCharacterTakesOneCharacterARow) {
  ParseSetTextWidth(TenUnitsPerByte);
  EXPECT_EQ(Run("abc", 0, 5), "a\n\tb\n\tc");
  EXPECT_EQ(Run("a b", 0, 5), "a \n\tb");
  ParseSetTextWidth(nullptr);
  EXPECT_EQ(Run("ab", 0, -3), "a\n\tb");
  EXPECT_EQ(Run("ab\ncd", 0, 1), "a\n\tb\n\tc\n\td");
}

TEST_F(WrapIndent, DefaultMeasureIsSixPixelsACharacter) {
  EXPECT_EQ(Run("abcdefghij", 0, 30), "abcde\n\tfghij");
  EXPECT_EQ(Run("abcdefghij", 0, 29), "abcd\n\tefgh\n\tij");
  ParseSetTextWidth(OneUnitPerByte);
  ParseSetTextWidth(nullptr);
  EXPECT_EQ(Run("abcdefghij", 0, 60), "abcdefghij");
}

TEST_F(WrapIndent, WhileTheFontModuleRunsItsWidthsAreUsed) {
  ASSERT_EQ(0, TXT_Start());
  ParseSetTextWidth(nullptr);
  // "iiii WWWW": the row holds what the font says fits, cut at the blank.
  const std::string text = "iiii WWWW";
  const int32_t upToBlank = TXT_Width(FONT_BOLD, text.c_str(), 5);
  const int32_t whole = TXT_Width(FONT_BOLD, text.c_str(), uint32_t(text.size()));
  ASSERT_LT(upToBlank, whole);
  EXPECT_EQ(Run(text, 0, whole, FONT_BOLD), text);
  EXPECT_EQ(Run(text, 0, whole - 1, FONT_BOLD), "iiii \n\tWWWW");
  // Narrow letters fit where six pixels a character would not.
  EXPECT_EQ(Run("iiiiiiiiii", 0, 40, FONT_BOLD), "iiiiiiiiii");
  TXT_Stop();
}

TEST_F(WrapIndent, TheFontReachesTheMeasure) {
  ParseSetTextWidth(RecordFont);
  g_fontSeen = 0;
  EXPECT_EQ(Run("abcdef", 0, 3, 7), "abc\n\tdef");
  EXPECT_EQ(g_fontSeen, 7);
}

TEST_F(WrapIndent, HandheldBytesAreKept) {
  ParseSetTextWidth(OneUnitPerByte);
  EXPECT_EQ(Run("\xC9\x01\xFF \x80", 0, 2), "\xC9\x01\n\t\xFF \n\t\x80");
  // 0xA0 is a non-breaking blank: never a place to cut.
  EXPECT_EQ(Run("ab\xA0"
                "cd ef",
                0, 4),
            "ab\xA0"
            "c\n\td ef");
}

TEST_F(WrapIndent, ShortMemoryLeavesTheTextAsItWas) {
  ParseSetTextWidth(OneUnitPerByte);
  const char* in = "hello world";
  char* text = static_cast<char*>(MEM_Alloc(12, false));
  memcpy(text, in, 12);
  uint32_t live = MEM_LiveBlocks();
  MEM_FailNthAlloc(1, true);
  EXPECT_EQ(WrapWithIndent(&text, 0, 5, 0), ERR_MEM_FULL);
  MEM_FailNthAlloc(0);
  EXPECT_STREQ(text, in);
  EXPECT_EQ(MEM_LiveBlocks(), live);
  MEM_Free(text);
  // The output grows past its first block: that growth fails too.
  std::string many(100, 'x');
  text = static_cast<char*>(MEM_Alloc(101, false));
  memcpy(text, many.c_str(), 101);
  MEM_FailNthAlloc(2);
  EXPECT_EQ(WrapWithIndent(&text, 0, 1, 0), ERR_MEM_FULL);
  MEM_FailNthAlloc(0);
  EXPECT_EQ(std::string(text), many);
  EXPECT_EQ(MEM_LiveBlocks(), live);
  MEM_Free(text);
  // Nothing to do needs no memory; a null text is left alone.
  char* null = nullptr;
  EXPECT_EQ(WrapWithIndent(&null, 0, 5, 0), 0);
  EXPECT_EQ(WrapWithIndent(nullptr, 0, 5, 0), 0);
}

}  // namespace
