#include "platform/qt/progress_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>

#include "forms/form_tables.h"
#include "platform/qt/desktop_fonts.h"
#include "platform/qt/form_builder.h"

namespace kestrel {
ProgressWindow::ProgressWindow(std::function<void()> onCancel)
    : QWidget(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
  const BuiltForm form = BuildForm(kProgressForm, this);
  setFixedSize(FormSize(kProgressForm));
  label_ = form.get<QLabel>("Label1");
  bar_ = form.get<QProgressBar>("ProgressBar1");
  auto* button = form.get<QToolButton>("SpeedButton1");
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
