// Reading a folder's print list: KeyMax entries in key order, each naming
// a print-data file of the folder. Lists of 5,000, 40,000 and 200,000
// entries; the time should grow with the entry count, not its square.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/print_lists.h"
#include "platform/headless/headless_ui.h"
#include "platform/linux/iconv_codec.h"
#include "platform/text_codec.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

void BM_ReadPrintList(benchmark::State& state) {
  InstallIconvCodec();
  const int entries = int(state.range(0));
  const fs::path folder = fs::temp_directory_path() / ("kestrel-plist-bench-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  {
    std::FILE* data = std::fopen((folder / "a.pdat").c_str(), "wb");
    std::fputs("x", data);
    std::fclose(data);
  }
  std::string text = "[PrintData]\r\nKeyMax=" + std::to_string(entries) + "\r\n";
  for (int i = 1; i <= entries; ++i) text += std::to_string(i) + "=a.pdat\r\n";
  const fs::path listPath = folder / "plist.inf";
  std::FILE* list = std::fopen(listPath.c_str(), "wb");
  std::fwrite(text.data(), 1, text.size(), list);
  std::fclose(list);

  RunSettings settings;
  settings.PrintListPath = listPath.string();
  HeadlessUi ui{{}, {}};
  for (auto _ : state) {
    std::vector<std::string> files;
    ReadPrintList(settings, folder.string(), files, ui);
    if (files.size() != size_t(entries)) state.SkipWithError("entries lost");
    benchmark::DoNotOptimize(files.data());
  }
  fs::remove_all(folder);
}
BENCHMARK(BM_ReadPrintList)->Arg(5000)->Arg(40000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace kestrel
