// Test fixture for the program's screens on the headless form loop: the
// program started without platform modules (preferences, pad letters), the
// main screen reset, and every alert answered through a log that records its
// name and first text and answers what the test asked (0 otherwise). Also
// the category part of an address book's application-info block, built
// from the format for the tests' databases.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "gui_harness.h"
#include "main_handler.h"
#include "pdb_builder.h"
#include "phone.h"

// The category block: the renamed mask, sixteen 16-byte names, sixteen ids
// (the index of a named category, 0 for an empty slot), the last id (15) and
// a pad byte.
PdbBytes CategoryInfo(const std::vector<std::string>& names, uint16_t renamed = 0);

// What the alerts of one test were, and the answers they get.
struct AlertLog {
  std::vector<FourCC> names;
  std::vector<std::string> firstArgs;
  std::map<FourCC, int32_t> answers;  // 0 when not given
};
extern AlertLog g_alertLog;

class AppScreenTest : public GuiTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // How often alert `name` was shown.
  static size_t Alerts(FourCC name) {
    return size_t(std::count(g_alertLog.names.begin(), g_alertLog.names.end(), name));
  }
};
