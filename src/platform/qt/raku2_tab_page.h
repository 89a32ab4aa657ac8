// The system menu's tab "楽々テスト" as a page the menu's window puts in
// its tab panel: the folder list "印刷データフォルダ指定" (opened on the
// tab's folder; its choice is used by nothing) and the seven call buttons
// of the filing test tab (Raku2TestTab).
#pragma once

#include <QWidget>

#include "pdf/raku2_client.h"

class QTreeWidget;

namespace kestrel {

class Raku2TabPage final : public QWidget {
  Q_OBJECT

 public:
  Raku2TabPage(Raku2TestTab& tab, QWidget* parent = nullptr);

  QTreeWidget* folderList() const { return folders_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Draws the tab's folder tree (whenever it changes).
  void ShowFolders();

  Raku2TestTab& tab_;
  QTreeWidget* folders_;
  FormModel::Subscription subscription_;
};

}  // namespace kestrel
