#include <array>
#include <cstdio>
#include <iterator>

#include "engine/print_data.h"
#include "pdat_records.h"

namespace kestrel::pdat {
namespace {

constexpr uint16_t Used(std::initializer_list<int> bytes) {
  uint16_t mask = 1;
  for (int b : bytes) mask = uint16_t(mask | (1u << b));
  return mask;
}

using T = FieldType;

// Field names follow the record accessors of engine/print_data.h.
const KindLayout kKinds[] = {
    {"paper",
     uint8_t(CommandKind::Paper),
     {{"orientation", 1, T::Orientation}, {"paper", 2, T::PaperCode}, {"userPaper", 4, T::PaperCode},
      {"copies", 7, T::U8}},
     4,
     Used({1, 2, 3, 4, 5, 7})},
    {"palette",
     uint8_t(CommandKind::Palette),
     {{"index", 1, T::U8}, {"red", 2, T::U8}, {"green", 3, T::U8}, {"blue", 4, T::U8}},
     4,
     Used({1, 2, 3, 4})},
    {"paint",
     uint8_t(CommandKind::Paint),
     {{"color", 1, T::U8},
      {"x1", 2, T::U16},
      {"y1", 4, T::U16},
      {"x2", 6, T::U16},
      {"y2", 8, T::U16},
      {"pattern", 10, T::U8}},
     6,
     Used({1, 2, 3, 4, 5, 6, 7, 8, 9, 10})},
    {"line",
     uint8_t(CommandKind::Line),
     {{"color", 1, T::U8},
      {"x0", 2, T::U16},
      {"y0", 4, T::U16},
      {"x1", 6, T::U16},
      {"y1", 8, T::U16},
      {"style", 10, T::LineStyle}},
     6,
     Used({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11})},
    {"circle",
     uint8_t(CommandKind::Circle),
     {{"color", 1, T::U8},
      {"cx", 2, T::U16},
      {"cy", 4, T::U16},
      {"end", 6, T::U16},
      {"start", 8, T::U16},
      {"radius", 10, T::U16}},
     6,
     Used({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11})},
    {"string",
     uint8_t(CommandKind::String),
     {{"color", 1, T::U8},
      {"x", 2, T::U16},
      {"y", 4, T::U16},
      {"typeface", 6, T::U8},
      {"class", 7, T::U8},
      {"width", 8, T::U8},
      {"height", 9, T::U8},
      {"pitch", 10, T::I16},
      {"offset", 12, T::I32}},
     9,
     0xFFFF},
    {"end", uint8_t(CommandKind::End), {}, 0, Used({})},
};

struct Named {
  const char* name;
  int64_t value;
};
const Named kOrientations[] = {{"portrait", 0}, {"landscape", 1}};
// The papers by the names of the print data's paper-code table.
constexpr auto kPapers = [] {
  std::array<Named, std::size(kDataPapers)> papers{};
  for (size_t i = 0; i < papers.size(); ++i) papers[i] = {kDataPapers[i].name, kDataPapers[i].code};
  return papers;
}();
// The line types by the names of the print data's line-style table.
constexpr auto kLineStyles = [] {
  std::array<Named, std::size(kDataLineStyles)> styles{};
  for (size_t i = 0; i < styles.size(); ++i) styles[i] = {kDataLineStyles[i].name, kDataLineStyles[i].word};
  return styles;
}();

template <typename Table>
const char* NameOf(const Table& table, int64_t value) {
  for (const auto& n : table)
    if (n.value == value) return n.name;
  return nullptr;
}

template <typename Table>
bool ValueOf(const Table& table, std::string_view name, int64_t* value) {
  for (const auto& n : table)
    if (name == n.name) {
      *value = n.value;
      return true;
    }
  return false;
}

template <typename Table>
std::string NameList(const Table& table) {
  std::string list;
  for (const auto& n : table) {
    if (!list.empty()) list += ", ";
    list += n.name;
  }
  return list;
}

}  // namespace

const KindLayout* FindKind(uint8_t kind) {
  for (const auto& k : kKinds)
    if (k.kind == kind) return &k;
  return nullptr;
}

const KindLayout* FindKindByName(std::string_view name) {
  for (const auto& k : kKinds)
    if (name == k.name) return &k;
  return nullptr;
}

size_t FieldSize(FieldType type) {
  switch (type) {
    case T::U8:
    case T::Orientation:
      return 1;
    case T::U16:
    case T::I16:
    case T::PaperCode:
    case T::LineStyle:
      return 2;
    case T::I32:
      return 4;
  }
  return 1;
}

int64_t ReadField(const uint8_t* record, const FieldLayout& field) {
  PrintCommand c;
  std::memcpy(c.bytes, record, kCommandSize);
  switch (field.type) {
    case T::U8:
    case T::Orientation:
      return c.u8(field.at);
    case T::U16:
    case T::LineStyle:
      return c.u16(field.at);
    case T::I16:
    case T::PaperCode:
      return c.i16(field.at);
    case T::I32:
      return c.i32(field.at);
  }
  return 0;
}

void WriteField(uint8_t* record, const FieldLayout& field, int64_t value) {
  auto bits = uint32_t(value);
  for (size_t i = 0; i < FieldSize(field.type); ++i) record[field.at + i] = uint8_t(bits >> (8 * i));
}

std::string FormatField(FieldType type, int64_t value) {
  const char* name = nullptr;
  if (type == T::Orientation) name = NameOf(kOrientations, value);
  if (type == T::PaperCode) name = NameOf(kPapers, value);
  if (type == T::LineStyle) {
    name = NameOf(kLineStyles, value);
    if (name == nullptr) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%04X", unsigned(value));
      return hex;
    }
  }
  return name != nullptr ? name : std::to_string(value);
}

