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
#include "forms/form_tables.h"
#include "platform/qt/desktop_fonts.h"
#include "platform/qt/form_builder.h"
#include "platform/qt/qt_ui.h"

namespace kestrel {
namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

// The radio items of a group, in order.
std::vector<QRadioButton*> Items(QWidget* group) {
  std::vector<QRadioButton*> items;
  for (QAbstractButton* b : group->findChild<QButtonGroup*>()->buttons()) items.push_back(static_cast<QRadioButton*>(b));
  return items;
}

void Check(const std::vector<QRadioButton*>& group, int index) {
  if (index >= 0 && index < int(group.size())) group[size_t(index)]->setChecked(true);
}

}  // namespace

SystemMenuWindow::SystemMenuWindow(TSysMenu1& menu, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      menu_(menu) {
  setObjectName(kSystemMenuForm.name);
  setFixedSize(menu.Width() - kFrameWidth, menu.Height() - kFrameHeight);
  const BuiltForm form = BuildForm(kSystemMenuForm, this);

  // The button column; the handlers in the column's order.
  static constexpr std::array<void (TSysMenu1::*)(), kMenuButtons.size()> kHandlers = {
      &TSysMenu1::Button1Click,  &TSysMenu1::Button2Click,  &TSysMenu1::Button16Click,
      &TSysMenu1::Button27Click, &TSysMenu1::Button29Click, &TSysMenu1::Button30Click,
      &TSysMenu1::Button31Click, &TSysMenu1::Button33Click, &TSysMenu1::Button3Click,
  };
  for (size_t i = 0; i < kMenuButtons.size(); ++i) {
    connect(form.get<QPushButton>(kMenuButtons[i].name), &QPushButton::clicked, this, [this, handler = kHandlers[i]] {
      (menu_.*handler)();
      if (menu_.CloseRequested()) close();
    });
  }

  comboBox2_ = form.get<QComboBox>("ComboBox2");
  for (const std::string& item : menu_.ComboBox2Items()) comboBox2_->addItem(Text(item));
  connect(comboBox2_, &QComboBox::activated, this, [this](int index) { menu_.SetComboBox2Index(index); });

  panel1_ = form.get("Panel1");
  tabs_ = form.get<QTabWidget>("PageControl1");
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { menu_.SetActiveTab(index); });
  panel1_->setVisible(menu_.Panel1Visible());

  // The print settings tab.
  comboBox1_ = form.get<QComboBox>("ComboBox1");
  connect(comboBox1_, &QComboBox::activated, this, [this](int index) { menu_.SetComboBox1Index(index); });
  connect(form.get<QPushButton>("Button4"), &QPushButton::clicked, this, [this] { menu_.Button4Click(); });
  connect(form.get<QPushButton>("Button13"), &QPushButton::clicked, this, [this] { menu_.Button13Click(); });
  label1_ = form.get<QLabel>("Label1");
  radioGroup1_ = Items(form.get("RadioGroup1"));
  radioGroup2_ = Items(form.get("RadioGroup2"));
  radioGroup3_ = Items(form.get("RadioGroup3"));
  for (auto [group, set] : {std::pair{&radioGroup1_, &TSysMenu1::SetRadioGroup1},
                            std::pair{&radioGroup2_, &TSysMenu1::SetRadioGroup2},
                            std::pair{&radioGroup3_, &TSysMenu1::SetRadioGroup3}}) {
    for (size_t i = 0; i < group->size(); ++i) {
      connect((*group)[i], &QRadioButton::toggled, this, [this, set = set, i](bool on) {
        if (on) (menu_.*set)(int(i));
      });
    }
  }
  checkBox11_ = form.get<QCheckBox>("CheckBox11");
  checkBox12_ = form.get<QCheckBox>("CheckBox12");
  checkBox13_ = form.get<QCheckBox>("CheckBox13");
  checkBox14_ = form.get<QCheckBox>("CheckBox14");
  checkBox15_ = form.get<QCheckBox>("CheckBox15");
  labeledEdit1_ = form.get<QLineEdit>("LabeledEdit1");
  connect(checkBox11_, &QCheckBox::clicked, this, [this](bool on) { menu_.CheckBox11Click(on); });
  connect(checkBox13_, &QCheckBox::clicked, this, [this](bool on) { menu_.CheckBox13Click(on); });
  connect(checkBox12_, &QCheckBox::clicked, this, [this](bool on) { menu_.SetCheckBox12(on); });
  connect(checkBox14_, &QCheckBox::clicked, this, [this](bool on) { menu_.SetCheckBox14(on); });
  connect(checkBox15_, &QCheckBox::clicked, this, [this](bool on) { menu_.SetCheckBox15(on); });
  connect(labeledEdit1_, &QLineEdit::textEdited, this,
          [this](const QString& text) { menu_.SetDpiText(text.toStdString()); });

  // The spooler tab.
  spoolerText_ = form.get<QPlainTextEdit>("Memo2");
  connect(form.get<QPushButton>("Button40"), &QPushButton::clicked, this, [this] { menu_.GetSpoolerInfoClick(); });

  // The window draws the menu's state whenever it changes.
  subscription_ = menu_.Subscribe([this](std::string_view) { ShowState(); });
  ShowState();
}

void SystemMenuWindow::ShowState() {
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

namespace {

// The views of the pages a menu holds, by the page's form name (the name
// of the tab that shows it).
constexpr struct {
  const char* form;
  QWidget* (*make)(FormModel& page);
} kPageViews[] = {
    {"TabSheetOutliner", [](FormModel& page) -> QWidget* { return new OutlinerTabPage(static_cast<OutlinerTab&>(page)); }},
    {"TabSheetFiling", [](FormModel& page) -> QWidget* { return new Raku2TabPage(static_cast<Raku2TestTab&>(page)); }},
};

QString TabCaption(std::string_view tabName) {
  const ControlRow* row = kSystemMenuForm.Find(tabName);
  return row == nullptr ? QString() : QString::fromUtf8(row->caption);
}

}  // namespace

bool SystemMenuWindow::ShowModal(QtUi& ui, FormModel& form) {
  auto* menu = dynamic_cast<TSysMenu1*>(&form);
  if (menu == nullptr) return false;
  // The analysis tabs' forms, bound to the menu, and their pages.
  MenuAnalysisTabs analysis(ui, *menu);
  SystemMenuWindow window(*menu, QtUi::ModalParent());
  window.InstallPage(TabCaption("TabSheetAnalysis"), new AnalysisPage(analysis.data));
  window.InstallPage(TabCaption("TabSheetAnalysisLog"), new AnalysisLogPage(analysis.log));
  window.InstallPage(TabCaption("TabSheetAnalysisImage"), new AnalysisImagePage(analysis.image));
  for (FormModel* page : menu->Pages()) {
    for (const auto& view : kPageViews)
      if (page != nullptr && std::string_view(view.form) == page->FormName())
        window.InstallPage(TabCaption(view.form), view.make(*page));
  }
  ui.RunModal(window);
  return true;
}

}  // namespace kestrel
