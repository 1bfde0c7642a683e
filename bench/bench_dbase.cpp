// Record database figures, each beside its in-memory floor in the same run:
// opening and reading every record of a 32,000-record contact-sized file;
// one insert, resize and delete in its middle; DB_Sort of shuffled files of
// 2,000 and 10,000 records. A counting host file table reports where the
// time goes (reads, writes, flushes, truncations, comparisons). Owns a
// temporary folder (removed at exit); results go to docs/benchmarks.md.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "host_file.h"
#include "kova.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t CONTACTS = 32000;
constexpr uint16_t MIDDLE = CONTACTS / 2;
constexpr uint32_t NEW_SIZE = 130;  // a typical contact
constexpr uint32_t GROWTH = 40;     // a resize adds a field

// --- a counting host file table ---------------------------------------------

// Reads up to SMALL_READ bytes are record fetches and list windows; larger
// ones are the chunks of byte moves.
constexpr uint32_t SMALL_READ = 1024;

struct IoCounts {
  uint64_t reads, smallReads, readBytes, writes, writeBytes, syncs, truncates, compares;
  double readSec, smallReadSec, writeSec, syncSec;

  void add(const IoCounts& o) {
    reads += o.reads, smallReads += o.smallReads, readBytes += o.readBytes;
    writes += o.writes, writeBytes += o.writeBytes, syncs += o.syncs;
    truncates += o.truncates, compares += o.compares;
    readSec += o.readSec, smallReadSec += o.smallReadSec, writeSec += o.writeSec;
    syncSec += o.syncSec;
  }
};
IoCounts g_io;
HostFileOps g_countingOps;

double since(Clock::time_point t) {
  return std::chrono::duration<double>(Clock::now() - t).count();
}

int64_t countRead(HostHandle h, void* buffer, uint32_t count, uint64_t offset) {
  Clock::time_point t = Clock::now();
  int64_t n = HOST_POSIX_FILE_OPS.read(h, buffer, count, offset);
  double sec = since(t);
  g_io.readSec += sec;
  g_io.reads++;
  if (count <= SMALL_READ) g_io.smallReads++, g_io.smallReadSec += sec;
  g_io.readBytes += count;
  return n;
}

int64_t countWrite(HostHandle h, const void* buffer, uint32_t count, uint64_t offset, bool* full) {
  Clock::time_point t = Clock::now();
  int64_t n = HOST_POSIX_FILE_OPS.write(h, buffer, count, offset, full);
  g_io.writeSec += since(t);
  g_io.writes++;
  g_io.writeBytes += count;
  return n;
}

Err countSync(HostHandle h) {
  Clock::time_point t = Clock::now();
  Err err = HOST_POSIX_FILE_OPS.sync(h);
  g_io.syncSec += since(t);
  g_io.syncs++;
  return err;
}

Err countTruncate(HostHandle h, uint64_t size) {
  g_io.truncates++;
  return HOST_POSIX_FILE_OPS.truncate(h, size);
}

// Per-iteration counters of the measured part.
void report(benchmark::State& state, const IoCounts& io) {
  double n = double(state.iterations());
  auto avg = [&](double v) { return benchmark::Counter(v / n); };
  state.counters["reads"] = avg(double(io.reads));
  state.counters["smallReads"] = avg(double(io.smallReads));
  state.counters["smallReadMs"] = avg(io.smallReadSec * 1000);
  state.counters["readKB"] = avg(double(io.readBytes) / 1024);
  state.counters["writes"] = avg(double(io.writes));
  state.counters["writeKB"] = avg(double(io.writeBytes) / 1024);
  state.counters["syncs"] = avg(double(io.syncs));
  state.counters["truncs"] = avg(double(io.truncates));
  state.counters["readMs"] = avg(io.readSec * 1000);
  state.counters["writeMs"] = avg(io.writeSec * 1000);
  state.counters["syncMs"] = avg(io.syncSec * 1000);
  if (io.compares) state.counters["compares"] = avg(double(io.compares));
}

// --- files -------------------------------------------------------------------

std::vector<Bytes> contactRecords(uint32_t count, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<Bytes> records(count);
  for (Bytes& r : records) {
    r.resize(60 + rng() % 141);  // 60-200 bytes
    for (uint8_t& c : r) c = uint8_t(" abcdefghijklmnopqrstuvwxyz"[rng() % 27]);
  }
  return records;
}

