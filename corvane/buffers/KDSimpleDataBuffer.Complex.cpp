#include "corvane/buffers/KDSimpleDataBuffer.Complex.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "corvane/numeric/KDBasicDispatcher.h"

namespace corvane {

using kelvra::TComplex;
using kelvra::TIntf;

namespace {

// TComplex and Ipp64fc are both two doubles, the real part first.
Ipp64fc* Ipp(TComplex* items) { return reinterpret_cast<Ipp64fc*>(items); }
const Ipp64fc* Ipp(const TComplex* items) { return reinterpret_cast<const Ipp64fc*>(items); }
Ipp64fc Ipp(TComplex value) { return {value.Real, value.Imag}; }

IppCmpOp ComparisonOf(TKDThresholdType AType) {
  return AType == ttGreaterThan ? ippCmpGreater : ippCmpLess;
}

}  // namespace

void KDComplexNormalizeFrom(const TComplex* ASource, TComplex* ADest, int32_t ACount,
                            const TComplex* ASubtract, double ADivide) {
  ippsNormalize_64fc(Ipp(ASource), Ipp(ADest), ACount, Ipp(*ASubtract), ADivide);
}

// ---------------------------------------------------------------------------------------------
// Construction

TKDComplexBuffer::TBuffer TKDComplexBuffer::Create() { return new TKDComplexBuffer(0u); }

TKDComplexBuffer::TBuffer TKDComplexBuffer::CreateSize(uint32_t ACount) {
  return new TKDComplexBuffer(ACount);
}

TKDComplexBuffer::TBuffer TKDComplexBuffer::CreateData(const TComplex* AData, uint32_t ACount) {
  auto* buffer = new TKDComplexBuffer(ACount);
  TBuffer result(buffer);
  if (AData && ACount > 0) std::memcpy(buffer->ReadItems(), AData, ACount * sizeof(TComplex));
  return result;
}

TKDComplexBuffer::TBuffer TKDComplexBuffer::CreateValue(TComplex AValue, uint32_t ACount) {
  TBuffer result = CreateSize(ACount);
  result->SetValue(AValue);
  return result;
}

TKDComplexBuffer::TBuffer TKDComplexBuffer::CreateValue(double AReal, double AImaginary,
                                                        uint32_t ACount) {
  return CreateValue(TComplex{AReal, AImaginary}, ACount);
}

// The slot pairs the common part; the tail takes the longer buffer's parts and 0.0 for the
// missing ones. When the Sizes differ, the real parts count as the shorter ones whenever their
// Size is not above the imaginary one's.
TKDComplexBuffer::TBuffer TKDComplexBuffer::CreateBuffers(const TRealBuffer& AReal,
                                                          const TRealBuffer& AImaginary) {
  const uint32_t realSize = AReal->GetSize(), imaginarySize = AImaginary->GetSize();
  const uint32_t common = std::min(realSize, imaginarySize);
  auto* buffer = new TKDComplexBuffer(std::max(realSize, imaginarySize));
  TBuffer result(buffer);
  TComplex* items = buffer->WriteItems();
  const double* real = AReal->Read();
  const double* imaginary = AImaginary->Read();
  ippsRealToCplx_64f(real, imaginary, Ipp(items), int32_t(common));
  if (realSize <= imaginarySize) {
    for (uint32_t i = common; i < imaginarySize; ++i) items[i] = {0.0, imaginary[i]};
  } else {
    for (uint32_t i = common; i < realSize; ++i) items[i] = {real[i], 0.0};
  }
  return result;
}

TKDComplexBuffer::TBuffer TKDComplexBuffer::CreateBufferObjects(TKDRealBuffer& AReal,
                                                                TKDRealBuffer& AImaginary) {
  return CreateBuffers(TRealBuffer(&AReal), TRealBuffer(&AImaginary));
}

TKDComplexBuffer::TBuffer TKDComplexBuffer::CreateEx(TKDComplexBuffer& ASource) {
  return new TKDComplexBuffer(static_cast<TKDGenericBuffer&>(ASource));
}

TKDComplexBuffer::TBuffer TKDComplexBuffer::CreateCopy(const TBuffer& ASource) {
  return new TKDComplexBuffer(BufferOf(ASource));
}

TKDComplexBuffer::TBuffer TKDComplexBuffer::CreateUniversal(const TIntf<IKDData>& ASource) {
  return new TKDComplexBuffer(BufferOf(ASource));
}

TKDComplexBuffer::TBuffer TKDComplexBuffer::CreateArrayList(std::span<const TComplex> AList) {
  return CreateData(AList.data(), uint32_t(AList.size()));
}

TIntf<IKDData> TKDComplexBuffer::MakeCopy() { return new TKDComplexBuffer(*this); }

void TKDComplexBuffer::CopyTo(int32_t ASourceIndex, const TIntf<IKDDataBuffer>& ADest,
                              int32_t ADestIndex, int32_t ACount) {
  auto* dest = dynamic_cast<TKDComplexBuffer*>(ADest->GetInstance());
  if (!dest) return TKDGenericBuffer::CopyTo(ASourceIndex, ADest, ADestIndex, ACount);
  const TComplex* source = ReadItems() + ASourceIndex;
  CopyItems(source, dest->ModifyItems() + ADestIndex, ACount);
}

bool TKDComplexBuffer::IsEqual(const TIntf<IKDDataBuffer>& AOther) {
  return dynamic_cast<TKDComplexBuffer*>(AOther->GetInstance()) &&
         TKDGenericBuffer::IsEqual(AOther);
}

// ---------------------------------------------------------------------------------------------
// Access

TIntf<IKDComplexBufferAccess> TKDComplexBuffer::Data(TBufferAccessModes AModes) {
  return TypedData<IKDComplexBufferAccess, TComplex>(AModes);
}

void TKDComplexBuffer::CheckIndex(int32_t AIndex) const {
  if (AIndex < 0 || AIndex >= Count()) IndexOutOfRange(AIndex);
}

TComplex TKDComplexBuffer::GetItem(int32_t AIndex) {
  CheckIndex(AIndex);
  return ReadItems()[AIndex];
}

void TKDComplexBuffer::SetItem(int32_t AIndex, TComplex AValue) {
  TComplex* items = ModifyItems();
  CheckIndex(AIndex);
  items[AIndex] = AValue;
}

int32_t TKDComplexBuffer::MinCount(const TBuffer& AOther) const {
  return std::min(Count(), int32_t(AOther->GetSize()));
}

// ---------------------------------------------------------------------------------------------
// Arithmetic and fills

void TKDComplexBuffer::Add(const TBuffer& AOther) {
  ippsAdd_64fc_I(Ipp(AOther->Read()), Ipp(ModifyItems()), MinCount(AOther));
}

void TKDComplexBuffer::Subtract(const TBuffer& AOther) {
  ippsSub_64fc_I(Ipp(AOther->Read()), Ipp(ModifyItems()), MinCount(AOther));
}

void TKDComplexBuffer::Multiply(const TBuffer& AOther) {
  ippsMul_64fc_I(Ipp(AOther->Read()), Ipp(ModifyItems()), MinCount(AOther));
}

void TKDComplexBuffer::Divide(const TBuffer& AOther) {
  ippsDiv_64fc_I(Ipp(AOther->Read()), Ipp(ModifyItems()), MinCount(AOther));
}

void TKDComplexBuffer::AddValue(double AReal, double AImaginary) {
  ippsAddC_64fc_I({AReal, AImaginary}, Ipp(ModifyItems()), Count());
}

void TKDComplexBuffer::SubtractValue(double AReal, double AImaginary) {
  ippsSubC_64fc_I({AReal, AImaginary}, Ipp(ModifyItems()), Count());
}

void TKDComplexBuffer::MultiplyValue(double AReal, double AImaginary) {
  ippsMulC_64fc_I({AReal, AImaginary}, Ipp(ModifyItems()), Count());
}

void TKDComplexBuffer::DivideValue(double AReal, double AImaginary) {
  ippsDivC_64fc_I({AReal, AImaginary}, Ipp(ModifyItems()), Count());
}

void TKDComplexBuffer::SetBuffer(const TRealBuffer& AReal, const TRealBuffer& AImaginary) {
  const uint32_t count = std::min(AReal->GetSize(), AImaginary->GetSize());
  Resize(count, false);
  ippsRealToCplx_64f(AReal->Read(), AImaginary->Read(), Ipp(WriteItems()), int32_t(count));
}

void TKDComplexBuffer::SetValue(double AReal, double AImaginary) {
  ippsSet_64fc({AReal, AImaginary}, Ipp(WriteItems()), Count());
}

void TKDComplexBuffer::SetValue(TComplex AValue) { SetValue(AValue.Real, AValue.Imag); }

void TKDComplexBuffer::Zero() { ippsZero_64fc(Ipp(WriteItems()), Count()); }

// ---------------------------------------------------------------------------------------------
// Element functions, thresholds, normalisation

void TKDComplexBuffer::Sqr() { ippsSqr_64fc_I(Ipp(ModifyItems()), Count()); }
void TKDComplexBuffer::Sqrt() { ippsSqrt_64fc_I(Ipp(ModifyItems()), Count()); }

void TKDComplexBuffer::SqrFrom(const TBuffer& ASource) {
  ippsSqr_64fc(Ipp(ASource->Read()), Ipp(WriteItems()), MinCount(ASource));
}

void TKDComplexBuffer::SqrtFrom(const TBuffer& ASource) {
  ippsSqrt_64fc(Ipp(ASource->Read()), Ipp(WriteItems()), MinCount(ASource));
}

void TKDComplexBuffer::Threshold(double ALevel, TKDThresholdType AType) {
  ippsThreshold_64fc_I(Ipp(ModifyItems()), Count(), ALevel, ComparisonOf(AType));
}

void TKDComplexBuffer::ThresholdFrom(const TBuffer& ASource, double ALevel,
                                     TKDThresholdType AType) {
  ippsThreshold_64fc(Ipp(ASource->Read()), Ipp(WriteItems()), Count(), ALevel,
                     ComparisonOf(AType));
}

void TKDComplexBuffer::NormalizeFrom(const TBuffer& ASource, TComplex ASubtract, double ADivide) {
  const TComplex* source = ASource->Read();
  KDComplexNormalizeFrom(source, WriteItems(), MinCount(ASource), &ASubtract, ADivide);
}

// As the real buffer's: a sharing copy is the source, so Write moves this buffer to a fresh block
// without copying, and releasing the copy releases the old block.
void TKDComplexBuffer::Normalize(TComplex ASubtract, double ADivide) {
  NormalizeFrom(CreateEx(*this), ASubtract, ADivide);
}

// ---------------------------------------------------------------------------------------------
// Reductions and correlation

TComplex TKDComplexBuffer::Dot(const TBuffer& AOther) {
  Ipp64fc result{0.0, 0.0};
  ippsDotProd_64fc(Ipp(AOther->Read()), Ipp(ReadItems()), MinCount(AOther), &result);
  return {result.re, result.im};
}

TComplex TKDComplexBuffer::Mean() {
  const TComplex* items = ReadItems();
  const int32_t count = Count();
  double real = 0.0, imaginary = 0.0;
  for (int32_t i = 0; i < count; ++i) {
    real += std::fabs(items[i].Real);
    imaginary += std::fabs(items[i].Imag);
  }
  return {real / double(count), imaginary / double(count)};
}

bool TKDComplexBuffer::IsEqualToValue(TComplex AValue) {
  const TComplex* items = ReadItems();
  for (int32_t i = 0, n = Count(); i < n; ++i)
    if (!(items[i] == AValue)) return false;
  return true;
}

void TKDComplexBuffer::AutoCorr(const TBuffer& ASource, TKDAutoCorrType AType) {
  static constexpr TPtr_ippsAutoCorr_64fc* kSlots[] = {
      &ippsAutoCorr_64fc, &ippsAutoCorr_NormA_64fc, &ippsAutoCorr_NormB_64fc};
  const TComplex* source = ASource->Read();
  (*kSlots[AType])(Ipp(source), Count(), Ipp(WriteItems()), MinCount(ASource));
}

void TKDComplexBuffer::CrossCorr(const TBuffer& A, const TBuffer& B, int32_t ALowLag) {
  ippsCrossCorr_64fc(Ipp(A->Read()), int32_t(A->GetSize()), Ipp(B->Read()),
                     int32_t(B->GetSize()), Ipp(WriteItems()), Count(), ALowLag);
}

// ---------------------------------------------------------------------------------------------
// Extraction to real buffers

template <class Slot>
TKDComplexBuffer::TRealBuffer TKDComplexBuffer::Extract(Slot slot) {
  TRealBuffer result = TKDRealBuffer::CreateSize(uint32_t(Count()));
  slot(Ipp(ReadItems()), result->Write(), Count());
  return result;
}

TKDComplexBuffer::TRealBuffer TKDComplexBuffer::GetReal() { return Extract(ippsReal_64fc); }
TKDComplexBuffer::TRealBuffer TKDComplexBuffer::GetImaginary() { return Extract(ippsImag_64fc); }
TKDComplexBuffer::TRealBuffer TKDComplexBuffer::Magnitude() { return Extract(ippsMagnitude_64fc); }
TKDComplexBuffer::TRealBuffer TKDComplexBuffer::Phase() { return Extract(ippsPhase_64fc); }
TKDComplexBuffer::TRealBuffer TKDComplexBuffer::PowerSpectrum() {
  return Extract(ippsPowerSpectr_64fc);
}

}  // namespace corvane
