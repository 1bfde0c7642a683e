// Changing a contact's fields: the record edit shared by every setter (a new
// image built in memory, then one resize and one write, undone when the
// write fails) and ContactSetField with its presence bit and company offset.
// Owns no state.
//
// Invariants: (1) nothing is written before every step that may fail
// without harm (memory, the new size) has passed; (2) a resize never runs
// while the record is held, and the record is fetched again after it; (3) a
// failure after the resize restores the old size and bytes.
#include <cstring>

#include "parse_internal.h"

namespace {

// The first index where the two byte runs differ (the shorter length when
// one is a prefix of the other).
uint32_t firstDifference(const uint8_t* a, uint32_t aSize, const uint8_t* b, uint32_t bSize) {
  uint32_t n = aSize < bSize ? aSize : bSize;
  uint32_t i = 0;
  while (i < n && a[i] == b[i]) i++;
  return i;
}

void refetch(ContactRec* rec) {
  rec->bytes = static_cast<uint8_t*>(DB_GetRecord(&rec->record, rec->file, rec->index, 0, 0));
  rec->size = rec->bytes ? DB_RecordLength(rec->record) : 0;
}

// Bytes of the same size: one write of the changed run.
Err writeInPlace(ContactRec* rec, const RecordImage* img) {
  uint32_t first = firstDifference(rec->bytes, rec->size, img->bytes, img->size);
  if (first == img->size) return 0;
  uint32_t last = img->size - 1;
  while (last > first && rec->bytes[last] == img->bytes[last]) last--;
  Err err = DB_WriteRecord(rec->record, first, img->bytes + first, last - first + 1);
  rec->bytes = DB_RecordData(rec->record);
  return err;
}

// Puts the old size and bytes back after a failure behind the resize.
void undoResize(ContactRec* rec, const uint8_t* old, uint32_t oldSize, uint32_t first) {
  (void)DB_ReleaseRecord(&rec->record);
  if (DB_ResizeRecord(rec->file, rec->index, oldSize, nullptr) == 0 && first < oldSize) {
    (void)DB_WriteRecordAt(rec->file, rec->index, first, old + first, oldSize - first);
  }
  refetch(rec);
}

}  // namespace

Err RecordWritable(const ContactRec* rec) {
  if (!rec || !rec->db || !rec->file || !rec->record || !rec->bytes) return ERR_FILE_PARAM;
  if (rec->size < HeaderBytes(DbIsContacts(rec->db))) return ERR_FILE_PARAM;
  return 0;
}

Err ImageFromRecord(RecordImage* out, const ContactRec* rec) {
  out->size = rec->size;
  out->bytes = static_cast<uint8_t*>(MEM_Alloc(rec->size, false));
  if (!out->bytes) return ERR_MEM_FULL;
  if (rec->size) memcpy(out->bytes, rec->bytes, rec->size);
  return 0;
}

Err ImageSplice(RecordImage* img, uint32_t offset, uint32_t oldLength, const uint8_t* data,
                uint32_t newLength) {
  if (offset > img->size || oldLength > img->size - offset) return ERR_FILE_PARAM;
  uint64_t size = uint64_t(img->size) - oldLength + newLength;
  if (size > CONTACT_MAX_RECORD_BYTES) return ERR_FILE_PARAM;
  uint8_t* bytes = static_cast<uint8_t*>(MEM_Alloc(uint32_t(size), false));
  if (!bytes) return ERR_MEM_FULL;
  const uint32_t tail = img->size - offset - oldLength;
  if (offset) memcpy(bytes, img->bytes, offset);
  if (newLength) {
    if (data) {
      memcpy(bytes + offset, data, newLength);
    } else {
      memset(bytes + offset, 0, newLength);
    }
  }
  if (tail) memcpy(bytes + offset + newLength, img->bytes + offset + oldLength, tail);
  MEM_Free(img->bytes);
  img->bytes = bytes;
  img->size = uint32_t(size);
  return 0;
}

void ImageFree(RecordImage* img) {
  MEM_Free(img->bytes);
  img->bytes = nullptr;
  img->size = 0;
}

Err ImageMendTail(RecordImage* img, bool contacts) {
  if (img->size < HeaderBytes(contacts)) return 0;
  const uint64_t strings = RecordFlags(img->bytes, img->size, contacts) &
                           (contacts ? PADD_STRING_FIELDS : ADDR_STRING_FIELDS);
  uint32_t offset = HeaderBytes(contacts), missing = 0;
  for (int f = 0; f < 64; f++) {
    if (!(strings >> f & 1)) continue;
    const void* zero =
        offset < img->size ? memchr(img->bytes + offset, 0, img->size - offset) : nullptr;
    if (zero) {
      offset = uint32_t(static_cast<const uint8_t*>(zero) - img->bytes) + 1;
    } else {
      offset = img->size;
      missing++;
    }
  }
  if (contacts) {
    BirthdayBlock b = FindBirthday(img->bytes, img->size);
    missing += b.length - b.stored;
  }
  if (missing == 0) return 0;
  return ImageSplice(img, img->size, 0, nullptr, missing);
}

