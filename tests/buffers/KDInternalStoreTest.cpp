#include "corvane/buffers/KDInternalStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "kelvra/Kelvra.SysUtils.h"
#include "tests/buffers/BufferTestSupport.h"

namespace corvane {
namespace {

using StoreTest = BufferTest;

// A block is destroyed by the RemoveReff that releases its last holder.
TKDSmartMemoryBuffer* HeldBlock(uint32_t size, int owners, int others) {
  auto* block = new TKDSmartMemoryBuffer(size);
  for (int i = 0; i < owners; ++i) block->AddReff(true);
  for (int i = 0; i < others; ++i) block->AddReff(false);
  return block;
}

TEST_F(StoreTest, NewBlocksAreZeroFilledAndCopiesTakeNoCountsOrNumber) {
  const uint8_t bytes[] = {1, 2, 3, 4, 5};
  auto* fromData = new TKDSmartMemoryBuffer(bytes, 5);
  fromData->AddReff(true);
  fromData->SetBufferNumber(42);
  fromData->SetBufferNumberAvailable(true);
  auto* fromNil = new TKDSmartMemoryBuffer(nullptr, 5);
  fromNil->AddReff(true);
  EXPECT_EQ(std::vector<uint8_t>(static_cast<uint8_t*>(fromNil->GetData()),
                                 static_cast<uint8_t*>(fromNil->GetData()) + 5),
            std::vector<uint8_t>(5, 0));

  TKDSmartBuffer* copy = fromData->Clone(true);
  TKDSmartBuffer* blank = fromData->Clone(false);
  EXPECT_EQ(copy->GetSize(), 5u);
  EXPECT_EQ(std::memcmp(copy->GetData(), bytes, 5), 0);
  EXPECT_EQ(static_cast<uint8_t*>(blank->GetData())[2], 0);
  EXPECT_EQ(copy->OwnerCount(), 0);
  EXPECT_EQ(copy->ReferenceCount(), 0);
  EXPECT_EQ(copy->GetBufferNumber(), 0);
  EXPECT_FALSE(copy->GetBufferNumberAvailable());

  // CopyFrom copies as many bytes as the smaller block holds.
  auto* small = HeldBlock(3, 1, 0);
  small->CopyFrom(*fromData);
  EXPECT_EQ(std::memcmp(small->GetData(), bytes, 3), 0);
  fromNil->CopyFrom(*small);
  EXPECT_EQ(static_cast<uint8_t*>(fromNil->GetData())[2], 3);
  EXPECT_EQ(static_cast<uint8_t*>(fromNil->GetData())[3], 0);

  for (TKDSmartBuffer* block : {copy, blank}) {
    block->AddReff(false);
    block->RemoveReff(false);
  }
  small->RemoveReff(true);
  fromNil->RemoveReff(true);
  fromData->RemoveReff(true);
}

TEST_F(StoreTest, CountsNeverGoBelowZeroAndSingleOwnerMeansAtMostOne) {
  const int32_t before = _KDCountStores.load();
  auto* block = HeldBlock(8, 0, 2);
  EXPECT_EQ(_KDCountStores.load(), before + 1);
  EXPECT_TRUE(block->SingleOwner());  // no owner at all
  block->RemoveReff(true);            // owner count already 0: only the references drop
  EXPECT_EQ(block->OwnerCount(), 0);
  EXPECT_EQ(block->ReferenceCount(), 1);

  block->AddReff(true);
  block->AddReff(false);
  EXPECT_TRUE(block->SingleOwner());  // one owner and any number of other holders
  block->AddReff(true);
  EXPECT_FALSE(block->SingleOwner());
  block->RemoveOwnerShip();
  EXPECT_TRUE(block->SingleOwner());
  EXPECT_EQ(block->ReferenceCount(), 4);  // RemoveOwnerShip keeps the reference
  block->RemoveOwnerShip();
  block->RemoveOwnerShip();
  EXPECT_EQ(block->OwnerCount(), 0);

  // The lock is re-entrant on one thread.
  block->EnterRead();
  block->EnterWrite();
  EXPECT_TRUE(block->SingleOwner());
  block->LeaveWrite();
  block->LeaveRead();

  for (int i = 0; i < 4; ++i) block->RemoveReff(false);
  EXPECT_EQ(_KDCountStores.load(), before);
}

// A block class without its own Clone.
class TBareBlock : public TKDSmartBuffer {
 public:
  uint32_t GetSize() override { return 0; }
  void* GetData() override { return nullptr; }
};

TEST_F(StoreTest, CloningABlockClassWithoutOverrideIsAnAssertion) {
  auto* block = new TBareBlock();
  block->AddReff(true);
  const std::string message = MessageOf<kelvra::EAssertionFailed>([&] { block->Clone(true); });
  EXPECT_TRUE(message.starts_with(
      "Cloning is not implemented for TBareBlock (KDInternalStore.cpp, line "))
      << message;
  block->RemoveReff(true);
}

// ---------------------------------------------------------------------------------------------
// Proxies

class TRecordingProxy : public TKDSmartBufferProxy {
 public:
  TRecordingProxy(TKDSmartBuffer* block, std::span<const kelvra::Variant> params)
      : TKDSmartBufferProxy(block, params),
        key_(params.empty() ? 0 : params[0].AsInt64()) {
    ++created;
  }
  bool MatchesParameters(std::span<const kelvra::Variant> params) override {
    return !params.empty() && params[0].AsInt64() == key_;
  }
  void Syncronize(TBufferAccessModes modes) override { synchronised.push_back(modes.Bits()); }
  TKDSmartBuffer* Block() const { return Buffer(); }

  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
  static inline int created = 0;
  std::vector<int> synchronised;

