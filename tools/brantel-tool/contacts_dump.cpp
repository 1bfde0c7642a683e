// `brantel-tool contacts dump`: every record of a contact database as the
// program sees it (attributes and category, every field kind and slot, the
// record info, the picture, the 38 columns), as text or JSON, and the
// conversions between the handheld's character set and the terminal's
// UTF-8. Everything is read through the contact store; nothing is written.
// Owns no state.
#include <cstdarg>
#include <cstring>
#include <string>

#include "contacts_command.h"
#include "tool.h"

const char* const CONTACT_KIND_NAMES[FIELD_KIND_COUNT] = {
    "LastName", "FirstName", "Company", "Phone", "Address", "City", "State",    "Zip",
    "Country",  "Title",     "Chat",    "Web",   "Custom",  "Note", "Birthday", "Picture"};

const char* const CONTACT_INFO_NAMES[CONTACT_INFO_COUNT] = {
    "ShownPhone",   "PhoneLabel", "PhoneCount", "AddressCount", "CustomCount",  "CustomLabelCount",
    "AddressLabel", "ChatLabel",  "ChatCount",  "HasBirthday",  "BirthdayInfo", "HasWeb"};

namespace {

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
  char buffer[256];
  va_list args;
  va_start(args, fmt);
  vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  return buffer;
}

// The UTF-8 form of one handheld character.
void putUtf8(std::string* out, char c) {
  char utf8[4];
  uint32_t n = TXT_ToUtf8(&c, 1, utf8, sizeof utf8);
  out->append(utf8, n);
}

const char* orderName(int16_t order) {
  return order == 2 ? "company" : order == 1 ? "first name" : "last name";
}

// How many slots of `kind` the record's layout has.
int16_t slotCount(const ContactRec* rec, int16_t kind) {
  auto info = [rec](ContactInfo s) { return int16_t(ContactGetInfo(rec, s, 0)); };
  switch (FieldKind(kind)) {
    case FieldKind::Phone:
      return info(ContactInfo::PhoneCount);
    case FieldKind::Address:
    case FieldKind::City:
    case FieldKind::State:
    case FieldKind::Zip:
    case FieldKind::Country:
      return info(ContactInfo::AddressCount);
    case FieldKind::Chat:
      return info(ContactInfo::ChatCount);
    case FieldKind::Web:
      return info(ContactInfo::HasWeb) > 0 ? 1 : 0;
    case FieldKind::Custom:
      return info(ContactInfo::CustomCount);
    case FieldKind::Birthday:
      return info(ContactInfo::HasBirthday) > 0 ? 1 : 0;
    case FieldKind::Picture:
      return rec->db && rec->db->isContacts ? 1 : 0;
    default:
      return 1;
  }
}

// The slots an info selector is read for (1 for the unindexed ones).
int16_t infoSlots(const ContactRec* rec, int16_t selector) {
  switch (ContactInfo(selector)) {
    case ContactInfo::PhoneLabel:
      return slotCount(rec, int16_t(FieldKind::Phone));
    case ContactInfo::AddressLabel:
      return slotCount(rec, int16_t(FieldKind::Address));
    case ContactInfo::ChatLabel:
      return slotCount(rec, int16_t(FieldKind::Chat));
    default:
      return 1;
  }
}

bool indexedInfo(int16_t selector) {
  ContactInfo s = ContactInfo(selector);
  return s == ContactInfo::PhoneLabel || s == ContactInfo::AddressLabel ||
         s == ContactInfo::ChatLabel;
}

std::string attributeText(uint8_t attributes) {
  std::string out = format("0x%02x", attributes);
  if (attributes & REC_ATTR_DELETED) out += " deleted";
  if (attributes & REC_ATTR_SECRET) out += " private";
  if (attributes & REC_ATTR_DIRTY) out += " dirty";
  return out;
}

