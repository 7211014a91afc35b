// The pin framework: pins, stream types, notify operations and connections.
//
// Pins. A pin is the input (sink) or output (source) of a component, owned by it and published as
// one of its object properties. A pin is its own stream object: it answers interface queries for
// the stream interfaces of the kinds it handles (all derived from IPNDataStream), which is how
// handlers tell what a peer is. Each pin keeps an ordered list of the stream types it accepts,
// each served by a handler (AddType, PopulateTypes, ClearTypes); PopulateTypes adds the types
// that the pin's class and its ancestors name in their class attributes (StreamTypes), the
// ancestors' first, once the pin is fully made.
//
// Operations travel both ways. Notify(op) on a pin calls, for every connection in connection
// order, the handler of the connection's stream type with the peer as the stream object; the
// usual handler hands the operation to the peer's DispatchOperation, which gives it to the
// peer component's notification handler. A type added without a handler is served by the default
// handler registered for it (PNRegisterDefaultHandler), else passed to the peer as it is. Sinks
// use Notify to send upstream (pump requests, start, stop). The one operation object goes to
// every receiver: nothing is copied.
//
// TPNNotifyState:
//   nsConnecting    the handler is asked on behalf of a connection step, not for data: a state
//                   pin answers it by sending its current value to the new peer; data handlers
//                   return the empty result at once.
//   nsLastReceiver  this receiver is the last one the operation goes to in this Notify, so it may
//                   work in the buffer in place (a filter's CanInline relies on it).
//
// Connections. Connect(source, sink) negotiates a stream type, trying in turn:
//   1. the first type in the sink's order that the source accepts, core types (PNRegisterStream)
//      left out;
//   2. a format converter: the first registered (PNRegisterTypeConverters) whose from-type the
//      source accepts and whose to-type the sink accepts, inserted between them and owned by the
//      connection, freed with it;
//   3. the first core type in the sink's order that the source accepts;
//   4. the first type in the source's order that the sink answers a query for (a universal sink
//      opens its accept-all window for this step).
// When none fits, EPNConnectError names both pins and their types, and nothing changes. A plain
// sink has one source, and connecting another replaces it; a multi-sink keeps several. A pin
// cannot be connected to itself or to a pin of the same direction (EPNConnectError).
// Disconnect(source, sink) ends the connection: from the moment the link is dropped no further
// data reaches the sink, and the source's IntDisconnect can still send it a last operation
// (NotifyPin), which the source pins of the signal streams use for a stop.
//
// Threads. Notify runs the receivers' handlers on the calling thread, in connection order.
// Connect and Disconnect may run on another thread while data flows: Notify works on a snapshot
// of the connections, and Disconnect waits for the deliveries that began before the link was
// dropped before it sends its stop, frees a converter or returns, so the stop is the last thing
// the sink receives from that source and nothing is used after it is gone. (A handler that
// disconnects the pin that is delivering to it does not wait for itself.) Connections are made
// and ended one at a time, process-wide; Connect's hooks and BeforeDisconnect run in that
// serialised step, IntDisconnect after it. A handler may ask a pin about its connections while
// another thread connects, but must not itself connect or disconnect while a plain sink's source
// is being replaced (the replacement waits for deliveries inside the serialised step).
// Operations are immutable once handed on and may be read from any thread.
//
// Streaming. A sink streams its sources as the value "SourcePin": "Component.Pin" (several
// separated by ", " for a multi-sink), the pin named as its owner publishes it. Reading the value
// connects once the whole tree is read, so a saved tree reconnects when loaded.
#pragma once

#include <atomic>
#include <concepts>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kelvra/Kelvra.ClassRef.h"
#include "kelvra/Kelvra.Components.h"
#include "kelvra/Kelvra.Containers.h"
#include "kelvra/Kelvra.Math.Complex.h"
#include "kelvra/Kelvra.Threading.ChangeNotifyLock.h"
#include "kelvra/Kelvra.Types.h"

namespace pinweave {

class TPNNotifyOperation;
class TPNPin;
class TPNConnection;
class TPNFormatConverter;

// A connection that cannot be made.
class EPNConnectError : public kelvra::Exception {
 public:
  using Exception::Exception;
};

// ---------------------------------------------------------------------------------------------
// Notify operations
//
// An operation class is identified by its class reference (kelvra::TClassRef), which makes
// operations of the class and tells whether an operation is of it or of a descendant. Each
// operation class declares its reference and returns it from ClassType. A class whose operations
// need values at construction has no factory: Create raises EAbstractError for it.

class IPNNotifyOperation : public virtual kelvra::IInterface {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{6A3E1C52-94D0-4B7E-8F21-3C5D7A90B146}");
  virtual TPNNotifyOperation* GetInstance() = 0;
  // True when the operation is of AClass or of a class derived from it.
  virtual bool IsType(const kelvra::TClassRef& AClass) = 0;
};

using TPNOperation = kelvra::TIntf<IPNNotifyOperation>;

class TPNNotifyOperation : public kelvra::TInterfacedObject, public virtual IPNNotifyOperation {
 public:
  static const kelvra::TClassRef ClassRef;
  virtual const kelvra::TClassRef& ClassType() const { return ClassRef; }

  // A new operation of AClass; EAbstractError for a class that needs construction values.
  static TPNOperation Create(const kelvra::TClassRef& AClass);
  // How a class reference makes an operation: with no values.
  template <std::default_initializable T>
  static TPNNotifyOperation* MakeInstance() {
    return new T();
  }

  TPNNotifyOperation* GetInstance() override { return this; }
  bool IsType(const kelvra::TClassRef& AClass) override { return ClassType().InheritsFrom(AClass); }

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TPNNotifyOperation, IPNNotifyOperation>(this, iid, out);
  }
  // Operations have no weak holders and reach other threads through references.
  int32_t _AddRef() override { return AddRefUnshared(); }
  int32_t _Release() override { return ReleaseUnshared(); }

