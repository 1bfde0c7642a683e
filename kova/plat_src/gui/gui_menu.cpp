// Menu bars: the "MBAR" body read with every offset and count checked
// against it (u16 menus, u16 items, 8-byte menu records, 16-byte item
// records, NUL-terminated texts), the strip along the top of a full-screen
// form, pull-down menus tracked by pen and keys, Ctrl + letter shortcuts,
// and the commands a chosen item sends. Owns the parsed menu bar of the
// form that last asked (a small cache) and the open menu's state.
//
// Invariants: (1) a damaged body gives an empty menu bar, never a read
// outside it; (2) only one menu is open at a time, over the form that
// opened it; its drawing is the screen's overlay while it is open.
#include <string>
#include <vector>

#include "gui_loop.h"
#include "kova_res.h"
#include "kova_text.h"

namespace {

constexpr uint8_t ITEM_SEPARATOR = 1;
constexpr FourCC NAME_TABLE_ITEMS = FCC("MITM");
constexpr uint32_t BAR_BACK = 0xF0F1F3, BAR_LINE = 0xB4B8C0, TEXT = 0x000000;
constexpr uint32_t MENU_FRAME = 0x8A8F98, SHORTCUT_TEXT = 0x666A72, HOT_TEXT = 0xFFFFFF;

struct Item {
  FourCC name;
  std::string label;
  char mnemonic;
  int16_t mnemonicPos;
  char shortcut;  // upper-case letter, 0 for none
  bool separator;
};

struct Menu {
  std::string title;
  uint16_t first, count;
};

struct MenuState {
  uint32_t barId = 0;  // the cached bar's resource id or name (0: none)
  std::vector<Menu> menus;
  std::vector<Item> items;
  GuiForm* form = nullptr;  // the form whose menu is open
  int16_t open = -1;        // open menu, -1 when closed
  int16_t hot = -1;         // highlighted item (absolute index), -1 none
};

MenuState* g_menu = nullptr;

MenuState* menuState() {
  if (!g_menu) g_menu = new MenuState();
  return g_menu;
}

// A NUL-terminated text at `offset`, cut at the end of the body.
std::string textAt(const uint8_t* body, uint32_t size, uint32_t offset) {
  std::string s;
  for (uint32_t i = offset; i < size && body[i] != 0; i++) s.push_back(char(body[i]));
  return s;
}

// "&" marks the next character as the item's mnemonic ("&&" is an "&").
void setLabel(Item* item, const std::string& raw) {
  item->mnemonic = 0;
  item->mnemonicPos = -1;
  for (size_t i = 0; i < raw.size(); i++) {
    if (raw[i] == '&' && i + 1 < raw.size()) {
      i++;
      if (raw[i] != '&' && item->mnemonicPos < 0) {
        item->mnemonicPos = int16_t(item->label.size());
        char c = raw[i];
        item->mnemonic = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
      }
    }
    item->label.push_back(raw[i]);
  }
}

// The item's four-character name: the name table's, else the record's own.
FourCC itemName(uint32_t id, FourCC recorded) {
  uint32_t named = RES_IdToName(NAME_TABLE_ITEMS, id);
  return (named != id && named > 0xFFFF) ? named : recorded;
}

bool parseBar(const uint8_t* b, uint32_t size, MenuState* m) {
  if (size < 4) return false;
  uint32_t menuCount = Get16BE(b), itemCount = Get16BE(b + 2);
  uint64_t records = 4 + 8ull * menuCount + 16ull * itemCount;
  if (records > size) return false;
  for (uint32_t i = 0; i < menuCount; i++) {
    const uint8_t* r = b + 4 + 8 * i;
    Menu menu{textAt(b, size, Get32BE(r + 4)), Get16BE(r), Get16BE(r + 2)};
    if (uint32_t(menu.first) + menu.count > itemCount) return false;
    m->menus.push_back(menu);
  }
  for (uint32_t i = 0; i < itemCount; i++) {
    const uint8_t* r = b + 4 + 8 * menuCount + 16 * i;
    Item item{itemName(Get32BE(r + 4), Get32BE(r)), {}, 0, -1, char(r[12]), false};
    item.separator = (r[13] & ITEM_SEPARATOR) || Get32BE(r + 8) == 0;
    if (!item.separator) setLabel(&item, textAt(b, size, Get32BE(r + 8)));
    if (item.shortcut < 'A' || item.shortcut > 'Z') item.shortcut = 0;
    m->items.push_back(item);
  }
  return true;
}

// The form's menu bar, read on first use; null when it has none.
MenuState* barOf(const GuiForm* form) {
  if (!form || form->menuBar == 0 || (form->flags & (FORM_MODAL | FORM_ALERT))) return nullptr;
  MenuState* m = menuState();
  if (m->barId == form->menuBar) return m->menus.empty() ? nullptr : m;
  m->barId = form->menuBar;
  m->menus.clear();
  m->items.clear();
  ResHandle h = nullptr;
  if (RES_Get(&h, RES_TYPE_MENU_BAR, form->menuBar) == 0) {
    if (!parseBar(RES_Data(h), RES_Size(h), m)) {
      m->menus.clear();
      m->items.clear();
    }
    RES_Release(&h);
  }
  return m->menus.empty() ? nullptr : m;
}

// Geometry (screen pixels).
int16_t rowHeight(const Item& item) {
  return int16_t(item.separator ? 7 : TXT_LineHeight(FONT_STANDARD) + 6);
}

GfxRect titleRect(const MenuState* m, int index, int16_t barHeight) {
  int32_t x = 2;
  for (int i = 0; i < index; i++)
    x += TXT_Width(FONT_STANDARD, m->menus[size_t(i)].title.c_str(), 0xFFFF) + 16;
  int32_t w = TXT_Width(FONT_STANDARD, m->menus[size_t(index)].title.c_str(), 0xFFFF) + 16;
  return GfxRect{int16_t(x), 0, int16_t(w), barHeight};
}

std::string shortcutText(char letter) { return std::string("Ctrl+") + letter; }

GfxRect dropRect(const MenuState* m, int index, int16_t barHeight) {
  const Menu& menu = m->menus[size_t(index)];
  GfxRect t = titleRect(m, index, barHeight);
  int32_t w = t.w, h = 2;
  for (uint16_t i = menu.first; i < menu.first + menu.count; i++) {
    const Item& it = m->items[i];
    h += rowHeight(it);
    int32_t lw = TXT_Width(FONT_STANDARD, it.label.c_str(), 0xFFFF) + 32;
    if (it.shortcut) lw += 24 + TXT_Width(FONT_STANDARD, shortcutText(it.shortcut).c_str(), 0xFFFF);
    if (lw > w) w = lw;
  }
  int16_t sw = 0;
  GuiScreenSize(&sw, nullptr, nullptr);
  int32_t x = t.x + w > sw ? sw - w : t.x;
  return GfxRect{int16_t(x < 0 ? 0 : x), barHeight, int16_t(w), int16_t(h)};
}

bool inside(const GfxRect& r, int32_t x, int32_t y) {
  return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
}

// The item under a screen point in the open menu, or -1.
int16_t itemAt(const MenuState* m, int16_t barHeight, int16_t x, int16_t y) {
  GfxRect r = dropRect(m, m->open, barHeight);
  if (!inside(r, x, y)) return -1;
  int32_t top = r.y + 1;
  const Menu& menu = m->menus[size_t(m->open)];
  for (uint16_t i = menu.first; i < menu.first + menu.count; i++) {
    int16_t h = rowHeight(m->items[i]);
    if (y < top + h) return m->items[i].separator ? -1 : int16_t(i);
    top += h;
  }
  return -1;
}

int16_t titleAt(const MenuState* m, int16_t barHeight, int16_t x) {
  for (size_t i = 0; i < m->menus.size(); i++) {
    GfxRect t = titleRect(m, int(i), barHeight);
    if (x >= t.x && x < t.x + t.w) return int16_t(i);
  }
  return -1;
}

uint32_t highlight(const GuiForm* form) { return form->colours[COL_TITLE]; }

void drawItem(GfxCanvas* c, const GuiForm* form, const Item& it, GfxRect row, bool hot) {
  if (it.separator) {
    GFX_Line(c, int16_t(row.x + 4), int16_t(row.y + 3), int16_t(row.x + row.w - 5),
             int16_t(row.y + 3), BAR_LINE);
    return;
  }
  if (hot) GFX_FillRect(c, row, highlight(form));
  uint32_t ink = hot ? HOT_TEXT : TEXT;
  auto x = int16_t(row.x + 12), y = int16_t(row.y + 3);
  (void)TXT_Draw(c, FONT_STANDARD, it.label.c_str(), uint32_t(it.label.size()), x, y, ink);
  if (it.mnemonicPos >= 0) {
    int32_t ux = x + TXT_Width(FONT_STANDARD, it.label.c_str(), uint32_t(it.mnemonicPos));
    int32_t uw = TXT_Width(FONT_STANDARD, it.label.c_str() + it.mnemonicPos, 1);
    auto uy = int16_t(y + TXT_Ascent(FONT_STANDARD) + 1);
    GFX_Line(c, int16_t(ux), uy, int16_t(ux + uw - 1), uy, ink);
  }
  if (it.shortcut) {
    std::string s = shortcutText(it.shortcut);
    int32_t sx = row.x + row.w - 12 - TXT_Width(FONT_STANDARD, s.c_str(), 0xFFFF);
    (void)TXT_Draw(c, FONT_STANDARD, s.c_str(), uint32_t(s.size()), int16_t(sx), y,
                   hot ? HOT_TEXT : SHORTCUT_TEXT);
  }
}

// The open menu, drawn over the screen.
void drawOpenMenu(GfxCanvas* c, uintptr_t) {
  MenuState* m = g_menu;
  if (!m || m->open < 0 || !m->form) return;
  int16_t bar = GuiMenuBarHeight(m->form);
  GfxRect r = dropRect(m, m->open, bar);
  GFX_FillRect(c, GfxRect{int16_t(r.x + 2), int16_t(r.y + 2), r.w, r.h}, 0x9A9EA6);
  GFX_FillRect(c, r, 0xFFFFFF);
  GFX_FrameRect(c, r, MENU_FRAME, 1);
  const Menu& menu = m->menus[size_t(m->open)];
  int16_t top = int16_t(r.y + 1);
  for (uint16_t i = menu.first; i < menu.first + menu.count; i++) {
    int16_t h = rowHeight(m->items[i]);
    drawItem(c, m->form, m->items[i], GfxRect{int16_t(r.x + 1), top, int16_t(r.w - 2), h},
             m->hot == i);
    top = int16_t(top + h);
  }
}

void moveHot(MenuState* m, int step) {
  const Menu& menu = m->menus[size_t(m->open)];
  if (menu.count == 0) return;
  int at = m->hot >= menu.first && m->hot < menu.first + menu.count ? m->hot - menu.first
                                                                    : (step > 0 ? -1 : menu.count);
  for (int k = 0; k < menu.count; k++) {
    at = ((at + step) % menu.count + menu.count) % menu.count;
    if (!m->items[size_t(menu.first + at)].separator) {
      m->hot = int16_t(menu.first + at);
      return;
    }
  }
}

void switchTo(MenuState* m, int16_t index) {
  if (index == m->open || index < 0) return;
  m->open = index;
  m->hot = -1;
}

void choose(GuiForm* form, MenuState* m, int16_t item) {
  if (item < 0 || m->items[size_t(item)].separator) return;
  FourCC name = m->items[size_t(item)].name;
  GuiMenuClose();
  GuiMenuCommand(form, name);
}

void keyInOpenMenu(GuiForm* form, MenuState* m, int32_t code) {
  auto count = int16_t(m->menus.size());
  const Menu& menu = m->menus[size_t(m->open)];
  switch (code) {
    case FCC("SCUP"):
      moveHot(m, -1);
      break;
    case FCC("SCDN"):
      moveHot(m, 1);
      break;
    case FCC("ALFT"):
      switchTo(m, int16_t((m->open + count - 1) % count));
      break;
    case FCC("ARGT"):
      switchTo(m, int16_t((m->open + 1) % count));
      break;
    case FCC("SLCT"):
    case '\n':
      choose(form, m, m->hot);
      return;
    case 27:
      GuiMenuClose();
      return;
    default:
      for (uint16_t i = menu.first; i < menu.first + menu.count; i++) {
        char c = char(code >= 'A' && code <= 'Z' ? code + 32 : code);
        if (code > 0 && code < 256 && m->items[i].mnemonic == c) {
          choose(form, m, int16_t(i));
          return;
        }
      }
      break;
  }
  GuiPresentScreen();
}

}  // namespace

