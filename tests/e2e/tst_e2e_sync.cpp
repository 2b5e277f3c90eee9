// End to end: sign in at the reference server, fetch the master data, record
// an entry through the workspace, upload it, and find it in the server's own
// database.
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "common/prompter.h"
#include "sync/serversync.h"
#include "sync/session.h"
#include "tests/support/fakemainview.h"
#include "tests/support/scriptedprompter.h"
#include "tests/support/tempdatabase.h"
#include "tests/support/testcert.h"
#include "workspace/workspace.h"

using namespace kairon;
using namespace kairon::test;
using Kind = ScriptedPrompter::Kind;

namespace {

struct DemoLogin : ILoginPrompt {
  Result ask(const QString&, const QString&) override { return {true, QStringLiteral("demo"), QStringLiteral("demo")}; }
};

// The reference server as a child process on a port it picks itself.
class RefServer {
 public:
  explicit RefServer(const QString& dbPath, const QStringList& extra = {}) {
    process_.setProgram(QStringLiteral(KAIRON_REFSERVER));
    process_.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--db"), dbPath} +
                          extra);
    process_.start();
    if (!process_.waitForStarted(10000)) return;
    QByteArray out;
    while (!out.contains('\n') && process_.waitForReadyRead(10000)) out += process_.readAllStandardOutput();
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("(https?://127\\.0\\.0\\.1:\\d+/)")).match(QString::fromLatin1(out));
    if (m.hasMatch()) url_ = m.captured(1);
  }
  ~RefServer() {
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }
  QString url() const { return url_; }

 private:
  QProcess process_;
  QString url_;
};

int IndexOfId(const PickList& list, qint64 id) {
  return TimeWorkspace::IndexOfListValue(list, QString::number(id));
}

}  // namespace

