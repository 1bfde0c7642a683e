// The sample database generator: realistic address books of either layout
// (names with accents of the handheld's character set, companies, phones,
// e-mail, web and chat, addresses, prefixed custom fields, tagged notes,
// birthdays, pictures, categories, private and deleted records), the same
// bytes for the same seed. Every record is built through the contact
// accessor on a scratch database on the RAM disk, then the records are put
// into the handheld's native order in memory and written in one go.
// Owns no state between calls; uses the RAM disk volume while building.
#pragma once

#include <cstdint>
#include <vector>

#include "kova.h"

// A small deterministic generator (splitmix64): the same seed gives the
// same numbers with every compiler and library.
struct SampleRng {
  uint64_t state;
};
uint64_t SampleNext(SampleRng* rng);
// A number in [0, n); 0 when n is 0.
uint32_t SampleBelow(SampleRng* rng, uint32_t n);
// True with the given chance in percent.
bool SampleChance(SampleRng* rng, uint32_t percent);

inline constexpr uint32_t SAMPLE_MAX_COUNT = 65535;  // the most records a database holds

struct SampleOptions {
  bool contacts;  // true: ContactsDB-PAdd; false: AddressDB
  uint32_t count;
  uint64_t seed;
};

// One generated record: its bytes, the on-disk attribute byte (0x80 deleted,
// 0x40 dirty, 0x10 private, low nibble the category) and its unique ID.
struct SampleRecord {
  std::vector<uint8_t> bytes;
  uint8_t attributes;
  uint32_t uniqueId;
};

// Sets g_prefs to the program's defaults taken from the resource store (not
// the user's saved file), so that everything built or printed from it is
// the same on every machine. Needs the resource store open.
void SamplePrefsDefaults();

// Builds `options.count` records in generation order (unique IDs 1 … N).
// Needs the memory manager, the file layer and the resource store started
// and g_prefs set (SamplePrefsDefaults). Returns 0, ERR_FILE_PARAM for a
// count above SAMPLE_MAX_COUNT, or the first error of the accessor or the
// RAM disk (nothing is kept then).
[[nodiscard]] Err SampleMakeRecords(const SampleOptions& options, std::vector<SampleRecord>* out);

// Puts the records into the native order of the handheld's address app:
// live records by ContactCompare in last-name order, then every deleted
// record, each group keeping its relative order.
void SampleSortRecords(bool contacts, std::vector<SampleRecord>* records);

// The whole PDB file of the records in their given order: the header and
// application-info block of the empty database template ("ADDR" 2 or 1)
// with the sample's category names, fixed dates and the unique-ID seed.
// Returns 0, ERR_FILE when the template is missing, ERR_FILE_PARAM when the
// records do not fit one database file.
[[nodiscard]] Err SampleImage(bool contacts, const std::vector<SampleRecord>& records,
                              std::vector<uint8_t>* out);

// All three steps: the file image of a sample database in native order.
[[nodiscard]] Err SampleBuild(const SampleOptions& options, std::vector<uint8_t>* out);

// Draws a 72 x 72 picture for a contact into a new 24-bit surface: a
// colour gradient with the initials `a` and `b` (A-Z; other bytes leave
// the letter out) in block letters. Returns 0 or the surface error.
[[nodiscard]] Err SamplePicture(SampleRng* rng, char a, char b, ImgSurface** out);
