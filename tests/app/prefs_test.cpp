// Tests of the preference block: defaults, the saved file's bytes, the range
// checks after loading, and saving that never damages the old file. Files
// are built byte by byte from the documented layout, not by the code under
// test.
#include "prefs.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "host_file.h"
#include "kova_fixture.h"

namespace {

const char* const kFile = "Saved_Preferences_BrnL";

// A saved preference file: header and data as the file format gives them.
std::vector<uint8_t> PrefsFileBytes(uint16_t version, const std::vector<uint8_t>& data,
                                    uint32_t length) {
  std::vector<uint8_t> out = {'P',
                              'R',
                              'E',
                              'F',
                              uint8_t(version),
                              uint8_t(version >> 8),
                              0,
                              0,
                              uint8_t(length),
                              uint8_t(length >> 8),
                              uint8_t(length >> 16),
                              uint8_t(length >> 24)};
  // Grown then copied (GCC 12 warns wrongly on inserting into a short vector).
  size_t header = out.size();
  out.resize(header + data.size());
  std::copy(data.begin(), data.end(), out.begin() + ptrdiff_t(header));
  return out;
}

void Put16(std::vector<uint8_t>* d, size_t at, uint16_t v) {
  (*d)[at] = uint8_t(v);
  (*d)[at + 1] = uint8_t(v >> 8);
}

class Preferences : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    ASSERT_EQ(0, RES_Open(BRANTEL_RES_STORE));
  }
  // The saved part of a default block, as a program that kept all defaults
  // writes it (only the fields the checks below read matter).
  std::vector<uint8_t> SavedPart(uint8_t fill = 0) { return std::vector<uint8_t>(2207, fill); }
  void WriteSaved(uint16_t version, const std::vector<uint8_t>& data) {
    WriteDataFile(kFile, PrefsFileBytes(version, data, uint32_t(data.size())));
  }
  // A file of the current version whose data carries defaults except what
  // the caller changes: startForm "Main", startCategory 255, seek 2000, jpeg 50.
  std::vector<uint8_t> Plain() {
    std::vector<uint8_t> d = SavedPart();
    memcpy(d.data(), "Main", 4);
    Put16(&d, 6, 0xFFFF);  // currentCategory -1
    Put16(&d, 8, 2000);
    d[10] = 255;
    Put16(&d, 300, 50);
    return d;
  }
  Prefs Start() {
    Prefs p;
    PrefsStart(&p);
    return p;
  }
};

TEST_F(Preferences, DefaultsWithoutFile) {
  Prefs p = Start();
  EXPECT_EQ(p.startForm, FCC("Main"));
  EXPECT_EQ(p.currentCategory, -1);
  EXPECT_EQ(p.seekTimeoutMs, 2000);
  EXPECT_EQ(p.startCategory, 255);
  EXPECT_EQ(p.openAction, 1);
  EXPECT_EQ(p.buttonAction, 6);
  EXPECT_EQ(p.holdAction, 2);
  EXPECT_EQ(p.fontBySlot[4], 2);
  EXPECT_EQ(p.fontBySlot[7], 7);
  EXPECT_EQ(p.jpegQuality, 50);
  EXPECT_EQ(p.listColours[0], 0xCCFFCCu);
  EXPECT_EQ(p.listColours[11], 0xFF0000u);
  EXPECT_EQ(p.categoryColours[3 * 15 + 2], 0x660066u);
  EXPECT_EQ(p.defaultPhoneLabels[9], -1);
  EXPECT_STREQ(p.outsideLinePrefix, "9,");
  EXPECT_STREQ(p.localPrefixes[0], "999");
  EXPECT_EQ(p.pendingRecord, -1);
  EXPECT_EQ(p.stateHistory.sorted, 1);
  EXPECT_EQ(p.stateHistory.frozen, 1);
  EXPECT_EQ(p.autoCapsFirstLetter, 1);
}