class TestE2eSync : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

  void signInDownloadRecordUpload() {
    QTemporaryDir serverDir;
    const QString serverDb = serverDir.filePath(QStringLiteral("server.db3"));
    RefServer server(serverDb);
    QVERIFY2(!server.url().isEmpty(), "reference server did not start");

    TempDatabase db(server.url());
    FakeMainView view;
    ScriptedPrompter prompter;
    TimeWorkspace ws(db.dm(), prompter, view);
    AuthSession auth;
    NullBusyIndicator busy;
    DemoLogin login;
    TServerSync sync(ws, auth, busy, login);
    ws.strURL = server.url();
    auto run = [&](const std::function<void()>& command) {
      const bool ok = RunCommand(prompter, command);
      if (!ok) qWarning("%s", qPrintable(prompter.texts().join(QStringLiteral(" | "))));
      return ok;
    };

    // Sign in.
    QVERIFY(run([&] { sync.actAuthenticateExecute(); }));
    QVERIFY(!ws.strToken.isEmpty());
    QCOMPARE(prompter.texts(Kind::Info), QStringList{QStringLiteral("Authentifizierung erfolgreich abgeschlossen")});

    // The four tables.
    QVERIFY(run([&] { sync.actGetProjectExecute(); }));
    QVERIFY(run([&] { sync.actGetFilesExecute(); }));
    QVERIFY(run([&] { sync.actGetPracticeGroupExecute(); }));
    QVERIFY(run([&] { sync.actGetActivityExecute(); }));
    QCOMPARE(prompter.texts(Kind::Info).mid(1), (QStringList{QStringLiteral("Mandat/Mandant wurden aktualisiert!"),
                                                             QStringLiteral("Akten wurden aktualisiert!"),
                                                             QStringLiteral("PracticeGroups wurden aktualisiert!"),
                                                             QStringLiteral("Aktivitäten wurden aktualisiert!")}));
    QCOMPARE(db.scalar(QStringLiteral("SELECT projekt_name FROM tblProject WHERE id = 1")).toString(),
             QStringLiteral("Müller & Söhne GmbH"));
    QCOMPARE(db.scalar(QStringLiteral("SELECT projekt_name FROM tblProject WHERE id = 2")).toString(),
             QStringLiteral("O'Brien Consulting"));
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM tblFiles")).toInt(), 6);
    QCOMPARE(db.scalar(QStringLiteral("SELECT file_name FROM tblFiles WHERE id = 201")).toString(),
             QStringLiteral("O'Brien – Markenanmeldung"));
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM tblPractice_Group")).toInt(), 4);
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM tblActivity")).toInt(), 6);

    // Record an entry through the entry form.
    const QString description = QStringLiteral("Besprechung \"Kaufvertrag\"\nmit Müller & Co");
    const QString note = QStringLiteral("Rückruf +49 / 100%");
    ws.dtDatum = QDate(2024, 3, 15);
    ws.actNewExecute();
    QCOMPARE(ws.intModus, int(wmNew));
    view.setFieldText(FormField::edtReal, QStringLiteral("1,5"));
    QVERIFY(ws.edtRealExit());
    view.setFieldText(FormField::edtInvoiced, QStringLiteral("60"));
    QVERIFY(ws.edtInvoicedExit());
    view.setChooserIndex(FormField::cboxProject, IndexOfId(ws.lbProjectID, 1));
    ws.cboxProjectChange();
    view.setChooserIndex(FormField::cboxFile, IndexOfId(ws.clboxFiles, 102));
    view.setChooserIndex(FormField::cboxPracticeGroup, IndexOfId(ws.clboxPracticeGroup, 1));
    view.setChooserIndex(FormField::cboxActivity, IndexOfId(ws.clboxActivity, 1));
    view.setFieldText(FormField::memoActivity, description);
    view.setFieldText(FormField::memoNote, note);
    QVERIFY(run([&] { ws.actSaveExecute(); }));
    QCOMPARE(ws.intModus, int(wmShow));
    const qint64 entryId = db.scalar(QStringLiteral("SELECT max(id) FROM tblTimeEntries")).toLongLong();
    QVERIFY(entryId > 0);
    // A second entry whose case file the server does not know: it is refused.
    const qint64 refusedId =
        db.insertEntry(1, 999, 1, 1, QStringLiteral("Unbekannte Akte"), 30, QStringLiteral("2024-03-15"));

    // Upload.
    prompter.clear();
    prompter.answers = {true};
    QVERIFY(run([&] { sync.actTransmitExecute(); }));
    QCOMPARE(
        prompter.texts(),
        (QStringList{QStringLiteral("Es wurden 2 mögliche Zeiteinträge gefunden!\r\nSollen diese übertragen werden?"),
                     QStringLiteral("Übertragung abgeschlossen!\r\nKorrekt übertragen: 1\r\nNicht übertragen: 1")}));
    QCOMPARE(db.scalar(QStringLiteral("SELECT import_yn FROM tblTimeEntries WHERE id = %1").arg(entryId)).toInt(), 1);
    QCOMPARE(db.scalar(QStringLiteral("SELECT import_yn FROM tblTimeEntries WHERE id = %1").arg(refusedId)).toInt(), 0);

    // The server's own database holds the entry as recorded.
    {
      QSqlDatabase sdb = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("refserver"));
      sdb.setDatabaseName(serverDb);
      QVERIFY(sdb.open());
      QSqlQuery q(sdb);
      QVERIFY(q.exec(QStringLiteral(
          "SELECT e.real_time, e.invoice_time, e.project_id, e.file_id, e.activity_id, e.practice_group_id, e.note, "
          "e.note_add, e.day, u.login FROM time_entries e JOIN users u ON u.id = e.user_id")));
      QVERIFY(q.next());
      QCOMPARE(q.value(0).toInt(), 90);
      QCOMPARE(q.value(1).toInt(), 60);
      QCOMPARE(q.value(2).toInt(), 1);
      QCOMPARE(q.value(3).toInt(), 102);
      QCOMPARE(q.value(4).toInt(), 1);
      QCOMPARE(q.value(5).toInt(), 1);
      QCOMPARE(q.value(6).toString(), description);
      QCOMPARE(q.value(7).toString(), note);
      QCOMPARE(q.value(8).toString(), QStringLiteral("2024-03-15"));
      QCOMPARE(q.value(9).toString(), QStringLiteral("demo"));
      QVERIFY(!q.next());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("refserver"));
  }

  void httpsWithPinnedKey() {
    QTemporaryDir dir;
    const TestCertificate cert = MakeTestCertificate();
    QVERIFY(!cert.pin.isEmpty());
    const QString certPath = dir.filePath(QStringLiteral("server.crt"));
    const QString keyPath = dir.filePath(QStringLiteral("server.key"));
    for (const auto& [path, pem] : {std::pair{certPath, cert.certPem}, std::pair{keyPath, cert.keyPem}}) {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(pem);
    }
    RefServer server(dir.filePath(QStringLiteral("server.db3")),
                     {QStringLiteral("--cert"), certPath, QStringLiteral("--key"), keyPath});
    QVERIFY2(server.url().startsWith(QLatin1String("https://")), qPrintable(server.url()));

    TempDatabase db(server.url());
    FakeMainView view;
    ScriptedPrompter prompter;
    TimeWorkspace ws(db.dm(), prompter, view);
    AuthSession auth;
    NullBusyIndicator busy;
    DemoLogin login;
    TServerSync sync(ws, auth, busy, login);
    ws.strURL = server.url();

    // Not signed by a trusted authority: refused.
    QVERIFY(RunCommand(prompter, [&] { sync.actAuthenticateExecute(); }));
    QCOMPARE(prompter.texts(Kind::Plain),
             QStringList{QStringLiteral(
                 "Das Zertifikat des Servers ist nicht vertrauenswürdig! Keine sichere Verbindung möglich.")});
    QVERIFY(ws.strToken.isEmpty());

    // With its key pinned it is the server.
    db.exec(QStringLiteral("INSERT INTO tblConfig (id, fielddesc, fieldvalue, fieldtyp) VALUES (300, 'pinnedkey', %1, "
                           "'text')")
                .arg(SqlText(cert.pin)));
    prompter.clear();
    QVERIFY(RunCommand(prompter, [&] { sync.actAuthenticateExecute(); }));
    QVERIFY(!ws.strToken.isEmpty());
    QVERIFY(RunCommand(prompter, [&] { sync.actGetProjectExecute(); }));
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM tblProject")).toInt(), 5);
  }
};

QTEST_GUILESS_MAIN(TestE2eSync)
#include "tst_e2e_sync.moc"
