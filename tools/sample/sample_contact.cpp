// One sample contact, written into an empty record through the accessor:
// names and company, phones with their labels and the shown phone, e-mail,
// chat and web, addresses, custom fields with and without "$Pre" prefixes,
// a note with "Note Date", "Linked To" and "In Group" tag lines, a birthday
// and a picture. Only what the record's layout has is written (an AddressDB
// contact keeps its web address in a "Web: " custom field). Owns no state.
#include <cstdio>
#include <string>
#include <vector>

#include "sample_internal.h"

namespace {

constexpr uint8_t LABEL_EMAIL = 4;

struct Filler {
  ContactRec* rec;
  SampleRng* rng;
  bool contacts;
  Err err;
  std::string first, last, company;
};

void setField(Filler* f, FieldKind kind, int16_t index, const std::string& text) {
  if (f->err == 0 && !text.empty()) f->err = ContactSetField(f->rec, kind, index, text.c_str());
}

void setInfo(Filler* f, ContactInfo selector, int16_t index, int32_t value) {
  if (f->err == 0) f->err = ContactSetInfo(f->rec, selector, index, value);
}

std::string email(Filler* f) {
  std::string first = SampleAscii(f->first), last = SampleAscii(f->last);
  std::string user = first.empty() ? last : last.empty() ? first : first + "." + last;
  if (user.empty()) user = "info";
  if (SampleChance(f->rng, 30) && !first.empty() && !last.empty()) user = first.substr(0, 1) + last;
  std::string domain = SamplePick(f->rng, SAMPLE_DOMAINS);
  std::string firm = SampleAscii(f->company);
  if (!firm.empty() && SampleChance(f->rng, 50)) domain = firm.substr(0, 12) + ".example";
  return user + "@" + domain;
}

std::string web(Filler* f) {
  std::string firm = SampleAscii(f->company);
  if (!firm.empty() && SampleChance(f->rng, 70))
    return "http://www." + firm.substr(0, 16) + ".example.com/";
  std::string who = SampleAscii(f->last.empty() ? f->first : f->last);
  return "http://home.example.net/~" + (who.empty() ? std::string("me") : who);
}

std::string date(SampleRng* rng, int fromYear, int years) {
  char text[24];
  snprintf(text, sizeof text, "%d/%u/%u", fromYear + int(SampleBelow(rng, uint32_t(years))),
           1 + SampleBelow(rng, 12), 1 + SampleBelow(rng, 28));
  return text;
}

// 1. Names and company: mostly both names; some only one; a few only a
// company, which the list then shows by its company.
void fillNames(Filler* f) {
  SampleRng* rng = f->rng;
  uint32_t shape = SampleBelow(rng, 100);
  if (shape >= 5) f->first = shape < 10 || shape >= 13 ? SamplePick(rng, SAMPLE_FIRST_NAMES) : "";
  if (shape >= 10) f->last = SamplePick(rng, SAMPLE_LAST_NAMES);
  if (shape < 5 || SampleChance(rng, 45)) f->company = SamplePick(rng, SAMPLE_COMPANIES);
  setField(f, FieldKind::LastName, 0, f->last);
  setField(f, FieldKind::FirstName, 0, f->first);
  setField(f, FieldKind::Company, 0, f->company);
  if (!f->company.empty() && SampleChance(rng, 40))
    setField(f, FieldKind::Title, 0, SamplePick(rng, SAMPLE_TITLES));
}

// 2. Phones in the first slots (now and then one left empty), most keeping
// the label the empty record has, e-mail addresses under label 4.
void fillPhones(Filler* f) {
  SampleRng* rng = f->rng;
  int16_t slots = int16_t(ContactGetInfo(f->rec, ContactInfo::PhoneCount, 0));
  static const uint32_t kCounts[] = {0, 1, 1, 1, 2, 2, 2, 3, 3, 4, 5, 7};
  int16_t wanted = int16_t(kCounts[SampleBelow(rng, 12)]);
  std::vector<int16_t> used;
  for (int16_t slot = 0; slot < slots && int16_t(used.size()) < wanted; slot++) {
    if (SampleChance(rng, 8)) continue;
    int32_t label = ContactGetInfo(f->rec, ContactInfo::PhoneLabel, slot);
    if (SampleChance(rng, 25)) {
      label = int32_t(SampleBelow(rng, 8));
      setInfo(f, ContactInfo::PhoneLabel, slot, label);
    }
    setField(f, FieldKind::Phone, slot,
             label == LABEL_EMAIL ? email(f)
                                  : SampleDigits(rng, SamplePick(rng, SAMPLE_PHONE_PATTERNS)));
    used.push_back(slot);
  }
  if (!used.empty())
    setInfo(f, ContactInfo::ShownPhone, 0, used[SampleBelow(rng, uint32_t(used.size()))]);
}

// 3. Chat and web (ContactsDB-PAdd only).
void fillInternet(Filler* f) {
  SampleRng* rng = f->rng;
  if (!f->contacts) return;
  for (int16_t i = 0; i < 2 && SampleChance(rng, i == 0 ? 15 : 30); i++) {
    int32_t label = int32_t(SampleBelow(rng, 5));
    std::string handle = SampleAscii(f->first + f->last);
    if (handle.empty() || label == 4)
      handle = SampleDigits(rng, "#########");
    else
      handle += SampleDigits(rng, "##");
    setInfo(f, ContactInfo::ChatLabel, i, label);
    setField(f, FieldKind::Chat, i, handle);
  }
  if (SampleChance(rng, 15)) setField(f, FieldKind::Web, 0, web(f));
}

// 4. Addresses: street (sometimes two lines), city, state, zip, country.
void fillAddresses(Filler* f) {
  SampleRng* rng = f->rng;
  int16_t slots = int16_t(ContactGetInfo(f->rec, ContactInfo::AddressCount, 0));
  uint32_t r = SampleBelow(rng, 100);
  int16_t count = r < 35 ? 0 : r < 80 ? 1 : r < 94 ? 2 : 3;
  for (int16_t i = 0; i < count && i < slots; i++) {
    const SamplePlace& place = SAMPLE_PLACES[SampleBelow(rng, SAMPLE_PLACE_COUNT)];
    if (f->contacts && SampleChance(rng, 20))
      setInfo(f, ContactInfo::AddressLabel, i, int32_t(SampleBelow(rng, 3)));
    if (SampleChance(rng, 90))
      setField(f, FieldKind::Address, i, SampleDigits(rng, SamplePick(rng, SAMPLE_STREETS)));
    setField(f, FieldKind::City, i, place.city);
    setField(f, FieldKind::State, i, place.state);
    if (SampleChance(rng, 85)) setField(f, FieldKind::Zip, i, SampleDigits(rng, place.zip));
    if (SampleChance(rng, 70)) setField(f, FieldKind::Country, i, place.country);
  }
}

// A custom value: prefixed ("Phone1: ", "Web: ", "Addr 2: ", …) or plain.
std::string customText(Filler* f, bool* webDone) {
  SampleRng* rng = f->rng;
  switch (SampleBelow(rng, 10)) {
    case 0:
      return "Phone1: " + SampleDigits(rng, SamplePick(rng, SAMPLE_PHONE_PATTERNS));
    case 1:
      return std::string(SampleChance(rng, 50) ? "Phone2: " : "VMail: ") +
             SampleDigits(rng, "555-####");
    case 2:
      *webDone = true;
      return "Web: " + web(f);
    case 3: {
      const SamplePlace& place = SAMPLE_PLACES[SampleBelow(rng, SAMPLE_PLACE_COUNT)];
      return std::string(SampleChance(rng, 50) ? "Addr 2: " : "Home: ") +
             SampleDigits(rng, "## Rose Lane, ") + place.city;
    }
    case 4:
      return "Anniv: " + date(rng, 1970, 50);
    case 5:
      return "Handle: @" + SampleAscii(f->first + f->last);
    case 6:
      return std::string("Group: ") + SamplePick(rng, SAMPLE_GROUPS);
    default:
      return SamplePick(rng, SAMPLE_CUSTOM_TEXTS);
  }
}

// 5. Custom fields, mostly from the first slot on.
void fillCustom(Filler* f) {
  SampleRng* rng = f->rng;
  int16_t slots = int16_t(ContactGetInfo(f->rec, ContactInfo::CustomCount, 0));
  bool webDone = false;
  if (slots > 0 && SampleChance(rng, 30)) {
    int16_t count = int16_t(1 + SampleBelow(rng, 3));
    int16_t slot = SampleChance(rng, 80) ? 0 : int16_t(SampleBelow(rng, uint32_t(slots)));
    for (; count > 0 && slot < slots; count--, slot++)
      setField(f, FieldKind::Custom, slot, customText(f, &webDone));
  }
  // The classic layout has no web field: the address goes to the last custom field.
  if (!f->contacts && !webDone && slots > 0 && SampleChance(rng, 10))
    setField(f, FieldKind::Custom, int16_t(slots - 1), "Web: " + web(f));
}

// 6. The note: tag lines first, then the body.
void fillNote(Filler* f) {
  SampleRng* rng = f->rng;
  if (!SampleChance(rng, 35)) return;
  std::string note;
  if (SampleChance(rng, 60)) note += "Note Date: " + date(rng, 2015, 11) + "\n";
  if (SampleChance(rng, 20))
    note += std::string("Linked To: ") + SamplePick(rng, SAMPLE_LAST_NAMES) + ", " +
            SamplePick(rng, SAMPLE_FIRST_NAMES) + "\n";
  for (int groups = SampleChance(rng, 25) ? 1 + int(SampleBelow(rng, 2)) : 0; groups > 0; groups--)
    note += std::string("In Group: ") + SamplePick(rng, SAMPLE_GROUPS) + "\n";
  if (note.empty() || SampleChance(rng, 80)) note += SamplePick(rng, SAMPLE_NOTE_LINES);
  while (!note.empty() && note.back() == '\n') note.pop_back();
  setField(f, FieldKind::Note, 0, note);
}

// 7. Birthday (with an alarm a number of days ahead, or none) and picture.
void fillBirthdayAndPicture(Filler* f) {
  SampleRng* rng = f->rng;
  if (!f->contacts) return;
  if (SampleChance(rng, 25)) {
    uint32_t year = 1940 + SampleBelow(rng, 66), month = 1 + SampleBelow(rng, 12);
    uint32_t day = 1 + SampleBelow(rng, 28);
    uint32_t packed = ((year - 1904) << 9) | (month << 5) | day;
    static const uint32_t kAhead[] = {0, 1, 2, 3, 7, 14};
    uint32_t alarm =
        SampleChance(rng, 40) ? 0x0100 | kAhead[SampleBelow(rng, 6)] : BIRTHDAY_NO_ALARM;
    setInfo(f, ContactInfo::BirthdayInfo, 0, int32_t((packed << 16) | alarm));
  }
  if (f->err != 0 || !SampleChance(rng, 8)) return;
  ImgSurface* picture = nullptr;
  char a = f->first.empty() ? 0 : f->first[0], b = f->last.empty() ? 0 : f->last[0];
  if (!a && !b && !f->company.empty()) a = f->company[0];
  f->err = SamplePicture(rng, a, b, &picture);
  if (f->err == 0) f->err = ContactSetPicture(f->rec, picture);
  IMG_SurfaceFree(&picture);
}

}  // namespace

Err SampleFillContact(ContactRec* rec, SampleRng* rng, bool contacts) {
  Filler f{rec, rng, contacts, 0, {}, {}, {}};
  fillNames(&f);
  fillPhones(&f);
  fillInternet(&f);
  fillAddresses(&f);
  fillCustom(&f);
  fillNote(&f);
  fillBirthdayAndPicture(&f);
  return f.err;
}
