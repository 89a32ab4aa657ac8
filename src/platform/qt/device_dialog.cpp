#include "platform/qt/device_dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QTimer>

#include "forms/form_tables.h"
#include "platform/qt/desktop_fonts.h"
#include "platform/qt/form_builder.h"

namespace kestrel {
namespace {

constexpr int kRowHeight = 19;

}  // namespace

DeviceDialogWindow::DeviceDialogWindow(TSelPrn1& dialog, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      dialog_(dialog) {
  const BuiltForm form = BuildForm(kDeviceDialogForm, this);
  setWindowTitle(QString::fromStdString(dialog.Caption()));
  setFixedSize(FormSize(kDeviceDialogForm));
  heading_ = form.get<QLabel>("Label1");
  list_ = form.get<QListWidget>("ListBox1");
  status_ = form.get<QLabel>("Label2");
  hint_ = form.get<QLabel>("Label3");
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setUniformItemSizes(true);
  list_->installEventFilter(this);

  for (const std::string& row : dialog_.Rows()) {
    auto* item = new QListWidgetItem(QString::fromStdString(row), list_);
    item->setSizeHint(QSize(0, kRowHeight));
  }
  // A click or the list's own keys move the highlight.
  connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
    if (refreshing_) return;
    const auto selected = list_->selectedItems();
    dialog_.SetHighlight(selected.isEmpty() ? -1 : list_->row(selected.first()));
  });
  connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    dialog_.SetHighlight(list_->row(item));
    dialog_.ListBox1DblClick();
  });
  subscription_ = dialog_.Subscribe([this](std::string_view) { ShowState(); });
  ShowState();
}

void DeviceDialogWindow::ShowState() {
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
    QTimer::singleShot(0, this, [this] { ShowState(); });
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
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

// The close box and the system's close key ask the dialog, which may refuse.
void DeviceDialogWindow::closeEvent(QCloseEvent* event) {
  if (dialog_.IsOpen()) dialog_.RequestClose();
  if (dialog_.IsOpen()) {
    event->ignore();
    return;
  }
  event->accept();
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
  ShowState();
}

}  // namespace kestrel