// A record database image: header, list, 2-byte gap, a 638-byte
// application-info block (as address books have), data.
Bytes image(const std::vector<Bytes>& records) {
  const uint32_t n = uint32_t(records.size()), appInfo = 78 + 8 * n + 2;
  Bytes b(appInfo + 638, 0);
  memcpy(b.data(), "BenchDB", 7);
  Put16BE(b.data() + 32, 0x0008);
  Put32BE(b.data() + 52, appInfo);
  memcpy(b.data() + 60, "DATAaddr", 8);
  Put16BE(b.data() + 76, uint16_t(n));
  for (uint32_t i = 0; i < n; i++) {
    Put32BE(b.data() + 78 + 8 * i, uint32_t(b.size()));
    b[78 + 8 * i + 4] = 0x40;
    Put24BE(b.data() + 78 + 8 * i + 5, i + 1);
    b.insert(b.end(), records[i].begin(), records[i].end());
  }
  return b;
}

void writeFile(const char* name, const Bytes& bytes) { BenchWriteData(name, bytes); }

FileRef open(const char* name, int16_t mode) {
  FileRef f = nullptr;
  if (FIL_Open(&f, VOL_DOCUMENTS, "!", name, mode) != 0) abort();
  return f;
}

void must(Err err) {
  if (err != 0) abort();
}

// --- (a) reading every record ------------------------------------------------

void BM_OpenReadAllRecords(benchmark::State& state) {
  uint64_t sum = 0;
  g_io = {};
  for (auto _ : state) {
    FileRef f = open("contacts.pdb", FIL_MODE_READ);
    uint16_t n = DB_NumRecords(f);
    for (uint16_t i = 0; i < n; i++) {
      RecordRef rec;
      uint8_t* p = static_cast<uint8_t*>(DB_GetRecord(&rec, f, i, 0, 0));
      sum += p[0] + DB_RecordLength(rec);
      (void)DB_ReleaseRecord(&rec);
    }
    FIL_Close(&f);
  }
  benchmark::DoNotOptimize(sum);
  report(state, g_io);
}

void BM_OpenReadAllRecordBytes(benchmark::State& state) {
  uint64_t sum = 0;
  uint8_t buffer[256];
  g_io = {};
  for (auto _ : state) {
    FileRef f = open("contacts.pdb", FIL_MODE_READ);
    uint16_t n = DB_NumRecords(f);
    for (uint16_t i = 0; i < n; i++) {
      uint32_t size = DB_RecordSize(f, i);
      must(DB_ReadRecordBytes(f, i, 0, size, buffer));
      sum += buffer[0] + size;
    }
    FIL_Close(&f);
  }
  benchmark::DoNotOptimize(sum);
  report(state, g_io);
}

// Floor: the whole file in one read, split into records in memory.
void BM_FloorReadWholeAndSplit(benchmark::State& state) {
  uint64_t sum = 0;
  std::vector<std::pair<const uint8_t*, uint32_t>> records;
  for (auto _ : state) {
    FileRef f = open("contacts.pdb", FIL_MODE_READ);
    Bytes whole(uint32_t(FIL_Size(f)));
    if (FIL_Read(f, whole.data(), uint32_t(whole.size())) != whole.size()) abort();
    FIL_Close(&f);
    uint32_t n = Get16BE(whole.data() + 76);
    records.clear();
    for (uint32_t i = 0; i < n; i++) {
      uint32_t at = Get32BE(whole.data() + 78 + 8 * i);
      uint32_t end = i + 1 < n ? Get32BE(whole.data() + 78 + 8 * (i + 1)) : uint32_t(whole.size());
      records.emplace_back(whole.data() + at, end - at);
      sum += whole[at] + (end - at);
    }
    benchmark::DoNotOptimize(records.data());
  }
  benchmark::DoNotOptimize(sum);
}

// --- (b) one structural change in the middle ----------------------------------

// Times `change` only; `restore` puts the file back (untimed).
template <typename Change, typename Restore>
void timeChange(benchmark::State& state, Change change, Restore restore) {
  FileRef f = open("change.pdb", FIL_MODE_READ_WRITE);
  IoCounts io = {};
  for (auto _ : state) {
    g_io = {};
    Clock::time_point t = Clock::now();
    change(f);
    state.SetIterationTime(since(t));
    io.add(g_io);
    restore(f);
  }
  FIL_Close(&f);
  report(state, io);
}

void BM_InsertMiddle(benchmark::State& state) {
  timeChange(
      state, [](FileRef f) { must(DB_InsertRecords(f, MIDDLE, NEW_SIZE, 1, nullptr)); },
      [](FileRef f) { must(DB_DeleteRecords(f, MIDDLE, 1, nullptr)); });
}

