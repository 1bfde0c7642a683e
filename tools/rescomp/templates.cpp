// The two empty contact databases ("ADDR" 1 and 2) that the program writes
// when the user asks for a new blank database. Each is a complete PDB file the
// handheld's address applications accept: the 78-byte header, the two-byte
// gap, no records, and the application info block right after the gap.
//
// Application info of AddressDB (638 bytes):
//   0    standard category block (276): u16 renamed mask, 16 names of 16
//        bytes, 16 category ids, u8 last id, u8 pad
//   276  u16 reserved
//   278  u32 label mask: one bit per field label (22 labels, bit i = label i)
//   282  22 field labels of 16 bytes
//   634  u8 country (23 = United States), u8 reserved, u16 misc (bit 0: sort
//        by company; 0)
// Application info of ContactsDB-PAdd version 1 (1,092 bytes):
//   0    the same category block (276), 276 u16 reserved
//   278  label masks: u32 labels 0-27, u32 labels 28-48, 10 reserved bytes,
//        then the same two words again
//   304  49 field labels of 16 bytes
//   1088 u8 country (23), u8 reserved, u8 sort by company (0), u8 reserved
// Owns no state.
#include "rescomp.h"

namespace {

constexpr uint32_t HEADER_BYTES = 78;
constexpr uint32_t GAP_BYTES = 2;
constexpr uint8_t COUNTRY_UNITED_STATES = 23;
constexpr uint16_t ATTR_BACKUP = 0x0008;

const char* const CATEGORIES[] = {"Unfiled", "Business", "Personal", "QuickList"};

const char* const ADDRESS_LABELS[] = {
    "Last name", "First name", "Company", "Work",     "Home",    "Fax",   "Other",    "E-mail",
    "Address",   "City",       "State",   "Zip Code", "Country", "Title", "Custom 1", "Custom 2",
    "Custom 3",  "Custom 4",   "Note",    "Main",     "Pager",   "Mobile"};

// Names, company, title, the phone labels, the two chat fields, the web
// field, nine custom fields, three addresses (work, home, other) of five
// fields, the note and birthday, the eighth phone label, the five chat
// labels, and the captions of the phone, chat and address groups.
const char* const CONTACTS_LABELS[] = {
    "Last name", "First name", "Company",  "Title",    "Work",        "Home",     "Fax",
    "Other",     "E-mail",     "Main",     "Pager",    "Chat1",       "Chat2",    "Web site",
    "Custom 1",  "Custom 2",   "Custom 3", "Custom 4", "Custom 5",    "Custom 6", "Custom 7",
    "Custom 8",  "Custom 9",   "Addr(W)",  "City",     "State",       "Zip Code", "Country",
    "Addr(H)",   "City",       "State",    "Zip Code", "Country",     "Addr(O)",  "City",
    "State",     "Zip Code",   "Country",  "Note",     "Birthday",    "Mobile",   "IM",
    "AIM",       "MSN",        "Yahoo",    "AOL ICQ",  "Phone/Email", "IM",       "Address"};

void putFixed(std::vector<uint8_t>* out, const char* text, size_t size) {
  size_t n = 0;
  for (; text[n] && n + 1 < size; n++) out->push_back(uint8_t(text[n]));
  out->insert(out->end(), size - n, 0);
}

void putHeader(std::vector<uint8_t>* out, const char* name, uint16_t version, FourCC creator,
               PalmTime now) {
  putFixed(out, name, 32);
  RcPut16(out, ATTR_BACKUP);
  RcPut16(out, version);
  RcPut32(out, now);                       // created
  RcPut32(out, now);                       // modified
  RcPut32(out, 0);                         // never backed up
  RcPut32(out, 0);                         // modification number
  RcPut32(out, HEADER_BYTES + GAP_BYTES);  // application info
  RcPut32(out, 0);                         // no sort info
  RcPut32(out, FCC("DATA"));
  RcPut32(out, creator);
  RcPut32(out, 0);  // unique ID seed
  RcPut32(out, 0);  // next record list
  RcPut16(out, 0);  // no records
  RcPut16(out, 0);  // the gap
}

// The standard category block: the four factory categories with ids 0-3.
void putCategories(std::vector<uint8_t>* out) {
  RcPut16(out, 0);  // none renamed
  for (int i = 0; i < 16; i++) putFixed(out, i < 4 ? CATEGORIES[i] : "", 16);
  for (int i = 0; i < 16; i++) out->push_back(uint8_t(i < 4 ? i : 0));
  out->push_back(3);  // the last id given
  out->push_back(0);
}

template <size_t N>
void putLabels(std::vector<uint8_t>* out, const char* const (&labels)[N]) {
  for (const char* label : labels) putFixed(out, label, 16);
}

std::vector<uint8_t> addressDb(PalmTime now) {
  std::vector<uint8_t> out;
  putHeader(&out, "AddressDB", 0, FCC("addr"), now);
  putCategories(&out);
  RcPut16(&out, 0);
  RcPut32(&out, (1u << std::size(ADDRESS_LABELS)) - 1);
  putLabels(&out, ADDRESS_LABELS);
  out.push_back(COUNTRY_UNITED_STATES);
  out.push_back(0);
  RcPut16(&out, 0);
  return out;
}

std::vector<uint8_t> contactsDb(PalmTime now) {
  constexpr uint32_t count = uint32_t(std::size(CONTACTS_LABELS));
  static_assert(count == 49);
  std::vector<uint8_t> out;
  putHeader(&out, "ContactsDB-PAdd", 1, FCC("PAdd"), now);
  putCategories(&out);
  RcPut16(&out, 0);
  uint32_t low = (1u << 28) - 1, high = (1u << (count - 28)) - 1;
  RcPut32(&out, low);
  RcPut32(&out, high);
  out.insert(out.end(), 10, 0);
  RcPut32(&out, low);
  RcPut32(&out, high);
  putLabels(&out, CONTACTS_LABELS);
  out.push_back(COUNTRY_UNITED_STATES);
  out.push_back(0);
  out.push_back(0);
  out.push_back(0);
  return out;
}

}  // namespace

bool RcEmptyDatabase(const std::string& which, int64_t unixTime, std::vector<uint8_t>* out) {
  PalmTime now = PalmTimeFromUnix(unixTime);
  if (which == "AddressDB") {
    *out = addressDb(now);
  } else if (which == "ContactsDB-PAdd") {
    *out = contactsDb(now);
  } else {
    return false;
  }
  return true;
}
