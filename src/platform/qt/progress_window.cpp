#include "platform/qt/progress_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>

#include "platform/qt/desktop_fonts.h"

namespace kestrel {
ProgressWindow::ProgressWindow(std::function<void()> onCancel)
    : QWidget(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
  setFixedSize(kClientWidth, kClientHeight);
  setFont(FormFont(11));
  Fill(this, QColor(166, 202, 240));

  label_ = new QLabel(this);
  label_->setObjectName("Label1");
  label_->setGeometry(16, 24, 417, 17);
  label_->setFont(FormFont(13));
  label_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Fill(label_, Qt::white);

  bar_ = new QProgressBar(this);
  bar_->setObjectName("ProgressBar1");
  bar_->setGeometry(16, 56, 417, 17);
  bar_->setTextVisible(false);
  bar_->setRange(0, 1);
  bar_->setValue(0);

  auto* button = new QToolButton(this);
  button->setObjectName("SpeedButton1");
  button->setGeometry(176, 103, 105, 25);
  button->setText(QString::fromUtf8("キャンセル"));
  button->setFocusPolicy(Qt::NoFocus);  // a speed button takes no focus
  connect(button, &QToolButton::clicked, this, [onCancel = std::move(onCancel)] { onCancel(); });
  cancel_ = button;
}

void ProgressWindow::SetLabel(const std::string& text) { label_->setText(QString::fromStdString(text)); }

void ProgressWindow::SetProgress(int position, int maximum) {
  bar_->setRange(0, maximum > 0 ? maximum : 1);
  bar_->setValue(position);
}

void ProgressWindow::closeEvent(QCloseEvent* event) { event->ignore(); }

// Centred on the screen.
void ProgressWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  CentreOnScreen(this);
}

}  // namespace kestrel
