#include "platform/qt/form_builder.h"

#include <QButtonGroup>
#include <QEvent>
#include <algorithm>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStringList>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include "platform/qt/desktop_fonts.h"

namespace kestrel {
namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

QWidget* Make(const ControlRow& row, QWidget* parent) {
  const QString caption = Text(row.caption);
  switch (row.kind) {
    case ControlKind::Button:
      return new QPushButton(caption, parent);
    case ControlKind::SpeedButton: {
      auto* button = new QToolButton(parent);
      button->setText(caption);
      return button;
    }
    case ControlKind::Label: {
      auto* label = new QLabel(caption, parent);
      if (row.flags & kWordWrap) label->setWordWrap(true);
      if (row.flags & kAlignTop) label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      if (row.flags & kSunken) {
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
      }
      if (row.flags & kSelectable) label->setTextInteractionFlags(Qt::TextSelectableByMouse);
      return label;
    }
    case ControlKind::CheckBox:
      return new QCheckBox(caption, parent);
    case ControlKind::RadioGroup: {
      auto* box = new QGroupBox(caption, parent);
      new QButtonGroup(box);
      return box;
    }
    case ControlKind::RadioItem: {
      auto* radio = new QRadioButton(caption, parent);
      if (auto* group = parent->findChild<QButtonGroup*>(QString(), Qt::FindDirectChildrenOnly))
        group->addButton(radio, int(group->buttons().size()));
      return radio;
    }
    case ControlKind::Combo: {
      auto* combo = new QComboBox(parent);
      if (row.flags & kEditable) {
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
      }
      for (const char* item : row.items) combo->addItem(Text(item));
      return combo;
    }
    case ControlKind::FolderTree: {
      auto* tree = new QTreeWidget(parent);
      tree->setHeaderHidden(true);
      tree->setRootIsDecorated(false);
      tree->setIndentation(16);
      tree->setItemsExpandable(false);
      return tree;
    }
    case ControlKind::List: {
      auto* list = new QListWidget(parent);
      for (const char* item : row.items) list->addItem(Text(item));
      return list;
    }
    case ControlKind::Memo: {
      QStringList lines;
      for (const char* item : row.items) lines << Text(item);
      auto* memo = new QPlainTextEdit(parent);
      if (!lines.isEmpty()) memo->setPlainText(lines.join("\n"));
      if (row.flags & kReadOnly) memo->setReadOnly(true);
      if (row.flags & kNoWrap) memo->setLineWrapMode(QPlainTextEdit::NoWrap);
      if (row.flags & kScrollBars) {
        memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      }
      if (row.flags & kNoScrollBars) {
        memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      }
      return memo;
    }
    case ControlKind::Edit: {
      auto* edit = new QLineEdit(caption, parent);
      if (row.flags & kReadOnly) edit->setReadOnly(true);
      return edit;
    }
    case ControlKind::GroupBox:
      return new QGroupBox(caption, parent);
    case ControlKind::Panel:
      return new QWidget(parent);
    case ControlKind::Tabs:
      return new QTabWidget(parent);
    case ControlKind::TabSheet: {
      auto* page = new QWidget;
      if (auto* tabs = qobject_cast<QTabWidget*>(parent)) tabs->addTab(page, caption);
      return page;
    }
    case ControlKind::ImageView: {
      // The image at its own size; the bars follow the thumb while dragged.
      auto* scroll = new QScrollArea(parent);
      scroll->setWidgetResizable(false);
      scroll->horizontalScrollBar()->setTracking(true);
      scroll->verticalScrollBar()->setTracking(true);
      auto* image = new QLabel;
      image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      scroll->setWidget(image);
      return scroll;
    }
    case ControlKind::ProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setTextVisible(false);
      bar->setRange(0, 1);
      bar->setValue(0);
      return bar;
    }
  }
  return new QWidget(parent);
}

// A text control's colours are its text area's.
bool IsTextControl(ControlKind kind) {
  return kind == ControlKind::Memo || kind == ControlKind::Edit || kind == ControlKind::List;
}

