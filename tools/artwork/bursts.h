#pragma once
// Shell patterns. Each draws one burst centred at `c` with the given radius into the sky.
#include <QColor>
#include <QPointF>

#include "sky.h"

namespace ld::artwork::bursts {

namespace colour {
inline const QColor kRed(255, 56, 46);
inline const QColor kGold(255, 184, 64);
inline const QColor kGreen(80, 255, 110);
inline const QColor kBlue(70, 130, 255);
inline const QColor kPurple(186, 90, 255);
inline const QColor kSilver(226, 230, 244);
inline const QColor kPink(255, 100, 186);
inline const QColor kCyan(70, 226, 255);
inline const QColor kOrange(255, 130, 30);
inline const QColor kLemon(246, 240, 120);
}  // namespace colour

// A sphere of stars with short tails; the heads may turn another colour.
void peony(Sky& sky, QPointF c, qreal r, QColor trail, QColor head, int count = 110);
// A peony with a small core of another colour inside.
void pistil(Sky& sky, QPointF c, qreal r, QColor shell, QColor core);
// Long trails all the way from the centre, flecked with glitter.
void chrysanthemum(Sky& sky, QPointF c, qreal r, QColor trail, QColor head);
// Long golden trails that droop under gravity.
void willow(Sky& sky, QPointF c, qreal r, QColor colour);
// A flat ring, tilted and turned.
void ring(Sky& sky, QPointF c, qreal r, QColor colour, qreal tilt, qreal turnDegrees);
// A few heavy branches over a rising trunk.
void palm(Sky& sky, QPointF c, qreal r, QColor colour);
// Stars that split into four at the end of their flight.
void crossette(Sky& sky, QPointF c, qreal r, QColor colour, QColor split);
// A cloud of glints.
void glitter(Sky& sky, QPointF c, qreal r, QColor colour, int count);
void heart(Sky& sky, QPointF c, qreal r, QColor colour);
// A sphere with a ring round it.
void saturn(Sky& sky, QPointF c, qreal r, QColor sphere, QColor band);
// Arms that curl as they fly.
void pinwheel(Sky& sky, QPointF c, qreal r, QColor colour, QColor head, int arms);
// Stars that end on the outline of a five-pointed star.
void starShape(Sky& sky, QPointF c, qreal r, QColor colour);
// Broad petals in two alternating colours.
void dahlia(Sky& sky, QPointF c, qreal r, QColor a, QColor b);
// Stars thrown up that pour down like a waterfall.
void horsetail(Sky& sky, QPointF c, qreal r, QColor colour);

}  // namespace ld::artwork::bursts
