#include "platform/qt/outliner_tab_page.h"

#include <QLabel>
#include <QPushButton>

#include "platform/qt/desktop_fonts.h"

namespace kestrel {
namespace {

QLabel* WhiteLabel(QWidget* parent, const char* name, int y) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setGeometry(16, y, 548, 24);
  label->setFont(FormFont(14));
  label->setFrameShape(QFrame::Panel);
  label->setFrameShadow(QFrame::Sunken);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, Qt::white);
  label->setPalette(palette);
  label->setAutoFillBackground(true);
  return label;
}

QPushButton* Button(QWidget* parent, const char* name, const char* text, int y) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setObjectName(name);
  button->setGeometry(16, y, 200, 30);
  button->setFont(FormFont(14));
  return button;
}

}  // namespace

OutlinerTabPage::OutlinerTabPage(OutlinerTab& tab, QWidget* parent) : QWidget(parent), tab_(tab) {
  resize(kWidth, kHeight);
  setFont(FormFont(14));
  QPushButton* choosePdf = Button(this, "ButtonPdf", "PDF選択", 16);
  pdf_ = WhiteLabel(this, "LabelPdf", 52);
  QPushButton* chooseCsv = Button(this, "ButtonCsv", "しおり設定選択", 92);
  csv_ = WhiteLabel(this, "LabelCsv", 128);
  QPushButton* chooseOutliner = Button(this, "ButtonOutliner", "OutlinerCmdパス", 168);
  outliner_ = WhiteLabel(this, "LabelOutliner", 204);
  QPushButton* add = Button(this, "ButtonAdd", "しおり付加", 248);
  add->setFont(FormFont(14, true));
  auto* note = new QLabel(QString::fromUtf8(OutlinerTab::kNote), this);
  note->setObjectName("LabelNote");
  note->setGeometry(16, 290, 548, 48);
  note->setWordWrap(true);
  note->setFont(FormFont(14));

  auto click = [this](QPushButton* button, auto handler) {
    connect(button, &QPushButton::clicked, this, [this, handler] {
      (tab_.*handler)();
      Refresh();
    });
  };
  click(choosePdf, &OutlinerTab::ChoosePdf);
  click(chooseCsv, &OutlinerTab::ChooseCsv);
  click(chooseOutliner, &OutlinerTab::ChooseOutliner);
  click(add, &OutlinerTab::AddBookmarks);
  Refresh();
}

void OutlinerTabPage::Refresh() {
  pdf_->setText(QString::fromStdString(tab_.pdfLabel));
  csv_->setText(QString::fromStdString(tab_.csvLabel));
  outliner_->setText(QString::fromStdString(tab_.outlinerLabel));
}

}  // namespace kestrel
