#pragma once
// Made-up participants with friendly avatars, for demo events, tests and benchmarks.
#include <QImage>
#include <QString>
#include <QtGlobal>
#include <vector>

namespace ld {

struct DemoPerson {
  QString name;
  QString department;
};

// n people with distinct names (so distinct (name, department) pairs): a common Chinese surname and one or
// two given-name characters, spread over a handful of departments. The same seed gives the same roster.
// Names use only CJK characters from fixed lists, so they are always safe in a photo file name.
std::vector<DemoPerson> demoRoster(int n, quint32 seed = 1);

// A 480 x 360 avatar: a cheerful cartoon bust on a background colour that changes from person to person,
// with the name and department written below; SCALE times as many pixels each way for a sharper copy of
// the same picture. Needs a QGuiApplication for the fonts.
QImage demoAvatar(const DemoPerson& person, int index, int scale = 1);

}  // namespace ld
