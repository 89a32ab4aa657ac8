#include "platform/linux/cups_print_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/linux/cups_library.h"
#include "platform/linux/cups_queue_state.h"
#include "util/replacing_file.h"

namespace kestrel {

namespace {

// Error codes of this print system that are not the server's: the codes the
// Windows printing interface uses for the same failures.
constexpr int kErrorInvalidPrinterName = 1801;
constexpr int kErrorNotReady = 21;

constexpr int kDefaultDpi = 600;

// The papers of the built-in device: those forms are laid out on.
std::vector<DevicePaper> BuiltinPapers() {
  std::vector<DevicePaper> papers;
  for (int constant : kFormPapers) {
    const PaperInfo* p = FindPaper(constant);
    papers.push_back({uint16_t(constant), p->size, p->name, {}});
  }
  return papers;
}

std::string Cut63(std::string s) {
  if (s.size() <= 63) return s;
  s.resize(63);
  // Do not leave half a UTF-8 character at the end.
  while (!s.empty() && (static_cast<unsigned char>(s.back()) & 0xC0) == 0x80) s.pop_back();
  if (!s.empty() && (static_cast<unsigned char>(s.back()) & 0x80) != 0) s.pop_back();
  return s;
}

std::string WithoutSuffix(std::string s, const std::string& suffix) {
  if (s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0)
    s.resize(s.size() - suffix.size());
  return s;
}

// The document's temporary file in folder, made anew (never through a
// link planted there) and kept open: the PDF page writes into it and the finished
// document is read back from it, never reopened by name.
std::FILE* MakeTempFile(const std::string& folder, std::string& path) {
  int fd = CreateTemporaryFile(folder + "/.kestrel-document", path);
  if (fd < 0) return nullptr;
  std::FILE* f = fdopen(fd, "w+b");
  if (f == nullptr) {
    int e = errno;
    close(fd);
    std::remove(path.c_str());
    path.clear();
    errno = e;
  }
  return f;
}

}  // namespace

// Queues describe a medium by its size, often rounded through PostScript
// points (A4 as 209.90 x 297.04 mm, B4 as 256.47 x 363.01 mm), so sizes
// match the paper table within a millimetre.
int PaperConstantOfSize(int widthHundredthMm, int lengthHundredthMm, std::string& name, PaperSize& size) {
  for (const PaperInfo& p : kPaperTable) {
    if (std::abs(widthHundredthMm - p.size.width * 10) <= 100 &&
        std::abs(lengthHundredthMm - p.size.height * 10) <= 100) {
      name = p.name;
      size = p.size;
      return p.constant;
    }
  }
  size = {(widthHundredthMm + 5) / 10, (lengthHundredthMm + 5) / 10};
  return 0;
}

std::string PdfFileStem(const std::string& title) {
  std::string t = title;
  std::string lower = t;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  // A title that is a file's path (the print-data file, or an information
  // file that names no document) gives the file's name without extension.
  const bool absolute = !t.empty() && (t[0] == '/' || t[0] == '\\' ||
                                       (t.size() >= 3 && t[1] == ':' && (t[2] == '\\' || t[2] == '/')));
  const bool dataFile = lower.size() > 5 && lower.compare(lower.size() - 5, 5, ".pdat") == 0;
  if (absolute || dataFile) {
    size_t slash = t.find_last_of("/\\");
    if (slash != std::string::npos) t = t.substr(slash + 1);
    size_t dot = t.find_last_of('.');
    if (dot != std::string::npos && dot > 0) t.resize(dot);
  }
  std::string out;
  for (unsigned char c : t) {
    if (c < 0x20 || c == 0x7F || std::strchr("/\\:*?\"<>|", c) != nullptr) out.push_back('_');
    else out.push_back(char(c));
  }
  // Names that are no names, or hidden files.
  if (out.empty() || out == "." || out == "..") out = "Kestrel";
  if (out.front() == '.') out.front() = '_';
  // Keep the name well within file-name limits (255 bytes with a number and ".pdf").
  if (out.size() > 200) {
    out.resize(200);
    while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80) out.pop_back();
    if (!out.empty() && (static_cast<unsigned char>(out.back()) & 0x80) != 0) out.pop_back();
  }
  return out;
}

