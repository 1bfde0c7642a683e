// The category editor, security, font and colour dialogs run on the
// headless host: the script edits as a user would and closes with OK or
// Cancel. Category edits are checked in the file's block (laid out here by
// hand) and the contacts' category numbers; Cancel leaves the file
// byte-identical; opening private contacts asks the password; each dialog
// is saved as a screenshot at 360 x 600.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "../../kova/plat_src/gui/gui_password.h"
#include "app_fixture.h"
#include "category.h"
#include "contact_builder.h"
#include "gui_harness.h"
#include "list.h"
#include "main_handler.h"
#include "pdb_builder.h"
#include "phone.h"
#include "prefs_dialogs.h"
#include "sort.h"

namespace {

std::map<FourCC, int32_t>& g_answers = g_alertLog.answers;

class PrefsDialogsB : public AppScreenTest {
 protected:
  // Contacts "Name0" … with the category numbers given.
  void WriteContacts(const std::vector<uint8_t>& categories) {
    PdbBuilder b = ContactPdb(true);
    b.AppInfo(CategoryInfo({"Unfiled", "Business", "Personal", "QuickList"}));
    for (size_t i = 0; i < categories.size(); ++i) {
      ContactBuilder c(true);
      c.Field(0, "Name" + std::to_string(i));
      b.Record(c.Record(), categories[i], uint32_t(0x700 + i));
    }
    WriteDataFile(CONTACTS_FILE, b.Bytes());
  }
  PdbImage Contacts() const { return PdbParse(ReadDataFile(CONTACTS_FILE)); }
  void SetText(FourCC tag, const std::string& text) {
    Then([tag, text] { EXPECT_EQ(0, GUI_SetText(Active(), tag, text.c_str())); });
  }
  void SetValue(FourCC tag, int32_t value) {
    Then([tag, value] { EXPECT_EQ(0, GUI_SetValue(Active(), tag, value)); });
  }
  void Shot(const std::string& name) {
    Then([this, name] { SaveScreen(name); });
  }
};

// --- "Cate" ------------------------------------------------------------------

TEST_F(PrefsDialogsB, CategoryEditsAreStoredAndDeletedContactsGoToUnfiled) {
  WriteContacts({2, 1, 3, 2, 0});
  g_prefs.currentCategory = 3;      // the category about to go
  g_prefs.hiddenCategories = 0x0A;  // 1 and 3 hidden
  std::vector<std::string> listed;
  Then([&] {
    for (int16_t i = 0; i < GUI_ListCount(Active(), FCC("CLst")); ++i) {
      char item[20];
      ASSERT_EQ(0, GUI_ListGetItem(Active(), FCC("CLst"), i, item, sizeof item));
      listed.push_back(item);
    }
  });
  Shot("prefs_cate");
  SetValue(FCC("CLst"), 1);  // Business
  SetText(FCC("CNam"), "Work");
  Tap(FCC("CRen"));
  SetText(FCC("CNam"), "Family");
  Tap(FCC("CNew"));
  SetValue(FCC("CLst"), 3);  // QuickList
  Tap(FCC("CDel"));          // asks; the hook answers "Delete"
  Tap(FCC("OKAY"));
  EXPECT_EQ(PrefsCategoryDialog(), PREFS_DLG_REBUILD);
  EXPECT_EQ(listed, (std::vector<std::string>{"Unfiled", "Business", "Personal", "QuickList"}));
  EXPECT_EQ(Alerts(FCC("cDel")), 1u);

  PdbImage im = Contacts();
  ASSERT_TRUE(im.ok) << im.error;
  PdbBytes want = CategoryInfo({"Unfiled", "Work", "Personal", "", "Family"}, 0x02 | 0x08 | 0x10);
  want[2 + 256 + 3] = 0;   // the deleted slot's id
  want[2 + 256 + 4] = 16;  // the new category's id, after the last one (15)
  want[2 + 256 + 16] = 16;
  EXPECT_EQ(im.appInfo, want);
  std::vector<uint8_t> categories;
  for (const PdbEntry& e : im.entries) categories.push_back(e.attributes & 0x0F);
  EXPECT_EQ(categories, (std::vector<uint8_t>{2, 1, 0, 2, 0}));
  EXPECT_EQ(g_prefs.currentCategory, -1);
  EXPECT_EQ(g_prefs.hiddenCategories, 0x02u);
  // The sort table was rescanned: it lists the moved contact as Unfiled.
  const uint16_t* e = nullptr;
  EXPECT_EQ(SortGetList(nullptr, &e, 0, 0, 0x02), 2);
}

TEST_F(PrefsDialogsB, CategoryCancelLeavesTheFileByteIdentical) {
  WriteContacts({2, 1, 3});
  PdbBytes before = ReadDataFile(CONTACTS_FILE);
  SetValue(FCC("CLst"), 2);
  SetText(FCC("CNam"), "Home");
  Tap(FCC("CRen"));
  SetValue(FCC("CLst"), 1);
  Tap(FCC("CDel"));
  SetText(FCC("CNam"), "Extra");
  Tap(FCC("CNew"));
  Tap(FCC("CANC"));
  EXPECT_EQ(PrefsCategoryDialog(), 0);
  EXPECT_EQ(ReadDataFile(CONTACTS_FILE), before);
  // OK without any change writes nothing either.
  Tap(FCC("OKAY"));
  EXPECT_EQ(PrefsCategoryDialog(), 0);
  EXPECT_EQ(ReadDataFile(CONTACTS_FILE), before);
}

TEST_F(PrefsDialogsB, CategoryRefusalsAlertAndChangeNothing) {
  WriteContacts({1});
  PdbBytes before = ReadDataFile(CONTACTS_FILE);
  SetValue(FCC("CLst"), 0);  // Unfiled
  SetText(FCC("CNam"), "Inbox");
  Tap(FCC("CRen"));
  Tap(FCC("CDel"));
  SetText(FCC("CNam"), "personal");  // taken
  Tap(FCC("CNew"));
  SetValue(FCC("CLst"), 1);
  Tap(FCC("CDel"));  // answered "Cancel"
  Tap(FCC("OKAY"));
  g_answers[FCC("cDel")] = 1;
  EXPECT_EQ(PrefsCategoryDialog(), 0);
  EXPECT_EQ(Alerts(FCC("cUnf")), 2u);
  EXPECT_EQ(Alerts(FCC("cNam")), 1u);
  EXPECT_EQ(Alerts(FCC("cDel")), 1u);
  EXPECT_EQ(ReadDataFile(CONTACTS_FILE), before);
}

TEST_F(PrefsDialogsB, CategoryEditorWithoutADatabaseSaysSo) {
  EXPECT_EQ(PrefsCategoryDialog(), 0);
  EXPECT_EQ(Alerts(FCC("cNon")), 1u);
  EXPECT_FALSE(HostFileExists(DataDir() + "/" + CONTACTS_FILE));
}

// --- "Secu" ------------------------------------------------------------------

TEST_F(PrefsDialogsB, SecurityStartsMaskedOnlyWithAPassword) {
  EXPECT_EQ(PrefsSecurityAtStart(), 0);
  ASSERT_EQ(0, GUI_PasswordSet(nullptr, "pw"));
  EXPECT_EQ(PrefsSecurityAtStart(), 1);
}

TEST_F(PrefsDialogsB, SecurityMovingToAClosedLevelAsksNothing) {
  ASSERT_EQ(0, GUI_PasswordSet(nullptr, "pw"));
  g_prefs.securityLevel = 0;
  int32_t shown = -1;
  Then([&] { shown = Value(FCC("Lev0")); });
  Shot("prefs_secu");
  Tap(FCC("Lev2"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(PrefsSecurityDialog(), PREFS_DLG_REBUILD);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(g_prefs.securityLevel, 2);
  EXPECT_EQ(StepsLeft(), 0u);
}

TEST_F(PrefsDialogsB, SecurityOpeningAsksAndRefusesAWrongPassword) {
  ASSERT_EQ(0, GUI_PasswordSet(nullptr, "right"));
  g_prefs.securityLevel = 2;
  FourCC asked = 0;
  Tap(FCC("Lev0"));
  Tap(FCC("OKAY"));
  Then([&] { asked = GUI_FormTag(Active()); });
  Shot("prefs_kpwd");
  Type("wrong");
  Tap(FCC("Unlk"));  // refused: the check stays open
  Key(HOST_KEY_ESCAPE);
  EXPECT_EQ(PrefsSecurityDialog(), 0);
  EXPECT_EQ(asked, FCC("kPwd"));
  EXPECT_EQ(g_prefs.securityLevel, 2);
  // Cancel in the dialog itself asks nothing and changes nothing.
  Tap(FCC("Lev0"));
  Tap(FCC("CANC"));
  EXPECT_EQ(PrefsSecurityDialog(), 0);
  EXPECT_EQ(g_prefs.securityLevel, 2);
  // The right password opens it.
  Tap(FCC("Lev1"));
  Tap(FCC("OKAY"));
  Type("right");
  Tap(FCC("Unlk"));
  EXPECT_EQ(PrefsSecurityDialog(), PREFS_DLG_REBUILD);
  EXPECT_EQ(g_prefs.securityLevel, 1);
}

TEST_F(PrefsDialogsB, SecurityWithoutPasswordOpensAtOnce) {
  g_prefs.securityLevel = 2;
  Tap(FCC("Lev0"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(PrefsSecurityDialog(), PREFS_DLG_REBUILD);
  EXPECT_EQ(g_prefs.securityLevel, 0);
}

TEST_F(PrefsDialogsB, PasswordButtonSetsAPasswordTypedTwiceAlike) {
  std::string state, refusal;
  bool oldShown = true;
  Tap(FCC("PSet"));
  Then([&] { oldShown = GUI_IsShown(Active(), FCC("POld")); });
  Type("abc");  // the new password's field has the focus
  SetText(FCC("PNw2"), "abd");
  Tap(FCC("OKAY"));
  Then([&] { refusal = Text(FCC("PMsg")); });
  Shot("prefs_pwds");
  SetText(FCC("PNw2"), "abc");
  Tap(FCC("OKAY"));
  Then([&] { state = Text(FCC("PInf")); });
  Tap(FCC("CANC"));
  EXPECT_EQ(PrefsSecurityDialog(), 0);
  EXPECT_FALSE(oldShown);
  EXPECT_EQ(refusal, "The new passwords differ.");
  EXPECT_EQ(state, "A password is set.");
  EXPECT_TRUE(PwdMatches("abc"));
  // Removing needs the current one.
  Tap(FCC("PSet"));
  Type("nope");
  Tap(FCC("OKAY"));
  Then([&] { refusal = Text(FCC("PMsg")); });
  SetText(FCC("POld"), "abc");
  Tap(FCC("OKAY"));
  Then([&] { state = Text(FCC("PInf")); });
  Tap(FCC("CANC"));
  EXPECT_EQ(PrefsSecurityDialog(), 0);
  EXPECT_EQ(refusal, "The current password is wrong.");
  EXPECT_EQ(state, "No password is set.");
  EXPECT_FALSE(GUI_PasswordIsSet());
}

// --- "Font" ------------------------------------------------------------------

TEST_F(PrefsDialogsB, FontStoresTheTappedFontForTheSlotAndCancelKeepsIt) {
  g_prefs.fontBySlot[3] = PREFS_FONT_BOLD;
  int32_t slot = -1, boldChecked = -1;
  Then([&] {
    slot = Value(FCC("LLoc"));
    boldChecked = Value(FCC("F001"));
  });
  Shot("prefs_font");
  Tap(FCC("F007"));
  Tap(FCC("CANC"));
  EXPECT_EQ(PrefsFontDialog(3), 0);
  EXPECT_EQ(slot, 3);
  EXPECT_EQ(boldChecked, 1);
  EXPECT_EQ(g_prefs.fontBySlot[3], PREFS_FONT_BOLD);

  Tap(FCC("F129"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(PrefsFontDialog(3), PREFS_DLG_REDRAW);
  EXPECT_EQ(g_prefs.fontBySlot[3], PREFS_FONT_TINY);
  EXPECT_EQ(g_prefs.fontBySlot[0], PREFS_FONT_STANDARD);  // other slots as they were
  EXPECT_EQ(g_prefs.fontBySlot[7], PREFS_FONT_LARGE_BOLD);
}

// --- "Colr" ------------------------------------------------------------------

TEST_F(PrefsDialogsB, ColourSelectorsShowAndStoreTheListColours) {
  uint32_t shownText = 0;
  Then([&] { shownText = uint32_t(Value(FCC("lTxt"))); });
  Shot("prefs_colr");
  Then([] {
    uint32_t picked = 0x123456;
    GuiForm* form = Active();
    EXPECT_EQ(
        0, GUI_ObjectCommand(form, GUI_FindObject(form, FCC("lTxt")), GUI_CMD_SET_COLOUR, &picked));
  });
  Tap(FCC("16Bt"));
  Tap(FCC("OKAY"));
  uint32_t before[12];
  memcpy(before, g_prefs.listColours, sizeof before);
  EXPECT_EQ(PrefsColourDialog(), PREFS_DLG_REDRAW);
  EXPECT_EQ(shownText, before[2]);
  EXPECT_EQ(g_prefs.listColours[2], 0x123456u);
  EXPECT_EQ(g_prefs.use16BitColour, 1);
  for (int i = 0; i < 12; ++i) {
    if (i != 2) {
      EXPECT_EQ(g_prefs.listColours[i], before[i]) << i;
    }
  }
  // Cancel keeps what is stored.
  Then([] { EXPECT_EQ(0, GUI_SetValue(Active(), FCC("lBak"), 0x00FF00)); });
  Tap(FCC("CANC"));
  EXPECT_EQ(PrefsColourDialog(), 0);
  EXPECT_EQ(g_prefs.listColours[1], before[1]);
}

}  // namespace

namespace {

TEST_F(PrefsDialogsB, ColourPickedInThePickerIsStored) {
  g_prefs.listColours[2] = 0x000000;  // black: the palette's first cell
  FourCC picker = 0;
  Tap(FCC("lTxt"));  // opens the colour picker
  Then([&] { picker = GUI_FormTag(Active()); });
  Key(HOST_KEY_RIGHT);   // the next cell: blue one step up
  Key(HOST_KEY_RETURN);  // the picker's OK
  Tap(FCC("OKAY"));
  EXPECT_EQ(PrefsColourDialog(), PREFS_DLG_REDRAW);
  EXPECT_EQ(picker, FCC("kCol"));
  EXPECT_EQ(g_prefs.listColours[2], 0x000033u);
}

TEST_F(PrefsDialogsB, ButtonsShowTheHintOnceThenTheMappingEditor) {
  FourCC editor = 0;
  Then([&] { editor = GUI_FormTag(Active()); });
  Key(HOST_KEY_ESCAPE);
  EXPECT_EQ(PrefsButtonsDialog(), 0);
  EXPECT_EQ(editor, FCC("kKey"));
  EXPECT_EQ(Alerts(FCC("tBut")), 1u);
  Key(HOST_KEY_ESCAPE);
  EXPECT_EQ(PrefsButtonsDialog(), 0);
  EXPECT_EQ(Alerts(FCC("tBut")), 1u);  // shown once
}

}  // namespace

namespace {

TEST_F(PrefsDialogsB, CustomFontThatCannotLoadFallsBackToStandard) {
  WriteHostFile(DocumentsDir() + "/fake.ttf", {'n', 'o', 't', ' ', 'a', ' ', 'f', 'o', 'n', 't'});
  g_prefs.fontBySlot[1] = PREFS_FONT_LARGE;
  FourCC picker = 0;
  Tap(FCC("Choo"));
  Then([&] { picker = GUI_FormTag(Active()); });
  SetText(FCC("FNam"), "fake.ttf");
  Tap(FCC("OKAY"));  // the picker's
  Tap(FCC("OKAY"));  // the font dialog's
  EXPECT_EQ(PrefsFontDialog(1), PREFS_DLG_REDRAW);
  EXPECT_EQ(picker, FCC("kFil"));
  EXPECT_EQ(Alerts(FCC("Buck")), 1u);
  EXPECT_EQ(g_prefs.fontBySlot[1], PREFS_FONT_STANDARD);
  // A cancelled picker changes nothing and says nothing.
  Tap(FCC("Choo"));
  Key(HOST_KEY_ESCAPE);
  Tap(FCC("OKAY"));
  EXPECT_EQ(PrefsFontDialog(1), 0);
  EXPECT_EQ(Alerts(FCC("Buck")), 1u);
}

}  // namespace

namespace {

TEST_F(PrefsDialogsB, CustomFontChosenFromATrueTypeFileIsStoredAndUsed) {
  // A monospaced face: its glyphs are told apart from the standard font's
  // by their widths alone.
  const std::vector<uint8_t> ttf =
      ReadHostFile("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf");
  ASSERT_FALSE(ttf.empty());
  WriteHostFile(DocumentsDir() + "/Mono.ttf", ttf);
  g_prefs.fontBySlot[1] = PREFS_FONT_LARGE;
  std::vector<int32_t> buttons;
  Tap(FCC("Choo"));
  SetText(FCC("FNam"), "Mono.ttf");
  Tap(FCC("OKAY"));  // the picker's
  Then([&] {
    for (FourCC tag : {FCC("F000"), FCC("F001"), FCC("F002"), FCC("F007"), FCC("F129")})
      buttons.push_back(Value(tag));
  });
  Tap(FCC("OKAY"));  // the font dialog's
  EXPECT_EQ(PrefsFontDialog(1), PREFS_DLG_REDRAW);
  EXPECT_EQ(Alerts(FCC("Buck")), 0u);
  EXPECT_EQ(buttons, (std::vector<int32_t>{0, 0, 0, 0, 0})) << "no standard font is checked";
  EXPECT_EQ(g_prefs.fontBySlot[1], PREFS_FONT_CUSTOM);
  EXPECT_EQ(g_prefs.fontBySlot[0], PREFS_FONT_STANDARD);  // the other slots stay
  EXPECT_EQ(g_prefs.customFontBySlot[0], 0u);
  // The file was copied into the data folder under the stored id.
  const uint32_t id = g_prefs.customFontBySlot[1];
  char copy[40];
  snprintf(copy, sizeof copy, "Custom_Font_%08x.ttf", id);
  EXPECT_EQ(ReadDataFile(copy), ttf) << copy;
  // The index list's slot now draws in that font.
  const uint16_t font = ListSlotFont(1);
  EXPECT_GE(font, FONT_CUSTOM_FIRST);
  EXPECT_EQ(TXT_Width(font, "iiii", 4), TXT_Width(font, "MMMM", 4));
  EXPECT_LT(TXT_Width(FONT_STANDARD, "iiii", 4), TXT_Width(FONT_STANDARD, "MMMM", 4));
  EXPECT_EQ(ListSlotFont(0), FONT_STANDARD);
}

}  // namespace
