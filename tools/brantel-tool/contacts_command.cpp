// `brantel-tool contacts` and `brantel-tool sample`: the verb table, strict
// argument parsing, the start shared by both (platform, the resource store
// carried by the tool, default preferences) and the verbs that change a
// contact database (set, info, new, duplicate, delete, repair) or only
// read it (dump, order). Every change goes through the contact store and
// ends with the record in its database place. Owns no state between calls.
#include "contacts_command.h"

#include <fcntl.h>
#include <limits.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "pdb_command.h"
#include "sample.h"
#include "tool.h"

namespace {

struct Args {
  const char* path = nullptr;
  std::vector<const char*> rest;  // the arguments after FILE
  bool json = false;
  int16_t order = -1;  // repair --order; -1 detects it
};

using VerbFn = int (*)(ContactDb* db, const Args& a);

struct Verb {
  const char* name;
  const char* usage;
  int args;  // arguments after FILE
  bool writes;
  VerbFn run;
};

const char* orderName(int16_t order) {
  return order == 2 ? "company" : order == 1 ? "first name" : "last name";
}

int fail(const Args& a, const char* what, Err err) {
  ToolFail(a.path, "cannot %s: %s", what, ToolErrText(err).c_str());
  return TOOL_EXIT_ERROR;
}

// A record index of the file, with an error line when it is not one.
bool parseIndex(ContactDb* db, const Args& a, const char* text, uint16_t* out) {
  uint64_t n = 0;
  uint16_t count = ContactDbCount(db);
  if (!ToolParseNumber(text, 0xFFFF, &n) || n >= count) {
    ToolFail(a.path, "INDEX '%s' is not a record of the file (it has %u records)", text, count);
    return false;
  }
  *out = uint16_t(n);
  return true;
}

// A number 0 … count - 1 or one of `names` (case ignored).
bool parseName(const char* text, const char* const* names, int16_t count, int16_t* out) {
  uint64_t n = 0;
  if (ToolParseNumber(text, uint64_t(count - 1), &n)) {
    *out = int16_t(n);
    return true;
  }
  for (int16_t i = 0; i < count; i++)
    if (strcasecmp(text, names[i]) == 0) return *out = i, true;
  return false;
}

// A signed 32-bit value: -N, N, or 0x hex of all 32 bits.
bool parseValue(const char* text, int32_t* out) {
  uint64_t n = 0;
  if (text[0] == '-') {
    if (!ToolParseNumber(text + 1, 0x80000000ull, &n)) return false;
    *out = int32_t(-int64_t(n));
    return true;
  }
  if (!ToolParseNumber(text, 0xFFFFFFFFull, &n)) return false;
  *out = int32_t(uint32_t(n));
  return true;
}

// Puts the record back into its place and prints where it is now.
int placed(ContactDb* db, uint16_t index) {
  printf("%u\n", ContactReposition(db, index));
  return TOOL_EXIT_OK;
}

int runDump(ContactDb* db, const Args& a) { return ContactsDump(db, a.path, a.json); }

int runSet(ContactDb* db, const Args& a) {
  uint16_t index = 0;
  int16_t kind = 0;
  uint64_t slot = 0;
  if (!parseIndex(db, a, a.rest[0], &index)) return TOOL_EXIT_ERROR;
  if (!parseName(a.rest[1], CONTACT_KIND_NAMES, FIELD_KIND_COUNT, &kind) ||
      !ToolParseNumber(a.rest[2], 0x7FFF, &slot)) {
    ToolFail(a.path, "KIND must be 0-15 or a kind name and IDX a slot number");
    return TOOL_EXIT_ERROR;
  }
  std::string text;
  if (!ContactsFromUtf8(a.rest[3], &text)) text = a.rest[3];  // not UTF-8: the bytes as given
  ContactRec rec;
  if (ContactFetch(&rec, db, index) != 0) return fail(a, "read the record", ERR_READ);
  Err err = ContactSetField(&rec, FieldKind(kind), int16_t(slot), text.c_str());
  ContactRelease(&rec);
  if (err == -1) {
    ToolFail(a.path, "the %s layout has no field %s %u",
             db->isContacts ? "ContactsDB-PAdd" : "AddressDB", CONTACT_KIND_NAMES[kind],
             unsigned(slot));
    return TOOL_EXIT_ERROR;
  }
  return err == 0 ? placed(db, index) : fail(a, "set the field", err);
}

int runInfo(ContactDb* db, const Args& a) {
  uint16_t index = 0;
  int16_t selector = 0;
  uint64_t slot = 0;
  int32_t value = 0;
  if (!parseIndex(db, a, a.rest[0], &index)) return TOOL_EXIT_ERROR;
  if (!parseName(a.rest[1], CONTACT_INFO_NAMES, CONTACT_INFO_COUNT, &selector) ||
      !ToolParseNumber(a.rest[2], 0x7FFF, &slot) || !parseValue(a.rest[3], &value)) {
    ToolFail(a.path,
             "SELECTOR must be 0-11 or a selector name, IDX a slot number and VALUE a "
             "32-bit number");
    return TOOL_EXIT_ERROR;
  }
  ContactRec rec;
  if (ContactFetch(&rec, db, index) != 0) return fail(a, "read the record", ERR_READ);
  Err err = ContactSetInfo(&rec, ContactInfo(selector), int16_t(slot), value);
  ContactRelease(&rec);
  if (err == -1) {
    ToolFail(a.path, "%s %u cannot be set in the %s layout", CONTACT_INFO_NAMES[selector],
             unsigned(slot), db->isContacts ? "ContactsDB-PAdd" : "AddressDB");
    return TOOL_EXIT_ERROR;
  }
  return err == 0 ? placed(db, index) : fail(a, "set the record info", err);
}

int runNew(ContactDb* db, const Args& a) {
  Err err = ContactNew(db, 0);
  return err == 0 ? placed(db, 0) : fail(a, "add a contact", err);
}

int runDuplicate(ContactDb* db, const Args& a) {
  uint16_t index = 0;
  if (!parseIndex(db, a, a.rest[0], &index)) return TOOL_EXIT_ERROR;
  Err err = ContactDuplicate(db, index);
  if (err != 0) return fail(a, "duplicate the contact", err);
  printf("%u\n", index + 1);
  return TOOL_EXIT_OK;
}

int runDelete(ContactDb* db, const Args& a) {
  uint16_t index = 0;
  if (!parseIndex(db, a, a.rest[0], &index)) return TOOL_EXIT_ERROR;
  int32_t now = ContactDelete(db, index);
  if (now < 0) return fail(a, "delete the contact", ERR_WRITE);
  printf("%d\n", int(now));
  return TOOL_EXIT_OK;
}

int runOrder(ContactDb* db, const Args&) {
  int16_t order = ContactDetectOrder(db, -1);
  printf("%d (%s)\n", order, orderName(order));
  return TOOL_EXIT_OK;
}

int runRepair(ContactDb* db, const Args& a) {
  int16_t order = a.order >= 0 ? a.order : ContactDetectOrder(db, -1);
  RepairCounts counts{};
  Err err = ContactRepairRun(db, order, nullptr, 0, &counts);
  if (err != 0) return fail(a, "repair the database", err);
  printf("order: %d (%s)\nsorted: %u\ndupes: %u\nnulls: %u\nshortened: %u\nextended: %u\n", order,
         orderName(order), counts.sorted, counts.dupes, counts.nulls, counts.shortened,
         counts.extended);
  return TOOL_EXIT_OK;
}

const Verb VERBS[] = {
    {"dump", "FILE [--json]", 0, false, runDump},
    {"set", "FILE INDEX KIND IDX TEXT", 4, true, runSet},
    {"info", "FILE INDEX SELECTOR IDX VALUE", 4, true, runInfo},
    {"new", "FILE", 0, true, runNew},
    {"duplicate", "FILE INDEX", 1, true, runDuplicate},
    {"delete", "FILE INDEX", 1, true, runDelete},
    {"order", "FILE", 0, false, runOrder},
    {"repair", "FILE [--order 0|1|2]", 0, true, runRepair},
};

int usageFail(const Verb& v, const char* why) {
  ToolUsageFail("contacts %s: %s\nusage: brantel-tool contacts %s %s", v.name, why, v.name,
                v.usage);
  return TOOL_EXIT_USAGE;
}

int parseArgs(const Verb& v, int argc, char** argv, Args* a) {
  std::vector<const char*> plain;
  for (int i = 0; i < argc; i++) {
    if (strcmp(v.name, "dump") == 0 && strcmp(argv[i], "--json") == 0) {
      a->json = true;
    } else if (strcmp(v.name, "repair") == 0 && strcmp(argv[i], "--order") == 0) {
      uint64_t n = 0;
      if (i + 1 >= argc || !ToolParseNumber(argv[i + 1], 2, &n))
        return usageFail(v, "--order takes 0 (last name), 1 (first name) or 2 (company)");
      a->order = int16_t(n);
      i++;
    } else {
      plain.push_back(argv[i]);
    }
  }
  if (int(plain.size()) < 1 + v.args) return usageFail(v, "too few arguments");
  if (int(plain.size()) > 1 + v.args) return usageFail(v, "too many arguments");
  a->path = plain[0];
  a->rest.assign(plain.begin() + 1, plain.end());
  return 0;
}

int runVerb(const Verb& v, const Args& a) {
  FileRef f = nullptr;
  if (!ToolOpenFile(a.path, v.writes ? FIL_MODE_READ_WRITE : FIL_MODE_READ, &f))
    return TOOL_EXIT_ERROR;
  if (!PdbUsable(f, a.path)) {
    FIL_Close(&f);
    return TOOL_EXIT_ERROR;
  }
  ContactDb* db = nullptr;
  Err err = ContactDbAttach(&db, f, !v.writes);
  if (err != 0) {
    FIL_Close(&f);
    if (err == ERR_NOT_DATABASE) {
      ToolFail(a.path,
               "not a contact database (its header names neither AddressDB nor "
               "ContactsDB-PAdd)");
      return TOOL_EXIT_ERROR;
    }
    return fail(a, "open the contact database", err);
  }
  int rc = v.run(db, a);
  fflush(stdout);
  if (v.writes && rc == TOOL_EXIT_OK) {
    err = FIL_Flush(db->file);
    if (err != 0) rc = fail(a, "flush the file", err);
  }
  ContactDbClose(&db);
  return rc;
}

}  // namespace

