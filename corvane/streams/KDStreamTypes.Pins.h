// The source and sink pins of the signal streams.
//
// A component hands its source pin a buffer (SubmitBuffer), and the pin delivers it, wrapped once
// in a TPNSuppliedBufferOperation, to every connected sink: sinks of the signal streams get the
// operation itself (through IPNKDGenericStream), the framework's single-value sinks get what their
// type can hold. Each pin class names the stream types it adds in its class attributes and
// accepts those of its ancestors too; every pin accepts IPNKDUniversalStream, and clockable pins
// the framework's clock type. A pin is the stream object of its kinds: it answers queries for the
// stream interfaces of its class and its ancestors.
//
// Three cases decided here:
//   - A buffer without samples sends nothing to a single-value sink (there is no last sample).
//   - The ranged pin replays, once to each newly connected pin, the last range it sent
//     (FRangeOperation), until a stop clears it.
//   - A single value sent by the combo pin (SubmitReal, SubmitFloat) reaches a framework real or
//     float sink as a single value of that sink's type; a buffer reaches it as its last sample.
//
// Threads: as the pin framework's (pinweave/PNPins.h). OnConnect and OnDisconnect run in the
// connection step, on the thread that connects.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "corvane/buffers/KDSimpleDataBuffer.h"
#include "corvane/streams/KDStreamTypes.h"
#include "pinweave/PNPins.h"

namespace corvane {

using pinweave::TPNBasicPinNotificationEvent;
using pinweave::TPNNotificationHandler;
using pinweave::TPNNotifyResult;
using pinweave::TPNNotifyState;
using pinweave::TPNOperation;
using pinweave::TPNOwnerSetter;
using pinweave::TPNPinEvent;
using TPNChangeLock = kelvra::TIntf<kelvra::IChangeNotifyLock>;

// A handler's arguments and result, for the events that stand in for a pin's own handler.
using TKDDispatchEvent = TPNNotificationHandler;

// The arguments of every handler, for the members below (a handler may leave some unused).
#define CORVANE_HANDLER_ARGS                                                        \
  [[maybe_unused]] pinweave::TPNPin *ASender, [[maybe_unused]] pinweave::IPNStream *AStream, \
      [[maybe_unused]] const kelvra::TGUID &AType,                                   \
      [[maybe_unused]] const TPNOperation &AOperation,                               \
      [[maybe_unused]] TPNNotifyState AState

// Declares a pin class: its class reference with the stream types it adds, and the stream
// interfaces it answers besides its ancestors' (none for CORVANE_PIN_CLASS).
#define CORVANE_PIN_CLASS_BODY(Name, Parent)                                     \
 public:                                                                         \
  static const kelvra::TClassRef ClassRef;                                       \
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }       \
  using Parent::Parent;

#define CORVANE_PIN_INTERFACES(Name, Parent, ...)                                  \
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {             \
    return AnswerInterfaces<Name, __VA_ARGS__>(this, iid, out) ||                  \
           Parent::QueryInterface(iid, out);                                      \
  }

template <class... TGUIDs>
consteval std::array<kelvra::TGUID, sizeof...(TGUIDs)> StreamTypeList(TGUIDs... ATypes) {
  return {ATypes...};
}

