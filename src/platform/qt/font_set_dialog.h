// The font settings form's window ("印字フォント設定画面") over its model
// (TFontSet). The model is the form object of the maintenance run and holds
// every control's state; each showing (FontSetDialog::ShowModal) draws it in a
// window, so what the operator left in it (also after キャンセル) is there
// next time. Its controls come from the form's table (kFontSetForm). Every
// edit goes to the model at once; the buttons call its handlers.
#pragma once

#include <QDialog>
#include <array>

#include "fonts/font_set.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kestrel {

class QtUi;

class FontSetDialog final : public QDialog {
  Q_OBJECT

 public:
  FontSetDialog(TFontSet& model, QWidget* parent = nullptr);
  // The Ui's view of the form "FontSet".
  static bool ShowModal(QtUi& ui, FormModel& form);

  // Draws the model's state into the controls (whenever it changes).
  void ShowState();

  QComboBox* face(TFontSet::FaceBox box) const { return faces_[box]; }
  QPlainTextEdit* memo(TFontSet::MemoBox memo) const { return memos_[memo]; }
  QCheckBox* check(TFontSet::CheckId id) const { return checks_[id]; }
  QPushButton* button(int number) const { return buttons_[size_t(number)]; }  // BitBtn1..7
  QLabel* label1() const { return label1_; }

 private:
  void Save();

  TFontSet& model_;
  QLabel* label1_ = nullptr;
  std::array<QComboBox*, TFontSet::kFaceBoxCount> faces_{};
  std::array<QPlainTextEdit*, TFontSet::kMemoCount> memos_{};
  std::array<QCheckBox*, TFontSet::kCheckCount> checks_{};
  std::array<QPushButton*, 8> buttons_{};
  FormModel::Subscription subscription_;
  bool refreshing_ = false;
};

}  // namespace kestrel
