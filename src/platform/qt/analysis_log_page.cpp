#include "platform/qt/analysis_log_page.h"

#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTextCursor>
#include <QTimer>

#include "forms/form_tables.h"
#include "platform/qt/form_builder.h"
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
  const BuiltForm form = BuildForm(kAnalysisLogPage, this);
  static constexpr std::pair<const char*, int> kKeyButtons[] = {{"LogTop", kKeyF1}, {"LogEnd", kKeyF2}, {"LogFind", kKeyF3}};
  connect(form.get<QPushButton>("LogOpen"), &QPushButton::clicked, this, [this] { model_.OpenLog(); });
  connect(form.get<QPushButton>("LogSave"), &QPushButton::clicked, this, [this] { model_.Save(); });
  for (const auto& [name, key] : kKeyButtons)
    connect(form.get<QPushButton>(name), &QPushButton::clicked, this, [this, key = key] { Key(key); });
  search_ = form.get<QLineEdit>("Edit1");
  search_->installEventFilter(this);
  connect(search_, &QLineEdit::textEdited, this,
          [this](const QString& text) { model_.SetSearchText(text.toStdString()); });

  area_ = form.get<QPlainTextEdit>("RichEdit1");
  // Read-only, yet the caret moves and selects with the keys.
  area_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  area_->installEventFilter(this);
  // The text area takes the focus with the page: the search field keeps
  // its first text until the operator enters it.
  setFocusProxy(area_);
  subscription_ = model_.Subscribe([this](std::string_view what) {
    if (what == "Edit1") ShowSearchText();
    else ShowText();
  });
  ShowText();
  ShowSearchText();
}

QPushButton* AnalysisLogPage::button(const char* name) const { return findChild<QPushButton*>(name); }

void AnalysisLogPage::ShowText() {
  if (shownRevision_ != model_.Revision()) {
    shownRevision_ = model_.Revision();
    area_->setPlainText(QString::fromStdU16String(model_.Text()));
  }
  ShowSelection(false);
}

void AnalysisLogPage::ShowSearchText() {
  const QString search = QString::fromStdString(model_.SearchText());
  if (search_->text() != search) search_->setText(search);
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
  // The caret the operator moved in the area is the model's first.
  const QTextCursor cursor = area_->textCursor();
  model_.SetSelection(size_t(cursor.selectionStart()), size_t(cursor.selectionEnd() - cursor.selectionStart()));
  const size_t before = model_.SelStart(), length = model_.SelLength();
  model_.RichEdit1KeyDown(key);
  const bool moved = key != kKeyF3 || model_.SelStart() != before || model_.SelLength() != length;
  if (moved) ShowSelection(true);
}

bool AnalysisLogPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == search_ && event->type() == QEvent::FocusIn) model_.Edit1Enter();
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
  if (openOnShow_ && !event->spontaneous()) QTimer::singleShot(0, this, [this] { model_.OpenLog(); });
}

}  // namespace kestrel
