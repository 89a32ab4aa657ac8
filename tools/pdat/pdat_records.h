// The named fields of each command kind, shared by the dump and the
// compiler of the print-data text form, so that both read and write a
// record through the same table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel::pdat {

enum class FieldType : uint8_t {
  U8,
  U16,
  I16,
  I32,
  Orientation,  // u8: portrait (0), landscape (1), or a number
  PaperCode,    // i16: A3 A4 A5 B4 B5, or a number
  LineStyle,    // u16: solid dash dot dashdot dashdotdot, or a number
};

struct FieldLayout {
  const char* name;
  uint8_t at;  // byte offset in the record
  FieldType type;
};

struct KindLayout {
  const char* name;
  uint8_t kind;
  FieldLayout fields[9];
  size_t fieldCount;
  uint16_t usedMask;  // bit b set: byte b is read by the engine (byte 0 always)
};

// The field table of a command kind (nullptr for kinds without named fields).
const KindLayout* FindKind(uint8_t kind);
const KindLayout* FindKindByName(std::string_view name);

size_t FieldSize(FieldType type);
int64_t ReadField(const uint8_t* record, const FieldLayout& field);
void WriteField(uint8_t* record, const FieldLayout& field, int64_t value);

// The written form of a value ("A4", "dash", "-3", "0x1234").
std::string FormatField(FieldType type, int64_t value);
// Reads a written value; false with a message when it is not one or does
// not fit the field.
bool ParseField(FieldType type, std::string_view text, int64_t* value, std::string* message);

// A number in decimal or 0x hexadecimal, with an optional minus sign.
bool ParseNumber(std::string_view text, int64_t* value);

}  // namespace kestrel::pdat