TEST_F(Preferences, TextsComeFromStringResources) {
  Prefs p = Start();
  EXPECT_STREQ(p.phoneTemplates[0], "000-0000");
  EXPECT_STREQ(p.phoneTemplates[2], "0-000-000-0000");
  EXPECT_STREQ(p.phoneTemplates[4], "");
  EXPECT_EQ(p.templateDigits[1], 10);
  EXPECT_EQ(p.templateDigits[3], 0);
  EXPECT_STREQ(p.quickDialNames[0], "Home");
  EXPECT_STREQ(p.quickDialNames[6], "Emergency");
  EXPECT_STREQ(p.notePrefixes[0], "Note Date");
  EXPECT_STREQ(p.notePrefixes[1], "Linked To");
  EXPECT_STREQ(p.notePrefixes[2], "In Group");
}

TEST_F(Preferences, SavedFileHasHeaderAndSavedPart) {
  Prefs p = Start();
  memcpy(p.businessCards[1], "Ann", 4);
  p.dialDriver = FCC("SPK2");
  ASSERT_EQ(0, PrefsStop(&p));
  std::vector<uint8_t> f = ReadDataFile(kFile);
  ASSERT_EQ(f.size(), 12u + 2207u);
  EXPECT_EQ(std::string(f.begin(), f.begin() + 4), "PREF");
  EXPECT_EQ(f[4], 41);
  EXPECT_EQ(f[5], 0);
  EXPECT_EQ(f[6], 0);
  EXPECT_EQ(f[7], 0);
  EXPECT_EQ(f[8], 0x9F);  // 2207 little-endian
  EXPECT_EQ(f[9], 0x08);
  const uint8_t* d = f.data() + 12;
  EXPECT_EQ(std::string(d, d + 4), "Main");
  EXPECT_EQ(d[8] | d[9] << 8, 2000);
  EXPECT_EQ(d[300], 50);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 985 + 101)), "Ann");
  EXPECT_EQ(std::string(d + 1787, d + 1791), "SPK2");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 1709)), "9,");
  EXPECT_EQ(d[2087], 0);  // hidePhotoField
  EXPECT_EQ(d[2088], 1);  // autoCapsFirstLetter
  EXPECT_FALSE(HostFileExists(DataDir() + "/" + kFile + ".new"));
}

TEST_F(Preferences, ChecksAtStart) {
  std::vector<uint8_t> d = Plain();
  Put16(&d, 8, 2);      // seconds
  Put16(&d, 300, 120);  // jpegQuality
  memcpy(d.data(), "Xyzw", 4);
  WriteSaved(41, d);
  Prefs p = Start();
  EXPECT_EQ(p.seekTimeoutMs, 2000);
  EXPECT_EQ(p.jpegQuality, 50);
  EXPECT_EQ(p.startForm, FCC("Main"));

  Put16(&d, 8, 5000);
  memcpy(d.data(), "Splt", 4);
  WriteSaved(41, d);
  p = Start();
  EXPECT_EQ(p.seekTimeoutMs, 3000);
  EXPECT_EQ(p.startForm, FCC("Splt"));
  Put16(&d, 8, 1400);
  WriteSaved(41, d);
  EXPECT_EQ(Start().seekTimeoutMs, 1400);
}

TEST_F(Preferences, StartCategory) {
  std::vector<uint8_t> d = Plain();
  Put16(&d, 6, 3);  // currentCategory
  d[10] = 254;
  WriteSaved(41, d);
  EXPECT_EQ(Start().currentCategory, 3);
  d[10] = 5;
  WriteSaved(41, d);
  EXPECT_EQ(Start().currentCategory, 5);
  d[10] = 255;
  WriteSaved(41, d);
  EXPECT_EQ(Start().currentCategory, -1);
}

TEST_F(Preferences, CustomLabelReturnsToResourceText) {
  std::vector<uint8_t> d = Plain();
  memcpy(d.data() + 134, "Mine", 5);            // label 1
  memcpy(d.data() + 134 + 9 * 16, "Tenth", 6);  // label 10
  WriteSaved(41, d);
  Prefs p = Start();
  EXPECT_STREQ(p.customLabels[0], "Custom 1");
  EXPECT_STREQ(p.customLabels[1], "");
  EXPECT_STREQ(p.customLabels[9], "Custom 10");
}

