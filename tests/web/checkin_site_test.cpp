// The phones' site over real HTTP on 127.0.0.1: check-in from the form the QR code opens, what keeps
// guessers, other sites and other phones out, and the live winners.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include "data/journal.h"
#include "support/temp_app.h"
#include "web/attempt_limiter.h"
#include "web/checkin_site.h"

using namespace ld;
using namespace ld::web;
using ld::test::TempApp;

namespace {

struct Reply {
  int status = 0;
  QByteArray head, body;
  QByteArray header(const QByteArray& name) const {
    const QRegularExpression line(QStringLiteral("\r\n%1: ([^\r]*)").arg(QString::fromLatin1(name)),
                                  QRegularExpression::CaseInsensitiveOption);
    return line.match(QString::fromUtf8(head)).captured(1).toUtf8();
  }
  QString text() const { return QString::fromUtf8(body); }
};

// One request on its own connection, answered in full before the server closes it.
Reply fetch(quint16 port, const QByteArray& request) {
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, port);
  socket.write(request);
  QByteArray received;
  // A server that never closes shows as a reply without status.
  (void)QTest::qWaitFor(
      [&] {
        received += socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState;
      },
      10000);
  received += socket.readAll();
  const qsizetype end = received.indexOf("\r\n\r\n");
  return {received.mid(9, 3).toInt(), received.left(end), end < 0 ? QByteArray() : received.mid(end + 4)};
}

QByteArray get(const QString& path, const QByteArray& phone = {}) {
  return "GET " + path.toUtf8() + " HTTP/1.1\r\nHost: t\r\nConnection: close\r\n" +
         (phone.isEmpty() ? QByteArray() : "Cookie: ld_phone=" + phone + "\r\n") + "\r\n";
}

QByteArray post(const QUrlQuery& form, const QByteArray& extraHeaders = {}) {
  const QByteArray body = form.toString(QUrl::FullyEncoded).toUtf8();
  return "POST /checkin HTTP/1.1\r\nHost: t\r\nConnection: close\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\n" +
         extraHeaders + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QString hiddenField(const QString& page, const QString& name) {
  return QRegularExpression(QStringLiteral("name=\"%1\" value=\"([^\"]*)\"").arg(name))
      .match(page)
      .captured(1);
}

class CheckInSiteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    zhang_ = person(QStringLiteral("张三"), QStringLiteral("A001"));
    li_ = person(QStringLiteral("李四"), QStringLiteral("B002"));
  }
  int person(const QString& name, const QString& employeeId) {
    const int id = app_.addParticipant(name, QStringLiteral("销售部"), false);
    app_.exec(QStringLiteral("update yglb set gh='%1' where id=%2").arg(employeeId).arg(id));
    return id;
  }
  void start() {
    site_.setClock([this] { return now_; });
    ASSERT_EQ(site_.start(QHostAddress::LocalHost, 0), QString());
  }
  QString codeOf(int id) {
    return app_.rows(QStringLiteral("select qdm from yglb where id=%1").arg(id)).value(0);
  }
  int journal(const char* type) {
    return app_.count(QStringLiteral("select xh from cjrz where lx='%1'").arg(QLatin1String(type)));
  }
  bool checkedIn(int id) {
    return app_.count(QStringLiteral("select id from yglb where id=%1 and qd<>''").arg(id)) == 1;
  }

  // A phone opening the stage's QR code: the form it is given, with the phone token it keeps.
  struct Phone {
    QByteArray cookie;
    QUrlQuery form;
  };
  Phone scan(const QByteArray& cookie = {}) {
    const Reply reply = fetch(site_.port(), get(site_.checkInUrl().path(), cookie));
    EXPECT_EQ(reply.status, 200) << reply.text().toStdString();
    Phone phone;
    phone.cookie =
        QString::fromLatin1(reply.header("Set-Cookie")).section(';', 0, 0).section('=', 1).toLatin1();
    for (const char* name : {"t", "csrf", "d"})
      phone.form.addQueryItem(QLatin1String(name), hiddenField(reply.text(), QLatin1String(name)));
    return phone;
  }
  Reply submit(const Phone& phone, const QString& employeeId, const QString& code, bool withCookie = true) {
    QUrlQuery form = phone.form;
    form.addQueryItem(QStringLiteral("gh"), employeeId);
    form.addQueryItem(QStringLiteral("code"), code);
    return fetch(site_.port(),
                 post(form, withCookie ? "Cookie: ld_phone=" + phone.cookie + "\r\n" : QByteArray()));
  }

  TempApp app_;
  CheckInSite site_{app_.dataModule().ADOConnection};
  QDateTime now_ = QDateTime::currentDateTimeUtc();
  int zhang_ = 0, li_ = 0;
};

