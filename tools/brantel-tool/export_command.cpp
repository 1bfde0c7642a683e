// brantel-tool vcard and memo: thin command-line shells over the program's
// vCard builder (source/vcard*.cpp) and the platform's memo export.
// Owns no state.
#include "export_command.h"

#include <cstring>
#include <string>

#include "dbase.h"
#include "pdb_command.h"
#include "tool.h"
#include "vcard.h"

namespace {

struct Output {
  FILE* file;
  const char* path;
};

Err writeCards(void* user, FourCC type, const char* fileName, VCardSeries* series) {
  (void)type, (void)fileName;
  Output* out = static_cast<Output*>(user);
  const char* card = nullptr;
  while (uint32_t n = VCardNextCard(series, &card))
    if (fwrite(card, 1, n, out->file) != n) return ERR_WRITE;
  return series->error;
}

int usage(const char* message) {
  ToolUsageFail("%s", message);
  return TOOL_EXIT_USAGE;
}

// Runs the series into OUT's temporary file, or into standard output.
int sendCards(ContactDb* db, const char* path, uint32_t first, uint32_t count, const char* out) {
  std::string temp = out ? std::string(out) + ".tmp" : "";
  Output o{out ? fopen(temp.c_str(), "wb") : stdout, out};
  if (!o.file) {
    ToolFail(out, "cannot be written");
    return TOOL_EXIT_ERROR;
  }
  Err err = VCardSendContacts(db, nullptr, first, count, "?", false, writeCards, &o);
  if (out) {
    if (fclose(o.file) != 0 && err == 0) err = ERR_WRITE;
    if (err == 0 && rename(temp.c_str(), out) != 0) err = ERR_WRITE;
    if (err != 0) remove(temp.c_str());
  } else if (fflush(stdout) != 0 && err == 0) {
    err = ERR_WRITE;
  }
  if (err == 0) return TOOL_EXIT_OK;
  ToolFail(err == ERR_WRITE && out ? out : path, "the cards could not be written: %s",
           ToolErrText(err).c_str());
  return TOOL_EXIT_ERROR;
}

}  // namespace

void VCardUsage(FILE* out) {
  fputs("  brantel-tool vcard FILE INDEX|all [OUT]\n"
        "      the vCard 2.1 text of contact INDEX, or of every contact in database order\n"
        "      (placeholder cards for deleted ones), to OUT or standard output\n",
        out);
}

void MemoUsage(FILE* out) {
  fputs("  brantel-tool memo FILE TITLE TEXT [--new]\n"
        "      appends TEXT to the latest memo titled TITLE of the memo database FILE, or\n"
        "      starts a new memo (always with --new); an empty TITLE starts an untitled one\n",
        out);
}

int VCardCommand(int argc, char** argv) {
  if (argc < 2) return usage("vcard: too few arguments");
  if (argc > 3) return usage("vcard: too many arguments");
  uint64_t index = 0;
  bool all = strcmp(argv[1], "all") == 0;
  if (!all && !ToolParseNumber(argv[1], 65534, &index))
    return usage("vcard: INDEX is a record number or 'all'");
  if (!ToolStartWithResources()) return TOOL_EXIT_ERROR;
  FileRef f = nullptr;
  int rc = TOOL_EXIT_ERROR;
  ContactDb* db = nullptr;
  if (ToolOpenFile(argv[0], FIL_MODE_READ, &f) && PdbUsable(f, argv[0])) {
    if (ContactDbAttach(&db, f, true) != 0) {
      FIL_Close(&f);
      ToolFail(argv[0], "not a contact database");
    } else {
      uint32_t total = DB_NumRecords(db->file);
      if (!all && index >= total)
        ToolFail(argv[0], "has %u contacts; there is no contact %u", total, unsigned(index));
      else if (all && total == 0)
        rc = TOOL_EXIT_OK;
      else
        rc = sendCards(db, argv[0], all ? 0 : uint32_t(index), all ? total : 1,
                       argc == 3 ? argv[2] : nullptr);
      ContactDbClose(&db);
    }
  } else {
    FIL_Close(&f);
  }
  ToolStop();
  return rc;
}

int MemoCommand(int argc, char** argv) {
  bool fresh = argc == 4 && strcmp(argv[3], "--new") == 0;
  if (argc < 3) return usage("memo: too few arguments");
  if (argc > 4 || (argc == 4 && !fresh)) return usage("memo: FILE TITLE TEXT [--new]");
  if (!ToolStart()) return TOOL_EXIT_ERROR;
  FileRef f = nullptr;
  int rc = TOOL_EXIT_ERROR;
  if (ToolOpenFile(argv[0], FIL_MODE_READ_WRITE, &f) && PdbUsable(f, argv[0])) {
    Err err = MEMO_AddToFile(f, *argv[1] ? argv[1] : nullptr, fresh ? MEMO_FLAG_NEW : 0, argv[2]);
    if (err == 0) err = FIL_Flush(f);
    if (err == 0)
      rc = TOOL_EXIT_OK;
    else
      ToolFail(argv[0], "the memo could not be added: %s", ToolErrText(err).c_str());
  }
  FIL_Close(&f);
  ToolStop();
  return rc;
}
