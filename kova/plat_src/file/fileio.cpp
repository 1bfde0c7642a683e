// The open-file primitives: the file layer's start and stop, the ten-slot
// table of open files, the shared per-file nodes, and byte I/O.
//
// Invariants: (1) every open FileObj points at the node of its host file, and
// a node lives while any handle points at it; (2) the node's cached size is
// the file's size whenever it is not -1, because every write and truncate of
// this process goes through a handle of that node; (3) a node with writers
// holds the writers' lock, so no other process writes the file meanwhile.
#include <cstdlib>
#include <cstring>

#include "file_internal.h"
#include "kova_debug.h"
#include "kova_res.h"

namespace {

FileLayer* g_state = nullptr;

// Configuration strings are owned copies (no static objects with
// constructors).
char* g_documentsDir = nullptr;
char* g_desktopDir = nullptr;
char* g_executablePath = nullptr;
FileLayerConfig g_config = {"", "", ""};

char* copyString(const char* s) {
  if (!s || !*s) return nullptr;
  size_t n = strlen(s) + 1;
  char* p = static_cast<char*>(malloc(n));
  if (p) memcpy(p, s, n);
  return p;
}

void copyName(char* dst, size_t size, const char* src) {
  size_t n = src ? strnlen(src, size - 1) : 0;
  if (n) memcpy(dst, src, n);
  dst[n] = 0;
}

bool handleOk(FileRef f) { return g_state && f && f->used && f->node; }

FileNode* findOrMakeNode(uint64_t device, uint64_t inode) {
  FileNode* spare = nullptr;
  for (FileNode& n : g_state->nodes) {
    if (n.refs > 0 && n.device == device && n.inode == inode) return &n;
    if (n.refs == 0 && !spare) spare = &n;
  }
  // Ten slots and ten nodes: a free slot always finds a spare node.
  if (!spare) return nullptr;
  memset(spare, 0, sizeof *spare);
  spare->device = device;
  spare->inode = inode;
  spare->size = -1;
  spare->dbCount = -1;
  spare->winFirst = -1;
  return spare;
}

void releaseNode(FileObj* f) {
  FileNode* n = f->node;
  f->node = nullptr;
  if (!n) return;
  if (f->mode != FIL_MODE_READ && --n->writers == 0 && n->locked) {
    f->ops->unlockWriters(n->lock);
    n->locked = false;
  }
  if (--n->refs == 0) {
    for (ReadAheadBlock& b : n->readAhead) free(b.bytes);
    memset(n, 0, sizeof *n);
  }
}

// Drops the read-ahead blocks that [offset, end) touches.
void forgetReadAhead(FileNode* n, uint64_t offset, uint64_t end) {
  for (ReadAheadBlock& b : n->readAhead)
    if (b.length && offset < b.offset + b.length && end > b.offset) b.length = 0;
}

// Serves a small read from the node's read-ahead blocks, refilling the older
// block from the host when the range is in neither. Returns false when no
// block can be had (no memory); the caller then reads from the host.
bool readAhead(FileRef f, uint64_t offset, void* buffer, uint32_t count, uint32_t* got) {
  FileNode* n = f->node;
  ReadAheadBlock* hit = nullptr;
  for (ReadAheadBlock& b : n->readAhead)
    if (b.length && offset >= b.offset && offset + count <= b.offset + b.length) hit = &b;
  if (!hit) {
    hit = &n->readAhead[n->readAheadNext];
    if (!hit->bytes) hit->bytes = static_cast<uint8_t*>(malloc(FIL_READ_AHEAD_BYTES));
    if (!hit->bytes) return false;
    n->readAheadNext ^= 1;
    int64_t r = f->ops->read(f->host, hit->bytes, FIL_READ_AHEAD_BYTES, offset);
    hit->offset = offset;
    hit->length = r > 0 ? uint32_t(r) : 0;
    if (offset + count > hit->offset + hit->length) {
      // Short: at the end of the file, or a failed read.
      *got = hit->length;
      if (*got) memcpy(buffer, hit->bytes, *got);
      return true;
    }
  }
  memcpy(buffer, hit->bytes + (offset - hit->offset), count);
  *got = count;
  return true;
}

bool kindUsable(FourCC kind) {
  return kind == FCC("win ") || kind == FCC("rdsk") || kind == FCC("ram ") || kind == FCC("vfs ") ||
         kind == FCC("sfs ");
}

}  // namespace

