// Hostile replies: each reply of the table is served to the sign-in, the
// downloads and the upload where it applies. A refused reply shows its
// message and changes nothing (tables, stored token, the window's token,
// entries); names the server sends are stored exactly as sent.
#include <QLocale>
#include <QTest>

#include "common/global.h"
#include "tests/faults/faultrig.h"
#include "tests/faults/faultserver.h"

namespace kairon::test {

namespace {

const QString kOk = QStringLiteral("OK");
// Prefix of an expected transport failure: the sign-in shows it in a plain box.
const QString kTransport = QStringLiteral("T:");

QString Bad(const char* detail) {
  return QStringLiteral("Ungültige Antwort des Servers: ") + QString::fromUtf8(detail);
}
const QString kNotObject = Bad("Die Antwort ist kein JSON-Objekt!");
const QString kTooDeep = Bad("Die Antwort ist zu tief verschachtelt!");
const QString kErrorBad = Bad("Das Element \"error\" fehlt oder ist kein Objekt!");
const QString kErrorEmpty = Bad("Das Element \"error\" ist leer!");
const QString kSignInData = Bad("Das Element \"data\" fehlt oder ist kein Objekt!");
const QString kListData = Bad("Das Element \"data\" fehlt oder ist keine Liste!");
const QString kUploadNoData = Bad("Das Element \"data\" fehlt!");
const QString kUploadDataNotObject = Bad("Das Element \"data\" ist kein Objekt!");
const QString kFailureList = Bad("Die Liste der nicht übertragenen Einträge ist ungültig!");
const QString kInsertFailed = QStringLiteral("Beim Einfügen der Daten tratt ein Fehler auf!");
const QString kNoToken =
    QStringLiteral("Der Server hat keinen Authentifikationskey zurückgegeben!\r\nAuthentifizierung nicht möglich!");
const QString kTooLarge = kTransport + QStringLiteral("Die Antwort des Servers ist zu groß!");
const QString kUploadBox = QStringLiteral("Fehler beim Übertragen der Zeiteinträge!\r\n");

const QByteArray kStream = "<300 MiB without length>";
const QByteArray kStreamWithLength = "<300 MiB with length>";
const QByteArray kStatus500 = "<HTML page with status 500>";
constexpr qint64 k300MiB = qint64(300) * 1024 * 1024;

const QByteArray kOkError = R"("error":{"state":false})";

QByteArray Reply(const QByteArray& data) {
  return "{" + kOkError + ",\"data\":" + data + "}";
}
QByteArray ProjectRows(const QByteArray& id, const QByteArray& name) {
  return Reply("[{\"id\":" + id + ",\"name\":" + name + "}]");
}
QByteArray FileRows(const QByteArray& id, const QByteArray& name) {
  return Reply("[{\"id\":" + id + ",\"project\":12,\"number\":" + name + ",\"name\":" + name + "}]");
}
QByteArray UploadReply(const QByteArray& failures) {
  return Reply("{\"state\":0,\"ok\":3,\"bad\":0,\"failed\":" + failures + "}");
}

struct Row {
  QByteArray signInBody, projectsBody, filesBody, uploadBody;
  QString signIn, projects, files, upload;
  QString stored;   // the name stored with id 20 (downloads that succeed)
  int marked = -1;  // entries marked by an upload that succeeds
};

void AddRow(const char* name, const Row& r) {
  QTest::newRow(name) << r.signInBody << r.projectsBody << r.filesBody << r.uploadBody << r.signIn << r.projects
                      << r.files << r.upload << r.stored << r.marked;
}

// The same body for all commands, with one expected message each.
void Everywhere(const char* name, const QByteArray& body, const QString& signIn, const QString& download,
                const QString& upload) {
  AddRow(name, {body, body, body, body, signIn, download, download, upload, {}, -1});
}
void Everywhere(const char* name, const QByteArray& body, const QString& message) {
  Everywhere(name, body, message, message, message);
}
// A row id for both one-statement and case-file downloads.
void Downloads(const char* name, const QByteArray& id, const QByteArray& nameJson, const QString& message,
               const QString& stored = {}) {
  AddRow(name, {{}, ProjectRows(id, nameJson), FileRows(id, nameJson), {}, {}, message, message, {}, stored, -1});
}
void Upload(const char* name, const QByteArray& body, const QString& message, int marked = -1) {
  AddRow(name, {{}, {}, {}, body, {}, {}, {}, message, {}, marked});
}
void SignIn(const char* name, const QByteArray& body, const QString& message, const QString& stored = {}) {
  AddRow(name, {body, {}, {}, {}, message, {}, {}, {}, stored, -1});
}

}  // namespace

class TestFaultsHostile : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

