// Bound dialogs, the write-back phase: after a dialog that was not
// cancelled, every object's value goes back into its variable. A control
// value is 16 bits: a 32-bit variable gets it sign-extended. Text goes no
// further than the buffer size the binding carries, check lists no further
// than the variable's bits or the array's elements. Owns no state.
#include <algorithm>
#include <cstring>

#include "gui_dialog.h"

namespace {

uint32_t argOf(const DlgBinding& b, int index) {
  uint32_t v = uint32_t(b.args[index]);
  return b.width == 8 ? (v & 0xFF) : b.width == 16 ? (v & 0xFFFF) : v;
}

// The control value as the variable takes it: 16 bits, sign-extended to 32.
uint32_t fromControl(int32_t value) { return uint32_t(int32_t(int16_t(uint16_t(value)))); }

// A field's text read as a decimal integer: an optional "-", then digits up
// to the first other character; held within the variable's range.
uint32_t parseNumber(const std::string& text, int width) {
  size_t i = 0;
  bool negative = !text.empty() && text[0] == '-';
  if (negative) i++;
  int64_t n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; i++)
    n = std::min<int64_t>(n * 10 + (text[i] - '0'), int64_t(1) << 32);
  if (negative) n = -n;
  if (width == 32) return uint32_t(int32_t(std::clamp<int64_t>(n, INT32_MIN, INT32_MAX)));
  int64_t top = width == 16 ? 0xFFFF : 0xFF;
  return uint32_t(std::clamp<int64_t>(n, 0, top));
}

void writeIndex(GuiForm* form, const DlgBinding& b, void* var) {
  GuiObject* list = GuiListOf(DlgFind(form, b.args[0]));
  if (!list) list = GuiListOf(DlgFind(form, b.args[1]));
  if (list) DlgStore(var, b.width, fromControl(list->control.value));
}

// Check-list items 0 … n-1 handed to `put(i, on)`.
template <typename Put>
void writeChecks(GuiObject* object, size_t limit, Put put) {
  GuiObject* list = GuiListOf(object);
  if (!list) return;
  const std::vector<uint8_t>& checked = list->control.itemChecked;
  size_t n = std::min(checked.size(), limit);
  for (size_t i = 0; i < n; i++) put(i, checked[i] != 0);
}

void writeText(const GuiObject* o, char* buffer, size_t size) {
  if (size == 0) return;
  std::string text = DlgGetText(o);
  size_t n = std::min(text.size(), size - 1);
  memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

// Kinds whose value is on / off or a bit field of the variable.
uint32_t writtenBits(const GuiObject* o, const DlgBinding& b, uint32_t v) {
  uint32_t k = b.kind;
  bool on = DlgGetValue(o) != 0;
  if (k >= DLG_EQUAL32 && k <= DLG_EQUAL8) return on ? argOf(b, 2) : v;
  if (k >= DLG_BITS32 && k <= DLG_BITS8) return on ? (v | argOf(b, 2)) : (v & ~argOf(b, 2));
  if (k >= DLG_NOBITS32 && k <= DLG_NOBITS8) return on ? (v & ~argOf(b, 2)) : (v | argOf(b, 2));
  // Kinds 41-43: that bit field only.
  uint32_t shift = argOf(b, 2), width = argOf(b, 3);
  if (shift >= 32) return v;
  uint32_t mask = (width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1) << shift;
  return (v & ~mask) | ((uint32_t(DlgGetValue(o)) << shift) & mask);
}

void writeVariable(GuiForm* form, GuiObject* o, const DlgBinding& b, void* var) {
  uint32_t k = b.kind;
  if (k <= DLG_VALUE8) {
    DlgStore(var, b.width, fromControl(DlgGetValue(o)));
  } else if (k >= DLG_EQUAL32 && k <= DLG_FIELD8) {
    DlgStore(var, b.width, writtenBits(o, b, DlgLoad(var, b.width)));
  } else if (k == DLG_TEXT) {
    writeText(o, static_cast<char*>(var), size_t(b.args[2]));
  } else if (k >= DLG_NUMBER32 && k <= DLG_NUMBER8) {
    DlgStore(var, b.width, parseNumber(DlgGetText(o), b.width));
  } else if (k == DLG_DECIMAL) {
    *static_cast<DecimalValue*>(var) = GUI_DecimalParse(DlgGetText(o).c_str());
  } else if (k >= DLG_CHECKSET32 && k <= DLG_CHECKSET8) {
    uint32_t v = DlgLoad(var, b.width);
    writeChecks(o, size_t(b.width),
                [&v](size_t i, bool on) { v = on ? (v | (1u << i)) : (v & ~(1u << i)); });
    DlgStore(var, b.width, v);
  } else if (k >= DLG_CHECKARRAY32 && k <= DLG_CHECKARRAY8) {
    uint8_t* base = static_cast<uint8_t*>(var);
    size_t step = size_t(b.width / 8);
    writeChecks(o, size_t(b.args[2]),
                [&](size_t i, bool on) { DlgStore(base + i * step, b.width, on ? 1 : 0); });
  } else if (k >= DLG_COLOUR && k <= DLG_TIME) {
    uint32_t v = DlgLoad(var, 32);
    (void)GUI_ObjectCommand(form, o, int16_t(17 + 2 * (k - DLG_COLOUR)), &v);
    DlgStore(var, 32, v);
  }
}

}  // namespace

void DlgWriteOne(GuiForm* form, const DlgBinding& b) {
  // Kinds 4, 52, 56 and 200 only show; 60-63 carry no object.
  uint32_t k = b.kind;
  if (k == DLG_SHOW || k == DLG_SHOW_TEXT || k == DLG_SHOW_NUMBER || k == DLG_USABLE) return;
  if (k >= DLG_HANDLER && k <= DLG_FLAGS) return;
  bool indexKind = k >= DLG_INDEX32 && k <= DLG_INDEX8;
  void* var = reinterpret_cast<void*>(b.args[indexKind ? 2 : 1]);
  if (!var) return;
  if (indexKind) {
    writeIndex(form, b, var);
    return;
  }
  GuiObject* o = DlgFind(form, b.args[0]);
  if (o) writeVariable(form, o, b, var);
}