 private:
  int64_t key_;
};
inline constexpr kelvra::TClassRef TRecordingProxy::ClassRef =
    kelvra::ClassRefOf<TRecordingProxy, TKDSmartBufferProxy>("TRecordingProxy");

class TOtherProxy : public TRecordingProxy {
 public:
  using TRecordingProxy::TRecordingProxy;
  static const kelvra::TClassRef ClassRef;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }
};
inline constexpr kelvra::TClassRef TOtherProxy::ClassRef =
    kelvra::ClassRefOf<TOtherProxy, TRecordingProxy>("TOtherProxy");

TEST_F(StoreTest, GetProxyFindsOrCreatesByExactClassAndParameters) {
  TBuffer buffer = TKDRealBuffer::CreateSize(4);
  const kelvra::Variant one[] = {int64_t(1)}, two[] = {int64_t(2)};
  const auto& recording = TRecordingProxy::ClassRef;
  TRecordingProxy::created = 0;

  auto first = buffer->GetProxy(recording, one);
  auto again = buffer->GetProxy(recording, one);
  auto second = buffer->GetProxy(recording, two);
  auto other = buffer->GetProxy(TOtherProxy::ClassRef, one);
  EXPECT_EQ(first.get(), again.get());
  EXPECT_NE(first.get(), second.get());
  EXPECT_NE(first->GetInstance(), other->GetInstance());  // a descendant class is another class
  EXPECT_EQ(TRecordingProxy::created, 3);

  // Once every holder of a proxy has let it go, the list never hands it out again.
  first.reset();
  again.reset();
  auto fresh = buffer->GetProxy(recording, one);
  EXPECT_EQ(TRecordingProxy::created, 4);
  EXPECT_EQ(fresh->GetInstance()->MatchesParameters(one), true);
}

TEST_F(StoreTest, AProxyKeepsItsBlockAliveAfterTheBufferHasLeftIt) {
  TBuffer buffer = Real({1, 2, 3});
  TBuffer sharer = TKDRealBuffer::CreateCopy(buffer);
  const kelvra::Variant params[] = {int64_t(7)};
  auto proxy = buffer->GetProxy(TRecordingProxy::ClassRef, params);
  auto* recording = static_cast<TRecordingProxy*>(proxy->GetInstance());
  TKDSmartBuffer* block = recording->Block();

  buffer->Write();  // detaches: the buffer leaves the block
  sharer.reset();   // the last buffer holding it
  EXPECT_EQ(block->ReferenceCount(), 1);  // only the proxy
  EXPECT_EQ(static_cast<double*>(block->GetData())[2], 3.0);
}

TEST_F(StoreTest, LockAndUnlockSynchroniseWithTheUnionOnceNoOwnerIsLeft) {
  TBuffer buffer = TKDRealBuffer::CreateSize(1);
  const kelvra::Variant params[] = {int64_t(0)};
  auto proxy = buffer->GetProxy(TRecordingProxy::ClassRef, params);
  auto& p = *static_cast<TRecordingProxy*>(proxy->GetInstance());
  kelvra::TObject a, b, stranger;
  using enum TBufferAccessMode;

  p.Lock(&a, {Read});
  p.Lock(&b, {Write});
  p.Lock(&a, {Read});  // replaces a's record
  p.Unlock(&a);
  EXPECT_TRUE(p.synchronised.empty());  // b still holds a record
  p.Unlock(&b);
  EXPECT_EQ(p.synchronised, std::vector<int>{3});
  p.Unlock(&stranger);  // no record: nothing to drop, and none left
  EXPECT_EQ(p.synchronised, (std::vector<int>{3, 3}));  // the union is never cleared
  proxy->Invalidate();  // does nothing in the base class
}

// Holders of one block on two threads stamp it, share and release it, and lock its proxy at once
// (run under the thread sanitizer): the counts come back to the one holder left, and the stamp
// holds one of the numbers written.
TEST_F(StoreTest, HoldersOnTwoThreadsStampCountAndProxyOneBlock) {
  constexpr int kRounds = 2000;
  TBuffer buffer = TKDRealBuffer::CreateSize(4);
  const kelvra::Variant params[] = {int64_t(1)};
  auto work = [&](int64_t first) {
    TBuffer mine = TKDRealBuffer::CreateCopy(buffer);
    auto stamp = mine->GetSequenceStamp();
    kelvra::TObject owner;
    for (int i = 0; i < kRounds; ++i) {
      stamp->SetBufferNumber(first + i);
      stamp->SetAvailable(true);
      EXPECT_TRUE(stamp->GetAvailable());
      auto sharer = mine->MakeCopy();
      auto proxy = mine->GetProxy(TRecordingProxy::ClassRef, params);
      proxy->GetInstance()->Lock(&owner, {TBufferAccessMode::Read});
      proxy->GetInstance()->Unlock(&owner);
    }
  };
  std::thread other(work, 1000000);
  work(0);
  other.join();
  TKDSmartBuffer* block = TKDGenericBuffer::BufferOf(buffer).DataContainer();
  EXPECT_EQ(block->ReferenceCount(), 1);
  EXPECT_EQ(block->OwnerCount(), 1);
  const int64_t last = block->GetBufferNumber();
  EXPECT_TRUE(last == kRounds - 1 || last == 1000000 + kRounds - 1) << last;
}

}  // namespace
}  // namespace corvane