  // An operation is made for each delivery and dropped after it: the memory of dropped
  // operations is kept on the dropping thread for the next ones (PNPins.cpp).
  static void* operator new(std::size_t ASize);
  static void operator delete(void* APointer, std::size_t ASize) noexcept;

 protected:
  TPNNotifyOperation() = default;
  ~TPNNotifyOperation() override = default;
};

inline constexpr kelvra::TClassRef TPNNotifyOperation::ClassRef =
    kelvra::ClassRefOf<TPNNotifyOperation>("TPNNotifyOperation");

// The operation of AOperation as class T when it is of T's class (or a descendant); else nullptr.
template <class T>
T* OperationAs(const TPNOperation& AOperation) {
  return AOperation && AOperation->IsType(T::ClassRef)
             ? static_cast<T*>(AOperation->GetInstance())
             : nullptr;
}

// Declares an operation class without values: its class reference and ClassType.
#define PINWEAVE_OPERATION(Name, Parent)                                                      \
  class Name : public Parent {                                                              \
   public:                                                                                  \
    static const kelvra::TClassRef ClassRef;                                                \
    const kelvra::TClassRef& ClassType() const override { return ClassRef; }                \
    Name() = default;                                                                       \
  };                                                                                        \
  inline constexpr kelvra::TClassRef Name::ClassRef = kelvra::ClassRefOf<Name, Parent>(#Name)

PINWEAVE_OPERATION(TPNStartOperation, TPNNotifyOperation);
PINWEAVE_OPERATION(TPNStopOperation, TPNNotifyOperation);
PINWEAVE_OPERATION(TPNEndStopOperation, TPNStopOperation);
PINWEAVE_OPERATION(TPNFileEndNoStopOperation, TPNNotifyOperation);
// Asks upstream whether a stream will come; a component without one answers with an ignore-stream
// operation, which tells a receiver that waits for several streams to leave that one out.
PINWEAVE_OPERATION(TPNQueryStreamOperation, TPNNotifyOperation);
PINWEAVE_OPERATION(TPNIgnoreStreamOperation, TPNNotifyOperation);
// Asked of a new peer in a connection step (nsConnecting).
PINWEAVE_OPERATION(TPNConnectOperation, TPNNotifyOperation);
// Data: the root of the operations that carry a value.
PINWEAVE_OPERATION(TPNSuppliedOperation, TPNNotifyOperation);

// A start at a rate (samples per second).
class TPNStartRateOperation : public TPNStartOperation {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static TPNOperation Create(double ARate) { return new TPNStartRateOperation(ARate); }
  double Rate() const { return rate_; }

 protected:
  explicit TPNStartRateOperation(double ARate) : rate_(ARate) {}

 private:
  double rate_;
};
inline constexpr kelvra::TClassRef TPNStartRateOperation::ClassRef =
    kelvra::ClassRefOf<TPNStartRateOperation, TPNStartOperation>("TPNStartRateOperation");

// A clock tick with its count.
class TPNClockOperation : public TPNNotifyOperation {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static TPNOperation Create(int32_t ACount) { return new TPNClockOperation(ACount); }
  int32_t Count() const { return count_; }

 private:
  explicit TPNClockOperation(int32_t ACount) : count_(ACount) {}
  int32_t count_;
};
inline constexpr kelvra::TClassRef TPNClockOperation::ClassRef =
    kelvra::ClassRefOf<TPNClockOperation, TPNNotifyOperation>("TPNClockOperation");

// Asks the clock's source whether a clock is needed (true) or no longer (false).
class TPNClockNeededOperation : public TPNNotifyOperation {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static TPNOperation Create(bool ANeeded) { return new TPNClockNeededOperation(ANeeded); }
  bool Needed() const { return needed_; }

 private:
  explicit TPNClockNeededOperation(bool ANeeded) : needed_(ANeeded) {}
  bool needed_;
};
inline constexpr kelvra::TClassRef TPNClockNeededOperation::ClassRef =
    kelvra::ClassRefOf<TPNClockNeededOperation, TPNNotifyOperation>("TPNClockNeededOperation");

// A pump operation carries the object on whose behalf it pumps; receivers may replace it.
class TPNPumpOperation : public TPNNotifyOperation {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  kelvra::TObject* PumpObject() const { return object_.load(); }
  void SetPumpObject(kelvra::TObject* AObject) { object_.store(AObject); }

 protected:
  explicit TPNPumpOperation(kelvra::TObject* AObject) : object_(AObject) {}

 private:
  std::atomic<kelvra::TObject*> object_;
};
inline constexpr kelvra::TClassRef TPNPumpOperation::ClassRef =
    kelvra::ClassRefOf<TPNPumpOperation, TPNNotifyOperation>("TPNPumpOperation");

// A downstream master asks its sources to pump for it. Each operation has an identifier of its
// own (process-wide, counting up), by which a source that receives it over several paths tells
// that it is the same request.
class TPNMasterPumpOperation : public TPNPumpOperation {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static TPNOperation Create(kelvra::TObject* AObject) { return new TPNMasterPumpOperation(AObject); }
  uint32_t Identifier() const { return identifier_; }

 private:
  explicit TPNMasterPumpOperation(kelvra::TObject* AObject);
  const uint32_t identifier_;
};
inline constexpr kelvra::TClassRef TPNMasterPumpOperation::ClassRef =
    kelvra::ClassRefOf<TPNMasterPumpOperation, TPNPumpOperation>("TPNMasterPumpOperation");

// A request for one more pace of data; CreateEx names the requesting object. A source that asks
// who paces it sends one with its pump type, its priority and the buffers per second it would
// make: its pump object starts as the source itself, and a downstream component that would
// rather pace the source claims it with a higher priority (Claim); the last and highest claim
// is the master once the Notify returns.
class TPNPumpRequestOperation : public TPNPumpOperation {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static TPNOperation Create() { return new TPNPumpRequestOperation(nullptr, 0, 0, 0); }
  static TPNOperation CreateEx(kelvra::TObject* AObject) {
    return new TPNPumpRequestOperation(AObject, 0, 0, 0);
  }
  static TPNOperation CreateEx(kelvra::TObject* AObject, int32_t APumpType, uint32_t APriority,
                               double ARate) {
    return new TPNPumpRequestOperation(AObject, APumpType, APriority, ARate);
  }
  int32_t PumpType() const { return pumpType_; }
  double Rate() const { return rate_; }
  // The priority of the present master.
  uint32_t Priority() const;
  // AObject becomes the master when APriority is above the present master's; true when it did.
  bool Claim(kelvra::TObject* AObject, uint32_t APriority);

 private:
  TPNPumpRequestOperation(kelvra::TObject* AObject, int32_t APumpType, uint32_t APriority,
                          double ARate)
      : TPNPumpOperation(AObject), pumpType_(APumpType), rate_(ARate), priority_(APriority) {}
  const int32_t pumpType_;
  const double rate_;
  mutable std::mutex claimLock_;
  uint32_t priority_;  // under claimLock_
};

// A source paced by a downstream master tells the components downstream which one that is.
class TPNStartPumpOperation : public TPNPumpOperation {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static TPNOperation Create(kelvra::TObject* AObject) { return new TPNStartPumpOperation(AObject); }

 private:
  using TPNPumpOperation::TPNPumpOperation;
};
inline constexpr kelvra::TClassRef TPNStartPumpOperation::ClassRef =
    kelvra::ClassRefOf<TPNStartPumpOperation, TPNPumpOperation>("TPNStartPumpOperation");
inline constexpr kelvra::TClassRef TPNPumpRequestOperation::ClassRef =
    kelvra::ClassRefOf<TPNPumpRequestOperation, TPNPumpOperation>("TPNPumpRequestOperation");

// Data of one value of type T, with the number of samples it stands for (0 when not told).
template <class T>
class TPNTypedSuppliedOperation : public TPNSuppliedOperation {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static TPNOperation Create(T AValue, uint32_t ASampleCount = 0) {
    return new TPNTypedSuppliedOperation(std::move(AValue), ASampleCount);
  }
  const T& Value() const { return value_; }
  virtual uint32_t SampleCount() const { return sampleCount_; }

 protected:
  TPNTypedSuppliedOperation(T AValue, uint32_t ASampleCount = 0)
      : value_(std::move(AValue)), sampleCount_(ASampleCount) {}

  T value_;

 private:
  uint32_t sampleCount_;
};
template <class T>
inline constexpr kelvra::TClassRef TPNTypedSuppliedOperation<T>::ClassRef =
    kelvra::ClassRefOf<TPNTypedSuppliedOperation<T>, TPNSuppliedOperation>(
        "TPNTypedSuppliedOperation");

// ---------------------------------------------------------------------------------------------
// Stream types

enum TPNNotifyStateMember : uint8_t { nsConnecting, nsLastReceiver };
using TPNNotifyState = kelvra::TSet<TPNNotifyStateMember, uint8_t>;

// What receivers answer; Notify merges the answers of all receivers.
struct TPNNotifyResult {
  bool Handled = false;
  TPNNotifyResult& operator|=(TPNNotifyResult AOther) {
    Handled = Handled || AOther.Handled;
    return *this;
  }
};

// A stream object: a pin as its peers see it.
class IPNStream : public virtual kelvra::IInterface {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{C3A5E7B1-1F2D-4E6A-9B80-5D4C3B2A1908}");
  // Receives AOperation from ASender over a connection of stream type AType.
  virtual TPNNotifyResult DispatchOperation(TPNPin* ASender, const kelvra::TGUID& AType,
                                            const TPNOperation& AOperation,
                                            TPNNotifyState AState) = 0;
};

// The root of the stream interfaces; they add no operations.
class IPNDataStream : public virtual IPNStream {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{5E0B8C24-7A61-4F3D-B2E9-0C18D6A4F357}");
};

#define PINWEAVE_STREAM(Name, Parent, Guid)                                  \
  class Name : public virtual Parent {                                     \
   public:                                                                 \
    static constexpr kelvra::TGUID IID = kelvra::TGUID::Parse(Guid);        \
  }

// The framework's stream types.
PINWEAVE_STREAM(IPNRealStream, IPNDataStream, "{208F9564-3C20-4C97-BB77-2FC5AE6E4194}");
PINWEAVE_STREAM(IPNFloatStream, IPNDataStream, "{67F6997B-7EB4-4E2F-8320-4A512B5F2BC7}");
PINWEAVE_STREAM(IPNIntegerStream, IPNDataStream, "{92F6B47E-B46E-49BB-9A8E-676D3C2F2E66}");
PINWEAVE_STREAM(IPNInt64Stream, IPNDataStream, "{6D054E38-F733-4212-8D5A-0E866802F866}");
PINWEAVE_STREAM(IPNUnsignedStream, IPNDataStream, "{B9867263-626B-47A4-AC8D-F3B6C68392B9}");
PINWEAVE_STREAM(IPNUInt64Stream, IPNDataStream, "{EE313232-48B9-40E6-A7CE-3682B3ADE39B}");
PINWEAVE_STREAM(IPNRealComplexStream, IPNDataStream, "{4CC4ADE6-E5AE-4E27-A9E7-42C14E062F41}");
PINWEAVE_STREAM(IPNByteStream, IPNDataStream, "{6869A0AD-852B-454F-B664-F54040F7019D}");
PINWEAVE_STREAM(IPNCharStream, IPNDataStream, "{3241B885-95E1-495F-ACEC-4A1C98872B63}");
PINWEAVE_STREAM(IPNColorStream, IPNDataStream, "{44421113-BE8B-4C12-86C3-5721B6EFD882}");
PINWEAVE_STREAM(IPNAlphaColorStream, IPNDataStream, "{C9C4E86B-29A1-41B3-B749-0D69035B140E}");
PINWEAVE_STREAM(IPNDateTimeStream, IPNDataStream, "{475D7D8B-4796-42A5-8F8E-B512B8FD2704}");
PINWEAVE_STREAM(IPNDateStream, IPNDataStream, "{FE356F3A-7552-4CA2-B542-A39061A61617}");
PINWEAVE_STREAM(IPNTimeStream, IPNDataStream, "{B8EA13BE-233C-4309-AF37-6441A57973BC}");
PINWEAVE_STREAM(IPNBoolStream, IPNDataStream, "{7AA677AE-F983-4714-8E64-EC6F3D17695B}");
PINWEAVE_STREAM(IPNStringStream, IPNDataStream, "{25C048B4-89D4-4277-AA98-A835EB29F5C1}");
PINWEAVE_STREAM(IPNClockStream, IPNDataStream, "{48CDAF9F-00C7-4B45-999D-4EE25353A952}");
PINWEAVE_STREAM(IPNRealListStream, IPNDataStream, "{727FDD83-ADDB-4755-9A6D-1C4CFC72604C}");
PINWEAVE_STREAM(IPNIntegerListStream, IPNDataStream, "{FB1752DB-AA81-4237-8FC1-26721AE56974}");
// Forwarding: a stream object that passes what it receives on to where it belongs.
PINWEAVE_STREAM(IPNForwardStream, IPNDataStream, "{CFDF94D7-5134-49D9-AC65-902BBC1CD140}");

// Value types of the framework's typed pins that share a C++ type with another.
struct TColor {
  uint32_t Value = 0;
  friend bool operator==(TColor, TColor) = default;
};
struct TAlphaColor {
  uint32_t Value = 0;
  friend bool operator==(TAlphaColor, TAlphaColor) = default;
};
struct TDateTime {  // days since 1899-12-30, the time as the fraction of a day
  double Value = 0;
  friend bool operator==(TDateTime, TDateTime) = default;
};
struct TDate {
  double Value = 0;
  friend bool operator==(TDate, TDate) = default;
};
struct TTime {
  double Value = 0;
  friend bool operator==(TTime, TTime) = default;
};

// What the framework knows of a stream type.
struct TPNStreamTypeInfo {
  kelvra::TGUID TypeID;
  std::string_view Name;               // display name; empty for none
  bool Core = false;                   // a root type: negotiated only when nothing else fits
  std::span<const uint8_t> Image = {};  // PNG image of its pins; empty for none
};

using TPNNotificationHandler =
    std::function<TPNNotifyResult(TPNPin* ASender, IPNStream* AStream, const kelvra::TGUID& AType,
                                  const TPNOperation& AOperation, TPNNotifyState AState)>;

// Registration, at unit start; a type or handler registered again replaces the earlier one.
// Any thread may register and ask.
void PNRegisterStreams(std::span<const TPNStreamTypeInfo> AInfos);
void PNRegisterStream(const TPNStreamTypeInfo& AInfo);
void PNUnregisterStreams(std::span<const TPNStreamTypeInfo> AInfos);
// A registered type, or one of the framework's own (IPNRealStream, ...), which are always known.
std::optional<TPNStreamTypeInfo> PNFindStream(const kelvra::TGUID& ATypeID);
std::vector<TPNStreamTypeInfo> PNRegisteredStreams();  // in registration order
// The image of the stream type's pins; empty when it has none (IntGetPNGResImageByName by type).
std::span<const uint8_t> PNGetStreamImage(const kelvra::TGUID& ATypeID);

void PNRegisterDefaultHandler(const kelvra::TGUID& ATypeID, TPNNotificationHandler AHandler);
void PNUnregisterDefaultHandler(const kelvra::TGUID& ATypeID);
TPNNotificationHandler PNGetDefaultHandler(const kelvra::TGUID& ATypeID);

// Format converter classes (TPNFormatConverter descendants whose class attributes name
// ConvertFrom and ConvertTo), tried in registration order.
void PNRegisterTypeConverters(std::span<const kelvra::TClassRef* const> AClasses);
void PNUnregisterTypeConverters(std::span<const kelvra::TClassRef* const> AClasses);
std::vector<const kelvra::TClassRef*> PNRegisteredTypeConverters();

// ---------------------------------------------------------------------------------------------
// Pins

// The owning component's handler: its pin, the other pin of the connection, the stream type, the
// operation and the state.
using TPNBasicPinNotificationEvent = std::function<TPNNotifyResult(
    TPNPin* APin, TPNPin* AOtherPin, const kelvra::TGUID& AType, const TPNOperation& AOperation,
    TPNNotifyState AState)>;
using TPNPinEvent = std::function<void(TPNPin* APin)>;
// Tells a new pin its owner and the name under which the owner publishes it.
using TPNOwnerSetter = std::function<void(TPNPin& APin)>;

// The setter for a pin that AOwner publishes as AName.
TPNOwnerSetter PinCustomOwnerSetter(kelvra::TComponent* AOwner, std::string AName);
// The setter for a pin that a sub-object of AOwner publishes: APath is "Object.Pin".
TPNOwnerSetter PinCustomPathSetter(kelvra::TComponent* AOwner, std::string APath);

// A list of pins, in the order added.
class TPNPinList {
 public:
  void Add(TPNPin* APin) { pins_.push_back(APin); }
  void Remove(TPNPin* APin) { std::erase(pins_, APin); }
  void Clear() { pins_.clear(); }
  int32_t Count() const { return int32_t(pins_.size()); }
  TPNPin* operator[](int32_t AIndex) const { return pins_.at(size_t(AIndex)); }
  auto begin() const { return pins_.begin(); }
  auto end() const { return pins_.end(); }

 private:
  std::vector<TPNPin*> pins_;
};

namespace detail {
// A readers-writer lock that lets a waiting writer in before further readers, so that a thread
// that disconnects is not kept waiting by a steady flow of deliveries. A reader comes and goes
// with one atomic addition each; writers, which are rare, also serialise on a mutex. Not
// recursive: a thread takes it once per pin (the pin's deliveries check that).
class TDeliveryLock {
 public:
  TDeliveryLock() = default;
  TDeliveryLock(const TDeliveryLock&) = delete;
  TDeliveryLock& operator=(const TDeliveryLock&) = delete;

  void lock_shared() {
    if (state_.fetch_add(kReader, std::memory_order_acquire) & kWriter) WaitBehindWriter();
  }
  void unlock_shared() {
    if (state_.fetch_sub(kReader, std::memory_order_release) == (kWriter | kReader))
      state_.notify_all();  // the last reader that a writer waits for
  }
  void lock();
  bool try_lock();
  void unlock();

 private:
  static constexpr uint32_t kReader = 1;         // the readers' count is the low bits
  static constexpr uint32_t kWriter = 1u << 31;  // a writer holds the lock or waits for readers

  void WaitBehindWriter();

  std::atomic<uint32_t> state_{0};
  std::mutex writers_;
};
}  // namespace detail

// One end of a connection as the pin at the other end sees it.
struct TPNLink {
  TPNPin* Peer;
  IPNStream* Stream;  // the peer as a stream object
  kelvra::TGUID Type;
  // This pin's handler of the type for this peer; empty when it would only hand the operation to
  // the peer (PNForward, or PNForwardData when DataOnly), which the link then does itself.
  TPNNotificationHandler Handler;
  bool DataOnly;
  TPNConnection* Connection;  // the connection the link belongs to
};

class TPNPin : public kelvra::TPersistent, public virtual IPNStream {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TPNPin(const TPNOwnerSetter& AOwnerSetter, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
         TPNBasicPinNotificationEvent AOnNotification);
  // Ends every connection of the pin, without the pin's own hooks (its derived parts are gone).
  ~TPNPin() override;

  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TPNPin, IPNStream>(this, iid, out);
  }

  virtual bool IsSource() const = 0;
  kelvra::TComponent* OwnerComponent() const { return ownerComponent_; }
  kelvra::TPersistent* GetOwner() const override { return ownerComponent_; }
  // The name the owner publishes the pin under ("Path.Pin" for a pin of a sub-object).
  const std::string& Name() const { return name_; }
  void SetOwner(kelvra::TComponent* AOwner, std::string AName);
  // "Component.Pin" (the component's name, then the pin's).
  std::string FullName() const;
  const kelvra::TIntf<kelvra::IChangeNotifyLock>& Lock() const { return lock_; }

  // Types. AFirst puts the type before those already added, so negotiation prefers it.
  void AddType(const kelvra::TGUID& AType, TPNNotificationHandler AHandler, bool AFirst = false);
  void PopulateTypes(TPNNotificationHandler AHandler, bool AFirst = false);
  void ClearTypes();
  // The accepted types in order, with their handlers.
  std::vector<std::pair<kelvra::TGUID, TPNNotificationHandler>> Types() const;
  bool AcceptsType(const kelvra::TGUID& AType) const;

  // Sending. Notify goes to every connected peer, NotifyPin to APeer alone (a pin directly linked
  // to this one, or the one being disconnected).
  virtual TPNNotifyResult Notify(const TPNOperation& AOperation);
  TPNNotifyResult NotifyPin(TPNPin* APeer, const TPNOperation& AOperation);
  // Receiving: gives the operation to the component's notification handler.
  TPNNotifyResult DispatchOperation(TPNPin* ASender, const kelvra::TGUID& AType,
                                    const TPNOperation& AOperation, TPNNotifyState AState) override;

  // The pins directly linked to this one, in connection order.
  std::vector<TPNPin*> LinkedPins() const;
  // The stream type that the sink of each of this source's connections receives (past any
  // converter), in connection order.
  std::vector<kelvra::TGUID> DownStreamIDs() const;
  int32_t LinkCount() const;
  bool IsConnected() const { return LinkCount() > 0; }
  // Whether a link of this pin has one of the types.
  bool IsConnectedByIDs(std::span<const kelvra::TGUID> ATypes) const;

  // The framework's short name: the name without a closing "Pin".
  virtual std::string MakeShortName(std::string_view AName) const;

 protected:
  // Hooks, each called by the framework in a connection step; an override chains to the base.
  // IntConnect and IntConnectAfter run on both pins once they are linked (source first);
  // BeforeDisconnect on both before the link is dropped; IntDisconnect on the source after the
  // link is dropped and in-flight deliveries have ended, with APeer still reachable by NotifyPin.
  virtual void IntConnect(TPNPin& APeer);
  virtual void IntConnectAfter(TPNPin& APeer);
  virtual void BeforeDisconnect(TPNPin& APeer);
  virtual void IntDisconnect(TPNPin& APeer);
  // The negotiation of a new connection from ASource (on the sink); the chosen type is told to
  // both pins with SetDataTypeFor.
  virtual void IntConnectSourcePin(TPNPin& ASource);
  virtual void SetDataTypeFor(TPNPin& APeer, const kelvra::TGUID& AType);
  // The handler that the link to APeer over AType uses, chosen once when the link is made; the
  // type's handler unless overridden. A pin whose handler asks the same of every operation (what
  // the peer is) may answer it here, with PNForward or PNForwardData where the handler would
  // only pass the operation on.
  virtual TPNNotificationHandler HandlerForLink(const kelvra::TGUID& AType, TPNPin& APeer) const;
  // Negotiates every connection of the pin again (after its types changed).
  virtual void ChainReconnect();
  // NotifyPin in the given state.
  TPNNotifyResult NotifyPin(TPNPin* APeer, const TPNOperation& AOperation, TPNNotifyState AState);

  void DefineProperties(kelvra::TFiler& AFiler) override;

 private:
  friend class TPNConnection;
  friend void Connect(TPNPin&, TPNPin&);
  friend void Disconnect(TPNPin&, TPNPin&);

  struct TTypeEntry {
    kelvra::TGUID Type;
    TPNNotificationHandler Handler;
    bool Populate = false;  // a place holder for the class's attribute types
  };
  using TLinks = std::vector<TPNLink>;

  void ExpandTypes() const;
  TPNNotificationHandler HandlerFor(const kelvra::TGUID& AType) const;
  // A link to APeer over AType, with the handler HandlerForLink chooses.
  TPNLink MakeLink(TPNPin& APeer, const kelvra::TGUID& AType, TPNConnection& AConnection) const;
  void AddLink(TPNLink ALink);
  std::optional<TPNLink> RemoveLink(TPNPin* APeer);
  // Under linksLock_: makes AList the pin's links and keeps the list it replaces until no
  // delivery can be reading it.
  void ReplaceLinks(std::unique_ptr<const TLinks> AList);
  // The pairs (source, sink) of the pin's connections: all of them, or (AOutgoing) those where
  // this pin is the source.
  std::vector<std::pair<TPNPin*, TPNPin*>> ConnectionEnds(bool AOutgoing) const;
  void WaitForDeliveries();
  // Disconnect, with the pins in their places: no virtual call tells them apart, so that a pin
  // can end its connections while it is destroyed.
  static void EndConnection(TPNPin& ASource, TPNPin& ASink);
  // The sources of this sink's connections as "Component.Pin" texts, separated by ", ".
  std::string SourceNames() const;

  kelvra::TComponent* ownerComponent_ = nullptr;
  std::string name_;
  kelvra::TIntf<kelvra::IChangeNotifyLock> lock_;
  TPNBasicPinNotificationEvent onNotification_;
  mutable std::mutex typesLock_;
  mutable std::vector<TTypeEntry> types_;
  // The links, replaced as a whole on every change so that a delivery can go on with the list it
  // started with. A delivery holds deliveryLock_ shared and reads the list that links_ points to
  // with no further lock or reference count; Disconnect takes deliveryLock_ alone to wait for the
  // deliveries. A replaced list is kept until deliveryLock_ is next held alone (by Disconnect, or
  // at once when no delivery runs), when no delivery can still be reading it. Other readers hold
  // linksLock_, under which lists are replaced and freed.
  std::unique_ptr<const TLinks> linkList_ = std::make_unique<const TLinks>();  // under linksLock_
  std::atomic<const TLinks*> links_{linkList_.get()};
  std::atomic<int32_t> linkCount_{0};  // the size of the latest list, read without a lock
  std::vector<std::unique_ptr<const TLinks>> replacedLinks_;  // under linksLock_
  mutable std::mutex linksLock_;
  mutable detail::TDeliveryLock deliveryLock_;
  std::vector<TPNLink> disconnecting_;  // links being dropped, still reached by NotifyPin

 protected:
  // A sink's connections, owned; changed under the connection lock and inputsLock_, read under
  // either, so that handlers may ask about them while a connection is being made.
  std::vector<std::unique_ptr<TPNConnection>> inputs_;
  mutable std::mutex inputsLock_;
};

