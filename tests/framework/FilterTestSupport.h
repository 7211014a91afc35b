// Set-up shared by the filter and multi-input tests: a sink that records what reaches it, from
// any thread, and real buffers of given samples.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "corvane/streams/KDStreamTypes.Pins.h"

namespace corvane::test {

using namespace std::chrono_literals;

inline kelvra::TIntf<IKDRealBuffer> RealBuffer(const std::vector<double>& AValues) {
  return TKDRealBuffer::CreateData(AValues.data(), uint32_t(AValues.size()));
}

// Records each buffer's samples, each single value, the class names of the other operations and
// the thread the last buffer came on. ADelay makes it a slow consumer.
class TRecordingSink {
 public:
  explicit TRecordingSink(std::chrono::microseconds ADelay = {})
      : delay_(ADelay), pin_({}, nullptr, [this](auto*, auto*, auto&, auto& AOperation, auto) {
          Receive(AOperation);
          return TPNNotifyResult{};
        }) {}

  TKDPNRealSinkPin& Pin() { return pin_; }

  // Waits until at least ACount buffers have arrived; false after ATimeout.
  bool WaitForBuffers(size_t ACount, std::chrono::seconds ATimeout = 60s) {
    std::unique_lock guard(lock_);
    return arrived_.wait_for(guard, ATimeout, [&] { return buffers_.size() >= ACount; });
  }
  // Waits until no buffer has arrived for AQuiet.
  void WaitForQuiet(std::chrono::milliseconds AQuiet = 200ms) {
    for (size_t before = SIZE_MAX; before != BufferCount();) {
      before = BufferCount();
      std::this_thread::sleep_for(AQuiet);
    }
  }
  size_t BufferCount() {
    std::lock_guard guard(lock_);
    return buffers_.size();
  }
  std::vector<std::vector<double>> Buffers() {
    std::lock_guard guard(lock_);
    return buffers_;
  }
  std::vector<float> Singles() {
    std::lock_guard guard(lock_);
    return singles_;
  }
  std::vector<std::string> Others() {
    std::lock_guard guard(lock_);
    return others_;
  }
  std::vector<double> StartRates() {
    std::lock_guard guard(lock_);
    return startRates_;
  }
  std::thread::id LastThread() {
    std::lock_guard guard(lock_);
    return lastThread_;
  }

 private:
  void Receive(const TPNOperation& AOperation) {
    if (delay_.count()) std::this_thread::sleep_for(delay_);
    std::lock_guard guard(lock_);
    if (const auto* supplied = pinweave::OperationAs<TPNSuppliedBufferOperation>(AOperation)) {
      const auto buffer = KDBufferAs<TKDRealBuffer>(supplied->Value());
      buffers_.emplace_back(buffer->Read(), buffer->Read() + buffer->GetSize());
      lastThread_ = std::this_thread::get_id();
      arrived_.notify_all();
    } else if (const auto* single =
                   pinweave::OperationAs<pinweave::TPNTypedSuppliedOperation<float>>(AOperation)) {
      singles_.push_back(single->Value());
    } else {
      if (const auto* start = pinweave::OperationAs<TPNStartSampleRateOperation>(AOperation))
        startRates_.push_back(start->SampleRate);
      others_.emplace_back(AOperation->GetInstance()->ClassType().Name());
    }
  }

  const std::chrono::microseconds delay_;
  std::mutex lock_;
  std::condition_variable arrived_;
  std::vector<std::vector<double>> buffers_;
  std::vector<float> singles_;
  std::vector<std::string> others_;
  std::vector<double> startRates_;
  std::thread::id lastThread_;
  TKDPNRealSinkPin pin_;
};

}  // namespace corvane::test
