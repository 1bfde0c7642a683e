// Tests of beaming and sending from the list screens on the headless form
// loop: the one-time send hint and its Cancel, the whole list sent after
// the list question, the file picker's title for one card or several, the
// business cards' Clear and Send buttons, and the debug copy of a card.
#include <string>
#include <vector>

#include "main_screen_fixture.h"

namespace {

constexpr uint32_t SEND_HINT_BIT = 0x08;  // "tSnd" in the hints shown

// A card of a contact with nothing but its names.
std::string NameCard(const std::string& last, const std::string& first) {
  return "BEGIN:VCARD\r\nVERSION:2.1\r\nX-PALM:4.0\r\nN:" + last + ";" + first +
         "\r\nEND:VCARD\r\n";
}

class MainExchangeTest : public MainScreenTest {
 protected:
  std::string Saved(const std::string& name) const {
    return ReadDocument(DocumentsDir() + "/" + name);
  }
  // The first text of alert `name`'s first showing ("?" when not shown).
  static std::string FirstArgOf(FourCC name) {
    for (size_t i = 0; i < g_log.names.size(); ++i)
      if (g_log.names[i] == name) return g_log.firstArgs[i];
    return "?";
  }
  // The tag of the form in front when the step runs, into `out`.
  void NoteForm(FourCC* out) {
    Then([out] { *out = Active()->formTag; });
  }
  // The title of the form in front when the step runs, into `out`.
  void NoteTitle(std::string* out) {
    Then([out] { *out = Active()->title; });
  }
};

// ---------------------------------------------------------------------------
// "Send": the hint comes first, once; its Cancel stops the send.

TEST_F(MainExchangeTest, SendShowsItsHintOnceAndTheHintsCancelStopsIt) {
  WriteContacts(kPeople);
  g_prefs.tipsShown &= ~SEND_HINT_BIT;
  g_log.answers[FCC("tSnd")] = 1;  // "Cancel"
  FourCC afterCancel = 0, afterSecond = 0;
  Then([] { g_main.selectedRow = 1; });  // Baker, Al
  Menu(FCC("Send"));
  NoteForm(&afterCancel);  // no file picker
  Menu(FCC("Send"));       // the hint is not shown again
  NoteForm(&afterSecond);
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(afterCancel, FCC("Main"));
  EXPECT_EQ(afterSecond, FCC("kFil"));
  EXPECT_EQ(Alerts(FCC("tSnd")), 1u);
  EXPECT_NE(g_prefs.tipsShown & SEND_HINT_BIT, 0u);
  EXPECT_EQ(Saved("Al Baker.VCF"), NameCard("Baker", "Al"));
  EXPECT_EQ(Alerts(FCC("xVcf")), 0u);
}

TEST_F(MainExchangeTest, SendGoesOnAfterTheHintsOk) {
  WriteContacts(kPeople);
  g_prefs.tipsShown &= ~SEND_HINT_BIT;
  Then([] { g_main.selectedRow = 2; });  // Cole, Cy
  Menu(FCC("Send"));                     // "OK" (answer 0) goes on to the picker
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(Alerts(FCC("tSnd")), 1u);
  EXPECT_EQ(Saved("Cy Cole.VCF"), NameCard("Cole", "Cy"));
}

// ---------------------------------------------------------------------------
// "BCat": the list question's second button sends the whole list.

TEST_F(MainExchangeTest, TheListSentAfterTheHintHoldsTheCardsOfTheListOnly) {
  WriteContacts(kPeople);
  g_prefs.tipsShown &= ~SEND_HINT_BIT;
  g_prefs.currentCategory = 1;     // "Business": Adams and Cole
  g_log.answers[FCC("BLt?")] = 1;  // send
  g_log.answers[FCC("tSnd")] = 1;  // the hint's Cancel: nothing is sent
  FourCC afterCancel = 0;
  std::string offered;
  Menu(FCC("BCat"));
  NoteForm(&afterCancel);
  Menu(FCC("BCat"));  // no hint now: straight to the picker
  Then([&] { offered = Text(FCC("FNam")); });
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(afterCancel, FCC("Main"));
  EXPECT_EQ(Alerts(FCC("BLt?")), 2u);
  EXPECT_EQ(FirstArgOf(FCC("BLt?")), "2");  // the list's row count
  EXPECT_EQ(Alerts(FCC("tSnd")), 1u);
  EXPECT_EQ(offered, "Contacts.VCF");
  EXPECT_EQ(Saved("Contacts.VCF"), NameCard("Adams", "Bo") + NameCard("Cole", "Cy"));
  EXPECT_EQ(Alerts(FCC("xVcf")), 0u);
}

// ---------------------------------------------------------------------------
// The file picker says whether one card or several are saved.

TEST_F(MainExchangeTest, ThePickerIsTitledForOneCardOrSeveral) {
  WriteContacts(kPeople);
  g_prefs.currentCategory = 1;     // "Business": Adams and Cole, two cards
  g_log.answers[FCC("BLt?")] = 0;  // beam
  std::string one, several;
  Then([] { g_main.selectedRow = 0; });
  Menu(FCC("Beam"));
  NoteTitle(&one);
  Tap(FCC("CANC"));
  Menu(FCC("BCat"));
  NoteTitle(&several);
  Tap(FCC("CANC"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(one, "Save Card");
  EXPECT_EQ(several, "Save Cards");
  // Cancelled pickers write nothing and report nothing.
  EXPECT_FALSE(HostFileExists(DocumentsDir() + "/Bo Adams.VCF"));
  EXPECT_FALSE(HostFileExists(DocumentsDir() + "/Contacts.VCF"));
  EXPECT_EQ(Alerts(FCC("xVcf")), 0u);
}

// ---------------------------------------------------------------------------
// Business cards: Clear empties its own card; Send finds the contact.

TEST_F(MainExchangeTest, EachClearButtonEmptiesItsOwnCard) {
  WriteContacts(kPeople);
  static const char* const kNames[4] = {"Bo Adams", "Al Baker", "Cy Cole", "Di Dunn"};
  auto fill = [] {
    for (int k = 0; k < 4; ++k) STR_Format(g_prefs.businessCards[k], 101, "%s", kNames[k]);
  };
  fill();
  std::vector<std::vector<std::string>> shown;  // the four labels after each Clear
  std::vector<std::vector<std::string>> kept;   // the four cards after each Clear
  Menu(FCC("BCrd"));
  for (FourCC clear : {FCC("Clr0"), FCC("Clr1"), FCC("Clr2"), FCC("Clr3")}) {
    Then(fill);  // all four set before each Clear
    Tap(clear);
    Then([&] {
      shown.push_back({Text(FCC("Nam0")), Text(FCC("Nam1")), Text(FCC("Nam2")), Text(FCC("Nam3"))});
      kept.push_back({g_prefs.businessCards[0], g_prefs.businessCards[1], g_prefs.businessCards[2],
                      g_prefs.businessCards[3]});
    });
  }
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  std::vector<std::vector<std::string>> wantShown, wantKept;
  for (int cleared = 0; cleared < 4; ++cleared) {
    wantShown.emplace_back(kNames, kNames + 4);
    wantShown.back()[cleared] = "(empty)";
    wantKept.emplace_back(kNames, kNames + 4);
    wantKept.back()[cleared] = "";
  }
  EXPECT_EQ(shown, wantShown);
  EXPECT_EQ(kept, wantKept);
  EXPECT_EQ(Alerts(FCC("Bc0!")), 0u);
}

TEST_F(MainExchangeTest, SendingABusinessCardSavesTheMatchedContactsCard) {
  // Two contacts called Di: the card's name picks the one it begins.
  WriteContacts({{"Adams", "Di", 1}, {"Baker", "Al", 2}, {"Dunn", "Di", 0}});
  g_prefs.tipsShown &= ~SEND_HINT_BIT;
  STR_Format(g_prefs.businessCards[2], 101, "%s", "Di Du");
  std::string offered;
  Then([] { g_main.selectedRow = 1; });  // the selection plays no part
  Menu(FCC("SCrd"));
  Tap(FCC("Sen2"));
  Then([&] { offered = Text(FCC("FNam")); });
  Tap(FCC("OKAY"));  // the file picker
  Tap(FCC("OKAY"));  // the cards dialog
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(Alerts(FCC("tSnd")), 1u);  // sending explains itself first
  EXPECT_EQ(offered, "Di Dunn.VCF");
  EXPECT_EQ(Saved("Di Dunn.VCF"), NameCard("Dunn", "Di"));
  EXPECT_FALSE(HostFileExists(DocumentsDir() + "/Di Adams.VCF"));
  EXPECT_EQ(std::string(g_prefs.businessCards[2]), "Di Du");  // a found card is kept
  EXPECT_EQ(Alerts(FCC("Bc0!")) + Alerts(FCC("Bc1!")) + Alerts(FCC("xVcf")), 0u);
}

// ---------------------------------------------------------------------------
// With verbose debug output the last card built is also left in the data
// folder as "Brantel Beam Data.VCF"; otherwise no copy is made.

TEST_F(MainExchangeTest, VerboseDebugKeepsACopyOfTheLastCard) {
  WriteContacts(kPeople);
  const std::string copy = DataDir() + "/Brantel Beam Data.VCF";
  DBG_SetLevel(DBG_LEVEL_VERBOSE - 1);
  Then([] { g_main.selectedRow = 0; });  // Adams, Bo
  Menu(FCC("Beam"));
  Tap(FCC("OKAY"));
  Then([&] { EXPECT_FALSE(HostFileExists(copy)); });
  Then([] {
    DBG_SetLevel(DBG_LEVEL_VERBOSE);
    g_main.selectedRow = 3;  // Dunn, Di
  });
  Menu(FCC("Beam"));
  Tap(FCC("OKAY"));
  EXPECT_EQ(Run(), GUI_RESULT_STOP);
  EXPECT_EQ(ReadDocument(copy), NameCard("Dunn", "Di"));
  EXPECT_EQ(Saved("Di Dunn.VCF"), NameCard("Dunn", "Di"));
}

}  // namespace
