#include "norvane/error/app_error.h"

#include <fmt/format.h>

#include "common/overloaded.h"
#include "error/debug_text.h"

namespace norvane {

namespace {

std::string wrap(std::string_view name, const std::string& inner) {
  return fmt::format("{}({})", name, inner);
}

std::string wrap_text(std::string_view name, std::string_view text) {
  std::string out(name);
  out.push_back('(');
  append_debug_quoted(out, text);
  out.push_back(')');
  return out;
}

}  // namespace

std::string AppError::message() const {
  using namespace app_error;
  return std::visit(
      Overloaded{
          [](const Database& e) { return fmt::format("Database error: {}", e.error.message()); },
          [](const Crypto& e) { return fmt::format("Encryption error: {}", e.error.message()); },
          [](const Serialization& e) {
            return fmt::format("Serialization error: {}", e.error.message());
          },
          [](const NoteNotFound& e) { return fmt::format("Note not found with ID: {}", e.id); },
          [](const NoteDecryption& e) {
            return fmt::format(
                "Could not decrypt note {}. The encrypted data was left unchanged: {}", e.id,
                e.reason);
          },
          [](const Validation& e) { return fmt::format("Invalid input: {}", e.text); },
          [](const LockPoisoned&) { return std::string("Database lock poisoned"); },
          [](const Window& e) { return fmt::format("Window management error: {}", e.text); },
          [](const Io& e) { return fmt::format("I/O error: {}", e.error.message()); },
          [](const Update& e) { return fmt::format("Update error: {}", e.text); },
          [](const VaultLocked&) {
            return std::string("Your locked notes are hidden. Enter your PIN first.");
          },
          [](const VaultNotConfigured&) { return std::string("You haven't set up a PIN yet."); },
          [](const VaultAlreadyConfigured&) {
            return std::string("A PIN is already set up. Use Change PIN instead.");
          },
          [](const IncorrectPin&) { return std::string("Wrong PIN. Try again."); },
          [](const IncorrectRecoveryKey&) {
            return std::string("That recovery key doesn't match. Check it and try again.");
          },
          [](const TooManyAttempts& e) {
            return fmt::format("Too many wrong tries. Please wait {} seconds and try again.",
                               e.seconds);
          },
          [](const Background& e) { return fmt::format("Background task failed: {}", e.text); },
      },
      value_);
}

std::string AppError::debug() const {
  using namespace app_error;
  return std::visit(
      Overloaded{
          [](const Database& e) { return wrap("Database", e.error.debug()); },
          [](const Crypto& e) { return wrap("Crypto", e.error.debug()); },
          [](const Serialization& e) { return wrap("Serialization", e.error.debug()); },
          [](const NoteNotFound& e) { return wrap_text("NoteNotFound", e.id); },
          [](const NoteDecryption& e) {
            return fmt::format("NoteDecryption {{ id: {}, reason: {} }}", debug_quoted(e.id),
                               debug_quoted(e.reason));
          },
          [](const Validation& e) { return wrap_text("Validation", e.text); },
          [](const LockPoisoned&) { return std::string("LockPoisoned"); },
          [](const Window& e) { return wrap_text("Window", e.text); },
          [](const Io& e) { return wrap("Io", e.error.debug()); },
          [](const Update& e) { return wrap_text("Update", e.text); },
          [](const VaultLocked&) { return std::string("VaultLocked"); },
          [](const VaultNotConfigured&) { return std::string("VaultNotConfigured"); },
          [](const VaultAlreadyConfigured&) { return std::string("VaultAlreadyConfigured"); },
          [](const IncorrectPin&) { return std::string("IncorrectPin"); },
          [](const IncorrectRecoveryKey&) { return std::string("IncorrectRecoveryKey"); },
          [](const TooManyAttempts& e) { return fmt::format("TooManyAttempts({})", e.seconds); },
          [](const Background& e) { return wrap_text("Background", e.text); },
      },
      value_);
}

const Error* AppError::cause() const noexcept {
  using namespace app_error;
  return std::visit(Overloaded{
                        [](const Database& e) -> const Error* { return &e.error; },
                        [](const Crypto& e) -> const Error* { return &e.error; },
                        [](const Serialization& e) -> const Error* { return &e.error; },
                        [](const Io& e) -> const Error* { return &e.error; },
                        [](const auto&) -> const Error* { return nullptr; },
                    },
                    value_);
}

}  // namespace norvane
