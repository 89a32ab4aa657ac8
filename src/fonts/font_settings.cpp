#include "fonts/font_settings.h"

#include "util/field_splitter.h"
#include "util/numbers.h"

namespace kestrel {

std::string EngineMinchoFace(std::string_view value) {
  return std::string(value.empty() ? kStandardMincho : value);
}

std::string EngineGothicFace(std::string_view value) {
  return std::string(value.empty() ? kStandardGothic : value);
}

std::optional<int32_t> ReadFlagValue(std::string_view text) {
  if (text.empty()) return 0;
  return ParseInt(text);
}

std::string FormatEscapeValue(int32_t bits) { return bits == 0 ? std::string() : std::to_string(bits); }

std::string FormatGroupValue(int32_t bits) { return std::to_string(bits); }

std::string FormatFaceValue(std::string_view face) {
  std::string out = "\"";
  out += face;
  out += '"';
  return out;
}

std::string FormatSubstitutionValue(std::string_view face, const std::vector<std::string>& texts) {
  std::string out = FormatFaceValue(face) + ",";
  for (const auto& t : texts) out += FormatFaceValue(t) + ",";
  return out;
}

SubstitutionPanel ReadSubstitutionPanel(std::string_view value) {
  SubstitutionPanel panel;
  std::vector<std::string> fields;
  if (value.size() >= 3 && value.front() == '"' && value.substr(value.size() - 2) == "\",") {
    // The written form, read as the exact inverse of the writer: fields
    // between "\"" and "\",". The loose splitter would merge an empty
    // field ("") with the fields after it, and a saved empty memo line
    // would come back as one broken line.
    std::string_view rest = value.substr(1, value.size() - 3);
    for (;;) {
      size_t cut = rest.find("\",\"");
      fields.emplace_back(rest.substr(0, cut));
      if (cut == std::string_view::npos) break;
      rest.remove_prefix(cut + 3);
    }
  } else {
    // Anything else (a value typed by hand) as the loose splitter reads it.
    // The splitter is defined on Shift-JIS bytes, but it only looks at
    // quotes and commas, which are never part of a multi-byte character in
    // either encoding, so UTF-8 splits the same way.
    FieldSplitter splitter;
    splitter.SplitLoose(value);
    fields = splitter.fields();
  }
  if (fields.empty()) return panel;
  panel.face = fields[0];
  panel.texts.assign(fields.begin() + 1, fields.end());
  return panel;
}

}  // namespace kestrel
