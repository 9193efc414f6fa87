#include "norvane/env.h"

#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/console.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/process.h"
#include "platform/random.h"

namespace norvane::env {

UtcTime utc_now() noexcept {
  return platform::utc_now();
}

std::uint64_t monotonic_nanoseconds() noexcept {
  return platform::monotonic_nanoseconds();
}

bool fill_random(std::span<std::uint8_t> out) noexcept {
  return platform::fill_random(out);
}

std::optional<std::uint64_t> file_size(const std::string& path) {
  return platform::file_size(path);
}

std::string replace_extension(std::string_view path, std::string_view extension) {
  return platform::replace_extension(path, extension);
}

void prepare_process() noexcept {
  platform::prepare_process();
}

std::vector<std::string> command_line_words(int argc, char** argv) {
  return platform::command_line_words(argc, argv);
}

std::expected<void, IoError> write_std(StdStream stream, std::string_view text) {
  return platform::write_std(stream, text);
}

}  // namespace norvane::env
