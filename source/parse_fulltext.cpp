// The full text of a contact (columns 14, 20-23, 26, the compact preview 37
// and the label inventory 24): a name block, then sections of label-and-
// value lines (phones, web and chat, addresses, birthday, custom fields, the
// note's link and group lines), each value wrapped with a hanging indent.
// Also the note columns 27 and 32-35. Owns no state.
#include <cstring>
#include <initializer_list>

#include "parse_columns_internal.h"
#include "prefs.h"

namespace {

enum class FullMode : uint8_t {
  Full,     // label, tab, value
  Compact,  // value only (column 37)
  Labels,   // label only (column 24)
};

struct FullText {
  const ContactRec* rec;
  TextBuf* t;
  FullMode mode;
  int32_t width;
  uint16_t font;
  bool sectionOpen;
};

void beginSection(FullText* f) { f->sectionOpen = false; }

// Sections are set apart by an empty line, or by a line break alone.
void openSection(FullText* f) {
  if (f->sectionOpen) return;
  f->sectionOpen = true;
  if (f->mode == FullMode::Labels || g_prefs.compactFullText) {
    TextEnsureLineBreak(f->t);
  } else {
    TextEnsureBlankLine(f->t);
  }
}

// One line: the label column (`label` and `suffix`) and the value (`length`
// bytes), followed in the preview by `tail`.
void addItem(FullText* f, const char* label, const char* suffix, const char* value, uint32_t length,
             const char* tail = nullptr) {
  TextBuf* t = f->t;
  if (f->mode == FullMode::Labels) {
    if (!label[0] && !suffix[0]) return;
    openSection(f);
    TextAppend(t, label);
    TextAppend(t, suffix);
    TextAppendChar(t, '\n');
    return;
  }
  if (f->mode == FullMode::Compact && !length) return;
  openSection(f);
  if (f->mode == FullMode::Full) {
    TextAppend(t, label);
    TextAppend(t, suffix);
    TextAppendChar(t, '\t');
  }
  uint32_t start = t->length;
  TextAppendN(t, value, length);
  if (f->mode == FullMode::Compact && tail) TextAppend(t, tail);
  TextWrapFrom(t, start, f->width, f->font);
  TextAppendChar(t, '\n');
}

void addText(FullText* f, const char* label, const char* suffix, const char* value) {
  addItem(f, label, suffix, value, uint32_t(strlen(value)));
}

// 1. First name (not for 20) and last name, the title, the company (not
// for 21), each on a line of its own.
void nameBlock(const ContactRec* rec, TextBuf* t, int16_t column) {
  FieldText first, last, title, company;
  ColumnReadField(rec, FieldKind::LastName, 0, 0, &last);
  ColumnReadField(rec, FieldKind::Title, 0, 0, &title);
  if (column != 20) ColumnReadField(rec, FieldKind::FirstName, 0, 0, &first);
  if (column != 21) ColumnReadField(rec, FieldKind::Company, 0, 0, &company);
  uint32_t at = t->length;
  TextAppend(t, first.text);
  if (t->length > at && !last.Empty()) TextAppendChar(t, ' ');
  TextAppend(t, last.text);
  TextEnsureLineBreak(t);
  for (const FieldText* line : {&title, &company}) {
    if (line->Empty()) continue;
    TextAppend(t, line->text);
    TextAppendChar(t, '\n');
  }
}

// 2. Phones in slot order; the shown one is starred.
void phoneSection(FullText* f) {
  const ContactRec* rec = f->rec;
  int32_t count = ContactGetInfo(rec, ContactInfo::PhoneCount, 0);
  int32_t shown = ContactGetInfo(rec, ContactInfo::ShownPhone, 0);
  const char* letters = ColumnPhoneLetters();
  beginSection(f);
  for (int16_t i = 0; i < count; ++i) {
    FieldText number;
    ColumnReadField(rec, FieldKind::Phone, i, FIELD_FORMAT_PHONE, &number);
    if (number.Empty()) continue;
    int32_t label = ContactGetInfo(rec, ContactInfo::PhoneLabel, i);
    char tail[5] = "";
    if (label >= 0 && size_t(label) < strlen(letters)) {
      const char letterTail[5] = {'\xA0', '(', letters[label], ')', 0};
      memcpy(tail, letterTail, sizeof tail);
    }
    addItem(f, ColumnPhoneLabel(label, true), i == shown ? ":*" : ":", number.text,
            uint32_t(strlen(number.text)), tail);
  }
}

// 3. Web address and chat fields.
void internetSection(FullText* f) {
  const ContactRec* rec = f->rec;
  beginSection(f);
  if (ContactGetInfo(rec, ContactInfo::HasWeb, 0) > 0) {
    FieldText web;
    ColumnReadField(rec, FieldKind::Web, 0, 0, &web);
    if (!web.Empty()) addText(f, ColumnWebLabel(true), ":", web.text);
  }
  int32_t chats = ContactGetInfo(rec, ContactInfo::ChatCount, 0);
  for (int16_t i = 0; i < chats; ++i) {
    FieldText chat;
    ColumnReadField(rec, FieldKind::Chat, i, 0, &chat);
    if (chat.Empty()) continue;
    int32_t label = ContactGetInfo(rec, ContactInfo::ChatLabel, i);
    addText(f, ColumnChatLabel(label, true), ":", chat.text);
  }
}

// 4. Addresses with their country. Labels are shown from the first address
// that has one; an address without a label then reads "$sA0".
void addressSection(FullText* f) {
  beginSection(f);
  bool labelsOn = false;
  for (int16_t n = 0;; ++n) {
    ColumnItem item = {TEXT_EMPTY, -1, nullptr};
    if (!ColumnAddressItem(f->rec, 17, n, false, &item)) break;
    const char* label = item.label ? item.label : "";
    if (label[0]) labelsOn = true;
    if (!labelsOn) {
      label = "";
    } else if (!label[0]) {
      label = ColumnLabelText(FCC("$sA0"));
    }
    addText(f, label, "", item.text.text ? item.text.text : "");
    TextFree(&item.text);
    MEM_Free(item.label);
  }
}

// 5. Birthday.
void birthdaySection(FullText* f) {
  FieldText birthday;
  ColumnReadField(f->rec, FieldKind::Birthday, 0, 0, &birthday);
  beginSection(f);
  if (!birthday.Empty()) addText(f, ColumnLabelText(FCC("$sB0")), ":", birthday.text);
}

// 6. Custom fields: a prefixed one under its prefix, the others under the
// user's label. Fields 1 … 4 shown as an address are left out.
void customSection(FullText* f) {
  const ContactRec* rec = f->rec;
  int32_t count = ContactGetInfo(rec, ContactInfo::CustomCount, 0);
  int16_t first = ColumnCustomAddressShown(rec) ? 4 : 0;
  beginSection(f);
  for (int16_t i = first; i < count; ++i) {
    FieldText text;
    ColumnReadField(rec, FieldKind::Custom, i, 0, &text);
    if (text.Empty()) continue;
    int16_t index = -1;
    const char* value = NotePrefixMatch(text.text, &index, 0);
    if (value) {
      addText(f, ColumnPrefixEntry(index), "", value);
      continue;
    }
    char label[sizeof g_prefs.customLabels[0] + 1] = "";
    if (i < 10) memcpy(label, g_prefs.customLabels[i], sizeof g_prefs.customLabels[i]);
    addText(f, label, ":", text.text);
  }
}

// 7. The note's "Linked To" lines (when shown) and "In Group" lines; a group
// line right behind another has no label.
void tagSection(FullText* f) {
  FieldText note;
  ColumnReadField(f->rec, FieldKind::Note, 0, 0, &note);
  beginSection(f);
  NoteWalk w;
  NoteTagLine line;
  NoteWalkStart(&w, note.text);
  bool afterGroup = false;
  while (NoteWalkNext(&w, &line)) {
    if (line.index == PREFIX_IN_GROUP) {
      const char* label = afterGroup ? "" : ColumnLabelText(FCC("$sG0"));
      addItem(f, label, afterGroup ? "" : ":", line.value, line.valueLength);
      afterGroup = true;
      continue;
    }
    afterGroup = false;
    if (line.index == PREFIX_LINKED_TO && g_prefs.showLinks)
      addItem(f, ColumnLabelText(FCC("$sL0")), ":", line.value, line.valueLength);
  }
}

}  // namespace

