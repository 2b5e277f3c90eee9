#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include "common/global.h"

using namespace kairon;

class TestProgram : public QObject {
  Q_OBJECT
 private slots:
  void programCarriesTheProjectVersion() {
    QCOMPARE(GetFileVersionText(QStringLiteral(KAIRON_PROGRAM)), QStringLiteral(KAIRON_PROJECT_VERSION));
    QCOMPARE(QStringLiteral(KAIRON_PROJECT_VERSION).count(QLatin1Char('.')), 3);
  }

  void aCopyOfTheProgramKeepsItsVersion() {
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("X.exe"));
    QVERIFY(QFile::copy(QStringLiteral(KAIRON_PROGRAM), copy));
    QCOMPARE(GetFileVersionText(copy), QStringLiteral(KAIRON_PROJECT_VERSION));
  }

  void databaseMakerMakesTheSuppliedSchema() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kairon.db3"));
    QCOMPARE(QProcess::execute(QStringLiteral(KAIRON_MAKEDB),
                               {QStringLiteral("--url"), QStringLiteral("https://zeit.example/"), path}),
             0);
    {
      QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
      db.setDatabaseName(path);
      QVERIFY(db.open());
      QSqlQuery q(db);
      QVERIFY(q.exec(QStringLiteral("SELECT id, fielddesc, fieldvalue FROM tblConfig ORDER BY id")));
      QVERIFY(q.next());
      QCOMPARE(q.value(1).toString(), QStringLiteral("url"));
      QCOMPARE(q.value(2).toString(), QStringLiteral("https://zeit.example/"));
      QVERIFY(q.next());
      QCOMPARE(q.value(0).toInt(), 101);
      QCOMPARE(q.value(1).toString(), QStringLiteral("authkey"));
      QCOMPARE(q.value(2).toString(), QString());
      QVERIFY(!q.next());
      QVERIFY(q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name LIKE 'tbl%'")));
      QVERIFY(q.next());
      QCOMPARE(q.value(0).toInt(), 6);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    // An existing file is never replaced.
    QCOMPARE(QProcess::execute(QStringLiteral(KAIRON_MAKEDB), {path}), 1);
    QCOMPARE(QProcess::execute(QStringLiteral(KAIRON_MAKEDB), {QStringLiteral("--if-missing"), path}), 0);
  }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_e2e_program.moc"
