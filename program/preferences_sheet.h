// The preferences sheet ("Настройки"): three pages, OK and Cancel, no Apply. Pages in order:
// "Просмотр следующего:" (the columns of the host list and of the sent-traffic node-watch
// window), "Name resolution" and "Token Ring MAC Events". Changes stay in memory until the
// settings are written at shutdown.
#pragma once

#include <QDialog>

#include <map>

class QCheckBox;
class QTabWidget;

namespace nw {

class preferences_sheet : public QDialog {
 public:
  explicit preferences_sheet(QWidget* owner);

  // The check box with this number (11500.., 11600.., 11700, 11801..11816), or nullptr.
  [[nodiscard]] QCheckBox* box(int id) const;
  [[nodiscard]] QTabWidget& pages() { return *pages_; }

  // OK: the column orders made anew from the boxes (and the list windows told, message 5026),
  // "resolve" and the 16 Token Ring switches set from theirs.
  void accept() override;

 private:
  QWidget* make_columns_page();
  QWidget* make_resolve_page();
  QWidget* make_trmac_page();
  QCheckBox* add_box(int id, const QString& text, bool checked, QWidget* parent);

  QTabWidget* pages_;
  std::map<int, QCheckBox*> boxes_;
};

// Runs the sheet modally over owner.
void preferences_run(QWidget* owner);

}  // namespace nw
