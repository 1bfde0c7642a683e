// The data strip under the contact list: one item of the selected contact
// (a phone number, an e-mail address, the name and company, or a street
// address) on the strip's background, with the kind's marker bar, the item
// counter, phone numbers tidied, and the largest font that fits; the typed
// search and the masked private contact instead. Also the category number
// of a category pop-up position. Owns g_list.dataKind and g_list.dataIndex.
#include <algorithm>
#include <cstring>

#include "kova_fmt.h"
#include "kova_res.h"
#include "kova_text.h"
#include "list_internal.h"
#include "main_handler.h"

namespace {

constexpr int16_t KIND_COUNT = 4;
constexpr int16_t ITEMS_COUNTED = 20;  // the counter counts no further
constexpr int16_t ITEMS_BACK = 10;     // stepping back looks over this many items
constexpr int16_t MARGIN = 4;          // text inset at each side
constexpr int16_t BAR_WIDTH = 3;       // the kind's marker bar at the right edge
// The strip's fonts from the largest down; where a text starts in it.
constexpr uint16_t FONTS[] = {FONT_LED,  FONT_LARGE_BOLD, FONT_LARGE,
                              FONT_BOLD, FONT_STANDARD,   FONT_TINY};
constexpr int FONT_COUNT = int(sizeof FONTS / sizeof FONTS[0]);
constexpr int FIRST_PHONE = 0, FIRST_ITEM = 1, FIRST_BLOCK = 4;
constexpr FourCC NO_ITEM[KIND_COUNT] = {FCC("$NoP"), FCC("$NoE"), FCC("$NoC"), FCC("$NoA")};
constexpr FourCC KIND_BUTTONS[3] = {FCC("DNum"), FCC("DEml"), FCC("DAdd")};
constexpr uint32_t TEXT_BYTES = 512;

bool phoneCharacter(char c) {
  return (c >= '0' && c <= '9') || (c != 0 && strchr("-.,e() \t\n", c) != nullptr);
}

// The kind shown first: the start preference, or the kind shown last.
void ensureKind() {
  if (g_list.dataKind >= 0 && g_list.dataKind < KIND_COUNT) return;
  uint16_t kind = g_prefs.dataKindStart < KIND_COUNT ? g_prefs.dataKindStart : g_prefs.dataKindLast;
  // A saved value out of range (an older or damaged file) starts on the phones.
  g_list.dataKind = kind < KIND_COUNT ? int16_t(kind) : DATA_PHONES;
  g_list.dataIndex = 0;
}

// Items of `kind` the contact holds, counting up to `limit`.
int16_t countItems(const ContactRec* rec, int16_t kind, int16_t limit) {
  if (kind == DATA_NAME) limit = 1;  // the name block is a single item
  int16_t n = 0;
  for (; n < limit; ++n) {
    char* text = ContactColumnText(rec, int16_t(12 + kind), n, nullptr, nullptr, 0, 0, 0);
    bool empty = !text || !text[0];
    MEM_Free(text);
    if (empty) break;
  }
  return n;
}

// Items of `kind` of the selected contact (0 with none selected).
int16_t selectedItems(int16_t kind, int16_t limit) {
  if (g_list.selectedRecord < 0) return 0;
  ContactDb* db = nullptr;
  if (ContactDbOpen(&db, false, true) != 0) return 0;
  ContactRec rec{};
  int16_t n = 0;
  if (ContactFetch(&rec, db, uint16_t(g_list.selectedRecord)) == 0) {
    n = countItems(&rec, kind, limit);
    ContactRelease(&rec);
  }
  ContactDbClose(&db);
  return n;
}

// The push buttons show the kind (addresses for kinds 2 and 3).
void showKindButtons(GuiForm* form) {
  int16_t lit = std::min<int16_t>(g_list.dataKind, 2);
  for (int16_t i = 0; i < 3; ++i) {
    int32_t value = 0;
    if (GUI_GetValue(form, KIND_BUTTONS[i], &value) != 0) continue;  // not on this layout
    if ((value != 0) != (i == lit)) (void)GUI_SetValue(form, KIND_BUTTONS[i], i == lit);
  }
}

void redrawStrip(GuiForm* form) {
  if (!form) return;
  showKindButtons(form);
  if (GUI_HasObject(form, FCC("Data"))) (void)GUI_Redraw(form, FCC("Data"));
}

// What the strip shows: the text, the counter and where the fitting starts.
struct StripText {
  char text[TEXT_BYTES];
  char counter[16];
  int firstFont;
};

void resourceText(FourCC name, char* out, uint32_t size) {
  if (RES_GetString(name, out, size) != 0) out[0] = 0;
}

// "$Sek" and the typed characters; the last one set apart when it found nothing.
void seekText(StripText* s) {
  char lead[64];
  resourceText(FCC("$Sek"), lead, sizeof lead);
  int16_t n = std::min<int16_t>(g_list.seekLength, LIST_SEEK_MAX);
  char typed[LIST_SEEK_MAX + 1];
  memcpy(typed, g_list.seekText, size_t(n));
  typed[n] = 0;
  if (!g_list.seekFound && n > 0) {
    char last = typed[n - 1];
    typed[n - 1] = 0;
    STR_Format(s->text, int(sizeof s->text), "%s %s [%c]", lead, typed, last);
  } else {
    STR_Format(s->text, int(sizeof s->text), "%s %s", lead, typed);
  }
  s->firstFont = FIRST_ITEM;
}

// Item `dataIndex` of the kind, tidied, with its counter; the "No ..." text
// when the contact has none of the kind.
void itemText(const ContactRec* rec, StripText* s) {
  int16_t kind = g_list.dataKind;
  int16_t count = countItems(rec, kind, ITEMS_COUNTED);
  // Another contact may hold fewer items than the one before: show its first.
  if (g_list.dataIndex >= count || g_list.dataIndex < 0) g_list.dataIndex = 0;
  s->firstFont = kind <= DATA_EMAILS ? FIRST_ITEM : FIRST_BLOCK;
  if (count == 0) {
    resourceText(NO_ITEM[kind], s->text, sizeof s->text);
    return;
  }
  char* text =
      ContactColumnText(rec, int16_t(12 + kind), g_list.dataIndex, nullptr, nullptr, 0, 0, 0);
  const char* shown = text ? text : "";
  if (kind <= DATA_EMAILS) {
    if (DataStripTidyPhone(shown, s->text, sizeof s->text)) s->firstFont = FIRST_PHONE;
    if (count > 1)
      STR_Format(s->counter, int(sizeof s->counter), "%hd/%hd", int(g_list.dataIndex + 1),
                 int(count));
  } else {
    STR_Format(s->text, int(sizeof s->text), "%s", shown);
  }
  MEM_Free(text);
}

// The text the strip shows for contact `record`.
void stripText(ContactDb* db, int32_t record, StripText* s) {
  if (g_list.seekLength > 0) {
    seekText(s);
    return;
  }
  if (ListRowMasked(db, uint16_t(record))) {
    resourceText(FCC("$Msk"), s->text, sizeof s->text);
    s->firstFont = FIRST_ITEM;
    return;
  }
  ContactRec rec{};
  if (ContactFetch(&rec, db, uint16_t(record)) != 0) return;  // the strip stays empty
  itemText(&rec, s);
  ContactRelease(&rec);
}

// Width of the widest line of `text`, and its line count.
int32_t blockWidth(uint16_t font, const char* text, int16_t* lines) {
  int32_t widest = 0;
  *lines = 0;
  for (const char* p = text; *p || *lines == 0;) {
    const char* end = strchr(p, '\n');
    uint32_t n = end ? uint32_t(end - p) : uint32_t(strlen(p));
    widest = std::max(widest, TXT_Width(font, p, n));
    ++*lines;
    if (!end) break;
    p = end + 1;
  }
  return widest;
}

// Draws the lines of `text` in the first font from `first` on that fits
// `box` (the last one tried when none does), centred vertically when the
// lines fit the height.
void drawFitted(GfxCanvas* canvas, const GfxRect& box, const char* text, int first,
                uint32_t colour) {
  uint16_t font = FONTS[FONT_COUNT - 1];
  int16_t lines = 1;
  for (int i = first; i < FONT_COUNT; ++i) {
    font = FONTS[i];
    if (blockWidth(font, text, &lines) <= box.w) break;
  }
  int16_t lineHeight = TXT_LineHeight(font);
  int32_t height = int32_t(lines) * lineHeight;
  int32_t y = box.y + (height <= box.h ? (box.h - height) / 2 : 0);
  for (const char* p = text; y < box.y + box.h; y += lineHeight) {
    const char* end = strchr(p, '\n');
    uint32_t n = end ? uint32_t(end - p) : uint32_t(strlen(p));
    n = TXT_Fit(font, p, n, box.w, false);
    (void)TXT_Draw(canvas, font, p, n, box.x, int16_t(y), colour);
    if (!end) break;
    p = end + 1;
  }
}

}  // namespace