TEST_F(CheckInSiteTest, APhoneChecksInFromTheFormAndIsGreetedByName) {
  start();
  QSignalSpy checked(&site_, &CheckInSite::checkedIn);
  const Phone phone = scan();
  EXPECT_EQ(phone.cookie.size(), 32);
  EXPECT_EQ(phone.form.queryItemValue("d"), QString::fromLatin1(phone.cookie));
  // Typed as people type it: blanks around, lower case.
  const Reply reply =
      submit(phone, QStringLiteral(" a001 ").toUpper(), QStringLiteral(" ") + codeOf(zhang_).toLower());
  EXPECT_EQ(reply.status, 200);
  EXPECT_TRUE(reply.text().contains(QStringLiteral("张三，签到成功")));
  EXPECT_TRUE(reply.text().contains(QStringLiteral("href=\"/winners\"")));
  EXPECT_TRUE(reply.header("Set-Cookie").contains("HttpOnly"));
  EXPECT_TRUE(reply.header("Content-Security-Policy").contains("default-src 'self'"));
  EXPECT_EQ(reply.header("Referrer-Policy"), "no-referrer");
  EXPECT_TRUE(checkedIn(zhang_));
  EXPECT_FALSE(checkedIn(li_));
  EXPECT_EQ(journal("checked in"), 1);
  ASSERT_EQ(checked.count(), 1);
  EXPECT_EQ(checked.front().front().value<CheckInResult>().id, zhang_);
}

// The invitation card's QR code fills the form in; only the stage's code, scanned in the hall, opens it.
TEST_F(CheckInSiteTest, AnInvitationCardFillsTheFormTheStageOpens) {
  start();
  const QString code = codeOf(zhang_);
  const Reply card = fetch(site_.port(), get(QStringLiteral("/checkin?gh=A001&code=") + code));
  EXPECT_EQ(card.status, 200);
  EXPECT_FALSE(checkedIn(zhang_)) << "a card alone proves nothing about the hall";
  const QByteArray cardCookie = card.header("Set-Cookie").split(';').value(0);
  ASSERT_TRUE(cardCookie.startsWith("ld_card="));
  QByteArray request = get(site_.checkInUrl().path());
  request.insert(request.size() - 2, "Cookie: " + cardCookie + "\r\n");
  const Reply form = fetch(site_.port(), request);
  EXPECT_EQ(form.status, 200);
  EXPECT_TRUE(form.text().contains(QStringLiteral("value=\"A001\""))) << form.text().toStdString();
  EXPECT_TRUE(form.text().contains(QStringLiteral("value=\"%1\"").arg(code))) << form.text().toStdString();
  // Hostile card links are refused or stay text in the attribute.
  EXPECT_EQ(fetch(site_.port(), get(QStringLiteral("/checkin?gh=A001"))).status, 400);
  const Reply hostile = fetch(site_.port(), get(QStringLiteral("/checkin?gh=%22%3E%3Cscript%3E&code=x")));
  EXPECT_EQ(hostile.status, 200);
  EXPECT_FALSE(hostile.text().contains(QStringLiteral("<script>")));
}

