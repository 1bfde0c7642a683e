// Tests of reading form definitions: form-level keywords and chunks (title,
// colours, pop-up bindings, default and escape buttons), objects with their
// texts and mnemonics, button rows as separate objects, flags and margins
// per kind, and damaged bodies (a text without its zero byte, chunk lengths
// past the body, stack errors) that must give an error or a bounded read.
// The checksum is checked against a sum written here.
#include <gtest/gtest.h>

#include "../../kova/plat_src/gui/gui_internal.h"
#include "form_builder.h"
#include "kova_res.h"
#include "kova_text.h"

namespace {

using U32 = std::vector<uint32_t>;

class GuiParse : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(0, TXT_Start()); }
  void TearDown() override { TXT_Stop(); }

  Err Parse(const std::vector<uint8_t>& body, FourCC type = RES_TYPE_FORM) {
    form = std::make_unique<GuiForm>();
    form->type = type;
    form->sequence = 77;
    form->body = body;
    return GuiParseForm(form.get());
  }
  const GuiObject& Obj(size_t i) const { return *form->objects.at(i); }

  std::unique_ptr<GuiForm> form;
};

TEST_F(GuiParse, FormLevelKeywordsAndChunks) {
  FormBuilder b;
  b.Tokens("Iden 1500 Rect 0 0 Parw Parh Modl Warn NoFX Tagg Edit Menu 300 Hptg Hlp1");
  b.Tokens("Tmid 4 Tmtg Tick Tmvl 250 Kmtg Keys Usbl Zzzz FBeg")
      .Object("TITL", "", {"Edit Contact"});
  b.Object("TICO", "", {"#12345678"}).Object("FGCO", "", {"#00ff80"});
  b.Object("BGCO", "", {"nonsense"}).Word("FEnd");
  ASSERT_EQ(0, Parse(b.Bytes()));
  uint32_t kind = FORM_MODAL | FORM_WARNING | FORM_NO_EFFECTS | FORM_HAS_TITLE;
  EXPECT_EQ(kind, form->flags & kind);
  EXPECT_EQ((U32{1500, 4, FCC("Edit"), 300, FCC("Hlp1"), 5, FCC("Tick"), 250, FCC("Keys")}),
            (U32{form->id, uint32_t(form->marginX), form->formTag, form->menuBar, form->help,
                 form->timerId, form->timerTag, uint32_t(form->timerInterval), form->keyMap}));
  EXPECT_EQ("Edit Contact", form->title);
  // Eight digits are read and cut to 24 bits; no digits keep the slot.
  EXPECT_EQ((U32{0x345678, 0x00FF80, 0}),
            (U32{form->colours[COL_TITLE], form->colours[COL_FORE], form->colours[COL_BACK]}));
  EXPECT_NE(0u, form->rectTokens);
  EXPECT_GE(form->titleHeight, TXT_LineHeight(FONT_BOLD) + 2);
  EXPECT_TRUE(form->objects.empty());
}

TEST_F(GuiParse, DefaultAndEscapeButtonsAndAutoIds) {
  ASSERT_EQ(0, Parse(FormBuilder().Word("Dflt").Raw32(0).Word("Escp").Word("OKAY").Bytes()));
  EXPECT_EQ(1u, form->defaultButton);  // index 0, kept plus one
  EXPECT_EQ(FCC("OKAY"), form->escapeButton);
  ASSERT_EQ(0, Parse(FormBuilder().Word("Dflt").Raw32(9).Word("Escp").Raw32(10).Bytes()));
  EXPECT_EQ((U32{10, 10}), (U32{form->defaultButton, form->escapeButton}));  // 10 up: a tag
  EXPECT_EQ(GUI_ERR_PARSE, Parse(FormBuilder().Word("Dflt").Bytes()));
  ASSERT_EQ(0, Parse(FormBuilder("ALRT").Tokens("Iden Auto").Bytes(), FCC("ALRT")));
  EXPECT_EQ(77u, form->id);  // the sequence number
  EXPECT_TRUE(form->flags & FORM_MODAL);
  EXPECT_EQ(4, form->marginY);
}