inline constexpr kelvra::TClassRef TPNPin::ClassRef =
    kelvra::ClassRefOf<TPNPin, kelvra::TPersistent>("TPNPin");

// Sends AOperation over one link of APin, as Notify does for each.
inline TPNNotifyResult Deliver(TPNPin& APin, const TPNLink& ALink, const TPNOperation& AOperation,
                               TPNNotifyState AState) {
  if (ALink.Handler) return ALink.Handler(&APin, ALink.Stream, ALink.Type, AOperation, AState);
  if (ALink.DataOnly && AState.Contains(nsConnecting)) return {};
  return ALink.Stream->DispatchOperation(&APin, ALink.Type, AOperation, AState);
}

// Connects (see the top of this header).
void Connect(TPNPin& ASource, TPNPin& ASink);
// Ends the connection between ASource and ASink; nothing when there is none.
void Disconnect(TPNPin& ASource, TPNPin& ASink);
// The pin that AText ("Component.Pin") names, searched from ARoot (itself or one of its own
// components); nullptr when there is none.
TPNPin* FindPin(kelvra::TComponent& ARoot, std::string_view AText);

class TPNSourcePin : public TPNPin {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  bool IsSource() const final { return true; }
  using TPNPin::TPNPin;
};
inline constexpr kelvra::TClassRef TPNSourcePin::ClassRef =
    kelvra::ClassRefOf<TPNSourcePin, TPNPin>("TPNSourcePin");

