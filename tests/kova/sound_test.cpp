// Sound output on the headless host: volume scaling with saturation, a play
// replacing what plays, stop and close, the system beeps read from the
// store's "WAVE" resources (checked against the source files, decoded here
// on their own), the alerts' sounds, and the WAVE reader refusing damaged
// files without reading past their end.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../../kova/plat_src/sound/sound_internal.h"
#include "gui_harness.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A RIFF WAVE file built from its layout: chunks little-endian.
struct WaveBuilder {
  Bytes chunks;
  static void Put16(Bytes* b, uint32_t v) {
    b->push_back(uint8_t(v));
    b->push_back(uint8_t(v >> 8));
  }
  static void Put32(Bytes* b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
  }
  WaveBuilder& Chunk(const char* id, const Bytes& body, bool pad = true) {
    chunks.insert(chunks.end(), id, id + 4);
    Put32(&chunks, uint32_t(body.size()));
    chunks.insert(chunks.end(), body.begin(), body.end());
    if (pad && (body.size() & 1)) chunks.push_back(0);
    return *this;
  }
  WaveBuilder& Format(uint16_t format, uint16_t channels, uint32_t rate, uint16_t bits,
                      int blockAlign = -1) {
    Bytes f;
    uint16_t align = uint16_t(blockAlign >= 0 ? blockAlign : channels * bits / 8);
    Put16(&f, format);
    Put16(&f, channels);
    Put32(&f, rate);
    Put32(&f, rate * align);
    Put16(&f, align);
    Put16(&f, bits);
    return Chunk("fmt ", f);
  }
  WaveBuilder& Data16(const std::vector<int16_t>& s) {
    Bytes d;
    for (int16_t v : s) Put16(&d, uint16_t(v));
    return Chunk("data", d);
  }
  Bytes Build(int riffLength = -1) const {
    Bytes out = {'R', 'I', 'F', 'F'};
    Put32(&out, riffLength >= 0 ? uint32_t(riffLength) : uint32_t(chunks.size() + 4));
    out.insert(out.end(), {'W', 'A', 'V', 'E'});
    out.insert(out.end(), chunks.begin(), chunks.end());
    return out;
  }
};

// Parses exactly `bytes` (a copy of that size, so a read past it is seen by
// the sanitizer) and converts the frames.
Err Parse(const Bytes& bytes, std::vector<int16_t>* mono = nullptr, SndWave* info = nullptr) {
  Bytes copy(bytes);
  SndWave w{};
  Err err = SndParseWave(copy.data(), uint32_t(copy.size()), &w);
  if (err == 0 && mono) {
    mono->assign(w.frames, 0);
    SndWaveToMono(w, mono->data());
  }
  if (info) *info = w;
  return err;
}

// The 16-bit samples of a canonical 44-byte-header file from the tree.
std::vector<int16_t> SourceSamples(const std::string& file) {
  Bytes b;
  FILE* in = fopen((std::string(BRANTEL_RESOURCES_DIR) + "/sounds/" + file).c_str(), "rb");
  EXPECT_NE(nullptr, in) << file;
  for (int c; in && (c = fgetc(in)) != EOF;) b.push_back(uint8_t(c));
  if (in) fclose(in);
  std::vector<int16_t> s;
  for (size_t i = 44; i + 1 < b.size(); i += 2) s.push_back(int16_t(b[i] | (b[i + 1] << 8)));
  return s;
}

std::vector<int16_t> Played(uint32_t from = 0) {
  const int16_t* s = HOST_HeadlessSamples();
  return std::vector<int16_t>(s + from, s + HOST_HeadlessSampleCount());
}

class SndPlay : public GuiTest {};

TEST_F(SndPlay, ScalesByVolumeAndSaturates) {
  const std::vector<int16_t> in = {1000, -1000, 30000, -30000, 32767, -32768, 0};
  ASSERT_EQ(0, SND_Play(in.data(), uint32_t(in.size()), 8000, 0x80));
  EXPECT_EQ(Played(), (std::vector<int16_t>{500, -500, 15000, -15000, 16383, -16384, 0}));
  EXPECT_EQ(8000u, HOST_HeadlessLastRate());
  uint32_t before = HOST_HeadlessSampleCount();
  ASSERT_EQ(0, SND_Play(in.data(), uint32_t(in.size()), 11025, 0x200));
  EXPECT_EQ(Played(before), (std::vector<int16_t>{2000, -2000, 32767, -32768, 32767, -32768, 0}));
  EXPECT_EQ(11025u, HOST_HeadlessLastRate());
  before = HOST_HeadlessSampleCount();
  ASSERT_EQ(0, SND_Play(in.data(), uint32_t(in.size()), 8000, SND_VOLUME_FULL));
  EXPECT_EQ(Played(before), in);
  before = HOST_HeadlessSampleCount();
  ASSERT_EQ(0, SND_Play(in.data(), uint32_t(in.size()), 8000, 0));
  EXPECT_EQ(Played(before), std::vector<int16_t>(in.size(), 0));
  // The caller's buffer is never scaled in place.
  EXPECT_EQ(30000, in[2]);
}

