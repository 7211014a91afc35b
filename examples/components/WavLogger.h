// Writes the real signal it receives to a WAV file (16-bit PCM, one channel, samples clipped to
// -1 .. 1): each start creates FileName anew at the start's rate, each stop closes it. A file
// that cannot be created fails the start with EFCreateError.
#pragma once

#include <cstdint>
#include <string>

#include "examples/components/RealSink.h"

struct sf_private_tag;

namespace corvane::examples {

class TWavLogger : public TRealSink {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TWavLogger(kelvra::TComponent* AOwner);
  ~TWavLogger() override;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  const std::string& GetFileName() const { return FFileName; }
  void SetFileName(const std::string& AValue) { SetProperty(FFileName, AValue); }
  std::string Summary() override;

 protected:
  void StreamStart(double ASampleRate) override;
  void ProcessBuffer(const kelvra::TIntf<IKDRealBuffer>& ABuffer) override;
  void StreamStop() override;

 private:
  std::string FFileName;
  sf_private_tag* FFile = nullptr;  // under the lock; open between start and stop
  int64_t FFrames = 0;
};
inline constexpr kelvra::TClassRef TWavLogger::ClassRef = kelvra::ClassRefOf<TWavLogger, TRealSink>(
    "TWavLogger", {.Properties = &TWavLogger::Properties});

}  // namespace corvane::examples
