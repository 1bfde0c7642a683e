// The contact database: opening one of the two address-book files of the
// data folder, record-level access (fetch, attributes, create, duplicate,
// delete), keeping the file in the database order the handheld's own
// address app expects, detecting that order, and the repair engine.
// Owns `detectedOrder`, the once-per-run flags (offer to create, file-date
// check) and the alert hook.
//
// Invariants: (1) every change that may move a record out of order is
// followed by ContactReposition; (2) live records stand before every
// deleted record, and repositioning never moves a live record behind them;
// (3) repair only marks records deleted, it never removes one from the file.
#pragma once

#include "parse.h"

inline constexpr const char* CONTACTS_FILE = "ContactsDB-PAdd.PDB";
inline constexpr const char* ADDRESS_FILE = "AddressDB.PDB";

// Empty records of the two layouts (header and one zero byte).
inline constexpr uint32_t ADDR_TEMPLATE_BYTES = 10;
inline constexpr uint32_t PADD_TEMPLATE_BYTES = 18;
extern const uint8_t ADDR_RECORD_TEMPLATE[10];
extern const uint8_t PADD_RECORD_TEMPLATE[18];

// The database order found by ContactDetectOrder; -1 until detected.
extern int16_t detectedOrder;
// Set when the contact file's date changed since the last run: the sort
// table rebuilds itself in full and clears it.
extern bool g_contactFileChanged;

// Resets the run state (detectedOrder, the offer to create, the file-date
// check). Called at start.
void ContactStoreReset();

// Where the contact files live: volume and directory (default volume 0,
// the data folder "!").
void ContactSetDataFolder(int16_t volume, const char* dir);
void ContactDataFolder(int16_t* volume, const char** dir);

// Shows alert `name` with up to eight texts and returns the number of the
// button chosen (0 = first). Until the form manager draws alerts, the
// default answers 0 and writes the alert to the "repo" channel; tests and
// the screens install their own.
using ContactAlertFn = int16_t (*)(FourCC name, const char* const* args, int16_t argCount);
void ContactSetAlertHandler(ContactAlertFn fn);  // null restores the default
int16_t ContactAlert(FourCC name, const char* const* args, int16_t argCount);

// ---------------------------------------------------------------------------
// Opening.

// Opens the contact database of the data folder: "ContactsDB-PAdd.PDB" when
// it exists, else "AddressDB.PDB". Writable asks for read-write; a file
// that can only be read is opened read-only and marked so. A missing file
// offers (once per run, unless `quiet`) the alert "dORd" whose "Create"
// writes the empty database; a file that exists but cannot be opened gets
// the alert "dOpn" (once per run, unless `quiet`) and is never replaced.
// Returns 0 with *out set (close it with ContactDbClose), or the open error.
[[nodiscard]] Err ContactDbOpen(ContactDb** out, bool writable, bool quiet);
// Wraps an open database file (the tool's files, tests): the layout is told
// by the header (name "ContactsDB-PAdd" or creator "PAdd" gives the new
// layout, name "AddressDB" or creator "addr" the classic one). The handle
// owns `file` from then on (ContactDbClose closes it). Returns 0,
// ERR_NOT_DATABASE when the header names neither layout, ERR_MEM_FULL; on
// failure the caller keeps `file`.
[[nodiscard]] Err ContactDbAttach(ContactDb** out, FileRef file, bool readOnly);
// Closes the file and frees the handle; sets *db to null; null is ignored.
void ContactDbClose(ContactDb** db);
uint16_t ContactDbCount(const ContactDb* db);

// ---------------------------------------------------------------------------
// Records.

// Fetches record `index` into *out. Returns 0, or -1 for an index at or
// past the count or a failed fetch (*out is then cleared).
[[nodiscard]] Err ContactFetch(ContactRec* out, ContactDb* db, uint16_t index);
// Releases the fetched record and clears *rec; a cleared record is ignored.
void ContactRelease(ContactRec* rec);

