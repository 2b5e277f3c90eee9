// A process killed (SIGKILL) in the middle of a case-file download of 100,000
// rows and in the middle of the upload marking, at varied moments. After each
// kill the file passes the integrity check, each master table holds its old or
// its new complete set, and every entry is either still pending or marked,
// with its values unchanged.
//
// KAIRON_KILL_ROUNDS sets the kills per case (default 3; scripts/faults.sh
// runs 60). KAIRON_KILL_SEED fixes the moments; the seed is printed.
#include <signal.h>
#include <sqlite3.h>
#include <sys/types.h>

#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "tests/faults/faultrig.h"
#include "tests/support/tempdatabase.h"

#ifndef KAIRON_FAULTS_CHILD
#error "KAIRON_FAULTS_CHILD must name the child executable"
#endif

namespace kairon::test {

namespace {

constexpr int kFileRows = 100000;
constexpr int kPendingEntries = 20000;

QString Child() {
  return QStringLiteral(KAIRON_FAULTS_CHILD);
}

int Rounds() {
  const int n = qEnvironmentVariableIntValue("KAIRON_KILL_ROUNDS");
  return n > 0 ? n : 3;
}

struct Db {
  explicit Db(const QString& path) {
    if (sqlite3_open_v2(path.toUtf8().constData(), &handle, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
      qFatal("cannot open %s", qPrintable(path));
  }
  ~Db() { sqlite3_close(handle); }
  QString text(const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    QString out;
    if (sqlite3_prepare_v2(handle, sql, -1, &stmt, nullptr) != SQLITE_OK)
      return QStringLiteral("<error: %1>").arg(QString::fromUtf8(sqlite3_errmsg(handle)));
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      if (!out.isEmpty()) out += QLatin1Char('\n');
      out += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    }
    sqlite3_finalize(stmt);
    return out;
  }
  sqlite3* handle = nullptr;
};

// One run of the child. Kills it delayMs after the marker (or never, for a
// negative delay) and answers the times of the markers it saw.
struct ChildRun {
  qint64 replyAt = -1;    // ms from the start to "R"
  qint64 writtenAt = -1;  // ms from the start to "W"
  bool killed = false;
  int exitCode = -1;
  QByteArray errors;
};

ChildRun RunChild(const QStringList& args, char killAfter, qint64 delayMs) {
  ChildRun run;
  QProcess child;
  child.setProcessChannelMode(QProcess::SeparateChannels);
  QElapsedTimer clock;
  clock.start();
  child.start(Child(), args);
  if (!child.waitForStarted(10000)) qFatal("child did not start");
  auto killNow = [&] {
    ::kill(pid_t(child.processId()), SIGKILL);
    run.killed = true;
  };
  QByteArray out;
  if (delayMs >= 0 && killAfter == 0) {
    QThread::usleep(quint64(delayMs) * 1000);
    killNow();
  }
  while (!run.killed && child.state() != QProcess::NotRunning) {
    child.waitForReadyRead(20);
    out += child.readAllStandardOutput();
    if (run.replyAt < 0 && out.contains('R')) {
      run.replyAt = clock.elapsed();
      if (killAfter == 'R' && delayMs >= 0) {
        QThread::usleep(quint64(delayMs) * 1000);
        killNow();
      }
    }
    if (run.writtenAt < 0 && out.contains('W')) run.writtenAt = clock.elapsed();
    if (clock.elapsed() > 120000) qFatal("child hangs");
  }
  child.waitForFinished(30000);
  out += child.readAllStandardOutput();
  if (run.writtenAt < 0 && out.contains('W')) run.writtenAt = clock.elapsed();
  run.errors = child.readAllStandardError();
  run.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
  return run;
}

QString Dump(const QString& path, const QString& table) {
  Db db(path);
  return DumpTable(db.handle, table);
}

}  // namespace

class TestFaultsKill : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QVERIFY2(QFile::exists(Child()), qPrintable(Child()));
    seed_ = quint32(qEnvironmentVariableIntValue("KAIRON_KILL_SEED"));
    if (seed_ == 0) seed_ = QRandomGenerator::system()->generate() | 1;
    qInfo("kill moments from seed %u (KAIRON_KILL_SEED), %d kills per case", seed_, Rounds());
  }

  void killedDuringCaseFileDownload() { killLoop(false); }
  void killedDuringUploadMarking() { killLoop(true); }