#define CORVANE_PIN_CLASSREF(Name, Parent, ...)                                          \
  inline constexpr auto Name##Types = StreamTypeList(__VA_ARGS__);                       \
  inline constexpr kelvra::TClassRef Name::ClassRef =                                    \
      kelvra::ClassRefOf<Name, Parent>(#Name, {.StreamTypes = Name##Types})

// ---------------------------------------------------------------------------------------------
// Source pins

class TKDPNSourcePin : public pinweave::TPNBasicDispatchSourcePin,
                       public virtual IPNKDGenericStream {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TKDPNSourcePin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock, bool AClock,
                 TPNBasicPinNotificationEvent AOnNotification, int32_t AMaxSinks,
                 TPNPinEvent AOnConnect, TPNPinEvent AOnDisconnect);
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDPNSourcePin, IPNKDGenericStream>(this, iid, out) ||
           TPNBasicDispatchSourcePin::QueryInterface(iid, out);
  }

  // One supplied-buffer operation holding AData, to every sink.
  TPNNotifyResult SubmitBuffer(const kelvra::TIntf<IKDData>& AData);
  TPNNotifyResult Stop();
  TPNNotifyResult EndStop();
  TPNNotifyResult FileEndNoStop();
  TPNNotifyResult BCBNotify(const TPNOperation& AOperation) { return Notify(AOperation); }
  std::string MakeShortName(std::string_view AName) const override;

  TPNNotifyResult NotificationHandler(CORVANE_HANDLER_ARGS);
  TPNNotifyResult ClockNotification(CORVANE_HANDLER_ARGS);

 protected:
  // Answers for peers that offer neither the generic nor the forwarding stream: nothing here.
  virtual TPNNotifyResult IntNotificationHandler(CORVANE_HANDLER_ARGS);
  void IntConnect(pinweave::TPNPin& APeer) override;
  void IntConnectAfter(pinweave::TPNPin& APeer) override;
  void BeforeDisconnect(pinweave::TPNPin& APeer) override;
  // Sends the pin that leaves a stop first.
  void IntDisconnect(pinweave::TPNPin& APeer) override;
  // Towards a peer of the signal streams (or one that forwards) NotificationHandler passes
  // operations on as they are: the link does so without asking the peer each time.
  TPNNotificationHandler HandlerForLink(const kelvra::TGUID& AType,
                                        pinweave::TPNPin& APeer) const override;
  // The handler that calls the member function F of this pin.
  template <TPNNotifyResult (TKDPNSourcePin::*F)(CORVANE_HANDLER_ARGS)>
  struct TMemberHandler {
    TKDPNSourcePin* Pin;
    TPNNotifyResult operator()(CORVANE_HANDLER_ARGS) const {
      return (Pin->*F)(ASender, AStream, AType, AOperation, AState);
    }
  };
  template <TPNNotifyResult (TKDPNSourcePin::*F)(CORVANE_HANDLER_ARGS)>
  TPNNotificationHandler Handler() {
    return TMemberHandler<F>{this};
  }

  TPNPinEvent FOnConnect, FOnDisconnect;
};
inline constexpr kelvra::TClassRef TKDPNSourcePin::ClassRef =
    kelvra::ClassRefOf<TKDPNSourcePin, pinweave::TPNBasicDispatchSourcePin>("TKDPNSourcePin");

class TKDPNUniversalSourcePin : public TKDPNSourcePin {
  CORVANE_PIN_CLASS_BODY(TKDPNUniversalSourcePin, TKDPNSourcePin)
};
CORVANE_PIN_CLASSREF(TKDPNUniversalSourcePin, TKDPNSourcePin);

// A source pin that also takes clock ticks.
class TKDPNClockableSourcePin : public TKDPNSourcePin {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TKDPNClockableSourcePin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
                          TPNBasicPinNotificationEvent AOnNotification = {},
                          TPNPinEvent AOnConnect = {}, TPNPinEvent AOnDisconnect = {})
      : TKDPNSourcePin(AOwnerSetter, std::move(ALock), true, std::move(AOnNotification), -1,
                       std::move(AOnConnect), std::move(AOnDisconnect)) {}
};
inline constexpr kelvra::TClassRef TKDPNClockableSourcePin::ClassRef =
    kelvra::ClassRefOf<TKDPNClockableSourcePin, TKDPNSourcePin>("TKDPNClockableSourcePin");

#define CORVANE_CLOCKABLE_SOURCE(Name, Interfaces, ...)                       \
  class Name : public TKDPNClockableSourcePin, public Interfaces {            \
    CORVANE_PIN_CLASS_BODY(Name, TKDPNClockableSourcePin)                     \
    CORVANE_PIN_INTERFACES(Name, TKDPNClockableSourcePin, Interfaces)         \
  };                                                                          \
  CORVANE_PIN_CLASSREF(Name, TKDPNClockableSourcePin, __VA_ARGS__)

CORVANE_CLOCKABLE_SOURCE(TKDPNBinarySourcePin, IPNKDBinaryStream, IPNKDBinaryStream::IID);
CORVANE_CLOCKABLE_SOURCE(TKDPNIntegerSourcePin, IPNKDIntegerStream, IPNKDIntegerStream::IID);
CORVANE_CLOCKABLE_SOURCE(TKDPNComplexSourcePin, IPNKDComplexStream, IPNKDComplexStream::IID);
CORVANE_CLOCKABLE_SOURCE(TKDPNRealMatrixSourcePin, IPNKDRealMatrixStream,
                         IPNKDRealMatrixStream::IID);
