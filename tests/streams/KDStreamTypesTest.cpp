#include "corvane/streams/KDStreamTypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "corvane/buffers/KDSimpleDataBuffer.Integer.h"
#include "corvane/streams/KDStreamTypes.Pins.h"
#include "kelvra/Kelvra.Modules.h"
#include "kelvra/Kelvra.Types.LockComponents.h"
#include "tests/buffers/BufferTestSupport.h"

namespace corvane {
namespace {

using kelvra::TGUID;
using pinweave::TPNNotifyResult;
using pinweave::TPNOperation;

// A pin that offers the stream interfaces IStreams and logs the sample rates that reach it.
template <class... IStreams>
class TPeer : public pinweave::TPNDispatchSinkPin, public virtual IStreams... {
 public:
  TPeer()
      : TPNDispatchSinkPin({}, nullptr,
                           [this](pinweave::TPNPin*, pinweave::TPNPin*, const TGUID&,
                                  const TPNOperation& AOperation, pinweave::TPNNotifyState) {
                             const auto* start =
                                 pinweave::OperationAs<TPNStartSampleRateOperation>(AOperation);
                             received.push_back(start ? start->SampleRate : -1);
                             return TPNNotifyResult{true};
                           }) {
    (AddType(IStreams::IID, &pinweave::PNForward), ...);
  }
  bool QueryInterface(const TGUID& iid, void** out) override {
    return AnswerInterfaces<TPeer, IStreams...>(this, iid, out) ||
           TPNDispatchSinkPin::QueryInterface(iid, out);
  }
  std::vector<double> received;  // the rates, -1 for other operations
};

TEST_F(BufferTest, TheRegistryMakesBuffersOfFiveTypes) {
  ASSERT_EQ(KDPNGetStreamTypesCount(), 5);
  EXPECT_EQ(KDPNGetStreamType(0), IPNKDChannelStream::IID);
  EXPECT_THROW(KDPNGetStreamType(5), kelvra::ERangeError);
  const std::pair<TGUID, int32_t> sizes[] = {
      {IPNKDChannelStream::IID, 1}, {IPNKDBinaryStream::IID, 1}, {IPNKDRealStream::IID, 8},
      {IPNKDIntegerStream::IID, 4}, {IPNKDComplexStream::IID, 16}};
  for (const auto& [type, size] : sizes) {
    EXPECT_EQ(KDPNGetSampleSize(type), size);
    const auto buffer = KDPNCreateBuffer(type, 3);
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer->GetByteSize(), uint32_t(3 * size)) << type.ToString();
  }
  EXPECT_TRUE(kelvra::Supports<IKDRealBuffer>(KDPNCreateBuffer(IPNKDRealStream::IID, 1)));
  EXPECT_TRUE(kelvra::Supports<IKDIntegerBuffer>(KDPNCreateBuffer(IPNKDIntegerStream::IID, 1)));
  for (const TGUID& missing : {IPNKDBooleanStream::IID, IPNKDRealMatrixStream::IID}) {
    EXPECT_FALSE(KDPNCreateBuffer(missing, 4));
    EXPECT_EQ(KDPNGetSampleSize(missing), 1);
  }
}

kelvra::TIntf<IKDGenericBuffer> MakeTwoByteBlock(int32_t ASize) {
  return kelvra::Supports<IKDGenericBuffer>(TKDBlockBuffer::CreateSize(uint32_t(ASize) * 2));
}

TEST_F(BufferTest, RegisteringATypeAgainKeepsItsSampleSize) {
  KDPNRegisterStreamType(IPNKDRealStream::IID, 2, &MakeTwoByteBlock);
  EXPECT_EQ(KDPNGetSampleSize(IPNKDRealStream::IID), 8);
  EXPECT_EQ(KDPNGetStreamTypesCount(), 5);
  EXPECT_TRUE(kelvra::Supports<IKDBlockBuffer>(KDPNCreateBuffer(IPNKDRealStream::IID, 2)));
  FinishKDStreamTypes();  // back to the package's own registrations
  StartKDStreamTypes();
  EXPECT_TRUE(kelvra::Supports<IKDRealBuffer>(KDPNCreateBuffer(IPNKDRealStream::IID, 2)));
}

TEST_F(BufferTest, UnloadingAModuleDropsTheTypesItRegistered) {
  const auto module = kelvra::SafeLoadLibrary(TEST_MODULE);
  ASSERT_TRUE(module.Handle) << module.ErrorText;
  const auto moduleFunction = reinterpret_cast<TKDPNCreateBufferFunction (*)()>(
      kelvra::GetProcAddress(module.Handle, "TestModuleCreateBuffer"))();
  constexpr TGUID kModuleType = TGUID::Parse("{0B5E7A51-0000-4000-8000-00000000000A}");
  constexpr TGUID kOwnType = TGUID::Parse("{0B5E7A51-0000-4000-8000-00000000000B}");
  KDPNRegisterStreamType(kModuleType, 3, moduleFunction);
  KDPNRegisterStreamType(kOwnType, 5, &MakeTwoByteBlock);
  kelvra::FreeLibrary(module.Handle);
  EXPECT_EQ(KDPNGetSampleSize(kModuleType), 1) << "gone with its module";
  EXPECT_EQ(KDPNGetSampleSize(kOwnType), 5);
  EXPECT_EQ(KDPNGetStreamTypesCount(), 6);
  FinishKDStreamTypes();
  StartKDStreamTypes();
}

// A settings object and a component that declare clockable source pins as managed fields.
class TClockedSettings : public kelvra::TLockPersistent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties() {
    static const kelvra::TPropertyTable table =
        kelvra::TPropertyTableBuilder<TClockedSettings>().Managed("TickPin",
                                                                  &TClockedSettings::tickPin);
    return table;
  }
  TClockedSettings(kelvra::TPersistent* AOwner, kelvra::TIntf<kelvra::IChangeNotifyLock> ALock,
                   kelvra::TProcedure AOnChange)
      : TLockPersistent(AOwner, std::move(ALock), std::move(AOnChange)) {
    InitDefaults(ClassRef);
  }
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  std::unique_ptr<TKDPNClockableSourcePin> tickPin;
};
inline constexpr kelvra::TClassRef TClockedSettings::ClassRef =
    kelvra::ClassRefOf<TClockedSettings, kelvra::TLockPersistent>(
        "TClockedSettings", {.Properties = &TClockedSettings::Properties});

