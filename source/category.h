// The contact database's categories: the standard category block at the
// start of its application-info block (a 16-bit renamed mask, sixteen
// 16-byte names, sixteen unique ids, the last unique id), read and written
// in place, edited in memory, and the names the screens show ("Unfiled"
// for category 0). Owns no state: every call reads the file it is given.
//
// Invariants: (1) a block that is missing or shorter than the category part
// is refused, never read past or written; (2) only the category part's 275
// bytes are written, whatever follows them stays; (3) category 0 is
// "Unfiled" and is neither renamed nor deleted; (4) a used slot has a
// non-empty name and a unique id no other used slot has.
#pragma once

#include "dbase.h"

inline constexpr int CATEGORY_COUNT = 16;
inline constexpr uint32_t CATEGORY_NAME_BYTES = 16;  // 15 characters and a zero byte
inline constexpr uint32_t CATEGORY_NAME_MAX = CATEGORY_NAME_BYTES - 1;
// The renamed mask, the names, the ids and the last id.
inline constexpr uint32_t CATEGORY_BLOCK_BYTES = 2 + 16 * 16 + 16 + 1;
// The highest unique id this program hands out (ids 1 … 127 are the
// handheld's own range; ids wrap back to 1).
inline constexpr uint8_t CATEGORY_ID_MAX = 127;
inline constexpr const char* CATEGORY_UNFILED = "Unfiled";

// Errors of the editing calls.
inline constexpr Err CATEGORY_ERR_NAME = Err(-1);   // empty name, or a name already used
inline constexpr Err CATEGORY_ERR_FULL = Err(-2);   // no unused slot left
inline constexpr Err CATEGORY_ERR_FIXED = Err(-3);  // category 0 or an unused slot
inline constexpr Err CATEGORY_ERR_INDEX = Err(-4);  // index outside 0 … 15

struct CategoryBlock {
  uint16_t renamed;                                 // bit i: slot i renamed since the last sync
  char names[CATEGORY_COUNT][CATEGORY_NAME_BYTES];  // each ends in a zero byte
  uint8_t ids[CATEGORY_COUNT];
  uint8_t lastId;
};

// Reads the category part of the open database's application-info block.
// Returns 0; ERR_NOT_DATABASE when the file fails DB_Validate, has no
// application-info block, or the block is shorter than
// CATEGORY_BLOCK_BYTES; ERR_READ when the read is short. Names are always
// ended by a zero byte. `out` is cleared on failure; null gives
// ERR_FILE_PARAM.
[[nodiscard]] Err CategoryRead(FileRef f, CategoryBlock* out);
// Writes the block in place (the 275 bytes only) and marks the database's
// application info changed (DB_ATTR_APPINFO_DIRTY). The same refusals as
// CategoryRead, checked before anything is written; ERR_WRITE when the
// write is short.
[[nodiscard]] Err CategoryWrite(FileRef f, const CategoryBlock* block);

// The name of slot `index` into `out` (`size` bytes with the zero): the
// stored name, "Unfiled" for an empty slot 0, "" for an unused slot.
void CategoryGetName(const CategoryBlock* block, int index, char* out, uint32_t size);
// True when slot `index` holds a category (slot 0 always does).
bool CategoryUsed(const CategoryBlock* block, int index);
// The used slot named `name` (case-insensitive), or -1.
int CategoryFind(const CategoryBlock* block, const char* name);

// Renames slot `index` (1 … 15, used) to `name` (cut to 15 characters) and
// sets its renamed bit. CATEGORY_ERR_FIXED for slot 0 or an unused slot,
// CATEGORY_ERR_NAME for an empty name or one another slot has.
Err CategoryRename(CategoryBlock* block, int index, const char* name);
// Puts a new category `name` into the first unused slot with a fresh unique
// id (the next after `lastId` that no slot uses, which becomes `lastId`).
// Returns the slot, or CATEGORY_ERR_NAME / CATEGORY_ERR_FULL.
int CategoryAdd(CategoryBlock* block, const char* name);
// Empties slot `index` (1 … 15, used): name and id cleared, renamed bit set.
// The contacts are moved separately (CategoryMoveContacts).
Err CategoryDelete(CategoryBlock* block, int index);

// Gives every record of category `from` (1 … 15) category 0, keeping its
// other attributes and marking it changed. Returns the number moved, or a
// negative Err from the contact store.
int32_t CategoryMoveContacts(ContactDb* db, int from);

// Reads the contact database of the data folder (quietly, for reading) into
// `out`. False when it cannot be opened or its block is refused (`out` is
// then cleared).
bool CategoryLoad(CategoryBlock* out);
// The name the screens show for `category` (0 … 15): CategoryGetName of the
// data folder's database; "Unfiled" for 0 when the database cannot be read.
void CategoryNameOf(int16_t category, char* out, uint32_t size);
