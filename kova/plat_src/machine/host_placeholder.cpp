// The main window's stand-in picture while no form draws it: a plain
// background with the program's name. The form manager's first drawing
// replaces it, and this file goes once the main form is drawn at start.
// Owns no state.
#include <cstdlib>

#include "machine/host_internal.h"

namespace {

constexpr uint8_t BACKGROUND[3] = {0xEC, 0xF0, 0xF4};  // a quiet blue-grey
constexpr uint32_t TEXT_COLOUR = 0x2A3440;
constexpr int32_t TEXT_PIXELS = 28;

}  // namespace

void hostDrawPlaceholder(const char* title) {
  HostCore* c = hostCore();
  if (!c->started) return;
  HostRect client;
  c->ops->getClientRect(c->window, &client);
  if (client.width <= 0 || client.height <= 0) return;
  size_t bytes = size_t(client.width) * size_t(client.height) * 3;
  // Host-side pixels come from malloc: a large screen exceeds the platform
  // allocator's block limit.
  auto* rgb = static_cast<uint8_t*>(malloc(bytes));
  if (!rgb) return;
  for (size_t i = 0; i < bytes; i += 3) {
    rgb[i] = BACKGROUND[0];
    rgb[i + 1] = BACKGROUND[1];
    rgb[i + 2] = BACKGROUND[2];
  }
  if (c->ops->drawText)
    c->ops->drawText(rgb, client.width, client.height, client.width * 3, -1,
                     client.height / 3 - TEXT_PIXELS / 2, TEXT_PIXELS, TEXT_COLOUR, title);
  (void)HOST_Present(rgb, client.width, client.height, client.width * 3);
  free(rgb);
}