class TClocked : public kelvra::TLockComponent {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties() {
    static const kelvra::TPropertyTable table = kelvra::TPropertyTableBuilder<TClocked>()
                                                    .Managed("OutputPin", &TClocked::outputPin)
                                                    .AutoManaged("Settings", &TClocked::settings);
    return table;
  }
  explicit TClocked(kelvra::TComponent* AOwner) : TLockComponent(AOwner) { InitDefaults(ClassRef); }
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  std::unique_ptr<TKDPNClockableSourcePin> outputPin;
  std::unique_ptr<TClockedSettings> settings;
};
inline constexpr kelvra::TClassRef TClocked::ClassRef =
    kelvra::ClassRefOf<TClocked, kelvra::TLockComponent>("TClocked",
                                                         {.Properties = &TClocked::Properties});

TEST_F(BufferTest, AManagedClockableSourcePinIsMadeForItsComponent) {
  {
    kelvra::TOwnedComponent<TClocked> clocked(new TClocked(nullptr));
    for (auto [pin, name] : {std::pair{clocked->outputPin.get(), "OutputPin"},
                             std::pair{clocked->settings->tickPin.get(), "TickPin"}}) {
      ASSERT_TRUE(pin);
      EXPECT_EQ(pin->OwnerComponent(), clocked.get());
      EXPECT_EQ(pin->Name(), name);
      EXPECT_TRUE(pin->AcceptsType(pinweave::IPNClockStream::IID));
    }
    const auto makers = kelvra::FindManagedMakers(TKDPNClockableSourcePin::ClassRef);
    ASSERT_TRUE(makers);
    const std::unique_ptr<kelvra::TPersistent> byPath(
        makers->ForPath(clocked.get(), "Settings.OtherPin", clocked->GetLock()));
    EXPECT_EQ(static_cast<TKDPNClockableSourcePin&>(*byPath).Name(), "Settings.OtherPin");
  }
  FinishKDStreamTypes();
  EXPECT_THROW(kelvra::TOwnedComponent<TClocked>(new TClocked(nullptr)), kelvra::EAbstractError);
  StartKDStreamTypes();
}

TEST_F(BufferTest, TheChannelHandlerDividesSampleRatesForRealAndIntegerPeers) {
  TPeer<IPNKDRealStream, IPNKDGenericStream> real;
  TPeer<IPNKDIntegerStream, IPNKDGenericStream> integer;
  TPeer<IPNKDGenericStream> generic;
  TPeer<IPNKDUserControlStream> other;
  pinweave::TPNDispatchSourcePin source({}, nullptr, {});
  for (const TGUID& type : {IPNKDRealStream::IID, IPNKDIntegerStream::IID}) source.AddType(type, {});
  pinweave::Connect(source, real);
  pinweave::Connect(source, integer);
  source.Notify(TPNStartSampleRateOperation::Create(8000));
  EXPECT_EQ(real.received, std::vector<double>{1000});
  EXPECT_EQ(integer.received, std::vector<double>{2000});

  const auto call = [](pinweave::IPNStream& APeer, const TPNOperation& AOperation,
                       pinweave::TPNNotifyState AState = {}) {
    return DefaultKDChannelNotificationHandler(nullptr, &APeer, IPNKDChannelStream::IID,
                                               AOperation, AState)
        .Handled;
  };
  EXPECT_TRUE(call(generic, TPNStartSpectrumOperation::Create(8000)));
  EXPECT_TRUE(call(generic, pinweave::TPNNotifyOperation::Create(pinweave::TPNStopOperation::ClassRef)));
  EXPECT_EQ(generic.received, (std::vector<double>{8000, -1})) << "passed on unchanged";
  EXPECT_FALSE(call(other, TPNStartSampleRateOperation::Create(8000)));
  EXPECT_FALSE(call(real, TPNStartSampleRateOperation::Create(8000), {pinweave::nsConnecting}));
  EXPECT_TRUE(other.received.empty());
}

