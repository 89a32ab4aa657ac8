// The print-data file: one page as a flat array of 16-byte command records,
// closed by an End record and followed by a pool of NUL-terminated texts.
// Positions are in 1/160 inch; multi-byte fields are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/canvas.h"
#include "platform/paper_table.h"

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

// The paper codes of a Paper command that name a paper of the paper table,
// with the names the text form of print data gives them.
struct DataPaper {
  int16_t code;
  int constant;  // Windows paper constant
  const char* name;
};
inline constexpr DataPaper kDataPapers[] = {
    {130, kPaperA3, "A3"}, {140, kPaperA4, "A4"}, {150, kPaperA5, "A5"}, {240, kPaperB4, "B4"}, {250, kPaperB5, "B5"},
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

// The pattern words of a Line command that name a line type: the pen style,
// the type's number (1-5, as the analysis tab's exclusions count them) and
// the name the text form of print data gives it. Another word keeps the
// canvas's pen style.
struct DataLineStyle {
  uint16_t word;
  PenStyle style;
  int type;
  const char* name;
};
inline constexpr DataLineStyle kDataLineStyles[] = {
    {0xFFFF, PenStyle::Solid, 1, "solid"},        {0xF0F0, PenStyle::Dash, 2, "dash"},
    {0x3333, PenStyle::Dot, 3, "dot"},            {0xFAFA, PenStyle::DashDot, 4, "dashdot"},
    {0xEAEA, PenStyle::DashDotDot, 5, "dashdotdot"},
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

// Damage a page's bytes show. The engine prints such a page as it is (unknown
// kinds are skipped, a page without End runs every pass to the last record);
// the findings only make the damage visible: a warning in the job log and on
// standard error, and the report of `pdat check`.
enum class PageFault : uint8_t {
  kEmpty,        // no byte at all
  kNoEnd,        // no End record in the records read; record = records walked
  kUnknownKind,  // value = the kind byte
  kTextOutside,  // a String's text begins outside the data read; value = textOffset
  kColourIndex,  // a colour index of 50 or more; value = the index
};
struct PageFinding {
  PageFault fault;
  size_t record;  // index of the record
  int64_t value;
};

// Calls report(PageFinding) for every finding of the page data[0..size), in
// record order (kNoEnd last). Only the first kCommandAreaBytes count, as
// for printing; a cut last record reads as if filled with zeros.
template <typename Report>
void CheckPage(const uint8_t* data, size_t size, Report&& report) {
  if (size == 0) {
    report(PageFinding{PageFault::kEmpty, 0, 0});
    return;
  }
  size = size < kCommandAreaBytes ? size : kCommandAreaBytes;
  const size_t records = (size + kCommandSize - 1) / kCommandSize;
  auto byteAt = [&](size_t at) -> uint8_t { return at < size ? data[at] : 0; };
  size_t end = records;
  for (size_t i = 0; i < records; ++i) {
    if (byteAt(i * kCommandSize) == uint8_t(CommandKind::End)) {
      end = i;
      break;
    }
  }
  // Texts are counted from the record after End; without End from byte 16.
  const size_t pool = end < records ? (end + 1) * kCommandSize : kCommandSize;
  for (size_t i = 0; i < end; ++i) {
    PrintCommand c{};
    for (size_t b = 0; b < kCommandSize; ++b) c.bytes[b] = byteAt(i * kCommandSize + b);
    switch (CommandKind(c.kind())) {
      case CommandKind::String: {
        const int64_t offset = StringCommand{c}.textOffset();
        if (offset < 0 || pool + uint64_t(offset) >= size) report(PageFinding{PageFault::kTextOutside, i, offset});
        [[fallthrough]];
      }
      case CommandKind::Line:
      case CommandKind::Paint:
      case CommandKind::Circle:
      case CommandKind::Palette:
        // Every colour-carrying kind holds its index in byte 1.
        if (c.u8(1) >= kColourCount) report(PageFinding{PageFault::kColourIndex, i, c.u8(1)});
        break;
      case CommandKind::Paper:
        break;
      default:
        report(PageFinding{PageFault::kUnknownKind, i, c.kind()});
        break;
    }
  }
  if (end == records) report(PageFinding{PageFault::kNoEnd, records, 0});
}

// One line naming a finding, for `pdat check`.
std::string DescribeFinding(const PageFinding& finding);

// JIS X 0208 pairs to Shift-JIS, rows 0x76/0x77 moved into the user-defined
// area. Converts text[0..length) into out (out must hold length + 1 bytes,
// zeroed); the result ends at the first byte that does not begin a
// convertible pair.
void JisToSjis(const uint8_t* text, size_t length, uint8_t* out);

// Whether a file's bytes are print data at all: false for an empty file and
// for one of which no record before End (or, without End, none at all) is
// of a known kind. A page that is only partly damaged is print data: it
// prints with its damage warnings.
bool IsPrintData(const uint8_t* data, size_t size);

}  // namespace kestrel