CORVANE_CLOCKABLE_SOURCE(TKDPNUserControlSourcePin, IPNKDUserControlStream,
                         IPNKDUserControlStream::IID);

class TKDPNPairedSourcePin : public TKDPNClockableSourcePin, public IPNKDPairedStream {
  CORVANE_PIN_CLASS_BODY(TKDPNPairedSourcePin, TKDPNClockableSourcePin)
  CORVANE_PIN_INTERFACES(TKDPNPairedSourcePin, TKDPNClockableSourcePin, IPNKDPairedStream)
  TPNNotifyResult SubmitPair(const kelvra::TIntf<IRQBufferPair>& APair) {
    return Notify(TPNSuppliedBufferPairOperation::Create(APair));
  }
};
CORVANE_PIN_CLASSREF(TKDPNPairedSourcePin, TKDPNClockableSourcePin, IPNKDPairedStream::IID);

class TKDPNIntegerRealComplexSourcePin : public TKDPNClockableSourcePin,
                                         public IPNKDIntegerStream,
                                         public IPNKDRealStream,
                                         public IPNKDComplexStream {
  CORVANE_PIN_CLASS_BODY(TKDPNIntegerRealComplexSourcePin, TKDPNClockableSourcePin)
  CORVANE_PIN_INTERFACES(TKDPNIntegerRealComplexSourcePin, TKDPNClockableSourcePin,
                         IPNKDIntegerStream, IPNKDRealStream, IPNKDComplexStream)
};
CORVANE_PIN_CLASSREF(TKDPNIntegerRealComplexSourcePin, TKDPNClockableSourcePin,
                     IPNKDIntegerStream::IID, IPNKDRealStream::IID, IPNKDComplexStream::IID);

class TKDPNIntegerRealComplexBinarySourcePin : public TKDPNClockableSourcePin,
                                               public IPNKDIntegerStream,
                                               public IPNKDRealStream,
                                               public IPNKDComplexStream,
                                               public IPNKDBinaryStream {
  CORVANE_PIN_CLASS_BODY(TKDPNIntegerRealComplexBinarySourcePin, TKDPNClockableSourcePin)
  CORVANE_PIN_INTERFACES(TKDPNIntegerRealComplexBinarySourcePin, TKDPNClockableSourcePin,
                         IPNKDIntegerStream, IPNKDRealStream, IPNKDComplexStream,
                         IPNKDBinaryStream)
};
CORVANE_PIN_CLASSREF(TKDPNIntegerRealComplexBinarySourcePin, TKDPNClockableSourcePin,
                     IPNKDIntegerStream::IID, IPNKDRealStream::IID, IPNKDComplexStream::IID,
                     IPNKDBinaryStream::IID);

// Buffers to KD sinks, their last sample to the framework's boolean sinks.
class TKDPNBooleanSourcePin : public TKDPNClockableSourcePin, public IPNKDBooleanStream {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TKDPNBooleanSourcePin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
                        TPNBasicPinNotificationEvent AOnNotification = {},
                        TPNPinEvent AOnConnect = {}, TPNPinEvent AOnDisconnect = {});
  CORVANE_PIN_INTERFACES(TKDPNBooleanSourcePin, TKDPNClockableSourcePin, IPNKDBooleanStream)
  TPNNotifyResult NotificationSingle(CORVANE_HANDLER_ARGS);
};
CORVANE_PIN_CLASSREF(TKDPNBooleanSourcePin, TKDPNClockableSourcePin,
                     pinweave::IPNBoolStream::IID, IPNKDBooleanStream::IID);

