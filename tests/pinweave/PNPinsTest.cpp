#include "pinweave/PNPins.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include "kelvra/Kelvra.Components.Streaming.h"

namespace pinweave {
namespace {

using kelvra::TGUID;

// Stream types of the tests: two plain ones, a core one, and one that only a converter reaches.
PINWEAVE_STREAM(ITestAStream, IPNDataStream, "{A0000000-0000-0000-0000-00000000000A}");
PINWEAVE_STREAM(ITestBStream, IPNDataStream, "{B0000000-0000-0000-0000-00000000000B}");
PINWEAVE_STREAM(ITestCoreStream, IPNDataStream, "{C0000000-0000-0000-0000-00000000000C}");
PINWEAVE_STREAM(ITestDStream, IPNDataStream, "{D0000000-0000-0000-0000-00000000000D}");
constexpr TGUID kA = ITestAStream::IID, kB = ITestBStream::IID, kCore = ITestCoreStream::IID,
                kD = ITestDStream::IID;

// What a pin's component received: the class of each operation, with its state and type.
struct TReceived {
  std::string Operation;
  TPNNotifyState State;
  TGUID Type;
};

class TRecorder {
 public:
  TPNBasicPinNotificationEvent Handler() {
    return [this](TPNPin*, TPNPin*, const TGUID& AType, const TPNOperation& AOperation,
                  TPNNotifyState AState) {
      std::lock_guard guard(lock_);
      received_.push_back(
          {std::string(AOperation->GetInstance()->ClassType().Name()), AState, AType});
      operations_.push_back(AOperation.get());
      return TPNNotifyResult{true};
    };
  }
  std::vector<TReceived> Received() const {
    std::lock_guard guard(lock_);
    return received_;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& r : Received()) names.push_back(r.Operation);
    return names;
  }
  std::vector<IPNNotifyOperation*> Operations() const {
    std::lock_guard guard(lock_);
    return operations_;
  }

 private:
  mutable std::mutex lock_;
  std::vector<TReceived> received_;
  std::vector<IPNNotifyOperation*> operations_;
};

// A source that tells the sink it leaves with a stop, and a sink, each of the given types.
class TTestSource : public TPNDispatchSourcePin {
 public:
  TTestSource(std::initializer_list<TGUID> ATypes, TPNBasicPinNotificationEvent AHandler = {},
              const TPNOwnerSetter& AOwner = {})
      : TPNDispatchSourcePin(AOwner, nullptr, std::move(AHandler)) {
    for (const TGUID& type : ATypes) AddType(type, &PNForward);
  }

 protected:
  void IntDisconnect(TPNPin& APeer) override {
    NotifyPin(&APeer, TPNNotifyOperation::Create(TPNStopOperation::ClassRef));
    TPNDispatchSourcePin::IntDisconnect(APeer);
  }
};

template <class TBase = TPNDispatchSinkPin>
class TTestSink : public TBase {
 public:
  TTestSink(std::initializer_list<TGUID> ATypes, TPNBasicPinNotificationEvent AHandler = {},
            const TPNOwnerSetter& AOwner = {})
      : TBase(AOwner, nullptr, std::move(AHandler)) {
    for (const TGUID& type : ATypes) this->AddType(type, &PNForward);
  }
};
using TTestMultiSink = TTestSink<TPNDispatchMultiSinkPin>;

// Converts A to B; counts its live instances. Operations are passed on as they come, a supplied
// integer becomes a supplied double.
std::atomic<int> liveConverters{0};
class TAToBConverter : public TPNFormatConverter {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TAToBConverter() {
    ++liveConverters;
    SetPins(std::make_unique<TTestSink<>>(
                std::initializer_list<TGUID>{kA},
                [this](TPNPin*, TPNPin*, const TGUID&, const TPNOperation& AOperation,
                       TPNNotifyState) {
                  if (auto* value = OperationAs<TPNTypedSuppliedOperation<int32_t>>(AOperation))
                    return Source().Notify(TPNTypedSuppliedOperation<double>::Create(value->Value()));
                  return Source().Notify(AOperation);
                }),
            std::make_unique<TTestSource>(std::initializer_list<TGUID>{kB}, SourceOperationEvent()));
  }
  ~TAToBConverter() override { --liveConverters; }
};
inline constexpr kelvra::TClassRef TAToBConverter::ClassRef =
    kelvra::ClassRefOf<TAToBConverter, TPNFormatConverter>(
        "TAToBConverter", {.ConvertFrom = kA, .ConvertTo = kB});

// A second converter that also fits A to B: registered later, never chosen.
class TLaterAToBConverter : public TAToBConverter {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
};
inline constexpr kelvra::TClassRef TLaterAToBConverter::ClassRef =
    kelvra::ClassRefOf<TLaterAToBConverter, TAToBConverter>(
        "TLaterAToBConverter", {.ConvertFrom = kA, .ConvertTo = kB});

constexpr const kelvra::TClassRef* kConverters[] = {&TAToBConverter::ClassRef,
                                                    &TLaterAToBConverter::ClassRef};
const TPNStreamTypeInfo kStreams[] = {
    {kA, "Test A"}, {kB, "Test B"}, {kCore, "Test Core", true}, {kD, "Test D"}};

TPNOperation Op(const kelvra::TClassRef& AClass) { return TPNNotifyOperation::Create(AClass); }

class PinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PNRegisterStreams(kStreams);
    PNRegisterTypeConverters(kConverters);
    persistents_ = kelvra::TPersistent::LiveInstances();
  }
  void TearDown() override {
    PNUnregisterTypeConverters(kConverters);
    PNUnregisterStreams(kStreams);
    EXPECT_EQ(kelvra::TPersistent::LiveInstances(), persistents_) << "pins leaked";
    EXPECT_EQ(liveConverters.load(), 0) << "converters leaked";
  }

 private:
  int64_t persistents_ = 0;
};

