// The list-window registry.
#include "program/popup.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace nw {
namespace {

// A QPointer turns null when its window is destroyed: that is how a closed window is known.
std::vector<QPointer<QWidget>>& windows() {
  static std::vector<QPointer<QWidget>> list;
  return list;
}

void forget_closed() { std::erase_if(windows(), [](const QPointer<QWidget>& w) { return w.isNull(); }); }

}  // namespace

void popup_add(QWidget* window) {
  forget_closed();
  if (window != nullptr && std::find(windows().begin(), windows().end(), window) == windows().end())
    windows().emplace_back(window);
}

int popup_broadcast(int number) {
  forget_closed();
  // A window may close or open another while it handles the message: send to a copy.
  const std::vector<QPointer<QWidget>> targets = windows();
  int sent = 0;
  for (const QPointer<QWidget>& w : targets) {
    if (w.isNull()) continue;
    QEvent message(static_cast<QEvent::Type>(number));
    QCoreApplication::sendEvent(w, &message);
    ++sent;
  }
  forget_closed();
  return sent;
}

int popup_count() {
  forget_closed();
  return static_cast<int>(windows().size());
}

void popup_close_all() {
  const std::vector<QPointer<QWidget>> targets = windows();
  windows().clear();
  for (const QPointer<QWidget>& w : targets)
    if (!w.isNull()) delete w.data();
}

}  // namespace nw
