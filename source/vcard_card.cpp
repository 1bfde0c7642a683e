// One contact's vCard 2.1 card, in the order the handheld writes it: name,
// addresses, organisation, title and note, phones and e-mail, custom
// fields, chat names, web address, birthday, picture. Values come from the
// record accessor; each fetched text is released after use.
// Owns no state.
#include <cstring>

#include "vcard.h"

namespace {

// Field texts of one card live in one block taken when the card starts, so
// that a text can never go missing later for want of memory: the texts
// alive at once are disjoint pieces of the record, so twice its size holds
// them with their zero bytes.
struct Arena {
  char* base;
  uint32_t used, capacity;
};

// A field text in the arena, given back when it goes out of scope (texts
// are freed in the reverse order of their fetching).
struct FieldText {
  Arena* arena;
  char* text = nullptr;
  uint32_t length = 0;
  FieldText() : arena(nullptr) {}  // an empty component
  FieldText(Arena* a, const ContactRec* rec, FieldKind kind, int16_t index) : arena(a) {
    char* at = a->base + a->used;
    text = ContactGetField(rec, kind, index, at, a->capacity - a->used, FIELD_NULL_IF_ABSENT);
    if (!text) return;
    length = uint32_t(strlen(text));
    a->used += length + 1;
  }
  ~FieldText() {
    if (text) arena->used -= length + 1;
  }
  FieldText(const FieldText&) = delete;
  FieldText& operator=(const FieldText&) = delete;
  bool empty() const { return length == 0; }
  const char* str() const { return text ? text : ""; }
  uint32_t size() const { return length; }
};

bool needsCharset(const FieldText& f) { return VCardNeedsCharset(f.str(), f.size()); }

bool raw(VCardText* t, const char* s) { return VCardAppendZ(t, s, VCardMode::Raw); }

bool component(VCardText* t, const FieldText& f) {
  return VCardAppend(t, f.str(), f.size(), VCardMode::Component);
}

bool property(VCardText* t, const char* name, const FieldText& f) {
  return raw(t, name) && VCardAppend(t, f.str(), f.size(), VCardMode::Property);
}

// A structured value (name or address): its components joined by ";". A
// component's line break cannot stand in a plain value (importers take the
// line end for the end of the property), so a value holding one is written
// quoted-printable as a whole; ";" inside a component stays escaped as "\;".
bool structured(VCardText* t, const char* head, const FieldText* const* parts, int count) {
  bool charset = false, lineFeed = false;
  for (int i = 0; i < count; i++) {
    charset |= needsCharset(*parts[i]);
    lineFeed |= memchr(parts[i]->str(), '\n', parts[i]->size()) != nullptr;
  }
  if (!raw(t, head)) return false;
  if (!lineFeed) {
    if (!raw(t, charset ? ";CHARSET=ISO-8859-1:" : ":")) return false;
    for (int i = 0; i < count; i++)
      if ((i > 0 && !raw(t, ";")) || !component(t, *parts[i])) return false;
    return raw(t, "\r\n");
  }
  VCardText value;
  bool ok = VCardTextInit(&value) == 0;
  for (int i = 0; ok && i < count; i++) {
    ok = i == 0 || VCardAppendZ(&value, ";", VCardMode::Raw);
    for (uint32_t k = 0; ok && k < parts[i]->size(); k++) {
      const char* c = parts[i]->str() + k;
      ok = *c == ';' ? VCardAppendZ(&value, "\\;", VCardMode::Raw)
                     : VCardAppend(&value, c, 1, VCardMode::Raw);
    }
  }
  ok = ok && raw(t, ";CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:=\r\n") &&
       VCardAppendQuotedPrintable(t, value.text, value.length) && raw(t, "\r\n");
  VCardTextFree(&value);
  if (!ok) t->failed = true;
  return ok;
}

// 2. Written even when both names are empty.
bool appendName(VCardText* t, Arena* a, const ContactRec* rec) {
  FieldText last(a, rec, FieldKind::LastName, 0), first(a, rec, FieldKind::FirstName, 0);
  const FieldText* parts[] = {&last, &first};
  return structured(t, "N", parts, 2);
}

// 3. An address whose street is empty is left out whole. The two empty
// components in front are the post-office box and the extended address.
bool appendAddresses(VCardText* t, Arena* a, const ContactRec* rec) {
  int32_t count = ContactGetInfo(rec, ContactInfo::AddressCount, 0);
  for (int16_t i = 0; i < count; i++) {
    FieldText street(a, rec, FieldKind::Address, i);
    if (street.empty()) continue;
    FieldText city(a, rec, FieldKind::City, i), state(a, rec, FieldKind::State, i),
        zip(a, rec, FieldKind::Zip, i), country(a, rec, FieldKind::Country, i);
    FieldText none;
    const FieldText* parts[] = {&none, &none, &street, &city, &state, &zip, &country};
    int32_t label = ContactGetInfo(rec, ContactInfo::AddressLabel, i);
    if (!structured(t, label == 1 ? "ADR;HOME" : label == 2 ? "ADR" : "ADR;WORK", parts, 7))
      return false;
  }
  return true;
}

// 4.
bool appendTexts(VCardText* t, Arena* a, const ContactRec* rec) {
  static constexpr struct {
    FieldKind kind;
    const char* name;
  } kTexts[] = {{FieldKind::Company, "ORG"}, {FieldKind::Title, "TITLE"}, {FieldKind::Note, "NOTE"}};
  for (const auto& p : kTexts) {
    FieldText f(a, rec, p.kind, 0);
    if (!f.empty() && !property(t, p.name, f)) return false;
  }
  return true;
}

// 5. The e-mail entries of the phone list are "EMAIL", never "TEL;PREF".
bool appendPhones(VCardText* t, Arena* a, const ContactRec* rec) {
  static constexpr const char* kTypes[8] = {";WORK;VOICE", ";HOME;VOICE", ";FAX", "",
                                            "",            ";X-PALM-MAIN;VOICE", ";PAGER", ";CELL"};
  int32_t count = ContactGetInfo(rec, ContactInfo::PhoneCount, 0);
  int32_t shown = ContactGetInfo(rec, ContactInfo::ShownPhone, 0);
  for (int16_t i = 0; i < count; i++) {
    FieldText number(a, rec, FieldKind::Phone, i);
    if (number.empty()) continue;
    int32_t label = ContactGetInfo(rec, ContactInfo::PhoneLabel, i);
    bool ok = label == 4 ? raw(t, "EMAIL")
                         : raw(t, i == shown ? "TEL;PREF" : "TEL") &&
                               raw(t, label >= 0 && label < 8 ? kTypes[label] : "");
    if (!ok || !VCardAppend(t, number.str(), number.size(), VCardMode::Property)) return false;
  }
  return true;
}

// 6. - 8.
bool appendExtras(VCardText* t, Arena* a, const ContactRec* rec) {
  int32_t customs = ContactGetInfo(rec, ContactInfo::CustomCount, 0);
  for (int16_t i = 0; i < customs; i++) {
    FieldText f(a, rec, FieldKind::Custom, i);
    if (f.empty()) continue;
    char name[24];
    STR_Format(name, sizeof name, i < 4 ? "X-PALM-CUSTOM;%hd" : "X-PALM-CUSTOM%hd", int(i + 1));
    if (!property(t, name, f)) return false;
  }
  static constexpr const char* kChats[4] = {"X-AIM", "X-MSN", "X-YAHOO", "X-ICQ"};
  int32_t chats = ContactGetInfo(rec, ContactInfo::ChatCount, 0);
  for (int16_t i = 0; i < chats; i++) {
    FieldText f(a, rec, FieldKind::Chat, i);
    if (f.empty()) continue;
    int32_t label = ContactGetInfo(rec, ContactInfo::ChatLabel, i);
    if (!property(t, label >= 0 && label < 4 ? kChats[label] : "X-PALMSG-IM", f)) return false;
  }
  int32_t webs = ContactGetInfo(rec, ContactInfo::HasWeb, 0);
  for (int16_t i = 0; i < webs; i++) {
    FieldText f(a, rec, FieldKind::Web, i);
    if (!f.empty() && !property(t, "URL;WORK", f)) return false;
  }
  return true;
}

// 9. - 10.
bool appendBirthdayAndPhoto(VCardText* t, const ContactRec* rec) {
  int32_t info = ContactGetInfo(rec, ContactInfo::BirthdayInfo, 0);
  if (ContactGetInfo(rec, ContactInfo::HasBirthday, 0) != 0 && info != BIRTHDAY_NONE) {
    uint32_t bits = uint32_t(info);
    char line[32];
    STR_Format(line, sizeof line, "BDAY:%04ld%02ld%02ld\r\n", int32_t(((bits >> 25) & 0x7F) + 1904),
               int32_t((bits >> 21) & 0x0F), int32_t((bits >> 16) & 0x1F));
    if (!raw(t, line)) return false;
  }
  void* jpeg = nullptr;
  Err err = ContactGetPicture(rec, PICTURE_JPEG, 0, 0, &jpeg);
  // No picture, or one too damaged to read: the card goes without it. Short
  // memory drops the card instead, so it never goes out incomplete.
  if (err == ERR_MEM_FULL) return false;
  if (err != 0) return true;
  bool ok = VCardAppendPhoto(t, static_cast<const uint8_t*>(jpeg), MEM_Size(jpeg));
  MEM_Free(jpeg);
  return ok;
}

}  // namespace

Err VCardBuild(const ContactRec* rec, char** out, uint32_t* outLength) {
  if (out) *out = nullptr;
  if (outLength) *outLength = 0;
  if (!rec) return -1;
  VCardText t;
  if (VCardTextInit(&t) != 0) return -1;
  Arena arena{nullptr, 0, 2 * rec->size + 64};
  arena.base = static_cast<char*>(MEM_Alloc(arena.capacity, false));
  Arena* a = &arena;
  bool ok = arena.base && raw(&t, "BEGIN:VCARD\r\nVERSION:2.1\r\nX-PALM:4.0\r\n") &&
            appendName(&t, a, rec) && appendAddresses(&t, a, rec) && appendTexts(&t, a, rec) &&
            appendPhones(&t, a, rec) && appendExtras(&t, a, rec) &&
            appendBirthdayAndPhoto(&t, rec) && raw(&t, "END:VCARD\r\n");
  MEM_Free(arena.base);
  if (!ok || t.failed) {
    VCardTextFree(&t);
    return ERR_MEM_FULL;
  }
  if (outLength) *outLength = t.length;
  if (out)
    *out = t.text;
  else
    MEM_Free(t.text);
  return 0;
}
