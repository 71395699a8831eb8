#pragma once
// The phones' site: the check-in form the stage's QR code opens, and the live list of winners. It owns its
// web server; the program starts it, tells it of every winner and change, and hears of every check-in.
#include <QDateTime>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <optional>

#include "data/checkin_store.h"
#include "data/query.h"
#include "web/attempt_limiter.h"
#include "web/room_token.h"
#include "web/site_pages.h"
#include "web/web_server.h"
#include "web/winner_news.h"

namespace ld {
class Connection;
}

namespace ld::web {

class CheckInSite : public QObject {
  Q_OBJECT
 public:
  static constexpr int kRoomTokenSeconds = 60;

  explicit CheckInSite(ld::Connection& connection, QObject* parent = nullptr);
  ~CheckInSite() override;

  // Issues the missing personal codes, then listens; "" or a message for the operator (port taken …).
  QString start(const QHostAddress& address, quint16 port);
  void stop();
  bool running() const;
  quint16 port() const;
  // The stage's QR holds this: http://HOST:PORT/c/ROOMTOKEN (HOST: the address listened on; for Any, the
  // machine's first up, non-loopback IPv4 address, else 127.0.0.1). Empty while stopped.
  QUrl checkInUrl() const;
  QUrl winnersUrl() const;  // http://HOST:PORT/winners
  // The program calls these after a press, and after an absence/void/clearing.
  void announceWinners(const QList<WinnerNews>& winners);  // one event "winner" each
  void announceChange();                                   // one event "change": pages re-read the list
  // Check-in closes when the draw is sealed: the form is refused and the link is empty until it opens again.
  void setCheckInOpen(bool open);
  bool checkInOpen() const { return checkInOpen_; }
  // A line the winners page shows above the list (the seal and the hall's entropy); empty for none.
  void setNotice(const QString& notice) { notice_ = notice; }
  const QString& notice() const { return notice_; }
  // Tests: a clock to expire room tokens and rate-limit pauses without waiting.
  void setClock(std::function<QDateTime()> clock);

 signals:
  void checkInUrlChanged(const QUrl& url);          // at start, every kRoomTokenSeconds, and (empty) at stop
  void checkedIn(const ld::CheckInResult& result);  // the operator's count follows this
  void checkInRefused(const ld::CheckInResult& result);  // a second phone for someone checked in

 private:
  qint64 nowMs() const;
  QUrl urlFor(const QString& path) const;
  void advanceRoomToken();
  void scheduleRoomToken();
  QString tagOf(int id) const;
  QByteArray csrfFor(const QByteArray& phoneToken, const QByteArray& roomToken) const;
  const QList<WinnerLine>& winners();
  std::optional<OwnPerson> ownPerson(const QByteArray& phoneToken);

  Response checkInForm(const Request& request);
  Response postCheckIn(const Request& request);
  Response invitationCard(const Request& request);
  Response winnersPage(const Request& request);
  Response winnersJson(const Request& request);
  Response formAgain(const Request& request, const QByteArray& phoneToken, const QString& employeeId,
                     const QString& message);

  Query query_;
  CheckInStore store_;
  WebServer server_;
  RoomTokens roomTokens_;
  AttemptLimiter limiter_;
  QTimer roomTimer_;
  std::function<QDateTime()> clock_;
  // Signs forms (with the room token, so none outlives a restart) and tags winners; kept for the program's
  // run, so a page opened before a restart still knows its own person.
  QByteArray key_;
  QHostAddress shownHost_;
  bool checkInOpen_ = true;
  QString notice_;
  // The list as the pages show it, read again after every announcement.
  std::optional<QList<WinnerLine>> winners_;
};

}  // namespace ld::web
