// Item columns: phones (9, 10, 12, 28), internet items (11, 13, 29, 30) and
// addresses (15, 16, 17, 31), including the address made of custom fields
// and the custom fields whose "$Pre" prefix makes them extra phones, web
// addresses or addresses. Owns the label texts cached from the resources.
#include <cstring>

#include "parse_columns_internal.h"
#include "prefs.h"

// ---------------------------------------------------------------------------
// Label texts, read once per run. A missing resource is asked for again
// next time (it may be a store that is not open yet) and reads as "".

namespace {

struct LabelSlot {
  FourCC name;
  bool loaded;
  char text[48];
};

constexpr int LABEL_SLOTS = 48;
LabelSlot g_labels[LABEL_SLOTS];
int g_labelCount = 0;

FourCC labelName(const char* three, int32_t digit) {
  return (FourCC(uint8_t(three[0])) << 24) | (FourCC(uint8_t(three[1])) << 16) |
         (FourCC(uint8_t(three[2])) << 8) | FourCC(uint8_t('0' + digit));
}

}  // namespace

void ColumnLabelsReset() { g_labelCount = 0; }

void ParseColumnsReset() {
  ColumnLabelsReset();
  NotePrefixesReset();
}

const char* ColumnLabelText(FourCC name) {
  LabelSlot* slot = nullptr;
  for (int i = 0; i < g_labelCount; ++i) {
    if (g_labels[i].name == name) {
      slot = &g_labels[i];
      break;
    }
  }
  if (!slot) {
    static char scratch[48];
    slot = g_labelCount < LABEL_SLOTS ? &g_labels[g_labelCount++] : nullptr;
    if (!slot) {
      (void)RES_GetString(name, scratch, sizeof scratch);
      return scratch;
    }
    slot->name = name;
    slot->loaded = false;
  }
  if (!slot->loaded) slot->loaded = RES_GetString(name, slot->text, sizeof slot->text) == 0;
  return slot->text;
}

const char* ColumnPhoneLabel(int32_t label, bool shortLabel) {
  if (label < 0 || label > 7) return "";
  return ColumnLabelText(labelName(shortLabel ? "$sP" : "$lP", label));
}

const char* ColumnPhoneLetters() { return ColumnLabelText(FCC("$Ftp")); }

const char* ColumnWebLabel(bool shortLabel) {
  return ColumnLabelText(shortLabel ? FCC("$sW0") : FCC("$lW0"));
}

const char* ColumnChatLabel(int32_t label, bool shortLabel) {
  if (label < 0 || label > 4) return "";
  return ColumnLabelText(labelName(shortLabel ? "$sI" : "$lI", label));
}

const char* ColumnAddressLabel(int32_t label) {
  if (label < 0 || label > 2) return "";
  return ColumnLabelText(labelName("$sA", label + 1));
}

// ---------------------------------------------------------------------------
// Phones and internet items.

