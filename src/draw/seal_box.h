#pragma once
// The sealed draw on the operator's console: seal the event once check-in has closed, take the hall's
// entropy once, and see the seal and the entropy the hall sees; break the seal when something must change.
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace ld {

class DrawSession;
struct SealState;

// The seal as people read it aloud and compare it: groups of eight hex digits.
QString groupedSeal(const QString& seal);

class SealBox : public QWidget {
  Q_OBJECT
 public:
  explicit SealBox(DrawSession& session, QWidget* parent = nullptr);
  void refresh();

 private:
  void sealNow();
  void giveEntropy();
  void breakNow();

  DrawSession& session_;
  QLabel* state_ = nullptr;
  QPushButton* seal_ = nullptr;
  QLineEdit* entropy_ = nullptr;
  QPushButton* giveEntropy_ = nullptr;
  QPushButton* break_ = nullptr;
};

}  // namespace ld
