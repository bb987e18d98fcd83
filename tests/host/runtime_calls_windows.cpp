// A loaded module's imports of the allocation, lock, wait and thread-local storage
// functions (those the modules import: see x86_64-w64-mingw32-objdump -p) redirected to
// counting functions that call the originals.
#include "tests/host/runtime_calls.h"

#include <windows.h>

#include <cstring>

namespace {

struct Redirect {
  const char* name;
  void* replacement;
  void** original;  // the function the loader bound, the same for every module
};

// A counting function for an import: counts, then calls the original.
#define TWINFOLD_COUNTED(result, convention, function, parameters, arguments) \
  result(convention* function##Original) parameters = nullptr;                 \
  result convention function##Counted parameters {                             \
    countRuntimeCall(#function);                                               \
    return function##Original arguments;                                       \
  }

// The C runtime's allocation and lock functions.
TWINFOLD_COUNTED(void*, , malloc, (size_t a), (a))
TWINFOLD_COUNTED(void*, , calloc, (size_t a, size_t b), (a, b))
TWINFOLD_COUNTED(void*, , realloc, (void* a, size_t b), (a, b))
TWINFOLD_COUNTED(char*, , _strdup, (const char* a), (a))
TWINFOLD_COUNTED(void, , _lock, (int a), (a))
// The system's thread-local storage, lock and wait functions.
TWINFOLD_COUNTED(DWORD, WINAPI, TlsAlloc, (), ())
TWINFOLD_COUNTED(LPVOID, WINAPI, TlsGetValue, (DWORD a), (a))
TWINFOLD_COUNTED(BOOL, WINAPI, TlsSetValue, (DWORD a, LPVOID b), (a, b))
TWINFOLD_COUNTED(void, WINAPI, EnterCriticalSection, (LPCRITICAL_SECTION a), (a))
TWINFOLD_COUNTED(BOOL, WINAPI, TryEnterCriticalSection, (LPCRITICAL_SECTION a), (a))
TWINFOLD_COUNTED(void, WINAPI, InitializeCriticalSection, (LPCRITICAL_SECTION a), (a))
TWINFOLD_COUNTED(DWORD, WINAPI, WaitForSingleObject, (HANDLE a, DWORD b), (a, b))
TWINFOLD_COUNTED(DWORD, WINAPI, WaitForMultipleObjects, (DWORD a, const HANDLE* b, BOOL c, DWORD d), (a, b, c, d))
TWINFOLD_COUNTED(HANDLE, WINAPI, CreateEventA, (LPSECURITY_ATTRIBUTES a, BOOL b, BOOL c, LPCSTR d), (a, b, c, d))
TWINFOLD_COUNTED(HANDLE, WINAPI, CreateSemaphoreA, (LPSECURITY_ATTRIBUTES a, LONG b, LONG c, LPCSTR d),
                 (a, b, c, d))
TWINFOLD_COUNTED(void, WINAPI, Sleep, (DWORD a), (a))

#define TWINFOLD_REDIRECT(function) \
  Redirect { #function, reinterpret_cast<void*>(&function##Counted), reinterpret_cast<void**>(&function##Original) }

const Redirect kRedirects[] = {
    TWINFOLD_REDIRECT(malloc),        TWINFOLD_REDIRECT(calloc),
    TWINFOLD_REDIRECT(realloc),       TWINFOLD_REDIRECT(_strdup),
    TWINFOLD_REDIRECT(_lock),         TWINFOLD_REDIRECT(TlsAlloc),
    TWINFOLD_REDIRECT(TlsGetValue),   TWINFOLD_REDIRECT(TlsSetValue),
    TWINFOLD_REDIRECT(EnterCriticalSection), TWINFOLD_REDIRECT(TryEnterCriticalSection),
    TWINFOLD_REDIRECT(InitializeCriticalSection), TWINFOLD_REDIRECT(WaitForSingleObject),
    TWINFOLD_REDIRECT(WaitForMultipleObjects), TWINFOLD_REDIRECT(CreateEventA),
    TWINFOLD_REDIRECT(CreateSemaphoreA), TWINFOLD_REDIRECT(Sleep)};

const Redirect* redirectFor(const char* name) {
  for (const Redirect& redirect : kRedirects)
    if (std::strcmp(redirect.name, name) == 0) return &redirect;
  return nullptr;
}

}  // namespace


int watch(const hosting::Module& module) {
  auto* base = static_cast<unsigned char*>(module.handle());
  if (!base) return 0;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.Size == 0) return 0;
  int redirected = 0;
  for (auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       library->Name != 0; ++library) {
    const DWORD namesAt = library->OriginalFirstThunk ? library->OriginalFirstThunk : library->FirstThunk;
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + namesAt);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      const Redirect* redirect = redirectFor(reinterpret_cast<const char*>(byName->Name));
      if (!redirect) continue;
      auto* slot = reinterpret_cast<void**>(&slots->u1.Function);
      if (*slot == redirect->replacement) continue;  // watched already
      DWORD protection = 0;
      if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) continue;
      *redirect->original = *slot;
      *slot = redirect->replacement;
      VirtualProtect(slot, sizeof *slot, protection, &protection);
      ++redirected;
    }
  }
  return redirected;
}
