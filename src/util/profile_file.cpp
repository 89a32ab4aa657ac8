#include "util/profile_file.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "util/bounded_read.h"
#include "util/char_forms.h"
#include "util/numbers.h"
#include "util/replacing_file.h"

namespace kestrel {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

SjisView Trim(SjisView s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// Case-insensitive for ASCII letters; the two bytes of a double-byte
// character are compared as they are.
bool SameName(SjisView a, SjisView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (IsSjisLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

enum class LineKind { kBlank, kComment, kSection, kKey };

struct ParsedLine {
  LineKind kind = LineKind::kBlank;
  SjisView name;   // section or key
  SjisView value;  // after "=", trimmed
  bool hasValue = false;
};

ParsedLine ParseLine(SjisView raw) {
  ParsedLine p;
  SjisView line = Trim(raw);
  if (line.empty()) return p;
  if (line.front() == ';') {
    p.kind = LineKind::kComment;
    return p;
  }
  if (line.front() == '[') {
    p.kind = LineKind::kSection;
    SjisView inner = line.substr(1);
    size_t close = inner.find(']');
    p.name = close == SjisView::npos ? inner : inner.substr(0, close);
    return p;
  }
  p.kind = LineKind::kKey;
  size_t eq = line.find('=');
  if (eq == SjisView::npos) {
    p.name = line;
    return p;
  }
  p.name = Trim(line.substr(0, eq));
  p.value = Trim(line.substr(eq + 1));
  p.hasValue = true;
  return p;
}

SjisView Unquote(SjisView value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// A line's kept parse as views into the line.
template <typename Parse>
ParsedLine ParsedAt(const SjisString& line, const Parse& parse) {
  ParsedLine p;
  p.kind = LineKind(parse.kind);
  p.name = SjisView(line).substr(parse.nameAt, parse.nameLength);
  p.value = SjisView(line).substr(parse.valueAt, parse.valueLength);
  p.hasValue = parse.hasValue;
  return p;
}

}  // namespace

ProfileFile::LineParse ProfileFile::ParseOf(const SjisString& line) {
  const ParsedLine p = ParseLine(line);
  LineParse out;
  out.kind = int(p.kind);
  out.nameAt = uint32_t(p.name.empty() ? 0 : p.name.data() - line.data());
  out.nameLength = uint32_t(p.name.size());
  out.valueAt = uint32_t(p.value.empty() ? 0 : p.value.data() - line.data());
  out.valueLength = uint32_t(p.value.size());
  out.hasValue = p.hasValue;
  return out;
}

ProfileFile::LoadResult ProfileFile::Load(const std::string& path) {
  lines_.clear();
  parses_.clear();
  last_.valid = false;
  SjisString bytes;
  switch (ReadBoundedFile(path, kProfileFileLimit, bytes)) {
    case ReadStatus::kOk: break;
    case ReadStatus::kMissing: return LoadResult::kMissing;
    case ReadStatus::kOpenFailed: return LoadResult::kOpenFailed;
    default: return LoadResult::kReadFailed;
  }
  Parse(bytes);
  return LoadResult::kOk;
}

void ProfileFile::Parse(SjisView bytes) {
  lines_.clear();
  parses_.clear();
  last_.valid = false;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    SjisView line = bytes.substr(start, end == SjisView::npos ? SjisView::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines_.emplace_back(line);
    parses_.push_back(ParseOf(lines_.back()));
    if (end == SjisView::npos) break;
    start = end + 1;
  }
}

std::optional<ProfileFile::Range> ProfileFile::FindSection(SjisView section) const {
  if (last_.valid && SameName(last_.name, section)) return last_.range;
  constexpr int kSectionLine = int(LineKind::kSection);
  last_.valid = true;
  last_.name = SjisString(section);
  last_.range.reset();
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (parses_[i].kind != kSectionLine || !SameName(ParsedAt(lines_[i], parses_[i]).name, section)) continue;
    Range r{i, i + 1, lines_.size()};
    for (size_t j = i + 1; j < lines_.size(); ++j) {
      if (parses_[j].kind == kSectionLine) {
        r.end = j;
        break;
      }
    }
    last_.range = r;
    break;
  }
  return last_.range;
}

std::optional<SjisString> ProfileFile::Find(SjisView section, SjisView key) const {
  return Lookup(section, key, true);
}

std::optional<SjisString> ProfileFile::FindRaw(SjisView section, SjisView key) const {
  return Lookup(section, key, false);
}

std::optional<SjisString> ProfileFile::Lookup(SjisView section, SjisView key, bool unquote) const {
  auto range = FindSection(section);
  if (!range) return std::nullopt;
  for (size_t i = range->begin; i < range->end; ++i) {
    if (parses_[i].kind != int(LineKind::kKey) || parses_[i].nameLength != key.size()) continue;
    ParsedLine p = ParsedAt(lines_[i], parses_[i]);
    if (!SameName(p.name, key)) continue;
    if (!p.hasValue) return std::nullopt;
    return SjisString(unquote ? Unquote(p.value) : p.value);
  }
  return std::nullopt;
}

std::string ProfileFile::GetString(std::string_view section, std::string_view key, std::string_view fallback) const {
  auto value = Find(SjisFromUtf8(section), SjisFromUtf8(key));
  if (!value) return std::string(fallback);
  return Utf8FromSjis(*value);
}

int32_t ProfileFile::GetInt(std::string_view section, std::string_view key, int32_t fallback) const {
  auto value = Find(SjisFromUtf8(section), SjisFromUtf8(key));
  if (!value) return fallback;
  return ParseInt(*value).value_or(fallback);
}

double ProfileFile::GetReal(std::string_view section, std::string_view key, double fallback) const {
  auto value = Find(SjisFromUtf8(section), SjisFromUtf8(key));
  if (!value) return fallback;
  return ParseReal(*value).value_or(fallback);
}

std::vector<std::string> ProfileFile::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  auto range = FindSection(SjisFromUtf8(section));
  if (!range) return keys;
  for (size_t i = range->begin; i < range->end; ++i) {
    ParsedLine p = ParsedAt(lines_[i], parses_[i]);
    if (p.kind == LineKind::kKey) keys.push_back(Utf8FromSjis(p.name));
  }
  return keys;
}

std::vector<std::pair<SjisString, SjisString>> ProfileFile::Entries(SjisView section) const {
  std::vector<std::pair<SjisString, SjisString>> entries;
  auto range = FindSection(section);
  if (!range) return entries;
  for (size_t i = range->begin; i < range->end; ++i) {
    ParsedLine p = ParseLine(lines_[i]);
    if (p.kind == LineKind::kKey) entries.emplace_back(SjisString(p.name), SjisString(Unquote(p.value)));
  }
  return entries;
}

void ProfileFile::Set(SjisView section, SjisView key, SjisView value) {
  SjisString line = SjisString(key) + "=" + SjisString(value);
  auto range = FindSection(section);
  if (!range) {
    lines_.push_back("[" + SjisString(section) + "]");
    parses_.push_back(ParseOf(lines_.back()));
    lines_.push_back(std::move(line));
    parses_.push_back(ParseOf(lines_.back()));
    // The new section is the one asked for, unless its name does not read
    // back as written or the key line reads as a header: look again then.
    const size_t header = lines_.size() - 2;
    last_.valid = parses_.back().kind != int(LineKind::kSection) &&
                  parses_[header].kind == int(LineKind::kSection) &&
                  SameName(ParsedAt(lines_[header], parses_[header]).name, section);
    last_.range = Range{lines_.size() - 2, lines_.size() - 1, lines_.size()};
    return;
  }
  size_t insertAt = range->header + 1;
  for (size_t i = range->begin; i < range->end; ++i) {
    const LineKind kind = LineKind(parses_[i].kind);
    if (kind == LineKind::kKey && parses_[i].nameLength == key.size() &&
        SameName(ParsedAt(lines_[i], parses_[i]).name, key)) {
      lines_[i] = std::move(line);
      parses_[i] = ParseOf(lines_[i]);
      last_.valid = parses_[i].kind != int(LineKind::kSection);
      return;
    }
    if (kind != LineKind::kBlank) insertAt = i + 1;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
  parses_.insert(parses_.begin() + static_cast<std::ptrdiff_t>(insertAt), ParseOf(lines_[insertAt]));
  // The section grew by the line, unless that line reads as a header.
  last_.valid = parses_[insertAt].kind != int(LineKind::kSection);
  last_.range->end += 1;
}

void ProfileFile::SetString(std::string_view section, std::string_view key, std::string_view value) {
  Set(SjisFromUtf8(section), SjisFromUtf8(key), SjisFromUtf8(value));
}

SjisString ProfileFile::Serialize() const {
  SjisString out;
  for (const auto& line : lines_) {
    out += line;
    out += "\r\n";
  }
  return out;
}

bool ProfileFile::Save(const std::string& path) const {
  // Several processes read and rewrite the same files at once: the new text
  // goes in place with one rename, so a reader never sees a part of it.
  return ReplaceFileContents(path, Serialize());
}

std::string ReadIniValue(const std::string& path, std::string_view section, std::string_view key,
                         std::string_view fallback) {
  ProfileFile file;
  file.Load(path);
  return file.GetString(section, key, fallback);
}

int32_t ReadIniInt(const std::string& path, std::string_view section, std::string_view key, int32_t fallback) {
  ProfileFile file;
  file.Load(path);
  return file.GetInt(section, key, fallback);
}

bool WriteIniValue(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value) {
  ProfileFile file;
  auto result = file.Load(path);
  if (result != ProfileFile::LoadResult::kOk && result != ProfileFile::LoadResult::kMissing) return false;
  file.SetString(section, key, value);
  return file.Save(path);
}

}  // namespace kestrel
