// The system menu's tab "アウトライナー２" as a page the menu's window puts
// in its tab panel: "PDF選択", "しおり設定選択", "OutlinerCmdパス" with the
// white labels they fill, "しおり付加" and the tab's note, over the tab's
// behaviour (OutlinerTab).
#pragma once

#include <QWidget>

#include "app/bookmark_dialog.h"

class QLabel;

namespace kestrel {

class OutlinerTabPage final : public QWidget {
  Q_OBJECT

 public:
  OutlinerTabPage(OutlinerTab& tab, QWidget* parent = nullptr);

 private:
  // Draws the model's state (whenever it says it changed).
  void ShowState();

  OutlinerTab& tab_;
  QLabel *pdf_, *csv_, *outliner_;
  FormModel::Subscription subscription_;
};

}  // namespace kestrel
