// Tests of the layout: the form rectangle (full screen, modal 240 x 200,
// auto height), the placement rules (flow and wrap, alignment, "AMax",
// centring on a value, the density's gaps, hidden and "Nprv" objects), button
// rows, the collision test with its debug lines, and the searches over the
// density and the height. Every alert of the program's store and two forms
// of our own must lay out without collisions at 320 x 480, 360 x 600 and
// 800 x 600.
#include <gtest/gtest.h>

#include <string>

#include "../../kova/plat_src/gui/gui_forms.h"
#include "form_builder.h"
#include "kova_fixture.h"
#include "res_store_image.h"

namespace {

using Ints = std::vector<int>;
const int16_t SIZES[3][2] = {{320, 480}, {360, 600}, {800, 600}};

class GuiLayout : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    ASSERT_EQ(0, TXT_Start());
  }
  void TearDown() override {
    TXT_Stop();
    DBG_SetLevel(0);
    KovaTest::TearDown();
  }

  // Parses `body` for a screen and lays it out at `density` (no search).
  void Lay(const FormBuilder& b, int16_t density = 100, int16_t w = 360, int16_t h = 600,
           FourCC type = RES_TYPE_FORM) {
    form = std::make_unique<GuiForm>();
    form->type = type;
    form->screenWidth = w;
    form->screenHeight = h;
    form->density = density;
    form->body = b.Bytes();
    ASSERT_EQ(0, GuiParseForm(form.get()));
  }
  static Ints Box(const GfxRect& r) { return Ints{r.x, r.y, r.w, r.h}; }
  Ints Box(size_t i) const { return Box(form->objects.at(i)->rect); }
  const GfxRect& R(size_t i) const { return form->objects.at(i)->rect; }

  std::unique_ptr<GuiForm> form;
};

TEST_F(GuiLayout, ParentLessFourFillsTheFormAtTheFlowStart) {
  // A list (frame margin 1) at density 0: no gap, one pixel from the edge;
  // at density 100 the gap of 4 moves it, the size stays.
  FormBuilder b;
  b.Object("LIST", "Rect Auto Auto Parw 4 - Parh 4 -");
  Lay(b, 0);
  EXPECT_EQ(Box(form->rect), (Ints{0, 0, 360, 600}));
  EXPECT_EQ(Box(0), (Ints{1, 1, 356, 596}));
  Lay(b, 100);
  EXPECT_EQ(Box(0), (Ints{5, 5, 356, 596}));
}

TEST_F(GuiLayout, CentreAtAValueAndAlignedEdges) {
  FormBuilder b;
  b.Object("BUTN", "Rect Cen@ Parw 2 / 10 60 20").Object("BUTN", "Rect Rght Botm 50 20");
  b.Object("LABL", "Rect Cntr Midl 100 10").Object("LABL", "Rect 10 Bot@ 300 AMax 20");
  Lay(b);
  EXPECT_EQ(Box(0), (Ints{150, 10, 60, 20}));   // centre at 180
  EXPECT_EQ(Box(1), (Ints{305, 575, 50, 20}));  // 1 margin + 4 gap from the edges
  EXPECT_EQ(Box(2), (Ints{130, 295, 100, 10}));
  EXPECT_EQ(Box(3), (Ints{10, 280, 346, 20}));  // "AMax": to the edge less the gap
}

TEST_F(GuiLayout, AutomaticPositionsFlowAndWrap) {
  FormBuilder b;
  for (int i = 0; i < 4; i++) b.Object("LABL", "Rect Auto Auto 100 20");
  b.Object("LABL", "Rect Auto Auto 30 50");
  b.Object("LABL", "Rect 200 Auto 10 10");  // below what shares its columns
  b.Object("LABL", "Rect Auto 300 10 10");  // a new row at the left edge
  Lay(b);
  EXPECT_EQ(Box(0), (Ints{4, 4, 100, 20}));
  EXPECT_EQ(Box(1), (Ints{108, 4, 100, 20}));
  EXPECT_EQ(Box(2), (Ints{212, 4, 100, 20}));
  EXPECT_EQ(Box(3), (Ints{4, 28, 100, 20}));  // 316 + 100 would cross 360
  EXPECT_EQ(Box(4), (Ints{108, 28, 30, 50}));
  EXPECT_EQ(Box(5), (Ints{200, 28, 10, 10}));  // under the second label
  EXPECT_EQ(Box(6), (Ints{4, 300, 10, 10}));
}

TEST_F(GuiLayout, NprvAndHiddenObjectsAreNotPrevious) {
  FormBuilder b;
  b.Object("LABL", "Rect 10 10 40 20").Object("LABL", "Nprv Rect 200 200 40 20");
  b.Object("LABL", "Rect 1 Show ? 0 : 300 40 20").Object("LABL", "Rect 0 Show ? 0 : 300 40 20");
  b.Object("LABL", "Rect Prvr Prvt 5 5");
  Lay(b);
  EXPECT_FALSE(form->objects[2]->flags & OBJ_HIDDEN);
  EXPECT_TRUE(form->objects[3]->flags & OBJ_HIDDEN);
  EXPECT_EQ(Box(4), (Ints{40, 300, 5, 5}));  // after the shown third label
}

