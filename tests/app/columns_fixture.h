// Fixture of the column tests: the resource store for the label texts, the
// preferences at their defaults (custom labels "Custom 1" …), and a helper
// that reads one column of a record built by ContactBuilder.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>

#include "contact_builder.h"
#include "kova_fixture.h"
#include "parse.h"
#include "prefs.h"

struct ColumnOut {
  std::string text;
  int16_t slot;
  bool hasLabel;
  std::string label;
  bool isNull;  // the column gave no block at all
};

class ColumnsTest : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    ASSERT_EQ(0, RES_Open(BRANTEL_RES_STORE));
    PrefsStart(&g_prefs);
    for (int i = 0; i < 10; ++i) snprintf(g_prefs.customLabels[i], 16, "Custom %d", i + 1);
    ParseColumnsReset();
    ParseSetTextWidth(nullptr);
  }
  void TearDown() override {
    ParseSetTextWidth(nullptr);
    ParseColumnsReset();
    KovaTest::TearDown();
  }

  static ColumnOut Column(bool contacts, const ContactBuilder& b, int16_t column, int16_t n = 0,
                          uint16_t flags = 0, int32_t width = 0, uint16_t font = 0) {
    ContactDb db{};
    ContactUseLayout(&db, contacts);
    std::string bytes = b.Bytes();
    ContactRec rec = ContactRecFromBytes(&db, reinterpret_cast<const uint8_t*>(bytes.data()),
                                         uint32_t(bytes.size()));
    int16_t slot = 1234;
    char* label = reinterpret_cast<char*>(&slot);  // must be overwritten
    char* text = ContactColumnText(&rec, column, n, &slot, &label, width, font, flags);
    ColumnOut out{text ? text : "", slot, label != nullptr, label ? label : "", text == nullptr};
    MEM_Free(text);
    MEM_Free(label);
    return out;
  }
  static std::string Text(bool contacts, const ContactBuilder& b, int16_t column, int16_t n = 0,
                          uint16_t flags = 0, int32_t width = 0) {
    return Column(contacts, b, column, n, flags, width).text;
  }
  // The platform's date text, for expected note and birthday dates.
  static std::string Date(int year, int month, int day) {
    char out[64];
    STR_FormatDate(out, sizeof out, int16_t(year), int16_t(month), int16_t(day));
    return out;
  }
};

// Field numbers of the two layouts (presence bits).
namespace padd {
inline constexpr int LAST = 0, FIRST = 1, COMPANY = 2, TITLE = 3, PHONE = 4, CHAT = 11, WEB = 13,
                     CUSTOM = 14, ADDR1 = 23, ADDR2 = 32, ADDR3 = 37, NOTE = 42;
}
namespace addr {
inline constexpr int LAST = 0, FIRST = 1, COMPANY = 2, PHONE = 3, ADDRESS = 8, TITLE = 13,
                     CUSTOM = 14, NOTE = 18;
}
