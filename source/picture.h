// Contact pictures as files: a JPEG file read into a 16-bit drawing surface
// sized for a box (fitted inside it or covering it), and a surface written
// as a JPEG file with the preference quality. Progress displays belong to
// the screens: callers hand in a row callback, used for large pictures.
// Owns no state.
#pragma once

#include "kova.h"

// Scale of 1:1 for PictureImport (256 = the picture's own size).
inline constexpr int16_t PICTURE_SCALE_ONE = 256;
// Pictures of at least this many rows report their progress per row.
inline constexpr int16_t PICTURE_PROGRESS_ROWS = 320;
// The command a screen ends with when the user aborted a picture's loading
// or saving (PictureImport or PictureExport returned ERR_IMG_ABORTED).
inline constexpr FourCC PICTURE_STOP = FCC("STOP");

// The size a width × height picture is shown at in a box of boxWidth ×
// boxHeight. With `cover` the picture at `scale` (256 = 1:1) is kept when it
// is smaller than the box in either direction; otherwise, and always
// without `cover`, the picture is scaled with its proportions kept so that
// it fits inside the box (without `cover`) or covers it (with `cover`).
// Each side is at least 1 and at most IMG_MAX_SIDE. Outputs may be null;
// all inputs must be positive (else the outputs get 0).
void PictureTargetSize(int16_t width, int16_t height, int16_t boxWidth, int16_t boxHeight,
                       int16_t scale, bool cover, int16_t* outWidth, int16_t* outHeight);

// Reads the JPEG file (volume, dir, name) into a new 16-bit surface of the
// size PictureTargetSize gives; *outSurface receives it (the caller frees it
// with IMG_SurfaceFree) and *outWidth/*outHeight its size. Outputs may be
// null; with a null outSurface only the header is read and the size given.
// `progress` (may be null) is called per decoded row for pictures of
// PICTURE_PROGRESS_ROWS rows or more. Returns 0, ERR_IMG_PARAM (a box side
// or the scale not positive), the open error, ERR_IMG_BAD_DATA (not a JPEG,
// damaged), ERR_MEM_FULL, or ERR_IMG_ABORTED when `progress` answered false:
// the user aborted, which the calling screen reports as PICTURE_STOP, not
// as a failure. On failure no surface is handed out.
[[nodiscard]] Err PictureImport(int16_t volume, const char* dir, const char* name, int16_t boxWidth,
                                int16_t boxHeight, int16_t scale, bool cover,
                                ImgSurface** outSurface, int16_t* outWidth, int16_t* outHeight,
                                ImgRowFn progress = nullptr, uintptr_t arg = 0);

// Writes the surface as the JPEG file (volume, dir, name), 24-bit colour at
// the quality g_prefs.jpegQuality. `progress` (may be null) is called per
// encoded row for surfaces of PICTURE_PROGRESS_ROWS rows or more. Host
// volumes keep no type or creator for plain files, so the file holds the
// JPEG stream alone. Returns 0, ERR_IMG_PARAM (null or empty surface), the
// open error, ERR_WRITE, ERR_DISK_FULL, ERR_MEM_FULL, or ERR_IMG_ABORTED
// when `progress` answered false (reported as PICTURE_STOP, as above). On
// failure the file is removed.
[[nodiscard]] Err PictureExport(const ImgSurface* surface, int16_t volume, const char* dir,
                                const char* name, ImgRowFn progress = nullptr, uintptr_t arg = 0);
