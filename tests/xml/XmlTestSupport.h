// Helpers shared by the XML tests.
#pragma once

#include <string>

#include "corvane/xml/RQSimpleXML.h"
#include "kelvra/Kelvra.Classes.h"
#include "tests/ExceptionMessage.h"

namespace corvane::xmltest {

// The bytes written to `stream`.
inline std::string Bytes(kelvra::TMemoryStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.Memory()), size_t(stream.Size()));
}

// The document saved as text.
inline std::string SaveText(const kelvra::TIntf<IXmlDocument>& document) {
  kelvra::TMemoryStream stream;
  document->Save(stream);
  return Bytes(stream);
}

using test::MessageOf;

}  // namespace corvane::xmltest
