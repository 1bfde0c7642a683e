// Where the address book comes from and where it goes. The contact database
// always lives in the data folder; "Open from..." copies the one of a
// desktop user's backup folder or of the connected device into it (the book
// there is kept as "<name>.bak") and rebuilds the sort table; "Send to
// Handheld..." copies it into a desktop user's install folder and queues the
// install for the next HotSync, or copies it onto the device. Every copy
// goes to a temporary name first and replaces its destination only when it
// is complete. Owns no state.
#include <cstring>
#include <string>
#include <vector>

#include "main_handler.h"
#include "sort.h"

namespace {

constexpr FourCC TAG_SOURCES = FCC("SLst");
constexpr const char* PART_SUFFIX = ".part";
constexpr const char* BACKUP_SUFFIX = ".bak";

// One place a book can come from or go to.
struct Place {
  char label[96];
  bool device;
  int16_t user;               // index in the desktop user list
  char dir[FIL_PATH_BYTES];   // host folder (desktop) or device folder
  char file[FIL_NAME_BYTES];  // the book's file name there (opening only)
};

// The data folder's book: the newer layout wins, as when opening it.
const char* localBook(int16_t volume, const char* dir) {
  if (FIL_Exists(volume, dir, CONTACTS_FILE)) return CONTACTS_FILE;
  if (FIL_Exists(volume, dir, ADDRESS_FILE)) return ADDRESS_FILE;
  return nullptr;
}

// Copies a file between (volume, dir) pairs through a temporary name.
Err copyFile(int16_t fromVolume, const char* fromDir, const char* fromName, int16_t toVolume,
             const char* toDir, const char* toName) {
  char part[FIL_LIST_NAME_MAX + 8];
  STR_Format(part, int(sizeof part), "%s%s", toName, PART_SUFFIX);
  FileRef src = nullptr, dst = nullptr;
  Err err = FIL_Open(&src, fromVolume, fromDir, fromName, FIL_MODE_READ);
  if (err != 0) return err;
  int32_t size = FIL_Size(src);
  err = size < 0 ? ERR_READ : FIL_Open(&dst, toVolume, toDir, part, FIL_MODE_WRITE);
  if (err == 0) err = FIL_Truncate(dst, 0);
  if (err == 0 && size > 0)
    err = FIL_Move(src, dst, 0, 0, uint32_t(size), nullptr, 1 << 16, nullptr);
  if (err == 0) err = FIL_Flush(dst);
  if (err == 0 && FIL_Size(dst) != size) err = ERR_WRITE;
  FIL_Close(&src);
  FIL_Close(&dst);
  if (err == 0) err = FIL_Rename(toVolume, toDir, part, toDir, toName);
  if (err != 0) (void)FIL_Delete(toVolume, toDir, part);
  return err;
}

void deviceFile(const Place& p, const char* name, char* out, int size) {
  STR_Format(out, size, "%s\\%s", p.dir, name);
}

// The device keeps this program's books in its data folder, which a first
// send has to make: each element of the device path below the device's
// host folder.
void makeDeviceFolder(const char* devicePath) {
  char host[FIL_PATH_BYTES];
  if (DEV_HostFolder(host, sizeof host) != 0) return;
  std::string parent = host, element;
  for (const char* c = devicePath;; c++) {
    if (*c == '\\' || *c == 0) {
      if (!element.empty() && element != "." && element != "..") {
        (void)DIR_Create(VOL_COMPUTER, parent.c_str(), element.c_str());
        parent += "/" + element;
      }
      element.clear();
      if (*c == 0) break;
    } else {
      element += *c;
    }
  }
}

// The places to list: when opening, the desktop users and the device that
// hold a book; when sending, the desktop users whose install can be queued
// (users.dat gave their number) and the device.
std::vector<Place> findPlaces(DeskUserList* users, bool opening) {
  std::vector<Place> places;
  int32_t count = 0;
  (void)DESK_UserQuery(users, 0, DESK_QUERY_COUNT, &count, nullptr);
  for (int16_t i = 0; i < count; i++) {
    if (!opening && !users->users[i].hasNumber) continue;
    Place p{};
    p.user = i;
    const char* name = "";
    const char* folder = "";
    (void)DESK_UserQuery(users, i, DESK_QUERY_NAME, nullptr, &name);
    (void)DESK_UserQuery(users, i, opening ? DESK_QUERY_BACKUP : DESK_QUERY_INSTALL, nullptr,
                         &folder);
    STR_Format(p.dir, int(sizeof p.dir), "%s", folder);
    const char* book = opening ? localBook(VOL_COMPUTER, p.dir) : "";
    if (!book) continue;
    STR_Format(p.file, int(sizeof p.file), "%s", book);
    STR_Format(p.label, int(sizeof p.label), "%s (desktop user)",
               name[0] ? name : users->users[i].folder);
    places.push_back(p);
  }
  Place d{};
  if (DEV_Present() == 0 && DEV_DataFolder(d.dir, sizeof d.dir) == 0) {
    d.device = true;
    d.user = -1;
    // Opening takes the book the device holds, the newer layout first; a
    // device without one is not offered.
    for (const char* name : {CONTACTS_FILE, ADDRESS_FILE}) {
      if (!opening || d.file[0]) break;
      char path[FIL_PATH_BYTES];
      deviceFile(d, name, path, sizeof path);
      if (DEV_Exists(path)) STR_Format(d.file, int(sizeof d.file), "%s", name);
    }
    char identity[64] = "";
    if (DEV_Identity(identity, sizeof identity) != 0 || !identity[0])
      STR_Format(identity, int(sizeof identity), "%s", "Handheld");
    STR_Format(d.label, int(sizeof d.label), "%s (device)", identity);
    if (!opening || d.file[0]) places.push_back(d);
  }
  return places;
}

// Lets the user pick a place; -1 for Cancel.
int pickPlace(FourCC formName, const std::vector<Place>& places) {
  GuiForm* form = nullptr;
  if (GUI_FormOpen(&form, formName, 0, RES_TYPE_FORM, nullptr) != 0 || !form) return -1;
  std::vector<const char*> labels;
  for (const Place& p : places) labels.push_back(p.label);
  (void)GUI_ListSetItems(form, TAG_SOURCES, labels.data(), int16_t(labels.size()));
  int32_t chosen = 0;
  const DialogWord bindings[] = {DLG_VALUE32, TAG_SOURCES, DialogWord(&chosen), DLG_END};
  uint32_t result = GUI_DialogPopup(form, bindings);
  GUI_FormClose(form);
  if (result != FCC("OKAY") || chosen < 0 || size_t(chosen) >= places.size()) return -1;
  return int(chosen);
}

// The copy into the data folder under a temporary name, from the desktop
// or the device. Only the listed book is fetched: a device read failing
// halfway is reported, never answered with the device's other book.
Err fetchBook(const Place& p, int16_t volume, const char* dir, const char* temp) {
  if (!p.device) return copyFile(VOL_COMPUTER, p.dir, p.file, volume, dir, temp);
  char path[FIL_PATH_BYTES];
  deviceFile(p, p.file, path, sizeof path);
  return DEV_CopyFrom(path, volume, dir, temp, false);
}

// Puts the fetched book in place: each book of the data folder is first
// copied byte for byte to "<name>.bak" (a rename would change the name the
// handheld reads inside the file), then the temporary file replaces the
// book of its name in one rename, and a book of the other layout, which
// would shadow or be shadowed by it, goes (its copy stays).
Err swapIn(int16_t volume, const char* dir, const char* temp, const char* file) {
  SortClose();
  static constexpr const char* kBooks[2] = {CONTACTS_FILE, ADDRESS_FILE};
  Err err = 0;
  for (int i = 0; err == 0 && i < 2; i++) {
    if (!FIL_Exists(volume, dir, kBooks[i])) continue;
    char backup[FIL_LIST_NAME_MAX + 8];
    STR_Format(backup, int(sizeof backup), "%s%s", kBooks[i], BACKUP_SUFFIX);
    err = copyFile(volume, dir, kBooks[i], volume, dir, backup);
  }
  if (err == 0) err = FIL_Rename(volume, dir, temp, dir, file);
  if (err != 0) {
    (void)FIL_Delete(volume, dir, temp);
    return err;
  }
  for (const char* book : kBooks)
    if (strcmp(book, file) != 0 && FIL_Exists(volume, dir, book))
      (void)FIL_Delete(volume, dir, book);
  return 0;
}

void showFailure(Err err) {
  const char* args[2] = {MainErrorText(err), nullptr};
  (void)MainAlert(FCC("oErr"), args);
}

}  // namespace

