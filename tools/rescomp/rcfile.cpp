// The ".rc" and ".str" source files: resource headers ("TYPE id [name]"),
// brace bodies (forms, alerts, menu bars), "=" definitions that read a file
// or generate a body, and the plain-text string lists. Owns no state.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "rescomp.h"

namespace {

bool readWhole(const std::string& path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  *out = s.str();
  return true;
}

std::string dirOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

struct Parser {
  RcContext* ctx;
  const std::string& file;
  const std::vector<RcToken>& toks;
  size_t pos;
  bool platform;
};

bool fail(Parser* p, int line, const std::string& message) {
  RcError(&p->ctx->diag, p->file, line, message);
  return false;
}

// The tokens after "=" on the header's line.
std::vector<RcToken> restOfLine(Parser* p, int line) {
  std::vector<RcToken> args;
  while (p->pos < p->toks.size() && p->toks[p->pos].line == line) args.push_back(p->toks[p->pos++]);
  return args;
}

bool fileBody(Parser* p, const RcToken& arg, FourCC type, std::vector<uint8_t>* body) {
  std::string path = dirOf(p->file) + "/" + arg.text, bytes;
  if (!readWhole(path, &bytes)) return fail(p, arg.line, "cannot read " + path);
  body->assign(bytes.begin(), bytes.end());
  if (type == FCC("WAVE") &&
      (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0))
    return fail(p, arg.line, path + " is not a RIFF WAVE file");
  return true;
}

bool pngBody(Parser* p, const std::vector<RcToken>& args, int line, uint32_t id,
             std::vector<uint8_t>* body) {
  std::vector<std::pair<std::string, int>> images;
  for (size_t i = 1; i < args.size(); i += 2) {
    if (i + 1 >= args.size() || args[i].kind != RcTok::String || args[i + 1].kind != RcTok::Number)
      return fail(p, line, "png takes pairs of \"file.png\" and a depth (24 or 32)");
    images.push_back({dirOf(p->file) + "/" + args[i].text, int(args[i + 1].value)});
  }
  if (images.empty()) return fail(p, line, "png needs at least one \"file.png\" depth pair");
  return RcCompileBitmap(p->ctx, p->file, line, id, images, body);
}

// "TYPE id [name] = generator args...": the body from a generator.
bool generated(Parser* p, FourCC type, uint32_t id, int line, std::vector<uint8_t>* body) {
  std::vector<RcToken> args = restOfLine(p, line);
  if (args.empty())
    return fail(p, line,
                "'=' needs a generator: text, file, png, date, dtmf, "
                "empty-db");
  const std::string& gen = args[0].text;
  bool oneString = args.size() == 2 && args[1].kind == RcTok::String;
  if (gen == "text" && oneString) {
    body->assign(args[1].text.begin(), args[1].text.end());
    body->push_back(0);
    return true;
  }
  if (gen == "file" && oneString) return fileBody(p, args[1], type, body);
  if (gen == "png") return pngBody(p, args, line, id, body);
  if (gen == "date" && args.size() == 1) {
    std::string date = RcBuildDate(p->ctx->buildTime);
    body->assign(date.begin(), date.end());
    body->push_back(0);
    return true;
  }
  if (gen == "dtmf" && (oneString || (args.size() == 3 && args[1].kind == RcTok::String &&
                                      args[2].kind == RcTok::Number))) {
    int ms = args.size() == 3 ? int(args[2].value) : 200;
    if (args[1].text.size() != 1 || ms < 10 || ms > 2000 || !RcDtmfTone(args[1].text[0], ms, body))
      return fail(p, line, "dtmf takes one key of \"0123456789*#\" and 10-2000 ms");
    return true;
  }
  if (gen == "empty-db" && args.size() == 2) {
    if (!RcEmptyDatabase(args[1].text, p->ctx->buildTime, body))
      return fail(p, line, "empty-db knows AddressDB and ContactsDB-PAdd");
    return true;
  }
  return fail(p, line, "unknown generator or wrong arguments: " + gen);
}

// One resource definition at p->pos.
bool resource(Parser* p) {
  const RcToken& t = p->toks[p->pos++];
  if (t.kind != RcTok::Word) return fail(p, t.line, "expected a resource type such as FORM");
  FourCC type = RcFourCC(t.text);
  if (type == FCC("TTBL")) return fail(p, t.line, "the name table is made by the compiler");
  if (p->pos >= p->toks.size() || p->toks[p->pos].kind != RcTok::Number)
    return fail(p, t.line, "a resource id must follow the type");
  int64_t id = p->toks[p->pos++].value;
  if (id < 0 || id > 0xFFFF)
    return fail(p, t.line, "resource id must be 0 to 65535 (larger values read as names)");
  FourCC name = 0;
  if (p->pos < p->toks.size() && p->toks[p->pos].kind == RcTok::Word)
    name = RcFourCC(p->toks[p->pos++].text);
  if (p->pos >= p->toks.size()) return fail(p, t.line, "a resource needs '{' or '='");
  RcResource res{type, uint32_t(id), name, p->platform, {}, p->file + ":" + std::to_string(t.line)};
  const RcToken& open = p->toks[p->pos++];
  bool ok;
  if (open.kind == RcTok::Equals) {
    ok = generated(p, type, uint32_t(id), t.line, &res.body);
  } else if (open.kind == RcTok::Open && (type == FCC("FORM") || type == FCC("ALRT"))) {
    ok = RcCompileTagged(p->ctx, p->file, p->toks, &p->pos, type, &res.body);
  } else if (open.kind == RcTok::Open && type == FCC("MBAR")) {
    ok = RcCompileMenuBar(p->ctx, p->file, p->toks, &p->pos, &res.body);
  } else {
    ok = fail(p, open.line, "'{' bodies are for FORM, ALRT and MBAR; use '=' for " + t.text);
  }
  if (ok) p->ctx->resources.push_back(res);
  return ok;
}

// One line of a ".str" file: "id [name] "text"" or "id [name] <<".
bool strHeader(RcContext* ctx, const std::string& file, int line, const std::string& text,
               RcResource* res, bool* block) {
  std::vector<RcToken> toks;
  if (!RcTokenize(text, file, &toks, &ctx->diag, line)) return false;
  size_t i = 0;
  if (toks.empty() || toks[0].kind != RcTok::Number || toks[0].value < 0 ||
      toks[0].value > 0xFFFF) {
    RcError(&ctx->diag, file, line, "a string starts with its id (0 to 65535)");
    return false;
  }
  res->id = uint32_t(toks[i++].value);
  if (i < toks.size() && toks[i].kind == RcTok::Word) res->name = RcFourCC(toks[i++].text);
  *block = i + 1 == toks.size() && toks[i].text == "<<" && toks[i].kind == RcTok::Ident;
  if (*block) return true;
  if (i + 1 != toks.size() || toks[i].kind != RcTok::String) {
    RcError(&ctx->diag, file, line, "expected: id [name] \"text\"  or  id [name] <<");
    return false;
  }
  res->body.assign(toks[i].text.begin(), toks[i].text.end());
  res->body.push_back(0);
  return true;
}

}  // namespace

