// The platform's formatter: a small printf with the conversions the system
// uses. Owns no state.
#pragma once

#include <cstdarg>

#include "kova_types.h"

// Formats into `out` (at most `size` bytes including the terminating zero;
// size 0 writes nothing) and returns the length of the full text, which may
// exceed size - 1 when the output was cut.
//
// Conversions: %hd (int, printed as signed 16-bit), %ld (int32_t), %lx
// (uint32_t, lower-case hex), %s (char*, null prints "(null)"), %c (int),
// %t (FourCC as four characters), %% . A width and a "0" flag may precede
// the letters ("%08lx", "%04ld", "%02ld", "%5hd"); "-" left-aligns.
// Unknown conversions are copied as they stand.
//
// Arguments are passed the way C varargs promote them: %hd and %c take int,
// %ld takes int32_t, %lx and %t take uint32_t.
int STR_Format(char* out, int size, const char* fmt, ...);
int STR_VFormat(char* out, int size, const char* fmt, va_list args);

// Writes the date (year 1904 … 2031, month 1 … 12, day 1 … 31) the way the
// user's locale writes dates, always with a four-digit year ("05/17/1970"
// in the plain C locale). A date that is not a calendar date (month 13,
// February 30) writes nothing and returns 0. Returns the text's length.
int STR_FormatDate(char* out, int size, int16_t year, int16_t month, int16_t day);
// The same with a given date format in strftime's notation, as a locale
// states it ("%d.%m.%y"): each "%y" is widened to "%Y". Both leave an empty
// text (when size > 0) and return 0 for a date that is not a calendar date,
// a null format, or a text longer than 127 characters.
int STR_FormatDateWith(char* out, int size, const char* localeFormat, int16_t year, int16_t month,
                       int16_t day);
