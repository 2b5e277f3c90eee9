// The database under faults: locked by a second connection that holds a write
// transaction longer than the busy time-out, and a file that cannot be written.
// Every command shows its own message and leaves every table as it was.
#include <fcntl.h>
#include <linux/fs.h>
#include <sqlite3.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTest>

#include "app/startup.h"
#include "tests/faults/faultrig.h"
#include "tests/support/loopbackserver.h"

namespace kairon::test {

namespace {

const QString kSaveFailed = QStringLiteral("Fehler beim Speichern der Daten!");
const QString kDeleteFailed = QStringLiteral("Zeiteintrag konnte nicht gelöscht werden!");
const QString kLockFailed = QStringLiteral("Sperrstatus des Zeiteintrags konnte nicht geändert werden!");
const QString kMasterDeleteFailed = QStringLiteral("Beim Löschen der Urdaten tratt ein Fehler auf!");
const QString kTokenNotStored = QStringLiteral("Authentifikationskey konnte nicht gesichert werden");

const QByteArray kProjectsReply =
    R"({"error":{"state":false},"data":[{"id":20,"name":"Neu & Co"},{"id":21,"name":"B"}]})";
const QByteArray kFilesReply = R"({"error":{"state":false},"data":[{"id":500,"p":12,"nr":"1/12","name":"Neu"}]})";
const QByteArray kUploadReply = R"({"error":{"state":false},"data":{"x":0,"ok":3,"bad":0,"failed":[]}})";
const QByteArray kSignInReply = R"({"error":{"state":false},"data":{"token":"neu"}})";

// A second connection that holds a write transaction until released.
class WriteLockHolder {
 public:
  explicit WriteLockHolder(const QString& path) {
    if (sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
      qFatal("cannot open second connection");
    exec("BEGIN IMMEDIATE");
    exec("UPDATE tblConfig SET fieldtyp = fieldtyp WHERE id = 1");
  }
  ~WriteLockHolder() {
    release();
    sqlite3_close(db_);
  }
  void release() {
    if (held_) exec("ROLLBACK");
    held_ = false;
  }

 private:
  void exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) qFatal("lock holder: %s", sqlite3_errmsg(db_));
  }
  sqlite3* db_ = nullptr;
  bool held_ = true;
};

// The file made immutable (chattr +i): as root, a mode of 0444 would not stop
// a write, the immutable flag does. Cleared again when it goes.
class ImmutableFile {
 public:
  explicit ImmutableFile(const QString& path) : path_(path) { active_ = setFlag(true); }
  ~ImmutableFile() {
    if (active_) setFlag(false);
  }
  bool active() const { return active_; }

 private:
  bool setFlag(bool on) {
    const int fd = ::open(QFile::encodeName(path_).constData(), O_RDONLY);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
  }
  QString path_;
  bool active_ = false;
};

struct FakeApp : IAppControl {
  bool terminated = false;
  void terminate() override { terminated = true; }
  void closeMainWindow() override {}
};

QByteArray FileHash(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Fills the entry form of a new entry as the user would.
void TypeNewEntry(SyncRig& rig) {
  rig.ws.actNewExecute();
  rig.view.texts[FormField::edtReal] = QStringLiteral("1,5");
  QVERIFY(rig.ws.edtRealExit());
  rig.view.texts[FormField::memoActivity] = QStringLiteral("Schriftsatz für O'Brien");
  rig.view.texts[FormField::memoNote] = QStringLiteral("Zeile 1\r\nZeile 2");
  rig.view.indexes[FormField::cboxProject] = rig.ws.IndexOfProjectID(QStringLiteral("12"));
}

}  // namespace

class TestFaultsDb : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

