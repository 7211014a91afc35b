// The fixture of the buffer tests: every test must leave as many live blocks and buffers as it
// found. The package is started once for the whole program (BufferTestSupport.cpp).
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "corvane/buffers/KDInternalStore.h"
#include "corvane/buffers/KDSimpleDataBuffer.h"
#include "tests/ExceptionMessage.h"

namespace corvane {

class BufferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stores_ = _KDCountStores.load();
    buffers_ = _KDCountPasBuffers.load();
  }
  void TearDown() override {
    EXPECT_EQ(_KDCountStores.load(), stores_) << "memory blocks leaked or released twice";
    EXPECT_EQ(_KDCountPasBuffers.load(), buffers_) << "buffers leaked or released twice";
  }

 private:
  int32_t stores_ = 0;
  int32_t buffers_ = 0;
};

using TBuffer = kelvra::TIntf<IKDRealBuffer>;

inline TBuffer Real(std::vector<double> values) {
  return TKDRealBuffer::CreateData(values.data(), uint32_t(values.size()));
}

inline std::vector<double> Values(const TBuffer& buffer) {
  const double* items = buffer->Read();
  return std::vector<double>(items, items + buffer->GetSize());
}

using test::MessageOf;

}  // namespace corvane
