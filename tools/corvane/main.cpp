// The corvane command-line program: starts the package and reports on it.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "corvane/drawing/RQDrawLayers.h"
#include "corvane/framework/Kelvra.Processing.h"
#include "corvane/framework/RQProcessingManager.h"
#include "corvane/framework/Kelvra_Corvane.h"
#include "corvane/numeric/KDDispatchReport.h"
#include "corvane/numeric/RQIPPILoader.h"
#include "corvane/numeric/RQIPPSLoader.h"
#include "corvane/streams/KDStreamTypes.h"
#include "corvane/xml/RQSimpleXML.h"
#include "kelvra/Kelvra.Categories.h"
#include "kelvra/Kelvra.Components.h"
#include "tools/corvane/AlgorithmCommands.h"
#include "tools/corvane/RunCommand.h"

namespace {

// The usage, which lists every subcommand (see kCommands), and a misused command's problem
// followed by the usage; returns the exit status 2.
void PrintUsage(FILE* out);
int UsageError(const char* problem, std::string_view what);

constexpr const char* kXmlUsage =
    "usage: corvane xml check FILE         prints its node counts (a malformed one: the error,\n"
    "                                      exit status 1)\n"
    "       corvane xml to-binary IN OUT   writes the document IN in the binary form to OUT\n"
    "       corvane xml to-text IN OUT     writes the document IN in the text form to OUT\n"
    "       corvane xml format IN          writes the document IN as indented text to stdout\n"
    "IN and FILE may be in the text or the binary form.\n";

std::vector<std::string_view> Operands(int argc, char** argv) {
  return {argv + 1, argv + argc};
}

using corvane::tool::TPackageSession;

std::string HandleText(kelvra::HMODULE module) {
  if (!module) return "0";
  char text[32];
  std::snprintf(text, sizeof text, "%p", module);
  return text;
}

void PrintSlotList(const std::vector<corvane::TSlotRecord>& slots) {
  for (const auto& slot : slots)
    std::printf("%s %s\n", slot.Name.c_str(), corvane::SlotSourceName(slot.Source));
}

void PrintSummary(const std::vector<corvane::TSlotRecord>& slots) {
  std::printf("Corvane built-in kernels: %s\n\n", corvane::BuiltinKernelTarget());

  std::printf("IPP libraries (handle 0 = not loaded):\n");
  const std::pair<const char*, kelvra::HMODULE> libraries[] = {
      {corvane::RQIPPSLoader::kIppsFileName, corvane::RQIPPSLoader::ippsLIB},
      {corvane::RQIPPSLoader::kIppcoreFileName, corvane::RQIPPSLoader::ippcoreLIB},
      {corvane::RQIPPILoader::kIppiFileName, corvane::RQIPPILoader::ippiHandle()},
      {corvane::RQIPPILoader::kIppccFileName, corvane::RQIPPILoader::ippccHandle()},
      {corvane::RQIPPILoader::kIppcvFileName, corvane::RQIPPILoader::ippcvHandle()},
  };
  for (const auto& [name, handle] : libraries)
    std::printf("  %-20s %s\n", name, HandleText(handle).c_str());

  struct TCounts {
    int bySource[3] = {};
  };
  std::vector<std::string> order;
  std::map<std::string, TCounts> families;
  TCounts total;
  for (const auto& slot : slots) {
    std::string key = slot.Unit + " / " + slot.Family;
    if (!families.count(key)) order.push_back(key);
    ++families[key].bySource[slot.Source];
    ++total.bySource[slot.Source];
  }

  std::printf("\n%-52s %5s %8s %6s\n", "Dispatch slots (unit / family)", "ipp", "builtin", "empty");
  auto row = [](const std::string& label, const TCounts& c) {
    std::printf("  %-50s %5d %8d %6d\n", label.c_str(), c.bySource[corvane::ssIPP],
                c.bySource[corvane::ssBuiltin], c.bySource[corvane::ssEmpty]);
  };
  for (const auto& key : order) row(key, families[key]);
  row("all " + std::to_string(slots.size()) + " slots", total);
}

// The units' registrations, which a host that loads the package runs.
void RegisterPackage() {
  corvane::RQProcessingManager::RegisterPkg();
  corvane::RQDrawLayers::RegisterPkg();
}

void PrintRegistrations() {
  const size_t components = kelvra::RegisteredComponents().size();
  std::printf("\nRegistered: %zu component%s, %zu toolbar categories\n", components,
              components == 1 ? "" : "s", kelvra::TCategoryRegistry::Categories().size());
}

int RunInfo(int argc, char** argv) {
  bool listSlots = false;
  for (auto arg : Operands(argc, argv)) {
    if (arg != "--slots") return UsageError("corvane info: unknown option", arg);
    listSlots = true;
  }
  TPackageSession session;
  const auto slots = corvane::GetSlotReport();
  if (listSlots) {
    PrintSlotList(slots);
  } else {
    PrintSummary(slots);
    RegisterPackage();
    PrintRegistrations();
  }
  return 0;
}

// "WxH" of a PNG, read from its header.
std::string PngSizeText(std::span<const uint8_t> png) {
  auto uint32At = [png](size_t at) {
    return uint32_t(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
  };
  if (png.size() < 24) return "unreadable";
  return std::to_string(uint32At(16)) + "x" + std::to_string(uint32At(20));
}

// One line for the category and one for each category below it, indented by depth.
void PrintCategory(const kelvra::TClassRef& category, int depth) {
  const auto& attributes = category.Attributes();
  std::string line = std::string(2 * depth, ' ') + std::string(attributes.DisplayName) + " (" +
                     std::string(category.Name()) + ")";
  if (const kelvra::TClassRef* parent = kelvra::ParentCategory(category))
    line += ", parent " + std::string(parent->Name());
  const char* separator = ", also under ";
  for (const kelvra::TClassRef* place : attributes.AlternateCategories) {
    line += separator + std::string(place->Name());
    separator = " and ";
  }
  const auto image = kelvra::TCategoryRegistry::Image(category);
  if (image.empty()) {
    line += ", no image";
  } else {
    line += ", image " + PngSizeText(image);
    if (attributes.ParentImage) line += " of " + std::string(attributes.ParentImage->Name());
  }
  std::printf("%s\n", line.c_str());
  for (const kelvra::TClassRef* child : kelvra::TCategoryRegistry::Children(category))
    PrintCategory(*child, depth + 1);
}

int RunCategories(int argc, char** argv) {
  if (argc > 1) return UsageError("corvane categories: unexpected argument", argv[1]);
  TPackageSession session;
  for (const kelvra::TClassRef* root : kelvra::TCategoryRegistry::Roots()) PrintCategory(*root, 0);
  std::printf("%zu categories\n", kelvra::TCategoryRegistry::Categories().size());
  return 0;
}

std::string StreamTypeName(const kelvra::TGUID& type) {
  const auto info = pinweave::PNFindStream(type);
  return info && !info->Name.empty() ? std::string(info->Name) : "-";
}

// The stream types that the pin framework knows, with what the registry knows of them, then the
// converters in the order negotiation tries them.
int RunStreams(int argc, char** argv) {
  if (argc > 1) return UsageError("corvane streams: unexpected argument", argv[1]);
  TPackageSession session;
  std::printf("%-38s  %-22s  %s  %s\n", "stream type", "name", "sample size", "makes buffers");
  for (const auto& info : pinweave::PNRegisteredStreams())
    std::printf("%-38s  %-22s  %11d  %s\n", info.TypeID.ToString().c_str(),
                StreamTypeName(info.TypeID).c_str(), corvane::KDPNGetSampleSize(info.TypeID),
                corvane::KDPNCreateBuffer(info.TypeID, 0) ? "yes" : "no");
  std::printf("\n%-22s  %-22s  %s\n", "from", "to", "converter");
  for (const kelvra::TClassRef* converter : pinweave::PNRegisteredTypeConverters()) {
    const auto& attributes = converter->Attributes();
    std::printf("%-22s  %-22s  %.*s\n", StreamTypeName(attributes.ConvertFrom).c_str(),
                StreamTypeName(attributes.ConvertTo).c_str(), int(converter->Name().size()),
                converter->Name().data());
  }
  return 0;
}

// The OpenCL platforms with their devices, and the one a "Default" GPU engine takes.
int RunOpenCL(int argc, char** argv) {
  if (argc > 1) return UsageError("corvane opencl: unexpected argument", argv[1]);
  const auto platforms = kelvra::TOpenCL::GetPlatforms();
  if (platforms.empty()) {
    std::puts("no OpenCL platform installed");
    return 0;
  }
  for (const auto& platform : platforms) {
    std::printf("platform: %s (%s), %s\n", platform->GetName().c_str(),
                platform->GetVendor().c_str(), platform->GetVersion().c_str());
    for (const auto& device : platform->GetDevices())
      std::printf("  device: %s (%s), %s, %u compute units, %llu MiB global memory\n",
                  device->GetName().c_str(), device->GetVendor().c_str(),
                  device->GetVersion().c_str(), device->GetComputeUnits(),
                  static_cast<unsigned long long>(device->GetGlobalMemorySize() >> 20));
  }
  const auto chosen = corvane::TRQGPUProcessingEngine::FindPlatform("Default");
  std::printf("a \"Default\" GPU engine takes: %s\n", chosen->GetName().c_str());
  return 0;
}

// The standard output as a stream for the document writers; what it could not write shows at
// the end of main.
class TStdoutStream : public kelvra::TStream {
 public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* buffer, int64_t count) override {
    return count <= 0 ? 0 : int64_t(std::fwrite(buffer, 1, size_t(count), stdout));
  }
  int64_t Seek(int64_t, kelvra::TSeekOrigin) override { return -1; }
  void SetSize(int64_t) override { throw kelvra::EWriteError("Stream write error"); }
};

int FileError(std::string_view fileName, const std::exception& error) {
  std::fprintf(stderr, "%.*s: %s\n", int(fileName.size()), fileName.data(), error.what());
  return 1;
}

int XmlUsageError(const char* problem) {
  std::fprintf(stderr, "corvane xml: %s\n%s", problem, kXmlUsage);
  return 2;
}

void CountNodes(corvane::IXmlNode& root, std::map<corvane::TXmlNodeType, long>& counts, long& attributes) {
  std::vector<kelvra::TIntf<corvane::IXmlNode>> pending{&root};
  while (!pending.empty()) {
    kelvra::TIntf<corvane::IXmlNode> node = std::move(pending.back());
    pending.pop_back();
    ++counts[node->GetNodeType()];
    attributes += node->AttrCount();
    if (!node->HasChildNodes()) continue;
    auto children = node->GetChildNodes();
    for (int32_t i = 0; i < children->GetCount(); ++i) pending.push_back(children->Get(i));
  }
}

int RunXml(int argc, char** argv) {
  const auto args = Operands(argc, argv);
  if (args.empty()) return XmlUsageError("missing subcommand");
  if (args[0] == "--help") {
    std::fputs(kXmlUsage, stdout);
    return 0;
  }
  const std::string_view command = args[0];
  const size_t operands = args.size() - 1;
  const bool twoFiles = command == "to-binary" || command == "to-text";
  if (command != "check" && command != "format" && !twoFiles) return XmlUsageError("unknown subcommand");
  if (operands != (twoFiles ? 2u : 1u)) return XmlUsageError("wrong number of files");

  TPackageSession session;
  kelvra::TIntf<corvane::IXmlDocument> document;
  try {
    document = corvane::LoadXmlDocument(std::string(args[1]));
  } catch (const kelvra::Exception& e) {
    return FileError(args[1], e);
  }
  if (command == "check") {
    std::map<corvane::TXmlNodeType, long> counts;
    long attributes = 0;
    CountNodes(*document, counts, attributes);
    std::printf("elements %ld\ntexts %ld\ncdata-sections %ld\ncomments %ld\n"
                "processing-instructions %ld\nattributes %ld\n",
                counts[corvane::NODE_ELEMENT], counts[corvane::NODE_TEXT],
                counts[corvane::NODE_CDATA_SECTION], counts[corvane::NODE_COMMENT],
                counts[corvane::NODE_PROCESSING_INSTRUCTION], attributes);
    return 0;
  }
  const std::string_view output = command == "format" ? "stdout" : args[2];
  try {
    if (command == "format") {
      TStdoutStream out;
      document->Save(out);
      out.WriteBuffer("\n", 1);
    } else {
      kelvra::TFileStream out(std::string(output), kelvra::fmCreate);
      if (command == "to-binary")
        document->SaveBinary(out);
      else
        document->Save(out);
      out.Close();  // the last bytes are written here, and may fail
    }
  } catch (const kelvra::Exception& e) {
    return FileError(output, e);
  }
  return 0;
}

// The subcommands, each with its arguments and one line on what it does; Run gets the
// subcommand's name as argv[0].
struct TCommand {
  const char* Name;
  const char* Arguments;
  const char* Summary;
  int (*Run)(int argc, char** argv);
};
constexpr TCommand kCommands[] = {
    {"info", "[--slots]", "the kernels' target, IPP libraries, slot sources (--slots: per slot)",
     RunInfo},
    {"categories", "", "the toolbar categories as a tree", RunCategories},
    {"streams", "", "the stream type registry and the format converters", RunStreams},
    {"opencl", "", "the OpenCL platforms and devices, and the one \"Default\" takes",
     RunOpenCL},
    {"xml", "ACTION FILE...", "checks, converts or formats an XML document (corvane xml --help)",
     RunXml},
    {"window", "TYPE ORDER", "a window with its spectrum and gain (corvane window --help)",
     corvane::tool::RunWindow},
    {"design", "KIND BAND", "a filter's coefficients and response (corvane design --help)",
     corvane::tool::RunDesign},
    {"gallery", "OUT.png", "a sheet of the drawing primitives, brushes, pens and fonts",
     corvane::tool::RunGallery},
    {"run", "FILE", "runs a component graph and reports what each component processed",
     corvane::tool::RunGraph},
};

void PrintUsage(FILE* out) {
  std::fputs("usage: corvane COMMAND [ARGUMENTS], with COMMAND one of\n", out);
  for (const TCommand& command : kCommands) {
    const std::string call = std::string(command.Name) + " " + command.Arguments;
    std::fprintf(out, "  %-25s %s\n", call.c_str(), command.Summary);
  }
  std::fputs("or:    corvane --help | --version\n", out);
}

int UsageError(const char* problem, std::string_view what) {
  std::fprintf(stderr, "%s '%.*s'\n", problem, int(what.size()), what.data());
  PrintUsage(stderr);
  return 2;
}

int RunCommand(int argc, char** argv) {
  const std::string_view name = argv[1];
  for (const TCommand& command : kCommands)
    if (name == command.Name) return command.Run(argc - 1, argv + 1);
  return UsageError(name.starts_with('-') ? "corvane: unknown option" : "corvane: unknown command",
                    name);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view first = argc > 1 ? argv[1] : "";
  if (argc < 2 || first == "--help" || first == "-h") {
    PrintUsage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  if (first == "--version") {
    std::printf("corvane %s\n", CORVANE_VERSION);
    return 0;
  }
  int status;
  try {
    status = RunCommand(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "corvane: %s\n", e.what());
    status = 1;
  }
  // Whatever a successful command printed must have reached its output: the last of it is
  // written here. (A failed command has said what failed.)
  if (status == 0 && (std::fflush(stdout) != 0 || std::ferror(stdout))) {
    std::fprintf(stderr, "stdout: Stream write error\n");
    return 1;
  }
  return status;
}
