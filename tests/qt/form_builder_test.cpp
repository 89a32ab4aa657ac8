// The Qt builder of the forms' layout tables: every table of the program
// round-trips into widgets with its rows' names, rectangles, captions and
// fonts, and no caption is wider than its control in the face the view
// draws with.
#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <algorithm>

#include "cut_off.h"
#include "forms/form_tables.h"
#include "platform/qt/desktop_fonts.h"
#include "platform/qt/form_builder.h"
#include "platform/qt/qt_ui.h"

using namespace kestrel;

namespace {

QString CaptionOf(QWidget* w) {
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
  if (auto* group = qobject_cast<QGroupBox*>(w)) return group->title();
  return {};
}

}  // namespace

class FormBuilderTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { ui_ = std::make_unique<QtUi>("/tmp/kestrel-form-builder-test/"); }
  void cleanupTestCase() { ui_.reset(); }

  void everyTableRoundTripsIntoWidgets() {
    for (const FormLayout* layout : AllForms()) {
      QWidget root;
      root.resize(FormSize(*layout));
      const BuiltForm form = BuildForm(*layout, &root);
      QCOMPARE(form.widgets().size(), layout->controls.size());
      if (layout->font.pixels != 0) QCOMPARE(root.font().pixelSize(), layout->font.pixels);
      for (size_t i = 0; i < layout->controls.size(); ++i) {
        const ControlRow& row = layout->controls[i];
        QWidget* w = form.widgets()[i];
        const QString where = QString("%1/%2").arg(layout->name, row.name);
        QVERIFY2(w->objectName() == QString::fromUtf8(row.name), qPrintable(where));
        if (row.name[0] != '\0') QVERIFY2(form.get(row.name) == w, qPrintable(where));
        QWidget* parent = row.parent[0] == '\0' ? &root : form.get(row.parent);
        if (row.kind == ControlKind::TabSheet) {
          auto* tabs = qobject_cast<QTabWidget*>(parent);
          QVERIFY2(tabs != nullptr && tabs->indexOf(w) >= 0, qPrintable(where));
          QCOMPARE(tabs->tabText(tabs->indexOf(w)), QString::fromUtf8(row.caption));
          continue;
        }
        QVERIFY2(w->parentWidget() == parent, qPrintable(where));
        QVERIFY2(w->geometry() == QRect(row.rect.x, row.rect.y, row.rect.w, row.rect.h), qPrintable(where));
        if (row.font.pixels != 0) {
          QVERIFY2(w->font().pixelSize() == row.font.pixels && w->font().bold() == row.font.bold, qPrintable(where));
        }
        const bool captioned = qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
                               qobject_cast<QGroupBox*>(w);
        if (captioned) QVERIFY2(CaptionOf(w) == QString::fromUtf8(row.caption), qPrintable(where));
        const bool textArea = row.kind == ControlKind::Memo || row.kind == ControlKind::Edit ||
                              row.kind == ControlKind::List;
        if (row.colour != kNoColour && textArea)
          QVERIFY2(w->palette().color(QPalette::Base) == LayoutColour(row.colour), qPrintable(where));
        else if (row.colour != kNoColour)
          QVERIFY2(w->autoFillBackground() && w->palette().color(QPalette::Window) == LayoutColour(row.colour),
                   qPrintable(where));
        QVERIFY2(w->isHidden() == bool(row.flags & kHidden), qPrintable(where));
      }
    }
  }

  // A form sized otherwise than its table: anchored controls keep their
  // distance to its right and bottom edges, the others their place; rows
  // with a tab order take the focus in that order; hints show.
  void anchorsTabOrderAndHints() {
    for (const FormLayout* layout : AllForms()) {
      QWidget root;
      const BuiltForm form = BuildForm(*layout, &root);
      root.resize(layout->width + 100, layout->height + 50);
      root.show();  // a hidden widget is told its size when shown
      QApplication::processEvents();
      std::vector<std::pair<int, QWidget*>> ordered;
      for (size_t i = 0; i < layout->controls.size(); ++i) {
        const ControlRow& row = layout->controls[i];
        QWidget* w = form.widgets()[i];
        const QString where = QString("%1/%2").arg(layout->name, row.name);
        if (row.kind == ControlKind::TabSheet) continue;
        const QSize grown(row.rect.w + (row.flags & kAnchorRight ? 100 : 0),
                          row.rect.h + (row.flags & kAnchorBottom ? 50 : 0));
        QVERIFY2(w->geometry() == QRect(QPoint(row.rect.x, row.rect.y), grown), qPrintable(where));
        QVERIFY2(w->toolTip() == QString::fromUtf8(row.hint), qPrintable(where));
        if (row.tabOrder >= 0) ordered.emplace_back(row.tabOrder, w);
      }
      std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
      for (size_t i = 1; i < ordered.size(); ++i) {
        QWidget* next = ordered[i - 1].second->nextInFocusChain();
        while (next != ordered[i].second && next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
        QVERIFY2(next == ordered[i].second, layout->name);
      }
    }
  }

  // No caption is cut off in any form, on any tab of it.
  void noCaptionIsWiderThanItsControl() {
    for (const FormLayout* layout : AllForms()) {
      QWidget root;
      root.resize(FormSize(*layout));
      const BuiltForm form = BuildForm(*layout, &root);
      std::vector<QTabWidget*> tabs;
      for (QWidget* w : form.widgets())
        if (auto* t = qobject_cast<QTabWidget*>(w)) tabs.push_back(t);
      root.show();  // a tab control sizes its pages when shown
      QApplication::processEvents();
      const int pages = tabs.empty() ? 1 : tabs.front()->count();
      for (int page = 0; page < pages; ++page) {
        if (!tabs.empty()) tabs.front()->setCurrentIndex(page);
        const QStringList cut = CutOff(&root);
        QVERIFY2(cut.isEmpty(), qPrintable(QString(layout->name) + ": " + cut.join("; ")));
      }
    }
  }

  // The device dialog's longest heading (the PDF device's) shows whole.
  void theDeviceDialogHeadingFits() {
    const ControlRow* heading = kDeviceDialogForm.Find("Label1");
    QVERIFY(heading != nullptr);
    const QFontMetrics metrics(FormFont(heading->font.pixels, heading->font.bold));
    QVERIFY(metrics.horizontalAdvance(QString::fromUtf8(heading->caption)) <= heading->rect.w);
  }

 private:
  std::unique_ptr<QtUi> ui_;
};

QTEST_MAIN(FormBuilderTest)
#include "form_builder_test.moc"
