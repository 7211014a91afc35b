#include "examples/components/WavPlayer.h"

#include <sndfile.h>

#include <vector>

namespace corvane::examples {

const kelvra::TPropertyTable& TWavPlayer::Properties() {
  static const kelvra::TPropertyTable table = kelvra::TPropertyTableBuilder<TWavPlayer>().Property(
      "FileName", &TWavPlayer::FFileName, &TWavPlayer::SetFileName, "");
  return table;
}

TWavPlayer::TWavPlayer(kelvra::TComponent* AOwner) : TKDCommonRealGen(AOwner) {
  InitDefaults(ClassRef);
}

TWavPlayer::~TWavPlayer() { CloseFile(); }

void TWavPlayer::StartStream() {
  CloseFile();
  SF_INFO info{};
  FFile = sf_open(FFileName.c_str(), SFM_READ, &info);
  if (!FFile) throw kelvra::EFOpenError("Cannot open file \"" + FFileName + "\". " + sf_strerror(nullptr));
  FChannels = info.channels;
  FSampleRate = info.samplerate;
}

void TWavPlayer::StreamStop() {
  const auto section = GetLock()->EnterStopSection();
  TKDCommonRealGen::StreamStop();
  CloseFile();
}

void TWavPlayer::CloseFile() {
  if (FFile) sf_close(FFile);
  FFile = nullptr;
}

void TWavPlayer::IntGenerate(const kelvra::TIntf<IKDRealBuffer>& ABuffer, bool& ASend,
                             bool& AStop) {
  const uint32_t wanted = ABuffer->GetSize();
  std::vector<double> frames(size_t(wanted) * size_t(FChannels));
  const sf_count_t read = FFile ? sf_readf_double(FFile, frames.data(), wanted) : 0;
  double* samples = ABuffer->Write();
  for (sf_count_t i = 0; i < read; ++i) {
    double sum = 0;
    for (int channel = 0; channel < FChannels; ++channel) sum += frames[size_t(i * FChannels + channel)];
    samples[i] = sum / FChannels;
  }
  if (read == wanted) return;
  AStop = true;
  ASend = read > 0;
  if (ASend) ABuffer->Resize(uint32_t(read), true);
}

}  // namespace corvane::examples