void BM_ResizeMiddle(benchmark::State& state) {
  static uint32_t size;
  timeChange(
      state,
      [](FileRef f) {
        size = DB_RecordSize(f, MIDDLE);
        must(DB_ResizeRecord(f, MIDDLE, size + GROWTH, nullptr));
      },
      [](FileRef f) { must(DB_ResizeRecord(f, MIDDLE, size, nullptr)); });
}

void BM_DeleteMiddle(benchmark::State& state) {
  static Bytes saved;
  static uint8_t attributes, category;
  timeChange(
      state,
      [](FileRef f) {
        saved.resize(DB_RecordSize(f, MIDDLE));
        must(DB_ReadRecordBytes(f, MIDDLE, 0, uint32_t(saved.size()), saved.data()));
        must(DB_RecordInfo(f, MIDDLE, &attributes, &category));
        must(DB_DeleteRecords(f, MIDDLE, 1, nullptr));
      },
      [](FileRef f) {
        must(DB_InsertRecords(f, MIDDLE, uint32_t(saved.size()), 1, nullptr));
        must(DB_WriteRecordAt(f, MIDDLE, 0, saved.data(), uint32_t(saved.size())));
        must(DB_SetRecordInfo(f, MIDDLE, &attributes, &category));
      });
}

// Floor: the same bytes moved by memmove in memory (the list from the
// change on and all data behind it for an insert; the data behind the
// record for a resize).
void BM_FloorMemmove(benchmark::State& state) {
  static Bytes file = image(contactRecords(CONTACTS, 1));
  uint32_t listAt = 78 + 8 * MIDDLE;
  uint32_t from = state.range(0) == 0 ? listAt : Get32BE(file.data() + 78 + 8 * (MIDDLE + 1));
  uint32_t by = state.range(0) == 0 ? 8 + NEW_SIZE : GROWTH;
  Bytes buffer(file.size() + by);
  memcpy(buffer.data(), file.data(), file.size());
  for (auto _ : state) {
    memmove(buffer.data() + from + by, buffer.data() + from, file.size() - from);
    benchmark::ClobberMemory();
  }
  state.counters["movedKB"] = double(file.size() - from) / 1024;
}

// --- (c) sorting -----------------------------------------------------------------

int16_t compareBytes(const uint8_t* a, uint32_t aSize, const uint8_t* b, uint32_t bSize,
                     uintptr_t) {
  g_io.compares++;
  uint32_t n = std::min(aSize, bSize);
  int c = n ? memcmp(a, b, n) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  return aSize < bSize ? -1 : aSize > bSize ? 1 : 0;
}

void BM_Sort(benchmark::State& state) {
  uint32_t n = uint32_t(state.range(0));
  Bytes shuffled = image(contactRecords(n, 2));
  std::string name = "sort" + std::to_string(n) + ".pdb";
  IoCounts io = {};
  for (auto _ : state) {
    state.PauseTiming();
    writeFile(name.c_str(), shuffled);
    FileRef f = open(name.c_str(), FIL_MODE_READ_WRITE);
    g_io = {};
    state.ResumeTiming();
    must(DB_Sort(f, compareBytes, 0));
    state.PauseTiming();
    io.add(g_io);
    FIL_Close(&f);
    state.ResumeTiming();
  }
  report(state, io);
}

// Floor: std::stable_sort of the same records already in memory.
void BM_FloorStableSort(benchmark::State& state) {
  std::vector<Bytes> records = contactRecords(uint32_t(state.range(0)), 2);
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<Bytes> copy = records;
    state.ResumeTiming();
    std::stable_sort(copy.begin(), copy.end());  // unsigned bytes, prefix first
    benchmark::DoNotOptimize(copy.data());
  }
}

BENCHMARK(BM_OpenReadAllRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenReadAllRecordBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorReadWholeAndSplit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertMiddle)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResizeMiddle)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteMiddle)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorMemmove)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort)->Arg(2000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorStableSort)->Arg(2000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!BenchStart()) return 1;
  g_countingOps = HOST_POSIX_FILE_OPS;
  g_countingOps.read = countRead;
  g_countingOps.write = countWrite;
  g_countingOps.sync = countSync;
  g_countingOps.truncate = countTruncate;
  HOST_SetFileOps(&g_countingOps);
  Bytes contacts = image(contactRecords(CONTACTS, 1));
  writeFile("contacts.pdb", contacts);
  writeFile("change.pdb", contacts);
  benchmark::AddCustomContext(
      "file", BenchFolder() + " (" + std::to_string(contacts.size()) + "-byte contact file)");
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  BenchStop();
  return 0;
}
