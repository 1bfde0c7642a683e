// Contact store figures on sample databases, each beside its floor in the
// same run: ContactColumnText column 4 (list name) and column 23 (full text)
// for every contact of a 10,000-contact sample, next to reading every
// record with DB_GetRecord and touching its bytes; ContactRepairRun of a
// shuffled 2,000- and 10,000-contact sample (stage times from its progress
// callback), next to reading every record once, and DB_Sort alone with a
// comparison counter. Also the time to build a 10,000-contact sample.
// Owns a temporary folder (removed at exit); results go to
// docs/benchmarks.md.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "dbase.h"
#include "host_file.h"
#include "kova.h"
#include "sample.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t CONTACTS = 10000;

void must(bool ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "bench_contacts: %s failed\n", what);
    abort();
  }
}

void writeFile(const std::string& name, const Bytes& bytes) { BenchWriteData(name, bytes); }

ContactDb* openDb(const std::string& name, bool writable) {
  FileRef f = nullptr;
  must(FIL_Open(&f, VOL_DOCUMENTS, "!", name.c_str(),
                writable ? FIL_MODE_READ_WRITE : FIL_MODE_READ) == 0,
       "FIL_Open");
  ContactDb* db = nullptr;
  must(ContactDbAttach(&db, f, !writable) == 0, "ContactDbAttach");
  return db;
}

// A sample of `count` contacts in a seeded random order (Fisher-Yates with
// the generator's own numbers), written in one go.
Bytes shuffledSample(uint32_t count, uint64_t seed) {
  std::vector<SampleRecord> records;
  must(SampleMakeRecords({true, count, seed}, &records) == 0, "SampleMakeRecords");
  SampleRng rng{seed ^ 0x5EED};
  for (uint32_t i = count; i > 1; i--) std::swap(records[i - 1], records[SampleBelow(&rng, i)]);
  Bytes image;
  must(SampleImage(true, records, &image) == 0, "SampleImage");
  return image;
}

// --- building a sample ---------------------------------------------------------

void BM_SampleBuild(benchmark::State& state) {
  for (auto _ : state) {
    Bytes image;
    must(SampleBuild({true, uint32_t(state.range(0)), 1}, &image) == 0, "SampleBuild");
    benchmark::DoNotOptimize(image.data());
  }
}

// --- columns for every contact -------------------------------------------------

void BM_ColumnText(benchmark::State& state) {
  int16_t column = int16_t(state.range(0));
  uint64_t bytes = 0;
  for (auto _ : state) {
    ContactDb* db = openDb("sample.pdb", false);
    uint16_t n = ContactDbCount(db);
    for (uint16_t i = 0; i < n; i++) {
      ContactRec rec;
      must(ContactFetch(&rec, db, i) == 0, "ContactFetch");
      char* text = ContactColumnText(&rec, column, 0, nullptr, nullptr, 0, 0, 0);
      bytes += text ? strlen(text) : 0;
      MEM_Free(text);
      ContactRelease(&rec);
    }
    ContactDbClose(&db);
  }
  state.counters["textKB"] = double(bytes) / 1024 / double(state.iterations());
}

// Floor: every record fetched with DB_GetRecord and every byte touched.
void readAll(benchmark::State& state, const char* name) {
  uint64_t sum = 0;
  for (auto _ : state) {
    FileRef f = nullptr;
    must(FIL_Open(&f, VOL_DOCUMENTS, "!", name, FIL_MODE_READ) == 0, "FIL_Open");
    uint16_t n = DB_NumRecords(f);
    for (uint16_t i = 0; i < n; i++) {
      RecordRef rec = nullptr;
      const uint8_t* p = static_cast<const uint8_t*>(DB_GetRecord(&rec, f, i, 0, 0));
      must(p != nullptr, "DB_GetRecord");
      for (uint32_t k = 0, len = DB_RecordLength(rec); k < len; k++) sum += p[k];
      (void)DB_ReleaseRecord(&rec);
    }
    FIL_Close(&f);
  }
  benchmark::DoNotOptimize(sum);
}

void BM_FloorReadEveryRecord(benchmark::State& state) { readAll(state, "sample.pdb"); }

// --- a counting host file table (for repair and DB_Sort) ---------------------------------

