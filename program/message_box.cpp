// Message boxes for the engine's messages.
#include "program/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include <cstdio>

namespace nw {
namespace {

QMessageBox::Icon icon_of(message_icon icon) {
  switch (icon) {
    case message_icon::information: return QMessageBox::Information;
    case message_icon::exclamation: return QMessageBox::Warning;
    case message_icon::stop: return QMessageBox::Critical;
    case message_icon::none: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void message_box_show(const message& msg) {
  QMessageBox box(icon_of(msg.icon), QString::fromStdString(msg.caption), QString::fromStdString(msg.text),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

void message_box_hook(const message& msg) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) {
    std::fprintf(stderr, "%s: %s\n", msg.caption.c_str(), msg.text.c_str());
    return;
  }
  if (QThread::currentThread() == app->thread()) {
    message_box_show(msg);
    return;
  }
  QMetaObject::invokeMethod(app, [msg] { message_box_show(msg); }, Qt::QueuedConnection);
}

}  // namespace nw
