// The handheld's 8-bit character set and its conversions to and from UTF-8.
// The set is Windows-1252 with the handheld's own bytes: 0x8D-0x90 are the
// card suits, and 0x81 and 0x9D (which have no Windows-1252 character) stand
// for the C1 controls U+0081 and U+009D so that every byte survives a round
// trip through UTF-8. 0xA0-0xFF are Latin-1. Owns no state.
#include "kova_text.h"

namespace {

// Code points of the bytes 0x80-0x9F; the rest of the set is its own value.
const uint16_t UPPER_CONTROLS[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x2666, 0x2663, 0x2665,  // 88-8F
    0x2660, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// Bytes of the UTF-8 form of `cp` (at most 0xFFFF here) into `out`.
uint32_t encodeUtf8(uint32_t cp, char* out) {
  if (cp < 0x80) {
    out[0] = char(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = char(0xC0 | (cp >> 6));
    out[1] = char(0x80 | (cp & 0x3F));
    return 2;
  }
  out[0] = char(0xE0 | (cp >> 12));
  out[1] = char(0x80 | ((cp >> 6) & 0x3F));
  out[2] = char(0x80 | (cp & 0x3F));
  return 3;
}

// Decodes one well-formed UTF-8 sequence at `p` (`left` bytes available).
// Returns its length and sets *cp, or 0 when the bytes are malformed: a
// stray continuation byte, a truncated sequence, an overlong form, a
// surrogate, or a code point above U+10FFFF.
uint32_t decodeUtf8(const uint8_t* p, uint32_t left, uint32_t* cp) {
  uint8_t c = p[0];
  uint32_t extra = c < 0x80             ? 0
                   : (c & 0xE0) == 0xC0 ? 1
                   : (c & 0xF0) == 0xE0 ? 2
                   : (c & 0xF8) == 0xF0 ? 3
                                        : 4;
  if (extra == 4 || extra >= left) return 0;
  uint32_t value = extra ? c & (0x3Fu >> extra) : c;
  for (uint32_t k = 1; k <= extra; k++) {
    if ((p[k] & 0xC0) != 0x80) return 0;
    value = (value << 6) | (p[k] & 0x3Fu);
  }
  static const uint32_t LEAST[] = {0, 0x80, 0x800, 0x10000};
  if (value < LEAST[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *cp = value;
  return extra + 1;
}

}  // namespace

uint32_t TXT_CharToUnicode(uint8_t c) {
  return c >= 0x80 && c < 0xA0 ? UPPER_CONTROLS[c - 0x80] : c;
}

uint8_t TXT_UnicodeToChar(uint32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return uint8_t(codePoint);
  for (int k = 0; k < 32; k++)
    if (UPPER_CONTROLS[k] == codePoint) return uint8_t(0x80 + k);
  return 0;
}

uint32_t TXT_ToUtf8(const char* text, uint32_t length, char* out, uint32_t size) {
  if (!out || size == 0) return 0;
  uint32_t n = 0;
  for (uint32_t i = 0; text && i < length && text[i]; i++) {
    char bytes[3];
    uint32_t k = encodeUtf8(TXT_CharToUnicode(uint8_t(text[i])), bytes);
    if (n + k >= size) break;  // never half a character; keep room for the zero
    for (uint32_t j = 0; j < k; j++) out[n++] = bytes[j];
  }
  out[n] = 0;
  return n;
}

uint32_t TXT_FromUtf8(const char* utf8, uint32_t length, char* out, uint32_t size) {
  if (!out || size == 0) return 0;
  const auto* p = reinterpret_cast<const uint8_t*>(utf8);
  uint32_t n = 0;
  for (uint32_t i = 0; p && i < length && p[i] && n + 1 < size;) {
    uint32_t cp = 0;
    uint32_t k = decodeUtf8(p + i, length - i, &cp);
    if (k == 0) {  // malformed: the byte as it is, then go on with the next
      out[n++] = char(p[i++]);
      continue;
    }
    uint8_t c = TXT_UnicodeToChar(cp);
    out[n++] = c ? char(c) : '?';
    i += k;
  }
  out[n] = 0;
  return n;
}
