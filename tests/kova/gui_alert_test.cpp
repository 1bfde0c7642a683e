// Tests of alerts with the program's own alerts from the store: the index
// of a tapped button, Return and Escape on the default and escape buttons,
// a typed mnemonic, custom texts shown literally, the kind's sound, an
// alert that does not exist, and a screenshot of an alert over a form.
#include <gtest/gtest.h>

#include "form_builder.h"
#include "gui_harness.h"

namespace {

class GuiAlert : public GuiTest {
 protected:
  static std::string Message() {
    for (auto& o : GUI_ActiveForm()->objects)
      if (o->kind == FCC("MESS") && !o->strings.empty()) return o->strings[0];
    return "";
  }
};

TEST_F(GuiAlert, TappedButtonGivesItsIndex) {
  TapLabel("First Name");
  EXPECT_EQ(1u, GUI_Alert(FCC("SOrd")));
  TapLabel("Cancel");
  EXPECT_EQ(3u, GUI_Alert(FCC("SOrd")));
  EXPECT_EQ(nullptr, GUI_ActiveForm());  // closed again
}

TEST_F(GuiAlert, ReturnAndEscapePressTheDefaultAndEscapeButtons) {
  Key(HOST_KEY_RETURN);
  EXPECT_EQ(0u, GUI_Alert(FCC("SOrd")));  // "Dflt 0"
  Key(HOST_KEY_ESCAPE);
  EXPECT_EQ(3u, GUI_Alert(FCC("SOrd")));  // "Escp 3"
  Key(HOST_KEY_RETURN);
  EXPECT_EQ(1u, GUI_Alert(FCC("Dele")));  // "Dflt 1": deleting is never the default
}

TEST_F(GuiAlert, MarkedLettersPressTheirButtons) {
  Type("o");  // "C&ompany"
  EXPECT_EQ(2u, GUI_Alert(FCC("SOrd")));
  Key('l', HOST_MOD_ALT);  // "&Last Name"
  EXPECT_EQ(0u, GUI_Alert(FCC("SOrd")));
}

TEST_F(GuiAlert, CustomArgumentsAreShownLiterally) {
  std::string message;
  Then([&] { message = Message(); });
  Key(HOST_KEY_ESCAPE);
  const char* args[] = {"%s%hd", nullptr};
  EXPECT_EQ(1u, GUI_AlertCustom(FCC("gDel"), args));
  EXPECT_EQ("Delete selected group '%s%hd'?\n\n(Any members of this group will be unsubscribed)",
            message);
}

TEST_F(GuiAlert, AlertKindsSoundAndMissingAlertsAnswerNoButton) {
  Key(HOST_KEY_RETURN);
  EXPECT_EQ(0u, GUI_Alert(FCC("Mem!")));  // an error alert
  EXPECT_GT(HOST_HeadlessSampleCount(), 0u);
  EXPECT_EQ(GUI_RESULT_ERROR, GUI_Alert(FCC("Nope")));
  EXPECT_EQ(GUI_RESULT_ERROR, GUI_Alert(4321));
}

TEST_F(GuiAlert, AlertLiesCentredOverTheForm) {
  FormBuilder b;
  b.Tokens("Iden 3130 Tagg Back FBeg");
  b.Begin("TITL").Text("Contacts").End();
  b.Begin("LABL").Tokens("Cord Auto Auto").Text("A form under an alert").End();
  AddResource(FCC("FORM"), 3130, b.Word("FEnd").Bytes());
  uint32_t answer = 0;
  GfxRect alert{};
  uint32_t corner = 0, titleBar = 0;
  Then([&] { answer = GUI_Alert(FCC("Dup?")); });
  Then([&] {
    alert = GUI_FormBounds(GUI_ActiveForm());
    corner = ScreenPixel(2, 598);
    titleBar = ScreenPixel(alert.x + alert.w / 2, alert.y + 2);
    SaveScreen("gui_alert_over_form");
  });
  Key(HOST_KEY_RETURN);
  std::vector<TagItem> params = Params();
  (void)GUI_FormLoad(3130, params.data());
  EXPECT_EQ(0u, answer);
  EXPECT_EQ((360 - alert.w) / 2, alert.x);
  EXPECT_EQ((600 - alert.h) / 2, alert.y);
  EXPECT_EQ(GUI_SchemeColour(4), corner);  // the form still shows around it
  EXPECT_EQ(GUI_SchemeColour(1), titleBar);
}

}  // namespace
