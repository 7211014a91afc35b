// The unscaled power-of-two transforms of the window calculator and the filter responses: an
// FFT set-up made through the dispatch slots (no scaling, accurate hint) and freed with
// its holder. Internal to the algorithms units.
#pragma once

#include "corvane/numeric/KDBasicDispatcher.h"
#include "kelvra/Kelvra.SysUtils.h"

namespace corvane::algorithms {

template <class Spec, auto& InitAlloc, auto& Free>
class TTransform {
 public:
  explicit TTransform(int AOrder) {
    if (InitAlloc(&spec_, AOrder, IPP_FFT_NODIV_BY_ANY, ippAlgHintAccurate) != ippStsNoErr ||
        !spec_)
      throw kelvra::EOutOfMemory();
  }
  ~TTransform() { Free(spec_); }
  TTransform(const TTransform&) = delete;
  TTransform& operator=(const TTransform&) = delete;

  const Spec* Get() const { return spec_; }

 private:
  Spec* spec_ = nullptr;
};

using TRealTransform = TTransform<IppsFFTSpec_R_64f, ippsFFTInitAlloc_R_64f, ippsFFTFree_R_64f>;
using TComplexTransform =
    TTransform<IppsFFTSpec_C_64fc, ippsFFTInitAlloc_C_64fc, ippsFFTFree_C_64fc>;

}  // namespace corvane::algorithms
