#include "corvane/buffers/KDSimpleDataBuffer.h"

#include <algorithm>
#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "corvane/buffers/KDSimpleDataBuffer.Matrix.h"
#include "corvane/numeric/KDBasicDispatcher.h"
#include "kelvra/Kelvra.SysUtils.h"

namespace corvane {

using kelvra::TIntf;

// ---------------------------------------------------------------------------------------------
// Construction

namespace {

constexpr double kLargest = DBL_MAX;  // 1.7976931348623157e308, the sentinel of the restricted extremes

// Round (nearest, halves to even) or Trunc to 64 bits; a value that 64 bits cannot hold gives
// the integer-indefinite value 0x8000000000000000, as the processor's conversion does.
int64_t ToInt64(double value, bool ARound) {
  const double whole = ARound ? std::nearbyint(value) : std::trunc(value);
  if (!(whole >= -9223372036854775808.0 && whole < 9223372036854775808.0)) return INT64_MIN;
  return int64_t(whole);
}

// The quotient stored where `Divide` met a zero divisor. Comparing a NaN raises the
// invalid-operation exception where that exception is enabled; the element then becomes 0.0.
double DivisionByZeroResult(double quotient) {
  if (std::isnan(quotient) && (fegetexcept() & FE_INVALID)) return 0.0;
  return quotient > 0 ? 1e15 : -1e14;
}

IppCmpOp ComparisonOf(TKDThresholdType AType) {
  return AType == ttGreaterThan ? ippCmpGreater : ippCmpLess;
}

}  // namespace

TKDRealBuffer::TBuffer TKDRealBuffer::Create() { return new TKDRealBuffer(0u); }

TKDRealBuffer::TBuffer TKDRealBuffer::CreateSize(uint32_t ACount) {
  return new TKDRealBuffer(ACount);
}

TKDRealBuffer::TBuffer TKDRealBuffer::CreateData(const double* AData, uint32_t ACount) {
  auto* buffer = new TKDRealBuffer(ACount);
  TBuffer result(buffer);
  if (AData && ACount > 0) std::memcpy(buffer->ReadItems(), AData, ACount * sizeof(double));
  return result;
}

TKDRealBuffer::TBuffer TKDRealBuffer::CreateValue(double AValue, uint32_t ACount) {
  TBuffer result = CreateSize(ACount);
  result->SetValue(AValue);
  return result;
}

// A new buffer of ACount elements from AData by `convert(source, dest, count)`, each then divided
// by ADivisor unless that is exactly 1.0. Every conversion gives the nearest double, so the
// result is source[i] / ADivisor element by element. A null AData leaves zeros.
template <class T, class Convert>
TKDRealBuffer::TBuffer TKDRealBuffer::CreateConverted(const T* AData, uint32_t ACount,
                                                      double ADivisor, Convert convert) {
  auto* buffer = new TKDRealBuffer(ACount);
  TBuffer result(buffer);
  if (!AData) return result;
  double* items = buffer->ReadItems();
  convert(AData, items, int32_t(ACount));
  if (ADivisor != 1.0)
    for (uint32_t i = 0; i < ACount; ++i) items[i] /= ADivisor;
  return result;
}

namespace {
// The plain conversion of the unsigned element types, which have no slot.
constexpr auto kWiden = [](const auto* source, double* dest, int32_t count) {
  for (int32_t i = 0; i < count; ++i) dest[i] = double(source[i]);
};
}  // namespace

TKDRealBuffer::TBuffer TKDRealBuffer::CreateByteData(const uint8_t* AData, uint32_t ACount,
                                                     double ADivisor) {
  return CreateConverted(AData, ACount, ADivisor, kWiden);
}

TKDRealBuffer::TBuffer TKDRealBuffer::CreateWordData(const uint16_t* AData, uint32_t ACount,
                                                     double ADivisor) {
  return CreateConverted(AData, ACount, ADivisor, kWiden);
}

TKDRealBuffer::TBuffer TKDRealBuffer::CreateCardinalData(const uint32_t* AData, uint32_t ACount,
                                                         double ADivisor) {
  return CreateConverted(AData, ACount, ADivisor, kWiden);
}

TKDRealBuffer::TBuffer TKDRealBuffer::CreateSmallIntData(const int16_t* AData, uint32_t ACount,
                                                         double ADivisor) {
  return CreateConverted(AData, ACount, ADivisor, [](const int16_t* s, double* d, int32_t n) {
    ippsConvert_16s64f_Sfs(s, d, n, 0);
  });
}

TKDRealBuffer::TBuffer TKDRealBuffer::CreateIntegerData(const int32_t* AData, uint32_t ACount,
                                                        double ADivisor) {
  return CreateConverted(AData, ACount, ADivisor, [](const int32_t* s, double* d, int32_t n) {
    ippsConvert_32s64f(s, d, n);
  });
}

TKDRealBuffer::TBuffer TKDRealBuffer::CreateInt64Data(const int64_t* AData, uint32_t ACount,
                                                      double ADivisor) {
  return CreateConverted(AData, ACount, ADivisor, [](const int64_t* s, double* d, int32_t n) {
    corvane::ippsConvert_64s64f(s, d, n);
  });
}

TKDRealBuffer::TBuffer TKDRealBuffer::CreateUInt64Data(const uint64_t* AData, uint32_t ACount,
                                                       double ADivisor) {
  return CreateConverted(AData, ACount, ADivisor, [](const uint64_t* s, double* d, int32_t n) {
    corvane::ippsConvert_64u64f(s, d, n);
  });
}

TKDRealBuffer::TBuffer TKDRealBuffer::CreateSingleData(const float* AData, uint32_t ACount) {
  auto* buffer = new TKDRealBuffer(ACount);
  TBuffer result(buffer);
  if (AData) ippsConvert_32f64f(AData, buffer->ReadItems(), int32_t(ACount));
  return result;
}

TKDRealBuffer::TBuffer TKDRealBuffer::CreateEx(TKDRealBuffer& ASource) {
  return new TKDRealBuffer(static_cast<TKDGenericBuffer&>(ASource));
}

TKDRealBuffer::TBuffer TKDRealBuffer::CreateCopy(const TBuffer& ASource) {
  return new TKDRealBuffer(BufferOf(ASource));
}

TKDRealBuffer::TBuffer TKDRealBuffer::CreateUniversal(const TIntf<IKDData>& ASource) {
  return new TKDRealBuffer(BufferOf(ASource));
}

TKDRealBuffer::TBuffer TKDRealBuffer::CreateArrayList(std::span<const double> AList) {
  return CreateData(AList.data(), uint32_t(AList.size()));
}

TKDRealBuffer::TBuffer TKDRealBuffer::CreateBufferArray(const TIntf<IKDRealBufferArray>& AArray) {
  const uint64_t count = uint64_t(AArray->GetCount()) * AArray->GetMaxSize();
  if (count > UINT32_MAX) throw kelvra::EOutOfMemory();
  return CreateSize(uint32_t(count));
}

TIntf<IKDData> TKDRealBuffer::MakeCopy() { return new TKDRealBuffer(*this); }


// ---------------------------------------------------------------------------------------------
// Access, copying, comparison

namespace {
TKDRealBuffer* RealBufferBehind(const TIntf<IKDDataBuffer>& ABuffer) {
  return dynamic_cast<TKDRealBuffer*>(ABuffer->GetInstance());
}
}  // namespace

void TKDRealBuffer::CopyTo(int32_t ASourceIndex, const TIntf<IKDDataBuffer>& ADest,
                           int32_t ADestIndex, int32_t ACount) {
  TKDRealBuffer* dest = RealBufferBehind(ADest);
  if (!dest) return TKDGenericBuffer::CopyTo(ASourceIndex, ADest, ADestIndex, ACount);
  const double* source = ReadItems() + ASourceIndex;
  CopyItems(source, dest->ModifyItems() + ADestIndex, ACount);
}

bool TKDRealBuffer::IsEqual(const TIntf<IKDDataBuffer>& AOther) {
  return RealBufferBehind(AOther) && TKDGenericBuffer::IsEqual(AOther);
}

TIntf<IKDRealBufferAccess> TKDRealBuffer::Data(TBufferAccessModes AModes) {
  return TypedData<IKDRealBufferAccess, double>(AModes);
}

double TKDRealBuffer::GetItem(int32_t AIndex) {
  if (AIndex < 0 || AIndex >= Count()) IndexOutOfRange(AIndex);
  return ReadItems()[AIndex];
}

void TKDRealBuffer::SetItem(int32_t AIndex, double AValue) {
  double* items = ModifyItems();
  if (AIndex < 0 || AIndex >= Count()) IndexOutOfRange(AIndex);
  items[AIndex] = AValue;
}

// ---------------------------------------------------------------------------------------------
// Arithmetic and fills

void TKDRealBuffer::Add(const TBuffer& AOther) {
  ippsAdd_64f_I(AOther->Read(), ModifyItems(), MinCount(AOther));
}

void TKDRealBuffer::Subtract(const TBuffer& AOther) {
  ippsSub_64f_I(AOther->Read(), ModifyItems(), MinCount(AOther));
}

void TKDRealBuffer::Multiply(const TBuffer& AOther) {
  ippsMul_64f_I(AOther->Read(), ModifyItems(), MinCount(AOther));
}

void TKDRealBuffer::DivideWithFixUp(const double* ADivisor, double* AResult, int32_t ACount) {
  if (ippsDiv_64f_I(ADivisor, AResult, ACount) != ippStsDivByZero) return;
  for (int32_t i = 0; i < ACount; ++i)
    if (ADivisor[i] == 0.0) AResult[i] = DivisionByZeroResult(AResult[i]);
}

void TKDRealBuffer::Divide(const TBuffer& AOther) {
  const double* divisor = AOther->Read();
  const int32_t count = MinCount(AOther);
  DivideWithFixUp(divisor, ModifyItems(), count);
}

// The constant forms return before detaching when the value cannot change anything.
void TKDRealBuffer::AddValue(double AValue) {
  if (AValue != 0.0) ippsAddC_64f_I(AValue, ModifyItems(), Count());
}

void TKDRealBuffer::SubtractValue(double AValue) {
  if (AValue != 0.0) ippsSubC_64f_I(AValue, ModifyItems(), Count());
}

void TKDRealBuffer::MultiplyValue(double AValue) {
  if (AValue != 1.0) ippsMulC_64f_I(AValue, ModifyItems(), Count());
}

void TKDRealBuffer::DivideValue(double AValue) {
  if (AValue != 0.0 && AValue != 1.0) ippsDivC_64f_I(AValue, ModifyItems(), Count());
}

void TKDRealBuffer::SetValue(double AValue) { ippsSet_64f(AValue, WriteItems(), Count()); }

void TKDRealBuffer::Zero() { ippsZero_64f(WriteItems(), Count()); }

void TKDRealBuffer::VectorJaehne(double AMagnitude) {
  ippsVectorJaehne_64f(WriteItems(), Count(), AMagnitude);
}

// ---------------------------------------------------------------------------------------------
// Element functions, thresholds, normalisation

void TKDRealBuffer::Sqr() { ippsSqr_64f_I(ModifyItems(), Count()); }
void TKDRealBuffer::Sqrt() { ippsSqrt_64f_I(ModifyItems(), Count()); }
void TKDRealBuffer::Abs() { ippsAbs_64f_I(ModifyItems(), Count()); }
void TKDRealBuffer::Exp() { ippsExp_64f_I(ModifyItems(), Count()); }
void TKDRealBuffer::Ln() { ippsLn_64f_I(ModifyItems(), Count()); }

void TKDRealBuffer::SqrFrom(const TBuffer& ASource) {
  ippsSqr_64f(ASource->Read(), WriteItems(), MinCount(ASource));
}
void TKDRealBuffer::SqrtFrom(const TBuffer& ASource) {
  ippsSqrt_64f(ASource->Read(), WriteItems(), MinCount(ASource));
}
void TKDRealBuffer::AbsFrom(const TBuffer& ASource) {
  ippsAbs_64f(ASource->Read(), WriteItems(), MinCount(ASource));
}
void TKDRealBuffer::ExpFrom(const TBuffer& ASource) {
  ippsExp_64f(ASource->Read(), WriteItems(), MinCount(ASource));
}
void TKDRealBuffer::LnFrom(const TBuffer& ASource) {
  ippsLn_64f(ASource->Read(), WriteItems(), MinCount(ASource));
}

void TKDRealBuffer::Threshold(double ALevel, TKDThresholdType AType) {
  ippsThreshold_64f_I(ModifyItems(), Count(), ALevel, ComparisonOf(AType));
}

void TKDRealBuffer::ThresholdFrom(const TBuffer& ASource, double ALevel, TKDThresholdType AType) {
  ippsThreshold_64f(ASource->Read(), WriteItems(), Count(), ALevel, ComparisonOf(AType));
}

void TKDRealBuffer::NormalizeFrom(const TBuffer& ASource, double ASubtract, double ADivide) {
  ippsNormalize_64f(ASource->Read(), WriteItems(), MinCount(ASource), ASubtract, ADivide);
}

// A second buffer shares the block, so Write moves this buffer to a fresh block without copying
// and the slot reads the old block while it writes the new one. Releasing the second buffer
// releases the old block.
void TKDRealBuffer::Normalize(double ASubtract, double ADivide) {
  NormalizeFrom(CreateEx(*this), ASubtract, ADivide);
}

// ---------------------------------------------------------------------------------------------
// Reductions and extremes

double TKDRealBuffer::Mean() {
  double result = 0.0;
  ippsMean_64f(ReadItems(), Count(), &result);
  return result;
}

double TKDRealBuffer::StdDev() {
  double result = 0.0;
  ippsStdDev_64f(ReadItems(), Count(), &result);
  return result;
}

double TKDRealBuffer::Dot(const TBuffer& AOther) {
  double result = 0.0;
  ippsDotProd_64f(AOther->Read(), ReadItems(), MinCount(AOther), &result);
  return result;
}

double TKDRealBuffer::Norm(const TBuffer& AOther, TKDNormType AType) {
  static constexpr TPtr_ippsNormDiff_L1_64f* kSlots[] = {
      &ippsNormDiff_L1_64f, &ippsNormDiff_L2_64f, &ippsNormDiff_Inf_64f};
  double result = 0.0;
  (*kSlots[AType])(AOther->Read(), ReadItems(), Count(), &result);
  return result;
}

double TKDRealBuffer::GetMinValue() {
  double result = 0.0;
  ippsMin_64f(ReadItems(), Count(), &result);
  return result;
}

double TKDRealBuffer::GetMaxValue() {
  double result = 0.0;
  ippsMax_64f(ReadItems(), Count(), &result);
  return result;
}

double TKDRealBuffer::GetMinIndex(int32_t& AIndex) {
  double result = 0.0;
  AIndex = 0;
  ippsMinIndx_64f(ReadItems(), Count(), &result, &AIndex);
  return result;
}

double TKDRealBuffer::GetMaxIndex(int32_t& AIndex) {
  double result = 0.0;
  AIndex = 0;
  ippsMaxIndx_64f(ReadItems(), Count(), &result, &AIndex);
  return result;
}

// The half-open range [AFrom, ATo) clamped to the buffer: negative bounds become 0, ATo beyond
// the end becomes Size, AFrom at or beyond the end becomes Size - 1. Calls `slot` over it, or
// gives 0.0 when it is empty.
double TKDRealBuffer::RangeExtreme(int32_t AFrom, int32_t ATo, TPtr_ippsMin_64f slot) {
  const int32_t size = Count();
  AFrom = std::max(AFrom, 0);
  ATo = std::min(std::max(ATo, 0), size);
  if (AFrom >= size) AFrom = size - 1;
  if (AFrom < 0 || ATo <= AFrom) return 0.0;
  double result = 0.0;
  slot(ReadItems() + AFrom, ATo - AFrom, &result);
  return result;
}

double TKDRealBuffer::GetMin(int32_t AFrom, int32_t ATo) {
  return RangeExtreme(AFrom, ATo, ippsMin_64f);
}

double TKDRealBuffer::GetMax(int32_t AFrom, int32_t ATo) {
  return RangeExtreme(AFrom, ATo, ippsMax_64f);
}

// The closed range [AFrom, ATo] clamped to the buffer, skipping the sentinel values ±DBL_MAX.
// The search starts from element AFrom, or from 0.0 when that is a sentinel (for the minimum also
// when it is minus infinity). A NaN never replaces the result.
double TKDRealBuffer::RestrictedExtreme(int32_t AFrom, int32_t ATo, bool AMinimum) {
  const int32_t size = Count();
  AFrom = std::max(AFrom, 0);
  ATo = std::max(ATo, 0);
  if (ATo >= size) ATo = size - 1;
  if (AFrom >= size) AFrom = size - 1;
  if (AFrom > ATo || AFrom < 0) return 0.0;  // AFrom < 0 only for an empty buffer
  const double* items = ReadItems();
  const auto isSentinel = [](double v) { return v == -kLargest || v == kLargest; };
  double result = items[AFrom];
  if (isSentinel(result) || (AMinimum && result < -kLargest)) result = 0.0;
  for (int32_t i = AFrom + 1; i <= ATo; ++i) {
    const double v = items[i];
    if (isSentinel(v)) continue;
    if (AMinimum ? v < result : v > result) result = v;
  }
  return result;
}

double TKDRealBuffer::GetMinRestricted(int32_t AFrom, int32_t ATo) {
  return RestrictedExtreme(AFrom, ATo, true);
}

double TKDRealBuffer::GetMaxRestricted(int32_t AFrom, int32_t ATo) {
  return RestrictedExtreme(AFrom, ATo, false);
}

bool TKDRealBuffer::IsEqualToValue(double AValue) {
  const double* items = ReadItems();
  for (int32_t i = 0, n = Count(); i < n; ++i)
    if (items[i] != AValue) return false;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Signal operations

void TKDRealBuffer::Convolve(const TBuffer& A, const TBuffer& B) {
  const uint32_t sizeA = A->GetSize(), sizeB = B->GetSize();
  if (sizeA == 0 || sizeB == 0) {
    Resize(0, false);
    return;
  }
  Resize(sizeA + sizeB - 1, false);
  ippsConv_64f(A->Read(), int32_t(sizeA), B->Read(), int32_t(sizeB), WriteItems());
}

void TKDRealBuffer::AutoCorr(const TBuffer& ASource, TKDAutoCorrType AType) {
  static constexpr TPtr_ippsAutoCorr_64f* kSlots[] = {
      &ippsAutoCorr_64f, &ippsAutoCorr_NormA_64f, &ippsAutoCorr_NormB_64f};
  const double* source = ASource->Read();
  (*kSlots[AType])(source, Count(), WriteItems(), MinCount(ASource));
}

void TKDRealBuffer::CrossCorr(const TBuffer& A, const TBuffer& B, int32_t ALowLag) {
  ippsCrossCorr_64f(A->Read(), int32_t(A->GetSize()), B->Read(), int32_t(B->GetSize()),
                    WriteItems(), Count(), ALowLag);
}

// ---------------------------------------------------------------------------------------------
// Export and import

void TKDRealBuffer::ToInt(int32_t* ADest, bool ARound) {
  ippsConvert_64f32s_Sfs(ReadItems(), ADest, Count(), ARound ? ippRndNear : ippRndZero, 0);
}

void TKDRealBuffer::ToShort(int16_t* ADest, bool ARound) {
  const double* items = ReadItems();
  for (int32_t i = 0, n = Count(); i < n; ++i)
    ADest[i] = int16_t(uint16_t(uint64_t(ToInt64(items[i], ARound)) & 0xFFFF));
}

void TKDRealBuffer::ToSingle(float* ADest) { ippsConvert_64f32f(ReadItems(), ADest, Count()); }

void TKDRealBuffer::FromInt(const int32_t* ASource) {
  ippsConvert_32s64f(ASource, WriteItems(), Count());
}

void TKDRealBuffer::FromShort(const int16_t* ASource) {
  ippsConvert_16s64f_Sfs(ASource, WriteItems(), Count(), 0);
}

void TKDRealBuffer::FromSingle(const float* ASource) {
  ippsConvert_32f64f(ASource, WriteItems(), Count());
}

}  // namespace corvane
