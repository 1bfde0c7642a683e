// Tests of the menu bar: shortcuts reaching the handler as menu events with
// the item's name, the manager's own handling of an unhandled "COPY" and
// "HELP", opening and choosing with the pen and the keys, and a damaged
// menu bar body. The menu bars are built here from their byte layout.
#include <gtest/gtest.h>

#include <cstring>

#include "form_builder.h"
#include "gui_harness.h"

namespace {

constexpr uint32_t MENU_FORM = 3120, BAR = 3200, HELP_TEXT = 3300;

struct BarItem {
  const char* name;  // null: a separator
  uint32_t id;
  const char* label;
  char key;
};
struct BarMenu {
  const char* title;
  std::vector<BarItem> items;
};

void Put16(std::vector<uint8_t>* b, size_t at, uint32_t v) {
  (*b)[at] = uint8_t(v >> 8);
  (*b)[at + 1] = uint8_t(v);
}
void Put32(std::vector<uint8_t>* b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; i++) (*b)[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}
size_t AddText(std::vector<uint8_t>* b, const char* s) {
  size_t at = b->size();
  b->insert(b->end(), s, s + strlen(s) + 1);
  return at;
}

// u16 menus, u16 items, 8-byte menu records, 16-byte item records, texts.
std::vector<uint8_t> MenuBarBody(const std::vector<BarMenu>& menus) {
  size_t items = 0;
  for (const BarMenu& m : menus) items += m.items.size();
  std::vector<uint8_t> b(4 + 8 * menus.size() + 16 * items, 0);
  Put16(&b, 0, uint32_t(menus.size()));
  Put16(&b, 2, uint32_t(items));
  size_t first = 0, rec = 4 + 8 * menus.size();
  for (size_t m = 0; m < menus.size(); m++) {
    Put16(&b, 4 + 8 * m, uint32_t(first));
    Put16(&b, 6 + 8 * m, uint32_t(menus[m].items.size()));
    Put32(&b, 8 + 8 * m, uint32_t(AddText(&b, menus[m].title)));
    for (const BarItem& it : menus[m].items) {
      if (it.name) {
        Put32(&b, rec,
              (uint32_t(uint8_t(it.name[0])) << 24) | (uint32_t(uint8_t(it.name[1])) << 16) |
                  (uint32_t(uint8_t(it.name[2])) << 8) | uint8_t(it.name[3]));
        Put32(&b, rec + 4, it.id);
        Put32(&b, rec + 8, uint32_t(AddText(&b, it.label)));
        b[rec + 12] = uint8_t(it.key);
      } else {
        b[rec + 13] = 1;
      }
      rec += 16;
    }
    first += menus[m].items.size();
  }
  return b;
}

// Ids far above the program's own menu items, which the store's name
// table already names.
const std::vector<BarMenu> MENUS = {
    {"Record",
     {{"NewI", 61001, "&New Contact", 'N'},
      {"Dupe", 61002, "D&uplicate", 0},
      {nullptr, 0, nullptr, 0},
      {"Dele", 61003, "&Delete...", 'D'}}},
    {"Edit",
     {{"COPY", 61004, "&Copy", 'C'}, {"PSTE", 61005, "&Paste", 'V'}, {"HELP", 61006, "Help", 0}}},
};

std::vector<uint8_t> MenuForm() {
  FormBuilder b;
  b.Tokens("Iden 3120 Tagg MnuF Menu 3200 Help 3300 FBeg");
  b.Begin("TITL").Text("Contacts").End();
  b.Begin("FELD").Tokens("Tagg Fld1 Rect Auto Auto 200 Auto Maxc 80").End();
  return b.Word("FEnd").Bytes();
}

class GuiMenu : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    AddResource(FCC("FORM"), MENU_FORM, MenuForm());
    std::string help = "Type a name to find it.";
    std::vector<uint8_t> text(help.begin(), help.end());
    text.push_back(0);
    AddResource(FCC("tSTR"), HELP_TEXT, text);
  }
  void Run(const std::vector<BarMenu>& menus = MENUS) {
    AddResource(FCC("MBAR"), BAR, MenuBarBody(menus));
    std::vector<TagItem> params = Params();
    (void)GUI_FormLoad(MENU_FORM, params.data());
  }
  std::vector<FourCC> MenuEvents() const {
    std::vector<FourCC> out;
    for (const GuiSeen& s : Seen(FORM_EVT_MENU)) out.push_back(FourCC(s.operand));
    return out;
  }
  // Screen positions: a title of the strip and the middle of row `i` of
  // the open menu.
  static int32_t BarHeight() { return GuiMenuBarHeight(GUI_ActiveForm()); }
  static int32_t RowY(int i) {
    int32_t row = TXT_LineHeight(FONT_STANDARD) + 6;
    return BarHeight() + 1 + i * row + row / 2;
  }
};