TEST_F(BufferTest, StreamTypesAreKnownToThePinFrameworkWithNamesAndImages) {
  const auto registered = pinweave::PNRegisteredStreams();
  const TGUID order[] = {IPNKDBinaryStream::IID,    IPNKDBooleanStream::IID,
                         IPNKDRealStream::IID,      IPNKDRealRangedStream::IID,
                         IPNKDIntegerStream::IID,   IPNKDComplexStream::IID,
                         IPNKDUniversalStream::IID, IPNKDChannelStream::IID,
                         IPNKDPairedStream::IID,    IPNKDRealMatrixStream::IID,
                         IPNKDUserControlStream::IID, IPNGDIPlusImageStream::IID};
  // In this order among the others (the processing unit registers its type too).
  std::vector<TGUID> ours;
  for (const auto& info : registered)
    if (std::find(std::begin(order), std::end(order), info.TypeID) != std::end(order))
      ours.push_back(info.TypeID);
  EXPECT_EQ(ours, std::vector<TGUID>(std::begin(order), std::end(order)));
  EXPECT_EQ(pinweave::PNFindStream(IPNKDRealStream::IID)->Name, "KD Real Buffer");
  EXPECT_TRUE(pinweave::PNFindStream(IPNKDChannelStream::IID)->Core);
  EXPECT_FALSE(pinweave::PNFindStream(IPNKDPairedStream::IID)->Core);

  std::set<std::vector<uint8_t>> images;
  for (const auto& description : KDStreamTypeDescriptions()) {
    const auto image = KDStreamTypeInfo(description).Image;
    EXPECT_EQ(image.empty(), !description.HasImage) << description.InterfaceName;
    if (image.empty()) continue;
    const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_GT(image.size(), 33u);
    EXPECT_TRUE(std::equal(std::begin(signature), std::end(signature), image.begin()));
    EXPECT_EQ(std::string(image.begin() + 12, image.begin() + 16), "IHDR");
    images.emplace(image.begin(), image.end());
  }
  EXPECT_EQ(images.size(), 11u) << "eleven distinct images";
}

TEST_F(BufferTest, ABufferPairHoldsBuffersInOrder) {
  const auto pair = TRQBufferPair::Create();
  pair->AddBuffer(Real({1}));
  pair->AddBuffer(TKDIntegerBuffer::CreateSize(2));
  EXPECT_EQ(pair->GetCount(), 2);
  pair->SetBuffer(0, Real({2, 3}));
  EXPECT_EQ(pair->GetBuffer(0)->GetSize(), 2u);
  EXPECT_TRUE(kelvra::Supports<IKDIntegerBuffer>(pair->GetBuffer(1)));
  try {
    pair->GetBuffer(2);
    FAIL();
  } catch (const kelvra::ERangeError& error) {
    EXPECT_STREQ(error.what(), "Index out of range = 2");
  }
  EXPECT_THROW(pair->SetBuffer(-1, nullptr), kelvra::ERangeError);
}

TEST_F(BufferTest, OperationsCarryTheirValues) {
  const auto data = Real({1, 2, 3});
  const TPNOperation supplied = TPNInternalBufferOperation::Create(true, data);
  const auto* buffer = pinweave::OperationAs<TPNSuppliedBufferOperation>(supplied);
  ASSERT_TRUE(buffer);
  EXPECT_EQ(buffer->SampleCount(), 3u) << "the size the buffer reports";
  EXPECT_EQ(buffer->Value().get(), static_cast<IKDData*>(data.get()));
  EXPECT_TRUE(pinweave::OperationAs<TPNInternalBufferOperation>(supplied)->Enabled());
  EXPECT_TRUE(supplied->IsType(pinweave::TPNSuppliedOperation::ClassRef));

  const TPNOperation spectrum = TPNStartSpectrumOperation::Create(44100);
  EXPECT_TRUE(spectrum->IsType(TPNStartSampleRateOperation::ClassRef));
  EXPECT_EQ(pinweave::OperationAs<pinweave::TPNStartRateOperation>(spectrum)->Rate(), 44100);

  const TPNOperation click = TPNKDSuppliedMouseButtonDownOperation::Create(mbRight, TShiftState{ssCtrl}, 4, 5);
  const auto* mouse = pinweave::OperationAs<TPNKDSuppliedMouseButtonOperation>(click);
  ASSERT_TRUE(mouse);
  EXPECT_EQ(mouse->Button, mbRight);
  EXPECT_TRUE(mouse->Shift.Contains(ssCtrl));
  EXPECT_EQ(mouse->X * 10 + mouse->Y, 45);
  EXPECT_TRUE(pinweave::TPNNotifyOperation::Create(TPNKDPauseOperation::ClassRef));
  EXPECT_EQ(pinweave::OperationAs<TPNKDTimeSuppliedStringOperation>(
                TPNKDTimeSuppliedStringOperation::Create("cue", 10, 20))
                ->EndTime,
            20);
}

}  // namespace
}  // namespace corvane
