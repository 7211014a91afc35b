#include "corvane/buffers/KDSimpleDataBuffer.Integer.h"

#include <algorithm>
#include <cstring>

#include "corvane/numeric/KDBasicDispatcher.h"
#include "kelvra/Kelvra.SysUtils.h"

namespace corvane {

using kelvra::TIntf;

namespace {

// The remainder of truncating division (the sign of the dividend). The quotient of the most
// negative value by -1 does not fit 32 bits; its remainder is 0 all the same.
int32_t Remainder(int32_t dividend, int32_t divisor) {
  if (divisor == 0) throw kelvra::EDivByZero("Division by zero");
  return divisor == -1 ? 0 : dividend % divisor;
}

const Ipp32u* Bits(const int32_t* items) { return reinterpret_cast<const Ipp32u*>(items); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TKDIntegerBuffer::TBuffer TKDIntegerBuffer::Create() { return new TKDIntegerBuffer(0u); }

TKDIntegerBuffer::TBuffer TKDIntegerBuffer::CreateSize(uint32_t ACount) {
  return new TKDIntegerBuffer(ACount);
}

TKDIntegerBuffer::TBuffer TKDIntegerBuffer::CreateData(const int32_t* AData, uint32_t ACount) {
  auto* buffer = new TKDIntegerBuffer(ACount);
  TBuffer result(buffer);
  if (AData && ACount > 0) std::memcpy(buffer->ReadItems(), AData, ACount * sizeof(int32_t));
  return result;
}

TKDIntegerBuffer::TBuffer TKDIntegerBuffer::CreateValue(int32_t AValue, uint32_t ACount) {
  TBuffer result = CreateSize(ACount);
  result->SetValue(AValue);
  return result;
}

TKDIntegerBuffer::TBuffer TKDIntegerBuffer::CreateArrayList(std::span<const int32_t> AList) {
  return CreateData(AList.data(), uint32_t(AList.size()));
}

TKDIntegerBuffer::TBuffer TKDIntegerBuffer::CreateEx(TKDIntegerBuffer& ASource) {
  return new TKDIntegerBuffer(static_cast<TKDGenericBuffer&>(ASource));
}

TKDIntegerBuffer::TBuffer TKDIntegerBuffer::CreateCopy(const TBuffer& ASource) {
  return new TKDIntegerBuffer(BufferOf(ASource));
}

TKDIntegerBuffer::TBuffer TKDIntegerBuffer::CreateUniversal(const TIntf<IKDData>& ASource) {
  return new TKDIntegerBuffer(BufferOf(ASource));
}

TIntf<IKDData> TKDIntegerBuffer::MakeCopy() { return new TKDIntegerBuffer(*this); }

void TKDIntegerBuffer::CopyTo(int32_t ASourceIndex, const TIntf<IKDDataBuffer>& ADest,
                              int32_t ADestIndex, int32_t ACount) {
  auto* dest = dynamic_cast<TKDIntegerBuffer*>(ADest->GetInstance());
  if (!dest) return TKDGenericBuffer::CopyTo(ASourceIndex, ADest, ADestIndex, ACount);
  const int32_t* source = ReadItems() + ASourceIndex;
  CopyItems(source, dest->ModifyItems() + ADestIndex, ACount);
}

bool TKDIntegerBuffer::IsEqual(const TIntf<IKDDataBuffer>& AOther) {
  return dynamic_cast<TKDIntegerBuffer*>(AOther->GetInstance()) &&
         TKDGenericBuffer::IsEqual(AOther);
}

// ---------------------------------------------------------------------------------------------
// Access

TIntf<IKDIntegerBufferAccess> TKDIntegerBuffer::Data(TBufferAccessModes AModes) {
  return TypedData<IKDIntegerBufferAccess, int32_t>(AModes);
}

int32_t TKDIntegerBuffer::GetItem(int32_t AIndex) {
  if (AIndex < 0 || AIndex >= Count()) IndexOutOfRange(AIndex);
  return ReadItems()[AIndex];
}

void TKDIntegerBuffer::SetItem(int32_t AIndex, int32_t AValue) {
  int32_t* items = ModifyItems();
  if (AIndex < 0 || AIndex >= Count()) IndexOutOfRange(AIndex);
  items[AIndex] = AValue;
}

int32_t TKDIntegerBuffer::MinCount(const TBuffer& AOther) const {
  return std::min(Count(), int32_t(AOther->GetSize()));
}

// ---------------------------------------------------------------------------------------------
// Operations on two buffers

void TKDIntegerBuffer::Add(const TBuffer& AOther) {
  ippsAdd_32s_ISfs(AOther->Read(), ModifyItems(), MinCount(AOther), 0);
}

void TKDIntegerBuffer::Subtract(const TBuffer& AOther) {
  ippsSub_32s_ISfs(AOther->Read(), ModifyItems(), MinCount(AOther), 0);
}

void TKDIntegerBuffer::Multiply(const TBuffer& AOther) {
  ippsMul_32s_ISfs(AOther->Read(), ModifyItems(), MinCount(AOther), 0);
}

void TKDIntegerBuffer::Divide(const TBuffer& AOther) {
  ippsDiv_32s_ISfs(AOther->Read(), ModifyItems(), MinCount(AOther), 0);
}

void TKDIntegerBuffer::AndBuffer(const TBuffer& AOther) {
  ippsAnd_32u_I(Bits(AOther->Read()), ModifyBits(), MinCount(AOther));
}

void TKDIntegerBuffer::OrBuffer(const TBuffer& AOther) {
  ippsOr_32u_I(Bits(AOther->Read()), ModifyBits(), MinCount(AOther));
}

void TKDIntegerBuffer::XorBuffer(const TBuffer& AOther) {
  ippsXor_32u_I(Bits(AOther->Read()), ModifyBits(), MinCount(AOther));
}

template <class Operation>
void TKDIntegerBuffer::CombineElements(const TBuffer& AOther, Operation operation) {
  const int32_t* other = AOther->Read();
  const int32_t count = MinCount(AOther);
  int32_t* items = ModifyItems();
  for (int32_t i = 0; i < count; ++i) items[i] = operation(items[i], other[i]);
}

void TKDIntegerBuffer::ModBuffer(const TBuffer& AOther) { CombineElements(AOther, Remainder); }

void TKDIntegerBuffer::LShift(const TBuffer& AOther) {
  CombineElements(AOther, [](int32_t value, int32_t count) {
    return int32_t(uint32_t(value) << (count & 31));
  });
}

void TKDIntegerBuffer::RShift(const TBuffer& AOther) {
  CombineElements(AOther, [](int32_t value, int32_t count) {
    return int32_t(uint32_t(value) >> (count & 31));
  });
}

int32_t TKDIntegerBuffer::Dot(const TBuffer& AOther) {
  int32_t result = 0;
  ippsDotProd_32s_Sfs(AOther->Read(), ReadItems(), MinCount(AOther), &result, 0);
  return result;
}

// ---------------------------------------------------------------------------------------------
// Constant operations and fills

void TKDIntegerBuffer::SetValue(int32_t AValue) { ippsSet_32s(AValue, WriteItems(), Count()); }

// Zero fills the 16-bit halves of the elements.
void TKDIntegerBuffer::Zero() {
  ippsZero_16s(reinterpret_cast<Ipp16s*>(WriteItems()), 2 * Count());
}

void TKDIntegerBuffer::AddValue(int32_t AValue) {
  if (AValue != 0) ippsAddC_32s_ISfs(AValue, ModifyItems(), Count(), 0);
}

void TKDIntegerBuffer::SubtractValue(int32_t AValue) {
  ippsSubC_32s_ISfs(AValue, ModifyItems(), Count(), 0);
}

void TKDIntegerBuffer::MultiplyValue(int32_t AValue) {
  if (AValue != 1) ippsMulC_32s_ISfs(AValue, ModifyItems(), Count(), 0);
}

void TKDIntegerBuffer::DivideValue(int32_t AValue) {
  if (AValue == 0 || AValue == 1) return;
  if (DataContainer()->SingleOwner()) {
    corvane::ippsDivC_32s_ISfs(AValue, ReadItems(), Count(), 0);
    return;
  }
  // The sharing copy keeps the old block, from which Write's fresh block is filled.
  TBuffer source = CreateEx(*this);
  corvane::ippsDivC_32s_Sfs(source->Read(), AValue, WriteItems(), Count(), 0);
}

void TKDIntegerBuffer::ModValue(int32_t AValue) {
  int32_t* items = ModifyItems();
  for (int32_t i = 0, n = Count(); i < n; ++i) items[i] = Remainder(items[i], AValue);
}

void TKDIntegerBuffer::AndValue(int32_t AValue) {
  if (AValue != -1) ippsAndC_32u_I(Ipp32u(AValue), ModifyBits(), Count());
}

void TKDIntegerBuffer::OrValue(int32_t AValue) {
  if (AValue != 0) ippsOrC_32u_I(Ipp32u(AValue), ModifyBits(), Count());
}

void TKDIntegerBuffer::XorValue(int32_t AValue) {
  if (AValue != 0) ippsXorC_32u_I(Ipp32u(AValue), ModifyBits(), Count());
}

void TKDIntegerBuffer::LShiftValue(int32_t AValue) {
  if (AValue != 0) ippsLShiftC_32s_I(AValue, ModifyItems(), Count());
}

void TKDIntegerBuffer::RShiftValue(int32_t AValue) {
  if (AValue != 0) ippsRShiftC_32s_I(AValue, ModifyItems(), Count());
}

// ---------------------------------------------------------------------------------------------
// Comparison and extremes

bool TKDIntegerBuffer::IsEqualToValue(int32_t AValue) {
  const int32_t* items = ReadItems();
  return std::all_of(items, items + Count(), [AValue](int32_t v) { return v == AValue; });
}

template <class Compare>
int32_t TKDIntegerBuffer::Extreme(Compare better) {
  const int32_t* items = ReadItems();
  const int32_t count = Count();
  if (count == 0) return 0;
  return *std::min_element(items, items + count, better);
}

int32_t TKDIntegerBuffer::GetMinValue() { return Extreme(std::less<int32_t>()); }
int32_t TKDIntegerBuffer::GetMaxValue() { return Extreme(std::greater<int32_t>()); }

}  // namespace corvane
