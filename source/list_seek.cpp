// The typed search of the contact list and the letter jumps: a row whose
// name starts with the typed text, found by bisection of the display list
// (only the probed contacts are read), linearly when that fails, and then
// through the first-name order or by words over all three orders; the jump
// to the first row of the next or previous initial letter.
// Owns the search fields of g_list (seekText … seekDash).
#include <algorithm>
#include <cstring>

#include "kova_sound.h"
#include "list_internal.h"
#include "main_handler.h"
#include "sort.h"

namespace {

constexpr uint32_t CHAR_BACKSPACE = 8;
constexpr uint32_t CHAR_LINE_FEED = 10;
constexpr uint32_t CHAR_RETURN = 13;
constexpr int SEEK_WORDS = 3;

// Case folding of the handheld's 8-bit text: A-Z, the accented capitals
// 0xC0-0xDE (not the multiplication sign 0xD7), and the capitals the
// handheld keeps below 0xA0 (S and Z with caron, OE, Y with diaeresis).
char fold(char c) {
  uint8_t u = uint8_t(c);
  if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) return char(u + 0x20);
  if (u == 0x8A || u == 0x8C || u == 0x8E) return char(u + 0x10);
  return u == 0x9F ? char(0xFF) : c;
}

// The display list of one sort order for the current category.
struct RowList {
  const uint16_t* entries;
  uint16_t count;
};

RowList listOf(int16_t order) {
  RowList list{nullptr, 0};
  list.count = SortGetList(nullptr, &list.entries, order, g_prefs.currentCategory, 0);
  if (!list.entries) list.count = 0;
  return list;
}

// Column `column` of contact `record` with `flags`; a MEM block, null when
// the contact cannot be read.
char* recordText(ContactDb* db, uint16_t record, int16_t column, uint16_t flags) {
  ContactRec rec{};
  if (ContactFetch(&rec, db, record) != 0) return nullptr;
  char* text = ContactColumnText(&rec, column, 0, nullptr, nullptr, 0, 0, flags);
  ContactRelease(&rec);
  return text;
}

// Compares the first `length` characters of the MEM block `text` (cut in
// place) with `typed` as the sort order does; an unreadable row (null)
// counts as an empty name.
int16_t comparePrefix(char* text, const char* typed, size_t length) {
  if (!text) return typed[0] ? -1 : 0;
  if (strlen(text) > length) text[length] = 0;
  int16_t result = SortStringCompare(text, typed);
  MEM_Free(text);
  return result;
}

// What one ListLookup compares.
struct Lookup {
  ContactDb* db;
  RowList list;
  int16_t column;
  uint16_t flags;
  const char* text;
  size_t length;
};

int16_t probe(const Lookup& lk, int32_t row) {
  char* text = recordText(lk.db, lk.list.entries[row], lk.column, lk.flags);
  return comparePrefix(text, lk.text, lk.length);
}

int32_t findLinear(const Lookup& lk, int32_t start) {
  for (int32_t i = 0; i < lk.list.count; ++i) {
    int32_t row = (start + i) % lk.list.count;
    if (probe(lk, row) == 0) return row;
  }
  return -1;
}

// The start row first: equal, it is the answer (typing a letter again moves
// on from the row behind the selected one). Otherwise the rows below or
// above it are bisected for the first equal row.
int32_t findBisect(const Lookup& lk, int32_t start) {
  int16_t first = probe(lk, start);
  if (first == 0) return start;
  int32_t lo = first < 0 ? start + 1 : 0;
  int32_t hi = first < 0 ? lk.list.count - 1 : start - 1;
  int32_t found = -1;
  while (lo <= hi) {
    int32_t mid = lo + (hi - lo) / 2;
    int16_t result = probe(lk, mid);
    if (result == 0) found = mid;  // an equal row: look for one above it
    if (result >= 0) {
      hi = mid - 1;
    } else {
      lo = mid + 1;
    }
  }
  return found;
}

// Step 5, first way: the first-name order's rows of the typed initial,
// compared by first initial and last name (column 3). The contact, or -1.
int32_t initialWalk(ContactDb* db) {
  char initial[2] = {g_list.seekText[0], 0};
  int32_t row = ListLookup(db, initial, 1, 0, false);
  RowList list = listOf(1);
  size_t length = size_t(g_list.seekLength);
  for (; row >= 0 && row < list.count; ++row) {
    uint16_t record = list.entries[row];
    char* name = recordText(db, record, 1, COL_SORT_KEY | COL_NO_FALLBACK | COL_NO_DASH);
    bool same = name && fold(name[0]) == fold(initial[0]);
    MEM_Free(name);
    if (!same) break;
    if (comparePrefix(recordText(db, record, 3, 0), g_list.seekText, length) == 0) return record;
  }
  return -1;
}

// A word of the typed text: where it starts and how long it is.
struct Word {
  const char* at;
  size_t length;
};