bool ParseNumber(std::string_view text, int64_t* value) {
  bool negative = false;
  if (!text.empty() && text[0] == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 12) return false;
  int64_t v = 0;
  for (char ch : text) {
    int d;
    if (ch >= '0' && ch <= '9') d = ch - '0';
    else if (base == 16 && ch >= 'a' && ch <= 'f') d = ch - 'a' + 10;
    else if (base == 16 && ch >= 'A' && ch <= 'F') d = ch - 'A' + 10;
    else return false;
    v = v * base + d;
  }
  *value = negative ? -v : v;
  return true;
}

bool ParseField(FieldType type, std::string_view text, int64_t* value, std::string* message) {
  if (type == T::Orientation && ValueOf(kOrientations, text, value)) return true;
  if (type == T::PaperCode && ValueOf(kPapers, text, value)) return true;
  if (type == T::LineStyle && ValueOf(kLineStyles, text, value)) return true;
  int64_t v;
  if (!ParseNumber(text, &v)) {
    *message = "\"" + std::string(text) + "\" is not a number";
    if (type == T::Orientation) *message += " nor one of " + NameList(kOrientations);
    if (type == T::PaperCode) *message += " nor one of " + NameList(kPapers);
    if (type == T::LineStyle) *message += " nor one of " + NameList(kLineStyles);
    return false;
  }
  int64_t lo = 0, hi = 0;
  switch (type) {
    case T::U8:
    case T::Orientation:
      hi = 255;
      break;
    case T::U16:
    case T::LineStyle:
      hi = 65535;
      break;
    case T::I16:
    case T::PaperCode:
      lo = -32768;
      hi = 32767;
      break;
    case T::I32:
      lo = INT32_MIN;
      hi = INT32_MAX;
      break;
  }
  if (v < lo || v > hi) {
    *message = std::string(text) + " is outside " + std::to_string(lo) + ".." + std::to_string(hi);
    return false;
  }
  *value = v;
  return true;
}

}  // namespace kestrel::pdat
