// The name under which the engine is given a database file.
#pragma once

#include <string>
#include <string_view>

namespace norvane {

// `path` as the engine must be given it to open the file at `path`.
// Connections take URI names, and the engine reads a name that begins with
// exactly the bytes "file:" as a URI, whose parameters could keep the
// database in memory or turn its locking off. Such a path is relative on
// every system (an absolute one begins with a separator or, on Windows, with
// a drive letter and a colon), so "./" (".\" on Windows) before it names the
// same file, and the engine reads that as a file name. Every other path is
// handed over as it is.
[[nodiscard]] std::string engine_file_name(std::string_view path);

}  // namespace norvane
