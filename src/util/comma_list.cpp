#include "util/comma_list.h"

namespace kestrel {

namespace {

bool IsBlank(char c) {
  auto u = static_cast<unsigned char>(c);
  return u >= 1 && u <= 32;
}

// Reads a quoted item starting at text[pos] (a quote); "" stands for one
// quote. Without a closing quote the item runs to the end of the text.
std::string ReadQuoted(std::string_view text, size_t& pos) {
  std::string item;
  ++pos;
  while (pos < text.size()) {
    char c = text[pos];
    if (c == '"') {
      if (pos + 1 < text.size() && text[pos + 1] == '"') {
        item.push_back('"');
        pos += 2;
        continue;
      }
      ++pos;  // closing quote
      return item;
    }
    item.push_back(c);
    ++pos;
  }
  return item;
}

}  // namespace

std::vector<std::string> SplitCommaList(std::string_view text) {
  std::vector<std::string> items;
  // A NUL ends the text, as it would a C string.
  if (size_t nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
  size_t pos = 0;
  const size_t n = text.size();
  while (pos < n && IsBlank(text[pos])) ++pos;
  while (pos < n) {
    if (text[pos] == '"') {
      items.push_back(ReadQuoted(text, pos));
    } else {
      size_t start = pos;
      while (pos < n && !IsBlank(text[pos]) && text[pos] != ',') ++pos;
      items.emplace_back(text.substr(start, pos - start));
    }
    while (pos < n && IsBlank(text[pos])) ++pos;
    if (pos < n && text[pos] == ',') {
      if (pos + 1 == n) items.emplace_back();
      do {
        ++pos;
      } while (pos < n && IsBlank(text[pos]));
    }
  }
  return items;
}

}  // namespace kestrel
