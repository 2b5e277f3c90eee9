// Master-data download: the four tables, their messages, and that a failed
// download leaves every table as it was.
#include <QElapsedTimer>

#include "sync/tests/syncrig.h"
#include "tests/support/timelimit.h"

using kairon::test::LoopbackServer;
using kairon::test::SyncRig;
using Kind = kairon::test::ScriptedPrompter::Kind;

namespace kairon {

namespace {
enum Command { Projects, Files, Groups, Activities };

void RunDownload(SyncRig& rig, int command) {
  switch (command) {
    case Projects:
      rig.sync.actGetProjectExecute();
      break;
    case Files:
      rig.sync.actGetFilesExecute();
      break;
    case Groups:
      rig.sync.actGetPracticeGroupExecute();
      break;
    default:
      rig.sync.actGetActivityExecute();
  }
}

QString TableText(SyncRig& rig, const QString& select) {
  QStringList out;
  for (const QVariantList& row : rig.db.rows(select)) {
    QStringList cells;
    for (const QVariant& v : row) cells << (v.isNull() ? QStringLiteral("NULL") : v.toString());
    out << cells.join(QLatin1Char('|'));
  }
  return out.join(QLatin1Char(';'));
}

const QString kProjects = QStringLiteral("SELECT id, projekt_name FROM tblProject ORDER BY id");
const QString kFiles = QStringLiteral("SELECT id, project_id, file_number, file_name FROM tblFiles ORDER BY id");
const QString kGroups = QStringLiteral("SELECT id, practice_group_name FROM tblPractice_Group ORDER BY id");
const QString kActivities = QStringLiteral("SELECT id, activity_name FROM tblActivity ORDER BY id");

// Every table as one text, to show that nothing changed.
QString AllTables(SyncRig& rig) {
  return TableText(rig, kProjects) + QLatin1Char('#') + TableText(rig, kFiles) + QLatin1Char('#') +
         TableText(rig, kGroups) + QLatin1Char('#') + TableText(rig, kActivities);
}

void FillOldRows(SyncRig& rig) {
  rig.db.insertPlaceholders();
  rig.db.exec(QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES (5, 'Alt')"));
  rig.db.exec(
      QStringLiteral("INSERT INTO tblFiles (id, project_id, file_number, file_name) VALUES (50, 5, 'A1', 'Alt')"));
  rig.db.exec(QStringLiteral("INSERT INTO tblPractice_Group (id, practice_group_name) VALUES (6, 'Alt')"));
  rig.db.exec(QStringLiteral("INSERT INTO tblActivity (id, activity_name) VALUES (7, 'Alt')"));
}
}  // namespace

class TestDownload : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { test::PinGermanLocale(); }