// Texts, to the framework's string sinks.
class TKDPNStringSourcePin : public TKDPNClockableSourcePin,
                             public pinweave::IPNStringStream {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TKDPNStringSourcePin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
                       TPNBasicPinNotificationEvent AOnNotification = {},
                       TPNPinEvent AOnConnect = {}, TPNPinEvent AOnDisconnect = {});
  CORVANE_PIN_INTERFACES(TKDPNStringSourcePin, TKDPNClockableSourcePin,
                         pinweave::IPNStringStream)
  TPNNotifyResult NotificationString(CORVANE_HANDLER_ARGS);
};
CORVANE_PIN_CLASSREF(TKDPNStringSourcePin, TKDPNClockableSourcePin,
                     pinweave::IPNStringStream::IID);

// Any buffer of the channel family; FDispatchEvent, when set, stands in for the default channel
// handler.
class TKDPNChannelSourcePin : public TKDPNClockableSourcePin,
                              public IPNKDComplexStream,
                              public IPNKDRealStream,
                              public IPNKDIntegerStream,
                              public IPNKDBinaryStream {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TKDPNChannelSourcePin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
                        TPNBasicPinNotificationEvent AOnNotification = {},
                        TKDDispatchEvent ADispatchEvent = {}, TPNPinEvent AOnConnect = {},
                        TPNPinEvent AOnDisconnect = {});
  CORVANE_PIN_INTERFACES(TKDPNChannelSourcePin, TKDPNClockableSourcePin, IPNKDComplexStream,
                         IPNKDRealStream, IPNKDIntegerStream, IPNKDBinaryStream)
  TPNNotifyResult DispatchSend(CORVANE_HANDLER_ARGS);
  // The largest sample size of the types the connected sinks receive; at least 1.
  int32_t GetMaxSampleSize() const;

 private:
  TKDDispatchEvent FDispatchEvent;
};
CORVANE_PIN_CLASSREF(TKDPNChannelSourcePin, TKDPNClockableSourcePin, IPNKDIntegerStream::IID,
                     IPNKDBinaryStream::IID, IPNKDChannelStream::IID, IPNKDComplexStream::IID,
                     IPNKDRealStream::IID);

// Real buffers to KD sinks, their last sample to the framework's real and float sinks.
class TKDPNRealSourcePin : public TKDPNClockableSourcePin, public IPNKDRealStream {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TKDPNRealSourcePin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
                     TPNBasicPinNotificationEvent AOnNotification = {},
                     TPNPinEvent AOnConnect = {}, TPNPinEvent AOnDisconnect = {});
  // ASingles: whether the framework's real and float sinks are served at all.
  TKDPNRealSourcePin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
                     TPNBasicPinNotificationEvent AOnNotification, bool ASingles,
                     TPNPinEvent AOnConnect = {}, TPNPinEvent AOnDisconnect = {});
  CORVANE_PIN_INTERFACES(TKDPNRealSourcePin, TKDPNClockableSourcePin, IPNKDRealStream)
  TPNNotifyResult NotificationSingle(CORVANE_HANDLER_ARGS);
};
CORVANE_PIN_CLASSREF(TKDPNRealSourcePin, TKDPNClockableSourcePin, pinweave::IPNFloatStream::IID,
                     pinweave::IPNRealStream::IID, IPNKDRealStream::IID);

// A real source that also sends value ranges (typed supplied operations of double) and replays
// the last one to each new peer.
class TKDPNRealRangedSourcePin : public TKDPNRealSourcePin {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TKDPNRealSourcePin::TKDPNRealSourcePin;
  TPNNotifyResult Notify(const TPNOperation& AOperation) override;

 protected:
  // Replays once, when both pins have taken the connection.
  void IntConnectAfter(pinweave::TPNPin& APeer) override;

 private:
  void Replay(pinweave::TPNPin& APeer);
  std::mutex rangeLock_;
  TPNOperation FRangeOperation;
};
CORVANE_PIN_CLASSREF(TKDPNRealRangedSourcePin, TKDPNRealSourcePin, IPNKDRealRangedStream::IID);

// Real buffers and single values, to KD sinks and to the framework's real and float sinks.
class TKDPNComboRealSourcePin : public TKDPNRealSourcePin,
                                public pinweave::IPNRealStream,
                                public pinweave::IPNFloatStream {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TKDPNComboRealSourcePin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
                          TPNBasicPinNotificationEvent AOnNotification = {},
                          TPNPinEvent AOnConnect = {}, TPNPinEvent AOnDisconnect = {});
  CORVANE_PIN_INTERFACES(TKDPNComboRealSourcePin, TKDPNRealSourcePin, pinweave::IPNRealStream,
                         pinweave::IPNFloatStream)
  TPNNotifyResult SubmitReal(double AValue);
  TPNNotifyResult SubmitFloat(float AValue);

 protected:
  TPNNotifyResult IntNotificationHandler(CORVANE_HANDLER_ARGS) override;
};
CORVANE_PIN_CLASSREF(TKDPNComboRealSourcePin, TKDPNRealSourcePin);

