// Reading a database back for the reliability tests: integrity, row images.
#pragma once

#include <map>
#include <string>

#include "norvane/db/connection.h"

namespace norvane::testing {

// Every row of `notes` as one text image (every column, the body in hex),
// keyed by id.
using NoteImages = std::map<std::string, std::string>;

// The result of PRAGMA integrity_check ("ok" when sound), or the failure.
[[nodiscard]] std::string integrity_of(const Connection& conn);

[[nodiscard]] NoteImages note_images(const Connection& conn);

// Opens `path` read-only through the engine alone (no schema, no migration),
// so that looking changes nothing.
[[nodiscard]] Connection open_for_inspection(const std::string& path);

// Reads every byte of a file; empty when it is missing.
[[nodiscard]] std::string file_bytes(const std::string& path);
void write_bytes(const std::string& path, std::string_view bytes);

// Redirects standard output (the phases' report) to /dev/null while alive.
class SilencedStdout {
 public:
  SilencedStdout();
  ~SilencedStdout();
  SilencedStdout(const SilencedStdout&) = delete;
  SilencedStdout& operator=(const SilencedStdout&) = delete;

 private:
  int saved_ = -1;
};

// Sends standard error to a file while alive; text() reads what arrived.
class CapturedStderr {
 public:
  explicit CapturedStderr(std::string path);
  ~CapturedStderr();
  CapturedStderr(const CapturedStderr&) = delete;
  CapturedStderr& operator=(const CapturedStderr&) = delete;
  [[nodiscard]] std::string text() const;

 private:
  std::string path_;
  int saved_ = -1;
};

}  // namespace norvane::testing
