// Fonts: the handheld's font codes served by DejaVu Sans through SDL2_ttf
// (FreeType, normal hinting, grey-level anti-aliasing), the custom fonts'
// faces, the module's start/stop and the text-size scale. The only file of the module that
// includes <SDL_ttf.h>. Owns the opened fonts (in g_txt.faces).
//
// Invariants: (1) while started every face has its metrics, also when its
// font file is missing (Bold falls back to the regular file); (2) the last
// stop closes every font, frees every cached glyph and quits SDL2_ttf.
#include <SDL_ttf.h>

#include <cstring>

#include "kova_debug.h"
#include "kova_mem.h"
#include "text_internal.h"

TxtState g_txt = {};

namespace {

constexpr const char* FONT_DIR = "/usr/share/fonts/truetype/dejavu/";
constexpr const char* REGULAR_FILE = "DejaVuSans.ttf";
constexpr const char* BOLD_FILE = "DejaVuSans-Bold.ttf";
constexpr int16_t MIN_SCALE = 25, MAX_SCALE = 400;

// Pixels per em of each face at scale 100, chosen for a 360 x 600 window:
// Standard has a 15-pixel line, Large 19, Tiny 11.
const int16_t BASE_SIZE[TXT_FACE_COUNT] = {12, 12, 15, 15, 9};
const bool IS_BOLD[TXT_FACE_COUNT] = {false, true, false, true, false};

TTF_Font* openFont(const char* file, int16_t size) {
  char path[256];
  strcpy(path, FONT_DIR);
  strcat(path, file);
  TTF_Font* font = TTF_OpenFont(path, size);
  if (!font) {
    DBG_Print(FCC("REPO"), "Text: cannot open %s\n", path);
    return nullptr;
  }
  TTF_SetFontHinting(font, TTF_HINTING_NORMAL);
  TTF_SetFontKerning(font, 0);  // a text's width is the sum of its advances
  return font;
}

int16_t scaledSize(int16_t base) {
  int32_t size = (int32_t(base) * g_txt.scale + 50) / 100;
  return int16_t(size < 4 ? 4 : size);
}

// Nominal metrics for a face whose font could not be opened.
void setFallbackMetrics(TxtFaceState* face) {
  face->ascent = face->pixelSize;
  face->lineHeight = int16_t(face->pixelSize + face->pixelSize / 4);
}

}  // namespace

Err TxtOpenFaces() {
  for (int i = 0; i < TXT_FACE_COUNT; i++) {
    TxtFaceState* face = &g_txt.faces[i];
    face->pixelSize = scaledSize(BASE_SIZE[i]);
    TTF_Font* font = openFont(IS_BOLD[i] ? BOLD_FILE : REGULAR_FILE, face->pixelSize);
    if (!font && IS_BOLD[i]) font = openFont(REGULAR_FILE, face->pixelSize);
    face->font = font;
    if (!font) {
      setFallbackMetrics(face);
      continue;
    }
    // Leading below the descent: one pixel per ten pixels of size.
    face->ascent = int16_t(TTF_FontAscent(font));
    face->lineHeight = int16_t(TTF_FontHeight(font) + face->pixelSize / 10);
  }
  for (int slot = 0; slot < TXT_CUSTOM_MAX; slot++) {
    const char* path = TxtCustomPath(slot);
    if (path) (void)TxtOpenCustomFace(&g_txt.faces[TXT_FACE_CUSTOM_FIRST + slot], path);
  }
  return g_txt.faces[TXT_FACE_STANDARD].font ? 0 : ERR_FILE;
}

bool TxtOpenCustomFace(TxtFaceState* face, const char* path) {
  if (face->font) TTF_CloseFont(static_cast<TTF_Font*>(face->font));
  face->font = nullptr;
  face->pixelSize = scaledSize(BASE_SIZE[TXT_FACE_STANDARD]);
  TTF_Font* font = TTF_OpenFont(path, face->pixelSize);
  if (!font || TTF_FontHeight(font) <= 0) {
    if (font) TTF_CloseFont(font);
    DBG_Print(FCC("REPO"), "Text: cannot open custom font %s\n", path);
    setFallbackMetrics(face);
    return false;
  }
  TTF_SetFontHinting(font, TTF_HINTING_NORMAL);
  TTF_SetFontKerning(font, 0);
  face->font = font;
  face->ascent = int16_t(TTF_FontAscent(font));
  face->lineHeight = int16_t(TTF_FontHeight(font) + face->pixelSize / 10);
  return true;
}

bool TxtFontBytesLoadable(const uint8_t* bytes, uint32_t size) {
  if (!bytes || size < 12) return false;
  bool started = TTF_Init() == 0;  // counted by SDL2_ttf; undone below
  if (!started) return false;
  SDL_RWops* rw = SDL_RWFromConstMem(bytes, int(size));
  TTF_Font* font = rw ? TTF_OpenFontRW(rw, 1, 12) : nullptr;
  bool ok = font && TTF_FontHeight(font) > 0 && TTF_FontFaces(font) > 0;
  if (font) TTF_CloseFont(font);
  TTF_Quit();
  return ok;
}

