// The `pdb` subcommand of brantel-tool: shows, checks and changes PDB files
// through the record database operations (DB_*), for scripting and
// debugging. Owns no state between calls.
#pragma once

#include <cstdio>

#include "kova.h"

// Runs `brantel-tool pdb ARGS...` (argv[0] is the verb: info, check, insert,
// resize, delete, move, write, attr, sort). Returns the exit code: 0 done,
// 1 the file or an operation failed (an error line names the file), 2 the
// arguments are wrong (nothing was opened).
int PdbCommand(int argc, char** argv);

// The usage lines of the pdb verbs.
void PdbUsage(FILE* out);

// `pdb info FILE [--json]` and `pdb check FILE` (pdb_info.cpp). The file is
// open for reading; `path` is the name given on the command line.
int PdbInfo(FileRef f, const char* path, bool json);
int PdbCheck(FileRef f, const char* path);

// True when the file is a sound record or resource database; otherwise
// prints why (not a database, or which part of the structure is damaged)
// after `path` and returns false.
bool PdbUsable(FileRef f, const char* path);