// The picture as JSON ({"bytes", "width", "height"} or null) or text.
std::string pictureText(const ContactRec* rec, bool json) {
  void* jpeg = nullptr;
  Err err = ContactGetPicture(rec, PICTURE_JPEG, 0, 0, &jpeg);
  if (err != 0) {
    if (json) return "null";
    return err == -1 ? "" : "  picture: damaged (" + ToolErrText(err) + ")\n";
  }
  uint32_t size = MEM_Size(jpeg);
  int16_t w = 0, h = 0;
  bool sized = JPG_ReadSize(static_cast<const uint8_t*>(jpeg), size, &w, &h) == 0;
  MEM_Free(jpeg);
  if (json) return format("{\"bytes\": %u, \"width\": %d, \"height\": %d}", size, w, h);
  return sized ? format("  picture: %u bytes of JPEG, %d x %d\n", size, w, h)
               : format("  picture: %u bytes, not a readable JPEG\n", size);
}

// One record: fields, info, picture and columns.
void dumpFields(const ContactRec* rec, bool json, std::string* out) {
  if (json) *out += "      \"fields\": {";
  for (int16_t kind = 0; kind < FIELD_KIND_COUNT; kind++) {
    int16_t slots = slotCount(rec, kind);
    if (json) *out += format("%s\n        \"%s\": [", kind ? "," : "", CONTACT_KIND_NAMES[kind]);
    for (int16_t i = 0; i < slots; i++) {
      char* text = ContactGetField(rec, FieldKind(kind), i, nullptr, 0, FIELD_NULL_IF_ABSENT);
      if (json)
        *out += (i ? ", " : "") + (text ? ContactsJsonString(text) : std::string("null"));
      else if (text)
        *out += format("  %s %d: ", CONTACT_KIND_NAMES[kind], i) + ContactsTextEscape(text) + "\n";
      MEM_Free(text);
    }
    if (json) *out += "]";
  }
  if (json) *out += "\n      },\n";
}

void dumpInfo(const ContactRec* rec, bool json, std::string* out) {
  if (json) *out += "      \"info\": {";
  for (int16_t s = 0; s < CONTACT_INFO_COUNT; s++) {
    std::string values;
    int16_t slots = infoSlots(rec, s);
    for (int16_t i = 0; i < slots; i++)
      values +=
          format("%s%d", i ? (json ? ", " : " ") : "", int(ContactGetInfo(rec, ContactInfo(s), i)));
    if (json && indexedInfo(s)) values = "[" + values + "]";
    if (json)
      *out += format("%s\n        \"%s\": ", s ? "," : "", CONTACT_INFO_NAMES[s]) + values;
    else
      *out += format("  info %s: ", CONTACT_INFO_NAMES[s]) + values + "\n";
  }
  if (json) *out += "\n      },\n";
}

void dumpColumns(const ContactRec* rec, bool json, std::string* out) {
  if (json) *out += "      \"columns\": [";
  for (int16_t c = 0; c < COLUMN_COUNT; c++) {
    char* text = ContactColumnText(rec, c, 0, nullptr, nullptr, 0, 0, 0);
    const char* shown = text ? text : "";
    if (json)
      *out += format("%s\n        ", c ? "," : "") + ContactsJsonString(shown);
    else if (shown[0])
      *out += format("  column %d: ", c) + ContactsTextEscape(shown) + "\n";
    MEM_Free(text);
  }
  if (json) *out += "\n      ]\n";
}

// Returns false (after an error line) when the record cannot be read.
bool dumpRecord(ContactDb* db, uint16_t index, const char* path, bool json, std::string* out) {
  uint16_t mask = 0;
  uint8_t attributes = 0;
  uint32_t uniqueId = 0;
  ContactRec rec;
  if (ContactGetAttributes(db, index, &mask, &attributes) != 0 ||
      DB_RecordUniqueId(db->file, index, &uniqueId) != 0 || ContactFetch(&rec, db, index) != 0) {
    ToolFail(path, "cannot read record %u", index);
    return false;
  }
  uint8_t category = ContactCategoryFromMask(mask);
  if (json) {
    *out += format(
        "%s\n    {\n      \"index\": %u,\n      \"uniqueId\": %u,\n      \"size\": %u,\n"
        "      \"attributes\": %u,\n      \"category\": %u,\n",
        index ? "," : "", index, uniqueId, rec.size, attributes, category);
  } else {
    *out += format("\nrecord %u: unique ID %u, %u bytes, attributes %s, category %u\n", index,
                   uniqueId, rec.size, attributeText(attributes).c_str(), category);
  }
  dumpFields(&rec, json, out);
  dumpInfo(&rec, json, out);
  std::string picture = pictureText(&rec, json);
  *out += json ? "      \"picture\": " + picture + ",\n" : picture;
  dumpColumns(&rec, json, out);
  if (json) *out += "    }";
  ContactRelease(&rec);
  return true;
}