TEST_F(SndPlay, ReplacesWhatPlaysStopsAndRefusesBadArguments) {
  const int16_t tone[4] = {1, 2, 3, 4};
  uint32_t stops = HOST_HeadlessStopCount();
  ASSERT_EQ(0, SND_Play(tone, 4, 8000, SND_VOLUME_FULL));
  EXPECT_EQ(stops + 1, HOST_HeadlessStopCount());  // the queue is cleared first
  SND_Stop();
  EXPECT_EQ(stops + 2, HOST_HeadlessStopCount());
  EXPECT_EQ(ERR_FILE_PARAM, SND_Play(nullptr, 4, 8000, SND_VOLUME_FULL));
  EXPECT_EQ(ERR_FILE_PARAM, SND_Play(tone, 4, 0, SND_VOLUME_FULL));
  HOST_HeadlessSetNoSound(true);
  EXPECT_EQ(ERR_HOST_SOUND, SND_Play(tone, 4, 8000, SND_VOLUME_FULL));
  EXPECT_EQ(ERR_HOST_SOUND, SND_Beep(SND_BEEP_ERROR));
  HOST_HeadlessSetNoSound(false);
}

TEST_F(SndPlay, OpenNestsAndTheLastCloseStops) {
  const int16_t tone[2] = {5, 6};
  ASSERT_EQ(0, SND_Open());  // a second user besides the form manager
  SND_Close();
  EXPECT_EQ(0, SND_Play(tone, 2, 8000, SND_VOLUME_FULL));  // still open for the manager
  uint32_t stops = HOST_HeadlessStopCount();
  GUI_Stop();  // the manager's close is the last
  EXPECT_EQ(stops + 1, HOST_HeadlessStopCount());
  EXPECT_EQ(ERR_HOST_SOUND, SND_Play(tone, 2, 8000, SND_VOLUME_FULL));
  SND_Close();  // one close too many does nothing
  EXPECT_EQ(stops + 1, HOST_HeadlessStopCount());
}

TEST_F(SndPlay, BeepsPlayTheStoredWaves) {
  ASSERT_EQ(0, SND_Beep(SND_BEEP_ERROR));
  std::vector<int16_t> error = SourceSamples("error.wav");
  ASSERT_EQ(1600u, error.size());  // 200 ms at 8,000 Hz
  EXPECT_EQ(Played(), error);
  EXPECT_EQ(8000u, HOST_HeadlessLastRate());
  uint32_t before = HOST_HeadlessSampleCount();
  ASSERT_EQ(0, SND_Beep(SND_BEEP_CONFIRM));
  EXPECT_EQ(Played(before), SourceSamples("confirm.wav"));
  before = HOST_HeadlessSampleCount();
  ASSERT_EQ(0, SND_Beep(SND_BEEP_INFO));
  EXPECT_EQ(Played(before), SourceSamples("info.wav"));
  EXPECT_NE(SourceSamples("info.wav"), SourceSamples("confirm.wav"));
  EXPECT_EQ(ERR_FILE_PARAM, SND_Beep(3));  // no such sound
}

TEST_F(SndPlay, AlertsSoundTheirKind) {
  Key(HOST_KEY_RETURN);
  (void)GUI_Alert(FCC("Mem!"));  // an error alert
  EXPECT_EQ(Played(), SourceSamples("error.wav"));
  uint32_t before = HOST_HeadlessSampleCount();
  Key(HOST_KEY_ESCAPE);
  (void)GUI_Alert(1000);  // a confirmation
  EXPECT_EQ(Played(before), SourceSamples("confirm.wav"));
}

