#include "corvane/streams/KDStreamTypes.Pins.h"

#include <algorithm>

#include "corvane/buffers/KDSimpleDataBuffer.Boolean.h"

namespace corvane {
namespace {

using kelvra::TGUID;
using pinweave::IPNStream;
using pinweave::TPNPin;

// Whether AStream is of the signal streams (or, with AForward, forwards).
bool TakesOperations(IPNStream* AStream, bool AForward) {
  void* out = nullptr;
  return AStream->QueryInterface(IPNKDGenericStream::IID, &out) ||
         (AForward && AStream->QueryInterface(pinweave::IPNForwardStream::IID, &out));
}

// The operation handed on when the stream object takes operations (TakesOperations); nothing
// otherwise.
std::optional<TPNNotifyResult> DispatchToStream(CORVANE_HANDLER_ARGS, bool AForward) {
  if (AState.Contains(pinweave::nsConnecting) || TakesOperations(AStream, AForward))
    return pinweave::PNForwardData(ASender, AStream, AType, AOperation, AState);
  return std::nullopt;
}

bool Offers(IPNStream* AStream, const TGUID& AType) {
  void* out = nullptr;
  return AStream->QueryInterface(AType, &out);
}

// The value of a supplied operation as a buffer of interface I; empty for other operations.
template <class I>
kelvra::TIntf<I> SuppliedBuffer(const TPNOperation& AOperation) {
  const auto* supplied = pinweave::OperationAs<TPNSuppliedBufferOperation>(AOperation);
  return supplied ? kelvra::Supports<I>(supplied->Value()) : nullptr;
}

// A single value sent to AStream as a typed supplied operation.
template <class T>
TPNNotifyResult SendSingle(CORVANE_HANDLER_ARGS, T AValue) {
  AStream->DispatchOperation(ASender, AType, pinweave::TPNTypedSuppliedOperation<T>::Create(AValue),
                             AState);
  return {};
}

// The last sample of a real buffer, to a framework real (double) or float (single) peer.
TPNNotifyResult SendLastReal(CORVANE_HANDLER_ARGS, const kelvra::TIntf<IKDRealBuffer>& ABuffer) {
  if (!ABuffer || ABuffer->GetSize() == 0) return {};
  const double last = ABuffer->Read()[ABuffer->GetSize() - 1];
  if (AType == pinweave::IPNFloatStream::IID)
    return SendSingle(ASender, AStream, AType, AOperation, AState, float(last));
  return SendSingle(ASender, AStream, AType, AOperation, AState, last);
}

// The short name of InputPin and OutputPin (and their raw forms) is the class's display name.
std::optional<std::string> DisplayShortName(const kelvra::TClassRef& AClass, std::string_view AName,
                                            std::string_view APlain, std::string_view ARaw) {
  if (AName != APlain && AName != ARaw) return std::nullopt;
  for (const kelvra::TClassRef* c = &AClass; c; c = c->Parent())
    if (!c->Attributes().DisplayName.empty())
      return (AName == ARaw ? "Raw" : "") + std::string(c->Attributes().DisplayName);
  return std::nullopt;
}

void Invoke(const TPNPinEvent& AEvent, TPNPin* APin) {
  if (AEvent) AEvent(APin);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Source pins

TKDPNSourcePin::TKDPNSourcePin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
                               bool AClock, TPNBasicPinNotificationEvent AOnNotification,
                               int32_t AMaxSinks, TPNPinEvent AOnConnect,
                               TPNPinEvent AOnDisconnect)
    : TPNBasicDispatchSourcePin(AOwnerSetter, std::move(ALock), std::move(AOnNotification),
                                AMaxSinks),
      FOnConnect(std::move(AOnConnect)),
      FOnDisconnect(std::move(AOnDisconnect)) {
  if (AClock) AddType(pinweave::IPNClockStream::IID, Handler<&TKDPNSourcePin::ClockNotification>());
  AddType(IPNKDUniversalStream::IID, Handler<&TKDPNSourcePin::NotificationHandler>());
  PopulateTypes(Handler<&TKDPNSourcePin::NotificationHandler>());
}

TPNNotifyResult TKDPNSourcePin::SubmitBuffer(const kelvra::TIntf<IKDData>& AData) {
  return Notify(TPNSuppliedBufferOperation::Borrow(AData));
}

TPNNotifyResult TKDPNSourcePin::Stop() {
  return Notify(pinweave::TPNNotifyOperation::Create(pinweave::TPNStopOperation::ClassRef));
}

TPNNotifyResult TKDPNSourcePin::EndStop() {
  return Notify(pinweave::TPNNotifyOperation::Create(pinweave::TPNEndStopOperation::ClassRef));
}

TPNNotifyResult TKDPNSourcePin::FileEndNoStop() {
  return Notify(
      pinweave::TPNNotifyOperation::Create(pinweave::TPNFileEndNoStopOperation::ClassRef));
}

std::string TKDPNSourcePin::MakeShortName(std::string_view AName) const {
  return DisplayShortName(ClassType(), AName, "OutputPin", "RawOutputPin")
      .value_or(TPNBasicDispatchSourcePin::MakeShortName(AName));
}

TPNNotifyResult TKDPNSourcePin::NotificationHandler(CORVANE_HANDLER_ARGS) {
  if (auto result = DispatchToStream(ASender, AStream, AType, AOperation, AState, true))
    return *result;
  return IntNotificationHandler(ASender, AStream, AType, AOperation, AState);
}

TPNNotificationHandler TKDPNSourcePin::HandlerForLink(const TGUID& AType, TPNPin& APeer) const {
  TPNNotificationHandler handler = TPNBasicDispatchSourcePin::HandlerForLink(AType, APeer);
  if (handler.target<TMemberHandler<&TKDPNSourcePin::NotificationHandler>>() &&
      TakesOperations(&APeer, true))
    return &pinweave::PNForwardData;
  return handler;
}

TPNNotifyResult TKDPNSourcePin::ClockNotification(CORVANE_HANDLER_ARGS) {
  if (!Offers(AStream, pinweave::IPNClockStream::IID)) return {};
  return AStream->DispatchOperation(ASender, AType, AOperation, AState);
}

TPNNotifyResult TKDPNSourcePin::IntNotificationHandler(CORVANE_HANDLER_ARGS) {
  return {};
}

void TKDPNSourcePin::IntConnect(TPNPin& APeer) {
  TPNBasicDispatchSourcePin::IntConnect(APeer);
  Invoke(FOnConnect, this);
}

void TKDPNSourcePin::IntConnectAfter(TPNPin& APeer) {
  TPNBasicDispatchSourcePin::IntConnectAfter(APeer);
  Invoke(FOnConnect, this);
}

void TKDPNSourcePin::BeforeDisconnect(TPNPin& APeer) {
  TPNBasicDispatchSourcePin::BeforeDisconnect(APeer);
  Invoke(FOnDisconnect, this);
}

void TKDPNSourcePin::IntDisconnect(TPNPin& APeer) {
  NotifyPin(&APeer, pinweave::TPNNotifyOperation::Create(pinweave::TPNStopOperation::ClassRef));
  TPNBasicDispatchSourcePin::IntDisconnect(APeer);
}

TKDPNBooleanSourcePin::TKDPNBooleanSourcePin(const TPNOwnerSetter& AOwnerSetter,
                                             TPNChangeLock ALock,
                                             TPNBasicPinNotificationEvent AOnNotification,
                                             TPNPinEvent AOnConnect, TPNPinEvent AOnDisconnect)
    : TKDPNClockableSourcePin(AOwnerSetter, std::move(ALock), std::move(AOnNotification),
                              std::move(AOnConnect), std::move(AOnDisconnect)) {
  AddType(pinweave::IPNBoolStream::IID, [this](CORVANE_HANDLER_ARGS) {
    return NotificationSingle(ASender, AStream, AType, AOperation, AState);
  });
  AddType(IPNKDBooleanStream::IID, Handler<&TKDPNSourcePin::NotificationHandler>());
}

TPNNotifyResult TKDPNBooleanSourcePin::NotificationSingle(CORVANE_HANDLER_ARGS) {
  if (AState.Contains(pinweave::nsConnecting)) return {};
  const auto buffer = SuppliedBuffer<IKDBooleanBuffer>(AOperation);
  if (!buffer || buffer->GetSize() == 0) return {};
  return SendSingle(ASender, AStream, AType, AOperation, AState,
                    buffer->GetItem(int32_t(buffer->GetSize()) - 1));
}

TKDPNStringSourcePin::TKDPNStringSourcePin(const TPNOwnerSetter& AOwnerSetter,
                                           TPNChangeLock ALock,
                                           TPNBasicPinNotificationEvent AOnNotification,
                                           TPNPinEvent AOnConnect, TPNPinEvent AOnDisconnect)
    : TKDPNClockableSourcePin(AOwnerSetter, std::move(ALock), std::move(AOnNotification),
                              std::move(AOnConnect), std::move(AOnDisconnect)) {
  AddType(pinweave::IPNStringStream::IID, [this](CORVANE_HANDLER_ARGS) {
    return NotificationString(ASender, AStream, AType, AOperation, AState);
  });
}

TPNNotifyResult TKDPNStringSourcePin::NotificationString(CORVANE_HANDLER_ARGS) {
  if (AOperation->IsType(pinweave::TPNSuppliedOperation::ClassRef) &&
      Offers(AStream, pinweave::IPNStringStream::IID))
    AStream->DispatchOperation(ASender, AType, AOperation, AState);
  return {};
}

TKDPNChannelSourcePin::TKDPNChannelSourcePin(const TPNOwnerSetter& AOwnerSetter,
                                             TPNChangeLock ALock,
                                             TPNBasicPinNotificationEvent AOnNotification,
                                             TKDDispatchEvent ADispatchEvent,
                                             TPNPinEvent AOnConnect, TPNPinEvent AOnDisconnect)
    : TKDPNClockableSourcePin(AOwnerSetter, std::move(ALock), std::move(AOnNotification),
                              std::move(AOnConnect), std::move(AOnDisconnect)),
      FDispatchEvent(std::move(ADispatchEvent)) {
  for (const TGUID& type : {IPNKDIntegerStream::IID, IPNKDBinaryStream::IID,
                            IPNKDChannelStream::IID, IPNKDComplexStream::IID, IPNKDRealStream::IID})
    AddType(type, [this](CORVANE_HANDLER_ARGS) {
      return DispatchSend(ASender, AStream, AType, AOperation, AState);
    });
}

TPNNotifyResult TKDPNChannelSourcePin::DispatchSend(CORVANE_HANDLER_ARGS) {
  return FDispatchEvent
             ? FDispatchEvent(ASender, AStream, AType, AOperation, AState)
             : DefaultKDChannelNotificationHandler(ASender, AStream, AType, AOperation, AState);
}

int32_t TKDPNChannelSourcePin::GetMaxSampleSize() const {
  int32_t largest = 1;
  for (const TGUID& type : DownStreamIDs()) largest = std::max(largest, KDPNGetSampleSize(type));
  return largest;
}

TKDPNRealSourcePin::TKDPNRealSourcePin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
                                       TPNBasicPinNotificationEvent AOnNotification,
                                       TPNPinEvent AOnConnect, TPNPinEvent AOnDisconnect)
    : TKDPNRealSourcePin(AOwnerSetter, std::move(ALock), std::move(AOnNotification), true,
                         std::move(AOnConnect), std::move(AOnDisconnect)) {}

TKDPNRealSourcePin::TKDPNRealSourcePin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
                                       TPNBasicPinNotificationEvent AOnNotification,
                                       bool ASingles, TPNPinEvent AOnConnect,
                                       TPNPinEvent AOnDisconnect)
    : TKDPNClockableSourcePin(AOwnerSetter, std::move(ALock), std::move(AOnNotification),
                              std::move(AOnConnect), std::move(AOnDisconnect)) {
  if (ASingles)
    for (const TGUID& type : {pinweave::IPNFloatStream::IID, pinweave::IPNRealStream::IID})
      AddType(type, [this](CORVANE_HANDLER_ARGS) {
        return NotificationSingle(ASender, AStream, AType, AOperation, AState);
      });
  AddType(IPNKDRealStream::IID, Handler<&TKDPNSourcePin::NotificationHandler>());
}

