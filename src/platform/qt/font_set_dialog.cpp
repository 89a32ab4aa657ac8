#include "platform/qt/font_set_dialog.h"

#include <QCheckBox>
#include <algorithm>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "platform/qt/desktop_fonts.h"
#include "platform/qt/qt_ui.h"

namespace kestrel {

namespace {

// The form's controls: left, top, width, height in pixels, inside the
// window or the group box that holds them.
struct Place {
  int x, y, w, h;
};
constexpr QColor kBackground(227, 232, 179);
constexpr Place kLabel1{360, 8, 233, 26};
constexpr Place kBitBtn7{360, 40, 108, 41}, kBitBtn2{474, 40, 108, 41}, kBitBtn1{588, 40, 108, 41};
constexpr Place kGroupBox1{16, 8, 337, 73}, kGroupBox4{16, 87, 337, 72}, kMemo5{359, 87, 337, 72};
constexpr Place kGroupBox5{16, 165, 680, 61}, kGroupBox2{16, 232, 337, 448}, kGroupBox3{359, 232, 337, 448};
// Inside GroupBox1: the two main faces side by side.
constexpr Place kMainHeading[2]{{8, 16, 160, 16}, {172, 16, 160, 16}};
constexpr Place kMainFace[2]{{8, 36, 157, 24}, {172, 36, 157, 24}};
// Inside GroupBox4: the three escape boxes.
constexpr Place kEscape[3]{{8, 16, 320, 17}, {8, 33, 320, 17}, {8, 50, 320, 17}};
// Inside GroupBox5.
constexpr Place kCheckBox4{8, 24, 120, 17};
constexpr Place kWidthNote[3]{{130, 16, 546, 14}, {130, 30, 546, 14}, {130, 44, 546, 14}};
// A substitution panel inside GroupBox2 / GroupBox3 (left, right).
constexpr int kPanelX[2]{8, 172};
constexpr Place kPanelHeading{0, 18, 157, 16};
constexpr Place kPanelFace{0, 36, 157, 24};
constexpr Place kPanelGroupCheck{0, 64, 157, 17};
constexpr Place kPanelMemoWithCheck{0, 86, 157, 312};
constexpr Place kPanelMemo{0, 64, 157, 334};
constexpr Place kPanelClear{0, 404, 157, 34};

constexpr const char* kMinchoHeading = "明朝体印字設定出力フォント";
constexpr const char* kGothicHeading = "ゴシック体印字設定出力フォント";
constexpr const char* kFaceHints[TFontSet::kFaceBoxCount] = {
    "明朝体印刷指定されている印字データを他のフォントで印刷したい場合に変更するフォントを指定してください。",
    "ゴシック体印刷指定されている印字データを他のフォントで印刷したい場合に変更するフォントを指定してください。",
    "明朝体印刷指定されている印字データを他のフォントで印刷したい場合に変更するフォントと変更させたい半角文字列を"
    "指定してください。",
    "ゴシック体印刷指定されている印字データを他のフォントで印刷したい場合に変更するフォントと変更させたい半角文字列"
    "を指定してください。",
    "明朝体印刷指定されている印字データを他のフォントで印刷したい場合に変更するフォントと変更させたい全角文字列を"
    "指定してください。",
    "ゴシック体印刷指定されている印字データを他のフォントで印刷したい場合に変更するフォントと変更させたい全角文字列"
    "を指定してください。",
};
constexpr const char* kGroupCheckHint = "半角の英字・数字を全て対象にする場合はチェックをしてください。";
constexpr const char* kMemo5Lines =
    "全GP文字データには、明朝体かゴシックで出力する設定がされてます\n"
    "この画面では、明朝体で出力するデータに対して別のフォントを設定し\n"
    "たりできます。ゴシック体も同様です。\n"
    "また特定文字列のみをフォント変更の対象とすることもできます。\n"
    "半角文字、全角文字は別指定なので注意して下さい。";

void Put(QWidget* w, const Place& p, int dx = 0) { w->setGeometry(p.x + dx, p.y, p.w, p.h); }

}  // namespace

FontSetDialog::FontSetDialog(TFontSet& model, QWidget* parent) : QDialog(parent), model_(model) {
  setWindowTitle("印字フォント設定画面");
  setFixedSize(kClientWidth, kClientHeight);
  setFont(FormFont(11));
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kBackground);
  setPalette(palette);