struct IoCounts {
  uint64_t reads, readBytes, writes, writeBytes, truncates;
  double readSec, writeSec;
};
IoCounts g_io;
bool g_counting = false;
HostFileOps g_countingOps;

int64_t countRead(HostHandle h, void* buffer, uint32_t count, uint64_t offset) {
  Clock::time_point t = Clock::now();
  int64_t n = HOST_POSIX_FILE_OPS.read(h, buffer, count, offset);
  if (g_counting) {
    g_io.readSec += std::chrono::duration<double>(Clock::now() - t).count();
    g_io.reads++, g_io.readBytes += count;
  }
  return n;
}

int64_t countWrite(HostHandle h, const void* buffer, uint32_t count, uint64_t offset, bool* full) {
  Clock::time_point t = Clock::now();
  int64_t n = HOST_POSIX_FILE_OPS.write(h, buffer, count, offset, full);
  if (g_counting) {
    g_io.writeSec += std::chrono::duration<double>(Clock::now() - t).count();
    g_io.writes++, g_io.writeBytes += count;
  }
  return n;
}

Err countTruncate(HostHandle h, uint64_t size) {
  if (g_counting) g_io.truncates++;
  return HOST_POSIX_FILE_OPS.truncate(h, size);
}

// --- repair ---------------------------------------------------------------------

struct Stages {
  Clock::time_point start, sort, dupes;
  bool sortSeen, dupesSeen;
};

bool noteStage(FourCC stage, uint32_t, uint32_t, uintptr_t arg) {
  Stages* s = reinterpret_cast<Stages*>(arg);
  if (stage == FCC("$Srt") && !s->sortSeen) s->sort = Clock::now(), s->sortSeen = true;
  if (stage == FCC("$Dup") && !s->dupesSeen) s->dupes = Clock::now(), s->dupesSeen = true;
  return true;
}

std::string shuffledName(uint32_t n) { return "shuffled" + std::to_string(n) + ".pdb"; }

void BM_Repair(benchmark::State& state) {
  uint32_t n = uint32_t(state.range(0));
  Bytes shuffled = shuffledSample(n, 2);
  double scan = 0, sort = 0, dupes = 0;
  RepairCounts counts{};
  g_io = {};
  for (auto _ : state) {
    state.PauseTiming();
    writeFile("repair.pdb", shuffled);
    ContactStoreReset();
    ContactDb* db = openDb("repair.pdb", true);
    Stages s{};
    g_counting = true;
    state.ResumeTiming();
    s.start = Clock::now();
    must(ContactRepairRun(db, 0, noteStage, uintptr_t(&s), &counts) == 0, "ContactRepairRun");
    Clock::time_point end = Clock::now();
    state.PauseTiming();
    g_counting = false;
    ContactDbClose(&db);
    if (s.sortSeen && s.dupesSeen) {
      scan += std::chrono::duration<double>(s.sort - s.start).count();
      sort += std::chrono::duration<double>(s.dupes - s.sort).count();
      dupes += std::chrono::duration<double>(end - s.dupes).count();
    }
    state.ResumeTiming();
  }
  double it = double(state.iterations());
  state.counters["scanMs"] = scan * 1000 / it;
  state.counters["sortMs"] = sort * 1000 / it;
  state.counters["dupesMs"] = dupes * 1000 / it;
  state.counters["readMB"] = double(g_io.readBytes) / 1048576 / it;
  state.counters["writeMB"] = double(g_io.writeBytes) / 1048576 / it;
  state.counters["ioMs"] = (g_io.readSec + g_io.writeSec) * 1000 / it;
  state.counters["truncs"] = double(g_io.truncates) / it;
  state.counters["dupes"] = counts.dupes;
  state.counters["mended"] = counts.nulls + counts.shortened + counts.extended;
}

// DB_Sort alone on the same shuffled file, counting comparisons and I/O.
uint64_t g_compares;
int16_t countingCompare(const uint8_t* a, uint32_t aSize, const uint8_t* b, uint32_t bSize,
                        uintptr_t user) {
  g_compares++;
  return ContactCompareRecords(a, aSize, b, bSize, user);
}

