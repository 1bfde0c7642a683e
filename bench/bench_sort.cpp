// Sort table figures for sample address books of 1,000, 10,000 and 32,000
// contacts, each beside its in-memory floor (the same contacts parsed in
// memory, their sort fields extracted once, sorted with std::stable_sort by
// the same comparison): full build, SortOpen on a valid table, the display
// list rebuilt for all and for one category, SortRecordChanged after a
// rename, SortRefineList keeping every tenth contact. Owns a temporary
// folder (removed at exit); results go to docs/benchmarks.md.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench_support.h"
#include "dbase.h"
#include "kova.h"
#include "prefs.h"
#include "sample.h"
#include "sort.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Tuple = std::vector<std::string>;

std::map<uint32_t, Bytes> g_images;  // sample database files by contact count
uint32_t g_current = 0;              // contacts in the data folder now

// --- the in-memory floor ---------------------------------------------------

struct Floor {
  std::vector<Bytes> records;
  std::vector<uint8_t> attributes, categories;  // internal attributes, category number
  std::vector<Tuple> tuples[3];                 // per order: the three compared strings
  std::vector<uint16_t> orders[3];              // sorted by the floor
  std::vector<uint16_t> list;
};
std::map<uint32_t, Floor> g_floors;

// The strings the comparison takes in its three rounds: the non-empty
// fields among the first two of the order's sequence, then the third,
// repeated; a nameless contact's fallback field stands as defaultKey.
Tuple tupleOf(const ContactRec* rec, int order) {
  static const FieldKind kFields[3][3] = {
      {FieldKind::LastName, FieldKind::FirstName, FieldKind::Company},
      {FieldKind::FirstName, FieldKind::LastName, FieldKind::Company},
      {FieldKind::Company, FieldKind::LastName, FieldKind::FirstName}};
  std::string f[3];
  for (int i = 0; i < 3; i++) {
    char buf[SORT_FIELD_BYTES] = {0};
    if (!ContactGetField(rec, kFields[order][i], 0, buf, sizeof buf, 0)) buf[0] = 0;
    f[i] = buf;
  }
  int fallback =
      order == 2 ? (g_prefs.nameWhenNoCompany ? 3 : 0) : (g_prefs.companyWhenNoName ? 3 : 1);
  std::string dk(reinterpret_cast<const char*>(defaultKey), 3);
  if (fallback == 0 && f[0].empty()) f[0] = dk;
  if (fallback == 1 && f[0].empty() && f[1].empty()) f[1] = dk;
  Tuple t;
  for (int i = 0; i < 2; i++)
    if (!f[i].empty()) t.push_back(f[i]);
  t.push_back(f[2]);
  while (t.size() < 3) t.push_back(t.back());
  return t;
}

bool tupleLess(const Tuple& a, const Tuple& b) {
  for (int i = 0; i < 3; i++) {
    int16_t c = SortStringCompare(a[i].c_str(), b[i].c_str());
    if (c != 0) return c < 0;
  }
  return false;
}

// Splits the file image into records and extracts every contact's fields.
Floor parseFloor(const Bytes& image) {
  Floor fl;
  uint16_t n = Get16BE(image.data() + 76);
  ContactDb db{};
  ContactUseLayout(&db, true);
  for (uint16_t i = 0; i < n; i++) {
    const uint8_t* e = image.data() + 78 + 8 * i;
    uint32_t start = Get32BE(e);
    uint32_t end = i + 1 < n ? Get32BE(e + 8) : uint32_t(image.size());
    fl.records.emplace_back(image.begin() + start, image.begin() + end);
    fl.attributes.push_back(DB_RecAttrsFromDisk(e[4]));
    fl.categories.push_back(e[4] & 0x0F);
  }
  for (int k = 0; k < 3; k++)
    for (uint16_t i = 0; i < n; i++) {
      ContactRec rec =
          ContactRecFromBytes(&db, fl.records[i].data(), uint32_t(fl.records[i].size()));
      fl.tuples[k].push_back(tupleOf(&rec, k));
    }
  return fl;
}

void floorSort(Floor* fl, int k) {
  std::vector<uint16_t>& o = fl->orders[k];
  o.resize(fl->records.size());
  for (size_t i = 0; i < o.size(); i++) o[i] = uint16_t(i);
  const std::vector<Tuple>& t = fl->tuples[k];
  std::stable_sort(o.begin(), o.end(),
                   [&](uint16_t a, uint16_t b) { return tupleLess(t[a], t[b]); });
}

