// Numbered window messages as Qt events: the event type is the message number, the payload
// travels in the event. Worker threads post them; the window thread may send them.
#pragma once

#include <QCoreApplication>
#include <QEvent>

#include <utility>

namespace nw {

// Our message numbers lie in the lower half of Qt's user range; QEvent::registerEventType
// hands out numbers from the top of it down, so a registered type never reads as ours.
inline constexpr int UI_MSG_FIRST = QEvent::User;
inline constexpr int UI_MSG_LAST = 32767;

[[nodiscard]] constexpr bool ui_is_message(int number) { return number >= UI_MSG_FIRST && number <= UI_MSG_LAST; }

// One numbered message carrying a value of type T.
template <class T>
class ui_message : public QEvent {
 public:
  ui_message(int number, T value) : QEvent(static_cast<QEvent::Type>(number)), value_(std::move(value)) {}
  [[nodiscard]] const T& value() const { return value_; }

 private:
  T value_;
};

// A message number no window expects, or a payload of the wrong type: a programming error
// that must not pass unnoticed, so the process stops with both named.
[[noreturn]] void ui_message_unknown(const char* window, const QEvent& event);

// The payload of a message the window knows by its number; a wrong payload type stops as above.
template <class T>
[[nodiscard]] const T& ui_message_value(const char* window, const QEvent& event) {
  const auto* message = dynamic_cast<const ui_message<T>*>(&event);
  if (message == nullptr) ui_message_unknown(window, event);
  return message->value();
}

// Sends message `number` with `value` to `window` and returns once the window has handled it.
template <class T>
void ui_message_send(QObject* window, int number, T value) {
  ui_message<T> message(number, std::move(value));
  QCoreApplication::sendEvent(window, &message);
}

}  // namespace nw
