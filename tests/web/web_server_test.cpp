// The phones' web server over real sockets on 127.0.0.1: handlers on the main thread, the limits that keep
// a phone from holding up the program, the event stream.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <functional>
#include <memory>
#include <vector>

#include "web/html_text.h"
#include "web/web_server.h"

using namespace ld::web;

namespace {

// A raw HTTP client: what it sends is exactly what a phone (or an attacker) would send.
class Client {
 public:
  explicit Client(quint16 port, const QByteArray& request = {}) {
    socket_.connectToHost(QHostAddress::LocalHost, port);
    if (!request.isEmpty()) socket_.write(request);
  }
  // Everything received until `text` is in it or the server closes; events are processed meanwhile, so
  // the server's handlers run.
  bool waitFor(const QByteArray& text, int ms = 5000) {
    return QTest::qWaitFor([&] { return collect().contains(text) || closed(); }, ms) &&
           received_.contains(text);
  }
  bool waitClosed(int ms = 5000) {
    return QTest::qWaitFor([&] { return collect(), closed(); }, ms);
  }
  const QByteArray& collect() {
    received_ += socket_.readAll();
    return received_;
  }
  bool closed() const { return socket_.state() == QAbstractSocket::UnconnectedState; }
  const QByteArray& received() const { return received_; }
  QTcpSocket& socket() { return socket_; }

