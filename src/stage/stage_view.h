#pragma once
// Stand-in for the audience view while it is built elsewhere: records what it was told.
#include <QWidget>
#include <optional>

#include "stage/stage_content.h"

namespace ld {

class StageView : public QWidget {
  Q_OBJECT
 public:
  enum class Scene { Idle, Rolling, Result, Wall, Honour };
  explicit StageView(QWidget* parent = nullptr) : QWidget(parent) {}
  void setTheme(const stage::Theme&) {}
  void setEvent(const QString& company, const QString& title) { company_ = company, title_ = title; }
  void setPrize(const std::optional<stage::PrizeProgress>& prize) { prize_ = prize; }
  void showIdle() { scene_ = Scene::Idle; }
  void showRolling(const QStringList& photos) { scene_ = Scene::Rolling, photos_ = photos; }
  void showResult(const QList<stage::Winner>& winners) { scene_ = Scene::Result, winners_ = winners; }
  void showWall(const stage::PrizeProgress&, const QList<stage::Winner>& winners) {
    scene_ = Scene::Wall, winners_ = winners;
  }
  void showHonour(const QList<stage::HonourPrize>& prizes) { scene_ = Scene::Honour, honour_ = prizes; }
  void celebrate() { ++celebrations_; }
  bool turnPage() { return false; }

  Scene scene() const { return scene_; }
  const QList<stage::Winner>& winners() const { return winners_; }
  const QList<stage::HonourPrize>& honour() const { return honour_; }
  const std::optional<stage::PrizeProgress>& prize() const { return prize_; }
  QString company() const { return company_; }
  int celebrations() const { return celebrations_; }

 private:
  Scene scene_ = Scene::Idle;
  QStringList photos_;
  QList<stage::Winner> winners_;
  QList<stage::HonourPrize> honour_;
  std::optional<stage::PrizeProgress> prize_;
  QString company_, title_;
  int celebrations_ = 0;
};

}  // namespace ld
