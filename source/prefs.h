// The preference block: every setting of the program and the few values that
// survive from one run to the next, held in one plain structure in memory
// (`g_prefs`) and written to "Saved_Preferences_BrnL" in the data folder.
// Owns `g_prefs`. The file bytes are never overlaid on the structure: each
// field is decoded from and encoded to its fixed offset (PREFS_FIELDS).
#pragma once

#include <cstddef>

#include "kova.h"

// Layout of the block image (2,619 bytes; the first 2,207 are saved).
//
// Invariants:
//  (1) every field has a fixed offset in the image, listed beside its member
//      below and in PREFS_FIELDS (prefs_fields.cpp), where static_asserts
//      check that the fields lie back to back from 0 to 2,207 (saved part)
//      and from 2,207 to 2,303 (run-time part); 2,303 … 2,618 are unused;
//  (2) byte order inside the image: 16- and 32-bit numbers are little-endian
//      (the order of the file header's version and length); a FourCC is its
//      four characters in order; texts are zero-terminated 8-bit text in the
//      handheld's character set, padded with zero bytes to their slot size;
//      colours are 32-bit 0x00RRGGBB;
//  (3) after every load (and every dialog write-back) each numeric field is
//      in its range (an out-of-range value takes its default) and every text
//      slot ends with a zero byte (PrefsCheck);
//  (4) a layout change must change PREFS_VERSION; the bytes of the saved
//      part that no field names (`savedSpare`) are kept as they were read.
//
// The saved file: "PREF" at 0; the version, 16-bit little-endian, at 4;
// 0 at 6 (not read back); the data length, 32-bit little-endian, at 8; the
// first `length` bytes of the image from 12.

inline constexpr uint32_t PREFS_BLOCK_BYTES = 2619;
inline constexpr uint32_t PREFS_SAVED_BYTES = 2207;
inline constexpr uint32_t PREFS_RUNTIME_END = 2303;  // end of the named run-time fields
inline constexpr uint16_t PREFS_VERSION = 41;
inline constexpr uint32_t PREFS_HEADER_BYTES = 12;
inline constexpr FourCC PREFS_CREATOR = FCC("BrnL");
inline constexpr const char* PREFS_FILE_FORMAT = "Saved_Preferences_%t";
inline constexpr const char* PREFS_DIR = "!";  // the data folder of volume 0

// PrefsLoad results besides 0 (the platform's preference error codes).
inline constexpr Err PREFS_ERR_NO_FILE = Err(-3709);  // missing, unreadable or not "PREF"
inline constexpr Err PREFS_ERR_VERSION = Err(-3708);  // saved by another layout version

// `startCategory` values besides the categories 0 … 15.
inline constexpr uint8_t PREFS_START_KEEP = 254;  // keep the saved `currentCategory`
inline constexpr uint8_t PREFS_START_ALL = 255;   // -1, all categories

// Font slots (`fontBySlot`, `customFontBySlot`) and font codes.
inline constexpr int PREFS_FONT_SLOTS = 11;
inline constexpr uint16_t PREFS_FONT_STANDARD = 0;
inline constexpr uint16_t PREFS_FONT_BOLD = 1;
inline constexpr uint16_t PREFS_FONT_LARGE = 2;
inline constexpr uint16_t PREFS_FONT_LARGE_BOLD = 7;
inline constexpr uint16_t PREFS_FONT_TINY = 129;
inline constexpr uint16_t PREFS_FONT_CUSTOM = 1000;

// Action codes of the seven action selectors.
enum PrefsAction : uint16_t {
  ACTION_FULL = 0,
  ACTION_EDIT = 1,
  ACTION_DIAL = 2,
  ACTION_BEAM = 3,
  ACTION_SEND = 4,
  ACTION_CARD = 5,
  ACTION_NEXT_CATEGORY = 6,
  ACTION_CALL_LOG = 7,
  ACTION_NONE = 8,
  ACTION_NORMAL = 9,
  ACTION_SMS = 10,
  ACTION_DIAL_NOW = 11,
  ACTION_QUICK = 12,
  ACTION_PAD = 13,
};

