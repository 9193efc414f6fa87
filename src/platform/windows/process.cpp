#include "platform/process.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/windows/win32.h"

namespace norvane::platform {

void prepare_process() noexcept {
  // Every DLL loaded from here on (icu.dll, bcryptprimitives.dll, and the
  // delay-loaded crypt32.dll and bcrypt.dll) comes from the system folder;
  // neither the current folder nor PATH is searched.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // The report is written with WriteFile or WriteConsoleW (platform/console.h);
  // anything written through the C runtime gets the same bytes, LF line ends.
  (void)_setmode(_fileno(stdout), _O_BINARY);
  (void)_setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace norvane::platform
