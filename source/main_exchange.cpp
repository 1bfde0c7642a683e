// Beaming and sending contacts from the list screens. The desktop has no
// infrared or messaging link, so both save the vCard text as a ".VCF" file
// the user picks ("Save Card" / "Save Cards"), in the documents folder by
// default; a failure is shown, never reported as sent. Also the business
// cards dialog ("BCrd" / "SCrd"). Owns no state.
#include <cstring>
#include <vector>

#include "main_handler.h"
#include "sort.h"
#include "vcard.h"

namespace {

bool isCardFile(void* user, const char* name, bool isFolder) {
  (void)user;
  size_t n = strlen(name);
  return isFolder || (n > 4 && strcasecmp(name + n - 4, ".vcf") == 0);
}

}  // namespace

const char* MainErrorText(Err err) {
  switch (err) {
    case ERR_DISK_FULL:
      return "The disk is full.";
    case ERR_OPEN_FAILED:
      return "The file cannot be opened: the folder may be read-only, or another program is "
             "using the file.";
    case ERR_READ:
      return "The file could not be read to its end: the device may have been disconnected.";
    case ERR_MEM_FULL:
      return "There is not enough memory.";
    default:
      return "The file could not be written.";
  }
}

namespace {

struct SaveJob {
  uint32_t count;
  char savedAs[FIL_LIST_NAME_MAX + 1];
};

// The desktop's delivery: pick the file, confirm a replacement, write it.
Err saveCards(void* user, FourCC type, const char* fileName, VCardSeries* series) {
  SaveJob* job = static_cast<SaveJob*>(user);
  FilePickRequest request{};
  request.title = job->count > 1 ? "Save Cards" : "Save Card";
  request.prompt = type == VCARD_SEND ? "Save the vCard file to send..." : "Save the vCard file...";
  request.defaultName = fileName;
  request.volume = VOL_DOCUMENTS;
  request.flags = FILEPICK_SAVE;
  request.filter = isCardFile;
  FilePickResult picked{};
  Err err = GUI_PickFile(&request, &picked);
  if (err != 0) return err;
  STR_Format(job->savedAs, sizeof job->savedAs, "%s", picked.name);
  if (FIL_Exists(picked.volume, picked.dir, picked.name)) {
    const char* args[2] = {picked.name, nullptr};
    if (MainAlert(FCC("xOvr"), args) != 0) return ERR_FORM_CANCELLED;
  }
  return VCardSaveSeries(series, picked.volume, picked.dir, picked.name);
}

void reportFailure(const SaveJob& job, Err err) {
  if (err == 0 || err == ERR_FORM_CANCELLED) return;
  const char* args[3] = {job.savedAs[0] ? job.savedAs : "?", MainErrorText(err), nullptr};
  (void)MainAlert(FCC("xVcf"), args);
}

}  // namespace

Err MainSendRecords(const int32_t* records, uint32_t count, const char* seriesName, bool send) {
  ContactDb* db = nullptr;
  SaveJob job{count, ""};
  Err err = ContactDbOpen(&db, false, true);
  if (err != 0) {
    reportFailure(job, err);
    return err;
  }
  err = VCardSendContacts(db, records, 0, count, seriesName, send, saveCards, &job);
  ContactDbClose(&db);
  reportFailure(job, err);
  return err;
}

Err MainSendList(bool send) {
  const uint16_t* entries = nullptr;
  uint16_t count = SortGetList(nullptr, &entries, MainSortMode(), g_prefs.currentCategory, 0);
  if (count == 0) return ERR_FILE_PARAM;
  std::vector<int32_t> records(entries, entries + count);
  return MainSendRecords(records.data(), count, "Contacts", send);
}

// ---------------------------------------------------------------------------
// Business cards: each card is the column-25 name of one of the user's
// contacts; beaming or sending finds the first contact whose name begins
// with it.

