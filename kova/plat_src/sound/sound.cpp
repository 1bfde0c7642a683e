// Sound output over the host's sample queue: buffers played at a rate and a
// volume, a stop, and the system beeps read from the "WAVE" resources of
// the store. Owns the open count (SND_Open/SND_Close nest: the form manager
// holds the output open while it runs, the dialer opens it once more).
// Invariant: playing replaces whatever was queued before it.
#include <cstdlib>

#include "kova_debug.h"
#include "kova_host.h"
#include "kova_res.h"
#include "sound_internal.h"

namespace {

uint32_t g_openCount = 0;

}  // namespace

Err SND_Open() {
  g_openCount++;
  return 0;
}

void SND_Close() {
  if (g_openCount == 0) return;
  if (--g_openCount == 0) HOST_StopSamples();
}

void SND_Stop() {
  if (g_openCount > 0) HOST_StopSamples();
}

Err SND_Play(const int16_t* samples, uint32_t count, uint32_t rateHz, uint16_t volume) {
  if (!samples || rateHz == 0) return ERR_FILE_PARAM;
  if (g_openCount == 0) return ERR_HOST_SOUND;
  HOST_StopSamples();
  if (count == 0) return 0;
  // A copy, so the caller's buffer stays as it was (tones are played again).
  auto* scaled = static_cast<int16_t*>(malloc(size_t(count) * sizeof(int16_t)));
  if (!scaled) return ERR_MEM_FULL;
  SndScale(samples, count, volume, scaled);
  Err err = HOST_PlaySamples(scaled, count, rateHz);
  free(scaled);
  return err;
}

Err SND_Beep(uint16_t sound) {
  ResHandle h = nullptr;
  if (RES_Get(&h, RES_TYPE_WAVE, sound) != 0) {
    DBG_Print(FCC("REPO"), "SND_Beep: no sound %hd\n", int(sound));
    return ERR_FILE_PARAM;
  }
  SndWave wave{};
  Err err = SndParseWave(RES_Data(h), RES_Size(h), &wave);
  if (err != 0) {
    DBG_Print(FCC("REPO"), "SND_Beep: sound %hd is not a PCM wave\n", int(sound));
    RES_Release(&h);
    return err;
  }
  auto* mono = static_cast<int16_t*>(malloc(size_t(wave.frames) * sizeof(int16_t)));
  if (!mono) {
    RES_Release(&h);
    return ERR_MEM_FULL;
  }
  SndWaveToMono(wave, mono);
  RES_Release(&h);
  err = SND_Play(mono, wave.frames, wave.rateHz, SND_VOLUME_FULL);
  free(mono);
  return err;
}
