// Process-wide settings made once, before the program does anything else.
#pragma once

namespace norvane::platform {

// POSIX: a write to a pipe whose reader has gone fails with EPIPE instead of
// killing the process with SIGPIPE, so the failure can be reported.
// Windows: DLLs that the program loads itself come from the system folder
// only, and standard output and standard error are binary (no CR LF
// translation by the C runtime).
void prepare_process() noexcept;

}  // namespace norvane::platform
