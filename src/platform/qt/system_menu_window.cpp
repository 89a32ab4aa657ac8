#include "platform/qt/system_menu_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "forms/analysis_tabs.h"
#include "platform/qt/analysis_image_page.h"
#include "platform/qt/analysis_log_page.h"
#include "platform/qt/analysis_page.h"
#include "platform/qt/outliner_tab_page.h"
#include "platform/qt/raku2_tab_page.h"
#include "platform/qt/desktop_fonts.h"
#include "platform/qt/qt_ui.h"

namespace kestrel {
namespace {

constexpr int kFontPixels = 11;
const QColor kSkyBlue(166, 202, 240);

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }
QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

void RedCaption(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::ButtonText, Qt::red);
  palette.setColor(QPalette::WindowText, Qt::red);
  widget->setPalette(palette);
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption, QRect place, bool red = false) {
  auto* button = new QPushButton(Text(caption), parent);
  button->setObjectName(name);
  button->setGeometry(place);
  if (red) RedCaption(button);
  return button;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const char* caption, QRect place) {
  auto* box = new QCheckBox(Text(caption), parent);
  box->setObjectName(name);
  box->setGeometry(place);
  return box;
}

// A radio group: a framed box with its caption and one button per item,
// one below the other.
template <size_t N>
std::vector<QRadioButton*> RadioGroup(QWidget* parent, const char* name, const char* caption,
                                      const std::array<const char*, N>& items, QRect place) {
  auto* box = new QGroupBox(Text(caption), parent);
  box->setObjectName(name);
  box->setGeometry(place);
  auto* group = new QButtonGroup(box);
  std::vector<QRadioButton*> buttons;
  for (size_t i = 0; i < N; ++i) {
    auto* radio = new QRadioButton(Text(items[i]), box);
    radio->setGeometry(10, 20 + int(i) * 22, place.width() - 20, 20);
    group->addButton(radio, int(i));
    buttons.push_back(radio);
  }
  return buttons;
}

void Check(const std::vector<QRadioButton*>& group, int index) {
  if (index >= 0 && index < int(group.size())) group[size_t(index)]->setChecked(true);
}

}  // namespace

SystemMenuWindow::SystemMenuWindow(TSysMenu1& menu, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      menu_(menu) {
  setObjectName("SysMenu1");
  setWindowTitle(Text(TSysMenu1::kCaption));
  setFixedSize(menu.Width() - kFrameWidth, menu.Height() - kFrameHeight);
  setFont(FormFont(kFontPixels));
  Fill(this, kSkyBlue);

  // The button column; the handlers in the column's order.
  static constexpr std::array<void (TSysMenu1::*)(), kMenuButtons.size()> kHandlers = {
      &TSysMenu1::Button1Click,  &TSysMenu1::Button2Click,  &TSysMenu1::Button16Click,
      &TSysMenu1::Button27Click, &TSysMenu1::Button29Click, &TSysMenu1::Button30Click,
      &TSysMenu1::Button31Click, &TSysMenu1::Button33Click, &TSysMenu1::Button3Click,
  };
  for (size_t i = 0; i < kMenuButtons.size(); ++i) {
    const MenuButton& b = kMenuButtons[i];
    QPushButton* button =
        Button(this, b.name, b.caption, QRect(kMenuButtonLeft, b.top, kMenuButtonWidth, kMenuButtonHeight), b.red);
    connect(button, &QPushButton::clicked, this, [this, handler = kHandlers[i]] {
      (menu_.*handler)();
      if (menu_.CloseRequested()) close();
    });
  }

  // Right of the column, outside the small form: the test buttons, the memo
  // and the debug start-folder list.
  Button(this, "Button5", TSysMenu1::kTestButton1, QRect(480, 8, 160, 30));
  Button(this, "Button6", TSysMenu1::kTestButton2, QRect(648, 8, 160, 30));
  auto* memo = new QPlainTextEdit(this);
  memo->setObjectName("Memo1");
  memo->setGeometry(480, 46, 530, 150);
  memo->setPlainText(Text(TSysMenu1::kMemoLines[0]) + "\n" + Text(TSysMenu1::kMemoLines[1]));
  auto* heading = new QLabel(Text(TSysMenu1::kDebugFolderHeading), this);
  heading->setObjectName("Label10");
  heading->setGeometry(480, 206, 530, 17);
  comboBox2_ = new QComboBox(this);
  comboBox2_->setObjectName("ComboBox2");
  comboBox2_->setGeometry(480, 226, 530, 24);
  for (const std::string& item : menu_.ComboBox2Items()) comboBox2_->addItem(Text(item));
  connect(comboBox2_, &QComboBox::activated, this, [this](int index) { menu_.SetComboBox2Index(index); });

  // The tab panel.
  panel1_ = new QWidget(this);
  panel1_->setObjectName("Panel1");
  panel1_->setGeometry(0, 294, TSysMenu1::kClientWidth, TSysMenu1::kClientHeight - 294);
  tabs_ = new QTabWidget(panel1_);
  tabs_->setObjectName("PageControl1");
  tabs_->setGeometry(8, 0, TSysMenu1::kClientWidth - 16, TSysMenu1::kClientHeight - 294 - 8);
  for (size_t i = 0; i < kMenuTabs.size(); ++i) {
    QWidget* page = i == size_t(kPrintTab)     ? MakePrintTab()
                    : i == size_t(kSpoolerTab) ? MakeSpoolerTab()
                                               : new QWidget;
    tabs_->addTab(page, Text(kMenuTabs[i]));
  }
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { menu_.SetActiveTab(index); });
  panel1_->setVisible(menu_.Panel1Visible());
  Refresh();
}