// Sealing the draw closes check-in: the link is gone, a form already open is refused and records nothing,
// and the winners page carries the seal's notice as text.
TEST_F(CheckInSiteTest, CheckInClosesWhileTheDrawIsSealed) {
  start();
  const Phone phone = scan();
  const QString path = site_.checkInUrl().path();
  site_.setCheckInOpen(false);
  site_.setNotice(QStringLiteral("封存码 <b>abc</b>"));
  EXPECT_TRUE(site_.checkInUrl().isEmpty());
  EXPECT_EQ(fetch(site_.port(), get(path)).status, 403);
  EXPECT_EQ(submit(phone, QStringLiteral("A001"), codeOf(zhang_)).status, 403);
  EXPECT_FALSE(checkedIn(zhang_));
  const Reply page = fetch(site_.port(), get(QStringLiteral("/winners")));
  EXPECT_TRUE(page.text().contains(QStringLiteral("封存码 &lt;b&gt;abc&lt;/b&gt;")))
      << page.text().toStdString();
  site_.setCheckInOpen(true);
  EXPECT_EQ(submit(scan(), QStringLiteral("A001"), codeOf(zhang_)).status, 200);
  EXPECT_TRUE(checkedIn(zhang_));
}

TEST_F(CheckInSiteTest, AFormNotSignedForThisPhoneAndRoomRecordsNothing) {
  start();
  const Phone phone = scan();
  const struct {
    const char* what;
    const char* field;  // replaced (or removed when value is null)
    const char* value;
    QByteArray headers;
    int status;
  } cases[] = {
      {"no csrf", "csrf", nullptr, {}, 403},
      {"forged csrf", "csrf", "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff", {}, 403},
      {"another room token", "t", "AAAAAAAAAAAAAAAA", {}, 403},
      {"another site's page", nullptr, nullptr, "Origin: http://evil.example\r\n", 403},
      {"our own page under no-referrer", nullptr, nullptr, "Origin: null\r\n", 200},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QUrlQuery form = phone.form;
    if (c.field) {
      form.removeAllQueryItems(QLatin1String(c.field));
      if (c.value) form.addQueryItem(QLatin1String(c.field), QLatin1String(c.value));
    }
    form.addQueryItem(QStringLiteral("gh"), QStringLiteral("A001"));
    form.addQueryItem(QStringLiteral("code"), codeOf(zhang_));
    const Reply reply =
        fetch(site_.port(), post(form, c.headers + "Cookie: ld_phone=" + phone.cookie + "\r\n"));
    EXPECT_EQ(reply.status, c.status);
    EXPECT_EQ(checkedIn(zhang_), c.status == 200);
    EXPECT_EQ(journal("checked in"), c.status == 200 ? 1 : 0);
  }
}

TEST_F(CheckInSiteTest, ARoomTokenLastsItsPeriodAndTheNext) {
  start();
  QSignalSpy changed(&site_, &CheckInSite::checkInUrlChanged);
  const QString scanned = site_.checkInUrl().path();
  const struct {
    int seconds, status;
  } cases[] = {
      {59, 200}, {CheckInSite::kRoomTokenSeconds + 59, 200}, {2 * CheckInSite::kRoomTokenSeconds, 403}};
  const QDateTime started = now_;
  for (const auto& c : cases) {
    now_ = started.addSecs(c.seconds);
    const Reply reply = fetch(site_.port(), get(scanned));
    EXPECT_EQ(reply.status, c.status) << c.seconds;
    if (c.status == 403) {
      EXPECT_TRUE(reply.text().contains(QStringLiteral("二维码已过期，请重新扫描舞台上的二维码")));
    }
  }
  EXPECT_EQ(changed.count(), 2);
  EXPECT_NE(site_.checkInUrl().path(), scanned);
  EXPECT_EQ(fetch(site_.port(), get(site_.checkInUrl().path())).status, 200);
}

