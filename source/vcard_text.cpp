// The card text of vCard export: the growing buffer, the three append modes,
// the charset rule, quoted-printable with its soft breaks, and the base64
// picture. Importers of the handheld's cards expect these bytes exactly.
// Owns no state.
#include <cstring>

#include "vcard.h"

namespace {

constexpr uint32_t FIRST_CAPACITY = 512;
constexpr char HEX[] = "0123456789ABCDEF";
constexpr char BASE64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr uint32_t QP_SOFT_LIMIT = 70;   // a line longer than this breaks at its last blank
constexpr uint32_t PLAIN_MAX = 79;       // longer values are written quoted-printable
constexpr uint32_t PHOTO_LINE_BYTES = 57;  // input bytes per base64 line (76 characters)

// Room for `more` bytes and the terminating zero; doubles the block so a
// card of many small appends costs few copies.
bool reserve(VCardText* t, uint32_t more) {
  if (t->failed) return false;
  if (more > 0x7FFFFFFFu - t->length - 1) {
    t->failed = true;
    return false;
  }
  uint32_t need = t->length + more + 1;
  if (need <= t->capacity) return true;
  uint32_t grown = t->capacity ? t->capacity : FIRST_CAPACITY;
  while (grown < need) grown = grown > 0x3FFFFFFFu ? need : grown * 2;
  Err err = 0;
  char* block = static_cast<char*>(MEM_Realloc(t->text, grown, false, &err));
  if (!block) {
    t->failed = true;
    return false;
  }
  t->text = block;
  t->capacity = grown;
  return true;
}

bool put(VCardText* t, const char* bytes, uint32_t n) {
  if (!reserve(t, n)) return false;
  memcpy(t->text + t->length, bytes, n);
  t->length += n;
  t->text[t->length] = 0;
  return true;
}

bool putZ(VCardText* t, const char* s) { return put(t, s, uint32_t(strlen(s))); }

bool appendComponent(VCardText* t, const char* value, uint32_t length) {
  for (uint32_t i = 0; i < length; i++) {
    bool ok = value[i] == ';'    ? put(t, "\\;", 2)
              : value[i] == '\n' ? put(t, "\\\r\n", 3)
                                 : put(t, value + i, 1);
    if (!ok) return false;
  }
  return !t->failed;
}

bool appendProperty(VCardText* t, const char* value, uint32_t length) {
  bool charset = VCardNeedsCharset(value, length);
  if (charset && !putZ(t, ";CHARSET=ISO-8859-1")) return false;
  bool lineFeed = memchr(value, '\n', length) != nullptr;
  if (!lineFeed && length <= PLAIN_MAX && !charset)
    return put(t, ":", 1) && put(t, value, length) && put(t, "\r\n", 2);
  if (!putZ(t, ";ENCODING=QUOTED-PRINTABLE:=\r\n")) return false;
  if (!VCardAppendQuotedPrintable(t, value, length)) return false;
  if (t->length > 0 && t->text[t->length - 1] == '\n') return true;
  return put(t, "\r\n", 2);
}

bool qpSpecial(uint8_t c) {
  // Bytes below "!" compare as signed, so 0x80 and above are special too.
  return int8_t(c) < '!' || c == 0x7F || c == '=' || c == ',' || c == ';';
}

bool putEscaped(VCardText* t, uint8_t c) {
  char e[3] = {'=', HEX[c >> 4], HEX[c & 15]};
  return put(t, e, 3);
}

// Moves the text behind the blank at `at` one line down: the blank becomes
// "=" CR LF and its own escaped form. Returns the new line's length.
bool softBreak(VCardText* t, uint32_t at, uint32_t* lineLength) {
  uint8_t blank = uint8_t(t->text[at]);
  if (!reserve(t, 5)) return false;
  uint32_t tail = t->length - at - 1;
  memmove(t->text + at + 6, t->text + at + 1, tail);
  char e[6] = {'=', '\r', '\n', '=', HEX[blank >> 4], HEX[blank & 15]};
  memcpy(t->text + at, e, 6);
  t->length += 5;
  t->text[t->length] = 0;
  *lineLength = 3 + tail;
  return true;
}

}  // namespace

