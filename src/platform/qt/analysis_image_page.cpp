#include "platform/qt/analysis_image_page.h"

#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QTimer>

#include "forms/form_tables.h"
#include "platform/qt/form_builder.h"

namespace kestrel {

AnalysisImagePage::AnalysisImagePage(TAnalysisImageTab& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName("解析イメージ");
  const BuiltForm form = BuildForm(kAnalysisImagePage, this);
  connect(form.get<QPushButton>("ImageOpen"), &QPushButton::clicked, this, [this] { model_.ChooseImage(); });
  scroll_ = form.get<QScrollArea>("ScrollBox1");
  image_ = qobject_cast<QLabel*>(scroll_->widget());
  image_->setObjectName("Image1");
  subscription_ = model_.Subscribe([this](std::string_view) { ShowImage(); });
}

void AnalysisImagePage::ShowImage() {
  if (shownRevision_ == model_.Revision()) return;
  shownRevision_ = model_.Revision();
  QImageReader reader(QString::fromStdString(model_.ImagePath()));
  reader.setAutoTransform(false);
  const QImage picture = reader.read();
  image_->setPixmap(QPixmap::fromImage(picture));
  image_->resize(picture.size());
  scroll_->horizontalScrollBar()->setValue(0);
  scroll_->verticalScrollBar()->setValue(0);
}

void AnalysisImagePage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (openOnShow_ && !event->spontaneous()) QTimer::singleShot(0, this, [this] { model_.ChooseImage(); });
}

}  // namespace kestrel
