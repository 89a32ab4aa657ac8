#include "util/list_file.h"

namespace kestrel {

bool ListFile::Create(const std::string& path) { return out_.Open(path); }

void ListFile::Bytes(SjisView bytes) {
  // A failed write does not stop the next one; Close reports it.
  out_.Write(bytes);
}

void ListFile::Text(std::string_view utf8) { Bytes(SjisFromUtf8(utf8)); }

void ListFile::Line(std::string_view utf8) {
  Text(utf8);
  Bytes("\n");
}

bool ListFile::Close() { return out_.is_open() && out_.Commit(); }

}  // namespace kestrel
