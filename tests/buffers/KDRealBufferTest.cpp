// The real buffer's operations against their definitions.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

#include "corvane/buffers/KDSimpleDataBuffer.h"
#include "tests/buffers/BufferTestSupport.h"

namespace corvane {
namespace {

using RealBufferTest = BufferTest;
using V = std::vector<double>;

bool Shares(const TBuffer& a, const TBuffer& b) { return a->Read() == b->Read(); }

TEST_F(RealBufferTest, ConstructorsFillAsDocumented) {
  EXPECT_EQ(Values(TKDRealBuffer::CreateSize(4)), V(4, 0.0));
  EXPECT_EQ(Values(TKDRealBuffer::CreateData(nullptr, 4)), V(4, 0.0));
  EXPECT_EQ(TKDRealBuffer::Create()->GetSize(), 0u);
  EXPECT_EQ(Values(TKDRealBuffer::CreateValue(2.5, 3)), V(3, 2.5));

  const uint8_t bytes[] = {0, 128, 255};
  EXPECT_EQ(Values(TKDRealBuffer::CreateByteData(bytes, 3, 1.0)), (V{0, 128, 255}));
  EXPECT_EQ(Values(TKDRealBuffer::CreateByteData(bytes, 3, 2.0)), (V{0, 64, 127.5}));
  const uint16_t words[] = {65535};
  EXPECT_EQ(Values(TKDRealBuffer::CreateWordData(words, 1, 5.0)), (V{13107}));
  const uint32_t cardinals[] = {4294967295u};
  EXPECT_EQ(Values(TKDRealBuffer::CreateCardinalData(cardinals, 1, 1.0)), (V{4294967295.0}));
  const int16_t smallInts[] = {-32768, 7};
  EXPECT_EQ(Values(TKDRealBuffer::CreateSmallIntData(smallInts, 2, 1.0)), (V{-32768, 7}));
  EXPECT_EQ(Values(TKDRealBuffer::CreateSmallIntData(smallInts, 2, -2.0)), (V{16384, -3.5}));
  const int32_t ints[] = {-5, 2000000000};
  EXPECT_EQ(Values(TKDRealBuffer::CreateIntegerData(ints, 2, 1.0)), (V{-5, 2e9}));
  EXPECT_EQ(Values(TKDRealBuffer::CreateIntegerData(ints, 2, 10.0)), (V{-0.5, 2e8}));
  const int64_t int64s[] = {-(int64_t(1) << 60)};
  EXPECT_EQ(Values(TKDRealBuffer::CreateInt64Data(int64s, 1, 1.0)), (V{-std::ldexp(1.0, 60)}));
  EXPECT_EQ(Values(TKDRealBuffer::CreateInt64Data(int64s, 1, 4.0)), (V{-std::ldexp(1.0, 58)}));
  const uint64_t uint64s[] = {uint64_t(1) << 63, 3};
  EXPECT_EQ(Values(TKDRealBuffer::CreateUInt64Data(uint64s, 2, 1.0)), (V{std::ldexp(1.0, 63), 3}));
  EXPECT_EQ(Values(TKDRealBuffer::CreateUInt64Data(uint64s, 2, 2.0)), (V{std::ldexp(1.0, 62), 1.5}));
  const float singles[] = {0.5f, -1.25f};
  EXPECT_EQ(Values(TKDRealBuffer::CreateSingleData(singles, 2)), (V{0.5, -1.25}));
  const double list[] = {3, 1, 2};
  EXPECT_EQ(Values(TKDRealBuffer::CreateArrayList(list)), (V{3, 1, 2}));

  TBuffer source = Real({1, 2});
  EXPECT_TRUE(Shares(TKDRealBuffer::CreateCopy(source), source));
  EXPECT_TRUE(Shares(TKDRealBuffer::CreateUniversal(source), source));
}

TEST_F(RealBufferTest, ItemsAreRangeChecked) {
  TBuffer buffer = Real({1, 2, 3});
  EXPECT_EQ(buffer->GetItem(2), 3);
  EXPECT_EQ(MessageOf<kelvra::ERangeError>([&] { buffer->GetItem(3); }), "Index out of range = 3");
  EXPECT_EQ(MessageOf<kelvra::ERangeError>([&] { buffer->GetItem(-1); }),
            "Index out of range = 4294967295");  // formatted as unsigned
  TBuffer sharer = TKDRealBuffer::CreateCopy(buffer);
  EXPECT_THROW(buffer->SetItem(3, 0), kelvra::ERangeError);
  EXPECT_FALSE(Shares(buffer, sharer));  // SetItem detached before it tested the index

  double sum = 0;
  for (double v : buffer->GetEnumerator()) sum += v;
  EXPECT_EQ(sum, 6);
  auto e = buffer->GetEnumerator();
  ASSERT_TRUE(e.MoveNext());
  EXPECT_EQ(e.GetCurrent(), 1);
}

TEST_F(RealBufferTest, TwoBufferOperationsWorkOverTheSmallerSize) {
  TBuffer self = Real({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  self->Add(Real({10, 20, 30, 40}));
  EXPECT_EQ(Values(self), (V{11, 22, 33, 44, 5, 6, 7, 8, 9, 10}));
  self->Subtract(Real({1, 2}));
  self->Multiply(Real({2}));
  EXPECT_EQ(Values(self), (V{20, 20, 33, 44, 5, 6, 7, 8, 9, 10}));

  TBuffer small = Real({8, 6});
  small->Divide(Real({2, 3, 100}));  // the longer other buffer is not read beyond Size
  EXPECT_EQ(Values(small), (V{4, 2}));
  EXPECT_EQ(small->Dot(Real({1, 10, 100})), 24);

  // A "From" operation into a shared buffer: Write detached without copying, so elements beyond
  // the source stay 0 while the other holder keeps its values.
  TBuffer target = Real(V(10, 7.0));
  TBuffer other = TKDRealBuffer::CreateCopy(target);
  target->SqrFrom(Real({1, 2, 3, 4}));
  EXPECT_EQ(Values(target), (V{1, 4, 9, 16, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Values(other), V(10, 7.0));
}

TEST_F(RealBufferTest, DivisionByZeroIsFixedUp) {
  TBuffer buffer = Real({5, -5, 3});
  buffer->Divide(Real({0, 0, 1}));
  EXPECT_EQ(Values(buffer), (V{1e15, -1e14, 3}));
  TBuffer zero = Real({0});
  zero->Divide(Real({0}));  // 0/0 is NaN, not above 0
  EXPECT_EQ(zero->GetItem(0), -1e14);
}

TEST_F(RealBufferTest, ConstantsThatChangeNothingLeaveASharedBlockShared) {
  TBuffer buffer = Real({2, 4});
  TBuffer sharer = TKDRealBuffer::CreateCopy(buffer);
  buffer->AddValue(0);
  buffer->SubtractValue(0);
  buffer->MultiplyValue(1);
  buffer->DivideValue(0);
  buffer->DivideValue(1);
  EXPECT_TRUE(Shares(buffer, sharer));
  buffer->AddValue(1);
  buffer->SubtractValue(2);
  buffer->MultiplyValue(3);
  buffer->DivideValue(-0.5);
  EXPECT_EQ(Values(buffer), (V{-6, -18}));
  EXPECT_EQ(Values(sharer), (V{2, 4}));
}

TEST_F(RealBufferTest, FillsAndElementFunctions) {
  TBuffer buffer = Real({-4, 9});
  buffer->Abs();
  buffer->Sqrt();
  EXPECT_EQ(Values(buffer), (V{2, 3}));
  buffer->Sqr();
  EXPECT_EQ(Values(buffer), (V{4, 9}));
  buffer->Ln();
  buffer->Exp();
  EXPECT_NEAR(buffer->GetItem(1), 9, 1e-12);
  buffer->SetValue(-1.5);
  EXPECT_EQ(Values(buffer), (V{-1.5, -1.5}));
  buffer->Zero();
  EXPECT_EQ(Values(buffer), (V{0, 0}));

  TBuffer source = Real({-1, 4, 0});
  buffer->AbsFrom(source);
  EXPECT_EQ(Values(buffer), (V{1, 4}));
  buffer->SqrtFrom(Real({16, 25}));
  EXPECT_EQ(Values(buffer), (V{4, 5}));
  buffer->ExpFrom(Real({0, 0}));
  EXPECT_EQ(Values(buffer), (V{1, 1}));
  buffer->LnFrom(Real({1, 1}));
  EXPECT_EQ(Values(buffer), (V{0, 0}));
}

TEST_F(RealBufferTest, ThresholdsAndNormalisation) {
  TBuffer buffer = Real({1, 5, 9});
  buffer->Threshold(6, ttGreaterThan);
  EXPECT_EQ(Values(buffer), (V{1, 5, 6}));
  buffer->Threshold(2, ttLessThan);
  EXPECT_EQ(Values(buffer), (V{2, 5, 6}));
  buffer->ThresholdFrom(Real({0, 10, 4}), 3, ttLessThan);
  EXPECT_EQ(Values(buffer), (V{3, 10, 4}));

  buffer->NormalizeFrom(Real({4, 6}), 2, 2);
  EXPECT_EQ(Values(buffer), (V{1, 2, 4}));  // the sole owner writes in place: element 2 is kept

  // In place through a sharing copy: the other holder keeps its data, no temporary block stays.
  TBuffer values = Real({10, 20});
  TBuffer holder = TKDRealBuffer::CreateCopy(values);
  const int32_t stores = _KDCountStores.load();
  values->Normalize(10, 5);
  EXPECT_EQ(Values(values), (V{0, 2}));
  EXPECT_EQ(Values(holder), (V{10, 20}));
  EXPECT_EQ(_KDCountStores.load(), stores + 1);
  holder.reset();
  TBuffer alone = Real({3});
  alone->Normalize(1, 2);
  EXPECT_EQ(Values(alone), (V{1}));
}

TEST_F(RealBufferTest, ReductionsAndExtremes) {
  TBuffer buffer = Real({3, -1, 4, -1, 5});
  EXPECT_EQ(buffer->Mean(), 2);
  EXPECT_NEAR(buffer->StdDev(), std::sqrt(32.0 / 4), 1e-12);
  EXPECT_EQ(buffer->GetMinValue(), -1);
  EXPECT_EQ(buffer->GetMaxValue(), 5);
  int32_t index = -7;
  EXPECT_EQ(buffer->GetMinIndex(index), -1);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(buffer->GetMaxIndex(index), 5);
  EXPECT_EQ(index, 4);
  EXPECT_EQ(buffer->Norm(Real({3, 1, 4, 1, 5}), ntL1Norm), 4);
  EXPECT_EQ(buffer->Norm(Real({3, 1, 4, 1, 5}), ntL2Norm), std::sqrt(8.0));
  EXPECT_EQ(buffer->Norm(Real({3, 1, 4, 1, 5}), ntCNorm), 2);

  // [from, to) clamped.
  EXPECT_EQ(buffer->GetMin(2, 100), -1);  // elements 2, 3, 4
  EXPECT_EQ(buffer->GetMax(-5, 2), 3);
  EXPECT_EQ(buffer->GetMax(9, 9), 5);     // from beyond the end becomes the last element
  EXPECT_EQ(buffer->GetMin(3, 3), 0.0);   // empty range

  TBuffer empty = TKDRealBuffer::Create();
  EXPECT_EQ(empty->GetMinValue(), 0.0);
  EXPECT_EQ(empty->Mean(), 0.0);
  index = 5;
  EXPECT_EQ(empty->GetMinIndex(index), 0.0);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(empty->GetMin(0, 10), 0.0);
  EXPECT_EQ(empty->GetMaxRestricted(-3, 10), 0.0);
  EXPECT_TRUE(empty->IsEqualToValue(42));
}

TEST_F(RealBufferTest, RestrictedExtremesSkipTheSentinels) {
  TBuffer sentinelFirst = Real({-DBL_MAX, 5, 3, DBL_MAX});
  EXPECT_EQ(sentinelFirst->GetMinRestricted(0, 9), 0.0);
  EXPECT_EQ(sentinelFirst->GetMaxRestricted(0, 9), 5.0);
  EXPECT_EQ(Real({2, -DBL_MAX, 7})->GetMinRestricted(0, 2), 2.0);
  EXPECT_EQ(Real({2, -DBL_MAX, 7})->GetMaxRestricted(0, 2), 7.0);
  EXPECT_EQ(Real({-INFINITY, 4, -2})->GetMinRestricted(0, 2), -2.0);
  EXPECT_EQ(Real({1, NAN, 0.5})->GetMinRestricted(0, 2), 0.5);
  EXPECT_EQ(Real({1, 2, 3})->GetMinRestricted(2, 1), 0.0);
  EXPECT_EQ(Real({1, 2, 3})->GetMaxRestricted(-4, 0), 1.0);
}

TEST_F(RealBufferTest, IsEqualToValue) {
  EXPECT_TRUE(Real({2, 2})->IsEqualToValue(2));
  EXPECT_FALSE(Real({2, 3})->IsEqualToValue(2));
  EXPECT_FALSE(Real({NAN})->IsEqualToValue(NAN));
}

TEST_F(RealBufferTest, ExportAndImport) {
  TBuffer buffer = Real({2.5, 3.5, -2.5, 70000.0, 3e9});
  std::vector<int16_t> shorts(5);
  buffer->ToShort(shorts.data(), true);
  EXPECT_EQ(shorts, (std::vector<int16_t>{2, 4, -2, 4464, shorts[4]}));  // 4464: the low 16 bits
  buffer->ToShort(shorts.data(), false);
  EXPECT_EQ(shorts[1], 3);
  std::vector<int32_t> ints(5);
  buffer->ToInt(ints.data(), true);
  EXPECT_EQ(ints, (std::vector<int32_t>{2, 4, -2, 70000, std::numeric_limits<int32_t>::max()}));
  buffer->ToInt(ints.data(), false);
  EXPECT_EQ(ints[1], 3);
  float singles[5];
  buffer->ToSingle(singles);
  EXPECT_EQ(singles[3], 70000.0f);

  TBuffer target = TKDRealBuffer::CreateSize(2);
  const int32_t fromInts[] = {-3, 4};
  target->FromInt(fromInts);
  EXPECT_EQ(Values(target), (V{-3, 4}));
  const int16_t fromShorts[] = {7, -8};
  target->FromShort(fromShorts);
  EXPECT_EQ(Values(target), (V{7, -8}));
  const float fromSingles[] = {0.25f, 8};
  target->FromSingle(fromSingles);
  EXPECT_EQ(Values(target), (V{0.25, 8}));
}

TEST_F(RealBufferTest, SignalOperations) {
  TBuffer result = TKDRealBuffer::CreateSize(1);
  result->Convolve(Real({1, 2, 3, 4, 5}), Real({1, 0, -1}));
  EXPECT_EQ(Values(result), (V{1, 2, 2, 2, 2, -4, -5}));
  result->Convolve(Real({}), Real({1}));
  EXPECT_EQ(result->GetSize(), 0u);

  TBuffer corr = TKDRealBuffer::CreateSize(2);
  corr->AutoCorr(Real({1, 2, 3}), actNormal);
  EXPECT_EQ(Values(corr), (V{5, 2}));  // lags 0 and 1 over the first two source elements
  corr->CrossCorr(Real({1, 2}), Real({1, 2}), 0);
  EXPECT_EQ(Values(corr), (V{5, 2}));
  corr->VectorJaehne(1);
  EXPECT_EQ(corr->GetItem(0), 0);
}

}  // namespace
}  // namespace corvane
