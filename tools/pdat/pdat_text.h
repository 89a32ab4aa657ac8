// The readable text form of a print-data file, as the pdat tool writes and
// reads it (docs/pdat-format.md describes the language).
//
// DumpText turns any byte sequence into text, and CompileText turns that
// text back into exactly the same bytes: unused record bytes, records after
// the End record, files without End, cut last records and bytes that are not
// valid Shift-JIS all have a written form. Texts of character classes 3 to 5
// are shown as Japanese text and stored as JIS X 0208 pairs.
//
// Both need the process's text converter (InstallTextCodec).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::pdat {

struct CompileError {
  int line = 0;  // 1-based line of the text; 0 when the error is not tied to a line
  std::string message;
};

// Compiles the UTF-8 text form into print-data bytes. On failure returns
// false, leaves out untouched and describes the first error.
bool CompileText(std::string_view text, std::vector<uint8_t>* out, CompileError* error);

// Writes the text form of a print-data file (UTF-8, one command per line).
std::string DumpText(const uint8_t* data, size_t size);
inline std::string DumpText(const std::vector<uint8_t>& data) { return DumpText(data.data(), data.size()); }

// Shift-JIS code s1 s2 back to the JIS X 0208 pair that the engine's
// JisToSjis turns into it (rows 0x76/0x77 come from F79F-F7FC/F840-F89E).
// False when no pair gives this code.
bool SjisToJis(uint8_t s1, uint8_t s2, uint8_t* j1, uint8_t* j2);

// --- shared between the dump and the compiler ---------------------------

// A quoted text of the text form: runs of UTF-8 text and raw bytes (\xHH).
struct TextPiece {
  bool raw = false;
  std::string bytes;  // UTF-8 text, or raw bytes
};

// Encodes pieces as stored bytes: Shift-JIS (jis false) or JIS X 0208 pairs
// (jis true). False with a message when a character has no such code.
bool EncodeText(const std::vector<TextPiece>& pieces, bool jis, std::string* out, std::string* message);

// Writes stored bytes as the inside of a quoted text (no quotes), using
// escapes for every byte that would not come back the same. At most
// max_chars characters are written when max_chars is not 0 ("..." follows
// when cut).
std::string DecodeText(const uint8_t* data, size_t size, bool jis, size_t max_chars = 0);

}  // namespace kestrel::pdat
