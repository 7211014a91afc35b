#include "examples/components/WavLogger.h"

#include <sndfile.h>

#include <cmath>

namespace corvane::examples {

const kelvra::TPropertyTable& TWavLogger::Properties() {
  static const kelvra::TPropertyTable table = kelvra::TPropertyTableBuilder<TWavLogger>().Property(
      "FileName", &TWavLogger::FFileName, &TWavLogger::SetFileName, "");
  return table;
}

TWavLogger::TWavLogger(kelvra::TComponent* AOwner) : TRealSink(AOwner) { InitDefaults(ClassRef); }

TWavLogger::~TWavLogger() { StreamStop(); }

std::string TWavLogger::Summary() {
  const auto section = GetLock()->EnterStopSection();
  return std::to_string(FFrames) + " frames written to " + FFileName;
}

void TWavLogger::StreamStart(double ASampleRate) {
  StreamStop();
  SF_INFO info{};
  info.samplerate = int(std::max(1.0, std::round(ASampleRate)));
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  FFile = sf_open(FFileName.c_str(), SFM_WRITE, &info);
  if (!FFile)
    throw kelvra::EFCreateError("Cannot create file \"" + FFileName + "\". " + sf_strerror(nullptr));
  sf_command(FFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  FFrames = 0;
}

void TWavLogger::ProcessBuffer(const kelvra::TIntf<IKDRealBuffer>& ABuffer) {
  if (!FFile) return;
  FFrames += sf_writef_double(FFile, ABuffer->Read(), ABuffer->GetSize());
}

void TWavLogger::StreamStop() {
  if (FFile) sf_close(FFile);
  FFile = nullptr;
}

}  // namespace corvane::examples
