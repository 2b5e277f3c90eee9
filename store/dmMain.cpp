#include "store/dmMain.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>
#include <QUrl>

#include "common/errors.h"

namespace kairon {

namespace sql {
const QString qry_Config = QStringLiteral(
    "SELECT \"id\", \"fielddesc\", \"fieldvalue\", \"fieldtyp\" FROM \"tblConfig\" ORDER BY \"id\"");
const QString qry_Projects = QStringLiteral("SELECT id, projekt_name FROM tblProject ORDER BY projekt_name");
const QString qry_Files =
    QStringLiteral("SELECT id, project_id, file_number, file_name FROM tblFiles WHERE project_id = :projectID");
const QString qryx_PracticeGroup =
    QStringLiteral("SELECT id, practice_group_name FROM tblPractice_Group ORDER BY practice_group_name");
const QString qry_Activity = QStringLiteral("SELECT id, activity_name FROM tblActivity ORDER BY activity_name");
const QString qry_TimeSingleEntry = QStringLiteral(
    "SELECT \"id\", \"project_id\", \"file_id\", \"pratice_group_id\", \"activity_id\", \"activity\", \"note\", "
    "\"real_time\", \"invoice_time\", \"time\", \"str_real_time\", \"str_invoice_time\" FROM \"tblTimeEntries\" "
    "WHERE \"id\" = :entryID");
const QString qry_ExportSend = QStringLiteral(
    "SELECT id, project_id, file_id, pratice_group_id, activity_id, activity, note, real_time, invoice_time, time "
    "FROM tblTimeEntries WHERE import_yn = 0 AND project_id > 0 AND file_id > 0 AND pratice_group_id > 0 "
    "AND activity_id > 0 AND real_time > 0 AND activity IS NOT NULL AND activity <> '' AND locked = 0 "
    "ORDER BY id");
const QString qry_InsertFile = QStringLiteral(
    "INSERT INTO tblFiles (id, project_id, file_number, file_name) VALUES "
    "(:id, :project_id, :file_number, :file_name)");
}  // namespace sql

namespace {
QAtomicInt connectionCounter;

QString ErrorText(const QSqlError& e) {
  QString t = e.databaseText();
  if (t.isEmpty()) t = e.text();
  if (t.isEmpty()) t = QStringLiteral("Unbekannter Datenbankfehler");
  return t;
}
}  // namespace

TDataModuleMain::TDataModuleMain()
    : connectionName_(QStringLiteral("kairon-%1").arg(connectionCounter.fetchAndAddRelaxed(1))) {}

TDataModuleMain::~TDataModuleMain() { Close(); }

void TDataModuleMain::Open(const QString& path) {
  Close();
  const QFileInfo info(path);
  if (path.isEmpty() || !info.exists() || !info.isFile())
    throw DatabaseError(QStringLiteral("Datenbankdatei nicht gefunden: ") + path);
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName_);
    // mode=rw: open for reading and writing, never create the file.
    QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    url.setQuery(QStringLiteral("mode=rw"));
    db.setDatabaseName(url.toString(QUrl::FullyEncoded));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs_));
    QString failure;
    if (!db.open()) {
      failure = ErrorText(db.lastError());
    } else {
      // A file that is not a database fails here rather than with the first statement.
      QSqlQuery probe(db);
      if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) failure = ErrorText(probe.lastError());
    }
    if (!failure.isEmpty()) {
      db.close();
      db = QSqlDatabase();
      QSqlDatabase::removeDatabase(connectionName_);
      throw DatabaseError(failure);
    }
  }
  path_ = path;
}

bool TDataModuleMain::isOpen() const {
  return QSqlDatabase::contains(connectionName_) && QSqlDatabase::database(connectionName_, false).isOpen();
}

void TDataModuleMain::Close() {
  delete insertFile_;
  insertFile_ = nullptr;
  if (QSqlDatabase::contains(connectionName_)) {
    {
      QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
      if (transactionDepth_ > 0) db.rollback();
      db.close();
    }
    QSqlDatabase::removeDatabase(connectionName_);
  }
  transactionDepth_ = 0;
  path_.clear();
}

QSqlDatabase TDataModuleMain::database() const { return QSqlDatabase::database(connectionName_, false); }

void TDataModuleMain::scriptAction(const QString& statement) {
  if (!isOpen()) throw DatabaseError(QStringLiteral("Die Datenbank ist nicht geöffnet"));
  QSqlQuery q(database());
  if (!q.exec(statement)) throw DatabaseError(ErrorText(q.lastError()));
}

