#include "draw/presentation.h"

#include <QGuiApplication>
#include <QScreen>

namespace ld {

BlankScreen::BlankScreen() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("BlankScreen"));
  setWindowTitle(QStringLiteral("黑屏"));
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::black);
  setPalette(palette);
  setCursor(Qt::BlankCursor);
}

void BlankScreen::cover(QScreen* screen) {
  if (!screen) screen = QGuiApplication::primaryScreen();
  setScreen(screen);
  setGeometry(screen->geometry());
  show();
  raise();
  activateWindow();
}

void BlankScreen::mousePressEvent(QMouseEvent*) { hide(); }

}  // namespace ld
