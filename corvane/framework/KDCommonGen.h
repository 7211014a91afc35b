// Generators: components with an output pin and no data input, which decide who paces them,
// make one buffer per pace, and start and stop. A derived generator only fills buffers.
//
// Who paces a generator:
//   - an external clock: ClockSource csExternal, or csAuto with the clock pin connected; each
//     clock tick on the clock pin (or each Pump) makes one buffer;
//   - its own clock generator (KDClockGen.h), when nothing downstream claims it: it ticks every
//     (BufferSize × 10000000 × n) div round(SampleRate) units of 100 ns, with n, the buffers made
//     per tick, the smallest count that makes a tick last at least 1 ms;
//   - a master downstream: at each start the generator sends a pump request with its
//     PumpPriority; a downstream component that claims it with a higher priority
//     (TPNPumpRequestOperation::Claim) paces the generator by master pump operations, each of
//     which makes one buffer however many paths it comes by.
//
// A sample rate below 0.5 rounds to 0 and gives no interval: such a generator starts and sends
// its start downstream, but runs no clock of its own, so it makes buffers only when paced from
// outside (external clock, Pump, master). SampleRate 0 is stored as 0.000001, negative rates as 0.
//
// Stopping: Stop (Enabled false), a stop from downstream, or a fill that asks to stop (which
// turns Enabled off). The clock generator is released on the main thread: a program that runs
// generators calls kelvra::CheckSynchronize on its main thread.
//
// Threads: buffers are made on the clock generator's thread, the thread that delivers the
// external clock, or the thread that delivers the master's pump operations. Every production,
// start, stop and setter runs under the component lock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "corvane/buffers/KDSimpleDataBuffer.Block.h"
#include "corvane/buffers/KDSimpleDataBuffer.Complex.h"
#include "corvane/buffers/KDSimpleDataBuffer.Integer.h"
#include "corvane/buffers/KDSimpleDataBuffer.h"
#include "corvane/streams/KDStreamTypes.Pins.h"
#include "kelvra/Kelvra.Threading.BasicThread.h"
#include "kelvra/Kelvra.Types.LockComponents.h"

namespace corvane {

enum TKDClockSource : uint8_t { csAuto, csInternal, csExternal };
inline constexpr std::string_view kKDClockSourceNames[] = {"csAuto", "csInternal", "csExternal"};

using TKDNotifyEvent = std::function<void(kelvra::TObject* ASender)>;
using TKDStartNotify = std::function<void(kelvra::TObject* ASender, double ASampleRate)>;

// The clock interval (in units of 100 ns) and the buffers per tick of a generator that makes
// buffers of ABufferSize samples at ASampleRate; interval 0 when the rate rounds to 0.
struct TKDPumpInterval {
  int64_t Interval;
  int32_t BuffersPerGen;
};
TKDPumpInterval KDPumpInterval(int32_t ABufferSize, double ASampleRate);

// A generator is also a TObject: the object that pump operations and events name.
class TKDBasicCommonGen : public kelvra::TLockComponent, public kelvra::TObject {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TKDBasicCommonGen(kelvra::TComponent* AOwner);
  ~TKDBasicCommonGen() override;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  void Start() { SetEnabled(true); }
  void Stop() { SetEnabled(false); }
  bool GetEnabled() const { return FEnabled; }
  // Only a change acts: true starts (TryStart) unless designing; false stops (StreamStop).
  void SetEnabled(bool AValue);
  uint32_t GetPumpPriority() const { return FPumpPriority; }
  void SetPumpPriority(uint32_t AValue) { SetProperty(FPumpPriority, AValue); }
  TKDClockSource GetClockSource() const { return FClockSource; }
  void SetClockSource(TKDClockSource AValue);
  // Told at every stop, also the one that freeing the generator makes.
  void SetOnStop(TKDNotifyEvent AValue);
  pinweave::TPNClockMultiSinkPin* GetClockPin() const { return FClockPin.get(); }
  // Under the lock: any thread may ask.
  bool IsRunning();
  // Whether the generator paces itself (own or external clock) rather than being paced.
  bool IsPump() const { return FIsPump; }

  bool ClockIsExternal() const;
  // The samples per buffer and per second: 1 and 0 here, the properties' values below.
  virtual int32_t GetBufferSize() { return 1; }
  virtual double GetSampleRate() { return 0; }
  // One buffer when the clock is external.
  void Pump();
  // Starts unless loading, running already or unable to (GetCanStart).
  virtual void TryStart();
  // With AFlag, Enabled is cleared first; then an enabled generator starts.
  void CreateStart(bool AFlag) override;
  void BeforeDestruction() override;

