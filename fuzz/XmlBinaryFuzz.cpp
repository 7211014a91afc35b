// libFuzzer target: any bytes through the binary reader, from a string and from a stream, then
// the result through the writers. Only the library's own exceptions are acceptable outcomes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "corvane/xml/RQSimpleXML.h"
#include "kelvra/Kelvra.Classes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    kelvra::TIntf<IXmlDocument> document = LoadXmlDocumentFromBinaryXML(bytes);
    document->GetXml();
    document->GetBinaryXML();
  } catch (const kelvra::Exception&) {
  }
  try {
    kelvra::TMemoryStream stream;
    stream.WriteBuffer(BinXmlSignature.data(), int64_t(BinXmlSignature.size()));
    stream.WriteBuffer(bytes.data() + std::min<size_t>(bytes.size(), 14), int64_t(bytes.size() - std::min<size_t>(bytes.size(), 14)));
    stream.SetPosition(0);
    LoadXmlDocument(stream)->GetXml();
  } catch (const kelvra::Exception&) {
  }
  return 0;
}