QWidget* SystemMenuWindow::MakePrintTab() {
  auto* page = new QWidget;
  page->setObjectName("TabSheet1");
  comboBox1_ = new QComboBox(page);
  comboBox1_->setObjectName("ComboBox1");
  comboBox1_->setGeometry(8, 8, 560, 24);
  for (const char* kind : kCommandKinds) comboBox1_->addItem(Text(kind));
  connect(comboBox1_, &QComboBox::activated, this, [this](int index) { menu_.SetComboBox1Index(index); });
  QPushButton* choose = Button(page, "Button4", "データ選択", QRect(576, 6, 120, 28), true);
  connect(choose, &QPushButton::clicked, this, [this] {
    menu_.Button4Click();
    Refresh();
  });
  QPushButton* print = Button(page, "Button13", "印刷実行", QRect(704, 6, 120, 28), true);
  connect(print, &QPushButton::clicked, this, [this] {
    menu_.Button13Click();
    Refresh();
  });
  label1_ = new QLabel(page);
  label1_->setObjectName("Label1");
  label1_->setGeometry(8, 40, 976, 20);
  Fill(label1_, Qt::white);

  radioGroup1_ = RadioGroup(page, "RadioGroup1", "印刷用紙指定", kPaperChoices, QRect(8, 68, 240, 96));
  radioGroup3_ = RadioGroup(page, "RadioGroup3", "印刷用紙判定指定", kPaperCheckChoices, QRect(8, 172, 240, 74));
  radioGroup2_ = RadioGroup(page, "RadioGroup2", "塗り潰し方法指定", kFillChoices, QRect(256, 68, 300, 178));
  for (auto [group, set] : {std::pair{&radioGroup1_, &TSysMenu1::SetRadioGroup1},
                            std::pair{&radioGroup2_, &TSysMenu1::SetRadioGroup2},
                            std::pair{&radioGroup3_, &TSysMenu1::SetRadioGroup3}}) {
    for (size_t i = 0; i < group->size(); ++i) {
      connect((*group)[i], &QRadioButton::toggled, this, [this, set = set, i](bool on) {
        if (on) (menu_.*set)(int(i));
      });
    }
  }

  checkBox14_ = CheckBox(page, "CheckBox14", "プリンタ選択画面表示(PDF出力を選択した場合は無効です）",
                         QRect(568, 68, 420, 20));
  checkBox13_ = CheckBox(page, "CheckBox13", "PDF出力(プリンタへ出ない／kestrel.infのPDF指定による）",
                         QRect(568, 92, 420, 20));
  checkBox11_ = CheckBox(page, "CheckBox11", "JPEG出力(プリンタへ出ない／保存先は印刷データと同じ場所）",
                         QRect(568, 116, 420, 20));
  auto* dpiCaption = new QLabel(Text("JPEG出力時DPI指定"), page);
  dpiCaption->setGeometry(568, 140, 200, 17);
  labeledEdit1_ = new QLineEdit(page);
  labeledEdit1_->setObjectName("LabeledEdit1");
  labeledEdit1_->setGeometry(568, 158, 120, 22);
  checkBox12_ = CheckBox(page, "CheckBox12", "ログ出力（zoq下plog内へログが出力されます）", QRect(568, 190, 420, 20));
  checkBox15_ = CheckBox(page, "CheckBox15", "デバッグ印刷時に印刷されるpdatファイル名を印刷しない",
                         QRect(568, 214, 420, 20));
  connect(checkBox11_, &QCheckBox::clicked, this, [this](bool on) {
    menu_.CheckBox11Click(on);
    Refresh();
  });
  connect(checkBox13_, &QCheckBox::clicked, this, [this](bool on) {
    menu_.CheckBox13Click(on);
    Refresh();
  });
  connect(checkBox12_, &QCheckBox::clicked, this, [this](bool on) { menu_.SetCheckBox12(on); });
  connect(checkBox14_, &QCheckBox::clicked, this, [this](bool on) { menu_.SetCheckBox14(on); });
  connect(checkBox15_, &QCheckBox::clicked, this, [this](bool on) { menu_.SetCheckBox15(on); });
  connect(labeledEdit1_, &QLineEdit::textEdited, this,
          [this](const QString& text) { menu_.SetDpiText(text.toStdString()); });

  for (size_t i = 0; i < TSysMenu1::kPrintTabNotes.size(); ++i) {
    auto* note = new QLabel(Text(TSysMenu1::kPrintTabNotes[i]), page);
    note->setGeometry(8, 262 + int(i) * 22, 976, 18);
  }
  return page;
}

