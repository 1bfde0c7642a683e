// The tokenizer of the resource sources, escape decoding, error lines and
// the big-endian byte helpers of the compiler. Owns no state.
#include <cctype>
#include <cstring>

#include "rescomp.h"

namespace {

bool isOperatorChar(char c) { return c != 0 && strchr("+-*/%&|<>?:#", c) != nullptr; }

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decodes one escape starting after the backslash at text[*i]; advances *i
// past it. False for an unknown escape.
bool decodeEscape(const std::string& text, size_t* i, std::string* out) {
  char c = *i < text.size() ? text[*i] : 0;
  (*i)++;
  switch (c) {
    case 'n':
      out->push_back('\n');
      return true;
    case 't':
      out->push_back('\t');
      return true;
    case 'r':
      out->push_back('\r');
      return true;
    case '0':
      out->push_back('\0');
      return true;
    case '\\':
    case '"':
    case '\'':
      out->push_back(c);
      return true;
    case 'x': {
      int hi = *i < text.size() ? hexDigit(text[*i]) : -1;
      int lo = *i + 1 < text.size() ? hexDigit(text[*i + 1]) : -1;
      if (hi < 0 || lo < 0) return false;
      out->push_back(char(hi * 16 + lo));
      *i += 2;
      return true;
    }
    default:
      return false;
  }
}

bool parseNumber(const std::string& word, int64_t* value) {
  size_t i = 0;
  bool negative = false;
  if (word[0] == '-') {
    negative = true;
    i = 1;
  }
  if (i >= word.size()) return false;
  int base = 10;
  if (word.size() > i + 2 && word[i] == '0' && (word[i + 1] == 'x' || word[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  int64_t v = 0;
  for (; i < word.size(); i++) {
    int d = hexDigit(word[i]);
    if (d < 0 || d >= base) return false;
    v = v * base + d;
    if (v > 0xFFFFFFFFll) return false;
  }
  *value = negative ? -v : v;
  return true;
}

// Reads a "..." string starting at the quote; false after reporting.
bool readString(const std::string& text, size_t* i, int* line, const std::string& file,
                std::string* out, RcDiag* diag) {
  int startLine = *line;
  (*i)++;
  while (*i < text.size() && text[*i] != '"') {
    char c = text[*i];
    if (c == '\n') {
      RcError(diag, file, startLine, "text not closed on its line");
      return false;
    }
    if (uint8_t(c) > 0x7E || (uint8_t(c) < 0x20 && c != '\t')) {
      RcError(diag, file, *line, "a byte outside printable ASCII (write it as \\xHH)");
      return false;
    }
    if (c == '\\') {
      (*i)++;
      if (!decodeEscape(text, i, out)) {
        RcError(diag, file, *line, "unknown escape in text");
        return false;
      }
      continue;
    }
    out->push_back(c);
    (*i)++;
  }
  if (*i >= text.size()) {
    RcError(diag, file, startLine, "text not closed");
    return false;
  }
  (*i)++;
  return true;
}

}  // namespace

void RcError(RcDiag* diag, const std::string& file, int line, const std::string& message) {
  diag->errors.push_back(file + ":" + std::to_string(line) + ": error: " + message);
}

FourCC RcFourCC(const std::string& word) {
  FourCC v = 0;
  for (size_t i = 0; i < 4; i++) v = (v << 8) | uint8_t(i < word.size() ? word[i] : ' ');
  return v;
}

std::string RcFourCCText(FourCC code) {
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) {
    char c = char((code >> shift) & 0xFF);
    s.push_back(c >= 0x20 && c < 0x7F ? c : '?');
  }
  return s;
}

bool RcUnescape(const std::string& text, const std::string& file, int line, std::string* out,
                RcDiag* diag) {
  out->clear();
  for (size_t i = 0; i < text.size();) {
    if (uint8_t(text[i]) > 0x7E || (uint8_t(text[i]) < 0x20 && text[i] != '\t')) {
      RcError(diag, file, line, "a byte outside printable ASCII (write it as \\xHH)");
      return false;
    }
    if (text[i] != '\\') {
      out->push_back(text[i++]);
      continue;
    }
    i++;
    if (!decodeEscape(text, &i, out)) {
      RcError(diag, file, line, "unknown escape in text");
      return false;
    }
  }
  return true;
}

bool RcTokenize(const std::string& text, const std::string& file, std::vector<RcToken>* out,
                RcDiag* diag, int firstLine) {
  int line = firstLine;
  size_t errorsBefore = diag->errors.size();
  for (size_t i = 0; i < text.size();) {
    char c = text[i];
    if (uint8_t(c) > 0x7E || (uint8_t(c) < 0x20 && !isspace(uint8_t(c)))) {
      RcError(diag, file, line, "a byte outside printable ASCII (write it as \\xHH in a text)");
      return false;
    }
    if (c == '\n') line++;
    if (isspace(uint8_t(c))) {
      i++;
      continue;
    }
    if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
      while (i < text.size() && text[i] != '\n') i++;
      continue;
    }
    RcToken tok{RcTok::Word, "", 0, line};
    if (c == '{' || c == '}' || c == '=') {
      tok.kind = c == '{' ? RcTok::Open : c == '}' ? RcTok::Close : RcTok::Equals;
      tok.text = std::string(1, c);
      i++;
    } else if (c == '"') {
      tok.kind = RcTok::String;
      if (!readString(text, &i, &line, file, &tok.text, diag)) return false;
    } else if (c == '\'') {
      size_t end = text.find('\'', i + 1);
      if (end != i + 5 || text.substr(i + 1, 4).find('\n') != std::string::npos) {
        RcError(diag, file, line, "a quoted word holds exactly four characters: 'AUP '");
        return false;
      }
      tok.text = text.substr(i + 1, 4);
      i = end + 1;
    } else {
      size_t start = i;
      while (i < text.size() && !isspace(uint8_t(text[i])) && !strchr("{}\"=", text[i])) i++;
      tok.text = text.substr(start, i - start);
      if (tok.text.size() == 1 && isOperatorChar(tok.text[0])) {
        tok.kind = RcTok::Operator;
      } else if ((isdigit(uint8_t(tok.text[0])) || tok.text[0] == '-') &&
                 parseNumber(tok.text, &tok.value)) {
        tok.kind = RcTok::Number;
      } else if (isdigit(uint8_t(tok.text[0]))) {
        RcError(diag, file, line, "'" + tok.text + "' is not a number");
        continue;
      } else {
        tok.kind = tok.text.size() == 4 ? RcTok::Word : RcTok::Ident;
      }
    }
    out->push_back(tok);
  }
  return diag->errors.size() == errorsBefore;
}

void RcPut16(std::vector<uint8_t>* out, uint16_t v) {
  out->push_back(uint8_t(v >> 8));
  out->push_back(uint8_t(v));
}

void RcPut32(std::vector<uint8_t>* out, uint32_t v) {
  RcPut16(out, uint16_t(v >> 16));
  RcPut16(out, uint16_t(v));
}

void RcPadTo4(std::vector<uint8_t>* out) {
  while (out->size() % 4 != 0) out->push_back(0);
}
