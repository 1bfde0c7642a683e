// The tagged-format builder for tests (see form_builder.h).
#include "form_builder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

void put32(std::vector<uint8_t>* out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(uint8_t(v >> shift));
}

void putChars(std::vector<uint8_t>* out, const char* four) {
  for (int i = 0; i < 4; i++) out->push_back(uint8_t(four[i]));
}

void setLength(std::vector<uint8_t>* bytes, size_t at) {
  uint32_t length = uint32_t(bytes->size() - at - 4);
  for (int i = 0; i < 4; i++) (*bytes)[at + i] = uint8_t(length >> (24 - 8 * i));
}

}  // namespace

FormBuilder::FormBuilder(const char* type) { Begin(type); }

FormBuilder& FormBuilder::Word(const char* fourChars) {
  putChars(&bytes_, fourChars);
  return *this;
}

FormBuilder& FormBuilder::Num(int value) {
  bytes_.push_back('#');
  bytes_.push_back('_');
  bytes_.push_back(uint8_t(uint16_t(value) >> 8));
  bytes_.push_back(uint8_t(value));
  return *this;
}

FormBuilder& FormBuilder::Op(char op) {
  bytes_.push_back(uint8_t(op));
  for (int i = 0; i < 3; i++) bytes_.push_back('_');
  return *this;
}

FormBuilder& FormBuilder::Text(const std::string& s) {
  putChars(&bytes_, "Text");
  bytes_.insert(bytes_.end(), s.begin(), s.end());
  bytes_.push_back(0);
  while (bytes_.size() % 4) bytes_.push_back(0);
  return *this;
}

FormBuilder& FormBuilder::Raw32(uint32_t value) {
  put32(&bytes_, value);
  return *this;
}

FormBuilder& FormBuilder::Begin(const char* tag) {
  putChars(&bytes_, tag);
  open_.push_back(bytes_.size());
  put32(&bytes_, 0);
  return *this;
}

FormBuilder& FormBuilder::End() {
  if (open_.size() > 1) {
    setLength(&bytes_, open_.back());
    open_.pop_back();
  }
  return *this;
}

FormBuilder& FormBuilder::Tokens(const std::string& line) {
  std::istringstream in(line);
  std::string t;
  while (in >> t) {
    if (t.size() == 1 && strchr("+-*/%&|<>?:#", t[0])) {
      Op(t[0]);
    } else if (t.size() == 4 && !(t[0] == '-' && isdigit(uint8_t(t[1])))) {
      bool number = true;
      for (char c : t) number = number && isdigit(uint8_t(c));
      if (number) {
        Num(atoi(t.c_str()));
      } else {
        Word(t.c_str());
      }
    } else {
      Num(atoi(t.c_str()));
    }
  }
  return *this;
}

FormBuilder& FormBuilder::Object(const char* kind, const std::string& tokens,
                                 std::initializer_list<std::string> texts) {
  Begin(kind).Tokens(tokens);
  for (const std::string& t : texts) Text(t);
  return End();
}

std::vector<uint8_t> FormBuilder::Bytes() const {
  std::vector<uint8_t> out = bytes_;
  for (size_t at : open_) setLength(&out, at);
  return out;
}

std::string FormLooseFileName(const char* type, uint32_t id) {
  char name[64];
  snprintf(name, sizeof name, "bin/bin.eng/%.4s%08x.bin", type, id);
  return name;
}