TEST(SndWaveReader, ReadsPcmOfEveryAcceptedShape) {
  std::vector<int16_t> mono;
  SndWave info{};
  ASSERT_EQ(
      0, Parse(WaveBuilder().Format(1, 1, 22050, 16).Data16({7, -7, 300}).Build(), &mono, &info));
  EXPECT_EQ(mono, (std::vector<int16_t>{7, -7, 300}));
  EXPECT_EQ(22050u, info.rateHz);
  // 8-bit stereo: unsigned samples centred on 128, the channels averaged.
  ASSERT_EQ(
      0,
      Parse(WaveBuilder().Format(1, 2, 8000, 8).Chunk("data", {128, 128, 255, 129, 0, 0}).Build(),
            &mono));
  EXPECT_EQ(mono, (std::vector<int16_t>{0, (127 * 256 + 1 * 256) / 2, -128 * 256}));
  // Unknown chunks before and between are skipped, with their pad byte.
  ASSERT_EQ(0, Parse(WaveBuilder()
                         .Chunk("LIST", {1, 2, 3})
                         .Format(1, 1, 8000, 16)
                         .Chunk("fact", {9})
                         .Data16({42})
                         .Build(),
                     &mono));
  EXPECT_EQ(mono, (std::vector<int16_t>{42}));
  // The extensible format with the PCM sub-format.
  Bytes ext;
  WaveBuilder::Put16(&ext, 0xFFFE);
  WaveBuilder::Put16(&ext, 1);
  WaveBuilder::Put32(&ext, 8000);
  WaveBuilder::Put32(&ext, 16000);
  WaveBuilder::Put16(&ext, 2);
  WaveBuilder::Put16(&ext, 16);
  WaveBuilder::Put16(&ext, 22);
  WaveBuilder::Put16(&ext, 16);
  WaveBuilder::Put32(&ext, 4);
  WaveBuilder::Put16(&ext, 1);  // the GUID's first two bytes: PCM
  ext.resize(40, 0);
  ASSERT_EQ(0, Parse(WaveBuilder().Chunk("fmt ", ext).Data16({-5}).Build(), &mono));
  EXPECT_EQ(mono, (std::vector<int16_t>{-5}));
  // A data chunk cut short keeps its whole frames.
  Bytes cut = WaveBuilder().Format(1, 1, 8000, 16).Data16({1, 2, 3}).Build();
  cut.resize(cut.size() - 1);
  ASSERT_EQ(0, Parse(cut, &mono));
  EXPECT_EQ(mono, (std::vector<int16_t>{1, 2}));
}

TEST(SndWaveReader, RefusesWhatIsNotSoundPcm) {
  const std::vector<int16_t> s = {1, 2};
  EXPECT_EQ(ERR_FILE_PARAM,
            Parse(WaveBuilder().Format(3, 1, 8000, 16).Data16(s).Build()));  // float
  EXPECT_EQ(ERR_FILE_PARAM, Parse(WaveBuilder().Format(1, 3, 8000, 16).Data16(s).Build()));
  EXPECT_EQ(ERR_FILE_PARAM, Parse(WaveBuilder().Format(1, 1, 8000, 24).Data16(s).Build()));
  EXPECT_EQ(ERR_FILE_PARAM, Parse(WaveBuilder().Format(1, 1, 0, 16).Data16(s).Build()));
  EXPECT_EQ(ERR_FILE_PARAM, Parse(WaveBuilder().Format(1, 1, 8000, 16, 4).Data16(s).Build()));
  EXPECT_EQ(ERR_FILE_PARAM, Parse(WaveBuilder().Data16(s).Format(1, 1, 8000, 16).Build()));
  EXPECT_EQ(ERR_FILE_PARAM, Parse(WaveBuilder().Format(1, 1, 8000, 16).Build()));  // no data
  EXPECT_EQ(ERR_FILE_PARAM, Parse(WaveBuilder().Format(1, 1, 8000, 16).Data16({}).Build()));
  EXPECT_EQ(ERR_FILE_PARAM, Parse(WaveBuilder().Chunk("fmt ", {1, 0, 1, 0}).Data16(s).Build()));
  Bytes notRiff = WaveBuilder().Format(1, 1, 8000, 16).Data16(s).Build();
  notRiff[8] = 'X';
  EXPECT_EQ(ERR_FILE_PARAM, Parse(notRiff));
  // A chunk whose length runs past the end, also one near 2^32.
  Bytes huge = WaveBuilder().Chunk("LIST", {1, 2}).Format(1, 1, 8000, 16).Data16(s).Build();
  huge[16] = 0xFF, huge[17] = 0xFF, huge[18] = 0xFF, huge[19] = 0xFF;
  EXPECT_EQ(ERR_FILE_PARAM, Parse(huge));
  huge[16] = 0xF8, huge[19] = 0x7F;
  EXPECT_EQ(ERR_FILE_PARAM, Parse(huge));
}

TEST(SndWaveReader, EveryCutOfAFileIsReadInsideItsBytes) {
  Bytes whole =
      WaveBuilder().Chunk("LIST", {1, 2, 3}).Format(1, 2, 8000, 16).Data16({1, 2, 3, 4}).Build();
  // Whatever is cut, a file is either refused or gives frames of its own
  // bytes: never more frames than fit in what is left.
  for (size_t n = 0; n < whole.size(); n++) {
    Bytes part(whole.begin(), whole.begin() + long(n));
    SndWave info{};
    std::vector<int16_t> mono;
    if (Parse(part, &mono, &info) == 0) {
      // RIFF header 12, "LIST" 12 with its pad, "fmt " 24, the data header 8.
      EXPECT_LE(56u + info.frames * 4u, n) << n;
      EXPECT_GE(info.frames, 1u);
    }
  }
  EXPECT_EQ(ERR_FILE_PARAM, Parse(Bytes()));
}

}  // namespace
