#include "corvane/buffers/KDVariantStorages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "corvane/buffers/KDSimpleDataBuffer.Block.h"
#include "corvane/buffers/KDSimpleDataBuffer.Boolean.h"
#include "corvane/buffers/KDSimpleDataBuffer.Matrix.h"

#include "tests/buffers/BufferTestSupport.h"

namespace corvane {
namespace {

using BufferQueueTest = BufferTest;
using OperationListTest = BufferTest;
using TOperation = IKDOperationList::TOperation;
using TData = kelvra::TIntf<IKDDataBuffer>;

// The first ACount bits of the bytes, least significant first, as '0' and '1'.
std::string BitString(const std::vector<uint8_t>& bytes, size_t ACount) {
  std::string bits;
  for (size_t i = 0; i < ACount; ++i) bits += char('0' + (bytes[i / 8] >> (i % 8) & 1));
  return bits;
}

template <class TKind>
TData Universal(const TData& ABytes) {
  return TKind::CreateUniversal(ABytes);
}
template <class TKind>
TData Sized(uint32_t ACount) {
  return TKind::CreateSize(ACount);
}

TEST_F(BufferQueueTest, PopJoinsAndSplitsQueuedBuffers) {
  TKDBufferQueue<IKDRealBuffer> queue;
  queue.Push(Real({1, 2, 3}));
  queue.Push(Real({4, 5, 6, 7, 8}));
  TBuffer dest = TKDRealBuffer::CreateSize(4);
  EXPECT_TRUE(queue.Pop(dest));
  EXPECT_EQ(Values(dest), (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(queue.GetCount(), 1);
  EXPECT_EQ(queue.GetFirstBufferSize(), 5u);  // whatever has been read from it
  TBuffer big = TKDRealBuffer::CreateSize(5);
  EXPECT_FALSE(queue.Pop(big));
  EXPECT_TRUE(big->IsEqualToValue(0));
  EXPECT_TRUE(queue.Pop(dest));
  EXPECT_EQ(Values(dest), (std::vector<double>{5, 6, 7, 8}));
  EXPECT_EQ(queue.GetCount(), 0);
  EXPECT_EQ(queue.GetFirstBufferSize(), 0u);
  EXPECT_FALSE(queue.GetFirstBuffer());
}

TEST_F(BufferQueueTest, DroppingAPartlyReadFirstBufferKeepsTheCountsConsistent) {
  TKDBufferQueue<IKDIntegerBuffer> queue;
  const int32_t first[] = {1, 2, 3, 4}, second[] = {5, 6};
  queue.Push(TKDIntegerBuffer::CreateData(first, 4));
  queue.Push(TKDIntegerBuffer::CreateData(second, 2));
  auto one = TKDIntegerBuffer::CreateSize(1);
  EXPECT_TRUE(queue.Pop(one));
  EXPECT_EQ(queue.GetFirstBuffer()->GetSize(), 4u);  // whole, read part included
  auto two = TKDIntegerBuffer::CreateSize(2);
  EXPECT_TRUE(queue.Pop(two));  // from the start of the next buffer
  EXPECT_EQ(two->GetItem(0), 5);
  EXPECT_FALSE(queue.Pop(one));

  // The limit drops the oldest buffer, one per push, counting only its unread elements.
  TKDBufferQueue<IKDDataBuffer> bytes;
  bytes.Push(TKDBlockBuffer::CreateSize(600000));
  auto taken = TKDBlockBuffer::CreateSize(100000);
  EXPECT_TRUE(bytes.Pop(taken));
  bytes.Push(TKDBlockBuffer::CreateSize(500000));
  EXPECT_EQ(bytes.GetCount(), 2);  // 1000000 unread: within the limit
  bytes.Push(TKDBlockBuffer::CreateSize(100000));
  EXPECT_EQ(bytes.GetCount(), 2);
  EXPECT_EQ(bytes.GetFirstBufferSize(), 500000u);
  auto all = TKDBlockBuffer::CreateSize(600000);
  EXPECT_TRUE(bytes.Pop(all));
  EXPECT_FALSE(bytes.Pop(one));
  bytes.Push(TKDBlockBuffer::CreateSize(5));
  bytes.Clear();
  EXPECT_EQ(bytes.GetCount(), 0);
}

TEST_F(BufferQueueTest, ComplexBuffersQueueToo) {
  TKDBufferQueue<IKDComplexBuffer> queue;
  queue.Push(TKDComplexBuffer::CreateValue(1, 2, 3));
  auto dest = TKDComplexBuffer::CreateSize(2);
  EXPECT_TRUE(queue.Pop(dest));
  EXPECT_TRUE(dest->IsEqualToValue({1, 2}));
}

// Each kind through the generic queue: buffers of 16 and 32 bytes, popped into one element more
// than the first holds and then the rest, hand out all their bits in order.
TEST_F(BufferQueueTest, TheGenericQueueCopiesInTheQueuedBuffersElements) {
  const struct {
    const char* kind;
    TData (*fromBytes)(const TData&);
    TData (*sized)(uint32_t);
    uint32_t elementBits;
  } kinds[] = {
      {"block", Universal<TKDBlockBuffer>, Sized<TKDBlockBuffer>, 8},
      {"boolean", Universal<TKDBooleanBuffer>, Sized<TKDBooleanBuffer>, 1},
      {"real", Universal<TKDRealBuffer>, Sized<TKDRealBuffer>, 64},
      {"complex", Universal<TKDComplexBuffer>, Sized<TKDComplexBuffer>, 128},
      {"integer", Universal<TKDIntegerBuffer>, Sized<TKDIntegerBuffer>, 32},
      {"matrix", Universal<TKDRealMatrixBuffer>,
       [](uint32_t n) -> TData { return TKDRealMatrixBuffer::CreateSize(1, n); }, 64},
  };
  std::vector<uint8_t> bytes(48);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(37 * i + 11);
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.kind);
    TKDBufferQueue<IKDDataBuffer> queue;
    queue.Push(kind.fromBytes(TKDBlockBuffer::CreateData(bytes.data(), 16)));
    queue.Push(kind.fromBytes(TKDBlockBuffer::CreateData(bytes.data() + 16, 32)));
    const uint32_t first = 128 / kind.elementBits + 1, rest = 256 / kind.elementBits - 1;
    TData a = kind.sized(first), b = kind.sized(rest);
    ASSERT_TRUE(queue.Pop(a));
    ASSERT_TRUE(queue.Pop(b));
    EXPECT_EQ(queue.GetCount(), 0);
    EXPECT_EQ(BitString(a->AsBytes(), first * kind.elementBits) +
                  BitString(b->AsBytes(), rest * kind.elementBits),
              BitString(bytes, 384));
  }
}

// A Pop into a destination whose elements differ from the queued buffer's raises before it takes
// anything, and leaves the critical section: the other thread can still use the queue.
TEST_F(BufferQueueTest, AFailedPopLeavesTheQueueToTheOtherThread) {
  // Shared with the other thread, which keeps them should it never get in.
  auto queue = std::make_shared<TKDBufferQueue<IKDDataBuffer>>();
  auto count = std::make_shared<std::promise<int32_t>>();
  queue->Push(Real({1, 2}));
  EXPECT_THROW(queue->Pop(TKDBlockBuffer::CreateSize(2)), kelvra::EInvalidCast);
  std::thread other([queue, count] { count->set_value(queue->GetCount()); });
  std::future<int32_t> answer = count->get_future();
  if (answer.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    other.detach();
    FAIL() << "the queue stayed locked after the failed Pop";
  }
  other.join();
  EXPECT_EQ(answer.get(), 1);
  TBuffer reals = TKDRealBuffer::CreateSize(2);
  EXPECT_TRUE(queue->Pop(reals));
  EXPECT_EQ(Values(reals), (std::vector<double>{1, 2}));
}

TEST_F(OperationListTest, PushLimitPushBackPopAndPeek) {
  auto list = TKDOperationList::Create();
  const TOperation a = pinweave::TPNNotifyOperation::Create(TKDInternalStopOperation::ClassRef);
  const TOperation b = new TKDInternalStopOperation(), c = new TKDInternalStopOperation();
  EXPECT_EQ(list->Push(a, false), 1);
  EXPECT_EQ(list->PushLimit(b, 2), 2);
  EXPECT_EQ(list->PushLimit(c, 2), 2);  // dropped
  EXPECT_EQ(list->PushBack(c), 3);
  TOperation taken;
  EXPECT_TRUE(list->Peek(taken));
  EXPECT_EQ(taken, c);
  EXPECT_TRUE(list->Pop(taken));
  EXPECT_EQ(taken, c);
  EXPECT_TRUE(list->Pop(taken));
  EXPECT_EQ(taken, a);
  EXPECT_EQ(list->Push(a, true), 1);
  EXPECT_EQ(list->ItemsCount(), 1);
  list->Clear();
  EXPECT_FALSE(list->Pop(taken));
  EXPECT_FALSE(taken);
  EXPECT_FALSE(list->Peek(taken));
}

using pinweave::TPNNotifyOperation;

class TOtherOperation : public TPNNotifyOperation {
 public:
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
};
inline constexpr kelvra::TClassRef TOtherOperation::ClassRef =
    kelvra::ClassRefOf<TOtherOperation, TPNNotifyOperation>("TOtherOperation");

class TValueOperation : public TOtherOperation {
 public:
  explicit TValueOperation(int) {}
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
};
inline constexpr kelvra::TClassRef TValueOperation::ClassRef =
    kelvra::ClassRefOf<TValueOperation, TOtherOperation>("TValueOperation");

TEST_F(OperationListTest, OperationClassesTellTheirKind) {
  const TOperation stop = TPNNotifyOperation::Create(TKDInternalStopOperation::ClassRef);
  EXPECT_EQ(&stop->GetInstance()->ClassType(), &TKDInternalStopOperation::ClassRef);
  EXPECT_TRUE(stop->IsType(TKDInternalStopOperation::ClassRef));
  EXPECT_TRUE(stop->IsType(TPNNotifyOperation::ClassRef));
  EXPECT_FALSE(stop->IsType(TOtherOperation::ClassRef));
  const TOperation value = new TValueOperation(1);
  EXPECT_TRUE(value->IsType(TOtherOperation::ClassRef));
  EXPECT_FALSE(value->IsType(TKDInternalStopOperation::ClassRef));
  // Operations that need values, and the abstract root, are not made by class.
  EXPECT_THROW(TPNNotifyOperation::Create(TValueOperation::ClassRef), kelvra::EAbstractError);
  EXPECT_THROW(TPNNotifyOperation::Create(TPNNotifyOperation::ClassRef), kelvra::EAbstractError);
}

// One producer, one consumer, a million elements: nothing lost or duplicated, order kept.
TEST_F(BufferQueueTest, OneProducerAndOneConsumerKeepEveryElementInOrder) {
  constexpr int kElements = 1000000, kChunk = 1000;
  TKDBufferQueue<IKDRealBuffer> queue;
  std::thread producer([&] {
    for (int next = 0; next < kElements;) {
      const int count = std::min(1 + next % 700, kElements - next);  // sizes other than kChunk
      TBuffer buffer = TKDRealBuffer::CreateSize(uint32_t(count));
      double* items = buffer->Write();
      for (int i = 0; i < count; ++i) items[i] = next + i;
      while (queue.GetCount() > 64) std::this_thread::yield();  // stay below the limit
      queue.Push(buffer);
      next += count;
    }
  });
  int expected = 0, mismatches = 0;
  TBuffer dest = TKDRealBuffer::CreateSize(kChunk);
  while (expected < kElements) {
    if (!queue.Pop(dest)) {
      std::this_thread::yield();
      continue;
    }
    for (double value : dest->GetEnumerator()) mismatches += value != expected++;
  }
  producer.join();
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(queue.GetCount(), 0);
  EXPECT_FALSE(queue.Pop(dest));
}

TEST_F(OperationListTest, OneProducerAndOneConsumerKeepEveryOperationInOrder) {
  constexpr int kOperations = 1000000;
  struct TNumbered : pinweave::TPNNotifyOperation {
    explicit TNumbered(int n) : number(n) {}
    int number;
  };
  auto list = TKDOperationList::Create();
  std::thread producer([&] {
    for (int i = 0; i < kOperations; ++i) {
      while (list->ItemsCount() >= 1000) std::this_thread::yield();
      list->Push(new TNumbered(i), false);
    }
  });
  int expected = 0, mismatches = 0;
  TOperation operation;
  while (expected < kOperations) {
    if (!list->Pop(operation)) {
      std::this_thread::yield();
      continue;
    }
    mismatches += static_cast<TNumbered*>(operation->GetInstance())->number != expected++;
  }
  producer.join();
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(list->ItemsCount(), 0);
}

}  // namespace
}  // namespace corvane