// A source whose peers' operations go to its component's handler.
class TPNDispatchSourcePin : public TPNSourcePin {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TPNSourcePin::TPNSourcePin;
};
inline constexpr kelvra::TClassRef TPNDispatchSourcePin::ClassRef =
    kelvra::ClassRefOf<TPNDispatchSourcePin, TPNSourcePin>("TPNDispatchSourcePin");

// A dispatch source with a limit on its sinks: AMaxSinks, or none when negative.
class TPNBasicDispatchSourcePin : public TPNDispatchSourcePin {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TPNBasicDispatchSourcePin(const TPNOwnerSetter& AOwnerSetter,
                            kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                            TPNBasicPinNotificationEvent AOnNotification, int32_t AMaxSinks)
      : TPNDispatchSourcePin(AOwnerSetter, std::move(ALock), std::move(AOnNotification)),
        maxSinks_(AMaxSinks) {}
  // Connect refuses a further sink once the limit is reached.
  int32_t MaxSinks() const { return maxSinks_; }

 private:
  int32_t maxSinks_;
};
inline constexpr kelvra::TClassRef TPNBasicDispatchSourcePin::ClassRef =
    kelvra::ClassRefOf<TPNBasicDispatchSourcePin, TPNDispatchSourcePin>(
        "TPNBasicDispatchSourcePin");

