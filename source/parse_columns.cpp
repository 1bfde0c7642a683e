// Column texts: the dispatch of ContactColumnText over the column ids, the
// name columns (0-8, 18, 19, 25, 36) and the growing-text helpers the other
// column files build on. Owns no state.
#include <cstring>

#include "parse_columns_internal.h"

// ---------------------------------------------------------------------------
// Growing text.

namespace {

// Set when a field could not be read for want of memory: the column then
// ends with what it had, rather than going on without that field.
bool g_memoryShort = false;

bool textReserve(TextBuf* t, uint32_t extra) {
  if (t->failed) return false;
  uint64_t need = uint64_t(t->length) + extra + 1;
  if (need <= t->capacity) return true;
  uint64_t cap = t->capacity ? t->capacity : 64;
  while (cap < need) cap *= 2;
  if (cap > MEM_MAX_BLOCK) cap = need;
  if (cap > MEM_MAX_BLOCK) {
    t->failed = true;
    return false;
  }
  char* grown = static_cast<char*>(MEM_Realloc(t->text, uint32_t(cap), false));
  if (!grown) {
    t->failed = true;
    g_memoryShort = true;  // a piece built aside must not go on without this one
    return false;
  }
  t->text = grown;
  t->capacity = uint32_t(cap);
  return true;
}

}  // namespace

void TextAppendN(TextBuf* t, const char* s, uint32_t n) {
  if (g_memoryShort) t->failed = true;
  if (!n || !textReserve(t, n)) return;
  memcpy(t->text + t->length, s, n);
  t->length += n;
  t->text[t->length] = 0;
}

void TextAppend(TextBuf* t, const char* s) {
  if (s) TextAppendN(t, s, uint32_t(strlen(s)));
}

void TextAppendChar(TextBuf* t, char c) { TextAppendN(t, &c, 1); }

void TextAppendSep(TextBuf* t, const char* sep, const char* s) {
  if (!s || !s[0]) return;
  if (t->length) TextAppend(t, sep);
  TextAppend(t, s);
}

void TextEnsureLineBreak(TextBuf* t) {
  if (t->length && t->text[t->length - 1] != '\n') TextAppendChar(t, '\n');
}

void TextEnsureBlankLine(TextBuf* t) {
  if (!t->length) return;
  TextEnsureLineBreak(t);
  if (t->length < 2 || t->text[t->length - 2] != '\n') TextAppendChar(t, '\n');
}

void TextStripTrailingBreaks(TextBuf* t) {
  while (t->length && t->text[t->length - 1] == '\n') t->text[--t->length] = 0;
}

void TextWrapFrom(TextBuf* t, uint32_t start, int32_t width, uint16_t font) {
  if (t->failed || !t->text || start >= t->length) return;
  if (WrapWithIndent(&t->text, start, width, font) != 0) {
    // The value is dropped so that the text stays what it was before it.
    t->length = start;
    t->text[start] = 0;
    t->failed = true;
    g_memoryShort = true;
    return;
  }
  t->length = uint32_t(strlen(t->text));
  t->capacity = MEM_Size(t->text);
}

char* TextFinish(TextBuf* t) {
  char* out = t->text;
  if (!out) {
    out = static_cast<char*>(MEM_Alloc(1, true));
  }
  *t = TEXT_EMPTY;
  return out;
}

void TextFree(TextBuf* t) {
  MEM_Free(t->text);
  *t = TEXT_EMPTY;
}

// ---------------------------------------------------------------------------
// Field reads.

void ColumnReadField(const ContactRec* rec, FieldKind kind, int16_t index, uint16_t flags,
                     FieldText* out) {
  MEM_Free(out->block);
  out->block = ContactGetField(rec, kind, index, nullptr, 0, flags & ~FIELD_NULL_IF_ABSENT);
  out->text = out->block ? out->block : "";
  // Without FIELD_NULL_IF_ABSENT only short memory gives no text.
  if (!out->block) g_memoryShort = true;
}

char* ColumnDup(const char* s) {
  uint32_t n = uint32_t(strlen(s));
  char* out = static_cast<char*>(MEM_Alloc(n + 1, false));
  if (!out) {
    g_memoryShort = true;
    return nullptr;
  }
  memcpy(out, s, n + 1);
  return out;
}

// ---------------------------------------------------------------------------
// Name columns.