TEST_F(GuiMenu, ShortcutReachesTheHandlerWithTheItemName) {
  Key('n', HOST_MOD_CONTROL);
  Key('d', HOST_MOD_CONTROL);
  Answer([](const GuiSeen& s) -> int16_t { return s.kind == FORM_EVT_MENU; });
  Run();
  EXPECT_EQ((std::vector<FourCC>{FCC("NewI"), FCC("Dele")}), MenuEvents());
  EXPECT_TRUE(Seen(FORM_EVT_KEY).empty());
}

TEST_F(GuiMenu, UnhandledCopyCopiesTheFocusedFieldsSelection) {
  Then([] {
    GuiForm* f = GUI_ActiveForm();
    ASSERT_EQ(0, GUI_SetText(f, FCC("Fld1"), "hello w\xF6rld"));
    ASSERT_EQ(0, GUI_Focus(f, FCC("Fld1")));
    ASSERT_EQ(0, GUI_SetSelection(f, FCC("Fld1"), 6, 11));
  });
  Key('c', HOST_MOD_CONTROL);
  Run();
  EXPECT_EQ((std::vector<FourCC>{FCC("COPY")}), MenuEvents());
  char clip[64] = {};
  ASSERT_EQ(0, HOST_ClipboardGet(clip, sizeof clip));
  EXPECT_STREQ("w\xC3\xB6rld", clip);  // UTF-8 on the desktop's clipboard
}

TEST_F(GuiMenu, PenOpensTheMenuAndChoosesAnItem) {
  uint32_t closedTitle = 0, openTitle = 0;
  Then([&] { closedTitle = ScreenPixel(4, 4); });
  TapAt(12, 5);  // the first title; the menu opens on the release
  Then([&] {
    openTitle = ScreenPixel(4, 4);
    SaveScreen("gui_menu_open");
  });
  Then([this] { TapAt(30, RowY(1)); });
  Run();
  EXPECT_NE(closedTitle, openTitle);
  EXPECT_EQ(GUI_SchemeColour(1), openTitle);  // the open title is lit
  EXPECT_EQ((std::vector<FourCC>{FCC("Dupe")}), MenuEvents());
  EXPECT_TRUE(Seen(FORM_EVT_PEN_DOWN).empty());  // the strip and the menu kept the pen
}

TEST_F(GuiMenu, KeysMoveThroughTheOpenMenuSkippingSeparators) {
  Key(HOST_KEY_F1 + 9);  // F10 opens the first menu
  Key(HOST_KEY_DOWN);
  Key(HOST_KEY_DOWN);
  Key(HOST_KEY_DOWN);  // over the separator to "Delete..."
  Key(HOST_KEY_RETURN);
  Key(HOST_KEY_F1 + 9);
  Key(HOST_KEY_RIGHT);  // the "Edit" menu
  Type("p");            // its mnemonic
  Answer([](const GuiSeen& s) -> int16_t { return s.kind == FORM_EVT_MENU; });
  Run();
  EXPECT_EQ((std::vector<FourCC>{FCC("Dele"), FCC("PSTE")}), MenuEvents());
}

TEST_F(GuiMenu, HelpShowsTheFormsHelpTextInAnAlert) {
  std::string message;
  Menu(FCC("HELP"));
  Then([&] {
    GuiForm* alert = GUI_ActiveForm();
    for (auto& o : alert->objects)
      if (o->kind == FCC("MESS") && !o->strings.empty()) message = o->strings[0];
  });
  Key(HOST_KEY_RETURN);
  Run();
  EXPECT_EQ("Type a name to find it.", message);
}

TEST_F(GuiMenu, DamagedMenuBarGivesNoMenuAndNoCrash) {
  std::vector<uint8_t> body = MenuBarBody(MENUS);
  Put16(&body, 2, 500);  // more items than the body holds
  AddResource(FCC("MBAR"), BAR, body);
  Key('n', HOST_MOD_CONTROL);
  Key(HOST_KEY_F1 + 9);
  Answer([](const GuiSeen& s) -> int16_t { return s.kind == FORM_EVT_KEY; });
  std::vector<TagItem> params = Params();
  (void)GUI_FormLoad(MENU_FORM, params.data());
  EXPECT_TRUE(MenuEvents().empty());
  ASSERT_EQ(1u, Seen(FORM_EVT_KEY).size());
  EXPECT_EQ(14u, Seen(FORM_EVT_KEY)[0].a1);  // Ctrl+N as a control letter
}

TEST_F(GuiMenu, TextsRunningPastTheBodyEndAtIt) {
  std::vector<uint8_t> body = MenuBarBody({{"Cut", {{"CUTT", 61010, "Cu&t", 'X'}}}});
  body.resize(body.size() - 1);                 // the last label loses its zero byte
  Put32(&body, 8, uint32_t(body.size() + 40));  // a title past the end
  AddResource(FCC("MBAR"), BAR, body);
  Key('x', HOST_MOD_CONTROL);
  Answer([](const GuiSeen& s) -> int16_t { return s.kind == FORM_EVT_MENU; });
  std::vector<TagItem> params = Params();
  (void)GUI_FormLoad(MENU_FORM, params.data());
  EXPECT_EQ((std::vector<FourCC>{FCC("CUTT")}), MenuEvents());
}

}  // namespace
