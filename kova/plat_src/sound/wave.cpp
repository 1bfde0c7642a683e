// The RIFF WAVE reader of the system beeps: little-endian chunks of a four
// character id and a 32-bit length, padded to even lengths. Owns no state.
// Invariants: (1) no byte outside [bytes, bytes + size) is ever read, also
// for lengths near 2^32; (2) an accepted wave's frames lie wholly inside
// the bytes; (3) only PCM with 1-2 channels of 8 or 16 bits is accepted.
#include <cstring>

#include "sound_internal.h"

namespace {

constexpr uint32_t MAX_RATE = 384000;
constexpr uint16_t FORMAT_PCM = 1;
constexpr uint16_t FORMAT_EXTENSIBLE = 0xFFFE;

uint16_t get16LE(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t get32LE(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Reads the "fmt " chunk body (`length` bytes, all inside the file).
Err readFormat(const uint8_t* p, uint32_t length, SndWave* w) {
  if (length < 16) return ERR_FILE_PARAM;
  uint16_t format = get16LE(p);
  w->channels = get16LE(p + 2);
  w->rateHz = get32LE(p + 4);
  uint16_t blockAlign = get16LE(p + 12);
  w->bitsPerSample = get16LE(p + 14);
  if (format == FORMAT_EXTENSIBLE) {
    // cbSize, valid bits, channel mask, then the sub-format GUID whose first
    // two bytes are the format code.
    if (length < 40 || get16LE(p + 16) < 22) return ERR_FILE_PARAM;
    format = get16LE(p + 24);
  }
  if (format != FORMAT_PCM) return ERR_FILE_PARAM;
  if (w->channels < 1 || w->channels > 2) return ERR_FILE_PARAM;
  if (w->bitsPerSample != 8 && w->bitsPerSample != 16) return ERR_FILE_PARAM;
  if (w->rateHz == 0 || w->rateHz > MAX_RATE) return ERR_FILE_PARAM;
  if (blockAlign != w->channels * (w->bitsPerSample / 8)) return ERR_FILE_PARAM;
  return 0;
}

}  // namespace

Err SndParseWave(const uint8_t* bytes, uint32_t size, SndWave* out) {
  if (!bytes || !out || size < 12) return ERR_FILE_PARAM;
  if (memcmp(bytes, "RIFF", 4) != 0 || memcmp(bytes + 8, "WAVE", 4) != 0) return ERR_FILE_PARAM;
  // The RIFF length may overstate the file (a cut copy): the file's end wins.
  uint32_t end = size;
  uint32_t riffEnd = get32LE(bytes + 4);
  if (riffEnd <= size - 8) end = riffEnd + 8;
  SndWave w{};
  bool haveFormat = false;
  uint32_t pos = 12;
  while (end - pos >= 8 && pos < end) {
    const uint8_t* chunk = bytes + pos;
    uint32_t length = get32LE(chunk + 4);
    uint32_t room = end - pos - 8;
    if (memcmp(chunk, "fmt ", 4) == 0) {
      if (length > room || readFormat(chunk + 8, length, &w) != 0) return ERR_FILE_PARAM;
      haveFormat = true;
    } else if (memcmp(chunk, "data", 4) == 0) {
      if (!haveFormat) return ERR_FILE_PARAM;
      uint32_t frameBytes = uint32_t(w.channels) * (w.bitsPerSample / 8);
      uint32_t have = length < room ? length : room;
      w.data = chunk + 8;
      w.frames = have / frameBytes;
      if (w.frames == 0) return ERR_FILE_PARAM;
      *out = w;
      return 0;
    }
    if (length > room) return ERR_FILE_PARAM;
    uint32_t step = length + (length & 1);
    if (step > room) break;  // a pad byte missing at the end: nothing follows
    pos += 8 + step;
  }
  return ERR_FILE_PARAM;
}

void SndWaveToMono(const SndWave& wave, int16_t* out) {
  const uint8_t* p = wave.data;
  for (uint32_t i = 0; i < wave.frames; i++) {
    int32_t sum = 0;
    for (uint16_t c = 0; c < wave.channels; c++) {
      if (wave.bitsPerSample == 8) {
        sum += (int32_t(*p) - 128) * 256;
        p += 1;
      } else {
        sum += int16_t(get16LE(p));
        p += 2;
      }
    }
    out[i] = int16_t(sum / wave.channels);
  }
}

void SndScale(const int16_t* in, uint32_t count, uint16_t volume, int16_t* out) {
  for (uint32_t i = 0; i < count; i++) {
    int32_t v = (int32_t(in[i]) * int32_t(volume)) / int32_t(SND_VOLUME_FULL);
    out[i] = int16_t(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
  }
}
