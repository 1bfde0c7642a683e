// Drawing: KOVA draws every screen into its own 24-bit surfaces (the
// ImgSurface of kova_image.h) through a canvas that carries a clip
// rectangle and an origin; the host only presents the finished surface.
// Primitives: filled, patterned and framed rectangles, lines, polygon fill,
// bitmaps from "BMAP" resources, copies of other surfaces (16- or 24-bit).
// Owns no state: everything lives in the canvas the caller holds.
//
// Invariants: (1) nothing is ever written outside the surface or outside
// the clip rectangle; (2) coordinates are canvas coordinates: the origin is
// added before clipping, so a form's objects draw in form coordinates.
#pragma once

#include "kova_image.h"

// A rectangle: left, top, width, height (empty when width or height <= 0).
struct GfxRect {
  int16_t x, y, w, h;
};

// Where drawing goes. `clip` is in surface pixels (already offset); it is
// cut to the surface when set.
struct GfxCanvas {
  ImgSurface* surface;  // 24-bit
  GfxRect clip;
  int16_t originX, originY;
};

// A canvas over the whole of `surface` (origin 0, clip = the surface).
GfxCanvas GFX_CanvasFor(ImgSurface* surface);
// Sets the clip to `r` (canvas coordinates) cut to the surface; null clips
// to the whole surface. The previous clip is returned so callers can put it
// back.
GfxRect GFX_SetClip(GfxCanvas* c, const GfxRect* r);
// Intersection of two rectangles (empty, w = h = 0, when they do not meet).
GfxRect GFX_Intersect(const GfxRect& a, const GfxRect& b);

// Colours are 0x00RRGGBB.
void GFX_FillRect(GfxCanvas* c, const GfxRect& r, uint32_t rgb);
// Fills with the 8 x 8 checker mask (rows alternately 0xAA and 0x55, aligned
// to the surface): `fg` where the mask bit is 1, `bg` elsewhere; a `bg` of
// GFX_TRANSPARENT leaves those pixels as they are.
inline constexpr uint32_t GFX_TRANSPARENT = 0xFF000000u;
void GFX_PatternRect(GfxCanvas* c, const GfxRect& r, uint32_t fg, uint32_t bg);
// A frame `thickness` pixels wide drawn inside `r`.
void GFX_FrameRect(GfxCanvas* c, const GfxRect& r, uint32_t rgb, int16_t thickness);
// A one-pixel line from (x0, y0) to (x1, y1), both ends included.
void GFX_Line(GfxCanvas* c, int16_t x0, int16_t y0, int16_t x1, int16_t y1, uint32_t rgb);
// Fills the polygon of `count` points (x, y pairs in `xy`) with the
// even-odd rule; fewer than 3 points draw nothing.
void GFX_FillPolygon(GfxCanvas* c, const int16_t* xy, int16_t count, uint32_t rgb);
// Copies `src` (16- or 24-bit; `from` null = all of it) with its top-left
// corner at (x, y).
void GFX_Blit(GfxCanvas* c, const ImgSurface* src, const GfxRect* from, int16_t x, int16_t y);

// Bitmaps of the resource store ("BMAP": one "BENT" entry per depth; 24-bit
// R G B or 32-bit R G B A with straight alpha). The entry whose depth is
// the highest is used.
// Width and height of bitmap `idOrName`. ERR_FILE when missing,
// ERR_IMG_BAD_DATA when the resource is malformed. Outputs may be null.
[[nodiscard]] Err GFX_BitmapSize(uint32_t idOrName, int16_t* width, int16_t* height);
// Draws it with its top-left corner at (x, y), blending by alpha. Returns
// 0, ERR_FILE or ERR_IMG_BAD_DATA (nothing drawn).
[[nodiscard]] Err GFX_DrawBitmap(GfxCanvas* c, uint32_t idOrName, int16_t x, int16_t y);

// Shows the surface in the main window through the host. Returns 0 or
// ERR_HOST_WINDOW (ERR_MEM_FULL when a 16-bit surface cannot be widened).
[[nodiscard]] Err GFX_Present(const ImgSurface* surface);
// Writes the surface as a PNG file (host path). Returns 0 or ERR_WRITE
// (ERR_MEM_FULL when a 16-bit or row-padded surface cannot be packed).
[[nodiscard]] Err GFX_SavePng(const ImgSurface* surface, const char* hostPath);
