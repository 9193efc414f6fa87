#include "platform/process.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/windows/win32.h"

namespace norvane::platform {

void prepare_process() noexcept {
#ifdef NORVANE_SQLITE_DLL
  // SQLite comes as sqlite3.dll, installed beside the program.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
#else
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
#endif
  // The report is written with WriteFile or WriteConsoleW (platform/console.h);
  // anything written through the C runtime gets the same bytes, LF line ends.
  (void)_setmode(_fileno(stdout), _O_BINARY);
  (void)_setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace norvane::platform
