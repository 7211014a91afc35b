#include "corvane/numeric/KDTypes.h"

namespace corvane {

kelvra::HMODULE RQLoadLibrary(kelvra::TObject* sender, const std::string& fileName,
                              const TRQLoadLibraryErrorEvent& onError) {
  kelvra::TLoadResult loaded = kelvra::SafeLoadLibrary(fileName);
  if (loaded.Handle) return loaded.Handle;

  std::string errorText =
      loaded.ErrorText.empty() ? std::to_string(loaded.ErrorCode) : loaded.ErrorText;
  bool handled = false;
  if (onError) onError(sender, errorText, loaded.ErrorCode, handled);
  if (handled) return nullptr;
  throw kelvra::Exception(errorText);
}

}  // namespace corvane
