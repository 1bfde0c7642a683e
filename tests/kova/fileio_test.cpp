// Open-file primitives: slots, modes, the writers' lock against other
// processes, shared sizes between handles, whole-file writes, the RAM disk.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "host_file.h"
#include "kova_fixture.h"

namespace {

class FileIo : public KovaTest {
 protected:
  FileRef Open(const char* name, int16_t mode) {
    FileRef f = nullptr;
    EXPECT_EQ(0, FIL_Open(&f, VOL_DOCUMENTS, "", name, mode)) << name;
    return f;
  }

  // Asks a separate process whether it could take the writers' lock.
  bool OtherProcessCanWrite(const std::string& path) {
    pid_t pid = fork();
    if (pid == 0) {
      HostHandle lock;
      _exit(HOST_POSIX_FILE_OPS.lockWriters(path.c_str(), &lock) == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
};

TEST_F(FileIo, EleventhOpenFailsAndClosingFreesASlot) {
  std::vector<FileRef> open;
  for (int i = 0; i < FIL_MAX_OPEN; i++) {
    std::string name = "f" + std::to_string(i);
    open.push_back(Open(name.c_str(), FIL_MODE_READ_WRITE));
  }
  FileRef extra = nullptr;
  EXPECT_EQ(ERR_OPEN_FAILED, FIL_Open(&extra, VOL_DOCUMENTS, "", "f10", FIL_MODE_READ_WRITE));
  EXPECT_EQ(nullptr, extra);
  FIL_Close(&open[3]);
  EXPECT_EQ(nullptr, open[3]);
  EXPECT_EQ(0, FIL_Open(&extra, VOL_DOCUMENTS, "", "f10", FIL_MODE_READ_WRITE));
  FIL_Close(&extra);
  for (FileRef& f : open) FIL_Close(&f);
}

TEST_F(FileIo, ModesCreateOnlyWhenWriting) {
  FileRef f = nullptr;
  EXPECT_EQ(ERR_OPEN_FAILED, FIL_Open(&f, VOL_DOCUMENTS, "", "missing", FIL_MODE_READ));
  EXPECT_FALSE(HostFileExists(DataDir() + "/missing"));
  f = Open("made", FIL_MODE_WRITE);
  EXPECT_TRUE(HostFileExists(DataDir() + "/made"));
  EXPECT_EQ(0u, FIL_Read(f, nullptr, 0));
  FIL_Close(&f);
  EXPECT_EQ(1, FIL_Exists(VOL_DOCUMENTS, "", "made"));
  EXPECT_EQ(0, FIL_Exists(VOL_DOCUMENTS, "", "missing"));
}

TEST_F(FileIo, ReadWriteSeekTellAndTruncate) {
  FileRef f = Open("data", FIL_MODE_READ_WRITE);
  EXPECT_EQ(5u, FIL_Write(f, "hello", 5));
  EXPECT_EQ(5, FIL_Tell(f));
  EXPECT_EQ(5, FIL_Seek(f, 1, FIL_SEEK_SET));  // returns the position before
  char buf[8] = {0};
  EXPECT_EQ(3u, FIL_Read(f, buf, 3));
  EXPECT_STREQ("ell", buf);
  EXPECT_EQ(4, FIL_Seek(f, -2, FIL_SEEK_END));
  EXPECT_EQ(3, FIL_Tell(f));
  EXPECT_EQ(0, FIL_WriteByte(f, 'L'));
  EXPECT_EQ(0, FIL_Truncate(f, 4));
  EXPECT_EQ(4, FIL_Size(f));
  FIL_Close(&f);
  std::vector<uint8_t> expect = {'h', 'e', 'l', 'L'};
  EXPECT_EQ(expect, ReadDataFile("data"));
}

TEST_F(FileIo, HandlesOfOneFileShareTheSize) {
  FileRef a = Open("shared", FIL_MODE_READ_WRITE);
  FileRef b = Open("shared", FIL_MODE_READ_WRITE);
  EXPECT_EQ(0, FIL_Size(b));  // cached now
  EXPECT_EQ(4u, FIL_Write(a, "abcd", 4));
  EXPECT_EQ(4, FIL_Size(b));
  EXPECT_EQ(0, FIL_Truncate(b, 1));
  EXPECT_EQ(1, FIL_Size(a));
  FIL_Close(&a);
  FIL_Close(&b);
}

TEST_F(FileIo, OtherProcessesMayReadButNotWrite) {
  std::string path = DataDir() + "/locked";
  FileRef w1 = Open("locked", FIL_MODE_READ_WRITE);
  FileRef w2 = Open("locked", FIL_MODE_WRITE);  // a second handle inside the program is fine
  EXPECT_FALSE(OtherProcessCanWrite(path));
  int fd = ::open(path.c_str(), O_RDONLY);  // reading from outside still works
  EXPECT_GE(fd, 0);
  ::close(fd);
  FIL_Close(&w1);  // closing one handle keeps the lock for the other
  EXPECT_FALSE(OtherProcessCanWrite(path));
  FIL_Close(&w2);
  EXPECT_TRUE(OtherProcessCanWrite(path));
}

TEST_F(FileIo, OpenForWritingFailsWhileAnotherProcessWrites) {
  std::string path = WriteDataFile("busy", {1, 2, 3});
  int fd = ::open(path.c_str(), O_RDONLY);
  ASSERT_EQ(0, flock(fd, LOCK_EX | LOCK_NB));  // stands for the other program
  FileRef f = nullptr;
  EXPECT_EQ(ERR_OPEN_FAILED, FIL_Open(&f, VOL_DOCUMENTS, "", "busy", FIL_MODE_READ_WRITE));
  EXPECT_EQ(0, FIL_Open(&f, VOL_DOCUMENTS, "", "busy", FIL_MODE_READ));
  FIL_Close(&f);
  ::close(fd);
}

TEST_F(FileIo, WriteWholeAddsExtensionRepairsNameAndCutsTheFile) {
  WriteDataFile("a_b.PDB", std::vector<uint8_t>(100, 7));
  ASSERT_EQ(0, FIL_WriteWhole(VOL_DOCUMENTS, "", "a:b", "xyz", 3));
  std::vector<uint8_t> expect = {'x', 'y', 'z'};
  EXPECT_EQ(expect, ReadDataFile("a_b.PDB"));
  ASSERT_EQ(0, FIL_WriteWhole(VOL_DOCUMENTS, "", "c.pdb", "q", 1));
  EXPECT_TRUE(HostFileExists(DataDir() + "/c.pdb"));
}

TEST_F(FileIo, WriteWholeReportsAFullDisk) {
  HostFaults faults{0, 0, 0, 0, 0, false, 2};
  HOST_SetFileOps(&HOST_FAULT_FILE_OPS);
  HOST_SetFaults(&faults);
  EXPECT_EQ(ERR_DISK_FULL, FIL_WriteWhole(VOL_DOCUMENTS, "", "big", "12345", 5));
}

TEST_F(FileIo, RamDiskHoldsOneImage) {
  FileRef f = nullptr;
  EXPECT_EQ(ERR_OPEN_FAILED, FIL_Open(&f, VOL_RAMDISK, "", "img", FIL_MODE_READ));
  ASSERT_EQ(0, FIL_Open(&f, VOL_RAMDISK, "", "img", FIL_MODE_READ_WRITE));
  EXPECT_EQ(6u, FIL_Write(f, "memory", 6));
  FIL_Close(&f);
  ASSERT_EQ(0, FIL_Open(&f, VOL_RAMDISK, "", "img", FIL_MODE_READ));
  char buf[7] = {0};
  EXPECT_EQ(6u, FIL_Read(f, buf, 6));
  EXPECT_STREQ("memory", buf);
  FIL_Close(&f);
  EXPECT_EQ(0, FIL_Delete(VOL_RAMDISK, "", "img"));
  EXPECT_EQ(0, FIL_Exists(VOL_RAMDISK, "", "img"));
}

TEST_F(FileIo, OperationsBeforeStartAndOnBadVolumes) {
  FileRef f = nullptr;
  EXPECT_EQ(ERR_FILE_PARAM, FIL_Open(&f, 7, "", "x", FIL_MODE_READ));
  EXPECT_EQ(ERR_FILE_PARAM, FIL_Open(&f, -2, "", "x", FIL_MODE_READ));
  EXPECT_EQ(ERR_FILE_PARAM, FIL_Delete(9, "", "x"));
  FIL_LayerStop();
  EXPECT_EQ(ERR_FILE_NOT_READY, FIL_Open(&f, VOL_DOCUMENTS, "", "x", FIL_MODE_READ));
  EXPECT_EQ(ERR_FILE_NOT_READY, FIL_Delete(VOL_DOCUMENTS, "", "x"));
  ASSERT_EQ(0, FIL_LayerStart());
}

}  // namespace
