// The bookmark dialog's window and the two system menu pages (outliner and
// filing test tabs), offscreen, over their behaviour driven by the headless
// Ui's answers: geometry, colours, captions, and clicks that reach the forms
// and come back in the labels. With KESTREL_SCREENSHOTS=FOLDER each window
// is also saved there as a PNG.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTest>

#include "app/bookmark_dialog.h"
#include "forms/form_tables.h"
#include "cut_off.h"
#include "pdf/raku2_client.h"
#include "platform/headless/headless_ui.h"
#include "platform/linux/linux_system.h"
#include "platform/qt/bookmark_window.h"
#include "platform/qt/desktop_fonts.h"
#include "platform/qt/outliner_tab_page.h"
#include "platform/qt/qt_ui.h"
#include "platform/qt/raku2_tab_page.h"
#include <QTimer>

using namespace kestrel;

namespace {

void Screenshot(QWidget& widget, const char* name) {
  const QByteArray folder = qgetenv("KESTREL_SCREENSHOTS");
  if (folder.isEmpty()) return;
  widget.show();
  QTest::qWait(50);
  QVERIFY(widget.grab().save(QDir(QString::fromLocal8Bit(folder)).filePath(name)));
}

QString Text(QWidget& w, const char* name) {
  if (auto* label = w.findChild<QLabel*>(name)) return label->text();
  if (auto* button = w.findChild<QAbstractButton*>(name)) return button->text();
  return "(missing " + QString(name) + ")";
}

}  // namespace

class BookmarkWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { MapFormFace(); }

  void theDialogShowsItsControlsAndHandsClicksToTheForm() {
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString() + "/";
    RunSettings settings;
    InitRunSettingsPaths(settings, base, "/etc/");
    settings.OutLinerPath = "c:\\Program Files\\Antenna\\Outliner\\OutlinerCmd.exe";
    settings.BookMarkPdfPath = "c:\\vpdf";
    LinuxSystem system;
    HeadlessUi ui({base + "vpdf/請求書.pdf", "cancel"}, "");
    TAddBookMark1 dialog(settings, system, ui);
    BookmarkWindow window(dialog, nullptr);

    QCOMPARE(window.size(), QSize(842, 570));
    QCOMPARE(window.windowTitle(), QString::fromUtf8("しおり追加処理画面"));
    QCOMPARE(window.grab().toImage().pixelColor(4, 4), QColor(202, 211, 199));
    QCOMPARE(Text(window, "Label1"), QString::fromUtf8("アウトライナーコマンド実行プログラムパス設定"));
    QCOMPARE(Text(window, "Label4"), QString::fromUtf8("しおり付加後PDFファイル保存フォルダ設定"));
    QCOMPARE(Text(window, "Label2"), QString::fromUtf8("しおり追加対象PDFファイルパス指定"));
    QCOMPARE(Text(window, "Label3"), QString::fromUtf8("しおり追加設定CSVファイルパス指定"));
    QCOMPARE(Text(window, "Button24"), QString::fromUtf8("しおり付加実行"));
    QCOMPARE(Text(window, "Button1"), QString::fromUtf8("終     了"));
    for (const char* name : {"Button2", "Button23", "Button25", "Button26"}) QCOMPARE(Text(window, name), QString::fromUtf8("参照"));
    QCOMPARE(Text(window, "Label10"), QString::fromUtf8("c:\\Program Files\\Antenna\\Outliner\\OutlinerCmd.exe"));
    QCOMPARE(Text(window, "Label5"), QString::fromUtf8("c:\\vpdf"));
    QCOMPARE(window.pathLabel("Label8")->grab().toImage().pixelColor(6, 6), QColor(Qt::white));
    QVERIFY2(CutOff(&window).isEmpty(), qPrintable(CutOff(&window).join("; ")));

    QTest::mouseClick(window.findChild<QPushButton*>("Button23"), Qt::LeftButton);
    QCOMPARE(Text(window, "Label8"), QString::fromStdString(base + "vpdf/請求書.pdf"));
    QTest::mouseClick(window.findChild<QPushButton*>("Button25"), Qt::LeftButton);  // cancelled
    QCOMPARE(Text(window, "Label9"), QString());
    window.findChild<QCheckBox*>("CheckBox1")->click();
    QVERIFY(dialog.CheckBox1);
    Screenshot(window, "bookmark-dialog.png");
    window.show();
    QTest::mouseClick(window.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    QVERIFY(!window.isVisible());
  }

  // The dialog on the desktop Ui is a modal window; the headless Ui has none.
  void theBookmarkDialogIsAWindowOnTheDesktopUiOnly() {
    QTemporaryDir dir;
    RunSettings settings;
    InitRunSettingsPaths(settings, dir.path().toStdString() + "/", "/etc/");
    LinuxSystem system;
    HeadlessUi headless({}, "");
    {
      TAddBookMark1 dialog(settings, system, headless);
      QVERIFY(!headless.ShowForm(dialog));
    }

    QtUi desktop(dir.path().toStdString() + "/");
    QString caption;
    QTimer::singleShot(50, [&caption] {
      QWidget* w = QApplication::activeModalWidget();
      if (w == nullptr) return;
      caption = w->windowTitle();
      QTest::mouseClick(w->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    });
    TAddBookMark1 dialog(settings, system, desktop);
    QVERIFY(desktop.ShowForm(dialog));
    QCOMPARE(caption, QString::fromUtf8("しおり追加処理画面"));
    QVERIFY(QDir(dir.path() + "/vpdf").exists());
  }

  void theOutlinerPageFillsItsLabelsEvenWhenCancelled() {
    LinuxSystem system;
    HeadlessUi ui({"/data/a.pdf", "cancel", "/data/a.csv"}, "");
    OutlinerTab tab("/base/", system, ui);
    OutlinerTabPage page(tab);
    QCOMPARE(page.size(), QSize(kOutlinerPage.width, kOutlinerPage.height));
    QTest::mouseClick(page.findChild<QPushButton*>("ButtonPdf"), Qt::LeftButton);
    QTest::mouseClick(page.findChild<QPushButton*>("ButtonPdf"), Qt::LeftButton);
    QCOMPARE(Text(page, "LabelPdf"), QString("/data/a.pdf"));
    QTest::mouseClick(page.findChild<QPushButton*>("ButtonCsv"), Qt::LeftButton);
    QCOMPARE(Text(page, "LabelCsv"), QString("/data/a.csv"));
    QCOMPARE(Text(page, "LabelNote"), QString::fromUtf8(kOutlinerPage.Find("LabelNote")->caption));
    QVERIFY2(CutOff(&page).isEmpty(), qPrintable(CutOff(&page).join("; ")));
    QTest::mouseClick(page.findChild<QPushButton*>("ButtonAdd"), Qt::LeftButton);
    QCOMPARE(ui.shown().size(), size_t(1));  // no outliner chosen: check 1
    Screenshot(page, "outliner-tab.png");
  }

  void theFilingPageListsItsFolderAndHasTheSevenButtons() {
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString() + "/";
    QDir().mkpath(dir.path() + "/zoq/bunsho/sample");
    LinuxSystem system;
    HeadlessUi ui({}, "");
    Raku2TestTab tab(base, system, ui);
    Raku2TabPage page(tab);
    // A folder tree: the drive, the folders down to the open one, then the
    // folders in it (in name order), each one level deeper.
    QDir().mkpath(dir.path() + "/zoq/bunsho/Archive");
    page.show();
    QTreeWidgetItem* drive = page.folderList()->topLevelItem(0);
    QCOMPARE(page.folderList()->topLevelItemCount(), 1);
    QCOMPARE(drive->text(0), QString("c:\\"));
    QCOMPARE(drive->child(0)->text(0), QString("zoq"));
    QTreeWidgetItem* open = drive->child(0)->child(0);
    QCOMPARE(open->text(0), QString("bunsho"));
    QCOMPARE(open->childCount(), 2);
    QCOMPARE(open->child(0)->text(0), QString("Archive"));
    QCOMPARE(open->child(1)->text(0), QString("sample"));
    QVERIFY(open->isExpanded());
    // A double click opens a folder: its folders are listed below it.
    QDir().mkpath(dir.path() + "/zoq/bunsho/sample/2026");
    emit page.folderList()->itemDoubleClicked(open->child(1), 0);
    open = page.folderList()->topLevelItem(0)->child(0)->child(0)->child(0);
    QCOMPARE(open->text(0), QString("sample"));
    QCOMPARE(open->childCount(), 1);
    QCOMPARE(open->child(0)->text(0), QString("2026"));
    // The drive opens the drive's folders again.
    emit page.folderList()->itemDoubleClicked(page.folderList()->topLevelItem(0), 0);
    QCOMPARE(page.folderList()->topLevelItem(0)->childCount(), 1);
    QCOMPARE(page.folderList()->topLevelItem(0)->child(0)->text(0), QString("zoq"));
    QCOMPARE(page.folderList()->topLevelItem(0)->child(0)->childCount(), 0);
    page.hide();
    emit page.folderList()->itemDoubleClicked(page.folderList()->topLevelItem(0)->child(0), 0);
    emit page.folderList()->itemDoubleClicked(page.folderList()->topLevelItem(0)->child(0)->child(0), 0);
    QVERIFY2(CutOff(&page).isEmpty(), qPrintable(CutOff(&page).join("; ")));
    const char* captions[] = {"ファイル作成", "ビューア表示", "バインダ編集", "バインダ操作", "リンクフォルダ取得", "バインダ検索",
                              "流れテスト"};
    for (int i = 0; i < 7; ++i)
      QCOMPARE(Text(page, QString("Button%1").arg(i + 1).toUtf8().constData()), QString::fromUtf8(captions[i]));
    QTest::mouseClick(page.findChild<QPushButton*>("Button4"), Qt::LeftButton);
    QCOMPARE(ui.shown(), std::vector<std::string>{"楽々バインダ操作実行時エラーが発生しました。\nResult[-10000]"});
    Screenshot(page, "filing-test-tab.png");
  }
};

QTEST_MAIN(BookmarkWindowsTest)
#include "bookmark_windows_test.moc"
