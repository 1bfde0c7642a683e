// The contact database, record side: fetching and releasing contacts, the
// record attributes and category masks, creating, duplicating and deleting
// contacts, the database fingerprint and what the stop remembers of the
// contact file. Owns no state beyond the preferences it updates
// (`recordCountSeen`, `fileDate`, `databaseFingerprint`).
#include "dbase.h"
#include "prefs.h"

namespace {

// A copy of record `index` in a MEM block (null for an empty record).
Err copyRecord(FileRef f, uint16_t index, uint8_t** out, uint32_t* size) {
  *out = nullptr;
  *size = DB_RecordSize(f, index);
  if (*size == 0) return 0;
  Err err = 0;
  *out = static_cast<uint8_t*>(MEM_Alloc(*size, false, &err));
  if (!*out) return err ? err : ERR_MEM_FULL;
  err = DB_ReadRecordBytes(f, index, 0, *size, *out);
  if (err != 0) {
    MEM_Free(*out);
    *out = nullptr;
  }
  return err;
}

// The phone labels of the preferences on the new record at index 0, from
// the last slot to the first; a slot of -1 keeps the template's label.
Err applyDefaultLabels(ContactDb* db) {
  ContactRec rec;
  if (ContactFetch(&rec, db, 0) != 0) return ERR_READ;
  Err err = 0;
  int32_t phones = ContactGetInfo(&rec, ContactInfo::PhoneCount, 0);
  if (phones > 10) phones = 10;
  for (int32_t i = phones - 1; i >= 0 && err == 0; i--) {
    int16_t label = g_prefs.defaultPhoneLabels[i];
    if (label >= 0) err = ContactSetInfo(&rec, ContactInfo::PhoneLabel, int16_t(i), label);
  }
  ContactRelease(&rec);
  return err;
}

}  // namespace

Err ContactFetch(ContactRec* out, ContactDb* db, uint16_t index) {
  if (!out) return -1;
  *out = ContactRec{};
  if (!db || index >= DB_NumRecords(db->file)) return -1;
  RecordRef ref = nullptr;
  uint8_t* bytes = static_cast<uint8_t*>(DB_GetRecord(&ref, db->file, index, 0, 0));
  if (!bytes) return -1;
  out->file = db->file;
  out->record = ref;
  out->bytes = bytes;
  out->index = index;
  out->size = DB_RecordLength(ref);
  out->db = db;
  return 0;
}

void ContactRelease(ContactRec* rec) {
  if (!rec) return;
  if (rec->record) (void)DB_ReleaseRecord(&rec->record);
  *rec = ContactRec{};
}

uint16_t ContactCategoryMask(uint8_t category) {
  if (category == 0 || category > 15) return 0;
  return uint16_t(1u << (category - 1));
}

uint8_t ContactCategoryFromMask(uint16_t mask) {
  for (int bit = 14; bit >= 0; bit--)
    if (mask & (1u << bit)) return uint8_t(bit + 1);
  return 0;
}

Err ContactGetAttributes(ContactDb* db, uint16_t index, uint16_t* categoryMask,
                         uint8_t* attributes) {
  if (!db || index >= DB_NumRecords(db->file)) return ERR_FILE_PARAM;
  uint8_t attr = 0, category = 0;
  Err err = DB_RecordInfo(db->file, index, &attr, &category);
  if (err != 0) return err;
  if (categoryMask) *categoryMask = ContactCategoryMask(category);
  if (attributes) *attributes = attr;
  return 0;
}

Err ContactSetAttributes(ContactDb* db, uint16_t index, uint16_t categoryMask, uint8_t attributes) {
  if (!db || index >= DB_NumRecords(db->file)) return ERR_FILE_PARAM;
  uint8_t category = ContactCategoryFromMask(categoryMask);
  return DB_SetRecordInfo(db->file, index, &attributes, &category);
}