// ---------------------------------------------------------------------------------------------
// Sink pins

class TKDPNSinkPin : public pinweave::TPNDispatchSinkPin, public virtual IPNKDGenericStream {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TKDPNSinkPin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
               TPNBasicPinNotificationEvent AOnNotification = {}, TPNPinEvent AOnConnect = {},
               TPNPinEvent AOnDisconnect = {});
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDPNSinkPin, IPNKDGenericStream>(this, iid, out) ||
           TPNDispatchSinkPin::QueryInterface(iid, out);
  }
  // Asks the sources to pump for AObject.
  TPNNotifyResult MasterPump(kelvra::TObject* AObject);
  TPNNotifyResult BCBNotify(const TPNOperation& AOperation) { return Notify(AOperation); }
  std::string MakeShortName(std::string_view AName) const override;

 protected:
  void IntConnect(pinweave::TPNPin& APeer) override;
  void BeforeDisconnect(pinweave::TPNPin& APeer) override;

 private:
  TPNPinEvent FOnConnect, FOnDisconnect;
};
inline constexpr kelvra::TClassRef TKDPNSinkPin::ClassRef =
    kelvra::ClassRefOf<TKDPNSinkPin, pinweave::TPNDispatchSinkPin>("TKDPNSinkPin");

// Accepts whatever a source offers: during the connection steps it answers every query.
class TKDPNUniversalSinkPin : public TKDPNSinkPin, public virtual pinweave::IPNForwardStream {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TKDPNSinkPin::TKDPNSinkPin;
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;

 protected:
  void IntConnectSourcePin(pinweave::TPNPin& ASource) override;
  void SetDataTypeFor(pinweave::TPNPin& APeer, const kelvra::TGUID& AType) override;
  void ChainReconnect() override;

 private:
  std::atomic<int32_t> FAcceptAll{0};
};
CORVANE_PIN_CLASSREF(TKDPNUniversalSinkPin, TKDPNSinkPin);

#define CORVANE_SINK(Name, Parent, Interfaces, ...)                  \
  class Name : public Parent, public Interfaces {                    \
    CORVANE_PIN_CLASS_BODY(Name, Parent)                             \
    CORVANE_PIN_INTERFACES(Name, Parent, Interfaces)                 \
  };                                                                 \
  CORVANE_PIN_CLASSREF(Name, Parent, __VA_ARGS__)

CORVANE_SINK(TKDPNRealSinkPin, TKDPNSinkPin, IPNKDRealStream, IPNKDRealStream::IID);
CORVANE_SINK(TKDPNRealRangedSinkPin, TKDPNRealSinkPin, IPNKDRealRangedStream);
CORVANE_SINK(TKDPNBooleanSinkPin, TKDPNSinkPin, IPNKDBooleanStream, IPNKDBooleanStream::IID);
CORVANE_SINK(TKDPNComboBooleanSinkPin, TKDPNBooleanSinkPin, pinweave::IPNBoolStream,
             pinweave::IPNBoolStream::IID);
CORVANE_SINK(TKDPNIntegerSinkPin, TKDPNSinkPin, IPNKDIntegerStream, IPNKDIntegerStream::IID);
CORVANE_SINK(TKDPNComplexSinkPin, TKDPNSinkPin, IPNKDComplexStream, IPNKDComplexStream::IID);
CORVANE_SINK(TKDPNBinarySinkPin, TKDPNSinkPin, IPNKDBinaryStream, IPNKDBinaryStream::IID);
CORVANE_SINK(TKDPNPairedSinkPin, TKDPNSinkPin, IPNKDPairedStream, IPNKDPairedStream::IID);
CORVANE_SINK(TKDPNStringSinkPin, TKDPNSinkPin, pinweave::IPNStringStream,
             pinweave::IPNStringStream::IID);