namespace {

void foundItem(ColumnItem* item, const char* text, int16_t slot, const char* label) {
  TextAppend(&item->text, text);
  item->slot = slot;
  item->label = ColumnDup(label);
}

int32_t phoneCount(const ContactRec* rec) {
  int32_t count = ContactGetInfo(rec, ContactInfo::PhoneCount, 0);
  return count > 0 ? count : 0;
}

// The shown phone, as the first slot of every phone walk.
int32_t shownPhone(const ContactRec* rec, int32_t count) {
  int32_t shown = ContactGetInfo(rec, ContactInfo::ShownPhone, 0);
  return (shown >= 0 && shown < count) ? shown : 0;
}

// Walks the phones from the shown one on, counting the non-empty ones whose
// label is (`email`) or is not an e-mail label; item `*n` is taken.
bool walkPhones(const ContactRec* rec, bool email, uint16_t readFlags, uint16_t flags, int16_t* n,
                ColumnItem* item) {
  int32_t count = phoneCount(rec), shown = shownPhone(rec, count);
  for (int32_t k = 0; k < count; ++k) {
    int16_t slot = int16_t((shown + k) % count);
    int32_t label = ContactGetInfo(rec, ContactInfo::PhoneLabel, slot);
    if ((label == 4) != email) continue;
    FieldText text;
    ColumnReadField(rec, FieldKind::Phone, slot, readFlags, &text);
    if (text.Empty() || (*n)-- > 0) continue;
    foundItem(item, text.text, slot, ColumnPhoneLabel(label, flags & COL_SHORT_LABELS));
    return true;
  }
  return false;
}

// Walks the custom fields whose "$Pre" index lies in [lo, hi] and whose value
// behind the prefix is not empty; item `*n` is taken, labelled by its prefix.
bool walkPrefixed(const ContactRec* rec, int16_t lo, int16_t hi, uint16_t readFlags, int16_t* n,
                  ColumnItem* item) {
  int32_t count = ContactGetInfo(rec, ContactInfo::CustomCount, 0);
  for (int16_t i = 0; i < count; ++i) {
    FieldText text;
    ColumnReadField(rec, FieldKind::Custom, i, readFlags, &text);
    int16_t index = -1;
    const char* value = NotePrefixMatch(text.text, &index, 0);
    if (!value || index < lo || index > hi || !value[0] || (*n)-- > 0) continue;
    foundItem(item, value, -1, ColumnPrefixEntry(index));
    return true;
  }
  return false;
}

// One field kind with `count` slots, each a non-empty item.
bool walkSlots(const ContactRec* rec, FieldKind kind, int32_t count, uint16_t readFlags,
               uint16_t flags, int16_t* n, ColumnItem* item) {
  for (int16_t i = 0; i < count; ++i) {
    FieldText text;
    ColumnReadField(rec, kind, i, readFlags, &text);
    if (text.Empty() || (*n)-- > 0) continue;
    bool shortLabel = flags & COL_SHORT_LABELS;
    const char* label =
        kind == FieldKind::Web
            ? ColumnWebLabel(shortLabel)
            : ColumnChatLabel(ContactGetInfo(rec, ContactInfo::ChatLabel, i), shortLabel);
    foundItem(item, text.text, i, label);
    return true;
  }
  return false;
}

}  // namespace

bool ColumnShownPhoneItem(const ContactRec* rec, uint16_t flags, ColumnItem* item) {
  int32_t count = phoneCount(rec), shown = shownPhone(rec, count);
  for (int32_t k = 0; k < count; ++k) {
    int16_t slot = int16_t((shown + k) % count);
    FieldText text;
    ColumnReadField(rec, FieldKind::Phone, slot, FIELD_FORMAT_PHONE | FIELD_FIRST_LINE, &text);
    if (text.Empty()) continue;
    int32_t label = ContactGetInfo(rec, ContactInfo::PhoneLabel, slot);
    foundItem(item, text.text, slot, ColumnPhoneLabel(label, flags & COL_SHORT_LABELS));
    return true;
  }
  return false;
}

bool ColumnPhoneItem(const ContactRec* rec, int16_t column, int16_t n, uint16_t flags,
                     ColumnItem* item) {
  uint16_t firstLine = column == 10 ? FIELD_FIRST_LINE : 0;
  return walkPhones(rec, false, FIELD_FORMAT_PHONE | firstLine, flags, &n, item) ||
         walkPrefixed(rec, PREFIX_PHONE_FIRST, INT16_MAX, firstLine, &n, item);
}

bool ColumnInternetItem(const ContactRec* rec, int16_t column, int16_t n, uint16_t flags,
                        ColumnItem* item) {
  uint16_t firstLine = column == 11 ? FIELD_FIRST_LINE : 0;
  if (walkPhones(rec, true, firstLine, flags, &n, item)) return true;
  if (column == 29) return false;  // e-mails only
  int32_t chats = ContactGetInfo(rec, ContactInfo::ChatCount, 0);
  bool web = ContactGetInfo(rec, ContactInfo::HasWeb, 0) > 0;
  return (web && walkSlots(rec, FieldKind::Web, 1, firstLine, flags, &n, item)) ||
         walkSlots(rec, FieldKind::Chat, chats, firstLine, flags, &n, item) ||
         walkPrefixed(rec, PREFIX_WEB, PREFIX_WEB, firstLine, &n, item);
}

// ---------------------------------------------------------------------------
// Addresses.

