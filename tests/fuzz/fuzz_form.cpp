// libFuzzer target over the form reader and the layout: the input is read
// as a whole "FORM" resource body and, wrapped in an "ALRT" chunk, as an
// alert's contents; each is parsed, laid out, searched (small inputs) and
// tested for collisions. The reader must answer with a parse error or a
// form whose every object lies in 16-bit coordinates with texts no longer
// than the body, and nothing may crash or hang. Owns no state but the text
// module, started once.
#include <cstring>
#include <memory>

#include "../../kova/plat_src/gui/gui_forms.h"
#include "fuzz_support.h"

namespace {

void start() {
  static bool started = false;
  if (started) return;
  FuzzStart();
  if (TXT_Start() != 0) abort();
  started = true;
}

void run(std::vector<uint8_t> body, FourCC type, int16_t w, int16_t h, bool search) {
  auto form = std::make_unique<GuiForm>();
  form->type = type;
  form->screenWidth = w;
  form->screenHeight = h;
  size_t size = body.size();
  form->body = std::move(body);
  Err err = GuiParseForm(form.get());
  FuzzCheck(err == 0 || err == GUI_ERR_PARSE || err == GUI_ERR_STACK);
  if (err != 0) return;
  FuzzCheck(form->objects.size() <= GUI_MAX_OBJECTS);
  if (search) GuiAutoLayout(form.get());
  FuzzCheck(form->rect.w >= 1 && form->rect.w <= w && form->rect.h >= 1 && form->rect.h <= h);
  FuzzCheck(form->density >= 0 && form->density <= 200);
  for (const auto& o : form->objects) {
    FuzzCheck(o->rect.w >= 0 && o->rect.h >= 0);
    for (const std::string& s : o->strings) FuzzCheck(s.size() <= size);
  }
  FuzzCheck(GuiCountCollisions(form.get(), false) >= 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  start();
  bool search = size <= 2048;
  run(std::vector<uint8_t>(data, data + size), FCC("FORM"), 360, 600, search);
  std::vector<uint8_t> alert = {'A', 'L', 'R', 'T', 0, 0, 0, 0};
  Put32BE(alert.data() + 4, uint32_t(size));
  alert.insert(alert.end(), data, data + size);
  run(std::move(alert), FCC("ALRT"), 800, 600, search);
  return 0;
}