 private:
  QTcpSocket socket_;
  QByteArray received_;
};

QByteArray post(const QString& path, const QByteArray& body) {
  return "POST " + path.toUtf8() +
         " HTTP/1.1\r\nHost: t\r\nContent-Type: application/x-www-form-urlencoded\r\n"
         "Content-Length: " +
         QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray statusOf(const QByteArray& response) { return response.mid(9, 3); }

class WebServerTest : public ::testing::Test {
 protected:
  void start(Limits limits = {}, const std::function<void(WebServer&)>& moreRoutes = {}) {
    server_ = std::make_unique<WebServer>(limits);
    if (moreRoutes) moreRoutes(*server_);
    server_->get(QStringLiteral("/hello"), [this](const Request& request) {
      onMainThread_ = QThread::currentThread() == QCoreApplication::instance()->thread();
      ++calls_;
      return Response::html(QStringLiteral("<p>") + htmlEscape(request.query.queryItemValue("name")) +
                            "</p>");
    });
    server_->post(QStringLiteral("/checkin"), [this](const Request& request) {
      ++calls_;
      lastForm_ = request.form().queryItemValue(QStringLiteral("name"), QUrl::FullyDecoded);
      lastBodySize_ = request.body.size();
      return Response::html(QStringLiteral("ok"));
    });
    server_->stream(QStringLiteral("/events"));
    ASSERT_EQ(server_->start(QHostAddress::LocalHost, 0), QString());
    port_ = server_->port();
    ASSERT_NE(port_, 0);
  }

  std::unique_ptr<WebServer> server_;
  quint16 port_ = 0;
  bool onMainThread_ = false;
  int calls_ = 0;
  QString lastForm_;
  qsizetype lastBodySize_ = -1;
};

TEST_F(WebServerTest, AGetIsAnsweredByItsHandlerOnTheMainThread) {
  start();
  Client client(port_, "GET /hello?name=%3Cb%3E%E5%BC%A0 HTTP/1.1\r\nHost: t\r\n\r\n");
  ASSERT_TRUE(client.waitFor("</p>"));
  EXPECT_EQ(statusOf(client.received()), "200");
  EXPECT_TRUE(client.received().contains("<p>&lt;b&gt;" + QStringLiteral("张").toUtf8() + "</p>"));
  EXPECT_TRUE(onMainThread_);
}

TEST_F(WebServerTest, UnknownPathsAndMethodsAreRefusedWithoutAHandler) {
  start();
  const struct {
    QByteArray request, status;
  } cases[] = {
      {"GET /nowhere HTTP/1.1\r\nHost: t\r\n\r\n", "404"},
      {post("/hello", "a=1"), "405"},
      {"GET /checkin HTTP/1.1\r\nHost: t\r\n\r\n", "405"},
      {post("/events", "a=1"), "405"},
  };
  for (const auto& c : cases) {
    Client client(port_, c.request);
    ASSERT_TRUE(client.waitFor("\r\n\r\n")) << c.request.constData();
    EXPECT_EQ(statusOf(client.received()), c.status) << c.request.constData();
  }
  EXPECT_EQ(calls_, 0);
}

TEST_F(WebServerTest, APostedFormReachesTheHandlerDecoded) {
  start();
  Client client(port_, post("/checkin", "name=%E5%BC%A0+%E4%B8%89&x=1"));
  ASSERT_TRUE(client.waitFor("ok"));
  EXPECT_EQ(lastForm_, QStringLiteral("张 三"));
}

TEST_F(WebServerTest, ABodyOverTheLimitIsRefusedAndTheServerServesOn) {
  start();
  const struct {
    qsizetype size;
    QByteArray status;
  } cases[] = {{16 * 1024, "200"}, {16 * 1024 + 1, "413"}, {20 * 1024, "413"}};
  for (const auto& c : cases) {
    calls_ = 0;
    Client client(port_, post("/checkin", "name=" + QByteArray(c.size - 5, 'a')));
    ASSERT_TRUE(client.waitFor("\r\n\r\n")) << c.size;
    EXPECT_EQ(statusOf(client.received()), c.status) << c.size;
    EXPECT_EQ(calls_, c.status == "200" ? 1 : 0) << c.size;
  }
  Client after(port_, "GET /hello?name=x HTTP/1.1\r\nHost: t\r\n\r\n");
  ASSERT_TRUE(after.waitFor("</p>"));
  EXPECT_EQ(statusOf(after.received()), "200");
}

TEST_F(WebServerTest, ABodyWithoutItsLengthIsRefusedUnread) {
  start();
  Client client(port_, "POST /checkin HTTP/1.1\r\nHost: t\r\nTransfer-Encoding: chunked\r\n\r\n");
  client.socket().write(QByteArray::number(4096, 16) + "\r\n" + QByteArray(4096, 'a') + "\r\n0\r\n\r\n");
  ASSERT_TRUE(client.waitFor("\r\n\r\n"));
  EXPECT_EQ(statusOf(client.received()), "411");
  EXPECT_EQ(calls_, 0);
}

TEST_F(WebServerTest, ABodyArrivingInPiecesIsHandledOnceWhole) {
  start();
  const QByteArray request = post("/checkin", "name=" + QByteArray(10000, 'b'));
  Client client(port_, request.left(request.indexOf("\r\n\r\n") + 4 + 100));
  // The first piece is in before the rest is sent, so the server sees the body arrive in parts.
  ASSERT_FALSE(client.waitFor("HTTP/1.1", 300));
  client.socket().write(request.mid(request.indexOf("\r\n\r\n") + 4 + 100));
  ASSERT_TRUE(client.waitFor("ok"));
  EXPECT_EQ(calls_, 1);
  EXPECT_EQ(lastBodySize_, 10005);
}

TEST_F(WebServerTest, AClientThatStallsInItsHeaderIsDisconnected) {
  Limits limits;
  limits.timeoutSeconds = 1;
  start(limits);
  Client stalled(port_, "GET /hello HTTP/1.1\r\nHost: t\r\n");
  EXPECT_TRUE(stalled.waitClosed(6000));
  EXPECT_EQ(calls_, 0);
  Client next(port_, "GET /hello HTTP/1.1\r\nHost: t\r\n\r\n");
  EXPECT_TRUE(next.waitFor("</p>"));
}

TEST_F(WebServerTest, ConnectionsOverTheLimitWaitForAFreePlace) {
  Limits limits;
  limits.maxConnections = 2;
  start(limits);
  std::vector<std::unique_ptr<Client>> streams;
  for (int i = 0; i < 2; ++i) {
    streams.push_back(std::make_unique<Client>(port_, "GET /events HTTP/1.1\r\nHost: t\r\n\r\n"));
    ASSERT_TRUE(streams.back()->waitFor(": connected"));
  }
  // Over the limit a connection waits unserved in the system's queue until a place is free.
  Client third(port_, "GET /hello HTTP/1.1\r\nHost: t\r\n\r\n");
  EXPECT_FALSE(third.waitFor("HTTP/1.1", 1000));
  EXPECT_EQ(calls_, 0);
  // A page closed while its stream sleeps is noticed once an event cannot be written to it.
  streams.front()->socket().abort();
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        server_->stream(QStringLiteral("/events")).publish("ping");
        return third.collect().contains("</p>");
      },
      5000));
  EXPECT_EQ(calls_, 1);
}