void ContactsUsage(FILE* out) {
  for (const Verb& v : VERBS) fprintf(out, "  brantel-tool contacts %s %s\n", v.name, v.usage);
  fputs(
      "\n"
      "  Contact databases (AddressDB or ContactsDB-PAdd) through the contact store,\n"
      "  with the program's default preferences. set and info write a field or a\n"
      "  record info value and put the record back into the database order; they,\n"
      "  new, duplicate and delete print the record's index afterwards. KIND is 0-15\n"
      "  or LastName FirstName Company Phone Address City State Zip Country Title\n"
      "  Chat Web Custom Note Birthday Picture; IDX is the slot. TEXT is UTF-8,\n"
      "  stored in the handheld's character set (a TEXT that is not UTF-8 is\n"
      "  stored byte for byte); an empty TEXT removes the field. SELECTOR is 0-11\n"
      "  or ShownPhone PhoneLabel PhoneCount AddressCount CustomCount\n"
      "  CustomLabelCount AddressLabel ChatLabel ChatCount HasBirthday BirthdayInfo\n"
      "  HasWeb; VALUE is a 32-bit number (-1 removes a birthday). order prints\n"
      "  the detected database order; repair sorts, mends and removes duplicates\n"
      "  in that order (or --order) and prints its counts: sorted, dupes, nulls,\n"
      "  shortened, extended.\n"
      "\n"
      "  dump prints every record; texts are in the handheld's character set, the\n"
      "  text form escapes other bytes as \\xHH and line breaks as \\n. dump --json\n"
      "  writes one object: \"file\", \"layout\" (\"AddressDB\" or \"ContactsDB-PAdd\"),\n"
      "  \"count\", \"order\" (0 last name, 1 first name, 2 company) and \"records\", an\n"
      "  array of objects with \"index\", \"uniqueId\", \"size\" (bytes), \"attributes\"\n"
      "  (1 deleted, 2 private, 4 dirty), \"category\" (0-15), \"fields\" (one array per\n"
      "  kind name, one entry per slot of the layout, null when absent), \"info\"\n"
      "  (one value per selector name; PhoneLabel, AddressLabel and ChatLabel are\n"
      "  arrays by slot), \"picture\" (null or {\"bytes\", \"width\", \"height\"}) and\n"
      "  \"columns\" (the 38 column texts 0-37, item 0, no width limit). Strings are\n"
      "  UTF-8 (the handheld's set read as Windows-1252 with the card suits at\n"
      "  0x8D-0x90); a byte no character stands for is written as \\u00HH.\n",
      out);
}

