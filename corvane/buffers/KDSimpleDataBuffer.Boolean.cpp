#include "corvane/buffers/KDSimpleDataBuffer.Boolean.h"

#include <algorithm>
#include <cstring>

#include "kelvra/Kelvra.SysUtils.h"

namespace corvane {

using kelvra::TIntf;

namespace {
TKDBooleanBuffer* BooleanBufferBehind(IKDData* AData) {
  return AData ? dynamic_cast<TKDBooleanBuffer*>(AData->GetInstance()) : nullptr;
}

// Every bit of AByteSize bytes; EOutOfMemory when they are more than a bit count can hold.
uint32_t BitsOf(uint32_t AByteSize) {
  if (AByteSize > UINT32_MAX / 8) throw kelvra::EOutOfMemory();
  return AByteSize * 8;
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TKDBooleanBuffer::TKDBooleanBuffer(uint32_t ACount)
    : TKDLinearMemoryBuffer(PackedSize(ACount), 1), bitCount_(ACount) {}

TKDBooleanBuffer::TKDBooleanBuffer(TKDBooleanBuffer& ASource)
    : TKDLinearMemoryBuffer(static_cast<TKDGenericBuffer&>(ASource)),
      bitCount_(ASource.bitCount_) {}

TKDBooleanBuffer::TKDBooleanBuffer(const TIntf<IKDData>& AOrigin, TKDSmartBuffer* ABlock,
                                   uint32_t AByteSize)
    : TKDLinearMemoryBuffer(AOrigin, ABlock, AByteSize), bitCount_(BitsOf(AByteSize)) {}

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::Create() { return new TKDBooleanBuffer(0u); }

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::CreateSize(uint32_t ACount) {
  return new TKDBooleanBuffer(ACount);
}

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::CreateData(const void* AData, uint32_t ACount) {
  auto* buffer = new TKDBooleanBuffer(ACount);
  TBuffer result(buffer);
  if (AData && ACount > 0) std::memcpy(buffer->Read(), AData, PackedSize(ACount));
  return result;
}

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::CreateValue(uint32_t ACount, bool AValue) {
  TBuffer result = CreateSize(ACount);
  result->SetValue(AValue);
  return result;
}

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::CreateArray(std::span<const bool> AArray) {
  auto* buffer = new TKDBooleanBuffer(uint32_t(AArray.size()));
  TBuffer result(buffer);
  uint8_t* bytes = buffer->Read();
  for (size_t i = 0; i < AArray.size(); ++i)
    if (AArray[i]) bytes[i >> 3] |= uint8_t(1u << (i & 7));
  return result;
}

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::CreateArrayList(std::span<const bool> AList) {
  return CreateArray(AList);
}

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::CreateEx(TKDBooleanBuffer& ASource) {
  return new TKDBooleanBuffer(ASource);
}

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::CreateCopy(const TBuffer& ASource) {
  return CreateUniversal(ASource);
}

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::CreateUniversal(const TIntf<IKDData>& ASource) {
  if (TKDBooleanBuffer* source = BooleanBufferBehind(ASource.get())) return CreateEx(*source);
  TIntf<IKDDataBuffer> source = Supports<IKDDataBuffer>(ASource);
  if (!source) throw kelvra::EInvalidCast("Invalid class typecast");
  const uint32_t byteSize = source->GetByteSize();
  return new TKDBooleanBuffer(ASource, new TKDSmartMemoryBuffer(source->ByteRead(), byteSize),
                              byteSize);
}

TIntf<IKDData> TKDBooleanBuffer::MakeCopy() { return new TKDBooleanBuffer(*this); }

bool TKDBooleanBuffer::IsEqual(const TIntf<IKDDataBuffer>& AOther) {
  TKDBooleanBuffer* other = BooleanBufferBehind(AOther.get());
  if (!other || other->bitCount_ != bitCount_) return false;
  const uint8_t* mine = Read();
  const uint8_t* theirs = other->Read();
  const uint32_t whole = bitCount_ / 8, rest = bitCount_ % 8;
  if (whole > 0 && std::memcmp(mine, theirs, whole) != 0) return false;
  const uint8_t mask = uint8_t((1u << rest) - 1);
  return rest == 0 || ((mine[whole] ^ theirs[whole]) & mask) == 0;
}

void TKDBooleanBuffer::Assign(const TIntf<IKDDataBuffer>& ASource) {
  TKDLinearMemoryBuffer::Assign(ASource);
  TKDBooleanBuffer* source = BooleanBufferBehind(ASource.get());
  bitCount_ = source ? source->bitCount_ : BitsOf(GetByteSize());
}

bool TKDBooleanBuffer::Resize(uint32_t ACount, bool AKeep) {
  if (!ResizeItems(ACount, AKeep)) return false;
  bitCount_ = ACount;
  return true;
}

TIntf<IKDBooleanBufferAccess> TKDBooleanBuffer::Data(TBufferAccessModes AModes) {
  return TypedData<IKDBooleanBufferAccess, uint8_t>(AModes);
}

// ---------------------------------------------------------------------------------------------
// Bits

void TKDBooleanBuffer::CheckIndex(int32_t AIndex) const {
  if (AIndex < 0 || uint32_t(AIndex) >= bitCount_) IndexOutOfRange(AIndex);
}

bool TKDBooleanBuffer::GetItem(int32_t AIndex) {
  CheckIndex(AIndex);
  return Read()[AIndex >> 3] >> (AIndex & 7) & 1;
}

void TKDBooleanBuffer::SetItem(int32_t AIndex, bool AValue) {
  uint8_t* bytes = Modify();
  CheckIndex(AIndex);
  const uint8_t bit = uint8_t(1u << (AIndex & 7));
  if (AValue)
    bytes[AIndex >> 3] |= bit;
  else
    bytes[AIndex >> 3] &= uint8_t(~bit);
}

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::InvertBit(int32_t AIndex) {
  SetItem(AIndex, !GetItem(AIndex));
  return this;
}

bool TKDBooleanBuffer::IsEqualToValue(bool AValue) {
  const uint8_t* bytes = Read();
  const uint8_t every = AValue ? 0xFF : 0x00;
  const uint32_t whole = bitCount_ / 8, rest = bitCount_ % 8;
  if (!std::all_of(bytes, bytes + whole, [every](uint8_t b) { return b == every; })) return false;
  const uint8_t mask = uint8_t((1u << rest) - 1);
  return rest == 0 || ((bytes[whole] ^ every) & mask) == 0;
}

// ---------------------------------------------------------------------------------------------
// Logic over the packed bytes

template <class Operation>
TKDBooleanBuffer::TBuffer TKDBooleanBuffer::CombineBytes(const TBuffer& AOther,
                                                         Operation operation) {
  const uint8_t* other = AOther->Read();
  const uint32_t count = std::min(GetByteSize(), AOther->GetByteSize());
  uint8_t* bytes = Modify();
  for (uint32_t i = 0; i < count; ++i) bytes[i] = uint8_t(operation(bytes[i], other[i]));
  return this;
}

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::AndBuffer(const TBuffer& AOther) {
  return CombineBytes(AOther, [](uint8_t a, uint8_t b) { return a & b; });
}

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::OrBuffer(const TBuffer& AOther) {
  return CombineBytes(AOther, [](uint8_t a, uint8_t b) { return a | b; });
}

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::XorBuffer(const TBuffer& AOther) {
  return CombineBytes(AOther, [](uint8_t a, uint8_t b) { return a ^ b; });
}

// Every byte := AByte, through Write; an empty buffer is left as it is.
TKDBooleanBuffer::TBuffer TKDBooleanBuffer::FillBytes(uint8_t AByte) {
  if (GetByteSize() > 0) std::memset(Write(), AByte, GetByteSize());
  return this;
}

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::SetValue(bool AValue) {
  return FillBytes(AValue ? 0xFF : 0x00);
}

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::Zero() { return FillBytes(0x00); }

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::AndValue(bool AValue) {
  return AValue ? TBuffer(this) : Zero();
}

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::OrValue(bool AValue) {
  return AValue ? FillBytes(0xFF) : TBuffer(this);
}

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::XorValue(bool AValue) {
  return AValue ? Invert() : TBuffer(this);
}

TKDBooleanBuffer::TBuffer TKDBooleanBuffer::Invert() {
  const uint32_t count = GetByteSize();
  if (count == 0) return this;
  uint8_t* bytes = Modify();
  for (uint32_t i = 0; i < count; ++i) bytes[i] = uint8_t(~bytes[i]);
  return this;
}

}  // namespace corvane
