// The screens' test fixture: see app_fixture.h.
#include "app_fixture.h"

#include <cstring>

AlertLog g_alertLog;

namespace {

const AppModule kNoModules[] = {{"none", nullptr, nullptr}};

int32_t answerAlert(FourCC name, const char* const* args) {
  g_alertLog.names.push_back(name);
  g_alertLog.firstArgs.push_back(args && args[0] ? args[0] : "");
  auto it = g_alertLog.answers.find(name);
  return it == g_alertLog.answers.end() ? 0 : it->second;
}

}  // namespace

PdbBytes CategoryInfo(const std::vector<std::string>& names, uint16_t renamed) {
  PdbBytes b(2 + 16 * 16 + 16 + 2, 0);
  b[0] = uint8_t(renamed >> 8);
  b[1] = uint8_t(renamed);
  for (size_t i = 0; i < names.size() && i < 16; ++i) {
    memcpy(b.data() + 2 + 16 * i, names[i].data(), std::min<size_t>(names[i].size(), 15));
    b[2 + 256 + i] = names[i].empty() ? 0 : uint8_t(i);
  }
  b[2 + 256 + 16] = 15;
  return b;
}

void AppScreenTest::SetUp() {
  GuiTest::SetUp();
  AppSetModules(kNoModules, 0);
  ASSERT_EQ(0, AppStart());  // preferences and the pad's letters
  MainReset();
  g_alertLog = AlertLog();
  MainSetAlertHook(answerAlert);
}

void AppScreenTest::TearDown() {
  MainSetAlertHook(nullptr);
  AppStop();
  AppSetModules(nullptr, 0);
  GuiTest::TearDown();
}
