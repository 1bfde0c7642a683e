// Custom fonts: a TrueType file of the machine added from a volume (copied
// into the data folder byte for byte under its hash name), served as a font
// code of 1000 or more that measures and draws differently from font 0;
// files that are not fonts refused; a missing copy reported so the caller
// can fall back to font 0.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gui_harness.h"

namespace {

using Bytes = std::vector<uint8_t>;
const char* const MONO = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
const char* const SERIF = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf";

// FNV-1a over the bytes, as the copy's name is documented to be made.
uint32_t Fnv1a(const Bytes& b) {
  uint32_t h = 2166136261u;
  for (uint8_t c : b) h = (h ^ c) * 16777619u;
  return h;
}

std::string CopyName(uint32_t id) {
  char name[40];
  snprintf(name, sizeof name, "Custom_Font_%08x.ttf", id);
  return name;
}

class CustomFont : public GuiTest {
 protected:
  // Puts a host file into the documents folder under `name`.
  Bytes Place(const char* hostPath, const std::string& name) {
    Bytes b = ReadHostFile(hostPath);
    WriteHostFile(DocumentsDir() + "/" + name, b);
    return b;
  }
  // Inked pixels of a text drawn into a fresh white surface.
  static int Inked(uint16_t font, const char* text) {
    ImgSurface* s = nullptr;
    EXPECT_EQ(0, IMG_SurfaceNew(&s, 200, 40, IMG_DEPTH_24));
    GfxCanvas c = GFX_CanvasFor(s);
    GFX_FillRect(&c, GfxRect{0, 0, 200, 40}, 0xFFFFFF);
    (void)TXT_Draw(&c, font, text, uint32_t(strlen(text)), 2, 2, 0x000000);
    int n = 0;
    for (int16_t y = 0; y < 40; y++)
      for (int16_t x = 0; x < 200; x++) n += IMG_GetPixel(s, x, y) != 0xFFFFFF;
    IMG_SurfaceFree(&s);
    return n;
  }
};

TEST_F(CustomFont, AddedFontIsCopiedAndServedAsItsOwnCode) {
  Bytes bytes = Place(MONO, "mono.ttf");
  uint32_t id = 0;
  ASSERT_EQ(0, TXT_CustomFontAdd(VOL_DOCUMENTS, "/", "mono.ttf", &id));
  EXPECT_EQ(Fnv1a(bytes), id);
  EXPECT_EQ(ReadDataFile(CopyName(id)), bytes);
  uint16_t font = 0;
  ASSERT_EQ(0, TXT_CustomFontCode(id, &font));
  EXPECT_GE(font, 1000);
  // A monospaced face: every letter as wide as the next, unlike font 0.
  const char* narrow = "iiiiiiiiii";
  const char* wide = "MMMMMMMMMM";
  EXPECT_EQ(TXT_Width(font, narrow, 10), TXT_Width(font, wide, 10));
  EXPECT_NE(TXT_Width(FONT_STANDARD, narrow, 10), TXT_Width(FONT_STANDARD, wide, 10));
  EXPECT_NE(TXT_Width(font, narrow, 10), TXT_Width(FONT_STANDARD, narrow, 10));
  EXPECT_GT(TXT_LineHeight(font), 0);
  EXPECT_GT(Inked(font, narrow), 0);
  EXPECT_NE(Inked(font, narrow), Inked(FONT_STANDARD, narrow));
  // Asking again gives the same code; another font gets another.
  uint16_t again = 0;
  ASSERT_EQ(0, TXT_CustomFontCode(id, &again));
  EXPECT_EQ(font, again);
  Place(SERIF, "serif.ttf");
  uint32_t id2 = 0;
  uint16_t font2 = 0;
  ASSERT_EQ(0, TXT_CustomFontAdd(VOL_DOCUMENTS, "/", "serif.ttf", &id2));
  ASSERT_EQ(0, TXT_CustomFontCode(id2, &font2));
  EXPECT_NE(id, id2);
  EXPECT_NE(font, font2);
  EXPECT_NE(TXT_Width(font2, wide, 10), TXT_Width(font, wide, 10));
  // A new text size reopens the custom face at the new size.
  int32_t before = TXT_Width(font, wide, 10);
  TXT_SetScale(200);
  EXPECT_GT(TXT_Width(font, wide, 10), before * 3 / 2);
  EXPECT_EQ(TXT_Width(font, narrow, 10), TXT_Width(font, wide, 10));
  TXT_SetScale(100);
  // Adding the same file twice keeps one copy under the same name.
  uint32_t id3 = 0;
  ASSERT_EQ(0, TXT_CustomFontAdd(VOL_DOCUMENTS, "/", "mono.ttf", &id3));
  EXPECT_EQ(id, id3);
}

TEST_F(CustomFont, FilesThatAreNotFontsAreRefused) {
  WriteHostFile(DocumentsDir() + "/notes.ttf", Bytes(5000, 'x'));
  Bytes fake = ReadHostFile(MONO);
  fake.resize(2000);  // the head of a real font without its tables' data
  WriteHostFile(DocumentsDir() + "/cut.ttf", fake);
  WriteHostFile(DocumentsDir() + "/empty.ttf", {});
  uint32_t id = 0x12345678;
  EXPECT_EQ(ERR_FILE_PARAM, TXT_CustomFontAdd(VOL_DOCUMENTS, "/", "notes.ttf", &id));
  EXPECT_EQ(ERR_FILE_PARAM, TXT_CustomFontAdd(VOL_DOCUMENTS, "/", "cut.ttf", &id));
  EXPECT_EQ(ERR_FILE_PARAM, TXT_CustomFontAdd(VOL_DOCUMENTS, "/", "empty.ttf", &id));
  EXPECT_NE(0, TXT_CustomFontAdd(VOL_DOCUMENTS, "/", "missing.ttf", &id));
  EXPECT_EQ(0x12345678u, id);  // untouched
  EXPECT_FALSE(HostFileExists(DataDir() + "/" + CopyName(Fnv1a(Bytes(5000, 'x')))));
}

TEST_F(CustomFont, MissingOrDamagedCopyCannotGiveACode) {
  uint16_t font = 77;
  EXPECT_EQ(ERR_FILE, TXT_CustomFontCode(0xDEADBEEF, &font));
  WriteDataFile(CopyName(0xCAFEF00D), Bytes(3000, 0));
  EXPECT_EQ(ERR_FILE, TXT_CustomFontCode(0xCAFEF00D, &font));
  EXPECT_EQ(77, font);
  // A code nobody loaded draws as font 0.
  EXPECT_EQ(TXT_Width(1005, "abc", 3), TXT_Width(FONT_STANDARD, "abc", 3));
}

}  // namespace
