#pragma once
// In a rehearsal every window of the program says so in its title, the questions and messages too, so that
// nobody takes a rehearsal's window for the event's own.
#include <QObject>

namespace ld {

class RehearsalTitles : public QObject {
  Q_OBJECT
 public:
  // Watches every window of the application from now on, and those already shown.
  RehearsalTitles();
  ~RehearsalTitles() override;

  // What the titles end in.
  static QString suffix();
  // A window whose title is left as it is (the rehearsal's own mark).
  static void keepTitle(QWidget* window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace ld
