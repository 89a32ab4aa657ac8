#include "platform/qt/raku2_tab_page.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "platform/qt/desktop_fonts.h"

namespace kestrel {

Raku2TabPage::Raku2TabPage(Raku2TestTab& tab, QWidget* parent) : QWidget(parent), tab_(tab) {
  resize(kWidth, kHeight);
  setFont(FormFont(14));
  auto* heading = new QLabel(QString::fromUtf8(Raku2TestTab::kFolderHeading), this);
  heading->setObjectName("LabelFolder");
  heading->setGeometry(16, 12, 300, 20);
  heading->setFont(FormFont(14, true));
  folders_ = new QListWidget(this);
  folders_->setObjectName("DirectoryListBox1");
  folders_->setGeometry(16, 36, 300, 360);
  folders_->setFont(FormFont(14));

  int y = 36;
  int index = 0;
  for (const Raku2TestTab::Button& entry : Raku2TestTab::kButtons) {
    auto* button = new QPushButton(QString::fromUtf8(entry.caption), this);
    button->setObjectName(QString("Button%1").arg(++index));
    button->setGeometry(336, y, 228, 32);
    button->setFont(FormFont(14));
    y += 44;
    const auto click = entry.click;
    connect(button, &QPushButton::clicked, this, [this, click] { (tab_.*click)(); });
  }
  OpenFolder();
}

void Raku2TabPage::showEvent(QShowEvent* event) {
  OpenFolder();
  QWidget::showEvent(event);
}

void Raku2TabPage::OpenFolder() {
  folders_->clear();
  const QString folder = QString::fromStdString(tab_.FolderListFolder());
  folders_->addItem(folder);
  for (const QString& name : QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
    folders_->addItem("  " + name);
}

}  // namespace kestrel