int16_t GuiMenuBarHeight(const GuiForm* form) {
  if (!form || form->menuBar == 0 || (form->flags & (FORM_MODAL | FORM_ALERT))) return 0;
  return int16_t(TXT_LineHeight(FONT_STANDARD) + 8);
}

void GuiMenuDrawBar(const GuiForm* form, GfxCanvas* screen) {
  int16_t h = GuiMenuBarHeight(form);
  int16_t w = screen->surface->width;
  if (h <= 0) return;
  GFX_FillRect(screen, GfxRect{0, 0, w, int16_t(h - 1)}, BAR_BACK);
  GFX_Line(screen, 0, int16_t(h - 1), int16_t(w - 1), int16_t(h - 1), BAR_LINE);
  MenuState* m = barOf(form);
  if (!m) return;
  bool open = g_menu && g_menu->open >= 0 && g_menu->form == form;
  for (size_t i = 0; i < m->menus.size(); i++) {
    GfxRect t = titleRect(m, int(i), int16_t(h - 1));
    bool lit = open && g_menu->open == int16_t(i);
    if (lit) GFX_FillRect(screen, t, highlight(form));
    const std::string& s = m->menus[i].title;
    (void)TXT_Draw(screen, FONT_STANDARD, s.c_str(), uint32_t(s.size()), int16_t(t.x + 8),
                   int16_t((h - 1 - TXT_LineHeight(FONT_STANDARD)) / 2), lit ? HOT_TEXT : TEXT);
  }
}