struct CupsPrintSystem::Destinations {
  cups_dest_t* dests = nullptr;
  int count = 0;
  ~Destinations() {
    if (dests != nullptr) Cups().cupsFreeDests(count, dests);
  }
};

struct CupsPrintSystem::Device {
  std::string name;
  bool builtin = false;
  cups_dest_t* dest = nullptr;
  cups_dinfo_t* info = nullptr;
  bool capsLoaded = false;
  bool capsFailed = false;
  std::vector<DevicePaper> papers;
  int defaultPaper = 9;
  int duplex = 0;
  int dpi = kDefaultDpi;
  ~Device() {
    if (info != nullptr) Cups().cupsFreeDestInfo(info);
  }
};

CupsPrintSystem::CupsPrintSystem(std::string pdfFolder, FontResolver* fonts, bool useCups)
    : pdfFolder_(std::move(pdfFolder)), useCups_(useCups), canvas_(fonts) {
  while (pdfFolder_.size() > 1 && pdfFolder_.back() == '/') pdfFolder_.pop_back();
}

CupsPrintSystem::~CupsPrintSystem() {
  if (documentOpen_) AbortDocument();
  RemoveTemp();
}

void CupsPrintSystem::Load() {
  if (loaded_) return;
  loaded_ = true;
  dests_ = std::make_unique<Destinations>();
  // libcups is opened here, at the first question to the print system.
  // Without it the machine's queues cannot be seen: the built-in device
  // alone, as with the queues hidden, and a warning that says why.
  std::string error;
  if (useCups_ && !OpenCups(error)) {
    std::fprintf(stderr, "kestrel: [warning] the CUPS queues cannot be listed: %s\n", error.c_str());
    useCups_ = false;
  }
  if (useCups_) dests_->count = Cups().cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_->dests);
  std::vector<cups_dest_t*> list;
  for (int i = 0; i < dests_->count; ++i)
    if (dests_->dests[i].instance == nullptr) list.push_back(&dests_->dests[i]);
  std::sort(list.begin(), list.end(),
            [](const cups_dest_t* a, const cups_dest_t* b) { return std::strcmp(a->name, b->name) < 0; });
  for (cups_dest_t* d : list) {
    auto dev = std::make_unique<Device>();
    dev->name = d->name;
    dev->dest = d;
    if (d->is_default) default_ = d->name;
    devices_.push_back(std::move(dev));
  }
  auto builtin = std::make_unique<Device>();
  builtin->name = kBuiltinPdfDevice;
  builtin->builtin = true;
  builtin->capsLoaded = true;
  builtin->papers = BuiltinPapers();
  builtin->duplex = 1;
  devices_.push_back(std::move(builtin));
  if (default_.empty()) default_ = kBuiltinPdfDevice;
  selected_ = default_;
  Device* d = Find(selected_);
  if (d != nullptr && LoadCapabilities(*d)) devMode_.paperSize = d->defaultPaper;
}

CupsPrintSystem::Device* CupsPrintSystem::Find(const std::string& name) {
  Load();
  for (auto& d : devices_)
    if (d->name == name) return d.get();
  return nullptr;
}

