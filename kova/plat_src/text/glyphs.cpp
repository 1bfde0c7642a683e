// The glyph cache and text measuring. A glyph is looked up by face and
// handheld byte; its first use rasterises it once (advance, offsets and
// coverage together), so measuring and drawing agree and never ask FreeType
// twice. Control bytes have no width; "\t" is a blank four spaces wide,
// except in font 3 where it is the note glyph, drawn here at the size of
// Standard's capitals.
#include "kova_mem.h"
#include "text_internal.h"

namespace {

constexpr int TAB_SPACES = 4;
const TxtGlyph BLANK = {nullptr, 0, 0, 0, 0, 0, true};

// Bytes that draw nothing and take no room: the controls below 0x20, DEL
// and the two C1 controls of the set (0x81, 0x9D).
bool isControl(uint8_t c) { return c < 0x20 || c == 0x7F || c == 0x81 || c == 0x9D; }

void plot(uint8_t* cov, int w, int h, int x, int y, uint8_t value) {
  if (x >= 0 && y >= 0 && x < w && y < h && cov[y * w + x] < value) cov[y * w + x] = value;
}

// A page with its top-right corner folded down and a few lines of writing,
// sitting on the baseline of the Standard face.
void buildNote(TxtGlyph* g) {
  const TxtFaceState& face = g_txt.faces[TXT_FACE_STANDARD];
  int size = face.pixelSize;
  int w = size * 2 / 3 < 5 ? 5 : size * 2 / 3;
  int h = size * 5 / 6 < 6 ? 6 : size * 5 / 6;
  int fold = w / 3 < 2 ? 2 : w / 3;
  *g = TxtGlyph{nullptr, 1, int16_t(face.ascent - h), int16_t(w), int16_t(h), int16_t(w + 2), true};
  auto* cov = static_cast<uint8_t*>(MEM_Alloc(uint32_t(w * h), true));
  if (!cov) return;
  for (int y = 0; y < h; y++) plot(cov, w, h, 0, y, 255);              // left edge
  for (int x = 0; x < w; x++) plot(cov, w, h, x, h - 1, 255);          // bottom edge
  for (int y = fold; y < h; y++) plot(cov, w, h, w - 1, y, 255);       // right edge
  for (int x = 0; x <= w - 1 - fold; x++) plot(cov, w, h, x, 0, 255);  // top edge
  for (int k = 0; k <= fold; k++) {
    plot(cov, w, h, w - 1 - fold + k, k, 255);  // the fold's diagonal
    plot(cov, w, h, w - 1 - fold, k, 160);      // and its inner corner
    plot(cov, w, h, w - 1 - fold + k, fold, 160);
  }
  for (int y = fold + 2; y < h - 2; y += 2)
    for (int x = 2; x < w - 2; x++) plot(cov, w, h, x, y, 128);  // writing
  g->coverage = cov;
}

const TxtGlyph* glyphInFace(TxtFace face, uint8_t c);

void loadGlyph(TxtFace face, uint8_t c, TxtGlyph* g) {
  if (c == '\t') {
    *g = BLANK;
    g->advance = int16_t(TAB_SPACES * glyphInFace(face, ' ')->advance);
    return;
  }
  if (isControl(c)) {
    *g = BLANK;
    return;
  }
  TxtRasterise(&g_txt.faces[face], TXT_CharToUnicode(c), g);
}

const TxtGlyph* glyphInFace(TxtFace face, uint8_t c) {
  TxtGlyph* g = &g_txt.faces[face].glyphs[c];
  if (!g->loaded) loadGlyph(face, c, g);
  return g;
}

}  // namespace

TxtFace TxtFaceOf(uint16_t font) {
  switch (font) {
    case FONT_BOLD:
      return TXT_FACE_BOLD;
    case FONT_LARGE:
      return TXT_FACE_LARGE;
    case FONT_LED:
    case FONT_LARGE_BOLD:
      return TXT_FACE_LARGE_BOLD;
    case FONT_TINY:
      return TXT_FACE_TINY;
    default:  // Standard, Symbol and unknown codes
      if (font >= FONT_CUSTOM_FIRST && font < FONT_CUSTOM_FIRST + TXT_CUSTOM_MAX && g_txt.faces &&
          g_txt.faces[TXT_FACE_CUSTOM_FIRST + (font - FONT_CUSTOM_FIRST)].font)
        return TxtFace(TXT_FACE_CUSTOM_FIRST + (font - FONT_CUSTOM_FIRST));
      return TXT_FACE_STANDARD;
  }
}

const TxtGlyph* TxtGlyphOf(uint16_t font, uint8_t c) {
  if (!g_txt.faces) return &BLANK;
  if (font == FONT_SYMBOL && c == '\t') {
    if (!g_txt.note.loaded) buildNote(&g_txt.note);
    return &g_txt.note;
  }
  return glyphInFace(TxtFaceOf(font), c);
}

void TxtFreeGlyphs() {
  if (g_txt.faces)
    for (int i = 0; i < TXT_FACE_TOTAL; i++)
      for (TxtGlyph& g : g_txt.faces[i].glyphs) {
        MEM_Free(g.coverage);
        g = TxtGlyph{};
      }
  MEM_Free(g_txt.note.coverage);
  g_txt.note = TxtGlyph{};
}

int32_t TXT_Width(uint16_t font, const char* text, uint32_t length) {
  int32_t width = 0;
  for (uint32_t i = 0; text && i < length && text[i] && text[i] != '\x01'; i++)
    width += TxtGlyphOf(font, uint8_t(text[i]))->advance;
  return width;
}

uint32_t TXT_Fit(uint16_t font, const char* text, uint32_t length, int32_t width, bool wordBreak) {
  if (!text) return 0;
  int32_t used = 0;
  bool hidden = false;  // behind a 0x01 byte nothing takes room
  uint32_t i = 0;
  for (; i < length && text[i] && text[i] != '\n'; i++) {
    if (text[i] == '\x01') hidden = true;
    int32_t advance = hidden ? 0 : TxtGlyphOf(font, uint8_t(text[i]))->advance;
    if (used + advance > width) break;
    used += advance;
  }
  if (!wordBreak || i >= length || !text[i] || text[i] == '\n') return i;
  // Cut inside the text: a blank at the cut ends the line (it hangs past the
  // width, unseen); otherwise go back to just after the last blank or tab.
  if (text[i] == ' ' || text[i] == '\t') return i + 1;
  for (uint32_t k = i; k > 0; k--)
    if (text[k - 1] == ' ' || text[k - 1] == '\t') return k;
  return i;
}
