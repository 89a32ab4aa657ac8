// The application's message box as Windows shows it: the application's
// title as caption, an information, warning or error icon, OK, Yes/No or
// OK/Cancel with the first button as default, Japanese button texts. A box
// with a Cancel or only an OK button closes with its close box and Esc (as
// Cancel, or OK); a Yes/No box has no close box and ignores Esc: it waits
// for an answer.
#pragma once

#include <QMessageBox>
#include <QPushButton>
#include <string>

#include "platform/ui.h"

namespace kestrel {

enum class BoxButtons { Ok, YesNo, OkCancel };

class WindowsMessageBox final : public QMessageBox {
  Q_OBJECT

 public:
  WindowsMessageBox(const std::string& text, MessageKind kind, BoxButtons which, QWidget* parent);
  // After the box ran: true for Yes or OK.
  bool Affirmed() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool closable_;
  QPushButton* affirm_ = nullptr;
};

}  // namespace kestrel
