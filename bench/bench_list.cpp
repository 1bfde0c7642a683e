// The contact list's figures on a 32,000-contact sample in the "Main" form
// of a 360 x 600 headless window: the first list drawn after start with a
// valid sort table (open event, form drawing, the first list drawing), one
// type-ahead keystroke (lookup and redraw), and one page down. Each stands
// beside its in-memory floor in the same run: the same rows drawn from
// names already held in memory, and a bisection over those names.
// Owns a temporary folder (removed at exit); results go to docs/benchmarks.md.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "gui_internal.h"
#include "kova.h"
#include "list.h"
#include "main_handler.h"
#include "parse.h"
#include "sample.h"
#include "sort.h"

namespace {

constexpr uint32_t CONTACTS = 32000;

std::vector<std::string> g_names;  // the list names in list order (the floor's data)

bool startAll() {
  if (!BenchStartGui()) return false;
  SamplePrefsDefaults();
  g_prefs.tipsShown = 0xFFFFFFFF;
  ContactStoreReset();
  SortReset();
  MainReset();
  std::vector<uint8_t> image;
  if (SampleBuild(SampleOptions{true, CONTACTS, 1}, &image) != 0) return false;
  BenchWriteData(CONTACTS_FILE, image);
  if (SortOpen(SORT_REBUILD) != SORT_BUILT) return false;
  // The floor's names, read once.
  const uint16_t* entries = nullptr;
  uint16_t count = SortGetList(nullptr, &entries, 0, -1, 0);
  ContactDb* db = nullptr;
  if (count == 0 || ContactDbOpen(&db, false, true) != 0) return false;
  for (uint16_t i = 0; i < count; ++i) {
    ContactRec rec{};
    if (ContactFetch(&rec, db, entries[i]) != 0) continue;
    char* name = ContactColumnText(&rec, 4, 0, nullptr, nullptr, 0, 0, 0);
    g_names.push_back(name ? name : "");
    MEM_Free(name);
    ContactRelease(&rec);
  }
  ContactDbClose(&db);
  return true;
}

// "Main" opened with the program's handler, as the form loop opens it.
GuiForm* openMain() {
  GuiForm* form = nullptr;
  if (GUI_FormOpen(&form, FCC("Main"), 0, RES_TYPE_FORM, nullptr) != 0) return nullptr;
  form->handler = MainHandleEvent;
  form->running = true;
  return form;
}

// "Main" after its open and first list drawing, for the figures that start
// from a shown list.
GuiForm* openShownMain() {
  GuiForm* form = openMain();
  if (!form) return nullptr;
  (void)GuiSendEvent(form, FORM_EVT_OPEN, uintptr_t(&form->result));
  (void)GuiSendEvent(form, FORM_EVT_DRAWN, uintptr_t(&form->result));
  return form;
}

void closeMain(GuiForm* form) {
  form->running = false;
  GUI_FormClose(form);
}

// Start to the first list: the open event (the table checked), the form
// drawn, then the drawn event's first list drawing. The table stays on disk
// and is read again, as at a launch.
void BM_FirstListAfterStart(benchmark::State& state) {
  for (auto _ : state) {
    SortReset();
    MainReset();
    GuiForm* form = openMain();
    if (!form) return state.SkipWithError("Main does not open");
    (void)GuiSendEvent(form, FORM_EVT_OPEN, uintptr_t(&form->result));
    GuiDrawForm(form);
    (void)GuiSendEvent(form, FORM_EVT_DRAWN, uintptr_t(&form->result));
    benchmark::DoNotOptimize(g_list.selectedRecord);
    state.counters["rows"] = g_list.visibleRows;
    state.counters["listed"] = g_list.count;
    closeMain(form);
  }
}

// One typed letter: the lookup from the selected row and the redraw. The
// letters cycle so that every keystroke searches anew.
void BM_TypeAheadKeystroke(benchmark::State& state) {
  GuiForm* form = openShownMain();
  if (!form) return state.SkipWithError("Main does not open");
  const char letters[] = "mbstjarcklpdwgh";
  size_t i = 0;
  int64_t found = 0;
  for (auto _ : state) {
    g_list.seekLength = 0;  // each letter starts a search
    found += ListSeekKey(form, uint8_t(letters[i++ % (sizeof letters - 1)]), true);
  }
  state.counters["found"] = double(found) / double(state.iterations());
  closeMain(form);
}

// A keystroke that finds nothing: after "q", an "x" that no name follows
// with. The lookup fails, the linear retry walks the whole list, the
// extended search tries the other orders, then the beep.
void BM_TypeAheadMiss(benchmark::State& state) {
  GuiForm* form = openShownMain();
  if (!form) return state.SkipWithError("Main does not open");
  int64_t found = 0;
  for (auto _ : state) {
    strcpy(g_list.seekText, "q");
    g_list.seekLength = 1;
    g_list.seekFound = true;
    found += ListSeekKey(form, 'x', true);
  }
  state.counters["found"] = double(found) / double(state.iterations());
  closeMain(form);
}

// One page down, back to the top when the end is reached.
void BM_PageDown(benchmark::State& state) {
  GuiForm* form = openShownMain();
  if (!form) return state.SkipWithError("Main does not open");
  for (auto _ : state) {
    if (g_list.top + 2 * g_list.visibleRows >= g_list.count) {
      g_list.top = 0;
      g_list.selectedOffset = 0;
      g_main.selectedRow = 0;
      g_list.drawnRow = 0;
    }
    ListMove(form, 101);
  }
  state.counters["rows"] = g_list.visibleRows;
  closeMain(form);
}

// The floor of a drawing: the visible rows' backgrounds and names from
// memory into the same surface, then shown.
void drawFromMemory(GuiForm* form, size_t first, int16_t rows, int16_t h, uint16_t font) {
  GfxRect list{};
  (void)GUI_GetBounds(form, FCC("List"), &list);
  GfxCanvas canvas = GUI_FormCanvas(form);
  for (int16_t r = 0; r < rows; ++r) {
    GfxRect row{list.x, int16_t(list.y + r * h), list.w, h};
    GFX_FillRect(&canvas, row, r % 2 ? 0xCCFFCC : 0xFFFFFF);
    const std::string& name = g_names[(first + size_t(r)) % g_names.size()];
    (void)TXT_Draw(&canvas, font, name.c_str(), uint32_t(name.size()), int16_t(list.x + 2), row.y,
                   0);
  }
  GUI_FormShow(form);
}

void BM_FloorDrawRows(benchmark::State& state) {
  GuiForm* form = openShownMain();
  if (!form) return state.SkipWithError("Main does not open");
  size_t first = 0;
  for (auto _ : state) {
    drawFromMemory(form, first, g_list.visibleRows, g_list.rowHeight, g_list.font);
    first += size_t(g_list.visibleRows);
  }
  closeMain(form);
}

// The floor of a keystroke: a bisection over the names in memory with the
// collation's compare, then the rows drawn from memory.
void BM_FloorKeystroke(benchmark::State& state) {
  GuiForm* form = openShownMain();
  if (!form) return state.SkipWithError("Main does not open");
  const char letters[] = "mbstjarcklpdwgh";
  size_t i = 0;
  for (auto _ : state) {
    char key[2] = {letters[i++ % (sizeof letters - 1)], 0};
    size_t lo = 0, hi = g_names.size();
    while (lo < hi) {
      size_t mid = (lo + hi) / 2;
      char prefix[2] = {g_names[mid].empty() ? '\0' : g_names[mid][0], 0};
      if (SortStringCompare(prefix, key) < 0)
        lo = mid + 1;
      else
        hi = mid;
    }
    drawFromMemory(form, lo, g_list.visibleRows, g_list.rowHeight, g_list.font);
  }
  closeMain(form);
}

}  // namespace

int main(int argc, char** argv) {
  if (!startAll()) {
    fprintf(stderr, "bench_list: start failed\n");
    return 1;
  }
  benchmark::RegisterBenchmark("BM_FirstListAfterStart", BM_FirstListAfterStart)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_FloorDrawRows", BM_FloorDrawRows)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_TypeAheadKeystroke", BM_TypeAheadKeystroke)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_TypeAheadMiss", BM_TypeAheadMiss)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_FloorKeystroke", BM_FloorKeystroke)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_PageDown", BM_PageDown)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  SortReset();
  BenchStopGui();
  return 0;
}
