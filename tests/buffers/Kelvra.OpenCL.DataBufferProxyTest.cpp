#include "corvane/buffers/Kelvra.OpenCL.DataBufferProxy.h"

#include <gtest/gtest.h>

#include "tests/buffers/BufferTestSupport.h"
#include "tests/kelvra/OpenCLTestSupport.h"

namespace corvane {
namespace {

using kelvra::TIntf;
using kelvra::TOCLMemoryFlags;

class OpenCLProxyTest : public BufferTest {
 protected:
  void SetUp() override {
    BufferTest::SetUp();
    context_ = kelvra::testing::FirstPlatformContext();
    if (!context_) GTEST_SKIP() << "no OpenCL platform installed";
    add_ = context_->BuildProgram(kelvra::testing::kAddSource)->CreateKernel("add");
  }

  TIntf<TKDOpenCLBufferProxy> Proxy(const TBuffer& ABuffer, TOCLMemoryFlags AFlags) {
    return Proxy(ABuffer, context_, AFlags);
  }
  static TIntf<TKDOpenCLBufferProxy> Proxy(const TBuffer& ABuffer,
                                           const TIntf<kelvra::IOCLContext>& AContext,
                                           TOCLMemoryFlags AFlags) {
    return TIntf<TKDOpenCLBufferProxy>(
        new TKDOpenCLBufferProxy(kelvra::Supports<IKDGenericBuffer>(ABuffer), AContext, AFlags));
  }

  // Adds AValue to every element of a device copy.
  void AddOnDevice(const TIntf<IKDOpenCLSmartBufferProxy>& AProxy, double AValue) {
    const TIntf<kelvra::IOCLBuffer> buffer = AProxy->GetBuffer();
    add_->SetBufferArg(0, buffer);
    add_->SetArg(1, AValue);
    const size_t global[] = {buffer->GetSize() / sizeof(double)};
    context_->GetCommandQueue(0)->EnqueueKernel(add_, global);
  }

  TIntf<kelvra::IOCLContext> context_;
  TIntf<kelvra::IOCLKernel> add_;
};

// With both ways of sharing memory with the device.
class OpenCLProxyFlags : public OpenCLProxyTest,
                         public ::testing::WithParamInterface<TOCLMemoryFlags> {};

INSTANTIATE_TEST_SUITE_P(
    Proxy, OpenCLProxyFlags,
    ::testing::Values(TOCLMemoryFlags{kelvra::mfReadWrite, kelvra::mfCopyHostPtr},
                      TOCLMemoryFlags{kelvra::mfReadWrite, kelvra::mfUseHostPtr}));

TEST_P(OpenCLProxyFlags, TheHostReadsTheDeviceResultsAfterTheLastUnlock) {
  TBuffer host = Real({1, 2, 3, 4});
  auto proxy = Proxy(host, GetParam());
  TKDSmartBufferProxy* smart = proxy->SmartProxy()->GetInstance();
  kelvra::TObject user;
  smart->Lock(&user, {TBufferAccessMode::Read, TBufferAccessMode::Write});
  AddOnDevice(proxy->SmartProxy(), 10);
  smart->Unlock(&user);
  EXPECT_EQ(Values(host), (std::vector<double>{11, 12, 13, 14}));

  // What the host writes in place reaches the device at the next lock for reading.
  host->Modify()[0] = 100;
  smart->Lock(&user, {TBufferAccessMode::Read, TBufferAccessMode::Write});
  AddOnDevice(proxy->SmartProxy(), 1);
  smart->Unlock(&user);
  EXPECT_EQ(Values(host), (std::vector<double>{101, 13, 14, 15}));
}

TEST_F(OpenCLProxyTest, HandlesShareTheProxyOfTheirContextAndFlags) {
  TBuffer host = Real({1, 2});
  const TOCLMemoryFlags both{kelvra::mfReadWrite, kelvra::mfCopyHostPtr};
  auto first = Proxy(host, both);
  auto same = Proxy(host, {kelvra::mfCopyHostPtr});  // a subset of the flags matches
  auto other = Proxy(host, {kelvra::mfReadOnly, kelvra::mfCopyHostPtr});
  EXPECT_EQ(first->SmartProxy(), same->SmartProxy());
  EXPECT_NE(first->SmartProxy(), other->SmartProxy());
  auto elsewhere = Proxy(host, kelvra::testing::FirstPlatformContext(), both);
  EXPECT_NE(first->SmartProxy(), elsewhere->SmartProxy());

  const kelvra::Variant oneParam[] = {kelvra::Variant(context_)};
  EXPECT_EQ(MessageOf([&] {
              host->GetProxy(TKDOpenCLSmartBufferProxy::ClassRef, oneParam);
            }).rfind("Assertion failure (", 0),
            0u);
}

TEST_F(OpenCLProxyTest, AnInvalidatedDeviceCopyReachesTheBlockThatTheHostDetachedFrom) {
  TBuffer host = Real({1, 2, 3});
  TBuffer sharer = kelvra::Supports<IKDRealBuffer>(
      host->MakeCopy());  // holds the block beside the proxy's buffer
  auto proxy = Proxy(host, {kelvra::mfReadWrite, kelvra::mfCopyHostPtr});
  AddOnDevice(proxy->SmartProxy(), 5);
  proxy->SmartProxy()->Invalidate();
  host->Write()[0] = 7;  // copy-on-write: host takes a fresh block, the device copy stays
  EXPECT_EQ(Values(sharer), (std::vector<double>{1, 2, 3}));  // not read back yet
  proxy.reset();  // the last holder: the invalidated copy is read back into the old block
  EXPECT_EQ(Values(sharer), (std::vector<double>{6, 7, 8}));
  EXPECT_EQ(Values(host), (std::vector<double>{7, 0, 0}));
}

TEST_F(OpenCLProxyTest, TheProxyKeepsItsBlockAliveAfterEveryBufferLeftIt) {
  const int32_t blocks = _KDCountStores.load();
  TBuffer host = Real({1, 2});
  TIntf<IKDOpenCLSmartBufferProxy> smart =
      Proxy(host, {kelvra::mfReadWrite, kelvra::mfUseHostPtr})->SmartProxy();
  host = Real({0});  // the handle and every buffer have let the first block go
  EXPECT_EQ(_KDCountStores.load(), blocks + 2);
  // The device still works in the first block's memory and reads back into it at the end.
  AddOnDevice(smart, 1);
  smart->Invalidate();
  smart.reset();
  EXPECT_EQ(_KDCountStores.load(), blocks + 1);
}

}  // namespace
}  // namespace corvane
