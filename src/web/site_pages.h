#pragma once
// The pages the phones are served: whole documents, small and phone-first, with nothing fetched from
// elsewhere (the hall may have no internet). Every text from the roster or the request is escaped here.
#include <QList>
#include <QString>
#include <optional>

#include "web/winner_news.h"

namespace ld::web {

// The check-in form. Without employee numbers in the roster it asks for the code alone.
struct CheckInForm {
  QString roomToken, csrf, phoneToken;
  bool askEmployeeId = true;
  QString employeeId;  // as typed, when the form comes back, or from the invitation card scanned before
  QString message;     // why it came back
  QString code = {};   // from the invitation card scanned before
};

// What a checked-in phone is told about its own person.
struct OwnPerson {
  QString name;
  bool won = false;
  QString prize;
  QString tag;  // the tag its winner event would carry
};

struct WinnerLine {
  WinnerNews news;
  QString tag;
};

// `nonce` allows the page's own style and script.
QString checkInPage(const CheckInForm& form, const QString& nonce);
// A page that says one thing: a title, a line below it, and optionally the link to the winners.
QString messagePage(const QString& title, const QString& text, bool linkToWinners, const QString& nonce);
// The winners, newest first, and the phone's own person when it checked in, under `notice` (the seal) when
// there is one; the script keeps it live.
QString winnersPage(const QList<WinnerLine>& newestFirst, const std::optional<OwnPerson>& me,
                    const QString& notice, const QString& nonce);

}  // namespace ld::web
