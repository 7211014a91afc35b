#include "corvane/buffers/KDSimpleDataBuffer.h"

#include <gtest/gtest.h>

#include <barrier>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>
#include <utility>

#include "corvane/buffers/KDSimpleDataBuffer.Block.h"
#include "corvane/buffers/KDSimpleDataBuffer.Boolean.h"
#include "corvane/buffers/KDSimpleDataBuffer.Complex.h"
#include "corvane/buffers/KDSimpleDataBuffer.Integer.h"
#include "corvane/buffers/KDSimpleDataBuffer.Matrix.h"
#include "kelvra/Kelvra.Serialization.h"
#include "tests/buffers/BufferTestSupport.h"

namespace corvane {
namespace {

using kelvra::TIntf;
using enum TBufferAccessMode;
using GenericBufferTest = BufferTest;

TKDSmartBuffer* BlockOf(const TIntf<IKDData>& buffer) {
  return TKDGenericBuffer::BufferOf(buffer).DataContainer();
}

TEST_F(GenericBufferTest, CopiesShareTheBlockUntilOneWrites) {
  TBuffer source = Real({1, 2, 3, 4});
  source->GetSequenceStamp()->SetBufferNumber(17);
  source->GetSequenceStamp()->SetAvailable(true);
  const int32_t stores = _KDCountStores.load();

  TBuffer copy = Supports<IKDRealBuffer>(source->MakeCopy());
  ASSERT_TRUE(copy);
  EXPECT_EQ(BlockOf(copy), BlockOf(source));
  EXPECT_EQ(_KDCountStores.load(), stores);  // sharing copies no data
  EXPECT_EQ(copy->GetSequenceStamp()->GetBufferNumber(), 17);  // the stamp lives in the block

  copy->SetItem(0, 10);
  EXPECT_NE(BlockOf(copy), BlockOf(source));
  EXPECT_EQ(Values(source), (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(Values(copy), (std::vector<double>{10, 2, 3, 4}));
  EXPECT_EQ(source->GetSequenceStamp()->GetBufferNumber(), 17);
  EXPECT_EQ(copy->GetSequenceStamp()->GetBufferNumber(), 0);  // a detached copy has no number
  EXPECT_FALSE(copy->GetSequenceStamp()->GetAvailable());
}

TEST_F(GenericBufferTest, WriteGivesZerosModifyGivesTheOldValuesReadNeverDetaches) {
  TBuffer source = Real({1, 2, 3, 4});
  TBuffer writer = TKDRealBuffer::CreateCopy(source);
  TBuffer modifier = TKDRealBuffer::CreateCopy(source);
  TBuffer reader = TKDRealBuffer::CreateCopy(source);

  EXPECT_EQ(reader->Read(), source->Read());
  EXPECT_EQ(reader->Data({Read})->GetItems(), source->Read());
  EXPECT_EQ(reader->Data({})->GetItems(), source->Read());
  writer->Write();
  modifier->Modify();
  EXPECT_EQ(Values(writer), (std::vector<double>(4, 0.0)));
  EXPECT_EQ(Values(modifier), (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(BlockOf(reader), BlockOf(source));

  // A sole owner writes in place.
  double* before = writer->Read();
  EXPECT_FALSE(writer->MakeUnique(true));
  EXPECT_EQ(writer->Write(), before);

  // The access object re-runs its accessor, so a detach made through it is seen.
  auto access = reader->Data({Read, Write});
  EXPECT_EQ(BlockOf(reader), BlockOf(source));  // nothing happens until the pointer is asked for
  EXPECT_NE(access->GetItems(), source->Read());
  EXPECT_EQ(access->GetSize(), 4u);
  EXPECT_EQ(access->GetByteSize(), 32u);
  EXPECT_EQ(Values(reader), (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(reader->ByteData({Write})->GetBytes(), reader->Read());  // sole owner by now
}

TEST_F(GenericBufferTest, ABufferThatGaveUpOwnershipLetsTheOtherWriteInPlace) {
  TBuffer keeper = Real({5, 6});
  TBuffer viewer = TKDRealBuffer::CreateCopy(keeper);
  auto& view = TKDGenericBuffer::BufferOf(viewer);
  EXPECT_TRUE(view.OwnsData());
  view.RemoveOwnerShip();
  view.RemoveOwnerShip();  // only once
  EXPECT_FALSE(view.OwnsData());
  EXPECT_EQ(BlockOf(keeper)->OwnerCount(), 1);

  keeper->SetItem(1, 60);
  EXPECT_EQ(BlockOf(keeper), BlockOf(viewer));
  EXPECT_EQ(viewer->GetItem(1), 60);

  // Its own writes still detach when two or more other owners hold the block.
  TBuffer third = TKDRealBuffer::CreateCopy(keeper);
  viewer->SetItem(0, 50);
  EXPECT_NE(BlockOf(viewer), BlockOf(keeper));
  EXPECT_EQ(keeper->GetItem(0), 5);
  EXPECT_EQ(BlockOf(keeper)->OwnerCount(), 2);  // released with the flag it was taken with
}

TEST_F(GenericBufferTest, AssignSharesTheSourcesBlockAndCopiesItsCustomData) {
  TBuffer a = Real({1, 2, 3});
  TBuffer b = Real({9});
  a->AddCustom(Real({7}));
  a->GetSequenceStamp()->SetBufferNumber(5);

  a->Assign(a);  // to itself: nothing changes
  EXPECT_EQ(a->GetCustomCount(), 1);
  EXPECT_EQ(Values(a), (std::vector<double>{1, 2, 3}));

  b->Assign(a);
  EXPECT_EQ(BlockOf(b), BlockOf(a));
  EXPECT_EQ(b->GetSize(), 3u);
  EXPECT_EQ(b->GetSequenceStamp()->GetBufferNumber(), 5);
  ASSERT_EQ(b->GetCustomCount(), 1);
  EXPECT_NE(b->GetCustom(0).get(), a->GetCustom(0).get());  // custom data are copied
}

TEST_F(GenericBufferTest, ResizeFollowsItsSixCases) {
  auto bytes = TKDLinearMemoryBuffer::CreateSize(8);
  std::memcpy(bytes->ByteWrite(), "abcdefgh", 8);
  TKDSmartBuffer* block = BlockOf(bytes);
  int notifications = 0;
  TKDGenericBuffer::BufferOf(bytes).CacheNotification().Add([&] { ++notifications; });

  EXPECT_FALSE(bytes->Resize(8, true));  // the same size
  EXPECT_EQ(notifications, 0);
  EXPECT_TRUE(bytes->Resize(3, true));   // shrinking with AKeep keeps the block
  EXPECT_EQ(BlockOf(bytes), block);
  EXPECT_EQ(bytes->GetByteSize(), 3u);
  EXPECT_TRUE(bytes->Resize(0, true));   // 0 keeps the block
  EXPECT_EQ(BlockOf(bytes), block);
  EXPECT_TRUE(bytes->Resize(8, true));   // growing within a single-owner block shows old bytes
  EXPECT_EQ(BlockOf(bytes), block);
  EXPECT_EQ(std::memcmp(bytes->ByteRead(), "abcdefgh", 8), 0);
  EXPECT_EQ(notifications, 3);

  EXPECT_TRUE(bytes->Resize(12, true));  // beyond the block: a new one with the old bytes
  EXPECT_NE(BlockOf(bytes), block);
  EXPECT_EQ(std::memcmp(bytes->ByteRead(), "abcdefgh\0\0\0\0", 12), 0);

  auto sharer = TKDGenericBuffer::CreateCopy(Supports<IKDGenericBuffer>(bytes));
  EXPECT_TRUE(bytes->Resize(4, false));  // no AKeep: a new zero-filled block
  EXPECT_EQ(std::memcmp(bytes->ByteRead(), "\0\0\0\0", 4), 0);
  EXPECT_EQ(std::memcmp(sharer->ByteRead(), "abcdefgh", 8), 0);

  // Growing with AKeep in a shared block takes a new block even when the old one is large enough.
  auto shared = TKDGenericBuffer::CreateCopy(Supports<IKDGenericBuffer>(bytes));
  bytes->Resize(2, true);
  TKDSmartBuffer* sharedBlock = BlockOf(bytes);
  bytes->Resize(4, true);
  EXPECT_NE(BlockOf(bytes), sharedBlock);

  auto empty = TKDLinearMemoryBuffer::CreateSize(0);
  EXPECT_TRUE(empty->Resize(0, true));
}

// Sizes whose bytes no block can hold raise the out-of-memory error before anything is
// allocated, whatever the arithmetic of the count would wrap to.
TEST_F(GenericBufferTest, SizesNoBlockCanHoldRaiseOutOfMemory) {
  const TBuffer wide = TKDRealBuffer::CreateSize(1u << 20);
  auto rows = TKDRealBufferList::Create();  // 4097 rows of 2^20: Count x MaxSize passes 2^32
  for (int i = 0; i < 4097; ++i) rows->Append(wide);
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"allocation above INT32_MAX", [] { KDBufferAllocate(uint32_t(INT32_MAX) + 1); }},
      {"2^28 reals: 2 GiB", [] { TKDRealBuffer::CreateSize(1u << 28); }},
      {"2^29 reals: 4 GiB", [] { TKDRealBuffer::CreateSize(1u << 29); }},
      {"2^28 complex: 4 GiB", [] { TKDComplexBuffer::CreateSize(1u << 28); }},
      {"2^16 x 2^16 cells", [] { TKDRealMatrixBuffer::CreateSize(1u << 16, 1u << 16); }},
      {"resize to 4 GiB", [&] { Real({1})->Resize(1u << 29, true); }},
      {"array of 4097 x 2^20", [&] { TKDRealBuffer::CreateBufferArray(rows); }},
  };
  for (const auto& [name, action] : cases) {
    SCOPED_TRACE(name);
    EXPECT_THROW(action(), kelvra::EOutOfMemory);
  }
}

TEST_F(GenericBufferTest, IsEqualComparesByteSizesThenBytes) {
  EXPECT_TRUE(Real({1, 2})->IsEqual(Real({1, 2})));
  EXPECT_FALSE(Real({1, 2})->IsEqual(Real({1, 3})));
  EXPECT_FALSE(Real({1, 2})->IsEqual(Real({1, 2, 0})));
  EXPECT_TRUE(Real({})->IsEqual(Real({})));
  // The real buffer only equals real buffers.
  auto bytes = TKDLinearMemoryBuffer::CreateSize(8);
  EXPECT_FALSE(Real({0})->IsEqual(bytes));
  EXPECT_TRUE(bytes->IsEqual(Real({0})));
  EXPECT_EQ(Real({1})->AsBytes(), Supports<IKDDataBuffer>(TKDRealBuffer::CreateValue(1, 1))->AsBytes());
}

TEST_F(GenericBufferTest, CopyToCopiesElementsBetweenRealBuffersAndBytesOtherwise) {
  TBuffer source = Real({1, 2, 3, 4});
  TBuffer dest = Real({0, 0, 0, 0, 0});
  TBuffer sharer = TKDRealBuffer::CreateCopy(dest);
  source->CopyTo(1, dest, 2, 3);
  EXPECT_EQ(Values(dest), (std::vector<double>{0, 0, 2, 3, 4}));
  EXPECT_EQ(Values(sharer), (std::vector<double>(5, 0.0)));  // the destination detached

  auto bytes = TKDLinearMemoryBuffer::CreateSize(4);
  source->CopyTo(8, bytes, 0, 4);  // byte indices for a destination that is no real buffer
  double two = 2;
  EXPECT_EQ(std::memcmp(bytes->ByteRead(), &two, 4), 0);
}

TEST_F(GenericBufferTest, StreamsAndFilesHoldTheRawBytes) {
  TBuffer source = Real({1.5, -2.5});
  kelvra::TMemoryStream stream;
  source->SaveToStream(stream);
  EXPECT_EQ(stream.Size(), 16);
  EXPECT_EQ(std::memcmp(stream.Memory(), source->Read(), 16), 0);

  TBuffer loaded = TKDRealBuffer::CreateSize(2);
  stream.SetPosition(0);
  loaded->LoadFromStream(stream);
  EXPECT_EQ(Values(loaded), Values(source));

  TBuffer tooLarge = TKDRealBuffer::CreateSize(3);
  stream.SetPosition(0);
  EXPECT_THROW(tooLarge->LoadFromStream(stream), kelvra::EReadError);

  const auto path = std::filesystem::temp_directory_path() / "corvane-buffer-test.bin";
  source->SaveToFile(path.string());
  TBuffer fromFile = TKDRealBuffer::CreateSize(2);
  fromFile->LoadFromFile(path.string());
  EXPECT_EQ(Values(fromFile), Values(source));
  std::filesystem::remove(path);
  EXPECT_THROW(source->SaveToFile("/dev/full"), kelvra::EWriteError);  // fails only at the close
  EXPECT_EQ(MessageOf<kelvra::EFOpenError>([&] { fromFile->LoadFromFile(path.string()); }),
            "Cannot open file \"" + path.string() + "\".");
}

TEST_F(GenericBufferTest, MakeCopyOfPlainDataIsAbstract) {
  auto data = TKDData::Create();
  EXPECT_THROW(data->MakeCopy(), kelvra::EAbstractError);
  EXPECT_THROW(TKDRealBuffer::CreateUniversal(data), kelvra::EInvalidCast);
}

TEST_F(GenericBufferTest, CreateUniversalViewsAnyMemoryBufferAsReals) {
  auto bytes = TKDLinearMemoryBuffer::CreateSize(20);
  TBuffer view = TKDRealBuffer::CreateUniversal(bytes);
  EXPECT_EQ(view->GetSize(), 2u);  // 20 bytes hold two whole doubles
  EXPECT_EQ(view->Read(), bytes->ByteRead());
  view->SetValue(1.0);
  EXPECT_EQ(view->GetItem(1), 1.0);
  EXPECT_EQ(static_cast<uint8_t*>(bytes->ByteRead())[7], 0);  // the view detached
}

// ---------------------------------------------------------------------------------------------
// Serialisation

std::vector<uint8_t> Stored(const TIntf<IKDData>& data) {
  kelvra::TMemoryStream stream;
  kelvra::TSerialize::Serialize(*Supports<kelvra::ISerializable>(data), stream);
  return std::vector<uint8_t>(stream.Memory(), stream.Memory() + stream.Size());
}

// Reads `bytes` into `into`, or, without it, as a new object of the class they name.
TIntf<kelvra::ISerializable> Load(const std::vector<uint8_t>& bytes,
                                  const TIntf<IKDData>& into = nullptr) {
  kelvra::TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
  stream.SetPosition(0);
  if (!into) return kelvra::TSerialize::Deserialize(stream);
  kelvra::TSerialize::Deserialize(stream, *Supports<kelvra::ISerializable>(into));
  return nullptr;
}

TEST_F(GenericBufferTest, SerialisationRoundTripsDataStampAndCustomData) {
  TBuffer source = Real({1, 2, 3});
  source->GetSequenceStamp()->SetBufferNumber(-99);
  source->AddCustom(Real({4, 5}));
  const std::vector<uint8_t> bytes = Stored(source);

  TBuffer target = TKDRealBuffer::CreateSize(3);
  TBuffer sharer = TKDRealBuffer::CreateCopy(target);
  Load(bytes, target);
  EXPECT_EQ(Values(target), (std::vector<double>{1, 2, 3}));
  EXPECT_NE(BlockOf(target), BlockOf(sharer));  // reading took write access first
  EXPECT_TRUE(target->GetSequenceStamp()->GetAvailable());  // always stored as available
  EXPECT_EQ(target->GetSequenceStamp()->GetBufferNumber(), -99);
  ASSERT_EQ(target->GetCustomCount(), 1);
  // Recreated by class, sized 0: only what fits the current size is read.
  TBuffer custom = Supports<IKDRealBuffer>(target->GetCustom(0));
  ASSERT_TRUE(custom);
  EXPECT_EQ(custom->GetSize(), 0u);

  // At most the current byte size is read; the rest of a larger buffer stays zero.
  TBuffer empty = TKDRealBuffer::Create();
  Load(bytes, empty);
  EXPECT_EQ(empty->GetSize(), 0u);
  TBuffer larger = Real({9, 9, 9, 9});
  TBuffer largerSharer = TKDRealBuffer::CreateCopy(larger);
  Load(bytes, larger);
  EXPECT_EQ(Values(larger), (std::vector<double>{1, 2, 3, 0}));
}

TEST_F(GenericBufferTest, AStoredBufferIsRecreatedByClass) {
  std::vector<uint8_t> bytes = Stored(Real({1}));
  EXPECT_TRUE(Supports<IKDRealBuffer>(Load(bytes)));
  // Buffers stored in version 1 of the format, whose layout they still use, load as well.
  bytes[4] = 1;
  EXPECT_TRUE(Supports<IKDRealBuffer>(Load(bytes)));
}

// Each registered class comes back as itself; a buffer sized beforehand gets its bytes back.
TEST_F(GenericBufferTest, EveryRegisteredBufferClassStoresAndLoadsBack) {
  const double cells[] = {1, 2, 3, 4};
  const TIntf<IKDData> stored[] = {
      TKDBlockBuffer::CreateValue(3, 7),
      TKDBooleanBuffer::CreateValue(9, true),
      Real({1, 2}),
      TKDComplexBuffer::CreateValue(1, 2, 2),
      TKDIntegerBuffer::CreateValue(-5, 2),
      TKDRealMatrixBuffer::CreateData(cells, 2, 2),
      TKDRealBufferList::Create(),
  };
  for (const auto& data : stored) {
    const std::vector<uint8_t> bytes = Stored(data);
    auto object = Supports<IKDData>(Load(bytes));
    ASSERT_TRUE(object);
    EXPECT_EQ(typeid(*object->GetInstance()), typeid(*data->GetInstance()));
    if (auto buffer = Supports<IKDDataBuffer>(data)) {
      auto sized = Supports<IKDDataBuffer>(data->MakeCopy());
      sized->ByteWrite();  // a fresh zero-filled block of the same size
      Load(bytes, sized);
      EXPECT_TRUE(sized->IsEqual(buffer)) << typeid(*data->GetInstance()).name();
    }
  }
}

TEST_F(GenericBufferTest, CorruptStoredBuffersAreRefusedWithoutChangingTheStamp) {
  TBuffer source = Real({1, 2});
  source->AddCustom(Real({3}));
  const std::vector<uint8_t> bytes = Stored(source);
  TBuffer target = TKDRealBuffer::CreateSize(2);
  for (size_t length = 0; length < bytes.size(); ++length) {
    std::vector<uint8_t> truncated(bytes.begin(), bytes.begin() + length);
    EXPECT_THROW(Load(truncated, target), kelvra::EReadError) << "length " << length;
  }
  std::vector<uint8_t> corrupt = bytes;
  corrupt[4] = 3;  // an unknown version
  EXPECT_THROW(Load(corrupt, target), kelvra::EReadError);
  EXPECT_EQ(Values(target), (std::vector<double>{0, 0}));
}

// ---------------------------------------------------------------------------------------------
// Threads

// Eight threads each hold copies of one buffer and write their own copy, again and again; each
// must see only its own writes, and every block and buffer must be gone at the end.
TEST_F(GenericBufferTest, CopiesWrittenOnEightThreadsStayApart) {
  constexpr int kThreads = 8, kRounds = 200, kSize = 64;
  TBuffer shared = TKDRealBuffer::CreateValue(-1.0, kSize);
  std::barrier sync(kThreads);
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        TBuffer mine = TKDRealBuffer::CreateCopy(shared);
        TBuffer alsoMine = Supports<IKDRealBuffer>(mine->MakeCopy());
        sync.arrive_and_wait();  // every thread holds the shared block now
        if (round % 2) mine->AddValue(t + 1.0);  // copies -1 + (t + 1)
        else mine->SetValue(t);                  // a fresh block
        alsoMine->SetItem(round % kSize, 100.0 + t);
        for (int i = 0; i < kSize; ++i) {
          failures[t] += mine->GetItem(i) != double(t);
          failures[t] += alsoMine->GetItem(i) != (i == round % kSize ? 100.0 + t : -1.0);
        }
        sync.arrive_and_wait();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
  EXPECT_TRUE(shared->IsEqualToValue(-1.0));
  EXPECT_EQ(BlockOf(shared)->ReferenceCount(), 1);
}

}  // namespace
}  // namespace corvane
