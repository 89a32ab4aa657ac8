#include "platform/qt/analysis_page.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "forms/form_tables.h"
#include "platform/qt/form_builder.h"

namespace kestrel {

AnalysisPage::AnalysisPage(TAnalysisTab& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName("PDAT解析");
  const BuiltForm form = BuildForm(kAnalysisPage, this);

  label4_ = form.get<QLabel>("Label4");
  connect(form.get<QPushButton>("Button14"), &QPushButton::clicked, this, [this] { model_.Button14Click(); });
  connect(form.get<QPushButton>("Button15"), &QPushButton::clicked, this, [this] { model_.Button15Click(); });
  static constexpr std::pair<const char*, void (TAnalysisTab::*)()> kAllButtons[] = {
      {"Button17", &TAnalysisTab::Button17Click}, {"Button18", &TAnalysisTab::Button18Click},
      {"Button19", &TAnalysisTab::Button19Click}, {"Button20", &TAnalysisTab::Button20Click},
      {"Button21", &TAnalysisTab::Button21Click}, {"Button22", &TAnalysisTab::Button22Click},
  };
  for (const auto& [name, click] : kAllButtons)
    connect(form.get<QPushButton>(name), &QPushButton::clicked, this, [this, click = click] { (model_.*click)(); });
  // The boxes the model names.
  for (const auto& [name, ticked] : model_.Boxes().Boxes()) {
    auto* c = form.get<QCheckBox>(name);
    if (c == nullptr) continue;
    connect(c, &QCheckBox::toggled, this, [this, name = name](bool on) {
      if (!showing_) model_.SetBox(name, on);
    });
    boxes_.push_back(c);
  }

  subscription_ = model_.Subscribe([this](std::string_view) { ShowState(); });
  ShowState();
}

void AnalysisPage::ShowState() {
  showing_ = true;
  label4_->setText(QString::fromStdString(model_.Label4()));
  for (QCheckBox* c : boxes_) {
    const bool* ticked = model_.Boxes().Find(c->objectName().toStdString());
    c->setChecked(ticked != nullptr && *ticked);
  }
  showing_ = false;
}

QCheckBox* AnalysisPage::box(const QString& name) const { return findChild<QCheckBox*>(name); }

QPushButton* AnalysisPage::button(const char* name) const { return findChild<QPushButton*>(name); }

}  // namespace kestrel