TEST_F(GuiParse, ObjectsWithTextsMnemonicsAndFields) {
  FormBuilder b;
  b.Object("BUTN", "Iden 40 Tagg Save Rect 4 4 Auto Auto Goto Main", {"&Save"});
  b.Object("PUSH", "Iden Auto Grup 3 Chek Slct", {"Fi&rst"});
  b.Object("FELD", "Tagg Name Maxc 40 Font 1 Mlin Numb TabD Save Bmap 17");
  b.Object("FELD", "Nedt UDrw Imag @Qik KDwn 27", {"a && b"});
  ASSERT_EQ(0, Parse(b.Bytes()));
  ASSERT_EQ(4u, form->objects.size());
  const GuiObject &save = Obj(0), &push = Obj(1), &name = Obj(2), &shown = Obj(3);
  EXPECT_EQ((U32{FCC("BUTN"), 9000, 40, FCC("Save"), FCC("Goto"), FCC("Main"), 1}),
            (U32{save.kind, save.index, save.id, save.tag, save.actionKind, save.actionOperand,
                 uint32_t(save.marginX)}));
  EXPECT_EQ("Save", save.strings.at(0));
  EXPECT_EQ('s', save.mnemonic);
  EXPECT_EQ(0, save.mnemonicPos);
  EXPECT_EQ((U32{9001, 3, 1, OBJ_SELECTED}),  // "Auto": the sequence index
            (U32{push.id, uint32_t(push.maxLength), push.checked, push.flags}));
  EXPECT_EQ("First", push.strings.at(0));
  EXPECT_EQ('r', push.mnemonic);
  EXPECT_EQ(2, push.mnemonicPos);
  EXPECT_EQ((U32{40, 1, OBJ_MULTI_LINE | OBJ_NUMERIC, FCC("Save"), 17, 1}),
            (U32{uint32_t(name.maxLength), name.font, name.flags, name.navDown, name.bitmap,
                 uint32_t(name.marginX)}));  // an editable field has a frame
  EXPECT_EQ(
      (U32{GUI_DEFAULT_MAX, OBJ_NOT_EDITABLE | OBJ_USER_DRAWN, FCC("@Qik"), FCC("KDwn"), 27, 0}),
      (U32{uint32_t(shown.maxLength), shown.flags, shown.bitmap, shown.actionKind,
           shown.actionOperand, uint32_t(shown.marginX)}));
  EXPECT_EQ("a && b", shown.strings.at(0));  // only buttons take mnemonics
}

TEST_F(GuiParse, ButtonRowBecomesOneObjectPerButton) {
  FormBuilder b("ALRT");
  b.Object("MESS", "", {"Sure?"}).Begin("BTNS").Tokens("Tagg Row1");
  b.Text("&Yes").Text("&No").Text("Ca&ncel").Word("Nfrm").End().Object("LABL", "");
  ASSERT_EQ(0, Parse(b.Bytes(), FCC("ALRT")));
  ASSERT_EQ(5u, form->objects.size());
  const GuiObject& yes = Obj(1);
  EXPECT_EQ((U32{9001, FCC("Row1"), 'y'}), (U32{yes.index, yes.tag, uint32_t(yes.mnemonic)}));
  EXPECT_EQ(nullptr, yes.rowOwner);
  for (int k = 1; k <= 2; k++) {
    const GuiObject& extra = Obj(1 + k);
    EXPECT_EQ(&yes, extra.rowOwner);
    // The row's index + 1000 + k, and the row's flags read after its texts.
    EXPECT_EQ((U32{FCC("BTNS"), uint32_t(9001 + 1000 + k), OBJ_NO_FRAME, 0}),
              (U32{extra.kind, extra.index, extra.flags, uint32_t(extra.marginX)}));
  }
  EXPECT_EQ("No", Obj(2).strings.at(0));
  EXPECT_EQ("Cancel", Obj(3).strings.at(0));
  EXPECT_EQ('n', Obj(3).mnemonic);
  EXPECT_EQ(9002, Obj(4).index);  // the next object goes on counting
}

