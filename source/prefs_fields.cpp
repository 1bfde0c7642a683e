// The preference block's field table (every field at its fixed offset in the
// image, checked at compile time) and the built-in defaults. Owns no state.
#include <cstring>

#include "prefs.h"

#define F(off, member, kind, count, textBytes, lo, hi)                                    \
  PrefsField {                                                                            \
#member, off, kind, count, textBytes, uint32_t(offsetof(Prefs, member)),              \
        uint32_t(sizeof(static_cast <Prefs*>(nullptr)->member)), int64_t(lo), int64_t(hi) \
  }

constexpr PrefsField PREFS_FIELDS[] = {
    F(0, startForm, PREFS_FCC, 1, 0, 0, 0),
    F(4, splitterPosition, PREFS_I16, 1, 0, 0, 32767),
    F(6, currentCategory, PREFS_I16, 1, 0, -1, 15),
    F(8, seekTimeoutMs, PREFS_I16, 1, 0, 200, 3000),
    F(10, startCategory, PREFS_U8, 1, 0, 0, 255),
    F(11, leftHanded, PREFS_U8, 1, 0, 0, 1),
    F(12, tipsShown, PREFS_U32, 1, 0, 0, 0xFFFFFFFF),
    F(16, sortModeByCategory, PREFS_U16, 17, 0, 0, 2),
    F(50, openAction, PREFS_U16, 1, 0, 0, 13),
    F(52, listAction, PREFS_U16, 1, 0, 0, 13),
    F(54, viewAction, PREFS_U16, 1, 0, 0, 13),
    F(56, buttonAction, PREFS_U16, 1, 0, 0, 13),
    F(58, buttonHoldAction, PREFS_U16, 1, 0, 0, 13),
    F(60, dataAction, PREFS_U16, 1, 0, 0, 13),
    F(62, holdAction, PREFS_U16, 1, 0, 0, 13),
    F(64, singleTapOnly, PREFS_U8, 1, 0, 0, 1),
    F(65, quitInFullView, PREFS_U8, 1, 0, 0, 1),
    F(66, windowTall, PREFS_U8, 1, 0, 0, 1),
    F(67, padOption, PREFS_U8, 1, 0, 0, 1),
    F(68, fontBySlot, PREFS_U16, 11, 0, 0, 1000),
    F(90, customFontBySlot, PREFS_U32, 11, 0, 0, 0xFFFFFFFF),
    F(134, customLabels, PREFS_TEXT, 10, 16, 0, 0),
    F(294, customAddress, PREFS_U8, 1, 0, 0, 1),
    F(295, zipFirst, PREFS_U8, 1, 0, 0, 1),
    F(296, showLinks, PREFS_U8, 1, 0, 0, 1),
    F(297, compactFullText, PREFS_U8, 1, 0, 0, 1),
    F(298, trackFileDate, PREFS_U8, 1, 0, 0, 1),
    F(299, use16BitColour, PREFS_U8, 1, 0, 0, 1),
    F(300, jpegQuality, PREFS_U16, 1, 0, 1, 99),
    F(302, fileDate, PREFS_U32, 1, 0, 0, 0xFFFFFFFF),
    F(306, databaseFingerprint, PREFS_U32, 1, 0, 0, 0xFFFFFFFF),
    F(310, sortTableStamp, PREFS_U16, 1, 0, 0, 51),
    F(312, recordCountSeen, PREFS_U16, 1, 0, 0, 65535),
    F(314, listColours, PREFS_U32, 12, 0, 0, 0xFFFFFF),
    F(362, categoryColours, PREFS_U32, 48, 0, 0, 0xFFFFFF),
    F(554, categoryColourMask, PREFS_U32, 1, 0, 0, 65535),
    F(558, hiddenCategories, PREFS_U32, 1, 0, 0, 65535),
    F(562, defaultPhoneLabels, PREFS_I16, 10, 0, -1, 7),
    F(582, phoneTemplates, PREFS_TEXT, 5, 21, 0, 0),
    F(687, quickDialNames, PREFS_TEXT, 7, 21, 0, 0),
    F(834, quickDialNumbers, PREFS_TEXT, 7, 21, 0, 0),
    F(981, quickDialEnabled, PREFS_U8, 1, 0, 0, 127),
    F(982, showCompanyInList, PREFS_U8, 1, 0, 0, 1),
    F(983, showCounts, PREFS_U8, 1, 0, 0, 1),
    F(984, showNoteMarker, PREFS_U8, 1, 0, 0, 1),
    F(985, businessCards, PREFS_TEXT, 4, 101, 0, 0),
    F(1389, sortByLast, PREFS_U8, 1, 0, 0, 1),
    F(1390, sortByFirst, PREFS_U8, 1, 0, 0, 1),
    F(1391, sortByCompany, PREFS_U8, 1, 0, 0, 1),
    F(1392, companyWhenNoName, PREFS_U8, 1, 0, 0, 1),
    F(1393, nameWhenNoCompany, PREFS_U8, 1, 0, 0, 1),
    F(1394, multiByteChars, PREFS_U8, 1, 0, 0, 1),
    F(1395, numberMode, PREFS_U8, 1, 0, 0, 1),
    F(1396, listColumn, PREFS_U8, 1, 0, 0, 20),
    F(1397, dataKindStart, PREFS_U16, 1, 0, 0, 65535),
    F(1399, dataKindLast, PREFS_U16, 1, 0, 0, 3),
    F(1401, viewListMode, PREFS_U16, 1, 0, 0, 15),
    F(1403, viewShowMode, PREFS_U16, 1, 0, 1, 15),
    F(1405, signalDisplay, PREFS_U16, 1, 0, 0, 15),
    F(1407, fanMode, PREFS_U16, 1, 0, 0, 15),
    F(1409, showNoteInFullView, PREFS_U8, 1, 0, 0, 1),
    F(1410, twoWayLinks, PREFS_U8, 1, 0, 0, 1),
    F(1411, globalFind, PREFS_U8, 1, 0, 0, 1),
    F(1412, autoReturn, PREFS_U8, 1, 0, 0, 1),
    F(1413, findText, PREFS_TEXT, 1, 64, 0, 0),
    F(1477, findField, PREFS_U16, 1, 0, 0, 26),
    F(1479, findNegate, PREFS_U16, 1, 0, 0, 1),
    F(1481, findCondition, PREFS_U16, 1, 0, 0, 4),
    F(1483, findCaseSensitive, PREFS_U8, 1, 0, 0, 1),
    F(1484, findWildcard, PREFS_U8, 1, 0, 0, 1),
    F(1485, savedSearchText, PREFS_TEXT, 5, 30, 0, 0),
    F(1635, savedSearchField, PREFS_U16, 5, 0, 0, 26),
    F(1645, savedSearchNegate, PREFS_U16, 5, 0, 0, 1),
    F(1655, savedSearchCondition, PREFS_U16, 5, 0, 0, 4),
    F(1665, savedSearchCaseSensitive, PREFS_U8, 5, 0, 0, 1),
    F(1670, savedSearchWildcard, PREFS_U8, 5, 0, 0, 1),
    F(1675, savedSearchCount, PREFS_U16, 1, 0, 0, 5),
    F(1677, dateSource, PREFS_U16, 1, 0, 0, 1),
    F(1679, dateFormat, PREFS_U16, 1, 0, 0, 2),
    F(1681, dateFrom, PREFS_I32, 1, 0, INT32_MIN, INT32_MAX),
    F(1685, dateTo, PREFS_I32, 1, 0, INT32_MIN, INT32_MAX),
    F(1689, dateIgnoreYear, PREFS_U8, 1, 0, 0, 1),
    F(1690, largeNumberPad, PREFS_U8, 1, 0, 0, 1),
    F(1691, cityHistory.maxCount, PREFS_I16, 1, 0, 0, 32767),
    F(1693, cityHistory.sorted, PREFS_U8, 1, 0, 0, 1),
    F(1694, cityHistory.frozen, PREFS_U8, 1, 0, 0, 1),
    F(1695, stateHistory.maxCount, PREFS_I16, 1, 0, 0, 32767),
    F(1697, stateHistory.sorted, PREFS_U8, 1, 0, 0, 1),
    F(1698, stateHistory.frozen, PREFS_U8, 1, 0, 0, 1),
    F(1699, countryHistory.maxCount, PREFS_I16, 1, 0, 0, 32767),
    F(1701, countryHistory.sorted, PREFS_U8, 1, 0, 0, 1),
    F(1702, countryHistory.frozen, PREFS_U8, 1, 0, 0, 1),
    F(1703, quickDial, PREFS_U8, 1, 0, 0, 1),
    F(1704, autoDial, PREFS_U8, 1, 0, 0, 1),
    F(1705, autoDialSeconds, PREFS_U16, 1, 0, 1, 99),
    F(1707, convertLetters, PREFS_U8, 1, 0, 0, 1),
    F(1708, useOutsidePrefix, PREFS_U8, 1, 0, 0, 1),
    F(1709, outsideLinePrefix, PREFS_TEXT, 1, 21, 0, 0),
    F(1730, localPrefixes, PREFS_TEXT, 3, 10, 0, 0),
    F(1760, stripLocalPrefix, PREFS_U8, 1, 0, 0, 1),
    F(1761, useLongDistance, PREFS_U8, 1, 0, 0, 1),
    F(1762, longDistanceDigits, PREFS_U16, 1, 0, 0, 30),
    F(1764, longDistancePrefix, PREFS_TEXT, 1, 21, 0, 0),
    F(1785, dialInterface, PREFS_U16, 1, 0, 0, 2),
    F(1787, dialDriver, PREFS_FCC, 1, 0, 0, 0),
    F(1791, dialSpeed, PREFS_U16, 1, 0, 0, 4),
    F(1793, dialHandshake, PREFS_U16, 1, 0, 0, 3),
    F(1795, dialParity, PREFS_U16, 1, 0, 0, 2),
    F(1797, slowTones, PREFS_U8, 1, 0, 0, 1),
    F(1798, pulseDialing, PREFS_U8, 1, 0, 0, 1),
    F(1799, useInitCommand, PREFS_U8, 1, 0, 0, 1),
    F(1800, useDialCommand, PREFS_U8, 1, 0, 0, 1),
    F(1801, initCommand, PREFS_TEXT, 1, 40, 0, 0),
    F(1841, dialCommand, PREFS_TEXT, 1, 40, 0, 0),
    F(1881, printLayout, PREFS_U16, 1, 0, 0, 12),
    F(1883, printAll, PREFS_U16, 1, 0, 0, 1),
    F(1885, printIndent, PREFS_U16, 1, 0, 0, 200),
    F(1887, printFrom, PREFS_TEXT, 1, 200, 0, 0),
    F(2087, hidePhotoField, PREFS_U8, 1, 0, 0, 1),
    F(2088, autoCapsFirstLetter, PREFS_U8, 1, 0, 0, 1),
    F(2089, zipDigitsOnly, PREFS_U8, 1, 0, 0, 1),
    F(2090, phoneDigitsOnly, PREFS_U8, 1, 0, 0, 1),
    F(2091, savedSpare, PREFS_RAW, 1, 116, 0, 0),
    F(2207, dialPadLength, PREFS_U16, 1, 0, 0, 19),
    F(2209, dialPad, PREFS_TEXT, 1, 20, 0, 0),
    F(2229, pendingRecord, PREFS_I16, 1, 0, -1, 32767),
    F(2231, securityLevel, PREFS_U16, 1, 0, 0, 2),
    F(2233, notePrefixes, PREFS_TEXT, 3, 21, 0, 0),
    F(2296, displayDepth, PREFS_U16, 1, 0, 0, 32),
    F(2298, templateDigits, PREFS_U8, 5, 0, 0, 20),
};
#undef F