void TxtCloseFaces() {
  TxtFreeGlyphs();
  for (int i = 0; i < TXT_FACE_TOTAL; i++) {
    if (g_txt.faces[i].font) TTF_CloseFont(static_cast<TTF_Font*>(g_txt.faces[i].font));
    g_txt.faces[i].font = nullptr;
  }
}

// SDL2_ttf places a lone glyph with its pen origin max(0, -minx) pixels from
// the surface's left and its baseline at the font's ascent, moved down by
// the part of the glyph that rises above the ascent. The inked box is kept.
void TxtRasterise(TxtFaceState* face, uint32_t cp, TxtGlyph* g) {
  auto* font = static_cast<TTF_Font*>(face->font);
  *g = TxtGlyph{nullptr, 0, 0, 0, 0, 0, true};
  int minx = 0, maxx = 0, miny = 0, maxy = 0, advance = 0;
  if (!font || TTF_GlyphMetrics32(font, cp, &minx, &maxx, &miny, &maxy, &advance) != 0) return;
  g->advance = int16_t(advance);
  const SDL_Color white = {255, 255, 255, 255}, black = {0, 0, 0, 255};
  SDL_Surface* s = TTF_RenderGlyph32_Shaded(font, cp, white, black);
  if (!s) return;  // blank glyphs (the soft hyphen) have no surface
  if (s->format->BytesPerPixel == 1) {
    int x0 = s->w, x1 = -1, y0 = s->h, y1 = -1;
    for (int y = 0; y < s->h; y++) {
      const auto* row = static_cast<const uint8_t*>(s->pixels) + y * s->pitch;
      for (int x = 0; x < s->w; x++)
        if (row[x]) {
          x0 = x < x0 ? x : x0, x1 = x > x1 ? x : x1;
          y0 = y < y0 ? y : y0, y1 = y > y1 ? y : y1;
        }
    }
    if (x1 >= 0) {
      int w = x1 - x0 + 1, h = y1 - y0 + 1;
      auto* cov = static_cast<uint8_t*>(MEM_Alloc(uint32_t(w * h), false));
      if (cov) {
        for (int y = 0; y < h; y++)
          memcpy(cov + y * w, static_cast<const uint8_t*>(s->pixels) + (y0 + y) * s->pitch + x0,
                 size_t(w));
        int originX = minx < 0 ? -minx : 0;
        int baseline = face->ascent + (maxy > face->ascent ? maxy - face->ascent : 0);
        *g = TxtGlyph{cov,
                      int16_t(x0 - originX),
                      int16_t(y0 - baseline + face->ascent),
                      int16_t(w),
                      int16_t(h),
                      int16_t(advance),
                      true};
      }
    }
  }
  SDL_FreeSurface(s);
}

Err TXT_Start() {
  if (g_txt.useCount > 0) {
    g_txt.useCount++;
    return 0;
  }
  if (g_txt.scale == 0) g_txt.scale = 100;
  if (TTF_Init() != 0) return ERR_FILE;
  Err err = 0;
  g_txt.faces = static_cast<TxtFaceState*>(
      MEM_Alloc(uint32_t(sizeof(TxtFaceState) * TXT_FACE_TOTAL), true, &err));
  if (!g_txt.faces) {
    TTF_Quit();
    return err;
  }
  err = TxtOpenFaces();
  if (err != 0) {
    TxtCloseFaces();
    MEM_Free(g_txt.faces);
    g_txt = TxtState{};
    TxtCustomReset();
    TTF_Quit();
    return err;
  }
  g_txt.useCount = 1;
  return 0;
}

void TXT_Stop() {
  if (g_txt.useCount == 0 || --g_txt.useCount > 0) return;
  TxtCloseFaces();
  MEM_Free(g_txt.faces);
  g_txt = TxtState{};  // the scale goes back to 100 with the next start
  TxtCustomReset();
  TTF_Quit();
}

bool TXT_Started() { return g_txt.useCount > 0; }

void TXT_SetScale(int16_t percent) {
  percent = percent < MIN_SCALE ? MIN_SCALE : percent > MAX_SCALE ? MAX_SCALE : percent;
  if (percent == g_txt.scale) return;
  g_txt.scale = percent;
  if (g_txt.useCount == 0) return;
  TxtCloseFaces();
  // Reopening files that were just open only fails when they vanished; the
  // faces then keep nominal metrics and draw nothing.
  if (TxtOpenFaces() != 0) DBG_Print(FCC("REPO"), "Text: fonts lost at scale %hd\n", percent);
}

int16_t TXT_LineHeight(uint16_t font) {
  if (!g_txt.faces) return 15;
  return g_txt.faces[TxtFaceOf(font)].lineHeight;
}

int16_t TXT_Ascent(uint16_t font) {
  if (!g_txt.faces) return 12;
  return g_txt.faces[TxtFaceOf(font)].ascent;
}