int ContactsCommand(int argc, char** argv) {
  if (argc < 1) {
    ToolUsageFail("contacts needs a verb");
    return TOOL_EXIT_USAGE;
  }
  const Verb* verb = nullptr;
  for (const Verb& v : VERBS)
    if (strcmp(v.name, argv[0]) == 0) verb = &v;
  if (!verb) {
    ToolUsageFail("contacts: unknown verb '%s'", argv[0]);
    return TOOL_EXIT_USAGE;
  }
  Args a;
  int rc = parseArgs(*verb, argc - 1, argv + 1, &a);
  if (rc != 0) return rc;
  if (!ToolStartWithResources()) return TOOL_EXIT_ERROR;
  rc = runVerb(*verb, a);
  ToolStop();
  return rc;
}

// --- sample -------------------------------------------------------------------

namespace {

struct SampleArgs {
  SampleOptions options{true, 300, 1};
  bool force = false;
  const char* path = nullptr;
};

int sampleUsageFail(const char* why) {
  ToolUsageFail(
      "sample: %s\nusage: brantel-tool sample [--layout contacts|address] [--count N] "
      "[--seed S] [--force] FILE",
      why);
  return TOOL_EXIT_USAGE;
}

int parseSampleArgs(int argc, char** argv, SampleArgs* a) {
  for (int i = 0; i < argc; i++) {
    const char* arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    uint64_t n = 0;
    if (strcmp(arg, "--force") == 0) {
      a->force = true;
    } else if (strcmp(arg, "--layout") == 0) {
      if (!value || (strcmp(value, "contacts") != 0 && strcmp(value, "address") != 0))
        return sampleUsageFail("--layout takes contacts (ContactsDB-PAdd) or address (AddressDB)");
      a->options.contacts = strcmp(value, "contacts") == 0;
      i++;
    } else if (strcmp(arg, "--count") == 0) {
      if (!value || !ToolParseNumber(value, SAMPLE_MAX_COUNT, &n))
        return sampleUsageFail("--count takes a number from 0 to 65535");
      a->options.count = uint32_t(n);
      i++;
    } else if (strcmp(arg, "--seed") == 0) {
      if (!value || !ToolParseNumber(value, UINT64_MAX, &a->options.seed))
        return sampleUsageFail("--seed takes an unsigned 64-bit number");
      i++;
    } else if (arg[0] == '-' && arg[1]) {
      return sampleUsageFail((std::string("unknown option '") + arg + "'").c_str());
    } else if (a->path) {
      return sampleUsageFail("too many arguments");
    } else {
      a->path = arg;
    }
  }
  return a->path ? 0 : sampleUsageFail("FILE is missing");
}

// Writes the file: a new file is created exclusively (an existing one is
// never touched); with --force a complete temporary file replaces it.
bool writeSample(const SampleArgs& a, const std::vector<uint8_t>& bytes) {
  std::string target = a.path, temp = target + ".new-XXXXXX";
  int fd = a.force ? mkstemp(temp.data()) : open(a.path, O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd < 0) {
    ToolFail(
        a.path, "%s",
        !a.force && errno == EEXIST ? "the file exists (--force replaces it)" : strerror(errno));
    return false;
  }
  const std::string& written = a.force ? temp : target;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += size_t(n);
  }
  bool ok = done == bytes.size() && fsync(fd) == 0;
  int saved = errno;
  ok = close(fd) == 0 && ok;
  if (ok && a.force && rename(temp.c_str(), a.path) != 0) ok = false, saved = errno;
  if (!ok) {
    unlink(written.c_str());
    ToolFail(a.path, "cannot write the file: %s", strerror(saved));
  }
  return ok;
}

}  // namespace

