// libFuzzer target: any bytes through the binary reader, from a string and from a stream, then
// the result through the writers. Only the library's own errors for bad input are acceptable
// outcomes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "corvane/xml/RQSimpleXML.h"
#include "fuzz/FuzzSupport.h"
#include "kelvra/Kelvra.Classes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  fuzz::RunAcceptingLibraryErrors([&] {
    kelvra::TIntf<IXmlDocument> document = LoadXmlDocumentFromBinaryXML(bytes);
    document->GetXml();
    document->GetBinaryXML();
  });
  fuzz::RunAcceptingLibraryErrors([&] {
    kelvra::TMemoryStream stream;
    stream.WriteBuffer(BinXmlSignature.data(), int64_t(BinXmlSignature.size()));
    const size_t skipped = std::min<size_t>(bytes.size(), 14);
    stream.WriteBuffer(bytes.data() + skipped, int64_t(bytes.size() - skipped));
    stream.SetPosition(0);
    LoadXmlDocument(stream)->GetXml();
  });
  return 0;
}
