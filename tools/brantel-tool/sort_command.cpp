// `brantel-tool sort`: the sort table of a folder used as the data folder
// (the contact database and "Brantel Sort Table.PDB" side by side). build
// runs SortOpen and prints its result and stage timings, list prints the
// display list, check verifies the stored table. Runs with the program's
// default preferences from the resource store. Owns no state between calls.
#include "sort_command.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "contacts_command.h"
#include "sample.h"
#include "sort.h"
#include "tool.h"

namespace {

struct Args {
  const char* verb = nullptr;
  const char* folder = nullptr;
  int16_t mode = SORT_CHECK;
  int16_t order = 0;
  int16_t category = -1;
  bool json = false;
};

// The name column of each sort order.
constexpr int16_t kNameColumn[3] = {4, 5, 8};

int usageFail(const char* what) {
  ToolUsageFail("sort: %s", what);
  return TOOL_EXIT_USAGE;
}

bool parseCategory(const char* text, int16_t* out) {
  uint64_t n = 0;
  if (strcmp(text, "-1") == 0 || strcmp(text, "all") == 0) {
    *out = -1;
    return true;
  }
  if (!ToolParseNumber(text, 15, &n)) return false;
  *out = int16_t(n);
  return true;
}

// Parses one option at argv[*i]; returns 0, or the usage exit code.
int parseOption(Args* a, int argc, char** argv, int* i) {
  const char* opt = argv[*i];
  const char* value = *i + 1 < argc ? argv[*i + 1] : nullptr;
  bool build = strcmp(a->verb, "build") == 0, list = strcmp(a->verb, "list") == 0;
  uint64_t n = 0;
  if (list && strcmp(opt, "--json") == 0) {
    a->json = true;
    return 0;
  }
  if (build && strcmp(opt, "--mode") == 0) {
    if (!value || !ToolParseNumber(value, 3, &n))
      return usageFail(
          "--mode takes 0 (check), 1 (rebuild), 2 (rescan) or 3 (discard and rebuild)");
    a->mode = int16_t(n);
  } else if (list && strcmp(opt, "--order") == 0) {
    if (!value || !ToolParseNumber(value, 2, &n))
      return usageFail("--order takes 0 (last name), 1 (first name) or 2 (company)");
    a->order = int16_t(n);
  } else if (list && strcmp(opt, "--category") == 0) {
    if (!value || !parseCategory(value, &a->category))
      return usageFail("--category takes -1 (all), 0 (unfiled) or 1-15");
  } else {
    std::string what = std::string("unknown option '") + opt + "' for " + a->verb;
    return usageFail(what.c_str());
  }
  ++*i;
  return 0;
}

int parseArgs(int argc, char** argv, Args* a) {
  if (argc < 1) return usageFail("a verb is missing (build, list or check)");
  a->verb = argv[0];
  if (strcmp(a->verb, "build") != 0 && strcmp(a->verb, "list") != 0 &&
      strcmp(a->verb, "check") != 0) {
    std::string what = std::string("unknown verb '") + a->verb + "'";
    return usageFail(what.c_str());
  }
  for (int i = 1; i < argc; i++) {
    if (strncmp(argv[i], "--", 2) == 0) {
      int rc = parseOption(a, argc, argv, &i);
      if (rc != 0) return rc;
    } else if (!a->folder) {
      a->folder = argv[i];
    } else {
      return usageFail("too many arguments");
    }
  }
  if (!a->folder) return usageFail("FOLDER is missing");
  return 0;
}

// Starts the platform with the tool's resource store and default
// preferences, and makes FOLDER the data folder and volume 0's current
// directory (where the sort table and the sort-order file live).
bool startInFolder(const char* folder) {
  struct stat st;
  bool found = stat(folder, &st) == 0;
  if (!found || !S_ISDIR(st.st_mode)) {
    ToolFail(folder, "%s", !found ? "no such folder" : "is not a folder");
    return false;
  }
  char real[PATH_MAX];
  if (!realpath(folder, real) || strlen(real) + 1 >= size_t(FIL_DIR_BYTES)) {
    ToolFail(folder, "the folder's path cannot be used (too long or unreadable)");
    return false;
  }
  if (!ToolStartWithResources()) return false;
  SortReset();
  SortResetCollation();
  std::string hostDir = std::string(":") + real;
  ContactSetDataFolder(VOL_DOCUMENTS, hostDir.c_str());
  if (VOL_SetCurrentDir(VOL_DOCUMENTS, hostDir.c_str()) != 0) {
    ToolFail(folder, "the file layer cannot use the folder");
    ToolStop();
    return false;
  }
  if (!FIL_Exists(VOL_DOCUMENTS, "", CONTACTS_FILE) &&
      !FIL_Exists(VOL_DOCUMENTS, "", ADDRESS_FILE)) {
    ToolFail(folder, "no contact database (%s or %s)", CONTACTS_FILE, ADDRESS_FILE);
    ToolStop();
    return false;
  }
  return true;
}

void stop() {
  SortReset();
  ToolStop();
}

int runBuild(const Args& a) {
  Err r = SortOpen(a.mode);
  if (r != SORT_BUILT && r != SORT_VALID) {
    ToolFail(a.folder, "the sort table was not built: %s", ToolErrText(r).c_str());
    return TOOL_EXIT_ERROR;
  }
  SortTimings t = SortLastTimings();
  printf("result: %d (%s)\n", r, r == SORT_BUILT ? "built" : "valid, left alone");
  printf("recover: %d ms\nscan: %d ms\n", t.recoverMs, t.scanMs);
  for (int k = 0; k < 3; k++) printf("sort%d: %d ms\n", k + 1, t.sortMs[k]);
  return TOOL_EXIT_OK;
}

// Prints rows as {"index", "name"} objects, the name from the order's name
// column.
int printJson(const Args& a, const std::vector<uint16_t>& rows) {
  ContactDb* db = nullptr;
  Err err = ContactDbOpen(&db, false, true);
  if (err != 0) {
    ToolFail(a.folder, "cannot open the contact database: %s", ToolErrText(err).c_str());
    return TOOL_EXIT_ERROR;
  }
  printf("{\"order\": %d, \"category\": %d, \"count\": %zu, \"rows\": [", a.order, a.category,
         rows.size());
  for (size_t j = 0; j < rows.size(); j++) {
    ContactRec rec{};
    std::string name = "null";
    if (ContactFetch(&rec, db, rows[j]) == 0) {
      char* text = ContactColumnText(&rec, kNameColumn[a.order], 0, nullptr, nullptr, 0, 0, 0);
      if (text) name = ContactsJsonString(text);
      MEM_Free(text);
      ContactRelease(&rec);
    }
    printf("%s\n  {\"index\": %u, \"name\": %s}", j ? "," : "", rows[j], name.c_str());
  }
  printf("%s]}\n", rows.empty() ? "" : "\n");
  ContactDbClose(&db);
  return TOOL_EXIT_OK;
}

int runList(const Args& a) {
  // As a list screen does when it opens: check the table (rebuilding it
  // when it is out of step), then take the list.
  Err r = SortOpen(SORT_CHECK);
  if (r != SORT_BUILT && r != SORT_VALID) {
    ToolFail(a.folder, "the sort table cannot be used: %s", ToolErrText(r).c_str());
    return TOOL_EXIT_ERROR;
  }
  int16_t handle = 0;
  const uint16_t* entries = nullptr;
  uint16_t count = SortGetList(&handle, &entries, a.order, a.category, SORT_LIST_REBUILD);
  std::vector<uint16_t> rows(entries, entries + (entries ? count : 0));
  SortReleaseList(handle);
  SortClose();
  if (a.json) return printJson(a, rows);
  for (uint16_t r : rows) printf("%u\n", r);
  return TOOL_EXIT_OK;
}

int runCheck(const Args& a) {
  ContactDb* db = nullptr;
  Err err = ContactDbOpen(&db, false, true);
  if (err != 0) {
    ToolFail(a.folder, "cannot open the contact database: %s", ToolErrText(err).c_str());
    return TOOL_EXIT_ERROR;
  }
  FileRef table = nullptr;
  err = FIL_Open(&table, VOL_DOCUMENTS, "", SORT_TABLE_FILE, FIL_MODE_READ);
  if (err == 0 && DB_Validate(table) != 0) err = ERR_NOT_DATABASE;
  if (err != 0) {
    FIL_Close(&table);
    ContactDbClose(&db);
    ToolFail(a.folder, "cannot read %s: %s", SORT_TABLE_FILE, ToolErrText(err).c_str());
    return TOOL_EXIT_ERROR;
  }
  std::vector<std::string> problems;
  uint32_t count = SortCheckTable(db, table, true, &problems, 50);
  uint16_t n = ContactDbCount(db);
  FIL_Close(&table);
  ContactDbClose(&db);
  for (const std::string& p : problems) printf("%s\n", p.c_str());
  if (count > problems.size()) printf("... %u more\n", unsigned(count - problems.size()));
  if (count == 0)
    printf("ok: the table matches %u contacts\n", n);
  else
    printf("%u differences\n", count);
  return count == 0 ? TOOL_EXIT_OK : TOOL_EXIT_ERROR;
}

}  // namespace

