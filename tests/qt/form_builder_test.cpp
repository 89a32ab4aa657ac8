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
        if (row.colour != kNoColour)
          QVERIFY2(w->autoFillBackground() && w->palette().color(QPalette::Window) == LayoutColour(row.colour),
                   qPrintable(where));
        QVERIFY2(w->isHidden() == bool(row.flags & kHidden), qPrintable(where));
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
