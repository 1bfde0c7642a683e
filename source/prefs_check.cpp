// The preference block's checks and the values taken from string resources:
// range checks after every load, the phone templates, quick dial names,
// custom labels and note metadata prefixes. Owns no state.
#include <algorithm>
#include <cstring>
#include <iterator>

#include "prefs.h"
#include "prefs_dialogs_internal.h"

namespace {

// The six list layouts a start may open.
constexpr FourCC kLayouts[] = {FCC("Main"), FCC("Indx"), FCC("Splt"),
                               FCC("Bare"), FCC("Dial"), FCC("Fing")};

constexpr uint16_t kFonts[] = {PREFS_FONT_STANDARD,   PREFS_FONT_BOLD, PREFS_FONT_LARGE,
                               PREFS_FONT_LARGE_BOLD, PREFS_FONT_TINY, PREFS_FONT_CUSTOM};

// A four-character name built at run time ("$Cn" + '1').
FourCC nameOf(const char* prefix3, char last) {
  return (FourCC(uint8_t(prefix3[0])) << 24) | (FourCC(uint8_t(prefix3[1])) << 16) |
         (FourCC(uint8_t(prefix3[2])) << 8) | FourCC(uint8_t(last));
}

int64_t readElement(const PrefsField& f, const uint8_t* mem) {
  uint16_t u16;
  int16_t i16;
  uint32_t u32;
  int32_t i32;
  switch (f.kind) {
    case PREFS_U8:
      return *mem;
    case PREFS_U16:
      return memcpy(&u16, mem, 2), u16;
    case PREFS_I16:
      return memcpy(&i16, mem, 2), i16;
    case PREFS_U32:
      return memcpy(&u32, mem, 4), u32;
    case PREFS_I32:
      return memcpy(&i32, mem, 4), i32;
    default:
      return 0;
  }
}

bool numeric(PrefsKind kind) { return kind <= PREFS_I32; }

// Every numeric element outside its range takes the default's element;
// every text slot ends with a zero byte.
void clampFields(Prefs* p, const Prefs* defaults) {
  uint8_t* base = reinterpret_cast<uint8_t*>(p);
  const uint8_t* def = reinterpret_cast<const uint8_t*>(defaults);
  for (uint32_t i = 0; i < PREFS_FIELD_COUNT; ++i) {
    const PrefsField& f = PREFS_FIELDS[i];
    uint32_t step = PrefsElementBytes(f.kind, f.textBytes);
    for (uint32_t k = 0; k < f.count; ++k) {
      uint8_t* mem = base + f.member + k * step;
      if (f.kind == PREFS_TEXT) {
        mem[step - 1] = 0;
      } else if (numeric(f.kind)) {
        int64_t v = readElement(f, mem);
        if (v < f.lo || v > f.hi) memcpy(mem, def + f.member + k * step, step);
      }
    }
  }
}

bool printable(FourCC code) {
  for (int shift = 0; shift < 32; shift += 8) {
    uint8_t c = uint8_t(code >> shift);
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

// The checks whose rule is more than a range: run before the ranges.
void checkSpecial(Prefs* p, const Prefs* defaults) {
  // A timeout below 200 was saved in seconds.
  int32_t seek = p->seekTimeoutMs;
  if (seek <= 0) seek = defaults->seekTimeoutMs;
  if (seek < 200) seek *= 1000;
  p->seekTimeoutMs = int16_t(seek > 3000 ? 3000 : seek);
  if (p->startCategory > 15 && p->startCategory != PREFS_START_KEEP &&
      p->startCategory != PREFS_START_ALL)
    p->startCategory = defaults->startCategory;
  if (std::find(std::begin(kLayouts), std::end(kLayouts), p->startForm) == std::end(kLayouts))
    p->startForm = FCC("Main");
  for (int slot = 0; slot < PREFS_FONT_SLOTS; ++slot) {
    if (std::find(std::begin(kFonts), std::end(kFonts), p->fontBySlot[slot]) == std::end(kFonts))
      p->fontBySlot[slot] = defaults->fontBySlot[slot];
  }
  if (p->dialDriver != 0 && !printable(p->dialDriver)) p->dialDriver = defaults->dialDriver;
}

}  // namespace

void PrefsCheck(Prefs* p) {
  Prefs defaults;
  PrefsSetDefaults(&defaults);
  checkSpecial(p, &defaults);
  clampFields(p, &defaults);  // jpegQuality 0 or above 99 becomes 50 here
  if (p->startCategory != PREFS_START_KEEP)
    p->currentCategory = p->startCategory == PREFS_START_ALL ? -1 : int16_t(p->startCategory);
}

void PrefsClampRanges(Prefs* p) {
  // After a dialog's write-back: the ranges only, so the current category
  // stays where the user left it.
  Prefs defaults;
  PrefsSetDefaults(&defaults);
  checkSpecial(p, &defaults);
  clampFields(p, &defaults);
  // Settings chosen from pop-ups hold one of the pop-up's entries.
  if (p->listColumn > PREFS_LIST_COLUMN_MAX) p->listColumn = defaults.listColumn;
  if (p->signalDisplay > PREFS_SIGNAL_MAX) p->signalDisplay = defaults.signalDisplay;
  if (p->fanMode > PREFS_FAN_MAX) p->fanMode = defaults.fanMode;
}

void PrefsCountTemplateDigits(Prefs* p) {
  for (int i = 0; i < 5; ++i) {
    uint8_t n = 0;
    for (const char* c = p->phoneTemplates[i]; *c; ++c) n += (*c >= '0' && *c <= '9');
    p->templateDigits[i] = n;
  }
}

void PrefsLoadResourceDefaults(Prefs* p, bool customFonts) {
  // Large Bold (7) exists on every platform this program runs on; only the
  // custom font depends on the text module.
  for (uint16_t& font : p->fontBySlot) {
    if (font == PREFS_FONT_CUSTOM && !customFonts) font = PREFS_FONT_STANDARD;
  }
  for (int i = 0; i < 5; ++i)
    (void)RES_GetString(nameOf("$PF", char('0' + i)), p->phoneTemplates[i],
                        sizeof p->phoneTemplates[i]);
  for (int i = 0; i < 7; ++i)
    (void)RES_GetString(nameOf("$Qd", char('0' + i)), p->quickDialNames[i],
                        sizeof p->quickDialNames[i]);
  // The category colours are the built-in table of the defaults.
}

void PrefsLoadAfterRead(Prefs* p) {
  // 5. digits of each phone template.
  PrefsCountTemplateDigits(p);
  // 7. a label the user gave a custom field is shown from the resource
  // again; an empty one stays empty.
  static const char kLabelDigits[] = "123456789A";
  for (int i = 0; i < 10; ++i) {
    if (!p->customLabels[i][0]) continue;
    char text[sizeof p->customLabels[i]];
    if (RES_GetString(nameOf("$Cn", kLabelDigits[i]), text, sizeof text) == 0)
      memcpy(p->customLabels[i], text, sizeof text);
  }
  // 8. the note metadata prefixes, one a line, at most 20 characters each.
  char all[128];
  memset(p->notePrefixes, 0, sizeof p->notePrefixes);
  if (RES_GetString(FCC("$NPr"), all, sizeof all) != 0) return;
  const char* line = all;
  for (int i = 0; i < 3 && *line; ++i) {
    const char* end = strchr(line, '\n');
    size_t n = end ? size_t(end - line) : strlen(line);
    memcpy(p->notePrefixes[i], line, n < 20 ? n : 20);
    line += n + (end ? 1 : 0);
  }
}
