#include "kelvra/Kelvra.SysUtils.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace kelvra {

void AssertionFailed(const char* unit, int line) { AssertionFailed(unit, line, "Assertion failure"); }

void AssertionFailed(const char* unit, int line, const std::string& message) {
  // Name the unit by its file name only: the build's directory layout is not the reader's concern.
  std::string_view path(unit);
  if (auto slash = path.find_last_of('/'); slash != std::string_view::npos) path.remove_prefix(slash + 1);
  throw EAssertionFailed(message + " (" + std::string(path) + ", line " + std::to_string(line) +
                         ")");
}

std::string ClassName(const std::type_info& type) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
  std::string name = status == 0 ? demangled.get() : type.name();
  // Drop namespaces; template arguments, which may hold "::" themselves, stay.
  const size_t templateStart = std::min(name.find('<'), name.size());
  const size_t lastScope = name.rfind("::", templateStart);
  return lastScope == std::string::npos ? name : name.substr(lastScope + 2);
}

}  // namespace kelvra
