// vCard 2.1 text of contacts, for beaming and sending: one card built in
// memory property by property, in a fixed order, with the handheld's X-PALM
// extensions, quoted-printable text where needed and the picture as base64
// JPEG; a series of cards handed out one at a time by a producer; and the
// desktop's delivery, which saves the cards as a ".VCF" file. There is no
// vCard reader. Owns no state beyond a series' current card.
#pragma once

#include "kova.h"
#include "parse.h"

// ---------------------------------------------------------------------------
// The growing card text (a MEM block, zero-terminated while it grows). Once
// an append fails the buffer is marked failed and every later append is
// refused, so a card is never delivered with a piece missing.
struct VCardText {
  char* text;
  uint32_t length;    // bytes before the terminating zero
  uint32_t capacity;  // bytes of the block
  bool failed;
};

// Append modes.
enum class VCardMode : uint8_t {
  Raw,        // as it stands
  Component,  // inside "N" and "ADR": ";" as "\;", a line feed as "\" CR LF
  Property,   // a property's value with its charset, encoding, ":" and line end
};

// Starts an empty text. Returns 0 or ERR_MEM_FULL (the text is then failed).
Err VCardTextInit(VCardText* t);
// Frees the block; the text becomes empty and failed.
void VCardTextFree(VCardText* t);
// Appends `length` bytes of `value` in `mode`. Returns false when the text
// is (or becomes) failed.
bool VCardAppend(VCardText* t, const char* value, uint32_t length, VCardMode mode);
bool VCardAppendZ(VCardText* t, const char* value, VCardMode mode);  // zero-terminated value
// A value needs ";CHARSET=ISO-8859-1" when it holds a byte of 0x80 or
// above, 0x7F, or a control byte 0x01 … 0x1F (line feed and tab included).
bool VCardNeedsCharset(const char* value, uint32_t length);
// Appends the quoted-printable form of a value that starts on a fresh line
// (soft breaks at a blank once a line passes 70 characters).
bool VCardAppendQuotedPrintable(VCardText* t, const char* value, uint32_t length);
// Appends "PHOTO;ENCODING=BASE64;TYPE=JPEG:" and the base64 text of `data`,
// each 57 input bytes on a line of its own that starts with CR LF TAB, and
// CR LF CR LF at the end.
bool VCardAppendPhoto(VCardText* t, const uint8_t* data, uint32_t length);

// ---------------------------------------------------------------------------
// Cards.

// The card of one contact into a new MEM block (*out, zero-terminated; the
// caller frees it with MEM_Free) and its length (*outLength, may be null).
// Returns 0; -1 when the first buffer cannot be had; ERR_MEM_FULL when a
// later piece could not be added (the card is dropped: *out is null).
Err VCardBuild(const ContactRec* rec, char** out, uint32_t* outLength);

// The card sent in place of a deleted or masked private contact.
inline constexpr const char* VCARD_PLACEHOLDER =
    "BEGIN:VCARD\r\nVERSION:2.1\r\nX-PALM:4.0\r\nN:;;\r\nEND:VCARD\r\n";

// A series of cards: the contacts `indexes[first … first + count - 1]`
// (record indexes; a null list means the record indexes themselves).
struct VCardSeries {
  ContactDb* db;
  const int32_t* indexes;
  uint32_t next;     // the next position to hand out
  uint32_t end;      // one past the last position
  char* card;        // the card handed out last (freed on the next call)
  Err error;         // why the series ended early (0 when it did not)
};

void VCardSeriesStart(VCardSeries* s, ContactDb* db, const int32_t* indexes, uint32_t first,
                      uint32_t count);
// The producer: the next card of the series into *out (valid until the next
// call or VCardSeriesEnd) and its length; 0 when the series is exhausted, a
// record cannot be read, an index is negative or a card cannot be built
// (then `error` says why).
uint32_t VCardNextCard(VCardSeries* s, const char** out);
void VCardSeriesEnd(VCardSeries* s);

// ---------------------------------------------------------------------------
// Delivery.

inline constexpr FourCC VCARD_BEAM = FCC("BEAM");
inline constexpr FourCC VCARD_SEND = FCC("SEND");

// Hands a series to its destination: `fileName` ends in ".VCF". Returns 0
// when every card was delivered.
using VCardDeliverFn = Err (*)(void* user, FourCC type, const char* fileName, VCardSeries* series);

// The file name of a card: the contact's name (column 5) or, for a series,
// `seriesName` or "?", followed by ".VCF", repaired for the host so it can
// only name a file inside the chosen folder. `size` includes the zero.
void VCardFileName(const ContactRec* rec, const char* seriesName, char* out, uint32_t size);

// Sends `count` contacts from position `first` of `indexes` (null: record
// indexes): one card when count is 1, else a series named `seriesName`.
// The type is "SEND" when `send` is set, else "BEAM". Returns the delivery's
// result, ERR_FILE_PARAM for a count of 0, or the first card's error.
Err VCardSendContacts(ContactDb* db, const int32_t* indexes, uint32_t first, uint32_t count,
                      const char* seriesName, bool send, VCardDeliverFn deliver, void* user);

// Writes every card of a series, one after another, into (volume, dir,
// name): first under a temporary name, renamed over `name` only when all
// cards were written, so a failure leaves no half file and an older file
// as it was. Returns 0, the series' error, or the file layer's error.
Err VCardSaveSeries(VCardSeries* series, int16_t volume, const char* dir, const char* name);

// While the debug level is 0x10000 or more, the last card built is also
// written to "Brantel Beam Data.VCF" in the data folder (a plain file).
inline constexpr const char* VCARD_DEBUG_FILE = "Brantel Beam Data.VCF";
void VCardDebugCopy(const char* card, uint32_t length);
