// The toolbar categories that the package declares for the components of the whole product
// family (unit Kelvra.Categories.TessalyBasic): category classes with their names, parents, further
// places and images (see kelvra/Kelvra.Categories.h). The unit's start registers them with the
// category registry, and the library's own resources as a source of their images; its end takes
// both back.
//
// A category with its own image finds it among the library's resources as the PNG named after its
// class in upper case (TTrackingToolbarCategory has none); a category with a ParentImage shows
// that category's image. The library also carries the images TGAUGESTOOLBARCATEGORY and
// TMIXERSTOOLBARCATEGORY1 for categories declared by other packages. The images are drawn at
// build time by tools/icongen.
#pragma once

#include "kelvra/Kelvra.Categories.h"

namespace corvane {

// clang-format off

struct TCorvaneToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TTessalyToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TProcessingToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TGeneratorsToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TDataSourcesToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TDataSinksToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TConvertersToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TFiltersToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TTransformsToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TMathToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TColorToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TDateTimeToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TSynchronizationToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TDisplaysToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TSplittersToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TMixersToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TAnalysisToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TCommunicationToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TMeasurementToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TCompressorsToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TDecompressorsToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TClassifiersToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TTrackingToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TTrainingToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TMemoryToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TTextToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TFlipFlopsToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TShiftersToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TGatesToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TDialogsToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TMasterToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TSlaveToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TBroadcastersToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TReceiversToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TLoggersToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TPlayersToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TInputToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TOutputToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TCorvaneProcessingToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TTessalyDataSourcesToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TTessalyDataSinksToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TTessalyGeneratorsToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TTessalyPlayersToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TTessalyConvertersToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TTessalyFiltersToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TTessalyTransformsToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TTessalyMathToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TTessalyAnalysisToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TTessalyMeasurementToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
struct TTessalyLoggersToolbarCategory : kelvra::TClassCategory { static const kelvra::TClassRef ClassRef; };
// clang-format on

// Categories at the top.
inline constexpr kelvra::TClassRef TCorvaneToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TCorvaneToolbarCategory, kelvra::TClassCategory>("TCorvaneToolbarCategory",
                                                                        {.DisplayName = "Corvane"});
inline constexpr kelvra::TClassRef TTessalyToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TTessalyToolbarCategory, kelvra::TClassCategory>("TTessalyToolbarCategory",
                                                                        {.DisplayName = "Tessaly"});
inline constexpr kelvra::TClassRef TProcessingToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TProcessingToolbarCategory, kelvra::TClassCategory>(
        "TProcessingToolbarCategory", {.DisplayName = "Processing"});
inline constexpr kelvra::TClassRef TGeneratorsToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TGeneratorsToolbarCategory, kelvra::TClassCategory>(
        "TGeneratorsToolbarCategory", {.DisplayName = "Generators"});
inline constexpr kelvra::TClassRef TDataSourcesToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TDataSourcesToolbarCategory, kelvra::TClassCategory>(
        "TDataSourcesToolbarCategory", {.DisplayName = "Data Sources"});
inline constexpr kelvra::TClassRef TDataSinksToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TDataSinksToolbarCategory, kelvra::TClassCategory>(
        "TDataSinksToolbarCategory", {.DisplayName = "Data Sinks"});
inline constexpr kelvra::TClassRef TConvertersToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TConvertersToolbarCategory, kelvra::TClassCategory>(
        "TConvertersToolbarCategory", {.DisplayName = "Converters"});
inline constexpr kelvra::TClassRef TFiltersToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TFiltersToolbarCategory, kelvra::TClassCategory>("TFiltersToolbarCategory",
                                                                        {.DisplayName = "Filters"});
inline constexpr kelvra::TClassRef TTransformsToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TTransformsToolbarCategory, kelvra::TClassCategory>(
        "TTransformsToolbarCategory", {.DisplayName = "Transforms"});
inline constexpr kelvra::TClassRef TMathToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TMathToolbarCategory, kelvra::TClassCategory>("TMathToolbarCategory",
                                                                     {.DisplayName = "Math"});
inline constexpr kelvra::TClassRef TColorToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TColorToolbarCategory, kelvra::TClassCategory>("TColorToolbarCategory",
                                                                      {.DisplayName = "Color"});
inline constexpr kelvra::TClassRef TDateTimeToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TDateTimeToolbarCategory, kelvra::TClassCategory>(
        "TDateTimeToolbarCategory", {.DisplayName = "Date/Time"});
inline constexpr kelvra::TClassRef TSynchronizationToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TSynchronizationToolbarCategory, kelvra::TClassCategory>(
        "TSynchronizationToolbarCategory", {.DisplayName = "Synchronization"});
inline constexpr kelvra::TClassRef TDisplaysToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TDisplaysToolbarCategory, kelvra::TClassCategory>(
        "TDisplaysToolbarCategory", {.DisplayName = "Displays"});
inline constexpr kelvra::TClassRef TSplittersToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TSplittersToolbarCategory, kelvra::TClassCategory>(
        "TSplittersToolbarCategory", {.DisplayName = "Splitters"});
inline constexpr kelvra::TClassRef TMixersToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TMixersToolbarCategory, kelvra::TClassCategory>("TMixersToolbarCategory",
                                                                       {.DisplayName = "Mixers"});
inline constexpr kelvra::TClassRef TAnalysisToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TAnalysisToolbarCategory, kelvra::TClassCategory>(
        "TAnalysisToolbarCategory", {.DisplayName = "Analysis"});
inline constexpr kelvra::TClassRef TCommunicationToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TCommunicationToolbarCategory, kelvra::TClassCategory>(
        "TCommunicationToolbarCategory", {.DisplayName = "Communication"});
inline constexpr kelvra::TClassRef TMeasurementToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TMeasurementToolbarCategory, kelvra::TClassCategory>(
        "TMeasurementToolbarCategory", {.DisplayName = "Measurement"});
inline constexpr kelvra::TClassRef TCompressorsToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TCompressorsToolbarCategory, kelvra::TClassCategory>(
        "TCompressorsToolbarCategory", {.DisplayName = "Compressors"});
inline constexpr kelvra::TClassRef TDecompressorsToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TDecompressorsToolbarCategory, kelvra::TClassCategory>(
        "TDecompressorsToolbarCategory", {.DisplayName = "Decompressors"});
inline constexpr kelvra::TClassRef TClassifiersToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TClassifiersToolbarCategory, kelvra::TClassCategory>(
        "TClassifiersToolbarCategory", {.DisplayName = "Classifiers"});
inline constexpr kelvra::TClassRef TTrackingToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TTrackingToolbarCategory, kelvra::TClassCategory>(
        "TTrackingToolbarCategory", {.DisplayName = "Tracking"});
inline constexpr kelvra::TClassRef TTrainingToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TTrainingToolbarCategory, kelvra::TClassCategory>(
        "TTrainingToolbarCategory", {.DisplayName = "Training"});
inline constexpr kelvra::TClassRef TMemoryToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TMemoryToolbarCategory, kelvra::TClassCategory>("TMemoryToolbarCategory",
                                                                       {.DisplayName = "Memory"});
inline constexpr kelvra::TClassRef TTextToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TTextToolbarCategory, kelvra::TClassCategory>("TTextToolbarCategory",
                                                                     {.DisplayName = "Text"});
inline constexpr kelvra::TClassRef TFlipFlopsToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TFlipFlopsToolbarCategory, kelvra::TClassCategory>(
        "TFlipFlopsToolbarCategory", {.DisplayName = "Flip-Flops"});
inline constexpr kelvra::TClassRef TShiftersToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TShiftersToolbarCategory, kelvra::TClassCategory>(
        "TShiftersToolbarCategory", {.DisplayName = "Shifters"});
inline constexpr kelvra::TClassRef TGatesToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TGatesToolbarCategory, kelvra::TClassCategory>("TGatesToolbarCategory",
                                                                      {.DisplayName = "Gates"});
inline constexpr kelvra::TClassRef TDialogsToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TDialogsToolbarCategory, kelvra::TClassCategory>("TDialogsToolbarCategory",
                                                                        {.DisplayName = "Dialogs"});
inline constexpr kelvra::TClassRef TMasterToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TMasterToolbarCategory, kelvra::TClassCategory>(
        "TMasterToolbarCategory", {.DisplayName = "Master (Client)"});
inline constexpr kelvra::TClassRef TSlaveToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TSlaveToolbarCategory, kelvra::TClassCategory>(
        "TSlaveToolbarCategory", {.DisplayName = "Slave (Server)"});

// Categories at the top that are also listed under another.
inline constexpr kelvra::TClassRef TBroadcastersToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TBroadcastersToolbarCategory, kelvra::TClassCategory>(
        "TBroadcastersToolbarCategory",
        {.DisplayName = "Broadcasters",
         .AlternateCategories = kelvra::ClassRefs<&TDataSinksToolbarCategory::ClassRef>});
inline constexpr kelvra::TClassRef TReceiversToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TReceiversToolbarCategory, kelvra::TClassCategory>(
        "TReceiversToolbarCategory",
        {.DisplayName = "Receivers",
         .AlternateCategories = kelvra::ClassRefs<&TDataSourcesToolbarCategory::ClassRef>});
inline constexpr kelvra::TClassRef TLoggersToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TLoggersToolbarCategory, kelvra::TClassCategory>(
        "TLoggersToolbarCategory",
        {.DisplayName = "Loggers",
         .AlternateCategories = kelvra::ClassRefs<&TDataSinksToolbarCategory::ClassRef>});
inline constexpr kelvra::TClassRef TPlayersToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TPlayersToolbarCategory, kelvra::TClassCategory>(
        "TPlayersToolbarCategory",
        {.DisplayName = "Players",
         .AlternateCategories = kelvra::ClassRefs<&TDataSourcesToolbarCategory::ClassRef>});
inline constexpr kelvra::TClassRef TInputToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TInputToolbarCategory, kelvra::TClassCategory>(
        "TInputToolbarCategory",
        {.DisplayName = "Input",
         .AlternateCategories = kelvra::ClassRefs<&TDataSinksToolbarCategory::ClassRef>});
inline constexpr kelvra::TClassRef TOutputToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TOutputToolbarCategory, kelvra::TClassCategory>(
        "TOutputToolbarCategory",
        {.DisplayName = "Output",
         .AlternateCategories = kelvra::ClassRefs<&TDataSourcesToolbarCategory::ClassRef>});

// Categories of the two product lines, each showing the image of the general category it is
// also listed under.
inline constexpr kelvra::TClassRef TCorvaneProcessingToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TCorvaneProcessingToolbarCategory, kelvra::TClassCategory>(
        "TCorvaneProcessingToolbarCategory",
        {.DisplayName = "Processing",
         .Categories = kelvra::ClassRefs<&TCorvaneToolbarCategory::ClassRef>,
         .AlternateCategories = kelvra::ClassRefs<&TProcessingToolbarCategory::ClassRef>,
         .ParentImage = &TProcessingToolbarCategory::ClassRef});
inline constexpr kelvra::TClassRef TTessalyDataSourcesToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TTessalyDataSourcesToolbarCategory, kelvra::TClassCategory>(
        "TTessalyDataSourcesToolbarCategory",
        {.DisplayName = "Data Sources",
         .Categories = kelvra::ClassRefs<&TTessalyToolbarCategory::ClassRef>,
         .AlternateCategories = kelvra::ClassRefs<&TDataSourcesToolbarCategory::ClassRef>,
         .ParentImage = &TDataSourcesToolbarCategory::ClassRef});
inline constexpr kelvra::TClassRef TTessalyDataSinksToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TTessalyDataSinksToolbarCategory, kelvra::TClassCategory>(
        "TTessalyDataSinksToolbarCategory",
        {.DisplayName = "Data Sinks",
         .Categories = kelvra::ClassRefs<&TTessalyToolbarCategory::ClassRef>,
         .AlternateCategories = kelvra::ClassRefs<&TDataSinksToolbarCategory::ClassRef>,
         .ParentImage = &TDataSinksToolbarCategory::ClassRef});
inline constexpr kelvra::TClassRef TTessalyGeneratorsToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TTessalyGeneratorsToolbarCategory, kelvra::TClassCategory>(
        "TTessalyGeneratorsToolbarCategory",
        {.DisplayName = "Generators",
         .Categories = kelvra::ClassRefs<&TTessalyToolbarCategory::ClassRef>,
         .AlternateCategories = kelvra::ClassRefs<&TGeneratorsToolbarCategory::ClassRef,
                                                  &TTessalyDataSourcesToolbarCategory::ClassRef>,
         .ParentImage = &TGeneratorsToolbarCategory::ClassRef});
inline constexpr kelvra::TClassRef TTessalyPlayersToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TTessalyPlayersToolbarCategory, kelvra::TClassCategory>(
        "TTessalyPlayersToolbarCategory",
        {.DisplayName = "Players",
         .Categories = kelvra::ClassRefs<&TTessalyToolbarCategory::ClassRef>,
         .AlternateCategories = kelvra::ClassRefs<&TPlayersToolbarCategory::ClassRef,
                                                  &TTessalyDataSourcesToolbarCategory::ClassRef>,
         .ParentImage = &TPlayersToolbarCategory::ClassRef});
inline constexpr kelvra::TClassRef TTessalyConvertersToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TTessalyConvertersToolbarCategory, kelvra::TClassCategory>(
        "TTessalyConvertersToolbarCategory",
        {.DisplayName = "Converters",
         .Categories = kelvra::ClassRefs<&TTessalyToolbarCategory::ClassRef>,
         .AlternateCategories = kelvra::ClassRefs<&TConvertersToolbarCategory::ClassRef>,
         .ParentImage = &TConvertersToolbarCategory::ClassRef});
inline constexpr kelvra::TClassRef TTessalyFiltersToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TTessalyFiltersToolbarCategory, kelvra::TClassCategory>(
        "TTessalyFiltersToolbarCategory",
        {.DisplayName = "Filters",
         .Categories = kelvra::ClassRefs<&TTessalyToolbarCategory::ClassRef>,
         .AlternateCategories = kelvra::ClassRefs<&TFiltersToolbarCategory::ClassRef>,
         .ParentImage = &TFiltersToolbarCategory::ClassRef});
inline constexpr kelvra::TClassRef TTessalyTransformsToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TTessalyTransformsToolbarCategory, kelvra::TClassCategory>(
        "TTessalyTransformsToolbarCategory",
        {.DisplayName = "Transforms",
         .Categories = kelvra::ClassRefs<&TTessalyToolbarCategory::ClassRef>,
         .AlternateCategories = kelvra::ClassRefs<&TTransformsToolbarCategory::ClassRef>,
         .ParentImage = &TTransformsToolbarCategory::ClassRef});
inline constexpr kelvra::TClassRef TTessalyMathToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TTessalyMathToolbarCategory, kelvra::TClassCategory>(
        "TTessalyMathToolbarCategory",
        {.DisplayName = "Math",
         .Categories = kelvra::ClassRefs<&TTessalyToolbarCategory::ClassRef>,
         .AlternateCategories = kelvra::ClassRefs<&TMathToolbarCategory::ClassRef>,
         .ParentImage = &TMathToolbarCategory::ClassRef});
inline constexpr kelvra::TClassRef TTessalyAnalysisToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TTessalyAnalysisToolbarCategory, kelvra::TClassCategory>(
        "TTessalyAnalysisToolbarCategory",
        {.DisplayName = "Analysis",
         .Categories = kelvra::ClassRefs<&TTessalyToolbarCategory::ClassRef>,
         .AlternateCategories = kelvra::ClassRefs<&TAnalysisToolbarCategory::ClassRef>,
         .ParentImage = &TAnalysisToolbarCategory::ClassRef});
inline constexpr kelvra::TClassRef TTessalyMeasurementToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TTessalyMeasurementToolbarCategory, kelvra::TClassCategory>(
        "TTessalyMeasurementToolbarCategory",
        {.DisplayName = "Measurement",
         .Categories = kelvra::ClassRefs<&TTessalyToolbarCategory::ClassRef>,
         .AlternateCategories = kelvra::ClassRefs<&TMeasurementToolbarCategory::ClassRef>,
         .ParentImage = &TMeasurementToolbarCategory::ClassRef});
inline constexpr kelvra::TClassRef TTessalyLoggersToolbarCategory::ClassRef =
    kelvra::ClassRefOf<TTessalyLoggersToolbarCategory, kelvra::TClassCategory>(
        "TTessalyLoggersToolbarCategory",
        {.DisplayName = "Loggers",
         .Categories = kelvra::ClassRefs<&TTessalyToolbarCategory::ClassRef>,
         .AlternateCategories = kelvra::ClassRefs<&TLoggersToolbarCategory::ClassRef>,
         .ParentImage = &TLoggersToolbarCategory::ClassRef});

// Every category of the unit, in registration order.
inline constexpr const kelvra::TClassRef* kToolbarCategories[] = {
    &TCorvaneToolbarCategory::ClassRef,
    &TTessalyToolbarCategory::ClassRef,
    &TProcessingToolbarCategory::ClassRef,
    &TGeneratorsToolbarCategory::ClassRef,
    &TDataSourcesToolbarCategory::ClassRef,
    &TDataSinksToolbarCategory::ClassRef,
    &TConvertersToolbarCategory::ClassRef,
    &TFiltersToolbarCategory::ClassRef,
    &TTransformsToolbarCategory::ClassRef,
    &TMathToolbarCategory::ClassRef,
    &TColorToolbarCategory::ClassRef,
    &TDateTimeToolbarCategory::ClassRef,
    &TSynchronizationToolbarCategory::ClassRef,
    &TDisplaysToolbarCategory::ClassRef,
    &TSplittersToolbarCategory::ClassRef,
    &TMixersToolbarCategory::ClassRef,
    &TAnalysisToolbarCategory::ClassRef,
    &TCommunicationToolbarCategory::ClassRef,
    &TMeasurementToolbarCategory::ClassRef,
    &TCompressorsToolbarCategory::ClassRef,
    &TDecompressorsToolbarCategory::ClassRef,
    &TClassifiersToolbarCategory::ClassRef,
    &TTrackingToolbarCategory::ClassRef,
    &TTrainingToolbarCategory::ClassRef,
    &TMemoryToolbarCategory::ClassRef,
    &TTextToolbarCategory::ClassRef,
    &TFlipFlopsToolbarCategory::ClassRef,
    &TShiftersToolbarCategory::ClassRef,
    &TGatesToolbarCategory::ClassRef,
    &TDialogsToolbarCategory::ClassRef,
    &TMasterToolbarCategory::ClassRef,
    &TSlaveToolbarCategory::ClassRef,
    &TBroadcastersToolbarCategory::ClassRef,
    &TReceiversToolbarCategory::ClassRef,
    &TLoggersToolbarCategory::ClassRef,
    &TPlayersToolbarCategory::ClassRef,
    &TInputToolbarCategory::ClassRef,
    &TOutputToolbarCategory::ClassRef,
    &TCorvaneProcessingToolbarCategory::ClassRef,
    &TTessalyDataSourcesToolbarCategory::ClassRef,
    &TTessalyDataSinksToolbarCategory::ClassRef,
    &TTessalyGeneratorsToolbarCategory::ClassRef,
    &TTessalyPlayersToolbarCategory::ClassRef,
    &TTessalyConvertersToolbarCategory::ClassRef,
    &TTessalyFiltersToolbarCategory::ClassRef,
    &TTessalyTransformsToolbarCategory::ClassRef,
    &TTessalyMathToolbarCategory::ClassRef,
    &TTessalyAnalysisToolbarCategory::ClassRef,
    &TTessalyMeasurementToolbarCategory::ClassRef,
    &TTessalyLoggersToolbarCategory::ClassRef,
};

// Start: registers the categories and the library's images; end: takes them back.
void StartKelvraCategoriesTessalyBasic();
void FinishKelvraCategoriesTessalyBasic();

}  // namespace corvane
