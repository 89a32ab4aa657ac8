// pdat: compiles the readable text form of a print-data page into a
// print-data file, and dumps a print-data file back into that text.
//
//   pdat compile in.txt out.pdat
//   pdat dump in.pdat [out.txt]
//   pdat check file.pdat...
//   pdat render file.pdat|file.pdat.txt [-r DPI] [-o out.png|out.pdf]
//
// check reports what each file breaks of the format (the damage kestrel
// warns of while it prints such a page anyway), one line per finding.
// render draws the page as a picture or a PDF (pdat_render.h).
//
// Exit codes: 0 done (check: nothing found), 1 bad input, damage found, or a
// file that cannot be read or written, 2 wrong use.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/print_data.h"
#include "pdat_render.h"
#include "pdat_text.h"
#include "platform/native_path.h"
#if defined(_WIN32)
#include "platform/win32/cp932_codec.h"
#include "platform/win32/win32_system.h"
#else
#include "platform/linux/iconv_codec.h"
#endif

namespace {

const char kUsage[] =
    "usage: pdat compile <in.txt> <out.pdat>   text form to print data\n"
    "       pdat dump <in.pdat> [<out.txt>]    print data to text form (standard output without out.txt)\n"
    "       pdat check <file.pdat>...           report damage in print data (exit 1 when any is found)\n"
    "       pdat render <file.pdat|file.pdat.txt> [-r <dpi>] [-o <out.png|out.pdf>]\n"
    "                                           draw the page (PNG at 150 dpi beside the file without -o)\n";

bool ReadAll(const std::string& path, std::string* data) {
  std::ifstream in(kestrel::FsPath(path), std::ios::binary);
  if (!in) return false;
  data->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteAll(const std::string& path, const char* data, size_t size) {
  std::ofstream out(kestrel::FsPath(path), std::ios::binary | std::ios::trunc);
  out.write(data, std::streamsize(size));
  out.close();
  return bool(out);
}

int Fail(const std::string& message) {
  std::cerr << "pdat: " << message << "\n";
  return 1;
}

int Compile(const std::string& in, const std::string& out) {
  std::string text;
  if (!ReadAll(in, &text)) return Fail("cannot read " + in);
  std::vector<uint8_t> bytes;
  kestrel::pdat::CompileError error;
  if (!kestrel::pdat::CompileText(text, &bytes, &error)) {
    return Fail(in + (error.line > 0 ? ":" + std::to_string(error.line) : "") + ": " + error.message);
  }
  if (!WriteAll(out, reinterpret_cast<const char*>(bytes.data()), bytes.size())) return Fail("cannot write " + out);
  return 0;
}

int Dump(const std::string& in, const std::string* out) {
  std::string data;
  if (!ReadAll(in, &data)) return Fail("cannot read " + in);
  std::string text = kestrel::pdat::DumpText(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  if (out == nullptr) {
    std::cout << text;
    std::cout.flush();
    return std::cout ? 0 : Fail("cannot write the standard output");
  }
  if (!WriteAll(*out, text.data(), text.size())) return Fail("cannot write " + *out);
  return 0;
}

// "<file>: <finding>" for each finding, "<file>: ok" for a sound file.
int Check(const std::vector<std::string>& files) {
  int status = 0;
  for (const std::string& file : files) {
    // Only what kestrel reads of a page: a plain file, its first bytes.
    std::error_code ec;
    std::ifstream in;
    if (std::filesystem::is_regular_file(kestrel::FsPath(file), ec)) in.open(kestrel::FsPath(file), std::ios::binary);
    if (!in) {
      status = Fail("cannot read " + file);
      continue;
    }
    std::string data(kestrel::kCommandAreaBytes, '\0');
    in.read(data.data(), std::streamsize(data.size()));
    if (in.bad()) {
      status = Fail("cannot read " + file);
      continue;
    }
    data.resize(size_t(in.gcount()));
    size_t found = 0;
    kestrel::CheckPage(reinterpret_cast<const uint8_t*>(data.data()), data.size(),
                       [&](const kestrel::PageFinding& f) {
                         ++found;
                         std::cout << file << ": " << kestrel::DescribeFinding(f) << "\n";
                       });
    if (found == 0) std::cout << file << ": ok\n";
    if (found > 0) status = 1;
  }
  std::cout.flush();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  // The wide command line, so that file names keep every character.
  (void)argc;
  (void)argv;
  std::vector<std::string> args = kestrel::CommandLineArguments();
  if (!args.empty()) args.erase(args.begin());
#else
  std::vector<std::string> args(argv + 1, argv + argc);
#endif
  if (args.size() == 1 && (args[0] == "-h" || args[0] == "--help")) {
    std::cout << kUsage << "See pdat(1).\n";
    return 0;
  }
  if (args.size() == 1 && args[0] == "--version") {
    std::cout << "pdat " << KESTREL_VERSION << "\n";
    return 0;
  }
#if defined(_WIN32)
  kestrel::InstallCp932Codec();
#else
  kestrel::InstallIconvCodec();
#endif
  if (args.size() == 3 && args[0] == "compile") return Compile(args[1], args[2]);
  if ((args.size() == 2 || args.size() == 3) && args[0] == "dump")
    return Dump(args[1], args.size() == 3 ? &args[2] : nullptr);
  if (args.size() >= 2 && args[0] == "check") return Check({args.begin() + 1, args.end()});
  if (!args.empty() && args[0] == "render") {
    kestrel::pdat::RenderRequest request;
    std::string error;
    if (!kestrel::pdat::ParseRenderArguments({args.begin() + 1, args.end()}, request, error)) {
      std::cerr << "pdat: " << error << "\n" << kUsage;
      return 2;
    }
    return kestrel::pdat::Render(request);
  }
  std::cerr << kUsage;
  return 2;
}
