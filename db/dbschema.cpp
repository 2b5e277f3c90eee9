#include "db/dbschema.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include "db/schema_sql.h"

namespace kairon::db {

QString SchemaSql() {
  return QString::fromUtf8(kSchemaSql);
}

namespace {

// Splits the schema into statements; the schema holds no ";" inside literals.
QStringList SchemaStatements() {
  QStringList out;
  QString current;
  for (const QString& line : SchemaSql().split(QLatin1Char('\n'))) {
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(QLatin1String("--"))) continue;
    current += line + QLatin1Char('\n');
    if (trimmed.endsWith(QLatin1Char(';'))) {
      out << current.trimmed();
      current.clear();
    }
  }
  if (!current.trimmed().isEmpty()) out << current.trimmed();
  return out;
}

}  // namespace

bool CreateDatabaseFile(const QString& path, const QString& url, QString* error) {
  if (QFileInfo::exists(path)) {
    if (error) *error = QStringLiteral("file exists: ") + path;
    return false;
  }
  const QString name = QStringLiteral("kairon-maker-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
  bool ok = true;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    if (!db.open()) {
      if (error) *error = db.lastError().text();
      ok = false;
    } else {
      QSqlQuery q(db);
      db.transaction();
      const QStringList statements = SchemaStatements();
      for (const QString& statement : statements) {
        if (!q.exec(statement)) {
          if (error) *error = q.lastError().text() + QStringLiteral(" in: ") + statement;
          ok = false;
          break;
        }
      }
      if (ok) {
        q.prepare(QStringLiteral("INSERT INTO tblConfig (id, fielddesc, fieldvalue, fieldtyp) VALUES (?, ?, ?, ?)"));
        const QVariantList row1{1, QStringLiteral("url"), url, QStringLiteral("string")};
        const QVariantList row2{101, QStringLiteral("authkey"), QString(), QStringLiteral("string")};
        for (const QVariantList& row : {row1, row2}) {
          for (int i = 0; i < row.size(); ++i) q.bindValue(i, row[i]);
          if (!q.exec()) {
            if (error) *error = q.lastError().text();
            ok = false;
            break;
          }
        }
      }
      if (ok)
        ok = db.commit();
      else
        db.rollback();
      db.close();
    }
  }
  QSqlDatabase::removeDatabase(name);
  if (!ok) QFile::remove(path);
  return ok;
}

}  // namespace kairon::db
