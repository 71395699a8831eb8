#pragma once
#include <QString>

namespace ld::web {

// A winner as the phones are told: what the stage shows anyway, and the id only to tag it.
struct WinnerNews {
  int id = 0;
  int order = 0;
  int level = 0;
  QString prize, department, name;
};

}  // namespace ld::web
