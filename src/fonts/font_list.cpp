#include "fonts/font_list.h"

#include <exception>
#include <vector>

namespace kestrel {

ListResult FontListWriter::WriteFontList(const std::string& path) {
  if (path.empty()) return ListResult::kEmptyPath;
  path_ = path;
  std::vector<std::string> fonts;
  try {
    // The printer object of the run: its current device's fonts.
    fonts = printers_.Fonts();
  } catch (const std::exception&) {
    ui_.ShowMessage("TPrinter生成時にエラーが発生しました。\nプリンタ設定に異常がある可能性があります。",
                    MessageKind::Error);
    return ListResult::kUnreachable;
  }
  if (!file_.Create(path_)) {
    ui_.ShowMessage("pfontlist.txtの作成に失敗しました。\nフォントリストは作成されません", MessageKind::Error);
    return ListResult::kCannotCreate;
  }
  file_.Text("\nフォントリストファイル\n");
  file_.Text("フォントリストは、pfont.txt内に設定する際に\n");
  file_.Text("正しいフォント名を設定するためのものです。\n");
  file_.Text("このリストからOCRフォントとして変更したいフォント名を\n");
  file_.Text("コピーして、pfont.txt内の設定へペーストして下さい。\n");
  file_.Text("\n[使用できるフォントリスト]\n");
  for (const auto& name : fonts) file_.Line(name);
  file_.Text("\n ------------------ END ------------------\n");
  // A list that could not be written whole (a full disk) is not put in
  // place and not announced as made.
  if (!file_.Close()) {
    ui_.ShowMessage("pfontlist.txtの作成に失敗しました。\nフォントリストは作成されません", MessageKind::Error);
    return ListResult::kCannotCreate;
  }
  ui_.ShowMessage(path_ + "を作成しました", MessageKind::Information);
  return ListResult::kWritten;
}

}  // namespace kestrel
