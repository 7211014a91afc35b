// Stream types: the stream interfaces with their GUIDs, display names and images; the registry
// that knows, per stream type, the sample size and how to make a buffer; the operations that
// carry data and control along a connection; and the scale-label routines that display
// components share.
//
// Start-up (StartKDStreamTypes, run once by the package start): registers the twelve stream
// types with the pin framework, the channel family's default handler, the five buffer-making
// types of the registry, the format converters (KDStreamTypes.Converters.h), and a module-unload
// procedure that drops the registry entries whose functions lie in
// a module being unloaded (kelvra::FreeLibrary). FinishKDStreamTypes undoes it in reverse.
//
// Threads: the registry locks itself; registration happens at start-up and module unload, lookups
// from any thread.
//
// Scale tick text. KDGetDecimalPoints chooses how many decimals the labels of a scale from A to B
// show for `APrecision` significant digits (the fixed flag asks for exactly APrecision decimals);
// KDGetScaleTickText writes one value's label:
//   not scientific   fixed notation with KDGetDecimalPoints decimals;
//   scientific       "d.dddE+ddd" with APrecision digits in all when fixed, else 15.
// Fixed notation is used below 1e18 in magnitude; a larger value comes out in the scientific
// form with 15 digits, which for a fixed, not scientific label is then cut to APrecision
// decimals and loses the zeros that lead its exponent. At most 18 decimals or digits are written.
// The decimal separator is the C locale's "." unless the caller passes other settings. Pure
// functions: any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "corvane/buffers/KDSimpleDataBuffer.Block.h"
#include "corvane/buffers/KDSimpleDataBuffer.h"
#include "kelvra/Kelvra.GDIPlus.h"
#include "kelvra/Kelvra.SysUtils.h"
#include "pinweave/PNPins.h"

