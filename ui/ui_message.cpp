// The stop for a message no window expects.
#include "ui/ui_message.h"

#include <QtGlobal>

#include <typeinfo>

namespace nw {

void ui_message_unknown(const char* window, const QEvent& event) {
  qFatal("%s: unknown message %d (%s)", window, static_cast<int>(event.type()), typeid(event).name());
}

}  // namespace nw
