// Bodies made by the compiler rather than written by hand: the build date
// ("DATE") and the touch tones ("TONE"). Owns no state.
#include <algorithm>
#include <cmath>
#include <ctime>

#include "rescomp.h"

namespace {

constexpr int SAMPLE_RATE = 8000;
constexpr int FADE_MS = 5;           // soft edges: no click at start and stop
constexpr double TONE_LEVEL = 0.35;  // of full scale, per frequency

// The standard touch-tone pairs: a low (row) and a high (column) frequency.
bool dtmfPair(char key, double* low, double* high) {
  static const char KEYS[] = "123456789*0#";  // row by row, three columns
  static const double ROWS[] = {697, 770, 852, 941};
  static const double COLS[] = {1209, 1336, 1477};
  for (int i = 0; i < 12; i++) {
    if (KEYS[i] != key) continue;
    *low = ROWS[i / 3];
    *high = COLS[i % 3];
    return true;
  }
  return false;
}

}  // namespace

std::string RcBuildDate(int64_t unixTime) {
  time_t t = time_t(unixTime);
  struct tm local;
  localtime_r(&t, &local);
  char text[32];
  strftime(text, sizeof text, "%m/%d/%y-%H:%M", &local);
  return text;
}

bool RcDtmfTone(char key, int ms, std::vector<uint8_t>* out) {
  double low = 0, high = 0;
  if (!dtmfPair(key, &low, &high)) return false;
  int samples = SAMPLE_RATE * ms / 1000;
  int fade = SAMPLE_RATE * FADE_MS / 1000;
  out->clear();
  for (int i = 0; i < samples; i++) {
    double t = double(i) / SAMPLE_RATE;
    double edge = std::min(1.0, std::min(double(i), double(samples - 1 - i)) / fade);
    double v = TONE_LEVEL * edge * (sin(2 * M_PI * low * t) + sin(2 * M_PI * high * t));
    RcPut16(out, uint16_t(int16_t(lround(v * 32767))));
  }
  return true;
}