char* ColumnFullText(const ContactRec* rec, int16_t column, int16_t n, int32_t width,
                     uint16_t font) {
  TextBuf t = TEXT_EMPTY;
  if (column == 14 && n > 0) return TextFinish(&t);
  if (column == 14 || column == 20 || column == 21) {
    nameBlock(rec, &t, column);
    if (column == 14) TextStripTrailingBreaks(&t);
    return TextFinish(&t);
  }
  FullMode mode =
      column == 24 ? FullMode::Labels : (column == 37 ? FullMode::Compact : FullMode::Full);
  if (column != 22 && column != 24) nameBlock(rec, &t, column);
  FullText f = {rec, &t, mode, width, font, false};
  phoneSection(&f);
  internetSection(&f);
  addressSection(&f);
  birthdaySection(&f);
  customSection(&f);
  tagSection(&f);
  return TextFinish(&t);
}

// ---------------------------------------------------------------------------
// Note columns.

char* ColumnNoteText(const ContactRec* rec, int16_t column) {
  TextBuf t = TEXT_EMPTY;
  if (column == 32) {
    FieldText birthday;
    ColumnReadField(rec, FieldKind::Birthday, 0, 0, &birthday);
    TextAppend(&t, birthday.text);
    return TextFinish(&t);
  }
  FieldText note;
  ColumnReadField(rec, FieldKind::Note, 0, 0, &note);
  uint32_t dateLength = 0;
  const char* date = NoteDateValue(note.text, &dateLength);
  char formatted[64] = "";
  if (date) (void)NoteFormatDate(date, dateLength, formatted, sizeof formatted);
  NoteWalk w;
  NoteTagLine line;
  NoteWalkStart(&w, note.text);
  while (NoteWalkNext(&w, &line)) {
  }
  switch (column) {
    case 27:
      TextAppend(&t, formatted);
      TextEnsureLineBreak(&t);
      TextAppend(&t, w.body);
      break;
    case 33:
      TextAppend(&t, formatted);
      break;
    case 34:
      TextAppend(&t, w.body);
      break;
    case 35:
      if (date) TextAppendN(&t, date, dateLength);
      break;
    default:
      break;
  }
  return TextFinish(&t);
}
