#include "support/stand_in.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace kestrel::test {

void WriteStandIn(const std::string& path, const std::string& body) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "#!/bin/sh\n" << body << "\n";
    if (!out) throw std::runtime_error("cannot write " + path);
  }
  if (::chmod(path.c_str(), 0755) != 0) throw std::runtime_error("cannot make " + path + " executable");
}

std::string RecordArgs(const std::string& file) {
  return "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + file + "'";
}

}  // namespace kestrel::test