// One history list's settings (city, state, country).
struct HistorySettings {
  int16_t maxCount;  // below 0 is stored as 0
  uint8_t sorted;    // "Display list sorted"
  uint8_t frozen;    // "Freeze list": never changed by saving a contact
};

// The block in memory. Comments give each member's offset in the image.
// Booleans are bytes 0/1; categories are signed 16-bit (-1 = all).
struct Prefs {
  // --- saved part (0 … 2,206) ---
  FourCC startForm;                     // 0
  int16_t splitterPosition;             // 4
  int16_t currentCategory;              // 6
  int16_t seekTimeoutMs;                // 8
  uint8_t startCategory;                // 10; 0-15, PREFS_START_KEEP, PREFS_START_ALL
  uint8_t leftHanded;                   // 11
  uint32_t tipsShown;                   // 12
  uint16_t sortModeByCategory[17];      // 16, 34 bytes; indexed by category + 1
  uint16_t openAction;                  // 50
  uint16_t listAction;                  // 52
  uint16_t viewAction;                  // 54
  uint16_t buttonAction;                // 56
  uint16_t buttonHoldAction;            // 58
  uint16_t dataAction;                  // 60
  uint16_t holdAction;                  // 62
  uint8_t singleTapOnly;                // 64
  uint8_t quitInFullView;               // 65
  uint8_t windowTall;                   // 66
  uint8_t padOption;                    // 67
  uint16_t fontBySlot[11];              // 68, 22 bytes
  uint32_t customFontBySlot[11];        // 90, 44 bytes
  char customLabels[10][16];            // 134, 160 bytes
  uint8_t customAddress;                // 294
  uint8_t zipFirst;                     // 295
  uint8_t showLinks;                    // 296
  uint8_t compactFullText;              // 297
  uint8_t trackFileDate;                // 298
  uint8_t use16BitColour;               // 299
  uint16_t jpegQuality;                 // 300
  uint32_t fileDate;                    // 302
  uint32_t databaseFingerprint;         // 306
  uint16_t sortTableStamp;              // 310
  uint16_t recordCountSeen;             // 312
  uint32_t listColours[12];             // 314, 48 bytes
  uint32_t categoryColours[48];         // 362, 192 bytes; light, middle, dark per category
  uint32_t categoryColourMask;          // 554
  uint32_t hiddenCategories;            // 558
  int16_t defaultPhoneLabels[10];       // 562, 20 bytes
  char phoneTemplates[5][21];           // 582, 105 bytes
  char quickDialNames[7][21];           // 687, 147 bytes
  char quickDialNumbers[7][21];         // 834, 147 bytes
  uint8_t quickDialEnabled;             // 981
  uint8_t showCompanyInList;            // 982; also `showCompanyInNameSort`: one field
  uint8_t showCounts;                   // 983
  uint8_t showNoteMarker;               // 984
  char businessCards[4][101];           // 985, 404 bytes
  uint8_t sortByLast;                   // 1389
  uint8_t sortByFirst;                  // 1390
  uint8_t sortByCompany;                // 1391
  uint8_t companyWhenNoName;            // 1392
  uint8_t nameWhenNoCompany;            // 1393
  uint8_t multiByteChars;               // 1394
  uint8_t numberMode;                   // 1395
  uint8_t listColumn;                   // 1396
  uint16_t dataKindStart;               // 1397
  uint16_t dataKindLast;                // 1399
  uint16_t viewListMode;                // 1401
  uint16_t viewShowMode;                // 1403; 0 becomes 5 at start
  uint16_t signalDisplay;               // 1405
  uint16_t fanMode;                     // 1407
  uint8_t showNoteInFullView;           // 1409
  uint8_t twoWayLinks;                  // 1410
  uint8_t globalFind;                   // 1411
  uint8_t autoReturn;                   // 1412
  char findText[64];                    // 1413, 64 bytes
  uint16_t findField;                   // 1477
  uint16_t findNegate;                  // 1479
  uint16_t findCondition;               // 1481
  uint8_t findCaseSensitive;            // 1483
  uint8_t findWildcard;                 // 1484
  char savedSearchText[5][30];          // 1485, 150 bytes
  uint16_t savedSearchField[5];         // 1635, 10 bytes
  uint16_t savedSearchNegate[5];        // 1645, 10 bytes
  uint16_t savedSearchCondition[5];     // 1655, 10 bytes
  uint8_t savedSearchCaseSensitive[5];  // 1665, 5 bytes
  uint8_t savedSearchWildcard[5];       // 1670, 5 bytes
  uint16_t savedSearchCount;            // 1675
  uint16_t dateSource;                  // 1677
  uint16_t dateFormat;                  // 1679
  int32_t dateFrom;                     // 1681
  int32_t dateTo;                       // 1685
  uint8_t dateIgnoreYear;               // 1689
  uint8_t largeNumberPad;               // 1690
  HistorySettings cityHistory;          // 1691, 4 bytes
  HistorySettings stateHistory;         // 1695, 4 bytes
  HistorySettings countryHistory;       // 1699, 4 bytes
  uint8_t quickDial;                    // 1703
  uint8_t autoDial;                     // 1704
  uint16_t autoDialSeconds;             // 1705
  uint8_t convertLetters;               // 1707
  uint8_t useOutsidePrefix;             // 1708
  char outsideLinePrefix[21];           // 1709, 21 bytes
  char localPrefixes[3][10];            // 1730, 30 bytes
  uint8_t stripLocalPrefix;             // 1760
  uint8_t useLongDistance;              // 1761
  uint16_t longDistanceDigits;          // 1762
  char longDistancePrefix[21];          // 1764, 21 bytes
  uint16_t dialInterface;               // 1785
  FourCC dialDriver;                    // 1787
  uint16_t dialSpeed;                   // 1791
  uint16_t dialHandshake;               // 1793
  uint16_t dialParity;                  // 1795
  uint8_t slowTones;                    // 1797
  uint8_t pulseDialing;                 // 1798
  uint8_t useInitCommand;               // 1799
  uint8_t useDialCommand;               // 1800
  char initCommand[40];                 // 1801, 40 bytes
  char dialCommand[40];                 // 1841, 40 bytes
  uint16_t printLayout;                 // 1881
  uint16_t printAll;                    // 1883
  uint16_t printIndent;                 // 1885
  char printFrom[200];                  // 1887, 200 bytes
  uint8_t hidePhotoField;               // 2087; editor: "Hide photo field"
  uint8_t autoCapsFirstLetter;          // 2088; editor: "Auto-caps first letter"
  uint8_t zipDigitsOnly;                // 2089; editor: digits only in Zip Codes
  uint8_t phoneDigitsOnly;              // 2090; editor: digits only in Phone numbers
  uint8_t savedSpare[116];              // 2091, kept as found
  // --- run-time part (2,207 … 2,618), rebuilt at every start ---
  uint16_t dialPadLength;     // 2207
  char dialPad[20];           // 2209, 20 bytes
  int16_t pendingRecord;      // 2229
  uint16_t securityLevel;     // 2231
  char notePrefixes[3][21];   // 2233, 63 bytes; from "$NPr"
  uint16_t displayDepth;      // 2296
  uint8_t templateDigits[5];  // 2298, 5 bytes
};

