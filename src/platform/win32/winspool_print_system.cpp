#include "platform/win32/winspool_print_system.h"

#include "platform/win32/windows_api.h"

#include <algorithm>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_system.h"

namespace kestrel {

namespace {

constexpr DWORD kEnumFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;

DevMode FromDevMode(const DEVMODEW& m) {
  DevMode out;
  out.paperSize = m.dmPaperSize;
  out.orientation = m.dmOrientation;
  out.duplex = m.dmDuplex;
  out.collate = m.dmCollate == DMCOLLATE_TRUE ? 1 : 0;
  out.copies = m.dmCopies;
  out.fields = m.dmFields;
  return out;
}

void IntoDevMode(const DevMode& in, DEVMODEW& m) {
  m.dmFields = in.fields;
  m.dmPaperSize = short(in.paperSize);
  m.dmOrientation = short(in.orientation);
  m.dmDuplex = short(in.duplex);
  m.dmCollate = short(in.collate == 1 ? DMCOLLATE_TRUE : DMCOLLATE_FALSE);
  m.dmCopies = short(in.copies);
}

int CALLBACK CollectFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM data) {
  auto* names = reinterpret_cast<std::vector<std::string>*>(data);
  std::string name = Utf8(font->lfFaceName);
  if (std::find(names->begin(), names->end(), name) == names->end()) names->push_back(std::move(name));
  return 1;
}

}  // namespace

WinspoolPrintSystem::~WinspoolPrintSystem() {
  if (dc_ != nullptr) AbortDocument();
  ClosePrinter();
}

int WinspoolPrintSystem::Fail() {
  lastError_ = int(GetLastError());
  return -1;
}

std::string WinspoolPrintSystem::ErrorText(int code) { return WindowsErrorText(DWORD(code)); }

std::vector<std::string> WinspoolPrintSystem::Printers() {
  std::vector<std::string> names;
  DWORD needed = 0, count = 0;
  EnumPrintersW(kEnumFlags, nullptr, 4, nullptr, 0, &needed, &count);
  if (needed == 0) return names;
  std::vector<uint8_t> buffer(needed);
  if (!EnumPrintersW(kEnumFlags, nullptr, 4, buffer.data(), needed, &needed, &count)) return names;
  const auto* info = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) names.push_back(Utf8(info[i].pPrinterName));
  return names;
}

std::string WinspoolPrintSystem::SystemDefaultPrinter() {
  DWORD size = 0;
  GetDefaultPrinterW(nullptr, &size);
  if (size == 0) return {};
  std::wstring name(size, L'\0');
  if (!GetDefaultPrinterW(name.data(), &size)) return {};
  name.resize(wcslen(name.c_str()));
  return Utf8(name);
}

std::string WinspoolPrintSystem::SelectedPrinter() {
  if (selected_.empty()) selected_ = SystemDefaultPrinter();
  return selected_;
}

bool WinspoolPrintSystem::SelectPrinter(const std::string& name) {
  const auto list = Printers();
  if (std::find(list.begin(), list.end(), name) == list.end()) return false;
  selected_ = name;
  return true;
}

int WinspoolPrintSystem::OpenPrinter(const std::string& name) {
  ClosePrinter();
  std::wstring wide = Wide(name);
  if (!::OpenPrinterW(wide.data(), &handle_, nullptr)) {
    handle_ = nullptr;
    return Fail();
  }
  return 0;
}

int WinspoolPrintSystem::ClosePrinter() {
  if (handle_ != nullptr) ::ClosePrinter(handle_);
  handle_ = nullptr;
  return 0;
}

DEVMODEW* WinspoolPrintSystem::Mode() {
  const std::string name = SelectedPrinter();
  if (name.empty()) return nullptr;
  if (modeOf_ == name && !mode_.empty()) return reinterpret_cast<DEVMODEW*>(mode_.data());
  std::wstring wide = Wide(name);
  HANDLE h = nullptr;
  if (!::OpenPrinterW(wide.data(), &h, nullptr)) return Fail(), nullptr;
  const LONG size = DocumentPropertiesW(nullptr, h, wide.data(), nullptr, nullptr, 0);
  DEVMODEW* out = nullptr;
  if (size > 0) {
    mode_.assign(size_t(size), 0);
    out = reinterpret_cast<DEVMODEW*>(mode_.data());
    if (DocumentPropertiesW(nullptr, h, wide.data(), out, nullptr, DM_OUT_BUFFER) != IDOK) {
      Fail();
      mode_.clear();
      out = nullptr;
    } else {
      modeOf_ = name;
    }
  } else {
    Fail();
  }
  ::ClosePrinter(h);
  return out;
}

