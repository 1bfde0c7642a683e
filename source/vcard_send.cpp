// Sending contacts as vCards: the series producer (placeholder cards for
// deleted and masked private contacts), the ".VCF" file name, one card or a
// series handed to a delivery, the desktop's delivery as a file written under
// a temporary name, and the debug copy of the last card.
// Owns no state beyond a series' current card.
#include <cstring>

#include "dbase.h"
#include "list.h"
#include "prefs.h"
#include "vcard.h"

namespace {

constexpr const char* SAVE_TEMP_SUFFIX = ".tmp";
constexpr uint32_t FILE_NAME_MAX = FIL_LIST_NAME_MAX;  // longer names are not listed

// The card of record `index` into a new MEM block: the placeholder for a
// deleted contact or a private one while private contacts are masked
// (and not unlocked by the password) or hidden, else the full card.
Err buildCard(ContactDb* db, uint16_t index, char** out, uint32_t* length) {
  uint8_t attributes = 0;
  Err err = ContactGetAttributes(db, index, nullptr, &attributes);
  if (err != 0) return err;
  bool masked =
      (attributes & REC_ATTR_SECRET) &&
      (g_prefs.securityLevel >= 2 || (g_prefs.securityLevel == 1 && !ListPrivateUnlocked()));
  if ((attributes & REC_ATTR_DELETED) || masked) {
    uint32_t n = uint32_t(strlen(VCARD_PLACEHOLDER));
    char* text = static_cast<char*>(MEM_Alloc(n + 1, false, &err));
    if (!text) return ERR_MEM_FULL;
    memcpy(text, VCARD_PLACEHOLDER, n + 1);
    *out = text;
    *length = n;
    return 0;
  }
  ContactRec rec{};
  err = ContactFetch(&rec, db, index);
  if (err != 0) return err;
  err = VCardBuild(&rec, out, length);
  ContactRelease(&rec);
  return err == -1 ? ERR_MEM_FULL : err;
}

// Host file names: control bytes and the characters no host folder takes
// become "_", and the name is cut so that the extension always fits.
void repairName(char* name, uint32_t size, const char* base, const char* extension) {
  uint32_t room = size - 1 < FILE_NAME_MAX ? size - 1 : FILE_NAME_MAX;
  uint32_t extLength = uint32_t(strlen(extension));
  uint32_t n = uint32_t(strlen(base));
  if (n + extLength > room) n = room > extLength ? room - extLength : 0;
  memcpy(name, base, n);
  memcpy(name + n, extension, extLength + 1 > size - n ? size - n - 1 : extLength);
  name[n + extLength < size ? n + extLength : size - 1] = 0;
  for (char* c = name; *c; c++)
    if (uint8_t(*c) < 0x20 || *c == 0x7F) *c = '_';
  (void)FIL_NameValid(VOL_DOCUMENTS, name, true);
}

}  // namespace

void VCardFileName(const ContactRec* rec, const char* seriesName, char* out, uint32_t size) {
  if (!out || size < 6) return;
  char* name = rec ? ContactColumnText(rec, 5, 0, nullptr, nullptr, 0, 0, 0) : nullptr;
  const char* base =
      rec ? (name && *name ? name : "?") : (seriesName && *seriesName ? seriesName : "?");
  repairName(out, size, base, ".VCF");
  MEM_Free(name);
}

void VCardSeriesStart(VCardSeries* s, ContactDb* db, const int32_t* indexes, uint32_t first,
                      uint32_t count) {
  *s = VCardSeries{db, indexes, first, first + count, nullptr, 0};
}

uint32_t VCardNextCard(VCardSeries* s, const char** out) {
  if (out) *out = nullptr;
  MEM_Free(s->card);
  s->card = nullptr;
  if (s->next >= s->end || s->error != 0) return 0;
  int32_t index = s->indexes ? s->indexes[s->next] : int32_t(s->next);
  s->next++;
  if (index < 0 || index >= int32_t(DB_NumRecords(s->db->file))) {
    s->error = ERR_FILE_PARAM;
    return 0;
  }
  uint32_t length = 0;
  Err err = buildCard(s->db, uint16_t(index), &s->card, &length);
  if (err != 0) {
    s->error = err;
    return 0;
  }
  VCardDebugCopy(s->card, length);
  if (out) *out = s->card;
  return length;
}

void VCardSeriesEnd(VCardSeries* s) {
  MEM_Free(s->card);
  s->card = nullptr;
  s->next = s->end;
}

Err VCardSendContacts(ContactDb* db, const int32_t* indexes, uint32_t first, uint32_t count,
                      const char* seriesName, bool send, VCardDeliverFn deliver, void* user) {
  if (!db || count == 0 || !deliver) return ERR_FILE_PARAM;
  char fileName[FILE_NAME_MAX + 1];
  if (count == 1) {
    int32_t index = indexes ? indexes[first] : int32_t(first);
    if (index < 0 || index >= int32_t(DB_NumRecords(db->file))) return ERR_FILE_PARAM;
    ContactRec rec{};
    Err err = ContactFetch(&rec, db, uint16_t(index));
    if (err != 0) return err;
    VCardFileName(&rec, nullptr, fileName, sizeof fileName);
    ContactRelease(&rec);
  } else {
    VCardFileName(nullptr, seriesName, fileName, sizeof fileName);
  }
  VCardSeries series;
  VCardSeriesStart(&series, db, indexes, first, count);
  Err err = deliver(user, send ? VCARD_SEND : VCARD_BEAM, fileName, &series);
  if (err == 0) err = series.error;
  VCardSeriesEnd(&series);
  return err;
}

Err VCardSaveSeries(VCardSeries* series, int16_t volume, const char* dir, const char* name) {
  if (!series || !name || !*name) return ERR_FILE_PARAM;
  char temp[FIL_LIST_NAME_MAX + 8];
  STR_Format(temp, sizeof temp, "%s%s", name, SAVE_TEMP_SUFFIX);
  FileRef f = nullptr;
  Err err = FIL_Open(&f, volume, dir, temp, FIL_MODE_WRITE);
  if (err != 0) return err;
  err = FIL_Truncate(f, 0);
  const char* card = nullptr;
  uint32_t length = 0;
  while (err == 0 && (length = VCardNextCard(series, &card)) > 0)
    if (FIL_Write(f, card, length) != length) err = ERR_DISK_FULL;
  if (err == 0) err = series->error;
  if (err == 0) err = FIL_Flush(f);
  FIL_Close(&f);
  // The rename replaces an older file in one step.
  if (err == 0) err = FIL_Rename(volume, dir, temp, dir, name);
  if (err != 0) (void)FIL_Delete(volume, dir, temp);
  return err;
}

void VCardDebugCopy(const char* card, uint32_t length) {
  if (DBG_Level() < DBG_LEVEL_VERBOSE || !card) return;
  // A plain text file: no database header, whatever the volume's habits.
  (void)FIL_Delete(VOL_DOCUMENTS, "!", VCARD_DEBUG_FILE);
  FileRef f = nullptr;
  if (FIL_Open(&f, VOL_DOCUMENTS, "!", VCARD_DEBUG_FILE, FIL_MODE_WRITE) != 0) return;
  (void)FIL_Write(f, card, length);
  FIL_Close(&f);
}
