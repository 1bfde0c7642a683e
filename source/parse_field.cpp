// Reading a contact field as text: the string of (kind, index), the joined
// text of every stored string, the birthday written as a date and the
// picture placeholder, then the flags (blanks for line breaks, first line,
// phone templates). Bytes 0x80-0xFF and the 0x01 before a Japanese reading
// are copied as found. Owns no state.
#include <cstring>

#include "parse_internal.h"
#include "prefs.h"

namespace {

// A text assembled piece by piece: with `out` null only its length is
// counted; otherwise at most `room` bytes are written.
struct TextSink {
  char* out;
  uint32_t room;
  uint32_t length;
};

void emit(TextSink* sink, const uint8_t* bytes, uint32_t count) {
  if (sink->out && sink->length < sink->room) {
    uint32_t n = sink->room - sink->length;
    if (n > count) n = count;
    memcpy(sink->out + sink->length, bytes, n);
  }
  sink->length += count;
}

// Every stored string, in storage order, joined by "\n"; strings that start
// behind the record's end are not there. False when none is stored.
bool allText(const uint8_t* record, uint32_t size, bool contacts, TextSink* sink) {
  const uint32_t header = HeaderBytes(contacts);
  if (size < header) return false;
  const uint64_t flags = RecordFlags(record, size, contacts);
  const uint64_t strings = flags & (contacts ? PADD_STRING_FIELDS : ADDR_STRING_FIELDS);
  if (strings == 0) return false;
  uint32_t offset = header;
  bool first = true;
  for (int f = 0; f < 64 && offset < size; f++) {
    if (!(strings >> f & 1)) continue;
    const void* zero = memchr(record + offset, 0, size - offset);
    uint32_t end = zero ? uint32_t(static_cast<const uint8_t*>(zero) - record) : size;
    if (!first) emit(sink, reinterpret_cast<const uint8_t*>("\n"), 1);
    emit(sink, record + offset, end - offset);
    first = false;
    offset = zero ? end + 1 : size;
  }
  return true;
}

// The birthday as the platform writes dates; false without a birthday (or
// with a date that is no calendar date).
bool birthdayText(const ContactRec* rec, TextSink* sink) {
  int32_t info = ContactGetInfo(rec, ContactInfo::BirthdayInfo, 0);
  if (info == BIRTHDAY_NONE) return false;
  uint16_t date = uint16_t(uint32_t(info) >> 16);
  char text[40];
  int n = STR_FormatDate(text, int(sizeof text), int16_t(1904 + (date >> 9)),
                         int16_t((date >> 5) & 0x0F), int16_t(date & 0x1F));
  if (n <= 0) return false;
  emit(sink, reinterpret_cast<const uint8_t*>(text), uint32_t(strnlen(text, sizeof text)));
  return true;
}

// The raw text of field (kind, index) into `sink`; false when it is absent.
bool fieldText(const ContactRec* rec, FieldKind kind, int16_t index, TextSink* sink) {
  if (!rec || !rec->db || (!rec->bytes && rec->size > 0)) return false;
  const ContactDb* db = rec->db;
  const bool contacts = DbIsContacts(db);
  switch (kind) {
    case FieldKind::AllText:
      return allText(rec->bytes, rec->size, contacts, sink);
    case FieldKind::Birthday:
      return contacts && index == 0 && birthdayText(rec, sink);
    case FieldKind::Picture:
      if (!contacts || index != 0) return false;
      emit(sink, reinterpret_cast<const uint8_t*>("\n"), 1);
      return true;
    default:
      break;
  }
  if (!db->fieldNumber || !db->fieldPointer) return false;
  int16_t field = db->fieldNumber(kind, index);
  if (field < 0) return false;
  FieldLocation at = db->fieldPointer(rec->bytes, rec->size, field);
  if (!at.present) return false;
  // A string that starts at or past the record's end reads as "".
  if (at.offset < rec->size) emit(sink, rec->bytes + at.offset, at.length);
  return true;
}

// Flags 1 and 2, in that order, on a zero-terminated text.
void applyLineFlags(char* text, uint16_t flags) {
  if (flags & FIELD_SPACES) {
    for (char* c = text; *c; c++) {
      if (*c == '\n' || *c == '\r') *c = ' ';
    }
  }
  if (flags & FIELD_FIRST_LINE) text[strcspn(text, "\n\r")] = 0;
}

}  // namespace

char* ContactGetField(const ContactRec* rec, FieldKind kind, int16_t index, char* buffer,
                      uint32_t bufferSize, uint16_t flags) {
  if (buffer) {
    if (bufferSize == 0) return buffer;
    TextSink sink = {buffer, bufferSize - 1, 0};
    bool present = fieldText(rec, kind, index, &sink);
    buffer[sink.length < sink.room ? sink.length : sink.room] = 0;
    if (!present && (flags & FIELD_NULL_IF_ABSENT)) return nullptr;
    // Phone templates need a block of their own: ignored with a buffer.
    applyLineFlags(buffer, flags);
    return buffer;
  }
  TextSink count = {nullptr, 0, 0};
  bool present = fieldText(rec, kind, index, &count);
  if (!present && (flags & FIELD_NULL_IF_ABSENT)) return nullptr;
  if (count.length >= MEM_MAX_BLOCK) return nullptr;
  char* text = static_cast<char*>(MEM_Alloc(count.length + 1, false));
  if (!text) return nullptr;
  TextSink sink = {text, count.length, 0};
  if (present) (void)fieldText(rec, kind, index, &sink);
  text[count.length] = 0;
  applyLineFlags(text, flags);
  if (flags & FIELD_FORMAT_PHONE) {
    char* formatted = ContactFormatPhone(text);
    if (formatted) {
      MEM_Free(text);
      text = formatted;
    }
  }
  return text;
}

char* ContactFormatPhone(const char* text) {
  if (!text) return nullptr;
  // Only digits and blanks, with at least one digit.
  int digits = 0;
  for (const char* c = text; *c; c++) {
    if (*c >= '0' && *c <= '9') {
      digits++;
    } else if (*c != ' ') {
      return nullptr;
    }
  }
  if (digits == 0) return nullptr;
  for (int t = 0; t < 5; t++) {
    if (g_prefs.templateDigits[t] != digits) continue;
    const char* pattern = g_prefs.phoneTemplates[t];
    size_t length = strnlen(pattern, sizeof g_prefs.phoneTemplates[t]);
    char* out = static_cast<char*>(MEM_Alloc(uint32_t(length + 1), false));
    if (!out) return nullptr;
    const char* next = text;
    for (size_t i = 0; i < length; i++) {
      char c = pattern[i];
      if (c >= '0' && c <= '9') {
        while (*next == ' ') next++;  // a blank before a digit is skipped
        c = *next ? *next++ : c;
      }
      out[i] = c;
    }
    out[length] = 0;
    return out;
  }
  return nullptr;
}