int WinspoolPrintSystem::GetDefaultDevMode(DevMode& out) {
  modeOf_.clear();  // the driver's defaults afresh
  DEVMODEW* m = Mode();
  if (m == nullptr) return -1;
  out = FromDevMode(*m);
  return 0;
}

int WinspoolPrintSystem::ApplyDevMode(DevMode& inOut) {
  DEVMODEW* m = Mode();
  if (m == nullptr) return -1;
  IntoDevMode(inOut, *m);
  std::wstring wide = Wide(selected_);
  HANDLE h = nullptr;
  if (!::OpenPrinterW(wide.data(), &h, nullptr)) return Fail();
  // The driver merges and validates in place.
  const LONG rc = DocumentPropertiesW(nullptr, h, wide.data(), m, m, DM_IN_BUFFER | DM_OUT_BUFFER);
  if (rc != IDOK) Fail();
  ::ClosePrinter(h);
  if (rc != IDOK) return -1;
  inOut = FromDevMode(*m);
  return 0;
}

int WinspoolPrintSystem::Papers(const std::string& device, std::vector<uint16_t>& out) {
  out.clear();
  const std::wstring name = Wide(device);
  const int n = DeviceCapabilitiesW(name.c_str(), nullptr, DC_PAPERS, nullptr, nullptr);
  if (n < 0) return Fail();
  std::vector<WORD> papers(size_t(n) + 1);
  if (DeviceCapabilitiesW(name.c_str(), nullptr, DC_PAPERS, reinterpret_cast<LPWSTR>(papers.data()), nullptr) < 0)
    return Fail();
  out.assign(papers.begin(), papers.begin() + n);
  return n;
}

int WinspoolPrintSystem::PaperSizes(const std::string& device, std::vector<PaperSize>& out) {
  out.clear();
  const std::wstring name = Wide(device);
  const int n = DeviceCapabilitiesW(name.c_str(), nullptr, DC_PAPERSIZE, nullptr, nullptr);
  if (n < 0) return Fail();
  std::vector<POINT> sizes(size_t(n) + 1);
  if (DeviceCapabilitiesW(name.c_str(), nullptr, DC_PAPERSIZE, reinterpret_cast<LPWSTR>(sizes.data()), nullptr) < 0)
    return Fail();
  for (int i = 0; i < n; ++i) out.push_back(PaperSize{int32_t(sizes[size_t(i)].x), int32_t(sizes[size_t(i)].y)});
  return n;
}

int WinspoolPrintSystem::PaperNames(const std::string& device, std::vector<std::string>& out) {
  out.clear();
  const std::wstring name = Wide(device);
  const int n = DeviceCapabilitiesW(name.c_str(), nullptr, DC_PAPERNAMES, nullptr, nullptr);
  if (n < 0) return Fail();
  constexpr size_t kNameLength = 64;  // each name is a 64-character field
  std::vector<wchar_t> names((size_t(n) + 1) * kNameLength);
  if (DeviceCapabilitiesW(name.c_str(), nullptr, DC_PAPERNAMES, names.data(), nullptr) < 0) return Fail();
  for (int i = 0; i < n; ++i) {
    const wchar_t* field = names.data() + size_t(i) * kNameLength;
    out.push_back(Utf8(std::wstring_view(field, wcsnlen(field, kNameLength))));
  }
  return n;
}

int WinspoolPrintSystem::Duplex(const std::string& device) {
  const std::wstring name = Wide(device);
  const int rc = DeviceCapabilitiesW(name.c_str(), nullptr, DC_DUPLEX, nullptr, nullptr);
  if (rc < 0) return Fail();
  return rc == 1 ? 1 : 0;
}

HDC WinspoolPrintSystem::InformationContext() {
  const std::string name = SelectedPrinter();
  if (name.empty()) return nullptr;
  const std::wstring wide = Wide(name);
  HDC ic = CreateICW(L"WINSPOOL", wide.c_str(), nullptr, Mode());
  if (ic == nullptr) Fail();
  return ic;
}