// The one preference block of the program.
extern Prefs g_prefs;

// ---------------------------------------------------------------------------
// Field table: where each member lies in the image.

enum PrefsKind : uint8_t {
  PREFS_U8,
  PREFS_U16,
  PREFS_I16,
  PREFS_U32,
  PREFS_I32,
  PREFS_FCC,   // four characters in order
  PREFS_TEXT,  // `count` zero-terminated slots of `textBytes` bytes
  PREFS_RAW,   // bytes kept as they are
};

struct PrefsField {
  const char* name;
  uint16_t offset;  // in the image
  PrefsKind kind;
  uint16_t count;      // elements
  uint16_t textBytes;  // slot size of PREFS_TEXT / PREFS_RAW
  uint32_t member;     // offsetof(Prefs, field)
  uint32_t memberBytes;
  int64_t lo, hi;  // valid range of each numeric element
};

// Bytes one element of a field takes in the image.
constexpr uint32_t PrefsElementBytes(PrefsKind kind, uint16_t textBytes) {
  switch (kind) {
    case PREFS_U8:
      return 1;
    case PREFS_U16:
    case PREFS_I16:
      return 2;
    case PREFS_U32:
    case PREFS_I32:
    case PREFS_FCC:
      return 4;
    default:
      return textBytes;
  }
}

