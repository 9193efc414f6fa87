// The DLL's delay-loaded crypt32.dll and bcrypt.dll come from the system
// folder only. A program (seed_notes) limits its whole process to it at
// start-up; a DLL must leave its host's search order as it is, so it loads
// these two itself, before the delay-load helper would look for them with
// the host's order, which may start in the application's folder.
#ifdef _WIN32

// clang-format off
#include "platform/windows/win32.h"
#include <delayimp.h>
// clang-format on

namespace {

FARPROC WINAPI load_from_system_folder(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliNotePreLoadLibrary || info == nullptr) return nullptr;
  return reinterpret_cast<FARPROC>(
      LoadLibraryExA(info->szDll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

}  // namespace

// The helper's notification hook; this definition replaces the runtime's
// empty one. Should the system folder not have the DLL, the helper's own
// search follows, as for a DLL without the hook.
extern "C" {
PfnDliHook __pfnDliNotifyHook2 = load_from_system_folder;
}

#endif  // _WIN32
