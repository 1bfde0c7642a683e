// The `sort` subcommand of brantel-tool: builds, lists and verifies the sort
// table of a folder of contact databases ("Brantel Sort Table.PDB" beside
// the contact file), with the program's default preferences. The check
// (sort_check.cpp) is shared with the fuzz target of the table file.
// Owns no state.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "dbase.h"

// Runs `brantel-tool sort ARGS...` (argv[0] is the verb: build, list,
// check). Returns the exit code: 0 done (check: the table matches), 1 the
// folder, the table or an operation failed (check: any difference), 2 the
// arguments are wrong (nothing was opened).
int SortCommand(int argc, char** argv);
// The usage lines of the sort verbs and the JSON keys of `list --json`.
void SortUsage(FILE* out);

// Verifies the stored sort table `table` (open for reading) against the
// open contact database, with the sort switches and filters of g_prefs:
// records 0-10 present and sized for the contact count, the list header's
// total, count and sort order in range, every enabled order a permutation
// and every disabled one the identity, the list's entries in range. With
// `content` also: no adjacent pair of an enabled order out of order by
// SortCompareRecords; keys (enabled orders, readable contacts), attributes
// and category bits matching the contacts; a valid display list in the
// order of its sort order and passing its category, deletion and privacy
// filters. Appends one line per difference to *problems (may be null; at
// most `limit` lines, the count goes on) and returns the number of
// differences. Loads the collation tables.
uint32_t SortCheckTable(ContactDb* db, FileRef table, bool content,
                        std::vector<std::string>* problems, uint32_t limit);
