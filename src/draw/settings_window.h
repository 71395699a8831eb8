#pragma once

namespace ld {

// A further settings window, stored in settingForm and shown without making it modal; it lives until
// the application quits. Any failure to create or show it is swallowed: the draw window goes on.
void openSettingsWindow();

}  // namespace ld
