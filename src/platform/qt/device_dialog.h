// The device selection dialog's window over its behaviour (TSelPrn1): it
// shows the dialog's caption, heading, rows, highlight and status line, and
// hands clicks and keys to it; the dialog's questions come back through the
// Ui that runs it. The window closes when the dialog is no longer open.
#pragma once

#include <QDialog>

#include "platform/device_selection.h"

class QLabel;
class QListWidget;

namespace kestrel {

class DeviceDialogWindow final : public QDialog {
  Q_OBJECT

 public:
  // dialog must have been shown (FormShow) and outlive the window.
  DeviceDialogWindow(TSelPrn1& dialog, QWidget* parent);

  QListWidget* list() const { return list_; }
  QLabel* heading() const { return heading_; }
  QLabel* status() const { return status_; }
  QLabel* hint() const { return hint_; }

  // Draws the dialog's state (whenever it changes); closes the window once
  // the dialog closed.
  void ShowState();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  TSelPrn1& dialog_;
  QLabel* heading_;
  QListWidget* list_;
  QLabel* status_;
  QLabel* hint_;
  FormModel::Subscription subscription_;
  bool refreshing_ = false;
};

}  // namespace kestrel