bool GuiMenuOpen(GuiForm* form, int16_t index, int16_t screenX) {
  MenuState* m = barOf(form);
  if (!m) return false;
  if (index < 0) index = screenX >= 0 ? titleAt(m, GuiMenuBarHeight(form), screenX) : 0;
  if (index < 0) index = 0;
  if (index >= int16_t(m->menus.size())) return false;
  m->form = form;
  m->open = index;
  m->hot = -1;
  GuiSetOverlay(drawOpenMenu, 0);
  GuiPresentScreen();
  return true;
}

void GuiMenuClose() {
  if (!g_menu || g_menu->open < 0) return;
  g_menu->open = -1;
  g_menu->hot = -1;
  g_menu->form = nullptr;
  GuiSetOverlay(nullptr, 0);
  GuiPresentScreen();
}

bool GuiMenuIsOpen() { return g_menu && g_menu->open >= 0; }

void GuiMenuInput(GuiForm* form, const GuiInput& in) {
  MenuState* m = g_menu;
  if (!m || m->open < 0) return;
  if (m->form != form) {
    GuiMenuClose();
    return;
  }
  int16_t bar = GuiMenuBarHeight(form);
  bool inBar = in.y >= 0 && in.y < bar;
  switch (in.kind) {
    case GUI_IN_PEN_MOVE:
    case GUI_IN_PEN_DOWN:
      if (inBar) {
        int16_t t = titleAt(m, bar, in.x);
        if (in.kind == GUI_IN_PEN_DOWN && t == m->open) {
          GuiMenuClose();  // a second click on the open title closes it
          return;
        }
        switchTo(m, t);
      } else {
        int16_t item = itemAt(m, bar, in.x, in.y);
        if (in.kind == GUI_IN_PEN_DOWN && item < 0 &&
            !inside(dropRect(m, m->open, bar), in.x, in.y)) {
          GuiMenuClose();  // a tap outside closes the menu and goes nowhere else
          return;
        }
        m->hot = item;
      }
      break;
    case GUI_IN_PEN_UP:
      if (!inBar) choose(form, m, itemAt(m, bar, in.x, in.y));
      return;
    case GUI_IN_KEY:
      keyInOpenMenu(form, m, in.code);
      return;
    case GUI_IN_RETURN:
      choose(form, m, m->hot);
      return;
    case GUI_IN_CONTROL:
    case GUI_IN_MENU_OPEN:
      GuiMenuClose();
      return;
    default:
      return;
  }
  GuiPresentScreen();
}

FourCC GuiMenuShortcut(GuiForm* form, char letter) {
  MenuState* m = barOf(form);
  if (!m) return 0;
  for (const Item& it : m->items)
    if (!it.separator && it.shortcut == letter) return it.name;
  return 0;
}

void GuiMenuReset() {
  delete g_menu;
  g_menu = nullptr;
}
