#include "platform/qt/font_set_dialog.h"

#include <QCheckBox>
#include <algorithm>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "forms/form_tables.h"
#include "platform/qt/form_builder.h"
#include "platform/qt/qt_ui.h"

namespace kestrel {

FontSetDialog::FontSetDialog(TFontSet& model, QWidget* parent) : QDialog(parent), model_(model) {
  setObjectName(kFontSetForm.name);
  setFixedSize(FormSize(kFontSetForm));
  const BuiltForm form = BuildForm(kFontSetForm, this);
  // Enter in a text list is a new line, not a button's click.
  for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
  if (auto* memo5 = form.get<QPlainTextEdit>("Memo5")) memo5->document()->setDocumentMargin(2);

  label1_ = form.get<QLabel>("Label1");
  for (int number = 1; number < int(buttons_.size()); ++number)
    buttons_[size_t(number)] = form.get<QPushButton>(QString("BitBtn%1").arg(number).toStdString());
  connect(buttons_[7], &QPushButton::clicked, this, [this] { model_.BitBtn7Click(); });
  connect(buttons_[2], &QPushButton::clicked, this, [this] {
    model_.BitBtn2Click();
    reject();
  });
  connect(buttons_[1], &QPushButton::clicked, this, [this] { Save(); });
  static constexpr void (TFontSet::*kClears[4])() = {&TFontSet::BitBtn3Click, &TFontSet::BitBtn4Click,
                                                      &TFontSet::BitBtn5Click, &TFontSet::BitBtn6Click};
  for (int i = 0; i < 4; ++i)
    connect(buttons_[size_t(3 + i)], &QPushButton::clicked, this, [this, clear = kClears[i]] { (model_.*clear)(); });

  for (int b = 0; b < TFontSet::kFaceBoxCount; ++b) {
    auto* c = form.get<QComboBox>(QString("ComboBox%1").arg(b + 1).toStdString());
    const auto box = TFontSet::FaceBox(b);
    connect(c, &QComboBox::currentIndexChanged, this, [this, box](int index) {
      if (!refreshing_) model_.Select(box, index);
    });
    // Typed text is not a choice: only a chosen entry counts.
    connect(c, &QComboBox::editTextChanged, this, [this, box, c](const QString& text) {
      if (refreshing_) return;
      if (c->currentIndex() < 0 || c->itemText(c->currentIndex()) != text) model_.Select(box, -1);
      else model_.Select(box, c->currentIndex());
    });
    faces_[size_t(b)] = c;
  }
  for (int m = 0; m < TFontSet::kMemoCount; ++m) {
    auto* memo = form.get<QPlainTextEdit>(QString("Memo%1").arg(m + 1).toStdString());
    connect(memo, &QPlainTextEdit::textChanged, this, [this, m, memo] {
      if (!refreshing_) model_.SetMemoText(TFontSet::MemoBox(m), memo->toPlainText().toStdString());
    });
    memos_[size_t(m)] = memo;
  }
  static constexpr const char* kCheckNames[TFontSet::kCheckCount] = {
      "CheckBox1",   "CheckBox2",   "CheckBox3",   "CheckBox4",   "hanmin_chk1",
      "hanmin_chk2", "hanmin_chk3", "hangot_chk1", "hangot_chk2", "hangot_chk3"};
  for (int id = 0; id < TFontSet::kCheckCount; ++id) {
    auto* c = form.get<QCheckBox>(kCheckNames[id]);
    connect(c, &QCheckBox::toggled, this, [this, id](bool on) {
      if (!refreshing_) model_.SetChecked(TFontSet::CheckId(id), on);
    });
    checks_[size_t(id)] = c;
  }

  // Filling a box selects its first entry: not a choice of the operator.
  refreshing_ = true;
  for (QComboBox* c : faces_)
    for (const std::string& face : model_.Faces()) c->addItem(QString::fromStdString(face));
  subscription_ = model_.Subscribe([this](std::string_view) { ShowState(); });
  ShowState();
}

void FontSetDialog::ShowState() {
  refreshing_ = true;
  label1_->setText(QString::fromStdString(model_.Label1()));
  // The label takes the width of its text (its place is where it starts).
  const LayoutRect place = kFontSetForm.Find("Label1")->rect;
  label1_->resize(std::max(place.w, label1_->sizeHint().width()), place.h);
  for (int b = 0; b < TFontSet::kFaceBoxCount; ++b) {
    faces_[size_t(b)]->setCurrentIndex(model_.Selected(TFontSet::FaceBox(b)));
    if (model_.Selected(TFontSet::FaceBox(b)) < 0) faces_[size_t(b)]->setEditText({});
  }
  for (int m = 0; m < TFontSet::kMemoCount; ++m) {
    const QString text = QString::fromStdString(model_.MemoText(TFontSet::MemoBox(m)));
    if (memos_[size_t(m)]->toPlainText() != text) memos_[size_t(m)]->setPlainText(text);
  }
  for (int c = 0; c < TFontSet::kCheckCount; ++c) checks_[size_t(c)]->setChecked(model_.Checked(TFontSet::CheckId(c)));
  refreshing_ = false;
}

bool FontSetDialog::ShowModal(QtUi& ui, FormModel& form) {
  auto* model = dynamic_cast<TFontSet*>(&form);
  if (model == nullptr) return false;
  FontSetDialog window(*model, QtUi::ModalParent());
  ui.RunModal(window);
  return true;
}

void FontSetDialog::Save() {
  if (model_.BitBtn1Click()) {
    accept();
    return;
  }
  switch (model_.FocusRequest()) {
    case TFontSet::Focus::kComboBox3: faces_[TFontSet::ComboBox3]->setFocus(); break;
    case TFontSet::Focus::kComboBox4: faces_[TFontSet::ComboBox4]->setFocus(); break;
    case TFontSet::Focus::kComboBox5: faces_[TFontSet::ComboBox5]->setFocus(); break;
    case TFontSet::Focus::kComboBox6: faces_[TFontSet::ComboBox6]->setFocus(); break;
    case TFontSet::Focus::kNone: break;
  }
}

}  // namespace kestrel