void ImageUpdateCompanyOffset(RecordImage* img, bool contacts) {
  const uint32_t at = contacts ? PADD_COMPANY_OFFSET_BYTE : ADDR_COMPANY_OFFSET_BYTE;
  if (img->size < HeaderBytes(contacts)) return;
  FieldLocation company = LocateField(img->bytes, img->size, contacts, 2);
  uint32_t distance = company.present ? company.offset - at : 0;
  // A company further than a byte can say is stored as none.
  img->bytes[at] = distance <= 0xFF ? uint8_t(distance) : 0;
}

Err RecordCommit(ContactRec* rec, const RecordImage* img) {
  Err err = RecordWritable(rec);
  if (err != 0) return err;
  if (img->size == rec->size) return writeInPlace(rec, img);
  // 1. everything that needs memory before the file changes.
  const uint32_t oldSize = rec->size;
  uint8_t* old = static_cast<uint8_t*>(MEM_Alloc(oldSize, false));
  if (!old) return ERR_MEM_FULL;
  memcpy(old, rec->bytes, oldSize);
  const uint32_t first = firstDifference(old, oldSize, img->bytes, img->size);
  // 2. resize while nothing is held; a failed resize leaves the record.
  (void)DB_ReleaseRecord(&rec->record);
  err = DB_ResizeRecord(rec->file, rec->index, img->size, nullptr);
  if (err != 0) {
    refetch(rec);
    MEM_Free(old);
    return err;
  }
  // 3. fetch again and write from the first changed byte on.
  refetch(rec);
  if (!rec->bytes || rec->size != img->size) {
    err = rec->bytes ? ERR_READ : ERR_MEM_FULL;
  } else if (first < img->size) {
    err = DB_WriteRecord(rec->record, first, img->bytes + first, img->size - first);
    rec->bytes = DB_RecordData(rec->record);
  }
  if (err != 0) undoResize(rec, old, oldSize, first);
  MEM_Free(old);
  return err;
}

Err RecordSplice(ContactRec* rec, uint32_t offset, uint32_t oldLength, const uint8_t* newBytes,
                 uint32_t newLength) {
  Err err = RecordWritable(rec);
  if (err != 0) return err;
  RecordImage img;
  err = ImageFromRecord(&img, rec);
  if (err == 0) err = ImageSplice(&img, offset, oldLength, newBytes, newLength);
  if (err == 0) err = RecordCommit(rec, &img);
  ImageFree(&img);
  return err;
}

Err ContactSetField(ContactRec* rec, FieldKind kind, int16_t index, const char* text) {
  if (!rec || !rec->db || !rec->db->fieldNumber) return -1;
  int16_t k = int16_t(kind);
  if (k < 0 || k > int16_t(FieldKind::Note)) return -1;
  const int16_t field = rec->db->fieldNumber(kind, index);
  if (field < 0) return -1;
  Err err = RecordWritable(rec);
  if (err != 0) return err;
  const bool contacts = DbIsContacts(rec->db);
  // 1. new length: the text and its zero byte, or nothing for an empty text.
  const size_t textLength = text ? strlen(text) : 0;
  if (textLength >= CONTACT_MAX_RECORD_BYTES) return ERR_FILE_PARAM;
  const uint32_t newLength = textLength ? uint32_t(textLength + 1) : 0;
  // 2. where the field is and what it takes now (in the mended image).
  RecordImage img;
  err = ImageFromRecord(&img, rec);
  if (err == 0) err = ImageMendTail(&img, contacts);
  if (err == 0) {
    const uint64_t flags = RecordFlags(img.bytes, img.size, contacts);
    const FieldLocation at = LocateField(img.bytes, img.size, contacts, field);
    // Removing a field that is not there leaves the empty record's zero byte.
    const uint32_t oldLength =
        newLength || at.present ? OldFieldLength(img.bytes, img.size, contacts, at, flags) : 0;
    // 3. the new image: text, presence bit, company offset.
    err =
        ImageSplice(&img, at.offset, oldLength, reinterpret_cast<const uint8_t*>(text), newLength);
    if (err == 0) {
      const uint64_t bit = uint64_t(1) << field;
      PutRecordFlags(img.bytes, contacts, newLength ? (flags | bit) : (flags & ~bit));
      ImageUpdateCompanyOffset(&img, contacts);
      // 4. one resize, one write.
      err = RecordCommit(rec, &img);
    }
  }
  ImageFree(&img);
  return err;
}
