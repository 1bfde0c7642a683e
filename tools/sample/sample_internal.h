// Pieces shared by the sample generator's files: the word lists a contact is
// made from (in the handheld's character set) and the one-record builder.
// Not for use outside tools/sample.
#pragma once

#include <string>

#include "parse.h"
#include "sample.h"

// A list of texts to pick from.
struct SampleList {
  const char* const* items;
  uint32_t count;
};

// A place: city, state (may be empty), zip pattern ("#" is a digit) and
// country.
struct SamplePlace {
  const char* city;
  const char* state;
  const char* zip;
  const char* country;
};

extern const SampleList SAMPLE_FIRST_NAMES;
extern const SampleList SAMPLE_LAST_NAMES;
extern const SampleList SAMPLE_COMPANIES;
extern const SampleList SAMPLE_TITLES;
extern const SampleList SAMPLE_STREETS;  // "#" is a digit, "\n" a second line
extern const SampleList SAMPLE_DOMAINS;
extern const SampleList SAMPLE_GROUPS;
extern const SampleList SAMPLE_NOTE_LINES;
extern const SampleList SAMPLE_CUSTOM_TEXTS;  // custom values without a prefix
extern const SampleList SAMPLE_PHONE_PATTERNS;
extern const SamplePlace SAMPLE_PLACES[];
extern const uint32_t SAMPLE_PLACE_COUNT;
// The category names the sample gives categories 4 … 15.
extern const char* const SAMPLE_CATEGORY_NAMES[12];

const char* SamplePick(SampleRng* rng, const SampleList& list);
// `pattern` with every "#" replaced by a digit (the first one 1-9).
std::string SampleDigits(SampleRng* rng, const char* pattern);
// The text folded to lower-case ASCII letters and digits (accents dropped,
// everything else left out), for e-mail addresses and handles.
std::string SampleAscii(const std::string& text);

// Fills the fetched empty record `rec` with one random contact through the
// accessor (ContactSetField, ContactSetInfo, ContactSetPicture). Returns 0
// or the first failing call's Err.
[[nodiscard]] Err SampleFillContact(ContactRec* rec, SampleRng* rng, bool contacts);
