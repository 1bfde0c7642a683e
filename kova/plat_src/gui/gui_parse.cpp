// Reading a form or alert definition: the tagged chunk of 4-byte tokens
// (keywords, numbers, operators, texts, nested chunks) at the form level
// (identity, rectangle, kind flags, buttons, menus, timer, title, colours,
// pop-up bindings, objects), and the checksum that keys the form cache.
// Every read is bounded by the chunk it lies in: a length past its body is
// a parse error, a text without its zero byte ends at the body. No state.
#include <cstring>

#include "gui_forms.h"
#include "kova_text.h"

bool GuiTokenAt(const uint8_t* body, uint32_t end, uint32_t pos, FourCC* out) {
  if (pos > end || end - pos < 4) return false;
  *out = Get32BE(body + pos);
  return true;
}

bool GuiIsChunkTag(FourCC token) {
  for (int shift = 0; shift < 32; shift += 8) {
    char c = char(token >> shift);
    if (c < 'A' || c > 'Z') return false;
  }
  return true;
}

Err GuiChunkAt(const uint8_t* body, uint32_t end, uint32_t pos, uint32_t* start, uint32_t* stop) {
  if (pos > end || end - pos < 8) return GUI_ERR_PARSE;
  uint32_t length = Get32BE(body + pos + 4);
  if (length > end - pos - 8) return GUI_ERR_PARSE;
  *start = pos + 8;
  *stop = pos + 8 + length;
  return 0;
}

void GuiReadText(const uint8_t* body, uint32_t end, uint32_t* pos, std::string* out) {
  uint32_t at = *pos;
  const uint8_t* zero =
      at < end ? static_cast<const uint8_t*>(memchr(body + at, 0, end - at)) : nullptr;
  uint32_t stop = zero ? uint32_t(zero - body) : end;
  out->assign(reinterpret_cast<const char*>(body) + at, stop - at);
  if (!zero) {
    *pos = end;
    return;
  }
  uint32_t next = stop + 1;
  next += (4 - (next - at) % 4) % 4;  // padded from where the string began
  *pos = next < end ? next : end;
}

Err GuiReadTagOperand(const uint8_t* body, uint32_t end, uint32_t* pos, FourCC* out) {
  FourCC tag;
  if (!GuiTokenAt(body, end, *pos + 4, &tag)) return GUI_ERR_PARSE;
  *out = tag;
  *pos += 8;
  return 0;
}

uint32_t GuiIdFromValue(int32_t value) {
  return value < 0 && value >= -32768 ? uint32_t(uint16_t(value)) : uint32_t(value);
}

uint32_t GuiChecksum(const uint8_t* body, uint32_t size) {
  uint32_t sum = size << 16;
  for (uint32_t i = 0; i < size; i++) sum += uint32_t(int32_t(int8_t(body[i])));
  return sum ^ 0xAAAA;
}

