#include "util/find_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/native_path.h"

namespace kestrel {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// Iterative glob match with one back-tracking point per "*".
bool Glob(std::string_view name, std::string_view pattern) {
  size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// Sort weight of a byte: controls and punctuation first, then digits,
// then letters (case folded), then everything else.
int Weight(unsigned char c) {
  if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
  if (c >= 0x80) return 0x300 + c;
  if (c >= 'a' && c <= 'z') return 0x200 + c;
  if (c >= '0' && c <= '9') return 0x100 + c;
  return c;
}

}  // namespace

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
  if (pattern == "*" || pattern == "*.*") return true;
  if (Glob(name, pattern)) return true;
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" && name.find('.') == std::string_view::npos)
    return Glob(name, pattern.substr(0, pattern.size() - 2));
  return false;
}

std::vector<std::string> FindEntries(const std::string& folder, std::string_view pattern) {
  std::vector<std::string> names;
  std::error_code ec;
  std::filesystem::directory_iterator it(FsPath(folder.empty() ? std::string(".") : folder), ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::string name = Utf8Path(it->path().filename());
    if (MatchesWildcard(name, pattern)) names.push_back(std::move(name));
  }
  return names;
}

int CompareNamesForListing(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int wa = Weight(static_cast<unsigned char>(a[i]));
    int wb = Weight(static_cast<unsigned char>(b[i]));
    if (wa != wb) return wa < wb ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return 0;
}

}  // namespace kestrel
