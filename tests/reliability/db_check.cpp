#include "db_check.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace norvane::testing {

std::string integrity_of(const Connection& conn) {
  auto stmt = conn.prepare("PRAGMA integrity_check");
  if (!stmt) return "prepare failed: " + stmt.error().debug();
  std::string out;
  for (;;) {
    auto row = stmt->step();
    if (!row) return "step failed: " + row.error().debug();
    if (!*row) break;
    if (!out.empty()) out += '\n';
    auto text = stmt->column_text(0);
    out += text ? std::string(*text) : text.error().debug();
  }
  return out;
}

NoteImages note_images(const Connection& conn) {
  NoteImages images;
  auto stmt = conn.prepare(
      "SELECT quote(id), quote(title), quote(body_enc), quote(color), quote(state),"
      " quote(sort_order), quote(created_at), quote(updated_at), quote(archived_at),"
      " quote(is_locked) FROM notes");
  if (!stmt) throw std::runtime_error("note_images: " + stmt.error().debug());
  for (;;) {
    auto row = stmt->step();
    if (!row) throw std::runtime_error("note_images: " + row.error().debug());
    if (!*row) break;
    std::string image;
    for (int i = 0; i < 10; ++i) {
      const auto* text = ::sqlite3_column_text(stmt->handle(), i);
      image += text != nullptr ? reinterpret_cast<const char*>(text) : "?";
      image += '|';
    }
    const auto* id = ::sqlite3_column_text(stmt->handle(), 0);
    images.emplace(id != nullptr ? reinterpret_cast<const char*>(id) : "", std::move(image));
  }
  return images;
}

Connection open_for_inspection(const std::string& path) {
  auto conn = Connection::open(path, SQLITE_OPEN_READWRITE);
  if (!conn) throw std::runtime_error("open_for_inspection: " + conn.error().debug());
  conn->set_extended_result_codes(true);
  (void)conn->set_busy_timeout(5000);
  return std::move(*conn);
}

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void write_bytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

SilencedStdout::SilencedStdout() {
  std::fflush(stdout);
  saved_ = ::dup(STDOUT_FILENO);
  const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  ::dup2(null, STDOUT_FILENO);
  ::close(null);
}

SilencedStdout::~SilencedStdout() {
  std::fflush(stdout);
  ::dup2(saved_, STDOUT_FILENO);
  ::close(saved_);
}

CapturedStderr::CapturedStderr(std::string path) : path_(std::move(path)) {
  std::fflush(stderr);
  saved_ = ::dup(STDERR_FILENO);
  const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ::dup2(fd, STDERR_FILENO);
  ::close(fd);
}

CapturedStderr::~CapturedStderr() {
  std::fflush(stderr);
  ::dup2(saved_, STDERR_FILENO);
  ::close(saved_);
}

std::string CapturedStderr::text() const {
  std::fflush(stderr);
  return file_bytes(path_);
}

}  // namespace norvane::testing
