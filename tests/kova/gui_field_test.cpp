// Text fields: the maximum length, digits only, typing over a selection,
// undo and redo, the clipboard round trip in UTF-8 with the handheld's 8-bit
// text inside, caret moves with Shift, pen selection, multi-line wrapping
// and scrolling, and fields that are not editable.
#include "../../kova/plat_src/gui/gui_ctl.h"
#include "gui_ctl_fixture.h"

namespace {

class GuiField : public GuiCtlTest {
 protected:
  GuiObject* Field(uint32_t flags = 0, int32_t maxLength = GUI_DEFAULT_MAX,
                   GfxRect rect = {10, 10, 200, 22}) {
    GuiObject* f = Add("FELD", FCC("Fld1"), rect, {}, flags);
    f->maxLength = maxLength;
    Create();
    EXPECT_EQ(0, GUI_Focus(Form(), f->tag));
    return f;
  }
  void Command(const char (&name)[5]) {
    FourCC code = FourCC((uint8_t(name[0]) << 24) | (uint8_t(name[1]) << 16) |
                         (uint8_t(name[2]) << 8) | uint8_t(name[3]));
    ASSERT_TRUE(GuiFieldCommand(Form(), code));
  }
  std::string Clipboard() {
    char buffer[256];
    (void)HOST_ClipboardGet(buffer, sizeof buffer);
    return buffer;
  }
};

TEST_F(GuiField, MaximumLengthCutsTypedAndPastedText) {
  GuiObject* f = Field(0, 5);
  Type(f, "abcdefg");
  EXPECT_EQ("abcde", Text(FCC("Fld1")));
  ASSERT_EQ(0, HOST_ClipboardSet("123456789"));
  ASSERT_EQ(0, GUI_SetSelection(Form(), FCC("Fld1"), 1, 3));
  Command("PSTE");
  EXPECT_EQ("a12de", Text(FCC("Fld1")));
  ASSERT_EQ(0, GUI_SetText(Form(), FCC("Fld1"), "far too long"));
  EXPECT_EQ("far t", Text(FCC("Fld1")));
}

TEST_F(GuiField, NumericFieldTakesDigitsOnly) {
  GuiObject* f = Field(OBJ_NUMERIC);
  Type(f, "1a2-3 ");
  ASSERT_EQ(0, HOST_ClipboardSet("4x5"));
  Command("PSTE");
  EXPECT_EQ("12345", Text(FCC("Fld1")));
  EXPECT_EQ(12345, Value(FCC("Fld1")));
  ASSERT_EQ(0, GUI_SetValue(Form(), FCC("Fld1"), 42));
  EXPECT_EQ("42", Text(FCC("Fld1")));
}

TEST_F(GuiField, TypingReplacesTheSelection) {
  GuiObject* f = Field();
  ASSERT_EQ(0, GUI_SetText(Form(), FCC("Fld1"), "Hello world"));
  ASSERT_EQ(0, GUI_SetSelection(Form(), FCC("Fld1"), 5, 0));  // given backwards
  EXPECT_EQ(std::make_pair(0, 5), Selection(FCC("Fld1")));
  Type(f, "J");
  EXPECT_EQ("J world", Text(FCC("Fld1")));
  EXPECT_EQ(std::make_pair(1, 1), Selection(FCC("Fld1")));
  Key(f, 8);    // backspace
  Key(f, 127);  // delete
  EXPECT_EQ("world", Text(FCC("Fld1")));
}

TEST_F(GuiField, UndoTakesBackTheLastChangeAndRedoesIt) {
  GuiObject* f = Field();
  ASSERT_EQ(0, GUI_SetText(Form(), FCC("Fld1"), "Miller"));
  Command("UNDO");  // nothing to undo after a set
  EXPECT_EQ("Miller", Text(FCC("Fld1")));
  ASSERT_EQ(0, GUI_SetSelection(Form(), FCC("Fld1"), 1, 2));
  Type(f, "\xFC");
  EXPECT_EQ("M\xFCller", Text(FCC("Fld1")));
  Command("UNDO");
  EXPECT_EQ("Miller", Text(FCC("Fld1")));
  EXPECT_EQ(std::make_pair(1, 2), Selection(FCC("Fld1")));  // what came back
  Command("UNDO");
  EXPECT_EQ("M\xFCller", Text(FCC("Fld1")));
}

TEST_F(GuiField, ClipboardCarriesUtf8AndComesBackAsHandheldText) {
  Field();
  ASSERT_EQ(0, GUI_SetText(Form(), FCC("Fld1"), "Caf\xE9 \x80"));
  Command("SLCT");
  Command("CUTT");
  EXPECT_EQ("Caf\xC3\xA9 \xE2\x82\xAC", Clipboard());
  EXPECT_EQ("", Text(FCC("Fld1")));
  Command("PSTE");
  Command("PSTE");
  EXPECT_EQ(
      "Caf\xE9 \x80"
      "Caf\xE9 \x80",
      Text(FCC("Fld1")));
  // A masked field never hands its text out.
  GuiObject* f = Form()->objects[0].get();
  f->flags |= OBJ_MASKED;
  ASSERT_EQ(0, HOST_ClipboardSet("before"));
  Command("SLCT");
  Command("COPY");
  EXPECT_EQ("before", Clipboard());
}

TEST_F(GuiField, ArrowsMoveTheCaretAndShiftExtendsTheSelection) {
  GuiObject* f = Field();
  ASSERT_EQ(0, GUI_SetText(Form(), FCC("Fld1"), "abcdef"));
  EXPECT_TRUE(Key(f, GUI_KEY_HOME));
  EXPECT_EQ(std::make_pair(0, 0), Selection(FCC("Fld1")));
  HOST_HeadlessSetKey(HOST_KEY_SHIFT, true);
  Key(f, FCC("ARGT"));
  Key(f, FCC("ARGT"));
  Key(f, GUI_KEY_END);
  Key(f, FCC("ALFT"));
  EXPECT_EQ(std::make_pair(0, 5), Selection(FCC("Fld1")));
  HOST_HeadlessSetKey(HOST_KEY_SHIFT, false);
  Key(f, FCC("ALFT"));  // a selection collapses to its start
  EXPECT_EQ(std::make_pair(0, 0), Selection(FCC("Fld1")));
  Key(f, GUI_KEY_END);
  Key(f, FCC("ALFT"));
  HOST_HeadlessSetKey(HOST_KEY_SHIFT, true);
  Key(f, FCC("ALFT"));  // extends to the left of the caret
  Key(f, FCC("ALFT"));
  EXPECT_EQ(std::make_pair(3, 5), Selection(FCC("Fld1")));
  HOST_HeadlessSetKey(HOST_KEY_SHIFT, false);
  Key(f, GUI_KEY_DELETE);
  EXPECT_EQ("abcf", Text(FCC("Fld1")));
  EXPECT_FALSE(Key(f, FCC("SCUP")));  // one line: left to navigation
  EXPECT_FALSE(Key(f, 13));
}

TEST_F(GuiField, PenPlacesTheCaretAndDragSelects) {
  GuiObject* f = Field();
  ASSERT_EQ(0, GUI_SetText(Form(), FCC("Fld1"), "hello world"));
  Pen(f, 0, 12, 20);
  EXPECT_EQ(std::make_pair(0, 0), Selection(FCC("Fld1")));
  Pen(f, 1, 400, 20);
  Pen(f, 2, 400, 20);
  EXPECT_EQ(std::make_pair(0, 11), Selection(FCC("Fld1")));
  int32_t five = 14 + TXT_Width(f->font, "hello", 5);
  Tap(f, five, 20);
  EXPECT_EQ(std::make_pair(5, 5), Selection(FCC("Fld1")));
}

TEST_F(GuiField, MultiLineFieldWrapsAndScrollsToTheCaret) {
  int16_t lh = TXT_LineHeight(FONT_STANDARD);
  GuiObject* f = Field(OBJ_MULTI_LINE, GUI_DEFAULT_MAX, {10, 10, 120, int16_t(lh * 3 + 6)});
  Type(f, "one two three four five six seven eight nine ten eleven twelve");
  EXPECT_GT(f->control.firstLine, 0);  // the caret's line is in view
  Key(f, 13);
  Type(f, "end");
  EXPECT_NE(std::string::npos, Text(FCC("Fld1")).find("twelve\nend"));
  int32_t before = Selection(FCC("Fld1")).second;
  Key(f, FCC("SCUP"));
  EXPECT_LT(Selection(FCC("Fld1")).second, before);
  for (int i = 0; i < 20; i++) Key(f, FCC("SCUP"));
  EXPECT_EQ(0, f->control.firstLine);
  EXPECT_TRUE(GuiControlWheel(Form(), f, -10));  // towards the end
  EXPECT_GT(f->control.firstLine, 0);
}

TEST_F(GuiField, AnotherFontLaysTheTextOutAgain) {
  GuiObject* f = Field(OBJ_MULTI_LINE, GUI_DEFAULT_MAX, {10, 10, 120, 200});
  ASSERT_EQ(0, GUI_SetText(Form(), FCC("Fld1"), "one two three four five six seven eight"));
  std::vector<GuiLine> small, large;
  GuiFieldLines(f, &small);
  ASSERT_EQ(0, GUI_SetFont(Form(), FCC("Fld1"), FONT_LED));
  EXPECT_EQ(FONT_LED, f->font);
  GuiFieldLines(f, &large);
  EXPECT_GT(large.size(), small.size());  // the larger font wraps into more lines
  EXPECT_EQ("one two three four five six seven eight", Text(FCC("Fld1")));
  EXPECT_NE(0, GUI_SetFont(Form(), FCC("Nope"), FONT_LED));
}

TEST_F(GuiField, NotEditableFieldRefusesTypingButCopies) {
  GuiObject* f = Add("FELD", FCC("Prev"), {10, 10, 200, 22}, {"Preview"}, OBJ_NOT_EDITABLE);
  Create();
  ASSERT_EQ(0, GUI_Focus(Form(), FCC("Prev")));
  EXPECT_FALSE(Key(f, 'x'));
  EXPECT_FALSE(Key(f, 8));
  Command("SLCT");
  Command("CUTT");
  EXPECT_EQ("Preview", Text(FCC("Prev")));
  Command("COPY");
  EXPECT_EQ("Preview", Clipboard());
}

}  // namespace
