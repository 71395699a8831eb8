#pragma once
// Key presses in tests, as the window system delivers them.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace ld::test {

// A real key press (and its release) sent to `to`, as the window system delivers it to the focus.
inline void key(QWidget* to, int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                bool autoRepeat = false, const QString& text = QString()) {
  QKeyEvent press(QEvent::KeyPress, code, modifiers, text, autoRepeat);
  QCoreApplication::sendEvent(to, &press);
  QKeyEvent release(QEvent::KeyRelease, code, modifiers, text, autoRepeat);
  QCoreApplication::sendEvent(to, &release);
}

}  // namespace ld::test
