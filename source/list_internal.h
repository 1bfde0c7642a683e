// What the list module's files share: the name of a row, the masked-row
// test, the unlock of private contacts for the run.
#pragma once

#include "list.h"
#include "parse.h"

// The list name of contact `rec` for sort mode `mode` (0 last, 1 first,
// 2 company) as the rows show it, limited to `width` pixels for the company
// column (0 = no limit); a new MEM block, null on short memory.
char* ListRowName(const ContactRec* rec, int16_t mode, int32_t width);
// Whether contact `index` is drawn masked (private at security level 1).
bool ListRowMasked(ContactDb* db, uint16_t index);
// Forgets that private contacts were unlocked in this run.
void ListResetUnlock();