void TDataModuleMain::qry_InsertFile(const QString& id, const QString& projectId, const QString& fileNumber,
                                     const QString& fileName) {
  if (!isOpen()) throw DatabaseError(QStringLiteral("Die Datenbank ist nicht geöffnet"));
  if (!insertFile_) {
    insertFile_ = new QSqlQuery(database());
    if (!insertFile_->prepare(sql::qry_InsertFile)) {
      const QString text = ErrorText(insertFile_->lastError());
      delete insertFile_;
      insertFile_ = nullptr;
      throw DatabaseError(text);
    }
  }
  // Bound as text; the columns' integer affinity turns digit texts into numbers.
  insertFile_->bindValue(QStringLiteral(":id"), id);
  insertFile_->bindValue(QStringLiteral(":project_id"), projectId);
  insertFile_->bindValue(QStringLiteral(":file_number"), fileNumber);
  insertFile_->bindValue(QStringLiteral(":file_name"), fileName);
  if (!insertFile_->exec()) throw DatabaseError(ErrorText(insertFile_->lastError()));
}

Transaction::Transaction(TDataModuleMain& dm) : dm_(dm) {
  if (!dm_.isOpen()) throw DatabaseError(QStringLiteral("Die Datenbank ist nicht geöffnet"));
  if (dm_.transactionDepth_ == 0) {
    // BEGIN IMMEDIATE takes the write lock at once (waiting up to the busy
    // time-out), so a transaction never fails half-way for want of the lock.
    QSqlQuery q(dm_.database());
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) throw DatabaseError(ErrorText(q.lastError()));
  }
  ++dm_.transactionDepth_;
}

Transaction::~Transaction() {
  if (!open_) return;
  if (--dm_.transactionDepth_ == 0 && dm_.isOpen()) {
    QSqlQuery q(dm_.database());
    q.exec(QStringLiteral("ROLLBACK"));
  }
}

void Transaction::commit() {
  if (!open_) return;
  if (dm_.transactionDepth_ == 1) {
    QSqlQuery q(dm_.database());
    if (!q.exec(QStringLiteral("COMMIT"))) {
      const QString text = ErrorText(q.lastError());
      throw DatabaseError(text);  // the destructor rolls back
    }
  }
  --dm_.transactionDepth_;
  open_ = false;
}

TQuery::TQuery(TDataModuleMain& dm, const QString& statement) : dm_(dm), statement_(statement) {}

void TQuery::setParam(const QString& name, const QVariant& value) {
  const QString key = name.startsWith(QLatin1Char(':')) ? name : QLatin1Char(':') + name;
  for (auto& p : params_) {
    if (p.first == key) {
      p.second = value;
      return;
    }
  }
  params_.append({key, value});
}

void TQuery::Open() {
  Close();
  if (!dm_.isOpen()) throw DatabaseError(QStringLiteral("Die Datenbank ist nicht geöffnet"));
  query_ = QSqlQuery(dm_.database());
  query_.setForwardOnly(true);
  if (!query_.prepare(statement_)) throw DatabaseError(ErrorText(query_.lastError()));
  for (const auto& p : params_) query_.bindValue(p.first, p.second);
  if (!query_.exec()) throw DatabaseError(ErrorText(query_.lastError()));
  const QSqlRecord rec = query_.record();
  columns_.clear();
  for (int i = 0; i < rec.count(); ++i) {
    // The first column of a name counts; unqualified names serve joined columns.
    if (!columns_.contains(rec.fieldName(i))) columns_.insert(rec.fieldName(i), i);
  }
  onRow_ = query_.next();
  if (!onRow_ && query_.lastError().isValid()) throw DatabaseError(ErrorText(query_.lastError()));
  empty_ = !onRow_;
}

void TQuery::Close() {
  query_.finish();
  query_ = QSqlQuery();
  onRow_ = false;
  empty_ = true;
}

void TQuery::Next() {
  if (!onRow_) return;
  onRow_ = query_.next();
  if (!onRow_ && query_.lastError().isValid()) throw DatabaseError(ErrorText(query_.lastError()));
}

int TQuery::index(const QString& column) const {
  const auto it = columns_.constFind(column);
  if (it == columns_.constEnd()) throw DatabaseError(QStringLiteral("Feld '%1' nicht gefunden").arg(column));
  return it.value();
}

qint64 TQuery::asInteger(const QString& column) const {
  const QVariant v = query_.value(index(column));
  if (v.isNull()) return 0;
  bool ok = false;
  const qint64 n = v.toLongLong(&ok);
  return ok ? n : 0;
}

QString TQuery::asString(const QString& column) const {
  const QVariant v = query_.value(index(column));
  return v.isNull() ? QString() : v.toString();
}

QDate TQuery::asDate(const QString& column) const {
  return QDate::fromString(asString(column).left(10), QStringLiteral("yyyy-MM-dd"));
}

bool TQuery::isNull(const QString& column) const { return query_.value(index(column)).isNull(); }

QString SqlText(const QString& text) {
  QString out = text;
  out.replace(QLatin1Char('\''), QLatin1String("''"));
  return QLatin1Char('\'') + out + QLatin1Char('\'');
}

QString SqlDayText(const QDate& day) { return day.toString(QStringLiteral("yyyy-MM-dd")); }

}  // namespace kairon
