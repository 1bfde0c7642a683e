// The file picker on the headless host over a temporary documents folder:
// folders first and sorted without regard to case, a filter, entering a
// folder by a double tap and by OK, going up with "..", choosing a file
// (with a JPEG preview), save mode repairing a typed name and refusing "."
// and "..", a name that is not listed refused in open mode, and Cancel.
#include <gtest/gtest.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../../kova/plat_src/gui/gui_loop.h"
#include "gui_harness.h"

namespace {

using Items = std::vector<std::string>;

// Lists folders and pictures only.
bool picturesOnly(void*, const char* name, bool isFolder) {
  size_t n = strlen(name);
  return isFolder || (n > 4 && strcasecmp(name + n - 4, ".jpg") == 0) ||
         (n > 5 && strcasecmp(name + n - 5, ".jpeg") == 0);
}

class PickFile : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    for (const char* d : {"/Pictures", "/Pictures/sub", "/zeta", "/Alpha"})
      mkdir((DocumentsDir() + d).c_str(), 0755);
    WriteHostFile(DocumentsDir() + "/readme.txt", {'h', 'i'});
    WriteHostFile(DocumentsDir() + "/photo.jpg", Jpeg());
    WriteHostFile(DocumentsDir() + "/Pictures/b.jpg", Jpeg());
    WriteHostFile(DocumentsDir() + "/Pictures/A.JPEG", Jpeg());
    WriteHostFile(DocumentsDir() + "/Pictures/notes.txt", {'x'});
  }
  // A 60 x 40 picture: red above, blue below.
  static std::vector<uint8_t> Jpeg() {
    ImgSurface* s = nullptr;
    EXPECT_EQ(0, IMG_SurfaceNew(&s, 60, 40, IMG_DEPTH_24));
    for (int16_t y = 0; y < 40; y++)
      for (int16_t x = 0; x < 60; x++) IMG_SetPixel(s, x, y, y < 20 ? 0xFF0000 : 0x0000FF);
    uint8_t* data = nullptr;
    uint32_t size = 0;
    EXPECT_EQ(0, JPG_Encode(s, 90, &data, &size, nullptr, 0));
    std::vector<uint8_t> out(data, data + size);
    MEM_Free(data);
    IMG_SurfaceFree(&s);
    return out;
  }
  static Items ListItems() {
    Items out;
    for (int16_t i = 0; i < GUI_ListCount(GUI_ActiveForm(), FCC("FLst")); i++) {
      char item[96];
      EXPECT_EQ(0, GUI_ListGetItem(GUI_ActiveForm(), FCC("FLst"), i, item, sizeof item));
      out.push_back(item);
    }
    return out;
  }
  // Taps list row `row` (twice for a double tap) where it lies on screen.
  void TapRow(int16_t row, int taps = 1) {
    Then([row, taps] {
      GfxRect list{}, form = GUI_FormBounds(GUI_ActiveForm());
      ASSERT_EQ(0, GUI_GetBounds(GUI_ActiveForm(), FCC("FLst"), &list));
      int32_t h = TXT_LineHeight(FONT_STANDARD) + 2;
      int32_t x = form.x + list.x + 30, y = form.y + list.y + 1 + row * h + h / 2;
      for (int i = 0; i < taps; i++)
        for (HostEventKind kind : {HOST_EVT_MOUSE_DOWN, HOST_EVT_MOUSE_UP}) {
          HostEvent e{};
          e.kind = kind;
          e.x = x, e.y = y, e.key = 1;
          HOST_HeadlessPushEvent(&e, 0);
        }
    });
  }
  void SetName(const std::string& name) {
    Then([name] { EXPECT_EQ(0, GUI_SetText(GUI_ActiveForm(), FCC("FNam"), name.c_str())); });
  }
  static std::string DirShown() { return Text(FCC("FDir")); }
  FilePickRequest Request(uint32_t flags) const {
    return FilePickRequest{"Import JPEG Picture",
                           "Import the selected file...",
                           nullptr,
                           VOL_DOCUMENTS,
                           nullptr,
                           flags,
                           picturesOnly,
                           nullptr};
  }
  std::string DataFolderName() const { return DataDir().substr(DataDir().rfind('/') + 1); }
};

