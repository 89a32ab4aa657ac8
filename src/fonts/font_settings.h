// The font substitution keys of the settings file and the syntax of their
// values, shared by the string stage (which applies them) and the font
// settings form (which edits them).
//
// Keys of section SETTING, UTF-8 in memory:
//   $pFontMin / $pFontGot        face of Mincho / Gothic strings, written
//                                between double quotes; "標準明朝" /
//                                "標準ゴシック" when missing or empty
//   $pFontEscape                 blank removal before a text is compared
//                                with a substitution list: bit 1 leading,
//                                2 trailing, 4 all; written empty for 0
//   $pStringFontMin/Got          half-width characters of Mincho / Gothic
//                                strings; the face also serves the group
//   $pStringFontMin2/Got2        whole texts and full-width characters
//                                (all four: "\"face\",\"text\",...," or empty)
//   $pFontMinGrp / $pFontGotGrp  non-zero: half-width alphanumeric strings
//                                take the half-width list's face as a whole
//   $pAutoFontWidth              1: font width 0 (left to the font)
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// The generic face names; the device's font mapper resolves them.
inline constexpr std::string_view kStandardMincho = "標準明朝";
inline constexpr std::string_view kStandardGothic = "標準ゴシック";

inline constexpr std::string_view kFontSection = "SETTING";
inline constexpr std::string_view kKeyFontMin = "$pFontMin";
inline constexpr std::string_view kKeyFontGot = "$pFontGot";
inline constexpr std::string_view kKeyFontEscape = "$pFontEscape";
inline constexpr std::string_view kKeyStringFontMin = "$pStringFontMin";
inline constexpr std::string_view kKeyStringFontGot = "$pStringFontGot";
inline constexpr std::string_view kKeyStringFontMin2 = "$pStringFontMin2";
inline constexpr std::string_view kKeyStringFontGot2 = "$pStringFontGot2";
inline constexpr std::string_view kKeyFontMinGrp = "$pFontMinGrp";
inline constexpr std::string_view kKeyFontGotGrp = "$pFontGotGrp";
inline constexpr std::string_view kKeyAutoFontWidth = "$pAutoFontWidth";

// Bits of $pFontEscape.
inline constexpr int kEscapeLeading = 1;
inline constexpr int kEscapeTrailing = 2;
inline constexpr int kEscapeAll = 4;

// The ten values as the settings file holds them (quotes already removed
// by the settings reader).
struct FontKeyValues {
  std::string fontMin{kStandardMincho};
  std::string fontGot{kStandardGothic};
  std::string fontEscape;
  std::string stringFontMin, stringFontGot, stringFontMin2, stringFontGot2;
  std::string fontMinGrp, fontGotGrp;
  int32_t autoFontWidth = 0;
};

// The face the engine uses for a $pFontMin / $pFontGot value.
std::string EngineMinchoFace(std::string_view value);
std::string EngineGothicFace(std::string_view value);

// A flag value ($pFontEscape, $pFontMinGrp, $pFontGotGrp) as a whole
// number: an empty text is 0; a text that is not a whole number gives
// nothing (the caller ignores the setting).
std::optional<int32_t> ReadFlagValue(std::string_view text);

// $pFontEscape as written: the bits as decimal text, empty for 0.
std::string FormatEscapeValue(int32_t bits);
// $pFontMinGrp / $pFontGotGrp as written: the bits as decimal text, also 0.
std::string FormatGroupValue(int32_t bits);
// A face key as written: the face between double quotes.
std::string FormatFaceValue(std::string_view face);

// A substitution list value as written: every field between double quotes
// and followed by a comma; quotes inside a field are not escaped.
std::string FormatSubstitutionValue(std::string_view face, const std::vector<std::string>& texts);

// A substitution list value split into the face and its texts the way the
// settings form shows them (the loose quoted-field splitter). An empty
// face field shows as no face and an empty text field as an empty line.
struct SubstitutionPanel {
  std::string face;
  std::vector<std::string> texts;
};
SubstitutionPanel ReadSubstitutionPanel(std::string_view value);

}  // namespace kestrel
