#include "platform/qt/raku2_tab_page.h"

#include <QApplication>
#include <QTreeWidget>
#include <algorithm>
#include <QPushButton>
#include <QStyle>

#include "forms/form_tables.h"
#include "platform/qt/form_builder.h"

namespace kestrel {

Raku2TabPage::Raku2TabPage(Raku2TestTab& tab, QWidget* parent) : QWidget(parent), tab_(tab) {
  resize(FormSize(kFilingPage));
  const BuiltForm form = BuildForm(kFilingPage, this);
  folders_ = form.get<QTreeWidget>("DirectoryListBox1");
  for (int i = 0; i < 7; ++i) {
    const auto click = Raku2TestTab::kClicks[i];
    connect(form.get<QPushButton>("Button" + std::to_string(i + 1)), &QPushButton::clicked, this,
            [this, click] { (tab_.*click)(); });
  }
  connect(folders_, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { tab_.OpenFolderRow(item->data(0, Qt::UserRole).toInt()); });
  subscription_ = tab_.Subscribe([this](std::string_view what) {
    if (what.empty() || what == "DirectoryListBox1") ShowFolders();
  });
  tab_.OpenFolderList();
}

void Raku2TabPage::showEvent(QShowEvent* event) {
  tab_.OpenFolderList();
  QWidget::showEvent(event);
}

void Raku2TabPage::ShowFolders() {
  folders_->clear();
  const QIcon open = QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = QApplication::style()->standardIcon(QStyle::SP_DirClosedIcon);
  std::vector<QTreeWidgetItem*> path;  // the last item of each depth
  int row = 0;
  for (const Raku2TestTab::FolderRow& folder : tab_.FolderTree()) {
    const size_t depth = size_t(std::max(0, folder.depth));
    auto* item = depth == 0 || path.size() < depth ? new QTreeWidgetItem(folders_) : new QTreeWidgetItem(path[depth - 1]);
    item->setText(0, QString::fromStdString(folder.name));
    item->setIcon(0, folder.open ? open : closed);
    item->setData(0, Qt::UserRole, row++);
    path.resize(depth);
    path.push_back(item);
  }
  folders_->expandAll();
}

}  // namespace kestrel
