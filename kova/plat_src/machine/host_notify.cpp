// System notifications: a growable array of (callback, data, code, reserved)
// entries and the application's own hook. Owns the array.
//
// Invariants: (1) entries 0 … count-1 are live, without holes; (2) removing
// an entry moves the then last entry into its place; (3) a broadcast calls
// each matching entry at most once, even when callbacks unregister entries
// while it runs; entries added while it runs are not called by it.
#include "kova_host.h"
#include "kova_mem.h"

namespace {

struct NotifyEntry {
  HostNotifyProc proc;
  uintptr_t data;
  FourCC code;
  uintptr_t reserved;  // always 0
};

struct NotifyRegistry {
  NotifyEntry* entries;
  uint32_t count;
  uint32_t capacity;
  HostNotifyProc appHook;
};

NotifyRegistry g_notify = {nullptr, 0, 0, nullptr};

Err grow() {
  uint32_t capacity = g_notify.capacity ? g_notify.capacity * 2 : 8;
  Err err = 0;
  void* p = g_notify.entries ? MEM_Realloc(g_notify.entries,
                                           capacity * uint32_t(sizeof(NotifyEntry)), false, &err)
                             : MEM_Alloc(capacity * uint32_t(sizeof(NotifyEntry)), false, &err);
  if (!p) return ERR_MEM_FULL;
  g_notify.entries = static_cast<NotifyEntry*>(p);
  g_notify.capacity = capacity;
  return 0;
}

bool sameEntry(const NotifyEntry& a, const NotifyEntry& b) {
  return a.proc == b.proc && a.data == b.data && a.code == b.code;
}

}  // namespace

Err HOST_NotifyRegister(FourCC code, HostNotifyProc proc, uintptr_t data) {
  if (g_notify.count == g_notify.capacity) {
    Err err = grow();
    if (err != 0) return err;
  }
  g_notify.entries[g_notify.count++] = NotifyEntry{proc, data, code, 0};
  return 0;
}

uint32_t HOST_NotifyUnregister(FourCC code, HostNotifyProc proc) {
  uint32_t removed = 0;
  uint32_t i = 0;
  while (i < g_notify.count) {
    NotifyEntry& e = g_notify.entries[i];
    if (e.code == code && e.proc == proc) {
      // The hole takes the then last entry, which is examined next in turn.
      e = g_notify.entries[--g_notify.count];
      removed++;
    } else {
      i++;
    }
  }
  return removed;
}

Err HOST_NotifyBroadcast(FourCC code, uintptr_t arg1, uintptr_t arg2) {
  if (g_notify.appHook) (void)g_notify.appHook(code, arg1, 0, arg2);
  bool called = false;
  // Entries registered by a callback during this broadcast wait for the next
  // one: at most the entries present now are visited.
  uint32_t budget = g_notify.count;
  uint32_t i = 0;
  while (i < g_notify.count && budget > 0) {
    budget--;
    NotifyEntry e = g_notify.entries[i];
    if (e.code != code) {
      i++;
      continue;
    }
    called = true;
    (void)e.proc(code, arg1, e.data, arg2);
    // When the callback removed its own entry, the hole now holds another
    // entry that has not been called yet: look at the same index again.
    if (i < g_notify.count && sameEntry(g_notify.entries[i], e)) i++;
  }
  return called ? 0 : ERR_HOST_NOT_HANDLED;
}

void HOST_SetAppNotifyHook(HostNotifyProc hook) { g_notify.appHook = hook; }

uint32_t HOST_NotifyCount() { return g_notify.count; }

bool HOST_NotifyEntry(uint32_t index, FourCC* code, HostNotifyProc* proc, uintptr_t* data) {
  if (index >= g_notify.count) return false;
  const NotifyEntry& e = g_notify.entries[index];
  if (code) *code = e.code;
  if (proc) *proc = e.proc;
  if (data) *data = e.data;
  return true;
}

void HOST_NotifyFreeAll() {
  MEM_Free(g_notify.entries);
  g_notify = NotifyRegistry{nullptr, 0, 0, nullptr};
}
