// libFuzzer target: any bytes through the document loader (text, or binary after the signature),
// then through every writer. Only the library's own errors for bad input are acceptable outcomes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "corvane/xml/RQSimpleXML.h"
#include "fuzz/FuzzSupport.h"
#include "kelvra/Kelvra.Classes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane;
  kelvra::TIntf<IXmlDocument> document = CreateXmlDocument();
  // A failed load keeps what was parsed: that is written too.
  fuzz::RunAcceptingLibraryErrors([&] { document->LoadXML({reinterpret_cast<const char*>(data), size}); });
  // Writing may fail on an undeclared encoding, a variant type the binary form lacks, a date
  // outside the calendar.
  fuzz::RunAcceptingLibraryErrors([&] {
    kelvra::TMemoryStream text;
    document->Save(text);
    const std::string binary = document->GetBinaryXML();
    LoadXmlDocumentFromBinaryXML(binary)->GetXml();
  });
  return 0;
}
