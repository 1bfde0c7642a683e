// Tests of the six list layouts as the resource store holds them: each one
// opens and lays out without collisions at 320 x 480, 360 x 600 and
// 800 x 600 with every control the screen needs inside the window, and a
// screenshot of each (and of the open menu) at 360 x 600 in the build
// folder, with the parts the handler draws itself checked by pixel.
#include <string>
#include <vector>

#include "contact_builder.h"
#include "gui_harness.h"
#include "main_handler.h"
#include "pdb_builder.h"
#include "phone.h"

namespace {

std::vector<FourCC> TagsOf(const std::string& layout) {
  std::vector<FourCC> tags = {FCC("Titl"), FCC("TCat"), FCC("LCat"),
                              FCC("List"), FCC("tlst"), FCC("Drag")};
  if (layout != "Bare")
    for (FourCC t : {FCC("Data"), FCC("DNum"), FCC("DEml"), FCC("DAdd"), FCC("SrtL"), FCC("SrtF"),
                     FCC("SrtC"), FCC("Quik")})
      tags.push_back(t);
  if (layout == "Indx")
    for (char c = 'A'; c <= 'Z'; ++c) tags.push_back(FCC("IdxA") - 'A' + uint32_t(c));
  if (layout == "Splt") tags.push_back(FCC("Prev"));
  if (layout == "Dial") {
    for (char c = '0'; c <= '9'; ++c) tags.push_back(FCC("Pad0") - '0' + uint32_t(c));
    for (FourCC t : {FCC("PadB"), FCC("PadD"), FCC("SrtN")}) tags.push_back(t);
  }
  return tags;
}

FourCC Tag4(const std::string& s) {
  return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 |
         uint32_t(uint8_t(s[2])) << 8 | uint8_t(s[3]);
}

std::string Name(FourCC tag) {
  return {char(tag >> 24), char(tag >> 16), char(tag >> 8), char(tag)};
}

const char* const kLayouts[] = {"Main", "Indx", "Splt", "Bare", "Fing", "Dial"};

class ListFormsTest : public GuiTest {
 protected:
  // Opens `layout` at the harness's window size and checks its layout.
  void CheckLayout(const std::string& layout, int32_t width, int32_t height) {
    SCOPED_TRACE(layout + " at " + std::to_string(width) + " x " + std::to_string(height));
    GuiForm* form = nullptr;
    ASSERT_EQ(0, GUI_FormOpen(&form, Tag4(layout), 0, RES_TYPE_FORM, nullptr));
    EXPECT_EQ(GuiCountCollisions(form, true), 0);
    GfxRect bounds = GUI_FormBounds(form);
    EXPECT_EQ(bounds.w, width);
    EXPECT_LE(bounds.h, height);
    EXPECT_GE(bounds.h, height - 40);  // below the menu bar strip at most
    for (FourCC tag : TagsOf(layout)) {
      GfxRect r{};
      ASSERT_EQ(0, GUI_GetBounds(form, tag, &r)) << Name(tag);
      EXPECT_TRUE(r.w > 0 && r.h > 0) << Name(tag);
      EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.x + r.w <= bounds.w && r.y + r.h <= bounds.h)
          << Name(tag) << " " << r.x << "," << r.y << " " << r.w << "x" << r.h;
    }
    GfxRect list{};
    ASSERT_EQ(0, GUI_GetBounds(form, FCC("List"), &list));
    EXPECT_GE(list.h, 120) << "the list shows a handful of rows at least";
    GUI_FormClose(form);
  }

  void WriteContacts() {
    PdbBuilder b = ContactPdb(true);
    const char* const names[][2] = {{"Adams", "Bo"}, {"Baker", "Al"}, {"Cole", "Cy"}};
    for (size_t i = 0; i < 3; ++i)
      b.Record(ContactBuilder(true).Field(0, names[i][0]).Field(1, names[i][1]).Record(), 0,
               uint32_t(0x100 + i));
    WriteDataFile(CONTACTS_FILE, b.Bytes());
  }
};

TEST_F(ListFormsTest, EveryLayoutFitsEveryWindowSize) {
  const int32_t sizes[][2] = {{320, 480}, {360, 600}, {800, 600}};
  for (const auto& size : sizes) {
    Stop();
    ASSERT_EQ(0, Start(BRANTEL_RES_STORE, size[0], size[1]));
    for (const char* layout : kLayouts) CheckLayout(layout, size[0], size[1]);
  }
}

TEST_F(ListFormsTest, RepairDialogFits) {
  GuiForm* form = nullptr;
  ASSERT_EQ(0, GUI_FormOpen(&form, FCC("DFix"), 0, RES_TYPE_FORM, nullptr));
  EXPECT_EQ(GuiCountCollisions(form, true), 0);
  for (FourCC tag : {FCC("SrtL"), FCC("SrtF"), FCC("SrtC"), FCC("OKAY"), FCC("CANC")})
    EXPECT_TRUE(GUI_HasObject(form, tag)) << Name(tag);
  GUI_FormClose(form);
}

// Screenshots of each layout at 360 x 600 for a look by eye; the parts the
// handler draws are checked: the empty list, the data strip's colour and
// the quick-dial handset.
TEST_F(ListFormsTest, ScreenshotsOfEveryLayout) {
  const AppModule none[] = {{"none", nullptr, nullptr}};
  AppSetModules(none, 0);
  ASSERT_EQ(0, AppStart());
  g_prefs.tipsShown = 0xFFFFFFFF;  // no hints over the screens
  WriteContacts();
  const TagItem params[] = {{GUI_RUN_HANDLER, uintptr_t(MainHandleEvent)}, {0, 0}};
  for (const char* layout : kLayouts) {
    std::string name = layout;
    Then([this, name] {
      GuiForm* form = Active();
      GfxRect form_r = GUI_FormBounds(form);
      GfxRect list{}, data{}, quik{};
      ASSERT_EQ(0, GUI_GetBounds(form, FCC("List"), &list));
      // Three contacts: the bottom of the list is an empty row's background.
      uint32_t empty = ScreenPixel(form_r.x + list.x + list.w / 2, form_r.y + list.y + list.h - 2);
      EXPECT_TRUE(empty == g_prefs.listColours[0] || empty == g_prefs.listColours[1]) << empty;
      if (name != "Bare") {
        ASSERT_EQ(0, GUI_GetBounds(form, FCC("Data"), &data));
        EXPECT_EQ(ScreenPixel(form_r.x + data.x + 3, form_r.y + data.y + data.h / 2), 0xFFFFCCu);
        ASSERT_EQ(0, GUI_GetBounds(form, FCC("Quik"), &quik));
        int dark = 0;
        for (int y = 0; y < quik.h; ++y)
          for (int x = 0; x < quik.w; ++x)
            if ((ScreenPixel(form_r.x + quik.x + x, form_r.y + quik.y + y) & 0xFF) < 0x80) dark++;
        EXPECT_GT(dark, 10) << "the handset bitmap is drawn";
      }
      SaveScreen("screen_" + name);
    });
    if (name == "Main") {
      RightClickAt(180, 300);
      Then([this] { SaveScreen("screen_Main_menu"); });
      Key(HOST_KEY_ESCAPE);
    }
    EXPECT_EQ(GUI_FormLoad(Tag4(name), params), GUI_RESULT_STOP);
  }
  AppStop();
  AppSetModules(nullptr, 0);
}

}  // namespace
