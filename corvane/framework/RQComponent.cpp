#include "corvane/framework/RQComponent.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <string_view>

#include "kelvra/Kelvra.Variants.h"

namespace corvane {

using kelvra::TPropertyTable;
using kelvra::TPropertyTableBuilder;

TRQInputOutputLockComponent::TRQInputOutputLockComponent(kelvra::TComponent* AOwner)
    : TLockComponent(AOwner),
      FInputLock(GetLock()),
      FOutputLock(kelvra::TChangeNotifyLock::Create()) {
  ReplaceLock(kelvra::TPairedLock::Create(FInputLock, FOutputLock, [this] { NotifyProp(); }));
}

// ---------------------------------------------------------------------------------------------
// Property tables.

const TPropertyTable& TRQLogin::Properties() {
  using T = TRQLogin;
  static const TPropertyTable table = TPropertyTableBuilder<T>()
                                          .Property("UserName", &T::FUserName, &T::SetUserName, "")
                                          .Property("Password", &T::FPassword, &T::SetPassword, "");
  return table;
}

const TPropertyTable& TRQOptionalSettingProperty::Properties() {
  using T = TRQOptionalSettingProperty;
  static const TPropertyTable table =
      TPropertyTableBuilder<T>().Property("UseCurrent", &T::FUseCurrent, &T::SetUseCurrent, true);
  return table;
}

const TPropertyTable& TRQOptionalVisibilityProperty::Properties() {
  using T = TRQOptionalVisibilityProperty;
  static const TPropertyTable table =
      TPropertyTableBuilder<T>().Property("Visible", &T::FVisible, &T::SetVisible, true);
  return table;
}

const TPropertyTable& TRQIntegerPointProperty::Properties() {
  using T = TRQIntegerPointProperty;
  static const TPropertyTable table = TPropertyTableBuilder<T>()
                                          .Property("X", &T::FX, &T::SetX, 0)
                                          .Property("Y", &T::FY, &T::SetY, 0);
  return table;
}

const TPropertyTable& TRQFloatPointProperty::Properties() {
  using T = TRQFloatPointProperty;
  static const TPropertyTable table = TPropertyTableBuilder<T>()
                                          .Property("X", &T::FX, &T::SetX, 0)
                                          .Property("Y", &T::FY, &T::SetY, 0);
  return table;
}

const TPropertyTable& TRQMasterPumping::Properties() {
  using T = TRQMasterPumping;
  static const TPropertyTable table = TPropertyTableBuilder<T>()
                                          .Property("Enabled", &T::FEnabled, &T::SetEnabled, false)
                                          .Property("Priority", &T::FPriority, &T::SetPriority, 0);
  return table;
}

const TPropertyTable& TRQDefaultEnabledMasterPumping::Properties() {
  using T = TRQDefaultEnabledMasterPumping;
  static const TPropertyTable table = TPropertyTableBuilder<T>()
                                          .Property("Enabled", &T::FEnabled, &T::SetEnabled, true)
                                          .Property("Priority", &T::FPriority, &T::SetPriority, 10);
  return table;
}

const TPropertyTable& TRQCollectionPoint::Properties() {
  using T = TRQCollectionPoint;
  static const TPropertyTable table = TPropertyTableBuilder<T>()
                                          .Property("X", &T::FX, &T::SetX, 0)
                                          .Property("Y", &T::FY, &T::SetY, 0);
  return table;
}

const TPropertyTable& TRQNamedCollectionItem::Properties() {
  using T = TRQNamedCollectionItem;
  static const TPropertyTable table =
      TPropertyTableBuilder<T>().Property("Name", &T::FName, &T::SetName, "");
  return table;
}

const TPropertyTable& TRQOptionalNamedCollectionItem::Properties() {
  using T = TRQOptionalNamedCollectionItem;
  static const TPropertyTable table =
      TPropertyTableBuilder<T>().Property("Enabled", &T::FEnabled, &T::SetEnabled, true);
  return table;
}

// ---------------------------------------------------------------------------------------------
// Collection items.

TRQCollectionPoint::TRQCollectionPoint(kelvra::TLockCollection* ACollection)
    : TLockCollectionItem(ACollection) {
  InitDefaults(ClassRef);
}

std::string TRQCollectionPoint::GetDisplayName() const {
  return "(" + kelvra::FloatToText(FX) + "," + kelvra::FloatToText(FY) + ")";
}

TRQNamedCollectionItem::TRQNamedCollectionItem(kelvra::TLockCollection* ACollection)
    : TLockCollectionItem(ACollection) {
  InitDefaults(ClassRef);
}

std::string TRQNamedCollectionItem::GetDisplayName() const {
  return FName.empty() ? TLockCollectionItem::GetDisplayName() : FName;
}

TRQOptionalNamedCollectionItem::TRQOptionalNamedCollectionItem(kelvra::TLockCollection* ACollection)
    : TRQNamedCollectionItem(ACollection) {
  InitDefaults(ClassRef);
}

// ---------------------------------------------------------------------------------------------
// TRQLanguage

namespace {

// Language identifiers of common languages and the locales that stand for them.
constexpr struct {
  uint16_t id;
  std::string_view locale;
} kLanguageLocales[] = {
    {0x0401, "ar_SA"}, {0x0402, "bg_BG"}, {0x0403, "ca_ES"}, {0x0404, "zh_TW"}, {0x0405, "cs_CZ"},
    {0x0406, "da_DK"}, {0x0407, "de_DE"}, {0x0408, "el_GR"}, {0x0409, "en_US"}, {0x040A, "es_ES"},
    {0x040B, "fi_FI"}, {0x040C, "fr_FR"}, {0x040D, "he_IL"}, {0x040E, "hu_HU"}, {0x040F, "is_IS"},
    {0x0410, "it_IT"}, {0x0411, "ja_JP"}, {0x0412, "ko_KR"}, {0x0413, "nl_NL"}, {0x0414, "nb_NO"},
    {0x0415, "pl_PL"}, {0x0416, "pt_BR"}, {0x0418, "ro_RO"}, {0x0419, "ru_RU"}, {0x041A, "hr_HR"},
    {0x041B, "sk_SK"}, {0x041D, "sv_SE"}, {0x041E, "th_TH"}, {0x041F, "tr_TR"}, {0x0422, "uk_UA"},
    {0x0424, "sl_SI"}, {0x0425, "et_EE"}, {0x0426, "lv_LV"}, {0x0427, "lt_LT"}, {0x042A, "vi_VN"},
    {0x0804, "zh_CN"}, {0x0807, "de_CH"}, {0x0809, "en_GB"}, {0x080A, "es_MX"}, {0x080C, "fr_BE"},
    {0x0810, "it_CH"}, {0x0813, "nl_BE"}, {0x0816, "pt_PT"}, {0x0C07, "de_AT"}, {0x0C09, "en_AU"},
    {0x0C0A, "es_ES"}, {0x0C0C, "fr_CA"}, {0x1009, "en_CA"}, {0x100C, "fr_CH"},
};

constexpr std::string_view kLocaleDefinitions = "/usr/share/i18n/locales/";

// The Unicode scalar value written in hexadecimal before the first ">" of AText, when that is
// all that comes before it.
bool HexCode(std::string_view AText, uint32_t& ACode) {
  const size_t close = AText.find('>');
  if (close == std::string_view::npos) return false;
  const auto [end, error] = std::from_chars(AText.data(), AText.data() + close, ACode, 16);
  return error == std::errc() && end == AText.data() + close && ACode <= 0x10FFFF &&
         (ACode < 0xD800 || ACode > 0xDFFF);
}

// The text of a quoted string of a locale definition: <Uxxxx> stands for a character, the escape
// character for the character after it.
std::string DecodeLocaleString(std::string_view AQuoted, char AEscape) {
  std::string text;
  for (size_t i = 0; i < AQuoted.size(); ++i) {
    if (AQuoted[i] == AEscape && i + 1 < AQuoted.size()) {
      text += AQuoted[++i];
    } else if (uint32_t code = 0;
               AQuoted.substr(i, 2) == "<U" && HexCode(AQuoted.substr(i + 2), code)) {
      kelvra::AppendUtf8(text, code);
      i = AQuoted.find('>', i);
    } else {
      text += AQuoted[i];
    }
  }
  return text;
}

// The "language" and "territory" of the identification section of the locale's definition;
// empty when the definition is not there.
std::pair<std::string, std::string> LocaleIdentification(std::string_view ALocale) {
  std::ifstream file(std::string(kLocaleDefinitions) + std::string(ALocale));
  std::string language, territory, line;
  char escape = '\\';
  bool inIdentification = false;
  while (std::getline(file, line)) {
    const auto quoted = [&] {
      const size_t open = line.find('"'), close = line.rfind('"');
      return close > open && open != std::string::npos
                 ? DecodeLocaleString(std::string_view(line).substr(open + 1, close - open - 1),
                                      escape)
                 : std::string();
    };
    if (line.starts_with("escape_char") && line.size() > 12) escape = line.back();
    if (line.starts_with("LC_IDENTIFICATION")) inIdentification = true;
    if (line.starts_with("END LC_IDENTIFICATION")) break;
    if (!inIdentification) continue;
    if (line.starts_with("language ") || line.starts_with("language\t")) language = quoted();
    if (line.starts_with("territory ") || line.starts_with("territory\t")) territory = quoted();
  }
  return {language, territory};
}

}  // namespace

std::string TRQLanguage::GetLocalizedName() const {
  const uint32_t id = GetID() & 0xFFFF;
  const auto entry = std::find_if(std::begin(kLanguageLocales), std::end(kLanguageLocales),
                                  [id](const auto& e) { return e.id == id; });
  if (entry == std::end(kLanguageLocales)) return {};
  const auto [language, territory] = LocaleIdentification(entry->locale);
  if (language.empty() || territory.empty()) return language;
  return language + " (" + territory + ")";
}

// ---------------------------------------------------------------------------------------------
// TRQBinaryPersistent

void TRQBinaryPersistent::SetItem(int32_t AIndex, uint8_t AValue) {
  SetProperty(FBytes[kelvra::CheckListIndex(AIndex, FBytes.size())], AValue);
}

bool TRQBinaryPersistent::SetBytes(std::span<const uint8_t> ABytes) {
  return SetProperty(FBytes, std::vector<uint8_t>(ABytes.begin(), ABytes.end()));
}

void TRQBinaryPersistent::Assign(const kelvra::TPersistent& ASource) {
  if (!ASource.ClassType().InheritsFrom(ClassRef)) return TLockPersistent::Assign(ASource);
  SetBytes(static_cast<const TRQBinaryPersistent&>(ASource).FBytes);
}

void TRQBinaryPersistent::DefineProperties(kelvra::TFiler& AFiler) {
  AFiler.DefineBinaryProperty(
      "_Data",
      [this](kelvra::TStream& AStream) {
        std::vector<uint8_t> bytes(size_t(AStream.Size() - AStream.Position()));
        AStream.ReadBuffer(bytes.data(), int64_t(bytes.size()));
        SetBytes(bytes);
      },
      [this](kelvra::TStream& AStream) {
        const auto section = GetLock()->EnterStopSection();
        AStream.WriteBuffer(FBytes.data(), int64_t(FBytes.size()));
      },
      !FBytes.empty());
}

// ---------------------------------------------------------------------------------------------
// Free routines.

namespace {

int32_t RoundToInteger(double AValue) {
  const double rounded = std::nearbyint(AValue);  // the default rounding: halves to even
  if (!(rounded >= double(std::numeric_limits<int32_t>::min()) &&
        rounded <= double(std::numeric_limits<int32_t>::max())))
    throw kelvra::ERangeError("Range check error");
  return int32_t(rounded);
}

// The system colours by index (0x00BBGGRR): scroll bar, desktop, active caption, inactive
// caption, menu, window, window frame, menu text, window text, caption text, active border,
// inactive border, application workspace, highlight, highlight text, button face, button shadow,
// grey text, button text, inactive caption text, button highlight, 3D dark shadow, 3D light,
// tooltip text, tooltip background, (unused), hot light, active caption gradient, inactive caption
// gradient, menu highlight, menu bar.
constexpr TColor kSystemColors[] = {
    0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
    0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0,
    0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
    0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xFF9933, 0xF0F0F0,
};

}  // namespace

kelvra::TRect RQMakeRect(double ALeft, double ATop, double ARight, double ABottom) {
  return {RoundToInteger(ALeft), RoundToInteger(ATop), RoundToInteger(ARight),
          RoundToInteger(ABottom)};
}

TColor RQColorToRGB(TColor AColor) {
  if (AColor >= 0) return AColor;
  const size_t index = size_t(AColor & 0xFF);
  return index < std::size(kSystemColors) ? kSystemColors[index] : 0;
}

}  // namespace corvane
