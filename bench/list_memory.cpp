// Peak resident memory of one list of notes, beside the bytes that the list
// it returns holds. Run in a process of its own, after the database exists:
//
//   NORVANE_BENCH_HOME=<dir> norvane_list_memory <database> <count>
//
// builds the database when it does not exist yet (and exits), and lists it
// otherwise.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_support.h"
#include "norvane/db/list_notes.h"
#include "norvane/db/open.h"

namespace {

// A field of /proc/self/status in KiB ("VmHWM", "VmRSS").
long status_kib(const std::string& field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  }
  return -1;
}

// The heap bytes of a string: its buffer, when it is not kept inside the
// object.
std::size_t heap_bytes(const std::string& s) {
  return s.capacity() > 15 ? s.capacity() + 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string path = argv[1];
  (void)norvane::bench::bench_home();
  if (!std::filesystem::exists(path)) {
    norvane::bench::build_note_database(path, std::stoul(argv[2]));
    std::printf("built %s\n", path.c_str());
    return 0;
  }
  auto conn = norvane::open_database(path);
  if (!conn) return 1;
  // Only the list counts: reset the peak to what is resident now.
  std::ofstream("/proc/self/clear_refs") << "5";
  const long before_kib = status_kib("VmRSS");

  auto notes = norvane::list_notes(*conn, std::nullopt);
  if (!notes) return 1;
  const long peak_kib = status_kib("VmHWM");

  std::size_t text = 0;
  std::size_t heap = 0;
  for (const auto& n : *notes) {
    for (const std::string* s :
         {&n.id, &n.title, &n.body, &n.color, &n.created_at, &n.updated_at}) {
      text += s->size();
      heap += heap_bytes(*s);
    }
    if (n.archived_at) {
      text += n.archived_at->size();
      heap += heap_bytes(*n.archived_at);
    }
  }
  const std::size_t objects = notes->capacity() * sizeof(norvane::Note);
  const double list_bytes = static_cast<double>(heap + objects);
  const double growth = static_cast<double>(peak_kib - before_kib) * 1024.0;
  std::printf("notes %zu\n", notes->size());
  std::printf("text bytes (characters of every string) %zu\n", text);
  std::printf("string buffers on the heap %zu, note objects %zu, list total %.0f\n", heap, objects,
              list_bytes);
  std::printf("resident before listing %ld KiB, peak while listing %ld KiB\n", before_kib,
              peak_kib);
  std::printf("peak / list bytes %.3f; growth / list bytes %.3f; peak / text bytes %.3f\n",
              static_cast<double>(peak_kib) * 1024.0 / list_bytes, growth / list_bytes,
              static_cast<double>(peak_kib) * 1024.0 / static_cast<double>(text));
  return 0;
}
