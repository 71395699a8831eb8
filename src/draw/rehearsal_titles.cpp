#include "draw/rehearsal_titles.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include "framework/text.h"

namespace ld {

namespace {

const char* const kKeepsTitle = "ldKeepsTitle";

void mark(QWidget* window) {
  if (!window->isWindow() || window->property(kKeepsTitle).toBool()) return;
  const QString title = window->windowTitle();
  // Setting it sends the change again; by then it ends in the suffix.
  if (!title.endsWith(RehearsalTitles::suffix())) window->setWindowTitle(title + RehearsalTitles::suffix());
}

}  // namespace

RehearsalTitles::RehearsalTitles() {
  qApp->installEventFilter(this);
  for (QWidget* window : QApplication::topLevelWidgets()) mark(window);
}

RehearsalTitles::~RehearsalTitles() { qApp->removeEventFilter(this); }

QString RehearsalTitles::suffix() { return Tr::tr("（彩排）"); }

void RehearsalTitles::keepTitle(QWidget* window) { window->setProperty(kKeepsTitle, true); }

bool RehearsalTitles::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type == QEvent::Show || type == QEvent::WindowTitleChange) && watched->isWidgetType())
    mark(static_cast<QWidget*>(watched));
  return QObject::eventFilter(watched, event);
}

}  // namespace ld
