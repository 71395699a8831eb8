// The phone shell of the draw window: the clock, the power key with its switch-off question and the
// settings window behind a double-click.
#include "draw/settings_window.h"
#include "draw/veltrax_form.h"
#include "widgets/rotated_label.h"

QString TVELTRAXForm::clockText(const QDateTime& moment) {
  return moment.toString(QStringLiteral("yy-MM-dd  hh:mm"));
}

void TVELTRAXForm::TimerrqsjTimer() { Labelrqsj->setCaption(clockText(QDateTime::currentDateTime())); }

// Enabling a running timer leaves its period as it is.
void TVELTRAXForm::GIFgjMouseDown() {
  if (!Timergj.isActive()) Timergj.start();
}

void TVELTRAXForm::GIFgjMouseUp() { Timergj.stop(); }

// Keeps firing while the key stays held; a rolling draw rolls on behind the question.
void TVELTRAXForm::TimergjTimer() {
  Panelcj->hide();
  Panelgj->show();
  Panelgj->setFocus(Qt::OtherFocusReason);
}

void TVELTRAXForm::ButtonqdClick() { close(); }

void TVELTRAXForm::ButtonqxClick() {
  Panelgj->hide();
  Panelcj->show();
}

void TVELTRAXForm::GIFgjDblClick() { ld::openSettingsWindow(); }