// A source of clock ticks (IPNClockStream).
class TPNClockSourcePin : public TPNDispatchSourcePin, public virtual IPNClockStream {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TPNClockSourcePin(const TPNOwnerSetter& AOwnerSetter,
                    kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                    TPNBasicPinNotificationEvent AOnNotification);
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;
};
inline constexpr kelvra::TClassRef TPNClockSourcePin::ClassRef =
    kelvra::ClassRefOf<TPNClockSourcePin, TPNDispatchSourcePin>("TPNClockSourcePin");

// A source that holds a state and hands it to every new peer: on connection its handler is asked
// with nsConnecting and a TPNConnectOperation.
class TPNStatePin : public TPNDispatchSourcePin {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TPNDispatchSourcePin::TPNDispatchSourcePin;

 protected:
  void IntConnectAfter(TPNPin& APeer) override;
};
inline constexpr kelvra::TClassRef TPNStatePin::ClassRef =
    kelvra::ClassRefOf<TPNStatePin, TPNDispatchSourcePin>("TPNStatePin");

// A sink: one source; connecting another replaces it.
class TPNSinkPin : public TPNPin {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  bool IsSource() const final { return false; }
  virtual bool IsMultiSink() const { return false; }
  // The stream type the source sends (before a converter), and the one this sink receives; zero
  // GUIDs when not connected. A multi-sink answers for its first connection.
  kelvra::TGUID GetConnectedID() const;
  kelvra::TGUID GetDownStreamID() const;
  // The source pins of this sink's connections.
  std::vector<TPNPin*> SourcePins() const;
  // The converter of the connection from ASource; nullptr for a direct one or none.
  const TPNFormatConverter* ConverterFrom(const TPNPin& ASource) const;
  using TPNPin::TPNPin;
};
inline constexpr kelvra::TClassRef TPNSinkPin::ClassRef =
    kelvra::ClassRefOf<TPNSinkPin, TPNPin>("TPNSinkPin");

