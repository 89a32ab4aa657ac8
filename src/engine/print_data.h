// The print-data file: one page as a flat array of 16-byte command records,
// closed by an End record and followed by a pool of NUL-terminated texts.
// Positions are in 1/160 inch; multi-byte fields are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kestrel {

inline constexpr size_t kCommandSize = 16;
inline constexpr size_t kMaxCommands = 600000;
inline constexpr size_t kCommandAreaBytes = kCommandSize * kMaxCommands;  // 9,600,000
inline constexpr size_t kColourCount = 50;
inline constexpr size_t kTextBufferBytes = 600000;
inline constexpr size_t kStringBytes = 10000;

enum class CommandKind : uint8_t {
  Line = 1,
  Paint = 2,
  Circle = 3,
  String = 5,
  Paper = 16,
  Palette = 17,
  End = 255,
};

// One 16-byte record, read field by field (the layout has no padding rules
// a C++ struct could promise, and records may hold anything in unused bytes).
struct PrintCommand {
  uint8_t bytes[kCommandSize];

  uint8_t kind() const { return bytes[0]; }
  uint8_t u8(size_t at) const { return bytes[at]; }
  uint16_t u16(size_t at) const { return uint16_t(bytes[at] | (bytes[at + 1] << 8)); }
  int16_t i16(size_t at) const { return int16_t(u16(at)); }
  int32_t i32(size_t at) const {
    return int32_t(uint32_t(bytes[at]) | (uint32_t(bytes[at + 1]) << 8) | (uint32_t(bytes[at + 2]) << 16) |
                   (uint32_t(bytes[at + 3]) << 24));
  }
  bool is(CommandKind k) const { return bytes[0] == uint8_t(k); }
};
static_assert(sizeof(PrintCommand) == kCommandSize);

// Field views of the command kinds. Each takes a record and names its fields.
struct PaperCommand {
  const PrintCommand& c;
  uint8_t orientation() const { return c.u8(1); }
  int16_t paperCode() const { return c.i16(2); }
  int16_t userPaperCode() const { return c.i16(4); }
  uint8_t copies() const { return c.u8(7); }
};

struct PaletteCommand {
  const PrintCommand& c;
  uint8_t colorIndex() const { return c.u8(1); }
  uint8_t red() const { return c.u8(2); }
  uint8_t green() const { return c.u8(3); }
  uint8_t blue() const { return c.u8(4); }
};

struct PaintCommand {
  const PrintCommand& c;
  uint8_t colorIndex() const { return c.u8(1); }
  uint16_t x1() const { return c.u16(2); }
  uint16_t y1() const { return c.u16(4); }
  uint16_t x2() const { return c.u16(6); }
  uint16_t y2() const { return c.u16(8); }
  uint8_t pattern() const { return c.u8(10); }
};

struct LineCommand {
  const PrintCommand& c;
  uint8_t colorIndex() const { return c.u8(1); }
  uint16_t x0() const { return c.u16(2); }
  uint16_t y0() const { return c.u16(4); }
  uint16_t x1() const { return c.u16(6); }
  uint16_t y1() const { return c.u16(8); }
  uint16_t lineStyle() const { return c.u16(10); }
};

struct CircleCommand {
  const PrintCommand& c;
  uint8_t colorIndex() const { return c.u8(1); }
  uint16_t cx() const { return c.u16(2); }
  uint16_t cy() const { return c.u16(4); }
  uint16_t endAngle() const { return c.u16(6); }
  uint16_t startAngle() const { return c.u16(8); }
  uint16_t radius() const { return c.u16(10); }
};

struct StringCommand {
  const PrintCommand& c;
  uint8_t colorIndex() const { return c.u8(1); }
  uint16_t x() const { return c.u16(2); }
  uint16_t y() const { return c.u16(4); }
  uint8_t typeface() const { return c.u8(6); }
  uint8_t charClass() const { return c.u8(7); }
  uint8_t charWidth() const { return c.u8(8); }
  uint8_t charHeight() const { return c.u8(9); }
  int16_t pitch() const { return c.i16(10); }
  int32_t textOffset() const { return c.i32(12); }
};

// JIS X 0208 pairs to Shift-JIS, rows 0x76/0x77 moved into the user-defined
// area. Converts text[0..length) into out (out must hold length + 1 bytes,
// zeroed); the result ends at the first byte that does not begin a
// convertible pair.
void JisToSjis(const uint8_t* text, size_t length, uint8_t* out);

}  // namespace kestrel