namespace corvane {

// ---------------------------------------------------------------------------------------------
// Stream interfaces

PINWEAVE_STREAM(IPNKDGenericStream, pinweave::IPNDataStream,
                "{20ACBC6D-DA0D-4359-8C78-CE0067D009A0}");
PINWEAVE_STREAM(IPNKDChannelStream, IPNKDGenericStream, "{DB6DD866-611D-4DC4-B46F-459CF8F02ECD}");
PINWEAVE_STREAM(IPNKDUniversalStream, IPNKDGenericStream,
                "{949B7FD0-421F-4F1B-B8D2-87969D3E66E0}");
PINWEAVE_STREAM(IPNKDRealStream, IPNKDChannelStream, "{58041272-EF20-4696-87E6-9EE46ABFBD89}");
PINWEAVE_STREAM(IPNKDRealRangedStream, IPNKDChannelStream,
                "{028C4122-5C0A-466D-AB78-3CCC06118B16}");
PINWEAVE_STREAM(IPNKDComplexStream, IPNKDChannelStream, "{BD797143-D7C6-4033-B686-9ABA658346CF}");
PINWEAVE_STREAM(IPNKDIntegerStream, IPNKDChannelStream, "{473B965F-AB43-4493-B9E3-BEE9CF0803D4}");
PINWEAVE_STREAM(IPNKDBooleanStream, IPNKDChannelStream, "{CF30C304-8AAE-4D18-B711-3AC7BDEEEE54}");
PINWEAVE_STREAM(IPNKDBinaryStream, IPNKDChannelStream, "{BD807B57-05AE-44E0-A99F-3D9BAD83395E}");
PINWEAVE_STREAM(IPNKDRealMatrixStream, IPNKDChannelStream,
                "{3A3BA3E1-0184-41DA-AA08-5412DD5F2B83}");
PINWEAVE_STREAM(IPNKDPairedStream, IPNKDChannelStream, "{F4D70F89-B478-4D08-990F-AD03759D0E31}");
PINWEAVE_STREAM(IPNKDUserControlStream, pinweave::IPNDataStream,
                "{9E7972F6-919B-491D-A094-18722B974429}");
PINWEAVE_STREAM(IPNGDIPlusImageStream, pinweave::IPNDataStream,
                "{8B0246A8-E0BA-432A-A00A-ACCB86C69C09}");
PINWEAVE_STREAM(IPNRQProcessingStream, IPNKDGenericStream,
                "{B6AF5535-52EC-42AC-B889-1DC144519FCA}");

// The stream types of the package with their display names, core marks and images (the PNG
// resource named after the interface in capitals), as the pin framework knows them once the
// package is started; the processing type is registered by the processing unit.
struct TKDStreamTypeDescription {
  kelvra::TGUID TypeID;
  std::string_view InterfaceName;  // "IPNKDRealStream"
  std::string_view DisplayName;    // empty for none
  bool Core;
  bool HasImage;
};
std::span<const TKDStreamTypeDescription> KDStreamTypeDescriptions();
// The framework's description of one of them, with its image looked up among the resources.
pinweave::TPNStreamTypeInfo KDStreamTypeInfo(const TKDStreamTypeDescription& ADescription);

// ---------------------------------------------------------------------------------------------
// Buffer pairs

// An ordered list of buffers sent as one item.
class IRQBufferPair : public virtual kelvra::IInterface {
 public:
  static constexpr kelvra::TGUID IID =
      kelvra::TGUID::Parse("{2C4AEFEE-8B52-45F9-BBBB-0EA6E2F11FDE}");
  virtual int32_t GetCount() = 0;
  // ERangeError ("Index out of range = %u") outside 0 .. GetCount - 1.
  virtual kelvra::TIntf<IKDDataBuffer> GetBuffer(int32_t AIndex) = 0;
  virtual void SetBuffer(int32_t AIndex, const kelvra::TIntf<IKDDataBuffer>& ABuffer) = 0;
};

class TRQBufferPair : public kelvra::TInterfacedObject, public virtual IRQBufferPair {
 public:
  static kelvra::TIntf<TRQBufferPair> Create() { return new TRQBufferPair(); }
  int32_t GetCount() override;
  kelvra::TIntf<IKDDataBuffer> GetBuffer(int32_t AIndex) override;
  void SetBuffer(int32_t AIndex, const kelvra::TIntf<IKDDataBuffer>& ABuffer) override;
  void AddBuffer(const kelvra::TIntf<IKDDataBuffer>& ABuffer);
  bool QueryInterface(const kelvra::TGUID& iid, void** out) override {
    return AnswerInterfaces<TRQBufferPair, IRQBufferPair>(this, iid, out);
  }