namespace {

constexpr uint32_t kFieldCount = sizeof PREFS_FIELDS / sizeof PREFS_FIELDS[0];

constexpr uint32_t fieldBytes(const PrefsField& f) {
  return f.count * PrefsElementBytes(f.kind, f.textBytes);
}

// Fields [first, last) lie back to back from `start` and end at `end`, and
// each member has the size its entry gives.
constexpr bool backToBack(uint32_t first, uint32_t last, uint32_t start, uint32_t end) {
  uint32_t at = start;
  for (uint32_t i = first; i < last; ++i) {
    const PrefsField& f = PREFS_FIELDS[i];
    if (f.offset != at || f.memberBytes != fieldBytes(f) || f.count == 0) return false;
    at += fieldBytes(f);
  }
  return at == end;
}

constexpr uint32_t savedFieldCount() {
  uint32_t n = 0;
  while (n < kFieldCount && PREFS_FIELDS[n].offset < PREFS_SAVED_BYTES) ++n;
  return n;
}

constexpr uint16_t offsetOf(const char* name) {
  for (const PrefsField& f : PREFS_FIELDS) {
    const char* a = f.name;
    const char* b = name;
    while (*a && *a == *b) ++a, ++b;
    if (*a == *b) return f.offset;
  }
  return 0xFFFF;
}

}  // namespace

