#include "platform/path.h"

#include "text/utf8.h"

namespace norvane::platform {

namespace {

constexpr bool is_separator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

#ifdef _WIN32
constexpr bool kPathsAreWtf8 = true;
#else
constexpr bool kPathsAreWtf8 = false;
#endif

}  // namespace

std::string join_path(std::string_view left, std::string_view right) {
  std::string out;
  out.reserve(left.size() + 1 + right.size());
  out.append(left);
  if (!left.empty() && !is_separator(left.back())) out.push_back(kPathSeparator);
  out.append(right);
  return out;
}

std::string replace_extension(std::string_view path, std::string_view extension) {
  std::size_t name_start = 0;
  for (std::size_t i = path.size(); i > 0; --i) {
    if (is_separator(path[i - 1])) {
      name_start = i;
      break;
    }
  }
  const std::string_view name = path.substr(name_start);
  std::size_t stem_end = path.size();
  // A leading dot names a hidden file, not an extension.
  if (const auto dot = name.rfind('.'); dot != std::string_view::npos && dot > 0) {
    stem_end = name_start + dot;
  }
  std::string out(path.substr(0, stem_end));
  out.push_back('.');
  out.append(extension);
  return out;
}

std::string path_as_text(std::string_view path) {
  return lossy_utf8(path, kPathsAreWtf8);
}

}  // namespace norvane::platform
