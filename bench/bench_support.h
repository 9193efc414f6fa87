// What the benchmarks share: one private user home for the whole process, the
// note databases they list (built once per size and kept), and the pieces the
// floor loops need to decrypt bodies by hand.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/posix/protection_format.h"

namespace norvane::bench {

// The user home of this process: XDG_DATA_HOME and HOME point into a fresh
// temporary folder from the first call on, and the folder is removed at exit.
// Every benchmark that touches the key store calls this first. With
// NORVANE_BENCH_HOME set, that folder is used instead and kept.
[[nodiscard]] const std::string& bench_home();

// A temporary folder inside the bench home, fresh on every call.
[[nodiscard]] std::string fresh_dir(std::string_view prefix);

// The path of a note database holding `count` notes made like the demo notes
// (the catalogue's titles, colours, states and bodies, taken in turn, each
// body protected by the data protection service). Built on first use and
// reused for the rest of the process.
[[nodiscard]] const std::string& note_database(std::size_t count);

// Builds such a database at `path` (which must not exist yet).
void build_note_database(const std::string& path, std::size_t count);

// The size of the large lists is only registered when the full suite is
// asked for (NORVANE_BENCH_FULL=1), so that a quick run stays quick.
[[nodiscard]] bool full_suite();

// The layout of a protected body, for the floor loops.
namespace blob_layout = platform::protection::blob;

struct UserKey {
  std::array<std::uint8_t, platform::protection::kKeyIdBytes> id{};
  std::array<std::uint8_t, platform::protection::kKeyBytes> key{};
};

// The current user's master key, read straight from the key file of the bench
// home (created first when missing).
[[nodiscard]] UserKey read_user_key();

// The statement every list benchmark prepares (all notes, active first).
[[nodiscard]] std::string_view list_all_statement();

}  // namespace norvane::bench
