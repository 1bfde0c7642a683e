// Private seams of the form reader and the layout: reading the tagged
// tokens of a form body (bounded by the chunk they lie in), the object
// reader, the placement routine and content sizes at a given width. Only
// the parse, layout, search and open modules include this; the rest of the
// manager goes through gui_internal.h.
#pragma once

#include <string>

#include "gui_internal.h"

// Most objects a form may hold; a body that asks for more is damaged.
inline constexpr size_t GUI_MAX_OBJECTS = 512;
// Longest text a custom alert's message grows to with its arguments.
inline constexpr size_t GUI_MAX_MESSAGE = 32000;

// A four-character token at body[pos], when four bytes remain before `end`.
bool GuiTokenAt(const uint8_t* body, uint32_t end, uint32_t pos, FourCC* out);
// True for a nested chunk's tag: four upper-case letters A to Z.
bool GuiIsChunkTag(FourCC token);
// A nested chunk at body[pos] (tag, length, contents): its contents run from
// *start to *stop. GUI_ERR_PARSE when the length runs past `end`.
[[nodiscard]] Err GuiChunkAt(const uint8_t* body, uint32_t end, uint32_t pos, uint32_t* start,
                             uint32_t* stop);
// The string after a "Text" token at body[*pos] (the token's operand): up
// to its zero byte or, when it has none, to `end`. *pos moves behind the
// zero bytes that pad it to four bytes (never past `end`).
void GuiReadText(const uint8_t* body, uint32_t end, uint32_t* pos, std::string* out);
// The tag operand after a keyword at body[*pos] (the keyword's own four
// bytes included): GUI_ERR_PARSE when it is missing. *pos moves past both.
[[nodiscard]] Err GuiReadTagOperand(const uint8_t* body, uint32_t end, uint32_t* pos, FourCC* out);
// An id from an expression value (16-bit ids written as negative numbers
// come back as 32768 … 65535).
uint32_t GuiIdFromValue(int32_t value);

// Reads one object chunk (kind `kind`, contents body[start, stop)) into new
// objects at the end of form->objects; a "BTNS" row adds one object per
// further text. `index` is the object's sequence index.
[[nodiscard]] Err GuiParseObject(GuiForm* form, FourCC kind, uint32_t start, uint32_t stop,
                                 uint16_t index);

// The area objects are placed in (form coordinates): inside the frame
// margins, below the menu bar strip and the title bar. The parent of every
// object's rectangle expression.
GfxRect GuiClientArea(const GuiForm* form);
// The title bar's height for the form's kind and screen scale (0 without a
// title).
int16_t GuiTitleHeight(const GuiForm* form);
// Pixels for `units` at the form's screen scale.
int32_t GuiScaled(const GuiForm* form, int32_t units);
// The gap between objects at a density (0 none, 100 standard, 200 double).
int32_t GuiGap(const GuiForm* form, int16_t density);
// The space between the buttons of a "BTNS" row at the form's density.
int32_t GuiRowGap(const GuiForm* form);

// Content size wrapped (alert messages, multi-line labels) to `width`
// pixels; GuiContentSize wraps to the client area.
void GuiContentSizeAt(const GuiForm* form, const GuiObject* object, int16_t density, int32_t width,
                      int32_t* w, int32_t* h);

// The placement routine's running state over one pass of a form's objects.
struct GuiPlacement {
  const GuiForm* form;
  GfxRect area;               // the client area
  int32_t gap;                // space between objects at the density
  const GuiObject* previous;  // the last placed object that may be "previous"
  size_t placed;              // objects form->objects[0, placed) are placed
};
// Turns the evaluated rectangle `v` (x, y, width, height with placement
// flags) of `object` into pixels (see gui_place.cpp for the rules). `rowW`
// and `rowH`, when positive, replace the content size (a "BTNS" row).
GfxRect GuiPlace(GuiPlacement* p, const GuiObject* object, const GuiValue v[4], int32_t rowW,
                 int32_t rowH);
// Lays the form out with its size kept as it is (the height search sets
// the size of alerts and auto-height forms itself).
void GuiLayoutKeepSize(GuiForm* form);