int WinspoolPrintSystem::DeviceCaps(int index) {
  if (dc_ != nullptr) return GetDeviceCaps(dc_, index);
  HDC ic = InformationContext();
  if (ic == nullptr) return 0;
  const int value = GetDeviceCaps(ic, index);
  DeleteDC(ic);
  return value;
}

std::vector<std::string> WinspoolPrintSystem::Fonts() {
  std::vector<std::string> names;
  HDC ic = InformationContext();
  if (ic == nullptr) return names;
  LOGFONTW any{};
  any.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesExW(ic, &any, &CollectFace, reinterpret_cast<LPARAM>(&names), 0);
  DeleteDC(ic);
  return names;
}

int WinspoolPrintSystem::DpiX() { return DeviceCaps(LOGPIXELSX); }
int WinspoolPrintSystem::DpiY() { return DeviceCaps(LOGPIXELSY); }

int WinspoolPrintSystem::SetOrientation(int landscape) {
  DEVMODEW* m = Mode();
  if (m == nullptr) return -1;
  m->dmOrientation = short(landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
  m->dmFields |= DM_ORIENTATION;
  return 0;
}

int WinspoolPrintSystem::SetCopies(int copies) {
  DEVMODEW* m = Mode();
  if (m == nullptr) return -1;
  m->dmCopies = short(std::clamp(copies, 1, 999));
  m->dmFields |= DM_COPIES;
  return 0;
}

int WinspoolPrintSystem::BeginDocument(const std::string& title) {
  if (dc_ != nullptr) AbortDocument();
  const std::string name = SelectedPrinter();
  if (name.empty()) {
    lastError_ = ERROR_INVALID_PRINTER_NAME;
    return -1;
  }
  const std::wstring wide = Wide(name);
  dc_ = CreateDCW(L"WINSPOOL", wide.c_str(), nullptr, Mode());
  if (dc_ == nullptr) return Fail();
  const std::wstring docName = Wide(title);
  DOCINFOW doc{};
  doc.cbSize = sizeof doc;
  doc.lpszDocName = docName.c_str();
  if (StartDocW(dc_, &doc) <= 0) {
    Fail();
    DeleteDC(dc_);
    dc_ = nullptr;
    return -1;
  }
  if (StartPage(dc_) <= 0) {
    Fail();
    AbortDoc(dc_);
    DeleteDC(dc_);
    dc_ = nullptr;
    return -1;
  }
  pageOpen_ = true;
  canvas_.Attach(dc_, GetDeviceCaps(dc_, HORZRES), GetDeviceCaps(dc_, VERTRES), GetDeviceCaps(dc_, LOGPIXELSX),
                 GetDeviceCaps(dc_, LOGPIXELSY));
  return 0;
}

int WinspoolPrintSystem::NewSheet() {
  if (dc_ == nullptr) {
    lastError_ = ERROR_NOT_READY;
    return -1;
  }
  if (pageOpen_ && EndPage(dc_) <= 0) return Fail();
  pageOpen_ = false;
  if (StartPage(dc_) <= 0) return Fail();
  pageOpen_ = true;
  canvas_.Reselect();
  return 0;
}

int WinspoolPrintSystem::EndDocument() {
  if (dc_ == nullptr) {
    lastError_ = ERROR_NOT_READY;
    return -1;
  }
  int rc = 0;
  if (pageOpen_ && EndPage(dc_) <= 0) rc = Fail();
  pageOpen_ = false;
  if (rc == 0 && EndDoc(dc_) <= 0) rc = Fail();
  if (rc != 0) AbortDoc(dc_);
  canvas_.Attach(nullptr, 0, 0, 96, 96);
  DeleteDC(dc_);
  dc_ = nullptr;
  return rc;
}

int WinspoolPrintSystem::AbortDocument() {
  if (dc_ == nullptr) return 0;
  AbortDoc(dc_);
  canvas_.Attach(nullptr, 0, 0, 96, 96);
  DeleteDC(dc_);
  dc_ = nullptr;
  pageOpen_ = false;
  return 0;
}

}  // namespace kestrel