// Every field in image order; the saved fields come first.
extern const PrefsField PREFS_FIELDS[];
extern const uint32_t PREFS_FIELD_COUNT;
extern const uint32_t PREFS_SAVED_FIELD_COUNT;  // fields that lie in the saved part

// ---------------------------------------------------------------------------
// Operations.

// Clears `p` and sets every default that needs no resource (the built-in
// defaults of each field).
void PrefsSetDefaults(Prefs* p);
// Start steps 2-3: font adjustments for this platform (`customFonts` false
// turns a custom font 1000 into 0), phone templates "$PF0" … "$PF4" and quick
// dial names "$Qd0" … "$Qd6" from the string resources (a missing resource
// keeps the slot empty).
void PrefsLoadResourceDefaults(Prefs* p, bool customFonts);
// Writes every field of `p` into `image` (PREFS_BLOCK_BYTES); the unused
// tail of the run-time part is zero.
void PrefsEncode(const Prefs* p, uint8_t* image);
// Reads every field of `image` (PREFS_BLOCK_BYTES) into `p`.
void PrefsDecode(const uint8_t* image, Prefs* p);
// Clamps every numeric field into its range (an out-of-range value takes
// its default), applies the start rules (seek timeout in seconds, jpeg
// quality, start category, start form) and ends every text slot with a zero.
void PrefsCheck(Prefs* p);
// Start steps 5, 7 and 8: counts the template digits, sets each non-empty
// custom label again from "$Cn1" … "$CnA" and loads the three note metadata
// prefixes from "$NPr".
void PrefsLoadAfterRead(Prefs* p);

// Reads the saved file into the first bytes of `block` (at most `maxSize`,
// and at most the length the file gives). Returns 0; PREFS_ERR_NO_FILE when
// the file cannot be opened or does not begin with "PREF"; PREFS_ERR_VERSION
// when its version differs from `version`; ERR_READ when the file is shorter
// than its header says. On any failure `block` is left as it was.
[[nodiscard]] Err PrefsLoad(uint8_t* block, uint32_t maxSize, uint16_t version);
// Writes `size` bytes of `block` with `version` as the saved file. The new
// file is written under a temporary name and replaces the old one only when
// it is complete, so a failed save leaves the old file as it was. Returns 0
// or the file error (ERR_DISK_FULL, ERR_WRITE, the open error).
[[nodiscard]] Err PrefsSave(const uint8_t* block, uint32_t size, uint16_t version);

// The whole preference part of the start, in order: defaults, resource
// defaults, the saved file (its failure keeps the defaults), checks and the
// values rebuilt from resources. Fills `p`.
void PrefsStart(Prefs* p);
// Encodes `p` and saves its first 2,207 bytes with version 41.
[[nodiscard]] Err PrefsStop(const Prefs* p);

// The saved file's name ("Saved_Preferences_BrnL") into `out` (32 bytes).
void PrefsFileName(char* out, uint32_t size);