  void hostileReply_data() {
    QTest::addColumn<QByteArray>("signInBody");
    QTest::addColumn<QByteArray>("projectsBody");
    QTest::addColumn<QByteArray>("filesBody");
    QTest::addColumn<QByteArray>("uploadBody");
    QTest::addColumn<QString>("signIn");
    QTest::addColumn<QString>("projects");
    QTest::addColumn<QString>("files");
    QTest::addColumn<QString>("upload");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("marked");

    // The shape of the whole reply.
    Everywhere("empty body", "", kNotObject);
    Everywhere("HTML error page", "<html><head><title>Fehler</title></head><body>Wartung</body></html>", kNotObject);
    Everywhere("HTML page, status 500", kStatus500, kTransport + QStringLiteral("HTTP/1.1 500 Internal Server Error"));
    Everywhere("top-level array", "[" + Reply("{}") + "]", kNotObject);
    Everywhere("top-level string", "\"{\\\"error\\\":{}}\"", kNotObject);
    Everywhere("top-level number", "42", kNotObject);
    Everywhere("top-level null", "null", kNotObject);
    Everywhere("trailing garbage", Reply("{\"token\":\"x\"}") + " {\"more\":1}", kNotObject);
    Everywhere("truncated object", "{\"error\":{\"state\":false},\"data\":[{\"id\":1,", kNotObject);
    Everywhere("error a string", "{\"error\":\"kaputt\",\"data\":{}}", kErrorBad);
    Everywhere("error an array", "{\"error\":[true,\"kaputt\"],\"data\":{}}", kErrorBad);
    Everywhere("error missing", "{\"data\":{}}", kErrorBad);
    Everywhere("error empty", "{\"error\":{},\"data\":{}}", kErrorEmpty);
    Everywhere("data missing", "{" + kOkError + "}", kSignInData, kListData, kUploadNoData);
    Everywhere("data null", Reply("null"), kSignInData, kListData, kUploadDataNotObject);
    Everywhere("data a string", Reply("\"[]\""), kSignInData, kListData, kUploadDataNotObject);
    Everywhere("100000 levels of nesting", Reply(QByteArray(100000, '[') + QByteArray(100000, ']')), kTooDeep);
    Everywhere("300 MiB, no length", kStream, kTooLarge);
    Everywhere("300 MiB, with length", kStreamWithLength, kTooLarge);
    // A failed reply: the first "error" counts, not a later one of the same name.
    Everywhere("duplicate error, first failed",
               "{\"error\":{\"state\":true,\"a\":\"Zuerst\",\"b\":\"x\"},\"error\":{\"state\":false},\"data\":{}}",
               Shown(QStringLiteral("Fehler: Zuerst - x")), Shown(QStringLiteral("Fehler: Zuerst - x")),
               kUploadBox + QStringLiteral("Fehler: Zuerst - x"));

    // Rows of a download.
    AddRow("data an object, not a list",
           {{}, Reply("{\"id\":20,\"name\":\"x\"}"), Reply("{\"id\":20}"), {}, {}, kListData, kListData, {}, {}, -1});
    AddRow("row an array", {{},
                            Reply("[[20,\"x\"]]"),
                            Reply("[[20,12,\"1\",\"x\"]]"),
                            {},
                            {},
                            Bad("Zeile 1 der Daten ist kein Objekt!"),
                            Bad("Zeile 1 der Daten ist kein Objekt!"),
                            {},
                            {},
                            -1});
    AddRow("row too few members", {{},
                                   Reply("[{\"id\":20}]"),
                                   Reply("[{\"id\":20,\"project\":12,\"number\":\"1\"}]"),
                                   {},
                                   {},
                                   Bad("Zeile 1 der Daten hat zu wenige Werte!"),
                                   Bad("Zeile 1 der Daten hat zu wenige Werte!"),
                                   {},
                                   {},
                                   -1});
    AddRow("second row too short", {{},
                                    Reply("[{\"id\":20,\"name\":\"a\"},{}]"),
                                    Reply("[{\"id\":20,\"p\":12,\"n\":\"1\",\"m\":\"a\"},{}]"),
                                    {},
                                    {},
                                    Bad("Zeile 2 der Daten hat zu wenige Werte!"),
                                    Bad("Zeile 2 der Daten hat zu wenige Werte!"),
                                    {},
                                    {},
                                    -1});
    Downloads("id \"1.5\"", "\"1.5\"", "\"x\"", kInsertFailed);
    Downloads("id 1.5", "1.5", "\"x\"", kInsertFailed);
    Downloads("id \"1e3\"", "\"1e3\"", "\"x\"", kInsertFailed);
    Downloads("id \"abc\"", "\"abc\"", "\"x\"", kInsertFailed);
    Downloads("id \"\"", "\"\"", "\"x\"", kInsertFailed);
    Downloads("id SQL", "\"1); DROP TABLE tblTimeEntries; --\"", "\"x\"", kInsertFailed);
    // Ids that the database would take if they reached the statement text.
    Downloads("id an expression", "\"20+1\"", "\"x\"", kInsertFailed);
    Downloads("id a subquery", "\"(SELECT max(id) FROM tblTimeEntries)\"", "\"x\"", kInsertFailed);
    Downloads("id smuggling a row", "\"20,'eingeschleust'),(21\"", "\"x\"", kInsertFailed);
    Downloads("id 2^64", "18446744073709551616", "\"x\"", kInsertFailed);
    Downloads("id 2^63", "9223372036854775808", "\"x\"", kInsertFailed);
    Downloads("id 20 digits as text", "\"99999999999999999999\"", "\"x\"", kInsertFailed);
    Downloads("id true", "true", "\"x\"", kInsertFailed);
    Downloads("id null", "null", "\"x\"", kInsertFailed);
    Downloads("id an object", "{\"n\":20}", "\"x\"", kInsertFailed);
    Downloads("id \" 20\"", "\" 20\"", "\"x\"", kInsertFailed);
    AddRow("bad id in the last row",
           {{},
            Reply("[{\"id\":20,\"n\":\"a\"},{\"id\":21,\"n\":\"b\"},{\"id\":\"x\",\"n\":\"c\"}]"),
            Reply("[{\"id\":20,\"p\":12,\"n\":\"1\",\"m\":\"a\"},{\"id\":21,\"p\":\"1;\",\"n\":\"2\",\"m\":\"b\"}]"),
            {},
            {},
            kInsertFailed,
            kInsertFailed,
            {},
            {},
            -1});
    AddRow("duplicate id", {{},
                            Reply("[{\"id\":20,\"n\":\"a\"},{\"id\":20,\"n\":\"b\"}]"),
                            Reply("[{\"id\":20,\"p\":12,\"n\":\"1\",\"m\":\"a\"},{\"id\":20,\"p\":12,\"n\":\"2\",\"m\":"
                                  "\"b\"}]"),
                            {},
                            {},
                            kInsertFailed,
                            kInsertFailed,
                            {},
                            {},
                            -1});
    // Names are stored exactly as sent.
    Downloads("name with quotes", "20", "\"O'Brien \\\"der Ältere\\\" ''\"", kOk,
              QStringLiteral("O'Brien \"der Ältere\" ''"));
    Downloads("name with backslashes", "20", "\"C:\\\\Akten\\\\ \\\\' \\\\\\\"\"", kOk,
              QStringLiteral("C:\\Akten\\ \\' \\\""));
    Downloads("name with NUL", "20", "\"vor\\u0000nach\"", kOk,
              QStringLiteral("vor") + QChar(0) + QStringLiteral("nach"));
    Downloads("name with line breaks", "20", "\"Zeile 1\\r\\nZeile 2\\nZeile 3\\r\"", kOk,
              QStringLiteral("Zeile 1\r\nZeile 2\nZeile 3\r"));
    Downloads("name with emoji", "20", "\"Akte \xF0\x9F\x98\x80 und \\ud83d\\udcbc\"", kOk,
              QStringLiteral("Akte \U0001F600 und \U0001F4BC"));
    Downloads("name like SQL", "20", "\"'); DELETE FROM tblTimeEntries; --\"", kOk,
              QStringLiteral("'); DELETE FROM tblTimeEntries; --"));
    Downloads("id as digits text", "\"20\"", "\"Text-Id\"", kOk, QStringLiteral("Text-Id"));
    AddRow("duplicate data, first counts",
           {{},
            Reply("[{\"id\":20,\"n\":\"Erste\"}]").chopped(1) + ",\"data\":[{\"id\":30,\"n\":\"Zweite\"}]}",
            Reply("[{\"id\":20,\"p\":12,\"n\":\"Erste\",\"m\":\"Erste\"}]").chopped(1) +
                ",\"data\":[{\"id\":30,\"p\":12,\"n\":\"Zweite\",\"m\":\"Zweite\"}]}",
            {},
            {},
            kOk,
            kOk,
            {},
            QStringLiteral("Erste"),
            -1});

    // The upload's failure positions.
    Upload("failures [] marks all", UploadReply("[]"), kOk, 3);
    Upload("failure position a string", UploadReply("[\"0\"]"), kFailureList);
    Upload("failure position fractional", UploadReply("[0.5]"), kFailureList);
    Upload("failure position 1.0", UploadReply("[1.0]"), kFailureList);
    Upload("failure position huge float", UploadReply("[1e300]"), kFailureList);
    Upload("failure position beyond 64 bits", UploadReply("[18446744073709551616]"), kFailureList);
    Upload("failure position null", UploadReply("[0,null]"), kFailureList);
    Upload("failure position nested", UploadReply("[[0]]"), kFailureList);
    Upload("failures an object", UploadReply("{\"0\":0}"), kFailureList);
    Upload("failures a string", UploadReply("\"0,1,2\""), kFailureList);
    // Integers outside the sent entries remove nothing.
    Upload("failure position negative", UploadReply("[-1]"), kOk, 3);
    Upload("failure position 2^64-1", UploadReply("[18446744073709551615]"), kOk, 3);
    Upload("failure positions all", UploadReply("[0,1,2]"), kOk, 0);
    Upload("data an array", Reply("[0,3,0,[]]"), kUploadDataNotObject);
    Upload("duplicate data, first counts",
           UploadReply("[0,1,2]").chopped(1) + ",\"data\":{\"s\":0,\"ok\":3,\"bad\":0,\"failed\":[]}}", kOk, 0);

    // The sign-in's token.
    SignIn("token empty", Reply("{\"token\":\"\"}"), kNoToken);
    SignIn("token null", Reply("{\"token\":null}"), kNoToken);
    SignIn("token true", Reply("{\"token\":true}"), kNoToken);
    SignIn("token an object", Reply("{\"token\":{\"a\":\"b\"}}"), kNoToken);
    SignIn("data an array", Reply("[\"tok\"]"), kSignInData);
    SignIn("token with quote, NUL and SQL", Reply("{\"token\":\"a'b\\u0000c'); DROP TABLE tblConfig; --\"}"), kOk,
           QStringLiteral("a'b") + QChar(0) + QStringLiteral("c'); DROP TABLE tblConfig; --"));
  }

