// Lists the notes of the local Norvane database, one line each: the title,
// a tab and the state. A program built against the installed library.
#include "norvane/db/list_notes.h"

#include <iostream>
#include <optional>
#include <string>

#include "norvane/db/location.h"
#include "norvane/db/open.h"

int main() {
  const std::string path = norvane::database_path();
  const auto conn = norvane::open_database(path);
  if (!conn) {
    std::cerr << "Cannot open " << path << ": " << conn.error().message() << '\n';
    return 1;
  }
  // Every note, active ones first; locked notes come back with an empty body.
  const auto notes = norvane::list_notes(*conn, std::nullopt);
  if (!notes) {
    std::cerr << "Cannot list the notes: " << notes.error().message() << '\n';
    return 1;
  }
  for (const norvane::Note& note : *notes) {
    std::cout << note.title << '\t' << norvane::to_text(note.state) << '\n';
  }
  std::cout.flush();
  return std::cout ? 0 : 1;
}