void RcCompileRcFile(RcContext* ctx, const std::string& path, bool platform) {
  std::string text;
  if (!readWhole(path, &text)) {
    RcError(&ctx->diag, path, 0, "cannot read the file");
    return;
  }
  std::vector<RcToken> toks;
  if (!RcTokenize(text, path, &toks, &ctx->diag)) return;
  Parser p{ctx, path, toks, 0, platform};
  // The first error inside a body ends the file: the tokens after it cannot
  // be placed reliably.
  while (p.pos < toks.size())
    if (!resource(&p)) return;
}

void RcCompileStrFile(RcContext* ctx, const std::string& path, bool platform) {
  std::string text;
  if (!readWhole(path, &text)) {
    RcError(&ctx->diag, path, 0, "cannot read the file");
    return;
  }
  std::istringstream in(text);
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    lineNo++;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line.compare(first, 2, "//") == 0) continue;
    RcResource res{FCC("tSTR"), 0, 0, platform, {}, path + ":" + std::to_string(lineNo)};
    bool block = false;
    if (!strHeader(ctx, path, lineNo, line, &res, &block)) continue;
    if (block) {
      // The lines up to ">>" joined by "\n"; an empty last line leaves a
      // trailing "\n".
      int start = lineNo;
      bool closed = false, firstLine = true;
      std::string joined, decoded;
      while (std::getline(in, line)) {
        lineNo++;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == ">>") {
          closed = true;
          break;
        }
        if (!RcUnescape(line, path, lineNo, &decoded, &ctx->diag)) continue;
        if (!firstLine) joined.push_back('\n');
        joined += decoded;
        firstLine = false;
      }
      if (!closed) RcError(&ctx->diag, path, start, "'<<' without a closing '>>' line");
      res.body.assign(joined.begin(), joined.end());
      res.body.push_back(0);
    }
    ctx->resources.push_back(res);
  }
}
