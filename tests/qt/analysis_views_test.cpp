// The analysis tabs' pages and the font settings window, offscreen: the
// window's geometry and colour, what reaches the models from the controls,
// the keys of the log page and the page image at its own size.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "platform/headless/headless_ui.h"
#include "platform/linux/iconv_codec.h"
#include "platform/text_codec.h"
#include "platform/qt/analysis_image_page.h"
#include "platform/qt/analysis_log_page.h"
#include "cut_off.h"
#include "platform/qt/analysis_page.h"
#include "platform/qt/desktop_fonts.h"
#include "platform/qt/font_set_dialog.h"
#include "platform/qt/qt_ui.h"
#include "platform/qt/system_menu_window.h"
#include "util/profile_file.h"
#include "platform/recording/memory_print_system.h"

using namespace kestrel;

namespace {

std::string TempFolder() {
  static std::string folder = [] {
    std::string f = (std::filesystem::temp_directory_path() / ("kestrel-qt-analysis-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(f);
    return f;
  }();
  return folder;
}

}  // namespace

class AnalysisViewsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    InstallIconvCodec();
    MapFormFace();
  }
  void cleanupTestCase() { std::filesystem::remove_all(TempFolder()); }

  void fontFormHasItsSizeColourAndPlaces() {
    MemoryDevice device = StandardDevice("Office");
    device.fonts = {"IPAGothic", "IPAMincho"};
    MemoryPrintSystem printers({device});
    HeadlessUi ui({}, {});
    TFontSet model(ui, printers, TempFolder() + "/kestrel.inf");
    FontSetDialog dialog(model);
    QCOMPARE(dialog.size(), QSize(711, 686));
    QCOMPARE(dialog.grab().toImage().pixelColor(5, 5), QColor(227, 232, 179));
    QCOMPARE(dialog.button(1)->geometry(), QRect(588, 40, 108, 41));
    QCOMPARE(dialog.button(7)->geometry(), QRect(360, 40, 108, 41));
    QCOMPARE(dialog.label1()->text(), QString("選択できるフォント数：4 個"));
    QCOMPARE(dialog.face(TFontSet::ComboBox6)->count(), 4);
    QVERIFY(!dialog.check(TFontSet::hanmin_chk2)->isVisibleTo(&dialog));
    const QStringList cut = CutOff(&dialog);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; ")));

    // A chosen entry is a selection; typed text is not.
    dialog.face(TFontSet::ComboBox3)->setCurrentIndex(2);
    QCOMPARE(model.SelectedFace(TFontSet::ComboBox3), std::string("IPAGothic"));
    dialog.face(TFontSet::ComboBox3)->setEditText("IPAGoth");
    QCOMPARE(model.Selected(TFontSet::ComboBox3), -1);
    dialog.memo(TFontSet::Memo1)->setPlainText("A\nB");
    QCOMPARE(model.MemoLines(TFontSet::Memo1).size(), size_t(2));

    // The save stops at the panel without a face, focus on its face box.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.button(1)->click();
    QVERIFY(dialog.isVisible());
    QCOMPARE(QApplication::focusWidget(), dialog.face(TFontSet::ComboBox3));
    dialog.button(2)->click();
    QVERIFY(!dialog.isVisible());

    // Shown again (a new window over the same form), it shows what the
    // cancelled window was left with.
    dialog.check(TFontSet::CheckBox2)->setChecked(true);
    FontSetDialog again(model);
    QVERIFY(again.check(TFontSet::CheckBox2)->isChecked());
    QCOMPARE(again.memo(TFontSet::Memo1)->toPlainText(), QString("A\nB"));
    QCOMPARE(again.face(TFontSet::ComboBox3)->currentIndex(), -1);
  }

  // The desktop Ui shows the form modally; its save writes the file.
  void theDesktopUiShowsTheFormAndItsSaveWrites() {
    QtUi desktop(TempFolder() + "/");
    MemoryDevice device = StandardDevice("Office");
    device.fonts = {"IPAGothic"};
    MemoryPrintSystem printers({device});
    const std::string settings = TempFolder() + "/desktop.inf";
    TFontSet form(desktop, printers, settings);
    form.Select(TFontSet::ComboBox2, 2);
    bool pressed = false;
    QTimer::singleShot(50, [&] {
      auto* window = qobject_cast<FontSetDialog*>(QApplication::activeModalWidget());
      if (window == nullptr) return;
      pressed = true;
      window->button(1)->click();
    });
    QVERIFY(desktop.ShowForm(form));
    QVERIFY(pressed);
    ProfileFile file;
    QVERIFY(file.Load(settings) == ProfileFile::LoadResult::kOk);
    QCOMPARE(file.GetString("SETTING", "$pFontGot", "?"), std::string("IPAGothic"));
  }

