// The GCC-built C++ runtime reaches its thread-locals (the exception state
// among them) through __emutls_get_address; the library's own are clang's
// native ones, which the loader gives back. The runtime's own
// __emutls_get_address takes a TLS slot and per-thread memory that no unload
// gives back, so a host that loads and frees the library ~1,086 times runs out
// of slots. This one keeps them on one slot that the unload frees with them.
#include "framework/thread_local_storage.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// GCC's record of one thread_local variable.
struct Control {
  std::uintptr_t size;
  std::uintptr_t align;
  std::uintptr_t index;  // 0 until first used, then its place in every thread's block
  const void* initial;   // null: zero-filled
};

// One thread's variables; every block is on a list so that the unload finds
// those of threads still running.
struct Block {
  Block* previous;
  Block* next;
  std::size_t count;
  void** variables;  // each allocated with its original pointer just before it
};

// Constant-initialised: statics built before the entry point may already ask.
SRWLOCK g_lock = SRWLOCK_INIT;
std::atomic<DWORD> g_slot{TLS_OUT_OF_INDEXES};
std::uintptr_t g_numbered = 0;
Block g_blocks{&g_blocks, &g_blocks, 0, nullptr};

class Exclusive {
 public:
  Exclusive() noexcept { ::AcquireSRWLockExclusive(&g_lock); }
  ~Exclusive() { ::ReleaseSRWLockExclusive(&g_lock); }
  Exclusive(const Exclusive&) = delete;
  Exclusive& operator=(const Exclusive&) = delete;
};

// Like the runtime's, a thread_local that cannot be had ends the process.
void* Allocate(void* old, std::size_t bytes) noexcept {
  const HANDLE heap = ::GetProcessHeap();
  void* memory = old ? ::HeapReAlloc(heap, HEAP_ZERO_MEMORY, old, bytes)
                     : ::HeapAlloc(heap, HEAP_ZERO_MEMORY, bytes);
  if (!memory) std::abort();
  return memory;
}

void* NewVariable(const Control& control) noexcept {
  const std::uintptr_t align = control.align > sizeof(void*) ? control.align : sizeof(void*);
  void* raw = Allocate(nullptr, control.size + align + sizeof(void*));
  const std::uintptr_t at =
      (reinterpret_cast<std::uintptr_t>(raw) + sizeof(void*) + align - 1) & ~(align - 1);
  reinterpret_cast<void**>(at)[-1] = raw;
  if (control.initial) std::memcpy(reinterpret_cast<void*>(at), control.initial, control.size);
  return reinterpret_cast<void*>(at);
}

// Under the lock.
void FreeBlock(Block* block) noexcept {
  const HANDLE heap = ::GetProcessHeap();
  block->previous->next = block->next;
  block->next->previous = block->previous;
  for (std::size_t i = 0; i < block->count; ++i)
    if (block->variables[i]) ::HeapFree(heap, 0, static_cast<void**>(block->variables[i])[-1]);
  if (block->variables) ::HeapFree(heap, 0, block->variables);
  ::HeapFree(heap, 0, block);
}

// The calling thread's block, made or grown to hold every variable numbered.
Block* Reserve(Block* block) noexcept {
  const Exclusive lock;
  if (g_slot == TLS_OUT_OF_INDEXES) {
    const DWORD slot = ::TlsAlloc();
    if (slot == TLS_OUT_OF_INDEXES) std::abort();
    g_slot = slot;
  }
  if (!block) {
    block = static_cast<Block*>(Allocate(nullptr, sizeof(Block)));
    block->previous = &g_blocks;
    block->next = g_blocks.next;
    g_blocks.next = block->next->previous = block;
    ::TlsSetValue(g_slot, block);
  }
  block->variables = static_cast<void**>(Allocate(block->variables, g_numbered * sizeof(void*)));
  block->count = g_numbered;
  return block;
}

}  // namespace

extern "C" void* __emutls_get_address(Control* control) noexcept {
  std::atomic_ref<std::uintptr_t> number(control->index);
  std::uintptr_t index = number.load(std::memory_order_acquire);
  if (!index) {
    const Exclusive lock;
    index = number.load(std::memory_order_relaxed);
    if (!index) number.store(index = ++g_numbered, std::memory_order_release);
  }
  // TlsGetValue clears the thread's Win32 error, which the caller may not have read yet.
  const DWORD error = ::GetLastError();
  auto* block = static_cast<Block*>(::TlsGetValue(g_slot));
  if (!block || block->count < index) block = Reserve(block);
  void*& variable = block->variables[index - 1];
  if (!variable) variable = NewVariable(*control);
  ::SetLastError(error);
  return variable;
}

namespace kx {

void FreeThreadLocals() noexcept {
  if (g_slot == TLS_OUT_OF_INDEXES) return;
  auto* block = static_cast<Block*>(::TlsGetValue(g_slot));
  if (!block) return;
  ::TlsSetValue(g_slot, nullptr);
  const Exclusive lock;
  FreeBlock(block);
}

void FreeAllThreadLocals() noexcept {
  const Exclusive lock;
  while (g_blocks.next != &g_blocks) FreeBlock(g_blocks.next);
  if (g_slot != TLS_OUT_OF_INDEXES) ::TlsFree(g_slot.exchange(TLS_OUT_OF_INDEXES));
}

}  // namespace kx
