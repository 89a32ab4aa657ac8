// FontResolver over fontconfig, with the program's own alias rules.
//
// Print data and settings written on Windows sites name the Windows Japanese
// faces ("ＭＳ 明朝", "MS Gothic", ...) and the two generic names "標準明朝"
// and "標準ゴシック". fontconfig alone maps those to faces without Japanese
// glyphs or to the wrong style, and no system package aliases them, so the
// resolver loads its own rules into a private fontconfig configuration,
// bound as strongly as the name itself: the fixed-pitch names (ＭＳ 明朝,
// ＭＳ ゴシック, 標準明朝, 標準ゴシック) go to IPAMincho and IPAGothic, whose
// half-width letters are half an em wide as theirs are; the proportional
// ones (ＭＳ Ｐ明朝, ＭＳ Ｐゴシック, MS UI Gothic) to IPAPMincho and
// IPAPGothic. Every other name is matched by fontconfig as it stands
// (Japanese and English family names both work, "IPAex明朝" gives IPAex); a
// name the system lacks gets the nearest face, as a device's font mapper
// gives, preferring faces with Japanese glyphs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/fonts/font_resolver.h"

namespace kestrel {

class FontconfigResolver final : public FontResolver {
 public:
  FontconfigResolver();
  ~FontconfigResolver() override;
  FontconfigResolver(const FontconfigResolver&) = delete;
  FontconfigResolver& operator=(const FontconfigResolver&) = delete;

  ResolvedFace Resolve(const std::string& face) override;
  // The face fontconfig picks for face when it must show codepoint (for a
  // character the named face lacks: user-defined characters, symbols).
  // found is false when no installed font covers the character.
  ResolvedFace ResolveCovering(const std::string& face, uint32_t codepoint, bool& found);

  // Every family name the configuration knows, each family under all its
  // names (English and Japanese), families sorted by their first name.
  std::vector<std::string> FamilyNames();

  // The alias rules the resolver loads (fontconfig XML).
  static const std::string& AliasRules();

 private:
  struct Impl;
  Impl* impl_;
};

// The process-wide resolver (created on first use).
FontconfigResolver& SharedFontResolver();

// The printer's font list on Linux: the families of the shared resolver,
// each under its English and Japanese names, in a stable order.
std::vector<std::string> InstalledFontNames();

}  // namespace kestrel
