// Tests of the form expression language: placement keywords and flags, the
// scaling of numbers inside rectangles, the operators with their edge cases
// (division, modulo and rounding by 0, "?" and ":" with Show and Hide),
// stack overflow and underflow, named objects, where evaluation stops, and
// saturation. Bodies come from the independent FormBuilder.
#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "../../kova/plat_src/gui/gui_internal.h"
#include "form_builder.h"

namespace {

using Ints = std::vector<int32_t>;

class GuiExpr : public ::testing::Test {
 protected:
  GuiForm form;
  GuiExprContext ctx{&form, GfxRect{10, 20, 200, 300}, nullptr, true, 256, 100, false};
  GuiValue out[4]{};
  uint32_t stop = 0;

  // Evaluates `tokens` (FormBuilder syntax) from the first token.
  Err Eval(const std::string& tokens, int want = 4) {
    body_ = FormBuilder().Tokens(tokens).Bytes();
    stop = 8;
    return GuiEvalExpr(&ctx, body_.data(), uint32_t(body_.size()), &stop, out, want);
  }
  Ints Values(int n = 4) const {
    Ints v;
    for (int i = 0; i < n; i++) v.push_back(out[i].value);
    return v;
  }
  Ints Flags(int n = 4) const {
    Ints v;
    for (int i = 0; i < n; i++) v.push_back(out[i].flags);
    return v;
  }