  // The desktop's system menu carries the three pages in their tabs.
  void theMenuWindowHoldsTheAnalysisPages() {
    QtUi desktop(TempFolder() + "/");
    MemoryPrintSystem printers({StandardDevice("Office")});
    TSysMenu1 menu(desktop, printers, {});
    menu.SetBaseDir(TempFolder() + "/");
    QStringList tabs, cut;
    QTimer::singleShot(50, [&] {
      auto* window = qobject_cast<SystemMenuWindow*>(QApplication::activeModalWidget());
      if (window == nullptr) return;
      for (QWidget* page : std::initializer_list<QWidget*>{window->findChild<AnalysisPage*>(),
                                                           window->findChild<AnalysisLogPage*>(),
                                                           window->findChild<AnalysisImagePage*>()}) {
        const int at = page == nullptr ? -1 : window->tabs()->indexOf(page);
        tabs << (at < 0 ? QString() : window->tabs()->tabText(at));
        // Each page shows whole in its tab, which gives it the size of the
        // page shown (without showing it: the log and image tabs would open
        // their choosers).
        if (page == nullptr) continue;
        page->resize(window->tabs()->currentWidget()->size());
        if (QLayout* layout = page->layout()) layout->activate();
        cut << CutOff(page);
      }
      window->close();
    });
    QVERIFY(desktop.ShowForm(menu));
    QCOMPARE(tabs, (QStringList{"PDAT解析", "解析ログ", "解析イメージ"}));
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; ")));
  }

  void analysisPageTicksReachTheLists() {
    HeadlessUi ui({}, {});
    TAnalysisTab model(ui, {});
    AnalysisPage page(model);
    page.box("LinePat2")->setChecked(true);
    page.box("font1")->setChecked(true);
    page.button("Button17")->click();
    QVERIFY(page.box("patcheck15")->isChecked());
    QCOMPARE(model.CollectExclusions(),
             (ExclusionLists{"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15", "2", "", "", "1"}));
    page.button("Button22")->click();
    QVERIFY(!page.box("font1")->isChecked());
  }

