// A general library loader with an error callback, for sibling packages' own libraries, and the
// package's exception classes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "kelvra/Kelvra.Modules.h"
#include "kelvra/Kelvra.SysUtils.h"
#include "kelvra/Kelvra.Types.h"

namespace corvane {

class EKDException : public kelvra::Exception {
 public:
  using kelvra::Exception::Exception;
};

class EKDDLLLoadError : public EKDException {
 public:
  using EKDException::EKDException;
};

// Called when RQLoadLibrary fails: sender, error text, error code and the handled flag (preset to
// false). Setting the flag makes RQLoadLibrary return 0 instead of raising.
using TRQLoadLibraryErrorEvent =
    std::function<void(kelvra::TObject* sender, const std::string& errorText, int32_t errorCode,
                       bool& handled)>;

// Loads `fileName`. On failure the error text is the loader's message (the error code in decimal
// when the loader gives none); it goes to `onError` if assigned, and unless the handler sets the
// handled flag, kelvra::Exception is raised with that text.
kelvra::HMODULE RQLoadLibrary(kelvra::TObject* sender, const std::string& fileName,
                              const TRQLoadLibraryErrorEvent& onError);

}  // namespace corvane