TPNNotifyResult TKDPNRealSourcePin::NotificationSingle(CORVANE_HANDLER_ARGS) {
  if (AState.Contains(pinweave::nsConnecting)) return {};
  return SendLastReal(ASender, AStream, AType, AOperation, AState,
                      SuppliedBuffer<IKDRealBuffer>(AOperation));
}

TPNNotifyResult TKDPNRealRangedSourcePin::Notify(const TPNOperation& AOperation) {
  const TPNNotifyResult result = TKDPNRealSourcePin::Notify(AOperation);
  std::lock_guard guard(rangeLock_);
  if (AOperation->IsType(pinweave::TPNTypedSuppliedOperation<double>::ClassRef))
    FRangeOperation = AOperation;
  else if (AOperation->IsType(pinweave::TPNStopOperation::ClassRef))
    FRangeOperation.reset();
  return result;
}

void TKDPNRealRangedSourcePin::Replay(TPNPin& APeer) {
  TPNOperation range;
  {
    std::lock_guard guard(rangeLock_);
    range = FRangeOperation;
  }
  if (range) NotifyPin(&APeer, range);
}

void TKDPNRealRangedSourcePin::IntConnectAfter(TPNPin& APeer) {
  TKDPNRealSourcePin::IntConnectAfter(APeer);
  Replay(APeer);
}

