// Runs the real seed_notes binary against a database in a temporary folder.
#pragma once

#include <string>
#include <vector>

#include "support/process.h"
#include "support/seed_notes_binary.h"
#include "support/temp_dir.h"

namespace norvane::testing {

class BinaryRun {
 public:
  BinaryRun() : data_dir_(tmp_ / "data") {}

  // Runs seed_notes with `args`; `data_dir` overrides NORVANE_DATA_DIR.
  [[nodiscard]] ProcessResult run(std::vector<std::string> args = {},
                                  std::optional<unsigned> as_user = std::nullopt) const {
    args.insert(args.begin(), seed_notes_binary());
    return run_process(args, options(as_user));
  }

  [[nodiscard]] ProcessOptions options(std::optional<unsigned> as_user = std::nullopt) const {
    ProcessOptions options;
    options.env = {
        {"NORVANE_DATA_DIR", data_dir_}, {"HOME", tmp_ / "home"}, {"XDG_DATA_HOME", tmp_ / "xdg"}};
    options.working_dir = tmp_.str();
    options.run_as_user = as_user;
    return options;
  }

  [[nodiscard]] std::string db_path() const { return data_dir_ + "/Norvane/norvane.db"; }
  [[nodiscard]] const TempDir& tmp() const noexcept { return tmp_; }

  TempDir tmp_;
  std::string data_dir_;
};

}  // namespace norvane::testing
