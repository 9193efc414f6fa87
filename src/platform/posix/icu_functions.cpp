// ICU is loaded on first use rather than at process start-up: resolving its
// relocations costs a noticeable share of a short run that never needs it.
#include "platform/icu_functions.h"

#include <dlfcn.h>

// Expands a macro argument, then makes a string of it.
#define NORVANE_ICU_STRING_(x) #x
#define NORVANE_ICU_STRING(x) NORVANE_ICU_STRING_(x)

namespace norvane::platform::icu {

namespace {

// The library of the ICU version whose headers this is built with.
constexpr const char* kLibrary = "libicuuc.so." NORVANE_ICU_STRING(U_ICU_VERSION_MAJOR_NUM);

template <typename Function>
[[nodiscard]] bool look_up(void* library, const char* name, Function& out) noexcept {
  void* const address = dlsym(library, name);
  if (address == nullptr) return false;
  out = reinterpret_cast<Function>(address);
  return true;
}

std::optional<Functions> load() noexcept {
  void* const library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return std::nullopt;
  // ICU's headers rename every entry point with the version suffix
  // (u_charType is a macro for u_charType_72), so the stringified name is the
  // symbol the library exports. (U_ICU_ENTRY_POINT_RENAME(u_charType) would
  // expand its argument first and append the suffix twice.)
  Functions found{};
  if (!look_up(library, NORVANE_ICU_STRING(u_charType), found.char_type) ||
      !look_up(library, NORVANE_ICU_STRING(u_strFromUTF8WithSub), found.str_from_utf8_with_sub) ||
      !look_up(library, NORVANE_ICU_STRING(u_strToLower), found.str_to_lower) ||
      !look_up(library, NORVANE_ICU_STRING(u_strToUTF8), found.str_to_utf8)) {
    dlclose(library);
    return std::nullopt;
  }
  // The library stays loaded for the life of the process, as a load-time
  // dependency would.
  return found;
}

}  // namespace

// ICU is a package dependency here: these only keep a broken installation
// from failing outright.
std::int8_t fallback_general_category(char32_t /*c*/) noexcept {
  return U_OTHER_SYMBOL;
}

std::optional<std::string> fallback_to_lower_full(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (const char c : utf8) out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
  return out;
}

const Functions* functions() noexcept {
  // Loaded once, on first use; a function-local static is thread-safe.
  static const std::optional<Functions> loaded = load();
  return loaded ? &*loaded : nullptr;
}

}  // namespace norvane::platform::icu