  void downloads_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("select");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("message");
    QTest::newRow("projects") << int(Projects)
                              << QByteArray(R"([{"id":7,"n":"Alpha"},{"id":"9","n":"O\u0027Brien"},)"
                                            R"({"x":8,"y":"Müller & Söhne","z":"ignored"}])")
                              << QByteArray("token=t%26k&request=getProjects") << kProjects
                              << QStringLiteral("-1|;7|Alpha;8|Müller & Söhne;9|O'Brien")
                              << QStringLiteral("Mandat/Mandant wurden aktualisiert!");
    QTest::newRow("groups") << int(Groups) << QByteArray(R"([{"id":2,"n":"Öffentliches Recht"}])")
                            << QByteArray("token=t%26k&request=getPracticeGroups") << kGroups
                            << QStringLiteral("-1|;2|Öffentliches Recht")
                            << QStringLiteral("PracticeGroups wurden aktualisiert!");
    QTest::newRow("activities") << int(Activities) << QByteArray(R"([{"id":-3,"n":"Telefonat"}])")
                                << QByteArray("token=t%26k&request=getActivities") << kActivities
                                << QStringLiteral("-3|Telefonat;-1|")
                                << QStringLiteral("Aktivitäten wurden aktualisiert!");
    QTest::newRow("files") << int(Files)
                           << QByteArray(R"([{"id":101,"p":1,"nr":"2024/1","n":"Akte O\u0027Brien"},)"
                                         R"({"id":"102","p":"1","nr":17,"n":null,"more":true}])")
                           << QByteArray("token=t%26k&request=getFiles") << kFiles
                           << QStringLiteral("-1|-1||;101|1|2024/1|Akte O'Brien;102|1|17|")
                           << QStringLiteral("Akten wurden aktualisiert!");
    QTest::newRow("empty projects") << int(Projects) << QByteArray("[]")
                                    << QByteArray("token=t%26k&request=getProjects") << kProjects
                                    << QStringLiteral("-1|") << QStringLiteral("Mandat/Mandant wurden aktualisiert!");
  }
  void downloads() {
    QFETCH(int, command);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, body);
    QFETCH(QString, select);
    QFETCH(QString, rows);
    QFETCH(QString, message);
    SyncRig rig;
    FillOldRows(rig);
    rig.ws.strToken = QStringLiteral("t&k");
    rig.view.texts[FormField::memoActivity] = QStringLiteral("halb getippt");
    rig.reply(R"({"error":{"s":false},"data":)" + data + "}");
    QCOMPARE(rig.run([&] { RunDownload(rig, command); }), QString());
    QCOMPARE(rig.lastBody(), body);
    QCOMPARE(TableText(rig, select), rows);
    QCOMPARE(rig.prompter.texts(), QStringList{message});
    QCOMPARE(rig.prompter.shown[0].kind, Kind::Info);
    // The entry form was cleared, the pick list reloaded.
    QCOMPARE(rig.view.texts.value(FormField::memoActivity), QString());
    if (command == Projects) QCOMPARE(rig.ws.lbProjectID.count(), int(rows.count(QLatin1Char(';')) + 1));
    if (command == Files) QCOMPARE(rig.ws.clboxFiles.count(), 1);  // project -1: the placeholder alone
    if (command == Groups) QCOMPARE(rig.ws.clboxPracticeGroup.count(), 2);
  }

  void failuresChangeNothing_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QByteArray>("reply");  // empty: the server answers 500
    QTest::addColumn<QString>("message");
    const QString insertFailed = QStringLiteral("Beim Einfügen der Daten tratt ein Fehler auf!");
    const QString bad = QStringLiteral("Ungültige Antwort des Servers: ");
    QTest::newRow("transport") << int(Projects) << QByteArray()
                               << QStringLiteral("HTTP/1.1 500 Internal Server Error.");
    QTest::newRow("server failure") << int(Files) << QByteArray(R"({"error":{"s":true,"c":3,"t":"kaputt"}})")
                                    << QStringLiteral("Fehler: 3 - kaputt.");
    QTest::newRow("not json") << int(Groups) << QByteArray("Fatal error in line 3")
                              << bad + QStringLiteral("Die Antwort ist kein JSON-Objekt!");
    QTest::newRow("no data") << int(Activities) << QByteArray(R"({"error":{"s":false}})")
                             << bad + QStringLiteral("Das Element \"data\" fehlt oder ist keine Liste!");
    QTest::newRow("data object") << int(Projects) << QByteArray(R"({"error":{"s":false},"data":{"id":1}})")
                                 << bad + QStringLiteral("Das Element \"data\" fehlt oder ist keine Liste!");
    QTest::newRow("row not object") << int(Projects)
                                    << QByteArray(R"({"error":{"s":false},"data":[{"id":1,"n":"a"},[2,"b"]]})")
                                    << bad + QStringLiteral("Zeile 2 der Daten ist kein Objekt!");
    QTest::newRow("row too short") << int(Activities)
                                   << QByteArray(R"({"error":{"s":false},"data":[{"id":1,"n":"a"},{"id":2}]})")
                                   << bad + QStringLiteral("Zeile 2 der Daten hat zu wenige Werte!");
    QTest::newRow("file row too short") << int(Files)
                                        << QByteArray(R"({"error":{"s":false},"data":[{"id":1,"p":1,"nr":"x"}]})")
                                        << bad + QStringLiteral("Zeile 1 der Daten hat zu wenige Werte!");
    QTest::newRow("id not integer") << int(Projects)
                                    << QByteArray(R"({"error":{"s":false},"data":[{"id":1,"n":"a"},)"
                                                  R"({"id":"2) OR (1","n":"b"}]})")
                                    << insertFailed;
    QTest::newRow("id fraction") << int(Groups) << QByteArray(R"({"error":{"s":false},"data":[{"id":1.5,"n":"a"}]})")
                                 << insertFailed;
    QTest::newRow("id beyond 64 bits") << int(Activities)
                                       << QByteArray(
                                              R"({"error":{"s":false},"data":[{"id":"99999999999999999999","n":"a"}]})")
                                       << insertFailed;
    QTest::newRow("id null") << int(Projects) << QByteArray(R"({"error":{"s":false},"data":[{"id":null,"n":"a"}]})")
                             << insertFailed;
    QTest::newRow("file id not integer") << int(Files)
                                         << QByteArray(
                                                R"({"error":{"s":false},"data":[{"id":"1x","p":1,"nr":"x","n":"y"}]})")
                                         << insertFailed;
    QTest::newRow("file project id not integer")
        << int(Files) << QByteArray(R"({"error":{"s":false},"data":[{"id":1,"p":"eins","nr":"x","n":"y"}]})")
        << insertFailed;
    QTest::newRow("duplicate id") << int(Projects)
                                  << QByteArray(R"({"error":{"s":false},"data":[{"id":3,"n":"a"},{"id":3,"n":"b"}]})")
                                  << insertFailed;
    QTest::newRow("duplicate placeholder id")
        << int(Groups) << QByteArray(R"({"error":{"s":false},"data":[{"id":-1,"n":"a"}]})") << insertFailed;
    QTest::newRow("file insert fails in the middle")
        << int(Files)
        << QByteArray(R"({"error":{"s":false},"data":[{"id":1,"p":1,"nr":"a","n":"a"},{"id":2,"p":1,"nr":"b","n":"b"},)"
                      R"({"id":1,"p":1,"nr":"c","n":"c"},{"id":4,"p":1,"nr":"d","n":"d"}]})")
        << insertFailed;
  }
  void failuresChangeNothing() {
    QFETCH(int, command);
    QFETCH(QByteArray, reply);
    QFETCH(QString, message);
    SyncRig rig;
    FillOldRows(rig);
    const QString before = AllTables(rig);
    rig.ws.strToken = QStringLiteral("tok");
    if (reply.isEmpty())
      rig.server.enqueue(LoopbackServer::Reply("", "500 Internal Server Error"));
    else
      rig.reply(reply);
    QCOMPARE(rig.run([&] { RunDownload(rig, command); }), message);
    QCOMPARE(AllTables(rig), before);
    QCOMPARE(rig.prompter.shown.size(), 1);
  }

  void deleteFailureChangesNothing() {
    SyncRig rig;
    FillOldRows(rig);
    rig.db.exec(
        QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON tblActivity BEGIN SELECT RAISE(ABORT, 'gesperrt'); END"));
    const QString before = AllTables(rig);
    rig.ws.strToken = QStringLiteral("tok");
    rig.reply(R"({"error":{"s":false},"data":[{"id":1,"n":"Neu"}]})");
    QCOMPARE(rig.run([&] { rig.sync.actGetActivityExecute(); }),
             QStringLiteral("Beim Löschen der Urdaten tratt ein Fehler auf!"));
    QCOMPARE(AllTables(rig), before);
  }

  void refusedBeforeAnyRequest_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("token");
    QTest::addColumn<QString>("message");
    QTest::newRow("mode new")
        << int(wmNew) << QStringLiteral("tok")
        << QStringLiteral("Sie befinden sich noch im Modus Neu oder Bearbeiten!\r\nÜbermittlung nicht möglich!");
    QTest::newRow("mode edit, no token")
        << int(wmEdit) << QString()
        << QStringLiteral("Sie befinden sich noch im Modus Neu oder Bearbeiten!\r\nÜbermittlung nicht möglich!");
    QTest::newRow("no token") << int(wmShow) << QString() << QStringLiteral("Bitte auhtentifizieren Sie sich!");
  }
  void refusedBeforeAnyRequest() {
    QFETCH(int, mode);
    QFETCH(QString, token);
    QFETCH(QString, message);
    for (int command : {Projects, Files, Groups, Activities}) {
      SyncRig rig;
      rig.ws.intModus = mode;
      rig.ws.strToken = token;
      rig.view.texts[FormField::memoActivity] = QStringLiteral("halb getippt");
      QCOMPARE(rig.run([&] { RunDownload(rig, command); }), message);
      QVERIFY(rig.server.requests().isEmpty());
      QCOMPARE(rig.view.texts.value(FormField::memoActivity), QStringLiteral("halb getippt"));
    }
  }

  void noRowsFoundMessage() {
    SyncRig rig;
    rig.ws.strToken = QStringLiteral("tok");
    // The pick list finds no row if the placeholder is not there afterwards:
    // a trigger removes every inserted project again.
    rig.db.exec(QStringLiteral(
        "CREATE TRIGGER gone AFTER INSERT ON tblProject BEGIN DELETE FROM tblProject WHERE id = NEW.id; END"));
    rig.reply(R"({"error":{"s":false},"data":[]})");
    QCOMPARE(rig.run([&] { rig.sync.actGetProjectExecute(); }), QString());
    QCOMPARE(rig.prompter.texts(),
             QStringList{QStringLiteral("Es konnten keine Mandate/Mandaten lokal gefunden werden!\r\n"
                                        "Aktualisieren Sie Ihre Daten mit dem Server!")});
  }

  void allDates() {
    SyncRig rig;
    rig.ws.intModus = wmNew;
    QCOMPARE(rig.run([&] { rig.sync.actGetAllDatesExecute(); }),
             QStringLiteral("Sie befinden sich noch im Modus Neu oder Bearbeiten!\r\nÜbermittlung nicht möglich!"));
    rig.ws.intModus = wmShow;
    QCOMPARE(rig.run([&] { rig.sync.actGetAllDatesExecute(); }), QString());
    QVERIFY(rig.server.requests().isEmpty());
    QCOMPARE(rig.prompter.shown.size(), 1);
  }

  void hundredThousandFiles() {
    SyncRig rig;
    FillOldRows(rig);
    rig.ws.strToken = QStringLiteral("tok");
    QByteArray data = "{\"error\":{\"s\":false},\"data\":[";
    for (int i = 1; i <= 100000; ++i) {
      const QByteArray n = QByteArray::number(i);
      if (i > 1) data += ",";
      data += "{\"id\":" + n + ",\"p\":" + QByteArray::number(i % 500) + ",\"nr\":\"2024/" + n +
              "\",\"n\":\"Akte M\u00fcller " + n + "\"}";
    }
    data += "]}";
    rig.reply(data);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(rig.run([&] { rig.sync.actGetFilesExecute(); }), QString());
    const qint64 ms = timer.elapsed();
    qInfo("100000 case files downloaded and stored in %lld ms", ms);
    QCOMPARE(rig.db.scalar(QStringLiteral("SELECT count(*) FROM tblFiles")).toInt(), 100001);
    QCOMPARE(rig.db.scalar(QStringLiteral("SELECT file_name FROM tblFiles WHERE id = 99999")).toString(),
             QStringLiteral("Akte Müller 99999"));
    QVERIFY2(ms < kairon::test::TimeLimitMs(3000), qPrintable(QString::number(ms)));
  }
};

}  // namespace kairon

QTEST_GUILESS_MAIN(kairon::TestDownload)
#include "tst_download.moc"
