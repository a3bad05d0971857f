// The adapter selection dialog: one row per capture adapter (name, description, link speed),
// the adapter in use selected. Ends with the adapter chosen, or the one in use when nothing
// was chosen.
#pragma once

#include <QDialog>

#include <cstddef>
#include <optional>
#include <span>

#include "model/adapter_desc.h"

class QTreeWidget;

namespace nw {

class adapter_dialog_box : public QDialog {
 public:
  adapter_dialog_box(QWidget* owner, std::span<const adapter_desc> adapters, std::size_t current);

  [[nodiscard]] QTreeWidget& list() { return *list_; }
  // The row selected now, if any.
  [[nodiscard]] std::optional<std::size_t> selected_row() const;
  // Once the dialog has ended: the row selected at OK, else the current index.
  [[nodiscard]] std::size_t chosen() const;

 private:
  QTreeWidget* list_;
  std::size_t current_;
};

// Runs the dialog modally (the adapter switch command, Ctrl+A).
[[nodiscard]] std::size_t adapter_dialog(QWidget* owner, std::span<const adapter_desc> adapters, std::size_t current);

}  // namespace nw