QWidget* SystemMenuWindow::MakeSpoolerTab() {
  auto* page = new QWidget;
  page->setObjectName("TabSheet6");
  QPushButton* query = Button(page, "Button40", "情報取得", QRect(8, 8, 120, 28));
  spoolerText_ = new QPlainTextEdit(page);
  spoolerText_->setObjectName("Memo2");
  spoolerText_->setGeometry(8, 44, 976, 380);
  spoolerText_->setReadOnly(true);
  connect(query, &QPushButton::clicked, this, [this] {
    menu_.GetSpoolerInfoClick();
    Refresh();
  });
  return page;
}

void SystemMenuWindow::Refresh() {
  comboBox1_->setCurrentIndex(menu_.ComboBox1Index());
  comboBox2_->setCurrentIndex(menu_.ComboBox2Index());
  label1_->setText(Text(menu_.Label1()));
  Check(radioGroup1_, menu_.RadioGroup1());
  Check(radioGroup2_, menu_.RadioGroup2());
  Check(radioGroup3_, menu_.RadioGroup3());
  checkBox11_->setChecked(menu_.CheckBox11());
  checkBox12_->setChecked(menu_.CheckBox12());
  checkBox13_->setChecked(menu_.CheckBox13());
  checkBox14_->setChecked(menu_.CheckBox14());
  checkBox15_->setChecked(menu_.CheckBox15());
  if (labeledEdit1_->text().toStdString() != menu_.DpiText()) labeledEdit1_->setText(Text(menu_.DpiText()));
  labeledEdit1_->setEnabled(menu_.DpiEnabled());
  QStringList lines;
  for (const std::string& line : menu_.SpoolerLines()) lines << Text(line);
  if (spoolerText_->toPlainText() != lines.join("\n")) spoolerText_->setPlainText(lines.join("\n"));
}

bool SystemMenuWindow::InstallPage(const QString& tabCaption, QWidget* page) {
  for (int i = 0; i < tabs_->count(); ++i) {
    if (tabs_->tabText(i) != tabCaption) continue;
    QWidget* empty = tabs_->widget(i);
    const int current = tabs_->currentIndex();
    tabs_->removeTab(i);
    tabs_->insertTab(i, page, tabCaption);
    tabs_->setCurrentIndex(current);
    delete empty;
    return true;
  }
  return false;
}

QPushButton* SystemMenuWindow::button(const char* name) const { return findChild<QPushButton*>(name); }

void SystemMenuWindow::showEvent(QShowEvent* event) {
  menu_.FormShow();
  tabs_->setCurrentIndex(menu_.ActiveTab());
  setWindowOpacity(1.0);
  fading_ = faded_ = false;
  QDialog::showEvent(event);
}

void SystemMenuWindow::closeEvent(QCloseEvent* event) {
  if (faded_) {
    QDialog::closeEvent(event);
    return;
  }
  event->ignore();
  if (fading_) return;
  fading_ = true;
  auto* fade = new QPropertyAnimation(this, "windowOpacity", this);
  fade->setDuration(kFadeMs);
  fade->setStartValue(1.0);
  fade->setEndValue(0.0);
  connect(fade, &QPropertyAnimation::finished, this, [this, fade] {
    fade->deleteLater();
    faded_ = true;
    hide();
    done(QDialog::Accepted);
  });
  fade->start();
}

void SystemMenuWindow::reject() { close(); }

bool QtUi::ShowSystemMenu(TSysMenu1& menu, const SystemMenuPages& pages) {
  // The analysis tabs' forms, bound to the menu, and their pages.
  MenuAnalysisTabs analysis(*this, menu);
  SystemMenuWindow window(menu, ModalParent());
  window.InstallPage("PDAT解析", new AnalysisPage(analysis.data));
  window.InstallPage("解析ログ", new AnalysisLogPage(analysis.log));
  window.InstallPage("解析イメージ", new AnalysisImagePage(analysis.image));
  if (pages.outliner != nullptr) window.InstallPage("アウトライナー２", new OutlinerTabPage(*pages.outliner));
  if (pages.filing != nullptr) window.InstallPage("楽々テスト", new Raku2TabPage(*pages.filing));
  RunModal(window);
  return true;
}

}  // namespace kestrel
