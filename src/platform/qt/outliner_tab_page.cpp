#include "platform/qt/outliner_tab_page.h"

#include <QLabel>
#include <QPushButton>

#include "forms/form_tables.h"
#include "platform/qt/form_builder.h"

namespace kestrel {

OutlinerTabPage::OutlinerTabPage(OutlinerTab& tab, QWidget* parent) : QWidget(parent), tab_(tab) {
  resize(FormSize(kOutlinerPage));
  const BuiltForm form = BuildForm(kOutlinerPage, this);
  pdf_ = form.get<QLabel>("LabelPdf");
  csv_ = form.get<QLabel>("LabelCsv");
  outliner_ = form.get<QLabel>("LabelOutliner");
  for (auto [name, handler] : {std::pair{"ButtonPdf", &OutlinerTab::ChoosePdf},
                               std::pair{"ButtonCsv", &OutlinerTab::ChooseCsv},
                               std::pair{"ButtonOutliner", &OutlinerTab::ChooseOutliner}})
    connect(form.get<QPushButton>(name), &QPushButton::clicked, this, [this, handler = handler] { (tab_.*handler)(); });
  connect(form.get<QPushButton>("ButtonAdd"), &QPushButton::clicked, this, [this] { tab_.AddBookmarks(); });
  subscription_ = tab_.Subscribe([this](std::string_view) { ShowState(); });
  ShowState();
}

void OutlinerTabPage::ShowState() {
  pdf_->setText(QString::fromStdString(tab_.pdfLabel));
  csv_->setText(QString::fromStdString(tab_.csvLabel));
  outliner_->setText(QString::fromStdString(tab_.outlinerLabel));
}

}  // namespace kestrel
