#include "lists/list_file.h"

#include <filesystem>

namespace kestrel {

bool ListFile::Create(const std::string& path) {
  out_.open(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary | std::ios::trunc);
  return out_.is_open();
}

void ListFile::Bytes(SjisView bytes) {
  if (!out_.is_open()) return;
  out_.write(bytes.data(), std::streamsize(bytes.size()));
  out_.clear();  // a failed write does not stop the next one
}

void ListFile::Text(std::string_view utf8) { Bytes(SjisFromUtf8(utf8)); }

void ListFile::Line(std::string_view utf8) {
  Text(utf8);
  Bytes("\n");
}

void ListFile::Close() {
  if (out_.is_open()) out_.close();
}

}  // namespace kestrel
