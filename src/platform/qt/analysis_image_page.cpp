#include "platform/qt/analysis_image_page.h"

#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/qt/desktop_fonts.h"

namespace kestrel {

AnalysisImagePage::AnalysisImagePage(TAnalysisImageTab& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName("解析イメージ");
  setFont(FormFont(12));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(2, 2, 2, 2);
  auto* choose = new QPushButton("イメージ選択", this);
  choose->setObjectName("ImageOpen");
  bar->addWidget(choose);
  bar->addStretch(1);
  column->addLayout(bar);
  connect(choose, &QPushButton::clicked, this, [this] {
    model_.ChooseImage();
    Refresh();
  });

  // The image at its own size; the bars follow the thumb while dragged.
  scroll_ = new QScrollArea(this);
  scroll_->setObjectName("ScrollBox1");
  scroll_->setWidgetResizable(false);
  scroll_->horizontalScrollBar()->setTracking(true);
  scroll_->verticalScrollBar()->setTracking(true);
  image_ = new QLabel;
  image_->setObjectName("Image1");
  image_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  scroll_->setWidget(image_);
  column->addWidget(scroll_, 1);
}

void AnalysisImagePage::Refresh() {
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
  if (openOnShow_ && !event->spontaneous()) {
    QTimer::singleShot(0, this, [this] {
      model_.ChooseImage();
      Refresh();
    });
  }
}

}  // namespace kestrel
