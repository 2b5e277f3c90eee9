#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace kairon {

// Statement texts of the named queries. Lines are joined with a blank.
namespace sql {
extern const QString qry_Config;
extern const QString qry_Projects;
extern const QString qry_Files;  // :projectID
extern const QString qryx_PracticeGroup;
extern const QString qry_Activity;
extern const QString qry_TimeSingleEntry;  // :entryID
extern const QString qry_ExportSend;
extern const QString qry_InsertFile;  // :id, :project_id, :file_number, :file_name
}  // namespace sql

// The database layer: the one connection of the run and the statement executor.
class TDataModuleMain {
 public:
  TDataModuleMain();
  ~TDataModuleMain();
  TDataModuleMain(const TDataModuleMain&) = delete;
  TDataModuleMain& operator=(const TDataModuleMain&) = delete;

  // How long a statement waits for a lock held by another connection.
  void setBusyTimeoutMs(int ms) { busyTimeoutMs_ = ms; }
  int busyTimeoutMs() const { return busyTimeoutMs_; }

  // Opens the file for reading and writing. Never creates it: a missing file,
  // or one that is not an SQLite database, throws DatabaseError.
  void Open(const QString& path);
  bool isOpen() const;
  void Close();
  QString path() const { return path_; }
  QSqlDatabase database() const;
  // The SQLite handle of the connection; null when it is not open.
  ::sqlite3* handle() const;

  // Executes one statement given as text; it is committed on its own unless a
  // Transaction is open. Throws DatabaseError with the database's text.
  void scriptAction(const QString& statement);

  // qry_InsertFile with its four parameters bound as text.
  void qry_InsertFile(const QString& id, const QString& projectId, const QString& fileNumber, const QString& fileName);

  // Prepared qry_InsertFile kept for a run of inserts; reset by Close().
  bool inTransaction() const { return transactionDepth_ > 0; }

 private:
  friend class Transaction;
  QString connectionName_;
  QString path_;
  int busyTimeoutMs_ = 3000;
  int transactionDepth_ = 0;
  ::sqlite3_stmt* insertFile_ = nullptr;
};

// All statements executed while it lives form one transaction. Rolled back
// unless commit() was called. Throws DatabaseError when it cannot begin or commit.
class Transaction {
 public:
  explicit Transaction(TDataModuleMain& dm);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void commit();

 private:
  TDataModuleMain& dm_;
  bool open_ = true;
};

// A query opened for one use: set parameters, Open, walk the rows, Close.
// Columns are read by name (or by the index that column() answers, which is
// faster in loops). Every Open reads the current table contents. It reads the
// SQLite handle of the connection directly, column by column, so a row costs
// only the columns that are read.
class TQuery {
 public:
  TQuery(TDataModuleMain& dm, const QString& statement);
  ~TQuery();
  TQuery(const TQuery&) = delete;
  TQuery& operator=(const TQuery&) = delete;

  void setParam(const QString& name, const QVariant& value);
  void Open();  // throws DatabaseError
  void Close();

  bool IsEmpty() const { return empty_; }
  bool Eof() const { return !onRow_; }
  void Next();  // throws DatabaseError

  // NULL reads as 0; a text that is not a whole number reads as 0 as well.
  qint64 asInteger(const QString& column) const { return integerAt(index(column)); }
  // NULL reads as the empty text.
  QString asString(const QString& column) const { return textAt(index(column)); }
  // yyyy-mm-dd text as that calendar day; an invalid date for anything else.
  QDate asDate(const QString& column) const;
  bool isNull(const QString& column) const { return nullAt(index(column)); }

  // Index of a result column by name (the first of that name); throws when missing.
  int column(const QString& name) const { return index(name); }
  qint64 integerAt(int column) const;
  QString textAt(int column) const;
  bool nullAt(int column) const;
  // The UTF-8 bytes of a text column, valid until the next step.
  QByteArrayView utf8At(int column) const;

  QString statement() const { return statement_; }

 private:
  int index(const QString& column) const;
  void fail(const QString& where);
  TDataModuleMain& dm_;
  QString statement_;
  QList<QPair<QString, QVariant>> params_;
  ::sqlite3_stmt* stmt_ = nullptr;
  QHash<QString, int> columns_;
  bool onRow_ = false;
  bool empty_ = true;
};

// Stored UTF-8 as text. Unlike QString::fromUtf8 it keeps a leading U+FEFF.
QString Utf8Text(QByteArrayView bytes);

// A statement literal: the text between single quotes, each quote doubled.
// A text with NUL characters becomes ('a'||char(0)||'b').
QString SqlText(const QString& text);

// yyyy-mm-dd
QString SqlDayText(const QDate& day);

}  // namespace kairon
