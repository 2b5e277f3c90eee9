#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include "common/errors.h"
#include "db/dbschema.h"
#include "store/dmMain.h"
#include "tests/support/tempdatabase.h"

using namespace kairon;
using kairon::test::TempDatabase;

class TestDmMain : public QObject {
  Q_OBJECT
 private slots:
  void openMissingPathCreatesNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << QStringLiteral("kairon.db3");
    QTest::newRow("blank and hash") << QStringLiteral("mein ordner#1.db3");
    QTest::newRow("question mark") << QStringLiteral("x?mode=rwc.db3");
  }
  void openMissingPathCreatesNothing() {
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    TDataModuleMain dm;
    QVERIFY_THROWS_EXCEPTION(DatabaseError, dm.Open(path));
    QVERIFY(!dm.isOpen());
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
  }

  void openNotADatabaseFails() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("junk.db3"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'j'));
    f.close();
    TDataModuleMain dm;
    QVERIFY_THROWS_EXCEPTION(DatabaseError, dm.Open(path));
  }

  void openPathWithSpecialCharacters() {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("Zeit #1 ä"));
    const QString path = dir.filePath(QStringLiteral("Zeit #1 ä/kairon.db3"));
    QString error;
    QVERIFY(db::CreateDatabaseFile(path, QStringLiteral("http://x/"), &error));
    TDataModuleMain dm;
    dm.Open(path);
    TQuery q(dm, sql::qry_Config);
    q.Open();
    QCOMPARE(q.asString(QStringLiteral("fielddesc")), QStringLiteral("url"));
  }

  void newEntryDefaults() {
    TempDatabase t;
    const QString insert = QStringLiteral(
        "INSERT INTO tblTimeEntries (project_id, file_id, pratice_group_id, activity_id, activity, note, real_time, "
        "invoice_time, time, str_real_time, str_invoice_time) VALUES (-1, -1, -1, -1, '', '', 0, 0, '2012-11-05', "
        "'0', '0')");
    t.dm().scriptAction(insert);
    t.dm().scriptAction(insert);
    const auto rows = t.rows(QStringLiteral("SELECT id, import_yn, locked FROM tblTimeEntries ORDER BY id"));
    QCOMPARE(rows.size(), 2);
    QVERIFY(rows[0][0].toLongLong() > 0);
    QVERIFY(rows[1][0].toLongLong() > rows[0][0].toLongLong());
    for (const auto& r : rows) {
      QCOMPARE(r[1].toInt(), 0);
      QCOMPARE(r[2].toInt(), 0);
    }
  }

  void idsAreNotReusedAfterDelete() {
    TempDatabase t;
    const qint64 first = t.insertEntry(1, 1, 1, 1, QStringLiteral("a"), 10, QStringLiteral("2012-11-05"));
    t.exec(QStringLiteral("DELETE FROM tblTimeEntries WHERE id = %1").arg(first));
    const qint64 second = t.insertEntry(1, 1, 1, 1, QStringLiteral("b"), 10, QStringLiteral("2012-11-05"));
    QVERIFY(second > first);
  }

  void placeholderJoin() {
    TempDatabase t;
    t.insertPlaceholders();
    t.insertEntry(-1, -1, -1, -1, QString(), 0, QStringLiteral("2012-11-05"));
    const QString join = QStringLiteral(
        "SELECT count(*) FROM tblActivity INNER JOIN tblTimeEntries ON (tblActivity.id = tblTimeEntries.activity_id) "
        "INNER JOIN tblPractice_Group ON (tblTimeEntries.pratice_group_id = tblPractice_Group.id) "
        "INNER JOIN tblFiles ON (tblTimeEntries.file_id = tblFiles.id) "
        "INNER JOIN tblProject ON (tblTimeEntries.project_id = tblProject.id) WHERE import_yn = 0");
    QCOMPARE(t.scalar(join).toInt(), 1);
    t.exec(QStringLiteral("DELETE FROM tblActivity"));
    QCOMPARE(t.scalar(join).toInt(), 0);
  }

  void fileIdsBoundAsTextStillJoin() {
    TempDatabase t;
    t.dm().qry_InsertFile(QStringLiteral("7"), QStringLiteral("12"), QStringLiteral("4711"), QStringLiteral("Muster"));
    QCOMPARE(t.scalar(QStringLiteral("SELECT typeof(id) || typeof(project_id) FROM tblFiles")).toString(),
             QStringLiteral("integerinteger"));
    TQuery q(t.dm(), sql::qry_Files);
    q.setParam(QStringLiteral("projectID"), 12);
    q.Open();
    QVERIFY(!q.IsEmpty());
    QCOMPARE(q.asInteger(QStringLiteral("id")), 7);
    // A file id that is not a whole number is refused by the column.
    QVERIFY_THROWS_EXCEPTION(DatabaseError,
                             t.dm().qry_InsertFile(QStringLiteral("abc"), QStringLiteral("12"), QString(), QString()));
  }

  void fileTextsKeepLeadingMarks() {
    TempDatabase t;
    const QString number = QString(QChar(0xFEFF)) + QStringLiteral("4711");
    const QString name = QString(QChar(0xFFFE)) + QStringLiteral("Muster") + QChar(0);
    t.dm().qry_InsertFile(QStringLiteral("7"), QStringLiteral("12"), number, name);
    TQuery q(t.dm(), sql::qry_Files);
    q.setParam(QStringLiteral("projectID"), 12);
    q.Open();
    QCOMPARE(q.asString(QStringLiteral("file_number")), number);
    QCOMPARE(q.asString(QStringLiteral("file_name")), name);
  }

  void qryFilesPlaceholder() {
    TempDatabase t;
    TQuery q(t.dm(), sql::qry_Files);
    q.setParam(QStringLiteral("projectID"), -1);
    q.Open();
    QVERIFY(q.IsEmpty());
    t.insertPlaceholders();
    t.dm().qry_InsertFile(QStringLiteral("5"), QStringLiteral("3"), QStringLiteral("A"), QStringLiteral("B"));
    q.Open();
    QVERIFY(!q.IsEmpty());
    QCOMPARE(q.asInteger(QStringLiteral("id")), -1);
    q.Next();
    QVERIFY(q.Eof());
  }

  void textRoundTrip_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("apostrophe") << QStringLiteral("geht's");
    QTest::newRow("name") << QStringLiteral("O'Brien");
    QTest::newRow("two quotes") << QStringLiteral("''");
    QTest::newRow("crlf lines") << QStringLiteral("Zeile 1\r\nZeile 2");
    QTest::newRow("lf and tab") << QStringLiteral("a\nb\tc");
    QTest::newRow("sql") << QStringLiteral("x'); DROP TABLE tblTimeEntries; --");
    QTest::newRow("umlaut and emoji") << QString::fromUtf8("Müller \xF0\x9F\x98\x80");
    QTest::newRow("noncharacters") << (QStringLiteral("a") + QChar(0xFFFF) + QChar(0xFFFE) + QChar(0xFDD0));
    QTest::newRow("leading U+FEFF") << (QString(QChar(0xFEFF)) + QStringLiteral("Text"));
    QTest::newRow("nul") << (QStringLiteral("vor") + QChar(0) + QStringLiteral("nach'") + QChar(0));
  }
  void textRoundTrip() {
    QFETCH(QString, text);
    TempDatabase t;
    t.dm().scriptAction(
        QStringLiteral("INSERT INTO tblTimeEntries (activity, note, time) VALUES (%1, %1, '2012-11-05')")
            .arg(SqlText(text)));
    TQuery q(t.dm(), QStringLiteral("SELECT activity, note FROM tblTimeEntries"));
    q.Open();
    QCOMPARE(q.asString(QStringLiteral("activity")), text);
    QCOMPARE(q.asString(QStringLiteral("note")).toUtf8(), text.toUtf8());
    QCOMPARE(t.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'tblTimeEntries'")).toInt(), 1);
  }

  void queryRerunSeesNewRows() {
    TempDatabase t;
    TQuery q(t.dm(), sql::qry_Projects);
    q.Open();
    QVERIFY(q.IsEmpty());
    q.Close();
    t.exec(QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES (3, 'Alpha')"));
    q.Open();
    QVERIFY(!q.IsEmpty());
    QCOMPARE(q.asString(QStringLiteral("projekt_name")), QStringLiteral("Alpha"));
  }

  void readingRules() {
    TempDatabase t;
    t.exec(QStringLiteral("INSERT INTO tblTimeEntries (real_time, activity, time) VALUES (NULL, NULL, '2012-11-05')"));
    TQuery q(t.dm(), QStringLiteral("SELECT real_time, activity, time FROM tblTimeEntries"));
    q.Open();
    QCOMPARE(q.asDate(QStringLiteral("time")), QDate(2012, 11, 5));
    QVERIFY(q.isNull(QStringLiteral("real_time")));
    QCOMPARE(q.asInteger(QStringLiteral("real_time")), 0);
    QCOMPARE(q.asString(QStringLiteral("activity")), QString());
    QVERIFY(!q.isNull(QStringLiteral("time")));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, q.asString(QStringLiteral("no_such_column")));
  }

  void tokenUpdateWithoutRow101() {
    TempDatabase t;
    t.exec(QStringLiteral("DELETE FROM tblConfig WHERE id = 101"));
    const auto before = t.rows(QStringLiteral("SELECT * FROM tblConfig ORDER BY id"));
    t.dm().scriptAction(QStringLiteral("UPDATE tblConfig SET fieldvalue = '065098' WHERE id = 101"));
    QCOMPARE(t.rows(QStringLiteral("SELECT * FROM tblConfig ORDER BY id")), before);
  }

  void failingStatementReportsTheDatabaseText() {
    TempDatabase t;
    try {
      t.dm().scriptAction(QStringLiteral("DELETE FROM tblNoSuchTable"));
      QFAIL("no error");
    } catch (const DatabaseError& e) {
      QVERIFY2(e.text().contains(QStringLiteral("tblNoSuchTable")), qPrintable(e.text()));
    }
  }

  void transactionRollsBackUnlessCommitted() {
    TempDatabase t;
    t.exec(QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES (1, 'alt')"));
    {
      Transaction tx(t.dm());
      t.dm().scriptAction(QStringLiteral("DELETE FROM tblProject"));
      t.dm().scriptAction(QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES (2, 'neu')"));
    }
    QCOMPARE(t.scalar(QStringLiteral("SELECT projekt_name FROM tblProject")).toString(), QStringLiteral("alt"));
    {
      Transaction tx(t.dm());
      t.dm().scriptAction(QStringLiteral("DELETE FROM tblProject"));
      t.dm().scriptAction(QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES (2, 'neu')"));
      tx.commit();
    }
    QCOMPARE(t.scalar(QStringLiteral("SELECT projekt_name FROM tblProject")).toString(), QStringLiteral("neu"));
  }

  void lockedByAnotherConnectionFailsAfterBusyTimeout() {
    TempDatabase t;
    TDataModuleMain other;
    other.Open(t.path());
    Transaction holder(other);
    other.scriptAction(QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES (9, 'x')"));
    QElapsedTimer timer;
    timer.start();
    QVERIFY_THROWS_EXCEPTION(
        DatabaseError,
        t.dm().scriptAction(QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES (10, 'y')")));
    QVERIFY(timer.elapsed() >= 150);  // the fixture waits 200 ms for the lock
  }
};

QTEST_GUILESS_MAIN(TestDmMain)
#include "tst_dmmain.moc"