namespace {

constexpr int CARD_COUNT = 4;
constexpr uint32_t CARD_NAME_BYTES = sizeof g_prefs.businessCards[0];

FourCC cardTag(const char* stem, int card) {
  return FourCC((uint32_t(uint8_t(stem[0])) << 24) | (uint32_t(uint8_t(stem[1])) << 16) |
                (uint32_t(uint8_t(stem[2])) << 8) | uint32_t('0' + card));
}

void showCards(GuiForm* form) {
  for (int k = 0; k < CARD_COUNT; k++) {
    const char* name = g_prefs.businessCards[k];
    (void)GUI_SetText(form, cardTag("Nam", k), name[0] ? name : "(empty)");
  }
}

// The record whose column-25 name begins with `name`, or -1.
int32_t findCard(const char* name) {
  ContactDb* db = nullptr;
  if (ContactDbOpen(&db, false, true) != 0) return -1;
  int32_t found = -1;
  size_t length = strlen(name);
  for (uint16_t i = 0; found < 0 && i < DB_NumRecords(db->file); i++) {
    uint8_t attributes = 0;
    if (ContactGetAttributes(db, i, nullptr, &attributes) != 0 || (attributes & REC_ATTR_DELETED))
      continue;
    ContactRec rec{};
    if (ContactFetch(&rec, db, i) != 0) continue;
    char* text = ContactColumnText(&rec, 25, 0, nullptr, nullptr, 0, 0, 0);
    if (text && strncmp(text, name, length) == 0) found = i;
    MEM_Free(text);
    ContactRelease(&rec);
  }
  ContactDbClose(&db);
  return found;
}

void setCard(GuiForm* form, int card) {
  int32_t record = MainGuardedRecord(nullptr);
  if (record < 0) return;
  ContactDb* db = nullptr;
  if (ContactDbOpen(&db, false, true) != 0) return;
  ContactRec rec{};
  if (ContactFetch(&rec, db, uint16_t(record)) == 0) {
    char* text = ContactColumnText(&rec, 25, 0, nullptr, nullptr, 0, 0, 0);
    STR_Format(g_prefs.businessCards[card], int(CARD_NAME_BYTES), "%s", text ? text : "");
    MEM_Free(text);
    ContactRelease(&rec);
  }
  ContactDbClose(&db);
  showCards(form);
}

void sendCard(GuiForm* form, int card, bool send) {
  const char* name = g_prefs.businessCards[card];
  if (!name[0]) {
    (void)MainAlert(FCC("Bc0!"), nullptr);
    return;
  }
  int32_t record = findCard(name);
  if (record < 0) {
    (void)MainAlert(FCC("Bc1!"), nullptr);
    g_prefs.businessCards[card][0] = 0;
    showCards(form);
    return;
  }
  if (send && MainShowHint(FCC("tSnd")) == 1) return;
  (void)MainSendRecords(&record, 1, nullptr, send);
}

int16_t cardsHandler(FourCC, GuiForm* form, uintptr_t, uintptr_t, int16_t kind, uintptr_t a1,
                     uintptr_t, uintptr_t, uintptr_t, uintptr_t) {
  if (kind == FORM_EVT_OPEN) {
    showCards(form);
    return 0;
  }
  if (kind != FORM_EVT_CONTROL) return 0;
  FourCC tag = FourCC(a1);
  int card = int(tag & 0xFF) - '0';
  if (card < 0 || card >= CARD_COUNT) return 0;
  switch (tag & 0xFFFFFF00u) {
    case FCC("Set0") & 0xFFFFFF00u:
      setCard(form, card);
      return 1;
    case FCC("Clr0") & 0xFFFFFF00u:
      g_prefs.businessCards[card][0] = 0;
      showCards(form);
      return 1;
    case FCC("Bea0") & 0xFFFFFF00u:
      sendCard(form, card, false);
      return 1;
    case FCC("Sen0") & 0xFFFFFF00u:
      sendCard(form, card, true);
      return 1;
    default:
      return 0;
  }
}

}  // namespace

bool MainBusinessCards(FourCC command) {
  GuiForm* form = nullptr;
  if (GUI_FormOpen(&form, command, 0, RES_TYPE_FORM, nullptr) != 0 || !form) return false;
  const DialogWord bindings[] = {DLG_HANDLER, DialogWord(cardsHandler), DLG_END};
  (void)GUI_DialogPopup(form, bindings);
  GUI_FormClose(form);
  return true;
}