class TPNDispatchSinkPin : public TPNSinkPin {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TPNSinkPin::TPNSinkPin;
};
inline constexpr kelvra::TClassRef TPNDispatchSinkPin::ClassRef =
    kelvra::ClassRefOf<TPNDispatchSinkPin, TPNSinkPin>("TPNDispatchSinkPin");

// A sink that accepts several sources.
class TPNMultiSinkPin : public TPNSinkPin {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  bool IsMultiSink() const final { return true; }
  using TPNSinkPin::TPNSinkPin;
};
inline constexpr kelvra::TClassRef TPNMultiSinkPin::ClassRef =
    kelvra::ClassRefOf<TPNMultiSinkPin, TPNSinkPin>("TPNMultiSinkPin");

class TPNDispatchMultiSinkPin : public TPNMultiSinkPin {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TPNMultiSinkPin::TPNMultiSinkPin;
};
inline constexpr kelvra::TClassRef TPNDispatchMultiSinkPin::ClassRef =
    kelvra::ClassRefOf<TPNDispatchMultiSinkPin, TPNMultiSinkPin>("TPNDispatchMultiSinkPin");

// A multi-sink of clock ticks.
class TPNClockMultiSinkPin : public TPNDispatchMultiSinkPin, public virtual IPNClockStream {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TPNClockMultiSinkPin(const TPNOwnerSetter& AOwnerSetter,
                       kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                       TPNBasicPinNotificationEvent AOnNotification);
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override;
};
inline constexpr kelvra::TClassRef TPNClockMultiSinkPin::ClassRef =
    kelvra::ClassRefOf<TPNClockMultiSinkPin, TPNDispatchMultiSinkPin>("TPNClockMultiSinkPin");