namespace {

// The names and company of a name column, first lines for 4 … 8.
struct NameParts {
  FieldText last, first, company;
};

void readNames(const ContactRec* rec, int16_t column, NameParts* p) {
  uint16_t flags = (column >= 4 && column <= 8) ? FIELD_FIRST_LINE : 0;
  ColumnReadField(rec, FieldKind::LastName, 0, flags, &p->last);
  ColumnReadField(rec, FieldKind::FirstName, 0, flags, &p->first);
  ColumnReadField(rec, FieldKind::Company, 0, flags, &p->company);
}

const char* fallbackMarker(uint16_t flags) { return (flags & COL_SORT_KEY) ? "zzzzzz" : "- "; }

// Columns 0, 1 and 4 … 7: the names, or the company behind the marker.
void personName(TextBuf* t, const NameParts& p, bool lastFirst, bool withCompany, uint16_t flags) {
  if (lastFirst) {
    TextAppend(t, p.last.text);
    TextAppendSep(t, ", ", p.first.text);
  } else {
    TextAppend(t, p.first.text);
    TextAppendSep(t, " ", p.last.text);
  }
  if (t->length) {
    if (withCompany) TextAppendSep(t, " - ", p.company.text);
    return;
  }
  if (!(flags & COL_NO_FALLBACK) && !p.company.Empty()) {
    TextAppend(t, fallbackMarker(flags));
    TextAppend(t, p.company.text);
  }
}

// Cuts the company for column 36: when what fits in `width` ends more than
// three characters before its end, those characters become "...".
bool cutCompany(TextBuf* t, const char* company, int32_t width, uint16_t font) {
  uint32_t length = uint32_t(strlen(company));
  if (width <= 0) return false;
  uint32_t fit = ColumnFitBytes(company, length, width, font);
  if (fit + 3 >= length) return false;
  TextAppendN(t, company, fit);
  TextAppend(t, "...");
  return true;
}

// Columns 2, 8 and 36: the company, then the names.
void companyName(TextBuf* t, const NameParts& p, bool cut, int32_t width, uint16_t font,
                 uint16_t flags) {
  bool named = !p.last.Empty() || !p.first.Empty();
  if (!named) {
    TextAppend(t, p.company.text);
    return;
  }
  if (!p.company.Empty()) {
    if (cut && cutCompany(t, p.company.text, width, font)) return;
    TextAppend(t, p.company.text);
    TextAppend(t, " - ");
  } else if (!(flags & COL_NO_DASH)) {
    TextAppend(t, fallbackMarker(flags));
  }
  uint32_t namesAt = t->length;
  TextAppend(t, p.last.text);
  if (t->length > namesAt && !p.first.Empty()) TextAppend(t, ", ");
  TextAppend(t, p.first.text);
}

}  // namespace

char* ColumnNameText(const ContactRec* rec, int16_t column, int32_t width, uint16_t font,
                     uint16_t flags) {
  NameParts p;
  readNames(rec, column, &p);
  TextBuf t = TEXT_EMPTY;
  switch (column) {
    case 0:
    case 4:
      personName(&t, p, true, false, flags);
      break;
    case 1:
    case 5:
      personName(&t, p, false, false, flags);
      break;
    case 6:
    case 7:
      personName(&t, p, column == 6, true, flags);
      break;
    case 2:
    case 8:
    case 36:
      companyName(&t, p, column == 36, width, font, flags);
      break;
    case 3:
      if (!p.first.Empty() && !p.last.Empty()) {
        TextAppendChar(&t, p.first.text[0]);
        TextAppend(&t, p.last.text);
      }
      break;
    case 18:
      personName(&t, p, false, false, COL_NO_FALLBACK);
      break;
    case 19:
      TextAppend(&t, p.company.text);
      break;
    case 25: {
      personName(&t, p, false, false, COL_NO_FALLBACK);
      FieldText title;
      ColumnReadField(rec, FieldKind::Title, 0, 0, &title);
      TextAppendSep(&t, ", ", title.text);
      TextAppendSep(&t, " - ", p.company.text);
      break;
    }
    default:
      break;
  }
  TextStripTrailingBreaks(&t);
  return TextFinish(&t);
}

// ---------------------------------------------------------------------------
// Dispatch.

namespace {

char* itemText(ColumnItem* item, bool found, int16_t* outItemIndex, char** outLabel) {
  if (found) {
    if (outItemIndex) *outItemIndex = item->slot;
    if (outLabel) {
      *outLabel = item->label;
      item->label = nullptr;
    }
  }
  MEM_Free(item->label);
  return TextFinish(&item->text);
}

// Column 28: the display phone followed by its short label.
char* shownPhoneWithLabel(const ContactRec* rec, int16_t* outItemIndex, char** outLabel) {
  ColumnItem item = {TEXT_EMPTY, -1, nullptr};
  bool found = ColumnShownPhoneItem(rec, COL_SHORT_LABELS, &item);
  if (found && item.label) TextAppendSep(&item.text, " ", item.label);
  return itemText(&item, found, outItemIndex, outLabel);
}

}  // namespace

char* ContactColumnText(const ContactRec* rec, int16_t column, int16_t n, int16_t* outItemIndex,
                        char** outLabel, int32_t width, uint16_t font, uint16_t flags) {
  if (outItemIndex) *outItemIndex = -1;
  if (outLabel) *outLabel = nullptr;
  g_memoryShort = false;
  if (!rec || column < 0 || column >= COLUMN_COUNT || n < 0) {
    TextBuf none = TEXT_EMPTY;
    return TextFinish(&none);
  }
  ColumnItem item = {TEXT_EMPTY, -1, nullptr};
  bool found = false;
  switch (column) {
    case 9:
      found = ColumnShownPhoneItem(rec, flags, &item);
      return itemText(&item, found, outItemIndex, outLabel);
    case 28:
      return shownPhoneWithLabel(rec, outItemIndex, outLabel);
    case 10:
    case 12:
      found = ColumnPhoneItem(rec, column, n, flags, &item);
      return itemText(&item, found, outItemIndex, outLabel);
    case 11:
    case 13:
    case 29:
    case 30:
      found = ColumnInternetItem(rec, column, n, flags, &item);
      return itemText(&item, found, outItemIndex, outLabel);
    case 15:
    case 16:
    case 17:
    case 31:
      found = ColumnAddressItem(rec, column, n, true, &item);
      return itemText(&item, found, outItemIndex, outLabel);
    case 14:
    case 20:
    case 21:
    case 22:
    case 23:
    case 24:
    case 26:
    case 37:
      return ColumnFullText(rec, column, n, width, font);
    case 27:
    case 32:
    case 33:
    case 34:
    case 35:
      return ColumnNoteText(rec, column);
    default:
      return ColumnNameText(rec, column, width, font, flags);
  }
}
