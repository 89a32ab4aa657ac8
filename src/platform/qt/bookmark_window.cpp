#include "platform/qt/bookmark_window.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "platform/qt/desktop_fonts.h"
#include "platform/qt/qt_ui.h"

namespace kestrel {
namespace {

QColor FromColorRef(unsigned bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

QLabel* Heading(QWidget* parent, const char* name, const char* text, int x, int y) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(name);
  label->setGeometry(x, y, 560, 20);
  label->setFont(FormFont(14, true));
  return label;
}

QLabel* PathLabel(QWidget* parent, const char* name, int x, int y) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setGeometry(x, y, 680, 26);
  label->setFont(FormFont(14));
  label->setFrameShape(QFrame::Panel);
  label->setFrameShadow(QFrame::Sunken);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Fill(label, Qt::white);
  return label;
}

QPushButton* Button(QWidget* parent, const char* name, const char* text, QRect geometry) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setObjectName(name);
  button->setGeometry(geometry);
  button->setFont(FormFont(14));
  return button;
}

QGroupBox* Group(QWidget* parent, const char* text, QRect geometry) {
  auto* group = new QGroupBox(QString::fromUtf8(text), parent);
  group->setGeometry(geometry);
  group->setFont(FormFont(14, true));
  return group;
}

}  // namespace

BookmarkWindow::BookmarkWindow(TAddBookMark1& dialog, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      dialog_(dialog) {
  setWindowTitle(QString::fromUtf8(TAddBookMark1::kCaption));
  setFixedSize(TAddBookMark1::kClientWidth, TAddBookMark1::kClientHeight);
  setFont(FormFont(14));
  Fill(this, FromColorRef(TAddBookMark1::kColour));

  QGroupBox* settings = Group(this, "環境設定", {16, 10, 810, 176});
  Heading(settings, "Label1", "アウトライナーコマンド実行プログラムパス設定", 16, 30);
  label10_ = PathLabel(settings, "Label10", 16, 54);
  QPushButton* button26 = Button(settings, "Button26", "参照", {710, 52, 84, 30});
  Heading(settings, "Label4", "しおり付加後PDFファイル保存フォルダ設定", 16, 100);
  label5_ = PathLabel(settings, "Label5", 16, 124);
  QPushButton* button2 = Button(settings, "Button2", "参照", {710, 122, 84, 30});

  QGroupBox* files = Group(this, "対象ファイル設定", {16, 196, 810, 176});
  Heading(files, "Label2", "しおり追加対象PDFファイルパス指定", 16, 30);
  label8_ = PathLabel(files, "Label8", 16, 54);
  QPushButton* button23 = Button(files, "Button23", "参照", {710, 52, 84, 30});
  Heading(files, "Label3", "しおり追加設定CSVファイルパス指定", 16, 100);
  label9_ = PathLabel(files, "Label9", 16, 124);
  QPushButton* button25 = Button(files, "Button25", "参照", {710, 122, 84, 30});

  checkBox1_ = new QCheckBox(QString::fromUtf8("作成後にPDFを開く"), this);
  checkBox1_->setObjectName("CheckBox1");
  checkBox1_->setGeometry(32, 388, 300, 24);
  checkBox1_->setFont(FormFont(14));
  QPushButton* button24 = Button(this, "Button24", "しおり付加実行", {32, 420, 260, 44});
  button24->setFont(FormFont(16, true));
  QPushButton* button1 = Button(this, "Button1", "終     了", {666, 420, 160, 44});
  button1->setFont(FormFont(16, true));
  auto* note = new QLabel(
      QString::fromUtf8("※ しおり付きのPDFファイルは、選択したPDFファイルに _bk が付いたファイル名で保存されます。"), this);
  note->setObjectName("Label11");
  note->setGeometry(32, 484, 794, 48);
  note->setWordWrap(true);
  note->setFont(FormFont(14));

  auto click = [this](QPushButton* button, void (TAddBookMark1::*handler)()) {
    connect(button, &QPushButton::clicked, this, [this, handler] {
      (dialog_.*handler)();
      Refresh();
    });
  };
  click(button26, &TAddBookMark1::Button26Click);
  click(button2, &TAddBookMark1::Button2Click);
  click(button23, &TAddBookMark1::Button23Click);
  click(button25, &TAddBookMark1::Button25Click);
  connect(button24, &QPushButton::clicked, this, [this] {
    dialog_.Button24Click();
    Refresh();
  });
  connect(checkBox1_, &QCheckBox::toggled, this, [this](bool on) { dialog_.CheckBox1 = on; });
  connect(button1, &QPushButton::clicked, this, [this] { accept(); });
  Refresh();
  CentreOnScreen(this);
}

QLabel* BookmarkWindow::pathLabel(const char* name) const { return findChild<QLabel*>(name); }

void BookmarkWindow::Refresh() {
  label10_->setText(QString::fromStdString(dialog_.Label10));
  label5_->setText(QString::fromStdString(dialog_.Label5));
  label8_->setText(QString::fromStdString(dialog_.Label8));
  label9_->setText(QString::fromStdString(dialog_.Label9));
  checkBox1_->setChecked(dialog_.CheckBox1);
}

bool QtUi::ShowBookmarkDialog(TAddBookMark1& dialog) {
  BookmarkWindow window(dialog, ModalParent());
  RunModal(window);
  return true;
}

}  // namespace kestrel