  label1_ = new QLabel(this);
  label1_->setObjectName("Label1");
  label1_->setFont(FormFont(19));
  Put(label1_, kLabel1);

  auto makeButton = [this](int number, const char* caption, const Place& place) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString("BitBtn%1").arg(number));
    b->setAutoDefault(false);
    Put(b, place);
    buttons_[size_t(number)] = b;
    return b;
  };
  connect(makeButton(7, "全初期化", kBitBtn7), &QPushButton::clicked, this, [this] {
    model_.BitBtn7Click();
  });
  connect(makeButton(2, "キャンセル", kBitBtn2), &QPushButton::clicked, this, [this] {
    model_.BitBtn2Click();
    reject();
  });
  connect(makeButton(1, "設定保存", kBitBtn1), &QPushButton::clicked, this, [this] { Save(); });

  auto makeGroup = [this](const char* caption, const Place& place, const char* name) {
    auto* g = new QGroupBox(caption, this);
    g->setObjectName(name);
    Put(g, place);
    return g;
  };
  auto makeFace = [this](TFontSet::FaceBox box, QWidget* parent, const Place& place, int dx) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QString("ComboBox%1").arg(int(box) + 1));
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setToolTip(kFaceHints[box]);
    Put(c, place, dx);
    connect(c, &QComboBox::currentIndexChanged, this, [this, box](int index) {
      if (!refreshing_) model_.Select(box, index);
    });
    // Typed text is not a choice: only a chosen entry counts.
    connect(c, &QComboBox::editTextChanged, this, [this, box, c](const QString& text) {
      if (refreshing_) return;
      if (c->currentIndex() < 0 || c->itemText(c->currentIndex()) != text) model_.Select(box, -1);
      else model_.Select(box, c->currentIndex());
    });
    faces_[box] = c;
  };
  auto makeCheck = [this](TFontSet::CheckId id, const char* name, const char* caption, QWidget* parent,
                          const Place& place, int dx) {
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(name);
    Put(c, place, dx);
    connect(c, &QCheckBox::toggled, this, [this, id](bool on) {
      if (!refreshing_) model_.SetChecked(id, on);
    });
    checks_[id] = c;
    return c;
  };
  auto makeMemo = [this](TFontSet::MemoBox memo, QWidget* parent, const Place& place, int dx) {
    auto* m = new QPlainTextEdit(parent);
    m->setObjectName(QString("Memo%1").arg(int(memo) + 1));
    m->setLineWrapMode(QPlainTextEdit::NoWrap);
    Put(m, place, dx);
    connect(m, &QPlainTextEdit::textChanged, this, [this, memo, m] {
      if (!refreshing_) model_.SetMemoText(memo, m->toPlainText().toStdString());
    });
    memos_[memo] = m;
  };
  // Headings and notes in a smaller size than the controls, so that the
  // longest fits its place.
  auto makeHeading = [](const char* text, QWidget* parent, const Place& place, int dx) {
    auto* l = new QLabel(text, parent);
    l->setFont(FormFont(10));
    Put(l, place, dx);
  };

  // The two main faces.
  QGroupBox* g1 = makeGroup("印刷フォント設定", kGroupBox1, "GroupBox1");
  makeHeading(kMinchoHeading, g1, kMainHeading[0], 0);
  makeHeading(kGothicHeading, g1, kMainHeading[1], 0);
  makeFace(TFontSet::ComboBox1, g1, kMainFace[0], 0);
  makeFace(TFontSet::ComboBox2, g1, kMainFace[1], 0);

  // Blank removal before comparing.
  QGroupBox* g4 = makeGroup("比較印字文字列の制御文字判定処理指定", kGroupBox4, "GroupBox4");
  makeCheck(TFontSet::CheckBox1, "CheckBox1", "印字文字列の左側制御文字は削除して判定[1]", g4, kEscape[0], 0);
  makeCheck(TFontSet::CheckBox2, "CheckBox2", "印字文字列の右側制御文字は削除して判定[2]", g4, kEscape[1], 0);
  makeCheck(TFontSet::CheckBox3, "CheckBox3", "印字文字列内の全ての制御文字は削除して判定[4]", g4, kEscape[2], 0);

  auto* memo5 = new QPlainTextEdit(kMemo5Lines, this);
  memo5->setObjectName("Memo5");
  memo5->setReadOnly(true);
  // The five lines in the notes' size, so that each keeps to one line.
  memo5->setFont(FormFont(10));
  memo5->document()->setDocumentMargin(2);
  memo5->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo5->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo5->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Put(memo5, kMemo5);

  // Font width.
  QGroupBox* g5 = makeGroup("フォント幅をフォント高に合わせて自動調整する設定", kGroupBox5, "GroupBox5");
  makeCheck(TFontSet::CheckBox4, "CheckBox4", "自動調整する[1]", g5, kCheckBox4, 0);
  const char* notes[3] = {
      "この設定を行う場合の注意点",
      "自動調整を行うとフォント幅は計算されませんので、文字自体のイメージは変化がなくなりますが、",
      "印刷レイアウトが崩れて、文字と文字が被ってしまうことがあります(△(半角幅イメージ)が△（全角幅イメージ))。"};
  for (int i = 0; i < 3; ++i) makeHeading(notes[i], g5, kWidthNote[i], 0);

  // Half-width lists, with the group boxes; full-width lists.
  QGroupBox* g2 = makeGroup("フォントを変更したい特定半角文字のフォント設定", kGroupBox2, "GroupBox2");
  QGroupBox* g3 = makeGroup("フォントを変更したい特定全角文字のフォント設定", kGroupBox3, "GroupBox3");
  const char* headings[2] = {kMinchoHeading, kGothicHeading};
  for (int side = 0; side < 2; ++side) {
    const int dx = kPanelX[side];
    makeHeading(headings[side], g2, kPanelHeading, dx);
    makeFace(TFontSet::FaceBox(TFontSet::ComboBox3 + side), g2, kPanelFace, dx);
    QCheckBox* group = makeCheck(side == 0 ? TFontSet::hanmin_chk1 : TFontSet::hangot_chk1,
                                 side == 0 ? "hanmin_chk1" : "hangot_chk1", "半角英数字一括設定[1]", g2,
                                 kPanelGroupCheck, dx);
    group->setToolTip(kGroupCheckHint);
    makeMemo(TFontSet::MemoBox(TFontSet::Memo1 + side), g2, kPanelMemoWithCheck, dx);
    auto* clear = new QPushButton("初期化", g2);
    clear->setObjectName(QString("BitBtn%1").arg(3 + side));
    clear->setAutoDefault(false);
    Put(clear, kPanelClear, dx);
    buttons_[size_t(3 + side)] = clear;
    connect(clear, &QPushButton::clicked, this, [this, side] {
      side == 0 ? model_.BitBtn3Click() : model_.BitBtn4Click();
    });

    makeHeading(headings[side], g3, kPanelHeading, dx);
    makeFace(TFontSet::FaceBox(TFontSet::ComboBox5 + side), g3, kPanelFace, dx);
    makeMemo(TFontSet::MemoBox(TFontSet::Memo3 + side), g3, kPanelMemo, dx);
    auto* clearFull = new QPushButton("初期化", g3);
    clearFull->setObjectName(QString("BitBtn%1").arg(5 + side));
    clearFull->setAutoDefault(false);
    Put(clearFull, kPanelClear, dx);
    buttons_[size_t(5 + side)] = clearFull;
    connect(clearFull, &QPushButton::clicked, this, [this, side] {
      side == 0 ? model_.BitBtn5Click() : model_.BitBtn6Click();
    });
  }
  // The hidden boxes carry bits 2 and 4 of the group keys.
  const std::pair<TFontSet::CheckId, const char*> hidden[4] = {{TFontSet::hanmin_chk2, "hanmin_chk2"},
                                                               {TFontSet::hanmin_chk3, "hanmin_chk3"},
                                                               {TFontSet::hangot_chk2, "hangot_chk2"},
                                                               {TFontSet::hangot_chk3, "hangot_chk3"}};
  for (const auto& [id, name] : hidden) makeCheck(id, name, "", g2, kPanelGroupCheck, 0)->hide();

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
  label1_->resize(std::max(kLabel1.w, label1_->sizeHint().width()), kLabel1.h);
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
