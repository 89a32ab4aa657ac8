#include "platform/qt/device_dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QTimer>

#include "platform/qt/desktop_fonts.h"

namespace kestrel {
namespace {

constexpr int kRowHeight = 19;

}  // namespace

DeviceDialogWindow::DeviceDialogWindow(TSelPrn1& dialog, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      dialog_(dialog) {
  setWindowTitle(QString::fromStdString(dialog.Caption()));
  setFixedSize(kClientWidth, kClientHeight);
  setFont(FormFont(16));
  Fill(this, QColor(136, 136, 255));

  heading_ = new QLabel(this);
  heading_->setObjectName("Label1");
  heading_->setGeometry(8, 8, 412, 19);
  heading_->setFont(FormFont(16, true));

  list_ = new QListWidget(this);
  list_->setObjectName("ListBox1");
  list_->setGeometry(8, 32, 410, 265);
  list_->setFont(FormFont(16));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setUniformItemSizes(true);
  list_->installEventFilter(this);

  status_ = new QLabel(this);
  status_->setObjectName("Label2");
  status_->setGeometry(8, 303, 410, 19);
  status_->setFont(FormFont(16, true));
  Fill(status_, Qt::white);

  hint_ = new QLabel(this);
  hint_->setObjectName("Label3");
  hint_->setGeometry(8, 328, 410, 52);
  hint_->setFont(FormFont(16, true));
  hint_->setWordWrap(true);
  hint_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  hint_->setText(QString::fromUtf8(TSelPrn1::Hint()));
  Fill(hint_, QColor(192, 192, 192));

  for (const std::string& row : dialog_.Rows()) {
    auto* item = new QListWidgetItem(QString::fromStdString(row), list_);
    item->setSizeHint(QSize(0, kRowHeight));
  }
  // A click or the list's own keys move the highlight.
  connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
    if (refreshing_) return;
    const auto selected = list_->selectedItems();
    dialog_.SetHighlight(selected.isEmpty() ? -1 : list_->row(selected.first()));
    Refresh();
  });
  connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    dialog_.SetHighlight(list_->row(item));
    dialog_.ListBox1DblClick();
    Refresh();
  });
  Refresh();
}

void DeviceDialogWindow::Refresh() {
  refreshing_ = true;
  heading_->setText(QString::fromStdString(dialog_.Heading()));
  status_->setText(QString::fromStdString(dialog_.StatusLine()));
  const int row = dialog_.Highlighted();
  if (row < 0) {
    // Not even the list's current row (which focus gives it) is marked.
    list_->clearSelection();
    list_->selectionModel()->clearCurrentIndex();
  } else if (list_->currentRow() != row || !list_->item(row)->isSelected()) {
    list_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
  }
  refreshing_ = false;
  if (!dialog_.IsOpen() && isVisible()) QDialog::done(QDialog::Accepted);
}

bool DeviceDialogWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::FocusIn) {
    // The list makes its first row current when it takes focus; the
    // dialog's highlight decides what is marked.
    QTimer::singleShot(0, this, [this] { Refresh(); });
    return QDialog::eventFilter(watched, event);
  }
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    int key = 0;
    switch (static_cast<QKeyEvent*>(event)->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        key = kKeyEnter;
        break;
      case Qt::Key_Up:
        key = kKeyUp;
        break;
      case Qt::Key_Down:
        key = kKeyDown;
        break;
      default:
        return QDialog::eventFilter(watched, event);
    }
    dialog_.ListBox1KeyDown(key);
    Refresh();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

// The close box and the system's close key ask the dialog, which may refuse.
void DeviceDialogWindow::closeEvent(QCloseEvent* event) {
  if (dialog_.IsOpen()) dialog_.RequestClose();
  if (dialog_.IsOpen()) {
    event->ignore();
    Refresh();
    return;
  }
  event->accept();
  Refresh();
}

// A dialog without a Cancel button keeps Esc to itself.
void DeviceDialogWindow::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Cancel)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void DeviceDialogWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnScreen(this);
  list_->setFocus(Qt::OtherFocusReason);
  // Focus gives the list a current row; nothing is highlighted on opening.
  Refresh();
}

}  // namespace kestrel
