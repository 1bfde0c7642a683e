// The expression language of form definitions: postfix tokens evaluated on a
// stack of 19 entries, each a value with placement flags. Operands are
// numbers, the automatic placement keywords, the parent's, the previous
// object's and named objects' rectangles, the font height, the density and
// "Show"/"Hide"; operators take the two top entries and leave one.
// Owns no state. Arithmetic saturates at 32 bits, so no body overflows.
#include <climits>
#include <cstring>

#include "gui_forms.h"
#include "kova_text.h"

namespace {

struct Entry {
  int64_t value;
  uint8_t flags;
  bool scaledNumber;  // a number token that was multiplied by the screen scale
  int32_t raw;        // the number as written
};

int64_t saturate(int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return v;
}

struct WordFlags {
  FourCC word;
  uint8_t flags;
};

// Placement keywords that push 0 with flags.
const WordFlags PLACEMENT_WORDS[] = {
    {FCC("Auto"), 0x10}, {FCC("AMin"), 0x30}, {FCC("AMax"), 0x50}, {FCC("AStd"), 0x90},
    {FCC("Rght"), 0x11}, {FCC("Botm"), 0x12}, {FCC("Cntr"), 0x14}, {FCC("Midl"), 0x18},
};
// Keywords that mark the entry about to be pushed.
const WordFlags PENDING_WORDS[] = {
    {FCC("Rgt@"), PLACE_AT_RIGHT},
    {FCC("Bot@"), PLACE_AT_BOTTOM},
    {FCC("Cen@"), PLACE_AT_CENTRE},
    {FCC("Mid@"), PLACE_AT_MIDDLE},
};

template <size_t N>
bool lookUp(const WordFlags (&table)[N], FourCC t, uint8_t* flags) {
  for (const WordFlags& w : table) {
    if (w.word != t) continue;
    *flags = w.flags;
    return true;
  }
  return false;
}

// One of the six values of a rectangle by the last letter of the operand
// ("l", "t", "w", "h", "r", "b").
bool rectPart(const GfxRect& r, char part, int64_t* out) {
  switch (part) {
    case 'l':
      *out = r.x;
      return true;
    case 't':
      *out = r.y;
      return true;
    case 'w':
      *out = r.w;
      return true;
    case 'h':
      *out = r.h;
      return true;
    case 'r':
      *out = int64_t(r.x) + r.w;
      return true;
    case 'b':
      *out = int64_t(r.y) + r.h;
      return true;
    default:
      return false;
  }
}

const GuiObject* objectByTag(const GuiForm* form, FourCC tag) {
  if (!form) return nullptr;
  for (const auto& o : form->objects)
    if (o->tag == tag) return o.get();
  return nullptr;
}

// Operand tokens without an operand of their own; false when `t` is none.
bool simpleOperand(const GuiExprContext* ctx, FourCC t, int64_t* value) {
  switch (t) {
    case FCC("Parl"):
      *value = ctx->parent.x;
      return true;
    case FCC("Part"):
      *value = ctx->parent.y;
      return true;
    case FCC("Parw"):
    case FCC("Parr"):
      *value = ctx->parent.w;
      return true;
    case FCC("Parh"):
    case FCC("Parb"):
      *value = ctx->parent.h;
      return true;
    case FCC("Fnth"):
      *value = TXT_LineHeight(FONT_STANDARD);
      return true;
    case FCC("Scle"):
      *value = ctx->density > 20 ? ctx->density - 20 : 0;
      return true;
    case FCC("Show"):
      *value = GUI_VALUE_SHOW;
      return true;
    case FCC("Hide"):
      *value = GUI_VALUE_HIDE;
      return true;
    default:
      break;
  }
  if ((t >> 8) == (FCC("Prvl") >> 8)) {
    if (!rectPart(GfxRect{0, 0, 0, 0}, char(t), value)) return false;
    if (ctx->previous) rectPart(ctx->previous->rect, char(t), value);
    return true;
  }
  return false;
}

bool isOperator(FourCC t) {
  if (t == FCC("#___")) return true;
  char c = char(t >> 24);
  return (t & 0xFFFFFF) == 0x5F5F5F && c != 0 && strchr("+-*/%&|<>?:", c) != nullptr;
}

int64_t floorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) q--;
  return q;
}