void MainOpenFrom(GuiForm* form) {
  DeskUserList* users = nullptr;
  (void)DESK_Discover(&users);
  std::vector<Place> places = findPlaces(users, true);
  int chosen = places.empty() ? -1 : pickPlace(FCC("OpnF"), places);
  if (places.empty()) (void)MainAlert(FCC("oNon"), nullptr);
  int16_t volume = 0;
  const char* dir = nullptr;
  ContactDataFolder(&volume, &dir);
  const char* args[2] = {chosen >= 0 ? places[size_t(chosen)].label : "", nullptr};
  // Replacing a book asks first; an empty data folder has nothing to lose.
  if (chosen >= 0 && (!localBook(volume, dir) || MainAlert(FCC("oRep"), args) == 0)) {
    const Place& p = places[size_t(chosen)];
    const char* temp = "Brantel Import.part";
    Err err = fetchBook(p, volume, dir, temp);
    if (err == 0) err = swapIn(volume, dir, temp, p.file);
    if (err != 0) {
      (void)FIL_Delete(volume, dir, temp);
      showFailure(err);
    } else {
      ContactStoreReset();
      (void)MainRebuildSortTable(SORT_REBUILD);
      g_main.selectedRow = 0;
      MainFillCategories(form);
      MainUpdateSortButtons(form);
    }
  }
  DESK_FreeUsers(&users);
  MainListDraw(form, LIST_DRAW_REBUILD);
}

