// The system menu's tab "解析イメージ" over its model (TAnalysisImageTab): a
// tool bar with "イメージ選択" over a scroll area holding the page image at
// its own size, from the tab's table (kAnalysisImagePage). Changing to the
// tab chooses an image (as its button does).
#pragma once

#include <QWidget>

#include "forms/analysis_tabs.h"

class QLabel;
class QScrollArea;

namespace kestrel {

class AnalysisImagePage final : public QWidget {
  Q_OBJECT

 public:
  AnalysisImagePage(TAnalysisImageTab& model, QWidget* parent = nullptr);

  void setOpenOnShow(bool on) { openOnShow_ = on; }
  QScrollArea* scrollArea() const { return scroll_; }
  QLabel* image() const { return image_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Loads the model's image when it changed (whenever the model says so).
  void ShowImage();

  TAnalysisImageTab& model_;
  FormModel::Subscription subscription_;
  QScrollArea* scroll_ = nullptr;
  QLabel* image_ = nullptr;
  unsigned shownRevision_ = 0;
  bool openOnShow_ = true;
};

}  // namespace kestrel
