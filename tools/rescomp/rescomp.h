// The resource compiler's shared pieces: the compiled resource, the error
// list (every error carries its file and line), the tokenizer of the ".rc"
// sources and the compilers of each resource kind. Owns no global state: one
// RcContext holds everything of a run.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "kova_types.h"

// One compiled resource.
struct RcResource {
  FourCC type;
  uint32_t id;
  FourCC name;    // 0 when it has none
  bool platform;  // from resources/kova/: the platform layer's own
  std::vector<uint8_t> body;
  std::string where;  // "file:line" of its definition
};

// Errors of a run, each "file:line: error: message".
struct RcDiag {
  std::vector<std::string> errors;
};
void RcError(RcDiag* diag, const std::string& file, int line, const std::string& message);

// Everything one run collects.
struct RcContext {
  RcDiag diag;
  std::vector<RcResource> resources;
  // Menu item names ("MITM") with the ids given to them (1, 2, ... in order of
  // first use).
  std::map<FourCC, uint32_t> menuItemIds;
  int64_t buildTime;  // seconds since 1970 (SOURCE_DATE_EPOCH or now)
};

// Tokens of a ".rc" source.
enum class RcTok {
  Word,      // exactly four characters (bare, or any four in single quotes)
  Ident,     // any other bare word ("menu", "png", "dtmf", "<<")
  Number,    // decimal, or hex after "0x", optional "-"
  Operator,  // one of + - * / % & | < > ? : #
  String,    // "..." with escapes decoded
  Open,      // {
  Close,     // }
  Equals,    // =
};

struct RcToken {
  RcTok kind;
  std::string text;  // the word, identifier, operator or decoded string
  int64_t value;     // numbers
  int line;
};

// Splits `text` (whose first line is `firstLine` of `file`) into tokens;
// "//" starts a comment. Strings take the escapes
// \n \t \r \\ \" \' \0 and \xHH; a source byte above 0x7E is refused (write
// the handheld's own characters as \xHH). Returns false after reporting.
bool RcTokenize(const std::string& text, const std::string& file, std::vector<RcToken>* out,
                RcDiag* diag, int firstLine = 1);
// Decodes the escapes of one line of a ".str" block.
bool RcUnescape(const std::string& text, const std::string& file, int line, std::string* out,
                RcDiag* diag);

// FourCC of a four-character word.
FourCC RcFourCC(const std::string& word);
// "tSTR" for a FourCC, with unprintable bytes as "?".
std::string RcFourCCText(FourCC code);

// Compiles one ".rc" file (FORM, ALRT, MBAR and the "=" definitions).
void RcCompileRcFile(RcContext* ctx, const std::string& path, bool platform);
// Compiles one ".str" file of string resources.
void RcCompileStrFile(RcContext* ctx, const std::string& path, bool platform);

// The tagged body of a form or alert: the tokens from `*pos` up to the
// matching close brace (consumed), wrapped in a chunk tagged `type`.
bool RcCompileTagged(RcContext* ctx, const std::string& file, const std::vector<RcToken>& toks,
                     size_t* pos, FourCC type, std::vector<uint8_t>* out);
// A menu bar body, likewise.
bool RcCompileMenuBar(RcContext* ctx, const std::string& file, const std::vector<RcToken>& toks,
                      size_t* pos, std::vector<uint8_t>* out);
// A bitmap from PNG files, each with its depth (24 or 32).
bool RcCompileBitmap(RcContext* ctx, const std::string& file, int line, uint32_t id,
                     const std::vector<std::pair<std::string, int>>& images,
                     std::vector<uint8_t>* out);

// Generated bodies.
std::string RcBuildDate(int64_t unixTime);  // "MM/DD/YY-HH:MM", local time
// 16-bit signed big-endian samples at 8,000 Hz of the touch-tone key ("0"-"9",
// "*", "#"), `ms` long; false for another key.
bool RcDtmfTone(char key, int ms, std::vector<uint8_t>* out);
// A complete empty AddressDB ("AddressDB") or ContactsDB-PAdd
// ("ContactsDB-PAdd") database; false for another name.
bool RcEmptyDatabase(const std::string& which, int64_t unixTime, std::vector<uint8_t>* out);

// Appends bytes in the store's byte order.
void RcPut16(std::vector<uint8_t>* out, uint16_t v);
void RcPut32(std::vector<uint8_t>* out, uint32_t v);
void RcPadTo4(std::vector<uint8_t>* out);

// The store: adds the name tables, orders the resources and lays them out as
// bodies, the 16-byte directory and the "TRES" trailer, offsets counted from
// `base` (0 for a standalone store file).
std::vector<uint8_t> RcLayoutStore(RcContext* ctx, uint32_t base);
// Adds the two "TTBL" 1 resources and sorts the list into store order.
void RcFinishResources(RcContext* ctx);
// Checks that no (type, id) or (type, name) is defined twice.
void RcCheckUnique(RcContext* ctx);

// Writes `bytes` as `path` through a temporary file and a rename, so that a
// failed run never leaves half a file. `mode` is the file's permission bits.
bool RcWriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                           unsigned mode, std::string* error);
// Writes each resource as "<dir>/bin/bin.eng/<type><id as %08lx>.bin".
bool RcWriteLoose(const RcContext& ctx, const std::string& dir, std::string* error);
// Appends a standalone store file to an executable, replacing a store that
// is already there, with every offset moved by the executable's size.
bool RcAppendStore(const std::string& exe, const std::string& store, std::string* error);
