// Keyed module globals: every platform module keeps its state in one
// zero-filled block found again by a 16-bit key. Owns the list of blocks.
//
// Invariants: (1) the list is in allocation order; (2) a key appears at most
// once; (3) each node and its block are one allocation, freed together.
#include <cstring>

#include "kova_host.h"
#include "kova_mem.h"

namespace {

// The module's block follows the node in the same allocation; 16-byte
// alignment keeps it as aligned as any block of the allocator.
struct alignas(16) GlobalsNode {
  GlobalsNode* next;
  uint16_t key;
  uint32_t size;
};

void* blockOf(GlobalsNode* node) { return reinterpret_cast<uint8_t*>(node) + sizeof(GlobalsNode); }

GlobalsNode* g_head = nullptr;

GlobalsNode* findNode(uint16_t key, GlobalsNode*** link) {
  GlobalsNode** at = &g_head;
  while (*at && (*at)->key != key) at = &(*at)->next;
  if (link) *link = at;
  return *at;
}

}  // namespace

Err HOST_GlobalsAlloc(uint16_t key, uint32_t size, void** out) {
  GlobalsNode** tail = nullptr;
  GlobalsNode* found = findNode(key, &tail);
  if (found) {
    // A module that asks twice gets its block again; a different size means
    // two modules share a key, which must not pass silently.
    if (found->size != size) return ERR_MEM_BAD_ARG;
    if (out) *out = blockOf(found);
    return 0;
  }
  if (size > MEM_MAX_BLOCK - sizeof(GlobalsNode)) return ERR_MEM_FULL;
  Err err = 0;
  auto* node =
      static_cast<GlobalsNode*>(MEM_Alloc(uint32_t(sizeof(GlobalsNode) + size), true, &err));
  if (!node) return ERR_MEM_FULL;
  node->key = key;
  node->size = size;
  node->next = nullptr;
  *tail = node;  // findNode left `tail` at the end of the list
  if (out) *out = blockOf(node);
  return 0;
}

Err HOST_GlobalsGet(uint16_t key, void** out) {
  GlobalsNode* node = findNode(key, nullptr);
  if (out) *out = node ? blockOf(node) : nullptr;
  return node ? 0 : ERR_GLOBALS_MISSING;
}

void HOST_GlobalsFree(uint16_t key) {
  GlobalsNode** link = nullptr;
  GlobalsNode* node = findNode(key, &link);
  if (!node) return;
  *link = node->next;
  MEM_Free(node);
}

uint32_t HOST_GlobalsCount() {
  uint32_t n = 0;
  for (GlobalsNode* p = g_head; p; p = p->next) n++;
  return n;
}

uint16_t HOST_GlobalsKeyAt(uint32_t index) {
  for (GlobalsNode* p = g_head; p; p = p->next)
    if (index-- == 0) return p->key;
  return 0;
}

void HOST_GlobalsFreeAll() {
  while (g_head) {
    GlobalsNode* next = g_head->next;
    MEM_Free(g_head);
    g_head = next;
  }
}
