// The message of an expected exception, for tests that check the texts of errors.
#pragma once

#include <string>

#include "kelvra/Kelvra.SysUtils.h"

namespace corvane::test {

// The message of the TError that `action` raises, "(no error)" when it raises none.
template <class TError = kelvra::Exception, class Action>
std::string MessageOf(const Action& action) {
  try {
    action();
  } catch (const TError& e) {
    return e.what();
  }
  return "(no error)";
}

}  // namespace corvane::test
