// `brantel-tool pdb`: the verb table, strict argument parsing and the verbs
// that change a file (insert, resize, delete, move, write, attr, sort). Every
// change goes through the DB_* operations; arguments are checked against the
// file before anything is written, so a refused command leaves the file as
// it was. Owns no state between calls.
#include "pdb_command.h"

#include <cstring>
#include <string>
#include <vector>

#include "dbase_internal.h"
#include "tool.h"

namespace {

// Bytes cleared or written per DB_*At call: bounded so that large records
// never need a large copy.
constexpr uint32_t CHUNK = 32768;

struct NumArg {
  const char* name;
  uint64_t min, max;
};

struct Args {
  const char* path = nullptr;
  uint64_t n[3] = {0, 0, 0};  // an optional number left out takes its minimum
  std::vector<uint8_t> hex;
  bool json = false;
};

using VerbFn = int (*)(FileRef f, const Args& a);

struct Verb {
  const char* name;
  const char* usage;
  NumArg nums[3];  // ends at a null name
  int required;    // numbers that must be given; the rest are optional
  bool hex;        // a HEX argument follows the numbers
  VerbFn run;      // null for info and check (read-only)
};

constexpr uint64_t U16 = 0xFFFF, U32 = 0xFFFFFFFF;

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool parseHex(const char* text, std::vector<uint8_t>* out) {
  size_t len = strlen(text);
  if (len == 0 || len % 2 != 0) return false;
  for (size_t i = 0; i < len; i += 2) {
    int hi = hexValue(text[i]), lo = hexValue(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(uint8_t(hi << 4 | lo));
  }
  return true;
}

// The record count, with an error line when `index` (+ `count`) passes it.
bool inRange(FileRef f, const Args& a, const char* what, uint64_t index, uint64_t count) {
  uint32_t n = DB_NumRecords(f);
  if (index < n && index + count <= n) return true;
  if (count > 1)
    ToolFail(a.path, "%s %llu..%llu passes the last record (the file has %u)", what,
             (unsigned long long)index, (unsigned long long)(index + count - 1), n);
  else
    ToolFail(a.path, "%s %llu is past the last record (the file has %u)", what,
             (unsigned long long)index, n);
  return false;
}

// True when the file may grow by `growth` bytes.
bool roomFor(FileRef f, const Args& a, uint64_t growth) {
  int32_t size = FIL_Size(f);
  if (size >= 0 && uint64_t(size) + growth <= PDB_MAX_FILE) return true;
  ToolFail(a.path, "the file would grow past %u bytes, the largest database", PDB_MAX_FILE);
  return false;
}

// Clears bytes [from, to) of record `index`: new record bytes are undefined
// until written, and the tool never leaves stale data in them.
Err zeroRecord(FileRef f, uint16_t index, uint32_t from, uint32_t to) {
  for (uint32_t at = from; at < to;) {
    uint32_t n = to - at < CHUNK ? to - at : CHUNK;
    Err err = DB_FillRecordAt(f, index, at, 0, n);
    if (err != 0) return err;
    at += n;
  }
  return 0;
}

int fail(const Args& a, const char* what, Err err) {
  ToolFail(a.path, "cannot %s: %s", what, ToolErrText(err).c_str());
  return TOOL_EXIT_ERROR;
}

int runInsert(FileRef f, const Args& a) {
  uint64_t index = a.n[0], size = a.n[1], count = a.n[2];
  uint32_t n = DB_NumRecords(f);
  if (index > n) {
    ToolFail(a.path, "INDEX %llu is past the end (the file has %u records; %u appends)",
             (unsigned long long)index, n, n);
    return TOOL_EXIT_ERROR;
  }
  if (n + count > PDB_MAX_RECORDS) {
    ToolFail(a.path, "the file would hold %llu records; a database holds at most %u",
             (unsigned long long)(n + count), PDB_MAX_RECORDS);
    return TOOL_EXIT_ERROR;
  }
  uint64_t entry =
      DB_Format(f) == DB_FORMAT_RESOURCES ? PDB_RESOURCE_ENTRY_SIZE : PDB_RECORD_ENTRY_SIZE;
  if (!roomFor(f, a, (entry + size) * count)) return TOOL_EXIT_ERROR;
  Err err = DB_InsertRecords(f, uint16_t(index), uint32_t(size), uint32_t(count), nullptr);
  if (err != 0) return fail(a, "insert", err);
  for (uint64_t k = 0; k < count && err == 0; k++)
    err = zeroRecord(f, uint16_t(index + k), 0, uint32_t(size));
  if (err != 0) {
    // Never leave records of undefined bytes behind.
    Err undo = DB_DeleteRecords(f, uint16_t(index), uint32_t(count), nullptr);
    ToolFail(a.path, "cannot clear the new records: %s; %s", ToolErrText(err).c_str(),
             undo == 0 ? "they were removed again" : "they could not be removed again");
    return TOOL_EXIT_ERROR;
  }
  return TOOL_EXIT_OK;
}

int runResize(FileRef f, const Args& a) {
  if (!inRange(f, a, "INDEX", a.n[0], 1)) return TOOL_EXIT_ERROR;
  uint16_t index = uint16_t(a.n[0]);
  uint32_t oldSize = DB_RecordSize(f, index), newSize = uint32_t(a.n[1]);
  if (newSize > oldSize && !roomFor(f, a, newSize - oldSize)) return TOOL_EXIT_ERROR;
  Err err = DB_ResizeRecord(f, index, newSize, nullptr);
  if (err != 0) return fail(a, "resize", err);
  if (newSize > oldSize) {
    err = zeroRecord(f, index, oldSize, newSize);
    if (err != 0) return fail(a, "clear the added bytes", err);
  }
  return TOOL_EXIT_OK;
}

int runDelete(FileRef f, const Args& a) {
  if (!inRange(f, a, "INDEX", a.n[0], a.n[1])) return TOOL_EXIT_ERROR;
  Err err = DB_DeleteRecords(f, uint16_t(a.n[0]), uint32_t(a.n[1]), nullptr);
  return err == 0 ? TOOL_EXIT_OK : fail(a, "delete", err);
}

int runMove(FileRef f, const Args& a) {
  uint64_t count = a.n[2];
  if (!inRange(f, a, "FROM", a.n[0], count) || !inRange(f, a, "TO", a.n[1], count))
    return TOOL_EXIT_ERROR;
  Err err = DB_MoveRecords(f, uint16_t(a.n[0]), uint16_t(a.n[1]), int32_t(count), nullptr);
  return err == 0 ? TOOL_EXIT_OK : fail(a, "move", err);
}

int runWrite(FileRef f, const Args& a) {
  if (!inRange(f, a, "INDEX", a.n[0], 1)) return TOOL_EXIT_ERROR;
  uint16_t index = uint16_t(a.n[0]);
  uint64_t offset = a.n[1], size = DB_RecordSize(f, index);
  if (offset + a.hex.size() > size) {
    ToolFail(a.path, "%zu bytes at offset %llu pass the end of record %u (%llu bytes)",
             a.hex.size(), (unsigned long long)offset, index, (unsigned long long)size);
    return TOOL_EXIT_ERROR;
  }
  for (size_t at = 0; at < a.hex.size();) {
    uint32_t n = uint32_t(a.hex.size() - at < CHUNK ? a.hex.size() - at : CHUNK);
    Err err = DB_WriteRecordAt(f, index, uint32_t(offset + at), a.hex.data() + at, n);
    if (err != 0) return fail(a, "write", err);
    at += n;
  }
  return TOOL_EXIT_OK;
}

int runAttr(FileRef f, const Args& a) {
  if (DB_Format(f) != DB_FORMAT_RECORDS) {
    ToolFail(a.path, "a resource database has no record attributes");
    return TOOL_EXIT_ERROR;
  }
  if (!inRange(f, a, "INDEX", a.n[0], 1)) return TOOL_EXIT_ERROR;
  uint8_t attributes = uint8_t(a.n[1]), category = uint8_t(a.n[2]);
  Err err = DB_SetRecordInfo(f, uint16_t(a.n[0]), &attributes, &category);
  return err == 0 ? TOOL_EXIT_OK : fail(a, "set the attributes", err);
}

// Byte by byte as unsigned values; a record that is a prefix of a longer
// one sorts first.
int16_t compareBytes(const uint8_t* a, uint32_t aSize, const uint8_t* b, uint32_t bSize,
                     uintptr_t) {
  uint32_t n = aSize < bSize ? aSize : bSize;
  int c = n ? memcmp(a, b, n) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  return aSize < bSize ? -1 : aSize > bSize ? 1 : 0;
}

int runSort(FileRef f, const Args& a) {
  Err err = DB_Sort(f, compareBytes, 0);
  return err == 0 ? TOOL_EXIT_OK : fail(a, "sort", err);
}

const Verb VERBS[] = {
    {"info", "FILE [--json]", {}, 0, false, nullptr},
    {"check", "FILE", {}, 0, false, nullptr},
    {"insert",
     "FILE INDEX SIZE [COUNT]",
     {{"INDEX", 0, U16}, {"SIZE", 0, U32}, {"COUNT", 1, U16}},
     2,
     false,
     runInsert},
    {"resize", "FILE INDEX SIZE", {{"INDEX", 0, U16}, {"SIZE", 0, U32}}, 2, false, runResize},
    {"delete", "FILE INDEX [COUNT]", {{"INDEX", 0, U16}, {"COUNT", 1, U16}}, 1, false, runDelete},
    {"move",
     "FILE FROM TO [COUNT]",
     {{"FROM", 0, U16}, {"TO", 0, U16}, {"COUNT", 1, U16}},
     2,
     false,
     runMove},
    {"write", "FILE INDEX OFFSET HEX", {{"INDEX", 0, U16}, {"OFFSET", 0, U32}}, 2, true, runWrite},
    {"attr",
     "FILE INDEX ATTRIBUTES CATEGORY",
     {{"INDEX", 0, U16}, {"ATTRIBUTES", 0, 7}, {"CATEGORY", 0, 15}},
     3,
     false,
     runAttr},
    {"sort", "FILE", {}, 0, false, runSort},
};

int usageFail(const Verb& v, const char* why) {
  ToolUsageFail("pdb %s: %s\nusage: brantel-tool pdb %s %s", v.name, why, v.name, v.usage);
  return TOOL_EXIT_USAGE;
}

// Fills `a` from argv (after the verb). Returns 0 or the usage exit code.
int parseArgs(const Verb& v, int argc, char** argv, Args* a) {
  std::vector<const char*> plain;
  for (int i = 0; i < argc; i++) {
    if (v.run == nullptr && strcmp(v.name, "info") == 0 && strcmp(argv[i], "--json") == 0)
      a->json = true;
    else
      plain.push_back(argv[i]);
  }
  int optional = 0;
  while (v.required + optional < 3 && v.nums[v.required + optional].name) optional++;
  int least = 1 + v.required + (v.hex ? 1 : 0), most = least + optional;
  if (int(plain.size()) < least) return usageFail(v, "too few arguments");
  if (int(plain.size()) > most) return usageFail(v, "too many arguments");
  a->path = plain[0];
  for (int i = 0; i < v.required + optional; i++) {
    const NumArg& num = v.nums[i];
    if (1 + i >= int(plain.size()) - (v.hex ? 1 : 0)) {
      a->n[i] = num.min;  // COUNT left out: one record
      continue;
    }
    if (!ToolParseNumber(plain[1 + i], num.max, &a->n[i]) || a->n[i] < num.min) {
      std::string why = std::string(num.name) + " must be a number from " +
                        std::to_string(num.min) + " to " + std::to_string(num.max) + ", not '" +
                        plain[1 + i] + "'";
      return usageFail(v, why.c_str());
    }
  }
  if (v.hex && !parseHex(plain[1 + v.required], &a->hex))
    return usageFail(v, "HEX must be an even number of hex digits (at least two)");
  return 0;
}

int runVerb(const Verb& v, const Args& a) {
  bool writes = v.run != nullptr;
  FileRef f = nullptr;
  if (!ToolOpenFile(a.path, writes ? FIL_MODE_READ_WRITE : FIL_MODE_READ, &f))
    return TOOL_EXIT_ERROR;
  int rc;
  if (!writes)
    rc = strcmp(v.name, "info") == 0 ? PdbInfo(f, a.path, a.json) : PdbCheck(f, a.path);
  else if (!PdbUsable(f, a.path))
    rc = TOOL_EXIT_ERROR;
  else
    rc = v.run(f, a);
  if (writes && rc == TOOL_EXIT_OK) {
    Err err = FIL_Flush(f);
    if (err != 0) rc = fail(a, "flush the file", err);
  }
  FIL_Close(&f);
  return rc;
}

}  // namespace

void PdbUsage(FILE* out) {
  for (const Verb& v : VERBS) fprintf(out, "  brantel-tool pdb %s %s\n", v.name, v.usage);
  fputs(
      "\n"
      "  info lists the header and the record list (resource databases: the\n"
      "  resource list); check validates the structure. insert, resize, delete,\n"
      "  move, write, attr and sort change the file in place. New record bytes\n"
      "  are zero. HEX is the bytes to write, two hex digits each. ATTRIBUTES\n"
      "  adds 1 deleted, 2 secret, 4 dirty; CATEGORY is 0 to 15. sort orders the\n"
      "  records by their bytes (unsigned; a prefix first). Numbers are decimal or\n"
      "  0x hex.\n",
      out);
}

int PdbCommand(int argc, char** argv) {
  if (argc < 1) {
    ToolUsageFail("pdb needs a verb");
    return TOOL_EXIT_USAGE;
  }
  const Verb* verb = nullptr;
  for (const Verb& v : VERBS)
    if (strcmp(v.name, argv[0]) == 0) verb = &v;
  if (!verb) {
    ToolUsageFail("pdb: unknown verb '%s'", argv[0]);
    return TOOL_EXIT_USAGE;
  }
  Args a;
  int rc = parseArgs(*verb, argc - 1, argv + 1, &a);
  if (rc != 0) return rc;
  if (!ToolStart()) return TOOL_EXIT_ERROR;
  rc = runVerb(*verb, a);
  ToolStop();
  return rc;
}