// The layout never moves: the saved part is filled from 0 to 2,207 and the
// run-time fields follow it.
static_assert(backToBack(0, savedFieldCount(), 0, PREFS_SAVED_BYTES));
static_assert(backToBack(savedFieldCount(), kFieldCount, PREFS_SAVED_BYTES, PREFS_RUNTIME_END));
static_assert(PREFS_RUNTIME_END <= PREFS_BLOCK_BYTES);
// Fields that other modules and older files rely on.
static_assert(offsetOf("startForm") == 0 && offsetOf("seekTimeoutMs") == 8);
static_assert(offsetOf("sortModeByCategory") == 16 && offsetOf("tipsShown") == 12);
static_assert(offsetOf("customLabels") == 134 && offsetOf("jpegQuality") == 300);
static_assert(offsetOf("databaseFingerprint") == 306 && offsetOf("sortTableStamp") == 310);
static_assert(offsetOf("businessCards") == 985 && offsetOf("printFrom") == 1887);
static_assert(offsetOf("largeNumberPad") == 1690 && offsetOf("autoCapsFirstLetter") == 2088);
static_assert(offsetOf("dialPad") == 2209 && offsetOf("notePrefixes") == 2233);

const uint32_t PREFS_FIELD_COUNT = kFieldCount;
const uint32_t PREFS_SAVED_FIELD_COUNT = savedFieldCount();

