// The installed folder: `cmake --install` into a temporary place gives the
// program, an empty database beside it, the desktop entry and the icon.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include "common/global.h"
#include "db/dbschema.h"

using namespace kairon;

namespace {

// Runs `cmake --install` on the build folder; returns its output on failure.
QString Install(const QString& prefix, const QString& destdir) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  if (destdir.isEmpty())
    env.remove(QStringLiteral("DESTDIR"));
  else
    env.insert(QStringLiteral("DESTDIR"), destdir);
  p.setProcessEnvironment(env);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(QStringLiteral(KAIRON_CMAKE),
          {QStringLiteral("--install"), QStringLiteral(KAIRON_BUILD_DIR), QStringLiteral("--prefix"), prefix});
  if (!p.waitForFinished(60000)) return QStringLiteral("cmake --install did not finish");
  if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return QString::fromLocal8Bit(p.readAll());
  return QString();
}

// Every table and index with its statement, in name order.
QStringList SchemaOf(const QString& path) {
  QStringList out;
  const QString name = QStringLiteral("schema-") + path;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (db.open()) {
      QSqlQuery q(db);
      q.exec(QStringLiteral("SELECT type, name, sql FROM sqlite_master WHERE name NOT LIKE 'sqlite_%' ORDER BY name"));
      while (q.next())
        out << q.value(0).toString() + QLatin1Char(' ') + q.value(1).toString() + QLatin1Char(' ') +
                   q.value(2).toString();
    }
  }
  QSqlDatabase::removeDatabase(name);
  return out;
}

// Runs one statement on the database file; returns the first column of the first row.
QVariant Exec(const QString& path, const QString& statement) {
  QVariant value;
  const QString name = QStringLiteral("exec-") + path;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    if (db.open()) {
      QSqlQuery q(db);
      if (q.exec(statement) && q.next()) value = q.value(0);
    }
  }
  QSqlDatabase::removeDatabase(name);
  return value;
}

}  // namespace

class TestInstall : public QObject {
  Q_OBJECT
 private slots:
  void installedFolderHoldsProgramDatabaseDesktopEntryAndIcon_data() {
    QTest::addColumn<bool>("withDestdir");
    QTest::newRow("--prefix") << false;
    // As packagers and CPack do it: the files go below DESTDIR, nothing into the prefix itself.
    QTest::newRow("DESTDIR") << true;
  }

  void installedFolderHoldsProgramDatabaseDesktopEntryAndIcon() {
    QFETCH(bool, withDestdir);
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString prefix = withDestdir
                               ? QStringLiteral("/opt/kairon-install-test-%1").arg(QCoreApplication::applicationPid())
                               : tmp.filePath(QStringLiteral("kairon"));
    const QString root = withDestdir ? tmp.path() + prefix : prefix;
    const QString output = Install(prefix, withDestdir ? tmp.path() : QString());
    QVERIFY2(output.isEmpty(), qPrintable(output));
    if (withDestdir) QVERIFY(!QFileInfo::exists(prefix));

    const QFileInfo program(root + QStringLiteral("/kairon"));
    QVERIFY(program.isFile());
    QVERIFY(program.isExecutable());
    QCOMPARE(GetFileVersionText(program.filePath()), QStringLiteral(KAIRON_PROJECT_VERSION));

    // The database beside the program: the supplied schema, no entries, the configured address.
    const QString database = root + QStringLiteral("/kairon.db3");
    QVERIFY(QFileInfo(database).isFile());
    QTemporaryDir refDir;
    const QString reference = refDir.filePath(QStringLiteral("reference.db3"));
    QString error;
    QVERIFY2(db::CreateDatabaseFile(reference, QString(), &error), qPrintable(error));
    const QStringList schema = SchemaOf(database);
    QVERIFY(schema.size() >= 6);
    QCOMPARE(schema, SchemaOf(reference));
    QCOMPARE(Exec(database, QStringLiteral("SELECT count(*) FROM tblTimeEntries")).toInt(), 0);
    QCOMPARE(Exec(database, QStringLiteral("SELECT fieldvalue FROM tblConfig WHERE fielddesc = 'url'")).toString(),
             QStringLiteral(KAIRON_INSTALL_URL));
    QCOMPARE(Exec(database, QStringLiteral("SELECT fieldvalue FROM tblConfig WHERE id = 101")).toString(), QString());

    QFile desktop(root + QStringLiteral("/share/applications/kairon.desktop"));
    QVERIFY(desktop.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(desktop.readAll()).split(QLatin1Char('\n'));
    QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
    QVERIFY(lines.contains(QStringLiteral("Type=Application")));
    QVERIFY(lines.contains(QStringLiteral("Exec=kairon")));
    QVERIFY(lines.contains(QStringLiteral("Icon=kairon")));

    QFile icon(root + QStringLiteral("/share/icons/hicolor/scalable/apps/kairon.svg"));
    QVERIFY(icon.open(QIODevice::ReadOnly));
    QVERIFY(icon.readAll().contains("<svg"));

    // Installing again over the folder keeps the database and its entries.
    Exec(database, QStringLiteral("INSERT INTO tblTimeEntries (activity, real_time) VALUES ('kept', 30)"));
    QCOMPARE(Exec(database, QStringLiteral("SELECT count(*) FROM tblTimeEntries")).toInt(), 1);
    const QString again = Install(prefix, withDestdir ? tmp.path() : QString());
    QVERIFY2(again.isEmpty(), qPrintable(again));
    QCOMPARE(Exec(database, QStringLiteral("SELECT activity FROM tblTimeEntries")).toString(), QStringLiteral("kept"));
  }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_e2e_install.moc"
