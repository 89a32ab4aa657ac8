#include "platform/recording/memory_print_system.h"

#include <algorithm>
#include <iterator>

namespace kestrel {

namespace {
constexpr int kErrorInvalidPrinterName = 1801;
constexpr int kErrorNotReady = 21;
}  // namespace

MemoryDevice StandardDevice(const std::string& name, int duplex, int dpi) {
  MemoryDevice d;
  d.name = name;
  // Letter and Legal, then the papers forms are laid out on.
  std::vector<int> papers = {kPaperLetter, kPaperLegal};
  papers.insert(papers.end(), std::begin(kFormPapers), std::end(kFormPapers));
  for (int constant : papers) {
    const PaperInfo* p = FindPaper(constant);
    d.papers.push_back(uint16_t(constant));
    d.paperSizes.push_back(p->size);
    d.paperNames.push_back(p->name);
  }
  d.duplex = duplex;
  d.dpi = dpi;
  d.fonts = {"IPAex明朝", "IPAexゴシック"};
  return d;
}

MemoryPrintSystem::MemoryPrintSystem(std::vector<MemoryDevice> devices, std::string defaultDevice)
    : devices_(std::move(devices)), default_(std::move(defaultDevice)) {
  if (default_.empty() && !devices_.empty()) default_ = devices_.front().name;
  selected_ = default_;
}

const MemoryDevice* MemoryPrintSystem::Find(const std::string& name) const {
  for (const auto& d : devices_)
    if (d.name == name) return &d;
  return nullptr;
}

std::vector<std::string> MemoryPrintSystem::Printers() {
  std::vector<std::string> names;
  for (const auto& d : devices_) names.push_back(d.name);
  return names;
}

std::string MemoryPrintSystem::SelectedPrinter() { return Find(selected_) ? selected_ : std::string(); }
std::string MemoryPrintSystem::SystemDefaultPrinter() { return Find(default_) ? default_ : std::string(); }

bool MemoryPrintSystem::SelectPrinter(const std::string& name) {
  if (Find(name) == nullptr) {
    lastError_ = kErrorInvalidPrinterName;
    return false;
  }
  selected_ = name;
  events_.push_back("Select " + name);
  return true;
}

int MemoryPrintSystem::QueryPrinterState(const std::string& name, PrinterQueueState& out) {
  out = {};
  const MemoryDevice* d = Find(name);
  if (d == nullptr) {
    lastError_ = kErrorInvalidPrinterName;
    return -1;
  }
  out = d->queue;
  return 0;
}

int MemoryPrintSystem::OpenPrinter(const std::string& name) {
  if (Find(name) == nullptr) {
    lastError_ = kErrorInvalidPrinterName;
    return -1;
  }
  opened_ = name;
  events_.push_back("Open " + name);
  return 0;
}

int MemoryPrintSystem::ClosePrinter() {
  events_.push_back("Close " + opened_);
  opened_.clear();
  return 0;
}

int MemoryPrintSystem::GetDefaultDevMode(DevMode& out) {
  if (Current() == nullptr) {
    lastError_ = kErrorInvalidPrinterName;
    return -1;
  }
  devMode_ = DevMode{};
  out = devMode_;
  return 0;
}

int MemoryPrintSystem::ApplyDevMode(DevMode& inOut) {
  const MemoryDevice* d = Current();
  if (d == nullptr) {
    lastError_ = kErrorInvalidPrinterName;
    return -1;
  }
  if (std::find(d->papers.begin(), d->papers.end(), inOut.paperSize) == d->papers.end() && !d->papers.empty())
    inOut.paperSize = d->papers.front();
  if (d->duplex != 1) inOut.duplex = kDuplexSimplex;
  devMode_ = inOut;
  events_.push_back("DevMode paper=" + std::to_string(inOut.paperSize) + " duplex=" + std::to_string(inOut.duplex) +
                    " collate=" + std::to_string(inOut.collate));
  return 0;
}

int MemoryPrintSystem::Papers(const std::string& device, std::vector<uint16_t>& out) {
  const MemoryDevice* d = Find(device);
  if (d == nullptr || d->failPaperQuery) {
    lastError_ = kErrorInvalidPrinterName;
    return -1;
  }
  out = d->papers;
  return int(out.size());
}

int MemoryPrintSystem::PaperSizes(const std::string& device, std::vector<PaperSize>& out) {
  const MemoryDevice* d = Find(device);
  if (d == nullptr || d->failPaperQuery) {
    lastError_ = kErrorInvalidPrinterName;
    return -1;
  }
  out = d->paperSizes;
  return int(out.size());
}

int MemoryPrintSystem::PaperNames(const std::string& device, std::vector<std::string>& out) {
  const MemoryDevice* d = Find(device);
  if (d == nullptr || d->failPaperQuery) {
    lastError_ = kErrorInvalidPrinterName;
    return -1;
  }
  out = d->paperNames;
  return int(out.size());
}

int MemoryPrintSystem::Duplex(const std::string& device) {
  const MemoryDevice* d = Find(device);
  if (d == nullptr) {
    lastError_ = kErrorInvalidPrinterName;
    return -1;
  }
  return d->duplex;
}

std::vector<std::string> MemoryPrintSystem::Fonts() {
  const MemoryDevice* d = Current();
  return d ? d->fonts : std::vector<std::string>{};
}

int MemoryPrintSystem::DpiX() {
  const MemoryDevice* d = Current();
  return d ? d->dpi : 0;
}
int MemoryPrintSystem::DpiY() { return DpiX(); }

int MemoryPrintSystem::SetOrientation(int landscape) {
  devMode_.orientation = landscape ? 2 : 1;
  events_.push_back("Orientation " + std::to_string(devMode_.orientation));
  return 0;
}

int MemoryPrintSystem::SetCopies(int copies) {
  devMode_.copies = copies;
  events_.push_back("Copies " + std::to_string(copies));
  return 0;
}

int MemoryPrintSystem::BeginDocument(const std::string& title) {
  if (failBegin_ || Current() == nullptr) {
    failBegin_ = false;
    lastError_ = kErrorNotReady;
    return -1;
  }
  documentOpen_ = true;
  sheets_ = 1;
  int dpi = Current()->dpi;
  canvas_.Resize(dpi * 827 / 100, dpi * 1169 / 100, dpi, dpi);
  events_.push_back("BeginDoc " + title);
  return 0;
}

Canvas* MemoryPrintSystem::DocumentCanvas() { return &canvas_; }

int MemoryPrintSystem::NewSheet() {
  if (!documentOpen_) {
    lastError_ = kErrorNotReady;
    events_.push_back("NewSheet without document");
    return -1;
  }
  ++sheets_;
  canvas_.Note("new sheet");
  events_.push_back("NewSheet");
  return 0;
}

int MemoryPrintSystem::EndDocument() {
  if (!documentOpen_) {
    lastError_ = kErrorNotReady;
    events_.push_back("EndDoc without document");
    return -1;
  }
  documentOpen_ = false;
  events_.push_back("EndDoc");
  return 0;
}

int MemoryPrintSystem::AbortDocument() {
  documentOpen_ = false;
  events_.push_back("Abort");
  return 0;
}

std::string MemoryPrintSystem::ErrorText(int code) {
  switch (code) {
    case kErrorInvalidPrinterName: return "プリンター名が無効です。";
    case kErrorNotReady: return "デバイスの準備ができていません。";
    default: return "エラー " + std::to_string(code);
  }
}

}  // namespace kestrel
