// Prefixes at the start of a line: the note tag keywords, the note metadata
// names ("Note Date", "Linked To", "In Group") and the custom-field prefixes
// of "$Pre"; the walk over a note's leading tag lines and the note date.
// Owns the "$Pre" list, parsed once per run.
#include <cstring>

#include "parse_columns_internal.h"
#include "prefs.h"

namespace {

// Family 1: tag keywords, matched with their own punctuation.
const char* const kTagKeywords[] = {
    "#AN",  "ADV:",  "ALRM:",   "ANNIV:", "BDAY:", "CLR:", "CONLIST:", "FNTFX:",  "ICON:",
    "LOC:", "PHTO:", "RNG_TN:", "ROLL:",  "RPT:",  "SND:", "SND_EX:",  "TR_IMP:", "U_I:",
};

// Family 3: the "$Pre" entries. A separator (an entry that begins with
// 0x97) is kept as "" so that every entry keeps its index.
constexpr int PREFIX_SLOTS = 64;
constexpr uint32_t PREFIX_ENTRY_MAX = 19;
constexpr uint8_t PREFIX_SEPARATOR = 0x97;

struct PrefixCache {
  bool loaded;
  int16_t count;
  char entries[PREFIX_SLOTS][PREFIX_ENTRY_MAX + 1];
};
PrefixCache g_prefixes;

void loadPrefixes() {
  if (g_prefixes.loaded) return;
  char all[1024];
  g_prefixes.count = 0;
  // A missing list is asked for again next time (the store may open later).
  if (RES_GetString(FCC("$Pre"), all, sizeof all) != 0) return;
  const char* line = all;
  while (*line && g_prefixes.count < PREFIX_SLOTS) {
    const char* end = strchr(line, '\n');
    size_t n = end ? size_t(end - line) : strlen(line);
    char* entry = g_prefixes.entries[g_prefixes.count++];
    size_t keep = (uint8_t(line[0]) == PREFIX_SEPARATOR) ? 0 : n;
    if (keep > PREFIX_ENTRY_MAX) keep = PREFIX_ENTRY_MAX;
    memcpy(entry, line, keep);
    entry[keep] = 0;
    if (!end) break;
    line = end + 1;
  }
  g_prefixes.loaded = true;
}

// `name` followed by ": " at the start of `text`: the position behind it.
const char* matchNamed(const char* text, const char* name, size_t n) {
  if (!n || text[0] != name[0] || strncmp(text, name, n) != 0) return nullptr;
  return (text[n] == ':' && text[n + 1] == ' ') ? text + n + 2 : nullptr;
}

const char* matchTags(const char* text, int16_t* outIndex) {
  for (const char* keyword : kTagKeywords) {
    size_t n = strlen(keyword);
    if (text[0] == keyword[0] && strncmp(text, keyword, n) == 0) {
      *outIndex = PREFIX_TAG_KEYWORD;
      return text + n;
    }
  }
  for (int16_t i = 0; i < 3; ++i) {
    const char* name = g_prefs.notePrefixes[i];
    const char* behind = matchNamed(text, name, strnlen(name, sizeof g_prefs.notePrefixes[i]));
    if (behind) {
      *outIndex = i;
      return behind;
    }
  }
  return nullptr;
}

}  // namespace

void NotePrefixesReset() { g_prefixes.loaded = false; }

int16_t ColumnPrefixCount() {
  loadPrefixes();
  return g_prefixes.count;
}

const char* ColumnPrefixEntry(int16_t index) {
  loadPrefixes();
  return (index >= 0 && index < g_prefixes.count) ? g_prefixes.entries[index] : "";
}

const char* NotePrefixMatch(const char* text, int16_t* outIndex, uint16_t flags) {
  int16_t index = -1;
  const char* behind = nullptr;
  if (text && text[0]) {
    if (flags & PREFIX_NOTE_TAGS) {
      behind = matchTags(text, &index);
    } else {
      loadPrefixes();
      for (int16_t i = 0; i < g_prefixes.count && !behind; ++i) {
        const char* entry = g_prefixes.entries[i];
        behind = matchNamed(text, entry, strlen(entry));
        if (behind) index = i;
      }
    }
  }
  if (outIndex) *outIndex = index;
  return behind;
}

// ---------------------------------------------------------------------------
// The tag lines at the start of a note.

void NoteWalkStart(NoteWalk* w, const char* note) {
  w->cursor = note ? note : "";
  w->body = nullptr;
}

bool NoteWalkNext(NoteWalk* w, NoteTagLine* out) {
  if (w->body) return false;
  int16_t index = -1;
  const char* value = NotePrefixMatch(w->cursor, &index, PREFIX_NOTE_TAGS);
  if (!value) {
    w->body = w->cursor;  // the first line without a tag starts the body
    return false;
  }
  const char* end = strchr(value, '\n');
  if (!end) end = value + strlen(value);
  out->index = index;
  out->value = value;
  out->valueLength = uint32_t(end - value);
  w->cursor = *end ? end + 1 : end;
  return true;
}

const char* NoteDateValue(const char* note, uint32_t* length) {
  NoteWalk w;
  NoteTagLine line;
  NoteWalkStart(&w, note);
  while (NoteWalkNext(&w, &line)) {
    if (line.index == PREFIX_NOTE_DATE) {
      *length = line.valueLength;
      return line.value;
    }
  }
  *length = 0;
  return nullptr;
}

namespace {

// One "%hd" of the value: blanks, an optional sign, at least one digit.
bool readNumber(const char** at, const char* end, int16_t* out) {
  const char* p = *at;
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  if (p >= end || *p < '0' || *p > '9') return false;
  int32_t v = 0;
  while (p < end && *p >= '0' && *p <= '9') {
    v = v * 10 + (*p++ - '0');
    if (v > 99999) v = 99999;  // far outside any date; keeps the sum bounded
  }
  *out = int16_t(negative ? -v : v);
  *at = p;
  return true;
}

}  // namespace

int NoteFormatDate(const char* value, uint32_t length, char* out, int size) {
  if (size > 0) out[0] = 0;
  if (!value) return 0;
  const char* p = value;
  const char* end = value + length;
  int16_t year, month, day;
  if (!readNumber(&p, end, &year) || p >= end || *p++ != '/' || !readNumber(&p, end, &month) ||
      p >= end || *p++ != '/' || !readNumber(&p, end, &day))
    return 0;
  return STR_FormatDate(out, size, year, month, day);
}
