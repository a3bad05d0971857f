// The preferences sheet.
#include "program/preferences_sheet.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>
#include <vector>

#include "capture/trmac.h"
#include "core/str_cache.h"
#include "program/popup.h"
#include "program/preferences.h"
#include "program/settings.h"

namespace nw {
namespace {

constexpr std::uint32_t STR_PREFERENCES = 50644;  // "Настройки"
constexpr std::uint32_t STR_HOST_LIST = 50884;    // "Список хостов"
constexpr std::uint32_t STR_SENT = 50926;         // "<Отправлено>"

QString text(std::uint32_t number) { return QString::fromUtf8(str_text(number)); }

}  // namespace

preferences_sheet::preferences_sheet(QWidget* owner) : QDialog(owner), pages_(new QTabWidget(this)) {
  setWindowTitle(text(STR_PREFERENCES));
  pages_->setUsesScrollButtons(false);  // every page's tab in view
  pages_->addTab(make_columns_page(), QString::fromUtf8("Просмотр следующего:"));
  pages_->addTab(make_resolve_page(), QString::fromUtf8("Name resolution"));
  pages_->addTab(make_trmac_page(), QString::fromUtf8("Token Ring MAC Events"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addWidget(buttons);
}

QCheckBox* preferences_sheet::add_box(int id, const QString& label, bool checked, QWidget* parent) {
  auto* box = new QCheckBox(label, parent);
  box->setObjectName(QString::number(id));
  box->setChecked(checked);
  boxes_[id] = box;
  return box;
}

QCheckBox* preferences_sheet::box(int id) const {
  const auto it = boxes_.find(id);
  return it != boxes_.end() ? it->second : nullptr;
}

// Each column's box, laid out in the order of the box numbers as on the original page.
QWidget* preferences_sheet::make_columns_page() {
  auto* page = new QWidget;
  auto* row = new QHBoxLayout(page);
  const std::pair<const column_choice*, std::uint32_t> groups[] = {{&preferences_host_list(), STR_HOST_LIST},
                                                                   {&preferences_node_watch(), STR_SENT}};
  for (const auto& [choice, caption] : groups) {
    auto* group = new QGroupBox(text(caption), page);
    auto* column = new QVBoxLayout(group);
    const std::span<const std::int32_t> order = preferences_order(*choice);
    std::vector<std::pair<int, int>> by_box;  // (box, column)
    for (std::size_t c = 0; c < choice->boxes.size(); ++c) by_box.emplace_back(choice->boxes[c], static_cast<int>(c));
    std::sort(by_box.begin(), by_box.end());
    for (const auto& [id, c] : by_box) {
      const auto title = choice->first_title + 2 * static_cast<std::uint32_t>(c);
      column->addWidget(add_box(id, text(title), preferences_shown(order, c), group));
    }
    column->addStretch();
    row->addWidget(group);
  }
  return page;
}

QWidget* preferences_sheet::make_resolve_page() {
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);
  column->addWidget(add_box(PREFERENCES_RESOLVE_BOX, QString::fromUtf8("Resolve IP names using DNS"),
                            settings().resolve.load() == 1, page));
  column->addStretch();
  return page;
}

QWidget* preferences_sheet::make_trmac_page() {
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);
  for (std::size_t i = 0; i < TRMAC_FLAGS; ++i) {
    const int id = PREFERENCES_TRMAC_FIRST_BOX + static_cast<int>(i);
    column->addWidget(add_box(id, QString::fromUtf8(trmac_flag_text(i)), trmac_flag(i), page));
  }
  column->addStretch();
  return page;
}

void preferences_sheet::accept() {
  for (const column_choice* choice : {&preferences_host_list(), &preferences_node_watch()}) {
    std::vector<bool> checked;
    for (int id : choice->boxes) checked.push_back(box(id)->isChecked());
    preferences_set_order(preferences_order(*choice), checked);
  }
  settings().resolve = box(PREFERENCES_RESOLVE_BOX)->isChecked() ? 1 : 0;
  for (std::size_t i = 0; i < TRMAC_FLAGS; ++i)
    trmac_set_flag(i, box(PREFERENCES_TRMAC_FIRST_BOX + static_cast<int>(i))->isChecked());
  QDialog::accept();
  popup_broadcast(POPUP_MSG_COLUMNS_CHANGED);
}

void preferences_run(QWidget* owner) {
  preferences_sheet sheet(owner);
  sheet.exec();
}

}  // namespace nw