void floorList(Floor* fl, int category) {
  fl->list.clear();
  for (uint16_t r : fl->orders[0]) {
    if (fl->attributes[r] & REC_ATTR_DELETED) continue;
    if (category >= 0 && fl->categories[r] != category) continue;
    fl->list.push_back(r);
  }
}

// --- the database on disk ----------------------------------------------------

void writeData(const std::string& name, const Bytes& bytes) { BenchWriteData(name, bytes); }

const Bytes& image(uint32_t n) {
  Bytes& img = g_images[n];
  if (img.empty() && SampleBuild(SampleOptions{true, n, 1}, &img) != 0) abort();
  return img;
}

Floor& floorFor(uint32_t n) {
  auto it = g_floors.find(n);
  if (it != g_floors.end()) return it->second;
  Floor& fl = g_floors[n] = parseFloor(image(n));
  for (int k = 0; k < 3; k++) floorSort(&fl, k);
  return fl;
}

// Puts the n-contact sample into the data folder with a freshly built table.
bool useDatabase(benchmark::State& state, uint32_t n) {
  if (g_current != n) {
    SortReset();
    ContactStoreReset();
    writeData(CONTACTS_FILE, image(n));
    (void)FIL_Delete(VOL_DOCUMENTS, "", SORT_TABLE_FILE);
    g_prefs.recordCountSeen = g_prefs.sortTableStamp = 0;
    g_prefs.databaseFingerprint = 0;
    if (SortOpen(SORT_REBUILD) != SORT_BUILT) {
      state.SkipWithError("the table could not be built");
      return false;
    }
    g_current = n;
  }
  return true;
}

// --- benchmarks --------------------------------------------------------------

void BM_FullBuild(benchmark::State& state) {
  uint32_t n = uint32_t(state.range(0));
  if (!useDatabase(state, n)) return;
  for (auto _ : state)
    if (SortOpen(SORT_REBUILD) != SORT_BUILT) state.SkipWithError("build failed");
  SortTimings t = SortLastTimings();
  state.counters["recoverMs"] = t.recoverMs;
  state.counters["scanMs"] = t.scanMs;
  for (int k = 0; k < 3; k++) state.counters["sort" + std::to_string(k + 1) + "Ms"] = t.sortMs[k];
}

void BM_FloorFullBuild(benchmark::State& state) {
  Floor& fl = floorFor(uint32_t(state.range(0)));
  for (auto _ : state)
    for (int k = 0; k < 3; k++) floorSort(&fl, k);
}

void BM_OpenValid(benchmark::State& state) {
  if (!useDatabase(state, uint32_t(state.range(0)))) return;
  (void)SortOpen(SORT_CHECK);
  for (auto _ : state)
    if (SortOpen(SORT_CHECK) != SORT_VALID) state.SkipWithError("the table was not valid");
}

// What a valid table's check costs in memory: the three orders are
// permutations.
void BM_FloorOpenValid(benchmark::State& state) {
  Floor& fl = floorFor(uint32_t(state.range(0)));
  std::vector<uint8_t> seen(fl.records.size());
  for (auto _ : state)
    for (int k = 0; k < 3; k++) {
      std::fill(seen.begin(), seen.end(), 0);
      for (uint16_t v : fl.orders[k]) seen[v] = 1;
      benchmark::DoNotOptimize(seen.data());
    }
}

void BM_GetList(benchmark::State& state) {
  if (!useDatabase(state, uint32_t(state.range(0)))) return;
  int16_t category = int16_t(state.range(1));
  int16_t handle;
  const uint16_t* entries = nullptr;
  uint16_t count = 0;
  for (auto _ : state) count = SortGetList(&handle, &entries, 0, category, SORT_LIST_REBUILD);
  state.counters["rows"] = count;
}

void BM_FloorGetList(benchmark::State& state) {
  Floor& fl = floorFor(uint32_t(state.range(0)));
  for (auto _ : state) floorList(&fl, int(state.range(1)));
  state.counters["rows"] = double(fl.list.size());
}

