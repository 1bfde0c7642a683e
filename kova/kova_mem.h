// Memory blocks: the one allocator of the program. Blocks are handed out as
// plain pointers or as handles that are locked to a pointer. Owns the
// allocation counters and the test hook that fails the Nth allocation.
#pragma once

#include "kova_errors.h"

// Largest block the allocator hands out.
inline constexpr uint32_t MEM_MAX_BLOCK = 4194304;

// Starts and stops the memory manager (use-counted). Stop at zero clears the
// failure hook. Blocks still allocated then are reported on the "repo" channel.
Err MEM_Start();
void MEM_Stop();

// Allocates `size` bytes (0 is allowed and gives a valid 1-byte block),
// zero-filled when `zero` is true. Returns null for a size above
// MEM_MAX_BLOCK, when the allocation fails or the failure hook fires; `err`
// (may be null) receives 0 or ERR_MEM_FULL.
void* MEM_Alloc(uint32_t size, bool zero, Err* err = nullptr);

// Frees a block from MEM_Alloc or MEM_Realloc; null is ignored.
void MEM_Free(void* p);

// Resizes a block, keeping its contents; new bytes are zero when `zero`.
// Returns null (and leaves the old block) on failure.
void* MEM_Realloc(void* p, uint32_t newSize, bool zero, Err* err = nullptr);

// Size of a block as asked for.
uint32_t MEM_Size(const void* p);

// A handle: a relocatable block that is locked to get its pointer.
struct MemHandleObj;
using MemHandle = MemHandleObj*;

// Allocates a handle of `size` bytes (zero-filled when `zero`); null on
// failure with `err` (may be null) set as for MEM_Alloc.
MemHandle MEM_HandleNew(uint32_t size, bool zero, Err* err = nullptr);
// Locks the handle and returns its bytes; locks nest.
void* MEM_HandleLock(MemHandle h);
// Undoes one lock. Returns ERR_MEM_BAD_ARG when the handle is not locked.
Err MEM_HandleUnlock(MemHandle h);
// Resizes an unlocked handle; ERR_MEM_BAD_ARG when locked, ERR_MEM_FULL on failure.
Err MEM_HandleResize(MemHandle h, uint32_t newSize);
uint32_t MEM_HandleSize(MemHandle h);
// Frees the handle (locked or not); null is ignored.
void MEM_HandleFree(MemHandle h);

// Blocks and handles currently allocated (for leak checks in tests).
uint32_t MEM_LiveBlocks();

// Test hook: the Nth allocation from now (1 = the next one) fails; 0 turns it
// off. With `every` true, that allocation and every later one fail.
void MEM_FailNthAlloc(uint32_t n, bool every = false);
