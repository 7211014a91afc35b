#include "corvane/buffers/KDSimpleDataBuffer.Boolean.h"
#include "corvane/buffers/KDSimpleDataBuffer.Integer.h"

#include <gtest/gtest.h>

#include <climits>

#include "tests/buffers/BufferTestSupport.h"

namespace corvane {
namespace {

using IntegerBufferTest = BufferTest;
using BooleanBufferTest = BufferTest;
using TIntegerBuffer = kelvra::TIntf<IKDIntegerBuffer>;
using TBooleanBuffer = kelvra::TIntf<IKDBooleanBuffer>;

TIntegerBuffer Integers(std::vector<int32_t> values) {
  return TKDIntegerBuffer::CreateData(values.data(), uint32_t(values.size()));
}

std::vector<int32_t> Items(const TIntegerBuffer& buffer) {
  return std::vector<int32_t>(buffer->GetEnumerator().begin(), buffer->GetEnumerator().end());
}

std::vector<bool> Bits(const TBooleanBuffer& buffer) {
  std::vector<bool> bits;
  for (bool bit : buffer->GetEnumerator()) bits.push_back(bit);
  return bits;
}

// ---------------------------------------------------------------------------------------------
// Integer buffer

TEST_F(IntegerBufferTest, ArithmeticSaturatesAndUsesTheCommonCount) {
  TIntegerBuffer a = Integers({INT_MAX, 10, -7, 5});
  a->Add(Integers({1, 5, 0}));
  EXPECT_EQ(Items(a), (std::vector<int32_t>{INT_MAX, 15, -7, 5}));
  a->Multiply(Integers({2, 2}));
  a->Subtract(Integers({0, 1}));
  EXPECT_EQ(Items(a), (std::vector<int32_t>{INT_MAX, 29, -7, 5}));
  a->Divide(Integers({1, 2, 2}));
  EXPECT_EQ(Items(a), (std::vector<int32_t>{INT_MAX, 14, -4, 5}));  // IPP rounds to nearest
  EXPECT_EQ(Integers({2, 3, 100})->Dot(Integers({4, 5})), 23);
}

TEST_F(IntegerBufferTest, DivisionTruncatesRemaindersKeepTheDividendsSign) {
  TIntegerBuffer a = Integers({7, -7});
  a->DivideValue(2);
  EXPECT_EQ(Items(a), (std::vector<int32_t>{3, -3}));
  TIntegerBuffer b = Integers({7, -7, INT_MIN});
  b->ModValue(3);
  EXPECT_EQ(Items(b), (std::vector<int32_t>{1, -1, -2}));
  b->ModValue(-1);
  EXPECT_EQ(Items(b), (std::vector<int32_t>{0, 0, 0}));

  TIntegerBuffer c = Integers({7, 8, 9});
  EXPECT_THROW(c->ModBuffer(Integers({4, 0, 2})), kelvra::EDivByZero);
  EXPECT_EQ(Items(c), (std::vector<int32_t>{3, 8, 9}));  // changed up to the zero divisor
  EXPECT_THROW(c->ModValue(0), kelvra::EDivByZero);
  TIntegerBuffer empty = TKDIntegerBuffer::Create();
  EXPECT_NO_THROW(empty->ModValue(0));
  c->DivideValue(0);  // skipped silently
  EXPECT_EQ(Items(c), (std::vector<int32_t>{3, 8, 9}));
}

TEST_F(IntegerBufferTest, DivideValueOnASharedBlockDividesIntoAFreshOne) {
  TIntegerBuffer a = Integers({10, 20});
  TIntegerBuffer keeper = TKDIntegerBuffer::CreateCopy(a);
  a->DivideValue(10);
  EXPECT_EQ(Items(a), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(Items(keeper), (std::vector<int32_t>{10, 20}));
  const int32_t* block = a->Read();
  a->DivideValue(-1);  // single owner: in place
  EXPECT_EQ(a->Read(), block);
  EXPECT_EQ(Items(a), (std::vector<int32_t>{-1, -2}));
}

TEST_F(IntegerBufferTest, ShiftCountsAreTakenModulo32AndRShiftIsLogical) {
  TIntegerBuffer a = Integers({-2, 1, 1});
  a->RShift(Integers({1, 0}));
  EXPECT_EQ(Items(a), (std::vector<int32_t>{INT_MAX, 1, 1}));
  a->LShift(Integers({33, 33, 33}));
  EXPECT_EQ(Items(a), (std::vector<int32_t>{-2, 2, 2}));
  a->RShiftValue(1);  // arithmetic
  EXPECT_EQ(a->GetItem(0), -1);
  a->LShiftValue(4);
  EXPECT_EQ(Items(a), (std::vector<int32_t>{-16, 16, 16}));
}

TEST_F(IntegerBufferTest, LogicAndTheSkipsOfConstantsThatChangeNothing) {
  TIntegerBuffer a = Integers({0b1100, 0b1010});
  a->AndBuffer(Integers({0b1010}));
  a->OrBuffer(Integers({0, 1}));
  a->XorBuffer(Integers({1, 1}));
  EXPECT_EQ(Items(a), (std::vector<int32_t>{0b1001, 0b1010}));
  a->AndValue(0b1000);
  a->OrValue(1);
  a->XorValue(3);
  EXPECT_EQ(Items(a), (std::vector<int32_t>{0b1010, 0b1010}));

  TIntegerBuffer source = Integers({1, 2});
  TIntegerBuffer copy = TKDIntegerBuffer::CreateCopy(source);
  copy->AndValue(-1);
  copy->OrValue(0);
  copy->XorValue(0);
  copy->AddValue(0);
  copy->MultiplyValue(1);
  copy->DivideValue(1);
  copy->LShiftValue(0);
  copy->RShiftValue(0);
  EXPECT_EQ(copy->Read(), source->Read());  // still shared
  copy->SubtractValue(0);
  EXPECT_NE(copy->Read(), source->Read());
  EXPECT_EQ(Items(copy), (std::vector<int32_t>{1, 2}));
}

TEST_F(IntegerBufferTest, FillsExtremesComparisonAndIndexChecks) {
  TIntegerBuffer a = TKDIntegerBuffer::CreateValue(-3, 3);
  EXPECT_TRUE(a->IsEqualToValue(-3));
  a->SetItem(1, 9);
  a->SetItem(2, -8);
  EXPECT_EQ(a->GetMinValue(), -8);
  EXPECT_EQ(a->GetMaxValue(), 9);
  EXPECT_FALSE(a->IsEqualToValue(-3));
  a->Zero();
  EXPECT_TRUE(a->IsEqualToValue(0));
  EXPECT_EQ(TKDIntegerBuffer::Create()->GetMinValue(), 0);
  EXPECT_EQ(TKDIntegerBuffer::Create()->GetMaxValue(), 0);
  EXPECT_TRUE(TKDIntegerBuffer::Create()->IsEqualToValue(5));
  EXPECT_THROW(a->GetItem(3), kelvra::ERangeError);
  EXPECT_THROW(a->SetItem(-1, 0), kelvra::ERangeError);
}

TEST_F(IntegerBufferTest, CopyToCountsElementsBetweenIntegerBuffersAndBytesOtherwise) {
  TIntegerBuffer source = Integers({1, 2, 3});
  TIntegerBuffer dest = TKDIntegerBuffer::CreateSize(4);
  source->CopyTo(1, dest, 2, 2);
  EXPECT_EQ(Items(dest), (std::vector<int32_t>{0, 0, 2, 3}));
  TBuffer real = TKDRealBuffer::CreateSize(1);
  source->CopyTo(0, real, 0, 4);  // bytes: the first element only
  EXPECT_EQ(static_cast<int32_t*>(real->ByteRead())[0], 1);
  EXPECT_EQ(static_cast<int32_t*>(real->ByteRead())[1], 0);
  EXPECT_FALSE(source->IsEqual(TKDRealBuffer::CreateUniversal(source)));
}

// ---------------------------------------------------------------------------------------------
// Boolean buffer

TEST_F(BooleanBufferTest, BitsArePackedLeastSignificantFirst) {
  const bool array[] = {true, false, true};
  TBooleanBuffer packed = TKDBooleanBuffer::CreateArray(array);
  EXPECT_EQ(packed->GetSize(), 3u);
  EXPECT_EQ(packed->GetByteSize(), 1u);
  EXPECT_EQ(packed->Read()[0], 5);
  EXPECT_EQ(Bits(packed), (std::vector<bool>{true, false, true}));

  TBooleanBuffer ten = TKDBooleanBuffer::CreateValue(10, true);
  EXPECT_EQ(ten->GetByteSize(), 2u);
  EXPECT_TRUE(ten->GetItem(9));
  EXPECT_EQ(MessageOf<kelvra::ERangeError>([&] { ten->GetItem(10); }), "Index out of range = 10");
  EXPECT_THROW(ten->SetItem(-1, true), kelvra::ERangeError);
  const uint8_t bytes[] = {0x01, 0x80};
  EXPECT_TRUE(TKDBooleanBuffer::CreateData(bytes, 16)->GetItem(15));
  EXPECT_EQ(TKDBooleanBuffer::CreateData(bytes, 9)->GetByteSize(), 2u);
}

TEST_F(BooleanBufferTest, CopiesShareTheBlockAndTheBitCountUntilOneWrites) {
  TBooleanBuffer source = TKDBooleanBuffer::CreateSize(10);
  TBooleanBuffer copy = TKDBooleanBuffer::CreateCopy(source);
  EXPECT_EQ(copy->GetSize(), 10u);
  EXPECT_EQ(copy->Read(), source->Read());
  copy->SetItem(3, true);
  EXPECT_NE(copy->Read(), source->Read());
  EXPECT_FALSE(source->GetItem(3));
  EXPECT_TRUE(copy->InvertBit(3)->InvertBit(4)->GetItem(4));
  EXPECT_FALSE(copy->GetItem(3));

  // Another kind of buffer: its bytes are copied and all their bits count.
  TBooleanBuffer bits = TKDBooleanBuffer::CreateUniversal(Real({0}));
  EXPECT_EQ(bits->GetSize(), 64u);
  EXPECT_TRUE(bits->IsEqualToValue(false));
}

TEST_F(BooleanBufferTest, LogicChainsAndIgnoresThePaddingWhereItMustNot) {
  TBooleanBuffer a = TKDBooleanBuffer::CreateSize(10);
  a->SetItem(0, true);
  a->SetItem(9, true);
  TBooleanBuffer b = TKDBooleanBuffer::CreateValue(10, true);
  EXPECT_EQ(a->XorBuffer(b)->Invert()->OrValue(false).get(), a.get());
  EXPECT_TRUE(a->GetItem(0));
  EXPECT_FALSE(a->GetItem(5));
  EXPECT_TRUE(a->AndBuffer(b)->GetItem(9));
  EXPECT_TRUE(a->OrValue(true)->IsEqualToValue(true));
  EXPECT_TRUE(a->XorValue(true)->IsEqualToValue(false));
  EXPECT_TRUE(a->SetValue(true)->AndValue(false)->IsEqualToValue(false));

  // Padding bits do not count: bits 10 .. 15 set, bits 0 .. 9 clear.
  const uint8_t bytes[] = {0x00, 0xFC};
  TBooleanBuffer padded = TKDBooleanBuffer::CreateData(bytes, 10);
  EXPECT_TRUE(padded->IsEqualToValue(false));
  EXPECT_TRUE(padded->IsEqual(TKDBooleanBuffer::CreateSize(10)));
  padded->SetItem(9, true);
  EXPECT_FALSE(padded->IsEqualToValue(false));
}

TEST_F(BooleanBufferTest, OperationsThatChangeNothingLeaveTheBlockShared) {
  TBooleanBuffer source = TKDBooleanBuffer::CreateValue(12, true);
  TBooleanBuffer copy = TKDBooleanBuffer::CreateCopy(source);
  copy->OrValue(false)->XorValue(false)->AndValue(true);
  EXPECT_EQ(copy->Read(), source->Read());
  TBooleanBuffer empty = TKDBooleanBuffer::Create();
  TBooleanBuffer emptyCopy = TKDBooleanBuffer::CreateCopy(empty);
  emptyCopy->SetValue(true)->Zero()->Invert()->OrValue(true)->XorValue(true);
  EXPECT_EQ(emptyCopy->GetByteSize(), 0u);
  EXPECT_TRUE(empty->IsEqualToValue(true));
}

TEST_F(BooleanBufferTest, ResizeKeepsTheBitCountAndThePackedSizeTogether) {
  TBooleanBuffer a = TKDBooleanBuffer::CreateValue(10, true);
  EXPECT_TRUE(a->Resize(12, true));  // same two bytes
  EXPECT_EQ(a->GetSize(), 12u);
  EXPECT_EQ(a->GetByteSize(), 2u);
  EXPECT_TRUE(a->Resize(17, true));
  EXPECT_EQ(a->GetByteSize(), 3u);
  EXPECT_TRUE(a->GetItem(9));
  EXPECT_FALSE(a->GetItem(16));
  EXPECT_FALSE(a->Resize(17, true));
  EXPECT_TRUE(a->Resize(3, false));
  EXPECT_EQ(a->GetByteSize(), 1u);
  EXPECT_TRUE(a->Resize(0, true));
  EXPECT_EQ(a->GetSize(), 0u);
  EXPECT_EQ(a->GetByteSize(), 0u);

  TBooleanBuffer target = TKDBooleanBuffer::CreateSize(3);
  target->Assign(TKDBooleanBuffer::CreateValue(20, true));
  EXPECT_EQ(target->GetSize(), 20u);
  EXPECT_EQ(target->Data({TBufferAccessMode::Read})->GetSize(), 20u);
  EXPECT_EQ(target->Data({TBufferAccessMode::Read})->GetByteSize(), 3u);
}

}  // namespace
}  // namespace corvane