// A host path as a JSON string: UTF-8 as it is, anything else byte by byte.
std::string jsonPath(const char* path) {
  std::string ignored;
  if (!ContactsFromUtf8(path, &ignored)) return ContactsJsonString(path);
  std::string out = "\"";
  for (const char* p = path; *p; p++) {
    uint8_t c = uint8_t(*p);
    if (c == '"' || c == '\\')
      out += std::string("\\") + char(c);
    else if (c < 0x20 || c == 0x7F)
      out += format("\\u%04x", c);
    else
      out += char(c);
  }
  return out + "\"";
}

}  // namespace

std::string ContactsTextEscape(const char* text) {
  std::string out;
  for (const char* p = text; *p; p++) {
    uint8_t c = uint8_t(*p);
    if (c == '\n')
      out += "\\n";
    else if (c >= 0x20 && c < 0x7F && c != '\\')
      out += char(c);
    else
      out += format("\\x%02x", c);
  }
  return out;
}

std::string ContactsJsonString(const char* text) {
  std::string out = "\"";
  for (const char* p = text; *p; p++) {
    uint8_t c = uint8_t(*p);
    uint32_t cp = TXT_CharToUnicode(c);
    if (c == '"' || c == '\\')
      out += std::string("\\") + char(c);
    else if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0))  // line breaks and C1 controls: \u000a
      out += format("\\u%04x", c);
    else
      putUtf8(&out, char(c));
  }
  return out + "\"";
}

bool ContactsFromUtf8(const std::string& utf8, std::string* out) {
  out->clear();
  std::string result;
  for (size_t i = 0; i < utf8.size();) {
    uint8_t c = uint8_t(utf8[i]);
    int extra = c < 0x80             ? 0
                : (c & 0xE0) == 0xC0 ? 1
                : (c & 0xF0) == 0xE0 ? 2
                : (c & 0xF8) == 0xF0 ? 3
                                     : -1;
    if (extra < 0 || i + size_t(extra) >= utf8.size()) return false;
    uint32_t cp = extra ? c & (0x3F >> extra) : c;
    for (int k = 1; k <= extra; k++) {
      uint8_t d = uint8_t(utf8[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    static const uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[extra] || cp == 0) return false;  // overlong forms, zero bytes
    i += size_t(extra) + 1;
    if (cp <= 0xFF) {  // ASCII, Latin-1 and the C1 codes as their bytes
      result += char(cp);
      continue;
    }
    uint8_t byte = TXT_UnicodeToChar(cp);
    if (byte == 0) return false;
    result += char(byte);
  }
  *out = result;
  return true;
}

int ContactsDump(ContactDb* db, const char* path, bool json) {
  uint16_t count = ContactDbCount(db);
  int16_t order = ContactDetectOrder(db, -1);
  const char* layout = db->isContacts ? "ContactsDB-PAdd" : "AddressDB";
  std::string out;
  if (json)
    out = "{\n  \"file\": " + jsonPath(path) +
          format(",\n  \"layout\": \"%s\",\n  \"count\": %u,\n  \"order\": %d,\n  \"records\": [",
                 layout, count, order);
  else
    out = ContactsTextEscape(path) +
          format(": %s, %u records, order %d (%s)\n", layout, count, order, orderName(order));
  for (uint16_t i = 0; i < count; i++) {
    if (!dumpRecord(db, i, path, json, &out)) return TOOL_EXIT_ERROR;
    if (out.size() > 65536) {  // keep memory flat on large files
      fputs(out.c_str(), stdout);
      out.clear();
    }
  }
  if (json) out += count ? "\n  ]\n}\n" : "]\n}\n";
  fputs(out.c_str(), stdout);
  return TOOL_EXIT_OK;
}