 private:
  void killLoop(bool upload) {
    QTemporaryDir dir;
    const QString pristine = dir.filePath(QStringLiteral("pristine.db3"));
    {
      TempDatabase t;
      t.insertPlaceholders();
      t.exec(QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES (12,'Alt')"));
      t.exec(QStringLiteral(
          "INSERT INTO tblFiles (id, project_id, file_number, file_name) WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL "
          "SELECT x+1 FROM c WHERE x < 1000) SELECT x, 12, 'A' || x, 'Alte Akte ' || x FROM c"));
      t.exec(QStringLiteral("INSERT INTO tblPractice_Group (id, practice_group_name) VALUES (2,'Alt')"));
      t.exec(QStringLiteral("INSERT INTO tblActivity (id, activity_name) VALUES (3,'Alt')"));
      const int entries = upload ? kPendingEntries : 3;
      t.exec(QStringLiteral(
                 "INSERT INTO tblTimeEntries (project_id, file_id, pratice_group_id, activity_id, activity, note, "
                 "real_time, invoice_time, time, str_real_time, str_invoice_time) WITH RECURSIVE c(x) AS (SELECT 1 "
                 "UNION ALL SELECT x+1 FROM c WHERE x < %1) SELECT 12, x % 1000 + 1, 2, 3, 'Eintrag ' || x || ' mit "
                 "''Quote''', 'Notiz ' || x, x % 600 + 1, x % 300 + 1, '2026-12-' || printf('%02d', x % 28 + 1), "
                 "x % 600 + 1, x % 300 + 1 FROM c")
                 .arg(entries));
      t.exec(QStringLiteral("UPDATE tblTimeEntries SET locked = 1 WHERE id % 97 = 0"));
      t.dm().Close();
      QVERIFY(QFile::copy(t.path(), pristine));
    }
    const QStringList tables{QStringLiteral("tblConfig"),   QStringLiteral("tblProject"),
                             QStringLiteral("tblFiles"),    QStringLiteral("tblPractice_Group"),
                             QStringLiteral("tblActivity"), QStringLiteral("tblTimeEntries")};
    QMap<QString, QString> before;
    for (const QString& t : tables) before[t] = Dump(pristine, t);

    // One run to its end: the new state and how long the writes take.
    const QString work = dir.filePath(QStringLiteral("work.db3"));
    const QStringList args = upload ? QStringList{QStringLiteral("upload"), work}
                                    : QStringList{QStringLiteral("files"), work, QString::number(kFileRows)};
    QVERIFY(QFile::copy(pristine, work));
    const ChildRun full = RunChild(args, 0, -1);
    QVERIFY2(full.exitCode == 0, full.errors.constData());
    QVERIFY(full.replyAt >= 0 && full.writtenAt >= full.replyAt);
    const QString changed = upload ? QStringLiteral("tblTimeEntries") : QStringLiteral("tblFiles");
    const QString after = Dump(work, changed);
    QVERIFY(after != before[changed]);
    if (upload) {
      Db db(work);
      QCOMPARE(db.text("SELECT count(*) FROM tblTimeEntries WHERE import_yn = 1"),
               QString::number(kPendingEntries - kPendingEntries / 97));
    } else {
      Db db(work);
      QCOMPARE(db.text("SELECT count(*) FROM tblFiles"), QString::number(kFileRows + 1));
    }
    const qint64 writeMs = qMax<qint64>(1, full.writtenAt - full.replyAt);
    qInfo("%s: reply after %lld ms, written %lld ms later", upload ? "upload" : "case files", full.replyAt, writeMs);

    QRandomGenerator random(seed_ + (upload ? 1u : 0u));
    int oldState = 0, newState = 0, hotJournal = 0;
    const int rounds = Rounds();
    for (int round = 0; round < rounds; ++round) {
      QFile::remove(work);
      QFile::remove(work + QStringLiteral("-journal"));
      QVERIFY(QFile::copy(pristine, work));
      // Most kills fall into the writes (from the reply to a little past the
      // commit), some into the time before the reply.
      ChildRun run;
      if (round % 5 == 4) {
        run = RunChild(args, 0, qint64(random.bounded(quint32(full.replyAt + 1))));
      } else {
        run = RunChild(args, 'R', qint64(random.bounded(quint32(writeMs + writeMs / 4 + 1))));
      }
      if (!run.killed) QVERIFY2(run.exitCode == 0, run.errors.constData());
      const QFile journal(work + QStringLiteral("-journal"));
      if (journal.exists() && journal.size() > 0) ++hotJournal;

      // Opening the file rolls back what a kill left half-done.
      Db db(work);
      QCOMPARE(db.text("PRAGMA integrity_check"), QStringLiteral("ok"));
      for (const QString& t : tables) {
        const QString now = DumpTable(db.handle, t);
        if (t != changed) {
          QVERIFY2(now == before[t], qPrintable(t + QStringLiteral(" changed, round %1").arg(round)));
          continue;
        }
        if (now == before[t]) {
          ++oldState;
        } else if (now == after) {
          ++newState;
        } else if (upload) {
          // Not all-or-nothing: at least no value but the flag may differ.
          QFAIL(qPrintable(QStringLiteral("round %1: some entries marked, some not, or values changed").arg(round)));
        } else {
          QFAIL(qPrintable(QStringLiteral("round %1: tblFiles holds neither the old nor the new set").arg(round)));
        }
      }
    }
    qInfo("%s: %d kills survived: %d old, %d new, %d left a transaction to roll back", upload ? "upload" : "case files",
          rounds, oldState, newState, hotJournal);
    QCOMPARE(oldState + newState, rounds);
  }

  quint32 seed_ = 0;
};

}  // namespace kairon::test

QTEST_GUILESS_MAIN(kairon::test::TestFaultsKill)
#include "tst_faults_kill.moc"