// Whether `word` starts at text[i] (case ignored).
bool wordAt(const char* text, size_t i, const Word& word) {
  for (size_t k = 0; k < word.length; ++k)
    if (!text[i + k] || fold(text[i + k]) != fold(word.at[k])) return false;
  return true;
}

// Whether " " + text contains " " + word.
bool containsWord(const char* text, const Word& word) {
  for (size_t i = 0; text[i]; ++i)
    if ((i == 0 || text[i - 1] == ' ') && wordAt(text, i, word)) return true;
  return word.length == 0;
}

// Splits the typed text at blanks into up to three words (the third keeps
// the rest); returns the index of the first non-empty one, or -1.
int splitWords(Word words[SEEK_WORDS]) {
  const char* p = g_list.seekText;
  for (int w = 0; w < SEEK_WORDS; ++w) {
    const char* end = w + 1 < SEEK_WORDS ? strchr(p, ' ') : nullptr;
    if (!end) end = p + strlen(p);
    words[w] = {p, size_t(end - p)};
    p = *end ? end + 1 : end;
  }
  for (int w = 0; w < SEEK_WORDS; ++w)
    if (words[w].length > 0) return w;
  return -1;
}

// Whether the row text of `record` matches the words (the lead word, also
// given as `leadText`, at its start); *past is set when the text sorts
// behind the lead word.
bool wordsMatch(ContactDb* db, uint16_t record, int16_t column, const Word* words, int lead,
                const char* leadText, bool* past) {
  char* text = recordText(db, record, column, COL_SORT_KEY);
  if (!text) return false;
  bool match = wordAt(text, 0, words[lead]);
  for (int w = 0; match && w < SEEK_WORDS; ++w)
    if (w != lead && !containsWord(text, words[w])) match = false;
  if (!match) {
    *past = comparePrefix(text, leadText, words[lead].length) > 0;
    return false;
  }
  MEM_Free(text);
  return true;
}

// Step 5, second way: the lead word over the orders 0, 1, 2 (columns 6, 7,
// 2). The walk of an order ends where its rows sort behind the lead word:
// in a sorted list no later row can start with it. The contact, or -1;
// *order receives the order it was found in.
int32_t wordSearch(ContactDb* db, int16_t* order) {
  static constexpr int16_t COLUMNS[3] = {6, 7, 2};
  Word words[SEEK_WORDS];
  int lead = splitWords(words);
  if (lead < 0) return -1;
  char leadText[LIST_SEEK_MAX + 1];
  memcpy(leadText, words[lead].at, words[lead].length);
  leadText[words[lead].length] = 0;
  for (int16_t k = 0; k < 3; ++k) {
    int32_t row = ListLookup(db, leadText, k, 0, false);
    RowList list = listOf(k);
    bool past = false;
    for (; row >= 0 && row < list.count && !past; ++row) {
      if (!wordsMatch(db, list.entries[row], COLUMNS[k], words, lead, leadText, &past)) continue;
      *order = k;
      return list.entries[row];
    }
  }
  return -1;
}

// Steps 3 to 5: the row of the current order the typed text selects, or -1.
// `typed`: the key added a character (not a backspace).
int32_t seekRow(ContactDb* db, bool typed, bool extended) {
  int16_t mode = MainSortMode();
  RowList list = listOf(mode);
  if (list.count == 0) return -1;
  int32_t start = std::clamp<int32_t>(g_main.selectedRow, 0, list.count - 1);
  if (typed && g_list.seekLength == 1) start = (start + 1) % list.count;
  int32_t row = ListLookup(db, g_list.seekText, mode, start, false);
  if (row < 0 || (row < start && g_list.seekLength > 1)) {
    int32_t again = ListLookup(db, g_list.seekText, mode, start, true);
    if (again >= 0) row = again;
  }
  if (row >= 0) return row;
  // The other orders would replace a list of find results: no extended
  // search over them.
  if (!extended || g_list.seekLength < 2 || SortListIsSearch()) return -1;
  int32_t record = initialWalk(db);
  if (record >= 0) {
    g_list.seekElsewhere = true;
  } else {
    int16_t order = mode;
    record = wordSearch(db, &order);
    g_list.seekElsewhere = record >= 0 && order != mode;
  }
  return record < 0 ? -1 : ListRowOfRecord(record);
}

// Whether the shown name of `row` starts with "- " and the typed text
// matches behind it (the highlight then covers those 2 characters too).
bool matchedBehindDash(ContactDb* db, int32_t row) {
  RowList list = listOf(MainSortMode());
  if (row >= list.count || g_list.seekText[0] == '-') return false;
  ContactRec rec{};
  if (ContactFetch(&rec, db, list.entries[row]) != 0) return false;
  char* name = ListRowName(&rec, MainSortMode(), 0);
  ContactRelease(&rec);
  if (!name) return false;
  bool dash = name[0] == '-' && name[1] == ' ';
  if (dash) {
    size_t length = strlen(name + 2);
    size_t cut = std::min(length, size_t(g_list.seekLength));
    name[2 + cut] = 0;
    dash = SortStringCompare(name + 2, g_list.seekText) == 0;
  }
  MEM_Free(name);
  return dash;
}

