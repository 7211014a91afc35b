// Buffers in a few lines: create a real buffer, share it, write a copy, store and reload it;
// then pair two real buffers into a complex spectrum and take its magnitude and power.
//
// Build and run: make run builds it as build/default/examples/buffers_example.
#include <cstdio>

#include "corvane/buffers/KDSimpleDataBuffer.Complex.h"
#include "corvane/buffers/KDSimpleDataBuffer.h"
#include "corvane/framework/Kelvra_Corvane.h"
#include "kelvra/Kelvra.Classes.h"
#include "kelvra/Kelvra.Serialization.h"

using corvane::IKDRealBuffer;
using corvane::TKDComplexBuffer;
using corvane::TKDRealBuffer;

static void Print(const char* label, const kelvra::TIntf<IKDRealBuffer>& buffer) {
  std::printf("%-9s", label);
  for (double value : buffer->GetEnumerator()) std::printf(" %6.2f", value);
  std::printf("\n");
}

int main() {
  corvane::Initialize();  // fills the dispatch table the buffer operations call
  {
    // Create: four samples, then scale them in place.
    const double samples[] = {1, 2, 3, 4};
    auto signal = TKDRealBuffer::CreateData(samples, 4);
    signal->MultiplyValue(0.5);

    // Share: the copy holds the same memory block until one of them writes.
    auto copy = TKDRealBuffer::CreateCopy(signal);
    std::printf("shared:   %s\n", copy->Read() == signal->Read() ? "yes" : "no");

    // Write: the copy detaches (copy-on-write); the original keeps its values.
    copy->Add(signal);
    copy->SetItem(0, -1);
    Print("signal:", signal);
    Print("copy:", copy);

    // Serialise: the stored form carries the samples, the buffer number and custom data.
    signal->GetSequenceStamp()->SetBufferNumber(7);
    kelvra::TMemoryStream stream;
    kelvra::TSerialize::Serialize(*kelvra::Supports<kelvra::ISerializable>(signal), stream);

    // A buffer reads as many samples as it holds: size it before loading.
    auto restored = TKDRealBuffer::CreateSize(signal->GetSize());
    stream.SetPosition(0);
    kelvra::TSerialize::Deserialize(stream, *kelvra::Supports<kelvra::ISerializable>(restored));
    Print("restored:", restored);
    std::printf("number:   %lld\n", (long long)restored->GetSequenceStamp()->GetBufferNumber());

    // A complex spectrum from two real buffers: real parts first, then imaginary parts.
    const double re[] = {3, 0, -1, 1}, im[] = {4, 2, 0, -1};
    auto spectrum = TKDComplexBuffer::CreateBuffers(TKDRealBuffer::CreateData(re, 4),
                                                    TKDRealBuffer::CreateData(im, 4));
    Print("|z|:", spectrum->Magnitude());
    Print("power:", spectrum->PowerSpectrum());
    Print("phase:", spectrum->Phase());
  }
  corvane::Finalize();
  return 0;
}
