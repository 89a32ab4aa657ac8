#include "engine/jpeg_output.h"

namespace kestrel {

int SaveJpegPage(PrintContext& ctx, PageImage&, const std::string&, const std::string&) {
  ctx.lastErrorMessage = "JPEG output is not available in this build\n";
  return -1;
}

}  // namespace kestrel