TEST_F(CheckInSiteTest, WrongCodesPauseOnlyTheirEmployeeNumber) {
  start();
  const Phone phone = scan();
  for (int i = 0; i < AttemptLimiter::kWrongBeforePause; ++i) {
    const Reply wrong = submit(phone, QStringLiteral("A001"), QStringLiteral("WRONG1"));
    EXPECT_EQ(wrong.status, 200);
    EXPECT_TRUE(wrong.text().contains(QStringLiteral("工号或签到码不对")));
    EXPECT_FALSE(hiddenField(wrong.text(), QStringLiteral("csrf")).isEmpty());
  }
  // Paused: even the right code waits; written differently, the number is the same one.
  const Reply paused = submit(phone, QStringLiteral("a001"), codeOf(zhang_));
  EXPECT_EQ(paused.status, 429);
  EXPECT_EQ(paused.header("Retry-After"), "60");
  EXPECT_FALSE(checkedIn(zhang_));
  // Someone else from the same phone and address is not slowed.
  EXPECT_EQ(submit(scan(), QStringLiteral("B002"), codeOf(li_)).status, 200);
  EXPECT_TRUE(checkedIn(li_));
  now_ = now_.addSecs(AttemptLimiter::kPauseMs / 1000);
  const Reply after = submit(scan(phone.cookie), QStringLiteral("A001"), codeOf(zhang_));
  EXPECT_EQ(after.status, 200);
  EXPECT_TRUE(checkedIn(zhang_));
}

TEST(AttemptLimiter, CountsWrongCodesPerNumberAndPerAddress) {
  AttemptLimiter limiter;
  qint64 now = 1'000'000;
  for (int i = 1; i < AttemptLimiter::kWrongBeforePause; ++i) limiter.wrong(QStringLiteral("A1"), "x", now);
  EXPECT_EQ(limiter.pausedFor(QStringLiteral("A1"), now), 0);
  limiter.right(QStringLiteral(" a1"));  // a right code clears the count
  for (int i = 1; i < AttemptLimiter::kWrongBeforePause; ++i) limiter.wrong(QStringLiteral("A1"), "x", now);
  EXPECT_EQ(limiter.pausedFor(QStringLiteral("A1"), now), 0);
  limiter.wrong(QStringLiteral("A1"), "x", now);
  EXPECT_EQ(limiter.pausedFor(QStringLiteral("A1"), now + 1000), 59);
  // After the pause one more wrong code starts it again.
  now += AttemptLimiter::kPauseMs;
  EXPECT_EQ(limiter.pausedFor(QStringLiteral("A1"), now), 0);
  limiter.wrong(QStringLiteral("A1"), "x", now);
  EXPECT_EQ(limiter.pausedFor(QStringLiteral("A1"), now), 60);
  EXPECT_EQ(limiter.pausedFor(QString(), now), 0);

  // Per address only wrong codes count, and the window passes.
  AttemptLimiter hall;
  for (int i = 0; i < AttemptLimiter::kWrongPerAddress; ++i)
    ASSERT_EQ(hall.wrong(QString(), QStringLiteral("10.0.0.1"), now + i), 0) << i;
  EXPECT_GT(hall.wrong(QString(), QStringLiteral("10.0.0.1"), now + 1000), 0);
  EXPECT_EQ(hall.wrong(QString(), QStringLiteral("10.0.0.2"), now + 1000), 0);
  EXPECT_EQ(hall.wrong(QString(), QStringLiteral("10.0.0.1"), now + AttemptLimiter::kAddressWindowMs), 0);
}

TEST_F(CheckInSiteTest, ASecondPhoneIsRefusedAndTheFirstIsGreetedAgain) {
  start();
  QSignalSpy refused(&site_, &CheckInSite::checkInRefused);
  const Phone first = scan();
  ASSERT_EQ(submit(first, QStringLiteral("A001"), codeOf(zhang_)).status, 200);
  const Phone second = scan();
  ASSERT_NE(second.cookie, first.cookie);
  // Without cookies the form's own token stands for the phone.
  for (bool withCookie : {true, false}) {
    const Reply reply = submit(second, QStringLiteral("A001"), codeOf(zhang_), withCookie);
    EXPECT_EQ(reply.status, 409);
    EXPECT_TRUE(reply.text().contains(QStringLiteral("你已在另一部手机上签到")));
  }
  EXPECT_EQ(refused.count(), 2);
  const Reply again = submit(scan(first.cookie), QStringLiteral("A001"), codeOf(zhang_));
  EXPECT_EQ(again.status, 200);
  EXPECT_TRUE(again.text().contains(QStringLiteral("张三，你已签到")));
  EXPECT_EQ(journal("checked in"), 1);
  EXPECT_EQ(journal("check-in refused"), 2);
}