bool CupsPrintSystem::LoadCapabilities(Device& d) {
  if (d.capsLoaded) return !d.capsFailed;
  d.capsLoaded = true;
  d.info = Cups().cupsCopyDestInfo(CUPS_HTTP_DEFAULT, d.dest);
  if (d.info == nullptr) {
    d.capsFailed = true;
    Fail(int(Cups().cupsLastError()), Cups().cupsLastErrorString());
    return false;
  }
  int count = Cups().cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, d.dest, d.info, CUPS_MEDIA_FLAGS_DEFAULT);
  int unnumbered = 0;
  for (int i = 0; i < count; ++i) {
    cups_size_t size{};
    if (!Cups().cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, d.dest, d.info, i, CUPS_MEDIA_FLAGS_DEFAULT, &size))
      continue;
    DevicePaper p;
    p.media = size.media;
    std::string name;
    int constant = PaperConstantOfSize(size.width, size.length, name, p.size);
    if (constant == 0) {
      // Papers without a Windows constant get numbers from 256 up, as
      // drivers number their own papers.
      constant = 256 + unnumbered++;
      name = WithoutSuffix(p.media, "_borderless");
    }
    p.constant = uint16_t(constant);
    p.name = Cut63(name);
    bool seen = std::any_of(d.papers.begin(), d.papers.end(),
                            [&](const DevicePaper& q) { return q.constant == p.constant; });
    if (!seen) d.papers.push_back(p);
  }
  if (ipp_attribute_t* media = Cups().cupsFindDestDefault(CUPS_HTTP_DEFAULT, d.dest, d.info, "media")) {
    const char* value = Cups().ippGetString(media, 0, nullptr);
    cups_size_t size{};
    if (value != nullptr &&
        Cups().cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, d.dest, d.info, value, CUPS_MEDIA_FLAGS_DEFAULT, &size)) {
      std::string name;
      PaperSize ps;
      int c = PaperConstantOfSize(size.width, size.length, name, ps);
      if (c != 0) d.defaultPaper = c;
    }
  }
  d.duplex = Cups().cupsCheckDestSupported(CUPS_HTTP_DEFAULT, d.dest, d.info, "sides", "two-sided-long-edge") ? 1 : 0;
  if (ipp_attribute_t* res = Cups().cupsFindDestDefault(CUPS_HTTP_DEFAULT, d.dest, d.info, "printer-resolution")) {
    ipp_res_t units{};
    int y = 0;
    int x = Cups().ippGetResolution(res, 0, &y, &units);
    if (units == IPP_RES_PER_CM) x = int(x * 2.54 + 0.5);
    if (x > 0) d.dpi = x;
  }
  return true;
}

int CupsPrintSystem::Fail(int code, std::string text) {
  lastError_ = code;
  errorTexts_[code] = std::move(text);
  return -1;
}

std::vector<std::string> CupsPrintSystem::Printers() {
  Load();
  std::vector<std::string> names;
  for (const auto& d : devices_) names.push_back(d->name);
  return names;
}

std::string CupsPrintSystem::SelectedPrinter() {
  Load();
  return selected_;
}

std::string CupsPrintSystem::SystemDefaultPrinter() {
  Load();
  return default_;
}

