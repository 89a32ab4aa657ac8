// The system menu's tab "楽々テスト" as a page the menu's window puts in
// its tab panel: the folder list "印刷データフォルダ指定" (opened on the
// tab's folder; its choice is used by nothing) and the seven call buttons
// of the filing test tab (Raku2TestTab).
#pragma once

#include <QWidget>

#include "pdf/raku2_client.h"

class QListWidget;

namespace kestrel {

class Raku2TabPage final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 580;
  static constexpr int kHeight = 420;

  Raku2TabPage(Raku2TestTab& tab, QWidget* parent = nullptr);

  QListWidget* folderList() const { return folders_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Lists the tab's folder and the folders in it.
  void OpenFolder();

  Raku2TestTab& tab_;
  QListWidget* folders_;
};

}  // namespace kestrel
