// What a fuzz target accepts as the outcome of an input: success, or an error that the library
// reports for bad input. A broken invariant (EAssertionFailed, also a kelvra::Exception) aborts,
// so that the fuzzer keeps the input that found it.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "kelvra/Kelvra.SysUtils.h"

namespace corvane::fuzz {

template <class F>
void RunAcceptingLibraryErrors(F&& run) {
  try {
    run();
  } catch (const kelvra::EAssertionFailed& e) {
    std::fprintf(stderr, "%s\n", e.what());
    std::abort();
  } catch (const kelvra::Exception&) {
  }
}

}  // namespace corvane::fuzz