// Anyone holding their own code could otherwise fill the journal and the operator's list with refusals, one
// fresh phone after another, each a write to the file.
TEST_F(CheckInSiteTest, RefusedSecondPhonesArePausedLikeWrongCodes) {
  const int wang = person(QStringLiteral("王五"), QString());
  start();
  const struct {
    const char* what;
    QString employeeId;
    int id;
  } cases[] = {{"by number", QStringLiteral("A001"), zhang_}, {"by the code alone", QString(), wang}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(submit(scan(), c.employeeId, codeOf(c.id)).status, 200);
    QList<int> statuses;
    for (int i = 0; i < AttemptLimiter::kWrongBeforePause + 2; ++i)
      statuses << submit(scan(), c.employeeId, codeOf(c.id)).status;
    QList<int> expected(AttemptLimiter::kWrongBeforePause, 409);
    expected << 429 << 429;
    EXPECT_EQ(statuses, expected);
    EXPECT_EQ(
        app_.count(QStringLiteral("select xh from cjrz where lx='check-in refused' and ygid=%1").arg(c.id)),
        AttemptLimiter::kWrongBeforePause);
  }
  EXPECT_EQ(submit(scan(), QStringLiteral("B002"), codeOf(li_)).status, 200);
}

TEST_F(CheckInSiteTest, ARosterWithoutEmployeeNumbersAsksForTheCodeAlone) {
  app_.exec(QStringLiteral("update yglb set gh=''"));
  start();
  const Phone phone = scan();
  const Reply form = fetch(site_.port(), get(site_.checkInUrl().path()));
  EXPECT_FALSE(form.text().contains(QStringLiteral("name=\"gh\"")));
  EXPECT_EQ(codeOf(li_).size(), kCodeAloneLength);
  EXPECT_EQ(submit(phone, QString(), codeOf(li_)).status, 200);
  EXPECT_TRUE(checkedIn(li_));
}

TEST_F(CheckInSiteTest, ABodyOverTheLimitIsRefusedUnread) {
  start();
  QUrlQuery form = scan().form;
  form.addQueryItem(QStringLiteral("gh"), QString(20 * 1024, QLatin1Char('A')));
  form.addQueryItem(QStringLiteral("code"), codeOf(zhang_));
  EXPECT_EQ(fetch(site_.port(), post(form)).status, 413);
  EXPECT_EQ(app_.count(QStringLiteral("select id from yglb where qd<>''")), 0);
}

TEST_F(CheckInSiteTest, HostileNamesStayTextOnEveryPage) {
  const QString hostile = QStringLiteral("<script>alert(\"x\")</script>'&");
  const int id = person(hostile, QStringLiteral("C003"));
  start();
  const Phone phone = scan();
  const Reply greeting = submit(phone, QStringLiteral("C003"), codeOf(id));
  app_.exec(QStringLiteral("update yglb set zj=1, zjsx=1 where id=%1").arg(id));
  site_.announceChange();
  const Reply page = fetch(site_.port(), get(QStringLiteral("/winners"), phone.cookie));
  const QString escaped = QStringLiteral("&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;&#39;&amp;");
  for (const Reply* reply : {&greeting, &page}) {
    EXPECT_EQ(reply->status, 200);
    EXPECT_TRUE(reply->text().contains(escaped));
    EXPECT_FALSE(reply->text().contains(QStringLiteral("<script>alert")));
  }
  EXPECT_TRUE(page.text().contains(QStringLiteral("恭喜你中了一等奖！")));
  const Reply json = fetch(site_.port(), get(QStringLiteral("/winners.json"), phone.cookie));
  EXPECT_TRUE(json.header("Content-Type").startsWith("application/json"));
  const QJsonObject data = QJsonDocument::fromJson(json.body).object();
  EXPECT_EQ(data["winners"].toArray().at(0).toObject()["name"].toString(), hostile);
  EXPECT_EQ(data["me"].toObject()["name"].toString(), hostile);
  EXPECT_TRUE(data["me"].toObject()["won"].toBool());
  EXPECT_TRUE(fetch(site_.port(), get(QStringLiteral("/winners.json"))).text().contains("\"me\":null"));
}