 private:
  TRQBufferPair() = default;
  void CheckIndex(int32_t AIndex);
  std::mutex lock_;
  std::vector<kelvra::TIntf<IKDDataBuffer>> FList;
};

// ---------------------------------------------------------------------------------------------
// The stream type registry

using TKDPNCreateBufferFunction = kelvra::TIntf<IKDGenericBuffer> (*)(int32_t ASize);
using TKDPNUpdateBufferFunction = void (*)(TKDGenericBuffer& ABuffer,
                                           const pinweave::TPNOperation& AOperation);

struct TKDPNStreamTypeEntry {
  kelvra::TGUID TypeID;
  int32_t SampleSize;
  TKDPNCreateBufferFunction CreateBuffer;
  TKDPNUpdateBufferFunction UpdateBuffer;
};

// Registers a type, or, for a GUID registered before, replaces its functions (the sample size
// stays as first registered). Without AUpdateBuffer the update does nothing.
void KDPNRegisterStreamType(const kelvra::TGUID& ATypeID, int32_t ASampleSize,
                            TKDPNCreateBufferFunction ACreateBuffer,
                            TKDPNUpdateBufferFunction AUpdateBuffer);
void KDPNRegisterStreamType(const kelvra::TGUID& ATypeID, int32_t ASampleSize,
                            TKDPNCreateBufferFunction ACreateBuffer);
int32_t KDPNGetStreamTypesCount();
// The GUID of the entry at AIndex, in registration order; ERangeError outside the entries.
kelvra::TGUID KDPNGetStreamType(int32_t AIndex);
// A buffer of ASize samples of the type; null when the type is not registered.
kelvra::TIntf<IKDGenericBuffer> KDPNCreateBuffer(const kelvra::TGUID& ATypeID, int32_t ASize);
// The bytes per sample of the type; 1 when it is not registered.
int32_t KDPNGetSampleSize(const kelvra::TGUID& ATypeID);
// Lets the type adjust ABuffer for AOperation; nothing for a type not registered.
void KDPNUpdateBuffer(const kelvra::TGUID& ATypeID, TKDGenericBuffer& ABuffer,
                      const pinweave::TPNOperation& AOperation);

// The pin framework's default handler of the channel family: a sample-rate start reaching a KD
// real peer arrives at an eighth of its rate, at a KD integer peer at a quarter; any other
// operation reaches a peer of the signal streams unchanged; other peers get nothing.
pinweave::TPNNotifyResult DefaultKDChannelNotificationHandler(
    pinweave::TPNPin* APin, pinweave::IPNStream* AStream, const kelvra::TGUID& ATypeID,
    const pinweave::TPNOperation& AOperation, pinweave::TPNNotifyState AState);

// ---------------------------------------------------------------------------------------------
// Operations

// The image the GDI+ image pins carry.
using kelvra::IGPImage;

enum TShiftStateMember : uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = kelvra::TSet<TShiftStateMember, uint8_t>;
enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// An operation class whose Create takes its constructor's arguments.
#define CORVANE_OPERATION(Name, Parent)                                                       \
  class Name : public Parent {                                                                \
   public:                                                                                    \
    static const kelvra::TClassRef ClassRef;                                                  \
    const kelvra::TClassRef& ClassType() const override { return ClassRef; }                  \
    template <class... TArgs>                                                                 \
    static pinweave::TPNOperation Create(TArgs&&... AArgs) {                                  \
      return new Name(std::forward<TArgs>(AArgs)...);                                         \
    }                                                                                         \
                                                                                              \
   protected:                                                                                 \
    using TInherited = Parent;                                                                \
    using TInherited::TInherited;                                                             \
  };                                                                                          \
  inline constexpr kelvra::TClassRef Name::ClassRef = kelvra::ClassRefOf<Name, Parent>(#Name)

// Data: any IKDData; for a buffer, the sample count is the size it reports.
class TPNSuppliedBufferOperation
    : public pinweave::TPNTypedSuppliedOperation<kelvra::TIntf<IKDData>> {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static pinweave::TPNOperation Create(const kelvra::TIntf<IKDData>& AValue) {
    return new TPNSuppliedBufferOperation(AValue);
  }
  // An operation that borrows AValue from a caller who holds it until the operation's first
  // reference is dropped, as a submit does for its delivery: the buffer gets a reference of the
  // operation's own only when someone keeps the operation (adds a second reference), so that a
  // delivery whose receivers keep nothing changes no reference count of the buffer.
  static pinweave::TPNOperation Borrow(const kelvra::TIntf<IKDData>& AValue);
  // Asked of the buffer when wanted, so that a submit does not pay for it.
  uint32_t SampleCount() const override;
  int32_t _AddRef() override;

 protected:
  explicit TPNSuppliedBufferOperation(const kelvra::TIntf<IKDData>& AValue)
      : TPNTypedSuppliedOperation(AValue) {}
  ~TPNSuppliedBufferOperation() override;

 private:
  struct TBorrowed {};
  TPNSuppliedBufferOperation(const kelvra::TIntf<IKDData>& AValue, TBorrowed)
      : TPNTypedSuppliedOperation(kelvra::TIntf<IKDData>::Adopt(AValue.get())), borrowed_(true) {}

  std::atomic<bool> borrowed_{false};  // value_ holds the lender's reference, not one of its own
};
inline constexpr kelvra::TClassRef TPNSuppliedBufferOperation::ClassRef =
    kelvra::ClassRefOf<TPNSuppliedBufferOperation,
                       pinweave::TPNTypedSuppliedOperation<kelvra::TIntf<IKDData>>>(
        "TPNSuppliedBufferOperation");

// A buffer of a component's own making, with whether the component is enabled.
class TPNInternalBufferOperation : public TPNSuppliedBufferOperation {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static pinweave::TPNOperation Create(bool AEnabled, const kelvra::TIntf<IKDData>& AValue) {
    return new TPNInternalBufferOperation(AEnabled, AValue);
  }
  bool Enabled() const { return enabled_; }

 private:
  TPNInternalBufferOperation(bool AEnabled, const kelvra::TIntf<IKDData>& AValue)
      : TPNSuppliedBufferOperation(AValue), enabled_(AEnabled) {}
  bool enabled_;
};
inline constexpr kelvra::TClassRef TPNInternalBufferOperation::ClassRef =
    kelvra::ClassRefOf<TPNInternalBufferOperation, TPNSuppliedBufferOperation>(
        "TPNInternalBufferOperation");

CORVANE_OPERATION(TPNSuppliedBufferPairOperation,
                  pinweave::TPNTypedSuppliedOperation<kelvra::TIntf<IRQBufferPair>>);

// A start at a sample rate (samples per second).
class TPNStartSampleRateOperation : public pinweave::TPNStartRateOperation {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static pinweave::TPNOperation Create(double ASampleRate) {
    return new TPNStartSampleRateOperation(ASampleRate);
  }
  const double SampleRate;

 protected:
  explicit TPNStartSampleRateOperation(double ASampleRate)
      : TPNStartRateOperation(ASampleRate), SampleRate(ASampleRate) {}
};
inline constexpr kelvra::TClassRef TPNStartSampleRateOperation::ClassRef =
    kelvra::ClassRefOf<TPNStartSampleRateOperation, pinweave::TPNStartRateOperation>(
        "TPNStartSampleRateOperation");

CORVANE_OPERATION(TPNStartSpectrumOperation, TPNStartSampleRateOperation);
CORVANE_OPERATION(TPNStartIntensityOperation, TPNStartSampleRateOperation);
PINWEAVE_OPERATION(TPNKDPauseOperation, pinweave::TPNNotifyOperation);
PINWEAVE_OPERATION(TPNKDResumeOperation, pinweave::TPNNotifyOperation);

// A text that lasts DurationTime (in 100 ns).
class TPNKDDurationTimeSuppliedStringOperation
    : public pinweave::TPNTypedSuppliedOperation<std::string> {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static pinweave::TPNOperation Create(std::string AValue, int64_t ADurationTime) {
    return new TPNKDDurationTimeSuppliedStringOperation(std::move(AValue), ADurationTime);
  }
  const int64_t DurationTime;

 private:
  TPNKDDurationTimeSuppliedStringOperation(std::string AValue, int64_t ADurationTime)
      : TPNTypedSuppliedOperation(std::move(AValue), 0), DurationTime(ADurationTime) {}
};
inline constexpr kelvra::TClassRef TPNKDDurationTimeSuppliedStringOperation::ClassRef =
    kelvra::ClassRefOf<TPNKDDurationTimeSuppliedStringOperation,
                       pinweave::TPNTypedSuppliedOperation<std::string>>(
        "TPNKDDurationTimeSuppliedStringOperation");

// A text shown from StartTime to EndTime (in 100 ns).
class TPNKDTimeSuppliedStringOperation : public pinweave::TPNTypedSuppliedOperation<std::string> {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static pinweave::TPNOperation Create(std::string AValue, int64_t AStartTime, int64_t AEndTime) {
    return new TPNKDTimeSuppliedStringOperation(std::move(AValue), AStartTime, AEndTime);
  }
  const int64_t StartTime, EndTime;

 private:
  TPNKDTimeSuppliedStringOperation(std::string AValue, int64_t AStartTime, int64_t AEndTime)
      : TPNTypedSuppliedOperation(std::move(AValue), 0), StartTime(AStartTime), EndTime(AEndTime) {}
};
inline constexpr kelvra::TClassRef TPNKDTimeSuppliedStringOperation::ClassRef =
    kelvra::ClassRefOf<TPNKDTimeSuppliedStringOperation,
                       pinweave::TPNTypedSuppliedOperation<std::string>>(
        "TPNKDTimeSuppliedStringOperation");

CORVANE_OPERATION(TPNKDSuppliedBasicMouseOperation, pinweave::TPNSuppliedOperation);
CORVANE_OPERATION(TPNKDSuppliedMouseEnterOperation, TPNKDSuppliedBasicMouseOperation);
CORVANE_OPERATION(TPNKDSuppliedMouseLeaveOperation, TPNKDSuppliedBasicMouseOperation);

// A mouse event at X, Y with the keys and buttons held.
class TPNKDSuppliedMouseOperation : public TPNKDSuppliedBasicMouseOperation {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static pinweave::TPNOperation Create(TShiftState AShift, int32_t AX, int32_t AY) {
    return new TPNKDSuppliedMouseOperation(AShift, AX, AY);
  }
  const TShiftState Shift;
  const int32_t X, Y;

 protected:
  TPNKDSuppliedMouseOperation(TShiftState AShift, int32_t AX, int32_t AY)
      : Shift(AShift), X(AX), Y(AY) {}
};
inline constexpr kelvra::TClassRef TPNKDSuppliedMouseOperation::ClassRef =
    kelvra::ClassRefOf<TPNKDSuppliedMouseOperation, TPNKDSuppliedBasicMouseOperation>(
        "TPNKDSuppliedMouseOperation");

CORVANE_OPERATION(TPNKDSuppliedMouseMoveOperation, TPNKDSuppliedMouseOperation);
CORVANE_OPERATION(TPNKDSuppliedMouseWheelUpOperation, TPNKDSuppliedMouseOperation);
CORVANE_OPERATION(TPNKDSuppliedMouseWheelDownOperation, TPNKDSuppliedMouseOperation);

// A mouse button event.
class TPNKDSuppliedMouseButtonOperation : public TPNKDSuppliedMouseOperation {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static pinweave::TPNOperation Create(TMouseButton AButton, TShiftState AShift, int32_t AX,
                                       int32_t AY) {
    return new TPNKDSuppliedMouseButtonOperation(AButton, AShift, AX, AY);
  }
  const TMouseButton Button;

 protected:
  TPNKDSuppliedMouseButtonOperation(TMouseButton AButton, TShiftState AShift, int32_t AX,
                                    int32_t AY)
      : TPNKDSuppliedMouseOperation(AShift, AX, AY), Button(AButton) {}
};
inline constexpr kelvra::TClassRef TPNKDSuppliedMouseButtonOperation::ClassRef =
    kelvra::ClassRefOf<TPNKDSuppliedMouseButtonOperation, TPNKDSuppliedMouseOperation>(
        "TPNKDSuppliedMouseButtonOperation");

CORVANE_OPERATION(TPNKDSuppliedMouseButtonDownOperation, TPNKDSuppliedMouseButtonOperation);
CORVANE_OPERATION(TPNKDSuppliedMouseButtonUpOperation, TPNKDSuppliedMouseButtonOperation);

// An image.
class TPNGDIPlusSuppliedImageOperation : public pinweave::TPNSuppliedOperation {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static pinweave::TPNOperation Create(const kelvra::TIntf<IGPImage>& AValue) {
    return new TPNGDIPlusSuppliedImageOperation(AValue);
  }
  const kelvra::TIntf<IGPImage> Value;

 private:
  explicit TPNGDIPlusSuppliedImageOperation(const kelvra::TIntf<IGPImage>& AValue)
      : Value(AValue) {}
};
inline constexpr kelvra::TClassRef TPNGDIPlusSuppliedImageOperation::ClassRef =
    kelvra::ClassRefOf<TPNGDIPlusSuppliedImageOperation, pinweave::TPNSuppliedOperation>(
        "TPNGDIPlusSuppliedImageOperation");

// ---------------------------------------------------------------------------------------------
// Unit start and end

void StartKDStreamTypes();
void FinishKDStreamTypes();

int32_t KDGetDecimalPoints(double A, double B, int32_t APrecision, bool AFixed);

std::string KDGetScaleTickText(double AValue, double A, double B, bool AFixed, uint32_t APrecision,
                               bool AScientific,
                               const kelvra::TFormatSettings& ASettings = {});

}  // namespace corvane
