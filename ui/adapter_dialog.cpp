// The adapter selection dialog over the rows the capture module makes.
#include "ui/adapter_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "capture/adapter_rows.h"
#include "core/str_cache.h"

namespace nw {
namespace {

constexpr std::uint32_t STR_TITLE = 202;  // "Выбор адаптера для наблюдения"

QString text_of(const std::string& text) { return QString::fromStdString(text); }

void fill(QTreeWidget& list, std::span<const adapter_desc> adapters) {
  QStringList titles;
  for (const adapter_column& column : ADAPTER_COLUMNS) titles << QString::fromUtf8(str_text(column.title));
  list.setHeaderLabels(titles);
  for (int i = 0; i < static_cast<int>(ADAPTER_COLUMNS.size()); ++i) {
    list.setColumnWidth(i, ADAPTER_COLUMNS[static_cast<std::size_t>(i)].width);
  }
  for (const adapter_row& row : adapter_rows_make(adapters)) {
    new QTreeWidgetItem(&list, QStringList{text_of(row.name), text_of(row.description), text_of(row.speed)});
  }
}

}  // namespace

adapter_dialog_box::adapter_dialog_box(QWidget* owner, std::span<const adapter_desc> adapters, std::size_t current)
    : QDialog(owner), list_(new QTreeWidget(this)), current_(current) {
  setWindowTitle(QString::fromUtf8(str_text(STR_TITLE)));
  // A report-style list: no tree decoration, whole rows selected, one at a time.
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setAllColumnsShowFocus(true);
  fill(*list_, adapters);
  if (list_->topLevelItemCount() > 0) {
    const auto row = adapter_rows_selected(current, adapters.size());
    QTreeWidgetItem* item = list_->topLevelItem(static_cast<int>(row));
    list_->setCurrentItem(item);
    item->setSelected(true);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addWidget(buttons);
  resize(480, 220);
  list_->setFocus();
}

std::optional<std::size_t> adapter_dialog_box::selected_row() const {
  const QList<QTreeWidgetItem*> items = list_->selectedItems();
  if (items.isEmpty()) return std::nullopt;
  return static_cast<std::size_t>(list_->indexOfTopLevelItem(items.front()));
}

std::size_t adapter_dialog_box::chosen() const {
  return adapter_rows_chosen(current_, selected_row(), result() == QDialog::Accepted);
}

std::size_t adapter_dialog(QWidget* owner, std::span<const adapter_desc> adapters, std::size_t current) {
  adapter_dialog_box box(owner, adapters, current);
  box.exec();
  return box.chosen();
}

}  // namespace nw