// The handler that hands an operation to the peer stream object's DispatchOperation.
TPNNotifyResult PNForward(TPNPin* ASender, IPNStream* AStream, const kelvra::TGUID& AType,
                          const TPNOperation& AOperation, TPNNotifyState AState);
// As PNForward, but a data handler: an operation of a connection step gets the empty result.
TPNNotifyResult PNForwardData(TPNPin* ASender, IPNStream* AStream, const kelvra::TGUID& AType,
                              const TPNOperation& AOperation, TPNNotifyState AState);

// A sink of single values of type T over the stream type IStream: each supplied operation of T
// becomes its Value and is told to OnValueChange; other operations go to the component's handler.
template <class T, class IStream>
class TPNTypedSinkPin : public TPNDispatchSinkPin, public virtual IStream {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TOnValueChange = std::function<void(TPNPin* APin, const T& AValue)>;

  TPNTypedSinkPin(const TPNOwnerSetter& AOwnerSetter, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                  TPNBasicPinNotificationEvent AOnNotification, TOnValueChange AOnValueChange)
      : TPNDispatchSinkPin(AOwnerSetter, std::move(ALock), std::move(AOnNotification)),
        onValueChange_(std::move(AOnValueChange)) {
    AddType(IStream::IID, &PNForward);
  }
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TPNTypedSinkPin, IStream>(this, iid, out) ||
           TPNDispatchSinkPin::QueryInterface(iid, out);
  }
  T Value() const {
    std::lock_guard guard(valueLock_);
    return value_;
  }
  TPNNotifyResult DispatchOperation(TPNPin* ASender, const kelvra::TGUID& AType,
                                    const TPNOperation& AOperation, TPNNotifyState AState) override {
    if (auto* supplied = OperationAs<TPNTypedSuppliedOperation<T>>(AOperation)) {
      {
        std::lock_guard guard(valueLock_);
        value_ = supplied->Value();
      }
      if (onValueChange_) onValueChange_(this, supplied->Value());
      return {};
    }
    return TPNDispatchSinkPin::DispatchOperation(ASender, AType, AOperation, AState);
  }

 private:
  TOnValueChange onValueChange_;
  mutable std::mutex valueLock_;
  T value_{};
};
template <class T, class IStream>
inline constexpr kelvra::TClassRef TPNTypedSinkPin<T, IStream>::ClassRef =
    kelvra::ClassRefOf<TPNTypedSinkPin<T, IStream>, TPNDispatchSinkPin>("TPNTypedSinkPin");

