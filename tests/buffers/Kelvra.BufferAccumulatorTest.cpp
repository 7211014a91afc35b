#include "corvane/buffers/Kelvra.BufferAccumulator.h"

#include "corvane/buffers/KDSimpleDataBuffer.Boolean.h"

#include <gtest/gtest.h>

#include "tests/buffers/BufferTestSupport.h"

namespace corvane {
namespace {

using BufferAccumulatorTest = BufferTest;
using TAccumulator = kelvra::TIntf<IBufferAccumulator>;

TAccumulator Holding(std::initializer_list<std::vector<uint8_t>> buffers) {
  TAccumulator accumulator = TBufferAccumulator::Create();
  for (const auto& bytes : buffers) accumulator->AddBuffer(TKDBlockBuffer::CreateArray(bytes));
  return accumulator;
}

TEST_F(BufferAccumulatorTest, ExtractingCrossesBufferBoundaries) {
  TAccumulator acc = Holding({{1, 2, 3}, {4, 5}});
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(acc->ExtractBytes(6, bytes));
  EXPECT_EQ(bytes, std::vector<uint8_t>(6, 0));
  EXPECT_EQ(acc->GetBytesAvailable(), 5);
  EXPECT_TRUE(acc->ExtractBytes(4, bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(acc->GetBytesAvailable(), 1);
  EXPECT_EQ(acc->PeekFirstByte(), 5);
  EXPECT_TRUE(acc->SkipBytes(1));
  EXPECT_TRUE(acc->IsEmpty());
  EXPECT_EQ(acc->PeekFirstByte(), 0);
  EXPECT_FALSE(acc->SkipBytes(1));
  EXPECT_FALSE(acc->SkipBytes(-1));
}

TEST_F(BufferAccumulatorTest, PeekingConsumesNothing) {
  TAccumulator acc = Holding({{1, 2}, {}, {3}, {4, 5, 6}});
  uint8_t out[4] = {};
  EXPECT_TRUE(acc->PeekBytesFrom(1, 3, out));
  EXPECT_EQ(std::vector<uint8_t>(out, out + 3), (std::vector<uint8_t>{2, 3, 4}));
  EXPECT_FALSE(acc->PeekBytesFrom(3, 4, out));
  EXPECT_TRUE(acc->PeekBytes(2, out));
  EXPECT_EQ(acc->GetBytesAvailable(), 6);
  acc->SkipBytes(1);
  auto block = acc->GetAsBuffer();
  EXPECT_EQ(std::vector<uint8_t>(block->Read(), block->Read() + block->GetSize()),
            (std::vector<uint8_t>{2, 3, 4, 5, 6}));
  EXPECT_EQ(acc->GetBytesAvailable(), 5);

  // A copy reads on from the same point; the original is not affected.
  TAccumulator copy =
      TBufferAccumulator::CreateCopy(dynamic_cast<TBufferAccumulator&>(*acc.get()));
  copy->SkipBytes(2);
  EXPECT_EQ(copy->PeekFirstByte(), 4);
  EXPECT_EQ(acc->PeekFirstByte(), 2);
  acc->Clear();
  EXPECT_TRUE(acc->IsEmpty());
  EXPECT_EQ(acc->GetAsBuffer()->GetSize(), 0u);
}

TEST_F(BufferAccumulatorTest, TheMatcherDoesNotRetryTheByteThatBrokeAMatch) {
  int32_t position = -1;
  const uint8_t twoThree[] = {2, 3};
  EXPECT_TRUE(Holding({{1, 2}, {3, 4}})->FindBytes(2, twoThree, position));
  EXPECT_EQ(position, 3);
  const uint8_t oneTwo[] = {1, 2};
  EXPECT_FALSE(Holding({{1, 1, 2}})->FindBytes(2, oneTwo, position));
  EXPECT_TRUE(Holding({{1, 1, 1, 2}})->FindBytes(2, oneTwo, position));
  EXPECT_EQ(position, 4);
  EXPECT_TRUE(Holding({{9}})->FindBytes(0, oneTwo, position));
  EXPECT_EQ(position, 0);
  EXPECT_FALSE(Holding({{1}})->FindBytes(2, oneTwo, position));

  // A partial match carries over a boundary, and a failed one resumes behind the broken byte.
  const uint8_t pattern[] = {5, 6, 7};
  TAccumulator acc = Holding({{5}, {6, 9}, {5, 6}, {7, 0}});
  EXPECT_TRUE(acc->FindBytes(3, pattern, position));
  EXPECT_EQ(position, 6);
  EXPECT_EQ(acc->GetBytesAvailable(), 7);  // nothing consumed
  EXPECT_FALSE(Holding({{5, 6, 5, 6, 7}})->FindBytes(3, pattern, position));
}

TEST_F(BufferAccumulatorTest, SkipAndLimitBoundTheSearch) {
  TAccumulator acc = Holding({{1, 2, 3, 1, 2, 3}});
  const uint8_t oneTwo[] = {1, 2};
  int32_t position = 0;
  EXPECT_TRUE(acc->FindBytes(2, oneTwo, 1, 100, position));
  EXPECT_EQ(position, 5);
  EXPECT_TRUE(acc->FindBytes(2, oneTwo, 3, 2, position));
  EXPECT_EQ(position, 5);
  EXPECT_FALSE(acc->FindBytes(2, oneTwo, 3, 1, position));
  EXPECT_FALSE(acc->FindBytes(2, oneTwo, 1, 3, position));
  EXPECT_FALSE(acc->FindBytes(2, oneTwo, 10, 3, position));
}

TEST_F(BufferAccumulatorTest, StringsAreUtf8AndAZeroByteEndsTheirSearch) {
  int32_t position = 0;
  EXPECT_FALSE(Holding({{0x41, 0x00, 0x41, 0x42}})->FindString("AB", position));
  TAccumulator acc = Holding({{'x', 0xC3}, {0xA9, 'A', 'B'}});
  EXPECT_TRUE(acc->FindString("\xC3\xA9" "A", position));
  EXPECT_EQ(position, 4);
  EXPECT_EQ(acc->ExtractString(3), "x\xC3\xA9");
  EXPECT_EQ(acc->ExtractString(5), std::string(5, '\0'));  // not enough: NULs, nothing consumed
  EXPECT_EQ(acc->ExtractString(2), "AB");
  EXPECT_EQ(Holding({{0xFF, 'a', 0xE2, 0x82}})->ExtractString(4), "\xEF\xBF\xBD" "a\xEF\xBF\xBD");
}

TEST_F(BufferAccumulatorTest, FindSkipBytesConsumesUpToAndIncludingTheMatch) {
  TAccumulator acc = Holding({{1, 2}, {9, 4}});
  const uint8_t nine[] = {9};
  bool skipped = false;
  EXPECT_TRUE(acc->FindSkipBytes(1, nine, skipped));
  EXPECT_TRUE(skipped);
  EXPECT_EQ(acc->GetBytesAvailable(), 1);
  EXPECT_EQ(acc->PeekFirstByte(), 4);
  EXPECT_FALSE(acc->FindSkipBytes(1, nine, skipped));
  EXPECT_TRUE(acc->IsEmpty());  // what was skipped stays consumed
  TAccumulator atOnce = Holding({{9, 1}});
  EXPECT_TRUE(atOnce->FindSkipBytes(1, nine, skipped));
  EXPECT_FALSE(skipped);
}

TEST_F(BufferAccumulatorTest, AnyBufferCountsItsSizeButNeverReadsPastItsBytes) {
  TAccumulator acc = TBufferAccumulator::Create();
  acc->AddBuffer(TKDRealBuffer::CreateSize(2));  // Size 2: two of its 16 bytes
  acc->AddBuffer(TKDBooleanBuffer::CreateValue(20, true));  // 20 bits in 3 bytes: 3 bytes
  EXPECT_EQ(acc->GetBytesAvailable(), 5);
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(acc->ExtractBytes(5, bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0, 0, 255, 255, 255}));
}

}  // namespace
}  // namespace corvane
