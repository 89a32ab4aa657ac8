#include "forms/profile_access.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "util/text_codec.h"

namespace kestrel {
namespace {

// Initialisation-file rules as the system's profile service applies them:
// names compare without regard to ASCII case, blanks around names and values
// are dropped, lines end with CR LF, the file is CP932.

std::filesystem::path FsPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::vector<std::string> ReadLines(const std::string& path, bool& exists) {
  std::vector<std::string> lines;
  std::ifstream in(FsPath(path), std::ios::binary);
  exists = bool(in);
  if (!exists) return lines;
  std::stringstream ss;
  ss << in.rdbuf();
  std::string text = Utf8FromSjis(ss.str());
  std::string line;
  std::istringstream is(text);
  while (std::getline(is, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// "[name]" gives name; anything else gives false.
bool SectionName(const std::string& line, std::string& name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  size_t close = t.find(']');
  if (close == std::string::npos) return false;
  name = Trim(t.substr(1, close - 1));
  return true;
}

bool KeyOf(const std::string& line, std::string& key, std::string& value) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(line.substr(0, eq));
  value = Trim(line.substr(eq + 1));
  return true;
}

}  // namespace

std::string ReadProfileText(const std::string& path, const std::string& section, const std::string& key,
                            const std::string& fallback) {
  bool exists = false;
  auto lines = ReadLines(path, exists);
  bool inSection = false;
  for (const auto& line : lines) {
    std::string name, k, v;
    if (SectionName(line, name)) {
      inSection = SameName(name, section);
      continue;
    }
    if (inSection && KeyOf(line, k, v) && SameName(k, key)) {
      if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
      return v;
    }
  }
  return fallback;
}

bool WriteProfileText(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& value) {
  bool exists = false;
  auto lines = ReadLines(path, exists);
  const std::string entry = key + "=" + value;
  int sectionLine = -1;
  int lastInSection = -1;
  bool inSection = false;
  bool done = false;
  for (size_t i = 0; i < lines.size() && !done; ++i) {
    std::string name, k, v;
    if (SectionName(lines[i], name)) {
      if (inSection) break;
      inSection = SameName(name, section);
      if (inSection) sectionLine = lastInSection = int(i);
      continue;
    }
    if (!inSection) continue;
    if (!Trim(lines[i]).empty()) lastInSection = int(i);
    if (KeyOf(lines[i], k, v) && SameName(k, key)) {
      lines[i] = entry;
      done = true;
    }
  }
  if (!done) {
    if (sectionLine < 0) {
      lines.push_back("[" + section + "]");
      lines.push_back(entry);
    } else {
      lines.insert(lines.begin() + lastInSection + 1, entry);
    }
  }
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
  if (!out) return false;
  SjisString bytes = SjisFromUtf8(text);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  return bool(out);
}

}  // namespace kestrel