TEST_F(PinTest, OperationsAreMadeByClassAndKnowTheirAncestors) {
  const TPNOperation stop = Op(TPNEndStopOperation::ClassRef);
  EXPECT_TRUE(stop->IsType(TPNStopOperation::ClassRef));
  EXPECT_FALSE(stop->IsType(TPNStartOperation::ClassRef));
  EXPECT_EQ(OperationAs<TPNStartOperation>(stop), nullptr);
  EXPECT_THROW(Op(TPNStartRateOperation::ClassRef), kelvra::EAbstractError)
      << "a class that needs a rate";
  const TPNOperation rate = TPNStartRateOperation::Create(48000);
  EXPECT_EQ(OperationAs<TPNStartOperation>(rate), rate->GetInstance());
}

TEST_F(PinTest, NotifyHandsTheOneOperationToEverySinkInConnectionOrder) {
  TRecorder first, second, upstream;
  TTestSource source({kA}, upstream.Handler());
  TTestSink<> sink1({kA}, first.Handler()), sink2({kA}, second.Handler());
  Connect(source, sink1);
  Connect(sink2, source);  // either order of arguments
  const TPNOperation data = TPNTypedSuppliedOperation<int32_t>::Create(7);
  EXPECT_TRUE(source.Notify(data).Handled);
  ASSERT_EQ(first.Operations(), std::vector<IPNNotifyOperation*>{data.get()});
  ASSERT_EQ(second.Operations(), std::vector<IPNNotifyOperation*>{data.get()});
  EXPECT_FALSE(first.Received()[0].State.Contains(nsLastReceiver));
  EXPECT_TRUE(second.Received()[0].State.Contains(nsLastReceiver)) << "the last sink";
  EXPECT_EQ(source.LinkedPins(), (std::vector<TPNPin*>{&sink1, &sink2}));

  sink2.Notify(TPNPumpRequestOperation::Create());
  EXPECT_EQ(upstream.Names(), std::vector<std::string>{"TPNPumpRequestOperation"})
      << "a sink sends upstream to its source's component";
}

TEST_F(PinTest, NegotiationPrefersTheSinksOrderAndLeavesCoreTypesLast) {
  TTestSource source({kCore, kA, kB});
  TTestSink<> sink({kCore, kB, kA});
  Connect(source, sink);
  EXPECT_EQ(sink.GetConnectedID(), kB);
  TTestSink<> coreOnly({kD, kCore});
  Connect(source, coreOnly);
  EXPECT_EQ(coreOnly.GetDownStreamID(), kCore) << "a core type when nothing else fits";
  EXPECT_TRUE(source.IsConnectedByIDs(std::vector<TGUID>{kCore}));
}

