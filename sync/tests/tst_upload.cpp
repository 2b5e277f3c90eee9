// Upload: which entries go, the question, the request bytes, and how the
// reply decides what is marked as transmitted.
#include <nlohmann/json.hpp>

#include "sync/tests/syncrig.h"

using kairon::test::LoopbackServer;
using kairon::test::SyncRig;
using Kind = kairon::test::ScriptedPrompter::Kind;

namespace kairon {

namespace {
const QByteArray kWorkedBodyTail =
    "=&request=insertTimeEntries&json=%5B%7B%22real%22:90,%22invoice%22:60,%22project%22:12,%22file%22:345,"
    "%22activity%22:3,%22practice_group%22:2,%22note%22:%22Besprechung%22,%22note_add%22:%22%22,%22date%22:"
    "%222012-05-31%22%7D,%7B%22real%22:15,%22invoice%22:15,%22project%22:12,%22file%22:346,%22activity%22:4,"
    "%22practice_group%22:2,%22note%22:%22Telefonat%20mit%20Mandant%22,%22note_add%22:%22R%C3%BCckruf%22,"
    "%22date%22:%222012-06-01%22%7D%5D";
const QString kQuestion2 =
    QStringLiteral("Es wurden 2 mögliche Zeiteinträge gefunden!\r\nSollen diese übertragen werden?");
const QString kNothing = QStringLiteral("Es sind zurzeit keine Zeiteinträge zum Übertragen vorhanden!");

struct Row {
  qint64 id;
  QString project = QStringLiteral("12");
  QString file = QStringLiteral("345");
  QString group = QStringLiteral("2");
  QString activityId = QStringLiteral("3");
  QString activity = QStringLiteral("'Besprechung'");  // SQL literal or NULL
  QString note = QStringLiteral("NULL");
  QString real = QStringLiteral("90");
  QString invoice = QStringLiteral("60");
  QString day = QStringLiteral("'2012-05-31'");
  int locked = 0;
  int imported = 0;
};

void Insert(SyncRig& rig, const Row& r) {
  rig.db.exec(QStringLiteral("INSERT INTO tblTimeEntries (id, project_id, file_id, pratice_group_id, activity_id, "
                             "activity, note, real_time, invoice_time, time, str_real_time, str_invoice_time, locked, "
                             "import_yn) VALUES (%1, %2, %3, %4, %5, %6, %7, %8, %9, %10, '', '', %11, %12)")
                  .arg(r.id)
                  .arg(r.project, r.file, r.group, r.activityId, r.activity, r.note, r.real, r.invoice, r.day)
                  .arg(r.locked)
                  .arg(r.imported));
}

// The worked example: 17 and 18, stored in the opposite order.
void InsertWorkedExample(SyncRig& rig) {
  Row b{18};
  b.file = QStringLiteral("346");
  b.activityId = QStringLiteral("4");
  b.activity = QStringLiteral("'Telefonat mit Mandant'");
  b.note = QStringLiteral("'Rückruf'");
  b.real = b.invoice = QStringLiteral("15");
  b.day = QStringLiteral("'2012-06-01'");
  Insert(rig, b);
  Insert(rig, Row{17});
}

QList<qint64> Pending(SyncRig& rig) {
  QList<qint64> out;
  for (const auto& row : rig.db.rows(QStringLiteral("SELECT id FROM tblTimeEntries WHERE import_yn = 0 ORDER BY id")))
    out << row.value(0).toLongLong();
  return out;
}

QByteArray Reply(const QByteArray& error, const QByteArray& data) {
  return R"({"error":)" + error + R"(,"data":)" + data + "}";
}

// The json field of an upload body, decoded.
nlohmann::json SentJson(const QByteArray& body) {
  const qsizetype at = body.indexOf("&json=");
  return nlohmann::json::parse(QByteArray::fromPercentEncoding(body.mid(at + 6)).toStdString());
}
}  // namespace

class TestUpload : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { test::PinGermanLocale(); }

