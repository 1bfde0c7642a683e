// The tagged format of forms and alerts, written from a token per word: a
// chunk is its four-letter tag, a 32-bit length and 4-byte tokens (keywords,
// "#_" numbers, operators padded with "___", "Text" strings padded to four
// bytes, nested chunks). Owns no state.
#include "rescomp.h"

namespace {

bool isChunkTag(const std::string& word) {
  if (word.size() != 4) return false;
  for (char c : word)
    if (c < 'A' || c > 'Z') return false;
  return true;
}

void putNumber(std::vector<uint8_t>* out, int64_t v) {
  out->push_back('#');
  out->push_back('_');
  RcPut16(out, uint16_t(v));
}

void putWord(std::vector<uint8_t>* out, const std::string& word) { RcPut32(out, RcFourCC(word)); }

// Keywords whose operand is a raw 4-byte value: a small number is a button
// index, a word a button tag.
bool takesRawValue(const std::string& word) { return word == "Dflt" || word == "Escp"; }

struct Writer {
  RcContext* ctx;
  const std::string& file;
  const std::vector<RcToken>& toks;
  size_t pos;
  int depth;
};

bool fail(Writer* w, int line, const std::string& message) {
  RcError(&w->ctx->diag, w->file, line, message);
  return false;
}

bool chunkContents(Writer* w, std::vector<uint8_t>* out);

// One token (with its operand, for "Text", "Dflt" and "Escp") at w->pos.
bool token(Writer* w, std::vector<uint8_t>* out) {
  const RcToken& t = w->toks[w->pos++];
  bool last = w->pos >= w->toks.size();
  switch (t.kind) {
    case RcTok::Number:
      if (t.value < -32768 || t.value > 65535)
        return fail(w, t.line, "number " + t.text + " does not fit 16 bits");
      putNumber(out, t.value);
      return true;
    case RcTok::Operator:
      if (t.text == "#") {
        putWord(out, "#___");
      } else {
        putWord(out, t.text + "___");
      }
      return true;
    case RcTok::String:
      return fail(w, t.line, "a text must follow the keyword Text");
    case RcTok::Ident:
      return fail(w, t.line, "'" + t.text + "' is not a four-character word");
    case RcTok::Open:
      return fail(w, t.line, "'{' must follow a chunk tag of four upper-case letters");
    case RcTok::Equals:
      return fail(w, t.line, "'=' has no meaning inside a form or alert");
    case RcTok::Close:
      return fail(w, t.line, "unexpected '}'");
    case RcTok::Word:
      break;
  }
  if (!last && w->toks[w->pos].kind == RcTok::Open) {
    if (!isChunkTag(t.text))
      return fail(w, t.line, "chunk tag '" + t.text + "' must be four upper-case letters A-Z");
    w->pos++;
    putWord(out, t.text);
    size_t lengthAt = out->size();
    RcPut32(out, 0);
    if (!chunkContents(w, out)) return false;
    Put32BE(out->data() + lengthAt, uint32_t(out->size() - lengthAt - 4));
    return true;
  }
  putWord(out, t.text);
  if (t.text == "Text") {
    if (last || w->toks[w->pos].kind != RcTok::String)
      return fail(w, t.line, "the keyword Text needs a quoted text after it");
    const std::string& s = w->toks[w->pos++].text;
    out->insert(out->end(), s.begin(), s.end());
    out->push_back(0);
    RcPadTo4(out);
  } else if (takesRawValue(t.text)) {
    if (last) return fail(w, t.line, t.text + " needs a button index or tag");
    const RcToken& v = w->toks[w->pos++];
    if (v.kind == RcTok::Number && v.value >= 0) {
      RcPut32(out, uint32_t(v.value));
    } else if (v.kind == RcTok::Word) {
      putWord(out, v.text);
    } else {
      return fail(w, v.line, t.text + " needs a button index or a four-character tag");
    }
  }
  return true;
}

// Tokens up to the matching "}" (consumed).
bool chunkContents(Writer* w, std::vector<uint8_t>* out) {
  int openLine = w->pos > 0 ? w->toks[w->pos - 1].line : 1;
  if (++w->depth > 32) return fail(w, openLine, "chunks nested too deeply");
  while (w->pos < w->toks.size()) {
    if (w->toks[w->pos].kind == RcTok::Close) {
      w->pos++;
      w->depth--;
      return true;
    }
    if (!token(w, out)) return false;
  }
  return fail(w, openLine, "'{' is never closed");
}

}  // namespace

bool RcCompileTagged(RcContext* ctx, const std::string& file, const std::vector<RcToken>& toks,
                     size_t* pos, FourCC type, std::vector<uint8_t>* out) {
  Writer w{ctx, file, toks, *pos, 0};
  out->clear();
  RcPut32(out, type);
  RcPut32(out, 0);
  bool ok = chunkContents(&w, out);
  if (ok) Put32BE(out->data() + 4, uint32_t(out->size() - 8));
  *pos = w.pos;
  return ok;
}
