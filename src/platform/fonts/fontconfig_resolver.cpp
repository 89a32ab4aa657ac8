#include "platform/fonts/fontconfig_resolver.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <stdexcept>
#include <unordered_map>

namespace kestrel {

namespace {

// The Windows Japanese face names (full-width and ASCII spellings) and the
// generic names, each with the installed face that draws like it and a
// second face for systems without that one. ＭＳ 明朝 and ＭＳ ゴシック, and
// the generic names that stand for them, have fixed-pitch half-width
// letters and digits, half an em wide, as IPAMincho and IPAGothic have: at a
// form's half-width pitch every letter stays in its cell. The P faces and
// MS UI Gothic have proportional letters, as IPAPMincho and IPAPGothic (and
// the IPAex faces, which a name can still ask for as they are) have.
struct FaceAlias {
  const char* name;
  const char* face;
  const char* second;
};
constexpr FaceAlias kFaceAliases[] = {
    {"標準明朝", "IPAMincho", "IPAexMincho"},
    {"ＭＳ 明朝", "IPAMincho", "IPAexMincho"},
    {"MS 明朝", "IPAMincho", "IPAexMincho"},
    {"MS Mincho", "IPAMincho", "IPAexMincho"},
    {"ＭＳ Ｐ明朝", "IPAPMincho", "IPAexMincho"},
    {"MS P明朝", "IPAPMincho", "IPAexMincho"},
    {"MS PMincho", "IPAPMincho", "IPAexMincho"},
    {"標準ゴシック", "IPAGothic", "IPAexGothic"},
    {"ＭＳ ゴシック", "IPAGothic", "IPAexGothic"},
    {"MS ゴシック", "IPAGothic", "IPAexGothic"},
    {"MS Gothic", "IPAGothic", "IPAexGothic"},
    {"ＭＳ Ｐゴシック", "IPAPGothic", "IPAexGothic"},
    {"MS Pゴシック", "IPAPGothic", "IPAexGothic"},
    {"MS PGothic", "IPAPGothic", "IPAexGothic"},
    {"ＭＳ ＵＩ Gothic", "IPAPGothic", "IPAexGothic"},
    {"MS UI Gothic", "IPAPGothic", "IPAexGothic"},
};

// One alias per name (fontconfig takes one family per alias element);
// binding="same" gives the preferred face the strength of the name the
// print data asked for, so it wins over fontconfig's own guesses.
std::string BuildAliasRules() {
  std::string xml =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n";
  for (const FaceAlias& a : kFaceAliases) {
    xml += "  <alias binding=\"same\"><family>";
    xml += a.name;
    xml += "</family><prefer><family>";
    xml += a.face;
    xml += "</family><family>";
    xml += a.second;
    xml += "</family></prefer></alias>\n";
  }
  xml += "</fontconfig>\n";
  return xml;
}

std::string GetString(FcPattern* p, const char* object, int n = 0) {
  FcChar8* s = nullptr;
  if (FcPatternGetString(p, object, n, &s) != FcResultMatch || s == nullptr) return {};
  return reinterpret_cast<const char*>(s);
}

}  // namespace

struct FontconfigResolver::Impl {
  FcConfig* config = nullptr;
  bool loaded = false;
  FcConfig* Config();
  std::unordered_map<std::string, ResolvedFace> cache;

