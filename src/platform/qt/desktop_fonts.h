// The forms' look on a desktop: their font and their coloured backgrounds.
// The forms are drawn in "Tahoma", a face
// without Japanese glyphs that Linux systems rarely have; the desktop maps
// it, here and only here, to an installed face that has them (fontconfig's
// choice for Tahoma in Japanese, else IPAex Gothic, Noto Sans CJK JP or any
// Japanese sans-serif face).
#pragma once

#include <string>

class QColor;
class QFont;
class QWidget;

namespace kestrel {

inline constexpr const char* kFormFace = "Tahoma";

// The installed family that stands for kFormFace; empty when the system has
// no face with Japanese glyphs.
std::string FormFaceFamily();

// Makes every font naming kFormFace use FormFaceFamily(). Once per process,
// after the application object exists.
void MapFormFace();

// The forms' font at a size in pixels.
QFont FormFont(int pixelSize, bool bold = false);

// Paints a form's or a control's background in a colour of its own.
void Fill(QWidget* widget, const QColor& colour);

// Moves a window, frame and all, to the middle of its screen.
void CentreOnScreen(QWidget* window);

}  // namespace kestrel
