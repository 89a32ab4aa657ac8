#include "platform/qt/qt_ui.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QTreeView>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>
#include <chrono>
#include <cstdlib>

#include "platform/device_selection.h"
#include "platform/qt/bookmark_window.h"
#include "platform/qt/desktop_fonts.h"
#include "platform/qt/device_dialog.h"
#include "platform/qt/font_set_dialog.h"
#include "platform/qt/message_box.h"
#include "platform/qt/progress_window.h"
#include "platform/qt/system_menu_window.h"
#include "util/paths.h"

namespace kestrel {
namespace {

// The forms this Ui shows, by the form's name.
constexpr struct {
  const char* form;
  FormView show;
} kFormViews[] = {
    {"SysMenu1", &SystemMenuWindow::ShowModal},
    {"FontSet", &FontSetDialog::ShowModal},
    {"AddBookMark1", &BookmarkWindow::ShowModal},
};

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The application object's arguments live as long as it does.
int gArgc = 1;
char gProgram[] = "kestrel";
char* gArgv[] = {gProgram, nullptr};

// Once per application object, whoever created it.
void PrepareApplication() {
  if (qApp->property("kestrelPrepared").toBool()) return;
  qApp->setProperty("kestrelPrepared", true);
  QApplication::setQuitOnLastWindowClosed(false);
  auto* translator = new QTranslator(qApp);
  if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_",
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(translator);
  MapFormFace();
  QApplication::setFont(FormFont(12));
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v == nullptr ? std::string() : std::string(v);
}

}  // namespace

QtUi::QtUi(std::string baseDir)
    : baseDir_(std::move(baseDir)), messagesFile_(Env("KESTREL_MESSAGES")), terminal_({}, {}) {
  if (QApplication::instance() == nullptr) app_ = std::make_unique<QApplication>(gArgc, gArgv);
  PrepareApplication();
}

QtUi::~QtUi() { progress_.reset(); }

bool QtUi::ShowForm(FormModel& form) {
  for (const auto& view : kFormViews)
    if (std::string_view(view.form) == form.FormName()) return view.show(*this, form);
  return false;
}

QWidget* QtUi::ModalParent() { return QApplication::activeModalWidget(); }

int QtUi::RunModal(QDialog& dialog) {
  QTimer tick;
  tick.setSingleShot(true);
  tick.setTimerType(Qt::PreciseTimer);
  auto arm = [this, &tick] {
    if (timer_.running()) tick.start(int(std::max<int64_t>(0, timer_.NextDue() - NowMs())));
  };
  QObject::connect(&tick, &QTimer::timeout, [this, arm] {
    timer_.ServeIfDue(NowMs());
    arm();
  });
  // A box the handler opened does not serve the timer again.
  if (!timer_.serving()) {
    timer_.ServeIfDue(NowMs());
    arm();
  }
  return dialog.exec();
}

void QtUi::ShowMessage(const std::string& text, MessageKind kind) {
  AppendToMessagesFile(messagesFile_, text);
  WindowsMessageBox box(text, kind, BoxButtons::Ok, ModalParent());
  RunModal(box);
}

bool QtUi::AskYesNo(const std::string& text, MessageKind kind) {
  AppendToMessagesFile(messagesFile_, text);
  WindowsMessageBox box(text, kind, BoxButtons::YesNo, ModalParent());
  RunModal(box);
  return box.Affirmed();
}

bool QtUi::AskOkCancel(const std::string& text, MessageKind kind) {
  AppendToMessagesFile(messagesFile_, text);
  WindowsMessageBox box(text, kind, BoxButtons::OkCancel, ModalParent());
  RunModal(box);
  return box.Affirmed();
}

// Warnings hold nothing up: standard error, as without a display.
void QtUi::Warn(const std::string& text) { terminal_.Warn(text); }

std::string QtUi::SelectDevice(const DeviceDialogRequest& request) {
  // The window shows the dialog's state as it asks (a taken row is in the
  // status line while its confirmation is open): the dialog says so.
  TSelPrn1 dialog([this](DeviceQuestion, const std::string& text, MessageKind kind) { return AskYesNo(text, kind); });
  dialog.Configure(request);
  dialog.FormShow();
  DeviceDialogWindow shown(dialog, ModalParent());
  RunModal(shown);
  return dialog.GetSelection();
}

void QtUi::ShowProgress(const std::string& caption) {
  cancelled_ = false;
  if (!progress_) {
    progress_ = std::make_unique<ProgressWindow>([this] { cancelled_ = true; });
    // Above every window: a print started from a modal form (the system
    // menu) would otherwise leave the form's cancel button without input.
    progress_->setWindowModality(Qt::ApplicationModal);
  }
  progress_->setWindowTitle(QString::fromStdString(caption));
  progress_->show();
  QApplication::processEvents();
}

void QtUi::SetProgressLabel(const std::string& label) {
  if (progress_) progress_->SetLabel(label);
}

void QtUi::SetProgress(int position, int maximum) {
  if (progress_) progress_->SetProgress(position, maximum);
}

void QtUi::HideProgress() {
  if (progress_) progress_->hide();
  QApplication::processEvents();
}

bool QtUi::ProcessEvents() {
  QApplication::processEvents();
  return cancelled_;
}

void QtUi::StartTimer(int intervalMs, std::function<void()> handler) {
  timer_.Start(NowMs(), intervalMs, std::move(handler));
}

void QtUi::StopTimer() { timer_.Stop(); }

std::string QtUi::ChooseFile(const std::string& title, const std::string& folder, const std::string& filter) {
  QFileDialog dialog(ModalParent(), QString::fromStdString(title),
                     folder.empty() ? QString() : QString::fromStdString(ResolvePath(baseDir_, folder)),
                     QString::fromStdString(QtFileFilter(filter)));
  PrepareChooser(dialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (RunModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first().toStdString();
}

std::string QtUi::ChooseFolder(const std::string& title, const std::string& folder) {
  QFileDialog dialog(ModalParent(), QString::fromStdString(title),
                     folder.empty() ? QString() : QString::fromStdString(ResolvePath(baseDir_, folder)));
  PrepareChooser(dialog);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  if (RunModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first().toStdString();
}

namespace {

// The chooser's sizes and dates in the Japanese form, whatever the
// system's locale.
class JapaneseFileColumns final : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;
  QVariant data(const QModelIndex& index, int role) const override {
    auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || files == nullptr || (index.column() != 1 && index.column() != 3))
      return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    if (index.column() == 3) return japanese.toString(files->lastModified(source), QLocale::ShortFormat);
    if (files->isDir(source)) return QIdentityProxyModel::data(index, role);
    return japanese.formattedDataSize(files->size(source), 0, QLocale::DataSizeTraditionalFormat);
  }
};

}  // namespace

void PrepareChooser(QFileDialog& dialog) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
  dialog.setViewMode(QFileDialog::Detail);
  dialog.setProxyModel(new JapaneseFileColumns(&dialog));
  dialog.resize(760, 460);
  // The name column as wide as the names shown, once a folder is read.
  auto* view = dialog.findChild<QTreeView*>("treeView");
  auto* files = dialog.findChild<QFileSystemModel*>();
  if (view == nullptr || files == nullptr) return;
  QObject::connect(files, &QFileSystemModel::directoryLoaded, view, [view] {
    QTimer::singleShot(0, view, [view] {
      view->resizeColumnToContents(0);
      view->resizeColumnToContents(3);
    });
  });
}

std::string QtFileFilter(const std::string& windowsFilter) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= windowsFilter.size()) {
    size_t bar = windowsFilter.find('|', start);
    if (bar == std::string::npos) bar = windowsFilter.size();
    parts.push_back(windowsFilter.substr(start, bar - start));
    start = bar + 1;
  }
  std::string out;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string patterns = parts[i + 1];
    for (char& c : patterns)
      if (c == ';') c = ' ';
    if (patterns.empty()) continue;
    if (!out.empty()) out += ";;";
    out += parts[i] + " (" + patterns + ")";
  }
  return out;
}

}  // namespace kestrel
