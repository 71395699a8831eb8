#include "draw/settings_window.h"

#include "framework/errors.h"
#include "settings/setting_form.h"

namespace ld {

void openSettingsWindow() {
  silently([] { createSettingForm(); });
}

}  // namespace ld
