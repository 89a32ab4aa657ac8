#include "app/print_lists.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "util/char_forms.h"
#include "util/find_files.h"
#include "util/paths.h"
#include "util/profile_file.h"
#include "platform/text_codec.h"
#include "platform/native_path.h"

namespace kestrel {

namespace {

constexpr size_t kInfoNameLimit = 100;

bool IsFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(FsPath(path), ec);
}


bool HasFolderPart(const std::string& path) { return path.find_first_of("\\/:") != std::string::npos; }

}  // namespace

std::string InfoFileName(const std::string& dataFileName) {
  SjisString name = SjisFromUtf8(dataFileName);
  SjisString rest = name.size() > 1 ? CutSjisBytes(SjisView(name).substr(1), kInfoNameLimit) : SjisString();
  std::string info = "I" + Utf8FromSjis(rest);
  size_t dot = info.rfind('.');
  if (dot != std::string::npos && dot > 0) info.erase(dot);
  return info + ".txt";
}

void CollectFolderFiles(const std::string& folder, const std::string& pattern, std::vector<std::string>& list,
                        std::string& infoFile) {
  for (const std::string& name : FindEntries(folder, pattern)) {
    list.push_back(folder + name);
    if (list.size() == 1) infoFile = folder + InfoFileName(name);
  }
  std::stable_sort(list.begin(), list.end(), [](const std::string& a, const std::string& b) {
    return CompareNamesForListing(a, b) < 0;
  });
}

int ReadPrintList(const RunSettings& s, const std::string& folder, std::vector<std::string>& list, Ui& ui) {
  ProfileFile file;
  file.Load(s.PrintListPath);
  const int32_t keyMax = file.GetInt("PrintData", "KeyMax", 0);
  if (keyMax <= 0) {
    ui.ShowMessage(
        "plist.infが印刷指定フォルダ内に存在しています\nしかし、plist.infのKeyMaxが0以下又は存在しない可能性があります\n"
        "印刷を行いません",
        MessageKind::Error);
    return 0;
  }
  std::string base = folder;
  while (!base.empty() && (base.back() == '/' || base.back() == '\\')) base.pop_back();
  // Keys 1 .. KeyMax in number order, the first of a key given twice.
  // Walking the keys the file holds, in one pass (rather than looking up
  // every number up to KeyMax), gives the same list and keeps the time in
  // step with the list's length, whatever KeyMax says.
  std::vector<std::pair<int32_t, SjisString>> entries;
  for (auto& [key, value] : file.Entries("PrintData")) {
    if (key.empty() || key.size() > 10 || key[0] == '0' || key.find_first_not_of("0123456789") != std::string::npos)
      continue;
    const long long number = std::stoll(key);
    if (number > keyMax) continue;
    entries.emplace_back(int32_t(number), std::move(value));
  }
  int missing = 0;
  // Stable: of equal numbers the first in the file stays first.
  std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  int32_t previous = 0;
  for (const auto& [number, bytes] : entries) {
    if (number == previous || bytes.empty()) {
      previous = number;
      continue;
    }
    previous = number;
    const std::string value = Utf8FromSjis(bytes);
    std::string path = HasFolderPart(value) ? ResolveUserPath(s.BaseDir, value) : base + kPathSeparator + value;
    if (IsFile(path)) {
      list.push_back(path);
    } else {
      ++missing;
    }
  }
  if (list.empty()) {
    ui.ShowMessage(
        "plist.infが印刷指定フォルダ内も存在しています。\n印刷指定されているデータファイルが存在しない\n"
        "又はplist.inf内に問題がある可能性があります。\n印刷は行いません",
        MessageKind::Error);
  }
  return missing;
}

}  // namespace kestrel
