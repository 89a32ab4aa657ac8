#include "platform/qt/analysis_log_page.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/qt/desktop_fonts.h"
#include "platform/qt/qt_ui.h"
#include "util/paths.h"

namespace kestrel {

namespace {

int WindowsKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_F1: return kKeyF1;
    case Qt::Key_F2: return kKeyF2;
    case Qt::Key_F3: return kKeyF3;
    default: return 0;
  }
}

}  // namespace

std::string QtUi::ChooseSaveFile(const std::string& title, const std::string& folder, const std::string& filter,
                                 const std::string& defaultName) {
  QFileDialog dialog(ModalParent(), QString::fromStdString(title),
                     folder.empty() ? QString() : QString::fromStdString(ResolvePath(baseDir_, folder)),
                     QString::fromStdString(QtFileFilter(filter)));
  PrepareChooser(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.selectFile(QString::fromStdString(defaultName));
  if (RunModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first().toStdString();
}

AnalysisLogPage::AnalysisLogPage(TAnalysisLogTab& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName("解析ログ");
  setFont(FormFont(12));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(2, 2, 2, 2);
  column->addLayout(bar);

  auto addButton = [this, bar](const char* name, const char* caption, auto action) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    b->setFocusPolicy(Qt::NoFocus);
    bar->addWidget(b);
    connect(b, &QPushButton::clicked, this, action);
  };
  addButton("LogOpen", "解析ログ選択", [this] {
    model_.OpenLog();
    Refresh();
  });
  addButton("LogSave", "保  存", [this] { model_.Save(); });
  addButton("LogTop", "F1 解析ログの先頭へ", [this] { Key(kKeyF1); });
  addButton("LogEnd", "F2 解析ログの最終へ", [this] { Key(kKeyF2); });
  addButton("LogFind", "F3 下 へ 検　索", [this] { Key(kKeyF3); });
  search_ = new QLineEdit(QString::fromStdString(model_.SearchText()), this);
  search_->setObjectName("Edit1");
  search_->setMinimumWidth(200);
  search_->installEventFilter(this);
  bar->addWidget(search_, 1);
  connect(search_, &QLineEdit::textEdited, this,
          [this](const QString& text) { model_.SetSearchText(text.toStdString()); });

  area_ = new QPlainTextEdit(this);
  area_->setObjectName("RichEdit1");
  area_->setReadOnly(true);
  area_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  area_->setLineWrapMode(QPlainTextEdit::NoWrap);
  area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  area_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  area_->setFont(FormFont(13));
  QPalette colours = area_->palette();
  colours.setColor(QPalette::Base, Qt::black);
  colours.setColor(QPalette::Text, Qt::yellow);
  area_->setPalette(colours);
  area_->installEventFilter(this);
  column->addWidget(area_, 1);
  // The text area takes the focus with the page: the search field keeps
  // its first text until the operator enters it.
  setFocusProxy(area_);
  QWidget::setTabOrder(area_, search_);
  Refresh();
}

QPushButton* AnalysisLogPage::button(const char* name) const { return findChild<QPushButton*>(name); }

void AnalysisLogPage::Refresh() {
  if (shownRevision_ != model_.Revision()) {
    shownRevision_ = model_.Revision();
    area_->setPlainText(QString::fromStdU16String(model_.Text()));
  }
  const QString search = QString::fromStdString(model_.SearchText());
  if (search_->text() != search) search_->setText(search);
  ShowSelection(false);
}

void AnalysisLogPage::ShowSelection(bool focus) {
  QTextCursor cursor = area_->textCursor();
  cursor.setPosition(int(model_.SelStart()));
  cursor.setPosition(int(model_.SelStart() + model_.SelLength()), QTextCursor::KeepAnchor);
  area_->setTextCursor(cursor);
  area_->ensureCursorVisible();
  if (focus) area_->setFocus();
}

void AnalysisLogPage::Key(int key) {
  Refresh();
  const QTextCursor cursor = area_->textCursor();
  model_.SetSelection(size_t(cursor.selectionStart()), size_t(cursor.selectionEnd() - cursor.selectionStart()));
  const size_t before = model_.SelStart(), length = model_.SelLength();
  model_.RichEdit1KeyDown(key);
  const bool moved = key != kKeyF3 || model_.SelStart() != before || model_.SelLength() != length;
  if (moved) ShowSelection(true);
}

bool AnalysisLogPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == search_ && event->type() == QEvent::FocusIn) {
    model_.Edit1Enter();
    search_->setText(QString::fromStdString(model_.SearchText()));
  }
  if ((watched == area_ || watched == search_) && event->type() == QEvent::KeyPress) {
    const int key = WindowsKey(static_cast<QKeyEvent*>(event)->key());
    if (key != 0) {
      Key(key);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void AnalysisLogPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // A tab change, not the window coming back from being minimised.
  if (!event->spontaneous()) area_->setFocus();
  if (openOnShow_ && !event->spontaneous()) {
    QTimer::singleShot(0, this, [this] {
      model_.OpenLog();
      Refresh();
    });
  }
}

}  // namespace kestrel