// Category as a mask (number c is bit c - 1; 0 = unfiled) and the record
// attributes (REC_ATTR_*). Outputs may be null.
[[nodiscard]] Err ContactGetAttributes(ContactDb* db, uint16_t index, uint16_t* categoryMask,
                                       uint8_t* attributes);
// Stores the highest set bit of bits 0-14 of `categoryMask` (plus one) as
// the category, and the attributes.
[[nodiscard]] Err ContactSetAttributes(ContactDb* db, uint16_t index, uint16_t categoryMask,
                                       uint8_t attributes);
uint16_t ContactCategoryMask(uint8_t category);
uint8_t ContactCategoryFromMask(uint16_t mask);

// Inserts an empty contact of the layout's template at index 0 with the
// category of `categoryMask`, applies `defaultPhoneLabels` and stores the
// record count in `recordCountSeen`. Returns 0 or the file error (the file
// as it was).
[[nodiscard]] Err ContactNew(ContactDb* db, uint16_t categoryMask);
// Inserts a copy of record `index` at index + 1 with its category and
// private bit. Returns 0, -1 for a bad index, or the file error.
[[nodiscard]] Err ContactDuplicate(ContactDb* db, uint16_t index);
// Marks record `index` deleted and moves it behind every other record.
// Returns the new index, or -1 on failure.
int32_t ContactDelete(ContactDb* db, uint16_t index);
// Puts record `index` (changed, created or deleted) into its place in the
// database order and returns its new index (the old one when it stays, or
// on failure). A live record is only compared with live records and never
// moves behind the trailing run of deleted records.
uint16_t ContactReposition(ContactDb* db, uint16_t index);
// The database order of the file: 0 last name, 1 first name, 2 company,
// found by counting out-of-order neighbours under each order (pairs with
// `skipIndex` are passed over; -1 skips none). Kept in detectedOrder.
int16_t ContactDetectOrder(ContactDb* db, int32_t skipIndex);
// The unique ID of the record at count / 2; 0 for an empty database.
uint32_t ContactFingerprint(ContactDb* db);
// At stop: stores the contact file's date in `fileDate` when
// `trackFileDate` is on, and `databaseFingerprint`.
void ContactRememberFileDate();
// The modification date of the contact file of the data folder (the one
// ContactDbOpen would open). False when there is none; `out` may be null.
bool ContactFileDate(PalmTime* out);
// ContactFingerprint of the contact database, opened quietly for reading
// and closed again. False when it cannot be opened; `out` may be null.
bool ContactCurrentFingerprint(uint32_t* out);

// ---------------------------------------------------------------------------
// Repair.

// What repair did.
struct RepairCounts {
  uint16_t sorted;     // records in the file
  uint16_t dupes;      // duplicates marked deleted
  uint16_t nulls;      // empty records marked deleted
  uint16_t shortened;  // stray bytes cut
  uint16_t extended;   // truncated records lengthened
};

// Progress of a repair: stage title (a string resource name: "$Scn",
// "$Srt", "$Dup"), done and total steps; returning false aborts (the scan
// stops, the sort and duplicate passes are skipped, deleted records are
// still sorted behind the live ones).
using RepairProgressFn = bool (*)(FourCC stage, uint32_t done, uint32_t total, uintptr_t arg);

// Measures a record the way repair does: the end of its header, strings and
// birthday block (a string without terminator counts one byte more).
uint32_t ContactMeasuredEnd(const ContactDb* db, const uint8_t* record, uint32_t size);
// True when bytes [from, size) of the record form a chain of whole blobs.
bool ContactBlobChainValid(const uint8_t* record, uint32_t from, uint32_t size);

// The repair engine on an open writable database with the chosen order
// (0, 1 or 2): scan and mend single records, sort, mark duplicates deleted,
// sort again when anything was marked. Sets db->sortMode and
// detectedOrder. `progress` may be null. Returns 0 (also after an abort) or
// the first file error; `out` (may be null) receives the counts.
[[nodiscard]] Err ContactRepairRun(ContactDb* db, int16_t order, RepairProgressFn progress,
                                   uintptr_t arg, RepairCounts* out);
