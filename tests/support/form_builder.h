// A small builder of form and alert definitions in the tagged format,
// written from the format itself and independent of the form reader: an
// outer chunk (type, 32-bit big-endian length, contents) holding 4-byte
// tokens — keywords, "#_" numbers, operators padded with "___", "Text"
// strings padded with zero bytes to four, raw 32-bit values, nested chunks.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

class FormBuilder {
 public:
  // Starts the outer chunk ("FORM" or "ALRT").
  explicit FormBuilder(const char* type = "FORM");

  FormBuilder& Word(const char* fourChars);  // a keyword, tag or chunk-less word
  FormBuilder& Num(int value);               // "#_" and the 16-bit value
  FormBuilder& Op(char op);                  // "+___" …; '#' gives "#___"
  FormBuilder& Text(const std::string& s);   // "Text", the bytes, zero, padding
  FormBuilder& Raw32(uint32_t value);        // a raw big-endian value ("Dflt 1")
  FormBuilder& Begin(const char* tag);       // a nested chunk …
  FormBuilder& End();                        // … ended
  // Space-separated tokens: a four-character word, a decimal number, or one
  // of the operator characters + - * / % & | < > ? : # ("Rect Auto 4 Parw -").
  FormBuilder& Tokens(const std::string& line);
  // A whole object chunk: its tokens, then its texts.
  FormBuilder& Object(const char* kind, const std::string& tokens,
                      std::initializer_list<std::string> texts = {});

  // The whole definition with every length filled in (open chunks closed).
  std::vector<uint8_t> Bytes() const;

 private:
  std::vector<uint8_t> bytes_;
  std::vector<size_t> open_;  // where each open chunk's length goes
};

// The loose development file name of a resource below the data folder
// ("bin/bin.eng/FORM000003e8.bin"), which the resource store falls back to.
std::string FormLooseFileName(const char* type, uint32_t id);