namespace {

struct AddressParts {
  FieldText street, city, state, zip, country;
  bool Counts() const { return !street.Empty() || !city.Empty(); }
};

void readAddress(const ContactRec* rec, int16_t i, AddressParts* a) {
  ColumnReadField(rec, FieldKind::Address, i, 0, &a->street);
  ColumnReadField(rec, FieldKind::City, i, 0, &a->city);
  ColumnReadField(rec, FieldKind::State, i, 0, &a->state);
  ColumnReadField(rec, FieldKind::Zip, i, 0, &a->zip);
  ColumnReadField(rec, FieldKind::Country, i, 0, &a->country);
}

// Custom fields 1 … 4 as street, city, zip and country (no state).
void readCustomAddress(const ContactRec* rec, AddressParts* a) {
  ColumnReadField(rec, FieldKind::Custom, 0, 0, &a->street);
  ColumnReadField(rec, FieldKind::Custom, 1, 0, &a->city);
  ColumnReadField(rec, FieldKind::Custom, 2, 0, &a->zip);
  ColumnReadField(rec, FieldKind::Custom, 3, 0, &a->country);
}

// The second line: city, state and zip, the zip first with `zipFirst`.
void placeLine(TextBuf* t, const AddressParts& a) {
  const char* city = a.city.text;
  const char* state = a.state.text;
  const char* zip = a.zip.text;
  if (g_prefs.zipFirst) {
    TextAppend(t, zip);
    if (zip[0] && (city[0] || state[0])) TextAppend(t, "  ");
    TextAppend(t, city);
    if (city[0] && state[0]) TextAppend(t, ", ");
    TextAppend(t, state);
    return;
  }
  TextAppend(t, city);
  if (city[0] && state[0]) TextAppend(t, ", ");
  TextAppend(t, state);
  if (!zip[0]) return;
  if (city[0] && state[0]) {
    TextAppend(t, "  ");
  } else if (city[0] || state[0]) {
    TextAppend(t, ", ");
  }
  TextAppend(t, zip);
}

void layoutAddress(TextBuf* t, const AddressParts& a, int16_t column) {
  TextAppend(t, a.street.text);
  TextBuf line = TEXT_EMPTY;
  placeLine(&line, a);
  if (line.length) {
    TextEnsureLineBreak(t);
    TextAppendN(t, line.text, line.length);
  }
  TextFree(&line);
  if (column == 15) TextAppendSep(t, "  ", a.country.text);
  if (column == 17) TextAppendSep(t, "\n", a.country.text);
}

bool hasPrefix(const ContactRec* rec, int16_t custom) {
  FieldText text;
  ColumnReadField(rec, FieldKind::Custom, custom, 0, &text);
  return NotePrefixMatch(text.text, nullptr, 0) != nullptr;
}

}  // namespace

bool ColumnCustomAddressShown(const ContactRec* rec) {
  if (!g_prefs.customAddress || ContactGetInfo(rec, ContactInfo::CustomCount, 0) < 4) return false;
  for (int16_t i = 0; i < 4; ++i) {
    if (hasPrefix(rec, i)) return false;
  }
  AddressParts a;
  readCustomAddress(rec, &a);
  return a.Counts();
}

bool ColumnAddressItem(const ContactRec* rec, int16_t column, int16_t n, bool withPrefixed,
                       ColumnItem* item) {
  int32_t count = ContactGetInfo(rec, ContactInfo::AddressCount, 0);
  for (int16_t i = 0; i < count; ++i) {
    AddressParts a;
    readAddress(rec, i, &a);
    if (!a.Counts() || n-- > 0) continue;
    layoutAddress(&item->text, a, column);
    item->slot = i;
    item->label = ColumnDup(ColumnAddressLabel(ContactGetInfo(rec, ContactInfo::AddressLabel, i)));
    return true;
  }
  if (ColumnCustomAddressShown(rec) && n-- == 0) {
    AddressParts a;
    readCustomAddress(rec, &a);
    layoutAddress(&item->text, a, column);
    item->slot = -1;
    item->label = ColumnDup(ColumnLabelText(FCC("$sA0")));
    return true;
  }
  return withPrefixed && walkPrefixed(rec, PREFIX_ADDRESS_FIRST, PREFIX_ADDRESS_LAST, 0, &n, item);
}
