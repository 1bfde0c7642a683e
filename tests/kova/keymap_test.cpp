// Button mappings: the mappings file written byte for byte as its layout
// says (checked against a builder here), damaged and foreign files ignored,
// a mapped host key giving its command through the key translation before
// the built-in keys, and the editor run on the headless host: a key caught
// after "Assign...", a mapping cleared, Cancel leaving the file alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../kova/plat_src/gui/gui_keymap.h"
#include "../../kova/plat_src/gui/gui_loop.h"
#include "gui_harness.h"

namespace {

using Bytes = std::vector<uint8_t>;
const char* const FILE_NAME = "Key_Mappings_BrnL.dat";

// The mappings file from its layout: "KMap", version, count, entries.
Bytes MapFile(const std::vector<KeyMapping>& entries, uint16_t version = 1) {
  Bytes b = {'K',
             'M',
             'a',
             'p',
             uint8_t(version >> 8),
             uint8_t(version),
             uint8_t(entries.size() >> 8),
             uint8_t(entries.size())};
  for (const KeyMapping& m : entries) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(uint8_t(m.command >> shift));
    b.push_back(uint8_t(m.hostKey >> 8));
    b.push_back(uint8_t(m.hostKey));
    b.push_back(uint8_t(m.modifiers >> 8));
    b.push_back(uint8_t(m.modifiers));
  }
  return b;
}

class KeyMap : public GuiTest {
 protected:
  // What the window procedure queues for one key press.
  static std::vector<GuiInput> Press(int32_t key, uint32_t modifiers = 0) {
    GuiInputReset();
    HostEvent e{};
    e.kind = HOST_EVT_KEY_DOWN;
    e.key = key;
    e.modifiers = modifiers;
    (void)GuiWindowProc(&e, 0);
    std::vector<GuiInput> out;
    GuiInput in;
    while (GuiInputTake(&in)) out.push_back(in);
    return out;
  }
  static int32_t KeyCode(int32_t key, uint32_t modifiers = 0) {
    std::vector<GuiInput> in = Press(key, modifiers);
    return in.size() == 1 && in[0].kind == GUI_IN_KEY ? in[0].code : -1;
  }
  // The list row of the command labelled `label` in the editor.
  static int16_t RowOf(const std::string& label) {
    for (int16_t i = 0; i < GUI_ListCount(GUI_ActiveForm(), FCC("KLst")); i++) {
      char item[128];
      if (GUI_ListGetItem(GUI_ActiveForm(), FCC("KLst"), i, item, sizeof item) == 0 &&
          std::string(item).rfind(label + ":", 0) == 0)
        return i;
    }
    return -1;
  }
  void Select(const std::string& label) {
    Then([label] {
      int16_t row = RowOf(label);
      ASSERT_GE(row, 0) << label;
      EXPECT_EQ(0, GUI_SetValue(GUI_ActiveForm(), FCC("KLst"), row));
    });
  }
  static std::string Row(const std::string& label) {
    char item[128] = "";
    (void)GUI_ListGetItem(GUI_ActiveForm(), FCC("KLst"), RowOf(label), item, sizeof item);
    return item;
  }
};

TEST_F(KeyMap, SavedFileMatchesTheLayoutByteForByte) {
  KeyMapTable t{};
  t.entries[0] = KeyMapping{FCC("APP1"), uint16_t(HOST_KEY_F1 + 6), 0};
  t.entries[1] = KeyMapping{FCC("PHN5"), 'q', uint16_t(HOST_MOD_CONTROL | HOST_MOD_SHIFT)};
  t.count = 2;
  ASSERT_EQ(0, GuiKeyMapSave(t));
  EXPECT_EQ(ReadDataFile(FILE_NAME), MapFile({t.entries[0], t.entries[1]}));
  EXPECT_EQ(ReadDataFile(FILE_NAME).size(), 24u);
  // Loaded again from the file alone.
  GuiKeyMapReset();
  ASSERT_EQ(0, GUI_KeyMapLoad());
  ASSERT_EQ(2, GuiKeyMapActive().count);
  EXPECT_EQ(FCC("PHN5"), GuiKeyMapActive().entries[1].command);
  EXPECT_EQ(HOST_MOD_CONTROL | HOST_MOD_SHIFT, GuiKeyMapActive().entries[1].modifiers);
  // An empty table is a header alone.
  ASSERT_EQ(0, GuiKeyMapSave(KeyMapTable{}));
  EXPECT_EQ(ReadDataFile(FILE_NAME), MapFile({}));
}

