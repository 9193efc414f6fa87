#include "bench_support.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>

#include "db/list_statement.h"
#include "demo_catalogue.h"
#include "norvane/db/list_notes.h"
#include "norvane/db/open.h"
#include "norvane/env.h"
#include "norvane/protect/body.h"
#include "note_id.h"
#include "timestamp.h"

namespace norvane::bench {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void die(const std::string& what) {
  throw std::runtime_error("benchmark set-up failed: " + what);
}

class Home {
 public:
  Home() {
    // A home that a script keeps across processes.
    if (const char* kept = std::getenv("NORVANE_BENCH_HOME"); kept != nullptr && *kept != '\0') {
      path_ = kept;
      keep_ = true;
      ::setenv("XDG_DATA_HOME", path_.c_str(), 1);
      ::setenv("HOME", path_.c_str(), 1);
      return;
    }
    std::string tmpl = (fs::temp_directory_path() / "norvane-bench-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) die("no temporary folder");
    path_ = tmpl;
    ::setenv("XDG_DATA_HOME", path_.c_str(), 1);
    ::setenv("HOME", path_.c_str(), 1);
  }
  ~Home() {
    if (keep_) return;
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  Home(const Home&) = delete;
  Home& operator=(const Home&) = delete;

  [[nodiscard]] const std::string& path() const noexcept { return path_; }

 private:
  std::string path_;
  bool keep_ = false;
};

constexpr std::string_view kInsert =
    "INSERT INTO notes (id, title, body_enc, color, state, sort_order, created_at, updated_at, "
    "archived_at)\n"
    "             VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)";

template <typename T>
T need(std::expected<T, DbError>&& result, const char* what) {
  if (!result) die(std::string(what) + ": " + result.error().debug());
  return std::move(*result);
}

void need(std::expected<void, DbError>&& result, const char* what) {
  if (!result) die(std::string(what) + ": " + result.error().debug());
}

}  // namespace

const std::string& bench_home() {
  static const Home home;
  return home.path();
}

std::string fresh_dir(std::string_view prefix) {
  std::string tmpl = (fs::path(bench_home()) / (std::string(prefix) + "-XXXXXX")).string();
  if (::mkdtemp(tmpl.data()) == nullptr) die("no temporary folder");
  return tmpl;
}

bool full_suite() {
  const char* full = std::getenv("NORVANE_BENCH_FULL");
  return full != nullptr && std::string_view(full) == "1";
}

void build_note_database(const std::string& path, std::size_t count) {
  (void)bench_home();
  auto opened = open_database(path);
  if (!opened) die("open " + path + ": " + opened.error().debug());
  const Connection conn = std::move(*opened);

  need(conn.execute("BEGIN DEFERRED"), "begin");
  Statement insert = need(conn.prepare(kInsert), "prepare");
  const auto catalogue = seeder::demo_catalogue();
  const env::UtcTime instant = env::utc_now();
  std::int64_t next_active = 0;
  std::int64_t next_archived = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const seeder::DemoNote& note = catalogue[i % catalogue.size()];
    std::array<std::uint8_t, 16> id_bytes{};
    if (!env::fill_random(id_bytes)) die("random bytes");
    auto body_enc = protect_body(note.body);
    if (!body_enc) die("protect_body: " + body_enc.error().debug());
    const bool archived = note.state == NoteState::Archived;
    const std::int64_t sort_order = archived ? next_archived++ : next_active++;
    const auto at = [&](std::int64_t seconds) {
      return seeder::format_rfc3339(seeder::seconds_before(instant, seconds));
    };
    need(insert.bind_text(1, seeder::format_uuid_v4(id_bytes)), "bind");
    need(insert.bind_text(2, note.title), "bind");
    need(insert.bind_blob(3, *body_enc), "bind");
    need(insert.bind_text(4, note.color), "bind");
    need(insert.bind_text(5, to_text(note.state)), "bind");
    need(insert.bind_int64(6, sort_order), "bind");
    need(insert.bind_text(7, at(note.days_ago * 86'400)), "bind");
    need(insert.bind_text(8, at(note.days_ago * 4 * 3'600)), "bind");
    if (archived) {
      need(insert.bind_text(9, at(note.days_ago / 2 * 86'400)), "bind");
    } else {
      need(insert.bind_null(9), "bind");
    }
    need(insert.run(), "insert");
    need(insert.reset(), "reset");
  }
  insert.finalize();
  need(conn.execute("COMMIT"), "commit");
}

const std::string& note_database(std::size_t count) {
  static std::map<std::size_t, std::string> built;
  if (auto it = built.find(count); it != built.end()) return it->second;
  const std::string path = fresh_dir("list-" + std::to_string(count)) + "/norvane.db";
  build_note_database(path, count);
  return built.emplace(count, path).first->second;
}

UserKey read_user_key() {
  (void)bench_home();
  if (!protect_body(std::string_view("make sure the key exists"))) die("protect_body");
  const fs::path file = fs::path(bench_home()) / "data-protection" / "master.key";
  std::ifstream in(file, std::ios::binary);
  const std::string content{std::istreambuf_iterator<char>(in), {}};
  namespace key_file = platform::protection::key_file;
  if (content.size() != key_file::kBytes) die("unexpected key file " + file.string());
  UserKey key;
  std::memcpy(key.id.data(), content.data() + key_file::kKeyIdAt, key.id.size());
  std::memcpy(key.key.data(), content.data() + key_file::kKeyAt, key.key.size());
  return key;
}

std::string_view list_all_statement() {
  return list_statement(std::nullopt);
}

}  // namespace norvane::bench