void BM_SortOnly(benchmark::State& state) {
  uint32_t n = uint32_t(state.range(0));
  Bytes shuffled = shuffledSample(n, 2);
  g_compares = 0;
  g_io = {};
  for (auto _ : state) {
    state.PauseTiming();
    writeFile("sort.pdb", shuffled);
    ContactDb* db = openDb("sort.pdb", true);
    db->sortMode = 0;
    g_counting = true;
    state.ResumeTiming();
    must(DB_Sort(db->file, countingCompare, uintptr_t(db)) == 0, "DB_Sort");
    state.PauseTiming();
    g_counting = false;
    ContactDbClose(&db);
    state.ResumeTiming();
  }
  double it = double(state.iterations());
  state.counters["compares"] = double(g_compares) / it;
  state.counters["reads"] = double(g_io.reads) / it;
  state.counters["readMB"] = double(g_io.readBytes) / 1048576 / it;
  state.counters["readMs"] = g_io.readSec * 1000 / it;
  state.counters["writes"] = double(g_io.writes) / it;
  state.counters["writeMB"] = double(g_io.writeBytes) / 1048576 / it;
  state.counters["writeMs"] = g_io.writeSec * 1000 / it;
  state.counters["truncs"] = double(g_io.truncates) / it;
}

// The sort a file could have: every record read once into memory (a copy
// each), stably sorted there with the same comparison, the new record order
// laid out as one image to be written in one pass.
void BM_FloorSortInMemory(benchmark::State& state) {
  std::string name = shuffledName(uint32_t(state.range(0)));
  ContactDb layout{};
  ContactUseLayout(&layout, true);
  layout.sortMode = 0;
  for (auto _ : state) {
    FileRef f = nullptr;
    must(FIL_Open(&f, VOL_DOCUMENTS, "!", name.c_str(), FIL_MODE_READ) == 0, "FIL_Open");
    uint16_t n = DB_NumRecords(f);
    std::vector<Bytes> records(n);
    for (uint16_t i = 0; i < n; i++) {
      RecordRef rec = nullptr;
      const uint8_t* p = static_cast<const uint8_t*>(DB_GetRecord(&rec, f, i, 0, 0));
      must(p != nullptr, "DB_GetRecord");
      records[i].assign(p, p + DB_RecordLength(rec));
      (void)DB_ReleaseRecord(&rec);
    }
    FIL_Close(&f);
    std::vector<uint16_t> order(n);
    for (uint16_t i = 0; i < n; i++) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](uint16_t a, uint16_t b) {
      return ContactCompare(&layout, records[a].data(), uint32_t(records[a].size()),
                            records[b].data(), uint32_t(records[b].size())) < 0;
    });
    Bytes image;
    for (uint16_t i : order) image.insert(image.end(), records[i].begin(), records[i].end());
    benchmark::DoNotOptimize(image.data());
  }
}

// Floor: reading every record of the shuffled file once.
void BM_FloorReadShuffled(benchmark::State& state) {
  std::string name = shuffledName(uint32_t(state.range(0)));
  readAll(state, name.c_str());
}

BENCHMARK(BM_SampleBuild)->Arg(CONTACTS)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColumnText)->Arg(4)->Arg(23)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorReadEveryRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Repair)->Arg(2000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Repair)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortOnly)->Arg(2000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortOnly)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorReadShuffled)->Arg(2000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorSortInMemory)->Arg(2000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!BenchStart()) return 1;
  // The program's resource store: the "ADDR" templates, labels, defaults.
  if (RES_Open(BRANTEL_APP_PATH) != 0 || !RES_StoreLoaded()) {
    fprintf(stderr, "bench_contacts: no resource store in %s\n", BRANTEL_APP_PATH);
    return 1;
  }
  ParseColumnsReset();
  SamplePrefsDefaults();
  ContactStoreReset();
  Bytes sample;
  must(SampleBuild({true, CONTACTS, 1}, &sample) == 0, "SampleBuild");
  writeFile("sample.pdb", sample);
  for (uint32_t n : {2000u, 10000u}) writeFile(shuffledName(n), shuffledSample(n, 2));
  benchmark::AddCustomContext("sample", BenchFolder() + " (" + std::to_string(CONTACTS) +
                                            " contacts, " + std::to_string(sample.size()) +
                                            " bytes, seed 1)");
  g_countingOps = HOST_POSIX_FILE_OPS;
  g_countingOps.read = countRead;
  g_countingOps.write = countWrite;
  g_countingOps.truncate = countTruncate;
  HOST_SetFileOps(&g_countingOps);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  BenchStop();
  return 0;
}
