// The `contacts` and `sample` subcommands of brantel-tool: contact databases
// read and changed through the contact store (the accessor, the columns,
// the database order and the repair engine), and realistic sample
// databases written by the generator of tools/sample. Both run with the
// program's default preferences from the resource store, never the user's
// saved ones, so their output is the same on every machine. Owns no state.
#pragma once

#include <cstdio>
#include <string>

#include "dbase.h"

// Runs `brantel-tool contacts ARGS...` (argv[0] is the verb: dump, set,
// info, new, duplicate, delete, order, repair). Returns the exit code: 0
// done, 1 the file or an operation failed, 2 the arguments are wrong
// (nothing was opened).
int ContactsCommand(int argc, char** argv);
// The usage lines of the contacts verbs and the JSON keys of `dump --json`.
void ContactsUsage(FILE* out);

// Runs `brantel-tool sample [--layout contacts|address] [--count N]
// [--seed S] [--force] FILE`. Exit codes as above; an existing FILE is
// kept unless --force is given.
int SampleCommand(int argc, char** argv);
void SampleUsage(FILE* out);

// Names of the field kinds 0 … 15 and the info selectors 0 … 11, as the
// dump prints them and the set and info verbs accept them.
extern const char* const CONTACT_KIND_NAMES[FIELD_KIND_COUNT];
inline constexpr int16_t CONTACT_INFO_COUNT = 12;
extern const char* const CONTACT_INFO_NAMES[CONTACT_INFO_COUNT];

// `contacts dump FILE [--json]` (contacts_dump.cpp) on an open database:
// every record through the accessor and the columns. Returns the exit code.
int ContactsDump(ContactDb* db, const char* path, bool json);

// Text in the handheld's character set for the text dump: printable ASCII
// as it is, "\n" as \n, every other byte (and the backslash) as \xHH.
std::string ContactsTextEscape(const char* text);
// The same as a JSON string (quotes included): bytes 0x80-0xFF as UTF-8 of
// the handheld's character set (Windows-1252 with the card suits at
// 0x8D-0x90); bytes no character stands for, and controls, as \u00HH.
std::string ContactsJsonString(const char* text);
// Converts UTF-8 typed on the command line into the handheld's character
// set. Returns false (leaving *out empty) when the text is not UTF-8 or
// holds a character the handheld cannot store.
bool ContactsFromUtf8(const std::string& utf8, std::string* out);