TEST_F(GuiParse, FixedFlagsOfStringsBitmapsAndBindings) {
  FormBuilder b;
  b.Object("FSTR", "", {"x"}).Object("FBMP", "Bmap 1001").Object("PLST", "9003 9004");
  b.Object("LABL", "Nprv Ovlp Nonu");
  ASSERT_EQ(0, Parse(b.Bytes()));
  ASSERT_EQ(4u, form->objects.size());
  EXPECT_EQ((U32{0x80000001, 0x80000001, 0x80000001, 0x80000005}),
            (U32{Obj(0).flags, Obj(1).flags, Obj(2).flags, Obj(3).flags}));
  EXPECT_EQ(FCC("PLST"), Obj(2).kind);
  ASSERT_EQ(1u, form->popupBindings.size());
  EXPECT_EQ(std::make_pair(9003, 9004), form->popupBindings[0]);
}

TEST_F(GuiParse, TextWithoutItsZeroByteEndsAtTheBody) {
  std::vector<uint8_t> body = FormBuilder().Begin("LABL").Word("Text").End().Bytes();
  for (char c : std::string("Phone")) body.push_back(uint8_t(c));
  body[15] += 5;  // the label's contents and the form run to the end
  body[7] += 5;
  ASSERT_EQ(0, Parse(body));
  ASSERT_EQ(1u, form->objects.size());
  EXPECT_EQ("Phone", Obj(0).strings.at(0));
}

TEST_F(GuiParse, LengthsPastTheBodyAndStackErrorsFail) {
  std::vector<uint8_t> ok = FormBuilder().Begin("LABL").Text("Hi").End().Bytes();
  ASSERT_EQ(0, Parse(ok));
  std::vector<uint8_t> inner = ok, outer = ok, cut = ok;
  inner[15] += 1;  // the label claims one byte more than the form holds
  EXPECT_EQ(GUI_ERR_PARSE, Parse(inner));
  outer[7] += 4;  // the form claims more than the resource
  EXPECT_EQ(GUI_ERR_PARSE, Parse(outer));
  EXPECT_EQ(GUI_ERR_PARSE, Parse(std::vector<uint8_t>{'F', 'O', 'R', 'M'}));
  cut[7] = 0;  // a shorter form length hides what lies behind it
  ASSERT_EQ(0, Parse(cut));
  EXPECT_TRUE(form->objects.empty());
  EXPECT_EQ(GUI_ERR_STACK, Parse(FormBuilder().Begin("BUTN").Tokens("Rect 1 +").End().Bytes()));
  std::string twenty = "Rect";
  for (int i = 0; i < 20; i++) twenty += " 1";
  EXPECT_EQ(GUI_ERR_STACK, Parse(FormBuilder().Tokens(twenty).Bytes()));
  EXPECT_EQ(GUI_ERR_PARSE, Parse(FormBuilder().Begin("BUTN").Word("Tagg").End().Bytes()));
}

TEST_F(GuiParse, ChecksumIsSizeShiftedPlusSignedByteSumXorAAAA) {
  std::vector<uint8_t> body = {0x01, 0x02, 0xFF, 0x80, 0x7F};  // 1 + 2 - 1 - 128 + 127 = 1
  EXPECT_EQ(((5u << 16) + 1u) ^ 0xAAAAu, GuiChecksum(body.data(), 5));
  std::vector<uint8_t> low = {0x80, 0x80};  // -256: the sum borrows from the size
  EXPECT_EQ(((2u << 16) - 256u) ^ 0xAAAAu, GuiChecksum(low.data(), 2));
}

}  // namespace
