// The report seed_notes prints, as the end-to-end suites of both platforms
// expect it: the fixed lines, with the numbers that vary from run to run
// (timings and sizes) replaced by normalize().
#pragma once

#include <cstdint>
#include <regex>
#include <string>
#include <string_view>

namespace norvane::testing {

inline std::string banner(std::string_view db_path) {
  return "============================================================\n"
         "Norvane Local Database Seeder & Performance Benchmark\n"
         "Database: " +
         std::string(db_path) +
         "\n"
         "============================================================\n";
}

inline constexpr std::string_view kSeeding =
    "\nPreparing to insert 50 demo notes...\n"
    "Successfully inserted and encrypted 50 notes in F ms (avg F ms/note)\n"
    "\n"
    "------------------------------------------------------------\n"
    "Verifying Decryption & Benchmarking Database Retrieval\n"
    "------------------------------------------------------------\n";

inline constexpr std::string_view kClearing =
    "\nClearing existing notes as requested (--clear)...\n"
    "Cleared existing notes.\n";

inline constexpr std::string_view kDone =
    "\nDone! Local dev database is now populated with demo notes.\n";

inline std::string status(std::int64_t active, std::int64_t archived) {
  return "Current DB Status: " + std::to_string(active) + " active, " + std::to_string(archived) +
         " archived, " + std::to_string(active + archived) + " total notes\n";
}

// The benchmark and storage lines, both size lines included.
inline std::string report(std::size_t active, std::size_t archived) {
  std::string out = "Total notes in DB: " + std::to_string(active + archived) +
                    "\n  - Active notes: " + std::to_string(active) +
                    "\n  - Archived notes: " + std::to_string(archived) +
                    "\nRetrieved & DPAPI-decrypted " + std::to_string(active + archived) +
                    " notes in: F ms\n";
  if (active + archived > 0) out += "Average retrieval + DPAPI decryption latency: F ms/note\n";
  return out + "Database file size: N bytes (F KB)\nWAL file size: N bytes (F KB)\n";
}

// Replaces the numbers that vary from run to run: timings and sizes.
inline std::string normalize(const std::string& out) {
  std::string s = std::regex_replace(out, std::regex("[0-9]+\\.[0-9]{2}"), "F");
  return std::regex_replace(s, std::regex("file size: [0-9]+ bytes"), "file size: N bytes");
}

// States that name neither state, stored and as the error reports them
// lower-cased. The second is not ASCII: "İ" lower-cases to "i̇", so it does
// not become "archived".
struct UnknownState {
  const char* stored;
  const char* reported;
};
inline constexpr UnknownState kUnknownStates[] = {{"PINNED", "pinned"}, {"ARCHİVED", "archi̇ved"}};

inline std::string unknown_state_error(std::string_view reported) {
  return "Error: Database(FromSqlConversionFailure(4, Text, \"Unknown note state: '" +
         std::string(reported) + "'\"))\n";
}

}  // namespace norvane::testing
