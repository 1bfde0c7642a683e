// Reading one object of a form definition: identity, tag, rectangle (kept
// for re-layout), texts with their "&" mnemonics, font, limits, bitmap,
// navigation targets, actions and flag keywords; a "BTNS" row becomes one
// object per button; frame margins and fixed flags follow from the kind.
// Owns no state; bounded by the object's chunk like the form reader.
#include <memory>

#include "gui_forms.h"

namespace {

struct ObjectReader {
  GuiForm* form;
  GuiObject* object;
  const uint8_t* body;
  uint32_t end;
  uint32_t pos;
  GuiExprContext ctx;
  std::vector<std::unique_ptr<GuiObject>> extras;  // further buttons of a row
};

struct WordFlag {
  FourCC word;
  uint32_t flag;
};

// Flag keywords of objects.
const WordFlag FLAG_WORDS[] = {
    {FCC("Ovlp"), OBJ_OVERLAP},     {FCC("Nonu"), OBJ_NOT_USABLE}, {FCC("Nfrm"), OBJ_NO_FRAME},
    {FCC("Bfrm"), OBJ_BOLD_FRAME},  {FCC("Laln"), OBJ_LEFT},       {FCC("Lanc"), OBJ_LEFT},
    {FCC("Raln"), OBJ_RIGHT},       {FCC("Ranc"), OBJ_RIGHT},      {FCC("Dsze"), OBJ_DYNAMIC_SIZE},
    {FCC("Fsze"), OBJ_FIXED_SIZE},  {FCC("Mlin"), OBJ_MULTI_LINE}, {FCC("Nedt"), OBJ_NOT_EDITABLE},
    {FCC("Numb"), OBJ_NUMERIC},     {FCC("Undr"), OBJ_UNDERLINED}, {FCC("Bscr"), OBJ_HAS_SCROLLBAR},
    {FCC("Bsel"), OBJ_CHECK_LIST},  {FCC("SAll"), OBJ_SELECT_ALL}, {FCC("GSek"), OBJ_SELECT_ALL},
    {FCC("Slct"), OBJ_SELECTED},    {FCC("NTap"), OBJ_NO_TAP},     {FCC("Shft"), OBJ_NO_TAP},
    {FCC("Rfrm"), OBJ_ROUND_FRAME}, {FCC("Slnt"), OBJ_SILENT},     {FCC("Invt"), OBJ_INVERTED},
    {FCC("Mask"), OBJ_MASKED},      {FCC("UDrw"), OBJ_USER_DRAWN}, {FCC("Nprv"), OBJ_NOT_PREVIOUS},
};

// Action keywords; each takes a tag operand.
const FourCC ACTION_WORDS[] = {
    FCC("Goto"), FCC("Lstg"), FCC("Popu"), FCC("Scup"), FCC("Scdn"), FCC("Vlup"), FCC("Vldn"),
    FCC("CtTx"), FCC("CpTx"), FCC("PsTx"), FCC("UnTx"), FCC("SlTx"), FCC("HpTx"), FCC("Keyb"),
    FCC("Rtrn"), FCC("CPck"), FCC("DPck"), FCC("TPck"), FCC("DOff"),
};

uint32_t flagOf(FourCC t) {
  for (const WordFlag& w : FLAG_WORDS)
    if (w.word == t) return w.flag;
  return 0;
}

bool isActionKind(FourCC t) {
  for (FourCC a : ACTION_WORDS)
    if (a == t) return true;
  return false;
}

FourCC* tagField(GuiObject* o, FourCC t) {
  switch (t) {
    case FCC("Tagg"):
      return &o->tag;
    case FCC("TabU"):
      return &o->navUp;
    case FCC("TabD"):
      return &o->navDown;
    case FCC("TabL"):
      return &o->navLeft;
    case FCC("TabR"):
      return &o->navRight;
    case FCC("Imag"):
      return &o->bitmap;
    default:
      return nullptr;
  }
}

bool takesMnemonic(FourCC kind) {
  return kind == FCC("BUTN") || kind == FCC("BTNS") || kind == FCC("PUSH");
}

// Removes the "&" that marks the next character as the shortcut ("&&" is a
// plain "&") and records that character in lower case.
void takeMnemonic(GuiObject* o, std::string* text) {
  std::string out;
  for (size_t i = 0; i < text->size(); i++) {
    char c = (*text)[i];
    if (c == '&' && i + 1 < text->size()) {
      c = (*text)[++i];
      if (c != '&' && o->mnemonic == 0) {
        o->mnemonic = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
        o->mnemonicPos = int16_t(out.size() < 32767 ? out.size() : 32767);
      }
    }
    out.push_back(c);
  }
  *text = out;
}

void addText(ObjectReader* r, std::string text) {
  GuiObject* target = r->object;
  if (r->object->kind == FCC("BTNS") && !r->object->strings.empty() &&
      r->form->objects.size() + r->extras.size() < GUI_MAX_OBJECTS) {
    r->extras.push_back(std::make_unique<GuiObject>());
    target = r->extras.back().get();
  }
  if (takesMnemonic(r->object->kind)) takeMnemonic(target, &text);
  target->strings.push_back(std::move(text));
}

Err evalOne(ObjectReader* r, int32_t* out, bool* isAuto) {
  GuiValue v;
  r->ctx.inRectangle = false;
  r->pos += 4;
  Err err = GuiEvalExpr(&r->ctx, r->body, r->end, &r->pos, &v, 1);
  *out = v.value;
  if (isAuto) *isAuto = (v.flags & PLACE_AUTO) != 0;
  return err;
}

Err rectangle(ObjectReader* r, bool cordOnly) {
  GuiObject* o = r->object;
  GuiValue v[4];
  o->rectTokens = r->pos + 4;
  o->cordOnly = cordOnly;
  r->ctx.inRectangle = true;
  r->pos += 4;
  Err err = GuiEvalExpr(&r->ctx, r->body, r->end, &r->pos, v, cordOnly ? 2 : 4);
  if (cordOnly) v[2] = v[3] = GuiValue{0, PLACE_AUTO};
  for (int i = 0; i < 4; i++) o->placeFlags[i] = v[i].flags;
  return err;
}

// Keywords with an expression operand; false when `t` is none of them.
bool expressionToken(ObjectReader* r, FourCC t, Err* err) {
  GuiObject* o = r->object;
  int32_t value = 0;
  bool isAuto = false;
  switch (t) {
    case FCC("Iden"):
    case FCC("Font"):
    case FCC("Maxc"):
    case FCC("DMax"):
    case FCC("Grup"):
    case FCC("DNob"):
    case FCC("Bmap"):
    case FCC("KDwn"):
      break;
    default:
      return false;
  }
  *err = evalOne(r, &value, &isAuto);
  switch (t) {
    case FCC("Iden"):
      o->id = isAuto ? o->index : GuiIdFromValue(value);
      break;
    case FCC("Font"):
      o->font = uint16_t(value);
      break;
    case FCC("DNob"):
      o->knob = value;
      break;
    case FCC("Bmap"):
      o->bitmap = GuiIdFromValue(value);
      break;
    case FCC("KDwn"):
      o->actionKind = t;
      o->actionOperand = uint32_t(value);
      break;
    default:
      o->maxLength = value;
      break;  // "Maxc", "DMax", "Grup"
  }
  return true;
}

Err objectToken(ObjectReader* r, FourCC t) {
  GuiObject* o = r->object;
  Err err = 0;
  if (GuiIsChunkTag(t)) {  // nothing nests inside an object: skipped whole
    uint32_t start, stop;
    err = GuiChunkAt(r->body, r->end, r->pos, &start, &stop);
    r->pos = stop;
    return err;
  }
  if (FourCC* field = tagField(o, t)) return GuiReadTagOperand(r->body, r->end, &r->pos, field);
  if (isActionKind(t)) {
    o->actionKind = t;
    return GuiReadTagOperand(r->body, r->end, &r->pos, &o->actionOperand);
  }
  if (expressionToken(r, t, &err)) return err;
  if (t == FCC("Rect") || t == FCC("Cord")) return rectangle(r, t == FCC("Cord"));
  if (t == FCC("Text")) {
    std::string text;
    r->pos += 4;
    GuiReadText(r->body, r->end, &r->pos, &text);
    addText(r, std::move(text));
    return 0;
  }
  if (t == FCC("Chek")) o->checked = true;
  o->flags |= flagOf(t);
  r->pos += 4;  // a flag keyword, or an unknown one skipped
  return 0;
}

bool framedKind(const GuiObject* o) {
  switch (o->kind) {
    case FCC("BUTN"):
    case FCC("BTNS"):
    case FCC("CLST"):
    case FCC("LIST"):
    case FCC("PUSH"):
    case FCC("REPT"):
      return true;
    case FCC("FELD"):
      return !(o->flags & OBJ_NOT_EDITABLE);
    default:
      return false;
  }
}

}  // namespace

