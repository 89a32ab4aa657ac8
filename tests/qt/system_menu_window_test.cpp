// The system menu's window over its behaviour, offscreen: the small form
// shows the button column alone, the full form starts on its first tab at
// every show and takes other tabs' pages, the print tab draws the model's
// rules, and closing fades out. With KESTREL_SCREENSHOTS naming a folder the
// two forms are also saved there as pictures.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

#include "forms/system_menu.h"
#include "platform/qt/qt_ui.h"
#include "platform/qt/system_menu_window.h"
#include "platform/recording/memory_print_system.h"

using namespace kestrel;

class SystemMenuWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // Drawn offscreen, the fade cannot change the window's opacity; each
    // step would say so.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
      if (!text.contains("does not support setting window opacity"))
        qt_message_output(type, context, text);
    });
    QVERIFY(base_.isValid());
    ui_ = std::make_unique<QtUi>(base_.path().toStdString() + "/");
  }
  void cleanupTestCase() { ui_.reset(); }

  void theSmallFormShowsTheButtonColumnAlone() {
    TSysMenu1 menu(*ui_, printers_, {});
    menu.SetSmallForm(true);
    SystemMenuWindow window(menu, nullptr);
    window.show();
    QCOMPARE(window.size(), QSize(470 - 6, 340 - 32));
    QVERIFY(!window.panel()->isVisible());
    const QRect client = window.rect();
    int columnButtons = 0;
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!child->isVisible() || !child->geometry().intersects(client)) continue;
      auto* button = qobject_cast<QPushButton*>(child);
      QVERIFY2(button != nullptr, qPrintable(child->objectName()));
      QVERIFY(client.contains(button->geometry()));
      ++columnButtons;
    }
    QCOMPARE(columnButtons, int(kMenuButtons.size()));
    QCOMPARE(window.button("Button3")->text(), QString::fromUtf8("終　　了"));
    if (const char* folder = std::getenv("KESTREL_SCREENSHOTS"))
      QVERIFY(window.grab().save(QString::fromUtf8(folder) + "/system-menu-small.png"));
  }

  void theFullFormStartsOnItsFirstTabAndTakesPages() {
    TSysMenu1 menu(*ui_, printers_, {});
    menu.SetBaseDir("/opt/kestrel/");
    SystemMenuWindow window(menu, nullptr);
    window.show();
    QCOMPARE(window.size(), QSize(1018, 768));
    QVERIFY(window.panel()->isVisible());
    QCOMPARE(window.tabs()->count(), int(kMenuTabs.size()));
    auto* page = new QLabel("analysis");
    QVERIFY(window.InstallPage(QString::fromUtf8("PDAT解析"), page));
    QCOMPARE(window.tabs()->widget(2), page);
    QVERIFY(!window.InstallPage(QString::fromUtf8("無い"), new QLabel));
    if (const char* folder = std::getenv("KESTREL_SCREENSHOTS"))
      QVERIFY(window.grab().save(QString::fromUtf8(folder) + "/system-menu-full.png"));
    window.tabs()->setCurrentIndex(kSpoolerTab);
    QCOMPARE(menu.ActiveTab(), kSpoolerTab);
    window.hide();
    window.show();
    QCOMPARE(window.tabs()->currentIndex(), 0);
  }

  void thePrintTabDrawsTheMenusRules() {
    TSysMenu1 menu(*ui_, printers_, {});
    SystemMenuWindow window(menu, nullptr);
    window.show();
    auto* pdf = window.findChild<QCheckBox*>("CheckBox13");
    auto* jpeg = window.findChild<QCheckBox*>("CheckBox11");
    auto* dpi = window.findChild<QLineEdit*>("LabeledEdit1");
    QCOMPARE(dpi->text(), QString("350"));
    QVERIFY(!dpi->isEnabled());
    QTest::mouseClick(pdf, Qt::LeftButton, {}, QPoint(5, pdf->height() / 2));
    QTest::mouseClick(jpeg, Qt::LeftButton, {}, QPoint(5, jpeg->height() / 2));
    QVERIFY(jpeg->isChecked() && !pdf->isChecked() && dpi->isEnabled());
    QTest::keyClicks(dpi, "0");
    QCOMPARE(menu.DpiText(), std::string("3500"));
    QTest::mouseClick(pdf, Qt::LeftButton, {}, QPoint(5, pdf->height() / 2));
    QVERIFY(!jpeg->isChecked() && !dpi->isEnabled() && menu.CheckBox13());

    // The spooler tab's button appends the printer's lines.
    window.tabs()->setCurrentIndex(kSpoolerTab);
    QTest::mouseClick(window.findChild<QPushButton*>("Button40"), Qt::LeftButton);
    QCOMPARE(window.findChild<QPlainTextEdit*>("Memo2")->toPlainText(),
             QString::fromUtf8("プリンタ：Test Printer\n状態：ジョブ無し"));
  }

  void closingFadesOut() {
    TSysMenu1 menu(*ui_, printers_, {});
    SystemMenuWindow window(menu, nullptr);
    window.show();
    QTest::mouseClick(window.button("Button3"), Qt::LeftButton);
    QVERIFY(menu.CloseRequested());
    QVERIFY(window.isVisible());  // still fading
    QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 3000);
  }

 private:
  QTemporaryDir base_;  // the base folder, under TMPDIR, removed at the end
  std::unique_ptr<QtUi> ui_;
  MemoryPrintSystem printers_{{StandardDevice("Test Printer")}};
};

QTEST_MAIN(SystemMenuWindowTest)
#include "system_menu_window_test.moc"
