// The progress form shown while a folder prints: the file being printed,
// files done out of files listed, and the cancel button, which only raises
// the flag the print loop reads between files.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

class QLabel;
class QProgressBar;
class QAbstractButton;

namespace kestrel {

class ProgressWindow final : public QWidget {
  Q_OBJECT

 public:
  explicit ProgressWindow(std::function<void()> onCancel);

  void SetLabel(const std::string& text);
  void SetProgress(int position, int maximum);

  QLabel* label() const { return label_; }
  QProgressBar* bar() const { return bar_; }
  QAbstractButton* cancelButton() const { return cancel_; }

 protected:
  // The form has no close of its own while a folder prints.
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QLabel* label_;
  QProgressBar* bar_;
  QAbstractButton* cancel_;
};

}  // namespace kestrel