TEST_F(PinTest, AConverterBridgesTypesAndLivesAsLongAsTheConnection) {
  TRecorder received, upstream;
  TTestSource source({kA, kCore}, upstream.Handler());
  TTestSink<> sink({kB, kCore}, received.Handler());
  Connect(source, sink);
  EXPECT_EQ(liveConverters.load(), 1) << "preferred to the shared core type, and only the first";
  EXPECT_EQ(sink.GetConnectedID(), kA);
  EXPECT_EQ(sink.GetDownStreamID(), kB);
  source.Notify(TPNTypedSuppliedOperation<int32_t>::Create(3));
  sink.Notify(TPNPumpRequestOperation::Create());
  EXPECT_EQ(upstream.Names(), std::vector<std::string>{"TPNPumpRequestOperation"});
  Disconnect(source, sink);
  EXPECT_EQ(liveConverters.load(), 0);
  const auto names = received.Names();
  EXPECT_EQ(names, (std::vector<std::string>{"TPNTypedSuppliedOperation", "TPNStopOperation"}))
      << "the stop of the disconnect passes the converter";
  EXPECT_EQ(received.Received()[0].Type, kB);
}

TEST_F(PinTest, ImpossibleConnectionsAreRefusedAndChangeNothing) {
  TTestSource source({kD}, {}, [](TPNPin& APin) { APin.SetOwner(nullptr, "Out"); });
  TTestSource other({kB});
  TTestSink<> sink({kB}, {}, [](TPNPin& APin) { APin.SetOwner(nullptr, "In"); });
  Connect(other, sink);
  try {
    Connect(source, sink);
    FAIL() << "connected without a common type";
  } catch (const EPNConnectError& error) {
    EXPECT_STREQ(error.what(),
                 "Cannot connect Out (Test D) to In (Test B): no stream type or converter fits "
                 "both");
  }
  EXPECT_EQ(sink.SourcePins(), std::vector<TPNPin*>{&other}) << "the former source stays";
  EXPECT_THROW(Connect(sink, sink), EPNConnectError);
  EXPECT_THROW(Connect(source, other), EPNConnectError);
  EXPECT_FALSE(source.IsConnected());
}

TEST_F(PinTest, APlainSinkReplacesItsSourceAMultiSinkKeepsThemAll) {
  TRecorder received;
  TTestSource first({kA}), second({kA});
  TTestSink<> sink({kA}, received.Handler());
  TTestMultiSink multi({kA});
  for (TPNPin* pin : {&first, &second}) {
    Connect(*pin, sink);
    Connect(*pin, multi);
  }
  EXPECT_EQ(sink.SourcePins(), std::vector<TPNPin*>{&second});
  EXPECT_EQ(first.LinkCount(), 1) << "to the multi-sink only";
  EXPECT_EQ(multi.SourcePins(), (std::vector<TPNPin*>{&first, &second}));
  EXPECT_EQ(received.Names(), std::vector<std::string>{"TPNStopOperation"})
      << "the replaced source says goodbye";
}

TEST_F(PinTest, ASourceMayLimitItsSinks) {
  TPNBasicDispatchSourcePin source({}, nullptr, {}, 1);
  source.AddType(kA, &PNForward);
  TTestSink<> sink1({kA}), sink2({kA});
  Connect(source, sink1);
  EXPECT_THROW(Connect(source, sink2), EPNConnectError);
  EXPECT_FALSE(sink2.IsConnected());
}

TEST_F(PinTest, TypesWithoutHandlerUseTheRegisteredDefault) {
  TRecorder received;
  int defaultCalls = 0;
  PNRegisterDefaultHandler(kA, [&](TPNPin* ASender, IPNStream* AStream, const TGUID& AType,
                                   const TPNOperation& AOperation, TPNNotifyState AState) {
    ++defaultCalls;
    return AStream->DispatchOperation(ASender, AType, AOperation, AState);
  });
  TPNDispatchSourcePin source({}, nullptr, {});
  source.AddType(kA, {});
  TTestSink<> sink({kA}, received.Handler());
  Connect(source, sink);
  source.Notify(Op(TPNStartOperation::ClassRef));
  PNUnregisterDefaultHandler(kA);
  EXPECT_EQ(defaultCalls, 1);
  EXPECT_EQ(received.Names(), std::vector<std::string>{"TPNStartOperation"});
}

// A pin class that names its types in its class attributes, below one that names others.
constexpr TGUID kParentTypes[] = {kB}, kChildTypes[] = {kA, kD};
class TParentSink : public TPNDispatchSinkPin {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  TParentSink() : TPNDispatchSinkPin({}, nullptr, {}) {
    AddType(kCore, &PNForward);
    PopulateTypes(&PNForward);
  }
};
inline constexpr kelvra::TClassRef TParentSink::ClassRef =
    kelvra::ClassRefOf<TParentSink, TPNDispatchSinkPin>("TParentSink",
                                                        {.StreamTypes = kParentTypes});
class TChildSink : public TParentSink {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
};
inline constexpr kelvra::TClassRef TChildSink::ClassRef =
    kelvra::ClassRefOf<TChildSink, TParentSink>("TChildSink", {.StreamTypes = kChildTypes});

