// Inside the text module: the faces (one opened TrueType font at one pixel
// size each) and the glyph cache shared by fonts.cpp (the only file that
// talks to FreeType), glyphs.cpp (cache, measuring) and draw.cpp (blending).
// Every glyph of a face is rasterised once, on first use, and kept until the
// module stops or the scale changes.
#pragma once

#include "kova_text.h"

// One cached glyph: the 8-bit coverage of its inked box (null when blank),
// the box's place relative to the pen (x) and the line box's top (y), and
// the pen advance.
struct TxtGlyph {
  uint8_t* coverage;  // width * height bytes, a MEM block
  int16_t left, top;
  int16_t width, height;
  int16_t advance;
  bool loaded;
};

// Faces served to the font codes.
enum TxtFace : int {
  TXT_FACE_STANDARD = 0,  // also font 3 (symbols) and unknown codes
  TXT_FACE_BOLD,
  TXT_FACE_LARGE,
  TXT_FACE_LARGE_BOLD,
  TXT_FACE_TINY,
  TXT_FACE_COUNT,
  // Custom fonts (codes 1000 …) follow the built-in faces, one per slot.
  TXT_FACE_CUSTOM_FIRST = TXT_FACE_COUNT
};
inline constexpr int TXT_CUSTOM_MAX = 16;
inline constexpr int TXT_FACE_TOTAL = TXT_FACE_COUNT + TXT_CUSTOM_MAX;

struct TxtFaceState {
  void* font;  // the opened TrueType font; null when it could not be opened
  int16_t pixelSize;
  int16_t ascent, lineHeight;
  TxtGlyph glyphs[256];  // by handheld byte
};

struct TxtState {
  int useCount;
  int16_t scale;        // percent
  TxtFaceState* faces;  // TXT_FACE_TOTAL entries, a MEM block while started
  TxtGlyph note;        // font 3's tab: the note glyph
};

extern TxtState g_txt;

// The face serving `font` (an unknown code, or a custom code whose font is
// not loaded, is Standard).
TxtFace TxtFaceOf(uint16_t font);
// The glyph of byte `c` in `font`, rasterised on first use. Never null.
const TxtGlyph* TxtGlyphOf(uint16_t font, uint8_t c);

// fonts.cpp: opens every face at the current scale, the loaded custom
// fonts included (0 or ERR_FILE when the regular font cannot be opened),
// and closes them again.
[[nodiscard]] Err TxtOpenFaces();
void TxtCloseFaces();
// Rasterises code point `cp` of `face` into *g (advance, offsets and the
// coverage block; a glyph FreeType cannot draw gets its advance only).
void TxtRasterise(TxtFaceState* face, uint32_t cp, TxtGlyph* g);
// Frees every cached glyph of every face and the note glyph.
void TxtFreeGlyphs();

// Custom fonts (custom_font.cpp, with the FreeType side in fonts.cpp).
// The host path of custom slot `slot`'s file, or null when the slot is free.
const char* TxtCustomPath(int slot);
// Forgets every custom slot (module stop).
void TxtCustomReset();
// True when `size` bytes are a font SDL2_ttf opens with a usable height.
bool TxtFontBytesLoadable(const uint8_t* bytes, uint32_t size);
// Opens the font file at `path` into custom face `face` at the Standard
// size (the current scale); false when it cannot be opened.
bool TxtOpenCustomFace(TxtFaceState* face, const char* path);