CORVANE_SINK(TKDPNRealMatrixSinkPin, TKDPNSinkPin, IPNKDRealMatrixStream,
             IPNKDRealMatrixStream::IID);
CORVANE_SINK(TKDPNUserControlSinkPin, TKDPNSinkPin, IPNKDUserControlStream,
             IPNKDUserControlStream::IID);
CORVANE_SINK(TKDPNComboRealAndMatrixSinkPin, TKDPNRealSinkPin, IPNKDRealMatrixStream,
             IPNKDRealMatrixStream::IID);

class TKDPNRealComplexSinkPin : public TKDPNSinkPin,
                                public IPNKDRealStream,
                                public IPNKDComplexStream {
  CORVANE_PIN_CLASS_BODY(TKDPNRealComplexSinkPin, TKDPNSinkPin)
  CORVANE_PIN_INTERFACES(TKDPNRealComplexSinkPin, TKDPNSinkPin, IPNKDRealStream,
                         IPNKDComplexStream)
};
CORVANE_PIN_CLASSREF(TKDPNRealComplexSinkPin, TKDPNSinkPin, IPNKDRealStream::IID,
                     IPNKDComplexStream::IID);

class TKDPNIntegerRealComplexSinkPin : public TKDPNSinkPin,
                                       public IPNKDIntegerStream,
                                       public IPNKDRealStream,
                                       public IPNKDComplexStream {
  CORVANE_PIN_CLASS_BODY(TKDPNIntegerRealComplexSinkPin, TKDPNSinkPin)
  CORVANE_PIN_INTERFACES(TKDPNIntegerRealComplexSinkPin, TKDPNSinkPin, IPNKDIntegerStream,
                         IPNKDRealStream, IPNKDComplexStream)
};
CORVANE_PIN_CLASSREF(TKDPNIntegerRealComplexSinkPin, TKDPNSinkPin, IPNKDIntegerStream::IID,
                     IPNKDRealStream::IID, IPNKDComplexStream::IID);

class TKDPNIntegerRealComplexBinarySinkPin : public TKDPNSinkPin,
                                             public IPNKDIntegerStream,
                                             public IPNKDRealStream,
                                             public IPNKDComplexStream,
                                             public IPNKDBinaryStream {
  CORVANE_PIN_CLASS_BODY(TKDPNIntegerRealComplexBinarySinkPin, TKDPNSinkPin)
  CORVANE_PIN_INTERFACES(TKDPNIntegerRealComplexBinarySinkPin, TKDPNSinkPin, IPNKDIntegerStream,
                         IPNKDRealStream, IPNKDComplexStream, IPNKDBinaryStream)
};
CORVANE_PIN_CLASSREF(TKDPNIntegerRealComplexBinarySinkPin, TKDPNSinkPin, IPNKDIntegerStream::IID,
                     IPNKDRealStream::IID, IPNKDComplexStream::IID, IPNKDBinaryStream::IID);

// Real buffers, and single reals or floats from the framework's sources.
class TKDPNComboRealSinkPin : public TKDPNRealSinkPin,
                              public pinweave::IPNRealStream,
                              public pinweave::IPNFloatStream {
  CORVANE_PIN_CLASS_BODY(TKDPNComboRealSinkPin, TKDPNRealSinkPin)
  CORVANE_PIN_INTERFACES(TKDPNComboRealSinkPin, TKDPNRealSinkPin, pinweave::IPNRealStream,
                         pinweave::IPNFloatStream)
  bool IsConnectedToRealBufferStream() const;
  bool IsConnectedToSingleRealStream() const;
};
CORVANE_PIN_CLASSREF(TKDPNComboRealSinkPin, TKDPNRealSinkPin, pinweave::IPNFloatStream::IID,
                     pinweave::IPNRealStream::IID);

class TKDPNComboRealIntSinkPin : public TKDPNComboRealSinkPin,
                                 public pinweave::IPNIntegerStream,
                                 public IPNKDIntegerStream {
  CORVANE_PIN_CLASS_BODY(TKDPNComboRealIntSinkPin, TKDPNComboRealSinkPin)
  CORVANE_PIN_INTERFACES(TKDPNComboRealIntSinkPin, TKDPNComboRealSinkPin,
                         pinweave::IPNIntegerStream, IPNKDIntegerStream)
};
CORVANE_PIN_CLASSREF(TKDPNComboRealIntSinkPin, TKDPNComboRealSinkPin, IPNKDIntegerStream::IID,
                     pinweave::IPNIntegerStream::IID);

