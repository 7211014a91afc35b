// `corvane window` and `corvane design`: a window with its spectrum and gain, a filter design
// with its coefficients and response, as CSV or JSON. Arguments are parsed by CLI11 and checked
// against the designs' limits before the library is called; a bad one is reported in one line
// with exit status 1.
#include "tools/corvane/AlgorithmCommands.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "corvane/algorithms/KDWindowFilter.h"
#include "corvane/drawing/KDResponsePlot.h"

namespace corvane::tool {

std::optional<int> ParseArguments(CLI::App& app, int argc, char** argv) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::fputs(app.help().c_str(), stdout);
    return 0;
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "%s: %s\n", app.get_name().c_str(), e.what());
    return 1;
  }
  return std::nullopt;
}

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// The members of an enumeration by their identifiers without prefix, in lower case
// (xwtFlatTop: "flattop").
template <class E>
std::map<std::string, E> NamesOf() {
  std::map<std::string, E> names;
  const auto identifiers = KDEnumTypeToStrings(KDTypeInfo<E>(), true, false);
  for (size_t i = 0; i < identifiers.size(); ++i) {
    names[Lower(identifiers[i])] = E(i);
  }
  return names;
}

// An option or positional that takes one of the names, in any case, stored in `text`.
template <class E>
CLI::Option* AddChoice(CLI::App& app, const std::string& name, std::string& text,
                       const std::map<std::string, E>& names, const std::string& description) {
  std::vector<std::string> keys;
  for (const auto& entry : names) keys.push_back(entry.first);
  return app.add_option(name, text, description)->check(CLI::IsMember(keys, CLI::ignore_case));
}

}  // namespace

int UsageError(const CLI::App& app, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", app.get_name().c_str(), message.c_str());
  return 1;
}

int SavePng(const CLI::App& app, kelvra::IGPImage& image, const std::string& fileName) {
  try {
    image.Save(fileName, "png");
  } catch (const kelvra::Exception& e) {
    return UsageError(app, fileName + ": " + e.what());
  }
  return 0;
}

namespace {

void PrintJson(const nlohmann::json& document) { std::printf("%s\n", document.dump(2).c_str()); }

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

}  // namespace

int RunWindow(int argc, char** argv) {
  CLI::App app{"Prints a window of 2^ORDER points, its spectrum (the transform divided by the "
               "point count) and its gain (the spectrum's L2 norm).",
               "corvane window"};
  const auto windowTypes = NamesOf<TKDExtendedWindowType>();
  std::string typeName;
  int order = 0, terms = 0;
  std::optional<double> alpha;
  bool complex = false, json = false;
  AddChoice(app, "TYPE", typeName, windowTypes, "window type")->required();
  app.add_option("ORDER", order, "base-2 logarithm of the point count")
      ->required()
      ->check(CLI::Range(0, 20));
  app.add_option("--alpha", alpha, "blackman: alpha (default 0.16); kaiser: alpha (required)");
  app.add_option("--terms", terms, "cossum: number of terms")->check(CLI::Range(4, 11));
  app.add_flag("--complex", complex, "complex mode: each weight in both parts of an element");
  app.add_flag("--json", json, "JSON instead of CSV");
  if (auto status = ParseArguments(app, argc, argv)) return *status;
  typeName = Lower(typeName);
  const TKDExtendedWindowType type = windowTypes.at(typeName);
  if (type == xwtKaiser && !alpha) return UsageError(app, "the kaiser window needs --alpha");
  if (alpha && type != xwtKaiser && type != xwtBlackman)
    return UsageError(app, "--alpha applies to the blackman and kaiser windows only");
  if (type == xwtCosSum && terms == 0) return UsageError(app, "the cossum window needs --terms");
  if (terms != 0 && type != xwtCosSum) return UsageError(app, "--terms applies to the cossum window only");

  TPackageSession session;
  const size_t n = size_t(1) << order;
  std::vector<double> data(complex ? 2 * n : n);
  std::vector<kelvra::TComplex> spectrum(n);
  double gain = 0;
  KDWindowCalculator::CalculateWindowForMult(complex, type, terms, alpha.value_or(0.16),
                                             data.data(), order, gain, spectrum.data());
  if (json) {
    nlohmann::json window = nlohmann::json::array(), bins = nlohmann::json::array();
    for (size_t i = 0; i < n; ++i) {
      window.push_back(complex ? nlohmann::json{data[2 * i], data[2 * i + 1]} : nlohmann::json(data[i]));
      bins.push_back({spectrum[i].Real, spectrum[i].Imag});
    }
    PrintJson({{"type", typeName}, {"order", order}, {"complex", complex}, {"gain", gain},
               {"window", window}, {"spectrum", bins}});
    return 0;
  }
  std::printf("# %s window, order %d (%zu points), gain %s\n", typeName.c_str(), order, n,
              Number(gain).c_str());
  std::printf(complex ? "n,window_re,window_im,spectrum_re,spectrum_im\n" : "n,window,spectrum_re,spectrum_im\n");
  for (size_t i = 0; i < n; ++i) {
    std::printf("%zu,%s", i, Number(data[complex ? 2 * i : i]).c_str());
    if (complex) std::printf(",%s", Number(data[2 * i + 1]).c_str());
    std::printf(",%s,%s\n", Number(spectrum[i].Real).c_str(), Number(spectrum[i].Imag).c_str());
  }
  return 0;
}

