// The moving average's sequences, and its Count changes.
#include <gtest/gtest.h>

#include <vector>

#include "corvane/algorithms/KDAveraging.h"
#include "kelvra/Kelvra.Persistence.h"
#include "tests/buffers/BufferTestSupport.h"
#include "tests/kelvra/ThreadingTestSupport.h"

namespace corvane {
namespace {

using AveragingTest = BufferTest;

template <class TAverager>
std::vector<double> Feed(TAverager& ring, std::vector<double> values) {
  for (double& v : values) v = ring.AddElement(v);
  return values;
}

TEST_F(AveragingTest, AveragesWhatItReceivedUpToCountValues) {
  TRQAveragingRing ring;
  EXPECT_EQ(ring.GetCount(), 10u);
  EXPECT_EQ(Feed(ring, {4, 8}), (std::vector<double>{4, 6}));
  ring.SetCount(3);
  ring.Clear();
  EXPECT_EQ(Feed(ring, {3, 6, 9, 12}), (std::vector<double>{3, 4.5, 6, 9}));
  ring.Clear();
  EXPECT_EQ(ring.AddElement(5), 5);
  ring.SetCount(0);
  EXPECT_EQ(ring.GetCount(), 1u);
  EXPECT_EQ(Feed(ring, {2, 7}), (std::vector<double>{2, 7}));
}

TEST_F(AveragingTest, ShrinkingKeepsTheStoredTailInWritingOrder) {
  TRQAveragingRing ring;
  Feed(ring, {1, 2, 3});  // positions 0 … 2 of 10: all dropped
  ring.SetCount(5);
  EXPECT_EQ(ring.GetFilled(), 0u);
  EXPECT_EQ(ring.GetWriteIndex(), 0u);
  EXPECT_EQ(ring.AddElement(8), 8);

  ring.SetCount(4);
  ring.Clear();
  Feed(ring, {1, 2, 3, 4, 5, 6});  // ring 5 6 3 4, next write at 2
  ring.SetCount(2);                // keeps 3 4, the older first
  EXPECT_EQ(ring.GetFilled(), 2u);
  EXPECT_EQ(ring.GetWriteIndex(), 0u);
  EXPECT_EQ(Feed(ring, {7, 9}), (std::vector<double>{5.5, 8}));
}

TEST_F(AveragingTest, GrowingAWrappedRingFillsTheNewPlacesFirst) {
  TRQAveragingRing ring;
  ring.SetCount(3);
  Feed(ring, {1, 2, 3});  // full, next write at 0
  ring.SetCount(5);
  EXPECT_EQ(ring.GetWriteIndex(), 3u);
  EXPECT_EQ(Feed(ring, {4, 5, 6}), (std::vector<double>{2.5, 3, 4}));
}

// The published object: Count by its property table, values passed through while disabled (as it
// starts), and Count set in a section of the owner's lock.
TEST_F(AveragingTest, PublishedAveragingPassesValuesThroughUntilEnabled) {
  using namespace kelvra;
  int changes = 0;
  const TIntf<IChangeNotifyLock> lock = TChangeNotifyLock::Create();
  TRQAveraging averaging(nullptr, lock, [&] { ++changes; });
  const auto properties = PublishedProperties(TRQAveraging::ClassRef);
  ASSERT_EQ(properties.size(), 2u);
  EXPECT_EQ(properties[1]->Name(), "Count");
  EXPECT_EQ(properties[1]->DefaultText(), "10");
  EXPECT_FALSE(properties[1]->IsStored(averaging));

  EXPECT_EQ(Feed(averaging, {4, 8}), (std::vector<double>{4, 8}));
  EXPECT_EQ(averaging.Ring().GetFilled(), 0u);
  EXPECT_EQ(averaging.Ring().GetWriteIndex(), 0u);
  averaging.SetEnabled(true);
  EXPECT_EQ(Feed(averaging, {4, 8}), (std::vector<double>{4, 6}));

  changes = 0;
  properties[1]->SetText(averaging, "0");
  averaging.SetCount(1);
  EXPECT_EQ(averaging.GetCount(), 1u);
  EXPECT_EQ(changes, 1);

  auto section = lock->EnterSection();
  kelvra::testing::TBackground setter([&] { averaging.SetCount(5); });
  EXPECT_FALSE(setter.Finished(kelvra::testing::kBriefly));
  section.reset();
  ASSERT_TRUE(setter.Finished());
  EXPECT_EQ(averaging.GetCount(), 5u);
}

}  // namespace
}  // namespace corvane
