#include "tests/support/tempdatabase.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include "db/dbschema.h"

namespace kairon::test {

TempDatabase::TempDatabase(const QString& url) : path_(dir_.filePath(QStringLiteral("kairon.db3"))) {
  QString error;
  if (!db::CreateDatabaseFile(path_, url, &error)) qFatal("cannot make test database: %s", qPrintable(error));
  dm_ = std::make_unique<TDataModuleMain>();
  dm_->setBusyTimeoutMs(200);
  dm_->Open(path_);
}

TempDatabase::~TempDatabase() {
  dm_.reset();
}

void TempDatabase::exec(const QString& statement) {
  try {
    dm_->scriptAction(statement);
  } catch (const std::exception& e) {
    QTest::qFail(qPrintable(QStringLiteral("statement failed: %1: %2").arg(statement, QString::fromUtf8(e.what()))),
                 __FILE__, __LINE__);
  }
}

QVariant TempDatabase::scalar(const QString& statement) {
  QSqlQuery q(dm_->database());
  if (!q.exec(statement)) qFatal("query failed: %s", qPrintable(statement));
  return q.next() ? q.value(0) : QVariant();
}

QList<QVariantList> TempDatabase::rows(const QString& statement) {
  QSqlQuery q(dm_->database());
  if (!q.exec(statement)) qFatal("query failed: %s", qPrintable(statement));
  QList<QVariantList> out;
  while (q.next()) {
    QVariantList row;
    for (int i = 0; i < q.record().count(); ++i) row << q.value(i);
    out << row;
  }
  return out;
}

void TempDatabase::insertPlaceholders() {
  exec(QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES (-1,'')"));
  exec(QStringLiteral("INSERT INTO tblFiles (id, project_id, file_number, file_name) VALUES (-1,-1,'','')"));
  exec(QStringLiteral("INSERT INTO tblPractice_Group (id, practice_group_name) VALUES (-1,'')"));
  exec(QStringLiteral("INSERT INTO tblActivity (id, activity_name) VALUES (-1,'')"));
}

qint64 TempDatabase::insertEntry(qint64 project, qint64 file, qint64 group, qint64 activity,
                                 const QString& activityText, int realTime, const QString& day, int locked,
                                 int imported, const QString& note) {
  QSqlQuery q(dm_->database());
  q.prepare(QStringLiteral(
      "INSERT INTO tblTimeEntries (project_id, file_id, pratice_group_id, activity_id, activity, note, real_time, "
      "invoice_time, time, str_real_time, str_invoice_time, locked, import_yn) "
      "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)"));
  const QVariantList values{project,
                            file,
                            group,
                            activity,
                            activityText,
                            note,
                            realTime,
                            realTime,
                            day,
                            QString::number(realTime),
                            QString::number(realTime),
                            locked,
                            imported};
  for (int i = 0; i < values.size(); ++i) q.bindValue(i, values[i]);
  if (!q.exec()) qFatal("insert failed");
  return q.lastInsertId().toLongLong();
}

}  // namespace kairon::test
