#include "lists/printer_list.h"

#include <exception>
#include <vector>

namespace kestrel {

ListResult PrinterListWriter::WritePrinterList(const std::string& path) {
  if (path.empty()) return ListResult::kEmptyPath;
  path_ = path;
  std::vector<std::string> names;
  std::string current;
  try {
    names = printers_.Printers();
    current = printers_.SelectedPrinter();
  } catch (const std::exception&) {
    ui_.ShowMessage("TPrinterのタイトル設定時にエラーが発生しました。\nプリンタ設定に異常がある可能性があります。",
                    MessageKind::Error);
    return ListResult::kUnreachable;
  }
  if (!file_.Create(path_)) {
    ui_.ShowMessage("pprinterlist.txtの作成に失敗しました。\nプリンターリストは作成されません", MessageKind::Error);
    return ListResult::kCannotCreate;
  }
  file_.Text("\nプリンタリストファイル\n");
  file_.Text("プリンタリストは、Windowsへ登録されているプリンタドライバを\n");
  file_.Text("リストとして出力しています。\n");
  file_.Text("リスト名の頭が■の場合は、通常使用するプリンタに設定されています。\n");
  file_.Text("\n[Windowsへ登録されているプリンタドライバリスト]\n");
  // Printer names are unique in the list, so at most one line is marked.
  for (const auto& name : names) file_.Line((name == current ? "■" : "□") + name);
  file_.Text("\n ------------------ END ------------------\n");
  // A list that could not be written whole (a full disk) is not put in
  // place and not announced as made.
  if (!file_.Close()) {
    ui_.ShowMessage("pprinterlist.txtの作成に失敗しました。\nプリンターリストは作成されません", MessageKind::Error);
    return ListResult::kCannotCreate;
  }
  ui_.ShowMessage(path_ + "を作成しました", MessageKind::Information);
  return ListResult::kWritten;
}

}  // namespace kestrel