  // Save while locked: its message, nothing written, the form keeps the input;
  // saving again once the lock is gone stores the entry exactly once.
  void lockedSaveKeepsTheFormAndWorksLater() {
    SyncRig rig;
    rig.seed();
    QVERIFY(rig.ws.LoadProjects());
    TypeNewEntry(rig);
    if (QTest::currentTestFailed()) return;
    const QMap<FormField, QString> typed = rig.view.texts;
    const QMap<FormField, int> chosen = rig.view.indexes;
    const QString before = DumpTables(rig.db.dm());
    {
      WriteLockHolder lock(rig.db.path());
      QElapsedTimer clock;
      clock.start();
      QVERIFY(rig.run([&] { rig.ws.actSaveExecute(); }));
      QVERIFY2(clock.elapsed() >= 150, "the save waited for the busy time-out");
      QCOMPARE(rig.prompter.texts(ScriptedPrompter::Kind::Error), QStringList{kSaveFailed});
      QCOMPARE(DumpTables(rig.db.dm()), before);
      QCOMPARE(rig.ws.intModus, int(wmNew));
      QCOMPARE(rig.view.texts, typed);
      QCOMPARE(rig.view.indexes, chosen);
      QCOMPARE(rig.ws.intRealTime, 90);
    }
    QVERIFY(rig.run([&] { rig.ws.actSaveExecute(); }));
    QVERIFY(rig.prompter.texts(ScriptedPrompter::Kind::Error).isEmpty());
    QCOMPARE(rig.ws.intModus, int(wmShow));
    const auto stored = rig.db.rows(QStringLiteral(
        "SELECT project_id, activity, note, real_time, str_real_time FROM tblTimeEntries WHERE activity LIKE "
        "'Schriftsatz%'"));
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0][0].toLongLong(), 12);
    QCOMPARE(stored[0][1].toString(), QStringLiteral("Schriftsatz für O'Brien"));
    QCOMPARE(stored[0][2].toString(), QStringLiteral("Zeile 1\r\nZeile 2"));
    QCOMPARE(stored[0][3].toInt(), 90);
    QCOMPARE(stored[0][4].toString(), QStringLiteral("1,5"));
  }

  void lockedEditSave() {
    SyncRig rig;
    rig.seed();
    rig.view.showAll = true;
    rig.ws.RefreshEntryList();
    rig.view.selectedRow = 0;
    QVERIFY(rig.run([&] { rig.ws.lvTimeEntriesClick(); }));
    rig.ws.actSetEditExecute();
    rig.view.texts[FormField::memoActivity] = QStringLiteral("geändert");
    const QString before = DumpTables(rig.db.dm());
    {
      WriteLockHolder lock(rig.db.path());
      QVERIFY(rig.run([&] { rig.ws.actSaveExecute(); }));
      QCOMPARE(rig.prompter.texts(ScriptedPrompter::Kind::Error), QStringList{kSaveFailed});
      QCOMPARE(DumpTables(rig.db.dm()), before);
      QCOMPARE(rig.ws.intModus, int(wmEdit));
      QCOMPARE(rig.view.texts[FormField::memoActivity], QStringLiteral("geändert"));
    }
    QVERIFY(rig.run([&] { rig.ws.actSaveExecute(); }));
    QCOMPARE(rig.db.scalar(QStringLiteral("SELECT count(*) FROM tblTimeEntries WHERE activity = 'geändert'")).toInt(),
             1);
  }

  void lockedDeleteAndLock_data() {
    QTest::addColumn<bool>("deleting");
    QTest::newRow("delete") << true;
    QTest::newRow("lock") << false;
  }
  void lockedDeleteAndLock() {
    QFETCH(bool, deleting);
    SyncRig rig;
    rig.seed();
    rig.view.showAll = true;
    rig.ws.RefreshEntryList();
    rig.view.selectedRow = 1;
    auto command = [&] { deleting ? rig.ws.EntryDeleteClick() : rig.ws.EntryLockClick(); };
    const QString before = DumpTables(rig.db.dm());
    {
      WriteLockHolder lock(rig.db.path());
      QVERIFY(!rig.run(command));
      QCOMPARE(rig.prompter.texts(ScriptedPrompter::Kind::CommandError),
               QStringList{Shown(deleting ? kDeleteFailed : kLockFailed)});
      QCOMPARE(DumpTables(rig.db.dm()), before);
    }
    QVERIFY(rig.run(command));
    QVERIFY(DumpTables(rig.db.dm()) != before);
  }

  void lockedDownload_data() {
    QTest::addColumn<int>("table");
    QTest::newRow("projects") << 0;
    QTest::newRow("files") << 1;
  }
  void lockedDownload() {
    QFETCH(int, table);
    LoopbackServer server;
    server.setDefault(LoopbackServer::Reply(table == 0 ? kProjectsReply : kFilesReply));
    SyncRig rig(server.url());
    rig.seed();
    rig.signIn();
    auto command = [&] { table == 0 ? rig.sync.actGetProjectExecute() : rig.sync.actGetFilesExecute(); };
    const QString before = DumpTables(rig.db.dm());
    {
      WriteLockHolder lock(rig.db.path());
      QVERIFY(!rig.run(command));
      QCOMPARE(rig.prompter.texts(ScriptedPrompter::Kind::CommandError), QStringList{Shown(kMasterDeleteFailed)});
      QCOMPARE(DumpTables(rig.db.dm()), before);
      QCOMPARE(rig.busy.waiting, 0);
    }
    QVERIFY(rig.run(command));
    const QString after = DumpTables(rig.db.dm());
    QVERIFY(after != before);
    QVERIFY(after.contains(QString::fromLatin1(QByteArray(table == 0 ? "Neu & Co" : "1/12").toHex())));
  }

  // The marking while locked: each entry reports it could not be stored, all
  // stay pending and unchanged; the next upload marks them.
  void lockedUploadMarking() {
    LoopbackServer server;
    server.setDefault(LoopbackServer::Reply(kUploadReply));
    SyncRig rig(server.url());
    rig.seed();
    const QString before = DumpTables(rig.db.dm());
    {
      WriteLockHolder lock(rig.db.path());
      QVERIFY(rig.run([&] { rig.sync.actTransmitExecute(); }));
      QCOMPARE(rig.prompter.texts(ScriptedPrompter::Kind::Plain),
               (QStringList{QStringLiteral("ID= 1 konnte nicht gespeichert werden!"),
                            QStringLiteral("ID= 2 konnte nicht gespeichert werden!"),
                            QStringLiteral("ID= 3 konnte nicht gespeichert werden!")}));
      QCOMPARE(DumpTables(rig.db.dm()), before);
    }
    QVERIFY(rig.run([&] { rig.sync.actTransmitExecute(); }));
    QCOMPARE(rig.db.scalar(QStringLiteral("SELECT count(*) FROM tblTimeEntries WHERE import_yn = 1")).toInt(), 3);
  }

  void lockedSignIn() {
    LoopbackServer server;
    server.setDefault(LoopbackServer::Reply(kSignInReply));
    SyncRig rig(server.url());
    rig.seed();
    rig.signIn(QStringLiteral("alt"));
    const QString before = DumpTables(rig.db.dm());
    {
      WriteLockHolder lock(rig.db.path());
      QVERIFY(!rig.run([&] { rig.sync.actAuthenticateExecute(); }));
      QCOMPARE(rig.prompter.texts(ScriptedPrompter::Kind::CommandError), QStringList{Shown(kTokenNotStored)});
      QCOMPARE(DumpTables(rig.db.dm()), before);
      QVERIFY(rig.ws.strToken.isEmpty());
    }
    QVERIFY(rig.run([&] { rig.sync.actAuthenticateExecute(); }));
    QCOMPARE(rig.ws.strToken, QStringLiteral("neu"));
  }

  // A file that cannot be written: the start-up runs and lists the entries;
  // every write shows its message; the file is not changed by a single byte.
  void readOnlyDatabase() {
    LoopbackServer server;
    SyncRig rig(server.url());
    rig.seed();
    rig.signIn(QStringLiteral("tok"));
    rig.db.insertEntry(12, 345, 2, 3, QStringLiteral("Heute"), 60, SqlDayText(QDate::currentDate()));
    rig.db.dm().Close();
    const QString path = rig.db.path();
    const QByteArray hashBefore = FileHash(path);

    ImmutableFile immutable(path);
    FakeApp app;
    Startup startup(rig.db.dm(), rig.ws, rig.auth, rig.prompter, app);
    startup.authenticate = [&] { rig.sync.actAuthenticateExecute(); };
    QVERIFY(startup.FormCreate(path));
    if (immutable.active()) {
      qInfo("read-only by the immutable flag (chattr +i) on the file");
    } else {
      // Without the right to set the flag: the connection itself refuses writes.
      qInfo("immutable flag not available here: read-only by PRAGMA query_only on the connection");
      QVERIFY(sqlite3_exec(rig.db.dm().handle(), "PRAGMA query_only = 1", nullptr, nullptr, nullptr) == SQLITE_OK);
    }
    startup.Timer1Timer();
    QCOMPARE(startup.state(), Startup::State::Ready);
    QVERIFY(!app.terminated);
    QCOMPARE(rig.login.asked, 0);
    QCOMPARE(rig.ws.lvTimeEntries.count(), 1);
    QCOMPARE(rig.ws.strToken, QStringLiteral("tok"));
    rig.view.showAll = true;
    rig.ws.RefreshEntryList();
    QCOMPARE(rig.ws.lvTimeEntries.count(), 4);
    const QString before = DumpTables(rig.db.dm());

    // New entry.
    TypeNewEntry(rig);
    QVERIFY(rig.run([&] { rig.ws.actSaveExecute(); }));
    QCOMPARE(rig.prompter.texts(ScriptedPrompter::Kind::Error), QStringList{kSaveFailed});
    QCOMPARE(rig.ws.intModus, int(wmNew));
    rig.ws.actCancelExecute();
    // Edit.
    rig.view.selectedRow = 0;
    QVERIFY(rig.run([&] { rig.ws.lvTimeEntriesClick(); }));
    rig.ws.actSetEditExecute();
    QVERIFY(rig.run([&] { rig.ws.actSaveExecute(); }));
    QCOMPARE(rig.prompter.texts(ScriptedPrompter::Kind::Error), QStringList{kSaveFailed});
    rig.ws.actCancelExecute();
    QCOMPARE(rig.ws.intModus, int(wmShow));

    struct Case {
      const char* name;
      std::function<void()> command;
      QByteArray reply;
      ScriptedPrompter::Kind kind;
      QStringList expected;
    };
    const QList<Case> cases{
        {"delete",
         [&] { rig.ws.EntryDeleteClick(); },
         {},
         ScriptedPrompter::Kind::CommandError,
         {Shown(kDeleteFailed)}},
        {"lock", [&] { rig.ws.EntryLockClick(); }, {}, ScriptedPrompter::Kind::CommandError, {Shown(kLockFailed)}},
        {"projects",
         [&] { rig.sync.actGetProjectExecute(); },
         kProjectsReply,
         ScriptedPrompter::Kind::CommandError,
         {Shown(kMasterDeleteFailed)}},
        {"files",
         [&] { rig.sync.actGetFilesExecute(); },
         kFilesReply,
         ScriptedPrompter::Kind::CommandError,
         {Shown(kMasterDeleteFailed)}},
        {"upload",
         [&] { rig.sync.actTransmitExecute(); },
         kUploadReply,
         ScriptedPrompter::Kind::Plain,
         {QStringLiteral("ID= 1 konnte nicht gespeichert werden!"),
          QStringLiteral("ID= 2 konnte nicht gespeichert werden!"),
          QStringLiteral("ID= 3 konnte nicht gespeichert werden!"),
          QStringLiteral("ID= 4 konnte nicht gespeichert werden!")}},
        {"sign-in",
         [&] { rig.sync.actAuthenticateExecute(); },
         kSignInReply,
         ScriptedPrompter::Kind::CommandError,
         {Shown(kTokenNotStored)}},
    };
    for (const Case& c : cases) {
      if (!c.reply.isEmpty()) server.setDefault(LoopbackServer::Reply(c.reply));
      rig.view.selectedRow = 0;
      rig.run(c.command);
      QVERIFY2(rig.prompter.texts(c.kind) == c.expected, c.name);
      QVERIFY2(DumpTables(rig.db.dm()) == before, c.name);
    }
    rig.db.dm().Close();
    if (immutable.active()) QCOMPARE(FileHash(path), hashBefore);
  }
};

}  // namespace kairon::test

QTEST_GUILESS_MAIN(kairon::test::TestFaultsDb)
#include "tst_faults_db.moc"
