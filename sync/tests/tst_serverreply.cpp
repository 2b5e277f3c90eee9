// Reading replies: the failure flag, the error text, value texts, shapes.
#include <QLocale>
#include <QTest>

#include "common/errors.h"
#include "common/prompter.h"
#include "sync/serverreply.h"

namespace kairon {

namespace {
QString Q(const char* text) {
  return QString::fromUtf8(text);
}
}  // namespace

class TestServerReply : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

  void errorMember_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<QString>("shown");  // what the general error display would show
    QTest::newRow("false") << Q(R"({"error":{"s":false,"c":1,"t":"x"},"data":{}})") << false << QString();
    QTest::newRow("string true") << Q(R"({"error":{"s":"true","c":1,"t":"x"},"data":{}})") << false << QString();
    QTest::newRow("number 1") << Q(R"({"error":{"s":1,"c":1,"t":"x"},"data":{}})") << false << QString();
    QTest::newRow("true alone") << Q(R"({"error":{"s":true},"data":{}})") << false << QString();
    QTest::newRow("true number string") << Q(R"({"error":{"s":true,"c":404,"t":"Nicht gefunden"}})") << true
                                        << QStringLiteral("Fehler: 404 - Nicht gefunden.");
    QTest::newRow("text ends in !") << Q(R"({"error":{"s":true,"c":7,"t":"Kein Zugriff!"}})") << true
                                    << QStringLiteral("Fehler: 7 - Kein Zugriff!");
    QTest::newRow("text ends in )") << Q("{\"error\":{\"s\":true,\"c\":7,\"t\":\"(alt)\"}}") << true
                                    << QStringLiteral("Fehler: 7 - (alt)");
    QTest::newRow("two members") << Q(R"({"error":{"s":true,"t":"A"}})") << true << QStringLiteral("Fehler: A.");
    QTest::newRow("four members") << Q(R"({"error":{"s":true,"a":"A","b":"B","c":"C"}})") << true
                                  << QStringLiteral("Fehler: A - BC.");
    QTest::newRow("null and bool members")
        << Q(R"({"error":{"s":true,"a":null,"b":false}})") << true << QStringLiteral("Fehler:  - ");
    QTest::newRow("names not read") << Q(R"({"data":[],"error":{"zzz":true,"aaa":1.5,"s":"x"}})") << true
                                    << QStringLiteral("Fehler: 1,5 - x.");
    QTest::newRow("repeated name keeps its place")
        << Q(R"({"error":{"a":true,"a":"X","a":"Y"}})") << true << QStringLiteral("Fehler: X - Y.");
    QTest::newRow("first error counts") << Q(R"({"error":{"s":false},"data":{},"error":{"s":true,"t":"spät"}})")
                                        << false << QString();
  }
  void errorMember() {
    QFETCH(QString, reply);
    QFETCH(bool, failed);
    QFETCH(QString, shown);
    const ServerReply r = ServerReply::Parse(reply);
    QCOMPARE(r.failed(), failed);
    if (failed)
      QCOMPARE(GeneralErrorText(r.errorText()), shown);
    else
      QVERIFY(r.errorText().isEmpty());
  }

  void firstDataCounts() {
    const ServerReply r = ServerReply::Parse(QStringLiteral(R"({"error":{"s":false},"data":[1],"data":[2,3]})"));
    QVERIFY(r.data());
    QCOMPARE(r.data()->size(), std::size_t(1));
    QCOMPARE(JsonValueText(*MemberAt(*r.data(), 0)), QStringLiteral("1"));
  }

  void valueText_data() {
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("text");
    QTest::newRow("integer") << Q("12") << QStringLiteral("12");
    QTest::newRow("negative") << Q("-5") << QStringLiteral("-5");
    QTest::newRow("15 digits") << Q("123456789012345") << QStringLiteral("123456789012345");
    QTest::newRow("16 digits") << Q("1234567890123456") << QStringLiteral("1,23456789012346E15");
    QTest::newRow("fraction") << Q("1.5") << QStringLiteral("1,5");
    QTest::newRow("small fraction") << Q("0.25") << QStringLiteral("0,25");
    QTest::newRow("third") << Q("0.333333333333333333") << QStringLiteral("0,333333333333333");
    QTest::newRow("whole float") << Q("12.0") << QStringLiteral("12");
    QTest::newRow("thousands") << Q("1234.5") << QStringLiteral("1234,5");
    QTest::newRow("big exponent") << Q("1e20") << QStringLiteral("1E20");
    QTest::newRow("tiny") << Q("2.5e-7") << QStringLiteral("2,5E-7");
    QTest::newRow("zero") << Q("-0.0") << QStringLiteral("0");
    QTest::newRow("string") << Q(R"("Müller & Söhne")") << QStringLiteral("Müller & Söhne");
    QTest::newRow("escapes") << Q("\"M\\u00fcller \\\"O'Brien\\\"\\n\"") << QStringLiteral("Müller \"O'Brien\"\n");
    QTest::newRow("digit string") << Q(R"("0012")") << QStringLiteral("0012");
    QTest::newRow("leading U+FEFF") << Q("\"\\ufeffText\"") << (QString(QChar(0xFEFF)) + QStringLiteral("Text"));
    QTest::newRow("true") << Q("true") << QString();
    QTest::newRow("false") << Q("false") << QString();
    QTest::newRow("null") << Q("null") << QString();
    QTest::newRow("object") << Q(R"({"a":1})") << QString();
    QTest::newRow("array") << Q("[1]") << QString();
  }
  void valueText() {
    QFETCH(QString, json);
    QFETCH(QString, text);
    const ServerReply r =
        ServerReply::Parse(QStringLiteral(R"({"error":{"s":false},"data":[)") + json + QStringLiteral("]}"));
    QCOMPARE(JsonValueText(*MemberAt(*r.data(), 0)), text);
  }

  void utf8ReplyTextSurvives() {
    const ServerReply r = ServerReply::Parse(QStringLiteral(R"({"error":{"s":false},"data":{"n":"Müller"}})"));
    QCOMPARE(JsonValueText(*MemberAt(*r.data(), 0)), QStringLiteral("Müller"));
  }

  void wrongShape_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("message");
    const QString notObject = QStringLiteral("Ungültige Antwort des Servers: Die Antwort ist kein JSON-Objekt!");
    const QString noError =
        QStringLiteral("Ungültige Antwort des Servers: Das Element \"error\" fehlt oder ist kein Objekt!");
    QTest::newRow("empty") << QString() << notObject;
    QTest::newRow("html") << QStringLiteral("<html>Fehler</html>") << notObject;
    QTest::newRow("array") << QStringLiteral("[1,2]") << notObject;
    QTest::newRow("cut off") << QStringLiteral(R"({"error":{"s":false},"data":[)") << notObject;
    QTest::newRow("trailing junk") << QStringLiteral(R"({"error":{"s":false}} x)") << notObject;
    QTest::newRow("no error") << QStringLiteral(R"({"data":{}})") << noError;
    QTest::newRow("error array") << QStringLiteral(R"({"error":[true,"x"]})") << noError;
    QTest::newRow("error empty") << QStringLiteral(R"({"error":{}})")
                                 << QStringLiteral("Ungültige Antwort des Servers: Das Element \"error\" ist leer!");
    QTest::newRow("too deep") << QStringLiteral(R"({"error":{"s":false},"data":)") + QString(64, QLatin1Char('[')) +
                                     QString(64, QLatin1Char(']')) + QLatin1Char('}')
                              << QStringLiteral(
                                     "Ungültige Antwort des Servers: Die Antwort ist zu tief verschachtelt!");
    QTest::newRow("very deep") << QString(200000, QLatin1Char('['))
                               << QStringLiteral(
                                      "Ungültige Antwort des Servers: Die Antwort ist zu tief verschachtelt!");
  }
  void wrongShape() {
    QFETCH(QString, reply);
    QFETCH(QString, message);
    try {
      ServerReply::Parse(reply);
      QFAIL("no error raised");
    } catch (const CommandError& e) {
      QCOMPARE(e.text(), message);
    }
  }

  void deepestAllowedNesting() {
    // The top-level object is level 1; data may hold 63 more levels.
    const QString reply = QStringLiteral(R"({"error":{"s":false},"data":)") + QString(63, QLatin1Char('[')) +
                          QString(63, QLatin1Char(']')) + QLatin1Char('}');
    const ServerReply r = ServerReply::Parse(reply);
    QVERIFY(r.data() && r.data()->is_array());
  }

  void repeatedNamesStayInOrder() {
    // Fifty thousand members of one name: all kept, in order, and quickly.
    QString reply = QStringLiteral(R"({"error":{"s":false},"data":{)");
    for (int i = 0; i < 50000; ++i)
      reply += QStringLiteral("%1\"k\":%2").arg(i ? QStringLiteral(",") : QString()).arg(i);
    reply += QStringLiteral("}}");
    const ServerReply r = ServerReply::Parse(reply);
    QCOMPARE(r.data()->size(), std::size_t(50000));
    QCOMPARE(JsonValueText(*MemberAt(*r.data(), 49999)), QStringLiteral("49999"));
  }
};

}  // namespace kairon

QTEST_GUILESS_MAIN(kairon::TestServerReply)
#include "tst_serverreply.moc"
