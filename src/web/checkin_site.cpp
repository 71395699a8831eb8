#include "web/checkin_site.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "data/db_error.h"
#include "data/plan_store.h"
#include "data/prize_levels.h"
#include "data/roster_store.h"
#include "framework/text.h"
#include "web/listen_socket.h"
#include "web/secrets.h"

namespace ld::web {

namespace {

const QByteArray kPhoneCookie = "ld_phone";
constexpr int kPhoneTokenBytes = 16;

bool isPhoneToken(const QByteArray& token) {
  return token.size() == kPhoneTokenBytes * 2 && std::all_of(token.begin(), token.end(), [](char c) {
           return isxdigit(static_cast<unsigned char>(c));
         });
}

QByteArray cookie(const Request& request, const QByteArray& name) {
  for (const QByteArray& pair : request.headers.value("cookie").split(';')) {
    const QByteArray item = pair.trimmed();
    if (item.startsWith(name + '=')) return item.mid(name.size() + 1);
  }
  return {};
}

// The phone's token from its cookie; a client without cookies carries it in the form.
QByteArray phoneTokenOf(const Request& request, const QByteArray& fromForm = {}) {
  const QByteArray fromCookie = cookie(request, kPhoneCookie).toLower();
  if (isPhoneToken(fromCookie)) return fromCookie;
  const QByteArray field = fromForm.toLower();
  return isPhoneToken(field) ? field : QByteArray();
}

QString field(const QUrlQuery& form, const char* name) {
  return form.queryItemValue(QString::fromLatin1(name), QUrl::FullyDecoded);
}

// Every page allows only its own style and script, found by a nonce of its own.
Response page(const QString& html, int status, const QString& nonce) {
  Response response = Response::html(html, status);
  response.headers << std::pair{QByteArrayLiteral("Content-Security-Policy"),
                                QStringLiteral(
                                    "default-src 'self'; script-src 'nonce-%1'; style-src 'nonce-%1'; "
                                    "base-uri 'none'; form-action 'self'; frame-ancestors 'none'")
                                    .arg(nonce)
                                    .toLatin1()}
                   << std::pair{QByteArrayLiteral("X-Content-Type-Options"), QByteArrayLiteral("nosniff")}
                   << std::pair{QByteArrayLiteral("Referrer-Policy"), QByteArrayLiteral("no-referrer")}
                   << std::pair{QByteArrayLiteral("X-Frame-Options"), QByteArrayLiteral("DENY")};
  return response;
}

QString newNonce() { return QString::fromLatin1(randomBytes(16).toBase64()); }

Response message(const QString& title, const QString& text, int status, bool linkToWinners = false) {
  const QString nonce = newNonce();
  return page(messagePage(title, text, linkToWinners, nonce), status, nonce);
}

Response expired() {
  return message(
      Tr::tr("二维码已过期"),
      Tr::tr("二维码已过期，请重新扫描舞台上的二维码。舞台上的二维码每分钟更换一次，只有在会场里才能签到。"),
      403);
}

void setPhoneCookie(Response& response, const QByteArray& phoneToken) {
  response.headers << std::pair{
      QByteArrayLiteral("Set-Cookie"),
      kPhoneCookie + '=' + phoneToken + "; Max-Age=86400; Path=/; HttpOnly; SameSite=Strict"};
}

// The invitation card's link (its personal QR code) leaves the person's number and code with the phone, so
// the stage's code, which proves the phone is in the hall, opens a form filled in for them.
constexpr char kCardCookie[] = "ld_card";
constexpr qsizetype kCardFieldLimit = 64;

std::pair<QString, QString> cardOf(const Request& request) {
  const QByteArray stored = QByteArray::fromBase64(
      cookie(request, kCardCookie), QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
  const QList<QByteArray> parts = stored.split('\n');
  if (parts.size() != 2) return {};
  return {QString::fromUtf8(parts[0]).left(kCardFieldLimit),
          QString::fromUtf8(parts[1]).left(kCardFieldLimit)};
}

// A posted form from another site's page is refused; browsers say "null" for our own form under
// no-referrer, and the signed form decides then.
bool foreignOrigin(const Request& request) {
  const auto origin = request.headers.find("origin");
  if (origin == request.headers.end() || origin.value() == "null") return false;
  return origin.value().compare("http://" + request.headers.value("host"), Qt::CaseInsensitive) != 0;
}

QJsonObject toJson(const WinnerLine& line) {
  return {{QStringLiteral("order"), line.news.order}, {QStringLiteral("level"), line.news.level},
          {QStringLiteral("prize"), line.news.prize}, {QStringLiteral("department"), line.news.department},
          {QStringLiteral("name"), line.news.name},   {QStringLiteral("tag"), line.tag}};
}

// The address the phones are told: the one listened on, or for all of them the machine's first one that a
// phone in the hall can reach.
QHostAddress shownAddress(const QHostAddress& listened) {
  if (listened != QHostAddress::Any && listened != QHostAddress::AnyIPv4 && listened != QHostAddress::AnyIPv6)
    return listened;
  const QList<HallAddress> reachable = hallAddresses();
  if (!reachable.isEmpty()) return reachable.front().ip;
  return QHostAddress(QHostAddress::LocalHost);
}

}  // namespace

CheckInSite::CheckInSite(ld::Connection& connection, QObject* parent)
    : QObject(parent),
      query_(connection),
      store_(query_),
      roomTokens_(qint64(kRoomTokenSeconds) * 1000),
      clock_([] { return QDateTime::currentDateTimeUtc(); }),
      key_(randomBytes(32)) {
  // A failing statement becomes a page that asks to try again; the server's own answer would be bare.
  const auto guardedBy = [this](Response (CheckInSite::*handler)(const Request&)) {
    return [this, handler](const Request& request) {
      try {
        return (this->*handler)(request);
      } catch (const DbError& e) {
        qWarning("check-in site: %s %s failed: %s", request.method.constData(), qUtf8Printable(request.path),
                 e.what());
        return message(Tr::tr("请稍后再试"), Tr::tr("暂时无法读取活动数据，请稍后再试，或找工作人员。"), 503);
      }
    };
  };
  server_.getUnder(QStringLiteral("/c/"), guardedBy(&CheckInSite::checkInForm));
  server_.post(QStringLiteral("/checkin"), guardedBy(&CheckInSite::postCheckIn));
  server_.get(QStringLiteral("/checkin"), guardedBy(&CheckInSite::invitationCard));
  server_.get(QStringLiteral("/winners"), guardedBy(&CheckInSite::winnersPage));
  server_.get(QStringLiteral("/winners.json"), guardedBy(&CheckInSite::winnersJson));
  server_.stream(QStringLiteral("/winners/stream"));
  roomTimer_.setSingleShot(true);
  roomTimer_.setTimerType(Qt::PreciseTimer);
  connect(&roomTimer_, &QTimer::timeout, this, &CheckInSite::advanceRoomToken);
}

CheckInSite::~CheckInSite() { server_.stop(); }

QString CheckInSite::start(const QHostAddress& address, quint16 port) {
  if (running()) stop();
  try {
    store_.issueCodes();
  } catch (const DbError& e) {
    return Tr::tr("签到码无法生成，网页服务没有启动：%1").arg(e.message());
  }
  limiter_ = AttemptLimiter();
  winners_.reset();
  if (QString error = server_.start(address, port); !error.isEmpty()) return error;
  shownHost_ = shownAddress(address);
  roomTokens_.restart(nowMs());
  emit checkInUrlChanged(checkInUrl());
  scheduleRoomToken();
  return {};
}

void CheckInSite::stop() {
  if (!running()) return;
  server_.stop();
  roomTimer_.stop();
  emit checkInUrlChanged(QUrl());
}

bool CheckInSite::running() const { return server_.running(); }

quint16 CheckInSite::port() const { return server_.port(); }

QUrl CheckInSite::urlFor(const QString& path) const {
  if (!running()) return {};
  QUrl url;
  url.setScheme(QStringLiteral("http"));
  url.setHost(shownHost_.toString());
  url.setPort(port());
  url.setPath(path);
  return url;
}

QUrl CheckInSite::checkInUrl() const {
  if (!checkInOpen_) return {};
  return urlFor(QStringLiteral("/c/") + QString::fromLatin1(roomTokens_.current()));
}

QUrl CheckInSite::winnersUrl() const { return urlFor(QStringLiteral("/winners")); }

void CheckInSite::setCheckInOpen(bool open) {
  if (open == checkInOpen_) return;
  checkInOpen_ = open;
  if (running()) emit checkInUrlChanged(checkInUrl());
}

namespace {
Response checkInClosed() {
  return message(Tr::tr("签到已结束"), Tr::tr("签到已经结束，抽奖已封存。中奖名单会在这里实时显示。"), 403,
                 true);
}
}  // namespace

void CheckInSite::setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

qint64 CheckInSite::nowMs() const { return clock_().toMSecsSinceEpoch(); }

void CheckInSite::advanceRoomToken() {
  if (!running()) return;
  if (roomTokens_.advance(nowMs())) emit checkInUrlChanged(checkInUrl());
  scheduleRoomToken();
}

void CheckInSite::scheduleRoomToken() {
  // A little after the change, so the clock has surely passed it; never long, whatever the clock says.
  roomTimer_.start(
      int(std::clamp<qint64>(roomTokens_.untilNext(nowMs()) + 20, 100, kRoomTokenSeconds * 1000)));
}

QString CheckInSite::tagOf(int id) const {
  return QString::fromLatin1(hmacHex(key_, "id:" + QByteArray::number(id)).left(16));
}

QByteArray CheckInSite::csrfFor(const QByteArray& phoneToken, const QByteArray& roomToken) const {
  return hmacHex(key_, phoneToken + roomToken);
}

const QList<WinnerLine>& CheckInSite::winners() {
  if (!winners_) {
    const PrizePlan plan = PlanStore(query_).forBoard();
    QList<WinnerLine> list;
    for (const RosterWinner& w : RosterStore(query_).winnersInOrder()) {
      const Prize* prize = plan.prize(w.level);
      const WinnerNews news{w.id.toInt(), w.order.toInt(),
                            w.level,      shownPrize(w.level, prize ? prize->name : QString()),
                            w.department, w.name};
      list.prepend({news, tagOf(news.id)});
    }
    winners_ = std::move(list);
  }
  return *winners_;
}

std::optional<OwnPerson> CheckInSite::ownPerson(const QByteArray& phoneToken) {
  if (phoneToken.isEmpty()) return std::nullopt;
  const std::optional<CheckedInPerson> person = store_.byPhone(phoneToken);
  if (!person) return std::nullopt;
  OwnPerson own{person->name, false, {}, tagOf(person->id)};
  if (person->level > 0) {
    const QList<WinnerLine>& list = winners();
    const auto line =
        std::find_if(list.begin(), list.end(), [&](const WinnerLine& l) { return l.news.id == person->id; });
    if (line != list.end()) {
      own.won = true;
      own.prize = line->news.prize;
    }
  }
  return own;
}

Response CheckInSite::checkInForm(const Request& request) {
  if (!checkInOpen_) return checkInClosed();
  advanceRoomToken();
  const QByteArray token = request.path.mid(3).toUtf8();
  if (!roomTokens_.accepts(token, nowMs())) return expired();
  QByteArray phone = phoneTokenOf(request);
  if (phone.isEmpty()) phone = randomBytes(kPhoneTokenBytes).toHex();
  const auto [cardEmployeeId, cardCode] = cardOf(request);
  CheckInForm form{QString::fromLatin1(token),
                   QString::fromLatin1(csrfFor(phone, token)),
                   QString::fromLatin1(phone),
                   store_.employeeIdsGiven(),
                   cardEmployeeId,
                   {},
                   cardCode};
  const QString nonce = newNonce();
  Response response = page(checkInPage(form, nonce), 200, nonce);
  setPhoneCookie(response, phone);
  return response;
}

Response CheckInSite::invitationCard(const Request& request) {
  const QString employeeId = request.query.queryItemValue(QStringLiteral("gh"), QUrl::FullyDecoded).trimmed();
  const QString code = request.query.queryItemValue(QStringLiteral("code"), QUrl::FullyDecoded).trimmed();
  if (code.isEmpty() || code.size() > kCardFieldLimit || employeeId.size() > kCardFieldLimit)
    return message(Tr::tr("无法读取邀请函"),
                   Tr::tr("这个链接不完整。请扫描舞台上的二维码，输入工号和签到码。"), 400);
  Response response = message(Tr::tr("邀请函已读取"),
                              Tr::tr("请再扫描舞台上的二维码完成签到：工号和签到码会自动填好。"), 200);
  response.headers << std::pair{
      QByteArrayLiteral("Set-Cookie"),
      QByteArray(kCardCookie) + '=' +
          (employeeId + QLatin1Char('\n') + code)
              .toUtf8()
              .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals) +
          "; Max-Age=86400; Path=/; HttpOnly; SameSite=Lax"};
  return response;
}

Response CheckInSite::formAgain(const Request&, const QByteArray& phoneToken, const QString& employeeId,
                                const QString& text) {
  const QByteArray token = roomTokens_.current();
  CheckInForm form{QString::fromLatin1(token),
                   QString::fromLatin1(csrfFor(phoneToken, token)),
                   QString::fromLatin1(phoneToken),
                   store_.employeeIdsGiven(),
                   employeeId,
                   text,
                   {}};
  const QString nonce = newNonce();
  Response response = page(checkInPage(form, nonce), 200, nonce);
  setPhoneCookie(response, phoneToken);
  return response;
}

Response CheckInSite::postCheckIn(const Request& request) {
  const auto refused = [] {
    return message(Tr::tr("无法签到"), Tr::tr("这个页面已失效，请重新扫描舞台上的二维码。"), 403);
  };
  if (foreignOrigin(request)) return refused();
  if (!checkInOpen_) return checkInClosed();
  const QUrlQuery form = request.form();
  advanceRoomToken();
  const QByteArray roomToken = field(form, "t").toUtf8();
  if (!roomTokens_.accepts(roomToken, nowMs())) return expired();
  const QByteArray phone = phoneTokenOf(request, field(form, "d").toUtf8());
  if (phone.isEmpty() || !sameSecret(field(form, "csrf").toUtf8().toLower(), csrfFor(phone, roomToken)))
    return refused();

  const QString employeeId = field(form, "gh").trimmed();
  const QString code = field(form, "code");
  // Whom the attempt names: the number, or without one the code, which alone names a person.
  const QString claim =
      employeeId.isEmpty() ? QStringLiteral("code:") + normalizedCheckInCode(code) : employeeId;
  const auto tooMany = [](int seconds) {
    Response response =
        message(Tr::tr("请稍后再试"), Tr::tr("尝试次数太多，请在 %1 秒后再试。").arg(seconds), 429);
    response.headers << std::pair{QByteArrayLiteral("Retry-After"), QByteArray::number(seconds)};
    return response;
  };
  if (const int pause = limiter_.pausedFor(claim, nowMs()); pause > 0) return tooMany(pause);

  const CheckInResult result = store_.checkIn(employeeId, code, phone);
  switch (result.outcome) {
    case CheckInOutcome::WrongCode: {
      if (const int wait = limiter_.wrong(employeeId, request.peer.toString(), nowMs()); wait > 0)
        return tooMany(wait);
      return formAgain(request, phone, employeeId,
                       store_.employeeIdsGiven() ? Tr::tr("工号或签到码不对") : Tr::tr("签到码不对"));
    }
    case CheckInOutcome::OtherPhone:
      // Each refusal is written down for the staff: a fresh phone per try must not make that endless.
      limiter_.wrong(claim, request.peer.toString(), nowMs());
      emit checkInRefused(result);
      return message(Tr::tr("无法签到"),
                     Tr::tr("你已在另一部手机上签到，不能再用这部手机签到。如有疑问，请找工作人员。"), 409);
    case CheckInOutcome::CheckedIn:
    case CheckInOutcome::AlreadyCheckedIn: {
      limiter_.right(claim);
      const bool now = result.outcome == CheckInOutcome::CheckedIn;
      if (now) emit checkedIn(result);
      Response response = message(
          now ? Tr::tr("签到成功") : Tr::tr("你已签到"),
          now ? Tr::tr("%1，签到成功").arg(result.name) : Tr::tr("%1，你已签到").arg(result.name), 200, true);
      setPhoneCookie(response, phone);
      return response;
    }
  }
  return refused();
}

Response CheckInSite::winnersPage(const Request& request) {
  const QList<WinnerLine>& list = winners();
  const std::optional<OwnPerson> me = ownPerson(phoneTokenOf(request));
  const QString nonce = newNonce();
  return page(ld::web::winnersPage(list, me, notice_, nonce), 200, nonce);
}

Response CheckInSite::winnersJson(const Request& request) {
  QJsonArray list;
  for (const WinnerLine& line : winners()) list.append(toJson(line));
  QJsonObject document{{QStringLiteral("winners"), list},
                       {QStringLiteral("me"), QJsonValue::Null},
                       {QStringLiteral("notice"), notice_}};
  if (const std::optional<OwnPerson> me = ownPerson(phoneTokenOf(request)))
    document[QStringLiteral("me")] = QJsonObject{{QStringLiteral("name"), me->name},
                                                 {QStringLiteral("won"), me->won},
                                                 {QStringLiteral("prize"), me->prize}};
  Response response{
      200, "application/json; charset=utf-8", QJsonDocument(document).toJson(QJsonDocument::Compact), {}};
  response.headers << std::pair{QByteArrayLiteral("X-Content-Type-Options"), QByteArrayLiteral("nosniff")};
  return response;
}

void CheckInSite::announceWinners(const QList<WinnerNews>& winners) {
  winners_.reset();
  if (!running()) return;
  EventStream& stream = server_.stream(QStringLiteral("/winners/stream"));
  for (const WinnerNews& news : winners)
    stream.publish(QJsonDocument(toJson({news, tagOf(news.id)})).toJson(QJsonDocument::Compact), "winner");
}

void CheckInSite::announceChange() {
  winners_.reset();
  if (running()) server_.stream(QStringLiteral("/winners/stream")).publish("{}", "change");
}

}  // namespace ld::web
