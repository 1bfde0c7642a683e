// Shared pieces of the column texts: a growing text block, field reads that
// own their block, the cached label texts and "$Pre" list, the note tag-line
// walk and the item finders (phones, internet items, addresses) that the
// item columns and the full text both use. Internal to the parse module.
#pragma once

#include "parse.h"

// ---------------------------------------------------------------------------
// A growing text: a MEM block, always zero-terminated once anything was
// appended. After a failed allocation `failed` is set and every later append
// is ignored, so a column ends with the text built so far.
struct TextBuf {
  char* text;
  uint32_t length;
  uint32_t capacity;  // bytes of the block
  bool failed;
};

inline constexpr TextBuf TEXT_EMPTY = {nullptr, 0, 0, false};

void TextAppendN(TextBuf* t, const char* s, uint32_t n);
void TextAppend(TextBuf* t, const char* s);
void TextAppendChar(TextBuf* t, char c);
// Appends `sep` and then `s`, the separator only when the text so far and
// `s` are both non-empty.
void TextAppendSep(TextBuf* t, const char* sep, const char* s);
// Appends "\n" unless the text is empty or already ends with one.
void TextEnsureLineBreak(TextBuf* t);
// Makes a non-empty text end with an empty line ("\n\n").
void TextEnsureBlankLine(TextBuf* t);
// Drops every "\n" at the end.
void TextStripTrailingBreaks(TextBuf* t);
// Wraps the text from `start` on (WrapWithIndent); a failure leaves it as
// it was.
void TextWrapFrom(TextBuf* t, uint32_t start, int32_t width, uint16_t font);
// Hands the block over: the text, or a new empty text when nothing was
// appended; null only when not even that can be allocated.
char* TextFinish(TextBuf* t);
void TextFree(TextBuf* t);

// ---------------------------------------------------------------------------
// A field's text that frees itself: never null ("" when absent or when
// memory is short).
struct FieldText {
  char* block = nullptr;
  const char* text = "";
  FieldText() = default;
  FieldText(const FieldText&) = delete;
  FieldText& operator=(const FieldText&) = delete;
  ~FieldText() { MEM_Free(block); }
  bool Empty() const { return !text[0]; }
};

// Reads field (kind, index) with `flags` into *out.
void ColumnReadField(const ContactRec* rec, FieldKind kind, int16_t index, uint16_t flags,
                     FieldText* out);
// A copy of `s` in a new MEM block (null when memory is short).
char* ColumnDup(const char* s);

// ---------------------------------------------------------------------------
// Label texts from the string resources, cached for the run ("" when the
// resource is missing). Labels past the resources' range are "".
const char* ColumnPhoneLabel(int32_t label, bool shortLabel);  // "$lP0" / "$sP0" …
const char* ColumnPhoneLetters();                              // "$Ftp"
const char* ColumnWebLabel(bool shortLabel);                   // "$lW0" / "$sW0"
const char* ColumnChatLabel(int32_t label, bool shortLabel);   // "$lI0" / "$sI0" …
const char* ColumnAddressLabel(int32_t label);  // "$sA1" … "$sA3" for 0 … 2, else ""
const char* ColumnLabelText(FourCC name);       // any other label ("$sA0", "$sB0" …)

// The "$Pre" entries, cached for the run: entry i is "" for a separator.
int16_t ColumnPrefixCount();
const char* ColumnPrefixEntry(int16_t index);
// Forget the cached labels / prefix list (ParseColumnsReset).
void ColumnLabelsReset();
void NotePrefixesReset();

// ---------------------------------------------------------------------------
// Note tag lines. The walk yields the tag lines at the start of a note, one
// at a time; the first line that is not a tag line starts the body.
struct NoteWalk {
  const char* cursor;  // start of the next line to look at
  const char* body;    // set once the walk has ended
};
struct NoteTagLine {
  int16_t index;         // PREFIX_TAG_KEYWORD, PREFIX_NOTE_DATE, PREFIX_LINKED_TO, PREFIX_IN_GROUP
  const char* value;     // behind the prefix and its ": "
  uint32_t valueLength;  // up to the line's end
};
void NoteWalkStart(NoteWalk* w, const char* note);
// The next tag line into *out, or false (then w->body is the note body).
bool NoteWalkNext(NoteWalk* w, NoteTagLine* out);
// The value of the first "Note Date" tag line (null when there is none).
const char* NoteDateValue(const char* note, uint32_t* length);
// The date of a "Note Date" value (year/month/day) written by the platform's
// date formatting into `out`; 0 (and "") when it is not a date.
int NoteFormatDate(const char* value, uint32_t length, char* out, int size);

// ---------------------------------------------------------------------------
// Items: phones, internet items and addresses.

// An item found: its text (in `text`), slot and label (a MEM block or null).
struct ColumnItem {
  TextBuf text;
  int16_t slot;  // slot in its field kind; -1 for one taken from custom fields
  char* label;
};

// Column 9 (and 28): the first non-empty phone from the shown phone on.
bool ColumnShownPhoneItem(const ContactRec* rec, uint16_t flags, ColumnItem* item);
// Columns 10 and 12 (phones), 11, 13, 29 and 30 (internet items).
bool ColumnPhoneItem(const ContactRec* rec, int16_t column, int16_t n, uint16_t flags,
                     ColumnItem* item);
bool ColumnInternetItem(const ContactRec* rec, int16_t column, int16_t n, uint16_t flags,
                        ColumnItem* item);
// Columns 15, 16, 17 and 31: the n-th address; `withPrefixed` false stops
// after the record's addresses and the one made of custom fields.
bool ColumnAddressItem(const ContactRec* rec, int16_t column, int16_t n, bool withPrefixed,
                       ColumnItem* item);
// True when custom fields 1 … 4 are shown as an address (the preference is
// on, none of them carries a "$Pre" prefix, and its street or city is set).
bool ColumnCustomAddressShown(const ContactRec* rec);

// ---------------------------------------------------------------------------
// Column groups.
char* ColumnNameText(const ContactRec* rec, int16_t column, int32_t width, uint16_t font,
                     uint16_t flags);
char* ColumnFullText(const ContactRec* rec, int16_t column, int16_t n, int32_t width,
                     uint16_t font);
char* ColumnNoteText(const ContactRec* rec, int16_t column);
// How many bytes of `text` (at most `length`) fit in `width` in `font`.
uint32_t ColumnFitBytes(const char* text, uint32_t length, int32_t width, uint16_t font);
