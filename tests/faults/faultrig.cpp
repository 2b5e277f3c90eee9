#include "tests/faults/faultrig.h"

#include <sqlite3.h>

#include "common/global.h"

namespace kairon::test {

SyncRig::SyncRig(const QString& url) : db(url), ws(db.dm(), prompter, view), sync(ws, auth, busy, login) {
  ws.strURL = url;
  ws.intModus = wmShow;
  // The cases here are about what the program writes, not about power loss:
  // without waiting for the disk each case runs in a fraction of the time.
  sqlite3_exec(db.dm().handle(), "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
}

bool SyncRig::run(const std::function<void()>& command) {
  prompter.clear();
  return RunCommand(prompter, command);
}

void SyncRig::seed() {
  db.insertPlaceholders();
  db.exec(QStringLiteral("INSERT INTO tblProject (id, projekt_name) VALUES (12,'Müller GmbH'), (13,'O''Brien')"));
  db.exec(
      QStringLiteral("INSERT INTO tblFiles (id, project_id, file_number, file_name) VALUES "
                     "(345,12,'2012/01','Vertrag'), (346,12,'2012/02','Klage')"));
  db.exec(QStringLiteral("INSERT INTO tblPractice_Group (id, practice_group_name) VALUES (2,'Arbeitsrecht')"));
  db.exec(QStringLiteral("INSERT INTO tblActivity (id, activity_name) VALUES (3,'Besprechung'), (4,'Telefonat')"));
  db.insertEntry(12, 345, 2, 3, QStringLiteral("Besprechung"), 90, QStringLiteral("2012-05-31"));
  db.insertEntry(12, 346, 2, 4, QStringLiteral("Telefonat mit Mandant"), 15, QStringLiteral("2012-06-01"), 0, 0,
                 QStringLiteral("Rückruf"));
  db.insertEntry(12, 346, 2, 4, QStringLiteral("Akte gelesen"), 30, QStringLiteral("2012-06-02"));
}

void SyncRig::signIn(const QString& token) {
  db.exec(QStringLiteral("UPDATE tblConfig SET fieldvalue = ") + SqlText(EncodeDecimalText(token)) +
          QStringLiteral(" WHERE id = 101"));
  ws.strToken = token;
}

void SyncRig::shortTimeouts(long connectMs, long stallSeconds) {
  sync.exchange().settings.connectTimeoutMs = connectMs;
  sync.exchange().settings.stallTimeoutSeconds = stallSeconds;
}

QString DumpTable(::sqlite3* db, const QString& table) {
  QString out = table + QLatin1Char('\n');
  sqlite3_stmt* stmt = nullptr;
  const QByteArray sql = QStringLiteral("SELECT * FROM %1 ORDER BY id").arg(table).toUtf8();
  if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK)
    return out + QStringLiteral("<cannot read: %1>\n").arg(QString::fromUtf8(sqlite3_errmsg(db)));
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
      switch (sqlite3_column_type(stmt, i)) {
        case SQLITE_NULL:
          out += QStringLiteral("NULL");
          break;
        case SQLITE_INTEGER:
          out += QStringLiteral("i:") + QString::number(sqlite3_column_int64(stmt, i));
          break;
        case SQLITE_FLOAT:
          out += QStringLiteral("f:") + QString::number(sqlite3_column_double(stmt, i), 'g', 17);
          break;
        default: {
          const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, i));
          out +=
              QStringLiteral("t:") + QString::fromLatin1(QByteArray(p ? p : "", sqlite3_column_bytes(stmt, i)).toHex());
        }
      }
      out += QLatin1Char('|');
    }
    out += QLatin1Char('\n');
  }
  if (rc != SQLITE_DONE) out += QStringLiteral("<read failed: %1>\n").arg(QString::fromUtf8(sqlite3_errmsg(db)));
  sqlite3_finalize(stmt);
  return out;
}

QString DumpTables(::sqlite3* db) {
  QString out;
  for (const char* t : {"tblConfig", "tblProject", "tblFiles", "tblPractice_Group", "tblActivity", "tblTimeEntries"})
    out += DumpTable(db, QLatin1String(t));
  return out;
}

}  // namespace kairon::test