 protected:
  // Sends AOperation out of the output pin(s).
  virtual void NotifyOutputPins(const TPNOperation& AOperation) = 0;
  virtual void RequestPump();
  virtual void IntStartStream();
  virtual void IntStart();
  virtual void StreamStop();
  virtual void StartPump() {}
  virtual bool GetCanStart() { return true; }
  // One buffer.
  virtual void IntPump() = 0;
  // The output pin's handler (see the top of this header).
  virtual TPNNotifyResult DispatchOperation(pinweave::TPNPin* APin, pinweave::TPNPin* AOtherPin,
                                            const kelvra::TGUID& AType,
                                            const TPNOperation& AOperation,
                                            TPNNotifyState AState);
  virtual void SetRate(double) {}
  virtual void NotifyIgnoreOutputPin();

  // The handler for the output pin, to hand to its constructor.
  pinweave::TPNBasicPinNotificationEvent OutputHandler();
  void MasterPump(kelvra::TObject* ASender, uint32_t AIdentifier);
  // A stop the generator asks for itself (a fill that asks to stop).
  void PostStop();
  // Retires the clock generator; the main thread releases it.
  void StopPump();

  std::unique_ptr<pinweave::TPNClockMultiSinkPin> FClockPin;
  bool FIsRunning = false;
  uint32_t FLastOperationID = 0;
  bool FFirstRequest = true;
  bool FIsPump = false;
  kelvra::TObject* FMasterPump = nullptr;  // compared only, never used: it may be gone
  bool FInStopping = false;
  double FPumpRate = 0;
  bool FEnabled = true;
  uint32_t FPumpPriority = 0;
  TKDNotifyEvent FOnStop;
  kelvra::TIntf<kelvra::IThread> FClockGen;  // under the lock; released on the main thread
  TKDClockSource FClockSource = csAuto;

 private:
  TPNNotifyResult ClockPinNotification(pinweave::TPNPin* APin, pinweave::TPNPin* AOtherPin,
                                       const kelvra::TGUID& AType, const TPNOperation& AOperation,
                                       TPNNotifyState AState);
  // Releases the retired clock generators, outside the lock.
  void ReleaseClockGens();

  std::vector<kelvra::TIntf<kelvra::IThread>> FRetiredClockGens;  // under the lock
};
inline constexpr kelvra::TClassRef TKDBasicCommonGen::ClassRef =
    kelvra::ClassRefOf<TKDBasicCommonGen, kelvra::TLockComponent>(
        "TKDBasicCommonGen", {.Properties = &TKDBasicCommonGen::Properties});

class TKDCommonGen : public TKDBasicCommonGen {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TKDCommonGen(kelvra::TComponent* AOwner);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  double GetSampleRate() override { return FSampleRate; }
  // 0 is stored as 0.000001, below 0 as 0; a running clock keeps its interval until the next
  // start.
  void SetSampleRate(double AValue);
  int32_t GetBuffersPerGen() const { return FBuffersPerGen; }
  // The interval of the running clock generator; 0 when none runs.
  int64_t ClockInterval();

 protected:
  void RequestPump() override;
  void IntStartStream() override;
  void StartPump() override;
  // Called first when the stream starts; nothing here.
  virtual void StartStream() {}
  // One tick of the own clock: IntPump BuffersPerGen times.
  void Clock();

  double FSampleRate = 100000;
  int32_t FBuffersPerGen = 1;
};
inline constexpr kelvra::TClassRef TKDCommonGen::ClassRef =
    kelvra::ClassRefOf<TKDCommonGen, TKDBasicCommonGen>(
        "TKDCommonGen", {.Properties = &TKDCommonGen::Properties});

class TKDCommonBufferGen : public TKDCommonGen {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TKDCommonBufferGen(kelvra::TComponent* AOwner);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  int32_t GetBufferSize() override { return FBufferSize; }
  // Never below 1.
  void SetBufferSize(int32_t AValue);
  // Told at each start, with the buffer size (as a double).
  void SetOnStart(TKDStartNotify AValue);

 protected:
  void IntStart() override;

  int32_t FBufferSize = 1024;
  TKDStartNotify FOnStart;
};
inline constexpr kelvra::TClassRef TKDCommonBufferGen::ClassRef =
    kelvra::ClassRefOf<TKDCommonBufferGen, TKDCommonGen>(
        "TKDCommonBufferGen", {.Properties = &TKDCommonBufferGen::Properties});

// Real generators: the fill operation gets a real buffer of BufferSize samples.
class TKDCommonBaseRealGen : public TKDCommonBufferGen {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TKDCommonBufferGen::TKDCommonBufferGen;

  // One value on request: a one-sample buffer through the fill operation; AValue takes its
  // sample when the fill sends. A fill that asks to stop stops the generator.
  void GenerateFloat(double& AValue);