void SampleUsage(FILE* out) {
  fputs(
      "  brantel-tool sample [--layout contacts|address] [--count N] [--seed S] [--force] FILE\n"
      "\n"
      "  Writes a sample address book of N contacts (default 300) in native order:\n"
      "  ContactsDB-PAdd (contacts, the default) or AddressDB (address). The same\n"
      "  seed (default 1) gives the same bytes. An existing FILE is kept unless\n"
      "  --force is given.\n",
      out);
}

int SampleCommand(int argc, char** argv) {
  SampleArgs a;
  int rc = parseSampleArgs(argc, argv, &a);
  if (rc != 0) return rc;
  if (!a.force && access(a.path, F_OK) == 0) {
    ToolFail(a.path, "the file exists (--force replaces it)");
    return TOOL_EXIT_ERROR;
  }
  if (!ToolStartWithResources()) return TOOL_EXIT_ERROR;
  std::vector<uint8_t> bytes;
  Err err = SampleBuild(a.options, &bytes);
  ToolStop();
  if (err != 0) {
    ToolFail(a.path, "cannot build the sample: %s", ToolErrText(err).c_str());
    return TOOL_EXIT_ERROR;
  }
  if (!writeSample(a, bytes)) return TOOL_EXIT_ERROR;
  printf("%s: %u contacts (%s), %zu bytes\n", a.path, a.options.count,
         a.options.contacts ? "ContactsDB-PAdd" : "AddressDB", bytes.size());
  return TOOL_EXIT_OK;
}