Err GuiParseObject(GuiForm* form, FourCC kind, uint32_t start, uint32_t stop, uint16_t index) {
  auto owned = std::make_unique<GuiObject>();
  GuiObject* o = owned.get();
  o->kind = kind;
  o->index = index;
  o->id = index;
  o->font = kind == FCC("TITL") ? 1 : 0;
  form->objects.push_back(std::move(owned));
  ObjectReader r{form, o, form->body.data(), stop, start, {}, {}};
  r.ctx =
      GuiExprContext{form, GuiClientArea(form), nullptr, false, form->scale, form->density, false};
  FourCC t;
  Err err = 0;
  while (err == 0 && GuiTokenAt(r.body, r.end, r.pos, &t)) err = objectToken(&r, t);
  // Flags and margins follow from the kind once every keyword is read.
  if (kind == FCC("PLST") || kind == FCC("FSTR") || kind == FCC("FBMP"))
    o->flags |= OBJ_NOT_PREVIOUS | OBJ_OVERLAP;
  int16_t margin = framedKind(o) && !(o->flags & OBJ_NO_FRAME) ? 1 : 0;
  o->marginX = o->marginY = margin;
  uint16_t k = 1;
  for (auto& extra : r.extras) {
    GuiObject* b = extra.get();
    b->kind = kind;
    b->index = uint16_t(index + 1000 + k++);
    b->id = b->index;
    b->font = o->font;
    b->flags = o->flags;
    b->marginX = b->marginY = margin;
    b->rowOwner = o;
    form->objects.push_back(std::move(extra));
  }
  return err;
}