 protected:
  // The fill operation: fills ABuffer; clears ASend to send nothing, sets AStop to stop after.
  virtual void IntGenerate(const kelvra::TIntf<IKDRealBuffer>& ABuffer, bool& ASend,
                           bool& AStop) = 0;
  // Sends a full buffer out of the output pin.
  virtual void SubmitBuffer(const kelvra::TIntf<IKDRealBuffer>& ABuffer) = 0;
  void IntPump() override;
};
inline constexpr kelvra::TClassRef TKDCommonBaseRealGen::ClassRef =
    kelvra::ClassRefOf<TKDCommonBaseRealGen, TKDCommonBufferGen>("TKDCommonBaseRealGen");

class TKDCommonRealGen : public TKDCommonBaseRealGen {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TKDCommonRealGen(kelvra::TComponent* AOwner);
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TKDPNComboRealSourcePin* GetOutputPin() const { return FOutputPin.get(); }

 protected:
  void NotifyOutputPins(const TPNOperation& AOperation) override;
  void SubmitBuffer(const kelvra::TIntf<IKDRealBuffer>& ABuffer) override;

  std::unique_ptr<TKDPNComboRealSourcePin> FOutputPin;
};
inline constexpr kelvra::TClassRef TKDCommonRealGen::ClassRef =
    kelvra::ClassRefOf<TKDCommonRealGen, TKDCommonBaseRealGen>(
        "TKDCommonRealGen", {.Properties = &TKDCommonRealGen::Properties});

// Block, complex and integer generators: the fill step makes and fills a buffer, which is sent
// in a supplied-buffer operation.
class TKDCommonPinBufferGen : public TKDCommonBufferGen {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  using TKDCommonBufferGen::TKDCommonBufferGen;

 protected:
  // A new buffer of BufferSize samples, filled; ASend and AStop as the fill operation's.
  virtual kelvra::TIntf<IKDData> FillBuffer(bool& ASend, bool& AStop) = 0;
  void IntPump() override;
};
inline constexpr kelvra::TClassRef TKDCommonPinBufferGen::ClassRef =
    kelvra::ClassRefOf<TKDCommonPinBufferGen, TKDCommonBufferGen>("TKDCommonPinBufferGen");

// The pin-buffer generator of one buffer type (TBuffer, with its interface) and output pin.
template <class TBuffer, class TPin>
class TKDCommonTypedGen : public TKDCommonPinBufferGen {
 public:
  using TBufferIntf = typename TBuffer::TBuffer;
  explicit TKDCommonTypedGen(kelvra::TComponent* AOwner)
      : TKDCommonPinBufferGen(AOwner),
        FOutputPin(std::make_unique<TPin>(pinweave::PinCustomOwnerSetter(this, "OutputPin"),
                                          GetLock(), OutputHandler())) {}
  TPin* GetOutputPin() const { return FOutputPin.get(); }

 protected:
  // The fill operation.
  virtual void IntGenerate(const TBufferIntf& ABuffer, bool& ASend, bool& AStop) = 0;
  kelvra::TIntf<IKDData> FillBuffer(bool& ASend, bool& AStop) override {
    const TBufferIntf buffer = TBuffer::CreateSize(uint32_t(FBufferSize));
    IntGenerate(buffer, ASend, AStop);
    return kelvra::TIntf<IKDData>(buffer.get());
  }
  void NotifyOutputPins(const TPNOperation& AOperation) override { FOutputPin->Notify(AOperation); }

  std::unique_ptr<TPin> FOutputPin;
};

#define CORVANE_TYPED_GEN(Name, Buffer, Pin)                                                    \
  class Name : public TKDCommonTypedGen<Buffer, Pin> {                                          \
   public:                                                                                      \
    static const kelvra::TClassRef ClassRef;                                                    \
    static const kelvra::TPropertyTable& Properties();                                          \
    const kelvra::TClassRef& ClassType() const override { return ClassRef; }                    \
    explicit Name(kelvra::TComponent* AOwner) : TKDCommonTypedGen(AOwner) {                     \
      InitDefaults(ClassRef);                                                                   \
    }                                                                                           \
  };                                                                                            \
  inline constexpr kelvra::TClassRef Name::ClassRef =                                           \
      kelvra::ClassRefOf<Name, TKDCommonPinBufferGen>(#Name, {.Properties = &Name::Properties})

CORVANE_TYPED_GEN(TKDCommonBlockGen, TKDBlockBuffer, TKDPNBinarySourcePin);
CORVANE_TYPED_GEN(TKDCommonComplexGen, TKDComplexBuffer, TKDPNComplexSourcePin);
CORVANE_TYPED_GEN(TKDCommonIntGen, TKDIntegerBuffer, TKDPNIntegerSourcePin);

}  // namespace corvane
