// The wire: request line, headers, body bytes, cookies, status failures,
// time-outs and certificate checks, against a loopback server.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QLocale>
#include <QTest>

#include "common/prompter.h"
#include "sync/entryjson.h"
#include "sync/exchange.h"
#include "sync/formbody.h"
#include "sync/serverreply.h"
#include "tests/support/loopbackserver.h"

using kairon::test::LoopbackServer;

namespace kairon {

namespace {
struct RecordingBusy : IBusyIndicator {
  QStringList calls;
  void beginWait() override { calls << QStringLiteral("begin"); }
  void endWait() override { calls << QStringLiteral("end"); }
  void processEvents() override { calls << QStringLiteral("events"); }
};

const QString kWorkedJson = QStringLiteral(
    R"([{"real":90,"invoice":60,"project":12,"file":345,"activity":3,"practice_group":2,"note":"Besprechung","note_add":"","date":"2012-05-31"},)"
    R"({"real":15,"invoice":15,"project":12,"file":346,"activity":4,"practice_group":2,"note":"Telefonat mit Mandant","note_add":"Rückruf","date":"2012-06-01"}])");
const QByteArray kWorkedBodyTail =
    "=&request=insertTimeEntries&json=%5B%7B%22real%22:90,%22invoice%22:60,%22project%22:12,%22file%22:345,"
    "%22activity%22:3,%22practice_group%22:2,%22note%22:%22Besprechung%22,%22note_add%22:%22%22,%22date%22:"
    "%222012-05-31%22%7D,%7B%22real%22:15,%22invoice%22:15,%22project%22:12,%22file%22:346,%22activity%22:4,"
    "%22practice_group%22:2,%22note%22:%22Telefonat%20mit%20Mandant%22,%22note_add%22:%22R%C3%BCckruf%22,"
    "%22date%22:%222012-06-01%22%7D%5D";
}  // namespace

class TestExchange : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

  void requestLineAndHeaders() {
    LoopbackServer server;
    server.enqueue(LoopbackServer::Reply(R"({"error":{"s":false},"data":{}})"));
    RecordingBusy busy;
    ServerExchange exchange(busy);
    const PostResult r = exchange.PostServerRequest(server.url(), "login=a&pass=b");
    QVERIFY2(r.ok, qPrintable(r.text));
    QCOMPARE(r.text, QStringLiteral(R"({"error":{"s":false},"data":{}})"));
    const auto requests = server.requests();
    QCOMPARE(requests.size(), 1);
    const auto& req = requests[0];
    QCOMPARE(req.requestLine, QByteArray("POST / HTTP/1.0"));
    QCOMPARE(req.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
    QCOMPARE(req.header("Accept"), QByteArray("text/html, */*"));
    QCOMPARE(req.header("User-Agent"), QByteArray("Mozilla/3.0 (compatible; Indy Library)"));
    QCOMPARE(req.headerCount("Content-Type"), 1);
    QCOMPARE(req.headerCount("Expect"), 0);
    QCOMPARE(req.headerCount("Cookie"), 0);
    QCOMPARE(req.header("Content-Length"), QByteArray("14"));
    QCOMPARE(req.body, QByteArray("login=a&pass=b"));
    QCOMPARE(busy.calls, (QStringList{QStringLiteral("begin"), QStringLiteral("events"), QStringLiteral("end")}));
  }

  void postsToTheAddressAsGiven() {
    LoopbackServer server;
    NullBusyIndicator busy;
    ServerExchange exchange(busy);
    QVERIFY(exchange.PostServerRequest(server.url() + QStringLiteral("api/zeit.php?x=1"), "a=b").ok);
    QCOMPARE(server.requests().value(0).requestLine, QByteArray("POST /api/zeit.php?x=1 HTTP/1.0"));
  }

  void encodesValues_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("encoded");
    QTest::newRow("plain") << QStringLiteral("abcXYZ019") << QByteArray("abcXYZ019");
    QTest::newRow("kept") << QStringLiteral("=',/:;.-_~!$()?@") << QByteArray("=',/:;.-_~!$()?@");
    QTest::newRow("fourteen") << QStringLiteral("*<>#%\"{}|\\^[]`")
                              << QByteArray("%2A%3C%3E%23%25%22%7B%7D%7C%5C%5E%5B%5D%60");
    QTest::newRow("amp plus") << QStringLiteral("a&b+c") << QByteArray("a%26b%2Bc");
    QTest::newRow("blank tab cr lf") << QStringLiteral(" \t\r\n") << QByteArray("%20%09%0D%0A");
    QTest::newRow("del u0080 u0081") << QStringLiteral("\u007F\u0080\u0081") << QByteArray("%7F%C2%80%C2%81");
    QTest::newRow("umlaut euro") << QStringLiteral("ü€") << QByteArray("%C3%BC%E2%82%AC");
    QTest::newRow("outside bmp") << QString::fromUtf8("\xF0\x9F\x98\x80") << QByteArray("%F0%9F%98%80");
  }
  void encodesValues() {
    QFETCH(QString, value);
    QFETCH(QByteArray, encoded);
    QCOMPARE(EncodeFormValue(value), encoded);
  }

