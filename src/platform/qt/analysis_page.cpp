#include "platform/qt/analysis_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

#include "platform/qt/desktop_fonts.h"

namespace kestrel {

namespace {

struct Place {
  int x, y, w, h;
};

// The page fits the menu's tab (about 996 by 436).
constexpr Place kButton14{8, 8, 120, 28}, kLabel4{136, 8, 600, 28}, kButton15{744, 8, 120, 28};
constexpr Place kSettings{8, 42, 980, 310};  // "解析設定"
constexpr Place kRunNote{8, 358, 980, 18}, kNote{8, 380, 980, 18};
// Inside "解析設定": the four exclusion groups.
constexpr Place kPatterns{8, 22, 964, 80}, kLines{8, 106, 964, 56}, kCircles{8, 166, 964, 52};
constexpr Place kChars{8, 222, 964, 80};
constexpr int kBoxWidth = 96, kCharBoxWidth = 120, kBoxHeight = 22, kBoxesPerRow = 8, kFirstRow = 24;
// The tick-all and untick-all buttons at a group's right: one above the
// other, or side by side in a group of one row.
constexpr int kAllWidth = 140, kAllHeight = 26, kAllRight = 812, kAllLeft = kAllRight - kAllWidth - 8;

constexpr const char* kRunNoteText = "印刷基本設定で設定した内容で解析します。注意して下さい。";
constexpr const char* kLineTypes[5] = {"実線", "破線", "点線", "一点鎖線", "二点鎖線"};
constexpr const char* kCharClasses[5] = {"半角英数", "カタカナ半角", "全角(JIS)", "外字(86,87区)", "13区"};
constexpr const char* kTypefaces[2] = {"ゴシック", "明朝"};

void Put(QWidget* w, const Place& p) { w->setGeometry(p.x, p.y, p.w, p.h); }

QPushButton* RedButton(const char* name, const char* caption, QWidget* parent, const Place& place) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  QPalette p = b->palette();
  p.setColor(QPalette::ButtonText, Qt::red);
  b->setPalette(p);
  Put(b, place);
  return b;
}

}  // namespace

AnalysisPage::AnalysisPage(TAnalysisTab& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName("PDAT解析");
  setFont(FormFont(12));

  connect(RedButton("Button14", "データ選択", this, kButton14), &QPushButton::clicked, this, [this] {
    model_.Button14Click();
    Refresh();
  });
  label4_ = new QLabel(this);
  label4_->setObjectName("Label4");
  label4_->setAutoFillBackground(true);
  QPalette white = label4_->palette();
  white.setColor(QPalette::Window, Qt::white);
  label4_->setPalette(white);
  Put(label4_, kLabel4);
  connect(RedButton("Button15", "解析実行", this, kButton15), &QPushButton::clicked, this, [this] {
    model_.Button15Click();
    Refresh();
  });

  auto* settings = new QGroupBox("解析設定", this);
  Put(settings, kSettings);
  Put(new QLabel(kRunNoteText, this), kRunNote);
  Put(new QLabel(kAnalysisNote, this), kNote);

  // A group's boxes in rows, named prefix1..prefixN as the model's.
  auto addBoxes = [this](QGroupBox* group, const char* prefix, int count, int first, int width, auto caption) {
    for (int i = 1; i <= count; ++i) {
      auto* c = new QCheckBox(caption(i), group);
      const QString name = QString("%1%2").arg(prefix).arg(i);
      c->setObjectName(name);
      const int at = first + i - 1;
      c->setGeometry(12 + (at % kBoxesPerRow) * width, kFirstRow + (at / kBoxesPerRow) * (kBoxHeight + 4), width,
                     kBoxHeight);
      connect(c, &QCheckBox::toggled, this, [this, name](bool on) {
        if (!refreshing_) model_.Boxes().Set(name.toStdString(), on);
      });
      boxes_.push_back(c);
    }
  };
  auto addAll = [this](QGroupBox* group, const char* tick, const char* untick, bool stacked, auto onTick,
                       auto onUntick) {
    auto* all = new QPushButton("オールチェック", group);
    all->setObjectName(tick);
    all->setGeometry(stacked ? kAllRight : kAllLeft, 20, kAllWidth, kAllHeight);
    auto* none = new QPushButton("オールチェック解除", group);
    none->setObjectName(untick);
    none->setGeometry(kAllRight, stacked ? 20 + kAllHeight + 2 : 20, kAllWidth, kAllHeight);
    connect(all, &QPushButton::clicked, this, [this, onTick] {
      (model_.*onTick)();
      Refresh();
    });
    connect(none, &QPushButton::clicked, this, [this, onUntick] {
      (model_.*onUntick)();
      Refresh();
    });
  };
  auto group = [settings](const char* caption, const Place& place) {
    auto* g = new QGroupBox(caption, settings);
    Put(g, place);
    return g;
  };

  QGroupBox* patterns = group("解析ログ除外：網掛けパターン選択", kPatterns);
  addBoxes(patterns, kExclusionGroups[0].componentPrefix, kExclusionGroups[0].count, 0, kBoxWidth,
           [](int i) { return QString("パターン%1").arg(i); });
  addAll(patterns, "Button17", "Button18", true, &TAnalysisTab::Button17Click, &TAnalysisTab::Button18Click);

  QGroupBox* lines = group("解析ログ除外：線種選択", kLines);
  addBoxes(lines, kExclusionGroups[1].componentPrefix, kExclusionGroups[1].count, 0, kBoxWidth,
           [](int i) { return QString(kLineTypes[i - 1]); });
  addAll(lines, "Button19", "Button20", false, &TAnalysisTab::Button19Click, &TAnalysisTab::Button20Click);

  QGroupBox* circles = group("解析ログ除外：円選択", kCircles);
  addBoxes(circles, kExclusionGroups[2].componentPrefix, kExclusionGroups[2].count, 0, kBoxWidth,
           [](int) { return QString("解析しない"); });

  QGroupBox* chars = group("解析ログ除外：文字選択", kChars);
  addBoxes(chars, kExclusionGroups[3].componentPrefix, kExclusionGroups[3].count, 0, kCharBoxWidth,
           [](int i) { return QString(kCharClasses[i - 1]); });
  addBoxes(chars, kExclusionGroups[4].componentPrefix, kExclusionGroups[4].count, kBoxesPerRow, kCharBoxWidth,
           [](int i) { return QString(kTypefaces[i - 1]); });
  addAll(chars, "Button21", "Button22", true, &TAnalysisTab::Button21Click, &TAnalysisTab::Button22Click);

  Refresh();
}

void AnalysisPage::Refresh() {
  refreshing_ = true;
  label4_->setText(QString::fromStdString(model_.Label4()));
  for (QCheckBox* c : boxes_) {
    const bool* ticked = model_.Boxes().Find(c->objectName().toStdString());
    c->setChecked(ticked != nullptr && *ticked);
  }
  refreshing_ = false;
}

void AnalysisPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Refresh();
}

QCheckBox* AnalysisPage::box(const QString& name) const { return findChild<QCheckBox*>(name); }

QPushButton* AnalysisPage::button(const char* name) const { return findChild<QPushButton*>(name); }

}  // namespace kestrel
