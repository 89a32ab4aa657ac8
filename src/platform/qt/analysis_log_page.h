// The system menu's tab "解析ログ" over its model (TAnalysisLogTab): a tool
// bar (解析ログ選択, 保  存, F1, F2, F3 and the search field) over the log
// area (black, yellow Tahoma, both scroll bars). The area shows the model's
// text and selection; F1, F2 and F3 in the area or the search field go to
// the model. Changing to the tab chooses a log (as its button does). The
// controls come from the tab's table (kAnalysisLogPage).
#pragma once

#include <QWidget>

#include "forms/analysis_tabs.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kestrel {

class AnalysisLogPage final : public QWidget {
  Q_OBJECT

 public:
  AnalysisLogPage(TAnalysisLogTab& model, QWidget* parent = nullptr);

  // Whether showing the page (a tab change) chooses a log; on by default.
  void setOpenOnShow(bool on) { openOnShow_ = on; }

  QPlainTextEdit* area() const { return area_; }
  QLineEdit* searchField() const { return search_; }
  QPushButton* button(const char* name) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Hands the area's caret to the model, runs a key there, shows the result.
  void Key(int key);
  void ShowSelection(bool focus);
  // Draw the model's text (when it changed) and selection, or its search
  // text: whenever the model says so.
  void ShowText();
  void ShowSearchText();

  TAnalysisLogTab& model_;
  QPlainTextEdit* area_ = nullptr;
  QLineEdit* search_ = nullptr;
  FormModel::Subscription subscription_;
  unsigned shownRevision_ = ~0u;
  bool openOnShow_ = true;
};

}  // namespace kestrel
