#include "corvane/streams/KDStreamTypes.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <string>

#include "corvane/buffers/KDSimpleDataBuffer.Complex.h"
#include "corvane/buffers/KDSimpleDataBuffer.Integer.h"
#include "corvane/framework/ModuleResources.h"
#include "corvane/streams/KDStreamTypes.Converters.h"
#include "corvane/streams/KDStreamTypes.Pins.h"
#include "kelvra/Kelvra.Modules.h"

namespace corvane {
namespace {

using kelvra::TGUID;
using kelvra::TIntf;
using pinweave::TPNNotifyResult;
using pinweave::TPNOperation;

constexpr TKDStreamTypeDescription kStreamTypes[] = {
    {IPNKDGenericStream::IID, "IPNKDGenericStream", "", true, false},
    {IPNKDChannelStream::IID, "IPNKDChannelStream", "KD Generic Buffer", true, false},
    {IPNKDUniversalStream::IID, "IPNKDUniversalStream", "KD Universal Buffer", true, false},
    {IPNKDRealStream::IID, "IPNKDRealStream", "KD Real Buffer", false, true},
    {IPNKDRealRangedStream::IID, "IPNKDRealRangedStream", "KD Ranged Real Buffer", false, true},
    {IPNKDComplexStream::IID, "IPNKDComplexStream", "KD Complex Buffer", false, true},
    {IPNKDIntegerStream::IID, "IPNKDIntegerStream", "KD Integer Buffer", false, true},
    {IPNKDBooleanStream::IID, "IPNKDBooleanStream", "KD Boolean Buffer", false, true},
    {IPNKDBinaryStream::IID, "IPNKDBinaryStream", "KD Binary Buffer", false, true},
    {IPNKDRealMatrixStream::IID, "IPNKDRealMatrixStream", "KD Real Matrix", false, true},
    {IPNKDPairedStream::IID, "IPNKDPairedStream", "KD Paired Buffers", false, true},
    {IPNKDUserControlStream::IID, "IPNKDUserControlStream", "User Control", false, true},
    {IPNGDIPlusImageStream::IID, "IPNGDIPlusImageStream", "GDI+ Image", false, true},
    {IPNRQProcessingStream::IID, "IPNRQProcessingStream", "Processing Control", false, true},
};

// The types registered with the pin framework at start, in order; the processing unit registers
// its own.
constexpr TGUID kRegisteredAtStart[] = {
    IPNKDBinaryStream::IID,    IPNKDBooleanStream::IID,     IPNKDRealStream::IID,
    IPNKDRealRangedStream::IID, IPNKDIntegerStream::IID,    IPNKDComplexStream::IID,
    IPNKDUniversalStream::IID, IPNKDChannelStream::IID,     IPNKDPairedStream::IID,
    IPNKDRealMatrixStream::IID, IPNKDUserControlStream::IID, IPNGDIPlusImageStream::IID,
};

// The channel family, served by the default channel handler.
constexpr TGUID kChannelFamily[] = {
    IPNKDBinaryStream::IID,  IPNKDBooleanStream::IID, IPNKDRealStream::IID,
    IPNKDRealRangedStream::IID, IPNKDIntegerStream::IID, IPNKDComplexStream::IID,
    IPNKDChannelStream::IID, IPNKDPairedStream::IID,  IPNKDRealMatrixStream::IID,
};

struct TStreamRegistry {
  std::mutex lock;
  std::vector<TKDPNStreamTypeEntry> entries;  // in registration order
};

TStreamRegistry& Registry() {
  static TStreamRegistry registry;
  return registry;
}

void NoUpdate(TKDGenericBuffer&, const TPNOperation&) {}

template <class TBuffer>
TIntf<IKDGenericBuffer> MakeBuffer(int32_t ASize) {
  if (ASize < 0) throw kelvra::ERangeError("Range check error");
  return kelvra::Supports<IKDGenericBuffer>(TBuffer::CreateSize(uint32_t(ASize)));
}

// Drops the entries whose functions lie in AModule, the last first.
void ForgetModule(kelvra::HMODULE AModule) {
  TStreamRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  for (size_t i = registry.entries.size(); i-- > 0;) {
    const TKDPNStreamTypeEntry& entry = registry.entries[i];
    if (kelvra::IsAddressInModule(reinterpret_cast<const void*>(entry.CreateBuffer), AModule) ||
        kelvra::IsAddressInModule(reinterpret_cast<const void*>(entry.UpdateBuffer), AModule))
      registry.entries.erase(registry.entries.begin() + ptrdiff_t(i));
  }
}

std::vector<pinweave::TPNStreamTypeInfo> StartStreamInfos() {
  std::vector<pinweave::TPNStreamTypeInfo> infos;
  for (const TGUID& type : kRegisteredAtStart)
    for (const auto& description : kStreamTypes)
      if (description.TypeID == type) infos.push_back(KDStreamTypeInfo(description));
  return infos;
}

}  // namespace

std::span<const TKDStreamTypeDescription> KDStreamTypeDescriptions() {
  return kStreamTypes;
}

pinweave::TPNStreamTypeInfo KDStreamTypeInfo(const TKDStreamTypeDescription& ADescription) {
  pinweave::TPNStreamTypeInfo info{ADescription.TypeID, ADescription.DisplayName,
                                   ADescription.Core};
  if (ADescription.HasImage) {
    std::string resource(ADescription.InterfaceName);
    std::transform(resource.begin(), resource.end(), resource.begin(),
                   [](char c) { return char(std::toupper(uint8_t(c))); });
    info.Image = FindModuleResource("PNG", resource);
  }
  return info;
}

// ---------------------------------------------------------------------------------------------
// Buffer pairs

int32_t TRQBufferPair::GetCount() {
  std::lock_guard guard(lock_);
  return int32_t(FList.size());
}

void TRQBufferPair::CheckIndex(int32_t AIndex) {
  if (AIndex < 0 || size_t(AIndex) >= FList.size())
    throw kelvra::ERangeError("Index out of range = " + std::to_string(uint32_t(AIndex)));
}

TIntf<IKDDataBuffer> TRQBufferPair::GetBuffer(int32_t AIndex) {
  std::lock_guard guard(lock_);
  CheckIndex(AIndex);
  return FList[size_t(AIndex)];
}

void TRQBufferPair::SetBuffer(int32_t AIndex, const TIntf<IKDDataBuffer>& ABuffer) {
  std::lock_guard guard(lock_);
  CheckIndex(AIndex);
  FList[size_t(AIndex)] = ABuffer;
}

void TRQBufferPair::AddBuffer(const TIntf<IKDDataBuffer>& ABuffer) {
  std::lock_guard guard(lock_);
  FList.push_back(ABuffer);
}

// ---------------------------------------------------------------------------------------------
// The registry

void KDPNRegisterStreamType(const TGUID& ATypeID, int32_t ASampleSize,
                            TKDPNCreateBufferFunction ACreateBuffer,
                            TKDPNUpdateBufferFunction AUpdateBuffer) {
  TStreamRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  for (TKDPNStreamTypeEntry& entry : registry.entries)
    if (entry.TypeID == ATypeID) {
      entry.CreateBuffer = ACreateBuffer;
      entry.UpdateBuffer = AUpdateBuffer;
      return;
    }
  registry.entries.push_back({ATypeID, ASampleSize, ACreateBuffer, AUpdateBuffer});
}

void KDPNRegisterStreamType(const TGUID& ATypeID, int32_t ASampleSize,
                            TKDPNCreateBufferFunction ACreateBuffer) {
  KDPNRegisterStreamType(ATypeID, ASampleSize, ACreateBuffer, &NoUpdate);
}

int32_t KDPNGetStreamTypesCount() {
  TStreamRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  return int32_t(registry.entries.size());
}

TGUID KDPNGetStreamType(int32_t AIndex) {
  TStreamRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  if (AIndex < 0 || size_t(AIndex) >= registry.entries.size())
    throw kelvra::ERangeError("Index out of range = " + std::to_string(uint32_t(AIndex)));
  return registry.entries[size_t(AIndex)].TypeID;
}

namespace {
std::optional<TKDPNStreamTypeEntry> FindEntry(const TGUID& ATypeID) {
  TStreamRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  for (const TKDPNStreamTypeEntry& entry : registry.entries)
    if (entry.TypeID == ATypeID) return entry;
  return std::nullopt;
}
}  // namespace

TIntf<IKDGenericBuffer> KDPNCreateBuffer(const TGUID& ATypeID, int32_t ASize) {
  const auto entry = FindEntry(ATypeID);
  return entry ? entry->CreateBuffer(ASize) : nullptr;
}

int32_t KDPNGetSampleSize(const TGUID& ATypeID) {
  const auto entry = FindEntry(ATypeID);
  return entry ? entry->SampleSize : 1;
}

void KDPNUpdateBuffer(const TGUID& ATypeID, TKDGenericBuffer& ABuffer,
                      const TPNOperation& AOperation) {
  if (const auto entry = FindEntry(ATypeID)) entry->UpdateBuffer(ABuffer, AOperation);
}

// ---------------------------------------------------------------------------------------------
// Operations

pinweave::TPNOperation TPNSuppliedBufferOperation::Borrow(const kelvra::TIntf<IKDData>& AValue) {
  return new TPNSuppliedBufferOperation(AValue, TBorrowed{});
}

int32_t TPNSuppliedBufferOperation::_AddRef() {
  const int32_t count = TPNTypedSuppliedOperation::_AddRef();
  // The second reference is added by a receiver of the first holder's delivery, while the lender
  // still holds the buffer; only that receiver sees the count reach 2 with the buffer borrowed.
  if (count == 2 && borrowed_.exchange(false, std::memory_order_relaxed) && value_)
    value_->_AddRef();
  return count;
}

TPNSuppliedBufferOperation::~TPNSuppliedBufferOperation() {
  if (borrowed_.load(std::memory_order_relaxed)) value_.Detach();
}

uint32_t TPNSuppliedBufferOperation::SampleCount() const {
  const auto buffer = kelvra::Supports<IKDDataBuffer>(Value());
  return buffer ? buffer->GetSize() : 0u;
}

TPNNotifyResult DefaultKDChannelNotificationHandler(pinweave::TPNPin* APin,
                                                    pinweave::IPNStream* AStream,
                                                    const TGUID& ATypeID,
                                                    const TPNOperation& AOperation,
                                                    pinweave::TPNNotifyState AState) {
  if (AState.Contains(pinweave::nsConnecting)) return {};
  if (const auto* start = pinweave::OperationAs<TPNStartSampleRateOperation>(AOperation)) {
    const std::pair<TGUID, double> divisors[] = {{IPNKDRealStream::IID, 8.0},
                                                 {IPNKDIntegerStream::IID, 4.0}};
    for (const auto& [type, divisor] : divisors) {
      void* peer = nullptr;
      if (AStream->QueryInterface(type, &peer))
        return AStream->DispatchOperation(
            APin, ATypeID, TPNStartSampleRateOperation::Create(start->SampleRate / divisor),
            AState);
    }
  }
  if (const auto generic = kelvra::Supports<IPNKDGenericStream>(AStream))
    return generic->DispatchOperation(APin, ATypeID, AOperation, AState);
  return {};
}

// ---------------------------------------------------------------------------------------------
// Unit start and end

namespace {
// How a clockable source pin that an object declares as a managed field is made: with the owner
// setter for a field of a component or of one of its objects, with the path setter for a field
// named by its path below the component; no handler and no connection events.
kelvra::TManagedMakers ClockableSourcePinMakers() {
  return {
      .ForOwner = [](kelvra::TComponent* AComponent, kelvra::TPersistent&, std::string_view AName,
                     const TPNChangeLock& ALock) -> kelvra::TPersistent* {
        return new TKDPNClockableSourcePin(
            pinweave::PinCustomOwnerSetter(AComponent, std::string(AName)), ALock);
      },
      .ForPath = [](kelvra::TComponent* AComponent, std::string_view APath,
                    const TPNChangeLock& ALock) -> kelvra::TPersistent* {
        return new TKDPNClockableSourcePin(
            pinweave::PinCustomPathSetter(AComponent, std::string(APath)), ALock);
      }};
}
}  // namespace

void StartKDStreamTypes() {
  Registry().entries.clear();
  pinweave::PNRegisterStreams(StartStreamInfos());
  for (const TGUID& type : kChannelFamily)
    pinweave::PNRegisterDefaultHandler(type, &DefaultKDChannelNotificationHandler);
  KDPNRegisterStreamType(IPNKDChannelStream::IID, 1, &MakeBuffer<TKDBlockBuffer>);
  KDPNRegisterStreamType(IPNKDBinaryStream::IID, 1, &MakeBuffer<TKDBlockBuffer>);
  KDPNRegisterStreamType(IPNKDRealStream::IID, 8, &MakeBuffer<TKDRealBuffer>);
  KDPNRegisterStreamType(IPNKDIntegerStream::IID, 4, &MakeBuffer<TKDIntegerBuffer>);
  KDPNRegisterStreamType(IPNKDComplexStream::IID, 16, &MakeBuffer<TKDComplexBuffer>);
  pinweave::PNRegisterTypeConverters(KDFormatConverterClasses());
  kelvra::RegisterManagedMakers(TKDPNClockableSourcePin::ClassRef, ClockableSourcePinMakers());
  kelvra::AddModuleUnloadProc(&ForgetModule);
}

void FinishKDStreamTypes() {
  kelvra::RemoveModuleUnloadProc(&ForgetModule);
  kelvra::UnregisterManagedMakers(TKDPNClockableSourcePin::ClassRef);
  pinweave::PNUnregisterTypeConverters(KDFormatConverterClasses());
  for (const TGUID& type : kChannelFamily) pinweave::PNUnregisterDefaultHandler(type);
  pinweave::PNUnregisterStreams(StartStreamInfos());
  std::lock_guard guard(Registry().lock);
  Registry().entries.clear();
}

}  // namespace corvane