TEST_F(PickFile, EntersFoldersGoesUpAndChoosesAFilteredFile) {
  Items top = {"[Alpha]", "[" + DataFolderName() + "]", "[Pictures]", "[zeta]", "photo.jpg"};
  std::sort(top.begin(), top.end() - 1, [](const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  });
  int16_t pictures = int16_t(std::find(top.begin(), top.end(), "[Pictures]") - top.begin());
  Then([&top] {
    EXPECT_EQ(top, ListItems());
    EXPECT_EQ("/", DirShown());
    EXPECT_EQ("Import JPEG Picture", GUI_ActiveForm()->title);
  });
  TapRow(pictures);  // one tap only selects
  Then([] { EXPECT_EQ("/", DirShown()); });
  TapRow(pictures, 2);
  Then([] {
    EXPECT_EQ("/Pictures", DirShown());
    EXPECT_EQ((Items{"..", "[sub]", "A.JPEG", "b.jpg"}), ListItems());
  });
  TapRow(0, 2);  // ".."
  Then([&top] {
    EXPECT_EQ("/", DirShown());
    EXPECT_EQ(top, ListItems());
  });
  TapRow(pictures, 2);
  TapRow(3);  // "b.jpg"
  Then([this] {
    EXPECT_EQ("b.jpg", Text(FCC("FNam")));
    // The preview shows the picture: red in its upper half, blue below.
    GfxRect pane{}, form = GUI_FormBounds(GUI_ActiveForm());
    ASSERT_EQ(0, GUI_GetBounds(GUI_ActiveForm(), FCC("FPrv"), &pane));
    int32_t cx = form.x + pane.x + pane.w / 2, cy = form.y + pane.y + pane.h / 2;
    uint32_t upper = ScreenPixel(cx, cy - 10), lower = ScreenPixel(cx, cy + 10);
    EXPECT_GT(upper >> 16, 0xC0u) << std::hex << upper;
    EXPECT_LT(upper & 0xFF, 0x40u) << std::hex << upper;
    EXPECT_GT(lower & 0xFF, 0xC0u) << std::hex << lower;
    SaveScreen("gui_file_picker");
  });
  Tap(FCC("OKAY"));
  FilePickRequest request = Request(FILEPICK_PREVIEW);
  FilePickResult result{};
  ASSERT_EQ(0, GUI_PickFile(&request, &result));
  EXPECT_EQ(VOL_DOCUMENTS, result.volume);
  EXPECT_STREQ("/Pictures", result.dir);
  EXPECT_STREQ("b.jpg", result.name);
  EXPECT_EQ(1, FIL_Exists(result.volume, result.dir, result.name));
  EXPECT_EQ(0u, GuiGlobal()->forms.size());
}

TEST_F(PickFile, OkOnAFolderEntersItAndUnlistedNamesAreRefused) {
  FilePickRequest request = Request(0);
  request.dir = "/Pictures";
  Then([] {
    EXPECT_EQ("/Pictures", DirShown());
    EXPECT_FALSE(GUI_IsShown(GUI_ActiveForm(), FCC("FPrv")));
  });
  TapRow(1);  // "[sub]"
  Tap(FCC("OKAY"));
  Then([] { EXPECT_EQ("/Pictures/sub", DirShown()); });
  TapRow(0);
  Tap(FCC("OKAY"));      // ".." and OK go up
  SetName("notes.txt");  // there, but filtered out
  Tap(FCC("OKAY"));
  Then([] {
    EXPECT_EQ("/Pictures", DirShown());
    EXPECT_EQ(FCC("kFil"), GUI_FormTag(GUI_ActiveForm()));  // still open
  });
  SetName("A.JPEG");
  Key(HOST_KEY_RETURN);
  FilePickResult result{};
  ASSERT_EQ(0, GUI_PickFile(&request, &result));
  EXPECT_STREQ("A.JPEG", result.name);
  EXPECT_STREQ("/Pictures", result.dir);
}

TEST_F(PickFile, SaveModeRepairsTypedNamesAndRefusesDots) {
  FilePickRequest request{"Export Data",
                          "Export the selected data as a TEXT file...",
                          "Export.TXT",
                          VOL_DOCUMENTS,
                          "",
                          FILEPICK_SAVE,
                          nullptr,
                          nullptr};
  Then([] {
    EXPECT_EQ("Export.TXT", Text(FCC("FNam")));
    EXPECT_EQ("Export the selected data as a TEXT file...", Text(FCC("FPrm")));
  });
  for (const char* refused : {"..", ".", ""}) {
    SetName(refused);
    Tap(FCC("OKAY"));
    Then([] { EXPECT_EQ(FCC("kFil"), GUI_FormTag(GUI_ActiveForm())); });
  }
  SetName("bad:name?*.txt");
  Tap(FCC("OKAY"));
  FilePickResult result{};
  uint32_t plays = HOST_HeadlessPlayCount();
  ASSERT_EQ(0, GUI_PickFile(&request, &result));
  EXPECT_STREQ("bad_name__.txt", result.name);
  EXPECT_STREQ("/", result.dir);
  EXPECT_EQ(0, FIL_Exists(result.volume, result.dir, result.name));  // need not exist
  EXPECT_EQ(plays + 3, HOST_HeadlessPlayCount());                    // each refusal beeped
}

TEST_F(PickFile, CancelAndAMissingFormReportSo) {
  FilePickRequest request = Request(0);
  FilePickResult result{};
  TapRow(0);
  Tap(FCC("CANC"));
  EXPECT_EQ(ERR_FORM_CANCELLED, GUI_PickFile(&request, &result));
  Key(HOST_KEY_ESCAPE);
  EXPECT_EQ(ERR_FORM_CANCELLED, GUI_PickFile(&request, &result));
  EXPECT_EQ(ERR_FILE_PARAM, GUI_PickFile(nullptr, &result));
  request.volume = 99;
  EXPECT_EQ(ERR_FILE_PARAM, GUI_PickFile(&request, &result));
  RES_Close();
  request.volume = VOL_DOCUMENTS;
  EXPECT_EQ(ERR_FORM_MISSING, GUI_PickFile(&request, &result));
}

}  // namespace