TEST_F(GuiLayout, DensityScalesGapsAndPadding) {
  FormBuilder b;
  b.Object("BUTN", "", {"OK"}).Object("BUTN", "", {"OK"});
  Lay(b, 0);
  GfxRect tight0 = R(0), tight1 = R(1);
  Lay(b, 200);
  EXPECT_EQ(1, tight1.x - (tight0.x + tight0.w));  // margins only
  EXPECT_EQ(1 + 8, R(1).x - (R(0).x + R(0).w));
  EXPECT_EQ(2 * 12, R(0).w - tight0.w);  // 6 units of padding each side, doubled
  EXPECT_EQ(2 * 4, R(0).h - tight0.h);
}

TEST_F(GuiLayout, ModalFormsKeepTo240By200AndCentre) {
  Lay(FormBuilder().Tokens("Modl Rect Cntr Cntr 300 300"));
  EXPECT_EQ(Box(form->rect), (Ints{60, 200, 240, 200}));
  Lay(FormBuilder().Tokens("Modl Rect Auto Auto 200 150"));
  EXPECT_EQ(Box(form->rect), (Ints{80, 225, 200, 150}));
  Lay(FormBuilder().Tokens("Modl Rect 0 0 Auto Auto"));
  EXPECT_TRUE(form->autoHeight);
  EXPECT_EQ(240, form->rect.w);
}

TEST_F(GuiLayout, ButtonRowsShareOneWidthAndTheRowGap) {
  Lay(FormBuilder("ALRT").Object("BTNS", "", {"&OK", "Cancel", "A"}), 100, 360, 600, FCC("ALRT"));
  ASSERT_EQ(3u, form->objects.size());
  for (int k = 1; k < 3; k++) {
    EXPECT_EQ((Ints{R(0).w, R(0).y}), (Ints{R(k).w, R(k).y}));
    EXPECT_EQ(R(k - 1).x + R(k - 1).w + 4, R(k).x);  // the dialog gap at density 100
  }
  int left = R(0).x - form->marginX, right = form->rect.w - form->marginX - (R(2).x + R(2).w);
  EXPECT_LE(std::abs(left - right), 1);  // centred as a whole
  form->density = 200;
  GuiLayoutForm(form.get());
  EXPECT_EQ(R(0).x + R(0).w + 6, R(1).x);  // (200 x 2 - 200) / 100 + 4
  form->flags &= ~(FORM_MODAL | FORM_ALERT);
  GuiLayoutForm(form.get());
  EXPECT_EQ(R(0).x + R(0).w, R(1).x);  // no gap outside dialogs
}

TEST_F(GuiLayout, WideButtonRowsWidenTheDialogInsteadOfStretchingIt) {
  FormBuilder b("ALRT");
  b.Object("MESS", "", {"Sort the contact list by:"});
  b.Object("BTNS", "", {"&Last Name", "&First Name", "C&ompany", "&Cancel"});
  Lay(b, 100, 360, 600, FCC("ALRT"));
  GuiAutoLayout(form.get());
  EXPECT_EQ(0, GuiCountCollisions(form.get(), true));
  EXPECT_GT(form->rect.w, 240);
  EXPECT_LT(form->rect.h, 120);  // one line and one row: no tall dialog
  EXPECT_NE(R(1).w, R(4).w);     // too wide for one width each: their own widths
}

TEST_F(GuiLayout, CollisionsAreCountedAndLogged) {
  DBG_SetLevel(DBG_LEVEL_VERBOSE);
  FormBuilder b;
  b.Object("LABL", "Tagg AAAA Rect 10 10 50 20").Object("LABL", "Tagg BBBB Rect 20 15 50 20");
  b.Object("LABL", "Tagg Over Ovlp Rect 20 15 50 20").Object("BUTN", "Tagg Edge Rect 9 99 9 9");
  Lay(b);
  EXPECT_EQ(1, GuiCountCollisions(form.get(), true));
  EXPECT_STREQ("           with: LABL BBBB (20 15 50 20) (0 0)\n", DBG_LastCaptured(FCC("SCRN")));
  form->objects[3]->rect.x = 0;  // a button's margin of 1 reaches past the border
  EXPECT_EQ(2, GuiCountCollisions(form.get(), true));
  EXPECT_STREQ("FORMS collision: BUTN Edge (0 99 9 9) (1 1) with Border\n",
               DBG_LastCaptured(FCC("SCRN")));
  DBG_SetLevel(0);  // debug-mode lines are dropped otherwise
  form->objects[3]->rect.x = -3;
  EXPECT_EQ(2, GuiCountCollisions(form.get(), true));
  EXPECT_EQ(std::string::npos, std::string(DBG_LastCaptured(FCC("SCRN"))).find("-3"));
}

