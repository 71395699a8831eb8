#include "draw/settings_window.h"

#include <QCoreApplication>
#include <QPointer>

#include "framework/errors.h"
#include "settings/setting_form.h"

namespace ld {

void openSettingsWindow() {
  silently([] {
    auto* form = new TsettingForm;
    settingForm = form;
    // Owned by the application: it goes when the application quits.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp,
                     [window = QPointer<TsettingForm>(form)] { delete window.data(); });
    form->show();
  });
}

}  // namespace ld