TEST_F(KeyMap, DamagedOrForeignFilesAreIgnored) {
  const KeyMapping good{FCC("APP2"), uint16_t(HOST_KEY_F1 + 8), 0};
  std::vector<Bytes> bad = {
      MapFile({good}, 2),                                     // another version
      Bytes{'P', 'K', 0x03, 0x04, 0, 1, 0, 0},                // not ours
      MapFile({good, good}),                                  // a command twice
      MapFile({good, {FCC("APP3"), good.hostKey, 0}}),        // a key twice
      MapFile({{FCC("APP3"), uint16_t(HOST_KEY_COUNT), 0}}),  // no such key
      MapFile({{FCC("APP3"), uint16_t(HOST_KEY_SHIFT), 0}}),  // a modifier alone
      MapFile({{FCC("APP3"), 'x', 0x10}}),                    // unknown modifier bit
      MapFile({{0, 'x', 0}}),                                 // no command
      Bytes{'K', 'M', 'a', 'p', 0, 1, 0, 65},                 // more than 64
  };
  Bytes cut = MapFile({good});
  cut.pop_back();
  bad.push_back(cut);
  Bytes longer = MapFile({good});
  longer.push_back(0);
  bad.push_back(longer);
  for (size_t i = 0; i < bad.size(); i++) {
    WriteDataFile(FILE_NAME, bad[i]);
    EXPECT_EQ(0, GUI_KeyMapLoad()) << i;
    EXPECT_EQ(0, GuiKeyMapActive().count) << i;
    EXPECT_EQ(int32_t(FCC("APP2")), KeyCode(HOST_KEY_F1 + 1)) << i;  // built-in keys stay
  }
  WriteDataFile(FILE_NAME, MapFile({good}));
  EXPECT_EQ(0, GUI_KeyMapLoad());
  EXPECT_EQ(1, GuiKeyMapActive().count);
}

TEST_F(KeyMap, MappedKeysComeBeforeTheBuiltInOnes) {
  WriteDataFile(FILE_NAME, MapFile({{FCC("APP3"), uint16_t(HOST_KEY_F1 + 6), 0},
                                    {FCC("LsDn"), 'j', uint16_t(HOST_MOD_CONTROL)},
                                    {FCC("PHN7"), uint16_t(HOST_KEY_F1 + 0), 0}}));
  ASSERT_EQ(0, GUI_KeyMapLoad());
  EXPECT_EQ(int32_t(FCC("APP3")), KeyCode(HOST_KEY_F1 + 6));
  EXPECT_EQ(-1, KeyCode(HOST_KEY_F1 + 6, HOST_MOD_SHIFT));  // modifiers must match
  EXPECT_EQ(int32_t(FCC("LsDn")), KeyCode('j', HOST_MOD_CONTROL));
  // F1 now gives phone key 7 (as the number pad would), not "APP1".
  std::vector<GuiInput> f1 = Press(HOST_KEY_F1);
  ASSERT_EQ(1u, f1.size());
  EXPECT_EQ(GUI_IN_PHONE, f1[0].kind);
  EXPECT_EQ(7, f1[0].code);
  EXPECT_EQ(int32_t(FCC("APP2")), KeyCode(HOST_KEY_F1 + 1));  // unmapped keys as before
  // A held mapped key reads as its command held.
  HOST_HeadlessSetKey(HOST_KEY_F1 + 6, true);
  EXPECT_TRUE(GUI_KeyHeld(FCC("APP3")));
  HOST_HeadlessSetKey(HOST_KEY_F1 + 6, false);
  EXPECT_FALSE(GUI_KeyHeld(FCC("APP3")));
  // Through the whole loop: the mapped command reaches the form's handler.
  uint32_t answered = 0;
  Answer([&answered](const GuiSeen& e) -> int16_t {
    if (e.kind == FORM_EVT_KEY && e.a1 == FCC("APP3")) answered++;
    return 0;
  });
  GuiForm* form = nullptr;
  ASSERT_EQ(0, GUI_FormOpen(&form, GUI_FORM_KEY_MAP, 0, FCC("FORM"), nullptr));
  Key(HOST_KEY_F1 + 6);
  Wait(50);
  std::vector<TagItem> params = Params();
  (void)GUI_FormDoDialog(form, params.data());
  GUI_FormClose(form);
  EXPECT_EQ(1u, answered);
}