 private:
  std::vector<uint8_t> body_;
};

TEST_F(GuiExpr, AutoAutoParentLessFourIsScaledOnce) {
  ASSERT_EQ(0, Eval("Auto Auto Parw 4 - Parh 4 -"));
  EXPECT_EQ(Values(), (Ints{0, 0, 196, 296}));
  EXPECT_EQ(Flags(), (Ints{0x10, 0x10, 0, 0}));
  ctx.scale = 512;  // the 4 becomes 8 pixels
  ASSERT_EQ(0, Eval("Auto Auto Parw 4 - Parh 4 -"));
  EXPECT_EQ(Values(), (Ints{0, 0, 192, 292}));
}

TEST_F(GuiExpr, CentreAtHalfTheParentWidthAtAnyScale) {
  for (int16_t scale : {256, 512, 384}) {
    ctx.scale = scale;
    ASSERT_EQ(0, Eval("Cen@ Parw 2 /", 1));
    EXPECT_EQ(100, out[0].value) << scale;
    EXPECT_EQ(PLACE_AT_CENTRE, out[0].flags) << scale;
  }
}

TEST_F(GuiExpr, OnlyNumbersFromTwoUpInsideRectanglesAreScaled) {
  ctx.scale = 512;
  ASSERT_EQ(0, Eval("0 1 2 7"));
  EXPECT_EQ(Values(), (Ints{0, 1, 4, 14}));
  ctx.inRectangle = false;
  ASSERT_EQ(0, Eval("0 1 2 7"));
  EXPECT_EQ(Values(), (Ints{0, 1, 2, 7}));
  ctx.inRectangle = true;  // a product carries the scale once: 3 x 5 at 2.0 is 30
  ASSERT_EQ(0, Eval("3 5 *", 1));
  EXPECT_EQ(30, out[0].value);
}

TEST_F(GuiExpr, PlacementKeywordsPushZeroWithTheirFlags) {
  ASSERT_EQ(0, Eval("AMin AMax AStd Rght"));
  EXPECT_EQ(Flags(), (Ints{0x30, 0x50, 0x90, 0x11}));
  ASSERT_EQ(0, Eval("Botm Cntr Midl 0"));
  EXPECT_EQ(Flags(), (Ints{0x12, 0x14, 0x18, 0}));
  // "Rgt@" marks only the next pushed entry; the flags survive arithmetic.
  ASSERT_EQ(0, Eval("Rgt@ Parw 10 - Bot@ Mid@ 50 30"));
  EXPECT_EQ(Values(3), (Ints{190, 50, 30}));
  EXPECT_EQ(Flags(3), (Ints{PLACE_AT_RIGHT, PLACE_AT_BOTTOM | PLACE_AT_MIDDLE, 0}));
}

TEST_F(GuiExpr, OperatorsOfTheTable) {
  ctx.inRectangle = false;
  struct Case {
    const char* tokens;
    int32_t want;
  } cases[] = {
      {"7 3 +", 10}, {"7 3 -", 4},   {"7 3 *", 21},  {"7 3 /", 2},         {"-7 2 /", -3},
      {"7 3 %", 1},  {"12 10 &", 8}, {"12 3 |", 15}, {"3 7 <", 1},         {"7 3 <", 0},
      {"7 3 >", 1},  {"17 5 #", 15}, {"-3 5 #", -5}, {"Parr Parb +", 500},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(0, Eval(c.tokens, 1)) << c.tokens;
    EXPECT_EQ(c.want, out[0].value) << c.tokens;
  }
  for (const char* t : {"37 0 /", "37 0 %", "37 0 #"}) {  // by 0: the entry stays
    ASSERT_EQ(0, Eval(std::string(t) + " 5 +", 1)) << t;
    EXPECT_EQ(42, out[0].value) << t;
  }
}

TEST_F(GuiExpr, ConditionalsAndShowHide) {
  ctx.inRectangle = false;
  struct Case {
    const char* tokens;
    int32_t want;
    bool hidden;
  } cases[] = {
      {"1 55 ? 66 :", 55, false},    // true: the right value of "?"
      {"256 55 ? 66 :", 66, false},  // only the low byte counts
      {"1 Show ? 66 :", 0, false},   // a chosen Show is 0
      {"0 Show ? 66 :", 0, true},    // false with Show turns into Hide
      {"Hide", 9998, false},         // only ":" marks hiding
  };
  for (const Case& c : cases) {
    ctx.hide = false;
    ASSERT_EQ(0, Eval(c.tokens, 1)) << c.tokens;
    EXPECT_EQ(c.want, out[0].value) << c.tokens;
    EXPECT_EQ(c.hidden, ctx.hide) << c.tokens;
  }
}

TEST_F(GuiExpr, StackOverflowAndUnderflowAreErrors) {
  std::string nineteen;
  for (int i = 0; i < 19; i++) nineteen += "1 ";
  EXPECT_EQ(0, Eval(nineteen, 1));
  EXPECT_EQ(GUI_ERR_STACK, Eval(nineteen + "1"));
  EXPECT_EQ(GUI_ERR_STACK, Eval("+"));
  EXPECT_EQ(GUI_ERR_STACK, Eval("5 -"));
  EXPECT_EQ(0, Eval("Rgt@ Cen@"));  // flags alone push nothing
}

TEST_F(GuiExpr, ObjectOperandsPreviousAndWhereItStops) {
  auto o = std::make_unique<GuiObject>();
  o->tag = FCC("OKAY");
  o->rect = GfxRect{5, 6, 70, 80};
  form.objects.push_back(std::move(o));
  ASSERT_EQ(0, Eval("Tagr OKAY Tagb OKAY Tagl NONE Prvr"));
  EXPECT_EQ(Values(), (Ints{75, 86, 0, 0}));  // no such object, no previous
  ctx.previous = form.objects[0].get();
  ASSERT_EQ(0, Eval("Prvl Prvt Prvw Prvh"));
  EXPECT_EQ(Values(), (Ints{5, 6, 70, 80}));
  EXPECT_EQ(GUI_ERR_PARSE, Eval("4 Tagw"));  // the tag is cut off by the body's end
  ASSERT_EQ(0, Eval("4 5 Tagg OKAY 6"));
  EXPECT_EQ(16u, stop);                   // left at "Tagg"
  EXPECT_EQ(Values(3), (Ints{4, 5, 0}));  // missing values are 0
  ctx.density = 100;
  ASSERT_EQ(0, Eval("Scle", 1));
  EXPECT_EQ(80, out[0].value);
}

TEST_F(GuiExpr, HugeProductsSaturateInsteadOfOverflowing) {
  ctx.inRectangle = false;
  ASSERT_EQ(0, Eval("30000 30000 * 30000 * 30000 *", 1));
  EXPECT_EQ(INT32_MAX, out[0].value);
  ASSERT_EQ(0, Eval("0 30000 - 30000 * 30000 * -1 /", 1));
  EXPECT_EQ(INT32_MAX, out[0].value);
}

}  // namespace
