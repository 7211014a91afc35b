// Plays a sound file (any format libsndfile reads: WAV, AIFF, FLAC, ...) as a real signal: the
// channels of each frame are averaged into one sample, and SampleRate takes the file's rate at
// each start. At the end of the file the last, shorter buffer is sent and the player stops
// itself. A file that cannot be opened fails the start with EFOpenError.
#pragma once

#include <string>

#include "corvane/framework/KDCommonGen.h"

struct sf_private_tag;

namespace corvane::examples {

class TWavPlayer : public TKDCommonRealGen {
 public:
  static const kelvra::TClassRef ClassRef;
  static const kelvra::TPropertyTable& Properties();
  explicit TWavPlayer(kelvra::TComponent* AOwner);
  ~TWavPlayer() override;
  const kelvra::TClassRef& ClassType() const override { return ClassRef; }

  const std::string& GetFileName() const { return FFileName; }
  void SetFileName(const std::string& AValue) { SetProperty(FFileName, AValue); }

 protected:
  bool GetCanStart() override { return !FFileName.empty(); }
  void StartStream() override;
  void StreamStop() override;
  void IntGenerate(const kelvra::TIntf<IKDRealBuffer>& ABuffer, bool& ASend,
                   bool& AStop) override;

 private:
  void CloseFile();

  std::string FFileName;
  sf_private_tag* FFile = nullptr;  // under the lock; open while playing
  int FChannels = 1;
};
inline constexpr kelvra::TClassRef TWavPlayer::ClassRef =
    kelvra::ClassRefOf<TWavPlayer, TKDCommonRealGen>(
        "TWavPlayer", {.Properties = &TWavPlayer::Properties});

}  // namespace corvane::examples
