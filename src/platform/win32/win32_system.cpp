#include "platform/win32/win32_system.h"

#include "platform/win32/windows_api.h"
#include <sys/stat.h>

#include "platform/win32/folder_walk.h"
#include "platform/win32/wide_text.h"

namespace kestrel {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The path in the system's own form: backslashes, no trailing separator
// (a drive root keeps its one).
std::wstring NativePath(const std::string& path) {
  std::wstring out = Wide(path);
  for (wchar_t& c : out) {
    if (c == L'/') c = L'\\';
  }
  while (out.size() > 3 && IsSeparator(out.back())) out.pop_back();
  return out;
}

std::wstring FullPath(const std::wstring& path) {
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring out(n, L'\0');
  n = GetFullPathNameW(path.c_str(), n, out.data(), nullptr);
  out.resize(n);
  return out;
}

constexpr DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;

bool IsLink(DWORD attributes) { return attributes != kNoAttributes && IsLinkStep(StepFor(attributes)); }

int64_t UnixSeconds(const FILETIME& t) {
  const uint64_t ticks = (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  return int64_t(ticks / 10000000ull) - 11644473600ll;
}

static_assert(kAttributeReadOnly == FILE_ATTRIBUTE_READONLY && kAttributeDirectory == FILE_ATTRIBUTE_DIRECTORY &&
              kAttributeReparsePoint == FILE_ATTRIBUTE_REPARSE_POINT && kWalkTooDeep == ERROR_FILENAME_EXCED_RANGE);

// The file system for the walk of folder_walk.h: FindFirstFileW listings,
// DeleteFileW and RemoveDirectoryW.
class Win32Folders final : public WalkedFolders {
 public:
  std::vector<WalkEntry> List(const std::wstring& folder) override {
    std::vector<WalkEntry> entries;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return entries;
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") entries.push_back({name, uint32_t(found.dwFileAttributes)});
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return entries;
  }
  int Remove(const std::wstring& path, WalkStep step, uint32_t attributes) override {
    // Read-only is taken off real files and folders only: a link's own
    // attributes are left as they are.
    if (!IsLinkStep(step) && (attributes & kAttributeReadOnly))
      SetFileAttributesW(path.c_str(), DWORD(attributes & ~kAttributeReadOnly));
    const bool removed = step == WalkStep::kDeleteFile || step == WalkStep::kDeleteFileLink
                             ? DeleteFileW(path.c_str())
                             : RemoveDirectoryW(path.c_str());
    return removed ? 0 : int(GetLastError());
  }
};

std::string QuoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') out.append(backslashes * 2 + 1, '\\');
    else out.append(backslashes, '\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, '\\');
  out.push_back('"');
  return out;
}

}  // namespace

std::string WindowsErrorText(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n > 0 && buffer != nullptr ? std::wstring(buffer, n) : std::wstring();
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
  if (text.empty()) return "error " + std::to_string(code);
  return Utf8(text);
}

std::vector<std::string> CommandLineArguments() {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count);
  if (list == nullptr) return args;
  for (int i = 0; i < count; ++i) args.push_back(Utf8(list[i]));
  LocalFree(list);
  return args;
}

std::string Win32System::BaseDir() {
  std::string base = EnvironmentValue(L"KESTREL_BASE");
  if (base.empty()) {
    // The root of the program's drive: its path up to its first "\".
    wchar_t module[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, module, DWORD(std::size(module)));
    std::wstring path(module, n);
    const size_t cut = path.find(L'\\');
    base = Utf8(cut == std::wstring::npos ? path : path.substr(0, cut + 1));
  }
  if (base.empty() || (base.back() != '\\' && base.back() != '/')) base.push_back('\\');
  return base;
}

std::string Win32System::WindowsDir() {
  wchar_t buffer[MAX_PATH];
  const UINT n = GetWindowsDirectoryW(buffer, UINT(std::size(buffer)));
  std::string dir = Utf8(std::wstring_view(buffer, n < std::size(buffer) ? n : 0));
  if (dir.empty() || dir.back() != '\\') dir.push_back('\\');
  return dir;
}

std::string Win32System::ProgramDir() {
  wchar_t module[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameW(nullptr, module, DWORD(std::size(module)));
  if (n == 0 || n >= std::size(module)) return {};
  const std::wstring path(module, n);
  const size_t cut = path.find_last_of(L'\\');
  return cut == std::wstring::npos ? std::string() : Utf8(path.substr(0, cut));
}

std::vector<std::string> Win32System::SystemFolders() {
  std::vector<std::string> folders;
  for (const KNOWNFOLDERID& id : {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86}) {
    wchar_t* path = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)) && path != nullptr) folders.push_back(Utf8(path));
    CoTaskMemFree(path);
  }
  return folders;
}

DriveKind Win32System::DriveKindOf(const std::string& path) {
  std::wstring root = FullPath(NativePath(path));
  if (root.size() >= 2 && root[1] == L':') root = root.substr(0, 2) + L"\\";
  const UINT type = GetDriveTypeW(root.c_str());
  return type <= DRIVE_RAMDISK ? DriveKind(type) : DriveKind::kUnknown;
}

bool Win32System::ComputerName(std::string& name, int& error) {
  wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = DWORD(std::size(buffer));
  if (!GetComputerNameW(buffer, &size)) {
    error = int(GetLastError());
    return false;
  }
  name = Utf8(std::wstring_view(buffer, size));
  error = 0;
  return true;
}