bool DataStripTidyPhone(const char* in, char* out, uint32_t size) {
  if (!out || size == 0) return false;
  out[0] = 0;
  if (!in) return false;
  bool phone = in[0] != 0;
  for (const char* p = in; *p && phone; ++p) phone = phoneCharacter(*p);
  if (!phone) {
    STR_Format(out, int(std::min<uint32_t>(size, 0x7FFFFFFF)), "%s", in);
    return false;
  }
  uint32_t n = 0;
  bool opened = false;
  for (uint32_t i = 0; in[i] && n + 1 < size; ++i) {
    char c = in[i];
    // ") " and " (" lose their blank; tab and line feed are blanks.
    if (c == ' ' && ((i > 0 && in[i - 1] == ')') || in[i + 1] == '(')) continue;
    if (c == '\t' || c == '\n') c = ' ';
    if (c == '(' && n == 0 && !opened) {  // an opening bracket at the start goes
      opened = true;
      continue;
    }
    if (c == '(' || c == ')') c = '-';
    if (c == 'e') c = '/';
    out[n++] = c;
  }
  out[n] = 0;
  return true;
}

void DataStripDraw(GuiForm* form, ContactDb* db, int32_t record) {
  GfxRect area{};
  if (!form || GUI_GetBounds(form, FCC("Data"), &area) != 0) return;
  ensureKind();
  g_prefs.dataKindLast = uint16_t(g_list.dataKind);
  // The kind outlives the form: a layout opened later starts with its
  // selectors off. Only a selector that differs is set.
  showKindButtons(form);
  GfxCanvas canvas = GUI_FormCanvas(form);
  GfxRect oldClip = GFX_SetClip(&canvas, &area);
  GFX_FillRect(&canvas, area, g_prefs.listColours[6]);
  // The typed search needs no contact: each keystroke stays cheap.
  bool seeking = g_list.seekLength > 0;
  ContactDb* opened = nullptr;
  if (!db && !seeking && record >= 0 && ContactDbOpen(&opened, false, true) == 0) db = opened;
  if (record >= 0 && (db || seeking)) {
    // The third of the height that belongs to the kind (addresses share the name's).
    int16_t third = int16_t(area.h / 3);
    int16_t slot = std::min<int16_t>(g_list.dataKind, DATA_NAME);
    int16_t barH = slot == 2 ? int16_t(area.h - 2 * third) : third;
    GfxRect bar{int16_t(area.x + area.w - BAR_WIDTH), int16_t(area.y + slot * third), BAR_WIDTH,
                barH};
    uint32_t ink = g_prefs.listColours[2];
    GFX_FillRect(&canvas, bar, ink);
    StripText s{};
    stripText(db, record, &s);
    GfxRect box{int16_t(area.x + MARGIN), area.y, int16_t(area.w - 2 * MARGIN - BAR_WIDTH), area.h};
    if (s.counter[0]) {
      int32_t w = TXT_Width(FONT_STANDARD, s.counter, uint32_t(strlen(s.counter)));
      int16_t y = int16_t(area.y + (area.h - TXT_LineHeight(FONT_STANDARD)) / 2);
      (void)TXT_Draw(&canvas, FONT_STANDARD, s.counter, uint32_t(strlen(s.counter)),
                     int16_t(box.x + box.w - w), y, ink);
      box.w = int16_t(box.w - w - MARGIN);  // the item keeps clear of the counter
    }
    if (s.text[0] && box.w > 0) drawFitted(&canvas, box, s.text, s.firstFont, ink);
  }
  ContactDbClose(&opened);
  GFX_SetClip(&canvas, &oldClip);
}

