// Memo export into the handheld's memo database: the append search from the
// last record, the size limit, and new memos inserted before the deleted
// records that the handheld keeps at the end until its next sync.
// Owns no state.
#include <cstring>

#include "kova.h"
#include "kova_memo.h"

namespace {

constexpr const char* MEMO_DIR = "!";

FileRef openMemoDb() {
  static constexpr const char* kNames[] = {MEMO_NEW_DB_FILE, MEMO_OLD_DB_FILE};
  for (const char* name : kNames) {
    // Opening for writing would create a missing file: look first.
    if (!FIL_Exists(VOL_DOCUMENTS, MEMO_DIR, name)) continue;
    FileRef f = nullptr;
    if (FIL_Open(&f, VOL_DOCUMENTS, MEMO_DIR, name, FIL_MODE_READ_WRITE) != 0) return nullptr;
    return f;
  }
  return nullptr;
}

uint8_t recordAttributes(FileRef f, uint16_t index) {
  uint8_t attributes = 0;
  if (DB_RecordInfo(f, index, &attributes, nullptr) != 0) return REC_ATTR_DELETED;
  return attributes;
}

// The memo's size once `textLength` bytes are appended: the text replaces
// the terminating zero, but a memo without one keeps its last character and
// gains a zero as well.
uint32_t grownSize(FileRef f, uint16_t index, uint32_t size, uint32_t textLength) {
  uint8_t last = 1;
  if (size > 0) (void)DB_ReadRecordBytes(f, index, size - 1, 1, &last);
  return size + textLength + (last == 0 ? 0 : 1);
}

// 4. The memo to append to, from the last record towards the first: -1 for
// none, or when the latest memo of that title is full.
int32_t findMemo(FileRef f, const char* title, uint32_t titleLength, uint32_t textLength) {
  char head[256];
  for (int32_t i = int32_t(DB_NumRecords(f)) - 1; i >= 0; i--) {
    uint32_t size = DB_RecordSize(f, uint16_t(i));
    if (size < titleLength + 2) continue;
    if (recordAttributes(f, uint16_t(i)) & (REC_ATTR_DELETED | REC_ATTR_SECRET)) continue;
    bool same = true;
    for (uint32_t at = 0; same && at < titleLength; at += sizeof head) {
      uint32_t n = titleLength - at < sizeof head ? titleLength - at : uint32_t(sizeof head);
      same =
          DB_ReadRecordBytes(f, uint16_t(i), at, n, head) == 0 && memcmp(head, title + at, n) == 0;
    }
    if (!same) continue;
    return grownSize(f, uint16_t(i), size, textLength) > MEMO_MAX_BYTES ? -1 : i;
  }
  return -1;
}

// The text goes over the memo's terminating zero; a memo that does not end
// in one keeps its last character and gets the text behind it.
Err appendToMemo(FileRef f, uint16_t index, const char* text, uint32_t textLength) {
  uint32_t size = DB_RecordSize(f, index);
  uint8_t last = 1;
  if (size > 0 && DB_ReadRecordBytes(f, index, size - 1, 1, &last) != 0) return ERR_READ;
  uint32_t at = last == 0 ? size - 1 : size;
  Err err = DB_ResizeRecord(f, index, at + textLength + 1, nullptr);
  if (err != 0) return err;
  err = DB_WriteRecordAt(f, index, at, text, textLength);
  if (err == 0) err = DB_FillRecordAt(f, index, at + textLength, 0, 1);
  // A failed write puts the memo back as it was.
  if (err != 0) (void)DB_ResizeRecord(f, index, size, nullptr);
  return err;
}

// 5. Behind the last record that is not deleted.
Err newMemo(FileRef f, const char* title, uint32_t titleLength, const char* text,
            uint32_t textLength) {
  uint16_t at = DB_NumRecords(f);
  while (at > 0 && (recordAttributes(f, uint16_t(at - 1)) & REC_ATTR_DELETED)) at--;
  uint32_t head = title ? titleLength + 1 : 0;
  Err err = DB_InsertRecords(f, at, head + textLength + 1, 1, nullptr);
  if (err != 0) return err;
  if (title) err = DB_WriteRecordAt(f, at, 0, title, titleLength);
  if (err == 0 && title) err = DB_FillRecordAt(f, at, titleLength, '\n', 1);
  if (err == 0 && textLength) err = DB_WriteRecordAt(f, at, head, text, textLength);
  if (err == 0) err = DB_FillRecordAt(f, at, head + textLength, 0, 1);
  if (err != 0) (void)DB_DeleteRecords(f, at, 1, nullptr);
  return err;
}

}  // namespace

Err MEMO_VAdd(const char* title, uint32_t formatSize, uint32_t flags, const char* text,
              va_list args) {
  char* formatted = nullptr;
  if (formatSize != 0) {
    formatted = static_cast<char*>(MEM_Alloc(formatSize + 1, true));
    if (!formatted) return ERR_SERVICE;
    STR_VFormat(formatted, int(formatSize + 1), text ? text : "", args);
    text = formatted;
  }
  if (!text) text = "";
  FileRef f = openMemoDb();
  if (!f) {
    MEM_Free(formatted);
    return ERR_SERVICE;
  }
  Err err = MEMO_AddToFile(f, title, flags, text);
  if (err == ERR_NOT_DATABASE) err = ERR_SERVICE;  // a memo file that is no database
  if (err == 0) err = FIL_Flush(f);
  FIL_Close(&f);
  MEM_Free(formatted);
  return err;
}

Err MEMO_AddToFile(FileRef f, const char* title, uint32_t flags, const char* text) {
  if (!f || DB_Format(f) != DB_FORMAT_RECORDS) return ERR_NOT_DATABASE;
  if (!text) text = "";
  uint32_t titleLength = title ? uint32_t(strlen(title)) : 0;
  uint32_t textLength = uint32_t(strlen(text));
  int32_t match = -1;
  if (title && !(flags & MEMO_FLAG_NEW) && DB_NumRecords(f) > 0)
    match = findMemo(f, title, titleLength, textLength);
  return match >= 0 ? appendToMemo(f, uint16_t(match), text, textLength)
                    : newMemo(f, title, titleLength, text, textLength);
}

Err MEMO_Add(const char* title, uint32_t formatSize, uint32_t flags, const char* text, ...) {
  va_list args;
  va_start(args, text);
  Err err = MEMO_VAdd(title, formatSize, flags, text, args);
  va_end(args);
  return err;
}