// Applies an operator to a (below) and b (top); the result replaces a.
void apply(GuiExprContext* ctx, FourCC op, Entry* a, const Entry& b) {
  int64_t x = a->value, y = b.value;
  // Divisors and one factor of a product are taken as written, so a scaled
  // number never carries the screen scale twice ("Parw 2 /" is half).
  int64_t divisor = b.scaledNumber ? b.raw : y;
  int64_t r = x;
  uint8_t flags = uint8_t(a->flags | b.flags);
  switch (op == FCC("#___") ? '#' : char(op >> 24)) {
    case '+':
      r = x + y;
      break;
    case '-':
      r = x - y;
      break;
    case '*':
      r = b.scaledNumber ? x * b.raw : a->scaledNumber ? int64_t(a->raw) * y : x * y;
      break;
    case '/':
      r = divisor ? x / divisor : x;
      break;  // by 0: the entry stays
    case '%':
      r = divisor ? x % divisor : x;
      break;
    case '#':
      r = divisor ? floorDiv(x, divisor) * divisor : x;
      break;
    case '&':
      r = x & y;
      break;
    case '|':
      r = x | y;
      break;
    case '<':
      r = x < y;
      break;
    case '>':
      r = x > y;
      break;
    case '?':
      if ((x & 0xFF) == 0) {
        r = y == GUI_VALUE_SHOW ? GUI_VALUE_HIDE : 20000;
      } else {
        r = y;
      }
      break;
    case ':': {
      const Entry& chosen = x < 10000 ? *a : b;
      r = chosen.value;
      flags = chosen.flags;
      if (r == GUI_VALUE_SHOW) r = 0;
      if (r == GUI_VALUE_HIDE) {
        r = 0;
        ctx->hide = true;
      }
      break;
    }
    default:
      break;
  }
  *a = Entry{saturate(r), flags, false, int32_t(saturate(r))};
}

}  // namespace

Err GuiEvalExpr(GuiExprContext* ctx, const uint8_t* body, uint32_t size, uint32_t* pos,
                GuiValue* out, int want) {
  Entry stack[GUI_STACK_DEPTH];
  int depth = 0;
  uint8_t pending = 0;
  Err err = 0;
  FourCC t;
  while (err == 0 && GuiTokenAt(body, size, *pos, &t)) {
    Entry e{0, 0, false, 0};
    uint8_t flag = 0;
    if ((t >> 16) == 0x235F && t != FCC("#___")) {  // "#_" and a 16-bit number
      int32_t n = int16_t(t & 0xFFFF);
      e.raw = n;
      e.value = n;
      if (ctx->inRectangle && n >= 2) {
        e.value = int64_t(n) * ctx->scale / 256;
        e.scaledNumber = true;
      }
    } else if (lookUp(PENDING_WORDS, t, &flag)) {
      pending |= flag;
      *pos += 4;
      continue;
    } else if (isOperator(t)) {
      if (depth < 2) {
        err = GUI_ERR_STACK;
        break;
      }
      apply(ctx, t, &stack[depth - 2], stack[depth - 1]);
      depth--;
      *pos += 4;
      continue;
    } else if ((t >> 8) == (FCC("Tagl") >> 8)) {
      FourCC tag;
      int64_t unused;
      if (!rectPart(GfxRect{}, char(t), &unused)) break;  // not an operand
      uint32_t at = *pos;
      err = GuiReadTagOperand(body, size, &at, &tag);
      if (err != 0) break;
      const GuiObject* o = objectByTag(ctx->form, tag);
      rectPart(o ? o->rect : GfxRect{0, 0, 0, 0}, char(t), &e.value);
      *pos = at - 4;  // the common step below moves past the tag
    } else if (!lookUp(PLACEMENT_WORDS, t, &e.flags) && !simpleOperand(ctx, t, &e.value)) {
      break;  // neither operand nor operator: the expression ends here
    }
    if (depth == GUI_STACK_DEPTH) {
      err = GUI_ERR_STACK;
      break;
    }
    e.flags |= pending;
    pending = 0;
    if (!e.scaledNumber) e.raw = int32_t(saturate(e.value));
    stack[depth++] = e;
    *pos += 4;
  }
  for (int i = 0; i < want; i++) {
    out[i] = i < depth ? GuiValue{int32_t(stack[i].value), stack[i].flags} : GuiValue{0, 0};
  }
  return err;
}