  void workedExample() {
    SyncRig rig;
    InsertWorkedExample(rig);
    rig.ws.strToken = QStringLiteral("T0k");
    rig.view.statusCount = QStringLiteral("vorher");
    rig.reply(Reply(R"({"s":false})", R"({"r":"x","ok":2,"bad":0,"f":[]})"));
    QCOMPARE(rig.run([&] { rig.sync.actTransmitExecute(); }), QString());
    QCOMPARE(rig.lastBody(), QByteArray("token=T0k") + kWorkedBodyTail);
    QCOMPARE(rig.prompter.texts(),
             (QStringList{kQuestion2, QStringLiteral("Übertragung abgeschlossen!\r\nKorrekt übertragen: 2\r\n"
                                                     "Nicht übertragen: 0")}));
    QCOMPARE(rig.prompter.shown[0].kind, Kind::Confirm);
    QCOMPARE(rig.prompter.shown[1].kind, Kind::Info);
    QVERIFY(Pending(rig).isEmpty());
    QVERIFY(rig.sync.lbExportID.isEmpty());
    QVERIFY(rig.sync.lbExportError.isEmpty());
    QVERIFY(rig.view.statusCount != QStringLiteral("vorher"));  // the list was refreshed
  }

  void failurePositions_data() {
    QTest::addColumn<QByteArray>("failures");
    QTest::addColumn<QList<qint64>>("pending");
    QTest::newRow("[1]") << QByteArray("[1]") << QList<qint64>{18};
    QTest::newRow("[0,1]") << QByteArray("[0,1]") << QList<qint64>{17, 18};
    QTest::newRow("[7]") << QByteArray("[7]") << QList<qint64>{};
    QTest::newRow("[]") << QByteArray("[]") << QList<qint64>{};
    QTest::newRow("[-1]") << QByteArray("[-1]") << QList<qint64>{};
    // Removed from the last to the first: 0 goes first, then 1 is past the end.
    QTest::newRow("[1,0]") << QByteArray("[1,0]") << QList<qint64>{17};
    QTest::newRow("missing") << QByteArray() << QList<qint64>{};
  }
  void failurePositions() {
    QFETCH(QByteArray, failures);
    QFETCH(QList<qint64>, pending);
    SyncRig rig;
    InsertWorkedExample(rig);
    const QByteArray data = failures.isEmpty() ? QByteArray(R"({"r":"x","ok":2,"bad":0})")
                                               : R"({"r":"x","ok":1,"bad":1,"f":)" + failures + "}";
    rig.reply(Reply(R"({"s":false})", data));
    QCOMPARE(rig.run([&] { rig.sync.actTransmitExecute(); }), QString());
    QCOMPARE(Pending(rig), pending);
    QCOMPARE(rig.prompter.texts(Kind::Info).size(), 1);
  }

