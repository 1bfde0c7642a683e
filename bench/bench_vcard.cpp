// vCard export figure: the cards of every contact of a 10,000-contact sample
// (record fetched, card built, card freed), in cards per second, beside the
// floor of writing the same field texts, already extracted into memory,
// one after another into a text with their property names and line ends.
// Owns a temporary folder (removed at exit); results go to
// docs/benchmarks.md.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "dbase.h"
#include "kova.h"
#include "sample.h"
#include "vcard.h"

namespace {

constexpr uint32_t CONTACTS = 10000;

void must(bool ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "bench_vcard: %s failed\n", what);
    abort();
  }
}

ContactDb* openSample() {
  FileRef f = nullptr;
  must(FIL_Open(&f, VOL_DOCUMENTS, "!", "sample.pdb", FIL_MODE_READ) == 0, "FIL_Open");
  ContactDb* db = nullptr;
  must(ContactDbAttach(&db, f, true) == 0, "ContactDbAttach");
  return db;
}

void BM_VCardEveryContact(benchmark::State& state) {
  uint64_t bytes = 0, cards = 0;
  for (auto _ : state) {
    ContactDb* db = openSample();
    VCardSeries series;
    VCardSeriesStart(&series, db, nullptr, 0, DB_NumRecords(db->file));
    const char* card = nullptr;
    while (uint32_t n = VCardNextCard(&series, &card)) bytes += n, cards++;
    must(series.error == 0, "VCardNextCard");
    VCardSeriesEnd(&series);
    ContactDbClose(&db);
  }
  state.counters["cards/s"] = benchmark::Counter(double(cards), benchmark::Counter::kIsRate);
  state.counters["cardKB"] = double(bytes) / 1024 / double(cards ? cards : 1);
}

// Every stored text of every contact, with its kind, read once up front.
struct Field {
  FieldKind kind;
  std::string text;
};
std::vector<std::vector<Field>> g_fields;

void extractFields() {
  ContactDb* db = openSample();
  for (uint16_t i = 0; i < DB_NumRecords(db->file); i++) {
    ContactRec rec;
    must(ContactFetch(&rec, db, i) == 0, "ContactFetch");
    std::vector<Field> fields;
    for (int16_t k = 0; k < int16_t(FieldKind::Birthday); k++)
      for (int16_t n = 0; n < 9; n++) {
        char* text = ContactGetField(&rec, FieldKind(k), n, nullptr, 0, FIELD_NULL_IF_ABSENT);
        if (text && *text) fields.push_back({FieldKind(k), text});
        MEM_Free(text);
      }
    g_fields.push_back(std::move(fields));
    ContactRelease(&rec);
  }
  ContactDbClose(&db);
}

// Floor: the same texts copied with a property name and a line end each.
void BM_FloorFormatInMemory(benchmark::State& state) {
  static const char* const kNames[] = {
      "N:",   "N:",     "ORG:",   "TEL:", "ADR:",    "ADR:",  "ADR:", "ADR:",
      "ADR:", "TITLE:", "X-AIM:", "URL:", "X-PALM:", "NOTE:", "BDAY:"};
  uint64_t bytes = 0, cards = 0;
  std::string text;
  for (auto _ : state) {
    for (const std::vector<Field>& contact : g_fields) {
      text.assign("BEGIN:VCARD\r\nVERSION:2.1\r\nX-PALM:4.0\r\n");
      for (const Field& f : contact) {
        text += kNames[int(f.kind)];
        text += f.text;
        text += "\r\n";
      }
      text += "END:VCARD\r\n";
      bytes += text.size();
      cards++;
      benchmark::DoNotOptimize(text.data());
    }
  }
  state.counters["cards/s"] = benchmark::Counter(double(cards), benchmark::Counter::kIsRate);
  state.counters["cardKB"] = double(bytes) / 1024 / double(cards ? cards : 1);
}

BENCHMARK(BM_VCardEveryContact)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorFormatInMemory)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!BenchStart()) return 1;
  if (RES_Open(BRANTEL_APP_PATH) != 0 || !RES_StoreLoaded()) {
    fprintf(stderr, "bench_vcard: no resource store in %s\n", BRANTEL_APP_PATH);
    return 1;
  }
  ParseColumnsReset();
  SamplePrefsDefaults();
  ContactStoreReset();
  std::vector<uint8_t> sample;
  must(SampleBuild({true, CONTACTS, 1}, &sample) == 0, "SampleBuild");
  BenchWriteData("sample.pdb", sample);
  extractFields();
  benchmark::AddCustomContext("sample", std::to_string(CONTACTS) + " contacts, " +
                                            std::to_string(sample.size()) + " bytes, seed 1");
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  BenchStop();
  return 0;
}