Err ContactNew(ContactDb* db, uint16_t categoryMask) {
  if (!db) return ERR_FILE_PARAM;
  const uint8_t* bytes = db->isContacts ? PADD_RECORD_TEMPLATE : ADDR_RECORD_TEMPLATE;
  const uint32_t size = db->isContacts ? PADD_TEMPLATE_BYTES : ADDR_TEMPLATE_BYTES;
  FileRef f = db->file;
  Err err = DB_InsertRecords(f, 0, size, 1, nullptr);
  if (err != 0) return err;
  uint8_t category = ContactCategoryFromMask(categoryMask);
  err = DB_SetRecordInfo(f, 0, nullptr, &category);
  if (err == 0) err = DB_WriteRecordAt(f, 0, 0, bytes, size);
  if (err == 0) err = applyDefaultLabels(db);
  if (err != 0) {
    // A contact that could not be made whole is taken out again.
    (void)DB_DeleteRecords(f, 0, 1, nullptr);
    return err;
  }
  g_prefs.recordCountSeen = DB_NumRecords(f);
  return 0;
}

Err ContactDuplicate(ContactDb* db, uint16_t index) {
  if (!db || index >= DB_NumRecords(db->file)) return -1;
  FileRef f = db->file;
  uint8_t attributes = 0, category = 0;
  Err err = DB_RecordInfo(f, index, &attributes, &category);
  if (err != 0) return err;
  // The copy is read before the file changes shape.
  uint8_t* copy = nullptr;
  uint32_t size = 0;
  err = copyRecord(f, index, &copy, &size);
  if (err != 0) return err;
  const uint16_t at = uint16_t(index + 1);
  err = DB_InsertRecords(f, at, size, 1, nullptr);
  if (err == 0) {
    // A new record's attributes, with the category and the private bit of
    // the record copied.
    uint8_t attr = attributes & REC_ATTR_SECRET;
    err = DB_SetRecordInfo(f, at, &attr, &category);
    if (err == 0 && size > 0) err = DB_WriteRecordAt(f, at, 0, copy, size);
    if (err != 0) (void)DB_DeleteRecords(f, at, 1, nullptr);
  }
  MEM_Free(copy);
  if (err == 0) g_prefs.recordCountSeen = DB_NumRecords(f);
  return err;
}

int32_t ContactDelete(ContactDb* db, uint16_t index) {
  if (!db) return -1;
  const uint16_t count = DB_NumRecords(db->file);
  if (index >= count) return -1;
  uint8_t attributes = 0;
  if (DB_RecordInfo(db->file, index, &attributes, nullptr) != 0) return -1;
  uint8_t deleted = attributes | REC_ATTR_DELETED;
  if (DB_SetRecordInfo(db->file, index, &deleted, nullptr) != 0) return -1;
  uint16_t at = ContactReposition(db, index);
  if (at != count - 1) {
    // Not moved behind the others: a deleted record must not stay among the
    // live ones, so it stays live.
    (void)DB_SetRecordInfo(db->file, index, &attributes, nullptr);
    return -1;
  }
  return at;
}

uint32_t ContactFingerprint(ContactDb* db) {
  if (!db) return 0;
  uint16_t count = DB_NumRecords(db->file);
  if (count == 0) return 0;
  uint32_t id = 0;
  if (DB_RecordUniqueId(db->file, uint16_t(count / 2), &id) != 0) return 0;
  return id;
}

bool ContactCurrentFingerprint(uint32_t* out) {
  ContactDb* db = nullptr;
  if (ContactDbOpen(&db, false, true) != 0) return false;
  uint32_t id = ContactFingerprint(db);
  ContactDbClose(&db);
  if (out) *out = id;
  return true;
}

void ContactRememberFileDate() {
  PalmTime date = 0;
  if (g_prefs.trackFileDate && ContactFileDate(&date)) g_prefs.fileDate = date;
  uint32_t fingerprint = 0;
  if (ContactCurrentFingerprint(&fingerprint)) g_prefs.databaseFingerprint = fingerprint;
}