TKDPNComboRealSourcePin::TKDPNComboRealSourcePin(const TPNOwnerSetter& AOwnerSetter,
                                                 TPNChangeLock ALock,
                                                 TPNBasicPinNotificationEvent AOnNotification,
                                                 TPNPinEvent AOnConnect,
                                                 TPNPinEvent AOnDisconnect)
    : TKDPNRealSourcePin(AOwnerSetter, std::move(ALock), std::move(AOnNotification),
                         std::move(AOnConnect), std::move(AOnDisconnect)) {
  ClearTypes();
  AddType(pinweave::IPNClockStream::IID, Handler<&TKDPNSourcePin::ClockNotification>());
  for (const TGUID& type : {IPNKDUniversalStream::IID, pinweave::IPNFloatStream::IID,
                            pinweave::IPNRealStream::IID, IPNKDRealStream::IID})
    AddType(type, Handler<&TKDPNSourcePin::NotificationHandler>());
}

TPNNotifyResult TKDPNComboRealSourcePin::SubmitReal(double AValue) {
  return Notify(pinweave::TPNTypedSuppliedOperation<double>::Create(AValue));
}

TPNNotifyResult TKDPNComboRealSourcePin::SubmitFloat(float AValue) {
  return Notify(pinweave::TPNTypedSuppliedOperation<float>::Create(AValue));
}

