// The bookmark dialog's window (caption "しおり追加処理画面", 842 x 570,
// RGB 202,211,199) over its behaviour (TAddBookMark1): white labels that
// show the dialog's paths, the "参照" buttons, the tick box, "しおり付加実行"
// and "終     了". Every click goes to the dialog; the labels are drawn
// again from it afterwards.
#pragma once

#include <QDialog>

#include "app/bookmark_dialog.h"

class QCheckBox;
class QLabel;

namespace kestrel {

class QtUi;

class BookmarkWindow final : public QDialog {
  Q_OBJECT

 public:
  BookmarkWindow(TAddBookMark1& dialog, QWidget* parent);
  // The Ui's view of the form "AddBookMark1".
  static bool ShowModal(QtUi& ui, FormModel& form);

  // The white path labels, by their names ("Label10", "Label5", "Label8", "Label9").
  QLabel* pathLabel(const char* name) const;

 private:
  // Draws the model's state (whenever it says it changed).
  void ShowState();

  TAddBookMark1& dialog_;
  QLabel *label10_, *label5_, *label8_, *label9_;
  FormModel::Subscription subscription_;
  QCheckBox* checkBox1_;
};

}  // namespace kestrel