TEST_F(PinTest, PopulateTypesAddsTheClassAttributesAncestorsFirst) {
  TChildSink sink;
  std::vector<TGUID> types;
  for (const auto& [type, handler] : sink.Types()) types.push_back(type);
  EXPECT_EQ(types, (std::vector<TGUID>{kCore, kB, kA, kD}));
  sink.AddType(kD, &PNForward, true);  // known: keeps its place
  sink.AddType(kCore, &PNForward);
  sink.ClearTypes();
  EXPECT_TRUE(sink.Types().empty());
  EXPECT_EQ(sink.MakeShortName("InputPin"), "Input");
  EXPECT_EQ(sink.MakeShortName("Pin"), "Pin");
}

TEST_F(PinTest, TypedSinksKeepTheValueAndListSinksTellANewLength) {
  std::vector<double> values;
  TPNRealSinkPin real({}, nullptr, {}, [&](TPNPin*, const double& AValue) {
    values.push_back(AValue);
  });
  std::vector<bool> lengthChanges;
  TPNIntegerListSinkPin list({}, nullptr, {}, [&](TPNPin*, std::span<const int32_t>, bool AChanged) {
    lengthChanges.push_back(AChanged);
  });
  TTestSource source({IPNRealStream::IID, IPNIntegerListStream::IID});
  Connect(source, real);
  Connect(source, list);
  source.Notify(TPNTypedSuppliedOperation<double>::Create(1.5));
  for (auto items : {std::vector<int32_t>{1, 2}, {3, 4}, {5}})
    source.Notify(TPNTypedSuppliedOperation<std::vector<int32_t>>::Create(items));
  EXPECT_EQ(real.Value(), 1.5);
  EXPECT_EQ(values, std::vector<double>{1.5});
  EXPECT_EQ(lengthChanges, (std::vector<bool>{true, false, true}));
  void* out = nullptr;
  EXPECT_TRUE(real.QueryInterface(IPNRealStream::IID, &out));
  EXPECT_FALSE(real.QueryInterface(IPNFloatStream::IID, &out));
}

// The state pin's own handler is asked; a peer served by PNForward gets the connection step's
// operation too, one served by PNForwardData data alone.
TEST_F(PinTest, AStatePinIsAskedForItsStateWhenANewPeerConnects) {
  TRecorder state;
  TPNStatePin source({}, nullptr, {});
  source.AddType(kA, [&](TPNPin* ASender, IPNStream*, const TGUID& AType,
                         const TPNOperation& AOperation, TPNNotifyState AState) {
    return state.Handler()(ASender, nullptr, AType, AOperation, AState);
  });
  TTestSink<> sink({kA});
  Connect(source, sink);
  ASSERT_EQ(state.Names(), std::vector<std::string>{"TPNConnectOperation"});
  EXPECT_TRUE(state.Received()[0].State.Contains(nsConnecting));

  TRecorder forwarded, dataOnly;
  TPNStatePin forwarding({}, nullptr, {}), forwardingData({}, nullptr, {});
  forwarding.AddType(kA, &PNForward);
  forwardingData.AddType(kA, &PNForwardData);
  TTestSink<> toForwarding({kA}, forwarded.Handler()), toData({kA}, dataOnly.Handler());
  Connect(forwarding, toForwarding);
  Connect(forwardingData, toData);
  forwardingData.Notify(Op(TPNStartOperation::ClassRef));
  EXPECT_EQ(forwarded.Names(), std::vector<std::string>{"TPNConnectOperation"});
  EXPECT_EQ(dataOnly.Names(), std::vector<std::string>{"TPNStartOperation"});
}

TEST_F(PinTest, APinThatGoesEndsItsConnections) {
  TTestSource source({kA});
  auto sink = std::make_unique<TTestSink<>>(std::initializer_list<TGUID>{kA});
  auto converted = std::make_unique<TTestSink<>>(std::initializer_list<TGUID>{kB});
  Connect(source, *sink);
  Connect(source, *converted);
  sink.reset();
  converted.reset();
  EXPECT_FALSE(source.IsConnected());
  EXPECT_EQ(source.Notify(Op(TPNStartOperation::ClassRef)).Handled, false);
}

