#pragma once
// How each scene of the audience screen is painted from its layout: the parts that stay while the scene
// is up, painted once into the screen's picture.
#include <QColor>
#include <QImage>
#include <QList>

#include "stage/stage_content.h"
#include "stage/stage_layout.h"

class QPainter;

namespace ld {
class QrCode;
}

namespace ld::stage {

// The theme with the built-in look filled in where it has none: deep red to crimson ink, gold, white.
struct Look {
  QImage background;
  QImage logo;
  QColor base;
  QColor accent;
  QColor text;
  bool builtIn = true;  // no background picture: the gradient and its ornaments
};
Look lookOf(const Theme& theme);

// The background with the header band (logo, company, title).
QImage paintBackground(QSize screen, const Look& look, const HeaderLayout& header);

void paintText(QPainter& painter, const TextBlock& block, QColor colour);
// A gold frame and a soft shadow around a photo's place.
void paintPhotoFrame(QPainter& painter, QRect photo, const Look& look);
// Where no picture could be shown at all: a figure, never an empty hole.
void paintNoPhoto(QPainter& painter, QRect photo, const Look& look);

void paintIdle(QPainter& painter, const IdleLayout& layout, const Look& look);
// The caption above the code and the line under it (the check-in link, or the seal's entropy), on light
// cards so any background leaves them readable.
void paintCheckIn(QPainter& painter, const CheckInLayout& layout, const QrCode& code, const QString& caption,
                  const QString& link, const Look& look);
void paintRollingSlots(QPainter& painter, const RollingLayout& layout, const Look& look);

struct ShownWinner {
  QImage photo;
  bool absent = false;
  QString name;  // for the small ones of the strip
};
void paintResult(QPainter& painter, const ResultLayout& layout, const Look& look, const ShownWinner& winner,
                 const QList<ShownWinner>& others);
// The cards of the page shown; `winners` as many as the cards, their names taken from the layout.
void paintWall(QPainter& painter, const WallLayout& layout, const Look& look,
               const QList<ShownWinner>& winners);
void paintHonour(QPainter& painter, const HonourLayout& layout, const Look& look);

}  // namespace ld::stage