void FIL_Configure(const FileLayerConfig* config) {
  free(g_documentsDir);
  free(g_desktopDir);
  free(g_executablePath);
  g_documentsDir = config ? copyString(config->documentsDir) : nullptr;
  g_desktopDir = config ? copyString(config->desktopDir) : nullptr;
  g_executablePath = config ? copyString(config->executablePath) : nullptr;
}

const FileLayerConfig* FIL_Config() {
  g_config.documentsDir = g_documentsDir ? g_documentsDir : "";
  g_config.desktopDir = g_desktopDir ? g_desktopDir : "";
  g_config.executablePath = g_executablePath ? g_executablePath : "";
  return &g_config;
}

FileLayer* FIL_State() { return g_state; }
bool FIL_LayerStarted() { return g_state != nullptr; }

Err FIL_LayerStart() {
  if (g_state) {
    g_state->useCount++;
    return 0;
  }
  FileLayer* state = static_cast<FileLayer*>(calloc(1, sizeof(FileLayer)));
  if (!state) return ERR_MEM_FULL;
  g_state = state;  // volume setup builds paths through the state
  Err err = VOL_Setup(state);
  if (err != 0) {
    VOL_Teardown(state);
    free(state);
    g_state = nullptr;
    return err;
  }
  state->useCount = 1;
  // The resource store appended to the executable. A missing or damaged store
  // does not stop the layer: lookups fall back to loose files, and the
  // application decides what a missing store means (RES_StoreLoaded).
  (void)RES_Open(state->exePath);
  return 0;
}

void FIL_LayerStop() {
  if (!g_state || --g_state->useCount > 0) return;
  RES_Close();
  for (FileObj& slot : g_state->slots) {
    if (!slot.used) continue;
    FileRef f = &slot;
    FIL_Close(&f);
  }
  VOL_Teardown(g_state);
  HOST_MemoryReset();
  free(g_state);
  g_state = nullptr;
}

Err FIL_Open(FileRef* out, int16_t volume, const char* dir, const char* name, int16_t mode) {
  if (out) *out = nullptr;
  if (!g_state) return ERR_FILE_NOT_READY;
  Volume* v = VOL_Get(volume);
  if (!out || !v || !name || mode < FIL_MODE_READ || mode > FIL_MODE_READ_WRITE)
    return ERR_FILE_PARAM;
  if (!kindUsable(v->kind)) return ERR_FILE;
  FileObj* f = nullptr;
  for (FileObj& slot : g_state->slots)
    if (!slot.used) {
      f = &slot;
      break;
    }
  if (!f) return ERR_OPEN_FAILED;
  memset(f, 0, sizeof *f);
  Err err = FIL_BuildPath(volume, f->path, dir, name, false);
  if (err != 0) return err;
  const HostFileOps* ops = VOL_Ops(v);
  HostHandle host;
  if (ops->open(f->path, mode, &host) != 0) {
    DBG_Print(FCC("repo"), "FIL_Open: cannot open %s\n", f->path);
    return ERR_OPEN_FAILED;
  }
  uint64_t device = 0, inode = 0;
  if (ops->identity(host, &device, &inode) != 0) {
    ops->close(host);
    return ERR_OPEN_FAILED;
  }
  FileNode* node = findOrMakeNode(device, inode);
  if (!node) {
    ops->close(host);
    return ERR_OPEN_FAILED;
  }
  if (mode != FIL_MODE_READ && !node->locked) {
    // Other processes may read the file meanwhile, but not write it.
    if (ops->lockWriters(f->path, &node->lock) != 0) {
      if (node->refs == 0) memset(node, 0, sizeof *node);
      ops->close(host);
      DBG_Print(FCC("repo"), "FIL_Open: %s is being written by another program\n", f->path);
      return ERR_OPEN_FAILED;
    }
    node->locked = true;
  }
  node->refs++;
  if (mode != FIL_MODE_READ) node->writers++;
  f->used = true;
  f->volume = volume;
  f->ops = ops;
  f->host = host;
  f->mode = mode;
  f->position = 0;
  copyName(f->name, sizeof f->name, name);
  f->format = 0;
  f->firstFetched = -1;
  f->node = node;
  *out = f;
  return 0;
}

void FIL_Close(FileRef* ref) {
  if (!ref || !*ref) return;
  FileObj* f = *ref;
  *ref = nullptr;
  if (!g_state || !f->used) return;
  releaseNode(f);
  f->ops->close(f->host);
  memset(f, 0, sizeof *f);
}

int64_t FIL_NodeSize(FileRef f) {
  if (!handleOk(f)) return -1;
  if (f->node->size < 0) f->node->size = f->ops->size(f->host);
  return f->node->size;
}

