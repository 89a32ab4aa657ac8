// dense-page: writes the dense benchmark page for whole-process runs.
//
//   dense-page <out.pdat> <out.ps> [mincho-cid-font gothic-cid-font]
//
// out.pdat is the print data (compiled from the pdat text form), out.ps the
// same page as PostScript for Ghostscript.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "dense_page.h"
#include "pdat_text.h"
#include "platform/linux/iconv_codec.h"

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr, "usage: dense-page <out.pdat> <out.ps> [mincho-cid-font gothic-cid-font]\n");
    return 2;
  }
  kestrel::InstallIconvCodec();
  std::vector<uint8_t> bytes;
  kestrel::pdat::CompileError error;
  if (!kestrel::pdat::CompileText(kestrel::bench::DensePageText(), &bytes, &error)) {
    std::fprintf(stderr, "dense-page: line %d: %s\n", error.line, error.message.c_str());
    return 1;
  }
  const std::string ps = kestrel::bench::DensePagePostScript(argc == 5 ? argv[3] : "IPAMincho",
                                                             argc == 5 ? argv[4] : "IPAGothic");
  std::ofstream pdat(argv[1], std::ios::binary | std::ios::trunc);
  pdat.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << ps;
  pdat.close();
  out.close();
  if (!pdat || !out) {
    std::fprintf(stderr, "dense-page: cannot write the output files\n");
    return 1;
  }
  return 0;
}
