#include "corvane/buffers/KDVariantStorages.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "corvane/buffers/KDSimpleDataBuffer.Block.h"
#include "corvane/buffers/KDSimpleDataBuffer.Boolean.h"
#include "corvane/buffers/KDSimpleDataBuffer.Matrix.h"

#include "tests/buffers/BufferTestSupport.h"
#include "tests/kelvra/ThreadingTestSupport.h"

namespace corvane {
namespace {

using BufferQueueTest = BufferTest;
using OperationListTest = BufferTest;
using TOperation = IKDOperationList::TOperation;
using TData = kelvra::TIntf<IKDDataBuffer>;
using kelvra::testing::kBriefly;
using kelvra::testing::TBackground;

// A block of bytes that runs a procedure when it is released.
class TWatchedBuffer : public TKDGenericBuffer {
 public:
  TWatchedBuffer(uint32_t ASize, std::function<void()> AOnRelease)
      : TKDGenericBuffer(nullptr, new TKDSmartMemoryBuffer(ASize), ASize),
        onRelease_(std::move(AOnRelease)) {}
  ~TWatchedBuffer() override { onRelease_(); }

 private:
  std::function<void()> onRelease_;
};

// An operation that runs a procedure when it is released.
struct TWatchedOperation : pinweave::TPNNotifyOperation {
  explicit TWatchedOperation(std::function<void()> AOnRelease) : onRelease(std::move(AOnRelease)) {}
  ~TWatchedOperation() override { onRelease(); }
  std::function<void()> onRelease;
};

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
  // Shared with the other thread, which keeps it should it never get in.
  auto queue = std::make_shared<TKDBufferQueue<IKDDataBuffer>>();
  queue->Push(Real({1, 2}));
  EXPECT_THROW(queue->Pop(TKDBlockBuffer::CreateSize(2)), kelvra::EInvalidCast);
  TBackground other([queue] { EXPECT_EQ(queue->GetCount(), 1); });
  ASSERT_TRUE(other.Finished()) << "the queue stayed locked after the failed Pop";
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

// A consumer waiting without limit wakes once enough has arrived, not before; a wait with a limit
// gives up with nothing changed.
TEST_F(BufferQueueTest, WaitPopWaitsForEnoughElements) {
  TKDBufferQueue<IKDRealBuffer> queue;
  TBuffer dest = TKDRealBuffer::CreateSize(4);
  queue.Push(Real({1, 2}));
  EXPECT_FALSE(queue.WaitPop(dest, 20));
  EXPECT_EQ(queue.GetCount(), 1);
  TBackground consumer([&] { EXPECT_TRUE(queue.WaitPop(dest, kelvra::kInfinite)); });
  queue.Push(Real({3}));
  EXPECT_FALSE(consumer.Finished(kBriefly));
  queue.Push(Real({4, 5}));
  EXPECT_TRUE(consumer.Finished());
  EXPECT_EQ(Values(dest), (std::vector<double>{1, 2, 3, 4}));
}

TEST_F(OperationListTest, WaitPopWaitsForAnOperation) {
  auto list = TKDOperationList::Create();
  TOperation taken;
  EXPECT_FALSE(list->WaitPop(taken, 20));
  TBackground consumer([&] { EXPECT_TRUE(list->WaitPop(taken, kelvra::kInfinite)); });
  EXPECT_FALSE(consumer.Finished(kBriefly));
  const TOperation stop = new TKDInternalStopOperation();
  list->PushLimit(stop, 5);
  EXPECT_TRUE(consumer.Finished());
  EXPECT_EQ(taken, stop);
}

// What leaves a container is released after the container's lock: here each release asks the
// container again, which would wait for itself if it were released under the lock.
TEST_F(BufferQueueTest, BuffersLeavingTheQueueAreReleasedOutsideItsLock) {
  TKDBufferQueue<IKDDataBuffer> queue;
  auto asking = [&] { return TData(new TWatchedBuffer(600000, [&] { queue.GetCount(); })); };
  TBackground work([&] {
    queue.Push(asking());
    queue.Push(asking());  // over the limit: drops the first
    queue.Clear();
    queue.Push(asking());
    EXPECT_TRUE(queue.Pop(TKDBlockBuffer::CreateSize(600000)));  // uses it up
  });
  EXPECT_TRUE(work.Finished());
}

TEST_F(OperationListTest, OperationsLeavingTheListAreReleasedOutsideItsLock) {
  auto list = TKDOperationList::Create();
  auto asking = [&] { return TOperation(new TWatchedOperation([&] { list->ItemsCount(); })); };
  TBackground work([&] {
    list->Push(asking(), false);
    list->Push(asking(), true);  // clears the first
    list->Clear();
    list->Push(asking(), false);
    list->Push(asking(), false);
    TOperation taken;
    list->Pop(taken);
    list->Pop(taken);  // lets the first taken go
    list->Peek(taken);
  });
  EXPECT_TRUE(work.Finished());
}

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
    queue.WaitPop(dest, kelvra::kInfinite);
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
    list->WaitPop(operation, kelvra::kInfinite);
    mismatches += static_cast<TNumbered*>(operation->GetInstance())->number != expected++;
  }
  producer.join();
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(list->ItemsCount(), 0);
}

}  // namespace
}  // namespace corvane
