// Fixed-point decimal numbers as text: formatting a mantissa and a power of
// ten into plain digits with a decimal point (never an exponent), and
// reading such text back, the mantissa kept from overflowing and the
// exponent held within ±32000 however long the text. Owns no state.
#include <algorithm>
#include <cstring>
#include <string>

#include "kova_dialog.h"
#include "kova_errors.h"

namespace {

constexpr uint32_t MANTISSA_ROOM = 0x0CCCCCCC;  // below it one more digit cannot overflow
constexpr int32_t EXPONENT_LIMIT = 32000;

void copyCut(const char* text, char* buffer, uint32_t size) {
  size_t n = std::min<size_t>(strlen(text), size - 1);
  memcpy(buffer, text, n);
  buffer[n] = '\0';
}

}  // namespace

Err GUI_DecimalFormat(const DecimalValue* value, char* buffer, uint32_t size) {
  if (!buffer || size == 0) return 0;
  if (!value || (value->marker != 0 && value->marker != DECIMAL_MARKER)) {
    buffer[0] = '\0';
    return ERR_DIALOG_MARKER;
  }
  if (value->mantissa == 0) {
    copyCut("0", buffer, size);
    return size >= 2 ? Err(0) : ERR_DIALOG_BINDING;
  }
  std::string digits = std::to_string(value->mantissa);
  int64_t count = int64_t(digits.size());
  int64_t exponent = value->exponent;
  // The length first: a large exponent must not build a huge text.
  int64_t length = count + (value->negative ? 1 : 0);
  if (exponent > 0) length += exponent;
  if (exponent < 0) length += -exponent < count ? 1 : 2 + (-exponent - count);
  if (length > int64_t(size) - 1) {
    copyCut("OVR", buffer, size);
    return ERR_DIALOG_BINDING;
  }
  std::string text = value->negative ? "-" : "";
  if (exponent >= 0) {
    text += digits + std::string(size_t(exponent), '0');
  } else if (-exponent < count) {
    size_t point = size_t(count + exponent);
    text += digits.substr(0, point) + "." + digits.substr(point);
  } else {
    text += "0." + std::string(size_t(-exponent - count), '0') + digits;
  }
  copyCut(text.c_str(), buffer, size);
  return 0;
}

DecimalValue GUI_DecimalParse(const char* text) {
  DecimalValue v{0, 0, 0, DECIMAL_MARKER};
  if (!text) return v;
  int32_t exponent = 0;
  bool point = false;
  const char* p = text;
  if (*p == '-') {
    v.negative = 1;
    p++;
  }
  for (; *p; p++) {
    if (*p == '.' || *p == ',') {
      if (point) break;  // a second point ends the number
      point = true;
      continue;
    }
    if (*p < '0' || *p > '9') break;
    if (v.mantissa < MANTISSA_ROOM) {
      v.mantissa = v.mantissa * 10 + uint32_t(*p - '0');
      if (point) exponent = std::max(exponent - 1, -EXPONENT_LIMIT);
    } else if (!point) {
      // No room for the digit: it only scales the number (dropped after the point).
      exponent = std::min(exponent + 1, EXPONENT_LIMIT);
    }
  }
  v.exponent = int16_t(exponent);
  return v;
}