void SortUsage(FILE* out) {
  fputs(
      "  brantel-tool sort build FOLDER [--mode 0|1|2|3]\n"
      "  brantel-tool sort list FOLDER [--order 0|1|2] [--category -1|0-15] [--json]\n"
      "  brantel-tool sort check FOLDER\n"
      "\n"
      "  The sort table (\"Brantel Sort Table.PDB\") of the contact database in FOLDER,\n"
      "  which stands in for the data folder, with the program's default preferences.\n"
      "  build checks the table (mode 0), rebuilds it (1), rescans it (2) or discards\n"
      "  and rebuilds it (3), and prints the result (0 built, -1 valid) and the stage\n"
      "  timings. list checks the table as a list screen does, rebuilds the display\n"
      "  list for the sort order (0 last name, 1 first name, 2 company) and category\n"
      "  (-1 all, 0 unfiled; default 0 and -1) and prints its contact indices, one a\n"
      "  line; --json writes {\"order\", \"category\", \"count\", \"rows\"} with rows of\n"
      "  {\"index\", \"name\"} (the order's name column, UTF-8). check verifies the\n"
      "  stored table without changing it: record sizes, every order a permutation in\n"
      "  sort order, keys, attributes and categories matching the contacts, and the\n"
      "  display list; it prints each difference and exits 1 when there is any.\n",
      out);
}

int SortCommand(int argc, char** argv) {
  Args a;
  int rc = parseArgs(argc, argv, &a);
  if (rc != 0) return rc;
  if (!startInFolder(a.folder)) return TOOL_EXIT_ERROR;
  if (strcmp(a.verb, "build") == 0)
    rc = runBuild(a);
  else if (strcmp(a.verb, "list") == 0)
    rc = runList(a);
  else
    rc = runCheck(a);
  fflush(stdout);
  stop();
  return rc;
}