CORVANE_SINK(TKDPNComboRealIntMatrixSinkPin, TKDPNComboRealIntSinkPin, IPNKDRealMatrixStream,
             IPNKDRealMatrixStream::IID);

class TKDPNComboRealIntComplexBoolPairedSinkPin : public TKDPNComboRealIntSinkPin,
                                                  public IPNKDBooleanStream,
                                                  public pinweave::IPNRealComplexStream,
                                                  public IPNKDPairedStream,
                                                  public IPNKDComplexStream {
  CORVANE_PIN_CLASS_BODY(TKDPNComboRealIntComplexBoolPairedSinkPin, TKDPNComboRealIntSinkPin)
  CORVANE_PIN_INTERFACES(TKDPNComboRealIntComplexBoolPairedSinkPin, TKDPNComboRealIntSinkPin,
                         IPNKDBooleanStream, pinweave::IPNRealComplexStream, IPNKDPairedStream,
                         IPNKDComplexStream)
};
CORVANE_PIN_CLASSREF(TKDPNComboRealIntComplexBoolPairedSinkPin, TKDPNComboRealIntSinkPin,
                     IPNKDPairedStream::IID, IPNKDComplexStream::IID, IPNKDBooleanStream::IID);

// Several sources at once.
class TKDPNMultiSinkPin : public pinweave::TPNDispatchMultiSinkPin,
                          public virtual pinweave::IPNForwardStream {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TKDPNMultiSinkPin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
                    TPNBasicPinNotificationEvent AOnNotification = {});
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TKDPNMultiSinkPin, pinweave::IPNForwardStream>(this, iid, out) ||
           TPNDispatchMultiSinkPin::QueryInterface(iid, out);
  }
  std::string MakeShortName(std::string_view AName) const override;
};
inline constexpr kelvra::TClassRef TKDPNMultiSinkPin::ClassRef =
    kelvra::ClassRefOf<TKDPNMultiSinkPin, pinweave::TPNDispatchMultiSinkPin>(
        "TKDPNMultiSinkPin");

CORVANE_SINK(TKDPNBinaryMultiSinkPin, TKDPNMultiSinkPin, IPNKDBinaryStream,
             IPNKDBinaryStream::IID);
CORVANE_SINK(TKDPNUserControlMultiSinkPin, TKDPNMultiSinkPin, IPNKDUserControlStream,
             IPNKDUserControlStream::IID);

// ---------------------------------------------------------------------------------------------
// GDI+ image pins

using TPNGDIPlusImagePinNotificationEvent = TPNNotificationHandler;
using TPNGDIPlusImageChangeEvent =
    std::function<void(pinweave::TPNPin* APin, const kelvra::TIntf<IGPImage>& AImage)>;

// Sends images. Towards peers that take images, FPinNotificationEvent (when set) answers in place
// of the pin; otherwise the peer gets the operation, or, in a connection step, the last image.
class TPNGDIPlusImageSourcePin : public pinweave::TPNClockSourcePin {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TPNGDIPlusImageSourcePin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
                           TPNBasicPinNotificationEvent AOnNotification = {},
                           TPNGDIPlusImagePinNotificationEvent APinNotificationEvent = {});
  TPNNotifyResult Send(const kelvra::TIntf<IGPImage>& AImage);
  TPNNotifyResult Notification(CORVANE_HANDLER_ARGS);

 private:
  TPNGDIPlusImagePinNotificationEvent FPinNotificationEvent;
  std::mutex valueLock_;
  kelvra::TIntf<IGPImage> FValue;
};
CORVANE_PIN_CLASSREF(TPNGDIPlusImageSourcePin, pinweave::TPNClockSourcePin,
                     IPNGDIPlusImageStream::IID);

