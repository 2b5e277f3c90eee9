#include "bench/benchutil.h"

#include <QDate>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

#include "db/dbschema.h"

namespace kairon::bench {

double PeakMemoryMb() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
  }
  return 0;
}

void Report(const char* scenario, const QString& size, double median, const char* unit, double goal,
            bool lowerIsBetter) {
  const double ratio = lowerIsBetter ? median / goal : goal / median;
  std::printf("%-34s %-28s median %9.2f %-6s goal %s %8.2f %-6s ratio %5.2f %s\n", scenario, qPrintable(size), median,
              unit, lowerIsBetter ? "<=" : ">=", goal, unit, ratio, ratio <= 1.0 ? "ok" : "MISSED");
  std::fflush(stdout);
}

BenchDatabase::BenchDatabase() : path(dir.filePath(QStringLiteral("bench.db3"))) {
  QString error;
  if (!db::CreateDatabaseFile(path, QStringLiteral("http://127.0.0.1:1/"), &error))
    qFatal("cannot make database: %s", qPrintable(error));
  dm = std::make_unique<TDataModuleMain>();
  dm->Open(path);
}

namespace {
void Exec(QSqlQuery& q) {
  if (!q.exec()) qFatal("bench insert failed: %s", qPrintable(q.lastError().text()));
}
}  // namespace

void BenchDatabase::fillMasterData(int projects, int files, int groups, int activities) {
  Transaction tx(*dm);
  dm->scriptAction(QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES (-1,'')"));
  dm->scriptAction(
      QStringLiteral("INSERT INTO tblFiles (id, project_id, file_number, file_name) VALUES (-1,-1,'','')"));
  dm->scriptAction(QStringLiteral("INSERT INTO tblPractice_Group (id, practice_group_name) VALUES (-1,'')"));
  dm->scriptAction(QStringLiteral("INSERT INTO tblActivity (id, activity_name) VALUES (-1,'')"));
  QSqlQuery q(dm->database());
  q.prepare(QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES (?, ?)"));
  for (int i = 1; i <= projects; ++i) {
    q.bindValue(0, i);
    q.bindValue(1, QStringLiteral("Mandant %1 Müller & Partner").arg(i));
    Exec(q);
  }
  q.prepare(QStringLiteral("INSERT INTO tblFiles (id, project_id, file_number, file_name) VALUES (?, ?, ?, ?)"));
  for (int i = 1; i <= files; ++i) {
    q.bindValue(0, i);
    q.bindValue(1, 1 + (i - 1) % projects);
    q.bindValue(2, QStringLiteral("A-%1").arg(i));
    q.bindValue(3, QStringLiteral("Akte %1 gegen Meier").arg(i));
    Exec(q);
  }
  q.prepare(QStringLiteral("INSERT INTO tblPractice_Group (id, practice_group_name) VALUES (?, ?)"));
  for (int i = 1; i <= groups; ++i) {
    q.bindValue(0, i);
    q.bindValue(1, QStringLiteral("Gruppe %1").arg(i));
    Exec(q);
  }
  q.prepare(QStringLiteral("INSERT INTO tblActivity (id, activity_name) VALUES (?, ?)"));
  for (int i = 1; i <= activities; ++i) {
    q.bindValue(0, i);
    q.bindValue(1, QStringLiteral("Tätigkeit %1").arg(i));
    Exec(q);
  }
  tx.commit();
}

void BenchDatabase::fillEntries(int entries, int projects, int files, int days, int groups, int activities) {
  Transaction tx(*dm);
  QSqlQuery q(dm->database());
  q.prepare(QStringLiteral(
      "INSERT INTO tblTimeEntries (project_id, file_id, pratice_group_id, activity_id, activity, note, real_time, "
      "invoice_time, time, str_real_time, str_invoice_time) VALUES (?,?,?,?,?,?,?,?,?,?,?)"));
  const QDate first(2024, 1, 1);
  for (int i = 0; i < entries; ++i) {
    const int file = 1 + (i * 7919) % files;
    const int project = 1 + (file - 1) % projects;
    const int minutes = 5 + (i * 37) % 600;
    q.bindValue(0, project);
    q.bindValue(1, file);
    q.bindValue(2, 1 + i % groups);
    q.bindValue(3, 1 + i % activities);
    q.bindValue(4, QStringLiteral("Besprechung mit Mandant, Entwurf Schriftsatz %1").arg(i));
    q.bindValue(5, i % 3 ? QString() : QStringLiteral("Rückruf erbeten"));
    q.bindValue(6, minutes);
    q.bindValue(7, minutes);
    q.bindValue(8, first.addDays(i % days).toString(QStringLiteral("yyyy-MM-dd")));
    q.bindValue(9, QString::number(minutes));
    q.bindValue(10, QString::number(minutes));
    Exec(q);
  }
  tx.commit();
}

qint64 BenchDatabase::count(const QString& table) {
  QSqlQuery q(dm->database());
  q.exec(QStringLiteral("SELECT count(*) FROM ") + table);
  return q.next() ? q.value(0).toLongLong() : -1;
}

}  // namespace kairon::bench