TEST_F(GuiLayout, DensitySearchFindsTheMostGenerousFit) {
  Lay(FormBuilder().Object("LABL", "", {"Roomy"}));
  GuiAutoLayout(form.get());
  EXPECT_EQ(200, form->density);
  // The list leaves 4 pixels: 1 + gap + 1 margin fit up to a gap of 2 (density 50).
  Lay(FormBuilder().Object("LIST", "Rect Auto Auto Parw 4 - Parh 4 -"));
  GuiAutoLayout(form.get());
  EXPECT_EQ(50, form->density);
  EXPECT_EQ(0, GuiCountCollisions(form.get(), false));
  // Objects that overlap at any density: the search keeps 0.
  Lay(FormBuilder().Object("LABL", "Rect 10 10 50 20").Object("LABL", "Rect 12 12 5 5"));
  GuiAutoLayout(form.get());
  EXPECT_EQ(0, form->density);
  EXPECT_GT(GuiCountCollisions(form.get(), false), 0);
}

TEST_F(GuiLayout, HeightSearchFindsTheSmallestFreeHeight) {
  std::string longText;
  for (int i = 0; i < 40; i++) longText += "word" + std::to_string(i) + " ";
  for (const auto& size : SIZES) {
    FormBuilder b("ALRT");
    b.Object("TITL", "", {"Title"}).Object("MESS", "", {longText});
    b.Object("BTNS", "", {"&OK", "&Cancel"});
    Lay(b, 100, size[0], size[1], FCC("ALRT"));
    GuiAutoLayout(form.get());
    SCOPED_TRACE(std::to_string(size[0]) + "x" + std::to_string(size[1]));
    ASSERT_EQ(0, GuiCountCollisions(form.get(), true));
    // On wide screens the width follows the height, never below 240.
    auto widthFor = [&](int height) {
      int follow = height * size[0] / size[1];
      return size[0] > 240 && follow >= 150 ? std::max(240, follow) : 240;
    };
    int h = form->rect.h;
    EXPECT_EQ(widthFor(h), form->rect.w) << h;
    form->rect = GfxRect{0, 0, int16_t(widthFor(h - 8)), int16_t(h - 8)};
    GuiLayoutKeepSize(form.get());
    EXPECT_GT(GuiCountCollisions(form.get(), false), 0);  // 8 pixels less: no longer
  }
}

TEST_F(GuiLayout, OwnFormsLayOutWithoutCollisionsAtEverySize) {
  FormBuilder dialog;
  dialog.Tokens("Modl Rect Cntr Cntr Auto Auto").Object("TITL", "", {"Preferences"});
  for (const char* label : {"Name:", "Company:", "Phone:"}) {
    dialog.Object("LABL", "Rect Auto Auto 70 AStd", {label});
    dialog.Object("FELD", "Rect Auto Prvt AMax Auto Maxc 30");
  }
  dialog.Object("CHEK", "Rect Auto Auto AMax Auto", {"Show the preview"});
  dialog.Object("BTNS", "", {"&OK", "&Cancel"});
  FormBuilder list;
  list.Object("TITL", "", {"Contacts"}).Object("PTRG", "Tagg TCat Rect Rght Auto Auto Auto");
  list.Object("LIST", "Tagg Look Rect Parl 2 + Tagb TCat 4 + Parw 18 - Parh 56 -");
  list.Object("VDRG", "Tagg Drag Rect Tagr Look 2 + Tagt Look 10 Tagh Look");
  list.Object("BUTN", "Rect Auto Botm Auto Auto", {"&New"});
  list.Object("BUTN", "Rect Auto Botm Auto Auto", {"&Details"});
  list.Object("PLST", "9001 9002");
  for (const FormBuilder* b : {&dialog, &list}) {
    for (const auto& size : SIZES) {
      Lay(*b, 100, size[0], size[1]);
      GuiAutoLayout(form.get());
      EXPECT_EQ(0, GuiCountCollisions(form.get(), true))
          << (b == &list ? "list" : "dialog") << " at " << size[0] << "x" << size[1];
    }
  }
}

TEST_F(GuiLayout, ProgramAlertsLayOutWithoutCollisionsAtEverySize) {
  ASSERT_EQ(0, RES_Open(BRANTEL_RES_STORE));
  int alerts = 0;
  for (const StoreEntry& e : ParseStore(ReadHostFile(BRANTEL_RES_STORE))) {
    if (e.type != FCC("ALRT")) continue;
    ResHandle h = nullptr;
    ASSERT_EQ(0, RES_Get(&h, e.type, e.id));
    std::vector<uint8_t> body(RES_Data(h), RES_Data(h) + RES_Size(h));
    RES_Release(&h);
    alerts++;
    for (const auto& size : SIZES) {
      form = std::make_unique<GuiForm>();
      form->type = FCC("ALRT");
      form->screenWidth = size[0];
      form->screenHeight = size[1];
      form->body = body;
      ASSERT_EQ(0, GuiParseForm(form.get()));
      GuiAutoLayout(form.get());
      EXPECT_EQ(0, GuiCountCollisions(form.get(), true))
          << "alert " << e.id << " at " << size[0] << "x" << size[1];
      EXPECT_LE(form->rect.h, size[1] / 2) << "alert " << e.id;  // dialogs stay small
    }
  }
  EXPECT_GT(alerts, 10);
  RES_Close();
}

}  // namespace