void FIL_NodeForgetDb(FileNode* node) {
  if (!node) return;
  node->dbCount = -1;
  node->winFirst = -1;
}

uint32_t FIL_ReadAt(FileRef f, uint64_t offset, void* buffer, uint32_t count) {
  if (!handleOk(f) || !buffer || count == 0) return 0;
  uint32_t got = 0;
  if (count <= FIL_READ_AHEAD_MAX_READ && readAhead(f, offset, buffer, count, &got)) return got;
  int64_t n = f->ops->read(f->host, buffer, count, offset);
  return n > 0 ? uint32_t(n) : 0;
}

uint32_t FIL_WriteAt(FileRef f, uint64_t offset, const void* buffer, uint32_t count, bool* full) {
  if (!handleOk(f) || !buffer || count == 0 || f->mode == FIL_MODE_READ) return 0;
  FileNode* node = f->node;
  if (offset < node->guardEnd) FIL_NodeForgetDb(node);
  forgetReadAhead(node, offset, offset + count);
  int64_t n = f->ops->write(f->host, buffer, count, offset, full);
  if (n > 0 && node->size >= 0 && int64_t(offset) + n > node->size)
    node->size = int64_t(offset) + n;
  if (n < int64_t(count)) node->size = -1;  // a short write may have grown the file partly
  return n > 0 ? uint32_t(n) : 0;
}

Err FIL_TruncateAt(FileRef f, uint64_t newEnd) {
  if (!g_state) return ERR_FILE_NOT_READY;
  if (!handleOk(f)) return ERR_FILE_PARAM;
  forgetReadAhead(f->node, newEnd, UINT64_MAX);
  Err err = f->ops->truncate(f->host, newEnd);
  f->node->size = err == 0 ? int64_t(newEnd) : -1;
  FIL_NodeForgetDb(f->node);
  return err == 0 ? Err(0) : ERR_FILE;
}

uint32_t FIL_Read(FileRef f, void* buffer, uint32_t count) {
  if (!handleOk(f) || f->mode == FIL_MODE_WRITE) return 0;
  uint32_t n = FIL_ReadAt(f, uint64_t(f->position), buffer, count);
  f->position += n;
  return n;
}

uint32_t FIL_Write(FileRef f, const void* buffer, uint32_t count) {
  if (!handleOk(f)) return 0;
  // A write into the header or record list may break the structure the
  // database layer checked.
  if (uint64_t(f->position) < f->node->guardEnd) f->node->checked = 0;
  uint32_t n = FIL_WriteAt(f, uint64_t(f->position), buffer, count, nullptr);
  f->position += n;
  return n;
}

Err FIL_WriteByte(FileRef f, uint8_t byte) { return FIL_Write(f, &byte, 1) == 1 ? 0 : ERR_WRITE; }

int32_t FIL_Seek(FileRef f, int32_t offset, int16_t origin) {
  if (!handleOk(f)) return -1;
  int64_t before = f->position;
  int64_t base = origin == FIL_SEEK_CUR ? before : origin == FIL_SEEK_END ? FIL_NodeSize(f) : 0;
  int64_t target = base + offset;
  f->position = target < 0 ? 0 : target;
  return int32_t(before);
}

int32_t FIL_Tell(FileRef f) { return handleOk(f) ? int32_t(f->position) : -1; }

int32_t FIL_Size(FileRef f) {
  int64_t size = FIL_NodeSize(f);
  return size < 0 || size > INT32_MAX ? -1 : int32_t(size);
}

Err FIL_Truncate(FileRef f, uint32_t newEnd) {
  if (!handleOk(f)) return g_state ? ERR_FILE_PARAM : ERR_FILE_NOT_READY;
  if (FIL_NodeSize(f) > int64_t(newEnd)) f->node->checked = 0;
  return FIL_TruncateAt(f, newEnd);
}

Err FIL_Flush(FileRef f) {
  if (!handleOk(f)) return g_state ? ERR_FILE_PARAM : ERR_FILE_NOT_READY;
  if (f->mode == FIL_MODE_READ) return 0;
  return f->ops->sync(f->host) == 0 ? Err(0) : ERR_WRITE;
}

const char* FIL_Name(FileRef f) { return handleOk(f) ? f->name : ""; }
const char* FIL_HostPath(FileRef f) { return handleOk(f) ? f->path : ""; }
int16_t FIL_Mode(FileRef f) { return handleOk(f) ? f->mode : -1; }
int16_t FIL_Volume(FileRef f) { return handleOk(f) ? f->volume : -2; }
