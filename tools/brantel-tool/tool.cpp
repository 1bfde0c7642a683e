// Shared pieces of brantel-tool: the platform start and stop (with a private
// temporary data folder when the user's documents folder cannot be used),
// opening host files through the file layer, strict numbers and error lines.
// Owns the path of that temporary folder while the tool runs.
#include "tool.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "dbase.h"
#include "parse.h"
#include "sample.h"

namespace {

std::string g_tempDir;  // the fallback documents folder, removed at stop

// The data folder "!" is named after the program family ("brantel"), not
// after this tool, so running the tool adds no folder of its own.
std::string familyExecutable() {
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "";
  self[n] = 0;
  std::string path = self;
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1) + "brantel";
}

bool startFileLayer() {
  std::string exe = familyExecutable();
  FileLayerConfig config{"", "", exe.c_str()};
  FIL_Configure(&config);
  if (FIL_LayerStart() == 0) return true;
  // No usable documents folder (no home, a read-only home): a private
  // folder stands in; the tool never needs the data folder's contents.
  const char* tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/brantel-tool-XXXXXX";
  if (!mkdtemp(pattern.data())) return false;
  g_tempDir = pattern;
  FileLayerConfig fallback{g_tempDir.c_str(), g_tempDir.c_str(), exe.c_str()};
  FIL_Configure(&fallback);
  return FIL_LayerStart() == 0;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ToolStart() {
  if (MEM_Start() != 0 || DBG_Start() != 0) {
    fputs("brantel-tool: cannot start the memory manager\n", stderr);
    return false;
  }
  if (!startFileLayer()) {
    fputs("brantel-tool: cannot start the file layer (no usable documents or temporary folder)\n",
          stderr);
    return false;
  }
  return true;
}

void ToolStop() {
  FIL_LayerStop();
  FIL_Configure(nullptr);
  DBG_Stop();
  MEM_Stop();
  if (!g_tempDir.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(g_tempDir, ec);
    g_tempDir.clear();
  }
}

bool ToolOpenFile(const char* path, int16_t mode, FileRef* out) {
  *out = nullptr;
  struct stat st;
  if (!path[0] || stat(path, &st) != 0) {
    ToolFail(path, "%s", !path[0] || errno == ENOENT ? "no such file" : strerror(errno));
    return false;
  }
  if (S_ISDIR(st.st_mode) || !S_ISREG(st.st_mode)) {
    ToolFail(path, "%s", S_ISDIR(st.st_mode) ? "is a directory" : "is not a regular file");
    return false;
  }
  if (mode != FIL_MODE_READ && access(path, W_OK) != 0) {
    ToolFail(path, "the file is read-only");
    return false;
  }
  // The file layer takes a directory written ":/abs/path" as a host folder;
  // the name keeps the spelling given (database kinds are told by it).
  std::string given = path;
  size_t slash = given.find_last_of('/');
  std::string dir = slash == std::string::npos ? "." : given.substr(0, slash ? slash : 1);
  std::string name = slash == std::string::npos ? given : given.substr(slash + 1);
  char real[PATH_MAX];
  if (!realpath(dir.c_str(), real)) {
    ToolFail(path, "cannot resolve its folder: %s", strerror(errno));
    return false;
  }
  std::string expected = std::string(real) + (real[1] ? "/" : "") + name;
  if (expected.find('\\') != std::string::npos || expected.size() >= size_t(FIL_PATH_BYTES)) {
    ToolFail(path, "the path is too long or holds a backslash, which the file layer cannot name");
    return false;
  }
  std::string hostDir = std::string(":") + real;
  Err err = FIL_Open(out, VOL_DOCUMENTS, hostDir.c_str(), name.c_str(), mode);
  if (err != 0) {
    ToolFail(path, "cannot open%s: %s", mode == FIL_MODE_READ ? "" : " for writing",
             err == ERR_OPEN_FAILED && mode != FIL_MODE_READ ? "another program may be writing it"
                                                             : ToolErrText(err).c_str());
    return false;
  }
  if (expected != FIL_HostPath(*out)) {  // never work on a file other than the one named
    FIL_Close(out);
    ToolFail(path, "the file layer named a different path");
    return false;
  }
  return true;
}

bool ToolParseNumber(const char* text, uint64_t max, uint64_t* out) {
  if (!text || !text[0]) return false;
  int base = 10;
  const char* p = text;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
    if (!*p) return false;
  }
  uint64_t value = 0;
  for (; *p; p++) {
    int d = hexDigit(*p);
    if (d < 0 || d >= base || uint64_t(d) > max) return false;
    if (value > (max - uint64_t(d)) / uint64_t(base)) return false;  // would pass max
    value = value * uint64_t(base) + uint64_t(d);
  }
  *out = value;
  return true;
}

void ToolFail(const char* file, const char* fmt, ...) {
  fprintf(stderr, "brantel-tool: %s: ", file);
  va_list args;
  va_start(args, fmt);
  vfprintf(stderr, fmt, args);
  va_end(args);
  fputc('\n', stderr);
}

void ToolUsageFail(const char* fmt, ...) {
  fputs("brantel-tool: ", stderr);
  va_list args;
  va_start(args, fmt);
  vfprintf(stderr, fmt, args);
  va_end(args);
  fputs("\n(brantel-tool --help lists the commands)\n", stderr);
}

std::string ToolErrText(Err err) {
  const char* text;
  switch (err) {
    case ERR_DISK_FULL:
      text = "the disk is full";
      break;
    case ERR_WRITE:
      text = "a write failed";
      break;
    case ERR_READ:
      text = "a read failed";
      break;
    case ERR_MEM_FULL:
      text = "out of memory";
      break;
    case ERR_NOT_DATABASE:
      text = "not a usable database";
      break;
    case ERR_FILE_PARAM:
      text = "a parameter was refused";
      break;
    case ERR_OPEN_FAILED:
      text = "the host refused to open it";
      break;
    case ERR_BAD_COUNT:
      text = "bad record count";
      break;
    default:
      text = "the operation failed";
      break;
  }
  const char* name = ERR_Name(err);
  char code[32];
  if (!name) {
    snprintf(code, sizeof code, "error %d", int(err));
    name = code;
  }
  return std::string(text) + " (" + name + ")";
}

bool ToolStartWithResources() {
  if (!ToolStart()) return false;
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    self[n] = 0;
    (void)RES_Open(self);
    ParseColumnsReset();  // labels come from this store from now on
  }
  if (!RES_StoreLoaded()) {
    fputs("brantel-tool: the tool's resource store is missing (build it again)\n", stderr);
    ToolStop();
    return false;
  }
  SamplePrefsDefaults();
  ContactStoreReset();
  return true;
}
