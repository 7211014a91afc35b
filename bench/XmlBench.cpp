// Benchmarks of the XML document model against pugixml and libxml2 in the same run: building a
// document in memory from three generated documents of about 10 MB, writing it back as text,
// and our binary form beside our text form. At the end the figures are printed and written to
// the file named by --summary=FILE.
//
// Run through bench/run-all, which passes the repetition and timing flags.

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include "bench/Summary.h"
#include "benchmark/benchmark.h"
#include "corvane/xml/RQSimpleXML.h"
#include "kelvra/Kelvra.Classes.h"
#include "pugixml.hpp"

namespace corvane::bench {
namespace {

constexpr size_t kTargetBytes = 10 << 20;
const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// Many small elements, each with five attributes.
std::string SmallElements() {
  std::string xml = kDeclaration + "<catalog>\n";
  for (int i = 0; xml.size() < kTargetBytes; ++i) {
    const std::string n = std::to_string(i);
    xml += "  <item id=\"" + n + "\" name=\"item-" + n + "\" price=\"" + std::to_string(i % 1000) +
           ".25\" qty=\"" + std::to_string(i % 17) + "\" flag=\"true\"/>\n";
  }
  return xml + "</catalog>\n";
}

// Paragraphs of about 8 KB of text with entities, character references and non-ASCII letters.
std::string LongTexts() {
  const std::string sentence =
      "Signal &amp; noise: a &lt;filter&gt; keeps what &quot;matters&quot;, caf\xC3\xA9 "
      "cr\xC3\xA8me &#233;t&#xE9; \xE2\x82\xAC 42. ";
  std::string paragraph;
  while (paragraph.size() < 8192) paragraph += sentence;
  std::string xml = kDeclaration + "<book>\n";
  for (int i = 0; xml.size() < kTargetBytes; ++i)
    xml += "  <para n=\"" + std::to_string(i) + "\">" + paragraph + "</para>\n";
  return xml + "</book>\n";
}

// Chains of 200 nested elements (below libxml2's default depth limit of 256).
std::string DeepNesting() {
  constexpr int kDepth = 200;
  std::string chain;
  for (int d = 0; d < kDepth; ++d) chain += "<level d=\"" + std::to_string(d) + "\">";
  chain += "leaf";
  for (int d = 0; d < kDepth; ++d) chain += "</level>";
  std::string xml = kDeclaration + "<root>\n";
  while (xml.size() < kTargetBytes) xml += chain + "\n";
  return xml + "</root>\n";
}

struct Document {
  std::string name;
  std::string text;
  std::string binary;
};

std::vector<Document>& Documents() {
  static std::vector<Document> documents = [] {
    std::vector<Document> d = {{"elements", SmallElements(), {}},
                               {"texts", LongTexts(), {}},
                               {"deep", DeepNesting(), {}}};
    for (Document& doc : d) doc.binary = LoadXmlDocumentFromXML(doc.text)->GetBinaryXML();
    return d;
  }();
  return documents;
}

class StringWriter : public pugi::xml_writer {
 public:
  void write(const void* data, size_t size) override {
    text.append(static_cast<const char*>(data), size);
  }
  std::string text;
};

// libxml2 reading a document, its text nodes of white space only dropped, as ours and pugixml
// drop them: the three build the same trees.
xmlDocPtr ReadWithLibxml2(const Document& doc) {
  return xmlReadMemory(doc.text.data(), int(doc.text.size()), "doc.xml", nullptr, XML_PARSE_NOBLANKS);
}

template <class F>
void Register(const std::string& name, const Document& doc, F body) {
  benchmark::RegisterBenchmark(name.c_str(), [&doc, body](benchmark::State& state) {
    body(state, doc);
    state.SetBytesProcessed(state.iterations() * int64_t(doc.text.size()));
  })->Unit(benchmark::kMillisecond);
}

std::string Name(const char* operation, const char* who, const Document& doc) {
  return std::string(operation) + "/" + who + "/" + doc.name;
}

void RegisterAll() {
  for (const Document& doc : Documents()) {
    // Parsing: each iteration builds the whole document and frees it.
    Register(Name("parse", "ours", doc), doc, [](benchmark::State& state, const Document& d) {
      for (auto _ : state) benchmark::DoNotOptimize(LoadXmlDocumentFromXML(d.text));
    });
    Register(Name("parse", "libxml2", doc), doc, [](benchmark::State& state, const Document& d) {
      for (auto _ : state) {
        xmlDocPtr document = ReadWithLibxml2(d);
        if (!document) return state.SkipWithError("libxml2 refused the document");
        xmlFreeDoc(document);
      }
    });
    Register(Name("parse", "pugixml", doc), doc, [](benchmark::State& state, const Document& d) {
      for (auto _ : state) {
        pugi::xml_document document;
        if (!document.load_buffer(d.text.data(), d.text.size()))
          return state.SkipWithError("pugixml refused the document");
      }
    });
    Register(Name("binary_load", "ours", doc), doc, [](benchmark::State& state, const Document& d) {
      for (auto _ : state) benchmark::DoNotOptimize(LoadXmlDocumentFromXML(d.binary));
    });

    // Writing: the document is built once; each iteration writes it to memory.
    Register(Name("save", "ours", doc), doc, [](benchmark::State& state, const Document& d) {
      auto document = LoadXmlDocumentFromXML(d.text);
      for (auto _ : state) {
        kelvra::TMemoryStream out;
        document->Save(out);
        benchmark::DoNotOptimize(out.Memory());
      }
    });
    Register(Name("save", "libxml2", doc), doc, [](benchmark::State& state, const Document& d) {
      xmlDocPtr document = ReadWithLibxml2(d);
      for (auto _ : state) {
        xmlChar* text = nullptr;
        int size = 0;
        xmlDocDumpFormatMemory(document, &text, &size, 1);
        xmlFree(text);
      }
      xmlFreeDoc(document);
    });
    Register(Name("save", "pugixml", doc), doc, [](benchmark::State& state, const Document& d) {
      pugi::xml_document document;
      document.load_buffer(d.text.data(), d.text.size());
      for (auto _ : state) {
        StringWriter out;
        document.save(out, "\t");
        benchmark::DoNotOptimize(out.text.data());
      }
    });
    Register(Name("binary_save", "ours", doc), doc, [](benchmark::State& state, const Document& d) {
      auto document = LoadXmlDocumentFromXML(d.text);
      for (auto _ : state) {
        kelvra::TMemoryStream out;
        document->SaveBinary(out);
        benchmark::DoNotOptimize(out.Memory());
      }
    });
  }
}

// vs_libxml2 and vs_pugixml: peer time / our time; vs_text: our text time / our binary time.
std::vector<RatioFigure> Figures() {
  std::vector<RatioFigure> figures;
  for (const Document& doc : Documents()) {
    const int64_t bytes = int64_t(doc.text.size());
    for (const char* operation : {"parse", "save"}) {
      const std::string subject = std::string(operation) + "_" + doc.name;
      figures.push_back({"vs_libxml2", subject, bytes, Name(operation, "libxml2", doc), Name(operation, "ours", doc)});
      figures.push_back({"vs_pugixml", subject, bytes, Name(operation, "pugixml", doc), Name(operation, "ours", doc)});
    }
    figures.push_back({"vs_text", "binary_load_" + doc.name, bytes, Name("parse", "ours", doc),
                       Name("binary_load", "ours", doc)});
    figures.push_back({"vs_text", "binary_save_" + doc.name, bytes, Name("save", "ours", doc),
                       Name("binary_save", "ours", doc)});
  }
  return figures;
}

}  // namespace
}  // namespace corvane::bench

int main(int argc, char** argv) {
  using namespace corvane::bench;
  xmlInitParser();
  const int status = RunBenchmarks(argc, argv, RegisterAll, [](const MedianCollector& times) {
    return "# xml: peers parse and write the same generated documents; <n> is the text size in "
           "bytes;\n# vs_libxml2, vs_pugixml = peer time / our time; vs_text = our text time / "
           "our binary time\n" +
           FormatRatios(times, Figures());
  });
  xmlCleanupParser();
  return status;
}
