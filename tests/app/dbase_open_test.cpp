// Tests of opening the contact database: which file wins, the read-only
// fallback, the offer to create a missing database (once per run, never
// over an existing file), the alert for a file that cannot be opened, the
// file-date check, wrapping an open file, and what the stop remembers.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "dbase_fixture.h"
#include "host_file.h"
#include "phone.h"

namespace {

class ContactOpen : public ContactStoreTest {
 protected:
  void SetUp() override {
    ContactStoreTest::SetUp();
    ASSERT_EQ(0, RES_Open(BRANTEL_RES_STORE));
  }
  // The "ADDR" template as the resource store holds it.
  static PdbBytes Template(uint32_t id) {
    ResHandle h = nullptr;
    EXPECT_EQ(0, RES_Get(&h, RES_TYPE_TEMPLATE, id));
    PdbBytes bytes(RES_Data(h), RES_Data(h) + RES_Size(h));
    RES_Release(&h);
    return bytes;
  }
  Err OpenAsUser(bool writable = true) {
    ContactDbClose(&db_);
    return ContactDbOpen(&db_, writable, false);
  }
  std::vector<std::string> DataFiles() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(DataDir()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

PdbBytes OneContact(bool contacts, const std::string& last) {
  return ContactPdb(contacts).Record(NameRecord(contacts, last, "")).Bytes();
}

TEST_F(ContactOpen, ContactsFileWinsOverAddressFile) {
  WriteDataFile(ADDRESS_FILE, OneContact(false, "Old"));
  WriteDataFile(CONTACTS_FILE, OneContact(true, "New"));
  ASSERT_EQ(0, OpenAsUser());
  EXPECT_NE(0, db_->isContacts);
  EXPECT_STREQ(CONTACTS_FILE, FIL_Name(db_->file));
  EXPECT_EQ(0, db_->readOnly);
  EXPECT_EQ(1, ContactDbCount(db_));
  EXPECT_TRUE(g_alerts.names.empty());
}

TEST_F(ContactOpen, AddressFileAloneGivesTheClassicLayout) {
  WriteDataFile(ADDRESS_FILE, OneContact(false, "Old"));
  ASSERT_EQ(0, OpenAsUser());
  EXPECT_EQ(0, db_->isContacts);
  EXPECT_STREQ(ADDRESS_FILE, FIL_Name(db_->file));
  ContactRec rec;
  ASSERT_EQ(0, ContactFetch(&rec, db_, 0));
  char* last = ContactGetField(&rec, FieldKind::LastName, 0, nullptr, 0, 0);
  EXPECT_STREQ("Old", last);
  MEM_Free(last);
  ContactRelease(&rec);
}

TEST_F(ContactOpen, ReadingOnlyWhenAskedMarksReadOnly) {
  WriteDataFile(CONTACTS_FILE, OneContact(true, "A"));
  ASSERT_EQ(0, OpenAsUser(false));
  EXPECT_EQ(1, db_->readOnly);
  EXPECT_EQ(FIL_MODE_READ, FIL_Mode(db_->file));
}

TEST_F(ContactOpen, RefusedWritingFallsBackToReadOnly) {
  WriteDataFile(CONTACTS_FILE, OneContact(true, "A"));
  // The first host open (read-write) fails, as for a file the user may
  // only read.
  HostFaults faults{0, 0, 0, 1, 0, false, -1};
  HOST_SetFileOps(&HOST_FAULT_FILE_OPS);
  HOST_SetFaults(&faults);
  ASSERT_EQ(0, OpenAsUser());
  EXPECT_EQ(1, db_->readOnly);
  EXPECT_EQ(1, ContactDbCount(db_));
}

TEST_F(ContactOpen, ReadOnlyFileOpensReadOnlyWhereTheHostRefusesWriting) {
  std::string path = WriteDataFile(CONTACTS_FILE, OneContact(true, "A"));
  ASSERT_EQ(0, chmod(path.c_str(), 0444));
  // Root may write a 0444 file: then the fallback is not needed and the
  // open is read-write; anyone else gets the read-only fallback.
  bool hostRefuses = access(path.c_str(), W_OK) != 0;
  ASSERT_EQ(0, OpenAsUser());
  EXPECT_EQ(hostRefuses ? 1 : 0, db_->readOnly);
  EXPECT_EQ(1, ContactDbCount(db_));
}

TEST_F(ContactOpen, FileWrittenByAnotherProcessOpensReadOnlyAndStaysAsItWas) {
  PdbBytes image = OneContact(true, "Held");
  std::string path = WriteDataFile(CONTACTS_FILE, image);
  int ready[2], release[2];
  ASSERT_EQ(0, pipe(ready));
  ASSERT_EQ(0, pipe(release));
  pid_t child = fork();
  if (child == 0) {
    // The other program: holds the writers' lock until told to stop.
    int fd = ::open(path.c_str(), O_RDONLY);
    char c = flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
    ssize_t w = write(ready[1], &c, 1);
    ssize_t r = read(release[0], &c, 1);
    _exit(w == 1 && r >= 0 ? 0 : 1);
  }
  char c = 0;
  ASSERT_EQ(1, read(ready[0], &c, 1));
  ASSERT_EQ('y', c);
  Err err = OpenAsUser();
  uint8_t readOnly = db_ ? db_->readOnly : 0;
  g_alerts.answer = 1;
  ContactDbClose(&db_);
  ASSERT_EQ(1, write(release[1], &c, 1));
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(0, err);
  EXPECT_EQ(1, readOnly);
  EXPECT_EQ(image, ReadDataFile(CONTACTS_FILE));
  EXPECT_TRUE(g_alerts.names.empty());
  for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
}

TEST_F(ContactOpen, MissingDatabaseIsCreatedFromTheTemplateOnCreate) {
  g_alerts.answer = 1;  // "&Create"
  ASSERT_EQ(0, OpenAsUser());
  ASSERT_EQ(1u, g_alerts.names.size());
  EXPECT_EQ(FCC("dORd"), g_alerts.names[0]);
  EXPECT_EQ(0, db_->isContacts);
  EXPECT_EQ(0, ContactDbCount(db_));
  // The whole "ADDR" 1 database, named after its header, nothing else left.
  PdbBytes expect = Template(1);
  EXPECT_EQ(expect, ReadDataFile(ADDRESS_FILE));
  PdbImage im = PdbParse(expect);
  EXPECT_EQ("AddressDB", im.name);
  EXPECT_EQ(std::vector<std::string>{ADDRESS_FILE}, DataFiles());
}

TEST_F(ContactOpen, CreateIsOfferedOncePerRunAndOkCreatesNothing) {
  EXPECT_EQ(ERR_OPEN_FAILED, OpenAsUser());
  EXPECT_EQ(ERR_OPEN_FAILED, OpenAsUser());
  EXPECT_EQ(std::vector<FourCC>{FCC("dORd")}, g_alerts.names);
  EXPECT_TRUE(DataFiles().empty());
  EXPECT_EQ(nullptr, db_);
  // A new run offers it again.
  ContactStoreReset();
  EXPECT_EQ(ERR_OPEN_FAILED, OpenAsUser());
  EXPECT_EQ(2u, g_alerts.names.size());
}

TEST_F(ContactOpen, QuietOpenNeverAsksOrCreates) {
  g_alerts.answer = 1;
  ContactDb* db = nullptr;
  EXPECT_NE(0, ContactDbOpen(&db, true, true));
  EXPECT_EQ(nullptr, db);
  EXPECT_TRUE(g_alerts.names.empty());
  EXPECT_TRUE(DataFiles().empty());
}

TEST_F(ContactOpen, FileThatCannotBeOpenedGetsItsOwnAlertAndIsNeverReplaced) {
  PdbBytes image = OneContact(true, "Keep");
  WriteDataFile(CONTACTS_FILE, image);
  HostFaults faults{0, 0, 0, 1, 0, true, -1};  // every open fails
  HOST_SetFileOps(&HOST_FAULT_FILE_OPS);
  HOST_SetFaults(&faults);
  g_alerts.answer = 1;  // even a "Create" answer must not replace it
  EXPECT_EQ(ERR_OPEN_FAILED, OpenAsUser());
  EXPECT_EQ(ERR_OPEN_FAILED, OpenAsUser());
  HOST_SetFaults(nullptr);
  HOST_SetFileOps(nullptr);
  EXPECT_EQ(std::vector<FourCC>{FCC("dOpn")}, g_alerts.names);
  EXPECT_EQ(std::string(CONTACTS_FILE), g_alerts.firstArgs[0]);
  EXPECT_EQ(image, ReadDataFile(CONTACTS_FILE));
  EXPECT_EQ(std::vector<std::string>{CONTACTS_FILE}, DataFiles());
}

TEST_F(ContactOpen, DirectoryInTheDatabasesPlaceIsReportedNotReplaced) {
  std::filesystem::create_directory(DataDir() + "/" + ADDRESS_FILE);
  g_alerts.answer = 1;
  EXPECT_NE(0, OpenAsUser());
  EXPECT_EQ(std::vector<FourCC>{FCC("dOpn")}, g_alerts.names);
  EXPECT_TRUE(std::filesystem::is_directory(DataDir() + "/" + ADDRESS_FILE));
}

std::string g_dataDir;

void CreateTheFileMeanwhile() {
  // Another program writes the database while the alert is up.
  PdbBytes bytes = OneContact(false, "Theirs");
  std::ofstream(g_dataDir + "/" + ADDRESS_FILE, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

TEST_F(ContactOpen, CreateNeverOverwritesAFileThatAppearedMeanwhile) {
  g_dataDir = DataDir();
  g_alerts.answer = 1;
  g_alerts.during = CreateTheFileMeanwhile;
  ASSERT_EQ(0, OpenAsUser());
  EXPECT_EQ(OneContact(false, "Theirs"), ReadDataFile(ADDRESS_FILE));
  EXPECT_EQ(1, ContactDbCount(db_));
  EXPECT_EQ(std::vector<std::string>{ADDRESS_FILE}, DataFiles());
}

TEST_F(ContactOpen, CreateOnAFullDiskLeavesNothingBehind) {
  HostFaults faults{0, 0, 0, 0, 0, false, 40};
  HOST_SetFileOps(&HOST_FAULT_FILE_OPS);
  HOST_SetFaults(&faults);
  g_alerts.answer = 1;
  EXPECT_EQ(ERR_DISK_FULL, OpenAsUser());
  HOST_SetFaults(nullptr);
  HOST_SetFileOps(nullptr);
  EXPECT_TRUE(DataFiles().empty());
}

TEST_F(ContactOpen, FileDateIsComparedOncePerRun) {
  std::string path = WriteDataFile(CONTACTS_FILE, OneContact(true, "A"));
  PalmTime date = 0;
  ASSERT_TRUE(ContactFileDate(&date));
  struct stat st;
  ASSERT_EQ(0, stat(path.c_str(), &st));
  EXPECT_EQ(PalmTimeFromUnix(st.st_mtime), date);
  g_prefs.trackFileDate = 1;
  g_prefs.fileDate = date - 100;
  // A quiet open does not check.
  ContactDb* quiet = nullptr;
  ASSERT_EQ(0, ContactDbOpen(&quiet, false, true));
  ContactDbClose(&quiet);
  EXPECT_FALSE(g_contactFileChanged);
  ASSERT_EQ(0, OpenAsUser());
  EXPECT_TRUE(g_contactFileChanged);
  EXPECT_EQ(date, g_prefs.fileDate);
  // Not again in this run, whatever the date says now.
  g_contactFileChanged = false;
  g_prefs.fileDate = 5;
  ASSERT_EQ(0, OpenAsUser());
  EXPECT_FALSE(g_contactFileChanged);
  EXPECT_EQ(5u, g_prefs.fileDate);
}

TEST_F(ContactOpen, UnchangedFileDateOrNoTrackingChangesNothing) {
  WriteDataFile(CONTACTS_FILE, OneContact(true, "A"));
  PalmTime date = 0;
  ASSERT_TRUE(ContactFileDate(&date));
  g_prefs.trackFileDate = 0;
  g_prefs.fileDate = 1;
  ASSERT_EQ(0, OpenAsUser());
  EXPECT_FALSE(g_contactFileChanged);
  EXPECT_EQ(1u, g_prefs.fileDate);
  ContactStoreReset();
  g_prefs.trackFileDate = 1;
  g_prefs.fileDate = date;
  ASSERT_EQ(0, OpenAsUser());
  EXPECT_FALSE(g_contactFileChanged);
}

TEST_F(ContactOpen, AttachTellsTheLayoutByTheHeader) {
  struct Case {
    PdbBuilder builder;
    Err err;
    int16_t contacts;
  } cases[] = {
      {PdbBuilder().Name("ContactsDB-PAdd"), 0, 1},
      {PdbBuilder().Name("Copy").Creator("PAdd"), 0, 1},
      {PdbBuilder().Name("AddressDB"), 0, 0},
      {PdbBuilder().Name("Other").Creator("addr"), 0, 0},
      {PdbBuilder().Name("MemoDB").Creator("memo"), ERR_NOT_DATABASE, 0},
  };
  for (const Case& c : cases) {
    WriteDataFile("x.pdb", c.builder.Bytes());
    FileRef f = nullptr;
    ASSERT_EQ(0, FIL_Open(&f, VOL_DOCUMENTS, "", "x.pdb", FIL_MODE_READ));
    ContactDb* db = nullptr;
    EXPECT_EQ(c.err, ContactDbAttach(&db, f, true));
    if (db) {
      EXPECT_EQ(c.contacts, db->isContacts != 0);
      EXPECT_EQ(1, db->readOnly);
      ContactDbClose(&db);
      EXPECT_EQ(nullptr, db);
    } else {
      FIL_Close(&f);  // a refused file stays the caller's
    }
  }
}

TEST_F(ContactOpen, StopRemembersDateAndFingerprint) {
  PdbBuilder b = ContactPdb(true);
  for (int i = 0; i < 5; i++)
    b.Record(NameRecord(true, std::string(1, char('a' + i)), ""), 0, uint32_t(0x100 + i));
  WriteDataFile(CONTACTS_FILE, b.Bytes());
  PalmTime date = 0;
  ASSERT_TRUE(ContactFileDate(&date));
  uint32_t fingerprint = 0;
  ASSERT_TRUE(ContactCurrentFingerprint(&fingerprint));
  EXPECT_EQ(0x102u, fingerprint);  // record 5 / 2
  g_prefs.trackFileDate = 0;
  ContactRememberFileDate();
  EXPECT_EQ(0u, g_prefs.fileDate);
  EXPECT_EQ(0x102u, g_prefs.databaseFingerprint);
  g_prefs.trackFileDate = 1;
  ContactRememberFileDate();
  EXPECT_EQ(date, g_prefs.fileDate);
  EXPECT_TRUE(g_alerts.names.empty());
}

// The program's start resets the run state and its stop stores the date
// and the fingerprint, in the shell's own order.
Err NoStart() { return 0; }
void NoStop() {}
const AppModule kNothing[] = {{"nothing", NoStart, NoStop}};

TEST_F(ContactOpen, ProgramStartResetsAndStopRemembers) {
  WriteDataFile(CONTACTS_FILE, ContactPdb(true).Record(NameRecord(true, "A", ""), 0, 0x77).Bytes());
  detectedOrder = 2;
  AppSetModules(kNothing, 1);
  ASSERT_EQ(0, AppStart());
  EXPECT_EQ(-1, detectedOrder);
  g_prefs.trackFileDate = 1;
  g_prefs.fileDate = 0;
  AppStop();
  AppSetModules(nullptr, 0);
  PalmTime date = 0;
  ASSERT_TRUE(ContactFileDate(&date));
  EXPECT_EQ(date, g_prefs.fileDate);
  EXPECT_EQ(0x77u, g_prefs.databaseFingerprint);
  EXPECT_TRUE(g_alerts.names.empty());
}

}  // namespace
