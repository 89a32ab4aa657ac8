#include "lists/paper_list.h"

#include <cstdio>
#include <exception>
#include <vector>

#include "util/char_forms.h"

namespace kestrel {
namespace {

// A driver's paper name comes in a 64-byte slot; a name that fills it has
// no terminating NUL. Cut the CP932 form to the slot (and at a NUL) without
// splitting a double-byte character.
constexpr size_t kPaperNameSlot = 64;

SjisString SlotName(const std::string& utf8) {
  SjisString name = SjisFromUtf8(utf8);
  size_t end = 0;
  while (end < name.size() && name[end] != '\0') {
    size_t step = IsSjisLeadByte(static_cast<unsigned char>(name[end])) ? 2 : 1;
    if (end + step > kPaperNameSlot || end + step > name.size()) break;
    end += step;
  }
  name.resize(end);
  return name;
}

std::string Format(const char* format, long a, long b = 0) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, format, a, b);
  return buffer;
}

}  // namespace

SjisView PaperConstantName(int code) { return PaperConstantDescription(code); }

ListResult PaperListWriter::WritePaperList(const std::string& path, const std::string& deviceName) {
  if (path.empty()) return ListResult::kEmptyPath;
  path_ = path;
  std::vector<std::string> installed;
  std::string current;
  try {
    installed = printers_.Printers();
    current = printers_.SelectedPrinter();
  } catch (const std::exception&) {
    ui_.ShowMessage("TPrinterへタイトル設定時にエラーが発生しました。\nプリンタ設定に異常がある可能性があります。",
                    MessageKind::Error);
    return ListResult::kUnreachable;
  }
  if (!file_.Create(path_)) {
    ui_.ShowMessage("ppaperlist.txtの作成に失敗しました。\n印刷可能用紙リストは作成されません", MessageKind::Error);
    return ListResult::kCannotCreate;
  }
  file_.Text("\n印刷可能用紙リストファイル\n");
  file_.Text("印刷可能用紙リストは、Windowsへ登録されている通常使うプリンタドライバが\n");
  file_.Text("サポートしている用紙をリストとして出力しています。\n");
  file_.Text("\n[通常使うプリンタプリンタドライバの印刷可能用紙リスト]\n");

  // The device: the current printer for an empty name, else an exact match.
  std::string device;
  for (const auto& name : installed)
    if (deviceName.empty() ? name == current : name == deviceName) {
      device = name;
      break;
    }
  if (device.empty()) {
    file_.Close();
    return ListResult::kNotInstalled;
  }

  long duplex = 0;
  try {
    duplex = printers_.Duplex(device);
  } catch (const std::exception&) {
    file_.Close();
    return ListResult::kDuplexQueryFailed;
  }
  file_.Line(Format("【両面印刷可能】= [%ld] 1以外:不可能、1:可能", duplex));

  std::vector<uint16_t> numbers;
  int count = 0;
  try {
    count = printers_.Papers(device, numbers);
  } catch (const std::exception&) {
    count = -1;
  }
  if (count <= 0) {
    file_.Line("  ■印刷できる用紙は１つもありませんでした");
    file_.Close();
    return ListResult::kNoPaper;
  }

  // Every query must give an entry for each of the count's papers; a short
  // answer is a failed query, never a read past the answer.
  std::vector<std::string> names;
  std::vector<PaperSize> sizes;
  bool ok = size_t(count) <= numbers.size();
  try {
    ok = ok && printers_.PaperNames(device, names) >= count && names.size() >= size_t(count);
    ok = ok && printers_.PaperSizes(device, sizes) >= count && sizes.size() >= size_t(count);
  } catch (const std::exception&) {
    ok = false;
  }
  if (!ok) {
    file_.Line("DeviceCapabilities Error");
    file_.Close();
    return ListResult::kPaperQueryFailed;
  }

  file_.Line(Format("【指定可能用紙種類】= [%ld]種類", count));
  file_.Line("□印刷可能用紙");
  for (int i = 0; i < count; ++i) {
    const int constant = numbers[size_t(i)];
    file_.Line("------------------------------------------");
    file_.Text(Format("  [%03ld]<用紙名:【", i + 1));
    file_.Bytes(SlotName(names[size_t(i)]));
    file_.Text("】>\n");
    file_.Text(Format("       <定  数:[%03ld]:", constant));
    file_.Bytes(PaperConstantName(constant));
    file_.Text(">\n");
    file_.Line(Format("       <サイズ:%ld x %ld>", sizes[size_t(i)].width, sizes[size_t(i)].height));
    file_.Line("");
  }
  file_.Line("");
  file_.Line("■" + device);
  file_.Line("");
  file_.Line(" ------------------ END ------------------");
  // A list that could not be written whole (a full disk) is not put in
  // place and not announced as made.
  if (!file_.Close()) {
    ui_.ShowMessage("ppaperlist.txtの作成に失敗しました。\n印刷可能用紙リストは作成されません", MessageKind::Error);
    return ListResult::kCannotCreate;
  }
  ui_.ShowMessage(path_ + "を作成しました", MessageKind::Information);
  return ListResult::kWritten;
}

const char* ListStatusMeaning(ListResult status) {
  switch (status) {
    case ListResult::kWritten: return "written";
    case ListResult::kUnreachable: return "the printer could not be reached";
    case ListResult::kCannotCreate: return "the file could not be created";
    case ListResult::kEmptyPath: return "the path is empty";
    case ListResult::kDuplexQueryFailed: return "the duplex query failed";
    case ListResult::kNoPaper: return "the driver reports no paper";
    case ListResult::kPaperQueryFailed: return "a paper query failed";
    case ListResult::kNotInstalled: return "the device is not installed";
    case ListResult::kNoDeviceChosen: break;
  }
  return "";
}

}  // namespace kestrel
