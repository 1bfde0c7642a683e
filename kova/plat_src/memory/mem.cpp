// The memory manager: the one allocator of the program. Every block carries a
// 16-byte header with its size and a marker; handles are small records that
// own one such block and count their locks. Owns the live-block counter and
// the failure hook that tests use to fail the Nth allocation.
//
// Invariants: (1) every block handed out lies 16 bytes after its header, so it
// keeps malloc's 16-byte alignment; (2) the live counter counts blocks from
// MEM_Alloc and handles from MEM_HandleNew, each once; (3) every allocation
// attempt (alloc, realloc, handle new or resize) ticks the failure hook once.
//
// Allocation works before MEM_Start and after MEM_Stop: tools and tests
// allocate early and the other modules' stops free late. Start and stop only
// frame a session: the last stop clears the failure hook and reports leaks.
#include <cassert>
#include <cstdlib>
#include <cstring>

#include "kova_debug.h"
#include "kova_mem.h"

namespace {

constexpr uint32_t BLOCK_MAGIC = 0x4B4D454D;   // "KMEM"
constexpr uint32_t HANDLE_MAGIC = 0x4B484E44;  // "KHND"

struct alignas(16) BlockHeader {
  uint32_t size;  // as asked for
  uint32_t magic;
};
static_assert(sizeof(BlockHeader) == 16);

struct MemState {
  int useCount;
  uint32_t liveBlocks;
  uint32_t failCountdown;  // attempts left until the one that fails; 0 = off
  bool failEvery;
  bool failing;  // set once an "every" failure has fired
};

MemState g_mem = {};

}  // namespace

struct MemHandleObj {
  uint32_t magic;
  uint16_t locks;
  void* data;  // a block with a header, as from MEM_Alloc
};

namespace {

// Ticks the failure hook; true when this attempt must fail.
bool hookFires() {
  if (g_mem.failing) return true;
  if (g_mem.failCountdown == 0) return false;
  if (--g_mem.failCountdown > 0) return false;
  g_mem.failing = g_mem.failEvery;
  return true;
}

void setErr(Err* err, Err value) {
  if (err) *err = value;
}

BlockHeader* headerOf(const void* p) {
  BlockHeader* h = reinterpret_cast<BlockHeader*>(const_cast<char*>(static_cast<const char*>(p)) -
                                                  sizeof(BlockHeader));
  assert(h->magic == BLOCK_MAGIC && "not a block from MEM_Alloc");
  return h;
}

// Allocates a headed block without touching the live counter.
void* rawAlloc(uint32_t size, bool zero, Err* err) {
  if (size > MEM_MAX_BLOCK || hookFires()) {
    setErr(err, ERR_MEM_FULL);
    return nullptr;
  }
  // A 0-byte request still gets one real byte so the pointer is distinct.
  size_t bytes = sizeof(BlockHeader) + (size ? size : 1);
  void* raw = zero ? calloc(1, bytes) : malloc(bytes);
  if (!raw) {
    setErr(err, ERR_MEM_FULL);
    return nullptr;
  }
  BlockHeader* h = static_cast<BlockHeader*>(raw);
  h->size = size;
  h->magic = BLOCK_MAGIC;
  setErr(err, 0);
  return h + 1;
}

void rawFree(void* p) {
  BlockHeader* h = headerOf(p);
  h->magic = 0;  // a second free trips the assert instead of corrupting the heap
  free(h);
}

// Resizes a headed block; on failure the old block stays as it was.
void* rawRealloc(void* p, uint32_t newSize, bool zero, Err* err) {
  BlockHeader* h = headerOf(p);
  if (newSize > MEM_MAX_BLOCK || hookFires()) {
    setErr(err, ERR_MEM_FULL);
    return nullptr;
  }
  uint32_t oldSize = h->size;
  BlockHeader* n =
      static_cast<BlockHeader*>(realloc(h, sizeof(BlockHeader) + (newSize ? newSize : 1)));
  if (!n) {
    setErr(err, ERR_MEM_FULL);
    return nullptr;
  }
  if (zero && newSize > oldSize)
    memset(reinterpret_cast<char*>(n + 1) + oldSize, 0, newSize - oldSize);
  n->size = newSize;
  setErr(err, 0);
  return n + 1;
}

bool handleOk(MemHandle h) { return h && h->magic == HANDLE_MAGIC; }

}  // namespace

Err MEM_Start() {
  g_mem.useCount++;
  return 0;
}

void MEM_Stop() {
  if (g_mem.useCount == 0 || --g_mem.useCount > 0) return;
  g_mem.failCountdown = 0;
  g_mem.failEvery = false;
  g_mem.failing = false;
  if (g_mem.liveBlocks)
    DBG_Print(FCC("repo"), "MEM_Stop: %ld blocks still allocated\n", int32_t(g_mem.liveBlocks));
}

void* MEM_Alloc(uint32_t size, bool zero, Err* err) {
  void* p = rawAlloc(size, zero, err);
  if (p) g_mem.liveBlocks++;
  return p;
}

void MEM_Free(void* p) {
  if (!p) return;
  rawFree(p);
  assert(g_mem.liveBlocks > 0);
  g_mem.liveBlocks--;
}

void* MEM_Realloc(void* p, uint32_t newSize, bool zero, Err* err) {
  if (!p) return MEM_Alloc(newSize, zero, err);
  return rawRealloc(p, newSize, zero, err);
}

uint32_t MEM_Size(const void* p) { return p ? headerOf(p)->size : 0; }

MemHandle MEM_HandleNew(uint32_t size, bool zero, Err* err) {
  // The handle record itself comes from the host heap: one attempt per handle.
  void* data = rawAlloc(size, zero, err);
  if (!data) return nullptr;
  MemHandle h = static_cast<MemHandle>(malloc(sizeof(MemHandleObj)));
  if (!h) {
    rawFree(data);
    setErr(err, ERR_MEM_FULL);
    return nullptr;
  }
  h->magic = HANDLE_MAGIC;
  h->locks = 0;
  h->data = data;
  g_mem.liveBlocks++;
  return h;
}

void* MEM_HandleLock(MemHandle h) {
  if (!handleOk(h)) return nullptr;
  assert(h->locks < UINT16_MAX);
  h->locks++;
  return h->data;
}

Err MEM_HandleUnlock(MemHandle h) {
  if (!handleOk(h) || h->locks == 0) return ERR_MEM_BAD_ARG;
  h->locks--;
  return 0;
}

Err MEM_HandleResize(MemHandle h, uint32_t newSize) {
  // A locked handle's pointer is in use somewhere: it must not move.
  if (!handleOk(h) || h->locks > 0) return ERR_MEM_BAD_ARG;
  Err err = 0;
  void* data = rawRealloc(h->data, newSize, true, &err);  // grown bytes read as zero
  if (!data) return err;
  h->data = data;
  return 0;
}

uint32_t MEM_HandleSize(MemHandle h) { return handleOk(h) ? headerOf(h->data)->size : 0; }

void MEM_HandleFree(MemHandle h) {
  if (!h) return;
  assert(handleOk(h));
  rawFree(h->data);
  h->magic = 0;
  free(h);
  assert(g_mem.liveBlocks > 0);
  g_mem.liveBlocks--;
}

uint32_t MEM_LiveBlocks() { return g_mem.liveBlocks; }

void MEM_FailNthAlloc(uint32_t n, bool every) {
  g_mem.failCountdown = n;
  g_mem.failEvery = n != 0 && every;
  g_mem.failing = false;
}
