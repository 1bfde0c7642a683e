// Sound output: buffers of 16-bit samples played at a rate and a volume
// through the host's audio, and the system beeps, which are "WAVE"
// resources (complete RIFF WAVE files) of the resource store. Playing never
// blocks; a machine without audio reports ERR_HOST_SOUND and the caller goes
// on silently. Owns the open output (module start/stop through GUI_Start).
#pragma once

#include "kova_errors.h"
#include "kova_types.h"

// Volumes: 0x100 is the samples as they are, 0x80 half, 0 silent.
inline constexpr uint16_t SND_VOLUME_FULL = 0x100;

// System beeps: the alert sounds (information and warning 1, error 2,
// confirmation 4) and the short error beep of a failed search (2).
inline constexpr uint16_t SND_BEEP_INFO = 1;
inline constexpr uint16_t SND_BEEP_ERROR = 2;
inline constexpr uint16_t SND_BEEP_CONFIRM = 4;

// Opens the sound output. Opens nest (the form manager holds one while it
// runs); the device itself is opened by the host on the first play.
// Returns 0 or ERR_HOST_SOUND (no audio device).
Err SND_Open();
// Plays `count` signed 16-bit mono samples at `rateHz` scaled by `volume`
// (SND_VOLUME_FULL = unchanged; louder volumes saturate at the 16-bit
// range), replacing whatever plays; the caller's buffer is not changed.
// Returns at once: 0, ERR_FILE_PARAM for a null buffer or a rate of 0,
// ERR_HOST_SOUND (no device, or no output open), ERR_MEM_FULL.
Err SND_Play(const int16_t* samples, uint32_t count, uint32_t rateHz, uint16_t volume);
// Stops what plays (nothing happens when nothing plays).
void SND_Stop();
// Closes one SND_Open; the last close stops what plays.
void SND_Close();
// Plays the "WAVE" resource with id `sound` (8- or 16-bit PCM, mono or
// stereo, any rate) at full volume. Returns 0, ERR_HOST_SOUND,
// ERR_MEM_FULL, or ERR_FILE_PARAM when the resource is missing, damaged or
// not PCM.
Err SND_Beep(uint16_t sound);