namespace {

struct FormReader {
  GuiForm* form;
  const uint8_t* body;
  uint32_t end;
  uint32_t pos;
  uint16_t nextIndex;
  GuiExprContext ctx;
};

Err evalAt(FormReader* r, GuiValue* out, int want, bool rect) {
  r->ctx.inRectangle = rect;
  r->ctx.hide = false;
  r->pos += 4;  // the keyword
  return GuiEvalExpr(&r->ctx, r->body, r->end, &r->pos, out, want);
}

// "#RRGGBB" (at most eight digits read, cut to 24 bits); false when no digit.
bool parseColour(const std::string& text, uint32_t* rgb) {
  size_t i = !text.empty() && text[0] == '#' ? 1 : 0;
  uint32_t value = 0;
  int digits = 0;
  for (; i < text.size() && digits < 8; i++, digits++) {
    char c = text[i];
    int d = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                   : -1;
    if (d < 0) break;
    value = (value << 4) | uint32_t(d);
  }
  if (digits == 0) return false;
  *rgb = value & 0xFFFFFF;
  return true;
}

// The first "Text" of a chunk (title, colour); false when it has none.
bool chunkText(const FormReader* r, uint32_t start, uint32_t stop, std::string* out) {
  FourCC t;
  for (uint32_t at = start; GuiTokenAt(r->body, stop, at, &t); at += 4) {
    if (t != FCC("Text")) continue;
    at += 4;
    GuiReadText(r->body, stop, &at, out);
    return true;
  }
  return false;
}

int colourSlot(FourCC tag) {
  static const FourCC slots[7] = {FCC("FOCO"), FCC("TICO"), FCC("BGCO"), FCC("FGCO"),
                                  FCC("FRCO"), FCC("FLCO"), FCC("TXCO")};
  for (int i = 0; i < 7; i++)
    if (slots[i] == tag) return i;
  return -1;
}

// A nested chunk at the form level: title, colour, pop-up binding or object.
Err formChunk(FormReader* r, FourCC tag) {
  uint32_t start, stop;
  Err err = GuiChunkAt(r->body, r->end, r->pos, &start, &stop);
  if (err != 0) return err;
  std::string text;
  int slot = colourSlot(tag);
  if (tag == FCC("TITL")) {
    if (chunkText(r, start, stop, &text)) r->form->title = text;
    r->form->flags |= FORM_HAS_TITLE;
  } else if (slot >= 0) {
    uint32_t rgb;
    if (chunkText(r, start, stop, &text) && parseColour(text, &rgb)) r->form->colours[slot] = rgb;
  } else {
    if (r->form->objects.size() >= GUI_MAX_OBJECTS) return GUI_ERR_PARSE;
    if (tag == FCC("PLST")) {
      // Two expressions: the trigger's id, then the list's id.
      GuiValue ids[2];
      uint32_t at = start;
      r->ctx.inRectangle = false;
      err = GuiEvalExpr(&r->ctx, r->body, stop, &at, ids, 2);
      if (err != 0) return err;
      r->form->popupBindings.push_back({ids[0].value, ids[1].value});
    }
    err = GuiParseObject(r->form, tag, start, tag == FCC("PLST") ? start : stop, r->nextIndex++);
    if (err != 0) return err;
  }
  r->pos = stop;
  return 0;
}

// "Dflt" / "Escp": a raw value below 10 is a button index (kept plus one),
// anything else a button tag. A number token is taken as its number.
Err buttonOperand(FormReader* r, uint32_t* out) {
  FourCC v;
  if (!GuiTokenAt(r->body, r->end, r->pos + 4, &v)) return GUI_ERR_PARSE;
  if ((v >> 16) == 0x235F && v != FCC("#___")) v = v & 0xFFFF;
  *out = v < 10 ? v + 1 : v;
  r->pos += 8;
  return 0;
}

// Keywords without an operand; false when `t` is not one of them.
bool formFlag(GuiForm* form, FourCC t) {
  switch (t) {
    case FCC("Modl"):
      form->flags |= FORM_MODAL;
      form->marginX = form->marginY = 4;
      return true;
    case FCC("Save"):
      form->flags |= FORM_ALERT;
      return true;
    case FCC("Info"):
      form->flags |= FORM_INFO;
      return true;
    case FCC("Conf"):
      form->flags |= FORM_CONFIRM;
      return true;
    case FCC("Warn"):
      form->flags |= FORM_WARNING;
      return true;
    case FCC("Errr"):
      form->flags |= FORM_ERROR;
      return true;
    case FCC("NoFX"):
      form->flags |= FORM_NO_EFFECTS;
      return true;
    case FCC("FBeg"):
      form->titleHeight = GuiTitleHeight(form);
      return true;
    default:
      return false;
  }
}

// Keywords whose operand is a tag.
FourCC* formTagField(GuiForm* form, FourCC t) {
  switch (t) {
    case FCC("Tagg"):
      return &form->formTag;
    case FCC("Mntg"):
      return &form->menuBar;
    case FCC("Hptg"):
      return &form->help;
    case FCC("Kmtg"):
      return &form->keyMap;
    case FCC("Tmtg"):
      return &form->timerTag;
    default:
      return nullptr;
  }
}

// One token at r->pos; moves r->pos past it and its operand.
Err formToken(FormReader* r, FourCC t) {
  GuiForm* form = r->form;
  GuiValue v[4];
  Err err = 0;
  FourCC* tagField = formTagField(form, t);
  if (GuiIsChunkTag(t)) return formChunk(r, t);
  if (formFlag(form, t)) {
    r->pos += 4;
    return 0;
  }
  if (tagField) return GuiReadTagOperand(r->body, r->end, &r->pos, tagField);
  switch (t) {
    case FCC("Iden"):
      err = evalAt(r, v, 1, false);
      form->id = (v[0].flags & PLACE_AUTO) ? form->sequence : GuiIdFromValue(v[0].value);
      return err;
    case FCC("Rect"):
      form->rectTokens = r->pos + 4;
      err = evalAt(r, v, 4, true);
      for (int i = 0; i < 4; i++) form->placeFlags[i] = v[i].flags;
      return err;
    case FCC("Dflt"):
      return buttonOperand(r, &form->defaultButton);
    case FCC("Escp"):
      return buttonOperand(r, &form->escapeButton);
    case FCC("Menu"):
      err = evalAt(r, v, 1, false);
      form->menuBar = GuiIdFromValue(v[0].value);
      return err;
    case FCC("Help"):
      err = evalAt(r, v, 1, false);
      form->help = GuiIdFromValue(v[0].value);
      return err;
    case FCC("Tmid"):
      err = evalAt(r, v, 1, false);
      form->timerId = GuiIdFromValue(v[0].value) + 1;
      return err;
    case FCC("Tmvl"):
      err = evalAt(r, v, 1, false);
      form->timerInterval = v[0].value;
      return err;
    case FCC("Text"): {  // a stray text: skipped whole
      std::string unused;
      r->pos += 4;
      GuiReadText(r->body, r->end, &r->pos, &unused);
      return 0;
    }
    default:
      r->pos += 4;  // "Usbl", "Frme", "FEnd" and unknown keywords
      return 0;
  }
}

}  // namespace

Err GuiParseForm(GuiForm* form) {
  const uint8_t* body = form->body.data();
  uint32_t size = uint32_t(form->body.size());
  if (size < 8 || Get32BE(body + 4) > size - 8) return GUI_ERR_PARSE;
  form->objects.clear();
  form->popupBindings.clear();
  if (form->id == 0) form->id = form->resourceId;
  if (form->type == FCC("ALRT")) form->flags |= FORM_ALERT;
  if (form->flags & FORM_ALERT) {
    form->flags |= FORM_MODAL;
    form->marginX = form->marginY = 4;
  }
  FormReader r{form, body, 8 + Get32BE(body + 4), 8, GUI_FIRST_OBJECT_INDEX, {}};
  r.ctx = GuiExprContext{form,        GfxRect{0, 0, form->screenWidth, form->screenHeight},
                         nullptr,     false,
                         form->scale, form->density,
                         false};
  FourCC t;
  while (GuiTokenAt(body, r.end, r.pos, &t)) {
    Err err = formToken(&r, t);
    if (err != 0) return err;
  }
  form->titleHeight = GuiTitleHeight(form);
  GuiLayoutForm(form);
  return 0;
}
