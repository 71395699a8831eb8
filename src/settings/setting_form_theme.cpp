// The audience screen's look, opened from the clean-up row.
#include "settings/prize_plan_dialog.h"
#include "settings/setting_form.h"

void TsettingForm::ButtonwtwgClick() {
  // Read afresh at every opening, as the window itself reads everything when it opens; a window still open
  // keeps what is being chosen.
  if (!Formwtwg->isVisible()) GroupBoxwtwg->reload();
  Formwtwg->show();
  Formwtwg->raise();
  Formwtwg->activateWindow();
}

void TsettingForm::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  Formwtwg->hide();
  if (Formjxgz) Formjxgz->hide();
}