using TPNFloatSinkPin = TPNTypedSinkPin<float, IPNFloatStream>;
using TPNRealSinkPin = TPNTypedSinkPin<double, IPNRealStream>;
using TPNIntegerSinkPin = TPNTypedSinkPin<int32_t, IPNIntegerStream>;
using TPNInt64SinkPin = TPNTypedSinkPin<int64_t, IPNInt64Stream>;
using TPNUnsignedSinkPin = TPNTypedSinkPin<uint32_t, IPNUnsignedStream>;
using TPNUInt64SinkPin = TPNTypedSinkPin<uint64_t, IPNUInt64Stream>;
using TPNByteSinkPin = TPNTypedSinkPin<uint8_t, IPNByteStream>;
using TPNCharSinkPin = TPNTypedSinkPin<char16_t, IPNCharStream>;
using TPNColorSinkPin = TPNTypedSinkPin<TColor, IPNColorStream>;
using TPNAlphaColorSinkPin = TPNTypedSinkPin<TAlphaColor, IPNAlphaColorStream>;
using TPNDateTimeSinkPin = TPNTypedSinkPin<TDateTime, IPNDateTimeStream>;
using TPNDateSinkPin = TPNTypedSinkPin<TDate, IPNDateStream>;
using TPNTimeSinkPin = TPNTypedSinkPin<TTime, IPNTimeStream>;
using TPNRealComplexSinkPin = TPNTypedSinkPin<kelvra::TComplex, IPNRealComplexStream>;

// A sink of lists of T: a supplied operation of std::vector<T> is told to OnListChange with a flag
// that is set when the list's length differs from the one before (a new run of data).
template <class T, class IStream>
class TPNTypedListSinkPin : public TPNDispatchSinkPin, public virtual IStream {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TOnListChange =
      std::function<void(TPNPin* APin, std::span<const T> AItems, bool ALengthChanged)>;

  TPNTypedListSinkPin(const TPNOwnerSetter& AOwnerSetter,
                      kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                      TPNBasicPinNotificationEvent AOnNotification, TOnListChange AOnListChange)
      : TPNDispatchSinkPin(AOwnerSetter, std::move(ALock), std::move(AOnNotification)),
        onListChange_(std::move(AOnListChange)) {
    AddType(IStream::IID, &PNForward);
  }
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TPNTypedListSinkPin, IStream>(this, iid, out) ||
           TPNDispatchSinkPin::QueryInterface(iid, out);
  }
  TPNNotifyResult DispatchOperation(TPNPin* ASender, const kelvra::TGUID& AType,
                                    const TPNOperation& AOperation, TPNNotifyState AState) override {
    if (auto* supplied = OperationAs<TPNTypedSuppliedOperation<std::vector<T>>>(AOperation)) {
      const size_t length = supplied->Value().size();
      const bool changed = length != lastLength_.exchange(length);
      if (onListChange_) onListChange_(this, supplied->Value(), changed);
      return {};
    }
    return TPNDispatchSinkPin::DispatchOperation(ASender, AType, AOperation, AState);
  }

 private:
  TOnListChange onListChange_;
  std::atomic<size_t> lastLength_{SIZE_MAX};
};
template <class T, class IStream>
inline constexpr kelvra::TClassRef TPNTypedListSinkPin<T, IStream>::ClassRef =
    kelvra::ClassRefOf<TPNTypedListSinkPin<T, IStream>, TPNDispatchSinkPin>(
        "TPNTypedListSinkPin");

using TPNRealListSinkPin = TPNTypedListSinkPin<double, IPNRealListStream>;
using TPNIntegerListSinkPin = TPNTypedListSinkPin<int32_t, IPNIntegerListStream>;

// A format converter: an inner sink that receives in the from-type and an inner source that sends
// in the to-type. Operations that the inner source receives from downstream go back upstream
// through the inner sink. Made by its class reference, with no arguments.
class TPNFormatConverter {
 public:
  static const kelvra::TClassRef ClassRef;
  virtual const kelvra::TClassRef& ClassType() const { return ClassRef; }
  template <class T>
    requires std::derived_from<T, TPNFormatConverter> && std::default_initializable<T>
  static TPNFormatConverter* MakeInstance() {
    return new T();
  }
  virtual ~TPNFormatConverter();
  TPNPin& Sink() const { return *sink_; }
  TPNPin& Source() const { return *source_; }

 protected:
  TPNFormatConverter() = default;
  // Takes the inner pins; call once from the derived constructor.
  void SetPins(std::unique_ptr<TPNPin> ASink, std::unique_ptr<TPNPin> ASource);
  // The component handler of the inner source: sends upstream through the inner sink.
  TPNBasicPinNotificationEvent SourceOperationEvent();

 private:
  std::unique_ptr<TPNPin> sink_, source_;
};
inline constexpr kelvra::TClassRef TPNFormatConverter::ClassRef =
    kelvra::ClassRefOf<TPNFormatConverter>("TPNFormatConverter");

// A connection, owned by its sink: the two pins, the type each end uses and the converter
// between them, when there is one.
class TPNConnection {
 public:
  TPNPin& SourcePin() const { return *source_; }
  TPNPin& SinkPin() const { return *sink_; }
  const kelvra::TGUID& SourceType() const { return sourceType_; }
  const kelvra::TGUID& SinkType() const { return sinkType_; }
  TPNFormatConverter* Converter() const { return converter_.get(); }

 private:
  friend class TPNPin;
  TPNPin* source_ = nullptr;
  TPNPin* sink_ = nullptr;
  kelvra::TGUID sourceType_, sinkType_;
  std::unique_ptr<TPNFormatConverter> converter_;
};

}  // namespace pinweave
