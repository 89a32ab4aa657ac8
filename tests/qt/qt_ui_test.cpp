// The desktop Ui's windows, offscreen: message boxes as Windows shows them,
// the time-out timer inside a modal loop, the progress form and the device
// dialog over its behaviour.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTreeView>
#include <QDateTime>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "platform/qt/desktop_fonts.h"
#include "platform/qt/device_dialog.h"
#include "platform/qt/progress_window.h"
#include "platform/qt/qt_ui.h"
#include "platform/linux/ui_choice.h"

using namespace kestrel;

namespace {

// Runs action on the next modal window to open, other than except.
void OnNextModal(std::function<void(QWidget*)> action, QWidget* except = nullptr) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [poll, action, except] {
    QWidget* w = QApplication::activeModalWidget();
    if (w == nullptr || w == except || !w->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    action(w);
    // A failed check leaves its window open: close every one, so the test
    // ends instead of waiting.
    if (QTest::currentTestFailed())
      while (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget())) open->done(QDialog::Rejected);
  });
  poll->start();
}

QColor Background(QWidget* w) { return w->grab().toImage().pixelColor(2, 2); }

QAbstractButton* ButtonWithText(QMessageBox* box, const QString& text) {
  for (QAbstractButton* b : box->buttons())
    if (b->text().startsWith(text)) return b;
  return nullptr;
}

}  // namespace

class QtUiTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(base_.isValid());
    ui_ = std::make_unique<QtUi>(base_.path().toStdString() + "/");
  }
  void cleanupTestCase() { ui_.reset(); }

  void choiceFollowsSettingAndDisplay() {
    UiKind kind = UiKind::Headless;
    std::string error;
    QVERIFY(ChooseUiKind("", true, kind, error) && kind == UiKind::Desktop);
    QVERIFY(ChooseUiKind("", false, kind, error) && kind == UiKind::Headless);
    QVERIFY(ChooseUiKind("headless", true, kind, error) && kind == UiKind::Headless);
    QVERIFY(ChooseUiKind("qt", true, kind, error) && kind == UiKind::Desktop);
    QVERIFY(!ChooseUiKind("qt", false, kind, error));
    QVERIFY(error.find("display") != std::string::npos);
    QVERIFY(!ChooseUiKind("gtk", true, kind, error));
  }

  // The forms' Tahoma is drawn in the Japanese face fontconfig chose for it.
  void formFaceHasJapaneseGlyphs() {
    const std::string family = FormFaceFamily();
    QVERIFY(!family.empty());
    const QFont font = FormFont(13);
    QCOMPARE(QFontInfo(font).family(), QString::fromStdString(family));
    QVERIFY(QFontMetrics(font).inFont(QChar(0x5370)));  // 印
  }

  // Yes/No: caption, icon, Japanese buttons, Yes as default; Esc and the
  // close box do not answer it.
  void yesNoBoxWaitsForAnAnswer() {
    bool checked = false;
    OnNextModal([&](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      QVERIFY(box != nullptr);
      QCOMPARE(box->windowTitle(), QString("Kestrel"));
      QCOMPARE(box->icon(), QMessageBox::Warning);
      QCOMPARE(box->text(), QString::fromUtf8("終了しますか？\n<b>そのまま</b>"));
      QAbstractButton* yes = ButtonWithText(box, QString::fromUtf8("はい"));
      QVERIFY(yes != nullptr && ButtonWithText(box, QString::fromUtf8("いいえ")) != nullptr);
      QCOMPARE(static_cast<QAbstractButton*>(box->defaultButton()), yes);
      QTest::keyClick(box, Qt::Key_Escape);
      box->close();
      QVERIFY(box->isVisible());
      checked = true;
      QTest::keyClick(box, Qt::Key_Return);
    });
    QVERIFY(ui_->AskYesNo("終了しますか？\n<b>そのまま</b>", MessageKind::Warning));
    QVERIFY(checked);
  }

  // OK/Cancel: Esc is Cancel; a plain message closes with Esc.
  void okCancelBoxCancelsWithEscape() {
    OnNextModal([](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      QCOMPARE(box->icon(), QMessageBox::Information);
      QVERIFY(ButtonWithText(box, QString::fromUtf8("キャンセル")) != nullptr);
      QTest::keyClick(box, Qt::Key_Escape);
    });
    QVERIFY(!ui_->AskOkCancel("続けますか", MessageKind::Information));
    OnNextModal([](QWidget* w) {
      QCOMPARE(qobject_cast<QMessageBox*>(w)->icon(), QMessageBox::Critical);
      QTest::keyClick(w, Qt::Key_Escape);
    });
    ui_->ShowMessage("印刷を中止しました", MessageKind::Error);
  }

  // The timer runs only while a box is open: intervals that ended before
  // are served once on entry, then one per interval while it stays open.
  void timerIsServedInsideTheModalLoop() {
    int served = 0;
    ui_->StartTimer(300, [&] { ++served; });
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 700) ui_->ProcessEvents();
    QCOMPARE(served, 0);
    int servedOnEntry = -1;
    OnNextModal([&](QWidget* w) {
      servedOnEntry = served;
      QTimer::singleShot(1050 - int(clock.elapsed()), w, [w] { QTest::keyClick(w, Qt::Key_Return); });
    });
    ui_->ShowMessage("そのまま", MessageKind::Error);
    ui_->StopTimer();
    QCOMPARE(servedOnEntry, 1);
    QCOMPARE(served, 2);
  }

  void progressFormLooksAndCancels() {
    ui_->ShowProgress("Kestrel 印刷進捗状況");
    ProgressWindow* form = ui_->progressWindow();
    QVERIFY(form != nullptr && form->isVisible());
    QCOMPARE(form->windowTitle(), QString::fromUtf8("Kestrel 印刷進捗状況"));
    QCOMPARE(form->size(), QSize(450, 146));
    QCOMPARE(form->frameGeometry().center(), form->screen()->availableGeometry().center());
    QCOMPARE(Background(form), QColor(166, 202, 240));
    QCOMPARE(form->label()->geometry(), QRect(16, 24, 417, 17));
    QCOMPARE(Background(form->label()), QColor(Qt::white));
    QCOMPARE(form->bar()->geometry(), QRect(16, 56, 417, 17));
    QCOMPARE(form->cancelButton()->geometry(), QRect(176, 103, 105, 25));
    QCOMPARE(form->cancelButton()->text(), QString::fromUtf8("キャンセル"));
    ui_->SetProgressLabel("/data/P0002.pdat");
    ui_->SetProgress(1, 3);
    QCOMPARE(form->label()->text(), QString("/data/P0002.pdat"));
    QCOMPARE(form->bar()->maximum(), 3);
    QCOMPARE(form->bar()->value(), 1);
    QVERIFY(!ui_->ProcessEvents());
    QTest::mouseClick(form->cancelButton(), Qt::LeftButton);
    QVERIFY(ui_->ProcessEvents());
    ui_->HideProgress();
    QVERIFY(!form->isVisible());
    ui_->ShowProgress("Kestrel 印刷進捗状況");
    QVERIFY(!ui_->ProcessEvents());
    ui_->HideProgress();
  }

  // A print started from a modal window (the system menu's print tab):
  // the progress form takes input above it, so キャンセル stops the run.
  void progressFormTakesInputAboveAModalWindow() {
    QDialog menu;
    bool cancelled = false, formOnTop = false, menuBack = false;
    QTimer::singleShot(0, &menu, [&] {
      ui_->ShowProgress("Kestrel 印刷進捗状況");
      ProgressWindow* form = ui_->progressWindow();
      formOnTop = QApplication::activeModalWidget() == form;
      QTest::mouseClick(form->cancelButton(), Qt::LeftButton);
      cancelled = ui_->ProcessEvents();
      ui_->HideProgress();
      menuBack = QApplication::activeModalWidget() == &menu;
      menu.done(QDialog::Accepted);
    });
    ui_->RunModal(menu);
    QVERIFY(formOnTop);
    QVERIFY(menuBack);
    QVERIFY(cancelled);
    QVERIFY(cancelled);
  }

  // Opening: geometry and colours, focus on the list, nothing highlighted.
  // Arrow keys move the highlight, Enter asks; No keeps the dialog open with
  // the previous selection; a double-click and Yes take the row.
  void deviceDialogTakesARowByKeysAndDoubleClick() {
    DeviceDialogRequest request;
    request.caption = "出力プリンタ選択画面";
    request.devices = {"Office", "Kestrel PDF", "Label"};
    bool checked = false;
    OnNextModal([&](QWidget* w) {
      auto* window = qobject_cast<DeviceDialogWindow*>(w);
      QVERIFY(window != nullptr);
      QCOMPARE(window->windowTitle(), QString::fromUtf8("出力プリンタ選択画面"));
      QCOMPARE(window->size(), QSize(428, 390));
      QCOMPARE(window->frameGeometry().center(), window->screen()->availableGeometry().center());
      QCOMPARE(Background(window), QColor(136, 136, 255));
      QCOMPARE(window->list()->geometry(), QRect(8, 32, 410, 265));
      QCOMPARE(window->status()->geometry(), QRect(8, 303, 410, 19));
      QCOMPARE(Background(window->hint()), QColor(192, 192, 192));
      QCOMPARE(QApplication::focusWidget(), window->list());
      QVERIFY(window->list()->selectedItems().isEmpty());
      QVERIFY(!window->list()->currentIndex().isValid());
      QCOMPARE(window->status()->text(), QString::fromUtf8("選択されたデバイス："));
      QTest::keyClick(window->list(), Qt::Key_Down);
      QTest::keyClick(window->list(), Qt::Key_Down);
      QCOMPARE(window->list()->selectedItems().value(0)->text(), QString("Kestrel PDF"));
      OnNextModal(
          [window](QWidget* box) {
            QCOMPARE(window->status()->text(), QString::fromUtf8("選択されたデバイス：Kestrel PDF"));
            QCOMPARE(qobject_cast<QMessageBox*>(box)->text(),
                     QString::fromUtf8("Kestrel PDFを選択しました。\nよろしいですか？"));
            ButtonWithText(qobject_cast<QMessageBox*>(box), QString::fromUtf8("いいえ"))->click();
          },
          window);
      QTest::keyClick(window->list(), Qt::Key_Return);
      QVERIFY(window->isVisible());
      QCOMPARE(window->status()->text(), QString::fromUtf8("選択されたデバイス："));
      OnNextModal([](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); }, window);
      QListWidget* list = window->list();
      const QPoint row = list->visualItemRect(list->item(2)).center();
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
      QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
      checked = true;
    });
    QCOMPARE(ui_->SelectDevice(request), std::string("Label"));
    QVERIFY(checked);
  }

  // The close box asks the close check; with nothing selected, No gives
  // "Cancel". With a preset, No and No refuse the close.
  void deviceDialogCloseBoxAsks() {
    DeviceDialogRequest request;
    request.devices = {"Office"};
    request.preset = "Office";
    int questions = 0;
    OnNextModal([&](QWidget* w) {
      auto* window = qobject_cast<DeviceDialogWindow*>(w);
      QCOMPARE(window->windowTitle(), QString::fromUtf8("PDF出力デバイス選択画面"));
      QCOMPARE(window->status()->text(), QString::fromUtf8("選択されたデバイス：Office"));
      auto answerNo = [&](QWidget* box) {
        ++questions;
        ButtonWithText(qobject_cast<QMessageBox*>(box), QString::fromUtf8("いいえ"))->click();
      };
      OnNextModal([&, answerNo, window](QWidget* box) {
        answerNo(box);
        OnNextModal(answerNo, window);
      }, window);
      window->close();
      QVERIFY(window->isVisible());
      QCOMPARE(questions, 2);
      OnNextModal([&, answerNo, window](QWidget* box) {
        answerNo(box);
        OnNextModal([&](QWidget* second) {
          ++questions;
          QTest::keyClick(second, Qt::Key_Return);
        }, window);
      }, window);
      window->close();
    });
    QCOMPARE(ui_->SelectDevice(request), std::string("Default"));
    QCOMPARE(questions, 4);
  }

  // Windows start folders resolve under the base folder; the filter text
  // becomes the chooser's filters.
  void choosersStartInTheResolvedFolder() {
    QDir().mkpath(base_.path() + "/zoq/palog");
    const QString base = base_.path();
    OnNextModal([base](QWidget* w) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      QVERIFY(dialog != nullptr);
      QCOMPARE(dialog->directory().absolutePath(), base + "/zoq/palog");
      QCOMPARE(dialog->nameFilters(), QStringList({"pdat (*.pdat)", QString::fromUtf8("全て (*.*)")}));
      dialog->reject();
    });
    QCOMPARE(ui_->ChooseFile("開く", "c:\\zoq\\palog", "pdat|*.pdat|全て|*.*"), std::string());
    QCOMPARE(QtFileFilter("解析イメージ|*.jpg;*.jpeg|txt"), std::string("解析イメージ (*.jpg *.jpeg)"));
    OnNextModal([base](QWidget* w) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      QCOMPARE(dialog->directory().absolutePath(), base + "/zoq");
      QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
      dialog->reject();
    });
    QCOMPARE(ui_->ChooseFolder("フォルダ", "\\zoq"), std::string());
  }

  // A chooser's name column shows the longest name whole; sizes and dates
  // are in the Japanese form.
  void choosersShowWholeNamesAndJapaneseDates() {
    const QString name = QString::fromUtf8("2026_Kestrel株式会社_経理部_請求書_納品書_売上台帳_振込票_見本帳票.pdf");
    QDir().mkpath(base_.path() + "/vpdf");
    QFile file(base_.path() + "/vpdf/" + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(10 * 1024, 'x'));
    file.close();
    int nameWidth = 0, columnWidth = 0;
    QString date, size;
    OnNextModal([&](QWidget* w) {
      auto* view = w->findChild<QTreeView*>("treeView");
      QTRY_VERIFY(view != nullptr && view->model()->rowCount(view->rootIndex()) == 1);
      QTest::qWait(50);
      const QModelIndex row = view->model()->index(0, 0, view->rootIndex());
      nameWidth = view->fontMetrics().horizontalAdvance(name);
      columnWidth = view->columnWidth(0);
      size = row.siblingAtColumn(1).data().toString();
      date = row.siblingAtColumn(3).data().toString();
      qobject_cast<QDialog*>(w)->reject();
    });
    ui_->ChooseFile("開く", "c:\\vpdf", "pdf|*.pdf");
    QFile::remove(file.fileName());
    QVERIFY2(columnWidth > nameWidth, qPrintable(QString("%1 <= %2").arg(columnWidth).arg(nameWidth)));
    QVERIFY2(QRegularExpression("^\\d{4}/\\d{2}/\\d{2} \\d{1,2}:\\d{2}$").match(date).hasMatch(), qPrintable(date));
    QCOMPARE(size, QString("10 KB"));
  }

 private:
  QTemporaryDir base_;  // the base folder, under TMPDIR, removed at the end
  std::unique_ptr<QtUi> ui_;
};

QTEST_MAIN(QtUiTest)
#include "qt_ui_test.moc"
