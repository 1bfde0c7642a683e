// libFuzzer target over the RIFF WAVE reader of the system beeps: the input
// is a whole "WAVE" resource body. An accepted body must be sound PCM whose
// frames lie wholly inside the input; they are then converted to mono and
// scaled (at a volume taken from the input) into a block with guard values
// around it. Owns no state.
#include <cstring>
#include <vector>

#include "../../kova/plat_src/sound/sound_internal.h"
#include "fuzz_support.h"

namespace {

constexpr size_t GUARD = 16;
constexpr int16_t GUARD_VALUE = 0x5A5A;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly `size` bytes, so that any read past the body is seen.
  std::vector<uint8_t> body(data, data + size);
  SndWave wave{};
  Err err = SndParseWave(body.data(), uint32_t(size), &wave);
  FuzzCheck(err == 0 || err == ERR_FILE_PARAM);
  if (err != 0) return 0;
  FuzzCheck(wave.channels == 1 || wave.channels == 2);
  FuzzCheck(wave.bitsPerSample == 8 || wave.bitsPerSample == 16);
  FuzzCheck(wave.rateHz > 0 && wave.rateHz <= 384000);
  FuzzCheck(wave.frames > 0);
  size_t bytes = size_t(wave.frames) * wave.channels * (wave.bitsPerSample / 8);
  FuzzCheck(wave.data >= body.data() && wave.data + bytes <= body.data() + size);

  std::vector<int16_t> block(GUARD * 2 + wave.frames, GUARD_VALUE);
  int16_t* mono = block.data() + GUARD;
  SndWaveToMono(wave, mono);
  uint16_t volume = size > 1 ? uint16_t(data[size - 1] << 2) : 0x100;
  SndScale(mono, wave.frames, volume, mono);
  for (size_t i = 0; i < GUARD; i++)
    FuzzCheck(block[i] == GUARD_VALUE && block[block.size() - 1 - i] == GUARD_VALUE);
  return 0;
}