int Win32System::LastError() { return int(GetLastError()); }

std::string Win32System::ErrorText(int code) {
  return WindowsErrorText(code == 0 ? GetLastError() : DWORD(code));
}

ProcessResult Win32System::RunAndWait(const std::string& program, const std::vector<std::string>& args,
                                      const std::string& workDir) {
  ProcessResult result;
  std::string line = QuoteArgument(program);
  for (const std::string& a : args) line += " " + QuoteArgument(a);
  std::wstring commandLine = Wide(line);
  const std::wstring folder = NativePath(workDir);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workDir.empty() ? nullptr : folder.c_str(), &startup, &process)) {
    result.error = int(GetLastError());
    return result;
  }
  result.started = true;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  result.exitCode = int(code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}

int Win32System::ShellOpen(const std::string& path) {
  const std::wstring file = NativePath(path);
  HINSTANCE h = ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return int(reinterpret_cast<INT_PTR>(h));
}

int Win32System::ShellDelete(const std::string& path) {
  const std::wstring target = FullPath(NativePath(path));
  const size_t cut = target.find_last_of(L'\\');
  if (cut == std::wstring::npos || cut + 1 >= target.size()) return ERROR_INVALID_PARAMETER;
  const std::wstring name = target.substr(cut + 1);
  if (name == L"." || name == L"..") return ERROR_INVALID_PARAMETER;
  // No folder on the way may be a link.
  for (size_t at = target.find(L'\\', 3); at != std::wstring::npos && at < cut; at = target.find(L'\\', at + 1)) {
    if (IsLink(GetFileAttributesW(target.substr(0, at).c_str()))) return ERROR_ACCESS_DENIED;
  }
  if (IsLink(GetFileAttributesW(target.substr(0, cut).c_str()))) return ERROR_ACCESS_DENIED;
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == kNoAttributes) return int(GetLastError());
  // The shell's delete where no link is involved; a tree with links is
  // taken apart here, removing each link itself.
  Win32Folders folders;
  if (IsLink(attributes) || ((attributes & FILE_ATTRIBUTE_DIRECTORY) && TreeHoldsLink(folders, target)))
    return RemoveTree(folders, target, uint32_t(attributes));
  std::wstring from = target;
  from.push_back(L'\0');  // the list ends with an empty name
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  const int rc = SHFileOperationW(&op);
  if (rc == 0 && op.fAnyOperationsAborted) return ERROR_CANCELLED;
  return rc;
}

std::string Win32System::RealPath(const std::string& path) {
  if (path.empty()) return {};
  HANDLE h = CreateFileW(NativePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  wchar_t buffer[MAX_PATH * 4];
  const DWORD n = GetFinalPathNameByHandleW(h, buffer, DWORD(std::size(buffer)), FILE_NAME_NORMALIZED);
  CloseHandle(h);
  if (n == 0 || n >= std::size(buffer)) return {};
  std::wstring out(buffer, n);
  if (out.rfind(L"\\\\?\\UNC\\", 0) == 0) out = L"\\\\" + out.substr(8);
  else if (out.rfind(L"\\\\?\\", 0) == 0) out = out.substr(4);
  return Utf8(out);
}

std::vector<System::FolderEntry> Win32System::ListFolder(const std::string& folder) {
  std::vector<FolderEntry> entries;
  const std::wstring dir = NativePath(folder);
  const DWORD attributes = GetFileAttributesW(dir.c_str());
  if (attributes == kNoAttributes || !(attributes & FILE_ATTRIBUTE_DIRECTORY) || IsLink(attributes)) return entries;
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return entries;
  do {
    FolderEntry e;
    e.name = Utf8(found.cFileName);
    if (e.name == "." || e.name == "..") continue;
    const WalkStep step = StepFor(found.dwFileAttributes);
    e.kind = IsLinkStep(step) ? EntryKind::kLink : step == WalkStep::kEnterFolder ? EntryKind::kFolder : EntryKind::kFile;
    e.timesKnown = true;
    e.times = {UnixSeconds(found.ftLastWriteTime), UnixSeconds(found.ftCreationTime),
               UnixSeconds(found.ftLastAccessTime)};
    entries.push_back(std::move(e));
  } while (FindNextFileW(h, &found));
  FindClose(h);
  return entries;
}

bool Win32System::NotifyWindow(uint64_t window, uint32_t message, uint64_t wparam, int64_t lparam,
                               std::string& error) {
  HWND hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(window));
  if (window == 0 || !IsWindow(hwnd)) {
    error = "no such window";
    return false;
  }
  SendMessageW(hwnd, message, WPARAM(wparam), LPARAM(lparam));
  return true;
}

uint64_t Win32System::NowMilliseconds() { return GetTickCount64(); }

bool Win32System::WithoutPageLabel() { return EnvironmentValue(L"KESTREL_NO_DEBUG_LABEL") == "1"; }
std::string Win32System::AnalysisLogLimitSetting() { return EnvironmentValue(L"KESTREL_ANALYSIS_LOG_LIMIT"); }

bool Win32System::GetFileTimes(const std::string& path, FileTimes& times) {
  struct _stat64 st {};
  if (_wstat64(NativePath(path).c_str(), &st) != 0) return false;
  times.modified = int64_t(st.st_mtime);
  times.changed = int64_t(st.st_ctime);
  times.accessed = int64_t(st.st_atime);
  return true;
}

}  // namespace kestrel
