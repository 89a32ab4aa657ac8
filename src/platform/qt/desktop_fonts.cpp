#include "platform/qt/desktop_fonts.h"

#include <fontconfig/fontconfig.h>

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace kestrel {
namespace {

// The family fontconfig matches for name in Japanese, when that family has
// Japanese glyphs.
std::string JapaneseMatch(const char* name) {
  FcPattern* p = FcNameParse(reinterpret_cast<const FcChar8*>(name));
  if (p == nullptr) return {};
  FcPatternAddString(p, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcConfigSubstitute(nullptr, p, FcMatchPattern);
  FcDefaultSubstitute(p);
  FcResult result = FcResultNoMatch;
  FcPattern* m = FcFontMatch(nullptr, p, &result);
  FcPatternDestroy(p);
  if (m == nullptr) return {};
  std::string family;
  FcLangSet* langs = nullptr;
  FcChar8* name8 = nullptr;
  if (FcPatternGetLangSet(m, FC_LANG, 0, &langs) == FcResultMatch &&
      FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ja")) == FcLangEqual &&
      FcPatternGetString(m, FC_FAMILY, 0, &name8) == FcResultMatch && name8 != nullptr)
    family = reinterpret_cast<const char*>(name8);
  FcPatternDestroy(m);
  return family;
}

}  // namespace

std::string FormFaceFamily() {
  static const std::string family = [] {
    if (!FcInit()) return std::string();
    for (const char* name : {kFormFace, "IPAexGothic", "Noto Sans CJK JP", "sans-serif"}) {
      std::string f = JapaneseMatch(name);
      if (!f.empty()) return f;
    }
    return std::string();
  }();
  return family;
}

void MapFormFace() {
  const std::string family = FormFaceFamily();
  if (!family.empty()) QFont::insertSubstitution(kFormFace, QString::fromStdString(family));
}

QFont FormFont(int pixelSize, bool bold) {
  QFont font(kFormFace);
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

void Fill(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

void CentreOnScreen(QWidget* window) {
  if (QScreen* screen = window->screen()) {
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
  }
}

}  // namespace kestrel