// Sinks come and go while another thread sends: each sink gets a stop as the last thing from
// the source, once per disconnection.
TEST_F(PinTest, ConnectingAndDisconnectingWhileAnotherThreadNotifies) {
  struct TSinkLog {
    std::atomic<int> stops{0};
    std::atomic<bool> lastWasStop{false};
  };
  TTestSource source({kA, kCore});
  std::vector<std::unique_ptr<TSinkLog>> logs;
  std::vector<std::unique_ptr<TPNPin>> sinks;
  for (TGUID type : {kA, kB, kA, kB}) {  // B through a converter
    TSinkLog& log = *logs.emplace_back(std::make_unique<TSinkLog>());
    sinks.push_back(std::make_unique<TTestSink<>>(
        std::initializer_list<TGUID>{type},
        [&log](TPNPin*, TPNPin*, const TGUID&, const TPNOperation& AOperation, TPNNotifyState) {
          const bool stop = AOperation->IsType(TPNStopOperation::ClassRef);
          log.stops += stop;
          log.lastWasStop = stop;
          return TPNNotifyResult{};
        }));
  }
  std::atomic<bool> done{false};
  std::thread sender([&] {
    while (!done) source.Notify(TPNTypedSuppliedOperation<int32_t>::Create(1));
  });
  constexpr int kRounds = 200;
  for (int round = 0; round < kRounds; ++round) {
    const size_t i = size_t(round) % sinks.size();
    Connect(source, *sinks[i]);
    std::this_thread::yield();
    Disconnect(source, *sinks[i]);
    EXPECT_TRUE(logs[i]->lastWasStop) << "round " << round;
  }
  done = true;
  sender.join();
  for (const auto& log : logs) EXPECT_EQ(log->stops, kRounds / int(logs.size()));
}

// A component with a source and a sink pin, published as "OutputPin" and "InputPin".
class TPinHost : public kelvra::TComponent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  explicit TPinHost(kelvra::TComponent* AOwner)
      : TComponent(AOwner),
        FOutputPin(std::make_unique<TTestSource>(std::initializer_list<TGUID>{kA}, nullptr,
                                                 PinCustomOwnerSetter(this, "OutputPin"))),
        FInputPin(std::make_unique<TTestSink<>>(std::initializer_list<TGUID>{kB}, nullptr,
                                                PinCustomOwnerSetter(this, "InputPin"))) {
    InitDefaults(ClassRef);
  }
  std::unique_ptr<TPNPin> FOutputPin, FInputPin;
};
inline constexpr kelvra::TClassRef TPinHost::ClassRef = kelvra::ClassRefOf<TPinHost, TComponent>(
    "TPinHost", {.Properties = &TPinHost::Properties});
const kelvra::TPropertyTable& TPinHost::Properties() {
  static const kelvra::TPropertyTable table = kelvra::TPropertyTableBuilder<TPinHost>()
                                                  .Object("OutputPin", &TPinHost::FOutputPin)
                                                  .Object("InputPin", &TPinHost::FInputPin);
  return table;
}

TEST_F(PinTest, ASavedTreeReconnectsWhenLoaded) {
  kelvra::RegisterComponents(std::vector<const kelvra::TClassRef*>{&TPinHost::ClassRef});
  std::string text;
  {
    kelvra::TOwnedComponent<TPinHost> root(new TPinHost(nullptr));
    root->SetName("Root");
    auto* a = new TPinHost(root.get());
    a->SetName("A");
    auto* b = new TPinHost(root.get());
    b->SetName("B");
    Connect(*a->FOutputPin, *b->FInputPin);  // through the converter
    Connect(*b->FOutputPin, *root->FInputPin);
    text = kelvra::WriteComponentYaml(*root);
  }
  EXPECT_NE(text.find("SourcePin: \"A.OutputPin\""), std::string::npos) << text;
  const auto loaded = kelvra::ReadComponentYaml(text);
  auto& root = static_cast<TPinHost&>(*loaded);
  auto& a = static_cast<TPinHost&>(*root.FindComponent("A"));
  auto& b = static_cast<TPinHost&>(*root.FindComponent("B"));
  EXPECT_EQ(static_cast<TPNSinkPin&>(*b.FInputPin).SourcePins(),
            std::vector<TPNPin*>{a.FOutputPin.get()});
  EXPECT_EQ(static_cast<TPNSinkPin&>(*root.FInputPin).SourcePins(),
            std::vector<TPNPin*>{b.FOutputPin.get()});
  EXPECT_EQ(kelvra::WriteComponentYaml(root), text);
  EXPECT_THROW(kelvra::ReadComponentYaml(
                   "class: TPinHost\nproperties:\n  InputPin:\n    SourcePin: \"X.OutputPin\"\n..."),
               kelvra::EComponentStreamError);
}

}  // namespace
}  // namespace pinweave
