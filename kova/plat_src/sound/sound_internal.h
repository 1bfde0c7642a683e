// Inside the sound module: the RIFF WAVE reader behind the system beeps
// (wave.cpp) and the volume scaling shared with the output (sound.cpp).
// The reader trusts nothing in the file: every chunk is checked against
// the bytes that are there before it is read.
#pragma once

#include "kova_sound.h"

// A PCM WAVE file's format and where its samples lie inside the file's bytes.
struct SndWave {
  uint16_t channels;       // 1 or 2
  uint16_t bitsPerSample;  // 8 (unsigned) or 16 (signed, little-endian)
  uint32_t rateHz;         // 1 … 384,000
  const uint8_t* data;     // the first frame, inside the parsed bytes
  uint32_t frames;         // whole frames in the "data" chunk
};

// Reads a RIFF WAVE file of `size` bytes: the "fmt " chunk must say PCM
// (format 1, or the extensible format with the PCM sub-format), 1 or 2
// channels, 8 or 16 bits, a rate of 1 to 384,000 Hz, and come before a
// "data" chunk; other chunks are skipped. A chunk whose length runs past
// the end, a missing chunk or any other format gives ERR_FILE_PARAM and
// leaves *out unchanged. A "data" chunk cut short by the end of the file
// keeps the whole frames that are there.
[[nodiscard]] Err SndParseWave(const uint8_t* bytes, uint32_t size, SndWave* out);
// Writes the wave's frames as 16-bit mono samples into `out` (wave.frames
// entries): 8-bit samples are centred and widened, stereo frames averaged.
void SndWaveToMono(const SndWave& wave, int16_t* out);
// Scales `count` samples by `volume` (0x100 = unchanged) into `out`, which
// may be `in`; results beyond the 16-bit range saturate.
void SndScale(const int16_t* in, uint32_t count, uint16_t volume, int16_t* out);
