#include "platform/qt/bookmark_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "forms/form_tables.h"
#include "platform/qt/desktop_fonts.h"
#include "platform/qt/form_builder.h"
#include "platform/qt/qt_ui.h"

namespace kestrel {

BookmarkWindow::BookmarkWindow(TAddBookMark1& dialog, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      dialog_(dialog) {
  const BuiltForm form = BuildForm(kBookmarkForm, this);
  setFixedSize(FormSize(kBookmarkForm));
  label10_ = form.get<QLabel>("Label10");
  label5_ = form.get<QLabel>("Label5");
  label8_ = form.get<QLabel>("Label8");
  label9_ = form.get<QLabel>("Label9");
  checkBox1_ = form.get<QCheckBox>("CheckBox1");

  for (auto [name, handler] : {std::pair{"Button26", &TAddBookMark1::Button26Click},
                               std::pair{"Button2", &TAddBookMark1::Button2Click},
                               std::pair{"Button23", &TAddBookMark1::Button23Click},
                               std::pair{"Button25", &TAddBookMark1::Button25Click}}) {
    connect(form.get<QPushButton>(name), &QPushButton::clicked, this, [this, handler = handler] { (dialog_.*handler)(); });
  }
  connect(form.get<QPushButton>("Button24"), &QPushButton::clicked, this, [this] { dialog_.Button24Click(); });
  connect(checkBox1_, &QCheckBox::toggled, this, [this](bool on) { dialog_.CheckBox1 = on; });
  connect(form.get<QPushButton>("Button1"), &QPushButton::clicked, this, [this] { accept(); });
  subscription_ = dialog_.Subscribe([this](std::string_view) { ShowState(); });
  ShowState();
  CentreOnScreen(this);
}

QLabel* BookmarkWindow::pathLabel(const char* name) const { return findChild<QLabel*>(name); }

void BookmarkWindow::ShowState() {
  label10_->setText(QString::fromStdString(dialog_.Label10));
  label5_->setText(QString::fromStdString(dialog_.Label5));
  label8_->setText(QString::fromStdString(dialog_.Label8));
  label9_->setText(QString::fromStdString(dialog_.Label9));
  checkBox1_->setChecked(dialog_.CheckBox1);
}

bool BookmarkWindow::ShowModal(QtUi& ui, FormModel& form) {
  auto* dialog = dynamic_cast<TAddBookMark1*>(&form);
  if (dialog == nullptr) return false;
  BookmarkWindow window(*dialog, QtUi::ModalParent());
  ui.RunModal(window);
  return true;
}

}  // namespace kestrel