void DataStripCommand(GuiForm* form, FourCC command) {
  ensureKind();
  int16_t kind = command == FCC("DNum") ? DATA_PHONES : command == FCC("DEml") ? DATA_EMAILS : -1;
  if (command == FCC("DAdd")) kind = g_list.dataKind == DATA_ADDRESSES ? DATA_ADDRESSES : DATA_NAME;
  if (kind < 0) return;
  if (kind != g_list.dataKind) {
    g_list.dataKind = kind;
    g_list.dataIndex = 0;
  } else if (++g_list.dataIndex >= selectedItems(kind, ITEMS_COUNTED)) {
    g_list.dataIndex = 0;
    // Names and addresses share one button: past the last item the other one.
    if (kind >= DATA_NAME) g_list.dataKind = kind == DATA_NAME ? DATA_ADDRESSES : DATA_NAME;
  }
  redrawStrip(form);
}

void DataStripStep(GuiForm* form, int16_t direction) {
  ensureKind();
  if (direction > 0) {
    if (++g_list.dataIndex >= selectedItems(g_list.dataKind, ITEMS_COUNTED)) {
      g_list.dataKind = int16_t((g_list.dataKind + 1) % KIND_COUNT);
      g_list.dataIndex = 0;
    }
  } else if (direction < 0) {
    if (g_list.dataIndex > 0) {
      --g_list.dataIndex;
    } else {
      g_list.dataKind = int16_t((g_list.dataKind + KIND_COUNT - 1) % KIND_COUNT);
      g_list.dataIndex = std::max<int16_t>(selectedItems(g_list.dataKind, ITEMS_BACK) - 1, 0);
    }
  }
  redrawStrip(form);
}

void DataStripTap(GuiForm* form, int32_t x) {
  GfxRect area{};
  if (!form || GUI_GetBounds(form, FCC("Data"), &area) != 0) return;
  DataStripStep(form, x >= area.w / 2 ? 1 : -1);
}

int16_t CategoryFromList(GuiForm* form, int16_t position, bool skipAll) {
  if (position < 0) {
    int32_t value = -1;
    if (!form || GUI_GetValue(form, FCC("LCat"), &value) != 0) return -1;
    position = int16_t(std::clamp<int32_t>(value, -1, INT16_MAX));
  }
  if (position < 0 || position >= g_main.categoryCount) return -1;
  if (skipAll && position == 0) return -1;
  return g_main.categoryOf[position];
}