TPNNotifyResult TKDPNComboRealSourcePin::IntNotificationHandler(CORVANE_HANDLER_ARGS) {
  TGUID peerType;
  if (Offers(AStream, pinweave::IPNRealStream::IID))
    peerType = pinweave::IPNRealStream::IID;
  else if (Offers(AStream, pinweave::IPNFloatStream::IID))
    peerType = pinweave::IPNFloatStream::IID;
  else
    return {};
  if (!AOperation->IsType(pinweave::TPNSuppliedOperation::ClassRef))
    return AStream->DispatchOperation(ASender, peerType, AOperation, AState);
  // A single value goes as the peer's type; a buffer as its last sample.
  if (const auto* real = pinweave::OperationAs<pinweave::TPNTypedSuppliedOperation<double>>(AOperation))
    return peerType == pinweave::IPNRealStream::IID
               ? SendSingle(ASender, AStream, peerType, AOperation, AState, real->Value())
               : SendSingle(ASender, AStream, peerType, AOperation, AState, float(real->Value()));
  if (const auto* single = pinweave::OperationAs<pinweave::TPNTypedSuppliedOperation<float>>(AOperation))
    return peerType == pinweave::IPNRealStream::IID
               ? SendSingle(ASender, AStream, peerType, AOperation, AState, double(single->Value()))
               : SendSingle(ASender, AStream, peerType, AOperation, AState, single->Value());
  return SendLastReal(ASender, AStream, peerType, AOperation, AState,
                      SuppliedBuffer<IKDRealBuffer>(AOperation));
}

// ---------------------------------------------------------------------------------------------
// Sink pins

namespace {
TPNNotifyResult SinkNotificationHandler(CORVANE_HANDLER_ARGS) {
  return DispatchToStream(ASender, AStream, AType, AOperation, AState, false)
      .value_or(TPNNotifyResult{});
}
}  // namespace

