#include "pdf/bookmark_csv.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>
#include <vector>

#include "engine/print_context.h"
#include "util/char_forms.h"
#include "util/find_files.h"
#include "util/paths.h"
#include "util/profile_file.h"
#include "util/replacing_file.h"

namespace kestrel {

namespace fs = std::filesystem;

namespace {

constexpr size_t kNameLimit = 200;
constexpr const char* kSection = "DATA";
// The characters a file name may not hold, as a list of quoted characters.
constexpr const char* kForbiddenChars = R"("\","/",":","*","?",""","<",">","|")";
constexpr const char* kSeparatorChars = R"(";",",")";


// A key present with an empty value reads as empty; only a missing key
// takes the default.
SjisString Read(const ProfileFile& file, const char* key, SjisView fallback) {
  auto value = file.Find(kSection, key);
  return value ? *value : SjisString(fallback);
}

// The value between double quotes, inner quotes doubled.
SjisString Quoted(SjisView value) {
  SjisString out = "\"";
  for (char c : value) {
    out.push_back(c);
    if (c == '"') out.push_back('"');
  }
  out.push_back('"');
  return out;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::exists(path, ec);
}

}  // namespace

std::string MakePdfBaseName(RunSettings& s, const std::string& infoFile) {
  if (!Exists(infoFile)) return infoFile;
  const std::string bare = WithoutExtension(FileNameOf(infoFile));
  std::error_code ec;
  const auto size = fs::file_size(infoFile, ec);
  if (ec || size == 0) return bare;

  ProfileFile file;
  if (file.Load(infoFile) != ProfileFile::LoadResult::kOk) return bare;
  const SjisString nendo = Read(file, "nendo", "");
  SjisString user = Read(file, "username", "");
  SjisString program = Read(file, "program_name", "");
  const SjisString usercode = Read(file, "usercode", "000");
  if (nendo.empty() && user.empty() && program.empty()) return bare;

  SjisString forbidden = kForbiddenChars;
  if (!s.pdf_fn_string.empty()) forbidden += "," + SjisFromUtf8(s.pdf_fn_string);
  user = ReplaceListedChars(user, forbidden, s.pdf_fn_check);
  program = ReplaceListedChars(program, forbidden, s.pdf_fn_check);

  SjisString name = nendo + "_" + user + "_" + program;
  if (name.size() > kNameLimit) {
    if (s.pdf_fn_length == 0) {
      name = nendo + "_" + usercode + "_" + program;
      if (name.size() > kNameLimit) s.pdf_fn_length = 1;
    }
    if (s.pdf_fn_length == 1) name = CutSjisBytes(name, kNameLimit);
  }
  name = ReplaceListedChars(name, kSeparatorChars, 1);
  size_t lead = 0;
  while (lead < name.size() && static_cast<unsigned char>(name[lead]) <= ' ') ++lead;
  name.erase(0, lead);
  if (!name.empty() && name[0] == '.') name = CutSjisBytes(SjisView(name).substr(1), kNameLimit);
  return Utf8FromSjis(name);
}

SjisString BookmarkCsvRow(int sequence, SjisView title, SjisView page) {
  SjisString row = Quoted(std::to_string(sequence));
  row += ",\"0\"," + Quoted(title) + ",\"#000000\",\"0\",\"1\"," + Quoted(page);
  row += ",\"0\",\"0\",\"0\",\"0\",\"1\",\"0\",\"\"\r\n";
  return row;
}

void MakeBookmarkCsv(RunSettings& s, Ui& ui, const std::string& folder, const std::string& pattern) {
  std::vector<std::string> paths;
  std::string csvPath;
  try {
    for (const std::string& name : FindEntries(folder, pattern)) {
      paths.push_back(folder + name);
      if (paths.size() == 1) csvPath = s.PdfFolder + MakePdfBaseName(s, s.InfoFile) + ".csv";
    }
  } catch (const std::exception&) {
    ui.ShowMessage("情報ファイルリスト作成に失敗しました", MessageKind::Error);
    return;
  }
  if (paths.empty()) return;

  bool saved = false;
  try {
    SjisString rows;
    SjisString previous;
    for (size_t i = 0; i < paths.size(); ++i) {
      if (!Exists(paths[i])) continue;
      ProfileFile info;
      info.Load(paths[i]);
      const SjisString title = Read(info, "kaisou_06", "");
      const SjisString quoted = Quoted(title);
      if (quoted == previous) continue;
      previous = quoted;
      rows += BookmarkCsvRow(int(i + 1), title, Read(info, "apage", ""));
    }
    // Under a temporary name and renamed: the outliner never reads half a list.
    saved = ReplaceFileContents(csvPath, rows);
  } catch (const std::exception&) {
    saved = false;
  }
  if (!saved) ui.ShowMessage("しおり情報ＣＳＶファイル作成に失敗しました", MessageKind::Error);
}

}  // namespace kestrel