Err VCardTextInit(VCardText* t) {
  *t = VCardText{nullptr, 0, 0, false};
  if (!reserve(t, 0)) return ERR_MEM_FULL;
  t->text[0] = 0;
  return 0;
}

void VCardTextFree(VCardText* t) {
  MEM_Free(t->text);
  *t = VCardText{nullptr, 0, 0, true};
}

bool VCardNeedsCharset(const char* value, uint32_t length) {
  for (uint32_t i = 0; i < length; i++) {
    uint8_t c = uint8_t(value[i]);
    if (c >= 0x7F || (c >= 0x01 && c <= 0x1F)) return true;
  }
  return false;
}

bool VCardAppend(VCardText* t, const char* value, uint32_t length, VCardMode mode) {
  if (t->failed) return false;
  if (!value) length = 0, value = "";
  switch (mode) {
    case VCardMode::Component:
      return appendComponent(t, value, length);
    case VCardMode::Property:
      return appendProperty(t, value, length);
    default:
      return put(t, value, length);
  }
}

bool VCardAppendZ(VCardText* t, const char* value, VCardMode mode) {
  return VCardAppend(t, value, value ? uint32_t(strlen(value)) : 0, mode);
}

bool VCardAppendQuotedPrintable(VCardText* t, const char* value, uint32_t length) {
  uint32_t line = 0;
  int64_t breakAt = -1;  // output position of the blank that may take a soft break
  for (uint32_t i = 0; i < length; i++) {
    if (line > QP_SOFT_LIMIT && breakAt >= 0) {
      if (!softBreak(t, uint32_t(breakAt), &line)) return false;
      breakAt = -1;
    }
    uint8_t c = uint8_t(value[i]);
    bool last = i + 1 == length;
    bool ok = true;
    if (!qpSpecial(c)) {
      ok = put(t, value + i, 1), line++;
    } else if (c == '\n') {
      ok = put(t, last ? "=0D=0A" : "=0D=0A=\r\n", last ? 6 : 9);
      line = last ? line + 6 : 0;
      if (!last) breakAt = -1;
    } else if ((c == ' ' || c == '\t') && !last && line > 0) {
      breakAt = t->length;
      ok = put(t, value + i, 1), line++;
    } else {
      ok = putEscaped(t, c), line += 3;
    }
    if (!ok) return false;
  }
  return !t->failed;
}

bool VCardAppendPhoto(VCardText* t, const uint8_t* data, uint32_t length) {
  // One reservation for the whole picture: CR LF TAB per line, four
  // characters per three bytes, the header and the closing line ends.
  if (!reserve(t, 3 * (length / PHOTO_LINE_BYTES + 1) + 4 * (length / 3 + 1) + 48)) return false;
  if (!putZ(t, "PHOTO;ENCODING=BASE64;TYPE=JPEG:")) return false;
  for (uint32_t i = 0; i < length; i += 3) {
    if (i % PHOTO_LINE_BYTES == 0 && !put(t, "\r\n\t", 3)) return false;
    uint32_t n = length - i < 3 ? length - i : 3;
    uint32_t v = uint32_t(data[i]) << 16;
    if (n > 1) v |= uint32_t(data[i + 1]) << 8;
    if (n > 2) v |= data[i + 2];
    char q[4] = {BASE64[(v >> 18) & 63], BASE64[(v >> 12) & 63], n > 1 ? BASE64[(v >> 6) & 63] : '=',
                 n > 2 ? BASE64[v & 63] : '='};
    if (!put(t, q, 4)) return false;
  }
  return put(t, "\r\n\r\n", 4);
}