TKDPNSinkPin::TKDPNSinkPin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
                           TPNBasicPinNotificationEvent AOnNotification, TPNPinEvent AOnConnect,
                           TPNPinEvent AOnDisconnect)
    : TPNDispatchSinkPin(AOwnerSetter, std::move(ALock), std::move(AOnNotification)),
      FOnConnect(std::move(AOnConnect)),
      FOnDisconnect(std::move(AOnDisconnect)) {
  AddType(IPNKDUniversalStream::IID, &SinkNotificationHandler);
  PopulateTypes(&SinkNotificationHandler);
}

TPNNotifyResult TKDPNSinkPin::MasterPump(kelvra::TObject* AObject) {
  return Notify(pinweave::TPNMasterPumpOperation::Create(AObject));
}

std::string TKDPNSinkPin::MakeShortName(std::string_view AName) const {
  return DisplayShortName(ClassType(), AName, "InputPin", "RawInputPin")
      .value_or(TPNDispatchSinkPin::MakeShortName(AName));
}

void TKDPNSinkPin::IntConnect(TPNPin& APeer) {
  TPNDispatchSinkPin::IntConnect(APeer);
  Invoke(FOnConnect, this);
}

void TKDPNSinkPin::BeforeDisconnect(TPNPin& APeer) {
  TPNDispatchSinkPin::BeforeDisconnect(APeer);
  Invoke(FOnDisconnect, this);
}

bool TKDPNUniversalSinkPin::QueryInterface(const TGUID& iid, void** out) {
  if (FAcceptAll.load() >= 1)
    return AnswerInterfaces<TKDPNUniversalSinkPin, pinweave::IPNForwardStream>(
        this, pinweave::IPNForwardStream::IID, out);
  return AnswerInterfaces<TKDPNUniversalSinkPin, pinweave::IPNForwardStream>(this, iid, out) ||
         TKDPNSinkPin::QueryInterface(iid, out);
}

namespace {
// Opens the accept-all window of a universal sink for one step.
struct TAcceptAll {
  explicit TAcceptAll(std::atomic<int32_t>& ACounter) : counter(ACounter) { ++counter; }
  ~TAcceptAll() { --counter; }
  std::atomic<int32_t>& counter;
};
}  // namespace

void TKDPNUniversalSinkPin::IntConnectSourcePin(TPNPin& ASource) {
  TAcceptAll window(FAcceptAll);
  TKDPNSinkPin::IntConnectSourcePin(ASource);
}

void TKDPNUniversalSinkPin::SetDataTypeFor(TPNPin& APeer, const TGUID& AType) {
  TAcceptAll window(FAcceptAll);
  TKDPNSinkPin::SetDataTypeFor(APeer, AType);
}

void TKDPNUniversalSinkPin::ChainReconnect() {
  TAcceptAll window(FAcceptAll);
  TKDPNSinkPin::ChainReconnect();
}

bool TKDPNComboRealSinkPin::IsConnectedToRealBufferStream() const {
  const TGUID types[] = {IPNKDRealStream::IID};
  return IsConnectedByIDs(types);
}

bool TKDPNComboRealSinkPin::IsConnectedToSingleRealStream() const {
  const TGUID types[] = {pinweave::IPNRealStream::IID};
  return IsConnectedByIDs(types);
}

TKDPNMultiSinkPin::TKDPNMultiSinkPin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
                                     TPNBasicPinNotificationEvent AOnNotification)
    : TPNDispatchMultiSinkPin(AOwnerSetter, std::move(ALock), std::move(AOnNotification)) {
  PopulateTypes(&SinkNotificationHandler);
}

std::string TKDPNMultiSinkPin::MakeShortName(std::string_view AName) const {
  return DisplayShortName(ClassType(), AName, "InputPin", "RawInputPin")
      .value_or(TPNDispatchMultiSinkPin::MakeShortName(AName));
}

// ---------------------------------------------------------------------------------------------
// GDI+ image pins

namespace {
// Towards a peer that takes images: the event answers when set; otherwise the peer gets the
// operation, or in a connection step the image AValue.
TPNNotifyResult ImageNotification(const TPNGDIPlusImagePinNotificationEvent& AEvent,
                                  const kelvra::TIntf<IGPImage>& AValue, CORVANE_HANDLER_ARGS) {
  if (!Offers(AStream, IPNGDIPlusImageStream::IID)) return {};
  if (AEvent) return AEvent(ASender, AStream, AType, AOperation, AState);
  AStream->DispatchOperation(ASender, AType,
                             AState.Contains(pinweave::nsConnecting)
                                 ? TPNGDIPlusSuppliedImageOperation::Create(AValue)
                                 : AOperation,
                             AState);
  return {};
}
}  // namespace

