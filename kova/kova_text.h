// Fonts and text: the handheld's font codes served by TrueType fonts
// (DejaVu Sans, rasterised through FreeType) with KOVA's own metrics, so a
// layout is the same on screen and headless; text measuring (width, how
// much fits a width, line height); drawing 8-bit text in a colour into a
// canvas; and the one table that maps the handheld's character set to
// Unicode (text is converted to UTF-8 only at the drawing and clipboard
// edge). Owns the opened fonts and a glyph cache (module start/stop).
//
// Invariants: (1) every font code gives a usable font (an unknown code is
// served as FONT_STANDARD); (2) measuring and drawing agree: the width of a
// text is the sum of its glyphs' advances, and drawing advances by exactly
// that; (3) a 0x01 byte (a Japanese name's reading follows) ends the shown
// text of a line; no byte value ever crashes.
#pragma once

#include "kova_gfx.h"

// Font codes of the handheld.
inline constexpr uint16_t FONT_STANDARD = 0;
inline constexpr uint16_t FONT_BOLD = 1;
inline constexpr uint16_t FONT_LARGE = 2;
inline constexpr uint16_t FONT_SYMBOL = 3;  // its tab character is the note glyph
inline constexpr uint16_t FONT_LED = 6;     // the handheld's big digits: served as large bold
inline constexpr uint16_t FONT_LARGE_BOLD = 7;
inline constexpr uint16_t FONT_TINY = 129;

// Starts the text module (use-counted): opens the fonts. Returns 0 or
// ERR_FILE when no font file can be found (the program cannot draw text).
[[nodiscard]] Err TXT_Start();
void TXT_Stop();
bool TXT_Started();

// The text-size setting: scales every font by percent / 100 (100 = the
// handheld's sizes at the desktop's standard density). Clears the caches.
void TXT_SetScale(int16_t percent);

// Metrics of a font in pixels: line height (ascent + descent + leading),
// ascent above the baseline.
int16_t TXT_LineHeight(uint16_t font);
int16_t TXT_Ascent(uint16_t font);
// Width in pixels of `length` bytes of `text` (stops at a zero byte, and at
// a 0x01 byte; "\n" has no width).
int32_t TXT_Width(uint16_t font, const char* text, uint32_t length);
// How many bytes of `text` (at most `length`, stopping at "\n") fit in
// `width` pixels; with `wordBreak` the cut moves back to the last blank or
// tab when there is one.
uint32_t TXT_Fit(uint16_t font, const char* text, uint32_t length, int32_t width, bool wordBreak);
// Draws `length` bytes of `text` in one line with the top-left of the line
// box at (x, y) in canvas coordinates, in colour `rgb` (coverage blended
// over what is there). Returns the x behind the last glyph.
int32_t TXT_Draw(GfxCanvas* c, uint16_t font, const char* text, uint32_t length, int16_t x,
                 int16_t y, uint32_t rgb);

// Custom fonts: TrueType or OpenType files the user chose, kept in the data
// folder as "Custom_Font_%08lx.ttf" and served as font codes from
// FONT_CUSTOM_FIRST up (every TXT_ call takes them).
inline constexpr uint16_t FONT_CUSTOM_FIRST = 1000;
// Checks that (volume, dir, name) is a font the text module can load, copies
// it into the data folder named by `*id`, a 32-bit value made from its bytes
// (the same file always gets the same id; a copy already there is kept), and
// writes the id. Returns 0, ERR_FILE_PARAM (null argument, not a loadable
// font, empty or over 32 MB), or the file layer's error. A null `id` is
// skipped.
[[nodiscard]] Err TXT_CustomFontAdd(int16_t volume, const char* dir, const char* name,
                                    uint32_t* id);
// The font code serving custom font `id`, loading its file from the data
// folder on first use (at most 16 custom fonts at once). Returns 0 and the
// code (1000 or more), or ERR_FILE when the file is missing or cannot be
// loaded (the caller then shows "Buck" and uses font 0), ERR_MEM_FULL when no
// slot is free. A null `font` is skipped.
[[nodiscard]] Err TXT_CustomFontCode(uint32_t id, uint16_t* font);

// The handheld's character set (close to Windows-1252; 0x8D-0x90 are the
// card suits ♦ ♣ ♥ ♠) as Unicode code points.
uint32_t TXT_CharToUnicode(uint8_t c);
// The handheld character of a code point, or 0 when it has none.
uint8_t TXT_UnicodeToChar(uint32_t codePoint);
// Converts `length` bytes of handheld text to UTF-8 into `out` (`size`
// bytes, always terminated). Returns the UTF-8 length written.
uint32_t TXT_ToUtf8(const char* text, uint32_t length, char* out, uint32_t size);
// Converts UTF-8 to handheld text (a character without a handheld form
// becomes "?"; malformed UTF-8 bytes are taken as they are). Returns the
// length written.
uint32_t TXT_FromUtf8(const char* utf8, uint32_t length, char* out, uint32_t size);