TEST_F(WebServerTest, EveryOpenStreamReceivesAPublishedEvent) {
  start();
  EventStream& events = server_->stream(QStringLiteral("/events"));
  std::vector<std::unique_ptr<Client>> clients;
  for (int i = 0; i < 3; ++i) {
    clients.push_back(std::make_unique<Client>(port_, "GET /events HTTP/1.1\r\nHost: t\r\n\r\n"));
    ASSERT_TRUE(clients.back()->waitFor(": connected"));
    EXPECT_TRUE(clients.back()->received().contains("text/event-stream"));
  }
  EXPECT_EQ(events.clientCount(), 3);
  // Two events, so that a connection left asleep after the first would miss the second.
  for (const QString& name : {QStringLiteral("张三\n一等奖"), QStringLiteral("李四")}) {
    events.publish(name.toUtf8(), "winner");
    QByteArray expected = "event: winner\n";
    for (const QString& line : name.split('\n')) expected += "data: " + line.toUtf8() + "\n";
    for (auto& client : clients)
      EXPECT_TRUE(client->waitFor(expected + "\n")) << client->received().constData();
  }
  clients.front()->socket().abort();
  events.publish("after");
  EXPECT_TRUE(clients.back()->waitFor("data: after\n"));
  // The page gone is found out when an event cannot be written to it.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        events.publish("ping");
        return events.clientCount() == 2;
      },
      5000));
}

TEST_F(WebServerTest, StoppingEndsStreamsAndWaitingRequestsAndFreesThePort) {
  start({}, [this](WebServer& server) {
    server.get(QStringLiteral("/stop"), [this](const Request&) {
      server_->stop();
      return Response::html(QStringLiteral("never sent"));
    });
  });
  Client stream(port_, "GET /events HTTP/1.1\r\nHost: t\r\n\r\n");
  ASSERT_TRUE(stream.waitFor(": connected"));
  Client stopper(port_, "GET /stop HTTP/1.1\r\nHost: t\r\n\r\n");
  EXPECT_TRUE(stopper.waitClosed());
  EXPECT_FALSE(server_->running());
  EXPECT_TRUE(stream.waitClosed());
  EXPECT_EQ(server_->stream(QStringLiteral("/events")).clientCount(), 0);
  ASSERT_EQ(server_->start(QHostAddress::LocalHost, port_), QString());
  Client again(port_, "GET /hello HTTP/1.1\r\nHost: t\r\n\r\n");
  EXPECT_TRUE(again.waitFor("</p>"));
}

TEST(WebServer, APortOrAddressItCannotHaveIsNamed) {
  QTcpServer taken;
  ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));
  const struct {
    QHostAddress address;
    quint16 port;
    QString named;
  } cases[] = {
      {QHostAddress::LocalHost, taken.serverPort(), QString::number(taken.serverPort())},
      {QHostAddress(QStringLiteral("192.0.2.7")), 8080, QStringLiteral("192.0.2.7")},
  };
  for (const auto& c : cases) {
    WebServer server;
    const QString error = server.start(c.address, c.port);
    EXPECT_TRUE(error.contains(c.named)) << error.toStdString();
    EXPECT_FALSE(server.running());
  }
}

TEST(HtmlEscape, MarkupAndQuotesCannotEscapeTheirPlace) {
  EXPECT_EQ(htmlEscape(u"<script>a&b</script>"), QStringLiteral("&lt;script&gt;a&amp;b&lt;/script&gt;"));
  EXPECT_EQ(htmlEscape(u"x\" onload='y'"), QStringLiteral("x&quot; onload=&#39;y&#39;"));
  EXPECT_EQ(htmlEscape(u"张三 &amp;"), QStringLiteral("张三 &amp;amp;"));
}

}  // namespace