  // A pattern for face as a logical font with DEFAULT_CHARSET and FF_ROMAN
  // asks for it on a Japanese system: the name first, then a Japanese
  // serif face for names the system lacks.
  FcPattern* LogicalPattern(const std::string& face) {
    FcPattern* p = FcPatternCreate();
    if (!face.empty()) FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    FcValue serif;
    serif.type = FcTypeString;
    serif.u.s = reinterpret_cast<const FcChar8*>("serif");
    FcPatternAddWeak(p, FC_FAMILY, serif, FcTrue);
    FcPatternAddString(p, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcPatternAddBool(p, FC_SCALABLE, FcTrue);
    return p;
  }

  ResolvedFace Match(FcPattern* p, uint32_t codepoint, bool* covered) {
    ResolvedFace out;
    if (Config() == nullptr) {
      if (covered != nullptr) *covered = false;
      return out;
    }
    FcConfigSubstitute(config, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    FcResult result = FcResultNoMatch;
    FcPattern* m = FcFontMatch(config, p, &result);
    if (m != nullptr) {
      out.file = GetString(m, FC_FILE);
      out.family = GetString(m, FC_FAMILY);
      int index = 0;
      if (FcPatternGetInteger(m, FC_INDEX, 0, &index) == FcResultMatch) out.index = index;
      if (covered != nullptr) {
        FcCharSet* cs = nullptr;
        *covered = FcPatternGetCharSet(m, FC_CHARSET, 0, &cs) == FcResultMatch && FcCharSetHasChar(cs, codepoint);
      }
      FcPatternDestroy(m);
    } else if (covered != nullptr) {
      *covered = false;
    }
    return out;
  }
};

// The configuration is loaded at the first look-up: a run that draws no
// text never pays for reading the font directories.
FontconfigResolver::FontconfigResolver() : impl_(new Impl) {}

FontconfigResolver::~FontconfigResolver() {
  if (impl_->config != nullptr) FcConfigDestroy(impl_->config);
  delete impl_;
}

FcConfig* FontconfigResolver::Impl::Config() {
  if (!loaded) {
    loaded = true;
    config = FcInitLoadConfigAndFonts();
    // Failing rules leave fontconfig's own mapping in place; without any
    // configuration every look-up finds no face and text is left out.
    if (config != nullptr)
      FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(AliasRules().c_str()), FcTrue);
  }
  return config;
}

const std::string& FontconfigResolver::AliasRules() {
  static const std::string rules = BuildAliasRules();
  return rules;
}

ResolvedFace FontconfigResolver::Resolve(const std::string& face) {
  auto it = impl_->cache.find(face);
  if (it != impl_->cache.end()) return it->second;
  FcPattern* p = impl_->LogicalPattern(face);
  ResolvedFace r = impl_->Match(p, 0, nullptr);
  FcPatternDestroy(p);
  impl_->cache.emplace(face, r);
  return r;
}

ResolvedFace FontconfigResolver::ResolveCovering(const std::string& face, uint32_t codepoint, bool& found) {
  FcPattern* p = impl_->LogicalPattern(face);
  FcCharSet* cs = FcCharSetCreate();
  FcCharSetAddChar(cs, codepoint);
  FcPatternAddCharSet(p, FC_CHARSET, cs);
  FcCharSetDestroy(cs);
  ResolvedFace r = impl_->Match(p, codepoint, &found);
  FcPatternDestroy(p);
  return r;
}

std::vector<std::string> FontconfigResolver::FamilyNames() {
  if (impl_->Config() == nullptr) return {};
  FcPattern* all = FcPatternCreate();
  FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* set = FcFontList(impl_->config, all, os);
  FcObjectSetDestroy(os);
  FcPatternDestroy(all);
  std::vector<std::vector<std::string>> families;
  if (set != nullptr) {
    for (int i = 0; i < set->nfont; ++i) {
      std::vector<std::string> names;
      for (int n = 0;; ++n) {
        std::string name = GetString(set->fonts[i], FC_FAMILY, n);
        if (name.empty()) break;
        names.push_back(std::move(name));
      }
      if (!names.empty()) families.push_back(std::move(names));
    }
    FcFontSetDestroy(set);
  }
  // fontconfig lists fonts in no promised order: sort for a stable list.
  std::sort(families.begin(), families.end());
  std::vector<std::string> out;
  for (const auto& names : families)
    for (const auto& name : names)
      if (std::find(out.begin(), out.end(), name) == out.end()) out.push_back(name);
  return out;
}

FontconfigResolver& SharedFontResolver() {
  static FontconfigResolver resolver;
  return resolver;
}

std::vector<std::string> InstalledFontNames() { return SharedFontResolver().FamilyNames(); }

}  // namespace kestrel
