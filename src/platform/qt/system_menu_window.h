// The system menu's window over its behaviour (TSysMenu1): the button
// column, the test buttons, the memo and the debug start-folder list, and
// in the full form the tab panel with the print settings tab and the
// spooler tab. Clicks go to the menu; the window then draws the menu's
// state again when the menu says it changed. Pages of other tabs are installed by name (InstallPage).
// Closing fades the window out over a second.
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "forms/system_menu.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QWidget;

namespace kestrel {

class QtUi;

class SystemMenuWindow final : public QDialog {
  Q_OBJECT

 public:
  // The outer sizes of the menu's two forms, less the frame the menu's
  // forms were measured with.
  static constexpr int kFrameWidth = TSysMenu1::kFullWidth - TSysMenu1::kClientWidth;
  static constexpr int kFrameHeight = TSysMenu1::kFullHeight - TSysMenu1::kClientHeight;
  static constexpr int kFadeMs = 1000;

  // Shows the menu (a TSysMenu1) with the pages it holds; the Ui's view of
  // the form "SysMenu1".
  static bool ShowModal(QtUi& ui, FormModel& menu);

  // menu must outlive the window.
  SystemMenuWindow(TSysMenu1& menu, QWidget* parent);

  // Puts page into the tab with that caption, replacing its empty page;
  // false when no tab has the caption. The window takes the page.
  bool InstallPage(const QString& tabCaption, QWidget* page);

  QWidget* panel() const { return panel1_; }
  QTabWidget* tabs() const { return tabs_; }
  QPushButton* button(const char* name) const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // The Escape key closes as the close box does, fading out.
  void reject() override;

 private:
  // Draws the menu's state (whenever the menu says it changed).
  void ShowState();

  TSysMenu1& menu_;
  QWidget* panel1_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QComboBox* comboBox1_ = nullptr;
  QComboBox* comboBox2_ = nullptr;
  QLabel* label1_ = nullptr;
  std::vector<QRadioButton*> radioGroup1_, radioGroup2_, radioGroup3_;
  QCheckBox* checkBox11_ = nullptr;
  QCheckBox* checkBox12_ = nullptr;
  QCheckBox* checkBox13_ = nullptr;
  QCheckBox* checkBox14_ = nullptr;
  QCheckBox* checkBox15_ = nullptr;
  QLineEdit* labeledEdit1_ = nullptr;
  QPlainTextEdit* spoolerText_ = nullptr;
  FormModel::Subscription subscription_;
  bool fading_ = false;
  bool faded_ = false;
};

}  // namespace kestrel