  void loginBodyBytes() {
    LoopbackServer server;
    NullBusyIndicator busy;
    ServerExchange exchange(busy);
    const QByteArray body = BuildFormBody({{QStringLiteral("login"), QStringLiteral("mü ller&co=1")},
                                           {QStringLiteral("pass"), QStringLiteral("a&b= ü")}});
    QVERIFY(exchange.PostServerRequest(server.url(), body).ok);
    QCOMPARE(server.requests().value(0).body, QByteArray("login=m%C3%BC%20ller%26co=1&pass=a%26b=%20%C3%BC"));
  }

  void uploadWorkedExampleBytes() {
    ExportEntry a{90, 60, 12, 345, 3, 2, QStringLiteral("Besprechung"), QString(), QStringLiteral("2012-05-31")};
    ExportEntry b{15,
                  15,
                  12,
                  346,
                  4,
                  2,
                  QStringLiteral("Telefonat mit Mandant"),
                  QStringLiteral("Rückruf"),
                  QStringLiteral("2012-06-01")};
    const QString json =
        QLatin1Char('[') + EntryObjectText(a) + QLatin1Char(',') + EntryObjectText(b) + QLatin1Char(']');
    QCOMPARE(json, kWorkedJson);
    QCOMPARE(json.size(), 290);

    LoopbackServer server;
    NullBusyIndicator busy;
    ServerExchange exchange(busy);
    const QByteArray body = BuildFormBody({{QStringLiteral("token"), QStringLiteral("T0k=")},
                                           {QStringLiteral("request"), QStringLiteral("insertTimeEntries")},
                                           {QStringLiteral("json"), json}});
    QVERIFY(exchange.PostServerRequest(server.url(), body).ok);
    QCOMPARE(server.requests().value(0).body, QByteArray("token=T0k") + kWorkedBodyTail);
  }

