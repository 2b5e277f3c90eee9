#include "store/dmMain.h"

#include <sqlite3.h>
#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QStringDecoder>
#include <QUrl>

#include "common/errors.h"

namespace kairon {

namespace sql {
const QString qry_Config =
    QStringLiteral("SELECT \"id\", \"fielddesc\", \"fieldvalue\", \"fieldtyp\" FROM \"tblConfig\" ORDER BY \"id\"");
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

TDataModuleMain::~TDataModuleMain() {
  Close();
}

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
      // A page cache large enough for years of entries and the master tables,
      // so listing all pending entries does not re-read pages from the file.
      else
        probe.exec(QStringLiteral("PRAGMA cache_size = -32768"));
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
  if (insertFile_) sqlite3_finalize(insertFile_);
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

QSqlDatabase TDataModuleMain::database() const {
  return QSqlDatabase::database(connectionName_, false);
}

sqlite3* TDataModuleMain::handle() const {
  if (!isOpen()) return nullptr;
  const QVariant v = database().driver()->handle();
  if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0) return nullptr;
  return *static_cast<sqlite3* const*>(v.constData());
}

void TDataModuleMain::scriptAction(const QString& statement) {
  if (!isOpen()) throw DatabaseError(QStringLiteral("Die Datenbank ist nicht geöffnet"));
  QSqlQuery q(database());
  if (!q.exec(statement)) throw DatabaseError(ErrorText(q.lastError()));
}

void TDataModuleMain::qry_InsertFile(const QString& id, const QString& projectId, const QString& fileNumber,
                                     const QString& fileName) {
  if (!isOpen()) throw DatabaseError(QStringLiteral("Die Datenbank ist nicht geöffnet"));
  sqlite3* db = handle();
  if (!db) throw DatabaseError(QStringLiteral("Die Datenbank ist nicht geöffnet"));
  auto failure = [db] { return DatabaseError(QString::fromUtf8(sqlite3_errmsg(db))); };
  if (!insertFile_) {
    const QByteArray text = sql::qry_InsertFile.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &insertFile_, nullptr) != SQLITE_OK) {
      const DatabaseError error = failure();
      sqlite3_finalize(insertFile_);
      insertFile_ = nullptr;
      throw error;
    }
  }
  // Bound as UTF-8 text: bound as UTF-16, SQLite would take a leading U+FEFF or
  // U+FFFE for a byte-order mark. The columns' integer affinity turns digit
  // texts into numbers.
  sqlite3_reset(insertFile_);
  const QByteArray values[] = {id.toUtf8(), projectId.toUtf8(), fileNumber.toUtf8(), fileName.toUtf8()};
  for (int i = 0; i < 4; ++i)
    if (sqlite3_bind_text(insertFile_, i + 1, values[i].constData(), int(values[i].size()), SQLITE_TRANSIENT) !=
        SQLITE_OK)
      throw failure();
  const int rc = sqlite3_step(insertFile_);
  if (rc != SQLITE_DONE) {
    const DatabaseError error = failure();
    sqlite3_reset(insertFile_);
    throw error;
  }
  sqlite3_reset(insertFile_);
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

TQuery::~TQuery() {
  Close();
}

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

void TQuery::fail(const QString& where) {
  sqlite3* db = dm_.handle();
  QString text = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
  if (text.isEmpty()) text = where;
  Close();
  throw DatabaseError(text);
}