// Renames contact n / 2 between a name at the front and one at the back,
// untimed, then times its re-placing.
void BM_RecordChanged(benchmark::State& state) {
  uint32_t n = uint32_t(state.range(0));
  if (!useDatabase(state, n)) return;
  uint16_t r = uint16_t(n / 2);
  bool front = false;
  for (auto _ : state) {
    state.PauseTiming();
    ContactDb* db = nullptr;
    ContactRec rec{};
    front = !front;
    if (ContactDbOpen(&db, true, true) != 0 || ContactFetch(&rec, db, r) != 0 ||
        ContactSetField(&rec, FieldKind::LastName, 0, front ? "Aaberg" : "Zyskowski") != 0)
      state.SkipWithError("rename failed");
    ContactRelease(&rec);
    ContactDbClose(&db);
    state.ResumeTiming();
    if (SortRecordChanged(SORT_CHANGE_PLACE, r, 0) < 0) state.SkipWithError("not re-placed");
  }
  g_current = 0;  // the file changed: the next benchmark starts afresh
}

void BM_FloorRecordChanged(benchmark::State& state) {
  uint32_t n = uint32_t(state.range(0));
  Floor& fl = floorFor(n);
  uint16_t r = uint16_t(n / 2);
  bool front = false;
  for (auto _ : state) {
    front = !front;
    for (int k = 0; k < 3; k++) {
      Tuple& t = fl.tuples[k][r];
      if (k == 0) t[0] = front ? "Aaberg" : "Zyskowski";
      std::vector<uint16_t>& o = fl.orders[k];
      o.erase(std::find(o.begin(), o.end(), r));
      auto at = std::upper_bound(o.begin(), o.end(), r, [&](uint16_t a, uint16_t b) {
        return tupleLess(fl.tuples[k][a], fl.tuples[k][b]);
      });
      o.insert(at, r);
    }
  }
}

bool keepTenth(const ContactRec*, uint16_t position, uint16_t, uintptr_t, bool*) {
  return position % 10 == 0;
}

void BM_RefineList(benchmark::State& state) {
  if (!useDatabase(state, uint32_t(state.range(0)))) return;
  int16_t handle;
  const uint16_t* entries = nullptr;
  uint16_t kept = 0;
  for (auto _ : state) {
    state.PauseTiming();
    (void)SortGetList(&handle, &entries, 0, -1, SORT_LIST_REBUILD);
    state.ResumeTiming();
    kept = SortRefineList(keepTenth, 0);
  }
  state.counters["kept"] = kept;
}

void BM_FloorRefineList(benchmark::State& state) {
  Floor& fl = floorFor(uint32_t(state.range(0)));
  floorList(&fl, -1);
  std::vector<uint16_t> out;
  ContactDb db{};
  ContactUseLayout(&db, true);
  for (auto _ : state) {
    out.clear();
    for (size_t j = 0; j < fl.list.size(); j++) {
      const Bytes& b = fl.records[fl.list[j]];
      ContactRec rec = ContactRecFromBytes(&db, b.data(), uint32_t(b.size()));
      if (keepTenth(&rec, uint16_t(j), uint16_t(fl.list.size()), 0, nullptr))
        out.push_back(fl.list[j]);
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["kept"] = double(out.size());
}

void start() {
  if (!BenchStart()) abort();
  if (RES_Open(BRANTEL_APP_PATH) != 0) abort();
  SamplePrefsDefaults();
  ContactStoreReset();
  SortReset();
  SortResetCollation();
  (void)SortLoadCollation();
}

void stop() {
  SortReset();
  BenchStop();
}

}  // namespace

int main(int argc, char** argv) {
  start();
  for (int64_t n : {1000, 10000, 32000}) {
    int iterations = n >= 10000 ? 1 : 3;
    benchmark::RegisterBenchmark("BM_FullBuild", BM_FullBuild)
        ->Arg(n)
        ->Iterations(iterations)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_FloorFullBuild", BM_FloorFullBuild)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_OpenValid", BM_OpenValid)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_FloorOpenValid", BM_FloorOpenValid)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
    for (int64_t category : {-1, 1}) {
      benchmark::RegisterBenchmark("BM_GetList", BM_GetList)
          ->Args({n, category})
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark("BM_FloorGetList", BM_FloorGetList)
          ->Args({n, category})
          ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("BM_RefineList", BM_RefineList)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_FloorRefineList", BM_FloorRefineList)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_RecordChanged", BM_RecordChanged)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_FloorRecordChanged", BM_FloorRecordChanged)
        ->Arg(n)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  stop();
  return 0;
}
