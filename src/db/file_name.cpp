#include "db/file_name.h"

#include "platform/path.h"

namespace norvane {

std::string engine_file_name(std::string_view path) {
  if (!path.starts_with("file:")) return std::string(path);
  std::string name{'.', platform::kPathSeparator};
  name.append(path);
  return name;
}

}  // namespace norvane