void MainSendToHandheld(GuiForm* form) {
  int16_t volume = 0;
  const char* dir = nullptr;
  ContactDataFolder(&volume, &dir);
  const char* book = localBook(volume, dir);
  DeskUserList* users = nullptr;
  (void)DESK_Discover(&users);
  std::vector<Place> places = book ? findPlaces(users, false) : std::vector<Place>();
  int chosen = places.empty() ? -1 : pickPlace(FCC("SndH"), places);
  if (!book)
    (void)MainAlert(FCC("oNoB"), nullptr);
  else if (places.empty())
    (void)MainAlert(FCC("oNoS"), nullptr);
  if (chosen >= 0) {
    const Place& p = places[size_t(chosen)];
    Err err = 0;
    if (p.device) {
      makeDeviceFolder(p.dir);
      char path[FIL_PATH_BYTES];
      deviceFile(p, book, path, sizeof path);
      err = DEV_CopyTo(path, volume, dir, book, false);
    } else {
      err = copyFile(volume, dir, book, VOL_COMPUTER, p.dir, book);
      // A book the desktop was not told about would sit in the install
      // folder and be installed by surprise later.
      if (err == 0 && (err = DESK_QueueInstall(users, p.user)) != 0)
        (void)FIL_Delete(VOL_COMPUTER, p.dir, book);
    }
    const char* args[2] = {p.label, nullptr};
    if (err != 0)
      showFailure(err);
    else
      (void)MainAlert(FCC("oSnt"), args);
  }
  DESK_FreeUsers(&users);
  MainListDraw(form, 0);
}
