// Memo export: adds text to the handheld's memo database, starting a new memo
// or appending to the latest memo with the same title, so that exported
// contacts can be read in the handheld's memo application. The memo
// database is looked up in the data folder ("!" of volume 0): the newer
// "MemosDB-PMem" when it exists, else "MemoDB". Owns no state.
#pragma once

#include <cstdarg>

#include "kova_errors.h"
#include "kova_file.h"
#include "kova_types.h"

inline constexpr const char* MEMO_NEW_DB_FILE = "MemosDB-PMem.PDB";
inline constexpr const char* MEMO_OLD_DB_FILE = "MemoDB.PDB";
// A memo grows by appending only while it stays within this many bytes.
inline constexpr uint32_t MEMO_MAX_BYTES = 3999;
// Flag: always start a new memo.
inline constexpr uint32_t MEMO_FLAG_NEW = 0x1;

// Adds `text` under `title` (null: no title, always a new memo). A new memo
// is the title, a line feed, the text and a zero byte (without a title the
// text and a zero byte), inserted behind the last record that is not marked
// deleted. Otherwise the latest memo, searched from the last record, that is
// neither deleted nor private and begins with the title gets the text
// appended, while its size stays within MEMO_MAX_BYTES. When `formatSize` is
// not 0, `text` is a format (kova_fmt.h) formatted with the arguments into a
// buffer of formatSize + 1 bytes first. Returns 0; ERR_SERVICE when the
// buffer cannot be had or neither memo database exists or opens for writing;
// the database layer's error when the record cannot be grown or inserted
// (the text is then not written, and the database is as it was).
Err MEMO_Add(const char* title, uint32_t formatSize, uint32_t flags, const char* text, ...);
Err MEMO_VAdd(const char* title, uint32_t formatSize, uint32_t flags, const char* text,
              va_list args);
// The same on an open memo database `f` (opened for writing), with the text
// as it stands; the caller flushes and closes it. ERR_NOT_DATABASE when `f`
// is not a record database.
Err MEMO_AddToFile(FileRef f, const char* title, uint32_t flags, const char* text);
