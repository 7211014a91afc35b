#include "corvane/streams/KDStreamTypes.Pins.h"

#include <gtest/gtest.h>

#include <cstring>

#include "corvane/buffers/KDSimpleDataBuffer.Boolean.h"
#include "corvane/buffers/KDSimpleDataBuffer.Complex.h"
#include "corvane/buffers/KDSimpleDataBuffer.Integer.h"
#include "corvane/buffers/KDSimpleDataBuffer.Matrix.h"
#include "corvane/streams/KDStreamTypes.Converters.h"
#include "tests/buffers/BufferTestSupport.h"

namespace corvane {
namespace {

using kelvra::TGUID;
using pinweave::TPNPin;

// What reached a sink's component: each operation, kept alive.
struct TInbox {
  std::vector<TPNOperation> operations;
  TPNBasicPinNotificationEvent Handler() {
    return [this](TPNPin*, TPNPin*, const TGUID&, const TPNOperation& AOperation, TPNNotifyState) {
      operations.push_back(AOperation);
      return TPNNotifyResult{true};
    };
  }
  std::string LastClass() const {
    return operations.empty() ? "" : std::string(operations.back()->GetInstance()->ClassType().Name());
  }
  // The bytes of the last supplied buffer.
  std::vector<uint8_t> LastBytes() const {
    for (auto op = operations.rbegin(); op != operations.rend(); ++op)
      if (const auto* supplied = pinweave::OperationAs<TPNSuppliedBufferOperation>(*op))
        return kelvra::Supports<IKDDataBuffer>(supplied->Value())->AsBytes();
    return {};
  }
};

template <class T>
std::vector<uint8_t> BytesOf(const T& AValue) {
  std::vector<uint8_t> bytes(sizeof(T));
  std::memcpy(bytes.data(), &AValue, sizeof(T));
  return bytes;
}

TEST_F(BufferTest, ABufferReachesKDSinksWholeAndSingleValueSinksAsItsLastSample) {
  TKDPNRealSourcePin source({}, nullptr);
  std::vector<double> values;
  pinweave::TPNRealSinkPin single({}, nullptr, {},
                                  [&](TPNPin*, const double& AValue) { values.push_back(AValue); });
  TInbox inbox, other, foreign;
  TKDPNRealSinkPin real({}, nullptr, inbox.Handler());
  TKDPNRealSinkPin second({}, nullptr, other.Handler());
  pinweave::TPNDispatchSinkPin plain({}, nullptr, foreign.Handler());  // not of the signal streams
  plain.AddType(IPNKDRealStream::IID, &pinweave::PNForward);
  for (TPNPin* sink : {static_cast<TPNPin*>(&single), static_cast<TPNPin*>(&real),
                       static_cast<TPNPin*>(&second), static_cast<TPNPin*>(&plain)})
    pinweave::Connect(source, *sink);
  std::vector<double> samples(1024);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = double(i) / 4;
  const TPNOperation operation = TPNSuppliedBufferOperation::Create(Real(samples));
  source.Notify(operation);
  source.SubmitBuffer(Real({}));  // no last sample: nothing for the single-value sink
  EXPECT_EQ(values, std::vector<double>{1023 / 4.0});
  ASSERT_EQ(inbox.operations.size(), 2u);
  EXPECT_EQ(inbox.operations[0], operation) << "the one operation object, not a copy";
  EXPECT_TRUE(foreign.operations.empty()) << "a sink that takes no buffers gets none";

  pinweave::Disconnect(source, real);
  EXPECT_EQ(inbox.LastClass(), "TPNStopOperation");
  EXPECT_EQ(other.operations.size(), 2u) << "only the sink that leaves gets the stop";
}

// A submit lends its caller's buffer to the operation: a receiver that keeps the operation must
// keep the buffer too, also when an earlier receiver held the operation for a moment only.
TEST_F(BufferTest, AKeptSubmitOperationKeepsItsBufferAfterTheSubmitterDropsIt) {
  TKDPNRealSourcePin source({}, nullptr);
  TKDPNRealSinkPin glance(
      {}, nullptr,
      [](TPNPin*, TPNPin*, const TGUID&, const TPNOperation& AOperation, TPNNotifyState) {
        return TPNNotifyResult{TPNOperation(AOperation) != nullptr};
      });
  TInbox keeper;
  TKDPNRealSinkPin keeping({}, nullptr, keeper.Handler());
  pinweave::Connect(source, glance);
  pinweave::Connect(source, keeping);
  source.SubmitBuffer(Real({1, 2}));
  source.SubmitBuffer(Real({3, 4}));
  ASSERT_EQ(keeper.operations.size(), 2u);
  EXPECT_EQ(keeper.LastBytes(), Real({3, 4})->AsBytes());
  keeper.operations.clear();
  source.SubmitBuffer(Real({5}));  // kept by nobody: the fixture sees that nothing is left over
}

TEST_F(BufferTest, TheChannelPinKnowsTheLargestSampleSizeOfItsSinks) {
  TKDPNChannelSourcePin channel({}, nullptr);
  EXPECT_EQ(channel.GetMaxSampleSize(), 1);
  TInbox realInbox;
  TKDPNRealSinkPin real({}, nullptr, realInbox.Handler());
  TKDPNIntegerSinkPin integer({}, nullptr);
  pinweave::Connect(channel, integer);
  EXPECT_EQ(channel.GetMaxSampleSize(), 4);
  pinweave::Connect(channel, real);
  EXPECT_EQ(channel.GetMaxSampleSize(), 8);
  channel.Notify(TPNStartSampleRateOperation::Create(8000));
  EXPECT_EQ(pinweave::OperationAs<TPNStartSampleRateOperation>(realInbox.operations.at(0))->SampleRate,
            1000);
}

TEST_F(BufferTest, TheComboPinSendsSingleValuesAndBuffersToEverySink) {
  TKDPNComboRealSourcePin source({}, nullptr);
  std::vector<float> floats;
  pinweave::TPNFloatSinkPin single({}, nullptr, {},
                                   [&](TPNPin*, const float& AValue) { floats.push_back(AValue); });
  TInbox inbox;
  TKDPNComboRealSinkPin kd({}, nullptr, inbox.Handler());
  pinweave::Connect(source, single);
  pinweave::Connect(source, kd);
  EXPECT_TRUE(kd.IsConnectedToRealBufferStream());
  EXPECT_FALSE(kd.IsConnectedToSingleRealStream());
  source.SubmitReal(2.5);
  source.SubmitBuffer(Real({1, 7}));
  EXPECT_EQ(floats, (std::vector<float>{2.5f, 7.0f}));
  EXPECT_EQ(inbox.operations.size(), 2u) << "unchanged towards the KD sink";
}

TEST_F(BufferTest, TheRangedPinReplaysItsLastRangeToNewSinks) {
  TKDPNRealRangedSourcePin source({}, nullptr);
  source.Notify(pinweave::TPNTypedSuppliedOperation<double>::Create(10));
  TInbox first, late;
  TKDPNRealRangedSinkPin sink({}, nullptr, first.Handler());
  pinweave::Connect(source, sink);
  EXPECT_EQ(first.operations.size(), 1u) << "the last range, once";
  source.Stop();
  TKDPNRealRangedSinkPin after({}, nullptr, late.Handler());
  pinweave::Connect(source, after);
  EXPECT_TRUE(late.operations.empty()) << "a stop clears the range";
}

TEST_F(BufferTest, TheUniversalSinkAcceptsAnyTypeDuringItsConnectionSteps) {
  pinweave::TPNDispatchSourcePin framework({}, nullptr, {});
  framework.AddType(pinweave::IPNRealStream::IID, &pinweave::PNForward);
  TKDPNUniversalSinkPin universal({}, nullptr);
  void* out = nullptr;
  EXPECT_FALSE(universal.QueryInterface(IPNKDRealStream::IID, &out));
  pinweave::Connect(framework, universal);
  EXPECT_EQ(universal.GetDownStreamID(), pinweave::IPNRealStream::IID);
  TKDPNIntegerSourcePin integers({}, nullptr);
  TKDPNUniversalSinkPin second({}, nullptr);
  pinweave::Connect(integers, second);
  EXPECT_EQ(second.GetDownStreamID(), IPNKDUniversalStream::IID);
  EXPECT_EQ(second.MakeShortName("Pin"), "Pin");
  EXPECT_EQ(second.MakeShortName("InputPin"), "Input");
}

TEST_F(BufferTest, AnImageStatePinHandsItsImageToEveryNewSink) {
  const kelvra::TIntf<IGPImage> first = kelvra::TIGPBitmap::Create(1, 1),
                                second = kelvra::TIGPBitmap::Create(1, 1);
  TPNGDIPlusImageStatePin state({}, nullptr);
  state.SetValue(first);
  std::vector<IGPImage*> seen;
  const auto record = [&](TPNPin*, const kelvra::TIntf<IGPImage>& AImage) {
    seen.push_back(AImage.get());
  };
  TPNGDIPlusImageSinkPin sink({}, nullptr, {}, record);
  TPNGDIPlusImageMultiSinkPin multi({}, nullptr, {}, record);
  pinweave::Connect(state, sink);
  state.SetValue(second);
  pinweave::Connect(state, multi);
  EXPECT_EQ(seen, (std::vector<IGPImage*>{first.get(), second.get(), second.get()}));
  EXPECT_EQ(state.Value(), second);
}

// The source that offers only AFrom, and what the sink of only ATo receives through the
// converter that the connection inserts.
struct TConverterCase {
  TGUID From, To;
  std::function<TPNOperation()> Value;
  std::vector<uint8_t> Expected;  // the bytes that arrive
};

TEST_F(BufferTest, EveryConverterIsInsertedWhereItsTypesMeetAndConverts) {
  const auto supplied = [](kelvra::TIntf<IKDData> AData) {
    return [AData] { return TPNSuppliedBufferOperation::Create(AData); };
  };
  const auto value = [](auto AValue) {
    return [AValue] { return pinweave::TPNTypedSuppliedOperation<decltype(AValue)>::Create(AValue); };
  };
  const int32_t integers[] = {1, -2, 3};
  const auto integerBuffer = TKDIntegerBuffer::CreateData(integers, 3);
  const double reals[] = {1.0, -2.0, 3.0};
  const kelvra::TComplex complex{1, 2};
  const auto booleans = TKDBooleanBuffer::CreateSize(8);
  const std::vector<double> realList{0.5, 1.5};
  const std::vector<int32_t> integerList{7, 8};
  std::vector<uint8_t> realBytes(sizeof reals);
  std::memcpy(realBytes.data(), reals, sizeof reals);
  const TConverterCase cases[] = {
      {IPNKDIntegerStream::IID, IPNKDBinaryStream::IID, supplied(integerBuffer), integerBuffer->AsBytes()},
      {IPNKDRealStream::IID, IPNKDBinaryStream::IID, supplied(Real({1, -2, 3})), realBytes},
      {IPNKDComplexStream::IID, IPNKDBinaryStream::IID, supplied(TKDComplexBuffer::CreateValue(complex, 1)), BytesOf(complex)},
      {IPNKDBooleanStream::IID, IPNKDBinaryStream::IID, supplied(booleans), booleans->AsBytes()},
      {IPNKDIntegerStream::IID, IPNKDRealStream::IID, supplied(integerBuffer), realBytes},
      {IPNKDRealStream::IID, IPNKDRealMatrixStream::IID, supplied(Real({1, -2, 3})), realBytes},
      {pinweave::IPNRealListStream::IID, IPNKDRealStream::IID, value(realList), BytesOf(std::array{0.5, 1.5})},
      {pinweave::IPNIntegerListStream::IID, IPNKDIntegerStream::IID, value(integerList), BytesOf(std::array{7, 8})},
      {pinweave::IPNFloatStream::IID, IPNKDBinaryStream::IID, value(1.5f), {0x00, 0x00, 0xC0, 0x3F}},
      {pinweave::IPNRealStream::IID, IPNKDBinaryStream::IID, value(-2.0), BytesOf(-2.0)},
      {pinweave::IPNIntegerStream::IID, IPNKDBinaryStream::IID, value(int32_t(-5)), BytesOf(int32_t(-5))},
      {pinweave::IPNInt64Stream::IID, IPNKDBinaryStream::IID, value(int64_t(1) << 40), BytesOf(int64_t(1) << 40)},
      {pinweave::IPNUnsignedStream::IID, IPNKDBinaryStream::IID, value(uint32_t(9)), BytesOf(uint32_t(9))},
      {pinweave::IPNUInt64Stream::IID, IPNKDBinaryStream::IID, value(~uint64_t(0)), BytesOf(~uint64_t(0))},
      {pinweave::IPNRealComplexStream::IID, IPNKDBinaryStream::IID, value(complex), BytesOf(complex)},
      {pinweave::IPNByteStream::IID, IPNKDBinaryStream::IID, value(uint8_t(0xAB)), {0xAB}},
      {pinweave::IPNCharStream::IID, IPNKDBinaryStream::IID, value(u'Z'), BytesOf(u'Z')},
      {pinweave::IPNColorStream::IID, IPNKDBinaryStream::IID, value(pinweave::TColor{0x112233}), BytesOf(0x112233u)},
      {pinweave::IPNAlphaColorStream::IID, IPNKDBinaryStream::IID, value(pinweave::TAlphaColor{0xFF112233}), BytesOf(0xFF112233u)},
      {pinweave::IPNDateTimeStream::IID, IPNKDBinaryStream::IID, value(pinweave::TDateTime{45000.5}), BytesOf(45000.5)},
      {pinweave::IPNDateStream::IID, IPNKDBinaryStream::IID, value(pinweave::TDate{45000}), BytesOf(45000.0)},
      {pinweave::IPNTimeStream::IID, IPNKDBinaryStream::IID, value(pinweave::TTime{0.25}), BytesOf(0.25)},
  };
  const auto converters = KDFormatConverterClasses();
  ASSERT_EQ(converters.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    const TConverterCase& c = cases[i];
    SCOPED_TRACE(std::string(converters[i]->Name()));
    pinweave::TPNDispatchSourcePin source({}, nullptr, {});
    source.AddType(c.From, {});
    TInbox inbox;
    TKDPNIntegerRealComplexBinarySinkPin sink({}, nullptr, inbox.Handler());
    sink.ClearTypes();
    sink.AddType(c.To, {});
    pinweave::Connect(source, sink);
    const auto* converter = sink.ConverterFrom(source);
    ASSERT_TRUE(converter);
    EXPECT_EQ(&converter->ClassType(), converters[i]) << "the first registered that fits";
    source.Notify(c.Value());
    EXPECT_EQ(inbox.LastBytes(), c.Expected);
    if (c.To == IPNKDRealStream::IID && c.From == IPNKDIntegerStream::IID) {
      EXPECT_EQ(Values(kelvra::Supports<IKDRealBuffer>(
                    pinweave::OperationAs<TPNSuppliedBufferOperation>(inbox.operations.back())->Value())),
                (std::vector<double>{1, -2, 3}));
    }
    const TPNOperation stop = pinweave::TPNNotifyOperation::Create(pinweave::TPNStopOperation::ClassRef);
    source.Notify(stop);
    EXPECT_EQ(inbox.operations.back(), stop) << "other operations pass unchanged";
  }
}

}  // namespace
}  // namespace corvane
