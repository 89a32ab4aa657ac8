// The pieces of the string stage that other stages and tests call by name.
#pragma once

#include <string>
#include <string_view>

#include "engine/print_context.h"

namespace kestrel {

// The face for text from a substitution list: blanks removed as the escape
// flags say (1 leading, 2 trailing, 4 all), then the list's face when the
// text equals one of its texts byte for byte, else defaultFace. Flags that
// are not a number give defaultFace; an empty text or default face gives
// "標準明朝". The result refers to the list, the default or a constant.
const std::string& LookupFace(SjisView text, const FontSubstitutionList& list, std::string_view escapeFlags,
                              const std::string& defaultFace);

// The OCR face of the run, resolved once and kept in ctx.strings.ocrFontFace: the
// face named in the OCR font choice file when the printer has it, else the
// OCR font's own names when its file is installed, else "ＭＳ ゴシック".
const std::string& ResolveOcrFace(PrintContext& ctx, const std::string& ocrFontFile);

// Splits one substitution key (UTF-8) as the engine reads it; an empty key
// stands for a list holding just defaultFace.
FontSubstitutionList SplitFontList(std::string_view key, std::string_view defaultFace);

}  // namespace kestrel
