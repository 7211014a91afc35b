#include "corvane/buffers/KDSimpleDataBuffer.h"

#include <algorithm>
#include <cstring>

#include "corvane/buffers/KDSimpleDataBuffer.Block.h"
#include "corvane/buffers/KDSimpleDataBuffer.Boolean.h"
#include "corvane/buffers/KDSimpleDataBuffer.Complex.h"
#include "corvane/buffers/KDSimpleDataBuffer.Integer.h"
#include "corvane/buffers/KDSimpleDataBuffer.Matrix.h"
#include "corvane/numeric/KDBasicDispatcher.h"
#include "kelvra/Kelvra.SysUtils.h"

namespace corvane {

using kelvra::TIntf;

std::atomic<int32_t> _KDCountPasBuffers{0};

// ---------------------------------------------------------------------------------------------
// Access objects and the sequence stamp

uint32_t TKDDataBufferAccess::GetByteSize() { return buffer_.GetByteSize(); }
uint32_t TKDDataBufferAccess::GetSize() { return buffer_.GetSize(); }

bool TKDSequenceStamp::GetAvailable() { return buffer_.GetBufferNumberAvailable(); }
void TKDSequenceStamp::SetAvailable(bool AValue) { buffer_.SetBufferNumberAvailable(AValue); }
int64_t TKDSequenceStamp::GetBufferNumber() { return buffer_.GetBufferNumber(); }
void TKDSequenceStamp::SetBufferNumber(int64_t AValue) { buffer_.SetBufferNumber(AValue); }

void TKDSequenceStamp::SerializationRead(kelvra::ISequentialReader& reader) {
  SetAvailable(reader.ReadBoolean("Available"));
  SetBufferNumber(reader.ReadInt64("BufferNumber"));
}

void TKDSequenceStamp::SerializationWrite(kelvra::ISequentialWriter& writer) {
  writer.WriteBoolean("Available", true);
  writer.WriteInt64("BufferNumber", GetBufferNumber());
}

// ---------------------------------------------------------------------------------------------
// Generic buffer

TKDGenericBuffer::TKDGenericBuffer(const TIntf<IKDData>& AOrigin, TKDSmartBuffer* ABlock,
                                   uint32_t AByteSize)
    : TKDData(AOrigin),
      sequenceStamp_(new TKDSequenceStamp(*this)),
      byteSize_(AByteSize),
      dataContainer_(ABlock) {
  dataContainer_->AddReff(true);
  PopulateCahces();
  _KDCountPasBuffers.fetch_add(1, std::memory_order_relaxed);
}

TKDGenericBuffer::TKDGenericBuffer(TKDGenericBuffer& ASource)
    : TKDGenericBuffer(ASource.GetDataIntf(), ASource.dataContainer_, ASource.byteSize_) {}

TKDGenericBuffer::~TKDGenericBuffer() {
  dataContainer_->RemoveReff(ownsData_);
  _KDCountPasBuffers.fetch_sub(1, std::memory_order_relaxed);
}

TIntf<IKDGenericBuffer> TKDGenericBuffer::Create(const TIntf<IKDData>& AOrigin,
                                                 TKDSmartBuffer* ABlock, uint32_t AByteSize) {
  return new TKDGenericBuffer(AOrigin, ABlock, AByteSize);
}

TIntf<IKDGenericBuffer> TKDGenericBuffer::CreateEx(TKDGenericBuffer& ASource) {
  return new TKDGenericBuffer(ASource);
}

TIntf<IKDGenericBuffer> TKDGenericBuffer::CreateCopy(const TIntf<IKDGenericBuffer>& ASource) {
  return CreateEx(BufferOf(ASource));
}

TIntf<IKDGenericBuffer> TKDGenericBuffer::CreateUniversal(const TIntf<IKDData>& ASource) {
  return CreateEx(BufferOf(ASource));
}

TKDGenericBuffer& TKDGenericBuffer::BufferOf(const TIntf<IKDData>& AData) {
  auto* buffer = AData ? dynamic_cast<TKDGenericBuffer*>(AData->GetInstance()) : nullptr;
  if (!buffer) throw kelvra::EInvalidCast("Invalid class typecast");
  return *buffer;
}

TIntf<IKDData> TKDGenericBuffer::MakeCopy() { return new TKDGenericBuffer(*this); }

void TKDGenericBuffer::IntPopulateCahces() { cachedData_ = dataContainer_->GetData(); }

void TKDGenericBuffer::PopulateCahces() {
  IntPopulateCahces();
  if (!cacheNotification_.IsEmpty()) cacheNotification_.Call();
}

void TKDGenericBuffer::ReplaceDataContainer(TKDSmartBuffer* ABlock) {
  ABlock->AddReff(ownsData_);
  TKDSmartBuffer* old = dataContainer_;
  SetDataContainer(ABlock);
  old->RemoveReff(ownsData_);
}

bool TKDGenericBuffer::MakeUnique(bool ACopy) {
  if (dataContainer_->SingleOwner()) return false;
  Detach(ACopy);
  return true;
}

void TKDGenericBuffer::Detach(bool ACopy) {
  ReplaceDataContainer(dataContainer_->Clone(ACopy));
  PopulateCahces();
}

void TKDGenericBuffer::Assign(const TIntf<IKDDataBuffer>& ASource) {
  TKDGenericBuffer& source = BufferOf(ASource);
  AssignData(ASource);
  if (&source != this && source.dataContainer_ != dataContainer_) {
    ReplaceDataContainer(source.dataContainer_);
    PopulateCahces();
  }
  byteSize_ = source.byteSize_;
  cachedData_ = source.cachedData_;
}

bool TKDGenericBuffer::IsEqual(const TIntf<IKDDataBuffer>& AOther) {
  if (AOther->GetByteSize() != byteSize_) return false;
  return byteSize_ == 0 || std::memcmp(ByteRead(), AOther->ByteRead(), byteSize_) == 0;
}

TIntf<IKDSmartBufferProxy> TKDGenericBuffer::GetProxy(const TKDSmartBufferProxyClass& AClass,
                                                      std::span<const kelvra::Variant> AParams) {
  return dataContainer_->GetProxy(AClass, AParams);
}

TKDDataBufferAccess::TByteAccessor TKDGenericBuffer::ByteAccessor(TBufferAccessModes AModes) {
  using enum TBufferAccessMode;
  if (AModes == TBufferAccessModes{Read, Write}) return [this] { return ByteModify(); };
  if (AModes == TBufferAccessModes{Write}) return [this] { return ByteWrite(); };
  return [this] { return ByteRead(); };
}

TIntf<IKDBasicBufferAccess> TKDGenericBuffer::ByteData(TBufferAccessModes AModes) {
  return new TKDDataBufferAccess(*this, ByteAccessor(AModes));
}

void TKDGenericBuffer::IndexOutOfRange(int32_t AIndex) {
  throw kelvra::ERangeError("Index out of range = " + std::to_string(uint32_t(AIndex)));
}

void* TKDGenericBuffer::ByteWrite() {
  Unique(false);
  return cachedData_;
}

void* TKDGenericBuffer::ByteModify() {
  Unique(true);
  return cachedData_;
}

std::vector<uint8_t> TKDGenericBuffer::AsBytes() {
  const auto* bytes = static_cast<const uint8_t*>(ByteRead());
  return bytes ? std::vector<uint8_t>(bytes, bytes + byteSize_) : std::vector<uint8_t>();
}

void TKDGenericBuffer::CopyTo(int32_t ASourceIndex, const TIntf<IKDDataBuffer>& ADest,
                              int32_t ADestIndex, int32_t ACount) {
  const auto* source = static_cast<const Ipp8u*>(ByteRead()) + ASourceIndex;
  ippsCopy_8u(source, static_cast<Ipp8u*>(ADest->ByteModify()) + ADestIndex, ACount);
}

void TKDGenericBuffer::SaveToStream(kelvra::TStream& AStream) {
  AStream.WriteBuffer(ByteRead(), byteSize_);
}

void TKDGenericBuffer::LoadFromStream(kelvra::TStream& AStream) {
  AStream.ReadBuffer(ByteWrite(), byteSize_);
}

void TKDGenericBuffer::SaveToFile(const std::string& AFileName) {
  kelvra::TFileStream file(AFileName, kelvra::fmCreate);
  SaveToStream(file);
  file.Close();  // a write that fails only at the close is an error, not a short file
}

void TKDGenericBuffer::LoadFromFile(const std::string& AFileName) {
  kelvra::TFileStream file(AFileName, kelvra::fmOpenRead);
  LoadFromStream(file);
}

void TKDGenericBuffer::RemoveOwnerShip() {
  if (!ownsData_) return;
  dataContainer_->RemoveOwnerShip();
  ownsData_ = false;
}

void TKDGenericBuffer::SerializationWrite(kelvra::ISequentialWriter& writer) {
  TKDData::SerializationWrite(writer);
  InternalSerializationWrite(writer);
  writer.WriteObject("SequenceStamp", *Supports<kelvra::ISerializable>(sequenceStamp_));
  writer.WriteBytes("Data", {static_cast<const uint8_t*>(ByteRead()), byteSize_});
}

void TKDGenericBuffer::SerializationRead(kelvra::ISequentialReader& reader) {
  // Write access first: a shared block is replaced by a fresh one.
  TIntf<IKDBasicBufferAccess> access = ByteData({TBufferAccessMode::Write});
  void* data = access->GetBytes();
  InternalSerializationRead(reader);
  const std::span<const uint8_t> stored = reader.ReadBytes("Data");
  const size_t count = std::min<size_t>(stored.size(), byteSize_);
  if (count > 0) std::memcpy(data, stored.data(), count);
  reader.ReadObject("SequenceStamp", *Supports<kelvra::ISerializable>(sequenceStamp_));
  TKDData::SerializationRead(reader);
}

// ---------------------------------------------------------------------------------------------
// Memory buffers

uint32_t TKDMemoryBuffer::ByteCount(uint32_t ACount, uint32_t AItemSize) {
  const uint64_t bytes = uint64_t(ACount) * AItemSize;
  if (bytes > UINT32_MAX) throw kelvra::EOutOfMemory();
  return uint32_t(bytes);
}

TKDMemoryBuffer::TKDMemoryBuffer(uint32_t ACount, uint32_t AItemSize)
    : TKDGenericBuffer(nullptr, new TKDSmartMemoryBuffer(ByteCount(ACount, AItemSize)),
                       ByteCount(ACount, AItemSize)) {}

TIntf<IKDGenericBuffer> TKDMemoryBuffer::CreateSize(uint32_t ACount) {
  return new TKDMemoryBuffer(ACount, 1);
}

TIntf<IKDData> TKDMemoryBuffer::MakeCopy() { return new TKDMemoryBuffer(*this); }

TKDSmartMemoryBuffer* TKDMemoryBuffer::MakeCopySize(uint32_t ACount) {
  return new TKDSmartMemoryBuffer(ItemsByteSize(ACount));
}

TIntf<IKDLinearDataBuffer> TKDLinearMemoryBuffer::CreateSize(uint32_t ACount) {
  return new TKDLinearMemoryBuffer(ACount, 1);
}

TIntf<IKDData> TKDLinearMemoryBuffer::MakeCopy() { return new TKDLinearMemoryBuffer(*this); }

bool TKDMemoryBuffer::ResizeItems(uint32_t ACount, bool AKeep) {
  const uint32_t size = GetSize();
  const uint32_t byteSize = ItemsByteSize(ACount);
  if (ACount == 0) {
    SetByteSize(0);
  } else if (ACount == size) {
    return false;
  } else if (AKeep && ACount < size) {
    SetByteSize(byteSize);
  } else if (AKeep && DataContainer()->SingleOwner() && DataContainer()->GetSize() >= byteSize) {
    SetByteSize(byteSize);
  } else {
    TKDSmartMemoryBuffer* block = MakeCopySize(ACount);
    if (AKeep) {
      TKDSmartBuffer& old = *DataContainer();
      const uint32_t count = std::min(old.GetSize(), block->GetSize());
      if (count > 0) std::memcpy(block->GetData(), old.GetData(), count);
    }
    ReplaceDataContainer(block);
    SetByteSize(byteSize);
  }
  PopulateCahces();
  return true;
}

// ---------------------------------------------------------------------------------------------
// Unit start and end

namespace {
// The buffer classes that serialised buffers are recreated as, in their registration order.
constexpr const kelvra::TClassRef* kBufferClasses[] = {
    &TKDBlockBuffer::ClassRef,    &TKDBooleanBuffer::ClassRef, &TKDRealBuffer::ClassRef,
    &TKDComplexBuffer::ClassRef,  &TKDIntegerBuffer::ClassRef, &TKDRealMatrixBuffer::ClassRef,
    &TKDRealBufferList::ClassRef,
};
}  // namespace

void StartKDSimpleDataBuffer() {
  _KDCountPasBuffers.store(0);
  kelvra::TClassManagement::RegisterClasses(kBufferClasses);
}

void FinishKDSimpleDataBuffer() {
  kelvra::TClassManagement::UnregisterClasses(kBufferClasses);
}

}  // namespace corvane
