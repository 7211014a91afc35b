#include "corvane/framework/Kelvra.Categories.TessalyBasic.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cctype>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "corvane/framework/Kelvra_Corvane.h"
#include "corvane/framework/ModuleResources.h"

namespace corvane {
namespace {

using kelvra::TCategoryRegistry;
using kelvra::TClassRef;

// The documented toolbar categories: class, display name, parent, the category whose image it
// shows, and the further categories it is listed under ("" and {} for none).
struct TDocumentedCategory {
  std::string Class, DisplayName, Parent = {}, ParentImage = {};
  std::vector<std::string> Alternates = {};
};
// clang-format off
const TDocumentedCategory kDocumented[] = {
    {"TCorvaneToolbarCategory", "Corvane"},
    {"TTessalyToolbarCategory", "Tessaly"},
    {"TProcessingToolbarCategory", "Processing"},
    {"TGeneratorsToolbarCategory", "Generators"},
    {"TDataSourcesToolbarCategory", "Data Sources"},
    {"TDataSinksToolbarCategory", "Data Sinks"},
    {"TConvertersToolbarCategory", "Converters"},
    {"TFiltersToolbarCategory", "Filters"},
    {"TTransformsToolbarCategory", "Transforms"},
    {"TMathToolbarCategory", "Math"},
    {"TColorToolbarCategory", "Color"},
    {"TDateTimeToolbarCategory", "Date/Time"},
    {"TSynchronizationToolbarCategory", "Synchronization"},
    {"TDisplaysToolbarCategory", "Displays"},
    {"TSplittersToolbarCategory", "Splitters"},
    {"TMixersToolbarCategory", "Mixers"},
    {"TAnalysisToolbarCategory", "Analysis"},
    {"TCommunicationToolbarCategory", "Communication"},
    {"TMeasurementToolbarCategory", "Measurement"},
    {"TCompressorsToolbarCategory", "Compressors"},
    {"TDecompressorsToolbarCategory", "Decompressors"},
    {"TClassifiersToolbarCategory", "Classifiers"},
    {"TTrackingToolbarCategory", "Tracking"},
    {"TTrainingToolbarCategory", "Training"},
    {"TMemoryToolbarCategory", "Memory"},
    {"TTextToolbarCategory", "Text"},
    {"TFlipFlopsToolbarCategory", "Flip-Flops"},
    {"TShiftersToolbarCategory", "Shifters"},
    {"TGatesToolbarCategory", "Gates"},
    {"TDialogsToolbarCategory", "Dialogs"},
    {"TMasterToolbarCategory", "Master (Client)"},
    {"TSlaveToolbarCategory", "Slave (Server)"},
    {"TBroadcastersToolbarCategory", "Broadcasters", "", "", {"TDataSinksToolbarCategory"}},
    {"TReceiversToolbarCategory", "Receivers", "", "", {"TDataSourcesToolbarCategory"}},
    {"TLoggersToolbarCategory", "Loggers", "", "", {"TDataSinksToolbarCategory"}},
    {"TPlayersToolbarCategory", "Players", "", "", {"TDataSourcesToolbarCategory"}},
    {"TInputToolbarCategory", "Input", "", "", {"TDataSinksToolbarCategory"}},
    {"TOutputToolbarCategory", "Output", "", "", {"TDataSourcesToolbarCategory"}},
    {"TCorvaneProcessingToolbarCategory", "Processing", "TCorvaneToolbarCategory", "TProcessingToolbarCategory", {"TProcessingToolbarCategory"}},
    {"TTessalyDataSourcesToolbarCategory", "Data Sources", "TTessalyToolbarCategory", "TDataSourcesToolbarCategory", {"TDataSourcesToolbarCategory"}},
    {"TTessalyDataSinksToolbarCategory", "Data Sinks", "TTessalyToolbarCategory", "TDataSinksToolbarCategory", {"TDataSinksToolbarCategory"}},
    {"TTessalyGeneratorsToolbarCategory", "Generators", "TTessalyToolbarCategory", "TGeneratorsToolbarCategory", {"TGeneratorsToolbarCategory", "TTessalyDataSourcesToolbarCategory"}},
    {"TTessalyPlayersToolbarCategory", "Players", "TTessalyToolbarCategory", "TPlayersToolbarCategory", {"TPlayersToolbarCategory", "TTessalyDataSourcesToolbarCategory"}},
    {"TTessalyConvertersToolbarCategory", "Converters", "TTessalyToolbarCategory", "TConvertersToolbarCategory", {"TConvertersToolbarCategory"}},
    {"TTessalyFiltersToolbarCategory", "Filters", "TTessalyToolbarCategory", "TFiltersToolbarCategory", {"TFiltersToolbarCategory"}},
    {"TTessalyTransformsToolbarCategory", "Transforms", "TTessalyToolbarCategory", "TTransformsToolbarCategory", {"TTransformsToolbarCategory"}},
    {"TTessalyMathToolbarCategory", "Math", "TTessalyToolbarCategory", "TMathToolbarCategory", {"TMathToolbarCategory"}},
    {"TTessalyAnalysisToolbarCategory", "Analysis", "TTessalyToolbarCategory", "TAnalysisToolbarCategory", {"TAnalysisToolbarCategory"}},
    {"TTessalyMeasurementToolbarCategory", "Measurement", "TTessalyToolbarCategory", "TMeasurementToolbarCategory", {"TMeasurementToolbarCategory"}},
    {"TTessalyLoggersToolbarCategory", "Loggers", "TTessalyToolbarCategory", "TLoggersToolbarCategory", {"TLoggersToolbarCategory"}},
};
// clang-format on

std::string NameOf(const TClassRef* cls) { return cls ? std::string(cls->Name()) : ""; }

std::string UpperCase(std::string text) {
  for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

uint32_t ReadUint32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// The pixels of a PNG whose signature, chunks and CRCs are sound, that starts with an IHDR of an
// 8-bit RGBA image, and whose IDAT data inflate to exactly that image's rows; nullopt otherwise.
std::optional<std::string> DecodeRgbaPng(std::span<const uint8_t> png) {
  static const uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (png.size() < 8 || std::memcmp(png.data(), kSignature, 8) != 0) return std::nullopt;
  uint32_t width = 0, height = 0;
  std::string deflated;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t length = ReadUint32(&png[at]);
    if (length > png.size() - at - 12) return std::nullopt;
    const std::string type(reinterpret_cast<const char*>(&png[at + 4]), 4);
    const uint8_t* data = &png[at + 8];
    if (crc32(0, &png[at + 4], length + 4) != ReadUint32(data + length)) return std::nullopt;
    if ((at == 8) != (type == "IHDR")) return std::nullopt;
    if (type == "IHDR") {
      if (length != 13 || data[8] != 8 || data[9] != 6) return std::nullopt;
      width = ReadUint32(data), height = ReadUint32(data + 4);
    }
    if (type == "IDAT") deflated.append(reinterpret_cast<const char*>(data), length);
    if (type == "IEND") {
      std::string rows(size_t(height) * (1 + width * 4) + 1, '\0');  // one byte more: none left
      uLongf size = rows.size();
      const bool exact = at + 12 == png.size() &&
                         uncompress(reinterpret_cast<Bytef*>(rows.data()), &size,
                                    reinterpret_cast<const Bytef*>(deflated.data()),
                                    deflated.size()) == Z_OK &&
                         size == rows.size() - 1;
      return exact ? std::optional(rows.substr(0, size)) : std::nullopt;
    }
    at += 12 + length;
  }
  return std::nullopt;
}

class TToolbarCategories : public ::testing::Test {
 protected:
  void SetUp() override { Initialize(); }
  void TearDown() override { Finalize(); }
};

TEST_F(TToolbarCategories, EveryCategoryHasItsDocumentedAttributes) {
  EXPECT_EQ(TCategoryRegistry::Categories().size(), std::size(kDocumented));
  for (const auto& expected : kDocumented) {
    SCOPED_TRACE(expected.Class);
    const TClassRef* cls = TCategoryRegistry::FindCategory(expected.Class);
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->Parent(), &kelvra::TClassCategory::ClassRef);
    const auto& attributes = cls->Attributes();
    EXPECT_EQ(attributes.DisplayName, expected.DisplayName);
    EXPECT_EQ(NameOf(kelvra::ParentCategory(*cls)), expected.Parent);
    EXPECT_EQ(NameOf(attributes.ParentImage), expected.ParentImage);
    std::vector<std::string> alternates;
    for (const TClassRef* place : attributes.AlternateCategories) alternates.push_back(NameOf(place));
    EXPECT_EQ(alternates, expected.Alternates);
  }
}

// Each category shows its own image, a valid PNG unlike every other, or with a ParentImage that
// category's image; TTrackingToolbarCategory has none. The images for categories of other
// packages are there as well.
TEST_F(TToolbarCategories, EveryImageIsADistinctValidPng) {
  std::set<std::string> ownImages = {"TGAUGESTOOLBARCATEGORY", "TMIXERSTOOLBARCATEGORY1"};
  for (const auto& category : kDocumented) {
    SCOPED_TRACE(category.Class);
    const TClassRef& cls = *TCategoryRegistry::FindCategory(category.Class);
    const auto ownImage = FindModuleResource(kelvra::kCategoryImageType, UpperCase(category.Class));
    const auto shown = TCategoryRegistry::Image(cls);
    if (category.Class == "TTrackingToolbarCategory") {
      EXPECT_TRUE(shown.empty());
    } else if (!category.ParentImage.empty()) {
      EXPECT_TRUE(ownImage.empty());
      const auto parentImage = TCategoryRegistry::Image(*cls.Attributes().ParentImage);
      EXPECT_TRUE(!shown.empty() && shown.data() == parentImage.data());
    } else {
      EXPECT_TRUE(!shown.empty() && shown.data() == ownImage.data());
      ownImages.insert(UpperCase(category.Class));
    }
  }
  std::set<std::string> pixels;
  for (const auto& name : ownImages) {
    const auto image = DecodeRgbaPng(FindModuleResource(kelvra::kCategoryImageType, name));
    ASSERT_TRUE(image) << name << " is not a valid RGBA PNG";
    EXPECT_TRUE(pixels.insert(*image).second) << name << " looks like another image";
  }
  EXPECT_EQ(pixels.size(), 39u);
}

}  // namespace
}  // namespace corvane
