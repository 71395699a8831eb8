#pragma once
// Invitation cards for check-in: a PDF of A4 pages, several cards a page, each with the person, their
// personal code in large letters and a QR code of their own check-in link, which the phone's page fills in
// from.
#include <QString>
#include <QStringList>
#include <vector>

#include "data/checkin_store.h"

namespace ld {

inline constexpr int kCardColumns = 2;
inline constexpr int kCardRows = 4;
inline constexpr int kCardsPerPage = kCardColumns * kCardRows;

// Why BASE_URL cannot start a check-in link (not http or https, no host, a query or fragment of its own);
// empty when it can.
QString checkInBaseProblem(const QString& baseUrl);
// BASE_URL/checkin?gh=GH&code=CODE, each value percent-encoded.
QString checkInLink(const QString& baseUrl, const QString& employeeId, const QString& code);

// Writes a card for each person to FILE, replacing it only once every page is written; `heading` (the
// company's name, the event's title) tops each card where given. Returns the number of pages. Throws
// ld::Error.
int writeInvitationCards(const QString& file, const std::vector<PersonalCode>& people,
                         const QStringList& heading, const QString& baseUrl);

}  // namespace ld