TEST_F(CheckInSiteTest, TheStreamTellsEachWinnerAndOnlyTheOwnPageKnowsItsTag) {
  start();
  const Phone phone = scan();
  ASSERT_EQ(submit(phone, QStringLiteral("A001"), codeOf(zhang_)).status, 200);
  const Reply page = fetch(site_.port(), get(QStringLiteral("/winners"), phone.cookie));
  EXPECT_TRUE(page.text().contains(QStringLiteral("还没有抽到你")));
  const QString myTag =
      QRegularExpression(QStringLiteral("data-me=\"([0-9a-f]{16})\"")).match(page.text()).captured(1);
  ASSERT_FALSE(myTag.isEmpty());

  QTcpSocket stream;
  stream.connectToHost(QHostAddress::LocalHost, site_.port());
  stream.write("GET /winners/stream HTTP/1.1\r\nHost: t\r\n\r\n");
  QByteArray received;
  ASSERT_TRUE(QTest::qWaitFor([&] { return (received += stream.readAll()).contains(": connected"); }, 5000));
  site_.announceWinners(
      {{li_, 1, 4, QStringLiteral("幸运奖"), QStringLiteral("销售部"), QStringLiteral("李四")},
       {zhang_, 2, 4, QStringLiteral("幸运奖"), QStringLiteral("销售部"), QStringLiteral("张三")}});
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return (received += stream.readAll()).count("event: winner\n") == 2; }, 5000));
  QStringList tags, names;
  for (const QRegularExpressionMatch& m :
       QRegularExpression(QStringLiteral("data: (\\{.*\\})\n")).globalMatch(QString::fromUtf8(received))) {
    const QJsonObject event = QJsonDocument::fromJson(m.captured(1).toUtf8()).object();
    names << event["name"].toString();
    tags << event["tag"].toString();
  }
  EXPECT_EQ(names, (QStringList{QStringLiteral("李四"), QStringLiteral("张三")}));
  EXPECT_NE(tags[0], myTag);
  EXPECT_EQ(tags[1], myTag);
  EXPECT_FALSE(received.contains("\"id\""));
}

// A page opened before the operator stopped and started the server again reconnects to the stream; its own
// person's win must still be recognised there.
TEST_F(CheckInSiteTest, APageKnowsItsOwnWinAfterTheServerStartsAgain) {
  start();
  const Phone phone = scan();
  ASSERT_EQ(submit(phone, QStringLiteral("A001"), codeOf(zhang_)).status, 200);
  const Reply page = fetch(site_.port(), get(QStringLiteral("/winners"), phone.cookie));
  const QString myTag =
      QRegularExpression(QStringLiteral("data-me=\"([0-9a-f]{16})\"")).match(page.text()).captured(1);
  ASSERT_FALSE(myTag.isEmpty());
  site_.stop();
  ASSERT_EQ(site_.start(QHostAddress::LocalHost, 0), QString());

  QTcpSocket stream;
  stream.connectToHost(QHostAddress::LocalHost, site_.port());
  stream.write("GET /winners/stream HTTP/1.1\r\nHost: t\r\n\r\n");
  QByteArray received;
  ASSERT_TRUE(QTest::qWaitFor([&] { return (received += stream.readAll()).contains(": connected"); }, 5000));
  site_.announceWinners(
      {{zhang_, 1, 4, QStringLiteral("幸运奖"), QStringLiteral("销售部"), QStringLiteral("张三")}});
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return (received += stream.readAll()).contains("event: winner\n"); }, 5000));
  EXPECT_TRUE(received.contains("\"tag\":\"" + myTag.toLatin1() + '"')) << received.toStdString();
}

}  // namespace
