// The main screen on the headless form loop, for the tests of its handler
// and commands: a contact file written sorted by last name, the display
// list's last names, the loop run with the program's handler.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "contact_builder.h"
#include "main_handler.h"
#include "pdb_builder.h"
#include "sort.h"

constexpr FourCC kMainLayout = FCC("Main");

struct ScreenContact {
  std::string last, first;
  uint8_t category;
  std::string company = "";
};

inline AlertLog& g_log = g_alertLog;

class MainScreenTest : public AppScreenTest {
 protected:
  // The contact file of `count` records in the order given: `fill(i, c)`
  // sets record i's fields and returns its attribute byte.
  template <typename Fill>
  void WriteRecords(size_t count, Fill fill,
                    const std::vector<std::string>& categories = {"Unfiled", "Business",
                                                                  "Personal"}) {
    PdbBuilder b = ContactPdb(true);
    b.AppInfo(CategoryInfo(categories));
    for (size_t i = 0; i < count; ++i) {
      ContactBuilder c(true);
      uint8_t attributes = fill(i, c);
      b.Record(c.Record(), attributes, uint32_t(0x3000 + i));
    }
    WriteDataFile(CONTACTS_FILE, b.Bytes());
  }
  // The contact file, sorted by last name as the handheld keeps it.
  void WriteContacts(const std::vector<ScreenContact>& people) {
    WriteRecords(people.size(), [&](size_t i, ContactBuilder& c) {
      c.Field(0, people[i].last).Field(1, people[i].first);
      if (!people[i].company.empty()) c.Field(2, people[i].company);
      return people[i].category;
    });
  }
  PdbImage Contacts() const { return PdbParse(ReadDataFile(CONTACTS_FILE)); }
  std::string LastNameOf(uint16_t index) const {
    PdbImage im = Contacts();
    if (index >= im.records.size()) return "?";
    const PdbBytes& r = im.records[index];
    return std::string(reinterpret_cast<const char*>(r.data()) + 17);  // field 0 first
  }
  // Last names of the current display list.
  std::vector<std::string> Listed() const {
    std::vector<std::string> out;
    const uint16_t* e = nullptr;
    uint16_t n = SortGetList(nullptr, &e, MainSortMode(), g_prefs.currentCategory, 0);
    for (uint16_t i = 0; i < n; ++i) out.push_back(LastNameOf(e[i]));
    return out;
  }

  uint32_t Run(FourCC layout = kMainLayout) {
    const TagItem params[] = {
        {GUI_RUN_HANDLER, uintptr_t(MainHandleEvent)}, {GUI_RUN_PERIOD, 50}, {0, 0}};
    return GUI_FormLoad(layout, params);
  }
  // A file the program wrote, or "" when there is none.
  static std::string ReadDocument(const std::string& path) {
    if (!HostFileExists(path)) return "";
    std::vector<uint8_t> b = ReadHostFile(path);
    return std::string(b.begin(), b.end());
  }
};

inline const std::vector<ScreenContact> kPeople = {
    {"Adams", "Bo", 1}, {"Baker", "Al", 2}, {"Cole", "Cy", 1}, {"Dunn", "Di", 0}};

// The list screens without the one-time hints over them.
class QuietScreenTest : public MainScreenTest {
 protected:
  void SetUp() override {
    MainScreenTest::SetUp();
    g_prefs.tipsShown = 0xFFFFFFFF;
  }
};
