// The system menu's tab "PDAT解析" over its model (TAnalysisTab): the data
// choice, the run button, the exclusion check boxes (named as the model
// names them) with their tick-all and untick-all buttons, and the note,
// built from the tab's table (kAnalysisPage).
// The menu window puts the page in its tab and gives the model its hooks.
#pragma once

#include <QWidget>
#include <vector>

#include "forms/analysis_tabs.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace kestrel {

class AnalysisPage final : public QWidget {
  Q_OBJECT

 public:
  AnalysisPage(TAnalysisTab& model, QWidget* parent = nullptr);

  // Draws the model's state (the chosen file, the ticks), whenever it
  // changes.
  void ShowState();

  QLabel* label4() const { return label4_; }
  QCheckBox* box(const QString& name) const;
  QPushButton* button(const char* name) const;

 private:
  TAnalysisTab& model_;
  QLabel* label4_ = nullptr;
  std::vector<QCheckBox*> boxes_;
  FormModel::Subscription subscription_;
  bool showing_ = false;
};

}  // namespace kestrel
