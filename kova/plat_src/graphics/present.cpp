// Showing a finished surface: in the main window through the host's
// backend, or as a PNG file. A 16-bit surface is widened into a scratch
// block first. Owns no state.
#include <cstring>

#include "graphics/gfx_internal.h"
#include "kova_host.h"
#include "kova_mem.h"

namespace {

// A 24-bit copy of a 16-bit surface (a MEM block the caller frees).
uint8_t* widened(const ImgSurface* s) {
  auto* rgb = static_cast<uint8_t*>(MEM_Alloc(uint32_t(s->width) * s->height * 3, false));
  if (!rgb) return nullptr;
  ImgSurface copy{s->width, s->height, IMG_DEPTH_24, uint32_t(s->width) * 3, rgb};
  GfxCanvas c = GFX_CanvasFor(&copy);
  GFX_Blit(&c, s, nullptr, 0, 0);
  return rgb;
}

bool usable(const ImgSurface* s) {
  return s && s->pixels && s->width > 0 && s->height > 0 &&
         (s->depth == IMG_DEPTH_24 || s->depth == IMG_DEPTH_16);
}

}  // namespace

Err GFX_Present(const ImgSurface* surface) {
  HostWindow w = HOST_MainWindow();
  const HostOps* ops = HOST_Ops();
  if (!w || !ops || !ops->present || !usable(surface)) return ERR_HOST_WINDOW;
  if (surface->depth == IMG_DEPTH_24)
    return ops->present(w, surface->pixels, surface->width, surface->height,
                        int32_t(surface->rowBytes));
  uint8_t* rgb = widened(surface);
  if (!rgb) return ERR_MEM_FULL;
  Err err = ops->present(w, rgb, surface->width, surface->height, surface->width * 3);
  MEM_Free(rgb);
  return err;
}

Err GFX_SavePng(const ImgSurface* surface, const char* hostPath) {
  if (!hostPath || !usable(surface)) return ERR_WRITE;
  // The PNG writer takes packed rows: copy when the surface pads them.
  if (surface->depth == IMG_DEPTH_24 && surface->rowBytes == uint32_t(surface->width) * 3)
    return HOST_WritePng(hostPath, surface->pixels, surface->width, surface->height);
  uint8_t* rgb = nullptr;
  if (surface->depth == IMG_DEPTH_16) {
    rgb = widened(surface);
  } else {
    rgb = static_cast<uint8_t*>(MEM_Alloc(uint32_t(surface->width) * surface->height * 3, false));
    for (int32_t y = 0; rgb && y < surface->height; y++)
      memcpy(rgb + size_t(y) * surface->width * 3, surface->pixels + size_t(y) * surface->rowBytes,
             size_t(surface->width) * 3);
  }
  if (!rgb) return ERR_MEM_FULL;
  Err err = HOST_WritePng(hostPath, rgb, surface->width, surface->height);
  MEM_Free(rgb);
  return err == 0 ? 0 : ERR_WRITE;
}
