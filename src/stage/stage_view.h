#pragma once
// The audience's screen: what the draw shows, big enough for the back row, laid out from the view's own
// size. Its owner tells it what to show; it keeps no connection to the event.
#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QRegion>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <optional>

#include "framework/qr_code.h"
#include "stage/fireworks.h"
#include "stage/stage_content.h"
#include "stage/stage_layout.h"
#include "stage/stage_painting.h"
#include "stage/stage_photos.h"

namespace ld {

class StageView : public QWidget {
  Q_OBJECT
 public:
  enum class Scene { Idle, Rolling, Result, Wall, Batch, Honour };
  static constexpr int kPageSeconds = 8;

  explicit StageView(QWidget* parent = nullptr);

  void setTheme(const stage::Theme& theme);
  void setEvent(const QString& company, const QString& title);
  // The prize drawn now; nothing before a plan applies.
  void setPrize(std::optional<stage::PrizeProgress> prize);

  // Waiting to draw: the prize big in the middle.
  void showIdle();
  // One tick of the roll: the eight stored photo paths the handset shows (fewer: the last repeats).
  void showRolling(const QStringList& storedPhotoPaths);
  // The winners of one press: the first big, the rest small below.
  void showResult(const QList<stage::Winner>& winners);
  // Every winner of a prize as cards, page after page.
  void showWall(const stage::PrizeProgress& prize, const QList<stage::Winner>& winners);
  // The winners of one press of a batch, as the wall shows them, headed by the range on the page.
  void showBatch(const stage::PrizeProgress& prize, const QList<stage::Winner>& winners);
  // The winner of that draw order is absent: their card or result gets the mark, on the page shown.
  void markAbsent(int order);
  // Every prize of the event in the order given (the first prize first), page after page.
  void showHonour(const QList<stage::HonourPrize>& prizes);
  // The next page of the wall, the batch or the roll of honour, after the last the first; false when there is
  // only one page (or no pages to turn), so the key can do its usual work.
  bool turnPage();
  // Fireworks for a few seconds, never over a name.
  void celebrate();
  // The phones' check-in link while the web server runs: a QR code of it, with the link written under it,
  // in a corner while waiting to draw. Empty: none.
  void setCheckInUrl(const QString& url);
  const QString& checkInUrl() const { return checkInUrl_; }
  // A sealed draw: the seal's first digits above a QR code of all 64, the hall's entropy under it once given,
  // in the same corner while no check-in link shows; a broken seal says so there. Empty: never sealed.
  void setSeal(const QString& seal, const QString& entropy, bool broken = false);
  // Where the corner's code (the check-in link's or the seal's) is on the view; empty while none shows.
  QRect checkInRect() {
    buildFrame();
    return checkInRect_;
  }

  Scene scene() const { return scene_; }
  // What it was told last.
  const std::optional<stage::PrizeProgress>& prize() const { return prize_; }
  const QList<stage::Winner>& winners() const { return winners_; }
  const QList<stage::HonourPrize>& honour() const { return honour_; }
  // The page shown of the wall, the batch or the roll of honour, and how many there are.
  int page() {
    buildFrame();
    return page_;
  }
  int pages() {
    buildFrame();
    return pages_;
  }
  bool celebrating() const { return fireworksTimer_.isActive(); }
  // What the fireworks leave alone: the names on the screen with a margin.
  QRegion protectedRegion();
  // The simulation itself, so tests can place a burst and step it.
  stage::Fireworks& fireworks() { return fireworks_; }
  stage::StagePhotos& photos() { return photos_; }

 signals:
  // A frame went to the screen: the time spent painting it, and with its way to the screen (the view as
  // a window of its own only; 0 otherwise).
  void framed(qint64 paintNs, qint64 frameNs);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void changed();      // the scene's picture must be painted again
  void changedLook();  // and the background too
  void buildFrame();
  void fireworksTick();
  QList<QRect> tileRects();
  stage::HeaderLayout header(const QString& prize) const;
  QString headerPrize() const;

  stage::Look look_;
  QString company_, title_;
  QString themeTitle_;  // the theme's own title, shown instead of the event's
  const QString& title() const { return themeTitle_.isEmpty() ? title_ : themeTitle_; }
  std::optional<stage::PrizeProgress> prize_;
  Scene scene_ = Scene::Idle;
  QList<stage::Winner> winners_;
  stage::PrizeProgress wallPrize_;
  QList<stage::HonourPrize> honour_;
  int page_ = 0;
  int pages_ = 1;

  stage::StagePhotos photos_;
  QStringList rollingPaths_;
  QList<QImage> tiles_;
  QList<QRect> tileRects_;
  QRegion protected_;
  QRect avoid_;  // where fireworks had better not burst: the texts around the name

  QString checkInUrl_;
  std::optional<QrCode> checkInQr_;
  QString seal_, entropy_;
  bool sealBroken_ = false;
  std::optional<QrCode> sealQr_;
  QRect checkInRect_;

  QImage background_;  // background and header band
  QImage frame_;       // the background with the scene's lasting parts
  bool backgroundStale_ = true;
  bool frameStale_ = true;

  stage::Fireworks fireworks_;
  QTimer fireworksTimer_;
  QElapsedTimer fireworksClock_;
  QRegion fireworksDrawn_;
  QTimer pageTimer_;
  qint64 lastPaintNs_ = 0;
};

}  // namespace ld
