// The form manager's figures on the program's own "Main" form in a
// 360 x 600 window (headless host): opening it with its layout found in the
// form cache and drawing it once, and the layout search a cache miss costs.
// The floor is filling the same 360 x 600 surface once, the least any
// drawing of the screen costs.
#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "gui_internal.h"
#include "kova.h"
#include "kova_gui.h"

namespace {

void BM_OpenMainFromCacheAndDraw(benchmark::State& state) {
  if (!BenchStartGui()) return state.SkipWithError("start failed");
  GuiForm* form = nullptr;
  // The first opening lays the form out and fills the cache.
  if (GUI_FormOpen(&form, FCC("Main"), 0, RES_TYPE_FORM, nullptr) != 0) {
    BenchStopGui();
    return state.SkipWithError("Main does not open");
  }
  GUI_FormClose(form);
  for (auto _ : state) {
    if (GUI_FormOpen(&form, FCC("Main"), 0, RES_TYPE_FORM, nullptr) != 0) break;
    GuiDrawForm(form);
    benchmark::DoNotOptimize(form->surface->pixels[0]);
    state.counters["objects"] = double(form->objects.size());
    state.counters["width"] = form->rect.w;
    state.counters["height"] = form->rect.h;
    GUI_FormClose(form);
  }
  BenchStopGui();
}
BENCHMARK(BM_OpenMainFromCacheAndDraw)->Unit(benchmark::kMillisecond);

// The search a cache miss runs, from the standard density: on the list
// forms and on an alert, whose height is searched as well.
void layoutSearch(benchmark::State& state, FourCC name, FourCC type) {
  if (!BenchStartGui()) return state.SkipWithError("start failed");
  GuiForm* form = nullptr;
  if (GUI_FormOpen(&form, name, 0, type, nullptr) != 0) {
    BenchStopGui();
    return state.SkipWithError("the form does not open");
  }
  for (auto _ : state) {
    form->density = 100;
    GuiAutoLayout(form);
    benchmark::DoNotOptimize(form->density);
  }
  state.counters["density"] = form->density;
  state.counters["height"] = form->rect.h;
  GUI_FormClose(form);
  BenchStopGui();
}
BENCHMARK_CAPTURE(layoutSearch, Main, FCC("Main"), RES_TYPE_FORM)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(layoutSearch, Indx, FCC("Indx"), RES_TYPE_FORM)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(layoutSearch, Dial, FCC("Dial"), RES_TYPE_FORM)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(layoutSearch, AlertDFix, FCC("DFix"), RES_TYPE_ALERT)
    ->Unit(benchmark::kMillisecond);

void BM_FloorFillScreen(benchmark::State& state) {
  ImgSurface* surface = nullptr;
  if (MEM_Start() != 0 || IMG_SurfaceNew(&surface, 360, 600, IMG_DEPTH_24) != 0)
    return state.SkipWithError("no surface");
  GfxCanvas canvas = GFX_CanvasFor(surface);
  uint32_t colour = 0;
  for (auto _ : state) {
    GFX_FillRect(&canvas, GfxRect{0, 0, 360, 600}, colour++ & 0xFFFFFF);
    benchmark::DoNotOptimize(surface->pixels[0]);
  }
  IMG_SurfaceFree(&surface);
  MEM_Stop();
}
BENCHMARK(BM_FloorFillScreen)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
