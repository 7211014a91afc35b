// libFuzzer target: any bytes through the document loader (text, or binary after the signature),
// then through every writer. Only the library's own exceptions are acceptable outcomes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "corvane/xml/RQSimpleXML.h"
#include "kelvra/Kelvra.Classes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  kelvra::TIntf<IXmlDocument> document = CreateXmlDocument();
  try {
    document->LoadXML({reinterpret_cast<const char*>(data), size});
  } catch (const kelvra::Exception&) {
    // A failed load keeps what was parsed: write that too.
  }
  try {
    kelvra::TMemoryStream text;
    document->Save(text);
    const std::string binary = document->GetBinaryXML();
    LoadXmlDocumentFromBinaryXML(binary)->GetXml();
  } catch (const kelvra::Exception&) {
    // an undeclared encoding, a variant type the binary form lacks, a date outside the calendar
  }
  return 0;
}