void TextAreaColours(QWidget* widget, uint32_t background, uint32_t text) {
  QPalette palette = widget->palette();
  if (background != kNoColour) palette.setColor(QPalette::Base, LayoutColour(background));
  if (text != kNoColour) palette.setColor(QPalette::Text, LayoutColour(text));
  widget->setPalette(palette);
}

// Keeps anchored controls at their distance to the form's right and bottom
// edges whenever the form is resized.
class Anchors final : public QObject {
 public:
  Anchors(const FormLayout& layout, QWidget* root) : QObject(root), layout_(layout) { root->installEventFilter(this); }
  void Add(QWidget* w, const ControlRow& row) { anchored_.emplace_back(w, &row); }
  void Apply(const QSize& size) {
    for (const auto& [w, row] : anchored_) {
      const LayoutRect& r = row->rect;
      const int width = row->flags & kAnchorRight ? std::max(0, size.width() - (layout_.width - r.w)) : r.w;
      const int height = row->flags & kAnchorBottom ? std::max(0, size.height() - (layout_.height - r.h)) : r.h;
      w->resize(width, height);
    }
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Resize) Apply(static_cast<QWidget*>(watched)->size());
    return QObject::eventFilter(watched, event);
  }

 private:
  const FormLayout& layout_;
  std::vector<std::pair<QWidget*, const ControlRow*>> anchored_;
};

void CaptionColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::ButtonText, colour);
  palette.setColor(QPalette::WindowText, colour);
  widget->setPalette(palette);
}

}  // namespace

QColor LayoutColour(uint32_t rgb) { return QColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF)); }

BuiltForm BuildForm(const FormLayout& layout, QWidget* root) {
  if (layout.caption[0] != '\0') root->setWindowTitle(Text(layout.caption));
  if (layout.font.pixels != 0) root->setFont(FormFont(layout.font.pixels, layout.font.bold));
  if (layout.colour != kNoColour) Fill(root, LayoutColour(layout.colour));
  BuiltForm form;
  Anchors* anchors = nullptr;
  for (const ControlRow& row : layout.controls) {
    QWidget* parent = root;
    if (row.parent[0] != '\0') {
      parent = form.get(row.parent);
      if (parent == nullptr) parent = root;
    }
    QWidget* w = Make(row, parent);
    if (row.name[0] != '\0') w->setObjectName(Text(row.name));
    if (row.kind != ControlKind::TabSheet) w->setGeometry(row.rect.x, row.rect.y, row.rect.w, row.rect.h);
    if (row.font.pixels != 0) w->setFont(FormFont(row.font.pixels, row.font.bold));
    if (IsTextControl(row.kind)) {
      TextAreaColours(w, row.colour, row.textColour);
    } else {
      if (row.textColour != kNoColour) CaptionColour(w, LayoutColour(row.textColour));
      if (row.colour != kNoColour) Fill(w, LayoutColour(row.colour));
    }
    if (row.flags & (kAnchorRight | kAnchorBottom)) {
      if (anchors == nullptr) anchors = new Anchors(layout, root);
      anchors->Add(w, row);
    }
    if (row.flags & kNoFocus) w->setFocusPolicy(Qt::NoFocus);
    if (row.hint[0] != '\0') w->setToolTip(Text(row.hint));
    if (row.flags & kHidden) w->hide();
    form.rows_.push_back(&row);
    form.widgets_.push_back(w);
  }
  // A form already sized otherwise than its table.
  if (anchors != nullptr && root->testAttribute(Qt::WA_Resized)) anchors->Apply(root->size());
  // Rows with a tab order of their own come first in it, in that order.
  std::vector<std::pair<int, QWidget*>> ordered;
  for (size_t i = 0; i < form.rows_.size(); ++i)
    if (form.rows_[i]->tabOrder >= 0) ordered.emplace_back(form.rows_[i]->tabOrder, form.widgets_[i]);
  std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 1; i < ordered.size(); ++i) QWidget::setTabOrder(ordered[i - 1].second, ordered[i].second);
  return form;
}

}  // namespace kestrel
