// The hanging-indent wrap of label-and-value texts and the text measuring it
// uses: a function installed by a test, else the font module's widths once
// it runs, else 6 pixels per character (the tool, which draws nothing).
// Owns the installed measuring function.
#include <cstring>

#include "parse_columns_internal.h"

namespace {

constexpr int32_t DEFAULT_CHAR_WIDTH = 6;
constexpr int32_t WRAP_NO_LIMIT = 10000;

int32_t defaultTextWidth(uint16_t font, const char* text, uint32_t length) {
  if (TXT_Started()) return TXT_Width(font, text, length);
  return int32_t(length) * DEFAULT_CHAR_WIDTH;
}

TextWidthFn g_textWidth = nullptr;

int32_t measure(uint16_t font, const char* text, uint32_t length) {
  return (g_textWidth ? g_textWidth : defaultTextWidth)(font, text, length);
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The bytes of one line (`length` bytes, no "\n") that go on the first row:
// everything when it fits, else the longest part that fits, moved back to
// behind the last blank when it would split a word; at least one byte.
uint32_t rowBytes(const char* line, uint32_t length, int32_t width, uint16_t font) {
  uint32_t fit = ColumnFitBytes(line, length, width, font);
  if (fit >= length) return length;
  if (fit == 0) return 1;
  if (isBlank(line[fit])) return fit;
  for (uint32_t i = fit; i > 1; --i) {
    if (isBlank(line[i - 1])) return i;
  }
  return fit;
}

// The output of a wrap, grown as needed; the input is untouched until done.
struct WrapOut {
  char* text;
  uint32_t length, capacity;
};

bool wrapPut(WrapOut* o, const char* s, uint32_t n) {
  if (uint64_t(o->length) + n + 1 > o->capacity) {
    uint64_t cap = uint64_t(o->capacity) * 2 + n + 1;
    if (cap > MEM_MAX_BLOCK) cap = uint64_t(o->length) + n + 1;
    if (cap > MEM_MAX_BLOCK) return false;
    char* grown = static_cast<char*>(MEM_Realloc(o->text, uint32_t(cap), false));
    if (!grown) return false;
    o->text = grown;
    o->capacity = uint32_t(cap);
  }
  memcpy(o->text + o->length, s, n);
  o->length += n;
  o->text[o->length] = 0;
  return true;
}

// Wraps `text` from `pos` on into `o` (which already holds text[0, pos)).
bool wrapRows(WrapOut* o, const char* text, uint32_t pos, uint32_t end, int32_t width,
              uint16_t font) {
  while (pos < end) {
    const char* nl = static_cast<const char*>(memchr(text + pos, '\n', end - pos));
    uint32_t lineEnd = nl ? uint32_t(nl - text) : end;
    uint32_t take = rowBytes(text + pos, lineEnd - pos, width, font);
    // The row, then the blanks and tabs at the break and one "\n".
    uint32_t next = pos + take;
    while (next < lineEnd && isBlank(text[next])) ++next;
    bool afterBreak = next < end && text[next] == '\n';
    if (afterBreak) ++next;
    if (!wrapPut(o, text + pos, next - pos)) return false;
    pos = next;
    if (pos >= end) break;
    if (!wrapPut(o, afterBreak ? "\t" : "\n\t", afterBreak ? 1 : 2)) return false;
  }
  return true;
}

}  // namespace

void ParseSetTextWidth(TextWidthFn fn) { g_textWidth = fn; }

uint32_t ColumnFitBytes(const char* text, uint32_t length, int32_t width, uint16_t font) {
  if (measure(font, text, length) <= width) return length;
  // The widths of growing prefixes only grow: bisect for the longest that fits.
  uint32_t lo = 0, hi = length;  // prefix lo fits, prefix hi does not
  while (hi - lo > 1) {
    uint32_t mid = lo + (hi - lo) / 2;
    if (measure(font, text, mid) <= width) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return lo;
}

Err WrapWithIndent(char** text, uint32_t start, int32_t width, uint16_t font) {
  if (!text || !*text) return 0;
  uint32_t end = uint32_t(strlen(*text));
  if (start >= end) return 0;
  if (width == 0) width = WRAP_NO_LIMIT;
  // A text without a line break that fits needs nothing inserted.
  if (!memchr(*text + start, '\n', end - start) &&
      measure(font, *text + start, end - start) <= width)
    return 0;
  // Room for the text and a few breaks; wrapPut grows it when needed.
  uint64_t room = uint64_t(end) + end / 16 + 32;
  if (room > MEM_MAX_BLOCK) room = uint64_t(end) + 1;
  WrapOut o = {static_cast<char*>(MEM_Alloc(uint32_t(room), false)), 0, uint32_t(room)};
  if (!o.text) return ERR_MEM_FULL;
  if (!wrapPut(&o, *text, start) || !wrapRows(&o, *text, start, end, width, font)) {
    MEM_Free(o.text);
    return ERR_MEM_FULL;
  }
  MEM_Free(*text);
  *text = o.text;
  return 0;
}