  void jsonStrings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("literal");
    QTest::newRow("plain") << QStringLiteral("Rückruf & Co") << QStringLiteral("\"Rückruf & Co\"");
    QTest::newRow("quote backslash") << QStringLiteral("a\"b\\c") << QStringLiteral("\"a\\\"b\\\\c\"");
    QTest::newRow("line breaks") << QStringLiteral("a\r\nb\tc") << QStringLiteral("\"a\\r\\nb\\tc\"");
    QTest::newRow("control") << QStringLiteral("\u0001\u001f/") << QStringLiteral("\"\\u0001\\u001f/\"");
  }
  void jsonStrings() {
    QFETCH(QString, text);
    QFETCH(QString, literal);
    QCOMPARE(JsonStringText(text), literal);
    // And it reads back as the same text.
    QCOMPARE(QString::fromStdString(Json::parse(literal.toStdString()).get<std::string>()), text);
  }

  void cookiesAreSentBack() {
    LoopbackServer server;
    server.enqueue(LoopbackServer::Reply("{}", "200 OK", "application/json", "Set-Cookie: sid=abc123; Path=/\r\n"));
    NullBusyIndicator busy;
    ServerExchange exchange(busy);
    QVERIFY(exchange.PostServerRequest(server.url(), "a=1").ok);
    QVERIFY(exchange.PostServerRequest(server.url(), "a=2").ok);
    ServerExchange other(busy);
    QVERIFY(other.PostServerRequest(server.url(), "a=3").ok);
    const auto requests = server.requests();
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requests[0].headerCount("Cookie"), 0);
    QCOMPARE(requests[1].header("Cookie"), QByteArray("sid=abc123"));
    // Cookies belong to one session object (one program run).
    QCOMPARE(requests[2].headerCount("Cookie"), 0);
  }

  void unsuccessfulStatus_data() {
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("extra");
    QTest::newRow("302") << QByteArray("302 Found") << QByteArray("Location: /elsewhere\r\n");
    QTest::newRow("500") << QByteArray("500 Internal Server Error") << QByteArray();
    QTest::newRow("404") << QByteArray("404 Not Found") << QByteArray();
  }
  void unsuccessfulStatus() {
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, extra);
    LoopbackServer server;
    server.enqueue(LoopbackServer::Reply(R"({"error":{"s":false},"data":{}})", status, "application/json", extra));
    RecordingBusy busy;
    ServerExchange exchange(busy);
    const PostResult r = exchange.PostServerRequest(server.url(), "a=1");
    QVERIFY(!r.ok);
    QCOMPARE(r.text, QString::fromLatin1("HTTP/1.1 " + status));
    // A redirect is not followed.
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(busy.calls, (QStringList{QStringLiteral("begin"), QStringLiteral("events"), QStringLiteral("end")}));
  }

  void stalledServerTimesOut() {
    LoopbackServer server;
    server.setDefault(LoopbackServer::Silent());
    NullBusyIndicator busy;
    ServerExchange exchange(busy);
    exchange.settings.stallTimeoutSeconds = 1;
    QElapsedTimer timer;
    timer.start();
    const PostResult r = exchange.PostServerRequest(server.url(), "a=1");
    QVERIFY(!r.ok);
    QCOMPARE(r.text, QStringLiteral("Zeitüberschreitung: Der Server antwortet nicht!"));
    QVERIFY2(timer.elapsed() < 15000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(server.requests().size(), 1);
  }

  void noServer() {
    NullBusyIndicator busy;
    ServerExchange exchange(busy);
    const PostResult r =
        exchange.PostServerRequest(QStringLiteral("http://127.0.0.1:%1/").arg(LoopbackServer::ClosedPort()), "a=1");
    QVERIFY(!r.ok);
    QCOMPARE(r.text, QStringLiteral("Keine Verbindung zum Server möglich!"));
  }

  void onlyHttpAndHttps_data() {
    QTest::addColumn<QString>("url");
    QTest::newRow("ftp") << QStringLiteral("ftp://127.0.0.1/");
    QTest::newRow("file") << QStringLiteral("file:///etc/passwd");
    QTest::newRow("no scheme") << QStringLiteral("127.0.0.1:80");
    QTest::newRow("empty") << QString();
  }
  void onlyHttpAndHttps() {
    QFETCH(QString, url);
    RecordingBusy busy;
    ServerExchange exchange(busy);
    const PostResult r = exchange.PostServerRequest(url, "a=1");
    QVERIFY(!r.ok);
    QCOMPARE(r.text, QStringLiteral("Die Serveradresse ist ungültig! Erlaubt sind nur http- und https-Adressen."));
    QCOMPARE(busy.calls, (QStringList{QStringLiteral("begin"), QStringLiteral("events"), QStringLiteral("end")}));
  }

  void selfSignedRefused() {
    LoopbackServer server(true);
    NullBusyIndicator busy;
    ServerExchange exchange(busy);
    const PostResult r = exchange.PostServerRequest(server.url(), "a=1");
    QVERIFY(!r.ok);
    QCOMPARE(r.text, QStringLiteral(
                         "Das Zertifikat des Servers ist nicht vertrauenswürdig! Keine sichere Verbindung möglich."));
    QCOMPARE(server.requests().size(), 0);
  }

  void selfSignedAcceptedWithItsPin() {
    LoopbackServer server(true);
    server.enqueue(LoopbackServer::Reply(R"({"ok":1})"));
    NullBusyIndicator busy;
    ServerExchange exchange(busy);
    exchange.pinnedPublicKey = server.pin();
    const PostResult r = exchange.PostServerRequest(server.url(), "a=1");
    QVERIFY2(r.ok, qPrintable(r.text));
    QCOMPARE(r.text, QStringLiteral(R"({"ok":1})"));
    QCOMPARE(server.requests().value(0).requestLine, QByteArray("POST / HTTP/1.0"));
  }

  void selfSignedRefusedWithAnotherPin() {
    LoopbackServer server(true);
    LoopbackServer other(true);
    NullBusyIndicator busy;
    ServerExchange exchange(busy);
    exchange.pinnedPublicKey = other.pin();
    const PostResult r = exchange.PostServerRequest(server.url(), "a=1");
    QVERIFY(!r.ok);
    QCOMPARE(r.text, QStringLiteral(
                         "Das Zertifikat des Servers ist nicht vertrauenswürdig! Keine sichere Verbindung möglich."));
    QCOMPARE(server.requests().size(), 0);
  }

  void unreadableTrustStore() {
    LoopbackServer server(true);
    NullBusyIndicator busy;
    ServerExchange exchange(busy);
    exchange.settings.caFile = QStringLiteral("/nonexistent/roots.pem");
    const PostResult r = exchange.PostServerRequest(server.url(), "a=1");
    QVERIFY(!r.ok);
    QCOMPARE(r.text, QStringLiteral("Die vertrauenswürdigen Zertifikate des Systems konnten nicht gelesen werden! "
                                    "Keine sichere Verbindung möglich."));
  }

  void decodesByCharset_data() {
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("utf-8 named") << QByteArray("application/json; charset=utf-8") << QByteArray("M\xC3\xBCller");
    QTest::newRow("none named") << QByteArray("application/json") << QByteArray("M\xC3\xBCller");
    QTest::newRow("latin-1") << QByteArray("text/html; charset=ISO-8859-1") << QByteArray("M\xFCller");
    QTest::newRow("unknown name") << QByteArray("text/html; charset=x-nonsense") << QByteArray("M\xC3\xBCller");
    QTest::newRow("meta tag") << QByteArray("text/html") << QByteArray("<meta charset=\"iso-8859-1\">M\xFCller");
  }
  void decodesByCharset() {
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);
    LoopbackServer server;
    server.enqueue(LoopbackServer::Reply(body, "200 OK", contentType));
    NullBusyIndicator busy;
    ServerExchange exchange(busy);
    const PostResult r = exchange.PostServerRequest(server.url(), "a=1");
    QVERIFY(r.ok);
    QVERIFY2(r.text.endsWith(QStringLiteral("Müller")), qPrintable(r.text));
  }

  void replySizeIsCapped() {
    LoopbackServer server;
    // Without a length the reply is cut off while it comes in.
    server.enqueue({QByteArray("HTTP/1.0 200 OK\r\n\r\n") + QByteArray(5000, 'x'), false});
    server.enqueue(LoopbackServer::Reply(QByteArray(5000, 'x')));
    server.enqueue(LoopbackServer::Reply(QByteArray(5000, 'x')));
    NullBusyIndicator busy;
    ServerExchange exchange(busy);
    exchange.settings.maxReplyBytes = 1000;
    const PostResult r = exchange.PostServerRequest(server.url(), "a=1");
    QVERIFY(!r.ok);
    QCOMPARE(r.text, QStringLiteral("Die Antwort des Servers ist zu groß!"));
    QCOMPARE(exchange.PostServerRequest(server.url(), "a=1").text,
             QStringLiteral("Die Antwort des Servers ist zu groß!"));
    exchange.settings.maxReplyBytes = 5000;
    QVERIFY(exchange.PostServerRequest(server.url(), "a=1").ok);
  }
};

}  // namespace kairon

QTEST_GUILESS_MAIN(kairon::TestExchange)
#include "tst_exchange.moc"
