// Face names to font files through fontconfig, with the program's own alias
// rules for the Windows Japanese face names and the generic names.
#pragma once

#include <string>

namespace kestrel {

struct ResolvedFace {
  std::string file;    // font file path
  int index = 0;       // face index inside the file (TrueType collections)
  std::string family;  // the family fontconfig chose
};

class FontResolver {
 public:
  virtual ~FontResolver() = default;
  // Never fails while the system has any font: a face the system lacks is
  // matched to the nearest one, as a device's font mapper does.
  virtual ResolvedFace Resolve(const std::string& face) = 0;
};

}  // namespace kestrel
