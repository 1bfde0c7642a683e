// Menu bars ("MBAR"). The body is a layout of our own (the handheld's binary
// menu layout is not needed: only our own form manager reads these):
//
//   0   u16  menu count M
//   2   u16  item count N (all menus)
//   4   M menu records of 8 bytes: u16 first item index, u16 item count,
//       u32 offset of the NUL-terminated title from the body's start
//   ..  N item records of 16 bytes: u32 item name ("MITM" name), u32 item id,
//       u32 offset of the NUL-terminated label (0 for a separator), u8 shortcut
//       letter (upper case, 0 for none), u8 flags (1 = separator), u16 zero
//   ..  the texts
//
// Item ids are given by the compiler, one per distinct item name, and the
// name table maps them ("MITM"). Owns no state.
#include <cctype>

#include "rescomp.h"

namespace {

constexpr uint8_t ITEM_SEPARATOR = 1;

struct Item {
  FourCC name;
  uint32_t id;
  std::string label;
  uint8_t shortcut;
  uint8_t flags;
};

struct Menu {
  std::string title;
  std::vector<Item> items;
};

uint32_t itemId(RcContext* ctx, FourCC name) {
  auto it = ctx->menuItemIds.find(name);
  if (it != ctx->menuItemIds.end()) return it->second;
  uint32_t id = uint32_t(ctx->menuItemIds.size() + 1);
  ctx->menuItemIds[name] = id;
  return id;
}

struct Reader {
  RcContext* ctx;
  const std::string& file;
  const std::vector<RcToken>& toks;
  size_t pos;
};

bool fail(Reader* r, int line, const std::string& message) {
  RcError(&r->ctx->diag, r->file, line, message);
  return false;
}

bool more(Reader* r) { return r->pos < r->toks.size(); }

// "item NAME "label" [key "X"]" or "separator", at r->pos.
bool readItem(Reader* r, Menu* menu) {
  const RcToken& t = r->toks[r->pos++];
  if (t.text == "separator") {
    menu->items.push_back({0, 0, "", 0, ITEM_SEPARATOR});
    return true;
  }
  if (t.text != "item") return fail(r, t.line, "expected 'item', 'separator' or '}'");
  if (!more(r) || r->toks[r->pos].kind != RcTok::Word)
    return fail(r, t.line, "an item needs a four-character name");
  FourCC name = RcFourCC(r->toks[r->pos++].text);
  if (!more(r) || r->toks[r->pos].kind != RcTok::String)
    return fail(r, t.line, "an item needs a quoted label");
  Item item{name, itemId(r->ctx, name), r->toks[r->pos++].text, 0, 0};
  if (more(r) && r->toks[r->pos].text == "key") {
    r->pos++;
    if (!more(r) || r->toks[r->pos].kind != RcTok::String || r->toks[r->pos].text.size() != 1 ||
        !isalpha(uint8_t(r->toks[r->pos].text[0])))
      return fail(r, t.line, "key takes one letter in quotes: key \"N\"");
    item.shortcut = uint8_t(toupper(uint8_t(r->toks[r->pos++].text[0])));
  }
  menu->items.push_back(item);
  return true;
}

// "menu "title" { items }", at r->pos.
bool readMenu(Reader* r, std::vector<Menu>* menus) {
  const RcToken& t = r->toks[r->pos++];
  if (t.text != "menu") return fail(r, t.line, "expected 'menu' or '}'");
  if (!more(r) || r->toks[r->pos].kind != RcTok::String)
    return fail(r, t.line, "a menu needs a quoted title");
  Menu menu{r->toks[r->pos++].text, {}};
  if (!more(r) || r->toks[r->pos].kind != RcTok::Open)
    return fail(r, t.line, "'{' must follow the menu title");
  r->pos++;
  while (more(r) && r->toks[r->pos].kind != RcTok::Close)
    if (!readItem(r, &menu)) return false;
  if (!more(r)) return fail(r, t.line, "menu '" + menu.title + "' is never closed");
  r->pos++;
  menus->push_back(menu);
  return true;
}

void putText(std::vector<uint8_t>* out, size_t offsetAt, const std::string& text) {
  Put32BE(out->data() + offsetAt, uint32_t(out->size()));
  out->insert(out->end(), text.begin(), text.end());
  out->push_back(0);
}

std::vector<uint8_t> layout(const std::vector<Menu>& menus) {
  size_t itemCount = 0;
  for (const Menu& m : menus) itemCount += m.items.size();
  std::vector<uint8_t> out;
  RcPut16(&out, uint16_t(menus.size()));
  RcPut16(&out, uint16_t(itemCount));
  std::vector<size_t> titleAt, labelAt;
  uint16_t first = 0;
  for (const Menu& m : menus) {
    RcPut16(&out, first);
    RcPut16(&out, uint16_t(m.items.size()));
    titleAt.push_back(out.size());
    RcPut32(&out, 0);
    first = uint16_t(first + m.items.size());
  }
  for (const Menu& m : menus)
    for (const Item& it : m.items) {
      RcPut32(&out, it.name);
      RcPut32(&out, it.id);
      labelAt.push_back(out.size());
      RcPut32(&out, 0);
      out.push_back(it.shortcut);
      out.push_back(it.flags);
      RcPut16(&out, 0);
    }
  size_t k = 0;
  for (size_t i = 0; i < menus.size(); i++) {
    putText(&out, titleAt[i], menus[i].title);
    for (const Item& it : menus[i].items) {
      if (!(it.flags & ITEM_SEPARATOR)) putText(&out, labelAt[k], it.label);
      k++;
    }
  }
  return out;
}

}  // namespace

bool RcCompileMenuBar(RcContext* ctx, const std::string& file, const std::vector<RcToken>& toks,
                      size_t* pos, std::vector<uint8_t>* out) {
  Reader r{ctx, file, toks, *pos};
  int openLine = *pos > 0 ? toks[*pos - 1].line : 1;
  std::vector<Menu> menus;
  bool ok = true;
  while (ok && more(&r) && toks[r.pos].kind != RcTok::Close) ok = readMenu(&r, &menus);
  if (ok && !more(&r)) ok = fail(&r, openLine, "menu bar is never closed");
  if (ok) r.pos++;
  size_t items = 0;
  for (const Menu& m : menus) items += m.items.size();
  if (ok && (menus.size() > 0xFFFF || items > 0xFFFF)) ok = fail(&r, openLine, "too many items");
  *pos = r.pos;
  if (ok) *out = layout(menus);
  return ok;
}
