// A host that loads the library by its path and frees it again and again, as an add-in switched
// off and on does: each load leaves a last error and an exception behind inside the library, and
// the process must get back its thread-local-storage slots, handles and memory.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "files.h"
#include "kxvm.h"
#include "process_usage.h"

using namespace kxtest;

namespace {

// Slots TlsAlloc still hands out (Windows and Wine have 1,088 a process).
size_t FreeTlsSlots() {
  std::vector<DWORD> slots;
  for (DWORD slot; (slot = ::TlsAlloc()) != TLS_OUT_OF_INDEXES;) slots.push_back(slot);
  for (const DWORD slot : slots) ::TlsFree(slot);
  return slots.size();
}

using Library = std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&::FreeLibrary)>;

// The library's function of that name, found by GetProcAddress.
#define KX_FUNCTION(library, name) \
  reinterpret_cast<decltype(&name)>(reinterpret_cast<void*>(::GetProcAddress(library, #name)))

// One load: a call that fails (the thread's last error set) and a read past
// an empty archive's end (thrown and caught inside). False when anything
// went otherwise, or the library stayed loaded.
bool LoadUseAndFree(const std::wstring& path) {
  {
    const Library library(::LoadLibraryW(path.c_str()), &::FreeLibrary);
    const HMODULE m = library.get();
    int32_t code = 0;
    kxvm_key* key = nullptr;
    kxvm_archive* archive = nullptr;
    if (!m || KX_FUNCTION(m, kxvm_key_create)(nullptr, L"x", &key) != KXVM_E_INVALID_ARGUMENT ||
        KX_FUNCTION(m, kxvm_last_error)(&code, nullptr, nullptr) != KXVM_OK ||
        code != KXVM_E_INVALID_ARGUMENT ||
        KX_FUNCTION(m, kxvm_archive_create)(KXVM_ARCHIVE_LOAD, nullptr, 0, &archive) != KXVM_OK)
      return false;
    char bytes[4];
    const int32_t read = KX_FUNCTION(m, kxvm_archive_read)(archive, bytes, 4);
    KX_FUNCTION(m, kxvm_archive_destroy)(archive);
    if (read != KXVM_E_ARCHIVE) return false;
  }
  return !::GetModuleHandleW(path.c_str());
}

TEST(Reload, FiveThousandLoadsGiveBackSlotsHandlesAndMemory) {
  const std::wstring path = ProgramFolder() + kLibrary;
  // GDI+ stays loaded, as in a host that draws: Wine's keeps a slot, ~10 handles and ~1.7 MiB
  // from its first load, and reloading it would triple the time.
  const Library gdiplus(::LoadLibraryW(L"gdiplus.dll"), &::FreeLibrary);
  const size_t slotsBefore = FreeTlsSlots();
  const Usage before = MeasureUsage();
  int failed = 0;
  for (int cycle = 0; cycle < 5000; ++cycle) failed += !LoadUseAndFree(path);
  const size_t slotsAfter = FreeTlsSlots();
  const Usage after = MeasureUsage();
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(slotsAfter, slotsBefore);
  EXPECT_LE(after.handles, before.handles + 100);
  EXPECT_LE(after.privateBytes, before.privateBytes + (16u << 20));
  EXPECT_TRUE(LoadUseAndFree(path));
}

}  // namespace
