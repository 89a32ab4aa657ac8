// The papers: the Windows paper constants, the sizes and names of the papers
// the program knows, and the descriptions the paper list prints for each
// constant. One table for the engine's paper check, the paper list, the
// print systems (a CUPS queue's media, the built-in PDF device) and the test
// print system.
#pragma once

#include <cstdint>

namespace kestrel {

// A paper size in 0.1 mm.
struct PaperSize {
  int32_t width = 0;
  int32_t height = 0;
  friend bool operator==(PaperSize, PaperSize) = default;
};

// Windows paper constants the program names.
inline constexpr int kPaperLetter = 1;
inline constexpr int kPaperLegal = 5;
inline constexpr int kPaperA3 = 8;
inline constexpr int kPaperA4 = 9;
inline constexpr int kPaperA5 = 11;
inline constexpr int kPaperB4 = 12;
inline constexpr int kPaperB5 = 13;

struct PaperInfo {
  int constant;      // Windows paper constant
  PaperSize size;    // portrait, 0.1 mm
  const char* name;  // the name a driver gives the paper
};

// The common papers. A device that describes its media by size (a CUPS
// queue) gets their constants and names from here.
inline constexpr PaperInfo kPaperTable[] = {
    {kPaperLetter, {2159, 2794}, "Letter"},
    {3, {2794, 4318}, "Tabloid"},
    {4, {4318, 2794}, "Ledger"},
    {kPaperLegal, {2159, 3556}, "Legal"},
    {7, {1841, 2667}, "Executive"},
    {kPaperA3, {2970, 4200}, "A3"},
    {kPaperA4, {2100, 2970}, "A4"},
    {kPaperA5, {1480, 2100}, "A5"},
    {kPaperB4, {2570, 3640}, "B4 (JIS)"},
    {kPaperB5, {1820, 2570}, "B5 (JIS)"},
    {20, {1048, 2413}, "Envelope #10"},
    {27, {1100, 2200}, "Envelope DL"},
    {28, {1620, 2290}, "Envelope C5"},
    {30, {2290, 3240}, "Envelope C4"},
    {34, {1760, 2500}, "Envelope B5"},
    {37, {984, 1905}, "Envelope Monarch"},
    {43, {1000, 1480}, "Japanese Postcard"},
    {66, {4200, 5940}, "A2"},
    {70, {1050, 1480}, "A6"},
    {88, {1280, 1820}, "B6 (JIS)"},
};

// The papers a form is laid out on (the print data's paper codes name
// them), in this order: what a device without a paper list of its own
// offers.
inline constexpr int kFormPapers[] = {kPaperA3, kPaperA4, kPaperA5, kPaperB4, kPaperB5};

// The row of a paper constant, or null when the table has none.
constexpr const PaperInfo* FindPaper(int constant) {
  for (const PaperInfo& p : kPaperTable)
    if (p.constant == constant) return &p;
  return nullptr;
}

// Whether the table has a paper constant.
constexpr bool InPaperTable(int constant) {
  for (const PaperInfo& p : kPaperTable)
    if (p.constant == constant) return true;
  return false;
}

static_assert(
    [] {
      for (int constant : kFormPapers)
        if (!InPaperTable(constant)) return false;
      return InPaperTable(kPaperLetter) && InPaperTable(kPaperLegal);
    }(),
    "every paper a device offers by default is in the table");

// The portrait size of a paper constant of the table (0 x 0 for others).
constexpr PaperSize PaperSizeOf(int constant) {
  for (const PaperInfo& p : kPaperTable)
    if (p.constant == constant) return p.size;
  return {};
}

// The description of a Windows paper constant (1-118, DMPAPER_LETTER to
// DMPAPER_PENV_10_ROTATED), as CP932 bytes, byte for byte; empty outside
// that range. Five rows hold a single Western code-page fraction byte (0xBD
// one half, 0xBE three quarters).
const char* PaperConstantDescription(int constant);

}  // namespace kestrel
