// The window placement file "Window_Preferences_BrnL" in the data folder:
// one line "left top width height " of the main window's outer rectangle in
// screen pixels. Owns no state.
//
// Invariants: (1) only the first 80 bytes are read; (2) a placement is used
// only when it parses to four 16-bit numbers with left and top 0 or more and
// width and height above 50; (3) the file is written whole or left as it was
// as far as the file layer allows (written, then cut to its length).
#include <cstring>

#include "kova_file.h"
#include "kova_fmt.h"
#include "kova_host.h"

namespace {

constexpr uint32_t READ_LIMIT = 80;
constexpr int32_t MIN_SIZE = 50;

void placementName(char* out, int size) {
  STR_Format(out, size, "Window_Preferences_%t", uint32_t(HOST_CREATOR));
}

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Reads one "%hd" number: blanks, an optional sign, digits. A number that
// does not fit 16 bits does not parse (the old reader's wrap-around would
// turn 65586 into a plausible 50).
bool readShort(const char** at, int16_t* out) {
  const char* p = *at;
  while (isBlank(*p)) p++;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') p++;
  if (*p < '0' || *p > '9') return false;
  int32_t value = 0;
  while (*p >= '0' && *p <= '9') {
    value = value * 10 + (*p++ - '0');
    if (value > 32768) return false;
  }
  if (negative) value = -value;
  if (value > 32767) return false;
  *out = int16_t(value);
  *at = p;
  return true;
}

}  // namespace

bool HOST_PlacementRead(HostRect* out) {
  char name[FIL_NAME_BYTES];
  placementName(name, sizeof name);
  FileRef f = nullptr;
  if (FIL_Open(&f, VOL_DOCUMENTS, "!", name, FIL_MODE_READ) != 0) return false;
  char text[READ_LIMIT + 1];
  uint32_t n = FIL_Read(f, text, READ_LIMIT);
  FIL_Close(&f);
  text[n] = 0;  // a zero byte inside the text ends it, as it did for the old reader
  int16_t v[4];
  const char* at = text;
  for (int16_t& x : v)
    if (!readShort(&at, &x)) return false;
  if (v[0] < 0 || v[1] < 0 || v[2] <= MIN_SIZE || v[3] <= MIN_SIZE) return false;
  if (out) *out = HostRect{v[0], v[1], v[2], v[3]};
  return true;
}

Err HOST_PlacementWrite(const HostRect* placement) {
  if (!placement) return ERR_FILE_PARAM;
  char name[FIL_NAME_BYTES];
  placementName(name, sizeof name);
  char text[64];
  int len = STR_Format(text, sizeof text, "%hd %hd %hd %hd ", int(int16_t(placement->left)),
                       int(int16_t(placement->top)), int(int16_t(placement->width)),
                       int(int16_t(placement->height)));
  FileRef f = nullptr;
  Err err = FIL_Open(&f, VOL_DOCUMENTS, "!", name, FIL_MODE_WRITE);
  if (err != 0) return err;
  uint32_t written = FIL_Write(f, text, uint32_t(len));
  err = written == uint32_t(len) ? FIL_Truncate(f, uint32_t(len)) : ERR_WRITE;
  FIL_Close(&f);
  return err;
}