namespace {

// The list colours in picker order: "lABk", "lBak", "lTxt", "lNot", "lHBk",
// "lHTx", "dBak", "dTxt", "dHTx", "dLab", "nBak", "sBak".
constexpr uint32_t kListColours[12] = {0xCCFFCC, 0xFFFFFF, 0x000000, 0x0099CC, 0xFF0000, 0xFFFF00,
                                       0xFFFFCC, 0x000000, 0x0099CC, 0x000000, 0xCCFFCC, 0xFF0000};

// Light, middle and dark colour of each category.
constexpr uint32_t kCategoryColours[48] = {
    0xFFCCFF, 0xFF99FF, 0x990099, 0xFFCCCC, 0xFF9999, 0x990000, 0xFFCC99, 0xFF9933,
    0xCC6600, 0xFFFFCC, 0xFFFF99, 0x996600, 0xCCFFCC, 0x99FF99, 0x009900, 0xCCFFFF,
    0x99FFFF, 0x009999, 0xCCCCFF, 0x9999FF, 0x000099, 0xCC99FF, 0xCC66FF, 0x660099,
    0xCC99CC, 0xCC66CC, 0x990099, 0xCC9999, 0xCC6666, 0x660000, 0xCC9966, 0xCC6633,
    0x996600, 0xCCCC99, 0xCCCC66, 0x666600, 0x99CC99, 0x66CC66, 0x006600, 0x99CCCC,
    0x66CCCC, 0x006666, 0x9999CC, 0x6666CC, 0x000066, 0x9966CC, 0x9933CC, 0x660066};

void setText(char* slot, size_t size, const char* text) {
  strncpy(slot, text, size - 1);
  slot[size - 1] = 0;
}

void setDialDefaults(Prefs* p) {
  p->autoDialSeconds = 3;
  setText(p->outsideLinePrefix, sizeof p->outsideLinePrefix, "9,");
  setText(p->localPrefixes[0], sizeof p->localPrefixes[0], "999");
  p->longDistanceDigits = 7;
  setText(p->longDistancePrefix, sizeof p->longDistancePrefix, "1");
  p->dialInterface = 0;  // the speaker: touch tones
  p->dialDriver = FCC("SPK1");
  p->dialSpeed = 4;  // 115200
  setText(p->initCommand, sizeof p->initCommand, "AT&FX4");
  setText(p->dialCommand, sizeof p->dialCommand, "ATD$;");
}

}  // namespace

void PrefsSetDefaults(Prefs* p) {
  memset(p, 0, sizeof *p);
  p->startForm = FCC("Main");
  p->currentCategory = -1;
  p->seekTimeoutMs = 2000;
  p->startCategory = PREFS_START_ALL;
  p->openAction = ACTION_EDIT;
  p->listAction = ACTION_FULL;
  p->viewAction = ACTION_EDIT;
  p->buttonAction = ACTION_NEXT_CATEGORY;
  p->buttonHoldAction = ACTION_CARD;
  p->dataAction = ACTION_CARD;
  p->holdAction = ACTION_DIAL;
  p->fontBySlot[4] = PREFS_FONT_LARGE;       // "Finger Find List"
  p->fontBySlot[7] = PREFS_FONT_LARGE_BOLD;  // "Full View (Title)"
  p->jpegQuality = 50;
  memcpy(p->listColours, kListColours, sizeof kListColours);
  memcpy(p->categoryColours, kCategoryColours, sizeof kCategoryColours);
  for (int16_t& label : p->defaultPhoneLabels) label = -1;
  p->showCounts = 1;
  p->sortByLast = p->sortByFirst = p->sortByCompany = 1;
  p->listColumn = 1;
  p->viewShowMode = 5;
  p->twoWayLinks = 1;
  p->cityHistory = HistorySettings{50, 0, 0};
  p->stateHistory = HistorySettings{50, 1, 1};
  p->countryHistory = HistorySettings{50, 0, 0};
  setDialDefaults(p);
  p->printIndent = 12;
  p->autoCapsFirstLetter = 1;
  p->pendingRecord = -1;
  p->displayDepth = 24;
}
