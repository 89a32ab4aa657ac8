// Windows-style initialisation files ("[section]" lines followed by
// "key=value" lines), read and written with the rules of the Windows
// profile services. Written by hand because other programs read and write
// the same files and the results must agree:
//  - sections and keys are compared without regard to ASCII case; the first
//    matching section is the section (keys of a later duplicate are not
//    seen) and the first matching key in it wins;
//  - blanks around keys and values are ignored; a value in a matching pair
//    of double or single quotes is read without them; a line without "="
//    is a key without a value (it reads as missing); lines beginning with
//    ";" are comments;
//  - a write replaces the key's line in place, or adds it after the last
//    non-blank line of its section; a missing section is added at the end
//    of the file; every other line is kept as it was;
//  - a missing file reads as empty and is created by a write (its folder is
//    not); files are code page 932 and written with CR LF line ends;
//    a write replaces the whole file at once (util/replacing_file.h);
//    reading accepts LF alone too.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/text_codec.h"

namespace kestrel {

class ProfileFile {
 public:
  enum class LoadResult { kOk, kMissing, kOpenFailed, kReadFailed };

  // Reads a file; on anything but kOk the content is empty.
  LoadResult Load(const std::string& path);
  // Takes the bytes of a file.
  void Parse(SjisView bytes);

  // The raw value (quotes removed), or empty when the key is missing or has
  // no value. Section and key in code page 932.
  std::optional<SjisString> Find(SjisView section, SjisView key) const;
  // The same with any quotes left on (for values that are lists of quoted
  // items).
  std::optional<SjisString> FindRaw(SjisView section, SjisView key) const;

  // UTF-8 readers with a default for a missing key; the number readers
  // also give the default when the value is not a number.
  std::string GetString(std::string_view section, std::string_view key, std::string_view fallback) const;
  int32_t GetInt(std::string_view section, std::string_view key, int32_t fallback) const;
  double GetReal(std::string_view section, std::string_view key, double fallback) const;

  // Keys of a section in file order (the first matching section).
  std::vector<std::string> Keys(std::string_view section) const;
  // The keys of a section with their values (quotes removed; a key without
  // a value has an empty one), in file order, in one pass over the section
  // (code page 932). A key given twice appears twice; the first one is the
  // one Find reads.
  std::vector<std::pair<SjisString, SjisString>> Entries(SjisView section) const;

  // Writes a key in memory (code page 932 / UTF-8).
  void Set(SjisView section, SjisView key, SjisView value);
  void SetString(std::string_view section, std::string_view key, std::string_view value);

  // The file text (CR LF after every line) and writing it to a file.
  SjisString Serialize() const;
  bool Save(const std::string& path) const;

  const std::vector<SjisString>& lines() const { return lines_; }

 private:
  struct Range {
    size_t header = 0, begin = 0, end = 0;  // the header line and the lines after it
  };
  std::optional<Range> FindSection(SjisView section) const;
  std::optional<SjisString> Lookup(SjisView section, SjisView key, bool unquote) const;

  // Each line's parse (its kind, where its name and value lie), kept beside
  // it so that a lookup does not parse the file again.
  struct LineParse {
    int kind = 0;
    uint32_t nameAt = 0, nameLength = 0, valueAt = 0, valueLength = 0;
    bool hasValue = false;
  };
  static LineParse ParseOf(const SjisString& line);

  std::vector<SjisString> lines_;  // without line ends
  std::vector<LineParse> parses_;  // one per line
  // The last section looked up (keys are read and written section by
  // section), kept true by every change of the lines.
  struct LastSection {
    bool valid = false;
    SjisString name;
    std::optional<Range> range;
  };
  mutable LastSection last_;
};

// One-call forms, each reading (and for writes, rewriting) the file, in
// UTF-8. A missing file reads as the default.
std::string ReadIniValue(const std::string& path, std::string_view section, std::string_view key,
                         std::string_view fallback);
int32_t ReadIniInt(const std::string& path, std::string_view section, std::string_view key, int32_t fallback);
// false when the file could not be read or written.
bool WriteIniValue(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value);

}  // namespace kestrel
