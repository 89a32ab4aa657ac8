#include "pdf/bookmark_csv.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>
#include <vector>

#include "util/char_forms.h"
#include "util/find_files.h"
#include "util/paths.h"
#include "util/profile_file.h"
#include "util/replacing_file.h"
#include "platform/native_path.h"

namespace kestrel {

namespace fs = std::filesystem;

namespace {

constexpr size_t kNameLimit = 200;
constexpr const char* kSection = "DATA";
// The characters a file name may not hold, as a list of quoted characters.
constexpr const char* kForbiddenChars = R"("\","/",":","*","?",""","<",">","|")";
constexpr const char* kSeparatorChars = R"(";",",")";
constexpr const char* kPathSeparatorChars = R"("\","/")";
constexpr const char* kDotChar = R"(".")";

bool IsSjisTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// A name taken from data names one file in the PDF folder: it never holds a
// path separator and is never a "." or ".." step, whatever $pdf_fn_check
// says. Separators (and the dots of a name made of dots only) are treated
// as mode 0 treats the forbidden characters (full-width forms, the
// backslash as "￥"), or removed when the mode is 1. A lead byte is paired
// only with a byte that can follow it, as the text converter pairs them, so
// a stray lead byte never hides a separator.
SjisString WithoutPathSeparators(SjisView name, int32_t mode) {
  const int how = mode == 1 ? 1 : 0;
  SjisString out;
  out.reserve(name.size() * 2);
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (IsSjisLeadByte(c) && i + 1 < name.size() && IsSjisTrailByte(static_cast<unsigned char>(name[i + 1]))) {
      out.append(name.substr(i, 2));
      ++i;
    } else if (c == '/' || c == '\\') {
      out += ReplaceListedChars(name.substr(i, 1), kPathSeparatorChars, how);
    } else {
      out.push_back(char(c));
    }
  }
  return out;
}

SjisString KeepInFolder(SjisView name, int32_t mode) {
  SjisString out = WithoutPathSeparators(name, mode);
  if (!out.empty() && out.find_first_not_of('.') == SjisString::npos)
    out = ReplaceListedChars(out, kDotChar, mode == 1 ? 1 : 0);
  return out;
}


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
  return !path.empty() && fs::exists(FsPath(path), ec);
}

}  // namespace

std::string MakePdfBaseName(PdfNaming& s, const std::string& infoFile) {
  const std::string bare = WithoutExtension(FileNameOf(infoFile));
  auto result = [&](SjisView name) { return Utf8FromSjis(KeepInFolder(name, s.pdf_fn_check)); };
  // A missing file gives its bare name, not its path: the name stays one
  // file name in the PDF folder.
  if (!Exists(infoFile)) return result(SjisFromUtf8(bare));
  std::error_code ec;
  const auto size = fs::file_size(FsPath(infoFile), ec);
  if (ec || size == 0) return result(SjisFromUtf8(bare));

  ProfileFile file;
  if (file.Load(infoFile) != ProfileFile::LoadResult::kOk) return result(SjisFromUtf8(bare));
  SjisString nendo = Read(file, "nendo", "");
  SjisString user = Read(file, "username", "");
  SjisString program = Read(file, "program_name", "");
  SjisString usercode = Read(file, "usercode", "000");
  if (nendo.empty() && user.empty() && program.empty()) return result(SjisFromUtf8(bare));

  SjisString forbidden = kForbiddenChars;
  if (!s.pdf_fn_string.empty()) forbidden += "," + SjisFromUtf8(s.pdf_fn_string);
  user = ReplaceListedChars(user, forbidden, s.pdf_fn_check);
  program = ReplaceListedChars(program, forbidden, s.pdf_fn_check);
  for (SjisString* part : {&nendo, &user, &program, &usercode}) *part = WithoutPathSeparators(*part, s.pdf_fn_check);

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
  // Removing characters can pair bytes differently: once more on the whole.
  return result(name);
}

SjisString BookmarkCsvRow(int sequence, SjisView title, SjisView page) {
  SjisString row = Quoted(std::to_string(sequence));
  row += ",\"0\"," + Quoted(title) + ",\"#000000\",\"0\",\"1\"," + Quoted(page);
  row += ",\"0\",\"0\",\"0\",\"0\",\"1\",\"0\",\"\"\r\n";
  return row;
}

std::string CsvPathOfPdf(const std::string& pdfPath) {
  std::string out = pdfPath;
  if (out.size() >= 4 && out.compare(out.size() - 4, 4, ".pdf") == 0) out.resize(out.size() - 4);
  return out + ".csv";
}

void MakeBookmarkCsv(PdfNaming& s, Ui& ui, const std::string& folder, const std::string& pattern,
                     const std::string& givenCsvPath) {
  std::vector<std::string> paths;
  std::string csvPath = givenCsvPath;
  try {
    for (const std::string& name : FindEntries(folder, pattern)) {
      paths.push_back(folder + name);
      if (paths.size() == 1 && csvPath.empty()) csvPath = s.PdfFolder + MakePdfBaseName(s, s.InfoFile) + ".csv";
    }
  } catch (const std::exception&) {
    ui.ShowMessage("情報ファイルリスト作成に失敗しました", MessageKind::Error);
    return;
  }
  if (paths.empty()) return;
  // In the order the folder's files print (a listing sorted by name, as the
  // Windows file system gives it), whatever order this system lists them in.
  std::stable_sort(paths.begin(), paths.end(),
                   [](const std::string& a, const std::string& b) { return CompareNamesForListing(a, b) < 0; });

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
