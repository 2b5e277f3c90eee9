#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

#include "store/dmMain.h"

namespace kairon::test {

// A database file made from the schema in a temporary folder, opened through
// the database layer. The folder and file go when the fixture goes.
class TempDatabase {
 public:
  explicit TempDatabase(const QString& url = QStringLiteral("http://127.0.0.1:1/"));
  ~TempDatabase();

  QString path() const { return path_; }
  QString dir() const { return dir_.path(); }
  TDataModuleMain& dm() { return *dm_; }

  // Runs a statement on the fixture's connection; fails the test on error.
  void exec(const QString& statement);
  // The first column of the first row, or an invalid QVariant for no row.
  QVariant scalar(const QString& statement);
  // Rows of a query as lists of values.
  QList<QVariantList> rows(const QString& statement);

  // The placeholder rows a download writes into each master table.
  void insertPlaceholders();
  // Inserts an entry and answers its id.
  qint64 insertEntry(qint64 project, qint64 file, qint64 group, qint64 activity, const QString& activityText,
                     int realTime, const QString& day, int locked = 0, int imported = 0,
                     const QString& note = QString());

 private:
  QTemporaryDir dir_;
  QString path_;
  std::unique_ptr<TDataModuleMain> dm_;
};

}  // namespace kairon::test
