#include "platform/qt/message_box.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>

namespace kestrel {
namespace {

QMessageBox::Icon IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Information:
      return QMessageBox::Information;
    case MessageKind::Warning:
      return QMessageBox::Warning;
    case MessageKind::Error:
      return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

WindowsMessageBox::WindowsMessageBox(const std::string& text, MessageKind kind, BoxButtons which, QWidget* parent)
    : QMessageBox(parent), closable_(which != BoxButtons::YesNo) {
  setWindowTitle(QString::fromUtf8(kApplicationTitle));
  setIcon(IconOf(kind));
  // Texts are shown as they are: a path with "<" is no markup.
  setTextFormat(Qt::PlainText);
  setText(QString::fromStdString(text));
  switch (which) {
    case BoxButtons::Ok:
      affirm_ = addButton(QMessageBox::Ok);
      setEscapeButton(affirm_);
      break;
    case BoxButtons::YesNo:
      affirm_ = addButton(QMessageBox::Yes);
      addButton(QMessageBox::No);
      setWindowFlag(Qt::WindowCloseButtonHint, false);
      break;
    case BoxButtons::OkCancel:
      affirm_ = addButton(QMessageBox::Ok);
      setEscapeButton(addButton(QMessageBox::Cancel));
      break;
  }
  setDefaultButton(affirm_);
  // Windows' buttons carry their text alone.
  for (QAbstractButton* button : buttons()) button->setIcon(QIcon());
}

bool WindowsMessageBox::Affirmed() const { return clickedButton() != nullptr && clickedButton() == affirm_; }

void WindowsMessageBox::closeEvent(QCloseEvent* event) {
  if (!closable_) {
    event->ignore();
    return;
  }
  QMessageBox::closeEvent(event);
}

void WindowsMessageBox::keyPressEvent(QKeyEvent* event) {
  if (!closable_ && event->matches(QKeySequence::Cancel)) {
    event->accept();
    return;
  }
  QMessageBox::keyPressEvent(event);
}

}  // namespace kestrel