namespace {

constexpr int kPlotWidth = 1024, kPlotHeight = 600;

int SaveResponsePlot(const CLI::App& app, const TKDResponseCurves& curves, const std::string& fileName) {
  auto image = kelvra::TIGPBitmap::Create(kPlotWidth, kPlotHeight);
  KDDrawResponsePlot(*kelvra::TIGPGraphics::Create(*image), {kPlotWidth, kPlotHeight}, curves);
  return SavePng(app, *image, fileName);
}

}  // namespace

int RunDesign(int argc, char** argv) {
  CLI::App app{"Designs a filter and prints its coefficients and its response (power in dB and "
               "phase in radians per frequency).",
               "corvane design"};
  const std::map<std::string, TKDFilterType> kinds{{"fir", ftFIR}, {"iir", ftIIR}, {"biquad", ftBiquadIIR}};
  const auto bands = NamesOf<TKDDesignFilterType>();
  const auto windows = NamesOf<TKDWindowType>();
  const auto prototypes = NamesOf<TKDIIRFilterType>();
  std::string kindName, bandName, windowName, prototypeName, plotFile;
  int order = 0;
  double f1 = 0, rate = 0;
  std::optional<double> f2, parameter;
  bool json = false;
  AddChoice(app, "KIND", kindName, kinds, "fir, iir (direct form) or biquad (second-order sections)")
      ->required();
  AddChoice(app, "BAND", bandName, bands, "lowpass, highpass, bandpass or bandstop")->required();
  app.add_option("--order", order, "filter order")->required();
  app.add_option("--f1", f1, "edge frequency (the lower one of a band)")->required();
  app.add_option("--f2", f2, "upper edge frequency of a band");
  app.add_option("--rate", rate, "sampling rate, in the unit of the edges")->required();
  AddChoice(app, "--window", windowName, windows,
            "fir: rect, bartlett, blackman, hamming (default), hanning, kaiser");
  app.add_option("--param", parameter, "fir: blackman alpha (default 0.16), kaiser alpha (required)");
  AddChoice(app, "--prototype", prototypeName, prototypes,
            "iir, biquad: bessel, butterworth (default), chebyshev");
  app.add_flag("--json", json, "JSON instead of CSV");
  app.add_option("--plot", plotFile, "also draws the power in dB and the phase against frequency, "
                 "1024x600, into this PNG file");
  if (auto status = ParseArguments(app, argc, argv)) return *status;
  for (std::string* name : {&kindName, &bandName, &windowName, &prototypeName}) *name = Lower(*name);
  const TKDFilterType kind = kinds.at(kindName);
  const TKDDesignFilterType band = bands.at(bandName);
  const std::optional<TKDWindowType> window =
      windowName.empty() ? std::nullopt : std::optional(windows.at(windowName));
  const std::optional<TKDIIRFilterType> prototype =
      prototypeName.empty() ? std::nullopt : std::optional(prototypes.at(prototypeName));

  const bool isBand = band == fdftBandPass || band == fdftBandStop;
  const int maxOrder = kind == ftFIR ? 65535 : kind == ftBiquadIIR ? 16
                       : prototype == iirBessel ? 10 : 32;
  if (order < 1 || order > maxOrder)
    return UsageError(app, "--order must lie in 1 to " + std::to_string(maxOrder));
  if (!(rate > 0) || !std::isfinite(rate)) return UsageError(app, "--rate must be positive");
  if (isBand != f2.has_value())
    return UsageError(app, isBand ? "a band design needs --f2" : "--f2 applies to band designs only");
  if (!(f1 > 0 && f1 < rate / 2) || (f2 && !(*f2 > f1 && *f2 < rate / 2)))
    return UsageError(app, "the edges must lie between 0 and half the rate, --f1 below --f2");
  if (kind != ftFIR && (window || parameter)) return UsageError(app, "--window and --param apply to fir designs only");
  if (kind == ftFIR && prototype) return UsageError(app, "--prototype applies to iir and biquad designs only");
  if (window == wtKaiser && !parameter) return UsageError(app, "the kaiser window needs --param");
  if (parameter && window != wtKaiser && window != wtBlackman)
    return UsageError(app, "--param applies to the blackman and kaiser windows only");

  TPackageSession session;
  const auto info = KDFilterCalc(kind, band, order, f1, f2.value_or(0), rate, window.value_or(wtHamming),
                                 prototype.value_or(iirButterworth), parameter.value_or(0.16));
  const std::vector<double>& coefficients = info->GetCoefficients();
  std::vector<double> power, phase, frequency;
  info->GetResponse(power, phase);
  const size_t intervals = power.size() - 1;
  for (size_t i = 0; i <= intervals; ++i) {
    frequency.push_back(KDGetResponseFrequency(int32_t(i), int32_t(intervals)) / (2 * std::numbers::pi) * rate);
    power[i] = 10 * std::log10(power[i]);
  }
  // The plot goes first, so that a file that cannot be written leaves only its error.
  if (!plotFile.empty())
    if (const int status = SaveResponsePlot(app, {frequency, power, phase}, plotFile)) return status;

  if (json) {
    PrintJson({{"kind", kindName}, {"band", bandName}, {"order", order}, {"coefficients", coefficients},
               {"response", {{"frequency", frequency}, {"power_db", power}, {"phase", phase}}}});
    return 0;
  }
  // FIR: the taps; IIR: b and a side by side; biquad: one section per row.
  const size_t half = coefficients.size() / 2;
  if (kind == ftFIR) {
    std::printf("k,b\n");
    for (size_t k = 0; k < coefficients.size(); ++k) std::printf("%zu,%s\n", k, Number(coefficients[k]).c_str());
  } else if (kind == ftIIR) {
    std::printf("k,b,a\n");
    for (size_t k = 0; k < half; ++k)
      std::printf("%zu,%s,%s\n", k, Number(coefficients[k]).c_str(), Number(coefficients[half + k]).c_str());
  } else {
    std::printf("section,b0,b1,b2,a0,a1,a2\n");
    for (size_t s = 0; s < coefficients.size() / 6; ++s) {
      std::printf("%zu", s);
      for (size_t i = 0; i < 6; ++i) std::printf(",%s", Number(coefficients[6 * s + i]).c_str());
      std::printf("\n");
    }
  }
  std::printf("\nfrequency,power_db,phase\n");
  for (size_t i = 0; i <= intervals; ++i)
    std::printf("%s,%s,%s\n", Number(frequency[i]).c_str(), Number(power[i]).c_str(), Number(phase[i]).c_str());
  return 0;
}

}  // namespace corvane::tool