TEST_F(Preferences, OtherVersionIsIgnored) {
  std::vector<uint8_t> d = Plain();
  Put16(&d, 300, 70);
  memcpy(d.data(), "Indx", 4);
  WriteSaved(40, d);
  std::vector<uint8_t> block(2207, 0xAB);
  EXPECT_EQ(PREFS_ERR_VERSION, PrefsLoad(block.data(), 2207, 41));
  EXPECT_EQ(block, std::vector<uint8_t>(2207, 0xAB));
  Prefs p = Start();
  EXPECT_EQ(p.jpegQuality, 50);
  EXPECT_EQ(p.startForm, FCC("Main"));
}

TEST_F(Preferences, ForeignMissingAndShortFiles) {
  std::vector<uint8_t> block(2207, 0xAB);
  EXPECT_EQ(PREFS_ERR_NO_FILE, PrefsLoad(block.data(), 2207, 41));
  std::vector<uint8_t> f = PrefsFileBytes(41, Plain(), 2207);
  f[0] = 'X';
  WriteDataFile(kFile, f);
  EXPECT_EQ(PREFS_ERR_NO_FILE, PrefsLoad(block.data(), 2207, 41));
  // A body shorter than the header says is not applied at all.
  std::vector<uint8_t> d = Plain();
  d.resize(100);
  WriteDataFile(kFile, PrefsFileBytes(41, d, 2207));
  EXPECT_EQ(ERR_READ, PrefsLoad(block.data(), 2207, 41));
  EXPECT_EQ(block, std::vector<uint8_t>(2207, 0xAB));
}

TEST_F(Preferences, LongerFileReadUpToSavedPart) {
  std::vector<uint8_t> d = Plain();
  Put16(&d, 300, 77);
  d.resize(3000, 0xEE);
  WriteSaved(41, d);
  std::vector<uint8_t> block(2619, 0x11);
  ASSERT_EQ(0, PrefsLoad(block.data(), 2207, 41));
  EXPECT_EQ(block[300], 77);
  EXPECT_EQ(block[2207], 0x11);
  EXPECT_EQ(Start().jpegQuality, 77);
}

// A file of 0xFF bytes starts with every field in range and every text
// slot terminated.
TEST_F(Preferences, AllOnesFileGivesValidFields) {
  WriteSaved(41, SavedPart(0xFF));
  Prefs p = Start();
  EXPECT_EQ(p.startForm, FCC("Main"));
  EXPECT_EQ(p.seekTimeoutMs, 2000);
  EXPECT_EQ(p.jpegQuality, 50);
  EXPECT_EQ(p.currentCategory, -1);
  EXPECT_EQ(p.sortModeByCategory[16], 0);
  EXPECT_EQ(p.openAction, 1);
  EXPECT_EQ(p.fontBySlot[7], 7);
  EXPECT_EQ(p.listColours[0], 0xCCFFCCu);
  EXPECT_EQ(p.cityHistory.maxCount, 50);
  EXPECT_EQ(p.printIndent, 12);
  EXPECT_EQ(p.dialDriver, FCC("SPK1"));
  EXPECT_EQ(p.viewShowMode, 5);
  EXPECT_EQ(p.tipsShown, 0xFFFFFFFFu);  // every hint shown is a valid mask
  EXPECT_EQ(strlen(p.businessCards[3]), 100u);
  EXPECT_EQ(strlen(p.printFrom), 199u);
  // Every field of the table, element by element.
  const uint8_t* base = reinterpret_cast<const uint8_t*>(&p);
  for (uint32_t i = 0; i < PREFS_FIELD_COUNT; ++i) {
    const PrefsField& f = PREFS_FIELDS[i];
    uint32_t step = PrefsElementBytes(f.kind, f.textBytes);
    for (uint32_t k = 0; k < f.count; ++k) {
      const uint8_t* m = base + f.member + k * step;
      int64_t v = 0;
      if (f.kind == PREFS_TEXT) {
        EXPECT_EQ(m[step - 1], 0) << f.name << "[" << k << "]";
        continue;
      }
      if (f.kind == PREFS_U8) v = *m;
      if (f.kind == PREFS_U16) v = uint16_t(m[0] | m[1] << 8);
      if (f.kind == PREFS_I16) v = int16_t(m[0] | m[1] << 8);
      if (f.kind == PREFS_U32) v = uint32_t(m[0] | m[1] << 8 | m[2] << 16 | uint32_t(m[3]) << 24);
      if (f.kind == PREFS_I32) v = int32_t(m[0] | m[1] << 8 | m[2] << 16 | uint32_t(m[3]) << 24);
      if (f.kind > PREFS_I32) continue;
      EXPECT_GE(v, f.lo) << f.name << "[" << k << "]";
      EXPECT_LE(v, f.hi) << f.name << "[" << k << "]";
    }
  }
}

