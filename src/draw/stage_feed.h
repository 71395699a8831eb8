#pragma once
// Tells the audience's stage what the draw does. The session announces stops, absences and ticks; what
// they leave out — how far the prize has got, the winners of a prize and of the whole event, the company —
// is read from the event here.
#include <QList>
#include <QObject>
#include <QTimer>
#include <optional>

#include "stage/stage_content.h"

namespace ld {

class DrawSession;
class Query;
class StageView;
struct DrawResult;

class StageFeed : public QObject {
  Q_OBJECT
 public:
  // After the fireworks of a prize's last winner, the wall of its winners; once every prize is drawn, the
  // roll of honour after a while on that wall.
  static constexpr int kWallAfterMs = 5000;
  static constexpr int kHonourAfterMs = 20000;

  StageFeed(DrawSession& session, Query& query, StageView& view, QObject* parent = nullptr);
  // Shorter pauses for a quick run-through.
  void setPauses(int wallAfterMs, int honourAfterMs) {
    wallAfterMs_ = wallAfterMs, honourAfterMs_ = honourAfterMs;
  }

  // Everything read again, the stage at rest: when it is first shown and after the results or plan changed.
  void refresh();
  // The event's look, company and title read again, whatever the stage shows.
  void refreshLook();
  // Only the company: its pictures are read again only when the look was saved.
  void refreshCompany();

  // The prize of `level`, or without one the prize the next stop draws; none outside a limited plan.
  std::optional<stage::PrizeProgress> progress(std::optional<int> level = std::nullopt);
  QList<stage::Winner> winnersOf(int level);
  // Every prize that has a winner, the first prize first; outside-plan winners last.
  QList<stage::HonourPrize> honour();

 private:
  void showDrawn(const QList<DrawResult>& winners);
  void showAbsent(const DrawResult& winner);
  void levelCompleted(int level);

  DrawSession& session_;
  Query& query_;
  StageView& view_;
  QTimer wall_;
  QTimer honour_;
  int completedLevel_ = 0;
  int wallAfterMs_ = kWallAfterMs;
  int honourAfterMs_ = kHonourAfterMs;
};

}  // namespace ld