  void serverError_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("errorBox");  // empty: none shown
    QTest::addColumn<QList<qint64>>("pending");
    QTest::addColumn<QString>("closing");
    const QString box = QStringLiteral("Fehler beim Übertragen der Zeiteinträge!\r\nFehler: E1 - kaputt");
    QTest::newRow("with failure list") << Reply(R"({"s":true,"a":"E1","b":"kaputt"})",
                                                R"({"r":0,"ok":1,"bad":1,"f":[1]})")
                                       << box << QList<qint64>{18}
                                       << QStringLiteral(
                                              "Übertragung abgeschlossen!\r\nKorrekt übertragen: 1\r\n"
                                              "Nicht übertragen: 1");
    QTest::newRow("with empty failure list")
        << Reply(R"({"s":true,"a":"E1","b":"kaputt"})", R"({"r":0,"ok":"2","bad":"0","f":[]})") << box
        << QList<qint64>{}
        << QStringLiteral("Übertragung abgeschlossen!\r\nKorrekt übertragen: 2\r\nNicht übertragen: 0");
    QTest::newRow("without failure list")
        << Reply(R"({"s":true,"a":"E1","b":"kaputt"})", R"({"r":0,"ok":0,"bad":2})") << box << QList<qint64>{17, 18}
        << QStringLiteral("Übertragung abgeschlossen!\r\nKorrekt übertragen: 0\r\nNicht übertragen: 2");
    QTest::newRow("data null") << Reply(R"({"s":true,"a":"E1","b":"kaputt"})", "null") << box << QList<qint64>{17, 18}
                               << QStringLiteral(
                                      "Übertragung abgeschlossen!\r\nKorrekt übertragen: \r\nNicht übertragen: ");
    QTest::newRow("three texts") << Reply(R"({"s":true,"a":"A","b":"B","c":"C"})", R"({"r":0,"ok":0,"bad":2})")
                                 << QStringLiteral("Fehler beim Übertragen der Zeiteinträge!\r\nFehler: A - BC")
                                 << QList<qint64>{17, 18}
                                 << QStringLiteral(
                                        "Übertragung abgeschlossen!\r\nKorrekt übertragen: 0\r\nNicht übertragen: 2");
    QTest::newRow("true alone") << Reply(R"({"s":true})", R"({"r":0,"ok":2,"bad":0})") << QString() << QList<qint64>{}
                                << QStringLiteral(
                                       "Übertragung abgeschlossen!\r\nKorrekt übertragen: 2\r\nNicht übertragen: 0");
  }
  void serverError() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, errorBox);
    QFETCH(QList<qint64>, pending);
    QFETCH(QString, closing);
    SyncRig rig;
    InsertWorkedExample(rig);
    rig.reply(reply);
    QCOMPARE(rig.run([&] { rig.sync.actTransmitExecute(); }), QString());
    QCOMPARE(rig.prompter.texts(Kind::Error), errorBox.isEmpty() ? QStringList() : QStringList{errorBox});
    QCOMPARE(rig.prompter.texts(Kind::Info), QStringList{closing});
    // The error box comes before the closing message.
    QCOMPARE(rig.prompter.shown.last().kind, Kind::Info);
    QCOMPARE(Pending(rig), pending);
  }

  void wrongShapeMarksNothing_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("message");
    const QString bad = QStringLiteral("Ungültige Antwort des Servers: ");
    const QString badList = bad + QStringLiteral("Die Liste der nicht übertragenen Einträge ist ungültig!");
    QTest::newRow("not json") << QByteArray("OK") << bad + QStringLiteral("Die Antwort ist kein JSON-Objekt!");
    QTest::newRow("no data") << QByteArray(R"({"error":{"s":false}})")
                             << bad + QStringLiteral("Das Element \"data\" fehlt!");
    QTest::newRow("data array") << Reply(R"({"s":false})", "[0,2,0,[]]")
                                << bad + QStringLiteral("Das Element \"data\" ist kein Objekt!");
    QTest::newRow("error empty") << Reply("{}", R"({"r":0,"ok":2,"bad":0,"f":[]})")
                                 << bad + QStringLiteral("Das Element \"error\" ist leer!");
    QTest::newRow("position as string") << Reply(R"({"s":false})", R"({"r":0,"ok":1,"bad":1,"f":["1"]})") << badList;
    QTest::newRow("position 1.5") << Reply(R"({"s":false})", R"({"r":0,"ok":1,"bad":1,"f":[1.5]})") << badList;
    QTest::newRow("position 1.0") << Reply(R"({"s":true,"a":"x"})", R"({"r":0,"ok":1,"bad":1,"f":[1.0]})") << badList;
    QTest::newRow("list not array") << Reply(R"({"s":false})", R"({"r":0,"ok":1,"bad":1,"f":"1"})") << badList;
    QTest::newRow("transport") << QByteArray() << QStringLiteral("HTTP/1.1 500 Internal Server Error.");
  }
  void wrongShapeMarksNothing() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, message);
    SyncRig rig;
    InsertWorkedExample(rig);
    if (reply.isEmpty())
      rig.server.enqueue(LoopbackServer::Reply("", "500 Internal Server Error"));
    else
      rig.reply(reply);
    QCOMPARE(rig.run([&] { rig.sync.actTransmitExecute(); }), message);
    QCOMPARE(Pending(rig), (QList<qint64>{17, 18}));
    QCOMPARE(rig.prompter.shown.size(), 2);  // the question and the command error
  }

  void notSelected_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    QTest::newRow("file 0") << QStringLiteral("file_id") << QStringLiteral("0");
    QTest::newRow("file -1") << QStringLiteral("file_id") << QStringLiteral("-1");
    QTest::newRow("file NULL") << QStringLiteral("file_id") << QStringLiteral("NULL");
    QTest::newRow("project -1") << QStringLiteral("project_id") << QStringLiteral("-1");
    QTest::newRow("group -1") << QStringLiteral("pratice_group_id") << QStringLiteral("-1");
    QTest::newRow("activity -1") << QStringLiteral("activity_id") << QStringLiteral("-1");
    QTest::newRow("locked") << QStringLiteral("locked") << QStringLiteral("1");
    QTest::newRow("imported") << QStringLiteral("import_yn") << QStringLiteral("1");
    QTest::newRow("real 0") << QStringLiteral("real_time") << QStringLiteral("0");
    QTest::newRow("empty description") << QStringLiteral("activity") << QStringLiteral("''");
    QTest::newRow("no description") << QStringLiteral("activity") << QStringLiteral("NULL");
  }
  void notSelected() {
    QFETCH(QString, column);
    QFETCH(QString, value);
    SyncRig rig;
    Insert(rig, Row{5});
    rig.db.exec(QStringLiteral("UPDATE tblTimeEntries SET %1 = %2 WHERE id = 5").arg(column, value));
    QCOMPARE(rig.run([&] { rig.sync.actTransmitExecute(); }), kNothing);
    QCOMPARE(rig.prompter.shown.size(), 1);
    QVERIFY(rig.server.requests().isEmpty());

    // Beside a complete entry it is neither sent nor counted.
    Insert(rig, Row{6});
    rig.prompter.clear();
    rig.prompter.answers = {false};
    QCOMPARE(rig.run([&] { rig.sync.actTransmitExecute(); }), QString());
    QCOMPARE(
        rig.prompter.texts(),
        QStringList{QStringLiteral("Es wurden 1 mögliche Zeiteinträge gefunden!\r\nSollen diese übertragen werden?")});
    QCOMPARE(rig.sync.lbExportID, QStringList{QStringLiteral("6")});
  }

  void threePendingAnsweredNo() {
    SyncRig rig;
    for (qint64 id : {3, 1, 2}) Insert(rig, Row{id});
    rig.view.statusCount = QStringLiteral("vorher");
    rig.prompter.answers = {false};
    QCOMPARE(rig.run([&] { rig.sync.actTransmitExecute(); }), QString());
    QCOMPARE(
        rig.prompter.texts(),
        QStringList{QStringLiteral("Es wurden 3 mögliche Zeiteinträge gefunden!\r\nSollen diese übertragen werden?")});
    QVERIFY(rig.server.requests().isEmpty());
    QCOMPARE(Pending(rig), (QList<qint64>{1, 2, 3}));
    QCOMPARE(rig.view.statusCount, QStringLiteral("vorher"));
  }

  void noTokenStillSends() {
    SyncRig rig;
    Insert(rig, Row{1});
    rig.ws.strToken.clear();
    rig.reply(Reply(R"({"s":false})", R"({"r":0,"ok":1,"bad":0,"f":[]})"));
    QCOMPARE(rig.run([&] { rig.sync.actTransmitExecute(); }), QString());
    QVERIFY(rig.lastBody().startsWith("token==&request=insertTimeEntries&json=%5B%7B"));
  }

  void textsAreValidJson() {
    SyncRig rig;
    Row r{1};
    const QString description = QStringLiteral("Er sagte \"Hallo\"\r\nZeile 2\t\\ Ende");
    const QString note = QStringLiteral("Meier & Co + Partner, 100% sicher");
    r.activity = SqlText(description);
    r.note = SqlText(note);
    Insert(rig, r);
    rig.reply(Reply(R"({"s":false})", R"({"r":0,"ok":1,"bad":0,"f":[]})"));
    QCOMPARE(rig.run([&] { rig.sync.actTransmitExecute(); }), QString());
    const QByteArray body = rig.lastBody();
    QVERIFY(body.contains("Meier%20%26%20Co%20%2B%20Partner,%20100%25%20sicher"));
    const nlohmann::json sent = SentJson(body);
    QCOMPARE(sent.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(sent[0]["note"].get<std::string>()), description);
    QCOMPARE(QString::fromStdString(sent[0]["note_add"].get<std::string>()), note);
  }

  void markingFailureIsReportedPerEntry() {
    SyncRig rig;
    InsertWorkedExample(rig);
    rig.db.exec(
        QStringLiteral("CREATE TRIGGER no17 BEFORE UPDATE ON tblTimeEntries WHEN OLD.id = 17 "
                       "BEGIN SELECT RAISE(ABORT, 'gesperrt'); END"));
    rig.reply(Reply(R"({"s":false})", R"({"r":0,"ok":2,"bad":0,"f":[]})"));
    QCOMPARE(rig.run([&] { rig.sync.actTransmitExecute(); }), QString());
    QCOMPARE(rig.prompter.texts(Kind::Plain), QStringList{QStringLiteral("ID= 17 konnte nicht gespeichert werden!")});
    QCOMPARE(Pending(rig), QList<qint64>{17});
    QCOMPARE(rig.prompter.texts(Kind::Info).size(), 1);
  }

  void modeNotShow() {
    SyncRig rig;
    Insert(rig, Row{1});
    rig.ws.intModus = wmNew;
    QCOMPARE(rig.run([&] { rig.sync.actTransmitExecute(); }),
             QStringLiteral("Sie befinden sich noch im Modus Neu oder Bearbeiten!\r\nÜbertragung nicht möglich!"));
    QCOMPARE(rig.prompter.shown.size(), 1);
    QVERIFY(rig.server.requests().isEmpty());
  }
};

}  // namespace kairon

QTEST_GUILESS_MAIN(kairon::TestUpload)
#include "tst_upload.moc"