void endSeek() {
  g_list.seekLength = 0;
  g_list.seekText[0] = 0;
  g_list.seekFound = g_list.seekElsewhere = g_list.seekDash = false;
}

// The outcome of a search step: the row selected, or the beep and the
// strip showing the text that found nothing.
bool finishStep(GuiForm* form, ContactDb* db, int32_t row) {
  g_list.seekFound = row >= 0;
  if (row < 0) {
    (void)SND_Beep(SND_BEEP_ERROR);
    if (form && GUI_HasObject(form, FCC("Data"))) (void)GUI_Redraw(form, FCC("Data"));
    return false;
  }
  g_list.seekDash = !g_list.seekElsewhere && matchedBehindDash(db, row);
  ListSelectRow(form, row, true);
  return true;
}

}  // namespace

int32_t ListLookup(ContactDb* db, const char* text, int16_t order, int32_t start, bool linear) {
  if (!text || order < 0 || order > 2) return -1;
  RowList list = listOf(order);
  if (list.count == 0) return -1;
  ContactDb* own = nullptr;
  if (!db) {
    if (ContactDbOpen(&own, false, true) != 0) return -1;
    db = own;
  }
  uint16_t flags = COL_SORT_KEY | COL_NO_FALLBACK | COL_NO_DASH;
  if (!linear) {
    flags = COL_SORT_KEY;
    if (g_prefs.companyWhenNoName) flags |= COL_NO_FALLBACK;
    if (g_prefs.nameWhenNoCompany) flags |= COL_NO_DASH;
  }
  Lookup lk{db, list, order, flags, text, strlen(text)};
  start = std::clamp<int32_t>(start, 0, list.count - 1);
  int32_t row = linear ? findLinear(lk, start) : findBisect(lk, start);
  if (own) ContactDbClose(&own);
  return row;
}

bool ListSeekKey(GuiForm* form, uint32_t character, bool extended) {
  if (character == CHAR_RETURN || character == CHAR_LINE_FEED) {
    bool active = g_list.seekLength > 0;
    if (active) ListSeekClear(form);
    return active;
  }
  bool typed = character != CHAR_BACKSPACE;
  if (!typed) {
    if (g_list.seekLength <= 0) return false;
    g_list.seekText[--g_list.seekLength] = 0;
    if (g_list.seekLength == 0) {
      ListSeekClear(form);
      return false;
    }
  } else {
    if (character == 0 || character > 0xFF) return false;
    if (g_list.seekLength >= LIST_SEEK_MAX) {
      g_list.seekLength = 0;  // a 21st character starts over
    } else if (g_list.seekLength > 0 && !g_list.seekFound) {
      g_list.seekLength--;  // the character that found nothing is replaced
    }
    g_list.seekText[g_list.seekLength++] = char(character);
    g_list.seekText[g_list.seekLength] = 0;
  }
  g_list.seekElsewhere = g_list.seekDash = false;
  ContactDb* db = nullptr;
  if (ContactDbOpen(&db, false, true) != 0) return finishStep(form, nullptr, -1);
  bool found = finishStep(form, db, seekRow(db, typed, extended));
  ContactDbClose(&db);
  return found;
}

void ListSeekClear(GuiForm* form) {
  endSeek();
  ListDraw(form, 0);
}

bool ListJumpLetter(GuiForm* form, int16_t direction) {
  int step = direction < 0 ? -1 : 1;
  int letter = g_list.firstLetter + step;
  if (step < 0 && g_list.firstLetter == '-') letter = 'Y';
  if (letter < 'A' || letter > 'Z') letter = step < 0 ? 'Z' : 'A';
  endSeek();
  ContactDb* db = nullptr;
  int32_t row = -1;
  if (ContactDbOpen(&db, false, true) == 0) {
    for (int tries = 0; tries < 26 && row < 0; ++tries) {
      char text[2] = {char(letter - 'A' + 'a'), 0};
      row = ListLookup(db, text, MainSortMode(), 0, false);
      letter += step;
      if (letter < 'A') letter = 'Z';
      if (letter > 'Z') letter = 'A';
    }
    ContactDbClose(&db);
  }
  if (row < 0) {
    (void)SND_Beep(SND_BEEP_ERROR);
    return false;
  }
  ListSelectRow(form, row, true);
  return true;
}

bool ListSeekLetter(GuiForm* form, char letter) {
  endSeek();
  g_list.seekText[0] = fold(letter);
  g_list.seekText[1] = 0;
  g_list.seekLength = 1;
  int32_t row = ListLookup(nullptr, g_list.seekText, MainSortMode(), 0, false);
  g_list.seekFound = row >= 0;
  if (row < 0) {
    (void)SND_Beep(SND_BEEP_ERROR);
    if (form && GUI_HasObject(form, FCC("Data"))) (void)GUI_Redraw(form, FCC("Data"));
    return false;
  }
  ListSelectRow(form, row, true);
  return true;
}
