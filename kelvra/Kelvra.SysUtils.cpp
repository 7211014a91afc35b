#include "kelvra/Kelvra.SysUtils.h"

#include <string_view>

namespace kelvra {

void AssertionFailed(const char* unit, int line) {
  // Name the unit by its file name only: the build's directory layout is not the reader's concern.
  std::string_view path(unit);
  if (auto slash = path.find_last_of('/'); slash != std::string_view::npos) path.remove_prefix(slash + 1);
  throw EAssertionFailed("Assertion failure (" + std::string(path) + ", line " + std::to_string(line) +
                         ")");
}

}  // namespace kelvra