TEST_F(KeyMap, EditorAssignsACaughtKeyAndSaves) {
  Select("Tasks button");
  Then([] { EXPECT_EQ("Tasks button: F3 (standard)", Row("Tasks button")); });
  Tap(FCC("KAsn"));
  Key(HOST_KEY_SHIFT);  // a modifier alone is not taken
  Key('k', HOST_MOD_ALT);
  Then([] { EXPECT_EQ("Tasks button: Alt+K", Row("Tasks button")); });
  Select("Page down");
  Tap(FCC("KAsn"));
  Key(HOST_KEY_F1 + 7);
  Then([this] {
    EXPECT_EQ("Page down: F8", Row("Page down"));
    SaveScreen("gui_keymap_editor");
  });
  Tap(FCC("OKAY"));
  EXPECT_TRUE(GUI_KeyMapEdit(FCC("KMAP")));
  EXPECT_EQ(ReadDataFile(FILE_NAME), MapFile({{FCC("APP3"), 'k', uint16_t(HOST_MOD_ALT)},
                                              {FCC("LsDn"), uint16_t(HOST_KEY_F1 + 7), 0}}));
  // The translation uses it at once.
  EXPECT_EQ(int32_t(FCC("LsDn")), KeyCode(HOST_KEY_F1 + 7));
}

TEST_F(KeyMap, EditorMovesAKeyClearsAndCancels) {
  const uint16_t CTRL = uint16_t(HOST_MOD_CONTROL);
  WriteDataFile(FILE_NAME, MapFile({{FCC("APP1"), 'z', CTRL}, {FCC("APP2"), 'y', 0}}));
  ASSERT_EQ(0, GUI_KeyMapLoad());
  const Bytes before = ReadDataFile(FILE_NAME);
  // Cancel keeps the file whatever was changed.
  Select("Calendar button");
  Tap(FCC("KClr"));
  Then([] { EXPECT_EQ("Calendar button: F2 (standard)", Row("Calendar button")); });
  Key(HOST_KEY_ESCAPE);
  EXPECT_FALSE(GUI_KeyMapEdit(FCC("KMAP")));
  EXPECT_EQ(ReadDataFile(FILE_NAME), before);
  // A key already used moves to the command it is given now; Escape while
  // waiting assigns nothing.
  Select("Memos button");
  Tap(FCC("KAsn"));
  Key('q');  // a plain letter would stop typing it: refused
  Then([] {
    EXPECT_EQ("Memos button: F4 (standard)", Row("Memos button"));
    EXPECT_EQ("Letters and signs need Ctrl or Alt.", Text(FCC("KSta")));
  });
  Tap(FCC("KAsn"));
  Key('z', HOST_MOD_CONTROL);
  Then([] { EXPECT_EQ("Contacts button: F1 (standard)", Row("Contacts button")); });
  Select("Fifth button");
  Tap(FCC("KAsn"));
  Key(HOST_KEY_ESCAPE);
  Then([] {
    EXPECT_EQ("Fifth button: F5 (standard)", Row("Fifth button"));
    EXPECT_NE(nullptr, GUI_ActiveForm());  // the editor is still open
  });
  Key(HOST_KEY_RETURN);
  EXPECT_TRUE(GUI_KeyMapEdit(FCC("KMAP")));
  EXPECT_EQ(ReadDataFile(FILE_NAME), MapFile({{FCC("APP2"), 'y', 0}, {FCC("APP4"), 'z', CTRL}}));
  EXPECT_EQ(int32_t(FCC("APP4")), KeyCode('z', HOST_MOD_CONTROL));
}

}  // namespace