void TQuery::Open() {
  Close();
  sqlite3* db = dm_.handle();
  if (!db) throw DatabaseError(QStringLiteral("Die Datenbank ist nicht geöffnet"));
  const QByteArray text = statement_.toUtf8();
  if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt_, nullptr) != SQLITE_OK || !stmt_)
    fail(QStringLiteral("Abfrage konnte nicht vorbereitet werden"));
  for (const auto& p : params_) {
    const int at = sqlite3_bind_parameter_index(stmt_, p.first.toUtf8().constData());
    if (at == 0) continue;
    int rc;
    const QVariant& v = p.second;
    if (v.isNull()) {
      rc = sqlite3_bind_null(stmt_, at);
    } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::UInt ||
               v.typeId() == QMetaType::Bool) {
      rc = sqlite3_bind_int64(stmt_, at, v.toLongLong());
    } else if (v.typeId() == QMetaType::Double) {
      rc = sqlite3_bind_double(stmt_, at, v.toDouble());
    } else {
      // As UTF-8: bound as UTF-16, a leading U+FEFF or U+FFFE would be taken for a byte-order mark.
      const QByteArray s = v.toString().toUtf8();
      rc = sqlite3_bind_text(stmt_, at, s.constData(), int(s.size()), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK) fail(QStringLiteral("Parameter konnte nicht gesetzt werden"));
  }
  columns_.clear();
  const int n = sqlite3_column_count(stmt_);
  for (int i = 0; i < n; ++i) {
    const QString name = QString::fromUtf8(sqlite3_column_name(stmt_, i));
    if (!columns_.contains(name)) columns_.insert(name, i);
  }
  Next();
  empty_ = !onRow_;
}

void TQuery::Close() {
  if (stmt_) sqlite3_finalize(stmt_);
  stmt_ = nullptr;
  onRow_ = false;
  empty_ = true;
}

void TQuery::Next() {
  if (!stmt_) {
    onRow_ = false;
    return;
  }
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) {
    onRow_ = true;
  } else if (rc == SQLITE_DONE) {
    onRow_ = false;
  } else {
    fail(QStringLiteral("Abfrage fehlgeschlagen"));
  }
}

int TQuery::index(const QString& column) const {
  const auto it = columns_.constFind(column);
  if (it == columns_.constEnd()) throw DatabaseError(QStringLiteral("Feld '%1' nicht gefunden").arg(column));
  return it.value();
}

qint64 TQuery::integerAt(int column) const {
  if (!onRow_) return 0;
  switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_INTEGER:
      return sqlite3_column_int64(stmt_, column);
    case SQLITE_NULL:
      return 0;
    case SQLITE_FLOAT: {
      const double d = sqlite3_column_double(stmt_, column);
      return d == double(qint64(d)) ? qint64(d) : 0;
    }
    default: {
      bool ok = false;
      const qint64 n = utf8At(column).toLongLong(&ok);
      return ok ? n : 0;
    }
  }
}

QString TQuery::textAt(int column) const {
  if (!onRow_ || sqlite3_column_type(stmt_, column) == SQLITE_NULL) return QString();
  // Read as the stored UTF-8: SQLite's own conversion to UTF-16 turns the
  // characters U+FFFE and U+FFFF into U+FFFD.
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  const int bytes = sqlite3_column_bytes(stmt_, column);
  if (!p) return QString();
  if (bytes == 0) return QStringLiteral("");
  return Utf8Text(QByteArrayView(p, bytes));
}

QByteArrayView TQuery::utf8At(int column) const {
  if (!onRow_) return {};
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  return p ? QByteArrayView(p, sqlite3_column_bytes(stmt_, column)) : QByteArrayView();
}

bool TQuery::nullAt(int column) const {
  return !onRow_ || sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

QDate TQuery::asDate(const QString& column) const {
  return QDate::fromString(asString(column).left(10), QStringLiteral("yyyy-MM-dd"));
}

QString Utf8Text(QByteArrayView bytes) {
  // A leading U+FEFF is part of the text, not a byte-order mark to skip.
  QStringDecoder decoder(QStringConverter::Utf8,
                         QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
  return decoder.decode(bytes);
}

QString SqlText(const QString& text) {
  QString out = text;
  out.replace(QLatin1Char('\''), QLatin1String("''"));
  if (!out.contains(QChar(0))) return QLatin1Char('\'') + out + QLatin1Char('\'');
  // SQLite ends a literal at a NUL character; such a text is joined from its
  // pieces and char(0), so it is stored with its NULs.
  out.replace(QChar(0), QLatin1String("'||char(0)||'"));
  return QStringLiteral("('") + out + QStringLiteral("')");
}

QString SqlDayText(const QDate& day) {
  return day.toString(QStringLiteral("yyyy-MM-dd"));
}

}  // namespace kairon