  void logPageKeysGoToTheModelFromTheSearchFieldToo() {
    const std::string log = TempFolder() + "/alog.txt";
    std::ofstream(log) << "first line\nsecond MATCH\nthird match\n";
    HeadlessUi ui({log}, {});
    TAnalysisLogTab model(ui);
    AnalysisLogPage page(model);
    page.setOpenOnShow(false);
    page.resize(800, 400);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCOMPARE(page.area()->palette().color(QPalette::Base), QColor(Qt::black));
    QCOMPARE(page.area()->palette().color(QPalette::Text), QColor(Qt::yellow));
    QCOMPARE(page.area()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    page.button("LogOpen")->click();
    QCOMPARE(page.area()->toPlainText(), QString("first line\nsecond MATCH\nthird match\n"));

    // The field loses its first text when entered; F3 there searches.
    page.searchField()->setFocus();
    QCOMPARE(page.searchField()->text(), QString());
    QTest::keyClicks(page.searchField(), "match");
    QTest::keyClick(page.searchField(), Qt::Key_F3);
    QCOMPARE(page.area()->textCursor().selectedText(), QString("MATCH"));
    QCOMPARE(page.area()->textCursor().selectionStart(), 18);
    QTest::keyClick(page.area(), Qt::Key_F3);
    QCOMPARE(page.area()->textCursor().selectionStart(), 30);
    QTest::keyClick(page.area(), Qt::Key_F2);
    QCOMPARE(page.area()->textCursor().position(), 24);
    QTest::keyClick(page.area(), Qt::Key_F1);
    QCOMPARE(page.area()->textCursor().position(), 0);
  }

  // Changing to the tab opens the log chooser; afterwards the text area
  // holds the focus, and the search field keeps its first text until the
  // operator enters it.
  void theLogTabKeepsTheSearchFieldsFirstText() {
    HeadlessUi ui({}, {});  // the chooser is cancelled
    TAnalysisLogTab model(ui);
    AnalysisLogPage page(model);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QTRY_VERIFY(page.area()->hasFocus());
    QCOMPARE(page.searchField()->text(), QString("ログ内検索ワード"));
    QCOMPARE(model.SearchText(), std::string("ログ内検索ワード"));
  }

  // A page at 350 dpi: shown at its own size, and a scroll step through it
  // takes a few milliseconds.
  void aFullPageImageScrolls() {
    const std::string file = TempFolder() + "/page.jpg";
    QImage page(2894, 4093, QImage::Format_Grayscale8);
    page.fill(Qt::white);
    for (int y = 0; y < page.height(); y += 40) page.scanLine(y)[y % page.width()] = 0;
    QVERIFY(page.save(QString::fromStdString(file), "JPG"));
    HeadlessUi ui({file}, {});
    TAnalysisImageTab model(ui);
    AnalysisImagePage view(model);
    view.setOpenOnShow(false);
    view.resize(1000, 700);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QElapsedTimer load;
    load.start();
    QVERIFY(model.ChooseImage());
    const qint64 loadMs = load.elapsed();
    QCOMPARE(view.image()->size(), QSize(2894, 4093));
    QScrollBar* bar = view.scrollArea()->verticalScrollBar();
    QVERIFY(bar->maximum() > 3000);
    QElapsedTimer scroll;
    scroll.start();
    int steps = 0;
    for (int v = 0; v <= bar->maximum(); v += 40, ++steps) {
      bar->setValue(v);
      view.scrollArea()->viewport()->repaint();
    }
    const double perStep = double(scroll.elapsed()) / steps;
    qInfo("page image: loaded in %lld ms, %d scroll steps at %.2f ms each", loadMs, steps, perStep);
    QVERIFY(perStep < 16.0);
  }

  // Pictures for the README (scripts/analysis-screenshots.sh): with
  // KESTREL_SCREENSHOTS naming a folder, KESTREL_SHOT_LOG an analysis log
  // and KESTREL_SHOT_IMAGE its page, each window is grabbed there.
  void screenshots() {
    const QString folder = qEnvironmentVariable("KESTREL_SCREENSHOTS");
    if (folder.isEmpty()) QSKIP("KESTREL_SCREENSHOTS not set");
    const std::string log = qEnvironmentVariable("KESTREL_SHOT_LOG").toStdString();
    const std::string image = qEnvironmentVariable("KESTREL_SHOT_IMAGE").toStdString();
    auto save = [&](QWidget& w, const char* name) {
      w.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      QTest::qWait(200);
      QVERIFY(w.grab().save(folder + "/" + name));
    };

    MemoryDevice device = StandardDevice("Office");
    device.fonts = {"IPAGothic", "IPAMincho", "IPAPGothic", "IPAPMincho", "OCR B"};
    MemoryPrintSystem printers({device});
    const std::string settings = TempFolder() + "/shot.inf";
    std::ofstream(settings) << SjisFromUtf8(
        "[SETTING]\r\n$pFontMin=\"IPAMincho\"\r\n$pFontEscape=3\r\n$pStringFontMin=\"IPAGothic\",\"A\",\"B\",\r\n"
        "$pFontMinGrp=1\r\n$pStringFontGot2=\"IPAPGothic\",\"株式会社\",\"御中\",\r\n");
    HeadlessUi ui({log, image}, {});
    TFontSet form(ui, printers, settings);
    FontSetDialog dialog(form);
    save(dialog, "font-settings.png");

    TAnalysisTab data(ui, {});
    data.SetLabel4("/home/operator/zoq/invoice.pdat");
    for (const char* name : {"patcheck3", "patcheck7", "LinePat1", "circle1", "font2"}) data.Boxes().Set(name, true);
    AnalysisPage dataPage(data);
    dataPage.resize(1010, 660);
    save(dataPage, "analysis-tab.png");

    TAnalysisLogTab logTab(ui);
    AnalysisLogPage logPage(logTab);
    logPage.setOpenOnShow(false);
    logPage.resize(1010, 660);
    QVERIFY(logTab.OpenLog());
    logTab.SetSearchText("【円】");
    logTab.FindNextInLog();
    save(logPage, "analysis-log.png");

    TAnalysisImageTab imageTab(ui);
    AnalysisImagePage imagePage(imageTab);
    imagePage.setOpenOnShow(false);
    imagePage.resize(1010, 660);
    QVERIFY(imageTab.ChooseImage());
    imagePage.scrollArea()->verticalScrollBar()->setValue(900);
    save(imagePage, "analysis-image.png");
  }
};

QTEST_MAIN(AnalysisViewsTest)
#include "analysis_views_test.moc"