std::string CupsPrintSystem::UnknownRequestedPrinter(std::string& source) {
  // The variables choose among the CUPS queues; with CUPS hidden they ask
  // for nothing. libcups reads them the same way: LPDEST first, PRINTER
  // unless it is "lp", an instance after "/".
  if (!useCups_) return {};
  std::string name;
  for (const char* variable : {"LPDEST", "PRINTER"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') continue;
    if (std::strcmp(variable, "PRINTER") == 0 && std::strcmp(value, "lp") == 0) continue;
    source = variable;
    name = value;
    break;
  }
  name = name.substr(0, name.find('/'));
  if (name.empty() || Find(name) != nullptr) return {};
  return name;
}

bool CupsPrintSystem::SelectPrinter(const std::string& name) {
  Device* d = Find(name);
  if (d == nullptr) {
    Fail(kErrorInvalidPrinterName, "プリンター名が無効です。");
    return false;
  }
  selected_ = name;
  // A newly set device starts from its driver's defaults.
  devMode_ = DevMode{};
  if (LoadCapabilities(*d)) devMode_.paperSize = d->defaultPaper;
  return true;
}

int CupsPrintSystem::OpenPrinter(const std::string& name) {
  Device* d = Find(name);
  if (d == nullptr) return Fail(kErrorInvalidPrinterName, "プリンター名が無効です。");
  opened_ = name;
  return 0;
}

int CupsPrintSystem::ClosePrinter() {
  opened_.clear();
  return 0;
}

int CupsPrintSystem::GetDefaultDevMode(DevMode& out) {
  Device* d = Current();
  if (d == nullptr) return Fail(kErrorInvalidPrinterName, "プリンター名が無効です。");
  devMode_ = DevMode{};
  if (LoadCapabilities(*d)) devMode_.paperSize = d->defaultPaper;
  out = devMode_;
  return 0;
}

int CupsPrintSystem::ApplyDevMode(DevMode& inOut) {
  Device* d = Current();
  if (d == nullptr) return Fail(kErrorInvalidPrinterName, "プリンター名が無効です。");
  if (!LoadCapabilities(*d)) return -1;
  // What the device cannot do falls back to its defaults, as a driver's
  // validation does.
  bool known = std::any_of(d->papers.begin(), d->papers.end(),
                           [&](const DevicePaper& p) { return p.constant == inOut.paperSize; });
  if (!known) inOut.paperSize = d->defaultPaper;
  if (inOut.orientation != 1 && inOut.orientation != 2) inOut.orientation = 1;
  if (inOut.duplex < kDuplexSimplex || inOut.duplex > kDuplexHorizontal || d->duplex != 1)
    inOut.duplex = kDuplexSimplex;
  if (inOut.copies < 1) inOut.copies = 1;
  if (inOut.copies > 999) inOut.copies = 999;
  inOut.collate = inOut.collate != 0 ? 1 : 0;
  devMode_ = inOut;
  return 0;
}

int CupsPrintSystem::Papers(const std::string& device, std::vector<uint16_t>& out) {
  Device* d = Find(device);
  if (d == nullptr) return Fail(kErrorInvalidPrinterName, "プリンター名が無効です。");
  if (!LoadCapabilities(*d)) return -1;
  out.clear();
  for (const auto& p : d->papers) out.push_back(p.constant);
  return int(out.size());
}

int CupsPrintSystem::PaperSizes(const std::string& device, std::vector<PaperSize>& out) {
  Device* d = Find(device);
  if (d == nullptr) return Fail(kErrorInvalidPrinterName, "プリンター名が無効です。");
  if (!LoadCapabilities(*d)) return -1;
  out.clear();
  for (const auto& p : d->papers) out.push_back(p.size);
  return int(out.size());
}

int CupsPrintSystem::PaperNames(const std::string& device, std::vector<std::string>& out) {
  Device* d = Find(device);
  if (d == nullptr) return Fail(kErrorInvalidPrinterName, "プリンター名が無効です。");
  if (!LoadCapabilities(*d)) return -1;
  out.clear();
  for (const auto& p : d->papers) out.push_back(p.name);
  return int(out.size());
}

int CupsPrintSystem::Duplex(const std::string& device) {
  Device* d = Find(device);
  if (d == nullptr) return Fail(kErrorInvalidPrinterName, "プリンター名が無効です。");
  if (!LoadCapabilities(*d)) return -1;
  return d->duplex;
}

std::vector<std::string> CupsPrintSystem::Fonts() {
  return fontLister_ != nullptr ? fontLister_() : std::vector<std::string>{};
}

int CupsPrintSystem::DpiX() {
  Device* d = Current();
  if (d == nullptr) return 0;
  LoadCapabilities(*d);
  return d->dpi;
}
int CupsPrintSystem::DpiY() { return DpiX(); }

int CupsPrintSystem::SetOrientation(int landscape) {
  devMode_.orientation = landscape ? 2 : 1;
  return 0;
}

int CupsPrintSystem::SetCopies(int copies) {
  devMode_.copies = std::clamp(copies, 1, 999);
  return 0;
}

void CupsPrintSystem::RemoveTemp() {
  if (tempStream_ != nullptr) std::fclose(tempStream_);
  tempStream_ = nullptr;
  if (!tempFile_.empty()) std::remove(tempFile_.c_str());
  tempFile_.clear();
}

int CupsPrintSystem::BeginDocument(const std::string& title) {
  Device* d = Current();
  if (d == nullptr) return Fail(kErrorNotReady, "デバイスの準備ができていません。");
  if (documentOpen_) AbortDocument();
  if (!LoadCapabilities(*d)) return -1;
  const DevicePaper* paper = nullptr;
  for (const auto& p : d->papers)
    if (p.constant == devMode_.paperSize) paper = &p;
  for (const auto& p : d->papers)
    if (paper == nullptr && p.constant == d->defaultPaper) paper = &p;
  PaperSize size = paper != nullptr ? paper->size : PaperSizeOf(kPaperA4);
  if (devMode_.orientation == 2) std::swap(size.width, size.height);

  std::error_code ec;
  std::string folder = d->builtin ? pdfFolder_ : std::filesystem::temp_directory_path(ec).string();
  if (d->builtin) std::filesystem::create_directories(folder, ec);
  // Temporary files that killed runs left in the folder go first, once per
  // folder.
  if (sweptFolders_.insert(folder).second) RemoveDeadTemporaries(folder);
  tempStream_ = MakeTempFile(folder, tempFile_);
  if (tempStream_ == nullptr) return Fail(errno, folder + ": " + std::strerror(errno));

  jobId_ = 0;
  if (!d->builtin) {
    cups_option_t* options = nullptr;
    int n = 0;
    if (paper != nullptr) n = Cups().cupsAddOption("media", paper->media.c_str(), n, &options);
    n = Cups().cupsAddOption("orientation-requested", devMode_.orientation == 2 ? "4" : "3", n, &options);
    const char* sides = devMode_.duplex == kDuplexVertical     ? "two-sided-long-edge"
                        : devMode_.duplex == kDuplexHorizontal ? "two-sided-short-edge"
                                                               : "one-sided";
    n = Cups().cupsAddOption("sides", sides, n, &options);
    n = Cups().cupsAddIntegerOption("copies", devMode_.copies, n, &options);
    if (devMode_.copies > 1) {
      n = Cups().cupsAddOption("multiple-document-handling",
                        devMode_.collate ? "separate-documents-collated-copies"
                                         : "separate-documents-uncollated-copies",
                        n, &options);
    }
    ipp_status_t st = Cups().cupsCreateDestJob(CUPS_HTTP_DEFAULT, d->dest, d->info, &jobId_, title.c_str(), n, options);
    Cups().cupsFreeOptions(n, options);
    if (st > IPP_STATUS_OK_CONFLICTING) {
      RemoveTemp();
      return Fail(int(st), Cups().cupsLastErrorString());
    }
  }

  std::string error;
  if (!canvas_.Begin(tempStream_, size.width, size.height, d->dpi, title, error)) {
    if (jobId_ != 0) Cups().cupsCancelDestJob(CUPS_HTTP_DEFAULT, d->dest, jobId_);
    jobId_ = 0;
    RemoveTemp();
    return Fail(EIO, error);
  }
  title_ = title;
  documentOpen_ = true;
  return 0;
}

Canvas* CupsPrintSystem::DocumentCanvas() { return &canvas_; }

int CupsPrintSystem::NewSheet() {
  if (!documentOpen_) return Fail(kErrorNotReady, "デバイスの準備ができていません。");
  canvas_.NextPage();
  return 0;
}

int CupsPrintSystem::EndDocument() {
  if (!documentOpen_) return Fail(kErrorNotReady, "デバイスの準備ができていません。");
  documentOpen_ = false;
  Device* d = Current();
  std::string error;
  if (!canvas_.Finish(error) || std::fflush(tempStream_) != 0) {
    if (error.empty()) error = std::strerror(errno);
    if (d != nullptr && jobId_ != 0) Cups().cupsCancelDestJob(CUPS_HTTP_DEFAULT, d->dest, jobId_);
    RemoveTemp();
    return Fail(EIO, error);
  }
  if (d == nullptr || d->builtin) {
    // Into place under the title's name, never over an earlier file: a hard
    // link fails when the name is taken, and then the next number is tried.
    const std::string stem = pdfFolder_ + "/" + PdfFileStem(title_);
    for (int n = 0; n < 10000; ++n) {
      std::string target = n == 0 ? stem + ".pdf" : stem + "(" + std::to_string(n) + ").pdf";
      if (link(tempFile_.c_str(), target.c_str()) == 0) {
        RemoveTemp();
        lastPdfFile_ = target;
        return 0;
      }
      if (errno == EEXIST) continue;
      // File systems without hard links: take a free name and move.
      if (errno == EPERM || errno == ENOTSUP || errno == EXDEV) {
        if (std::filesystem::exists(target)) continue;
        if (std::rename(tempFile_.c_str(), target.c_str()) == 0) {
          tempFile_.clear();
          RemoveTemp();
          lastPdfFile_ = target;
          return 0;
        }
      }
      int e = errno;
      RemoveTemp();
      return Fail(e, target + ": " + std::strerror(e));
    }
    RemoveTemp();
    return Fail(EEXIST, stem + ".pdf: " + std::strerror(EEXIST));
  }

  // The whole PDF goes to the job as its one document, read back from the
  // file the PDF page wrote.
  std::FILE* f = tempStream_;
  if (std::fseek(f, 0, SEEK_SET) != 0) {
    int e = errno;
    Cups().cupsCancelDestJob(CUPS_HTTP_DEFAULT, d->dest, jobId_);
    RemoveTemp();
    return Fail(e, std::strerror(e));
  }
  http_status_t hs = Cups().cupsStartDestDocument(CUPS_HTTP_DEFAULT, d->dest, d->info, jobId_, title_.c_str(),
                                           CUPS_FORMAT_PDF, 0, nullptr, 1);
  bool ok = hs == HTTP_STATUS_CONTINUE;
  char buf[65536];
  size_t got = 0;
  while (ok && (got = std::fread(buf, 1, sizeof buf, f)) > 0)
    ok = Cups().cupsWriteRequestData(CUPS_HTTP_DEFAULT, buf, got) == HTTP_STATUS_CONTINUE;
  if (std::ferror(f)) ok = false;
  ipp_status_t st = hs == HTTP_STATUS_CONTINUE ? Cups().cupsFinishDestDocument(CUPS_HTTP_DEFAULT, d->dest, d->info)
                                               : Cups().cupsLastError();
  RemoveTemp();
  lastJobId_ = jobId_;
  jobId_ = 0;
  if (!ok || st > IPP_STATUS_OK_CONFLICTING) {
    int code = int(st > IPP_STATUS_OK_CONFLICTING ? st : IPP_STATUS_ERROR_INTERNAL);
    Cups().cupsCancelDestJob(CUPS_HTTP_DEFAULT, d->dest, lastJobId_);
    return Fail(code, Cups().cupsLastErrorString());
  }
  return 0;
}

int CupsPrintSystem::AbortDocument() {
  canvas_.Discard();
  Device* d = Current();
  if (jobId_ != 0 && d != nullptr && d->dest != nullptr) Cups().cupsCancelDestJob(CUPS_HTTP_DEFAULT, d->dest, jobId_);
  jobId_ = 0;
  RemoveTemp();
  documentOpen_ = false;
  return 0;
}

std::string CupsPrintSystem::ErrorText(int code) {
  auto it = errorTexts_.find(code);
  if (it != errorTexts_.end()) return it->second;
  if (code >= 0x0400) return Cups().ippErrorString(ipp_status_t(code));
  return std::strerror(code);
}

namespace {

// The keywords of an attribute.
std::vector<std::string> Keywords(ipp_attribute_t* attr) {
  std::vector<std::string> out;
  for (int i = 0; attr != nullptr && i < Cups().ippGetCount(attr); ++i) {
    const char* s = Cups().ippGetString(attr, i, nullptr);
    if (s != nullptr) out.emplace_back(s);
  }
  return out;
}

}  // namespace

int CupsPrintSystem::QueryPrinterState(const std::string& name, PrinterQueueState& out) {
  out = {};
  Device* d = Find(name);
  if (d == nullptr) return Fail(kErrorInvalidPrinterName, "プリンター名が無効です。");
  // The built-in device writes its files at once: never busy, never in error.
  if (d->builtin) return 0;

  char uri[1024];
  Cups().httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                   name.c_str());
  static const char* const kPrinterAttributes[] = {"printer-state", "printer-state-reasons",
                                                   "printer-is-accepting-jobs"};
  ipp_t* request = Cups().ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  Cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  Cups().ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                int(std::size(kPrinterAttributes)), nullptr, kPrinterAttributes);
  ipp_t* response = Cups().cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
  if (response == nullptr || Cups().ippGetStatusCode(response) > IPP_STATUS_OK_CONFLICTING) {
    Cups().ippDelete(response);
    return Fail(int(Cups().cupsLastError()), Cups().cupsLastErrorString());
  }
  ipp_attribute_t* state = Cups().ippFindAttribute(response, "printer-state", IPP_TAG_ENUM);
  ipp_attribute_t* accepting = Cups().ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
  out.status = PrinterStatusOfQueue(state != nullptr ? Cups().ippGetInteger(state, 0) : 0,
                                    Keywords(Cups().ippFindAttribute(response, "printer-state-reasons",
                                                                     IPP_TAG_KEYWORD)),
                                    accepting == nullptr || Cups().ippGetBoolean(accepting, 0));
  Cups().ippDelete(response);

  static const char* const kJobAttributes[] = {"job-id", "job-name", "job-state", "job-state-reasons",
                                               "job-printer-state-reasons"};
  request = Cups().ippNewRequest(IPP_OP_GET_JOBS);
  Cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  Cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, Cups().cupsUser());
  Cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "not-completed");
  Cups().ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                       int(std::size(kJobAttributes)), nullptr, kJobAttributes);
  response = Cups().cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
  if (response == nullptr || Cups().ippGetStatusCode(response) > IPP_STATUS_OK_CONFLICTING) {
    Cups().ippDelete(response);
    return Fail(int(Cups().cupsLastError()), Cups().cupsLastErrorString());
  }
  // The jobs follow one another as groups of job attributes.
  ipp_attribute_t* attr = Cups().ippFirstAttribute(response);
  while (attr != nullptr) {
    while (attr != nullptr && Cups().ippGetGroupTag(attr) != IPP_TAG_JOB) attr = Cups().ippNextAttribute(response);
    if (attr == nullptr) break;
    QueuedJob job;
    int jobState = 0;
    std::vector<std::string> reasons, printerReasons;
    for (; attr != nullptr && Cups().ippGetGroupTag(attr) == IPP_TAG_JOB; attr = Cups().ippNextAttribute(response)) {
      const char* attrName = Cups().ippGetName(attr);
      if (attrName == nullptr) continue;
      const std::string_view n = attrName;
      if (n == "job-id") job.id = Cups().ippGetInteger(attr, 0);
      if (n == "job-state") jobState = Cups().ippGetInteger(attr, 0);
      if (n == "job-name" && Cups().ippGetString(attr, 0, nullptr) != nullptr)
        job.name = Cups().ippGetString(attr, 0, nullptr);
      if (n == "job-state-reasons") reasons = Keywords(attr);
      if (n == "job-printer-state-reasons") printerReasons = Keywords(attr);
    }
    job.status = JobStatusOfQueue(jobState, reasons, printerReasons);
    out.jobs.push_back(std::move(job));
  }
  Cups().ippDelete(response);
  return 0;
}

}  // namespace kestrel
