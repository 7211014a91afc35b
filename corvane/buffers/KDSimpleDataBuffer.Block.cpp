#include "corvane/buffers/KDSimpleDataBuffer.Block.h"

#include <algorithm>
#include <cstring>

#include "corvane/numeric/KDBasicDispatcher.h"
#include "kelvra/Kelvra.SysUtils.h"

namespace corvane {

using kelvra::TIntf;

namespace {
TKDBlockBuffer* BlockBufferBehind(IKDData* AData) {
  return AData ? dynamic_cast<TKDBlockBuffer*>(AData->GetInstance()) : nullptr;
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TKDBlockBuffer::TBuffer TKDBlockBuffer::Create() { return CreateSize(0); }

TKDBlockBuffer::TBuffer TKDBlockBuffer::CreateSize(uint32_t ACount) {
  return new TKDBlockBuffer(ACount, 1u);
}

TKDBlockBuffer::TBuffer TKDBlockBuffer::CreateData(const void* AData, uint32_t ACount) {
  TBuffer result = CreateSize(ACount);
  if (AData && ACount > 0) std::memcpy(result->Read(), AData, ACount);
  return result;
}

TKDBlockBuffer::TBuffer TKDBlockBuffer::CreateValue(uint32_t ACount, uint8_t AValue) {
  TBuffer result = CreateSize(ACount);
  result->SetValue(AValue);
  return result;
}

TKDBlockBuffer::TBuffer TKDBlockBuffer::CreateArray(std::span<const uint8_t> AArray) {
  return CreateData(AArray.data(), uint32_t(AArray.size()));
}

TKDBlockBuffer::TBuffer TKDBlockBuffer::CreateArrayList(std::span<const uint8_t> AList) {
  return CreateArray(AList);
}

TKDBlockBuffer::TBuffer TKDBlockBuffer::CreateEx(TKDBlockBuffer& ASource) {
  return new TKDBlockBuffer(static_cast<TKDGenericBuffer&>(ASource));
}

TKDBlockBuffer::TBuffer TKDBlockBuffer::CreateCopy(const TBuffer& ASource) {
  return CreateUniversal(ASource);
}

TKDBlockBuffer::TBuffer TKDBlockBuffer::CreateUniversal(const TIntf<IKDData>& ASource) {
  if (TKDBlockBuffer* source = BlockBufferBehind(ASource.get())) return CreateEx(*source);
  TIntf<IKDDataBuffer> source = Supports<IKDDataBuffer>(ASource);
  if (!source) throw kelvra::EInvalidCast("Invalid class typecast");
  const uint32_t byteSize = source->GetByteSize();
  return new TKDBlockBuffer(ASource, new TKDSmartMemoryBuffer(source->ByteRead(), byteSize),
                            byteSize);
}

TIntf<IKDData> TKDBlockBuffer::MakeCopy() { return CreateEx(*this); }

bool TKDBlockBuffer::IsEqual(const TIntf<IKDDataBuffer>& AOther) {
  return BlockBufferBehind(AOther.get()) && TKDGenericBuffer::IsEqual(AOther);
}

TIntf<IKDBlockBufferAccess> TKDBlockBuffer::Data(TBufferAccessModes AModes) {
  return TypedData<IKDBlockBufferAccess, uint8_t>(AModes);
}

// ---------------------------------------------------------------------------------------------
// Bytes

void TKDBlockBuffer::CheckIndex(int32_t AIndex) {
  if (AIndex < 0 || uint32_t(AIndex) >= GetSize()) IndexOutOfRange(AIndex);
}

uint8_t TKDBlockBuffer::GetItem(int32_t AIndex) {
  CheckIndex(AIndex);
  return Read()[AIndex];
}

void TKDBlockBuffer::SetItem(int32_t AIndex, uint8_t AValue) {
  uint8_t* bytes = Modify();
  CheckIndex(AIndex);
  bytes[AIndex] = AValue;
}

int32_t TKDBlockBuffer::MinCount(const TBuffer& AOther) {
  return int32_t(std::min(GetSize(), AOther->GetSize()));
}

void TKDBlockBuffer::Add(const TBuffer& AOther) {
  ippsAdd_8u_ISfs(AOther->Read(), Modify(), MinCount(AOther), 0);
}

void TKDBlockBuffer::Subtract(const TBuffer& AOther) {
  ippsSub_8u_ISfs(AOther->Read(), Modify(), MinCount(AOther), 0);
}

void TKDBlockBuffer::Multiply(const TBuffer& AOther) {
  ippsMul_8u_ISfs(AOther->Read(), Modify(), MinCount(AOther), 0);
}

void TKDBlockBuffer::Divide(const TBuffer& AOther) {
  const uint8_t* divisor = AOther->Read();
  const int32_t count = MinCount(AOther);
  uint8_t* bytes = Modify();
  for (int32_t i = 0; i < count; ++i) {
    if (divisor[i] == 0) throw kelvra::EDivByZero("Division by zero");
    bytes[i] = uint8_t(bytes[i] / divisor[i]);
  }
}

void TKDBlockBuffer::SetValue(uint8_t AValue) { ippsSet_8u(AValue, Write(), int32_t(GetSize())); }

void TKDBlockBuffer::Zero() { ippsZero_8u(Write(), int32_t(GetSize())); }

bool TKDBlockBuffer::IsEqualToValue(uint8_t AValue) {
  const uint8_t* bytes = Read();
  return std::all_of(bytes, bytes + GetSize(), [AValue](uint8_t b) { return b == AValue; });
}

// ---------------------------------------------------------------------------------------------
// Editing

void TKDBlockBuffer::Append(const TIntf<IKDDataBuffer>& ABuffer) {
  const uint32_t oldSize = GetSize();
  const uint32_t added = ABuffer->GetByteSize();
  if (added == 0) return;  // Write on an unchanged shared block would drop its bytes
  if (uint64_t(oldSize) + added > UINT32_MAX) throw kelvra::EOutOfMemory();
  Resize(oldSize + added, true);
  uint8_t* end = Write() + oldSize;
  // Read after the resize: appending a buffer to itself copies its old bytes from the new block.
  ippsCopy_8u(static_cast<const Ipp8u*>(ABuffer->ByteRead()), end, int32_t(added));
}

void TKDBlockBuffer::Remove(int32_t AIndex, int32_t ACount) {
  const int64_t size = GetSize();
  KELVRA_ASSERT(AIndex >= 0 && ACount >= 0 && int64_t(AIndex) + ACount <= size);
  AIndex = std::max(AIndex, 0);
  if (AIndex > size) return;
  const int64_t count = std::min<int64_t>(ACount, size - AIndex);
  if (count <= 0) return;
  // The sharing copy keeps the old bytes while this buffer moves to a fresh block.
  TBuffer old = CreateEx(*this);
  Resize(uint32_t(size - count), false);
  const uint8_t* source = old->Read();
  uint8_t* dest = Write();
  ippsCopy_8u(source, dest, AIndex);
  ippsCopy_8u(source + AIndex + count, dest + AIndex, int32_t(size - AIndex - count));
}

}  // namespace corvane