TPNGDIPlusImageSourcePin::TPNGDIPlusImageSourcePin(
    const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
    TPNBasicPinNotificationEvent AOnNotification,
    TPNGDIPlusImagePinNotificationEvent APinNotificationEvent)
    : TPNClockSourcePin(AOwnerSetter, std::move(ALock), std::move(AOnNotification)),
      FPinNotificationEvent(std::move(APinNotificationEvent)) {
  PopulateTypes([this](CORVANE_HANDLER_ARGS) {
    return Notification(ASender, AStream, AType, AOperation, AState);
  });
}

TPNNotifyResult TPNGDIPlusImageSourcePin::Send(const kelvra::TIntf<IGPImage>& AImage) {
  {
    std::lock_guard guard(valueLock_);
    FValue = AImage;
  }
  return Notify(TPNGDIPlusSuppliedImageOperation::Create(AImage));
}

TPNNotifyResult TPNGDIPlusImageSourcePin::Notification(CORVANE_HANDLER_ARGS) {
  kelvra::TIntf<IGPImage> value;
  {
    std::lock_guard guard(valueLock_);
    value = FValue;
  }
  return ImageNotification(FPinNotificationEvent, value, ASender, AStream, AType, AOperation,
                           AState);
}

TPNGDIPlusImageStatePin::TPNGDIPlusImageStatePin(
    const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
    TPNBasicPinNotificationEvent AOnNotification,
    TPNGDIPlusImagePinNotificationEvent APinNotificationEvent,
    TPNGDIPlusImageChangeEvent AOnDataChange)
    : TPNStatePin(AOwnerSetter, std::move(ALock), std::move(AOnNotification)),
      FPinNotificationEvent(std::move(APinNotificationEvent)),
      FOnDataChange(std::move(AOnDataChange)) {
  PopulateTypes([this](CORVANE_HANDLER_ARGS) {
    return Notification(ASender, AStream, AType, AOperation, AState);
  });
}

kelvra::TIntf<IGPImage> TPNGDIPlusImageStatePin::Value() {
  std::lock_guard guard(valueLock_);
  return FValue;
}

TPNNotifyResult TPNGDIPlusImageStatePin::SetValue(const kelvra::TIntf<IGPImage>& AImage) {
  {
    std::lock_guard guard(valueLock_);
    FValue = AImage;
  }
  return Notify(TPNGDIPlusSuppliedImageOperation::Create(AImage));
}

TPNNotifyResult TPNGDIPlusImageStatePin::Notification(CORVANE_HANDLER_ARGS) {
  if (const auto* image = pinweave::OperationAs<TPNGDIPlusSuppliedImageOperation>(AOperation)) {
    bool changed;
    {
      std::lock_guard guard(valueLock_);
      changed = FValue != image->Value;
      FValue = image->Value;
    }
    if (changed && FOnDataChange) FOnDataChange(this, image->Value);
  }
  return ImageNotification(FPinNotificationEvent, Value(), ASender, AStream, AType, AOperation,
                           AState);
}

// ---------------------------------------------------------------------------------------------
// Relaying operations

TPNNotificationHandler GPNPassTroughDispatch(TPNPin& APin) {
  return [&APin](CORVANE_HANDLER_ARGS) { return APin.Notify(AOperation); };
}

TPNNotificationHandler GPNPassTroughDispatch(TPNPin& APin, TPNPin&,
                                             TPNNotificationHandler AHandler) {
  return [&APin, AHandler = std::move(AHandler)](CORVANE_HANDLER_ARGS) {
    if (APin.IsConnected()) return APin.Notify(AOperation);
    return AHandler(&APin, AStream, AType, AOperation, AState);
  };
}

void GRQPinQueryPumpOperation(TPNPin& APin, TPNPin*& APumpPin, const TPNOperation& AOperation,
                              kelvra::TObject*& APumpObject) {
  APin.Notify(AOperation);
  const auto* pump = pinweave::OperationAs<pinweave::TPNPumpOperation>(AOperation);
  if (pump && pump->PumpObject() != APumpObject) {
    APumpPin = &APin;
    APumpObject = pump->PumpObject();
  }
}

}  // namespace corvane
