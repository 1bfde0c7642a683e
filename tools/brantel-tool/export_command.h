// The `vcard` and `memo` subcommands of brantel-tool: the vCard text of one
// contact or of every contact in database order, built exactly as the
// program builds it, and "Add to memo" on a memo database.
// Owns no state.
#pragma once

#include <cstdio>

// `brantel-tool vcard FILE INDEX|all [OUT]`: the cards go to OUT (written
// under a temporary name and renamed when complete) or to standard output.
int VCardCommand(int argc, char** argv);
void VCardUsage(FILE* out);

// `brantel-tool memo FILE TITLE TEXT [--new]`.
int MemoCommand(int argc, char** argv);
void MemoUsage(FILE* out);