// Every saved field survives a save and a start unchanged.
TEST_F(Preferences, RoundTripOfEveryField) {
  Prefs p = Start();
  uint8_t* base = reinterpret_cast<uint8_t*>(&p);
  uint32_t seed = 1;
  for (uint32_t i = 0; i < PREFS_SAVED_FIELD_COUNT; ++i) {
    const PrefsField& f = PREFS_FIELDS[i];
    uint32_t step = PrefsElementBytes(f.kind, f.textBytes);
    for (uint32_t k = 0; k < f.count; ++k, ++seed) {
      uint8_t* m = base + f.member + k * step;
      if (f.kind == PREFS_TEXT || f.kind == PREFS_RAW) {
        for (uint32_t b = 0; b < step; ++b) m[b] = uint8_t('a' + (seed + b) % 26);
        if (f.kind == PREFS_TEXT) m[step - 1] = 0;
        continue;
      }
      if (f.kind == PREFS_FCC) continue;
      // A value inside the range that differs from element to element.
      uint64_t span = uint64_t(f.hi - f.lo) + 1;
      int64_t v = f.lo + int64_t((seed * 2654435761u) % span);
      memcpy(m, &v, step);  // little-endian host: the low bytes
    }
  }
  p.startForm = FCC("Fing");
  p.dialDriver = FCC("SPK2");
  p.startCategory = PREFS_START_KEEP;
  p.seekTimeoutMs = 1234;
  for (int s = 0; s < PREFS_FONT_SLOTS; ++s) p.fontBySlot[s] = s % 2 ? 129 : 1000;
  for (auto& label : p.customLabels) label[0] = 0;  // non-empty ones come from resources
  ASSERT_EQ(0, PrefsStop(&p));
  Prefs q = Start();
  const uint8_t* back = reinterpret_cast<const uint8_t*>(&q);
  for (uint32_t i = 0; i < PREFS_SAVED_FIELD_COUNT; ++i) {
    const PrefsField& f = PREFS_FIELDS[i];
    EXPECT_EQ(0, memcmp(base + f.member, back + f.member, f.memberBytes)) << f.name;
  }
}

class PreferencesSaveFault : public Preferences {
 protected:
  std::vector<uint8_t> SaveOld() {
    Prefs p = Start();
    p.jpegQuality = 61;
    EXPECT_EQ(0, PrefsStop(&p));
    return ReadDataFile(kFile);
  }
  void Arm(const HostFaults& faults) {
    HOST_SetFileOps(&HOST_FAULT_FILE_OPS);
    HOST_SetFaults(&faults);
  }
  void ExpectOldKept(const std::vector<uint8_t>& old) {
    Prefs p = Start();
    p.jpegQuality = 62;
    EXPECT_NE(0, PrefsStop(&p));
    HOST_SetFaults(nullptr);
    HOST_SetFileOps(nullptr);
    EXPECT_EQ(ReadDataFile(kFile), old);
    EXPECT_FALSE(HostFileExists(DataDir() + "/" + kFile + ".new"));
    EXPECT_EQ(Start().jpegQuality, 61);
  }
};

TEST_F(PreferencesSaveFault, FullDiskKeepsOldFile) {
  std::vector<uint8_t> old = SaveOld();
  HostFaults faults{};
  faults.diskFreeBytes = 1000;
  Arm(faults);
  ExpectOldKept(old);
}

TEST_F(PreferencesSaveFault, FailedWriteKeepsOldFile) {
  std::vector<uint8_t> old = SaveOld();
  HostFaults faults{};
  faults.diskFreeBytes = -1;
  faults.failWriteAt = 2;
  Arm(faults);
  ExpectOldKept(old);
}

TEST_F(PreferencesSaveFault, FailedSyncKeepsOldFile) {
  std::vector<uint8_t> old = SaveOld();
  HostFaults faults{};
  faults.diskFreeBytes = -1;
  faults.failSyncAt = 1;
  Arm(faults);
  ExpectOldKept(old);
}

}  // namespace