// Receives images: each supplied image is told to FOnDataChange.
template <class TBase>
class TPNGDIPlusImageSinkBase : public TBase, public IPNGDIPlusImageStream {
 public:
  TPNGDIPlusImageSinkBase(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
                          TPNBasicPinNotificationEvent AOnNotification = {},
                          TPNGDIPlusImageChangeEvent AOnDataChange = {})
      : TBase(AOwnerSetter, std::move(ALock), std::move(AOnNotification)),
        FOnDataChange(std::move(AOnDataChange)) {
    this->PopulateTypes(&pinweave::PNForward);
  }
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return this->template AnswerInterfaces<TPNGDIPlusImageSinkBase, IPNGDIPlusImageStream>(
               this, iid, out) ||
           TBase::QueryInterface(iid, out);
  }
  TPNNotifyResult DispatchOperation(pinweave::TPNPin*, const kelvra::TGUID&,
                                    const TPNOperation& AOperation, TPNNotifyState) override {
    const auto* image = pinweave::OperationAs<TPNGDIPlusSuppliedImageOperation>(AOperation);
    if (image && FOnDataChange) FOnDataChange(this, image->Value);
    return {};
  }

 private:
  TPNGDIPlusImageChangeEvent FOnDataChange;
};

class TPNGDIPlusImageSinkPin : public TPNGDIPlusImageSinkBase<pinweave::TPNSinkPin> {
  CORVANE_PIN_CLASS_BODY(TPNGDIPlusImageSinkPin, TPNGDIPlusImageSinkBase)
};
CORVANE_PIN_CLASSREF(TPNGDIPlusImageSinkPin, pinweave::TPNSinkPin, IPNGDIPlusImageStream::IID);

class TPNGDIPlusImageMultiSinkPin : public TPNGDIPlusImageSinkBase<pinweave::TPNMultiSinkPin> {
  CORVANE_PIN_CLASS_BODY(TPNGDIPlusImageMultiSinkPin, TPNGDIPlusImageSinkBase)
};
CORVANE_PIN_CLASSREF(TPNGDIPlusImageMultiSinkPin, pinweave::TPNMultiSinkPin,
                     IPNGDIPlusImageStream::IID);

// Holds an image and hands it to every new peer; SetValue sends a new one to all.
class TPNGDIPlusImageStatePin : public pinweave::TPNStatePin, public IPNGDIPlusImageStream {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TPNGDIPlusImageStatePin(const TPNOwnerSetter& AOwnerSetter, TPNChangeLock ALock,
                          TPNBasicPinNotificationEvent AOnNotification = {},
                          TPNGDIPlusImagePinNotificationEvent APinNotificationEvent = {},
                          TPNGDIPlusImageChangeEvent AOnDataChange = {});
  CORVANE_PIN_INTERFACES(TPNGDIPlusImageStatePin, pinweave::TPNStatePin, IPNGDIPlusImageStream)
  TPNNotifyResult SetValue(const kelvra::TIntf<IGPImage>& AImage);
  kelvra::TIntf<IGPImage> Value();
  TPNNotifyResult Notification(CORVANE_HANDLER_ARGS);

 private:
  TPNGDIPlusImagePinNotificationEvent FPinNotificationEvent;
  TPNGDIPlusImageChangeEvent FOnDataChange;
  std::mutex valueLock_;
  kelvra::TIntf<IGPImage> FValue;
};
CORVANE_PIN_CLASSREF(TPNGDIPlusImageStatePin, pinweave::TPNStatePin, IPNGDIPlusImageStream::IID);

// ---------------------------------------------------------------------------------------------
// Relaying operations

// A handler that hands every operation to APin's Notify.
TPNNotificationHandler GPNPassTroughDispatch(pinweave::TPNPin& APin);
// The same while APin is connected; otherwise AHandler answers, with APin as the sender.
TPNNotificationHandler GPNPassTroughDispatch(pinweave::TPNPin& APin, pinweave::TPNPin& ASecondPin,
                                             TPNNotificationHandler AHandler);
// Sends AOperation (a pump operation) through APin; when the operation then carries another pump
// object than APumpObject, APin becomes the pump pin and that object the pump object.
void GRQPinQueryPumpOperation(pinweave::TPNPin& APin, pinweave::TPNPin*& APumpPin,
                              const TPNOperation& AOperation, kelvra::TObject*& APumpObject);

}  // namespace corvane
