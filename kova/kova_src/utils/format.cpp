// The platform's formatter: %hd, %ld, %lx, %s, %c, %t and %% with an optional
// "-" or "0" flag and a width. Owns no state.
//
// Invariants: (1) nothing is written at or past out[size]; (2) when size > 0
// the output always ends with a zero byte; (3) the return value is the length
// the full text would have, so callers can detect a cut.
#include <cstring>

#include "kova_fmt.h"

namespace {

// Widths beyond this are clamped so a hostile format cannot overflow the count.
constexpr int MAX_WIDTH = 4096;

struct Sink {
  char* out;
  int size;
  int len;  // full length so far, may exceed size - 1
};

void put(Sink* s, char c) {
  if (s->len < s->size - 1) s->out[s->len] = c;
  if (s->len < INT32_MAX) s->len++;  // saturates rather than overflow on absurd input
}

void putPad(Sink* s, char c, int count) {
  for (int i = 0; i < count; i++) put(s, c);
}

// Writes `body` (with an optional sign before it) padded to `width`. Zero
// padding goes between the sign and the digits: "-007".
void putField(Sink* s, char sign, const char* body, int bodyLen, int width, bool left,
              bool zeroPad) {
  int len = bodyLen + (sign ? 1 : 0);
  int pad = width > len ? width - len : 0;
  if (!left && !zeroPad) putPad(s, ' ', pad);
  if (sign) put(s, sign);
  if (!left && zeroPad) putPad(s, '0', pad);
  for (int i = 0; i < bodyLen; i++) put(s, body[i]);
  if (left) putPad(s, ' ', pad);
}

// Digits of `v` in `base` (10 or 16, lower case) into buf; returns the count.
int digits(uint32_t v, uint32_t base, char* buf) {
  char rev[12];
  int n = 0;
  do {
    rev[n++] = "0123456789abcdef"[v % base];
    v /= base;
  } while (v);
  for (int i = 0; i < n; i++) buf[i] = rev[n - 1 - i];
  return n;
}

void putSigned(Sink* s, int32_t v, int width, bool left, bool zeroPad) {
  // Magnitude through unsigned arithmetic so INT32_MIN does not overflow.
  uint32_t mag = v < 0 ? 0u - uint32_t(v) : uint32_t(v);
  char buf[12];
  int n = digits(mag, 10, buf);
  putField(s, v < 0 ? '-' : 0, buf, n, width, left, zeroPad);
}

struct Directive {
  bool left, zeroPad;
  int width;
  char length;  // 'h', 'l' or 0
  char conv;
};

// Parses the conversion after a '%'; returns the characters consumed.
int parseDirective(const char* p, Directive* dir) {
  const char* start = p;
  *dir = {};
  for (; *p == '-' || *p == '0'; p++) {
    if (*p == '-') dir->left = true;
    if (*p == '0') dir->zeroPad = true;
  }
  for (; *p >= '0' && *p <= '9'; p++)
    dir->width = dir->width < MAX_WIDTH ? dir->width * 10 + (*p - '0') : MAX_WIDTH;
  if (dir->width > MAX_WIDTH) dir->width = MAX_WIDTH;
  if (*p == 'h' || *p == 'l') dir->length = *p++;
  dir->conv = *p;
  if (*p) p++;
  return int(p - start);
}

// Emits one known conversion; false when the directive is not one we take.
bool convert(Sink* s, const Directive& sp, va_list* args) {
  bool zero = sp.zeroPad && !sp.left;
  if (sp.length == 'h' && sp.conv == 'd') {
    putSigned(s, int16_t(va_arg(*args, int)), sp.width, sp.left, zero);
  } else if (sp.length == 'l' && sp.conv == 'd') {
    putSigned(s, va_arg(*args, int32_t), sp.width, sp.left, zero);
  } else if (sp.length == 'l' && sp.conv == 'x') {
    char buf[12];
    int n = digits(va_arg(*args, uint32_t), 16, buf);
    putField(s, 0, buf, n, sp.width, sp.left, zero);
  } else if (sp.length == 0 && sp.conv == 's') {
    const char* str = va_arg(*args, const char*);
    if (!str) str = "(null)";
    int n = int(strnlen(str, 0x7FFFFFF0));
    putField(s, 0, str, n, sp.width, sp.left, false);
  } else if (sp.length == 0 && sp.conv == 'c') {
    char c = char(va_arg(*args, int));
    putField(s, 0, &c, 1, sp.width, sp.left, false);
  } else if (sp.length == 0 && sp.conv == 't') {
    uint32_t code = va_arg(*args, uint32_t);
    char buf[4] = {char(code >> 24), char(code >> 16), char(code >> 8), char(code)};
    putField(s, 0, buf, 4, sp.width, sp.left, false);
  } else {
    return false;
  }
  return true;
}

}  // namespace

int STR_VFormat(char* out, int size, const char* fmt, va_list args) {
  Sink s = {out, out ? size : 0, 0};
  va_list ap;
  va_copy(ap, args);
  for (const char* p = fmt ? fmt : ""; *p;) {
    if (*p != '%') {
      put(&s, *p++);
      continue;
    }
    if (p[1] == '%') {
      put(&s, '%');
      p += 2;
      continue;
    }
    Directive sp;
    int used = 1 + parseDirective(p + 1, &sp);
    // An unknown conversion is copied as it stands and takes no argument.
    if (!convert(&s, sp, &ap))
      for (int i = 0; i < used; i++) put(&s, p[i]);
    p += used;
  }
  va_end(ap);
  if (s.size > 0) s.out[s.len < s.size ? s.len : s.size - 1] = 0;
  return s.len;
}

int STR_Format(char* out, int size, const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  int n = STR_VFormat(out, size, fmt, args);
  va_end(args);
  return n;
}
