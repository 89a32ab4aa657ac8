// Comma lists as the settings and auxiliary files write them: items
// separated by a comma or by blanks (any byte up to the space), an item
// may be enclosed in double quotes (two quotes inside stand for one), and
// a comma at the very end adds an empty item. Used for the offset values
// of the offset file and for the analysis filters.
#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// Calls item(std::string_view) for each item in order; stops early when
// item returns false.
template <typename Item>
void ForEachCommaItem(std::string_view text, Item&& item) {
  size_t i = 0;
  const size_t n = text.size();
  auto blank = [&](size_t at) { return at < n && static_cast<unsigned char>(text[at]) <= ' '; };
  std::string quoted;
  while (blank(i)) ++i;
  while (i < n) {
    std::string_view value;
    if (text[i] == '"') {
      quoted.clear();
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            quoted += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        quoted += text[i++];
      }
      value = quoted;
    } else {
      size_t start = i;
      while (i < n && !blank(i) && text[i] != ',') ++i;
      value = text.substr(start, i - start);
    }
    if (!item(value)) return;
    while (blank(i)) ++i;
    if (i < n && text[i] == ',') {
      if (i + 1 == n) {
        item(std::string_view());
        return;
      }
      do ++i;
      while (blank(i));
    }
  }
}

}  // namespace kestrel