  void hostileReply() {
    QFETCH(QByteArray, signInBody);
    QFETCH(QByteArray, projectsBody);
    QFETCH(QByteArray, filesBody);
    QFETCH(QByteArray, uploadBody);
    QFETCH(QString, signIn);
    QFETCH(QString, projects);
    QFETCH(QString, files);
    QFETCH(QString, upload);
    QFETCH(QString, stored);
    QFETCH(int, marked);

    FaultServer server;
    SyncRig rig(server.url());
    rig.seed();
    rig.signIn(QStringLiteral("alt"));
    rig.shortTimeouts(2000, 5);

    auto serve = [&](const QByteArray& body) {
      if (body == kStream || body == kStreamWithLength)
        server.setHandler(FaultServer::Stream(k300MiB, body == kStreamWithLength));
      else if (body == kStatus500)
        server.setHandler(
            FaultServer::Answer("<html><body>Internal Server Error</body></html>", "500 Internal Server Error"));
      else
        server.setHandler(FaultServer::Answer(body));
    };

    // Runs one command against its body and checks message and state.
    auto check = [&](const char* what, const QByteArray& body, const QString& expected,
                     const std::function<void()>& command, const std::function<void()>& whenOk) {
      if (expected.isEmpty()) return;
      serve(body);
      const QString before = DumpTables(rig.db.dm());
      const QString tokenBefore = rig.ws.strToken;
      rig.run(command);
      QCOMPARE(rig.busy.waiting, 0);
      QStringList shown = rig.prompter.texts();
      if (qstrcmp(what, "upload") == 0 && !shown.isEmpty() && shown.first().startsWith(QLatin1String("Es wurden ")))
        shown.removeFirst();  // the question before sending
      if (expected == kOk) {
        whenOk();
        return;
      }
      QString message = expected;
      if (message.startsWith(kTransport)) {
        message = message.mid(kTransport.size());
        if (qstrcmp(what, "sign-in") != 0) message = Shown(message);
      }
      QVERIFY2(!shown.isEmpty(), what);
      QCOMPARE(shown.first(), message);
      if (!expected.startsWith(kUploadBox)) {
        QCOMPARE(shown.size(), 1);
        QCOMPARE(DumpTables(rig.db.dm()), before);
      } else {
        // A failed upload reply without a failure list: the box, the closing message, nothing marked.
        QCOMPARE(shown.size(), 2);
        QCOMPARE(DumpTables(rig.db.dm()), before);
      }
      QCOMPARE(rig.ws.strToken, tokenBefore);
    };

    check(
        "sign-in", signInBody, signIn, [&] { rig.sync.actAuthenticateExecute(); },
        [&] {
          QCOMPARE(rig.prompter.texts(), QStringList{QStringLiteral("Authentifizierung erfolgreich abgeschlossen")});
          QCOMPARE(rig.ws.strToken, stored);
          QCOMPARE(rig.db.scalar(QStringLiteral("SELECT fieldvalue FROM tblConfig WHERE id = 101")).toString(),
                   EncodeDecimalText(stored));
        });
    if (QTest::currentTestFailed()) return;
    rig.ws.strToken = QStringLiteral("alt");
    check(
        "projects", projectsBody, projects, [&] { rig.sync.actGetProjectExecute(); },
        [&] {
          QCOMPARE(rig.prompter.texts(), QStringList{QStringLiteral("Mandat/Mandant wurden aktualisiert!")});
          const auto rows = rig.db.rows(QStringLiteral("SELECT id, projekt_name FROM tblProject ORDER BY id"));
          QCOMPARE(rows.size(), 2);
          QCOMPARE(rows[1][0].toLongLong(), 20);
          QCOMPARE(rows[1][1].toString(), stored);
          QVERIFY(rig.db.scalar(QStringLiteral("SELECT count(*) FROM tblTimeEntries")).toInt() == 3);
        });
    if (QTest::currentTestFailed()) return;
    check(
        "files", filesBody, files, [&] { rig.sync.actGetFilesExecute(); },
        [&] {
          QCOMPARE(rig.prompter.texts(), QStringList{QStringLiteral("Akten wurden aktualisiert!")});
          const auto rows =
              rig.db.rows(QStringLiteral("SELECT id, project_id, file_number, file_name FROM tblFiles ORDER BY id"));
          QCOMPARE(rows.size(), 2);
          QCOMPARE(rows[1][0].toLongLong(), 20);
          QCOMPARE(rows[1][1].toLongLong(), 12);
          QCOMPARE(rows[1][2].toString(), stored);
          QCOMPARE(rows[1][3].toString(), stored);
        });
    if (QTest::currentTestFailed()) return;
    const QString entriesBefore = DumpTable(rig.db.dm().handle(), QStringLiteral("tblTimeEntries"));
    check(
        "upload", uploadBody, upload, [&] { rig.sync.actTransmitExecute(); },
        [&] {
          QCOMPARE(rig.db.scalar(QStringLiteral("SELECT count(*) FROM tblTimeEntries WHERE import_yn = 1")).toInt(),
                   marked);
          // Nothing but the flag changed.
          rig.db.exec(QStringLiteral("UPDATE tblTimeEntries SET import_yn = 0"));
          QCOMPARE(DumpTable(rig.db.dm().handle(), QStringLiteral("tblTimeEntries")), entriesBefore);
        });
  }
};

}  // namespace kairon::test

QTEST_GUILESS_MAIN(kairon::test::TestFaultsHostile)
#include "tst_faults_hostile.moc"
